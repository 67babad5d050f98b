// Every print button's action run as the screens will run it: over a query
// holding the screen's own statement on a seeded database, on a fixed clock
// of 8 December 2026. The preview that opens is saved as PDF and read back
// with pdftotext; titles, captions, rows, formats, label texts and footers
// are checked in the text a reader of the paper would see.
#include "screenkeys.h"
#include "printreports.h"
#include "reportpreview.h"
#include "scriptedmessages.h"
#include "session.h"
#include "tbbform_report.h"
#include "testdatabase.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QSpinBox>
#include <QToolBar>
#include <QProcess>
#include <QTimer>
#include <QtTest>

#include <functional>

using PrintFn = void (*)(Query&, QWidget*);
Q_DECLARE_METATYPE(PrintFn)

namespace {

const QString kToday = "打印日期：2026年12月8日";
const QString kMonth = "交款月份：2026年12月";

// The screens' statements.
const QString kTenants = "select manid,manname,zjm,case sex when '1' then '男' else '女' end as sex,\n"
                         "idcard,iddress,handset,company From dbo.Zf_Man\n"
                         "where manid like :manid or zjm like :zjm";
const QString kLetRooms = "SELECT A.fangno, A.area, A.housetype, A.facetype,\n"
                          " A.Sb, A.fangya, A.fangprice, A.Ljf, \n"
                          "case B.status when '1' then '已出租' else '未出租' end as status\n"
                          "FROM dbo.Zf_Fangjian A LEFT OUTER JOIN\n"
                          "dbo.Zf_Rz B ON A.fangno = B.fangno\n"
                          "where A.fangno like '%'\n"
                          "and B.status =1";
const QString kOccupants = "SELECT A.id,A.manid, B.manname,B.zjm, A.fangno, A.begindate,\n"
                           "case A.status when '0' then '已退房' else '未退房' end as status\n"
                           "FROM dbo.Zf_Rz A INNER JOIN dbo.Zf_Man B ON A.manid = B.manid \n"
                           "where status=1";
const QString kCheckOuts = "SELECT A.id,A.manid, B.manname,B.zjm, A.fangno, A.begindate,A.Tfdate, A.Tfj,\n"
                           "case A.status when '0' then '已退房' else '未退房' end as status\n"
                           "FROM dbo.Zf_tf A INNER JOIN dbo.Zf_Man B ON A.manid = B.manid \n"
                           "where status=0";
const QString kRentQuery = "SELECT A.id,A.fangno, A.manid, B.manname,\n"
                           "A.Jkrq, A.fangya, A.fangprice, A.Ljf,\n"
                           "A.Yf,A.sf, A.begindate, A.enddate,\n"
                           "case A.status when '1' then '已交款' else '未交款' end as status \n"
                           "FROM dbo.Zf_Zujin A INNER JOIN\n"
                           "dbo.Zf_Man B ON A.manid = B.manid";
const QString kRentCharging = "SELECT A.id,A.fangno, A.manid, B.manname, \n"
                              "      A.Jkrq, A.fangya, A.fangprice, A.Ljf, \n"
                              "      A.Yf,A.sf, A.begindate, A.enddate,       \n"
                              "case A.status when '1' then '已交款' else '未交款' end as status \n"
                              "FROM dbo.Zf_Zujin A INNER JOIN\n"
                              "      dbo.Zf_Man B ON A.manid = B.manid\n"
                              "where DATEPART(month, jkrq) in (DATEPART(month, GETDATE()))";
// The utility query and charging lists, which differ only in blanks.
QString utilityList(const char* price, const char* table) {
    return QString("SELECT A.ID,A.fangno, A.manid, B.manname,A.Jkrq, A.Sybd, A.Bybd, A.Sys, A.%1, A.Yfj,\n"
                   "A.sfj,case A.status when '1' then '已交款' else '未交款' end as status\n"
                   "FROM %2 A INNER JOIN\n"
                   "dbo.Zf_Man B ON A.manid = B.manid")
        .arg(price, table);
}
const QString kRentTotals = "select count(*)as rs,sum(fangya)as fangya,sum(fangprice)as fangprice,"
                            "sum(ljf)as ljf,sum(yf)as yf,sum(sf)as sf from Zf_Zujin\n"
                            "where jkrq BETWEEN '2026-11-30' and '2026-12-08'";
const QString kPowerTotals = "select count(*)as rs,sum(sys)as sys,sum(yfj)as yfj,sum(sfj)as sfj "
                             "from dbo.Zf_YdSf\nwhere jkrq BETWEEN '2026-11-30' and '2026-12-08'";

const char* const kUtilityTables[] = {"Zf_Lenshui", "Zf_Reshui", "Zf_YdSf"};
const char* const kUtilityPrices[] = {"lsdj", "rsdj", "Yddj"};

// 张三 (K001) lives in 101 and paid 920.5 this month; 李四 (K002) left 102
// and paid 600 of 620 in November; 118 more tenants make the roster long.
void seed() {
    TestDatabase::exec("insert into Zf_Man values ('K001','张三','ZS','1','110101199001011234','北京市东城区一号','13800000001','北京电力公司')");
    TestDatabase::exec("insert into Zf_Man values ('K002','李四','LS','0','110101199202022345','天津市河西区二号','13800000002','天津银行')");
    for (int i = 3; i <= 120; ++i)
        TestDatabase::exec(QString("insert into Zf_Man (manid, manname, zjm, sex) values "
                                   "('K%1', '王%1', 'W%1', '1')").arg(i, 3, 10, QChar('0')));
    TestDatabase::exec("insert into Zf_Fangjian values ('101', 35.5, '一房一厅', '朝南', '床 衣柜', 300, 600, 20.5)");
    TestDatabase::exec("insert into Zf_Fangjian values ('102', 20, '单房', '朝北', '床', 200, 400, 20)");
    TestDatabase::exec("insert into Zf_Rz (manid, fangno, begindate, status) values ('K001', '101', '2026-10-01', '1')");
    TestDatabase::exec("insert into zf_tf (manid, fangno, begindate, tfdate, tfj, status) values "
                       "('K002', '102', '2026-05-01', '2026-11-20', 200, '0')");
    TestDatabase::exec("insert into Zf_Zujin (fangno, manid, jkrq, fangya, fangprice, ljf, yf, sf, status) "
                       "values ('101', 'K001', '2026-12-01', 300, 600, 20.5, 920.5, 920.5, '1')");
    TestDatabase::exec("insert into Zf_Zujin (fangno, manid, jkrq, fangya, fangprice, ljf, yf, sf, status) "
                       "values ('102', 'K002', '2026-11-03', 0, 400, 20, 420, 400, '0')");
    TestDatabase::exec("insert into Zf_Zujin (fangno, manid, jkrq, fangya, fangprice, ljf, yf, sf, status) "
                       "values ('102', 'K002', '2026-12-02', 0, 400, 20, 420, 420, '1')");
    for (int t = 0; t < 3; ++t) {
        const QString insert = QString("insert into %1 (fangno, manid, jkrq, sybd, bybd, sys, %2, yfj, sfj, status) values ")
                                   .arg(kUtilityTables[t], kUtilityPrices[t]);
        TestDatabase::exec(insert + "('101', 'K001', '2026-12-05', 120.5, 132.8, 12.3, 2.5, 30.75, 30.75, '1')");
        TestDatabase::exec(insert + "('102', 'K002', '2026-11-06', 50, 58, 8, 2.5, 20, 18, '0')");
    }
}

struct Printed {
    QString caption;
    bool maximised = false;
    QStringList pages; // pdftotext's pages, blanks removed
    QString text() const { return pages.join(QString()); }
};

QStringList pdfPages(const QString& path) {
    QProcess p;
    p.start("pdftotext", {"-layout", "-enc", "UTF-8", path, "-"});
    p.waitForFinished();
    QString text = QString::fromUtf8(p.readAllStandardOutput());
    text.remove(QRegularExpression("[ \\t\\r\\n]"));
    QStringList pages = text.split(QChar('\f'));
    if (!pages.isEmpty() && pages.last().isEmpty())
        pages.removeLast();
    return pages;
}

// Runs a print action; when its preview opens, notes the caption, saves the
// report as PDF (kept for a look when ZENTAVO_REPORT_DIR names a folder) and
// closes the preview.
Printed print(const std::function<void()>& action, const QString& name) {
    Printed out;
    QTemporaryDir dir;
    const QString keep = qEnvironmentVariable("ZENTAVO_REPORT_DIR");
    const QString path = (keep.isEmpty() ? dir.path() : keep) + "/" + name + ".pdf";
    QFile::remove(path);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* preview = qobject_cast<ReportPreview*>(QApplication::activeModalWidget());
        if (!preview)
            return;
        poll.stop();
        out.caption = preview->windowTitle();
        out.maximised = preview->windowState() & Qt::WindowMaximized;
        if (!keep.isEmpty()) {
            preview->resize(1280, 900);
            QTest::qWait(100);
            preview->grab().save(keep + "/" + name + ".png");
        }
        preview->saveAsPdf(path);
        preview->reject();
    });
    poll.start(10);
    action();
    if (QFile::exists(path))
        out.pages = pdfPages(path);
    return out;
}

