// The tenant, room and occupancy queries driven as a person uses them:
// typing, ticking, choosing, pressing 查  询, and reading what the grids show.
#include "modalwatch.h"
#include "screenhelpers.h"
#include "tczfcxform.h"
#include "testdatabase.h"
#include "tkfcxform.h"
#include "tzfkfcxform.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

void seed() {
    for (const char* t : {"'A','安娜','AN','0'", "'A01','艾一','AY','1'", "'K01','张三','ZS','1'",
                          "'K02','李四','A','x'"})
        TestDatabase::exec(
            QStringLiteral("insert into Zf_Man (manid,manname,zjm,sex) values (%1)").arg(t));
    for (const char* r :
         {"'101',20,'单房','朝南','床',500,800,10", "'102',35,'一房一厅','朝南','床',800,1200,10",
          "'103',20,'单房','朝北','',500,800,10", "'201',60,'二房一厅','朝东','',1000,1500.5,10"})
        TestDatabase::exec(
            QStringLiteral("insert into Zf_Fangjian "
                           "(fangno,area,housetype,facetype,sb,fangya,fangprice,Ljf) "
                           "values (%1)")
                .arg(r));
    TestDatabase::exec("insert into Zf_Rz (manid,fangno,begindate,enddate,status) values "
                       "('K01','102','2024-01-01','2024-12-31','1')");
    TestDatabase::exec("insert into Zf_Rz (manid,fangno,begindate,enddate,status) values "
                       "('K02','103','2023-06-01','2024-05-31','0')");
    TestDatabase::exec("insert into zf_tf (manid,fangno,begindate,tfdate,tfj,status) values "
                       "('K02','201','2023-01-01','2023-12-31',500,'0')");
    TestDatabase::exec("insert into zf_tf (manid,fangno,begindate,tfdate,tfj,status) values "
                       "('A','101','2022-01-01','2022-06-30',300.5,'1')");
}

// Everything the screens read, to prove that a search changed nothing.
QStringList snapshot() {
    QStringList all;
    for (const char* table : {"Zf_Man", "Zf_Fangjian", "Zf_Rz", "zf_tf"})
        all << TestDatabase::rows(QStringLiteral("select * from %1").arg(table));
    return all;
}

const QString kNotice = QStringLiteral("Morvik提示|");
const QString kGeneral = QStringLiteral("房屋出租管理|");

} // namespace

class TestRegisterQueries : public QObject {
    Q_OBJECT

private slots:
    void tenantQuery() {
        TestDatabase db;
        seed();
        ScriptedMessagesScope messages;
        TKfCxForm form;
        form.show();
        QCOMPARE(form.windowTitle(), QStringLiteral("客户基本情况查询"));
        auto* edit = child<QLineEdit>(&form, "Ed_Kfbh");
        auto* grid = child<QTableView>(&form, "DBGrid1");
        QCOMPARE(gridTitles(grid),
                 (QStringList{"客户编号", "客户名称", "助记码", "性别", "身份证号", "身份证地址",
                              "电话\u3000", "工作单位"}));
        QVERIFY(child<QCheckBox>(&form, "Chk")->isChecked());
        QCOMPARE(grid->model()->rowCount(), 0);

        click(&form, "BBtn_Print"); // nothing searched yet
        QCOMPARE(shownTexts(messages.messages()), QStringList{kNotice + "请查询后再打印"});
        QCOMPARE(messages->shown.size(), 0);

        // 模糊查询: number or mnemonic beginning with what is typed.
        QTest::keyClicks(edit, "a");
        QCOMPARE(gridColumn(grid, 0), (QStringList{"A", "A01", "K02"}));
        QVERIFY(gridRows(grid).contains(QStringLiteral("A|安娜|AN|女||||")));
        QVERIFY(gridRows(grid).contains(QStringLiteral("K02|李四|A|女||||")));
        saveShot(&form, "tkfcxform");
        // 查  询: exactly A, by number or mnemonic.
        click(&form, "BitBtn1");
        QCOMPARE(gridColumn(grid, 0), (QStringList{"A", "K02"}));
        QCOMPARE(form.focusWidget(), edit);
        QVERIFY(messages->shown.isEmpty());
        QTest::keyClicks(edit, "0");
        QCOMPARE(gridColumn(grid, 0), QStringList{"A01"});
        click(&form, "BitBtn1"); // "a0" is nobody's number
        QCOMPARE(grid->model()->rowCount(), 0);
        QCOMPARE(shownTexts(messages.messages()), QStringList{kNotice + "没有符合条件的记录"});
        QCOMPARE(form.focusWidget(), edit);

        // Cleared, typing changes nothing; 查  询 still searches.
        click(&form, "Chk");
        edit->clear();
        QTest::keyClicks(edit, "K01");
        QCOMPARE(grid->model()->rowCount(), 0);
        click(&form, "BitBtn1");
        QCOMPARE(gridColumn(grid, 0), QStringList{"K01"});
        // A result: no guard, the roster's preview.
        QCOMPARE(closeModalOpenedBy([&] { click(&form, "BBtn_Print"); }), QStringLiteral("客户花名册报表"));
        QVERIFY(messages->shown.isEmpty());
    }

