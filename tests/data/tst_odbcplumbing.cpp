// The server backend's plumbing, exercised through the SQLite ODBC driver
// standing in for SQL Server (none can be installed here): Chinese text,
// amounts, date-times, transactions and errors through Qt's ODBC driver.
#include "dberror.h"
#include "odbcbackend.h"
#include "resultset.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
const char* kDriver = "/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so";

BoundParam param(const char* name, ParamKind kind, const QVariant& value) { return {name, kind, value, 0}; }
} // namespace

class TestOdbcPlumbing : public QObject {
    Q_OBJECT

private slots:
    void roundTripsThroughTheDriver()
    {
        if (!QFile::exists(kDriver))
            QSKIP("the SQLite ODBC driver (libsqliteodbc) is not installed");
        QTemporaryDir dir;
        OdbcBackend db(QString("DRIVER=%1;Database=%2;").arg(kDriver, dir.filePath("odbc.db")), "odbc-test");
        db.execute("create table zf_man (manid varchar(10) primary key, manname varchar(10), "
                   "yfj numeric(12,2), jkrq datetime)", {});

        const std::vector<BoundParam> row{param("id", ParamKind::Text, "K1"), param("name", ParamKind::Text, "张三丰"),
                                          param("amount", ParamKind::Decimal, " 6000000.13 "),
                                          param("day", ParamKind::DateTime, "2004/5/1")};
        QCOMPARE(db.execute("insert into zf_man(manid,manname,yfj,jkrq) values (:id,:name,:amount,:day)", row), 1);
        auto rs = db.select("select manname, yfj, jkrq from zf_man where manid = :id",
                            {param("id", ParamKind::Text, "K1")});
        QCOMPARE(rs->rowCount(), 1);
        QCOMPARE(rs->text(0, 0), QStringLiteral("张三丰"));
        QCOMPARE(rs->text(0, 1), QStringLiteral("6000000.13"));
        QCOMPARE(rs->value(0, 2).toDateTime().date(), QDate(2004, 5, 1));

        // A rolled-back insert is gone; a committed one stays.
        db.begin();
        QVERIFY(db.inTransaction());
        db.execute("insert into zf_man(manid,manname) values (:id,:name)",
                   {param("id", ParamKind::Text, "K2"), param("name", ParamKind::Text, "李四")});
        db.rollback();
        QVERIFY(!db.inTransaction());
        db.begin();
        db.execute("insert into zf_man(manid,manname) values (:id,:name)",
                   {param("id", ParamKind::Text, "K3"), param("name", ParamKind::Text, "王五")});
        db.commit();
        rs = db.select("select manid from zf_man order by manid", {});
        QCOMPARE(rs->rowCount(), 2);
        QCOMPARE(rs->text(1, 0), QStringLiteral("K3"));

        // Errors carry the driver's own text; texts that do not convert
        // never reach it.
        QString error;
        try {
            db.select("select * from nosuchtable", {});
        } catch (const DbError& e) {
            error = e.text();
        }
        QVERIFY2(error.contains("nosuchtable"), qPrintable(error));
        QVERIFY_THROWS_EXCEPTION(DbError, db.execute("insert into zf_man(manid,yfj) values ('K4',:a)",
                                                     {param("a", ParamKind::Decimal, "六百")}));
        QVERIFY_THROWS_EXCEPTION(DbError, db.execute("insert into zf_man(manid,jkrq) values ('K4',:d)",
                                                     {param("d", ParamKind::DateTime, "2026年11月30日")}));
        QCOMPARE(db.select("select count(*) from zf_man", {})->text(0, 0), QStringLiteral("2"));
    }
};

QTEST_GUILESS_MAIN(TestOdbcPlumbing)
#include "tst_odbcplumbing.moc"
