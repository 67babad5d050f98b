#include "errordisplay.h"
#include "messages.h"
#include "scriptedmessages.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <stdexcept>

Q_DECLARE_METATYPE(MsgIcon)
Q_DECLARE_METATYPE(MsgButtons)
Q_DECLARE_METATYPE(MsgAnswer)

using Call = std::function<void()>;
Q_DECLARE_METATYPE(Call)

namespace {

// What a production message box showed before it was dismissed.
struct SeenBox {
    QMessageBox* box = nullptr;
    QString title, text;
    int icon = -1, buttons = 0;
    Qt::TextFormat format = Qt::AutoText;
    QWidget* parent = nullptr;
};

// Waits for the modal message box, notes what it shows and presses `press`,
// or Escape for QMessageBox::NoButton.
void answerBoxWhenShown(SeenBox& seen, QMessageBox::StandardButton press) {
    QTimer::singleShot(0, [&seen, press] {
        QDeadlineTimer deadline(5000);
        while (!(seen.box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) &&
               !deadline.hasExpired())
            QTest::qWait(10);
        if (QMessageBox* box = seen.box) {
            seen = {box,
                    box->windowTitle(),
                    box->text(),
                    box->icon(),
                    int(box->standardButtons()),
                    box->textFormat(),
                    box->parentWidget()};
            if (press == QMessageBox::NoButton)
                QTest::keyClick(box, Qt::Key_Escape);
            else
                box->button(press)->click();
        }
    });
}

} // namespace

class TestMessages : public QObject {
    Q_OBJECT
private slots:
    void init() { MessageService::install(nullptr); }
    void scriptedAnswers_data();
    void scriptedAnswers();
    void scopePutsBackThePreviousService();
    void conveniences_data();
    void conveniences();
    void guardedStep_data();
    void guardedStep();
    void productionBox_data();
    void productionBox();
    void productionBoxBelongsToItsOwner();
};

void TestMessages::scriptedAnswers_data() {
    QTest::addColumn<MsgButtons>("buttons");
    QTest::addColumn<QList<MsgAnswer>>("queued");
    QTest::addColumn<MsgAnswer>("expected");
    QTest::addColumn<int>("leftInQueue");

    using A = MsgAnswer;
    QTest::newRow("ok box, nothing queued") << MsgButtons::Ok << QList<A>{} << A::Ok << 0;
    QTest::newRow("ok box keeps queue") << MsgButtons::Ok << QList<A>{A::No} << A::Ok << 1;
    QTest::newRow("question, nothing queued") << MsgButtons::YesNo << QList<A>{} << A::Yes << 0;
    QTest::newRow("question answered no") << MsgButtons::YesNo << QList<A>{A::No} << A::No << 0;
    QTest::newRow("question takes the first")
        << MsgButtons::YesNo << QList<A>{A::No, A::Yes} << A::No << 1;
    QTest::newRow("queued ok is yes") << MsgButtons::YesNo << QList<A>{A::Ok} << A::Yes << 0;
    QTest::newRow("ok/cancel, nothing queued") << MsgButtons::OkCancel << QList<A>{} << A::Ok << 0;
    QTest::newRow("ok/cancel, queued no is cancel")
        << MsgButtons::OkCancel << QList<A>{A::No} << A::Cancel << 0;
    QTest::newRow("ok/cancel, queued cancel")
        << MsgButtons::OkCancel << QList<A>{A::Cancel, A::Yes} << A::Cancel << 1;
}

void TestMessages::scriptedAnswers() {
    QFETCH(MsgButtons, buttons);
    QFETCH(QList<MsgAnswer>, queued);
    QFETCH(MsgAnswer, expected);
    QFETCH(int, leftInQueue);

    ScriptedMessagesScope scripted;
    for (MsgAnswer a : queued)
        scripted->answerNext(a);
    QWidget owner;
    const MsgAnswer answer =
        MessageService::current().show(&owner, u"标题"_qs, u"内容"_qs, MsgIcon::Question, buttons);
    QCOMPARE(answer, expected);
    QCOMPARE(scripted->pendingAnswers(), leftInQueue);
    QCOMPARE(scripted->shown.size(), 1);
    const ShownMessage& m = scripted->shown.first();
    QCOMPARE(m.caption, u"标题"_qs);
    QCOMPARE(m.text, u"内容"_qs);
    QCOMPARE(m.icon, MsgIcon::Question);
    QCOMPARE(m.buttons, buttons);
    QCOMPARE(m.answer, expected);
    QCOMPARE(m.owner.data(), &owner);
}