Query opened(const QString& sql) {
    Query q;
    q.setSql(sql);
    if (q.paramNames().size() == 2) { // the tenant search
        q.setText("manid", "%");
        q.setText("zjm", "%");
    }
    q.open();
    return q;
}

} // namespace

class TestReports : public QObject {
    Q_OBJECT

private slots:
    void init() { CurrentLoginName = "admin"; }

    // Each list layout over its screen's result: title, caption of the
    // preview, column captions, row values, "0.00" columns and label texts.
    // `absent` are texts that must not print.
    void lists_data() {
        QTest::addColumn<PrintFn>("action");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QStringList>("absent");
        const QStringList utility{kMonth, "房号客户姓名交款日期上月表底本月表底实用数", "应付金额实付金额状态",
                                  "101张三2026-12-05120.5132.812.32.5030.7530.75已交款",
                                  "102李四2026-11-06505882.5020.0018.00未交款",
                                  "合计20.3050.7548.75",
                                  kToday, "打印人：admin"};
        QTest::newRow("tenant roster") << &printTenantRoster << kTenants << "客户花名册报表"
            << QStringList{"打印日期：2026年12月8日", "客房编号姓名性别身份证号身份证地址电话单位",
                           "K001张三男110101199001011234北京市东城区一号13800000001北京电力公司",
                           "K002李四女", "K120王120男", "页数：1", "打印人：admin"}
            << QStringList{"ZS"};
        QTest::newRow("let rooms") << &printRoomList << kLetRooms << "出租房基本情况报表"
            << QStringList{"房号面积户型朝向设备房押月租金垃圾费",
                           "10135.5一房一厅朝南床衣柜300.00600.0020.50", kToday, "打印人：admin"}
            << QStringList{"已出租", "102"};
        QTest::newRow("current lettings") << &printLettingList << kOccupants << "客户在住情况报表"
            << QStringList{kToday, "房号客户编号客户姓名起租日期退房日期退房押金状态",
                           "101K001张三2026-10-01未退房", "经办人：admin"}
            << QStringList{"李四", "打印人"};
        QTest::newRow("check-outs") << &printLettingList << kCheckOuts << "客户在住情况报表"
            << QStringList{"102K002李四2026-05-012026-11-20200.00已退房"} << QStringList{"张三"};
        QTest::newRow("rent payments") << &printRentPayments << kRentQuery << "房租交费报表"
            << QStringList{kMonth, "房号客户姓名交款日期租房押金租房租金垃圾费应付金额实付金额状态",
                           "101张三2026-12-01300.00600.0020.50920.50920.50已交款",
                           "102李四2026-11-030.00400.0020.00420.00400.00未交款", kToday, "收款人：admin",
                           // Totals of the money columns under the last row.
                           "合计300.001400.0060.501760.501740.50"}
            << QStringList{"打印人"};
        QTest::newRow("cold water") << &printColdWaterPayments << utilityList("lsdj", "dbo.Zf_Lenshui")
            << "冷水交费明细报表" << QStringList(utility) + QStringList{"冷水单价"} << QStringList{"热水"};
        QTest::newRow("hot water") << &printHotWaterPayments << utilityList("rsdj", "dbo.Zf_Reshui")
            << "热水交费明细报表" << QStringList(utility) + QStringList{"热水单价"} << QStringList{"冷水"};
        QTest::newRow("electricity") << &printElectricityPayments << utilityList("Yddj", "Zf_YdSf")
            << "用电交费明细报表" << QStringList(utility) + QStringList{"用电单价"} << QStringList{"冷水"};
    }
    void lists() {
        QFETCH(PrintFn, action);
        QFETCH(QString, sql);
        QFETCH(QString, title);
        QFETCH(QStringList, present);
        QFETCH(QStringList, absent);
        TestDatabase db(QDateTime(QDate(2026, 12, 8), QTime(9, 30)));
        ScriptedMessagesScope messages;
        seed();
        Query list = opened(sql);
        list.seek(list.count() - 1);
        const int current = list.row();
        const Printed p = print([&] { action(list, nullptr); }, QTest::currentDataTag());
        QVERIFY(messages->shown.isEmpty());
        QCOMPARE(p.caption, title);
        QVERIFY(p.maximised);
        QVERIFY(p.text().startsWith(title));
        for (const QString& s : present)
            QVERIFY2(p.text().contains(s), qPrintable(s + " in " + p.text()));
        for (const QString& s : absent)
            QVERIFY2(!p.text().contains(s), qPrintable(s));
        QCOMPARE(list.row(), current);
    }

