// Desks sharing one PostgreSQL server: two desks letting one room at the
// same moment, two billing runs and a single charge meeting, and the server
// going away in the middle of a save. Runs only against a server; each
// billing desk is this binary started with "--bill INI".
#include "billing.h"
#include "clock.h"
#include "config.h"
#include "connection.h"
#include "monthlytables.h"
#include "postgres/pgbackend.h"
#include "query.h"
#include "testdatabase.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

#include <thread>

namespace {

const QDateTime kNow(QDate(2024, 3, 7), QTime(14, 5, 9));

// A billing desk: bills March 2024 and prints how many charges it wrote,
// or the failure.
int runBillingDesk(const QString& ini)
{
    Clock::setFixed(kNow);
    try {
        Connection::shared().open(readServerConfig(ini));
        EnsureCurrentBiaodiTables();
        std::printf("wrote %d\n", Billing::write(Billing::propose(QDate(2024, 3, 1))));
    } catch (const DbError& e) {
        std::printf("failed %s\n", qPrintable(e.text()));
    }
    std::fflush(stdout);
    Connection::shared().close();
    return 0;
}

// What a check-in relies on, checked inside its transaction: the room is
// not let yet. Answers whether this desk let it.
bool letRoom(Connection& c, const QString& tenant, int holdMs)
{
    c.beginWriteTransaction();
    try {
        Query free(c);
        free.setSql(QStringLiteral("select count(*) as n from Zf_Rz where fangno = :f"));
        free.setText(QStringLiteral("f"), QStringLiteral("101"));
        free.open();
        if (free.integer(QStringLiteral("n")) > 0) {
            c.rollback();
            return false;
        }
        Query let(c);
        let.setSql(QStringLiteral("insert into Zf_Rz (manid, fangno, begindate, status) values (:m, '101', '2024-03-07', '1')"));
        let.setText(QStringLiteral("m"), tenant);
        let.exec();
        QThread::msleep(holdMs);
        c.commit();
        return true;
    } catch (...) {
        c.rollback();
        throw;
    }
}

QString errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const DbError& e) {
        return e.text();
    }
    return {};
}

void serverCtl(const char* what)
{
    const QString script = qEnvironmentVariable("ZENTAVO_SOURCE_DIR") + QStringLiteral("/tests/pg/server-ctl.sh");
    QCOMPARE(QProcess::execute(script, {qEnvironmentVariable("ZENTAVO_TEST_PG_DIR"),
                                        qEnvironmentVariable("ZENTAVO_TEST_PG_PORT"), QLatin1String(what)}),
             0);
}

} // namespace

