// The monthly reading sheet walked through as an operator types it, and the
// readings that look wrong on it.
#include "connection.h"
#include "monthlytables.h"
#include "readingcheck.h"
#include "readingsheetmodel.h"
#include "scriptedmessages.h"
#include "tcbglform.h"
#include "testdatabase.h"
#include "tplcbform.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QDateEdit>
#include <QtTest>

#include <latch>
#include <thread>

namespace {

const QDate kToday(2026, 12, 8);

// Rooms 101..105 let; eight months of readings for each, electricity going
// up 10 a month, water 2; room 105 already read this month.
void seed()
{
    for (int i = 1; i <= 5; ++i) {
        TestDatabase::exec(QStringLiteral("insert into Zf_Man (manid,manname,zjm,sex) values ('K%1','客户%1','KH','1')").arg(i));
        TestDatabase::exec(QStringLiteral("insert into Zf_Fangjian (fangno,fangprice) values ('10%1',600)").arg(i));
        TestDatabase::exec(QStringLiteral("insert into Zf_Rz (manid,fangno,begindate,status) values ('K%1','10%1','2026-01-01','1')").arg(i));
    }
    for (int back = 8; back >= 1; --back) {
        const QDate m = kToday.addMonths(-back);
        const QString table = BiaodiTableName(m.year(), m.month());
        EnsureBiaodiTable(table);
        for (int i = 1; i <= 5; ++i)
            TestDatabase::exec(QStringLiteral("insert %1(fangno,cbrq,lsb,rsb,db,mqb) values ('10%2','%3',%4,%5,%6,0)")
                                   .arg(table)
                                   .arg(i)
                                   .arg(m.toString(Qt::ISODate))
                                   .arg(100 - back * 2)
                                   .arg(50 - back)
                                   .arg(1000 - back * 10));
    }
    EnsureBiaodiTable(BiaodiTableName(2026, 12));
    TestDatabase::exec("insert zf_Biaodi202612(fangno,cbrq,lsb,rsb,db,mqb) values ('105','2026-12-01',99,49,995,0)");
}

// Keys go where the focus is: the grid, then the cell editor it opens.
QWidget* focused(QWidget* fallback)
{
    QWidget* w = QApplication::focusWidget();
    return w ? w : fallback;
}

void type(QWidget* grid, const QString& text)
{
    for (const QChar c : text)
        QTest::keyClick(focused(grid), c.toLatin1());
}

// Enter, and the event loop turning as it does between two key presses.
void enter(QWidget* grid)
{
    QTest::keyClick(focused(grid), Qt::Key_Return);
    QCoreApplication::processEvents();
}

QStringList stored()
{
    return TestDatabase::rows("select fangno,cbrq,lsb,rsb,db,mqb from zf_Biaodi202612 order by fangno, ID");
}

} // namespace

class TestReadingSheet : public QObject {
    Q_OBJECT

private slots:
    void judge_data()
    {
        QTest::addColumn<double>("usage");
        QTest::addColumn<double>("average");
        QTest::addColumn<int>("anomaly");
        QTest::newRow("ordinary") << 11.0 << 10.0 << int(ReadingAnomaly::None);
        QTest::newRow("meter went down") << -0.5 << 10.0 << int(ReadingAnomaly::BelowLastMonth);
        QTest::newRow("three times is still ordinary") << 30.0 << 10.0 << int(ReadingAnomaly::None);
        QTest::newRow("more than three times") << 30.5 << 10.0 << int(ReadingAnomaly::UnusuallyHigh);
        QTest::newRow("high but under the floor") << 9.0 << 1.0 << int(ReadingAnomaly::None);
        QTest::newRow("no history") << 500.0 << -1.0 << int(ReadingAnomaly::None);
    }
    void judge()
    {
        QFETCH(double, usage);
        QFETCH(double, average);
        QFETCH(int, anomaly);
        QCOMPARE(int(judgeUsage(usage, average < 0 ? std::nullopt : std::optional<double>(average))), anomaly);
    }

