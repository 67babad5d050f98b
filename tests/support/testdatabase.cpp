#include "testdatabase.h"

#include "clock.h"
#include "connection.h"
#include "query.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QThread>

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

QString serverUser() { return qEnvironmentVariable("ZENTAVO_TEST_USER", QStringLiteral("zentavo")); }

// Creates and drops the cases' databases, through the server's own
// database "postgres" (connecting again after a test restarted the server).
void admin(const QString& sql)
{
    const QString name = QStringLiteral("zt-test-admin");
    {
        QSqlDatabase db = QSqlDatabase::contains(name) ? QSqlDatabase::database(name)
                                                       : QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        for (int attempt = 0;; ++attempt) {
            if (!db.isOpen()) {
                QString host = TestDatabase::server().mid(11);
                int port = 5432;
                if (host.lastIndexOf(QLatin1Char(':')) > 0) {
                    port = host.mid(host.lastIndexOf(QLatin1Char(':')) + 1).toInt();
                    host = host.left(host.lastIndexOf(QLatin1Char(':')));
                }
                db.setHostName(host);
                db.setPort(port);
                db.setDatabaseName(QStringLiteral("postgres"));
                db.setUserName(serverUser());
                if (!db.open())
                    qFatal("The test server cannot be reached: %s", qPrintable(db.lastError().text()));
                QSqlQuery(db).exec(QStringLiteral("SET client_min_messages = warning"));
            }
            QSqlQuery q(db);
            if (q.exec(sql))
                return;
            const QString error = q.lastError().text();
            if (attempt == 50)
                qFatal("%s: %s", qPrintable(sql), qPrintable(error));
            if (error.contains(QLatin1String("closed the connection")) || error.contains(QLatin1String("terminating")))
                db.close();
            // A copy waits for the last session on its template to end, a
            // drop for the server's own work on the database.
            else if (!error.contains(QLatin1String("being accessed")) && !error.contains(QLatin1String("must be a member")))
                qFatal("%s: %s", qPrintable(sql), qPrintable(error));
            QThread::msleep(100);
        }
    }
}

QString caseDatabasePrefix()
{
    return QStringLiteral("zt_%1_%2").arg(QCoreApplication::applicationName().toLower().remove(QLatin1Char('-')))
        .arg(QCoreApplication::applicationPid());
}

// The database every case's is copied from, with the schema and the
// starting rows; made once per test process.
QString templateDatabase()
{
    static QString name;
    if (name.isEmpty()) {
        name = caseDatabasePrefix() + QStringLiteral("_template");
        admin(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(name));
        admin(QStringLiteral("CREATE DATABASE %1").arg(name));
        Connection c;
        c.open({TestDatabase::server(), name, serverUser(), {}}, Connection::OpenMode::CreateIfMissing);
        c.close();
        qAddPostRoutine([] { admin(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name)); });
    }
    return name;
}

} // namespace

QString TestDatabase::server() { return qEnvironmentVariable("ZENTAVO_TEST_SERVER"); }

TestDatabase::TestDatabase(const QDateTime& now)
{
    Clock::setFixed(now);
    if (!server().isEmpty()) {
        static int cases = 0;
        const QString from = templateDatabase();
        m_database = QStringLiteral("%1_%2").arg(caseDatabasePrefix()).arg(++cases);
        admin(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_database));
        admin(QStringLiteral("CREATE DATABASE %1 TEMPLATE %2").arg(m_database, from));
        Connection::shared().open({server(), m_database, serverUser(), {}});
        return;
    }
    QFile::copy(templateFile(), file());
    Connection::shared().open({QStringLiteral("sqlite:") + file(), {}, {}, {}});
}

TestDatabase::~TestDatabase()
{
    Connection::shared().close();
    Clock::setFixed(QDateTime());
    if (!m_database.isEmpty())
        admin(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_database));
}

QString TestDatabase::file() const { return QDir(m_dir.path()).filePath(QStringLiteral("zentavo.db")); }

QString TestDatabase::writeIni() const
{
    const QString path = QDir(m_dir.path()).filePath(QStringLiteral("iniFw.ini"));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    if (!m_database.isEmpty())
        f.write(QStringLiteral("[server]\nname=%1\ndatabaseName=%2\nuser=%3\npass=\n")
                    .arg(server(), m_database, serverUser())
                    .toUtf8());
    else
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

namespace {
// Runs the database's own SQL on a connection of its own.
void raw(const TestDatabase& db, const QString& sql)
{
    {
        QSqlDatabase c;
        if (db.serverDatabase().isEmpty()) {
            c = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("zt-test-raw"));
            c.setDatabaseName(db.file());
        } else {
            QString host = TestDatabase::server().mid(11);
            c = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("zt-test-raw"));
            c.setHostName(host.left(host.lastIndexOf(QLatin1Char(':'))));
            c.setPort(host.mid(host.lastIndexOf(QLatin1Char(':')) + 1).toInt());
            c.setDatabaseName(db.serverDatabase());
            c.setUserName(serverUser());
        }
        if (!c.open())
            qFatal("%s", qPrintable(c.lastError().text()));
        QSqlQuery q(c);
        if (!q.exec(sql))
            qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
        c.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("zt-test-raw"));
}
} // namespace

void TestDatabase::refuse(const QString& name, const QString& table, const QString& event, const QString& when) const
{
    if (m_database.isEmpty()) {
        raw(*this, QStringLiteral("CREATE TRIGGER %1 BEFORE %2 ON %3 %4 BEGIN SELECT RAISE(ABORT, 'refused'); END")
                       .arg(name, event, table, when.isEmpty() ? QString() : QStringLiteral("WHEN ") + when));
        return;
    }
    raw(*this, QStringLiteral("CREATE OR REPLACE FUNCTION zt_test_refuse() RETURNS trigger LANGUAGE plpgsql "
                              "AS $$ BEGIN RAISE EXCEPTION 'refused'; END $$"));
    raw(*this, QStringLiteral("CREATE TRIGGER %1 BEFORE %2 ON %3 FOR EACH ROW %4 EXECUTE FUNCTION zt_test_refuse()")
                   .arg(name, event, table, when.isEmpty() ? QString() : QStringLiteral("WHEN (%1)").arg(when)));
}

void TestDatabase::allow(const QString& name, const QString& table) const
{
    raw(*this, m_database.isEmpty() ? QStringLiteral("DROP TRIGGER %1").arg(name)
                                    : QStringLiteral("DROP TRIGGER %1 ON %2").arg(name, table));
}

ServerConfig TestDatabase::config() const
{
    if (m_database.isEmpty())
        return {QStringLiteral("sqlite:") + file(), {}, {}, {}};
    return {server(), m_database, serverUser(), {}};
}
