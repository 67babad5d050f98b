#include "querymodel.h"
#include "testdatabase.h"

#include <QElapsedTimer>
#include <QHeaderView>
#include <QSignalSpy>
#include <QTableView>
#include <QtTest>

namespace {

void clickRow(QTableView* view, int row) {
    const QRect cell = view->visualRect(view->model()->index(row, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
}

int selectedRow(QTableView* view) {
    const QModelIndexList rows = view->selectionModel()->selectedRows();
    return rows.size() == 1 ? rows.first().row() : -1;
}

void seedRooms(const QStringList& numbers) {
    for (const QString& no : numbers)
        TestDatabase::exec(QStringLiteral("insert into Zf_Fangjian (fangno, area, fangprice) "
                                          "values ('%1', 20.5, 800)")
                               .arg(no));
}

} // namespace

class TestQueryModel : public QObject {
    Q_OBJECT

private slots:
    void cells_data() {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("rightAligned");
        QTest::newRow("decimal with fraction") << "cast(30.75 as numeric(12,2))" << "30.75" << true;
        QTest::newRow("whole decimal") << "cast(1200 as numeric(12,2))" << "1200" << true;
        QTest::newRow("integer") << "42" << "42" << true;
        QTest::newRow("text") << "'一房一厅'" << "一房一厅" << false;
        QTest::newRow("null") << "cast(null as varchar(10))" << "" << false;
    }
    void cells() {
        QFETCH(QString, expression);
        QFETCH(QString, text);
        QFETCH(bool, rightAligned);
        TestDatabase db;
        Query q;
        q.setSql(QStringLiteral("select %1 as v, 'x' as other").arg(expression));
        q.open();
        QueryModel model(q, {{"other", "另一列"}, {"V", "值"}, {"absent", "缺"}});
        QCOMPARE(model.columnCount(), 3);
        QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("值"));
        QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), QStringLiteral("缺"));
        QCOMPARE(model.data(model.index(0, 1)).toString(), text);
        const int align = model.data(model.index(0, 1), Qt::TextAlignmentRole).toInt();
        QCOMPARE(bool(align & Qt::AlignRight), rightAligned);
        QCOMPARE(model.data(model.index(0, 2)).toString(), QString());
        QVERIFY(!(model.flags(model.index(0, 1)) & Qt::ItemIsEditable));
    }

    void withoutColumnsShowsEveryColumn() {
        TestDatabase db;
        Query q;
        q.setSql(QStringLiteral("select *from dbo.Zf_Dj"));
        q.open();
        QueryModel model(q);
        QCOMPARE(model.columnCount(), 4);
        QCOMPARE(model.rowCount(), 4);
        QCOMPARE(model.headerData(1, Qt::Horizontal).toString().toLower(), QStringLiteral("sfname"));
        QCOMPARE(model.data(model.index(1, 1)).toString(), QStringLiteral("热水"));
    }

    // The model shows whatever result the query holds once told: a reopened
    // list with a new row, a deleted row gone with the next one current.
    void followsReopenAndDelete() {
        TestDatabase db;
        seedRooms({"101", "102", "103"});
        Query q;
        q.setSql(QStringLiteral("select fangno from Zf_Fangjian order by fangno"));
        q.open();
        QueryModel model(q, {{"fangno", "房号"}});
        QTableView view;
        bindQueryGrid(&view, &model);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QCOMPARE(model.rowCount(), 3);

        seedRooms({"100"});
        model.reopen();
        QCOMPARE(model.rowCount(), 4);
        QCOMPARE(model.data(model.index(0, 0)).toString(), QStringLiteral("100"));
        QCOMPARE(selectedRow(&view), 0);

        clickRow(&view, 1);
        QCOMPARE(q.text("fangno"), QStringLiteral("101"));
        model.deleteCurrentRow(QStringLiteral("Zf_Fangjian"), QStringLiteral("fangno"));
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(model.data(model.index(1, 0)).toString(), QStringLiteral("102"));
        QCOMPARE(q.text("fangno"), QStringLiteral("102"));
        QCOMPARE(selectedRow(&view), 1);
        QCOMPARE(TestDatabase::rows("select fangno from zf_fangjian order by fangno"),
                 QStringList({"100", "102", "103"}));

        // Deleting the last row leaves the new last row current.
        model.last();
        model.deleteCurrentRow(QStringLiteral("Zf_Fangjian"), QStringLiteral("fangno"));
        QCOMPARE(model.currentRow(), 1);
        QCOMPARE(selectedRow(&view), 1);
    }

    void refusedDeleteKeepsTheRow() {
        TestDatabase db;
        seedRooms({"101", "102"});
        TestDatabase::exec("insert into Zf_Man (manid, manname) values ('K01', '张三')");
        TestDatabase::exec("insert into Zf_Rz (manid, fangno, status) values ('K01', '101', '1')");
        Query q;
        q.setSql(QStringLiteral("select fangno from Zf_Fangjian order by fangno"));
        q.open();
        QueryModel model(q, {{"fangno", "房号"}});
        QVERIFY_THROWS_EXCEPTION(DbError, model.deleteCurrentRow("Zf_Fangjian", "fangno"));
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.currentRow(), 0);
        QCOMPARE(TestDatabase::rows("select count(*) from zf_fangjian"), QStringList{"2"});
    }

    // Clicks and keys in the grid move the query's cursor; moving the cursor
    // through the model selects the row in the grid.
    void gridAndCursorMoveTogether() {
        TestDatabase db;
        seedRooms({"1", "2", "3", "4", "5"});
        Query q;
        q.setSql(QStringLiteral("select fangno from Zf_Fangjian order by fangno"));
        q.open();
        QueryModel model(q, {{"fangno", "房号"}});
        QTableView view;
        bindQueryGrid(&view, &model);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QSignalSpy moved(&model, &QueryModel::currentRowChanged);

        QCOMPARE(selectedRow(&view), 0);
        clickRow(&view, 2);
        QCOMPARE(q.row(), 2);
        QTest::keyClick(&view, Qt::Key_Down);
        QCOMPARE(q.row(), 3);
        QTest::keyClick(&view, Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(q.row(), 0);
        QVERIFY(model.last());
        QCOMPARE(selectedRow(&view), 4);
        QVERIFY(!model.next());
        QVERIFY(model.prior());
        QCOMPARE(selectedRow(&view), 3);
        QCOMPARE(q.text("fangno"), QStringLiteral("4"));
        QVERIFY(!model.moveTo(9));
        QCOMPARE(q.row(), 3);
        QVERIFY(moved.count() >= 5);

        q.close();
        model.refresh();
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.currentRow(), -1);
        QCOMPARE(selectedRow(&view), -1);
        QVERIFY(!model.first());
    }

    // A list of a quarter of a million rows: the model takes the result over
    // without copying it and the grid paints its first page at once.
    void largeListOpensAtOnce() {
        TestDatabase db;
        Query q;
        q.setSql(QStringLiteral(
            "with n(i) as (select 1 union all select i+1 from n where i<250000) "
            "select i as id, i*1.25 as amount from n"));
        q.open();
        QCOMPARE(q.count(), 250000);
        q.last();

        QTableView view;
        view.resize(600, 400);
        QElapsedTimer timer;
        timer.start();
        QueryModel model(q, {{"id", "编号"}, {"amount", "金额"}});
        bindQueryGrid(&view, &model);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QImage first = view.grab().toImage();
        const qint64 elapsed = timer.elapsed();
        QVERIFY(!first.isNull());
        QCOMPARE(model.rowCount(), 250000);
        QCOMPARE(model.data(model.index(249998, 1)).toString(), QStringLiteral("312498.75"));
        QCOMPARE(selectedRow(&view), 249999);
        qInfo("250,000 rows shown in %lld ms", elapsed);
        QVERIFY2(elapsed < 500, qPrintable(QStringLiteral("%1 ms").arg(elapsed)));
    }
};

QTEST_MAIN(TestQueryModel)
#include "tst_querymodel.moc"
