#include "config.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringDecoder>

QString iniPathBesideExecutable()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("iniFw.ini"));
}

namespace {

// The file may be UTF-8 or, as written by older Chinese editors, GBK.
QString decodeIni(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder gbk("GBK");
    return gbk.isValid() ? QString(gbk.decode(bytes)) : QString::fromLatin1(bytes);
}

} // namespace

ServerConfig readServerConfig(const QString& iniPath)
{
    ServerConfig config;
    QFile file(iniPath);
    if (!file.open(QIODevice::ReadOnly))
        return config;
    QString text = decodeIni(file.readAll());
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);

    bool inServer = false;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']'))) {
            inServer = trimmed.mid(1, trimmed.size() - 2).trimmed().compare(
                           QLatin1String("server"), Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inServer)
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        // Key names are matched as INI readers do (blanks around them and
        // letter case ignored); the value is everything after '=' as written.
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1);
        auto is = [&key](const char* name) {
            return key.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
        };
        if (is("name"))
            config.name = value;
        else if (is("databaseName"))
            config.databaseName = value;
        else if (is("user"))
            config.user = value;
        else if (is("pass"))
            config.pass = value;
    }
    return config;
}

QString connectionString(const ServerConfig& c)
{
    return QStringLiteral("Provider=SQLOLEDB.1;Password=") + c.pass +
           QStringLiteral(";Persist Security Info=True;User ID=") + c.user +
           QStringLiteral(";Initial Catalog=") + c.databaseName +
           QStringLiteral(";Data Source=") + c.name;
}