    void walkThrough()
    {
        TestDatabase db(QDateTime(kToday, QTime(10, 0)));
        ScriptedMessagesScope messages;
        seed();
        auto* form = new TPlcbForm;
        form->show();
        QApplication::setActiveWindow(form);
        QVERIFY(QTest::qWaitForWindowActive(form));
        auto* grid = form->findChild<QTableView*>("DBGrid1");
        auto* post = form->findChild<QPushButton*>("bitbtn_post");
        ReadingSheetModel& sheet = form->sheet();

        QCOMPARE(form->windowTitle(), QStringLiteral("批量抄表"));
        QCOMPARE(sheet.rowCount(), 5);
        QCOMPARE(form->findChild<QLabel*>("Lab_count")->text(), QStringLiteral("在租房间 5 间，本月已抄 1 间"));
        const auto cell = [&](int r, int c) { return sheet.data(sheet.index(r, c)).toString(); };
        QCOMPARE(cell(0, 0), QStringLiteral("101"));
        QCOMPARE(cell(0, 2) + "|" + cell(0, 4), QStringLiteral("98|990"));
        QCOMPARE(cell(4, ReadingSheetModel::kStatusColumn), QStringLiteral("本月已抄"));

        // Row 101 typed across, Enter moving on to the next row; row 102
        // whole; row 103 only cold water; row 104 left empty; row 105
        // (read already) typed too.
        // Typing starts in the first room's first meter, not in the date.
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(grid));
        QCOMPARE(grid->currentIndex(), sheet.index(0, ReadingSheetModel::kFirstTyped));
        for (const char* v : {"100.5", "50", "1000", "1"}) {
            type(grid, v);
            enter(grid);
        }
        QCOMPARE(grid->currentIndex(), sheet.index(1, ReadingSheetModel::kFirstTyped));
        for (const char* v : {"101", "51", "1009.99", "0"}) {
            type(grid, v);
            enter(grid);
        }
        type(grid, "100.25");
        enter(grid);
        grid->setCurrentIndex(sheet.index(4, ReadingSheetModel::kFirstTyped));
        type(grid, "101");
        enter(grid);
        QCOMPARE(cell(0, ReadingSheetModel::kFirstTyped + 2), QStringLiteral("1000"));
        for (int r = 0; r < 5; ++r)
            QCOMPARE(cell(r, ReadingSheetModel::kStatusColumn).contains(QStringLiteral("异常")), false);

        // Not a reading: told which, nothing written.
        sheet.setData(sheet.index(3, ReadingSheetModel::kFirstTyped + 1), "5O");
        QTest::mouseClick(post, Qt::LeftButton);
        QCOMPARE(messages->shown.last().text, QStringLiteral("房号 104 热水表的读数“5O”不是有效的表底数（最多四位整数、两位小数）。"));
        QCOMPARE(stored().size(), 1);
        sheet.setData(sheet.index(3, ReadingSheetModel::kFirstTyped + 1), "");

        // A meter below last month and a usage far above the room's average
        // are marked; the question comes once, and No writes nothing.
        sheet.setData(sheet.index(2, ReadingSheetModel::kFirstTyped + 2), "1200");
        QCOMPARE(cell(2, ReadingSheetModel::kStatusColumn), QStringLiteral("用量异常偏高"));
        sheet.setData(sheet.index(0, ReadingSheetModel::kFirstTyped), "97");
        QCOMPARE(cell(0, ReadingSheetModel::kStatusColumn), QStringLiteral("低于上月读数"));
        if (qEnvironmentVariableIsSet("ZENTAVO_SCREENSHOTS"))
            form->grab().save(qEnvironmentVariable("ZENTAVO_SCREENSHOTS") + "/tplcbform.png");
        messages->clear();
        messages->answerNext(MsgAnswer::No);
        QTest::mouseClick(post, Qt::LeftButton);
        QCOMPARE(messages->shown.size(), 1);
        QCOMPARE(messages->shown[0].text, QStringLiteral("以下读数需要确认：\n房号 101 冷水表：低于上月读数\n"
                                                         "房号 103 电表：用量异常偏高\n确认保存吗？"));
        QCOMPARE(stored().size(), 1);
        sheet.setData(sheet.index(0, ReadingSheetModel::kFirstTyped), "100.5");
        sheet.setData(sheet.index(2, ReadingSheetModel::kFirstTyped + 2), "");