    // A roster of several pages: the column captions and the footer with the
    // page number and the user on every page, each tenant printed once.
    void rosterPages() {
        TestDatabase db(QDateTime(QDate(2026, 12, 8), QTime(9, 30)));
        ScriptedMessagesScope messages;
        seed();
        Query list = opened(kTenants);
        const Printed p = print([&] { printTenantRoster(list, nullptr); }, "roster");
        QVERIFY2(p.pages.size() >= 3, qPrintable(QString::number(p.pages.size())));
        for (int i = 0; i < p.pages.size(); ++i) {
            QVERIFY(p.pages[i].contains("客房编号姓名性别身份证号"));
            QVERIFY2(p.pages[i].contains(QString("页数：%1").arg(i + 1)), qPrintable(p.pages[i]));
            QVERIFY(p.pages[i].contains("打印人：admin"));
            QCOMPARE(p.pages[i].count("客户花名册报表"), i == 0 ? 1 : 0);
        }
        QCOMPARE(p.text().count(QRegularExpression("K\\d{3}")), 120);
        QCOMPARE(p.text().count("K120"), 1);
    }

    // A receipt is the current row's: its fields and its amount in capitals,
    // nothing of the other rows; the list stays on that row.
    void receipts_data() {
        QTest::addColumn<PrintFn>("action");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("room"); // the row made current
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QStringList>("absent");
        const QStringList common{"打印日期：2026-12-08", "注：本收据涂改无效", "收款人：", "收款单位盖章："};
        QTest::newRow("rent, 920.5") << &printRentReceipt << kRentCharging << "101"
            << common + QStringList{"房屋租金收费收据", "NO1", "兹收到客户张三", "房号101",
                                    // Money with two decimals, whole line by line.
                                    "押金：300.00月租：600.00清洁费：20.50",
                                    "应付租金：920.50实收租金：920.50交款日期：2026-12-01",
                                    "合计人民币（大写）玖佰贰拾圆伍角整￥：920.50"}
            << QStringList{"李四", "肆佰贰拾"};
        QTest::newRow("rent, second row") << &printRentReceipt << kRentCharging << "102"
            << QStringList{"NO3", "兹收到客户李四", "合计人民币（大写）肆佰贰拾圆整￥：420.00"}
            << QStringList{"张三", "玖佰"};
        // Room 102's charge is not settled (18 of 20 received): a payment
        // notice of what is still owed, never a receipt.
        const QStringList water{"客户：李四", "房号102", "上月表底：50", "本月表底：58",
                                "实用数：8", "应付金额：20", "已收金额：18", "开票日期：2026-11-06",
                                "尚欠人民币（大写）贰圆整", "应付￥：2", "NO2",
                                "注：本通知单不作收款凭证", "经办人："};
        QTest::newRow("cold water") << &printColdWaterReceipt << utilityList("lsdj", "dbo.Zf_Lenshui")
            << "102" << water + QStringList{"冷水缴费通知单", "冷水单价：2.5"}
            << QStringList{"张三", "叁拾", "兹收到", "收据", "实收"};
        QTest::newRow("hot water") << &printHotWaterReceipt << utilityList("rsdj", "dbo.Zf_Reshui")
            << "101" << QStringList{"热水收费收据", "兹收到客户张三", "热水单价：2.50",
                                    "合计人民币（大写）叁拾圆柒角伍分￥：30.75"}
            << QStringList{"李四"};
        QTest::newRow("electricity") << &printElectricityReceipt << utilityList("Yddj", "Zf_YdSf")
            << "102" << QStringList{"用电缴费通知单", "用电单价：2.5"} + water
            << QStringList{"张三", "兹收到", "收据"};
    }
    void receipts() {
        QFETCH(PrintFn, action);
        QFETCH(QString, sql);
        QFETCH(QString, room);
        QFETCH(QStringList, present);
        QFETCH(QStringList, absent);
        TestDatabase db(QDateTime(QDate(2026, 12, 8), QTime(9, 30)));
        ScriptedMessagesScope messages;
        seed();
        Query list = opened(sql);
        QVERIFY(list.locate("fangno", room));
        const int current = list.row();
        const Printed p = print([&] { action(list, nullptr); }, QTest::currentDataTag());
        QVERIFY(messages->shown.isEmpty());
        QCOMPARE(p.pages.size(), 1);
        QVERIFY(p.maximised);
        for (const QString& s : present)
            QVERIFY2(p.text().contains(s), qPrintable(s + " in " + p.text()));
        for (const QString& s : absent)
            QVERIFY2(!p.text().contains(s), qPrintable(s));
        QCOMPARE(list.row(), current);
    }