void TestMessages::scopePutsBackThePreviousService() {
    MessageService* production = &MessageService::current();
    {
        ScriptedMessagesScope outer;
        {
            ScriptedMessagesScope inner;
            ShowWarning(u"内层"_qs);
            QCOMPARE(inner->shown.size(), 1);
        }
        QCOMPARE(&MessageService::current(), &outer.messages());
        ShowWarning(u"外层"_qs);
        QCOMPARE(outer->shown.size(), 1);
        QCOMPARE(outer->shown.first().text, u"外层"_qs);
    }
    QCOMPARE(&MessageService::current(), production);

    // A service destroyed while installed is no longer used.
    {
        ScriptedMessages temporary;
        MessageService::install(&temporary);
    }
    QCOMPARE(&MessageService::current(), production);
}

void TestMessages::conveniences_data() {
    QTest::addColumn<Call>("call");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("text");
    QTest::addColumn<MsgIcon>("icon");
    QTest::addColumn<MsgButtons>("buttons");

    QTest::newRow("ShowWarning") << Call([] { ShowWarning(u"房间已出租"_qs); }) << u"警告"_qs
                                 << u"房间已出租"_qs << MsgIcon::Warning << MsgButtons::Ok;
    QTest::newRow("showGeneralError")
        << Call([] { showGeneralError(u"连接失败"_qs); }) << u"房屋出租管理"_qs << u"连接失败"_qs
        << MsgIcon::Critical << MsgButtons::Ok;
    QTest::newRow("showNotice") << Call([] {
        showNotice(nullptr, u"房屋出租管理"_qs, u"已保存"_qs, MsgIcon::NoIcon);
    }) << u"房屋出租管理"_qs << u"已保存"_qs
                                << MsgIcon::NoIcon << MsgButtons::Ok;
    QTest::newRow("askYesNo") << Call([] {
        askYesNo(nullptr, u"警告"_qs, u"删除吗"_qs, MsgIcon::Warning);
    }) << u"警告"_qs << u"删除吗"_qs
                              << MsgIcon::Warning << MsgButtons::YesNo;
}

void TestMessages::conveniences() {
    QFETCH(Call, call);
    QFETCH(QString, caption);
    QFETCH(QString, text);
    QFETCH(MsgIcon, icon);
    QFETCH(MsgButtons, buttons);

    ScriptedMessagesScope scripted;
    call();
    QCOMPARE(scripted->shown.size(), 1);
    QCOMPARE(scripted->shown.first().caption, caption);
    QCOMPARE(scripted->shown.first().text, text);
    QCOMPARE(scripted->shown.first().icon, icon);
    QCOMPARE(scripted->shown.first().buttons, buttons);
}

void TestMessages::guardedStep_data() {
    QTest::addColumn<Call>("step");
    QTest::addColumn<bool>("completes");
    QTest::addColumn<QString>("shownText");

    QTest::newRow("no failure") << Call([] {}) << true << QString();
    QTest::newRow("database error") << Call([] { throw DbError(u"对象名 'fwxx' 无效。"_qs); })
                                    << false << u"对象名 'fwxx' 无效。"_qs;
    QTest::newRow("standard exception")
        << Call([] { throw std::runtime_error("磁盘已满"); }) << false << u"磁盘已满"_qs;
    QTest::newRow("anything else") << Call([] { throw 42; }) << false << u"发生未知错误。"_qs;
}

void TestMessages::guardedStep() {
    QFETCH(Call, step);
    QFETCH(bool, completes);
    QFETCH(QString, shownText);

    ScriptedMessagesScope scripted;
    bool after = false;
    const bool result = guarded([&] {
        step();
        after = true;
    });
    QCOMPARE(result, completes);
    QCOMPARE(after, completes);
    if (completes) {
        QVERIFY(scripted->shown.isEmpty());
    } else {
        QCOMPARE(scripted->shown.size(), 1);
        QCOMPARE(scripted->shown.first().caption, u"房屋出租管理"_qs);
        QCOMPARE(scripted->shown.first().icon, MsgIcon::Critical);
        QCOMPARE(scripted->shown.first().text, shownText);
    }
}