class TestServerDesks : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (TestDatabase::server().isEmpty())
            QSKIP("Desks on a server run against the tests' PostgreSQL server only.");
    }

    void twoDesksLetOneRoom()
    {
        TestDatabase db(kNow);
        TestDatabase::exec("insert into Zf_Man (manid, manname) values ('K01', '张三'), ('K02', '李四');"
                           "insert into Zf_Fangjian (fangno, fangprice) values ('101', 800)");
        // Desk 2 begins its check-in while desk 1's is under way: it waits
        // for desk 1's save, then finds the room let.
        bool secondLet = true;
        QString secondError;
        std::thread desk2([&] {
            Connection c;
            c.open(db.config());
            QThread::msleep(200);
            secondError = errorOf([&] { secondLet = letRoom(c, QStringLiteral("K02"), 0); });
            c.close();
        });
        QVERIFY(letRoom(Connection::shared(), QStringLiteral("K01"), 800));
        desk2.join();
        QCOMPARE(secondError, QString());
        QVERIFY(!secondLet);
        QCOMPARE(TestDatabase::rows("select manid from Zf_Rz"), QStringList{"K01"});

        // The database refuses a second let of the room, however the room
        // number is written, even from a desk that skips the check.
        for (const QString& room : {QStringLiteral("101"), QStringLiteral("101  ")}) {
            const QString error = errorOf([&] {
                TestDatabase::exec(QStringLiteral("insert into Zf_Rz (manid, fangno, status) values ('K02', '%1', '1')").arg(room));
            });
            QVERIFY2(error.startsWith(QLatin1String("Violation of UNIQUE KEY constraint")), qPrintable(error));
        }
        QCOMPARE(TestDatabase::scalar("select count(*) from Zf_Rz"), QStringLiteral("1"));
    }

    void billingRunsMeetASingleSave()
    {
        TestDatabase db(kNow);
        EnsureCurrentBiaodiTables();
        TestDatabase::exec(
            "insert into Zf_Man (manid, manname) values ('K01', '张三'), ('K02', '李四');"
            "insert into Zf_Fangjian (fangno, fangya, fangprice, ljf) values ('101', 1000, 800, 10), ('102', 900, 750, 10);"
            "insert into Zf_Rz (manid, fangno, begindate, status) values ('K01', '101', '2024-01-01', '1'),"
            "('K02', '102', '2024-02-01', '1')");
        TestDatabase::exec(QStringLiteral("insert into %1 (fangno, Cbrq, lsb, rsb, db, mqb) values "
                                          "('101', '2024-02-01', 10, 5, 100, 1), ('102', '2024-02-01', 20, 6, 200, 2);"
                                          "insert into %2 (fangno, Cbrq, lsb, rsb, db, mqb) values "
                                          "('101', '2024-03-01', 15, 7, 150, 3), ('102', '2024-03-01', 26, 9, 260, 4)")
                               .arg(SyBiaodiName, BiaodiName));
        const int proposed = int(Billing::propose(QDate(2024, 3, 1)).charges.size());
        QVERIFY(proposed >= 8);
        const QString ini = db.writeIni();
        // Two billing desks and a single rent charge for room 101, at once.
        QProcess desks[2];
        Connection::shared().beginWriteTransaction();
        for (QProcess& d : desks) {
            d.start(QCoreApplication::applicationFilePath(), {"--bill", ini});
            QVERIFY(d.waitForStarted());
        }
        QThread::msleep(500);
        TestDatabase::exec("insert into Zf_Zujin (fangno, manid, jkrq, fangya, fangprice, ljf, yf, sf, begindate, enddate, status) "
                           "values ('101', 'K01', '2024-03-07', 1000, 800, 10, 1810, 1810, '2024-01-01', '2024-03-31', '1')");
        Connection::shared().commit();
        QStringList outcomes;
        for (QProcess& d : desks) {
            QVERIFY(d.waitForFinished(30000));
            outcomes << QString::fromUtf8(d.readAllStandardOutput()).trimmed();
        }
        outcomes.sort();
        // The first run bills everything but the rent already taken; the
        // second finds all of it billed.
        QCOMPARE(outcomes, (QStringList{"wrote 0", QStringLiteral("wrote %1").arg(proposed - 1)}));
        QCOMPARE(TestDatabase::scalar("select count(*) from Zf_Zujin where fangno = '101'"), QStringLiteral("1"));
        QCOMPARE(TestDatabase::scalar("select count(*) from Zf_Zujin"), QStringLiteral("2"));
        for (const char* table : {"Zf_Lenshui", "Zf_Reshui", "Zf_YdSf"})
            QCOMPARE(TestDatabase::scalar(QStringLiteral("select count(*) from %1").arg(table)), QStringLiteral("2"));
    }

    // A desk runs its statements prepared from their second run; another
    // desk redefining a view they read does not break them, and a monthly
    // table made meanwhile is read at once.
    void preparedStatementsFollowAnotherDesk()
    {
        TestDatabase db(kNow);
        TestDatabase::exec("create view ZtView as select 1 as a");
        const auto columns = [] {
            Query q;
            q.setSql(QStringLiteral("select * from ZtView"));
            q.open();
            return q.result()->columnCount();
        };
        QCOMPARE(columns(), 1);
        QCOMPARE(columns(), 1);
        Connection other;
        other.open(db.config());
        Query alter(other);
        alter.setSql(QStringLiteral("alter view ZtView as select 1 as a, 2 as b"));
        alter.exec();
        QCOMPARE(columns(), 2);
        QCOMPARE(columns(), 2);

        const auto tables = [] { return TestDatabase::scalar("select count(*) from sysobjects where name like 'zf_Biaodi%'"); };
        const QString before = tables();
        QCOMPARE(tables(), before);
        Query make(other);
        make.setSql(QStringLiteral("create table zf_Biaodi209901 (ID int identity(1,1) primary key, fangno varchar(8))"));
        make.exec();
        other.close();
        QCOMPARE(tables(), QString::number(before.toInt() + 1));
    }

    // A database whose server functions an older build installed gets this
    // build's when a desk opens it.
    void olderFunctionsAreReplaced()
    {
        TestDatabase db(kNow);
        TestDatabase::exec("insert into Zf_Man (manid, manname) values ('K01', '张三')");
        {
            Connection c;
            c.open(db.config());
            static_cast<PgBackend&>(c.backend())
                .runNative("DROP FUNCTION zt_like_hi(text); "
                            "CREATE OR REPLACE FUNCTION zt_functions_hash() RETURNS text LANGUAGE sql AS $$ SELECT 'old' $$");
        }
        Connection desk;
        desk.open(db.config());
        Query q(desk);
        q.setSql(QStringLiteral("select manname from Zf_Man where manid like :p"));
        q.setText(QStringLiteral("p"), QStringLiteral("k0%"));
        q.open();
        QCOMPARE(q.text(QStringLiteral("manname")), QStringLiteral("张三"));
    }

    void serverGoesAwayMidSave()
    {
        TestDatabase db(kNow);
        Connection::shared().beginWriteTransaction();
        TestDatabase::exec("insert into Zf_Man (manid, manname) values ('K01', '张三')");
        TestDatabase::exec("insert into Zf_Fangjian (fangno, fangprice) values ('101', 800)");
        serverCtl("stop");
        const QString error = errorOf([] { Connection::shared().commit(); });
        QCOMPARE(error, PgBackend::connectionLostText());
        QVERIFY(!Connection::shared().inTransaction());
        // While the server is away every action says so, and nothing hangs.
        QCOMPARE(errorOf([] { TestDatabase::scalar("select count(*) from Zf_Man"); }), PgBackend::connectionLostText());
        // A desk starting meanwhile is refused at once, with the server's words.
        QElapsedTimer opening;
        opening.start();
        Connection late;
        QVERIFY(!errorOf([&] { late.open(db.config()); }).isEmpty());
        QVERIFY(!late.isOpen());
        QVERIFY(opening.elapsed() < 6000);
        serverCtl("start");
        // Back: the desk goes on where it stands, and nothing of the save
        // that met the stop was written.
        QCOMPARE(TestDatabase::scalar("select count(*) from Zf_Man"), QStringLiteral("0"));
        QCOMPARE(TestDatabase::scalar("select count(*) from Zf_Fangjian"), QStringLiteral("0"));
        Connection::shared().beginWriteTransaction();
        TestDatabase::exec("insert into Zf_Man (manid, manname) values ('K01', '张三')");
        Connection::shared().commit();
        QCOMPARE(TestDatabase::scalar("select manname from Zf_Man"), QStringLiteral("张三"));
    }
};

int main(int argc, char** argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--bill") == 0) {
        QCoreApplication app(argc, argv);
        return runBillingDesk(QString::fromLocal8Bit(argv[2]));
    }
    QCoreApplication app(argc, argv);
    TestServerDesks t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_serverdesks.moc"
