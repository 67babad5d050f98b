// Prefix searches read a range of the column's index, and find exactly the
// rows the plain LIKE finds, whatever the operator types; an older file
// gains the indexes over unsettled charges when it is opened.
#include "connection.h"
#include "embedded/sqlitefunctions.h"
#include "monthlytables.h"
#include "query.h"
#include "schema.h"
#include "testdatabase.h"

#include <QFile>
#include <QTest>
#include <sqlite3.h>

namespace {

// Rows of a statement run by SQLite itself on the file, with the engine's
// collations but none of its rewriting: what the LIKE alone finds.
QStringList plainRows(const QString& file, const QString& sql, const QString& param) {
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(file).constData(), &db);
    registerServerFunctions(db);
    sqlite3_stmt* st = nullptr;
    const QByteArray text = sql.toUtf8();
    QStringList out;
    if (sqlite3_prepare_v2(db, text.constData(), -1, &st, nullptr) != SQLITE_OK) {
        out << QStringLiteral("error: ") + QString::fromUtf8(sqlite3_errmsg(db));
    } else {
        const QByteArray p = param.toUtf8();
        sqlite3_bind_text(st, 1, p.constData(), int(p.size()), SQLITE_TRANSIENT);
        while (sqlite3_step(st) == SQLITE_ROW)
            out << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}

QStringList programRows(const QString& sql, const QString& zjm) {
    Query q;
    q.setSql(sql);
    q.setText(QStringLiteral("zjm"), zjm);
    q.open();
    QStringList out;
    for (int r = 0; r < q.result()->rowCount(); ++r)
        out << q.result()->text(r, 0);
    return out;
}

// The plan's lines for a statement run through the program.
QString planOf(const QString& sql, const QStringList& params) {
    Query q;
    q.setSql(QStringLiteral("explain query plan ") + sql);
    for (int i = 0; i < params.size(); i += 2)
        q.setText(params[i], params[i + 1]);
    q.open();
    QStringList lines;
    for (int r = 0; r < q.result()->rowCount(); ++r)
        lines << q.result()->text(r, 3);
    return lines.join(QLatin1Char('\n'));
}

QString literal(const QString& text) {
    return QLatin1Char('\'') + QString(text).replace("'", "''") + QLatin1Char('\'');
}

const char* const kTenants[][2] = {
    {"K01", "zs"},  {"K02", "ZS"},   {"K03", "Zs  "}, {"K04", "zsa"},   {"K05", "zs a"},
    {"K06", "z_s"}, {"K07", "z%s"},  {"K08", "ab"},   {"K09", "张三"},  {"K10", "张"},
    {"K11", "章"},  {"K12", "zt"},   {"K13", "ｚｓ"}, {"K14", nullptr}, {"K15", "Z"},
    {"K16", ""},    {"K17", "zs'x"}, {"K18", "ZT "}};

} // namespace

