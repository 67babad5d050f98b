// The statistics screen: the default period, each button's count and sums
// with both end days included, the grid and label switching, the guard.
#include "modalwatch.h"
#include "screenhelpers.h"
#include "testdatabase.h"
#include "tqtfytjform.h"
#include "tzfsfcxform.h"
#include "chargebook.h"
#include "payments.h"
#include "connection.h"
#include "session.h"
#include <QLineEdit>

#include <QDateEdit>
#include <QLabel>

namespace {

// Rent and cold water paid around the period 2024-02-29 .. 2024-03-07.
void seed() {
    TestDatabase::exec("insert into Zf_Man (manid,manname) values ('K01','张三')");
    TestDatabase::exec("insert into Zf_Fangjian (fangno,fangprice) values ('101',800)");
    for (const char* day : {"2024-02-28", "2024-02-29", "2024-03-03", "2024-03-07",
                            "2024-03-07 10:00:00", "2024-03-08"}) {
        TestDatabase::exec(
            QStringLiteral("insert into Zf_Zujin (fangno,manid,jkrq,fangya,fangprice,"
                           "ljf,yf,sf,status) values "
                           "('101','K01','%1',100,800,10.5,910.5,900,'1')")
                .arg(day));
        TestDatabase::exec(
            QStringLiteral("insert into Zf_Lenshui (fangno,manid,Jkrq,Sys,lsdj,Yfj,"
                           "sfj,status) values ('101','K01','%1',2.5,3.5,8.75,8.8,'1')")
                .arg(day));
    }
}

} // namespace

class TestStatistics : public QObject {
    Q_OBJECT

private slots:
    void defaultPeriod_data() {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QDate>("begin");
        QTest::newRow("in the month") << QDate(2026, 12, 8) << QDate(2026, 11, 30);
        QTest::newRow("first day of a month") << QDate(2024, 3, 1) << QDate(2024, 2, 29);
        QTest::newRow("first day of a year") << QDate(2025, 1, 1) << QDate(2024, 12, 31);
    }
    void defaultPeriod() {
        QFETCH(QDate, today);
        QFETCH(QDate, begin);
        TestDatabase db(QDateTime(today, QTime(9, 0)));
        TQtFyTjForm form;
        QCOMPARE(form.beginDate(), begin);
        QCOMPARE(form.endDate(), today);
    }

