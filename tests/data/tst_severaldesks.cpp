// Several desks on one embedded file, each in a process of its own, saving
// through the connection layer the screens use. The test binary is its own
// desk: started with "--desk FILE SAVES TIMEOUT NAME PAUSE" it saves in a
// loop and prints one line per save ("ok ID MS" or "fail ID MS TEXT").
#include "backup.h"
#include "clock.h"
#include "connection.h"
#include "embedded/sqlitefunctions.h"
#include "query.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <sqlite3.h>

#include <memory>
#include <sys/stat.h>

namespace {

ServerConfig embedded(const QString& file)
{
    ServerConfig c;
    c.name = QStringLiteral("sqlite:") + file;
    return c;
}

// One desk: each save reads first (as the screens do before they write),
// then writes two rows that stand or fall together.
int runDesk(const QStringList& args)
{
    const QString file = args.value(0);
    const int saves = args.value(1).toInt();
    Connection::setBusyTimeout(args.value(2).toInt());
    const QString name = args.value(3);
    const int pause = args.value(4).toInt();
    QTextStream out(stdout);
    Connection c;
    try {
        c.open(embedded(file));
    } catch (const DbError& e) {
        out << "open failed " << e.text() << "\n";
        return 1;
    }
    for (int i = 0; i < saves; ++i) {
        const QString id = QStringLiteral("%1-%2").arg(name).arg(i);
        QElapsedTimer timer;
        timer.start();
        try {
            c.beginTransaction();
            Query read(c);
            read.setSql(QStringLiteral("select count(*) as n from desk_save where desk = :desk"));
            read.setText(QStringLiteral("desk"), name);
            read.open();
            Query write(c);
            write.setSql(QStringLiteral("insert into desk_save (saveid, desk, part) values (:id, :desk, :part)"));
            write.setText(QStringLiteral("id"), id);
            write.setText(QStringLiteral("desk"), name);
            write.setInteger(QStringLiteral("part"), 1);
            write.exec();
            QThread::usleep(300); // the save takes a moment, as a screen's does
            write.setInteger(QStringLiteral("part"), 2);
            write.exec();
            c.commit();
            out << "ok " << id << " " << timer.elapsed() << "\n";
        } catch (const DbError& e) {
            try {
                c.rollback();
            } catch (const DbError&) {
            }
            out << "fail " << id << " " << timer.elapsed() << " " << e.text() << "\n";
        }
        out.flush();
        if (pause > 0)
            QThread::msleep(pause);
    }
    return 0;
}

struct DeskRun {
    QSet<QString> ok;
    int failures = 0;
    QStringList problems;
};

// Reads what the desks printed: a failure must have waited the timeout.
DeskRun collect(std::vector<std::unique_ptr<QProcess>>& desks, int saves, int timeout)
{
    DeskRun run;
    for (auto& p : desks) {
        if (!p->waitForFinished(120000))
            run.problems << "a desk did not finish";
        const QStringList lines = QString::fromUtf8(p->readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        if (lines.size() != saves)
            run.problems << QStringLiteral("a desk printed %1 lines").arg(lines.size());
        for (const QString& line : lines) {
            const QStringList f = line.split(' ');
            if (f.value(0) == "ok") {
                run.ok << f.value(1);
            } else if (f.value(0) == "fail") {
                ++run.failures;
                if (f.value(2).toInt() < timeout * 9 / 10)
                    run.problems << "failed before the busy timeout: " + line;
            } else {
                run.problems << line;
            }
        }
    }
    return run;
}

std::unique_ptr<QProcess> startDesk(const QString& file, int saves, int timeout, const QString& name, int pause)
{
    auto p = std::make_unique<QProcess>();
    p->start(QCoreApplication::applicationFilePath(),
             {"--desk", file, QString::number(saves), QString::number(timeout), name, QString::number(pause)});
    return p;
}

// The save ids stored in a file, with how many of their two rows are there.
QHash<QString, int> storedSaves(const QString& file)
{
    QHash<QString, int> parts;
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_busy_timeout(db, 10000);
    registerServerFunctions(db);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "select saveid from desk_save", -1, &st, nullptr);
    while (st && sqlite3_step(st) == SQLITE_ROW)
        ++parts[QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)))];
    sqlite3_finalize(st);
    sqlite3_close_v2(db);
    return parts;
}

void makeDatabase(const QString& file)
{
    Connection c;
    c.open(embedded(file), Connection::OpenMode::CreateIfMissing);
    Query q(c);
    q.setSql(QStringLiteral("CREATE TABLE desk_save (saveid varchar(20), desk varchar(10), part int)"));
    q.exec();
}

int fileMode(const QString& file)
{
    struct stat st {};
    return ::stat(QFile::encodeName(file).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
}

} // namespace

