// Meter reading: this month's readings of let rooms, a new reading with its
// zeros and its once-a-month question, the refusals that keep what was
// typed, a change saved by the ID of the row current at saving, and the
// table chosen by the clock at the moment of saving.
#include "clock.h"
#include "connection.h"
#include "lookupfield.h"
#include "maintenance.h"
#include "scriptedmessages.h"
#include "tcbglform.h"
#include "testdatabase.h"

#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

namespace {

const QString kTable = QStringLiteral("zf_Biaodi202403");

void seed() {
    TestDatabase::exec(
        "insert into Zf_Man (manid,manname,zjm,sex) values ('K01','张三','ZS','1');"
        "insert into Zf_Man (manid,manname,zjm,sex) values ('K02','李四','LS','0')");
    for (const char* no : {"101", "102", "201"})
        TestDatabase::exec(
            QStringLiteral("insert into Zf_Fangjian (fangno,fangprice) values ('%1',800)").arg(no));
    TestDatabase::exec(
        "insert into Zf_Rz (manid,fangno,begindate,status) values ('K01','101','2024-01-01','1');"
        "insert into Zf_Rz (manid,fangno,begindate,status) values ('K02','102','2024-01-01','1')");
    // The screen makes this month's table itself; readings already in it:
    // room 101 (let) and room 201, whose tenant has left.
    TestDatabase::exec(QStringLiteral(
        "CREATE TABLE [dbo].[%1] ([ID] [int] IDENTITY (1, 1) NOT NULL ,"
        "[fangno] [char] (8) COLLATE Chinese_PRC_CI_AS NOT NULL ,[Cbrq] [datetime] NOT NULL ,"
        "[lsb] [numeric](6, 2) NULL ,[rsb] [numeric](6, 2) NULL ,[db] [numeric](6, 2) NULL ,"
        "[mqb] [numeric](6, 2) NULL) ON [PRIMARY]").arg(kTable));
    TestDatabase::exec(QStringLiteral(
        "insert %1(fangno,cbrq,lsb,rsb,db,mqb) values ('101','2024-03-01',10,2,300,5);"
        "insert %1(fangno,cbrq,lsb,rsb,db,mqb) values ('201','2024-03-01',11,3,400,6)").arg(kTable));
}

QStringList readings(const QString& table = kTable) {
    return TestDatabase::rows(QStringLiteral(
        "select ID,rtrim(fangno),cbrq,lsb,rsb,db,mqb from %1 order by ID").arg(table));
}

} // namespace

class TestMeterReading : public QObject {
    Q_OBJECT

