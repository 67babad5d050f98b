#include "backup.h"
#include "connection.h"
#include "embedded/sqlitefunctions.h"
#include "schema.h"
#include "testdatabase.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <sqlite3.h>

namespace {

sqlite3* openRaw(const QString& file)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    sqlite3_busy_timeout(db, 5000);
    registerServerFunctions(db);
    return db;
}

void execRaw(sqlite3* db, const QString& sql)
{
    char* error = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        const QString text = QString::fromUtf8(error);
        sqlite3_free(error);
        QFAIL(qPrintable(text));
    }
}

// Every table's rows in rowid order, one text per row, read from the file.
QStringList dump(const QString& file)
{
    sqlite3* db = openRaw(file);
    QStringList tables, out;
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "select name from sqlite_master where type='table' order by name", -1, &st, nullptr);
    while (sqlite3_step(st) == SQLITE_ROW)
        tables << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    for (const QString& t : tables) {
        sqlite3_prepare_v2(db, QStringLiteral("select * from [%1] order by rowid").arg(t).toUtf8().constData(), -1,
                           &st, nullptr);
        while (sqlite3_step(st) == SQLITE_ROW) {
            QStringList cells{t};
            for (int c = 0; c < sqlite3_column_count(st); ++c)
                cells << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, c)));
            out << cells.join(QLatin1Char('|'));
        }
        sqlite3_finalize(st);
    }
    sqlite3_close_v2(db);
    return out;
}

QByteArray bytes(const QString& file)
{
    QFile f(file);
    f.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

bool ownerOnly(const QString& file)
{
    const auto p = QFile::permissions(file);
    return (p & (QFileDevice::ReadOwner | QFileDevice::WriteOwner)) ==
               (QFileDevice::ReadOwner | QFileDevice::WriteOwner) &&
           !(p & (QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther | QFileDevice::WriteOther));
}

} // namespace

class TestBackup : public QObject {
    Q_OBJECT

private slots:
    // A backup taken while another desk writes, the refusals, the restore and
    // the console's --backup, on one database.
    void backupWhileWritingThenRestore()
    {
        TestDatabase db;
        const QString dir = db.dir();
        // A second desk on the same file, with enough rows for many steps.
        sqlite3* desk = openRaw(db.file());
        execRaw(desk, "create table load_rows (id integer primary key, txt text)");
        execRaw(desk, "with recursive n(i) as (select 1 union all select i+1 from n where i<3000) "
                      "insert into load_rows (txt) select printf('%.800c', 'x') from n");

        const QString backup = QDir(dir).filePath("zentavo-备份.db");
        int steps = 0;
        backupDatabaseFile(db.file(), backup, [&](int done, int total) {
            [&] { QVERIFY(done <= total); }();
            ++steps;
            // Writes between steps force the copy to start over.
            execRaw(desk, "insert into load_rows (txt) values ('written during backup')");
            return true;
        });
        QVERIFY(steps > 2);
        QVERIFY(ownerOnly(backup));
        QVERIFY(!QFile::exists(backup + "-wal"));
        QCOMPARE(restoreRefusal(backup), QString());
        // A consistent copy: the rows of one moment, none missing before the last.
        sqlite3* copy = openRaw(backup);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(copy, "select count(*), max(id) from load_rows", -1, &st, nullptr);
        QCOMPARE(sqlite3_step(st), SQLITE_ROW);
        const int copied = sqlite3_column_int(st, 0);
        QCOMPARE(sqlite3_column_int(st, 1), copied);
        QVERIFY(copied >= 3000 && copied <= 3000 + steps);
        sqlite3_finalize(st);
        sqlite3_close_v2(copy);
        const QStringList backedUp = dump(backup);

        // The live data moves on after the backup.
        TestDatabase::exec("update zf_dj set price=99 where djid=1");
        execRaw(desk, "delete from load_rows where id > 100");
        const QStringList beforeRestore = dump(db.file());
        QVERIFY(beforeRestore != backedUp);

        // Files the restore refuses leave the live file as it was.
        const QString damaged = QDir(dir).filePath("damaged.db");
        QFile::copy(backup, damaged);
        {
            QFile f(damaged);
            QVERIFY(f.open(QIODevice::ReadWrite));
            f.seek(f.size() / 2 / 4096 * 4096);
            f.write(QByteArray(4096 * 3, '\x5a'));
        }
        const QString foreign = QDir(dir).filePath("foreign.db");
        sqlite3* other = openRaw(foreign);
        execRaw(other, "create table notes (id integer primary key, txt text); insert into notes (txt) values ('a')");
        sqlite3_close_v2(other);
        const QString newer = QDir(dir).filePath("newer.db");
        QFile::copy(backup, newer);
        other = openRaw(newer);
        execRaw(other, QStringLiteral("pragma user_version=%1").arg(Schema::kVersion + 1));
        sqlite3_close_v2(other);
        execRaw(desk, "pragma wal_checkpoint(truncate)");
        const QByteArray liveBytes = bytes(db.file());
        for (const QString& refused : {damaged, foreign, newer}) {
            const QString why = restoreRefusal(refused);
            QVERIFY2(!why.isEmpty(), qPrintable(refused));
            QVERIFY_THROWS_EXCEPTION(DbError, restoreDatabaseFile(refused, db.file()));
        }
        QVERIFY(restoreRefusal(damaged).contains("损坏"));
        QVERIFY(restoreRefusal(foreign).contains("不是本系统"));
        QVERIFY(restoreRefusal(newer).contains("更新版本"));
        QCOMPARE(bytes(db.file()), liveBytes);
        QCOMPARE(dump(db.file()), beforeRestore);
        QCOMPARE(QDir(dir).entryList({"*.bak"}, QDir::Files), QStringList());

        // The restore keeps the current data beside the file and replaces it.
        const ServerConfig config = Connection::shared().config();
        Connection::shared().close();
        const QString kept = restoreDatabaseFile(backup, db.file());
        QCOMPARE(kept, db.file() + ".20240307-140509.bak");
        QVERIFY(ownerOnly(kept));
        QCOMPARE(dump(kept), beforeRestore);
        QCOMPARE(dump(db.file()), backedUp);
        sqlite3_close_v2(desk);
        Connection::shared().open(config);
        QCOMPARE(TestDatabase::scalar("select price from zf_dj where djid=1"), QString("3.5"));

        // The console writes the same copy from the shell.
        const QString shellCopy = QDir(dir).filePath("shell.db");
        QProcess p;
        p.start(QDir(QCoreApplication::applicationDirPath()).filePath("zentavo-sql"),
                {"-c", db.writeIni(), "--backup", shellCopy});
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(ownerOnly(shellCopy));
        QCOMPARE(dump(shellCopy), backedUp);
        p.start(QDir(QCoreApplication::applicationDirPath()).filePath("zentavo-sql"),
                {"-c", db.writeIni(), "--backup", db.file()});
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitCode(), 1);
        QCOMPARE(dump(db.file()), backedUp);
    }
};

QTEST_GUILESS_MAIN(TestBackup)
#include "tst_backup.moc"
