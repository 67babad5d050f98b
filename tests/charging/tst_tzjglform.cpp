// Rent charging walked through as an operator would: the opening list of
// this month, first and later payments with and without the deposit, a
// refused save, modifications that keep a first payment's deposit, the query
// dialog and the receipt guard, each checked against the database.
#include "modalwatch.h"
#include "chargingtest.h"
#include "connection.h"
#include "testdatabase.h"
#include "tzjglform.h"

#include <QDateEdit>

namespace {

void seed() {
    TestDatabase::exec("insert into Zf_Man (manid,manname,zjm) values ('K01','张三','ZS')");
    TestDatabase::exec("insert into Zf_Man (manid,manname,zjm) values ('K02','李四','LS')");
    TestDatabase::exec("insert into Zf_Man (manid,manname,zjm) values ('K03','王五','WW')");
    TestDatabase::exec(
        "insert into Zf_Fangjian (fangno,fangya,fangprice,Ljf) values ('101',300,600,20)");
    TestDatabase::exec(
        "insert into Zf_Fangjian (fangno,fangya,fangprice,Ljf) values ('102',300,600,20.5)");
    TestDatabase::exec(
        "insert into Zf_Fangjian (fangno,fangya,fangprice,Ljf) values ('201',500,800,10)");
    TestDatabase::exec(
        "insert into Zf_Rz (manid,fangno,begindate,status) values ('K01','101','2024-01-15','1')");
    TestDatabase::exec(
        "insert into Zf_Rz (manid,fangno,begindate,status) values ('K02','102','2024-02-01','1')");
    TestDatabase::exec(
        "insert into Zf_Rz (manid,fangno,begindate,status) values ('K03','201','2023-01-01','1')");
    // K03 paid in March of last year and in this March.
    for (const char* day : {"2023-03-10", "2024-03-02"})
        TestDatabase::exec(
            QStringLiteral("insert into Zf_Zujin (fangno,manid,jkrq,fangya,fangprice,Ljf,Yf,sf,"
                           "begindate,enddate,status) values ('201','K03','%1',0,800,10,810,810,"
                           "'2023-01-01','2024-03-31','1')")
                .arg(QLatin1String(day)));
}

const QString kStored = QStringLiteral(
    "select fangno,manid,jkrq,fangya,fangprice,Ljf,Yf,sf,begindate,enddate,status from Zf_Zujin "
    "where id>2 order by id");

const QStringList kStateControls{"bitbtn_insert", "bitbtn_modify", "bitbtn_post", "bitbtn_cancel",
                                 "BBtn_Print",    "BitBtn_find",   "Ed_fh",       "Ed_yfzj",
                                 "Ed_sszj",       "Dt_EndDate",    "Com_status"};

QStringList fields(QWidget* f) {
    QStringList texts;
    for (const char* n :
         {"Ed_bh", "Ed_xm", "Ed_Yj", "Ed_yz", "Ed_Ljf", "Ed_yfzj", "Ed_sszj", "Ed_begindate"})
        texts << child<QLineEdit>(f, n)->text();
    return texts;
}

void chooseStatus(QWidget* f, const char* status) {
    auto* combo = child<QComboBox>(f, "Com_status");
    combo->setCurrentIndex(combo->findText(QString::fromUtf8(status)));
}

// Clicks (or double-clicks) a row of the grid.
void clickRow(QWidget* f, int row, bool twice) {
    auto* grid = child<QTableView>(f, "DBGrid1");
    const QPoint at = grid->visualRect(grid->model()->index(row, 1)).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
    if (twice)
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
}

} // namespace

