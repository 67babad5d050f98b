// A maintenance screen whose list cannot be read when it opens: the failure
// reaches the general error display and the screen still opens, in browse
// with an empty list, its buttons working.
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
    void unreadableListAtOpening() {
        TestDatabase db;
        ScriptedMessagesScope messages;
        QDialog screen;
        QLineEdit* edit =
            addLabelledEdit(new QGridLayout(&screen), 0, 0, QStringLiteral("编号："), "Ed_bh");
        auto* grid = new QTableView(&screen);
        RecordMaintenance::Config c;
        c.listSql = QStringLiteral("select bh from no_such_table");
        c.gridColumns = {{"bh", "编号"}};
        c.buttons = createMaintenanceButtons(&screen);
        c.controls = {{edit, "bh"}};
        RecordMaintenance cycle(&screen, grid, c);

        cycle.open();
        QCOMPARE(messages->shown.size(), 1);
        QCOMPARE(messages->shown[0].caption, QStringLiteral("房屋出租管理"));
        QCOMPARE(messages->shown[0].icon, MsgIcon::Critical);
        QCOMPARE(grid->model()->rowCount(), 0);
        QVERIFY(c.buttons.insert->isEnabled() && c.buttons.remove->isEnabled() &&
                !edit->isEnabled());

        cycle.remove();
        QCOMPARE(messages->shown.last().text, QStringLiteral("空记录不能删除!"));
        cycle.modify();
        QVERIFY(edit->isEnabled());
        QCOMPARE(messages->shown.size(), 2);
    }
};

QTEST_MAIN(TestMaintenance)
#include "tst_maintenance.moc"
