// A month billed through 生成本月账单 over a small building, then a tenant's
// payment through 收款管理 against several months, its receipt and its
// reversal, and the tenant's account in 客户账户, each checked against the
// database: rooms without readings are listed with their reasons, the rest
// billed at exactly the amounts the single charging screens show for the
// same rooms, a second run writes nothing, a payment settles charges oldest
// first and leaves the rest of the last one owing, and a reversal restores
// every charge.
#include "billing.h"
#include "billingforms.h"
#include "reportpreview.h"
#include "session.h"
#include "billingreports.h"
#include "chargingtest.h"
#include "ledger.h"
#include "monthlytables.h"
#include "payments.h"
#include "testdatabase.h"
#include "tzjglform.h"
#include "utilitychargeform.h"

#include <QComboBox>
#include <QPageLayout>
#include <QTableWidget>
#include <QPageSize>
#include <QCheckBox>
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

int pdfPages(const QString& path) {
    QProcess pdf;
    pdf.start("pdftotext", {path, "-"});
    pdf.waitForFinished();
    return int(pdf.readAllStandardOutput().count('\f'));
}

QString renderedText(const ReportRenderer& r, const QString& path) {
    r.writePdf(path, QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 15, 15, 15)));
    return pdfText(path);
}

// The grid's rows, cells joined with " ".
QStringList gridRows(QWidget* screen, const char* name) {
    auto* g = child<QTableWidget>(screen, name);
    QStringList rows;
    for (int r = 0; r < g->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < g->columnCount(); ++c)
            cells << (g->item(r, c) ? g->item(r, c)->text() : QString());
        rows << cells.join(QLatin1Char(' '));
    }
    return rows;
}

