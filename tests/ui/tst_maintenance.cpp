// The maintenance cycle where no screen of the program leads: a list that
// cannot be read when the screen opens.
#include "maintenance.h"
#include "scriptedmessages.h"
#include "testdatabase.h"

#include <QAbstractButton>
#include <QDialog>
#include <QGridLayout>
#include <QLineEdit>
#include <QTableView>
#include <QtTest>

class TestMaintenance : public QObject {
    Q_OBJECT

private slots:
    // The failure reaches the general error display; the screen still opens,
    // in browse with an empty list, and its buttons go on working.
    void unreadableListAtOpening() {
        TestDatabase db;
        ScriptedMessagesScope messages;
        QDialog screen;
        auto* fields = new QGridLayout(&screen);
        QLineEdit* edit = addLabelledEdit(fields, 0, 0, QStringLiteral("编号："), "Ed_bh");
        auto* grid = new QTableView(&screen);
        RecordMaintenance::Config c;
        c.listSql = QStringLiteral("select bh from no_such_table");
        c.gridColumns = {{"bh", "编号"}};
        c.table = QStringLiteral("no_such_table");
        c.keyColumn = QStringLiteral("bh");
        c.buttons = createMaintenanceButtons(&screen);
        c.controls = {{edit, "bh"}};
        c.saveFailure = QStringLiteral("操作失败！");
        RecordMaintenance cycle(&screen, grid, c);

        cycle.open();
        QCOMPARE(messages->shown.size(), 1);
        QCOMPARE(messages->shown[0].caption, QStringLiteral("房屋出租管理"));
        QCOMPARE(messages->shown[0].icon, MsgIcon::Critical);
        QVERIFY(!messages->shown[0].text.isEmpty());
        QCOMPARE(grid->model()->rowCount(), 0);
        QVERIFY(c.buttons.insert->isEnabled());
        QVERIFY(c.buttons.remove->isEnabled());
        QVERIFY(!edit->isEnabled());

        messages->clear();
        cycle.remove();
        QCOMPARE(messages->shown.size(), 1);
        QCOMPARE(messages->shown[0].text, QStringLiteral("空记录不能删除!"));
        cycle.cellClicked();
        cycle.modify();
        QCOMPARE(edit->text(), QString());
        QVERIFY(edit->isEnabled());
    }
};

QTEST_MAIN(TestMaintenance)
#include "tst_maintenance.moc"
