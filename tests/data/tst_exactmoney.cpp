// Amounts are stored exactly as the server stores them, and a text that the
// server cannot convert is the server's error, never an empty result.
#include "connection.h"
#include "monthlytables.h"
#include "query.h"
#include "testdatabase.h"

#include <QTest>

namespace {

QString errorOf(const std::function<void()>& fn)
{
    try {
        fn();
    } catch (const DbError& e) {
        return e.text();
    }
    return QString();
}

const QString kOverflow = QStringLiteral("Arithmetic overflow error converting numeric to data type numeric.");
const QString kNotNumeric = QStringLiteral("Error converting data type varchar to numeric.");
const QString kNotDate = QStringLiteral("Conversion failed when converting date and/or time from character string.");

} // namespace

class TestExactMoney : public QObject {
    Q_OBJECT

private slots:
    // Each value is stored three ways (a bound decimal parameter, a text
    // literal, a number literal) into a column of the scale given, read back,
    // then the row is updated ten times in another column only.
    void storedOnceRoundedAndNeverAgain_data()
    {
        QTest::addColumn<QString>("column"); // table.column
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored"); // or the server's error
        const QString money = "zf_fangjian.fangprice";   // numeric(12,2)
        const QString price = "zf_dj.price";             // numeric(12,4)
        const QString meter = "zf_Biaodi202403.lsb";     // numeric(6,2)
        QTest::newRow("large amount") << money << "6000000.13" << "6000000.13";
        QTest::newRow("ten digits before the point") << money << "1234567890.13" << "1234567890.13";
        QTest::newRow("below the half, large") << money << "1000000.1245" << "1000000.12";
        QTest::newRow("half, large") << money << "1000000.125" << "1000000.13";
        QTest::newRow("half, negative") << money << "-1000000.125" << "-1000000.13";
        QTest::newRow("half written exactly") << money << "12.345" << "12.35";
        QTest::newRow("a hair below the half") << money << "12.3449999" << "12.34";
        QTest::newRow("smallest half") << money << "0.005" << "0.01";
        QTest::newRow("below the smallest half") << money << "0.0049" << "0";
        QTest::newRow("largest 12,2") << money << "9999999999.99" << "9999999999.99";
        QTest::newRow("rounds down to the largest") << money << "9999999999.994" << "9999999999.99";
        QTest::newRow("rounds up past the largest") << money << "9999999999.995" << kOverflow;
        QTest::newRow("unit price") << price << "60000.5" << "60000.5";
        QTest::newRow("unit price half") << price << "12345678.12345" << "12345678.1235";
        QTest::newRow("smallest unit price half") << price << "0.00005" << "0.0001";
        QTest::newRow("largest 12,4") << price << "99999999.9999" << "99999999.9999";
        QTest::newRow("past the largest 12,4") << price << "99999999.99995" << kOverflow;
        QTest::newRow("meter half") << meter << "1.005" << "1.01";
        QTest::newRow("largest meter") << meter << "9999.99" << "9999.99";
        QTest::newRow("meter past the largest") << meter << "9999.995" << kOverflow;
        QTest::newRow("meter negative half") << meter << "-0.015" << "-0.02";
    }
    void storedOnceRoundedAndNeverAgain()
    {
        QFETCH(QString, column);
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        TestDatabase db;
        EnsureBiaodiTable(Connection::shared(), "zf_Biaodi202403");
        const QString table = column.section('.', 0, 0), col = column.section('.', 1, 1);
        // A row per way of writing the value, told apart by a text column.
        const QString insert =
            table == "zf_fangjian" ? "insert into zf_fangjian(fangno,fangprice,housetype) values ('%1',%2,'x')"
            : table == "zf_dj"     ? "insert into zf_dj(sfname,price,dw) values ('%1',%2,'x')"
                                   : "insert into zf_Biaodi202403(fangno,cbrq,lsb) values ('%1','2024-03-01',%2)";
        const QString key = table == "zf_fangjian" ? "fangno" : table == "zf_dj" ? "sfname" : "fangno";
        const QString other = table == "zf_fangjian" ? "housetype" : table == "zf_dj" ? "dw" : "cbrq";
        const QString otherValue = table == "zf_Biaodi202403" ? "'2024-03-0%1'" : "'v%1'";
        const QStringList ways{"param", "text", "number"};
        for (const QString& way : ways) {
            const QString error = errorOf([&] {
                Query q;
                q.setSql(insert.arg(way, way == "param" ? ":v" : way == "text" ? "'" + typed + "'" : typed));
                if (way == "param")
                    q.setDecimal("v", typed);
                q.exec();
            });
            if (stored.startsWith("Arithmetic")) {
                QCOMPARE(error, stored);
                continue;
            }
            QVERIFY2(error.isEmpty(), qPrintable(way + ": " + error));
            const QString read = QString("select %1 from %2 where %3='%4'").arg(col, table, key, way);
            QCOMPARE(TestDatabase::scalar(read), stored);
            for (int i = 1; i <= 10; ++i)
                TestDatabase::exec(QString("update %1 set %2=%3 where %4='%5'")
                                       .arg(table, other, otherValue.arg(i % 9 + 1), key, way));
            QCOMPARE(TestDatabase::scalar(read), stored);
            // Updating the amount to itself changes nothing either.
            TestDatabase::exec(QString("update %1 set %2=%2 where %3='%4'").arg(table, col, key, way));
            QCOMPARE(TestDatabase::scalar(read), stored);
        }
        if (stored.startsWith("Arithmetic"))
            return;
        // A typed amount bound into an update is stored in the same form; so
        // is one the statement also compares (converted by the column rule
        // after the row is written, not when bound).
        // The embedded file is also asked how it stored the amount.
        const QString read = QString(TestDatabase::server().isEmpty() ? "select %1, typeof(%1) from %2 where %3='text'"
                                                                      : "select %1 from %2 where %3='text'")
                                 .arg(col, table, key);
        const QStringList expected = TestDatabase::rows(read);
        for (const QString& update : {QString("update %1 set %2=:v where %3='text'"),
                                      QString("update %1 set %2=:v where %3='text' and :v is not null")}) {
            TestDatabase::exec(QString("update %1 set %2=0 where %3='text'").arg(table, col, key));
            Query q;
            q.setSql(update.arg(table, col, key));
            q.setDecimal("v", typed);
            QCOMPARE(q.exec(), 1);
            QCOMPARE(TestDatabase::rows(read), expected);
        }
    }

