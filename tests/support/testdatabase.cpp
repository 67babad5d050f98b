#include "testdatabase.h"

#include "clock.h"
#include "connection.h"
#include "query.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {

// The schema is built once per test process and copied for each case.
QString templateFile()
{
    static QTemporaryDir dir;
    static QString path;
    if (path.isEmpty()) {
        path = QDir(dir.path()).filePath(QStringLiteral("template.db"));
        Connection c;
        c.open({QStringLiteral("sqlite:") + path, {}, {}, {}}, Connection::OpenMode::CreateIfMissing);
        Query checkpoint(c);
        checkpoint.setSql(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
        checkpoint.open();
        c.close();
    }
    return path;
}

} // namespace

TestDatabase::TestDatabase(const QDateTime& now)
{
    Clock::setFixed(now);
    QFile::copy(templateFile(), file());
    Connection::shared().open({QStringLiteral("sqlite:") + file(), {}, {}, {}});
}

TestDatabase::~TestDatabase()
{
    Connection::shared().close();
    Clock::setFixed(QDateTime());
}

QString TestDatabase::file() const { return QDir(m_dir.path()).filePath(QStringLiteral("zentavo.db")); }

QString TestDatabase::writeIni() const
{
    const QString path = QDir(m_dir.path()).filePath(QStringLiteral("iniFw.ini"));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(QStringLiteral("[server]\nname=sqlite:%1\ndatabaseName=\nuser=\npass=\n").arg(file()).toUtf8());
    return path;
}

void TestDatabase::exec(const QString& sql)
{
    Query q;
    q.setSql(sql);
    q.exec();
}

QString TestDatabase::scalar(const QString& sql)
{
    Query q;
    q.setSql(sql);
    q.open();
    return q.isEmpty() ? QString() : q.result()->text(0, 0);
}

QStringList TestDatabase::rows(const QString& sql)
{
    Query q;
    q.setSql(sql);
    q.open();
    QStringList out;
    const auto rs = q.result();
    for (int r = 0; r < rs->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < rs->columnCount(); ++c)
            cells << rs->text(r, c);
        out << cells.join(QLatin1Char('|'));
    }
    return out;
}