    TCbglForm* f = nullptr;
    QLineEdit* edit(const char* name) { return f->findChild<QLineEdit*>(name); }
    QPushButton* button(const char* name) { return f->findChild<QPushButton*>(name); }
    void click(const char* name) { QTest::mouseClick(button(name), Qt::LeftButton); }
    void type(const char* name, const QString& text) {
        edit(name)->selectAll();
        QTest::keyClick(edit(name), Qt::Key_Backspace);
        QTest::keyClicks(edit(name), text);
    }
    QStringList meters() {
        return {edit("Ed_Lsb")->text(), edit("Ed_Rsb")->text(), edit("Ed_Db")->text(),
                edit("Ed_Mqb")->text()};
    }
    // Enabled: 新增, 修改, 打印, 保存, 取消, 退出, then the room edit and the date.
    QString state() {
        QString s;
        for (const char* b : {"bitbtn_insert", "bitbtn_modify", "BBtn_Print", "bitbtn_post",
                              "bitbtn_cancel", "bitbtn_quit"})
            s += button(b)->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
        s += edit("Ed_Fh")->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
        s += f->findChild<QDateEdit*>("DT_Cbrq")->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
        return s;
    }
    QString listCell(int row, int column) {
        return f->cycle().model().index(row, column).data().toString();
    }
    int listRowOf(const QString& room) {
        for (int r = 0; r < f->cycle().model().rowCount(); ++r)
            if (listCell(r, 0) == room)
                return r;
        return -1;
    }

private slots:
    void readingScenario() {
        TestDatabase db;
        seed();
        ScriptedMessagesScope messages;
        TCbglForm form;
        f = &form;
        f->show();
        auto* candidates = f->findChild<QTableView*>("DBGrid1");
        auto* list = f->findChild<QTableView*>("DBGrid2");
        auto* date = f->findChild<QDateEdit*>("DT_Cbrq");

        // Opening: this month's readings of let rooms only, with the occupant.
        QCOMPARE(f->windowTitle(), QStringLiteral("抄表管理"));
        QCOMPARE(state(), QStringLiteral("11000100"));
        QCOMPARE(date->date(), QDate(2024, 3, 7));
        QVERIFY(!candidates->isVisible());
        QCOMPARE(candidates->height(), 73);
        QCOMPARE(f->cycle().model().rowCount(), 1);
        QStringList row;
        QStringList titles;
        for (int c = 0; c < 7; ++c) {
            row << listCell(0, c);
            titles << f->cycle().model().headerData(c, Qt::Horizontal).toString();
        }
        QCOMPARE(titles.join('|'), QStringLiteral("房号|客户姓名|抄表日期|冷水表|热水表|电表|煤气表"));
        QCOMPARE(row.join('|'), QStringLiteral("101|张三|2024-03-01|10|2|300|5"));

        // 新增 lists every room; a typed beginning filters them; Enter takes
        // the first, and a text matching nothing empties the edit.
        click("bitbtn_insert");
        QCOMPARE(state(), QStringLiteral("01011111"));
        QVERIFY(candidates->isVisible());
        QCOMPARE(f->roomLookup().model().rowCount(), 3);
        QTest::keyClicks(edit("Ed_Fh"), "9");
        QTest::keyClick(edit("Ed_Fh"), Qt::Key_Return);
        QCOMPARE(edit("Ed_Fh")->text(), QString());
        QTest::keyClicks(edit("Ed_Fh"), "10");
        QCOMPARE(f->roomLookup().model().rowCount(), 2);
        // The open candidate grid covers none of the other fields nor the
        // buttons.
        {
            const QRect gridRect = candidates->geometry();
            for (const char* name : {"Ed_Db", "Ed_Lsb", "Ed_Rsb", "Ed_Mqb", "DT_Cbrq",
                                     "bitbtn_insert", "bitbtn_post", "DBGrid2"}) {
                auto* w = f->findChild<QWidget*>(name);
                const QRect r(w->mapTo(f, QPoint(0, 0)), w->size());
                QVERIFY2(!gridRect.intersects(r), name);
            }
        }
        if (qEnvironmentVariableIsSet("ZENTAVO_SCREENSHOTS"))
            f->grab().save(qEnvironmentVariable("ZENTAVO_SCREENSHOTS") + "/tcbglform.png");
        QTest::keyClick(edit("Ed_Fh"), Qt::Key_Return);
        QCOMPARE(edit("Ed_Fh")->text(), QStringLiteral("101"));

        // Only the room number: four zeros stored and shown.
        type("Ed_Fh", "102");
        messages->clear();
        click("bitbtn_post");
        QCOMPARE(messages->shown.size(), 1);
        QCOMPARE(messages->shown[0].caption + messages->shown[0].text, QStringLiteral("房屋出租管理保存成功！"));
        QCOMPARE(meters(), (QStringList{"0", "0", "0", "0"}));
        QCOMPARE(readings().last(), QStringLiteral("3|102|2024-03-07|0|0|0|0"));
        QCOMPARE(state(), QStringLiteral("11000100"));
        QVERIFY(!candidates->isVisible());
        QCOMPARE(f->cycle().model().rowCount(), 2);

        // A second reading this month asks first: Cancel writes nothing and
        // ends the entry, OK stores a second row.
        for (MsgAnswer answer : {MsgAnswer::Cancel, MsgAnswer::Ok}) {
            click("bitbtn_insert");
            QCOMPARE(meters(), (QStringList{"", "", "", ""}));
            QTest::keyClicks(edit("Ed_Fh"), "102");
            QTest::keyClicks(edit("Ed_Db"), "120.5");
            messages->clear();
            messages->answerNext(answer);
            click("bitbtn_post");
            QCOMPARE(messages->shown[0].caption, QStringLiteral("Morvik提示"));
            QCOMPARE(messages->shown[0].text, QStringLiteral("抄表每月只能一次！确认要退房吗？"));
            QCOMPARE(messages->shown[0].buttons, MsgButtons::OkCancel);
            QCOMPARE(messages->shown[0].icon, MsgIcon::NoIcon);
            QCOMPARE(readings().size(), answer == MsgAnswer::Ok ? 4 : 3);
            QCOMPARE(state(), QStringLiteral("11000100"));
            QVERIFY(!Connection::shared().inTransaction());
        }
        QCOMPARE(readings().last(), QStringLiteral("4|102|2024-03-07|0|0|120.5|0"));

        // Refused values keep what was typed, write nothing and stay in the
        // entry; an unknown room is refused too rather than stored.
        click("bitbtn_insert");
        QTest::keyClicks(edit("Ed_Fh"), "201");
        QTest::keyClicks(edit("Ed_Rsb"), "7");
        for (const auto& [room, lsb] : {std::pair{"201", "abc"}, {"201", "10000"}, {"2", "5"}}) {
            type("Ed_Fh", room);
            type("Ed_Lsb", lsb);
            messages->clear();
            click("bitbtn_post");
            // Room 201 has a reading this month already: OK to the question,
            // then the refusal.
            QCOMPARE(messages->shown.size(), room == QLatin1String("2") ? 1 : 2);
            QCOMPARE(messages->shown.last().caption, QString());
            // The refusal keeps its words and says why on a second line.
            QCOMPARE(messages->shown.last().text,
                     room == QLatin1String("2")
                         ? QStringLiteral("操作失败！\n房号“2”没有登记，请从房间列表中选取已登记的房间。")
                         : QStringLiteral("操作失败！\n表数须是小于 10000 的数字，请改正后再保存。"));
            QCOMPARE(messages->shown.last().icon, MsgIcon::Critical);
            QCOMPARE(edit("Ed_Fh")->text(), QString::fromLatin1(room));
            QCOMPARE(meters(), (QStringList{lsb, "7", "0", "0"}));
            QCOMPARE(readings().size(), 4);
            QCOMPARE(state(), QStringLiteral("01011111"));
            QVERIFY(!Connection::shared().inTransaction());
        }
        click("bitbtn_cancel");
        QCOMPARE(state(), QStringLiteral("11000100"));
        QVERIFY(!candidates->isVisible());

        // 修改 loads the current reading; the row current when 保存 is
        // pressed is the one changed, found by its ID, room number included.
        const int first = listRowOf("101");
        list->selectRow(first);
        click("bitbtn_modify");
        QCOMPARE(state(), QStringLiteral("01011111"));
        QCOMPARE(edit("Ed_Fh")->text(), QStringLiteral("101"));
        QCOMPARE(meters(), (QStringList{"10", "2", "300", "5"}));
        QCOMPARE(date->date(), QDate(2024, 3, 1));
        const int other = listRowOf("102");
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualRect(f->cycle().model().index(other, 0)).center());
        const QString changedId = f->cycle().list().text("ID");
        QVERIFY(changedId == "3" || changedId == "4");
        type("Ed_Fh", "201");
        type("Ed_Mqb", "8.25");
        messages->clear();
        click("bitbtn_post");
        QCOMPARE(messages->shown[0].text, QStringLiteral("修改成功！"));
        QVERIFY(readings().contains(changedId + "|201|2024-03-01|10|2|300|8.25"));
        QVERIFY(readings().contains("1|101|2024-03-01|10|2|300|5"));
        QCOMPARE(readings().size(), 4);
        QCOMPARE(state(), QStringLiteral("11000100"));
        // Room 201 has no tenant: its reading is stored but not listed.
        QCOMPARE(f->cycle().model().rowCount(), 2);