    void statistics() {
        TestDatabase db; // today 2024-03-07
        seed();
        ScriptedMessagesScope messages;
        TQtFyTjForm form;
        form.show();
        QCOMPARE(form.windowTitle(), QStringLiteral("统计报表"));
        auto* rent = child<QTableView>(&form, "DBGrid_Zjtj");
        auto* usage = child<QTableView>(&form, "DBGrid1");
        auto* label = child<QLabel>(&form, "Lb_ykh");
        QCOMPARE(label->text(), QStringLiteral("房屋租金情况统计    "));
        QVERIFY(rent->isVisible() && !usage->isVisible());
        QCOMPARE(rent->model()->rowCount(), 0);
        QCOMPARE(gridTitles(rent),
                 (QStringList{"交款房号数", "房押", "房租", "清洁费", "应付金", "实付金"}));
        QCOMPARE(gridTitles(usage), (QStringList{"交款房号数", "实用数", "应付金", "实付金"}));
        click(&form, "BBtn_Print");
        QCOMPARE(shownTexts(messages.messages()), QStringList{"Morvik提示|请查询后再打印"});

        // Both end days at midnight count; the end day at 10:00 does not.
        click(&form, "Button_FW");
        QCOMPARE(gridRows(rent), QStringList{"3|300|2400|31.5|2731.5|2700"});
        QCOMPARE(rent->model()->index(0, 1).data(Qt::TextAlignmentRole).toInt(),
                 int(Qt::AlignCenter));
        QCOMPARE(label->text(), QStringLiteral("房屋租金情况统计"));
        saveShot(&form, "tqtfytjform-rent");
        click(&form, "Button_Ls");
        QVERIFY(!rent->isVisible() && usage->isVisible());
        QCOMPARE(label->text(), QStringLiteral("冷水收费情况统计"));
        QCOMPARE(gridRows(usage), QStringList{"3|7.5|26.25|26.4"});
        saveShot(&form, "tqtfytjform-cold");
        click(&form, "Button_Rs");
        QCOMPARE(label->text(), QStringLiteral("热水收费情况统计"));
        QCOMPARE(gridRows(usage), QStringList{"0|||"}); // no payments: 0 and empty sums
        click(&form, "Button_Yd");
        QCOMPARE(label->text(), QStringLiteral("用电收费情况统计"));
        QCOMPARE(gridRows(usage), QStringList{"0|||"});
        QCOMPARE(form.statisticsName(), QStringLiteral("用电收费情况统计"));

        // A one-day period, and a period running backwards.
        child<QDateEdit>(&form, "Dt_begin")->setDate(QDate(2024, 3, 3));
        child<QDateEdit>(&form, "Dt_end")->setDate(QDate(2024, 3, 3));
        click(&form, "Button_FW");
        QVERIFY(rent->isVisible() && !usage->isVisible());
        QCOMPARE(gridRows(rent), QStringList{"1|100|800|10.5|910.5|900"});
        child<QDateEdit>(&form, "Dt_begin")->setDate(QDate(2024, 3, 8));
        click(&form, "Button_Ls");
        QCOMPARE(gridRows(usage), QStringList{"0|||"});
        // A result: no guard, the statistics sheet's preview.
        QVERIFY(!closeModalOpenedBy([&] { click(&form, "BBtn_Print"); }).isEmpty());
        QVERIFY(messages->shown.isEmpty());

        // A statistics the database refuses: the general error display, no
        // result, the label and grid as they were; the next one runs afresh.
        TestDatabase::exec("alter table Zf_Zujin rename to rent_away");
        click(&form, "Button_FW");
        const QStringList shown = shownTexts(messages.messages());
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].startsWith("房屋出租管理|"), qPrintable(shown[0]));
        QCOMPARE(usage->model()->rowCount(), 0);
        QCOMPARE(label->text(), QStringLiteral("冷水收费情况统计"));
        click(&form, "BBtn_Print");
        QCOMPARE(shownTexts(messages.messages()), QStringList{"Morvik提示|请查询后再打印"});
        TestDatabase::exec("alter table rent_away rename to Zf_Zujin");
        click(&form, "Button_FW");
        QCOMPARE(gridRows(rent), QStringList{"0|||||"});
    }

    // 实付金 is money actually received, to the fen: a part payment on an
    // unpaid row counts, the proposed amount of an unpaid row written before
    // counts nothing, a voided charge counts nowhere; the voided charge is
    // listed by 作废收费查询.
    void moneyReceived() {
        TestDatabase db; // today 2024-03-07
        ScriptedMessagesScope messages;
        TestDatabase::exec(
            "insert into Zf_Man (manid,manname,zjm) values ('K01','张三','ZS');"
            "insert into Zf_Fangjian (fangno,fangprice) values ('101',800);"
            "insert into Zf_Zujin (fangno,manid,jkrq,fangya,fangprice,ljf,yf,sf,status) values "
            "('101','K01','2024-03-01',0,800,20,820,820,'0'),"   // older: nothing received
            "('101','K01','2024-03-02',0,4500,10,4510,4000,'1'),"
            "('101','K01','2024-03-03',0,2200,20.1,2220.1,1000,'0'),"
            "('101','K01','2024-03-04',0,600,0.01,600.01,600.01,'1');"
            "insert into Zf_MoneyRule (tablename,lastoldid) select 'Zf_Zujin', min(id) from Zf_Zujin;"
            "insert into Zf_Lenshui (fangno,manid,Jkrq,Sys,lsdj,Yfj,sfj,status) values "
            "('101','K01','2024-03-05',3,3.5,10.5,0.35,'0'),('101','K01','2024-03-06',1,3.5,3.5,3.5,'1');"
            // A check-out paid 1000 of the second rent and all of the second
            // cold-water charge from a deposit: that money was received once,
            // as the deposit, and is not counted again.
            "insert into zf_tf (manid,fangno,begindate,tfdate,tfj,status) values ('K01','101','2024-03-01','2024-03-06',0,'0');"
            "insert into Zf_TfMx (tfid,xm,chargeid,jkrq,sm,je,dk) values "
            "(1,'押金',null,'2024-03-01','',1500,null),(1,'房租',2,'2024-03-02','',1510,1000),"
            "(1,'冷水',2,'2024-03-06','',3.5,3.5),(1,'扣款',null,'2024-03-06','',10,10)");
        // The last rent charge is voided: moved out of the rent table.
        CurrentLoginName = QStringLiteral("admin");
        Connection::shared().beginTransaction();
        QVERIFY(ChargeBook::voidCharge(ChargeMoney::Table::Rent,
                                       TestDatabase::scalar("select max(id) from Zf_Zujin").toLongLong(),
                                       CurrentLoginName, QDateTime(QDate(2024, 3, 7), QTime(9, 0)),
                                       QStringLiteral("金额录错")));
        Connection::shared().commit();

        TQtFyTjForm form;
        form.show();
        child<QDateEdit>(&form, "Dt_begin")->setDate(QDate(2024, 3, 1));
        click(&form, "Button_FW");
        QCOMPARE(gridRows(child<QTableView>(&form, "DBGrid_Zjtj")),
                 QStringList{"3|0|7500|50.1|7550.1|4000"});
        click(&form, "Button_Ls");
        QCOMPARE(gridRows(child<QTableView>(&form, "DBGrid1")), QStringList{"2|4|14|0.35"});

        TZfsfCxForm voided;
        voided.show();
        QCOMPARE(voided.windowTitle(), QStringLiteral("作废收费查询"));
        QCOMPARE(gridRows(child<QTableView>(&voided, "DBGrid1")),
                 QStringList{"房租|4|101|K01|张三|2024-03-04|600.01|600.01|已交款|admin|2024-03-07 09:00:00|金额录错"});
        saveShot(&voided, "tzfsfcxform");
        child<QLineEdit>(&voided, "Ed_Fh")->setText("102");
        click(&voided, "BitBtn_find");
        QCOMPARE(gridRows(child<QTableView>(&voided, "DBGrid1")), QStringList{});

        // Money received by way of payment: the payments taken in the period
        // (a reversed one counts for nothing), then what the desk took on the
        // charges dated in it, less what the deposit paid at check-out.
        TestDatabase::exec("insert into Zf_Man (manid,manname,zjm) values ('K02','李四','LS');"
                           "insert into Zf_Fangjian (fangno,fangprice) values ('102',700);"
                           "insert into Zf_Lenshui (fangno,manid,Jkrq,Sys,lsdj,Yfj,sfj,status) values "
                           "('102','K02','2024-03-06',10,3,30,0,'0')");
        const QDateTime at(QDate(2024, 3, 7), QTime(10, 0));
        Payments::take({"K02", *Decimal::parse(u"20"), QStringLiteral("现金"), {}, "admin", at});
        Payments::reverse(Payments::take({"K02", *Decimal::parse(u"5"), QStringLiteral("转账"), {}, "admin", at}),
                          QStringLiteral("收错"), "admin", at);
        Payments::take({"K02", *Decimal::parse(u"10"), QStringLiteral("微信"), {}, "admin", at});
        click(&form, "Button_Way");
        QCOMPARE(child<QLabel>(&form, "Lb_ykh")->text(), QStringLiteral("收款方式统计"));
        QVERIFY(child<QTableView>(&form, "DBGrid_Way")->isVisible());
        QVERIFY(!child<QTableView>(&form, "DBGrid1")->isVisible());
        const QAbstractItemModel* ways = child<QTableView>(&form, "DBGrid_Way")->model();
        QStringList inOrder;
        for (int r = 0; r < ways->rowCount(); ++r)
            inOrder << ways->index(r, 0).data().toString() + "|" + ways->index(r, 1).data().toString();
        QCOMPARE(inOrder, (QStringList{"现金|20", "微信|10", "柜台收款|4000.35"}));
        saveShot(&form, "tqtfytjform-ways");
        click(&form, "Button_Ls");
        QCOMPARE(gridRows(child<QTableView>(&form, "DBGrid1")), QStringList{"3|14|44|30.35"});
        QVERIFY(messages->shown.isEmpty());
    }
};

QTEST_MAIN(TestStatistics)
#include "tst_tqtfytjform.moc"
