// The embedded database file: made only where the user means it, private to
// its owner, refused untouched when it is not this program's (or is newer),
// upgraded from version 1 without losing a row, and made once when several
// programs start on it at the same moment.
#include "chargemoney.h"
#include "connection.h"
#include "embedded/sqlitefunctions.h"
#include "query.h"
#include "schema.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <sqlite3.h>
#include <sys/stat.h>

namespace {

ServerConfig embedded(const QString& path) { return {QStringLiteral("sqlite:") + path, {}, {}, {}}; }

QByteArray fileHash(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

int modeOf(const QString& path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
}

// Runs statements on the file through SQLite itself, with the engine's
// functions, outside the program's connection layer.
void raw(const QString& path, const char* sql)
{
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    registerServerFunctions(db);
    char* err = nullptr;
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &err);
    const QString text = QString::fromUtf8(err ? err : "");
    sqlite3_free(err);
    sqlite3_close(db);
    QVERIFY2(rc == SQLITE_OK, qPrintable(text));
}

QString scalarOn(Connection& c, const QString& sql)
{
    Query q(c);
    q.setSql(sql);
    q.open();
    return q.isEmpty() ? QString() : q.result()->text(0, 0);
}

// Every row of every table, as text, in a stable order.
QStringList dump(Connection& c)
{
    QStringList out;
    Query tables(c);
    tables.setSql("select name from sqlite_master where type='table' and name not like 'sqlite%' order by name");
    tables.open();
    for (int r = 0; r < tables.count(); ++r) {
        const QString t = tables.result()->text(r, 0);
        Query rows(c);
        rows.setSql(QString("select * from \"%1\" order by 1").arg(t));
        rows.open();
        const auto rs = rows.result();
        for (int i = 0; i < rs->rowCount(); ++i) {
            QStringList cells{t};
            for (int col = 0; col < rs->columnCount(); ++col)
                if (rs->columnName(col).compare("Tfdate", Qt::CaseInsensitive) &&
                    rs->columnName(col).compare("Tfj", Qt::CaseInsensitive))
                    cells << rs->text(i, col);
            out << cells.join('|');
        }
    }
    return out;
}

DatabaseFileError::Reason refusal(const QString& path, Connection::OpenMode mode = Connection::OpenMode::Existing)
{
    Connection c;
    try {
        c.open(embedded(path), mode);
    } catch (const DatabaseFileError& e) {
        if (e.path() != path || !e.text().contains(path))
            qWarning("refusal without its path: %s", qPrintable(e.text()));
        return e.reason();
    }
    return DatabaseFileError::Reason(-1);
}

} // namespace