        // Dated in March, saved on the first of April: April's table, made
        // by the save, holds it.
        Clock::setFixed(QDateTime(QDate(2024, 4, 1), QTime(8, 0)));
        click("bitbtn_insert");
        date->setDate(QDate(2024, 3, 31));
        QTest::keyClicks(edit("Ed_Fh"), "101");
        QTest::keyClicks(edit("Ed_Lsb"), "12.75");
        click("bitbtn_post");
        QCOMPARE(readings(QStringLiteral("zf_Biaodi202404")),
                 QStringList{"1|101|2024-03-31|12.75|0|0|0"});
        QCOMPARE(readings().size(), 4);
        QCOMPARE(f->cycle().model().rowCount(), 1);

        // A change saved in May to a reading listed from April's table: its
        // ID names no reading of May's table, so nothing is written anywhere.
        Clock::setFixed(QDateTime(QDate(2024, 5, 1), QTime(8, 0)));
        click("bitbtn_modify");
        type("Ed_Lsb", "13");
        messages->clear();
        click("bitbtn_post");
        QVERIFY(messages->shown.last().text.startsWith(QStringLiteral("操作失败！\n")));
        QCOMPARE(readings(QStringLiteral("zf_Biaodi202404")),
                 QStringList{"1|101|2024-03-31|12.75|0|0|0"});
        QCOMPARE(readings(QStringLiteral("zf_Biaodi202405")), QStringList{});
        QCOMPARE(readings().size(), 4);
    }

    // After each save the list stands on the reading saved, so the next 修改
    // corrects that reading; a meter stored unread (the sheet leaves it
    // empty) shows empty and stays unread through a correction of another
    // meter, never becoming 0.
    void standsOnSavedAndUnreadMeters() {
        TestDatabase db;
        seed();
        TestDatabase::exec(QStringLiteral(
            "insert %1(fangno,cbrq,lsb,rsb,db,mqb) values ('102','2024-03-02',null,null,120,null)").arg(kTable));
        ScriptedMessagesScope messages;
        TCbglForm form;
        f = &form;
        f->show();
        auto* list = f->findChild<QTableView*>("DBGrid2");
        const int unread = listRowOf("102");
        QCOMPARE(listCell(unread, 3) + "|" + listCell(unread, 5), QStringLiteral("|120"));

        list->selectRow(unread);
        click("bitbtn_modify");
        QCOMPARE(meters(), (QStringList{"", "", "120", ""}));
        type("Ed_Db", "121");
        click("bitbtn_post");
        QCOMPARE(meters(), (QStringList{"", "", "121", ""}));
        QCOMPARE(TestDatabase::scalar(QStringLiteral("select count(*) from %1 where lsb is null and rsb is null "
                                                     "and mqb is null and db = 121").arg(kTable)),
                 QStringLiteral("1"));
        QCOMPARE(f->cycle().list().text("ID"), QStringLiteral("3"));

        // A new reading (a second one for 101, agreed to; the date kept from
        // the reading loaded), then 修改 without touching the list: the
        // reading just saved is the one changed.
        list->selectRow(listRowOf("102"));
        click("bitbtn_insert");
        QTest::keyClicks(edit("Ed_Fh"), "101");
        QTest::keyClicks(edit("Ed_Lsb"), "15");
        click("bitbtn_post");
        QCOMPARE(f->cycle().list().text("ID"), QStringLiteral("4"));
        QCOMPARE(list->currentIndex().row(), f->cycle().model().currentRow());
        click("bitbtn_modify");
        QCOMPARE(meters(), (QStringList{"15", "0", "0", "0"}));
        type("Ed_Lsb", "16");
        messages->clear();
        click("bitbtn_post");
        QCOMPARE(messages->shown.last().text, QStringLiteral("修改成功！"));
        QCOMPARE(readings(), (QStringList{"1|101|2024-03-01|10|2|300|5", "2|201|2024-03-01|11|3|400|6",
                                          "3|102|2024-03-02|||121|", "4|101|2024-03-02|16|0|0|0"}));
    }
};

QTEST_MAIN(TestMeterReading)
#include "tst_tcbglform.moc"