class TestRentCharging : public QObject {
    Q_OBJECT

private slots:
    void payments() {
        TestDatabase db;
        seed();
        ScriptedMessagesScope scripted;
        ScriptedMessages& m = scripted.messages();
        TZjglForm form;
        QWidget* f = &form;
        f->show();
        QCOMPARE(f->windowTitle(), QStringLiteral("房租收费管理"));
        QCOMPARE(columnTitles(child<QTableView>(f, "DBGrid1")),
                 (QStringList{"房号", "用户编号", "客户姓名", "交款日期", "房押", "房租", "垃圾费",
                              "应付租金", "实收金额", "起租日期", "截止日期", "状态"}));
        QCOMPARE(unlabelled(f), QStringList());
        // This March only, not the March of last year.
        QCOMPARE(form.list().count(), 1);
        QCOMPARE(form.list().text("jkrq"), QStringLiteral("2024-03-02"));
        QCOMPARE(fields(f), (QStringList{"", "", "0", "0", "0", "0.00", "", ""}));
        QCOMPARE(child<QDateEdit>(f, "Dt_EndDate")->date(), QDate(2024, 3, 7));
        QCOMPARE(enabledStates(f, kStateControls), QStringLiteral("11001100000"));
        QVERIFY(!closeModalOpenedBy([&] { click(f, "BBtn_Print"); }).isEmpty());
        QCOMPARE(takeMessages(m), QStringList());
        // A charge the list does not hold (the arrears open one so): the list
        // narrows to it; one it holds just becomes current.
        {
            TZjglForm other;
            other.showChargeRow(TestDatabase::scalar("select id from Zf_Zujin where jkrq='2024-03-02'").toInt());
            QCOMPARE(other.list().count(), 1);
            QCOMPARE(other.list().text("jkrq"), QStringLiteral("2024-03-02"));
            other.showChargeRow(TestDatabase::scalar("select id from Zf_Zujin where jkrq='2023-03-10'").toInt());
            QCOMPARE(other.list().count(), 1);
            QCOMPARE(other.list().text("jkrq"), QStringLiteral("2023-03-10"));
        }

        // 新增 searches at once: the empty text matches every let room.
        click(f, "bitbtn_insert");
        QCOMPARE(enabledStates(f, kStateControls), QStringLiteral("01111111111"));
        QVERIFY(!child<QLineEdit>(f, "Ed_bh")->text().isEmpty());
        // A first payment found by mnemonic code: deposit 300 + rent 600 +
        // refuse 20; the room found is stored, not the code typed.
        auto* room = child<QLineEdit>(f, "Ed_fh");
        QTest::keyClicks(room, "zs");
        QCOMPARE(fields(f),
                 (QStringList{"K01", "张三", "300", "600", "20", "920", "920", "2024-01-15"}));
        chooseStatus(f, "已交款");
        child<QDateEdit>(f, "Dt_EndDate")->setDate(QDate(2024, 4, 14));
        click(f, "bitbtn_post");
        QCOMPARE(enabledStates(f, kStateControls), QStringLiteral("11001100000"));
        QStringList rows{"101|K01|2024-03-07|300|600|20|920|920|2024-01-15|2024-04-14|1"};

        // A refuse fee of 20.5: 920.5, no trailing zeros. The end date
        // chosen last stays chosen.
        click(f, "bitbtn_insert");
        room->setText("102");
        QCOMPARE(fields(f), (QStringList{"K02", "李四", "300", "600", "20.5", "920.5", "920.5",
                                         "2024-02-01"}));
        // Not paid: nothing received is proposed.
        chooseStatus(f, "未交款");
        QCOMPARE(child<QLineEdit>(f, "Ed_sszj")->text(), QStringLiteral("0"));
        click(f, "bitbtn_post");
        rows << "102|K02|2024-03-07|300|600|20.5|920.5|0|2024-02-01|2024-04-14|0";

        // K01's second payment carries no deposit; its period is paid for
        // already, so the screen asks first.
        click(f, "bitbtn_insert");
        room->setText("101");
        QCOMPARE(fields(f).mid(2, 5), (QStringList{"0", "600", "20", "620", "620"}));
        chooseStatus(f, "已交款");
        m.answerNext(MsgAnswer::Yes);
        click(f, "bitbtn_post");
        rows << "101|K01|2024-03-07|0|600|20|620|620|2024-01-15|2024-04-14|1";
        QCOMPARE(takeMessages(m), (QStringList{"房屋出租管理|保存成功！", "房屋出租管理|保存成功！",
                                               "Morvik提示|该房间的房租已收至2024-04-14，确认再收一次吗？",
                                               "房屋出租管理|保存成功！"}));
        QCOMPARE(TestDatabase::rows(kStored), rows);

        // A room that is not let: refused, and a save stores nothing.
        click(f, "bitbtn_insert");
        room->setText("9");
        QCOMPARE(takeMessages(m), QStringList{"房屋出租管理|对不起！没有此用户"});
        QCOMPARE(room->selectedText(), QStringLiteral("9"));
        chooseStatus(f, "已交款");
        click(f, "bitbtn_post");
        QCOMPARE(takeMessages(m), QStringList{"|操作失败！"});
        QVERIFY(!Connection::shared().inTransaction());
        QCOMPARE(TestDatabase::rows(kStored), rows);
        click(f, "bitbtn_cancel");

        // The list holds this month's four payments; find each new one.
        QCOMPARE(form.list().count(), 4);
        const auto rowOf = [&](const QString& room, const QString& paid) {
            for (int r = 0; r < form.list().count(); ++r) {
                form.list().seek(r);
                if (form.list().text("fangno") == room && form.list().text("sf") == paid)
                    return r;
            }
            return -1;
        };

        // 修改 of K01's first payment, the room edit changing from "9":
        // the search runs, and the deposit of that first payment stays.
        clickRow(f, rowOf("101", "920"), false);
        click(f, "bitbtn_modify");
        QCOMPARE(form.editMode(), 2);
        QCOMPARE(fields(f),
                 (QStringList{"K01", "张三", "300", "600", "20", "920", "920", "2024-01-15"}));
        // 未交款 chosen: the money received proposed is nothing.
        chooseStatus(f, "未交款");
        click(f, "bitbtn_post");
        rows[0] = "101|K01|2024-03-07|300|600|20|920|0|2024-01-15|2024-04-14|0";
        // The second payment, loaded without a search (same room), keeps its 0.
        clickRow(f, rowOf("101", "620"), true);
        QCOMPARE(fields(f).mid(2, 5), (QStringList{"0", "600", "20", "620", "620"}));
        click(f, "bitbtn_modify");
        // A third decimal place is rounded away, on screen as in the table.
        child<QLineEdit>(f, "Ed_sszj")->setText("600.495");
        click(f, "bitbtn_post");
        QCOMPARE(child<QLineEdit>(f, "Ed_sszj")->text(), QStringLiteral("600.5"));
        rows[2] = "101|K01|2024-03-07|0|600|20|620|600.5|2024-01-15|2024-04-14|1";
        QCOMPARE(takeMessages(m),
                 (QStringList{"房屋出租管理|修改成功！", "房屋出租管理|修改成功！"}));
        QCOMPARE(TestDatabase::rows(kStored), rows);

        shot(f, "TZjglForm");

        // The query dialog narrows the list; a quote typed as a value finds
        // nothing and changes nothing.
        queryFor(f, "用户编号", "K02");
        QCOMPARE(form.list().count(), 1);
        QCOMPARE(form.list().text("fangno"), QStringLiteral("102"));
        queryFor(f, "房号", "' or '1'='1");
        QCOMPARE(form.list().count(), 0);
        click(f, "BBtn_Print");
        QCOMPARE(takeMessages(m), QStringList{"Morvik提示|请查询后再打印！"});
        QCOMPARE(TestDatabase::rows(kStored), rows);
    }
};

QTEST_MAIN(TestRentCharging)
#include "tst_tzjglform.moc"
