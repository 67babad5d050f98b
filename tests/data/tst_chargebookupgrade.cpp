// A file of version 3 gains the charge book (the reading pairs charged, meter
// changes, voided charges and the rent look-up's index) when it is opened,
// keeping every charge, and the database then refuses a second charge of
// one reading.
#include "connection.h"
#include "embedded/sqlitefunctions.h"
#include "query.h"
#include "schema.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>

namespace {

ServerConfig embedded(const QString& path) { return {QStringLiteral("sqlite:") + path, {}, {}, {}}; }

QString scalar(Connection& c, const QString& sql) {
    Query q(c);
    q.setSql(sql);
    q.open();
    return q.isEmpty() ? QString() : q.text(q.result()->columnName(0));
}

} // namespace

class TestChargeBookUpgrade : public QObject {
    Q_OBJECT

private slots:
    void versionThreeGainsTheChargeBook() {
        QTemporaryDir dir;
        const QString file = dir.filePath("v3.db");
        {
            Connection c;
            c.open(embedded(file), Connection::OpenMode::CreateIfMissing);
            Query fill(c);
            fill.setSql("insert zf_man(manid,manname) values ('K1','张三');"
                        "insert zf_fangjian(fangno,fangprice) values ('101',800);"
                        "insert zf_lenshui(fangno,manid,jkrq,sybd,bybd,sys,lsdj,yfj,sfj,status) "
                        "values ('101','K1','2024-03-05',10,15,5,3.5,17.5,17.5,'1')");
            fill.exec();
        }
        sqlite3* db = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(file).constData(), &db), SQLITE_OK);
        registerServerFunctions(db);
        QCOMPARE(sqlite3_exec(db,
                              "DROP TABLE Zf_ChargeReading; DROP TABLE Zf_MeterChange; DROP TABLE Zf_VoidCharge;"
                              "DROP INDEX IX_Zf_Zujin_fangno_enddate; PRAGMA user_version=3;",
                              nullptr, nullptr, nullptr),
                 SQLITE_OK);
        sqlite3_close(db);

        Connection c;
        c.open(embedded(file));
        QCOMPARE(scalar(c, "PRAGMA user_version"), QString::number(Schema::kVersion));
        for (const char* name : {"Zf_ChargeReading", "Zf_MeterChange", "Zf_VoidCharge",
                                 "IX_Zf_Zujin_fangno_enddate", "UX_Zf_ChargeReading_to"})
            QCOMPARE(scalar(c, QStringLiteral("select count(*) from sqlite_master where name='%1'")
                                   .arg(QLatin1String(name))),
                     QStringLiteral("1"));
        QCOMPARE(scalar(c, "select sfj from zf_lenshui"), QStringLiteral("17.5"));
        // One charge per reading: the database refuses a second.
        Query link(c);
        link.setSql("insert into Zf_ChargeReading (tablename,chargeid,fangno,fromtable,fromid,fromdate,"
                    "totable,toid,todate) values ('Zf_Lenshui',:id,'101','zf_Biaodi202402',1,'2024-02-03',"
                    "'zf_Biaodi202403',1,'2024-03-04')");
        link.setInteger("id", 1);
        QCOMPARE(link.exec(), 1);
        link.setInteger("id", 2);
        QVERIFY_THROWS_EXCEPTION(DbError, link.exec());
    }

    // A file of version 7 gains the payments, their lines and reversals; a
    // payment then has at most one reversal.
    void versionSevenGainsPayments() {
        QTemporaryDir dir;
        const QString file = dir.filePath("v7.db");
        {
            Connection c;
            c.open(embedded(file), Connection::OpenMode::CreateIfMissing);
        }
        sqlite3* db = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(file).constData(), &db), SQLITE_OK);
        registerServerFunctions(db);
        QCOMPARE(sqlite3_exec(db,
                              "DROP TABLE Zf_Payment; DROP TABLE Zf_PaymentLine; DROP TABLE Zf_PaymentReversal;"
                              "PRAGMA user_version=7;",
                              nullptr, nullptr, nullptr),
                 SQLITE_OK);
        sqlite3_close(db);

        Connection c;
        c.open(embedded(file));
        QCOMPARE(scalar(c, "PRAGMA user_version"), QString::number(Schema::kVersion));
        for (const char* name : {"Zf_Payment", "Zf_PaymentLine", "Zf_PaymentReversal",
                                 "UX_Zf_PaymentReversal_payment", "IX_Zf_Payment_manid"})
            QCOMPARE(scalar(c, QStringLiteral("select count(*) from sqlite_master where name='%1'")
                                   .arg(QLatin1String(name))),
                     QStringLiteral("1"));
        Query reversal(c);
        reversal.setSql("insert into Zf_PaymentReversal (paymentid,reason,operator,reversetime) "
                        "values (1,'收错了','admin','2024-03-07')");
        QCOMPARE(reversal.exec(), 1);
        QVERIFY_THROWS_EXCEPTION(DbError, reversal.exec());
    }
};

QTEST_MAIN(TestChargeBookUpgrade)
#include "tst_chargebookupgrade.moc"