    void roomQuery() {
        TestDatabase db;
        seed();
        ScriptedMessagesScope messages;
        TCzfCxForm form;
        form.show();
        QCOMPARE(form.windowTitle(), QStringLiteral("出租房基本情况查询"));
        auto* grid = child<QTableView>(&form, "DBGrid1");
        auto* room = child<QLineEdit>(&form, "Ed_Fh");
        auto* rent = child<QLineEdit>(&form, "Ed_Yz");
        QCOMPARE(gridTitles(grid), (QStringList{"房号", "面积", "户型", "朝向", "家俱设备", "押金",
                                                "月租", "垃圾费", "状态"}));
        QVERIFY(child<QComboBox>(&form, "Com_Cx")->currentText().isEmpty());
        QVERIFY(child<QRadioButton>(&form, "Rad_Wzf")->isChecked());
        click(&form, "BBtn_Print");
        QCOMPARE(shownTexts(messages.messages()), QStringList{kNotice + "请查询后再打印！"});

        // Every input empty: the rooms not let (no occupancy row, or status 0).
        click(&form, "BitBtn_find");
        QCOMPARE(gridRows(grid), (QStringList{"101|20|单房|朝南|床|500|800|10|未出租",
                                              "103|20|单房|朝北||500|800|10|未出租",
                                              "201|60|二房一厅|朝东||1000|1500.5|10|未出租"}));
        saveShot(&form, "tczfcxform");
        click(&form, "Rad_Yzf");
        click(&form, "BitBtn_find");
        QCOMPARE(gridRows(grid), QStringList{"102|35|一房一厅|朝南|床|800|1200|10|已出租"});
        click(&form, "Rad_Wzf");

        // Optional lines: orientation, then layout and rent; each stays.
        choose(child<QComboBox>(&form, "Com_Cx"), "朝南");
        click(&form, "BitBtn_find");
        QCOMPARE(gridColumn(grid, 0), QStringList{"101"});
        QTest::keyClicks(room, "2");
        click(&form, "BitBtn_find"); // 201 faces east
        QCOMPARE(grid->model()->rowCount(), 0);
        QCOMPARE(shownTexts(messages.messages()), QStringList{kNotice + "没有查到符合条件的记录"});
        QCOMPARE(form.focusWidget(), room);
        room->clear();
        QTest::keyClicks(room, " 1 ");
        QTest::keyClicks(rent, "800.00");
        choose(child<QComboBox>(&form, "Com_Fx"), "单房");
        click(&form, "BitBtn_find");
        QCOMPARE(gridColumn(grid, 0), QStringList{"101"});
        QVERIFY(messages->shown.isEmpty());

        // A rent that is no number: the database's error, an empty grid,
        // and the next search runs afresh.
        rent->clear();
        QTest::keyClicks(rent, "8OO");
        click(&form, "BitBtn_find");
        const QStringList failed = shownTexts(messages.messages());
        QCOMPARE(failed.size(), 1);
        QVERIFY2(failed[0].startsWith(kGeneral), qPrintable(failed[0]));
        // Said in Chinese first, the database's own text after it.
        QVERIFY2(failed[0].endsWith("输入的内容不是有效的数值或日期，请检查后重新输入。\n"
                                    "Error converting data type varchar to numeric."),
                 qPrintable(failed[0]));
        QCOMPARE(grid->model()->rowCount(), 0);
        click(&form, "BBtn_Print");
        QCOMPARE(shownTexts(messages.messages()), QStringList{kNotice + "请查询后再打印！"});
        rent->clear();
        QTest::keyClicks(rent, "800");
        click(&form, "BitBtn_find");
        QCOMPARE(gridColumn(grid, 0), QStringList{"101"});
    }

