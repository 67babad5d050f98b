// A month billed in one run over a small building, then a tenant's payment
// against several months and its reversal, each checked against the
// database: rooms without readings are listed with their reasons, the rest
// billed at exactly the amounts the single charging screens show for the
// same rooms, a second run writes nothing, a payment settles charges oldest
// first and leaves the rest of the last one owing, and a reversal restores
// every charge.
#include "billing.h"
#include "billingreports.h"
#include "chargingtest.h"
#include "ledger.h"
#include "monthlytables.h"
#include "payments.h"
#include "testdatabase.h"
#include "tzjglform.h"
#include "utilitychargeform.h"

#include <QPageLayout>
#include <QPageSize>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <memory>

namespace {

void seed() {
    EnsureCurrentBiaodiTables();
    TestDatabase::exec(
        "insert into Zf_Man (manid,manname,zjm) values ('K01','张三','ZS'),('K02','李四','LS'),('K03','王五','WW');"
        "insert into Zf_Fangjian (fangno,fangya,fangprice,ljf) values ('101',1000,800,10),('102',900,750.5,10),"
        "('103',1000,820,0);"
        "insert into Zf_Rz (manid,fangno,begindate,status) values ('K01','101','2024-01-01','1'),"
        "('K02','102','2024-01-15','1'),('K03','103','2024-02-20','1');"
        // K01 paid January's rent with the deposit; February is owed.
        "insert into Zf_Zujin (fangno,manid,jkrq,fangya,fangprice,ljf,yf,sf,begindate,enddate,status) values "
        "('101','K01','2024-01-05',1000,800,10,1810,1810,'2024-01-01','2024-01-31','1'),"
        "('101','K01','2024-02-05',0,800,10,810,0,'2024-01-01','2024-02-29','0');"
        "update zf_dj set price=2.5 where djid=1");
    const auto reading = [](const QString& table, const char* room, const char* date, const char* values) {
        TestDatabase::exec(QStringLiteral("insert into %1 (fangno,Cbrq,lsb,rsb,db,mqb) values ('%2','%3',%4)")
                               .arg(table, room, date, values));
    };
    reading(SyBiaodiName, "101", "2024-02-03", "120.5,10,1000,0");
    reading(SyBiaodiName, "102", "2024-02-03", "80,5,500,0");
    reading(BiaodiName, "101", "2024-03-04", "132.8,12.25,1133.3,0");
    // Room 102 was not read this month; room 103 was read for the first time.
    reading(BiaodiName, "103", "2024-03-04", "3,1,20,0");
}

// What the single screen shows as the amount due when the room is typed.
QString singleScreenAmount(QWidget* f, const char* roomField, const char* amountField, const QString& room) {
    click(f, "bitbtn_insert");
    child<QLineEdit>(f, roomField)->setText(room);
    const QString amount = child<QLineEdit>(f, amountField)->text();
    click(f, "bitbtn_cancel");
    return amount;
}

// The PDF's text, blanks removed.
QString pdfText(const QString& path) {
    QProcess pdf;
    pdf.start("pdftotext", {"-layout", "-enc", "UTF-8", path, "-"});
    pdf.waitForFinished();
    return QString::fromUtf8(pdf.readAllStandardOutput()).remove(QRegularExpression("\\s"));
}

QString renderedText(const ReportRenderer& r, const QString& path) {
    r.writePdf(path, QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 15, 15, 15)));
    return pdfText(path);
}

const QString kCharges = QStringLiteral(
    "select 'R', fangno, manid, fangya, fangprice, ljf, yf, sf, status from Zf_Zujin where jkrq >= '2024-03-01' "
    "union all select 'C', fangno, manid, sybd, bybd, sys, yfj, sfj, status from Zf_Lenshui "
    "union all select 'H', fangno, manid, sybd, bybd, sys, yfj, sfj, status from Zf_Reshui "
    "union all select 'E', fangno, manid, sybd, bybd, sys, yfj, sfj, status from Zf_YdSf order by 1, 2");

} // namespace

