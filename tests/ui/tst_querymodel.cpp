#include "gridexport.h"
#include "querymodel.h"
#include "testdatabase.h"

#include <QBuffer>
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

    // A grid's list shows its first rows at once and reads the rest between
    // events; whatever asks about the whole list (count, locate, last, an
    // export) sees every row, and a write on the connection while the rest
    // is unread neither fails nor changes what the list holds.
    void listReadInSteps() {
        TestDatabase db;
        Connection::shared().beginWriteTransaction();
        for (int i = 1; i <= 3000; ++i)
            TestDatabase::exec(QStringLiteral("insert into Zf_Fangjian (fangno, fangprice) values ('R%1', %2)")
                                   .arg(i, 4, 10, QLatin1Char('0'))
                                   .arg(i));
        Connection::shared().commit();

        Query q;
        q.setSql(QStringLiteral("select fangno, fangprice from Zf_Fangjian order by fangno"));
        QTableView view;
        QueryModel model(q, {{"fangno", "房号"}, {"fangprice", "房价"}});
        bindQueryGrid(&view, &model);
        model.reopen();
        QVERIFY(model.canFetchMore());
        QVERIFY(model.rowCount() < 3000);
        QCOMPARE(model.currentRow(), 0);

        // Locating a row not read yet reads on to it; the grid shows it.
        QVERIFY(model.locate(QStringLiteral("fangno"), QStringLiteral("r2500")));
        QCOMPARE(model.currentRow(), 2499);
        QVERIFY(model.rowCount() >= 2500);
        QCOMPARE(selectedRow(view), 2499);
        QVERIFY(!model.locate(QStringLiteral("fangno"), QStringLiteral("R9999")));
        QCOMPARE(model.currentRow(), 2499);

        // An export holds every row, read or not.
        model.reopen();
        QBuffer csv;
        csv.open(QIODevice::WriteOnly);
        QCOMPARE(writeCsv(csv, model, {}), qint64(3000));
        QCOMPARE(csv.data().count('\n'), 3001);
        QCOMPARE(model.rowCount(), 3000);

        // A write while the rest is unread: the list is read to its end
        // first, as it stood when it was opened.
        model.reopen();
        QVERIFY(model.canFetchMore());
        TestDatabase::exec(QStringLiteral("insert into Zf_Fangjian (fangno, fangprice) values ('R9999', 1)"));
        QVERIFY(!model.canFetchMore());
        QCOMPARE(model.rowCount(), 3000);
        TestDatabase::exec(QStringLiteral("create view V_Rooms as select fangno from Zf_Fangjian"));

        // Left alone, the rest arrives between events; the last row and the
        // count are the whole result's.
        model.reopen();
        QVERIFY(model.canFetchMore());
        QTRY_VERIFY(!model.canFetchMore());
        QCOMPARE(model.rowCount(), 3001);
        QCOMPARE(model.data(model.index(3000, 0)).toString(), QStringLiteral("R9999"));
        model.reopen();
        QVERIFY(model.last());
        QCOMPARE(model.currentRow(), 3000);
        QCOMPARE(q.count(), 3001);

        // A query no grid shows reads its whole result at once.
        Query plain;
        plain.setSql(q.sql());
        plain.open();
        QCOMPARE(plain.result()->fetchedRows(), 3001);
    }
};

QTEST_MAIN(TestQueryModel)
#include "tst_querymodel.moc"