    void occupancyQuery() {
        TestDatabase db;
        seed();
        ScriptedMessagesScope messages;
        TZfKfCxForm form;
        form.show();
        QCOMPARE(form.windowTitle(), QStringLiteral("客户在住情况查询"));
        auto* grid = child<QTableView>(&form, "DBGrid1");
        auto* edit = child<QLineEdit>(&form, "Ed_Fh");
        QCOMPARE(gridTitles(grid), (QStringList{"客户编号", "客户名称", "助记码", "房号",
                                                "起租日期", "退房日期", "退房押金", "状态"}));
        QCOMPARE(grid->model()->rowCount(), 0);
        click(&form, "BBtn_Print");
        QCOMPARE(shownTexts(messages.messages()), QStringList{kNotice + "请查询后再打印！"});

        // 查  询 before anything: every current letting, check-out columns empty.
        click(&form, "BitBtn_find");
        QCOMPARE(gridRows(grid), (QStringList{"K01|张三|ZS|102|2024-01-01|||未退房",
                                              "K02|李四|A|103|2023-06-01|||已退房"}));
        // The radios list at once: check-outs with status 0, lettings with 1.
        click(&form, "Rad_Ytf");
        QCOMPARE(gridRows(grid), QStringList{"K02|李四|A|201|2023-01-01|2023-12-31|500|已退房"});
        saveShot(&form, "tzfkfcxform");
        click(&form, "Rad_Wtf");
        QCOMPARE(gridRows(grid), QStringList{"K01|张三|ZS|102|2024-01-01|||未退房"});
        QVERIFY(messages->shown.isEmpty());
        // Chosen with Space, or toggled by a screen reader, a radio lists
        // the same; Space on the radio already chosen lists again.
        auto* ytf = child<QRadioButton>(&form, "Rad_Ytf");
        auto* wtf = child<QRadioButton>(&form, "Rad_Wtf");
        ytf->setFocus();
        QTest::keyClick(ytf, Qt::Key_Space);
        QVERIFY(ytf->isChecked());
        QCOMPARE(gridRows(grid), QStringList{"K02|李四|A|201|2023-01-01|2023-12-31|500|已退房"});
        QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(wtf);
        QVERIFY(reader && reader->actionInterface());
        reader->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        QVERIFY(wtf->isChecked());
        QCOMPARE(gridRows(grid), QStringList{"K01|张三|ZS|102|2024-01-01|||未退房"});
        TestDatabase::exec("update Zf_Rz set begindate = '2024-02-01' where fangno = '102'");
        wtf->setFocus();
        QTest::keyClick(wtf, Qt::Key_Space);
        QCOMPARE(gridRows(grid), QStringList{"K01|张三|ZS|102|2024-02-01|||未退房"});
        TestDatabase::exec("update Zf_Rz set begindate = '2024-01-01' where fangno = '102'");
        QVERIFY(messages->shown.isEmpty());

        // Typing searches every row of the chosen table by room or mnemonic.
        QTest::keyClicks(edit, "1");
        QCOMPARE(gridColumn(grid, 3), (QStringList{"102", "103"}));
        click(&form, "Rad_Ytf"); // the list, not the search
        QCOMPARE(gridColumn(grid, 3), QStringList{"201"});
        edit->clear(); // an empty prefix: every check-out, whatever its status
        QCOMPARE(gridRows(grid), (QStringList{"A|安娜|AN|101|2022-01-01|2022-06-30|300.5|未退房",
                                              "K02|李四|A|201|2023-01-01|2023-12-31|500|已退房"}));
        QTest::keyClicks(edit, "A");
        QCOMPARE(gridColumn(grid, 3), (QStringList{"101", "201"}));
        QTest::keyClicks(edit, "N");
        QCOMPARE(gridColumn(grid, 3), QStringList{"101"});
        click(&form, "BitBtn_find"); // confirms what typing found
        QCOMPARE(gridColumn(grid, 3), QStringList{"101"});
        QVERIFY(messages->shown.isEmpty());

        // Cleared: typing leaves the grid, 查  询 searches.
        click(&form, "Chk");
        click(&form, "Rad_Wtf");
        edit->clear();
        QTest::keyClicks(edit, "10");
        QCOMPARE(gridColumn(grid, 3), QStringList{"102"});
        click(&form, "BitBtn_find");
        QCOMPARE(gridColumn(grid, 3), (QStringList{"102", "103"}));
        QTest::keyClicks(edit, "9");
        click(&form, "BitBtn_find");
        QCOMPARE(grid->model()->rowCount(), 0);
        QCOMPARE(shownTexts(messages.messages()), QStringList{kNotice + "没有符合条件的记录"});
        QCOMPARE(form.focusWidget(), edit);
    }