class TestBilling : public QObject {
    Q_OBJECT

private slots:
    void monthRunThenPaymentsAndReversal() {
        TestDatabase db;
        seed();
        ScriptedMessagesScope scripted;

        const Billing::Proposal p = Billing::propose(QDate(2024, 3, 15));
        QStringList proposed;
        for (const Billing::ProposedCharge& c : p.charges)
            proposed << QStringLiteral("%1 %2 %3 %4").arg(ChargeMoney::itemName(c.table), c.room, c.tenant,
                                                         c.due.toString());
        QCOMPARE(proposed, (QStringList{"房租 101 K01 810", "冷水 101 K01 30.75", "热水 101 K01 40.5",
                                        "电费 101 K01 79.98", "房租 102 K02 1660.5", "房租 103 K03 1820"}));
        QStringList refused;
        for (const Billing::Unbillable& u : p.unbillable)
            refused << QStringLiteral("%1 %2 %3").arg(u.room, ChargeMoney::itemName(u.table), u.reason);
        QCOMPARE(refused, (QStringList{"102 冷水 本月没有抄表", "102 热水 本月没有抄表", "102 电费 本月没有抄表",
                                       "103 冷水 没有上次读数", "103 热水 没有上次读数", "103 电费 没有上次读数"}));

        // The single screens show the same amounts for the same rooms.
        {
            TLsSfForm cold;
            TRsSfForm hot;
            TYdSfForm power;
            TZjglForm rent;
            for (QWidget* w : std::initializer_list<QWidget*>{&cold, &hot, &power, &rent})
                w->show();
            QCOMPARE(singleScreenAmount(&cold, "Ed_Fh", "Ed_Yfj", "101"), QStringLiteral("30.75"));
            QCOMPARE(singleScreenAmount(&hot, "Ed_Fh", "Ed_Yfj", "101"), QStringLiteral("40.5"));
            QCOMPARE(singleScreenAmount(&power, "Ed_Fh", "Ed_Yfj", "101"), QStringLiteral("79.98"));
            QCOMPARE(singleScreenAmount(&rent, "Ed_fh", "Ed_yfzj", "101"), QStringLiteral("810"));
            QCOMPARE(singleScreenAmount(&rent, "Ed_fh", "Ed_yfzj", "102"), QStringLiteral("1660.5"));
            QCOMPARE(singleScreenAmount(&rent, "Ed_fh", "Ed_yfzj", "103"), QStringLiteral("1820"));
        }

        QList<int> steps;
        QCOMPARE(Billing::write(p, [&](int done, int total) { steps << done * 100 / total; }), 6);
        QCOMPARE(steps.last(), 100);
        const QStringList written{"C|101|K01|120.5|132.8|12.3|30.75|0|0", "E|101|K01|1000|1133.3|133.3|79.98|0|0",
                                  "H|101|K01|10|12.25|2.25|40.5|0|0",     "R|101|K01|0|800|10|810|0|0",
                                  "R|102|K02|900|750.5|10|1660.5|0|0",    "R|103|K03|1000|820|0|1820|0|0"};
        QCOMPARE(TestDatabase::rows(kCharges), written);
        QCOMPARE(TestDatabase::scalar("select count(*) from Zf_ChargeReading"), QStringLiteral("3"));

        // A second run proposes nothing and writes nothing; so does writing
        // the first proposal again (a single save between proposal and write).
        QVERIFY(Billing::propose(QDate(2024, 3, 1)).charges.isEmpty());
        QCOMPARE(Billing::write(p), 0);
        QCOMPARE(TestDatabase::rows(kCharges), written);

        // K01 owes February's and March's rent and March's three utilities:
        // 810 + 810 + 30.75 + 40.5 + 79.98. 1650 settles February's and
        // March's rent and puts the 30 left on the cold water.
        QList<Payments::Charge> owed = Payments::unsettledCharges("K01");
        QCOMPARE(owed.size(), 5);
        QCOMPARE(owed.first().date.date(), QDate(2024, 2, 5));
        const qint64 id = Payments::take({"K01", *Decimal::parse(u"1650"), QStringLiteral("微信"), QStringLiteral("二三月"),
                                          QStringLiteral("admin"), QDateTime(QDate(2024, 3, 7), QTime(15, 0))});
        const QString state = QStringLiteral(
            "select 'R', jkrq, yf, sf, status from Zf_Zujin where manid='K01' and status is not null "
            "union all select 'C', jkrq, yfj, sfj, status from Zf_Lenshui where manid='K01' "
            "union all select 'H', jkrq, yfj, sfj, status from Zf_Reshui where manid='K01' "
            "union all select 'E', jkrq, yfj, sfj, status from Zf_YdSf where manid='K01' order by 2, 1");
        QCOMPARE(TestDatabase::rows(state).mid(1),
                 (QStringList{"R|2024-02-05|810|810|1", "C|2024-03-07|30.75|30|0", "E|2024-03-07|79.98|0|0",
                              "H|2024-03-07|40.5|0|0", "R|2024-03-07|810|810|1"}));
        QCOMPARE(TestDatabase::rows("select manid, amount, way, note, operator from Zf_Payment"),
                 QStringList{"K01|1650|微信|二三月|admin"});
        QCOMPARE(TestDatabase::scalar("select sum(amount) from Zf_PaymentLine where paymentid=" + QString::number(id)),
                 QStringLiteral("1650"));
        owed = Payments::unsettledCharges("K01");
        Decimal balance;
        for (const Payments::Charge& c : owed)
            balance = balance + c.owed;
        QCOMPARE(balance.toString(), QStringLiteral("121.23"));

        // The ledger: each line's balance is what was charged up to it less
        // what was received; its last is what is owed.
        QStringList ledger;
        for (const Ledger::Line& l : Ledger::lines("K01"))
            ledger << QStringLiteral("%1 %2 %3 %4 %5 %6 %7").arg(l.date.toString("yyyy-MM-dd"), Ledger::kindName(l.kind),
                                                              l.item, l.detail, l.debit.toString(), l.credit.toString(),
                                                              l.balance.toString());
        QCOMPARE(ledger, (QStringList{"2024-01-05 应收 房租 2024-01-01至2024-01-31 1810 0 1810",
                                      "2024-01-05 柜台收款 房租  0 1810 0",
                                      "2024-02-05 应收 房租 2024-01-01至2024-02-29 810 0 810",
                                      "2024-03-07 应收 房租 2024-01-01至2024-03-31 810 0 1620",
                                      "2024-03-07 应收 冷水 120.5→132.8 30.75 0 1650.75",
                                      "2024-03-07 应收 热水 10→12.25 40.5 0 1691.25",
                                      "2024-03-07 应收 电费 1000→1133.3 79.98 0 1771.23",
                                      "2024-03-07 收款 微信 二三月 0 1650 121.23"}));
        // The receipt lists what the payment settled, its total in capitals
        // and what is still owed; the month's bill K01's charges of March,
        // February's rent (owed before the payment) as the balance before.
        QTemporaryDir dir;
        const QString receipt = renderedText(*paymentReceipt(id), dir.filePath("receipt.pdf"));
        for (const QString& part : {QStringLiteral("收款收据"), QStringLiteral("张三"), QStringLiteral("微信"),
                                    QStringLiteral("房租1012024-02-05810.00"), QStringLiteral("房租1012024-03-07810.00"),
                                    QStringLiteral("冷水1012024-03-0730.00"), QStringLiteral("合计：1650.00"),
                                    QStringLiteral("壹仟陆佰伍拾圆整"), QStringLiteral("尚欠金额：121.23")})
            QVERIFY2(receipt.contains(part), qPrintable(part + "\n" + receipt));
        const QString bill = renderedText(*monthlyBill("K01", QDate(2024, 3, 1)), dir.filePath("bill.pdf"));
        for (const QString& part : {QStringLiteral("缴费通知单"), QStringLiteral("2024年3月"),
                                    QStringLiteral("冷水101120.50132.8012.302.5030.750.75"),
                                    QStringLiteral("上期结欠：0.00"), QStringLiteral("本月费用：961.23"),
                                    QStringLiteral("合计应交：121.23"), QStringLiteral("壹佰贰拾壹圆贰角叁分")})
            QVERIFY2(bill.contains(part), qPrintable(part + "\n" + bill));
        // Every let room's bill, one tenant a page, with progress.
        QList<int> printed;
        QCOMPARE(writeMonthlyBillsPdf(dir.filePath("bills.pdf"), QDate(2024, 3, 1),
                                      [&](int done, int) { printed << done; return true; }),
                 3);
        QCOMPARE(printed, (QList<int>{1, 2, 3}));
        const QString bills = pdfText(dir.filePath("bills.pdf"));
        QCOMPARE(bills.count(QStringLiteral("缴费通知单")), 3);
        QVERIFY(bills.contains(QStringLiteral("合计应交：1660.50")));

        const Ledger::Statement march = Ledger::statement("K01", QDate(2024, 3, 1), QDate(2024, 3, 31));
        QCOMPARE(march.opening.toString(), QStringLiteral("810"));
        QCOMPARE(march.lines.size(), 5);
        QCOMPARE(march.closing.toString(), QStringLiteral("121.23"));

        // A reversal restores every charge; a second one is refused.
        Payments::reverse(id, QStringLiteral("收错客户"), QStringLiteral("admin"), QDateTime(QDate(2024, 3, 7), QTime(16, 0)));
        QCOMPARE(TestDatabase::rows(state).mid(1),
                 (QStringList{"R|2024-02-05|810|0|0", "C|2024-03-07|30.75|0|0", "E|2024-03-07|79.98|0|0",
                              "H|2024-03-07|40.5|0|0", "R|2024-03-07|810|0|0"}));
        QCOMPARE(TestDatabase::scalar("select count(*) from Zf_Payment"), QStringLiteral("1"));
        QVERIFY_THROWS_EXCEPTION(DbError, Payments::reverse(id, QStringLiteral("再冲"), QStringLiteral("admin"),
                                                            QDateTime(QDate(2024, 3, 7), QTime(16, 5))));
        QCOMPARE(TestDatabase::scalar("select count(*) from Zf_PaymentReversal"), QStringLiteral("1"));
        const QList<Ledger::Line> after = Ledger::lines("K01");
        QCOMPARE(after.last().kind, Ledger::Kind::Reversal);
        QCOMPARE(after.last().detail, QStringLiteral("收错客户"));
        QCOMPARE(after.last().balance.toString(), QStringLiteral("1771.23"));
    }
};

QTEST_MAIN(TestBilling)
#include "tst_billing.moc"
