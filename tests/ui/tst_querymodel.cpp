#include "querymodel.h"
#include "testdatabase.h"

#include <QTableView>
#include <QtTest>

namespace {

int selectedRow(QTableView& view) {
    const QModelIndexList rows = view.selectionModel()->selectedRows();
    return rows.size() == 1 ? rows.first().row() : -1;
}

} // namespace

class TestQueryModel : public QObject {
    Q_OBJECT

private slots:
    void cells_data() {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("rightAligned");
        QTest::newRow("decimal with fraction") << "cast(30.75 as numeric(12,2))"
                                               << "30.75" << true;
        QTest::newRow("whole decimal") << "cast(1200 as numeric(12,2))"
                                       << "1200" << true;
        QTest::newRow("text") << "'一房一厅'"
                              << "一房一厅" << false;
        QTest::newRow("null") << "cast(null as varchar(10))"
                              << "" << false;
    }
    void cells() {
        QFETCH(QString, expression);
        QFETCH(QString, text);
        QFETCH(bool, rightAligned);
        TestDatabase db;
        Query q;
        q.setSql(QStringLiteral("select 'x' as other, %1 as v").arg(expression));
        q.open();
        QueryModel model(q, {{"V", "值"}, {"absent", "缺"}});
        QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("值"));
        QCOMPARE(model.data(model.index(0, 0)).toString(), text);
        const int align = model.data(model.index(0, 0), Qt::TextAlignmentRole).toInt();
        QCOMPARE(bool(align & Qt::AlignRight), rightAligned);
        QCOMPARE(model.data(model.index(0, 1)).toString(), QString());
    }

    // Clicks and keys in the grid move the query's cursor; moving the cursor
    // through the model selects the row; a reopened list or a deleted row
    // shows at once, the cursor where the query left it.
    void gridFollowsQuery() {
        TestDatabase db;
        for (const char* no : {"101", "102", "103", "104"})
            TestDatabase::exec(
                QStringLiteral("insert into Zf_Fangjian (fangno, fangprice) values ('%1', 800)")
                    .arg(no));
        Query q;
        q.setSql(QStringLiteral("select fangno from Zf_Fangjian order by fangno"));
        q.open();
        QueryModel model(q, {{"fangno", "房号"}});
        QTableView view;
        bindQueryGrid(&view, &model);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QCOMPARE(selectedRow(view), 0);

        QTest::mouseClick(view.viewport(), Qt::LeftButton, {},
                          view.visualRect(model.index(2, 0)).center());
        QCOMPARE(q.text("fangno"), QStringLiteral("103"));
        QTest::keyClick(&view, Qt::Key_Up);
        QCOMPARE(q.row(), 1);
        QVERIFY(model.last() && !model.next());
        QCOMPARE(selectedRow(view), 3);

        model.prior();
        model.deleteCurrentRow(QStringLiteral("Zf_Fangjian"), QStringLiteral("fangno"));
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(q.text("fangno"), QStringLiteral("104"));
        QCOMPARE(selectedRow(view), 2);
        model.deleteCurrentRow(QStringLiteral("Zf_Fangjian"), QStringLiteral("fangno"));
        QCOMPARE(selectedRow(view), 1);

        TestDatabase::exec("insert into Zf_Fangjian (fangno, fangprice) values ('100', 1)");
        model.reopen();
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(model.data(model.index(0, 0)).toString(), QStringLiteral("100"));
        QCOMPARE(selectedRow(view), 0);

        q.close();
        model.refresh();
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(selectedRow(view), -1);
        QVERIFY(!model.first());
    }

    // A quarter of a million rows: taken over without a copy, the grid
    // paints its first page at once.
    void largeListOpensAtOnce() {
        TestDatabase db;
        Query q;
        q.setSql(
            QStringLiteral("with n(i) as (select 1 union all select i+1 from n where i<250000) "
                           "select i as id, i*1.25 as amount from n"));
        q.open();
        q.last();
        QTableView view;
        view.resize(600, 400);
        QueryModel model(q, {{"id", "编号"}, {"amount", "金额"}});
        bindQueryGrid(&view, &model);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QVERIFY(!view.grab().isNull());
        QCOMPARE(model.rowCount(), 250000);
        QCOMPARE(model.data(model.index(249998, 1)).toString(), QStringLiteral("312498.75"));
        QCOMPARE(selectedRow(view), 249999);
    }
};

QTEST_MAIN(TestQueryModel)
#include "tst_querymodel.moc"
