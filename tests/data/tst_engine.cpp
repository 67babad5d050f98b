// The embedded engine must give the screens' T-SQL the server's meaning.
#include "clock.h"
#include "connection.h"
#include "monthlytables.h"
#include "query.h"
#include "testdatabase.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

namespace {

// Runs statements; answers the database's error text, or "" on success.
QString errorOf(const QString& sql)
{
    try {
        TestDatabase::exec(sql);
    } catch (const DbError& e) {
        return e.text();
    }
    return QString();
}

void seedLet()
{
    TestDatabase::exec("insert into Zf_Man(manid,manname,zjm,sex) values ('K001','张三','ZS','1');"
                       "insert into Zf_Man(manid,manname,zjm,sex) values ('K002','阿美','AM','0');"
                       "insert into Zf_Fangjian(fangno,area,fangprice) values ('101',20,800);"
                       "insert into Zf_Fangjian(fangno,area,fangprice) values ('102',30,900);"
                       "insert into Zf_Rz(manid,fangno,begindate,status) values ('K001','101','2004-05-01','1')");
}

} // namespace

class TestEngine : public QObject {
    Q_OBJECT

private slots:
    void statementsTheServerAccepts_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("expected");
        QTest::newRow("dbo prefix, other case") << "select sfname from DBO.ZF_DJ where DJID=1" << "冷水";
        QTest::newRow("bracketed dbo") << "select [sfname] from [dbo].[zf_dj] where djid=2" << "热水";
        QTest::newRow("no blank before from") << "select *from dbo.Zf_Dj where djid=3" << "3|电|度|0.6";
        QTest::newRow("case-insensitive text") << "select count(*) from zf_man where manid='k001'" << "1";
        QTest::newRow("trailing blanks ignored") << "select count(*) from zf_man where manid='K001   '" << "1";
        QTest::newRow("leading blanks count") << "select count(*) from zf_man where manid=' K001'" << "0";
        QTest::newRow("like ignores case") << "select manid from zf_man where zjm like 'z%'" << "K001";
        QTest::newRow("like on the start, other case") << "select min(manid) from zf_man where manid like 'k00%'" << "K001";
        QTest::newRow("not like on the start") << "select manid from zf_man where not manid like 'K001%'" << "K002";
        QTest::newRow("like with one character") << "select count(*) from zf_man where manid like 'k00_'" << "2";
        QTest::newRow("like inside") << "select count(*) from zf_man where manid like '%0%' or zjm like 'a%'" << "2";
        QTest::newRow("case expression")
            << "select case sex when '1' then '男'  else '女' end as sex from zf_man where manid='K002'" << "女";
        QTest::newRow("short date literal") << "select fangno from zf_rz where begindate='2004-5-1'" << "101";
        QTest::newRow("full date-time literal") << "select fangno from zf_rz where begindate = '2004-05-01 00:00:00'" << "101";
        QTest::newRow("date between") << "select count(*) from zf_rz where begindate between '2004-4-30' and '2004-5-1'" << "1";
        QTest::newRow("date on the right") << "select count(*) from zf_rz where '2004-5-2' > begindate" << "1";
        QTest::newRow("datepart") << "select DATEPART(month, begindate), datepart(yy, begindate) from zf_rz" << "5|2004";
        QTest::newRow("top") << "select top 1 djid from zf_dj order by djid desc" << "4";
        QTest::newRow("isnull") << "select isnull(enddate, '无') from zf_rz" << "无";
        QTest::newRow("chinese ordered by pinyin") << "select manname from zf_man order by manname" << "阿美";
        QTest::newRow("view status") << "select fangno, status from fangjian order by fangno" << "101|1";
        QTest::newRow("sysobjects any case") << "select xtype from Sysobjects where name='ZF_MAN'" << "U";
        QTest::newRow("N literal") << "select count(*) from zf_dj where sfname=N'电'" << "1";
        QTest::newRow("texts joined with +") << "select 'K' + cast(djid as varchar(10)) + '号' from zf_dj where djid=2" << "K2号";
        QTest::newRow("column + literal") << "select manname + '先生' from zf_man where manid='K001'" << "张三先生";
        QTest::newRow("grouped union, ordered")
            << "select zjm from zf_man group by zjm union select manid from zf_rz group by manid order by zjm" << "AM";
        QTest::newRow("numbers still add") << "select djid + 1, price + 0.5 from zf_dj where djid=1" << "2|4";
    }
    void statementsTheServerAccepts()
    {
        QFETCH(QString, sql);
        QFETCH(QString, expected);
        TestDatabase db;
        seedLet();
        QCOMPARE(TestDatabase::rows(sql).value(0), expected);
    }

    // Spellings that compare equal are one group, with the group's column
    // shown as one of them.
    void groupsSpellingsTogether()
    {
        TestDatabase db;
        seedLet();
        TestDatabase::exec("insert into Zf_Man(manid,manname,zjm) values ('K003','王五','zs  ')");
        QStringList groups;
        for (const QString& row : TestDatabase::rows("select zjm, count(*) as n from zf_man group by zjm order by zjm"))
            groups << row.toUpper().remove(QLatin1Char(' '));
        QCOMPARE(groups, (QStringList{"AM|1", "ZS|2"}));
        QCOMPARE(TestDatabase::rows("select count(*) from zf_man group by zjm having count(*) > 1"), QStringList{"2"});
    }

    void insertWithoutIntoDeleteWithoutFrom()
    {
        TestDatabase db;
        TestDatabase::exec("insert Zf_Man(manid,manname) values ('K9','王五')");
        QCOMPARE(TestDatabase::scalar("select manname from zf_man where manid='K9'"), QStringLiteral("王五"));
        TestDatabase::exec("delete zf_man where manid='K9'");
        QCOMPARE(TestDatabase::scalar("select count(*) from zf_man"), QStringLiteral("0"));
    }

    void columnRules_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("error"); // part of the expected error; empty = accepted
        QTest::addColumn<QString>("check");
        QTest::addColumn<QString>("stored");
        const QString reading = "select lsb from zf_Biaodi202403";
        QTest::newRow("numeric(6,2) rounds") << "insert into zf_Biaodi202403(fangno,Cbrq,lsb) values ('101','2024-3-1',12.345)"
                                             << "" << reading << "12.35";
        QTest::newRow("numeric(6,2) largest") << "insert into zf_Biaodi202403(fangno,Cbrq,lsb) values ('101','2024-3-1',9999.99)"
                                              << "" << reading << "9999.99";
        QTest::newRow("numeric(6,2) refuses 10000")
            << "insert into zf_Biaodi202403(fangno,Cbrq,lsb) values ('101','2024-3-1',10000)" << "Arithmetic overflow" << "" << "";
        QTest::newRow("rounding into overflow")
            << "insert into zf_Biaodi202403(fangno,Cbrq,lsb) values ('101','2024-3-1',9999.995)" << "Arithmetic overflow" << "" << "";
        QTest::newRow("text for numeric converts")
            << "insert into zf_Biaodi202403(fangno,Cbrq,lsb) values ('101','2024-3-1','7.5')" << "" << reading << "7.5";
        QTest::newRow("non-number text refused")
            << "insert into zf_Biaodi202403(fangno,Cbrq,lsb) values ('101','2024-3-1','七')" << "converting data type varchar to numeric" << "" << "";
        QTest::newRow("char(8) refuses nine")
            << "insert into zf_Biaodi202403(fangno,Cbrq) values ('123456789','2024-3-1')" << "would be truncated" << "" << "";
        QTest::newRow("five Chinese fit ten bytes")
            << "insert into zf_man(manid,manname) values ('K1','一二三四五')" << "" << "select manname from zf_man" << "一二三四五";
        QTest::newRow("six Chinese exceed ten bytes")
            << "insert into zf_man(manid,manname) values ('K1','一二三四五六')" << "would be truncated" << "" << "";
        QTest::newRow("update checked too")
            << "insert into zf_man(manid,manname) values ('K1','甲'); update zf_man set manname='一二三四五六'" << "would be truncated" << "" << "";
        QTest::newRow("date stored canonically")
            << "insert into zf_Biaodi202403(fangno,Cbrq) values ('1','2024/3/5')" << "" << "select Cbrq from zf_Biaodi202403" << "2024-03-05";
        QTest::newRow("bad date refused")
            << "insert into zf_Biaodi202403(fangno,Cbrq) values ('1','2024-02-30')" << "Conversion failed" << "" << "";
        QTest::newRow("identity starts at 1")
            << "insert into zf_Biaodi202403(fangno,Cbrq) values ('1','2024-3-1')" << "" << "select ID from zf_Biaodi202403" << "1";
    }
    void columnRules()
    {
        QFETCH(QString, sql);
        QFETCH(QString, error);
        QFETCH(QString, check);
        QFETCH(QString, stored);
        TestDatabase db;
        EnsureBiaodiTable(QStringLiteral("zf_Biaodi202403"));
        const QString got = errorOf(sql);
        if (error.isEmpty()) {
            QCOMPARE(got, QString());
            QCOMPARE(TestDatabase::scalar(check), stored);
        } else {
            QVERIFY2(got.contains(error), qPrintable(got));
        }
    }

    void decimalParameterRefusesText()
    {
        TestDatabase db;
        Query q;
        q.setSql(QStringList{"insert into Zf_Fangjian", "       (fangno,fangprice)", "values (:fangno,:fangprice)"});
        q.setText("fangno", "201", 10);
        q.setDecimal("fangprice", "八百");
        bool failed = false;
        try {
            q.exec();
        } catch (const DbError& e) {
            failed = e.text().contains(QLatin1String("numeric"));
        }
        QVERIFY(failed);
        QCOMPARE(TestDatabase::scalar("select count(*) from zf_fangjian"), QStringLiteral("0"));
    }

    void integrity_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("duplicate tenant number") << "insert into zf_man(manid) values ('K001')" << false;
        QTest::newRow("duplicate in other case") << "insert into zf_man(manid) values ('k001 ')" << false;
        QTest::newRow("duplicate room") << "insert into zf_fangjian(fangno,fangprice) values ('101',1)" << false;
        QTest::newRow("room without rent") << "insert into zf_fangjian(fangno) values ('109')" << false;
        QTest::newRow("duplicate login name") << "insert into login_user(user_loginname) values ('ADMIN')" << false;
        QTest::newRow("room let twice") << "insert into zf_rz(manid,fangno,status) values ('K002','101','1')" << false;
        QTest::newRow("occupancy of unknown tenant") << "insert into zf_rz(manid,fangno,status) values ('K404','102','1')" << false;
        QTest::newRow("charge of unknown room")
            << "insert into zf_lenshui(fangno,manid,jkrq) values ('404','K001','2024-3-1')" << false;
        QTest::newRow("check-out of unknown tenant")
            << "insert into zf_tf(manid,fangno,tfdate) values ('K404','101','2024-3-1')" << false;
        QTest::newRow("delete tenant still let") << "delete from zf_man where manid='K001'" << false;
        QTest::newRow("delete room still let") << "delete from zf_fangjian where fangno='101'" << false;
        QTest::newRow("delete free tenant") << "delete from zf_man where manid='K002'" << true;
        QTest::newRow("second room for a tenant") << "insert into zf_rz(manid,fangno,status) values ('K001','102','1')" << true;
    }
    void integrity()
    {
        QFETCH(QString, sql);
        QFETCH(bool, accepted);
        TestDatabase db;
        seedLet();
        QCOMPARE(errorOf(sql).isEmpty(), accepted);
    }

    void renamesCarryRowsAlong()
    {
        TestDatabase db;
        seedLet();
        TestDatabase::exec("insert into zf_zujin(fangno,manid,jkrq,sf) values ('101','K001','2004-5-2',800)");
        TestDatabase::exec("update zf_man set manid='K100' where manid='K001'");
        TestDatabase::exec("update zf_fangjian set fangno='A101' where fangno='101'");
        QCOMPARE(TestDatabase::rows("select manid, fangno from zf_rz"), QStringList{"K100|A101"});
        QCOMPARE(TestDatabase::rows("select manid, fangno from zf_zujin"), QStringList{"K100|A101"});
    }

    // Statements are kept compiled between runs: the same text after the
    // view it reads was redefined, and with other values bound, reads what
    // the database holds now.
    void keptStatementsFollowTheSchema()
    {
        TestDatabase db;
        TestDatabase::exec("create table T1 (a int, b varchar(4)); create table T2 (a int, b varchar(4))");
        TestDatabase::exec("insert into T1 values (1, 'x'); insert into T2 values (2, 'y')");
        TestDatabase::exec("create view VT as select a, b from T1");
        const QString read = "select * from VT where a >= :a";
        const auto rows = [&](int from) {
            Query q;
            q.setSql(read);
            q.setInteger("a", from);
            q.open();
            QStringList out;
            for (q.first(); !q.eof(); q.next())
                out << q.text("a") + "|" + q.text("b");
            return out;
        };
        QCOMPARE(rows(0), QStringList{"1|x"});
        QCOMPARE(rows(5), QStringList{});
        TestDatabase::exec("Alter view VT as select a, b from T2");
        QCOMPARE(rows(0), QStringList{"2|y"});
        TestDatabase::exec("drop view VT");
        QVERIFY_THROWS_EXCEPTION(DbError, rows(0));
        TestDatabase::exec("create view VT as select a, b, 'z' as c from T1");
        QCOMPARE(TestDatabase::rows("select * from VT"), QStringList{"1|x|z"});
        QCOMPARE(rows(1), QStringList{"1|x"});
    }

    void getdateFollowsTheClock()
    {
        TestDatabase db(QDateTime(QDate(2005, 1, 3), QTime(9, 30)));
        QCOMPARE(TestDatabase::scalar("select DATEPART(month, GETDATE())"), QStringLiteral("1"));
        Clock::setFixed(QDateTime(QDate(2004, 10, 20), QTime(23, 59, 59)));
        QCOMPARE(TestDatabase::rows("select DATEPART(month, GETDATE()), datepart(day, getdate())"), QStringList{"10|20"});
        QCOMPARE(TestDatabase::scalar("select getdate()"), QStringLiteral("2004-10-20 23:59:59"));
    }

    void sumIsExactForMoney()
    {
        TestDatabase db;
        seedLet();
        Connection::shared().beginTransaction();
        Query q;
        q.setSql(QStringLiteral("insert into zf_lenshui(fangno,manid,jkrq,yfj) values ('101','K001','2024-3-1',:v)"));
        for (int i = 0; i < 3000; ++i) {
            q.setDecimal("v", i % 3 == 0 ? "0.1" : (i % 3 == 1 ? "0.2" : "12.37"));
            q.exec();
        }
        Connection::shared().commit();
        QCOMPARE(TestDatabase::scalar("select sum(yfj) from zf_lenshui"), QStringLiteral("12670"));
        QCOMPARE(TestDatabase::scalar("select sum(yfj) from zf_lenshui where manid='nobody'"), QString());
    }

    void commitsAreDurableAndLocksWait()
    {
        TestDatabase db;
        if (TestDatabase::server().isEmpty()) {
            QCOMPARE(TestDatabase::scalar("PRAGMA synchronous"), QStringLiteral("2")); // FULL
            QCOMPARE(TestDatabase::scalar("PRAGMA journal_mode"), QStringLiteral("wal"));
        }

        const QString console = QDir(QCoreApplication::applicationDirPath()).filePath("zentavo-sql");
        // A transaction holds the write lock from its start (so its reads
        // stay true until it writes); a desk that only reads is not held up.
        Connection::shared().beginTransaction();
        QElapsedTimer reading;
        reading.start();
        QCOMPARE(QProcess::execute(console, {"-c", db.writeIni(), "-Q", "select price from zf_dj where djid=2"}), 0);
        QVERIFY(reading.elapsed() < 10000);
        Connection::shared().rollback();

        // A second program writing to the same file waits for our commit.
        Connection::shared().beginTransaction();
        TestDatabase::exec("update zf_dj set price=5 where djid=1");
        QProcess other;
        other.start(console,
                    {"-c", db.writeIni(), "-Q", "update zf_dj set price=price+1 where djid=1"});
        QVERIFY(other.waitForStarted());
        QTest::qWait(1200);
        QCOMPARE(other.state(), QProcess::Running);
        Connection::shared().commit();
        QVERIFY(other.waitForFinished(10000));
        QCOMPARE(other.exitCode(), 0);
        QCOMPARE(TestDatabase::scalar("select price from zf_dj where djid=1"), QStringLiteral("6"));
    }
};

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