    void sumsOfManyAmountsAreExact()
    {
        TestDatabase db;
        TestDatabase::exec("insert into zf_man(manid) values ('K1'); insert into zf_fangjian(fangno,fangprice) values ('1',1)");
        Connection::shared().beginTransaction();
        Query q;
        q.setSql("insert into zf_lenshui(fangno,manid,yfj,sfj) values ('1','K1',:a,:b)");
        for (int i = 0; i < 3000; ++i) {
            q.setDecimal("a", "6000000.13");
            q.setDecimal("b", i % 2 ? "0.1" : "0.2");
            q.exec();
        }
        Connection::shared().commit();
        QCOMPARE(TestDatabase::scalar("select sum(yfj) from zf_lenshui"), QStringLiteral("18000000390"));
        QCOMPARE(TestDatabase::scalar("select sum(sfj) from zf_lenshui"), QStringLiteral("450"));
    }

    // The server fails where a text compared with a numeric or date-time
    // column does not convert; the engine does the same, also on an empty
    // table, and converts the texts that do.
    void comparisonsConvertAsTheServerDoes_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("param"); // bound as text to :p, when given
        QTest::addColumn<QString>("expected");
        QTest::newRow("rent in words") << "select count(*) from zf_fangjian where fangprice='六百'" << "" << kNotNumeric;
        QTest::newRow("empty amount") << "select count(*) from zf_lenshui where Yfj = ''" << "" << kNotNumeric;
        QTest::newRow("text on the left") << "select count(*) from zf_fangjian A where '六百' <= A.fangprice" << "" << kNotNumeric;
        QTest::newRow("in a list") << "select count(*) from zf_fangjian where fangprice in (800, 'abc')" << "" << kNotNumeric;
        QTest::newRow("chinese date") << "select count(*) from zf_rz where begindate='2026年11月30日'" << "" << kNotDate;
        QTest::newRow("date between") << "select count(*) from zf_zujin where jkrq between '2024-1-1' and '明天'" << "" << kNotDate;
        QTest::newRow("parameter as text") << "select count(*) from zf_fangjian where fangprice = :p" << "六百" << kNotNumeric;
        QTest::newRow("date parameter as text") << "select count(*) from zf_rz where begindate >= :p" << "昨天" << kNotDate;
        QTest::newRow("amount as text") << "select count(*) from zf_fangjian A where A.fangprice = ' 800.00 '" << "" << "1";
        QTest::newRow("amount parameter") << "select count(*) from zf_fangjian where fangprice >= :p" << "800" << "1";
        QTest::newRow("empty date is 1900") << "select count(*) from zf_rz where begindate > ''" << "" << "1";
        QTest::newRow("dotted date") << "select count(*) from zf_rz where begindate = '2004.05.01'" << "" << "1";
        QTest::newRow("date parameter") << "select count(*) from zf_rz where begindate = :p" << "2004/5/1" << "1";
        QTest::newRow("text column untouched") << "select count(*) from zf_fangjian where fangno = '六百'" << "" << "0";
    }
    void comparisonsConvertAsTheServerDoes()
    {
        QFETCH(QString, sql);
        QFETCH(QString, param);
        QFETCH(QString, expected);
        TestDatabase db;
        TestDatabase::exec("insert into zf_man(manid) values ('K1');"
                           "insert into zf_fangjian(fangno,fangprice) values ('101',800);"
                           "insert into zf_rz(manid,fangno,begindate,status) values ('K1','101','2004-05-01','1')");
        QString got;
        const QString error = errorOf([&] {
            Query q;
            q.setSql(sql);
            if (!param.isEmpty())
                q.setText("p", param);
            q.open();
            got = q.result()->text(0, 0);
        });
        QCOMPARE(error.isEmpty() ? got : error, expected);
    }
};

QTEST_GUILESS_MAIN(TestExactMoney)
#include "tst_exactmoney.moc"