class TestPrefixSearch : public QObject {
    Q_OBJECT

private slots:
    void findsWhatTheLikeFinds_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<int>("count");
        QTest::newRow("letter case ignored") << "zs%" << 6;
        QTest::newRow("capitals typed") << "ZS%" << 6;
        QTest::newRow("blank typed last") << "zs %" << 2;
        QTest::newRow("only blanks typed") << " %" << 0;
        QTest::newRow("empty text") << "%" << 17;
        QTest::newRow("underscore typed") << "z_%" << 10;
        QTest::newRow("percent typed last") << "z%%" << 11;
        QTest::newRow("percent typed first") << "%s%" << 8;
        QTest::newRow("quote typed") << "zs'%" << 1;
        QTest::newRow("one letter") << "z%" << 11;
        QTest::newRow("stored blanks after the text") << "zt%" << 2;
        QTest::newRow("chinese") << "张%" << 2;
        QTest::newRow("chinese of the same reading") << "章%" << 1;
        QTest::newRow("full-width letters") << "ｚ%" << 1;
        QTest::newRow("after every value") << "zz%" << 0;
        QTest::newRow("longer than the values") << "zsab%" << 0;
        QTest::newRow("no percent") << "zs" << 2;
    }
    void findsWhatTheLikeFinds() {
        QFETCH(QString, pattern);
        QFETCH(int, count);
        TestDatabase db;
        for (const auto& t : kTenants) {
            Query q;
            q.setSql("insert zf_man(manid,manname,zjm) values (:id,'某',:zjm)");
            q.setText("id", t[0]);
            if (t[1])
                q.setText("zjm", QString::fromUtf8(t[1]));
            else
                q.setNull("zjm");
            q.exec();
        }
        const QString byParam = "select manid from zf_man where zjm like :zjm order by manid";
        const QStringList plain = plainRows(
            db.file(), "SELECT manid FROM Zf_Man WHERE zjm LIKE ?1 ORDER BY manid", pattern);
        QCOMPARE(plain.size(), count);
        QCOMPARE(programRows(byParam, pattern), plain);
        Query byLiteral;
        byLiteral.setSql("select manid from zf_man where zjm like " + literal(pattern) +
                         " order by manid");
        byLiteral.open();
        QStringList literalRows;
        for (int r = 0; r < byLiteral.result()->rowCount(); ++r)
            literalRows << byLiteral.result()->text(r, 0);
        QCOMPARE(literalRows, plain);
        // Joined, qualified and beside another condition, as the screens write it.
        QCOMPARE(
            programRows(
                "select B.manid from dbo.Zf_Man B inner join dbo.Zf_Man C on C.manid = B.manid "
                "where B.manid like 'K%' and (B.zjm like :zjm) order by B.manid",
                pattern),
            plain);
    }

    void searchesReadTheIndex() {
        TestDatabase db;
        const QString byZjm = "select manid from zf_man where zjm like :zjm";
        QVERIFY2(
            planOf(byZjm, {"zjm", "zs%"}).contains("USING INDEX IX_Zf_Man_zjm (zjm>? AND zjm<?)"),
            qPrintable(planOf(byZjm, {"zjm", "zs%"})));
        QVERIFY2(
            planOf("select manid from zf_man where zjm like 'Zs%'", {}).contains("IX_Zf_Man_zjm"),
            qPrintable(planOf("select manid from zf_man where zjm like 'Zs%'", {})));
        // A derived table's number under a text column's name is found still.
        QCOMPARE(
            TestDatabase::scalar("select count(*) from (select 10 as zjm) D where D.zjm like '1%'"),
            QStringLiteral("1"));
        // What only a scan answers keeps its plain LIKE.
        QVERIFY(planOf(byZjm, {"zjm", "%s%"}).startsWith("SCAN"));
        QVERIFY(planOf(byZjm, {"zjm", "z_%"}).startsWith("SCAN"));
        // The lookups' "number or mnemonic": both indexes.
        const QString either =
            "select manid,manname,zjm from dbo.Zf_Man where manid like :manid or zjm like :zjm";
        const QString plan = planOf(either, {"manid", "K1%", "zjm", "K1%"});
        QVERIFY2(plan.contains("MULTI-INDEX OR") && plan.contains("IX_Zf_Man_zjm") &&
                     plan.contains("sqlite_autoindex_Zf_Man_1"),
                 qPrintable(plan));
        // The reading pairs join the monthly tables by room through their index.
        AlterXmXfView();
        const QString pairs =
            planOf("select * From XmXf where fangno like :fangno or zjm like :zjm",
                   {"fangno", "10%", "zjm", "10%"});
        QVERIFY2(pairs.contains("IX_" + SyBiaodiName + "_fangno") && !pairs.contains("AUTOMATIC"),
                 qPrintable(pairs));
        for (const char* table : {"Zf_Zujin", "Zf_Lenshui", "Zf_Reshui", "Zf_YdSf"}) {
            const QString sql =
                QStringLiteral("select count(*) from dbo.%1 A where A.fangno like :fangno")
                    .arg(table);
            const QString p = planOf(sql, {"fangno", "10%"});
            QVERIFY2(p.contains(QStringLiteral("IX_%1_fangno").arg(table), Qt::CaseInsensitive),
                     qPrintable(p));
        }
    }

    // A file of the version before gains the indexes when opened, and
    // opening it again changes nothing.
    void olderFileGainsTheIndexes() {
        QTemporaryDir dir;
        const QString file = dir.filePath("v4.db");
        // The four charge tables' indexes over unsettled rows, and the
        // monthly reading tables' index on the room.
        const QString count =
            "select count(*) from sqlite_master where type='index' and (name like "
            "'IX!_%!_unpaid' escape '!' or name like 'IX!_zf!_Biaodi%!_fangno' escape '!')";
        {
            Connection c;
            c.open({QStringLiteral("sqlite:") + file, {}, {}, {}},
                   Connection::OpenMode::CreateIfMissing);
            EnsureBiaodiTable(c, QStringLiteral("zf_Biaodi202401"));
            EnsureBiaodiTable(c, QStringLiteral("zf_Biaodi202402"));
            Query q(c);
            q.setSql(count);
            q.open();
            QCOMPARE(q.result()->text(0, 0), QStringLiteral("6"));
            Query drop(c);
            drop.setSql("drop index IX_Zf_Zujin_unpaid; drop index IX_Zf_YdSf_unpaid;"
                        "drop index IX_zf_Biaodi202401_fangno");
            drop.exec();
        }
        sqlite3* raw = nullptr;
        sqlite3_open(QFile::encodeName(file).constData(), &raw);
        registerServerFunctions(raw);
        QCOMPARE(sqlite3_exec(raw, "PRAGMA user_version=5", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(raw);
        for (int open = 0; open < 2; ++open) {
            Connection c;
            c.open({QStringLiteral("sqlite:") + file, {}, {}, {}});
            Query q(c);
            q.setSql(count);
            q.open();
            QCOMPARE(q.result()->text(0, 0), QStringLiteral("6"));
            Query v(c);
            v.setSql("PRAGMA user_version");
            v.open();
            QCOMPARE(v.result()->text(0, 0), QString::number(Schema::kVersion));
        }
    }
};

QTEST_MAIN(TestPrefixSearch)
#include "tst_prefixsearch.moc"