class TestSeveralDesks : public QObject {
    Q_OBJECT

private slots:
    void savesWaitTheirTurn()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("desks.db");
        makeDatabase(file);
        const int saves = 150;
        const int timeout = 8000; // a loaded machine may stall a desk a while
        std::vector<std::unique_ptr<QProcess>> desks;
        for (const char* name : {"a", "b", "c"})
            desks.push_back(startDesk(file, saves, timeout, name, 0));
        const DeskRun run = collect(desks, saves, timeout);
        QVERIFY2(run.problems.isEmpty(), qPrintable(run.problems.join('\n')));
        // Short saves wait for each other: none fails at all.
        QCOMPARE(run.failures, 0);
        const QHash<QString, int> stored = storedSaves(file);
        QCOMPARE(stored.size(), run.ok.size());
        for (auto it = stored.begin(); it != stored.end(); ++it) {
            QVERIFY2(run.ok.contains(it.key()), qPrintable(it.key()));
            QCOMPARE(it.value(), 2); // no save half written
        }
    }

    void aSaveFailsOnlyAfterTheBusyTimeout()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("held.db");
        makeDatabase(file);
        // Another desk holds the write lock for longer than the timeout.
        sqlite3* holder = nullptr;
        sqlite3_open_v2(QFile::encodeName(file).constData(), &holder, SQLITE_OPEN_READWRITE, nullptr);
        QCOMPARE(sqlite3_exec(holder, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
        std::vector<std::unique_ptr<QProcess>> desks;
        desks.push_back(startDesk(file, 2, 600, "late", 0));
        QVERIFY(desks.back()->waitForFinished(30000));
        sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close_v2(holder);
        const QStringList lines = QString::fromUtf8(desks.back()->readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        for (const QString& line : lines) {
            QVERIFY2(line.startsWith("fail "), qPrintable(line));
            QVERIFY2(line.section(' ', 2, 2).toInt() >= 590, qPrintable(line));
            QVERIFY2(line.contains("database is locked"), qPrintable(line));
        }
        QCOMPARE(storedSaves(file).size(), 0);
    }

    void restoreWhileTwoDesksSave()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("live.db");
        makeDatabase(file);
        // The file to restore: this program's database with a page size of
        // 1024 (the live file has SQLite's usual 4096), holding one marker.
        const QString source = dir.filePath("old-1024.db");
        {
            Connection c;
            c.open(embedded(file));
            Query q(c);
            q.setSql("insert into desk_save (saveid, desk, part) values ('restored', 'x', 1)");
            q.exec();
            sqlite3* db = nullptr;
            sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
            registerServerFunctions(db);
            QCOMPARE(sqlite3_exec(db, "PRAGMA page_size=1024", nullptr, nullptr, nullptr), SQLITE_OK);
            const QByteArray into = QStringLiteral("VACUUM INTO '%1'").arg(source).toUtf8();
            QCOMPARE(sqlite3_exec(db, into.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
            sqlite3_close_v2(db);
            q.setSql("delete from desk_save");
            q.exec();
        }
        {
            sqlite3* db = nullptr;
            sqlite3_open_v2(QFile::encodeName(source).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
            sqlite3_stmt* st = nullptr;
            sqlite3_prepare_v2(db, "PRAGMA page_size", -1, &st, nullptr);
            sqlite3_step(st);
            QCOMPARE(sqlite3_column_int(st, 0), 1024);
            sqlite3_finalize(st);
            sqlite3_close_v2(db);
        }

        // Both restores fall in the same second of the clock.
        Clock::setFixed(QDateTime(QDate(2024, 3, 7), QTime(14, 5, 9)));
        const int saves = 400;
        const int timeout = 10000;
        std::vector<std::unique_ptr<QProcess>> desks;
        desks.push_back(startDesk(file, saves, timeout, "a", 2));
        desks.push_back(startDesk(file, saves, timeout, "b", 2));
        const auto waitForSaves = [&](int atLeast) {
            QElapsedTimer t;
            t.start();
            while (storedSaves(file).size() < atLeast && t.elapsed() < 60000)
                QThread::msleep(5);
        };
        waitForSaves(40);
        const QString first = restoreDatabaseFile(source, file);
        waitForSaves(41); // the marker and the saves made since
        QThread::msleep(100);
        const QString second = restoreDatabaseFile(source, file);
        const DeskRun run = collect(desks, saves, timeout);
        QVERIFY2(run.problems.isEmpty(), qPrintable(run.problems.join('\n')));
        QCOMPARE(run.failures, 0);

        QCOMPARE(first, file + ".20240307-140509.bak");
        QCOMPARE(second, file + ".20240307-140509-2.bak");
        // Every acknowledged save is in a safety copy or in the restored
        // data (made after the last restore), whole.
        const QHash<QString, int> before = storedSaves(first);
        const QHash<QString, int> between = storedSaves(second);
        const QHash<QString, int> after = storedSaves(file);
        QVERIFY(after.contains("restored")); // the desks went on in the restored data
        QVERIFY(before.size() >= 40);
        int lost = 0;
        for (const QString& id : run.ok)
            if (before.value(id) != 2 && between.value(id) != 2 && after.value(id) != 2)
                ++lost;
        QCOMPARE(lost, 0);
        QVERIFY(after.size() - 1 < run.ok.size()); // the earlier saves went with the restores
        for (const QString& kept : {first, second, file})
            QCOMPARE(fileMode(kept), 0600);
        // Nothing of the copies is left behind.
        QCOMPARE(QDir(dir.path()).entryList({"*zentavo-part*"}, QDir::Files | QDir::Hidden), QStringList());
    }
};

int main(int argc, char** argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--desk") == 0) {
        QCoreApplication app(argc, argv);
        return runDesk(app.arguments().mid(2));
    }
    QCoreApplication app(argc, argv);
    TestSeveralDesks t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_severaldesks.moc"
