#include "connection.h"
#include "query.h"
#include "sqlvalue.h"
#include "testdatabase.h"

#include <QTest>

namespace {
bool fails(const std::function<void()>& step, QString* text = nullptr)
{
    try {
        step();
    } catch (const DbError& e) {
        if (text)
            *text = e.text();
        return true;
    }
    return false;
}
} // namespace

class TestQuery : public QObject {
    Q_OBJECT

private slots:
    void plainNumbers_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("fraction") << 30.75 << "30.75";
        QTest::newRow("binary noise") << 0.1 + 0.2 << "0.3";
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("whole") << 1200.0 << "1200";
        QTest::newRow("large") << 123456789012.5 << "123456789012.5";
        QTest::newRow("no exponent for big") << 1e20 << "100000000000000000000";
        QTest::newRow("no exponent for small") << 0.00001 << "0.00001";
        QTest::newRow("negative") << -12.3 << "-12.3";
    }
    void plainNumbers()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(plainNumber(value), text);
    }

    void parameterNames_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("in order, once each, any case")
            << "update t set a=:Fangno, b=:area where c=:FANGNO" << QStringList{"Fangno", "area"};
        QTest::newRow("not inside literals, quoted names or comments")
            << "select ':x', [a:b], \"c:d\" -- :e\n/* :f */ from t where g=:g" << QStringList{"g"};
        QTest::newRow("time literal is no parameter") << "select '12:30:00' as t" << QStringList{};
        QTest::newRow("multi-line text") << "insert into Zf_Man\n      (manid)\nvalues(:manid)" << QStringList{"manid"};
    }
    void parameterNames()
    {
        QFETCH(QString, sql);
        QFETCH(QStringList, names);
        QCOMPARE(scanParamNames(sql), names);
    }

    void bindingConvertsOrFails_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("stored"); // empty when the statement must fail
        QTest::newRow("decimal text") << int(ParamKind::Decimal) << QVariant("  12.5 ") << "12.5";
        QTest::newRow("decimal not a number") << int(ParamKind::Decimal) << QVariant("12a") << QString();
        QTest::newRow("decimal with comma") << int(ParamKind::Decimal) << QVariant("1,200") << QString();
        QTest::newRow("decimal empty is null") << int(ParamKind::Decimal) << QVariant("") << "<null>";
        QTest::newRow("integer text") << int(ParamKind::Integer) << QVariant("42") << "42";
        QTest::newRow("integer not a number") << int(ParamKind::Integer) << QVariant("x") << QString();
        QTest::newRow("date short text") << int(ParamKind::DateTime) << QVariant("2004-5-1") << "2004-05-01";
        QTest::newRow("date bad text") << int(ParamKind::DateTime) << QVariant("2004-13-01") << QString();
        QTest::newRow("date value") << int(ParamKind::DateTime) << QVariant(QDate(2004, 2, 29)) << "2004-02-29";
    }
    void bindingConvertsOrFails()
    {
        QFETCH(int, kind);
        QFETCH(QVariant, value);
        QFETCH(QString, stored);
        TestDatabase db;
        Query q;
        q.setSql(QStringLiteral("select :v as v"));
        switch (ParamKind(kind)) {
        case ParamKind::Decimal: q.setDecimal("V", value); break;
        case ParamKind::Integer: q.setInteger("V", value); break;
        case ParamKind::DateTime: q.setDateTime("V", value); break;
        case ParamKind::Text: q.setText("V", value.toString()); break;
        }
        QString error;
        const bool failed = fails([&] { q.open(); }, &error);
        QCOMPARE(failed, stored.isEmpty());
        if (!failed)
            QCOMPARE(q.isNull("v") ? QStringLiteral("<null>") : q.text("V"), stored);
        else
            QVERIFY(error.contains(QLatin1String("onver")));
    }

    void unknownParameterAndFieldFail()
    {
        TestDatabase db;
        Query q;
        q.setSql(QStringLiteral("select djid, sfname from zf_dj where djid=:id"));
        QVERIFY(fails([&] { q.setText("nosuch", "1"); }));
        q.setInteger("ID", 2);
        q.open();
        QCOMPARE(q.text("SFNAME"), QStringLiteral("热水"));
        QCOMPARE(q.integer("DjId"), 2);
        QVERIFY(fails([&] { q.text("price"); }));
    }

    void cursorAndLocate()
    {
        TestDatabase db;
        Query q;
        q.setSql(QStringList{"select djid, sfname, price", "from dbo.Zf_Dj"});
        q.open();
        QCOMPARE(q.count(), 4);
        QCOMPARE(q.row(), 0);
        QVERIFY(q.next());
        QVERIFY(q.last());
        QCOMPARE(q.text("sfname"), QStringLiteral("垃圾费"));
        QVERIFY(!q.next());
        QVERIFY(q.eof());
        QVERIFY(q.locate("SFname", QStringLiteral("电")));
        QCOMPARE(q.number("price"), 0.6);
        QVERIFY(q.locate("djid", 1));
        QCOMPARE(q.text("sfname"), QStringLiteral("冷水"));
        QVERIFY(!q.locate("sfname", QStringLiteral("燃气")));
        q.close();
        QVERIFY(!q.isOpen());
        QCOMPARE(q.count(), 0);
    }

    void deleteCurrentRowMovesToNext()
    {
        TestDatabase db;
        TestDatabase::exec("insert into zf_man(manid,manname) values ('A1','甲');"
                           "insert into zf_man(manid,manname) values ('A2','乙');"
                           "insert into zf_man(manid,manname) values ('A3','丙')");
        Query q;
        q.setSql(QStringLiteral("select manid, manname from zf_man order by manid"));
        q.open();
        q.seek(1);
        q.deleteCurrentRow("zf_man", "manid");
        QCOMPARE(q.count(), 2);
        QCOMPARE(q.text("manid"), QStringLiteral("A3"));
        q.deleteCurrentRow("zf_man", "manid");
        QCOMPARE(q.text("manid"), QStringLiteral("A1"));
        QCOMPARE(TestDatabase::rows("select manid from zf_man"), QStringList{"A1"});
    }

    void deleteRefusedKeepsRowAndResult()
    {
        TestDatabase db;
        TestDatabase::exec("insert into zf_man(manid,manname) values ('A1','甲');"
                           "insert into zf_fangjian(fangno,fangprice) values ('101',800);"
                           "insert into zf_rz(manid,fangno,begindate,status) values ('A1','101','2024-3-1','1')");
        Query q;
        q.setSql(QStringLiteral("select * from zf_man"));
        q.open();
        QVERIFY(fails([&] { q.deleteCurrentRow("zf_man", "manid"); }));
        QCOMPARE(q.count(), 1);
        QCOMPARE(TestDatabase::scalar("select count(*) from zf_man"), QStringLiteral("1"));
    }

    void transactionsCommitAndRollBack()
    {
        TestDatabase db;
        Connection& c = Connection::shared();
        QVERIFY(!c.inTransaction());
        c.beginTransaction();
        QVERIFY(c.inTransaction());
        TestDatabase::exec("update zf_dj set price=4 where djid=1");
        c.rollback();
        QVERIFY(!c.inTransaction());
        QCOMPARE(TestDatabase::scalar("select price from zf_dj where djid=1"), QStringLiteral("3.5"));
        c.beginTransaction();
        Query q;
        q.setSql(QStringLiteral("update zf_dj set price=:p where djid=1"));
        q.setDecimal("p", "4.25");
        QCOMPARE(q.exec(), 1);
        c.commit();
        QCOMPARE(TestDatabase::scalar("select price from zf_dj where djid=1"), QStringLiteral("4.25"));
    }

    void closedConnectionFailsClearly()
    {
        Connection c;
        Query q(c);
        q.setSql(QStringLiteral("select 1"));
        QString error;
        QVERIFY(fails([&] { q.open(); }, &error));
        QVERIFY(!error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestQuery)
#include "tst_query.moc"
