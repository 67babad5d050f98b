// The three utility charging screens walked through a month as an operator
// would: searches by room number and by mnemonic code, the pairing with last
// month and within this month, the refusals, saves, a modification, the query
// dialog and the receipt guard, each checked against the database.
#include "modalwatch.h"
#include "chargingtest.h"
#include "connection.h"
#include "monthlytables.h"
#include "query.h"
#include "testdatabase.h"
#include "utilitychargeform.h"

#include <QDateEdit>
#include <memory>

namespace {

// Readings of one meter (the other two stay 0): last month and this month.
void seed(const QString& meter, int item) {
    EnsureCurrentBiaodiTables();
    const char* tenants[][3] = {{"K01", "张三", "ZS"},
                                {"K02", "李四", "LS"},
                                {"K03", "王五", "ZW"},
                                {"K04", "赵六", "ZL"},
                                {"K05", "钱七", "QQ"}};
    for (int i = 0; i < 5; ++i) {
        const QString room = QStringLiteral("10%1").arg(i + 1);
        TestDatabase::exec(
            QStringLiteral("insert into Zf_Man (manid,manname,zjm) values ('%1','%2','%3')")
                .arg(tenants[i][0], tenants[i][1], tenants[i][2]));
        TestDatabase::exec(
            QStringLiteral("insert into Zf_Fangjian (fangno,fangprice) values ('%1',600)")
                .arg(room));
        TestDatabase::exec(
            QStringLiteral("insert into Zf_Rz (manid,fangno,begindate,status) values "
                           "('%1','%2','2024-01-01','1')")
                .arg(tenants[i][0], room));
    }
    const auto reading = [&meter](const QString& table, const char* room, const char* date,
                                  const char* value) {
        TestDatabase::exec(
            QStringLiteral(
                "insert into %1 (fangno,Cbrq,lsb,rsb,db,mqb) values "
                "('%2','%3',0,0,0,0); update %1 set %4=%5 where ID=(select max(ID) from %1)")
                .arg(table, room, date, meter, value));
    };
    reading(SyBiaodiName, "101", "2024-02-03", "120.5");
    reading(SyBiaodiName, "105", "2024-02-03", "80");
    reading(BiaodiName, "101", "2024-03-04", "132.8");
    reading(BiaodiName, "102", "2024-03-01", "50");
    reading(BiaodiName, "102", "2024-03-05", "57.25");
    reading(BiaodiName, "103", "2024-03-04", "10");
    reading(BiaodiName, "105", "2024-03-04", "70.5");
    // Room 104 has no reading this month.
    TestDatabase::exec(QStringLiteral("update zf_dj set price=2.5 where djid=%1").arg(item));
}

std::unique_ptr<UtilityChargeForm> makeScreen(const QString& name) {
    if (name == "TLsSfForm")
        return std::make_unique<TLsSfForm>();
    if (name == "TRsSfForm")
        return std::make_unique<TRsSfForm>();
    return std::make_unique<TYdSfForm>();
}

const QStringList kStateControls{"bitbtn_insert", "bitbtn_modify", "bitbtn_post", "bitbtn_cancel",
                                 "BBtn_Print",    "BitBtn_find",   "Ed_Fh",       "Ed_Yfj",
                                 "Ed_Sfj",        "Com_Status"};

QStringList fields(QWidget* f) {
    QStringList texts;
    for (const char* n : {"Ed_Bh", "Ed_Xm", "Ed_Sycbrq", "Ed_Sybd", "Ed_Bybd", "Ed_Sys", "Ed_Dj",
                          "Ed_Yfj", "Ed_Sfj"})
        texts << child<QLineEdit>(f, n)->text();
    return texts;
}

void chooseStatus(QWidget* f, const char* status) {
    auto* combo = child<QComboBox>(f, "Com_Status");
    combo->setCurrentIndex(combo->findText(QString::fromUtf8(status)));
}

// Makes the list's row of that room current, by a click on its grid row.
void clickRow(QWidget* f, const QString& room) {
    auto* grid = child<QTableView>(f, "DBGrid1");
    for (int r = 0; r < grid->model()->rowCount(); ++r) {
        if (grid->model()->index(r, 0).data().toString() == room) {
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                              grid->visualRect(grid->model()->index(r, 1)).center());
            return;
        }
    }
    QFAIL(qPrintable("no row of room " + room));
}

} // namespace

class TestUtilityCharging : public QObject {
    Q_OBJECT

private slots:
    void month_data() {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("meter");
        QTest::addColumn<QString>("priceColumn");
        QTest::addColumn<int>("item");
        QTest::addColumn<bool>("modifyWhileEditing");
        QTest::addColumn<bool>("focusAfterEnter");
        QTest::newRow("cold water") << "TLsSfForm"
                                    << "冷水收费管理"
                                    << "Zf_Lenshui"
                                    << "lsb"
                                    << "lsdj" << 1 << false << false;
        QTest::newRow("hot water") << "TRsSfForm"
                                   << "热水收费管理"
                                   << "Zf_Reshui"
                                   << "rsb"
                                   << "rsdj" << 2 << true << false;
        QTest::newRow("electricity") << "TYdSfForm"
                                     << "用电收费管理"
                                     << "Zf_YdSf"
                                     << "db"
                                     << "Yddj" << 3 << true << true;
    }

