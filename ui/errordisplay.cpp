#include "errordisplay.h"

#include "messages.h"

#include <QStringList>

#include <exception>
#include <initializer_list>
#include <utility>

namespace {

struct KnownError {
    std::initializer_list<const char*> marks; // any of them, ignoring case
    const char* sentence;
};

// The engine's texts, the embedded engine's and the server's alike. The
// first entry that matches wins: a lock outranks whatever else the text says.
const KnownError kKnown[] = {
    {{"database is locked", "database table is locked", "SQLITE_BUSY", "Lock request time out",
      "deadlock"},
     "其他用户正在保存数据，数据库暂时被占用，请稍后再试。"},
    {{"would be truncated", "string too long"},
     "输入的内容超过了该项允许的长度，请缩短后重新输入。"},
    {{"Arithmetic overflow"},
     "输入的数值超出了该项允许的范围，请检查后重新输入。"},
    {{"Error converting data type", "Conversion failed", "converting", "datatype mismatch"},
     "输入的内容不是有效的数值或日期，请检查后重新输入。"},
    {{"constraint failed", "constraint", "Violation of", "duplicate key", "Cannot insert the value NULL",
      "cannot be null"},
     "数据不符合数据库的规定（例如编号重复、必填项为空或仍被其他记录使用），操作未能完成。"},
};

} // namespace

QString knownErrorSentence(const QString& engineText) {
    for (const KnownError& k : kKnown)
        for (const char* mark : k.marks)
            if (engineText.contains(QLatin1String(mark), Qt::CaseInsensitive))
                return QString::fromUtf8(k.sentence);
    return {};
}

QString explainedError(const QString& engineText) {
    const QString sentence = knownErrorSentence(engineText);
    return sentence.isEmpty() ? engineText : sentence + QLatin1Char('\n') + engineText;
}

QString failureMessage(const QString& screenMessage, const QString& engineText) {
    const QString sentence = knownErrorSentence(engineText);
    if (sentence.isEmpty())
        return screenMessage;
    return screenMessage + QLatin1Char('\n') + sentence + QLatin1Char('\n') + engineText;
}

QString failureMessage(const QString& screenMessage) {
    try {
        if (std::current_exception())
            std::rethrow_exception(std::current_exception());
    } catch (const DbError& e) {
        return failureMessage(screenMessage, e.text());
    } catch (const std::exception& e) {
        return failureMessage(screenMessage, QString::fromUtf8(e.what()));
    } catch (...) {
    }
    return screenMessage;
}

void showGeneralError(const QString& errorText) {
    MessageService::current().show(nullptr, QStringLiteral("房屋出租管理"), explainedError(errorText),
                                   MsgIcon::Critical, MsgButtons::Ok);
}