        // Saved: the three new rooms in one go; the room read already is
        // asked about and, answered No, not written twice.
        messages->clear();
        messages->answerNext(MsgAnswer::No);
        QTest::mouseClick(post, Qt::LeftButton);
        QCOMPARE(messages->shown.size(), 2);
        QVERIFY(messages->shown[0].text.startsWith(QStringLiteral("其中 1 个房间本月已抄表（房号 105）")));
        // Room 103's blank meters are not read: stored empty, never as 0.
        QCOMPARE(messages->shown[1].text, QStringLiteral("保存成功！共保存 3 个房间的抄表记录。\n"
                                                         "房号 103 只填了部分表，未填的表记为未抄。"));
        QCOMPARE(stored(), (QStringList{"101|2026-12-08|100.5|50|1000|1", "102|2026-12-08|101|51|1009.99|0",
                                        "103|2026-12-08|100.25|||", "105|2026-12-01|99|49|995|0"}));
        QCOMPARE(TestDatabase::scalar("select count(*) from zf_Biaodi202612 where fangno = '103' and rsb is null "
                                      "and db is null and mqb is null"),
                 QStringLiteral("1"));
        QCOMPARE(form->findChild<QLabel*>("Lab_count")->text(), QStringLiteral("在租房间 5 间，本月已抄 4 间"));
        QCOMPARE(cell(0, ReadingSheetModel::kFirstTyped), QString());

