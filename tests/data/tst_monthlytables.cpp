#include "clock.h"
#include "monthlytables.h"
#include "query.h"
#include "testdatabase.h"

#include <QTest>

class TestMonthlyTables : public QObject {
    Q_OBJECT

private slots:
    void names_data()
    {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QString>("thisMonth");
        QTest::addColumn<QString>("lastMonth");
        QTest::newRow("15 May 2004") << QDate(2004, 5, 15) << "zf_Biaodi200405" << "zf_Biaodi200404";
        QTest::newRow("3 January 2005") << QDate(2005, 1, 3) << "zf_Biaodi200501" << "zf_Biaodi200412";
        QTest::newRow("20 October 2004") << QDate(2004, 10, 20) << "zf_Biaodi200410" << "zf_Biaodi200409";
        QTest::newRow("2 November 2004") << QDate(2004, 11, 2) << "zf_Biaodi200411" << "zf_Biaodi200410";
        QTest::newRow("31 December 2004") << QDate(2004, 12, 31) << "zf_Biaodi200412" << "zf_Biaodi200411";
    }
    void names()
    {
        QFETCH(QDate, today);
        QFETCH(QString, thisMonth);
        QFETCH(QString, lastMonth);
        SetBiaodiName(today.year(), today.month());
        SetSyBiaodiName(today.year(), today.month());
        QCOMPARE(BiaodiName, thisMonth);
        QCOMPARE(SyBiaodiName, lastMonth);
    }

    void ensureCreatesMissingTablesWithKeys()
    {
        TestDatabase db(QDateTime(QDate(2005, 1, 3), QTime(8, 0)));
        EnsureCurrentBiaodiTables();
        const QStringList objects = TestDatabase::rows(
            "select name, xtype from sysobjects where name like '%Biaodi%' order by name");
        QCOMPARE(objects, (QStringList{"PK_zf_Biaodi200412|PK", "PK_zf_Biaodi200501|PK", "zf_Biaodi200412|U",
                                       "zf_Biaodi200501|U"}));
        // Present tables are left alone: their rows survive a second run.
        TestDatabase::exec("insert into zf_Biaodi200501(fangno,Cbrq,lsb) values ('101','2005-1-2',1.5)");
        EnsureCurrentBiaodiTables();
        QCOMPARE(TestDatabase::scalar("select lsb from zf_Biaodi200501"), QStringLiteral("1.5"));
    }

    void anyObjectOfTheNameCountsAsPresent()
    {
        TestDatabase db;
        TestDatabase::exec("create view zf_Biaodi202403 as select 1 as x");
        EnsureBiaodiTable(QStringLiteral("zf_Biaodi202403"));
        QCOMPARE(TestDatabase::scalar("select xtype from sysobjects where name='zf_Biaodi202403'"), QStringLiteral("V"));
    }

    void readingViewPairsTheMonths()
    {
        TestDatabase db(QDateTime(QDate(2004, 5, 15), QTime(10, 0)));
        TestDatabase::exec(
            "insert into zf_man(manid,manname,zjm) values ('K1','张三','ZS');"
            "insert into zf_man(manid,manname,zjm) values ('K2','李四','LS');"
            "insert into zf_fangjian(fangno,fangprice) values ('101',800);"
            "insert into zf_fangjian(fangno,fangprice) values ('102',800);"
            "insert into zf_fangjian(fangno,fangprice) values ('103',800);"
            "insert into zf_rz(manid,fangno,status) values ('K1','101','1');"
            "insert into zf_rz(manid,fangno,status) values ('K2','102','1')");
        EnsureCurrentBiaodiTables();
        TestDatabase::exec(
            // 101 occupied, read in both months, twice this month
            "insert into zf_Biaodi200404(fangno,Cbrq,lsb,db) values ('101','2004-4-20',10,100);"
            "insert into zf_Biaodi200405(fangno,Cbrq,lsb,db) values ('101','2004-5-20',15,180);"
            "insert into zf_Biaodi200405(fangno,Cbrq,lsb,db) values ('101','2004-5-21',16,181);"
            // 102 occupied, read only this month
            "insert into zf_Biaodi200405(fangno,Cbrq,lsb) values ('102','2004-5-20',3);"
            // 103 free, read in both months
            "insert into zf_Biaodi200404(fangno,Cbrq,lsb) values ('103','2004-4-20',1);"
            "insert into zf_Biaodi200405(fangno,Cbrq,lsb) values ('103','2004-5-20',2)");
        AlterXmXfView();
        QCOMPARE(TestDatabase::rows("select manid, manname, Zjm, fangno, Cbrq, lsb, db, bycbrq, bylsb, bydb "
                                    "from xmxf order by bycbrq"),
                 (QStringList{"K1|张三|ZS|101|2004-04-20|10|100|2004-05-20|15|180",
                              "K1|张三|ZS|101|2004-04-20|10|100|2004-05-21|16|181"}));
    }

    void alterViewFailsOnAMissingTable()
    {
        TestDatabase db;
        Query q;
        q.setSql(QStringLiteral("Alter view XmXf as SELECT A.fangno FROM zf_Biaodi190001 A"));
        bool failed = false;
        try {
            q.exec();
        } catch (const DbError&) {
            failed = true;
        }
        QVERIFY(failed);
        // The old definition stands.
        QCOMPARE(TestDatabase::scalar("select count(*) from xmxf"), QStringLiteral("0"));
    }

    void aRunIntoANewMonthStillWorks()
    {
        TestDatabase db(QDateTime(QDate(2004, 5, 31), QTime(23, 59, 50)));
        EnsureCurrentBiaodiTables();
        Clock::setFixed(QDateTime(QDate(2004, 6, 1), QTime(0, 0, 10)));
        AlterXmXfView(); // June's table did not exist when the run started
        QCOMPARE(BiaodiName, QStringLiteral("zf_Biaodi200406"));
        QCOMPARE(TestDatabase::scalar("select count(*) from sysobjects where name='zf_Biaodi200406'"), QStringLiteral("1"));
        QCOMPARE(TestDatabase::scalar("select count(*) from xmxf"), QStringLiteral("0"));
    }
};

QTEST_GUILESS_MAIN(TestMonthlyTables)
#include "tst_monthlytables.moc"