    void month() {
        QFETCH(QString, screen);
        QFETCH(QString, caption);
        QFETCH(QString, table);
        QFETCH(QString, meter);
        QFETCH(QString, priceColumn);
        QFETCH(int, item);
        QFETCH(bool, modifyWhileEditing);
        QFETCH(bool, focusAfterEnter);
        TestDatabase db;
        seed(meter, item);
        ScriptedMessagesScope scripted;
        ScriptedMessages& m = scripted.messages();
        const QString stored =
            QStringLiteral(
                "select fangno,manid,jkrq,sybd,bybd,sys,%1,yfj,sfj,status from %2 order by id")
                .arg(priceColumn, table);
        const QString browse = QStringLiteral("1100110000");
        const QString editing =
            modifyWhileEditing ? QStringLiteral("0111111111") : QStringLiteral("0011111111");

        auto form = makeScreen(screen);
        QWidget* f = form.get();
        f->show();
        QCOMPARE(f->metaObject()->className(), screen.toLatin1());
        QCOMPARE(f->windowTitle(), caption);
        QCOMPARE(columnTitles(child<QTableView>(f, "DBGrid1")),
                 (QStringList{"房号", "客户编号", "客户姓名", "交款日期", "上月表底", "本月表底",
                              "实用数", "单价", "应付金额", "实收金额", "状态"}));
        QCOMPARE(unlabelled(f), QStringList());
        QCOMPARE(enabledStates(f, kStateControls), browse);
        QCOMPARE(child<QPushButton>(f, "BBtn_Print")->text(), QStringLiteral("&P收据"));
        click(f, "BBtn_Print");
        QCOMPARE(takeMessages(m), QStringList{"Morvik提示|请查询后再打印！"});

        // A mnemonic code finds room 101: last month's 120.5, this month's
        // 132.8 at 2.5 give 12.3 and 30.75; the room found is what is stored.
        click(f, "bitbtn_insert");
        QCOMPARE(enabledStates(f, kStateControls), editing);
        auto* room = child<QLineEdit>(f, "Ed_Fh");
        QCOMPARE(f->focusWidget(), room);
        QTest::keyClicks(room, "zs");
        QCOMPARE(takeMessages(m), QStringList());
        QCOMPARE(fields(f), (QStringList{"K01", "张三", "2024-02-03", "120.5", "132.8", "12.3",
                                         "2.5", "30.75", "30.75"}));
        QCOMPARE(child<QLineEdit>(f, "Ed_Sys")->toolTip(), QString());
        chooseStatus(f, "已交款");
        click(f, "bitbtn_post");
        QCOMPARE(takeMessages(m), QStringList{"房屋出租管理|保存成功！"});
        QCOMPARE(enabledStates(f, kStateControls), browse);
        QStringList rows{"101|K01|2024-03-07|120.5|132.8|12.3|2.5|30.75|30.75|1"};
        QCOMPARE(TestDatabase::rows(stored), rows);
        QCOMPARE(form->list().count(), 1);

        // A price changed while the screen is open counts from the next opening.
        TestDatabase::exec(QStringLiteral("update zf_dj set price=4 where djid=%1").arg(item));

        // Two readings this month: the later minus the earlier; the amount
        // rounded once to the fen, the received amount changed by hand.
        click(f, "bitbtn_insert");
        room->setText("102");
        QCOMPARE(fields(f), (QStringList{"K02", "李四", "2024-03-01", "50", "57.25", "7.25", "2.5",
                                         "18.13", "18.13"}));
        child<QLineEdit>(f, "Ed_Sfj")->setText("10");
        chooseStatus(f, "未交款");
        click(f, "bitbtn_post");
        rows << "102|K02|2024-03-07|50|57.25|7.25|2.5|18.13|10|0";

        // A meter that went down gives a negative usage: marked, and never
        // stored as a charge; the screen says how to record the change.
        click(f, "bitbtn_insert");
        room->setText("105");
        QCOMPARE(fields(f).mid(3), (QStringList{"80", "70.5", "-9.5", "2.5", "-23.75", "-23.75"}));
        QVERIFY(child<QLineEdit>(f, "Ed_Sys")->toolTip().contains(QStringLiteral("换表登记")));
        chooseStatus(f, "已交款");
        // The amount due is negative; a payment received cannot be: refused
        // until one not below zero is typed.
        click(f, "bitbtn_post");
        const QStringList saved = takeMessages(m);
        QCOMPARE(saved.size(), 2);
        QCOMPARE(saved.first(), QStringLiteral("房屋出租管理|保存成功！"));
        QVERIFY(saved.last().startsWith(QStringLiteral("Morvik提示|本次实用数为负数，不能收费")));
        QCOMPARE(TestDatabase::rows(stored), rows);
        click(f, "bitbtn_cancel");

        // No reading last month, no reading this month: refused, the fields
        // keep their texts, and a save stores nothing.
        click(f, "bitbtn_insert");
        const QStringList before = fields(f);
        room->setText("103");
        QCOMPARE(takeMessages(m), QStringList{"房屋出租管理|本房间月底还未抄表！请先抄表再收费"});
        QCOMPARE(room->selectedText(), QStringLiteral("103"));
        QCOMPARE(fields(f), before);
        // Room 104 is let but was never read.
        room->setText("104");
        QCOMPARE(takeMessages(m), QStringList{"房屋出租管理|本房间月底还未抄表！请先抄表再收费"});
        room->setText("106");
        QCOMPARE(takeMessages(m), QStringList{"房屋出租管理|对不起！没有此用户"});
        // "z" begins the codes of the tenants of rooms 101 and 103: the first
        // is found, whose readings are charged already.
        room->setText("z");
        QCOMPARE(takeMessages(m), QStringList());
        QCOMPARE(fields(f), (QStringList{"K01", "张三", "2024-02-03", "120.5", "132.8", "12.3", "2.5",
                                         "30.75", "30.75"}));
        chooseStatus(f, "已交款");
        click(f, "bitbtn_post");
        QCOMPARE(takeMessages(m),
                 QStringList{"Morvik提示|房间101 2024-02-03至2024-03-04的读数已收过费，不能重复收费！"});
        QCOMPARE(enabledStates(f, kStateControls), editing);
        QVERIFY(!Connection::shared().inTransaction());
        QCOMPARE(TestDatabase::rows(stored), rows);
        // Enter completes a typed beginning to the room found; on the
        // electricity screen it also takes the focus back to the room edit
        // (here from 保存, pressed last).
        room->clear();
        QTest::keyClicks(room, "zs");
        QTest::keyClick(room, Qt::Key_Return);
        QCOMPARE(room->text(), QStringLiteral("101"));
        QCOMPARE(f->focusWidget()->objectName(),
                 focusAfterEnter ? QStringLiteral("Ed_Fh") : QStringLiteral("bitbtn_post"));
        click(f, "bitbtn_cancel");
        QCOMPARE(enabledStates(f, kStateControls), browse);
        QCOMPARE(TestDatabase::rows(stored), rows);

        // 修改 the first charge: its stored values come back, the new status
        // and amount are saved to that row only.
        clickRow(f, "101");
        click(f, "bitbtn_modify");
        QCOMPARE(form->editMode(), 2);
        QCOMPARE(fields(f), (QStringList{"K01", "张三", "2024-02-03", "120.5", "132.8", "12.3",
                                         "2.5", "30.75", "30.75"}));
        QCOMPARE(child<QComboBox>(f, "Com_Status")->currentText(), QStringLiteral("已交款"));
        QCOMPARE(child<QDateEdit>(f, "DT_Jkrq")->date(), QDate(2024, 3, 7));
        child<QLineEdit>(f, "Ed_Sfj")->setText("30");
        chooseStatus(f, "未交款");
        click(f, "bitbtn_post");
        QCOMPARE(takeMessages(m), QStringList{"房屋出租管理|修改成功！"});
        rows[0] = "101|K01|2024-03-07|120.5|132.8|12.3|2.5|30.75|30|0";
        QCOMPARE(TestDatabase::rows(stored), rows);

        // The query dialog narrows the list; a quote typed as a value is a
        // value, which finds nothing and changes nothing.
        queryFor(f, "房号", "102");
        QCOMPARE(form->list().count(), 1);
        QCOMPARE(form->list().text("sfj"), QStringLiteral("10"));
        queryFor(f, "客户编号", "K02");
        QCOMPARE(form->list().count(), 1);
        QCOMPARE(form->list().text("fangno"), QStringLiteral("102"));
        // A row: its receipt's preview, no notice.
        QVERIFY(!closeModalOpenedBy([&] { click(f, "BBtn_Print"); }).isEmpty());
        QCOMPARE(takeMessages(m), QStringList{});
        queryFor(f, "房号", "' or '1'='1");
        QCOMPARE(form->list().count(), 0);
        click(f, "BBtn_Print");
        QCOMPARE(takeMessages(m), QStringList{"Morvik提示|请查询后再打印！"});
        QCOMPARE(TestDatabase::rows(stored), rows);
        form.reset();

        // Opened again, the screen reads the new price.
        form = makeScreen(screen);
        form->show();
        click(form.get(), "bitbtn_insert");
        child<QLineEdit>(form.get(), "Ed_Fh")->setText("101");
        QCOMPARE(fields(form.get()).mid(5), (QStringList{"12.3", "4", "49.2", "49.2"}));
        shot(form.get(), screen);
        QCOMPARE(form->list().count(), 2);
        QCOMPARE(takeMessages(m), QStringList());
    }
};

QTEST_MAIN(TestUtilityCharging)
#include "tst_utilitycharging.moc"