class TestDatabaseFile : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void newFileOnlyWhereMeant()
    {
        const QString file = path("new.db");
        QCOMPARE(refusal(file), DatabaseFileError::Reason::Missing);
        QVERIFY(!QFile::exists(file));

        Connection c;
        c.open(embedded(file), Connection::OpenMode::CreateIfMissing);
        QCOMPARE(scalarOn(c, "select count(*) from login_user"), QStringLiteral("1"));
        QCOMPARE(scalarOn(c, "PRAGMA application_id"), QString::number(Schema::kApplicationId));
        QCOMPARE(scalarOn(c, "PRAGMA user_version"), QString::number(Schema::kVersion));
        // The file holds the users' passwords: owner only, journal too.
        QCOMPARE(modeOf(file), 0600);
        QCOMPARE(modeOf(file + "-wal"), 0600);

        // A blank after the path (or before it) names the same file.
        Query add(c);
        add.setSql("insert zf_man(manid) values ('K1')");
        add.exec();
        Connection blank;
        blank.open({"  sqlite:" + file + " \t", {}, {}, {}});
        QCOMPARE(scalarOn(blank, "select manid from zf_man"), QStringLiteral("K1"));
        QVERIFY(!QFile::exists(file + " "));
    }

    void foreignAndNewerFilesAreLeftUntouched_data()
    {
        QTest::addColumn<QByteArray>("setup"); // SQL making the file, or its bytes when not SQL
        QTest::addColumn<int>("reason");
        QTest::newRow("another program's database")
            << QByteArray("create table notes(id integer primary key, body text); insert into notes(body) values ('x')")
            << int(DatabaseFileError::Reason::Foreign);
        QTest::newRow("another application id")
            << QByteArray("PRAGMA application_id=1234; create table login_user(x)") << int(DatabaseFileError::Reason::Foreign);
        QTest::newRow("some of our tables only")
            << QByteArray("create table login_user(x); create table zf_man(manid)") << int(DatabaseFileError::Reason::Foreign);
        QTest::newRow("not a database") << QByteArray("TEXT:[server]\nname=x\n") << int(DatabaseFileError::Reason::Foreign);
        QTest::newRow("newer version")
            << QByteArray("PRAGMA application_id=" + QByteArray::number(Schema::kApplicationId) +
                          "; PRAGMA user_version=99; create table login_user(x)")
            << int(DatabaseFileError::Reason::Newer);
    }
    void foreignAndNewerFilesAreLeftUntouched()
    {
        QFETCH(QByteArray, setup);
        QFETCH(int, reason);
        const QString file = path(QString("foreign-%1.db").arg(QTest::currentDataTag()).replace(' ', '-'));
        if (setup.startsWith("TEXT:")) {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(setup.mid(5));
        } else {
            raw(file, setup.constData());
        }
        const QByteArray before = fileHash(file);
        const QStringList besides = QDir(m_dir.path()).entryList(QDir::Files);
        QCOMPARE(int(refusal(file)), reason);
        QCOMPARE(int(refusal(file, Connection::OpenMode::CreateIfMissing)), reason);
        QCOMPARE(fileHash(file), before);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), besides); // no journal left behind
    }

    // A file of version 1 (no id, no version, Zf_Rz without its two newest
    // columns) opens upgraded, every row as it was.
    void versionOneIsUpgradedKeepingEveryRow()
    {
        const QString file = path("v1.db");
        QStringList before;
        {
            Connection c;
            c.open(embedded(file), Connection::OpenMode::CreateIfMissing);
            Query fill(c);
            fill.setSql("insert zf_man(manid,manname) values ('K1','张三');"
                        "insert zf_man(manid,manname) values ('K2','李四');"
                        "insert zf_fangjian(fangno,fangprice,fangya) values ('101',800.5,1000);"
                        "insert zf_fangjian(fangno,fangprice) values ('102',6000000.13);"
                        "insert zf_rz(manid,fangno,begindate,enddate,status) values ('K1','101','2004-05-01','2004-12-31','1');"
                        "insert zf_rz(manid,fangno,begindate,status) values ('K2','102','2005-01-01','1');"
                        "insert zf_zujin(fangno,manid,jkrq,fangprice,yf,sf,status) values ('101','K1','2004-05-01',800.5,800.5,800,'1');"
                        "insert zf_lenshui(fangno,manid,jkrq,sybd,bybd,sys,lsdj,yfj,sfj,status) "
                        "values ('101','K1','2004-06-01',10,15.5,5.5,3.5,19.25,19.25,'1')");
            fill.exec();
            before = dump(c);
        }
        raw(file, "DROP TRIGGER zt_insert_Zf_Rz; DROP TRIGGER zt_update_Zf_Rz;"
                  "ALTER TABLE Zf_Rz DROP COLUMN Tfdate; ALTER TABLE Zf_Rz DROP COLUMN Tfj;"
                  "PRAGMA application_id=0; PRAGMA user_version=0;");

        Connection c;
        c.open(embedded(file));
        QCOMPARE(scalarOn(c, "PRAGMA user_version"), QString::number(Schema::kVersion));
        QCOMPARE(scalarOn(c, "PRAGMA application_id"), QString::number(Schema::kApplicationId));
        // Every row as it was, and the rows written before money received was
        // kept apart marked as such.
        before << QStringLiteral("Zf_MoneyRule|Zf_Lenshui|1") << QStringLiteral("Zf_MoneyRule|Zf_Zujin|1");
        QStringList after = dump(c);
        after.sort();
        before.sort();
        QCOMPARE(after, before);
        // The new columns follow the column rules of a new file.
        Query checkout(c);
        checkout.setSql("update zf_rz set tfdate='2005/2/3', tfj='300.125' where fangno='101'");
        QCOMPARE(checkout.exec(), 1);
        QCOMPARE(scalarOn(c, "select tfj from zf_rz where tfdate='2005-02-03'"), QStringLiteral("300.13"));
        checkout.setSql("update zf_rz set tfj='三百' where fangno='101'");
        QVERIFY_THROWS_EXCEPTION(DbError, checkout.exec());
        c.close();
        // Opening it again changes nothing more.
        const QByteArray upgraded = fileHash(file);
        c.open(embedded(file));
        c.close();
        QCOMPARE(fileHash(file), upgraded);
    }

    // A file of version 2 keeps every charge row; an unpaid row written then
    // (实收 proposed as the whole amount) counts as nothing received, while
    // rows written after the upgrade count what they hold.
    void versionTwoCountsOldUnpaidRowsAsNothingReceived()
    {
        const QString file = path("v2.db");
        {
            Connection c;
            c.open(embedded(file), Connection::OpenMode::CreateIfMissing);
            Query fill(c);
            fill.setSql("insert zf_man(manid,manname) values ('K1','张三');"
                        "insert zf_fangjian(fangno,fangprice) values ('101',800);"
                        "insert zf_zujin(fangno,manid,jkrq,yf,sf,status) values ('101','K1','2026-01-05',800,800,'1');"
                        "insert zf_zujin(fangno,manid,jkrq,yf,sf,status) values ('101','K1','2026-02-05',810.5,810.5,'0')");
            fill.exec();
        }
        raw(file, "DROP TABLE Zf_MoneyRule; PRAGMA user_version=2;");

        Connection c;
        c.open(embedded(file));
        QCOMPARE(scalarOn(c, "PRAGMA user_version"), QString::number(Schema::kVersion));
        QCOMPARE(scalarOn(c, "select count(*) from zf_zujin where sf in (800, 810.5)"), QStringLiteral("2"));
        Query later(c);
        later.setSql("insert zf_zujin(fangno,manid,jkrq,yf,sf,status) values ('101','K1','2026-03-05',820,300.25,'0')");
        later.exec();
        using ChargeMoney::Table;
        const QString sums = QStringLiteral("select sum(%1), sum(%2) from zf_zujin A")
                                 .arg(ChargeMoney::receivedSql(Table::Rent, "A"), ChargeMoney::owedSql(Table::Rent, "A"));
        Query totals(c);
        totals.setSql(sums);
        totals.open();
        QCOMPARE(totals.result()->text(0, 0), QStringLiteral("1100.25"));  // 800 + 0 + 300.25
        QCOMPARE(totals.result()->text(0, 1), QStringLiteral("1330.25"));  // 810.5 + 519.75
    }

    // A file of version 4 has the tenants' mnemonic codes of the old range
    // walk: the ones holding "?" or a letter the unchecked second byte gave
    // are computed afresh, every other code (one set by hand among them) and
    // every other column stay as stored.
    void versionFourRecomputesOnlyTheStaleMnemonicCodes()
    {
        const QString file = path("v4codes.db");
        const struct {
            const char* manid;
            const char* name;
            const char* stored;
            const char* upgraded;
        } tenants[] = {
            {"K1", "謝婷", "Z?", "XT"},    // 謝 was Z by its code, 婷 had no letter
            {"K2", "张琪", "Z?", "ZQ"},
            {"K3", "闫伟", "?W", "YW"},
            {"K4", "蔣明", "SM", "JM"},    // 蔣 was S by its code
            {"K5", "欧阳娜娜", "OYNN", "OYNN"},
            {"K6", "衛東", "WD2", "WD2"}, // not what the walk gave: kept
            {"K7", "王〠", "W?", "W?"},    // still no reading
            {"K8", "张三", "ZS", "ZS"},
        };
        QStringList before;
        {
            Connection c;
            c.open(embedded(file), Connection::OpenMode::CreateIfMissing);
            Query fill(c);
            fill.setSql("insert zf_man(manid,manname,zjm,iddress) values (:manid,:manname,:zjm,'地址')");
            for (const auto& t : tenants) {
                fill.setText("manid", QString::fromUtf8(t.manid));
                fill.setText("manname", QString::fromUtf8(t.name));
                fill.setText("zjm", QString::fromUtf8(t.stored));
                fill.exec();
            }
            before = dump(c);
        }
        raw(file, "PRAGMA user_version=4;");

        Connection c;
        c.open(embedded(file));
        QCOMPARE(scalarOn(c, "PRAGMA user_version"), QString::number(Schema::kVersion));
        for (const auto& t : tenants)
            QCOMPARE(scalarOn(c, QStringLiteral("select zjm from zf_man where manid='%1'").arg(QLatin1String(t.manid))),
                     QString::fromUtf8(t.upgraded));
        // Nothing else changed: the dump differs only in the codes recomputed.
        QStringList after = dump(c);
        for (const auto& t : tenants)
            for (QString& line : before)
                if (line.contains(QString::fromUtf8(t.name)))
                    line.replace(QLatin1Char('|') + QString::fromUtf8(t.stored) + QLatin1Char('|'),
                                 QLatin1Char('|') + QString::fromUtf8(t.upgraded) + QLatin1Char('|'));
        QCOMPARE(after, before);
        // Typing the initials now finds the tenant.
        QCOMPARE(scalarOn(c, "select manid from zf_man where zjm like 'ZQ%'"), QStringLiteral("K2"));
    }

    // The sqlite3 shell checks and reads a file once the engine's extension
    // is loaded; without it the collations are unknown.
    void standardToolsReadTheFile()
    {
        const QString file = path("tools.db");
        {
            Connection c;
            c.open(embedded(file), Connection::OpenMode::CreateIfMissing);
            Query fill(c);
            fill.setSql("insert zf_man(manid,manname) values ('K1','张三');"
                        "insert zf_fangjian(fangno,fangprice) values ('101',800);"
                        "insert zf_lenshui(fangno,manid,jkrq,yfj,status) values ('101','k1','2004-06-01',19.25,'1');"
                        "insert zf_zujin(fangno,manid,jkrq,sf,status) values ('101','K1','2004-06-01',800,'1')");
            fill.exec();
        }
        const QString extension = QDir(QCoreApplication::applicationDirPath()).filePath("zentavo_sqlite");
        auto shell = [&](const QStringList& args) {
            QProcess p;
            p.start("sqlite3", args);
            if (!p.waitForFinished(30000))
                return QStringLiteral("(no answer)");
            return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError()).trimmed();
        };
        QVERIFY(shell({file, "PRAGMA integrity_check"}).contains("no such collation sequence"));
        QCOMPARE(shell({"-cmd", ".load " + extension, file, "PRAGMA integrity_check"}), QStringLiteral("ok"));
        QCOMPARE(shell({"-cmd", ".load " + extension, file,
                        "select m.manname, l.yfj, z.sf from zf_lenshui l join zf_man m on l.manid = m.manid "
                        "join zf_zujin z on z.manid = l.manid and z.jkrq = l.jkrq"}),
                 QStringLiteral("张三|19.25|800"));
    }

    // Three consoles starting on one new file at once all succeed, and the
    // file holds one schema and one set of starting rows.
    void severalDesksCreateOneFile()
    {
        const QString file = path("shared.db");
        const QString ini = path("shared.ini");
        QFile f(ini);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QString("[server]\nname=sqlite:%1\n").arg(file).toUtf8());
        f.close();
        const QString console = QDir(QCoreApplication::applicationDirPath()).filePath("zentavo-sql");

        // Without --create the console refuses the missing file.
        QProcess refused;
        refused.start(console, {"-c", ini, "-Q", "select 1"});
        QVERIFY(refused.waitForFinished(30000));
        QVERIFY(refused.exitCode() != 0);
        QVERIFY(QString::fromUtf8(refused.readAllStandardError()).contains(file));
        QVERIFY(!QFile::exists(file));

        std::vector<std::unique_ptr<QProcess>> desks;
        for (int i = 0; i < 3; ++i) {
            desks.push_back(std::make_unique<QProcess>());
            desks.back()->start(console, {"-c", ini, "--create", "-Q", "select count(*) from zf_dj"});
        }
        for (auto& p : desks) {
            QVERIFY(p->waitForFinished(60000));
            QCOMPARE(QString::fromUtf8(p->readAllStandardError()), QString());
            QCOMPARE(p->exitCode(), 0);
            QVERIFY(p->readAllStandardOutput().contains("\n4\n"));
        }
        // Each closed the file cleanly: everything is in the file itself.
        QVERIFY(!QFile::exists(file + "-wal"));
        Connection c;
        c.open(embedded(file));
        QCOMPARE(scalarOn(c, "select count(*) from login_user"), QStringLiteral("1"));
        const QString fresh = path("fresh.db");
        Connection one;
        one.open(embedded(fresh), Connection::OpenMode::CreateIfMissing);
        const QString objects = "select group_concat(type || ' ' || name) from "
                                "(select type, name from sqlite_master order by type, name)";
        QCOMPARE(scalarOn(c, objects), scalarOn(one, objects));
    }
};

QTEST_GUILESS_MAIN(TestDatabaseFile)
#include "tst_databasefile.moc"
