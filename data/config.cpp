#include "config.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringDecoder>

QString iniPathBesideExecutable()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("iniFw.ini"));
}

QString userConfigDir()
{
    // Named here rather than after the application's name, which the
    // program sets to its Chinese title for its windows.
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("zentavo"));
}

QString userDataDir()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("zentavo"));
}

QString iniPathForRun(const QString& programDir)
{
    const QString dir = programDir.isEmpty() ? QCoreApplication::applicationDirPath() : programDir;
    const QString beside = QDir(dir).filePath(QStringLiteral("iniFw.ini"));
    if (QFileInfo(beside).isFile())
        return beside;
    return QDir(userConfigDir()).filePath(QStringLiteral("iniFw.ini"));
}

QString prepareIniForRun(const QString& programDir, bool* written)
{
    if (written)
        *written = false;
    const QString path = iniPathForRun(programDir);
    if (QFileInfo::exists(path))
        return path;
    QDir().mkpath(userConfigDir());
    QDir().mkpath(userDataDir());
    QFile file(path);
    // Created owner-only from the start: the file may come to hold a server
    // password.
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        const QString database = QDir(userDataDir()).filePath(QStringLiteral("zentavo.db"));
        file.write(QStringLiteral("[server]\nname=sqlite:%1\ndatabaseName=\nuser=\npass=\n").arg(database).toUtf8());
        file.close();
        if (written)
            *written = true;
    }
    return path;
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
    config.baseDir = QFileInfo(iniPath).absolutePath();
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
