// The two screens over readings and lets: 租房抄表查询 (readings over a range
// of months with the usage per month, searched, exported and printed) and
// 合同管理 (the lets as leases, nearest end first, renewed one at a time).
#include "connection.h"
#include "gridexport.h"
#include "monthlytables.h"
#include "reportpreview.h"
#include "screenhelpers.h"
#include "session.h"
#include "testdatabase.h"
#include "thtglform.h"
#include "tzfcbcxform.h"

#include <QAction>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

void seedRooms() {
    TestDatabase::exec("insert into Zf_Man (manid,manname,zjm,sex) values ('K01','张三','ZS','1')");
    TestDatabase::exec("insert into Zf_Man (manid,manname,zjm,sex) values ('K02','李四','LS','0')");
    TestDatabase::exec("insert into Zf_Man (manid,manname,zjm,sex) values ('K03','王五','WW','1')");
    TestDatabase::exec("insert into Zf_Man (manid,manname,zjm,sex) values ('K04','赵六','ZL','1')");
    for (const char* room : {"101", "102", "103", "104"})
        TestDatabase::exec(QString("insert into Zf_Fangjian (fangno, fangya, fangprice) values "
                                   "('%1', 1000, 620.1)").arg(room));
}

// Prints through the screen's button; the preview is saved as PDF and its
// text answered, the preview closed.
QString printedText(QWidget* screen, const QString& name) {
    QTemporaryDir dir;
    const QString keep = qEnvironmentVariable("ZENTAVO_SHOTS");
    const QString pdf = (keep.isEmpty() ? dir.path() : keep) + "/" + name + ".pdf";
    onModal(
        [&](QWidget* modal) {
            auto* preview = qobject_cast<ReportPreview*>(modal);
            QVERIFY(preview);
            QVERIFY(preview->saveAsPdf(pdf));
            preview->reject();
        },
        [&] { click(screen, "BBtn_Print"); });
    if (!keep.isEmpty())
        QProcess::execute("pdftoppm", {"-png", "-r", "70", "-f", "1", "-l", "1", pdf, keep + "/" + name});
    QProcess p;
    p.start("pdftotext", {"-layout", "-enc", "UTF-8", pdf, "-"});
    p.waitForFinished();
    return QString::fromUtf8(p.readAllStandardOutput()).remove(QRegularExpression("[ \\t\\r\\n]"));
}

} // namespace

class TestReadingsAndLeases : public QObject {
    Q_OBJECT

private slots:
    void init() { CurrentLoginName = "admin"; }