    // The statistics sheets: heading by the statistics' name, print date,
    // the pickers' period, captions and the one row of totals. A name that is
    // none of them prints nothing.
    void statistics_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("present");
        QTest::newRow("rent") << kRentTotals << "房屋租金情况统计"
            << QStringList{"房屋租金情况统计", "打印日期：2026-12-08", "统计日期：2026-11-30--2026-12-08",
                           "交款房号数房押房租清洁费应付金实付金", "2300.001000.0040.501340.501340.50"};
        QTest::newRow("electricity") << kPowerTotals << "用电收费情况统计"
            << QStringList{"用电收费情况统计", "统计日期：2026-11-30--2026-12-08",
                           "交款房号数实用数应付金实付金", "112.330.7530.75"};
        QTest::newRow("by way of payment")
            << "select '现金' as way, 120.5 as amount union all select '柜台收款', 1340.5" << "收款方式统计"
            << QStringList{"收款方式统计", "统计日期：2026-11-30--2026-12-08", "收款方式实收金额",
                           "现金120.50", "柜台收款1340.50", "合计1461.00"};
        QTest::newRow("initial label") << kRentTotals << "房屋租金情况统计    " << QStringList{};
    }
    void statistics() {
        QFETCH(QString, sql);
        QFETCH(QString, name);
        QFETCH(QStringList, present);
        TestDatabase db(QDateTime(QDate(2026, 12, 8), QTime(9, 30)));
        ScriptedMessagesScope messages;
        seed();
        Query totals = opened(sql);
        const Printed p = print(
            [&] { printStatistics(totals, name, QDate(2026, 11, 30), QDate(2026, 12, 8), nullptr); },
            QString("statistics ") + QTest::currentDataTag());
        QVERIFY(messages->shown.isEmpty());
        QCOMPARE(p.pages.size(), present.isEmpty() ? 0 : 1);
        for (const QString& s : present)
            QVERIFY2(p.text().contains(s), qPrintable(s + " in " + p.text()));
    }

    // Every print button on a list never opened and on an empty result: its
    // notice, and no preview.
    void guards_data() {
        QTest::addColumn<PrintFn>("action");
        QTest::addColumn<QString>("notice");
        const QString bang = "请查询后再打印！";
        QTest::newRow("tenant roster") << &printTenantRoster << "请查询后再打印";
        QTest::newRow("rooms") << &printRoomList << bang;
        QTest::newRow("lettings") << &printLettingList << bang;
        QTest::newRow("rent payments") << &printRentPayments << bang;
        QTest::newRow("cold water") << &printColdWaterPayments << bang;
        QTest::newRow("hot water") << &printHotWaterPayments << bang;
        QTest::newRow("electricity") << &printElectricityPayments << bang;
        QTest::newRow("rent receipt") << &printRentReceipt << bang;
        QTest::newRow("cold receipt") << &printColdWaterReceipt << bang;
        QTest::newRow("hot receipt") << &printHotWaterReceipt << bang;
        QTest::newRow("power receipt") << &printElectricityReceipt << bang;
        QTest::newRow("statistics") << PrintFn(nullptr) << "请查询后再打印";
    }
    void guards() {
        QFETCH(PrintFn, action);
        QFETCH(QString, notice);
        TestDatabase db;
        ScriptedMessagesScope messages;
        Query unopened;
        Query empty = opened("select manid, manname from zf_man where 1=0");
        for (Query* list : {&unopened, &empty}) {
            const Printed p = print(
                [&] {
                    if (action)
                        action(*list, nullptr);
                    else
                        printStatistics(*list, "房屋租金情况统计", QDate(2026, 1, 1), QDate(2026, 2, 1), nullptr);
                },
                "guard");
            QVERIFY(p.caption.isEmpty());
            QCOMPARE(messages->shown.size(), 1);
            QCOMPARE(messages->shown[0].caption, QString("Morvik提示"));
            QCOMPARE(messages->shown[0].text, notice);
            QCOMPARE(messages->shown[0].icon, MsgIcon::Warning);
            messages->clear();
        }
    }

    // The preview's own "另存为PDF": a folder that does not exist gives the
    // general error display and the preview stays; a good name writes the file.
    void saveAsPdfFromPreview() {
        TestDatabase db(QDateTime(QDate(2026, 12, 8), QTime(9, 30)));
        ScriptedMessagesScope messages;
        seed();
        Query list = opened(kRentQuery);
        QTemporaryDir dir;
        const QStringList names{dir.path() + "/missing/房租.pdf", dir.path() + "/房租"};
        QStringList stillOpen;
        QTimer poll;
        int step = 0;
        bool asked = false; // a save was asked for and its file dialog not yet seen
        QObject::connect(&poll, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* files = qobject_cast<QFileDialog*>(modal)) {
                asked = false;
                // selectFile() leaves the name box alone while it has the
                // focus: type the name as a user would.
                files->findChild<QLineEdit*>("fileNameEdit")->setText(names[step++]);
                QMetaObject::invokeMethod(files, "accept");
            } else if (auto* preview = qobject_cast<ReportPreview*>(modal)) {
                if (step == names.size()) {
                    poll.stop();
                    preview->reject();
                    return;
                }
                if (asked)
                    return; // a busy machine: the file dialog is still on its way
                asked = true;
                stillOpen << preview->windowTitle();
                QMetaObject::invokeMethod(preview->savePdfAction(), &QAction::trigger, Qt::QueuedConnection);
            }
        });
        poll.start(20);
        printRentPayments(list, nullptr);
        QCOMPARE(stillOpen, QStringList({"房租交费报表", "房租交费报表"}));
        QCOMPARE(messages->shown.size(), 1);
        QCOMPARE(messages->shown[0].caption, QString("房屋出租管理"));
        QCOMPARE(messages->shown[0].icon, MsgIcon::Critical);
        QVERIFY(messages->shown[0].text.contains("missing"));
        QVERIFY(pdfPages(dir.path() + "/房租.pdf").join("").contains("101张三2026-12-01"));
    }

    // A rent list of some eighty pages walked through its preview: page 1 shows
    // at once with only the pages in sight painted, the page box and count
    // follow browsing, fitting changes the scale, saving writes every page,
    // printing a page range prints exactly those pages, other paper gives
    // other pages, and Esc closes.
    void longReportPreview() {
        TestDatabase db(QDateTime(QDate(2026, 12, 8), QTime(9, 30)));
        ScriptedMessagesScope messages;
        seed();
        // 25 rooms more, each paid for by all 120 tenants.
        TestDatabase::exec("insert into Zf_Fangjian select manid, 20, '单房', '朝北', '床', 0, 500, 10 "
                           "from Zf_Man where manid <= 'K025'");
        TestDatabase::exec("insert into Zf_Zujin (fangno, manid, jkrq, fangya, fangprice, ljf, yf, sf, status) "
                           "select A.manid, B.manid, '2026-12-03', 0, 500, 10, 510, 510, '1' "
                           "from Zf_Man A, Zf_Man B where A.manid <= 'K025'");
        Query list = opened(kRentQuery);
        QCOMPARE(list.count(), 3003);
        list.last();
        const QString lastRow = list.text("fangno") + list.text("manname") + "2026-12-03";
        QTemporaryDir dir;
        const QString pdf = dir.filePath("all.pdf"), printed = dir.filePath("printed.pdf");
        bool walked = false;
        int shownPages = 0;
        QTimer::singleShot(0, [&] {
            auto* preview = qobject_cast<ReportPreview*>(QApplication::activeModalWidget());
            QVERIFY(preview);
            walked = true;
            // A failed check leaves the scenario: close the preview all the same.
            const std::unique_ptr<QDialog, void (*)(QDialog*)> close(preview, [](QDialog* d) { d->reject(); });
            ReportPageView* view = preview->pageView();
            auto act = [&](const char* name) { preview->findChild<QAction*>(name)->trigger(); };
            auto* box = preview->findChild<QSpinBox*>("Ed_Page");
            QTRY_VERIFY(view->paintedPages() > 0);
            QVERIFY2(view->paintedPages() <= 2, qPrintable(QString::number(view->paintedPages())));
            const int pages = shownPages = view->pageCount();
            QCOMPARE(view->currentPage(), 1);
            QCOMPARE(box->text(), QString("第 1 页"));
            QCOMPARE(preview->findChild<QLabel*>("Lb_PageCount")->text(), QString("/ 共 %1 页").arg(pages));
            QVERIFY(!preview->findChild<QAction*>("Act_PreviousPage")->isEnabled());
            for (QWidget* w : preview->findChild<QToolBar*>()->findChildren<QWidget*>())
                if (w->isVisibleTo(preview) && (qobject_cast<QAbstractButton*>(w) || qobject_cast<QAbstractSpinBox*>(w)))
                    QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));

            act("Act_FitWidth");
            const double width = view->zoomFactor();
            act("Act_FitPage");
            // The payment list is printed landscape: in a wide window the
            // whole page may fit at the width already, never larger.
            QVERIFY(view->zoomFactor() <= width);
            act("Act_ZoomIn");
            QVERIFY(view->fit() == ReportPageView::Fit::None);
            act("Act_LastPage");
            QCOMPARE(view->currentPage(), pages);
            QCOMPARE(box->value(), pages);
            QVERIFY(!preview->findChild<QAction*>("Act_NextPage")->isEnabled());
            act("Act_PreviousPage");
            QCOMPARE(view->currentPage(), pages - 1);
            box->setValue(5);
            QCOMPARE(view->currentPage(), 5);
            view->viewport()->repaint();
            QVERIFY(view->cachedPages() <= 6);

            QVERIFY(preview->saveAsPdf(pdf));
            // Print pages 2 to 3 through the print dialog, into a PDF file.
            preview->printer()->setOutputFormat(QPrinter::PdfFormat);
            preview->printer()->setOutputFileName(printed);
            preview->printer()->setPrintRange(QPrinter::PageRange);
            preview->printer()->setFromTo(2, 3);
            QTimer::singleShot(0, [] {
                QTRY_VERIFY(qobject_cast<QPrintDialog*>(QApplication::activeModalWidget()));
                qobject_cast<QPrintDialog*>(QApplication::activeModalWidget())->accept();
            });
            act("Act_Print");
            // A range beyond the report prints nothing and says why.
            QPrinter beyond(QPrinter::HighResolution);
            beyond.setOutputFileName(dir.filePath("beyond.pdf"));
            beyond.setPrintRange(QPrinter::PageRange);
            beyond.setFromTo(pages + 1, pages + 5);
            QVERIFY_THROWS_EXCEPTION(ReportError, preview->printPages(beyond));
            QVERIFY(!QFile::exists(dir.filePath("beyond.pdf")));

            // Smaller paper taken through the page set-up: more pages.
            preview->printer()->setPageSize(QPageSize(QPageSize::A5));
            QTimer::singleShot(0, [] {
                QTRY_VERIFY(qobject_cast<QPageSetupDialog*>(QApplication::activeModalWidget()));
                qobject_cast<QDialog*>(QApplication::activeModalWidget())->accept();
            });
            act("Act_PageSetup");
            const int a5 = view->pageCount();
            QVERIFY(a5 > pages);
            QCOMPARE(preview->findChild<QLabel*>("Lb_PageCount")->text(), QString("/ 共 %1 页").arg(a5));
            // Esc closes the preview even where the program holds Esc back
            // from its screens.
            installScreenEscGuard();
            QTest::keyClick(preview, Qt::Key_Escape);
            QVERIFY(!preview->isVisible());
        });
        printRentPayments(list, nullptr);
        QVERIFY(walked);
        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY(messages->shown.isEmpty());
        const QStringList all = pdfPages(pdf);
        QVERIFY(shownPages > 50);
        QCOMPARE(all.size(), shownPages);
        QVERIFY(all.first().contains("房租交费报表") && all.first().contains("101张三2026-12-01"));
        QVERIFY2(all.last().contains(lastRow), qPrintable(lastRow + " in " + all.last()));
        QCOMPARE(pdfPages(printed), all.mid(1, 2));

        // A save stopped half-way leaves no half a file behind.
        TBbForm_report form;
        QPrinter printer;
        QVERIFY(!form.renderer("Fz_report", list.result()).writePdf(pdf, printer.pageLayout(), [](int done, int) { return done < 3; }));
        QVERIFY(!QFile::exists(pdf));
    }

    // A preview whose pages cannot be laid out closes and reports why.
    void failingPreviewCloses() {
        TestDatabase db;
        ReportLayout tall;
        tall.name = "tall";
        tall.detailBand.height = 400;
        tall.detailBand.items << label("x");
        ReportRenderer renderer(tall, {}, std::make_shared<ResultSet>());
        QVERIFY_THROWS_EXCEPTION(ReportError, previewReport(renderer, nullptr));
        QVERIFY(!QApplication::activeModalWidget());
    }
};

QTEST_MAIN(TestReports)
#include "tst_reports.moc"