        // A failure while writing leaves no row of the sheet behind.
        db.refuse("refuse_104", "zf_Biaodi202612", "INSERT", "NEW.fangno = '104'");
        sheet.setData(sheet.index(2, ReadingSheetModel::kFirstTyped), "102");
        sheet.setData(sheet.index(3, ReadingSheetModel::kFirstTyped), "102");
        messages->clear();
        messages->answerNext(MsgAnswer::Yes);
        QTest::mouseClick(post, Qt::LeftButton);
        QCOMPARE(messages->shown.last().text, QStringLiteral("操作失败！"));
        QCOMPARE(stored().size(), 4);
        QCOMPARE(cell(3, ReadingSheetModel::kFirstTyped), QStringLiteral("102"));
        delete form;
    }
    // A room in its first months has no usage of its own to compare with: a
    // reading far above the building's usual usage of that meter last month
    // is marked and asked once, naming room and meter, on the sheet and on
    // the single-reading screen alike.
    void firstMonthTypo()
    {
        TestDatabase db(QDateTime(kToday, QTime(10, 0)));
        ScriptedMessagesScope messages;
        seed();
        TestDatabase::exec("insert into Zf_Man (manid,manname,zjm,sex) values ('K6','客户6','KH','1');"
                           "insert into Zf_Fangjian (fangno,fangprice) values ('106',600);"
                           "insert into Zf_Rz (manid,fangno,begindate,status) values ('K6','106','2026-11-01','1');"
                           "insert zf_Biaodi202611(fangno,cbrq,lsb,rsb,db,mqb) values ('106','2026-11-01',20,null,230,0);"
                           // A later reading of the month with electricity unread.
                           "insert zf_Biaodi202611(fangno,cbrq,lsb,rsb,db,mqb) values ('106','2026-11-20',21,null,null,0)");
        {
            TPlcbForm form;
            form.show();
            ReadingSheetModel& sheet = form.sheet();
            QCOMPARE(sheet.data(sheet.index(5, 0)).toString(), QStringLiteral("106"));
            // Last month: each meter's latest reading; an unread meter keeps
            // the reading before it.
            QStringList last;
            for (int c = 2; c < ReadingSheetModel::kFirstTyped; ++c)
                last << sheet.data(sheet.index(5, c)).toString();
            QCOMPARE(last, (QStringList{"21", "", "230", "0"}));
            // Electricity of the building went up 10 last month.
            QCOMPARE(*sheet.history().buildingUsage(Meter::Electricity), 10.0);
            const int db = ReadingSheetModel::kFirstTyped + int(Meter::Electricity);
            sheet.setData(sheet.index(5, db), "2380");
            QCOMPARE(sheet.data(sheet.index(5, ReadingSheetModel::kStatusColumn)).toString(),
                     QStringLiteral("用量异常偏高"));
            messages->answerNext(MsgAnswer::No);
            QTest::mouseClick(form.findChild<QPushButton*>("bitbtn_post"), Qt::LeftButton);
            QCOMPARE(messages->shown.size(), 1);
            QCOMPARE(messages->shown[0].text, QStringLiteral("房号 106 的电表本月用量异常偏高，确认保存吗？"));
            QCOMPARE(stored().size(), 1);
            // What was meant: ordinary, saved without a question. The hot
            // water meter, unread last month, is not judged at all.
            sheet.setData(sheet.index(5, db), "238");
            sheet.setData(sheet.index(5, ReadingSheetModel::kFirstTyped + int(Meter::HotWater)), "900");
            QCOMPARE(sheet.data(sheet.index(5, ReadingSheetModel::kStatusColumn)).toString(), QString());
            messages->clear();
            QTest::mouseClick(form.findChild<QPushButton*>("bitbtn_post"), Qt::LeftButton);
            QCOMPARE(messages->shown.size(), 1);
            QCOMPARE(stored().last(), QStringLiteral("106|2026-12-08||900|238|"));
        }

        // The single-reading screen: the same typo marked and asked once.
        TestDatabase::exec("delete from zf_Biaodi202612 where fangno = '106'");
        TCbglForm form;
        form.show();
        messages->clear();
        QTest::mouseClick(form.findChild<QPushButton*>("bitbtn_insert"), Qt::LeftButton);
        QTest::keyClicks(form.findChild<QLineEdit*>("Ed_Fh"), "106");
        QTest::keyClicks(form.findChild<QLineEdit*>("Ed_Lsb"), "21");
        QTest::keyClicks(form.findChild<QLineEdit*>("Ed_Db"), "2380");
        QCOMPARE(form.findChild<QLineEdit*>("Ed_Db")->toolTip(), QStringLiteral("用量异常偏高"));
        QCOMPARE(form.findChild<QLineEdit*>("Ed_Lsb")->toolTip(), QString());
        messages->answerNext(MsgAnswer::No);
        QTest::mouseClick(form.findChild<QPushButton*>("bitbtn_post"), Qt::LeftButton);
        QCOMPARE(messages->shown.size(), 1);
        QCOMPARE(messages->shown[0].text, QStringLiteral("本月用量异常偏高，确认保存吗？"));
        QCOMPARE(stored().size(), 1);
    }

    // A room read by another desk after the sheet was opened is not given a
    // second reading silently: the save asks, naming it; 否 stores the other
    // rooms only. The check is inside the save's transaction.
    void readByAnotherDesk()
    {
        TestDatabase db(QDateTime(kToday, QTime(10, 0)));
        ScriptedMessagesScope messages;
        seed();
        TPlcbForm form;
        form.show();
        ReadingSheetModel& sheet = form.sheet();
        for (int r : {2, 3})
            sheet.setData(sheet.index(r, ReadingSheetModel::kFirstTyped), "100");

        Connection desk2;
        desk2.open(db.config());
        const SheetStoreResult other = storeSheetReadings(desk2, "zf_Biaodi202612", kToday, {{"103", {"99.5", "", "", ""}}});
        QCOMPARE(other.written, 1);

        for (MsgAnswer answer : {MsgAnswer::No, MsgAnswer::Yes}) {
            messages->clear();
            messages->answerNext(answer);
            QTest::mouseClick(form.findChild<QPushButton*>("bitbtn_post"), Qt::LeftButton);
            if (answer == MsgAnswer::No) {
                QCOMPARE(messages->shown.size(), 2);
                QCOMPARE(messages->shown[0].text, QStringLiteral("房号 103 在打开本表后已由其他人抄表，是否再保存一次？\n"
                                                                 "选“否”则不保存这些房间。"));
                QCOMPARE(stored(), (QStringList{"103|2026-12-08|99.5|||", "104|2026-12-08|100|||",
                                                "105|2026-12-01|99|49|995|0"}));
                // Typed again: now the sheet knows both rooms are read.
                for (int r : {2, 3})
                    sheet.setData(sheet.index(r, ReadingSheetModel::kFirstTyped), "100");
            } else {
                QVERIFY(messages->shown[0].text.startsWith(QStringLiteral("其中 2 个房间本月已抄表（房号 103、104）")));
                QCOMPARE(stored().size(), 5);
            }
        }

        // Two desks storing the same room at the same moment: one stores
        // it, the other is told the room is read and stores nothing.
        const auto desk = [&](const QString& value, SheetStoreResult* result, std::latch* start) {
            Connection c;
            c.open(db.config());
            start->arrive_and_wait();
            *result = storeSheetReadings(c, "zf_Biaodi202612", kToday, {{"102", {value, "", "", ""}}, {"101", {value, "", "", ""}}});
            c.close();
        };
        SheetStoreResult a, b;
        std::latch start(2);
        std::thread t1(desk, QStringLiteral("101"), &a, &start);
        std::thread t2(desk, QStringLiteral("102"), &b, &start);
        t1.join();
        t2.join();
        QCOMPARE(a.written + b.written, 2);
        QCOMPARE(a.readMeanwhile.size() + b.readMeanwhile.size(), 2);
        QCOMPARE(TestDatabase::scalar("select count(*) from zf_Biaodi202612 where fangno in ('101','102')"),
                 QStringLiteral("2"));
        QCOMPARE(TestDatabase::scalar("select count(distinct lsb) from zf_Biaodi202612 where fangno in ('101','102')"),
                 QStringLiteral("1"));
    }

    // The reading date is refused outside last month … next month, by the
    // save and when the date edit is left.
    void dateGuard()
    {
        TestDatabase db(QDateTime(kToday, QTime(10, 0)));
        ScriptedMessagesScope messages;
        seed();
        auto* form = new TPlcbForm;
        form->show();
        QApplication::setActiveWindow(form);
        QVERIFY(QTest::qWaitForWindowActive(form));
        auto* date = form->findChild<QDateEdit*>("DT_Cbrq");
        auto* grid = form->findChild<QTableView*>("DBGrid1");
        form->sheet().setData(form->sheet().index(0, ReadingSheetModel::kFirstTyped), "100");

        date->setFocus();
        date->setDate(QDate(6900, 9, 2));
        grid->setFocus();
        QCOMPARE(messages->shown.size(), 1);
        QCOMPARE(messages->shown[0].text, QStringLiteral("抄表日期 6900-09-02 不在上月初至下月底之间"
                                                         "（2026-11-01 至 2027-01-31），请重新选择抄表日期。"));
        QCOMPARE(date->date(), kToday);

        date->setDate(QDate(2026, 10, 31));
        messages->clear();
        QTest::mouseClick(form->findChild<QPushButton*>("bitbtn_post"), Qt::LeftButton);
        QCOMPARE(messages->shown.size(), 1);
        QVERIFY(messages->shown[0].text.startsWith(QStringLiteral("抄表日期 2026-10-31 不在")));
        QCOMPARE(stored().size(), 1);
        date->setDate(QDate(2026, 11, 1));
        messages->clear();
        QTest::mouseClick(form->findChild<QPushButton*>("bitbtn_post"), Qt::LeftButton);
        QCOMPARE(stored().first(), QStringLiteral("101|2026-11-01|100|||"));
        delete form;
    }

    // The single-reading screen marks the same readings and asks once.
    void singleReadingAsks()
    {
        TestDatabase db(QDateTime(kToday, QTime(10, 0)));
        ScriptedMessagesScope messages;
        seed();
        TCbglForm form;
        form.show();
        const auto edit = [&](const char* name) { return form.findChild<QLineEdit*>(name); };
        const auto click = [&](const char* name) {
            QTest::mouseClick(form.findChild<QPushButton*>(name), Qt::LeftButton);
        };
        const auto reading = [&](const char* room, const char* lsb, const char* db) {
            click("bitbtn_insert");
            QTest::keyClicks(edit("Ed_Fh"), room);
            QTest::keyClicks(edit("Ed_Lsb"), lsb);
            QTest::keyClicks(edit("Ed_Db"), db);
            QTest::keyClicks(edit("Ed_Rsb"), "50");
            QTest::keyClicks(edit("Ed_Mqb"), "0");
        };

        reading("101", "99", "980");
        QCOMPARE(edit("Ed_Db")->toolTip(), QStringLiteral("低于上月读数"));
        QCOMPARE(edit("Ed_Lsb")->toolTip(), QString());
        messages->answerNext(MsgAnswer::No);
        click("bitbtn_post");
        QCOMPARE(messages->shown.size(), 1);
        QCOMPARE(messages->shown[0].text, QStringLiteral("本月读数低于上月读数，确认保存吗？"));
        QCOMPARE(stored().size(), 1);

        edit("Ed_Db")->setText(QStringLiteral("1100"));
        QCOMPARE(edit("Ed_Db")->toolTip(), QStringLiteral("用量异常偏高"));
        messages->clear();
        click("bitbtn_post");
        QCOMPARE(messages->shown.size(), 2);
        QCOMPARE(messages->shown[0].text, QStringLiteral("本月用量异常偏高，确认保存吗？"));
        QCOMPARE(messages->shown[1].text, QStringLiteral("保存成功！"));
        QCOMPARE(stored().first(), QStringLiteral("101|2026-12-08|99|50|1100|0"));

        // An ordinary month asks nothing.
        messages->clear();
        reading("102", "99.5", "1000");
        click("bitbtn_post");
        QCOMPARE(messages->shown.size(), 1);
        QCOMPARE(messages->shown[0].text, QStringLiteral("保存成功！"));
        QCOMPARE(stored().size(), 3);
    }
};

QTEST_MAIN(TestReadingSheet)
#include "tst_tplcbform.moc"