    // A quote, or a condition that would widen the statement, typed into
    // each search box finds nothing and changes nothing.
    void typedQuotes_data() {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("error"); // a text that is no number
        const QString texts[] = {QStringLiteral("1'"), QStringLiteral("' or '1'='1")};
        for (const QString& t : texts) {
            QTest::addRow("tenant fuzzy %s", qPrintable(t)) << "TKfCxForm"
                                                            << "Ed_Kfbh" << t << "" << false;
            QTest::addRow("tenant exact %s", qPrintable(t)) << "TKfCxForm"
                                                            << "Ed_Kfbh" << t << "BitBtn1" << false;
            QTest::addRow("room number %s", qPrintable(t))
                << "TCzfCxForm"
                << "Ed_Fh" << t << "BitBtn_find" << false;
            QTest::addRow("room rent %s", qPrintable(t)) << "TCzfCxForm"
                                                         << "Ed_Yz" << t << "BitBtn_find" << true;
            QTest::addRow("lettings fuzzy %s", qPrintable(t)) << "TZfKfCxForm"
                                                              << "Ed_Fh" << t << "" << false;
            QTest::addRow("lettings button %s", qPrintable(t))
                << "TZfKfCxForm"
                << "Ed_Fh" << t << "BitBtn_find" << false;
        }
    }
    void typedQuotes() {
        QFETCH(QString, screen);
        QFETCH(QString, box);
        QFETCH(QString, typed);
        QFETCH(QString, button);
        QFETCH(bool, error);
        TestDatabase db;
        seed();
        const QStringList before = snapshot();
        ScriptedMessagesScope messages;
        std::unique_ptr<QDialog> form;
        if (screen == "TKfCxForm")
            form.reset(new TKfCxForm);
        else if (screen == "TCzfCxForm")
            form.reset(new TCzfCxForm);
        else
            form.reset(new TZfKfCxForm);
        form->setAttribute(Qt::WA_DeleteOnClose, false);
        form->show();
        QTest::keyClicks(child<QLineEdit>(form.get(), qPrintable(box)), typed);
        if (!button.isEmpty())
            click(form.get(), qPrintable(button));
        auto* grid = child<QTableView>(form.get(), "DBGrid1");
        QCOMPARE(grid->model()->rowCount(), 0);
        const QStringList shown = shownTexts(messages.messages());
        if (error) {
            QCOMPARE(shown.size(), 1);
            QVERIFY(shown[0].startsWith(kGeneral));
        } else {
            for (const QString& s : shown) // at most the "nothing found" notice
                QVERIFY2(s.startsWith(kNotice + "没有"), qPrintable(s));
        }
        QCOMPARE(snapshot(), before);
    }
};

QTEST_MAIN(TestRegisterQueries)
#include "tst_registerqueries.moc"