// Presses the receipt button and saves the preview it opens as a PDF.
QString previewedText(QWidget* screen, const char* buttonName, const QString& path) {
    bool saved = false;
    QTimer::singleShot(0, [&] {
        ReportPreview* p = nullptr;
        QTRY_VERIFY((p = qobject_cast<ReportPreview*>(QApplication::activeModalWidget())) != nullptr);
        saved = p->saveAsPdf(path);
        p->close();
    });
    click(screen, buttonName);
    return saved ? pdfText(path) : QString();
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
        QTemporaryDir dir;
        seed();
        ScriptedMessagesScope scripted;

        ScriptedMessages& m = scripted.messages();
        TBillRunForm run;
        run.show();
        QCOMPARE(run.windowTitle(), QStringLiteral("生成本月账单"));
        QCOMPARE(unlabelled(&run), QStringList());
        child<QDateEdit>(&run, "DT_Month")->setDate(QDate(2024, 3, 15));
        QVERIFY(!child<QPushButton>(&run, "BBtn_Write")->isEnabled());
        click(&run, "BBtn_Preview");
        QCOMPARE(gridRows(&run, "Grid_Charges"),
                 (QStringList{"101 K01 张三 房租    800 810", "101 K01 张三 冷水 120.5 132.8 12.3 2.5 30.75",
                              "101 K01 张三 热水 10 12.25 2.25 18 40.5", "101 K01 张三 电费 1000 1133.3 133.3 0.6 79.98",
                              "102 K02 李四 房租    750.5 1660.5", "103 K03 王五 房租    820 1820"}));
        QCOMPARE(gridRows(&run, "Grid_Refused"),
                 (QStringList{"102 K02 李四 冷水 本月没有抄表", "102 K02 李四 热水 本月没有抄表",
                              "102 K02 李四 电费 本月没有抄表", "103 K03 王五 冷水 没有上次读数",
                              "103 K03 王五 热水 没有上次读数", "103 K03 王五 电费 没有上次读数"}));
        QCOMPARE(child<QLabel>(&run, "Lab_Summary")->text(),
                 QStringLiteral("2024年3月：待生成费用 6 笔，合计 4441.73 元；不能出账 6 项。"));
        shot(&run, "billrun");
        const Billing::Proposal p = run.proposal();
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

        takeMessages(m);
        click(&run, "BBtn_Write");
        QCOMPARE(takeMessages(m), QStringList{"房屋出租管理|已生成 6 笔费用。"});
        QCOMPARE(gridRows(&run, "Grid_Charges"), QStringList());
        QVERIFY(!child<QPushButton>(&run, "BBtn_Write")->isEnabled());
        const QStringList written{"C|101|K01|120.5|132.8|12.3|30.75|0|0", "E|101|K01|1000|1133.3|133.3|79.98|0|0",
                                  "H|101|K01|10|12.25|2.25|40.5|0|0",     "R|101|K01|0|800|10|810|0|0",
                                  "R|102|K02|900|750.5|10|1660.5|0|0",    "R|103|K03|1000|820|0|1820|0|0"};
        QCOMPARE(TestDatabase::rows(kCharges), written);
        QCOMPARE(TestDatabase::scalar("select count(*) from Zf_ChargeReading"), QStringLiteral("3"));

        // A second run proposes nothing and writes nothing; so does writing
        // the first proposal again (a single save between proposal and write).
        click(&run, "BBtn_Preview");
        QCOMPARE(gridRows(&run, "Grid_Charges"), QStringList());
        QCOMPARE(gridRows(&run, "Grid_Refused").size(), 6);
        QList<int> steps;
        QCOMPARE(Billing::write(p, [&](int done, int total) { steps << done * 100 / total; }), 0);
        QCOMPARE(steps.last(), 100);
        QCOMPARE(TestDatabase::rows(kCharges), written);

        // K01 owes February's and March's rent and March's three utilities:
        // 810 + 810 + 30.75 + 40.5 + 79.98. 1650 settles February's and
        // March's rent and puts the 30 left on the cold water.
        TPaymentForm pay;
        pay.show();
        QCOMPARE(pay.windowTitle(), QStringLiteral("收款管理"));
        QCOMPARE(unlabelled(&pay), QStringList());
        QTest::keyClicks(child<QLineEdit>(&pay, "Ed_Tenant"), "zs");
        QCOMPARE(child<QLabel>(&pay, "Lab_Name")->text(), QStringLiteral("K01 张三"));
        QCOMPARE(gridRows(&pay, "Grid_Owed"),
                 (QStringList{"房租 101 2024-02-05 810 0 810", "房租 101 2024-03-07 810 0 810",
                              "冷水 101 2024-03-07 30.75 0 30.75", "热水 101 2024-03-07 40.5 0 40.5",
                              "电费 101 2024-03-07 79.98 0 79.98"}));
        QCOMPARE(child<QLabel>(&pay, "Lab_Total")->text(), QStringLiteral("欠费合计：1771.23 元"));
        auto* amount = child<QLineEdit>(&pay, "Ed_Amount");
        QCOMPARE(amount->text(), QStringLiteral("1771.23"));
        amount->setText("16.505");
        click(&pay, "BBtn_Save");
        QCOMPARE(takeMessages(m), QStringList{"Morvik提示|请输入正确的收款金额（大于零，最多两位小数）！"});
        amount->setText("1650");
        auto* way = child<QComboBox>(&pay, "Com_Way");
        QCOMPARE(way->count(), 5);
        way->setCurrentText(QStringLiteral("微信"));
        child<QLineEdit>(&pay, "Ed_Note")->insert(QStringLiteral("二三月"));
        CurrentLoginName = QStringLiteral("admin");
        click(&pay, "BBtn_Save");
        QCOMPARE(takeMessages(m), QStringList{"房屋出租管理|收款成功！收据号 1。"});
        const qint64 id = pay.lastPayment();
        QCOMPARE(id, 1);
        QCOMPARE(gridRows(&pay, "Grid_Owed"),
                 (QStringList{"冷水 101 2024-03-07 30.75 30 0.75", "热水 101 2024-03-07 40.5 0 40.5",
                              "电费 101 2024-03-07 79.98 0 79.98"}));
        QCOMPARE(child<QLabel>(&pay, "Lab_Total")->text(), QStringLiteral("欠费合计：121.23 元"));
        QCOMPARE(gridRows(&pay, "Grid_Payments"), QStringList{"1 2024-03-07 1650 微信 二三月 有效"});
        shot(&pay, "payment");
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
        const QList<Payments::Charge> owed = Payments::unsettledCharges("K01");
        Decimal balance;
        for (const Payments::Charge& c : owed)
            balance = balance + c.owed;
        QCOMPARE(balance.toString(), QStringLiteral("121.23"));

        // The ledger: each line's balance is what was charged up to it less
        // what was received; its last is what is owed.
        TLedgerForm account;
        account.show();
        QCOMPARE(account.windowTitle(), QStringLiteral("客户账户"));
        QCOMPARE(unlabelled(&account), QStringList());
        QTest::keyClicks(child<QLineEdit>(&account, "Ed_Tenant"), "K01");
        const QStringList ledger = gridRows(&account, "Grid_Ledger");
        QCOMPARE(ledger, (QStringList{"2024-01-05 应收 房租 101 2024-01-01至2024-01-31 1810  1810",
                                      "2024-01-05 柜台收款 房租 101   1810 0",
                                      "2024-02-05 应收 房租 101 2024-01-01至2024-02-29 810  810",
                                      "2024-03-07 应收 房租 101 2024-01-01至2024-03-31 810  1620",
                                      "2024-03-07 应收 冷水 101 120.5→132.8 30.75  1650.75",
                                      "2024-03-07 应收 热水 101 10→12.25 40.5  1691.25",
                                      "2024-03-07 应收 电费 101 1000→1133.3 79.98  1771.23",
                                      "2024-03-07 收款 微信  二三月  1650 121.23"}));
        // Each line's balance is every charge up to it less every sum received.
        Decimal charged, received;
        auto* grid = child<QTableWidget>(&account, "Grid_Ledger");
        const auto cell = [&](int r, int c) {
            return Decimal::parse(grid->item(r, c)->text()).value_or(Decimal());
        };
        for (int r = 0; r < grid->rowCount(); ++r) {
            charged = charged + cell(r, 5);
            received = received + cell(r, 6);
            QCOMPARE(grid->item(r, 7)->text(), (charged - received).toString());
        }
        QCOMPARE(child<QLabel>(&account, "Lab_Balance")->text(), QStringLiteral("当前结欠：121.23 元"));
        shot(&account, "ledger");
        const QString statementText = previewedText(&account, "BBtn_Statement", dir.filePath("statement.pdf"));
        for (const QString& part : {QStringLiteral("对账单"), QStringLiteral("期初结欠：0.00"),
                                    QStringLiteral("期末结欠：121.23"), QStringLiteral("2024-03-07收款微信二三月0.001650.00121.23")})
            QVERIFY2(statementText.contains(part), qPrintable(part + "\n" + statementText));
        // The receipt lists what the payment settled, its total in capitals
        // and what is still owed; the month's bill K01's charges of March,
        // February's rent (owed before the payment) as the balance before.
        const QString receipt = previewedText(&pay, "BBtn_Receipt", dir.filePath("receipt.pdf"));
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
        QCOMPARE(pdfPages(dir.filePath("bills.pdf")), 3);
        // Two to a sheet from the screen: the same bills on two sheets.
        child<QCheckBox>(&run, "CB_TwoPerSheet")->setChecked(true);
        run.printBills(dir.filePath("two.pdf"));
        QCOMPARE(takeMessages(m), QStringList{"房屋出租管理|已打印 3 份缴费通知单。"});
        QCOMPARE(pdfPages(dir.filePath("two.pdf")), 2);
        QCOMPARE(pdfText(dir.filePath("two.pdf")), bills);
        if (!qEnvironmentVariableIsEmpty("ZENTAVO_REPORT_DIR"))
            QFile::copy(dir.filePath("two.pdf"), qEnvironmentVariable("ZENTAVO_REPORT_DIR") + "/bills-two.pdf");

        const Ledger::Statement march = Ledger::statement("K01", QDate(2024, 3, 1), QDate(2024, 3, 31));
        QCOMPARE(march.opening.toString(), QStringLiteral("810"));
        QCOMPARE(march.lines.size(), 5);
        QCOMPARE(march.closing.toString(), QStringLiteral("121.23"));

        // A reversal asks for a reason, then restores every charge; a second
        // one is refused.
        click(&pay, "BBtn_Reverse");
        QCOMPARE(takeMessages(m), QStringList{"Morvik提示|请填写冲销原因！"});
        child<QLineEdit>(&pay, "Ed_Reason")->insert(QStringLiteral("收错客户"));
        m.answerNext(MsgAnswer::Yes);
        click(&pay, "BBtn_Reverse");
        QCOMPARE(takeMessages(m), (QStringList{"Morvik提示|确定冲销收据号 1 的收款吗？", "房屋出租管理|冲销成功！"}));
        QCOMPARE(gridRows(&pay, "Grid_Payments"), QStringList{"1 2024-03-07 1650 微信 二三月 已冲销：收错客户"});
        QCOMPARE(child<QLabel>(&pay, "Lab_Total")->text(), QStringLiteral("欠费合计：1771.23 元"));
        QCOMPARE(TestDatabase::rows(state).mid(1),
                 (QStringList{"R|2024-02-05|810|0|0", "C|2024-03-07|30.75|0|0", "E|2024-03-07|79.98|0|0",
                              "H|2024-03-07|40.5|0|0", "R|2024-03-07|810|0|0"}));
        QCOMPARE(TestDatabase::scalar("select count(*) from Zf_Payment"), QStringLiteral("1"));
        QVERIFY_THROWS_EXCEPTION(DbError, Payments::reverse(id, QStringLiteral("再冲"), QStringLiteral("admin"),
                                                            QDateTime(QDate(2024, 3, 7), QTime(16, 5))));
        QCOMPARE(TestDatabase::scalar("select count(*) from Zf_PaymentReversal"), QStringLiteral("1"));
        // Money received by way: a reversed payment counts for nothing; a
        // charge paid at the desk counts as 柜台收款 in the month it is dated.
        Payments::take({"K02", *Decimal::parse(u"100"), QStringLiteral("现金"), {}, QStringLiteral("admin"),
                        QDateTime(QDate(2024, 3, 8), QTime(9, 0))});
        Payments::take({"K03", *Decimal::parse(u"20.5"), QStringLiteral("支付宝"), {}, QStringLiteral("admin"),
                        QDateTime(QDate(2024, 3, 31), QTime(23, 0))});
        const auto byWay = [](const QDate& from, const QDate& to) {
            QStringList texts;
            for (const Payments::WayTotal& w : Payments::receivedByWay(from, to))
                texts << w.way + QLatin1Char(' ') + w.amount.toString();
            return texts;
        };
        QCOMPARE(byWay(QDate(2024, 3, 1), QDate(2024, 3, 31)), (QStringList{"现金 100", "支付宝 20.5"}));
        QCOMPARE(byWay(QDate(2024, 1, 1), QDate(2024, 3, 8)), (QStringList{"现金 100", "柜台收款 1810"}));
        const QList<Ledger::Line> after = Ledger::lines("K01");
        QCOMPARE(after.last().kind, Ledger::Kind::Reversal);
        QCOMPARE(after.last().detail, QStringLiteral("收错客户"));
        QCOMPARE(after.last().balance.toString(), QStringLiteral("1771.23"));
    }

    // Room numbers stored as they were typed ("a1 ", "b2  ") and a meter
    // replaced between two readings: the month's run, which reads every
    // room's series at once, finds the same intervals as one room's series
    // read on its own.
    void runReadsEveryRoomAsOneRoom() {
        TestDatabase db;
        EnsureCurrentBiaodiTables();
        TestDatabase::exec(
            "insert into Zf_Man (manid,manname,zjm) values ('K01','张三','ZS'),('K02','李四','LS');"
            "insert into Zf_Fangjian (fangno,fangprice) values ('A1',500),('B2',500);"
            "insert into Zf_Rz (manid,fangno,begindate,status) values ('K01','A1','2024-01-01','1'),"
            "('K02','B2','2024-01-01','1');"
            "insert into Zf_MeterChange (fangno,meter,changedate,oldfinal,newstart) values "
            "('b2','lsb','2024-03-02',9999.99,0),('B2','rsb','2024-01-10',50,0),('A1','db','2024-03-05',1,0)");
        TestDatabase::exec(QStringLiteral("insert into %1 (fangno,Cbrq,lsb,rsb,db,mqb) values "
                                          "('a1 ','2024-02-03',100,10,1000,0),('B2','2024-02-03',9990,20,2000,0);"
                                          "insert into %2 (fangno,Cbrq,lsb,rsb,db,mqb) values "
                                          "('A1','2024-03-04',112,13,1100,0),('b2  ','2024-03-04',5.5,null,null,0),"
                                          "('B2','2024-03-04',null,26,2150,0)")
                               .arg(SyBiaodiName, BiaodiName));
        const Billing::Proposal p = Billing::propose(QDate(2024, 3, 1));
        QStringList usages;
        for (const Billing::ProposedCharge& c : p.charges) {
            if (c.table == Billing::Table::Rent)
                continue;
            const Meter meter = c.table == Billing::Table::ColdWater ? Meter::ColdWater
                                : c.table == Billing::Table::HotWater ? Meter::HotWater
                                                                      : Meter::Electricity;
            const auto alone = ReadingSeries::latestInterval(c.room, meter, QDate(2024, 3, 31), c.letStart);
            QVERIFY(alone);
            QCOMPARE(c.interval->usage.toString(), alone->usage.toString());
            QCOMPARE(c.interval->to.id, alone->to.id);
            usages << c.room + " " + ChargeMoney::itemName(c.table) + " " + c.interval->usage.toString();
        }
        QCOMPARE(usages, (QStringList{"A1 冷水 12", "A1 热水 3", "A1 电费 100", "B2 冷水 15.49", "B2 热水 6",
                                      "B2 电费 150"}));
        QCOMPARE(p.unbillable.size(), 0);
    }

    // A rent written before money received was kept apart, still unpaid: its
    // 实收 holds the amount proposed then, so it counts as nothing received;
    // payments taken on it since count, and a reversal takes its part off.
    void olderUnpaidRowPaidInParts() {
        TestDatabase db;
        ScriptedMessagesScope scripted;
        TestDatabase::exec("insert into Zf_Man (manid,manname,zjm) values ('K09','赵六','ZL');"
                           "insert into Zf_Fangjian (fangno,fangprice) values ('109',800);"
                           "insert into Zf_Zujin (fangno,manid,jkrq,fangya,fangprice,ljf,yf,sf,status) values "
                           "('109','K09','2024-01-05',0,800,20,820,820,'0');"
                           "insert into Zf_MoneyRule (tablename,lastoldid) select 'Zf_Zujin', max(id) from Zf_Zujin");
        const QDateTime at(QDate(2024, 3, 7), QTime(9, 0));
        const auto owed = [] {
            QStringList texts;
            for (const Payments::Charge& c : Payments::unsettledCharges("K09"))
                texts << c.received.toString() + "/" + c.owed.toString();
            return texts;
        };
        QCOMPARE(owed(), QStringList{"0/820"});
        const qint64 first = Payments::take({"K09", *Decimal::parse(u"100"), QStringLiteral("现金"), {}, "admin", at});
        QCOMPARE(owed(), QStringList{"100/720"});
        Payments::take({"K09", *Decimal::parse(u"20"), QStringLiteral("微信"), {}, "admin", at});
        QCOMPARE(owed(), QStringList{"120/700"});
        Payments::reverse(first, QStringLiteral("收错"), "admin", at);
        QCOMPARE(owed(), QStringList{"20/800"});
        Payments::take({"K09", *Decimal::parse(u"800"), QStringLiteral("转账"), {}, "admin", at});
        QCOMPARE(owed(), QStringList{});
        QCOMPARE(TestDatabase::rows("select sf, status from Zf_Zujin"), QStringList{"820|1"});
        QCOMPARE(Ledger::lines("K09").last().balance.toString(), QStringLiteral("0"));
    }
};

QTEST_MAIN(TestBilling)
#include "tst_billing.moc"