    void readings() {
        TestDatabase db; // 7 March 2024
        ScriptedMessagesScope messages;
        seedRooms();
        TestDatabase::exec("insert into Zf_Rz (manid,fangno,begindate,status) values ('K01','101','2023-12-01','1')");
        for (const char* t : {"zf_Biaodi202401", "zf_Biaodi202402", "zf_Biaodi202403"})
            EnsureBiaodiTable(QString::fromLatin1(t));
        const QString insert = "insert into %1 (fangno,cbrq,lsb,rsb,db,mqb) values ";
        TestDatabase::exec(insert.arg("zf_Biaodi202401") + "('101','2024-01-31',10,2,300,5)");
        TestDatabase::exec(insert.arg("zf_Biaodi202402") + "('101','2024-02-29',15.5,3,420.25,5)");
        TestDatabase::exec(insert.arg("zf_Biaodi202403") + "('101','2024-03-06',21.3,3.5,500,6.1)");
        TestDatabase::exec(insert.arg("zf_Biaodi202403") + "('102','2024-03-06',7,1,80,0)");

        TZfCbCxForm form;
        form.show();
        QCOMPARE(form.windowTitle(), QStringLiteral("租房抄表查询"));
        auto* grid = child<QTableView>(&form, "DBGrid1");
        auto* begin = child<QDateEdit>(&form, "DT_begin");
        auto* end = child<QDateEdit>(&form, "DT_end");
        QCOMPARE(gridTitles(grid), (QStringList{"月份", "房号", "客户姓名", "抄表日期", "冷水表",
                                                "冷水用量", "热水表", "热水用量", "电表", "用电量",
                                                "煤气表", "煤气用量"}));
        // The last six months, up to this one; nothing listed before a search.
        QCOMPARE(end->date(), QDate(2024, 3, 1));
        QCOMPARE(begin->date(), QDate(2023, 10, 1));
        QCOMPARE(grid->model()->rowCount(), 0);
        click(&form, "BBtn_Print");
        QCOMPARE(shownTexts(messages.messages()), QStringList{"Morvik提示|请查询后再打印！"});

        // Every room: a month without the month before has no usage; a
        // room's usage is this month's reading less last month's.
        click(&form, "BitBtn_find");
        QCOMPARE(gridRows(grid),
                 (QStringList{"2024-01|101|张三|2024-01-31|10||2||300||5|",
                              "2024-02|101|张三|2024-02-29|15.5|5.5|3|1|420.25|120.25|5|0",
                              "2024-03|101|张三|2024-03-06|21.3|5.8|3.5|0.5|500|79.75|6.1|1.1",
                              "2024-03|102||2024-03-06|7||1||80||0|"}));
        QVERIFY(messages->shown.isEmpty());
        saveShot(&form, "tzfcbcxform");

        // One room by the beginning of its number, over two months.
        QTest::keyClicks(child<QLineEdit>(&form, "Ed_Fh"), "101");
        begin->setDate(QDate(2024, 2, 1));
        click(&form, "BitBtn_find");
        QCOMPARE(gridColumn(grid, 0), (QStringList{"2024-02", "2024-03"}));
        QCOMPARE(gridColumn(grid, 1), (QStringList{"101", "101"}));

        // The grid exports what it shows, and prints as the reading list.
        QVERIFY(!grid->actions().isEmpty());
        QCOMPARE(grid->actions().first()->text(), QStringLiteral("导出…"));
        QTemporaryDir dir;
        QCOMPARE(exportGridToFile(grid, dir.filePath("r.csv")), QString());
        QFile csv(dir.filePath("r.csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QString exported = QString::fromUtf8(csv.readAll());
        QVERIFY(exported.contains("月份,房号,客户姓名,抄表日期,冷水表,冷水用量"));
        QVERIFY2(exported.contains("2024-03,101,张三,2024-03-06,21.3,5.8,3.5,0.5,500,79.75,6.1,1.1"),
                 qPrintable(exported));
        const QString printed = printedText(&form, "Cb_report");
        QVERIFY2(printed.startsWith("住房抄表报表打印日期：2024年3月7日"), qPrintable(printed));
        QVERIFY(printed.contains("房号客户姓名抄表日期冷水表热水表电表煤气表"));
        QVERIFY(printed.contains("101张三2024-03-0621.33.55006.1"));
        QVERIFY(printed.contains("抄表人："));
        QVERIFY(printed.contains("打印人：admin"));

        // Refused ranges say why; a range without reading tables lists nothing.
        begin->setDate(QDate(2024, 4, 1));
        click(&form, "BitBtn_find");
        QCOMPARE(shownTexts(messages.messages()),
                 QStringList{"Morvik提示|起始月份晚于终止月份，请重新选择月份。"});
        end->setDate(QDate(2024, 6, 1));
        click(&form, "BitBtn_find");
        QCOMPARE(shownTexts(messages.messages()), QStringList{"Morvik提示|2024年4月至2024年6月没有抄表记录。"});
        QCOMPARE(grid->model()->rowCount(), 0);
        begin->setDate(QDate(2021, 1, 1));
        click(&form, "BitBtn_find");
        QCOMPARE(shownTexts(messages.messages()),
                 QStringList{"Morvik提示|一次最多查询 36 个月，请缩短月份范围。"});
        begin->setDate(QDate(2024, 1, 1));
        child<QLineEdit>(&form, "Ed_Fh")->setText("9");
        click(&form, "BitBtn_find");
        QCOMPARE(shownTexts(messages.messages()), QStringList{"Morvik提示|没有符合条件的记录"});
    }

    void leases() {
        TestDatabase db; // 7 March 2024
        ScriptedMessagesScope messages;
        seedRooms();
        const QString let = "insert into Zf_Rz (manid,fangno,begindate,enddate,status) values ";
        TestDatabase::exec(let + "('K01','101','2023-03-01','2024-12-31','1')"); // far off
        TestDatabase::exec(let + "('K02','102','2023-04-01','2024-03-31','1')"); // 24 days
        TestDatabase::exec(let + "('K03','103','2023-01-01','2024-02-29','1')"); // 7 days past
        TestDatabase::exec(let + "('K04','104','2023-06-01','2024-04-06','1')"); // 30 days

        THtglForm form;
        form.show();
        QCOMPARE(form.windowTitle(), QStringLiteral("合同管理"));
        auto* grid = child<QTableView>(&form, "DBGrid1");
        QCOMPARE(gridTitles(grid), (QStringList{"房号", "客户编号", "客户姓名", "起租日期", "约定到期",
                                                "月租", "押金", "剩余天数", "状态"}));
        // Past and near ends first, in order of the end; then the others.
        QStringList shown;
        for (int r = 0; r < grid->model()->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < grid->model()->columnCount(); ++c)
                cells << grid->model()->index(r, c).data().toString();
            shown << cells.join('|');
        }
        QCOMPARE(shown, (QStringList{"103|K03|王五|2023-01-01|2024-02-29|620.1|1000|-7|已过期",
                                     "102|K02|李四|2023-04-01|2024-03-31|620.1|1000|24|即将到期",
                                     "104|K04|赵六|2023-06-01|2024-04-06|620.1|1000|30|即将到期",
                                     "101|K01|张三|2023-03-01|2024-12-31|620.1|1000|299|"}));
        saveShot(&form, "thtglform");
        // The first lease is chosen, a year more offered.
        auto* newEnd = child<QDateEdit>(&form, "DT_newEnd");
        QCOMPARE(newEnd->date(), QDate(2025, 2, 28));
        QVERIFY(child<QLabel>(&form, "Lb_lease")->text().contains("103"));

        // A new end not after the old one is refused and writes nothing.
        grid->selectRow(1);
        QCOMPARE(newEnd->date(), QDate(2025, 3, 31));
        newEnd->setDate(QDate(2024, 3, 31));
        click(&form, "bitbtn_xz");
        QCOMPARE(shownTexts(messages.messages()),
                 QStringList{"Morvik提示|续租失败\n新的到期日须晚于原到期日 2024-03-31，请重新选择日期。"});
        // No to the question writes nothing either; yes renews that lease alone.
        newEnd->setDate(QDate(2025, 3, 31));
        messages->answerNext(MsgAnswer::No);
        click(&form, "bitbtn_xz");
        QCOMPARE(shownTexts(messages.messages()), QStringList{"Morvik提示|确认将房间 102 的租约续到 2025-03-31 吗？"});
        QCOMPARE(TestDatabase::scalar("select enddate from Zf_Rz where fangno='102'"), "2024-03-31");
        messages->answerNext(MsgAnswer::Yes);
        click(&form, "bitbtn_xz");
        QCOMPARE(shownTexts(messages.messages()), (QStringList{"Morvik提示|确认将房间 102 的租约续到 2025-03-31 吗？",
                                                    "房屋出租管理|续租成功！"}));
        QCOMPARE(TestDatabase::rows("select fangno, enddate from Zf_Rz order by fangno"),
                 (QStringList{"101|2024-12-31", "102|2025-03-31", "103|2024-02-29", "104|2024-04-06"}));
        QVERIFY(!Connection::shared().inTransaction());
        // The renewed lease moves among the others and stays chosen.
        QCOMPARE(grid->model()->index(2, 0).data().toString(), QStringLiteral("101"));
        QCOMPARE(grid->model()->index(3, 0).data().toString(), QStringLiteral("102"));
        QCOMPARE(grid->currentIndex().row(), 3);
        QCOMPARE(grid->model()->index(3, 7).data().toString(), QStringLiteral("389"));

        // A lease that has gone meanwhile (checked out at another desk) is
        // not renewed, and the list is read again.
        grid->selectRow(0);
        TestDatabase::exec("delete from Zf_Rz where fangno = '103'");
        messages->answerNext(MsgAnswer::Yes);
        click(&form, "bitbtn_xz");
        QCOMPARE(shownTexts(messages.messages()).last(),
                 QStringLiteral("|续租失败\n房间 103 的租约已不在（可能已退房），请查看刷新后的列表。"));
        QCOMPARE(grid->model()->rowCount(), 3);
        QVERIFY(!Connection::shared().inTransaction());

        const QString printed = printedText(&form, "Ht_report");
        QVERIFY2(printed.startsWith("租约到期情况报表打印日期：2024年3月7日"), qPrintable(printed));
        QVERIFY2(printed.contains("104K04赵六2023-06-012024-04-06620.101000.0030即将到期"),
                 qPrintable(printed));
        QVERIFY2(printed.contains("合计1860.303000.00"), qPrintable(printed));
        QVERIFY(printed.contains("打印人：admin"));
    }
};

QTEST_MAIN(TestReadingsAndLeases)
#include "tst_readingsandleases.moc"