void TestMessages::productionBox_data() {
    QTest::addColumn<MsgIcon>("icon");
    QTest::addColumn<MsgButtons>("buttons");
    QTest::addColumn<int>("press");
    QTest::addColumn<int>("qtIcon");
    QTest::addColumn<int>("qtButtons");
    QTest::addColumn<MsgAnswer>("expected");

    const int ok = QMessageBox::Ok, yesNo = QMessageBox::Yes | QMessageBox::No;
    QTest::newRow("notice") << MsgIcon::NoIcon << MsgButtons::Ok << ok << int(QMessageBox::NoIcon)
                            << ok << MsgAnswer::Ok;
    QTest::newRow("error") << MsgIcon::Critical << MsgButtons::Ok << ok
                           << int(QMessageBox::Critical) << ok << MsgAnswer::Ok;
    QTest::newRow("question yes") << MsgIcon::Warning << MsgButtons::YesNo << int(QMessageBox::Yes)
                                  << int(QMessageBox::Warning) << yesNo << MsgAnswer::Yes;
    QTest::newRow("question no") << MsgIcon::Question << MsgButtons::YesNo << int(QMessageBox::No)
                                 << int(QMessageBox::Question) << yesNo << MsgAnswer::No;
    QTest::newRow("question escaped")
        << MsgIcon::Information << MsgButtons::YesNo << int(QMessageBox::NoButton)
        << int(QMessageBox::Information) << yesNo << MsgAnswer::No;
    const int okCancel = QMessageBox::Ok | QMessageBox::Cancel;
    QTest::newRow("ok/cancel ok") << MsgIcon::NoIcon << MsgButtons::OkCancel << ok
                                  << int(QMessageBox::NoIcon) << okCancel << MsgAnswer::Ok;
    QTest::newRow("ok/cancel cancel")
        << MsgIcon::NoIcon << MsgButtons::OkCancel << int(QMessageBox::Cancel)
        << int(QMessageBox::NoIcon) << okCancel << MsgAnswer::Cancel;
    QTest::newRow("ok/cancel escaped")
        << MsgIcon::NoIcon << MsgButtons::OkCancel << int(QMessageBox::NoButton)
        << int(QMessageBox::NoIcon) << okCancel << MsgAnswer::Cancel;
}

void TestMessages::productionBox() {
    QFETCH(MsgIcon, icon);
    QFETCH(MsgButtons, buttons);
    QFETCH(int, press);
    QFETCH(int, qtIcon);
    QFETCH(int, qtButtons);
    QFETCH(MsgAnswer, expected);

    SeenBox seen;
    answerBoxWhenShown(seen, QMessageBox::StandardButton(press));
    // An error text is shown as written, markup characters included.
    const QString text = u"列 <b> 不能为 NULL & 插入失败"_qs;
    const MsgAnswer answer =
        MessageService::current().show(nullptr, u"房屋出租管理"_qs, text, icon, buttons);

    QVERIFY(seen.box);
    QCOMPARE(seen.title, u"房屋出租管理"_qs);
    QCOMPARE(seen.text, text);
    QCOMPARE(seen.format, Qt::PlainText);
    QCOMPARE(seen.icon, qtIcon);
    QCOMPARE(seen.buttons, qtButtons);
    QCOMPARE(answer, expected);
}

void TestMessages::productionBoxBelongsToItsOwner() {
    QWidget owner;
    owner.show();
    SeenBox seen;
    answerBoxWhenShown(seen, QMessageBox::Ok);
    showNotice(&owner, u"Morvik提示"_qs, u"请选择房间"_qs, MsgIcon::Information);
    QVERIFY(seen.box);
    QCOMPARE(seen.parent, &owner);

    // Without an owner the box belongs to the active window.
    QApplication::setActiveWindow(&owner);
    SeenBox warned;
    answerBoxWhenShown(warned, QMessageBox::Ok);
    ShowWarning(u"数据未保存"_qs);
    QVERIFY(warned.box);
    QCOMPARE(warned.title, u"警告"_qs);
    QCOMPARE(warned.icon, int(QMessageBox::Warning));
    QCOMPARE(warned.parent, &owner);
}

QTEST_MAIN(TestMessages)
#include "tst_messages.moc"
