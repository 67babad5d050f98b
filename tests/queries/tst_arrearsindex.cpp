// 欠费查询 reads only the unsettled charges, through the indexes over them,
// and shows the same lines and totals as when every row is read.
#include "query.h"
#include "sqlcatalog.h"
#include "testdatabase.h"
#include "tqfcxform.h"

#include <QTest>

namespace {

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

// Every row of a screen's query as its texts joined with "|".
QStringList rowsOf(Query& q) {
    QStringList rows;
    for (int r = 0; r < q.result()->rowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < q.result()->columnCount(); ++c)
            row << q.result()->text(r, c);
        rows << row.join('|');
    }
    return rows;
}

} // namespace

class TestArrearsIndex : public QObject {
    Q_OBJECT

private slots:
    // The arrears read only the unsettled rows, through the indexes over
    // them, and find the same lines and totals as reading every row.
    void arrearsReadOnlyUnsettledRows() {
        TestDatabase db;
        TestDatabase::exec("insert zf_man(manid,manname,zjm) values ('K1','张三','ZS');"
                           "insert zf_man(manid,manname,zjm) values ('K2','李四','LS');"
                           "insert zf_fangjian(fangno,fangprice) values ('101',800);"
                           "insert zf_fangjian(fangno,fangprice) values ('102',900)");
        int n = 0;
        const QStringList statuses{"1", "0", "", "1", "1"};
        for (const char* table : {"zf_lenshui", "zf_reshui", "zf_ydsf"})
            for (int i = 0; i < 40; ++i, ++n) {
                Query q;
                q.setSql(
                    QStringLiteral(
                        "insert %1(fangno,manid,jkrq,yfj,sfj,status) values (:no,:id,:d,:yf,0,:st)")
                        .arg(table));
                q.setText("no", i % 3 ? "101" : "102");
                q.setText("id", i % 2 ? "K1" : "K2");
                q.setText("d", QStringLiteral("2024-%1-05").arg(1 + i % 12));
                q.setText("yf", QStringLiteral("%1.%2").arg(10 + n).arg(n % 100, 2, 10,
                                                                        QLatin1Char('0')));
                if (i % 7 == 3)
                    q.setNull("st");
                else
                    q.setText("st", statuses[i % statuses.size()]);
                q.exec();
            }
        for (int i = 0; i < 30; ++i) {
            Query q;
            q.setSql(
                "insert zf_zujin(fangno,manid,jkrq,yf,sf,status) values ('101','K1',:d,:yf,0,:st)");
            q.setText("d", QStringLiteral("2023-%1-01").arg(1 + i % 12));
            q.setText("yf", QStringLiteral("800.%1").arg(i, 2, 10, QLatin1Char('0')));
            if (i % 4 == 0)
                q.setNull("st");
            else
                q.setText("st", statuses[i % statuses.size()]);
            q.exec();
        }
        TQfCxForm byIndex;
        const QString summary = catalogText("TQfCxForm summary");
        const QStringList all{"fangno", "%", "zjm", "%", "manid", "%"};
        const QString plan = planOf(summary, all);
        for (const char* table : {"Zf_Zujin", "Zf_Lenshui", "Zf_Reshui", "Zf_YdSf"})
            QVERIFY2(plan.contains(QStringLiteral("COVERING INDEX IX_%1_unpaid").arg(table)),
                     qPrintable(plan));
        QVERIFY2(!plan.contains("SCAN A\n") && !plan.endsWith("SCAN A"), qPrintable(plan));

        const QStringList lines = rowsOf(byIndex.summary()) << byIndex.totalsText();
        QCOMPARE(lines.size(), 5); // four tenant-room lines and the totals
        TestDatabase::exec("drop index IX_Zf_Zujin_unpaid; drop index IX_Zf_Lenshui_unpaid;"
                           "drop index IX_Zf_Reshui_unpaid; drop index IX_Zf_YdSf_unpaid");
        QVERIFY(!planOf(summary, all).contains("_unpaid"));
        TQfCxForm byRows;
        QCOMPARE(rowsOf(byRows.summary()) << byRows.totalsText(), lines);
    }
};

QTEST_MAIN(TestArrearsIndex)
#include "tst_arrearsindex.moc"
