// Check-in: the refusals before anything is written, the row written, the
// database's refusals, and the screen ready for the next check-in.
#include "connection.h"
#include "lookupfield.h"
#include "scriptedmessages.h"
#include "testdatabase.h"
#include "tkhrzform.h"

#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

namespace {

void seed() {
    TestDatabase::exec("insert into Zf_Man (manid,manname,zjm,sex) values ('K01','张三','ZS','1')");
    TestDatabase::exec("insert into Zf_Man (manid,manname,zjm,sex) values ('K02','李四','LS','0')");
    for (const char* no : {"101", "102", "201"})
        TestDatabase::exec(
            QStringLiteral("insert into Zf_Fangjian (fangno, fangprice) values ('%1', 800)").arg(no));
    TestDatabase::exec("insert into Zf_Rz (manid,fangno,begindate,enddate,status) values "
                       "('K02','201','2024-01-01','2024-12-31','1')");
}

QStringList occupancy() {
    return TestDatabase::rows("select manid,fangno,begindate,enddate,status from Zf_Rz order by id");
}

const QString kLet = QStringLiteral("K02|201|2024-01-01|2024-12-31|1");

} // namespace

class TestCheckIn : public QObject {
    Q_OBJECT

private slots:
    void checkIn_data() {
        QTest::addColumn<QString>("tenant");
        QTest::addColumn<QString>("room");
        QTest::addColumn<QDate>("end");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("added"); // the new Zf_Rz row, empty for none
        QTest::addColumn<QString>("focus");
        const QDate today(2024, 3, 7);
        const QString done = QStringLiteral("房屋出租管理|入住完成！");
        const QString failed = QStringLiteral("房屋出租管理|入住失败");
        QTest::newRow("checked in") << "K01" << "101" << QDate(2025, 3, 6) << done
                                    << "K01|101|2024-03-07|2025-03-06|1"
                                    << "Ed_Khbh";
        QTest::newRow("end before start stored as chosen")
            << "K01" << "102" << QDate(2024, 3, 1) << done
            << "K01|102|2024-03-07|2024-03-01|1"
            << "Ed_Khbh";
        QTest::newRow("tenant empty") << "" << "101" << today
                                      << "Morvik提示|请填写客户编号" << "" << "Ed_Khbh";
        QTest::newRow("room empty") << "K01" << "" << today
                                    << "Morvik提示|请填写房间编号" << "" << "Ed_FJbh";
        QTest::newRow("room filter matches nothing")
            << "K01" << "9" << today << "房屋出租管理|对不起！没有空房，入住失败" << ""
            << "bitbtn_Rz";
        // The refusal keeps its words; the reason and what to do follow.
        QTest::newRow("room already let")
            << "K01" << "201" << today
            << failed + "\n房间 201 已出租给 李四，请选择未出租的房间，或先办理退房。" << ""
            << "bitbtn_Rz";
        QTest::newRow("beginning of a room number")
            << "K01" << "10" << today
            << failed + "\n房间编号“10”没有登记，请从房间列表中选取房间（回车或双击）。" << ""
            << "bitbtn_Rz";
        const QString unknownTenant =
            "\n客户编号“%1”没有登记，请从客户列表中选取，或先在“客户登记信息”中登记该客户。";
        QTest::newRow("tenant of blanks") << "  " << "101" << today
                                          << failed + unknownTenant.arg("  ") << "" << "bitbtn_Rz";
        QTest::newRow("unknown tenant") << "K99" << "101" << today
                                        << failed + unknownTenant.arg("K99") << "" << "bitbtn_Rz";
    }
    void checkIn() {
        QFETCH(QString, tenant);
        QFETCH(QString, room);
        QFETCH(QDate, end);
        QFETCH(QString, message);
        QFETCH(QString, added);
        QFETCH(QString, focus);
        TestDatabase db;
        seed();
        ScriptedMessagesScope messages;
        TKhrzForm form;
        TKhrzForm* f = &form;
        f->show();
        auto* khbh = f->findChild<QLineEdit*>("Ed_Khbh");
        auto* fjbh = f->findChild<QLineEdit*>("Ed_FJbh");
        auto* grid1 = f->findChild<QTableView*>("DBGrid1");
        auto* grid2 = f->findChild<QTableView*>("DBGrid2");
        QVERIFY(!grid1->isVisible() && !grid2->isVisible());
        QCOMPARE(f->findChild<QDateEdit*>("DT_begin")->date(), QDate(2024, 3, 7));
        f->findChild<QDateEdit*>("DT_end")->setDate(end);
        QTest::mouseClick(khbh, Qt::LeftButton);
        QTest::keyClicks(khbh, tenant);
        QTest::mouseClick(fjbh, Qt::LeftButton);
        QTest::keyClicks(fjbh, room);
        QCOMPARE(grid2->isVisible(), !room.isEmpty());
        // An open candidate grid covers neither date, nor the other edit,
        // nor the buttons, nor the other grid.
        for (QTableView* grid : {grid1, grid2}) {
            if (!grid->isVisible())
                continue;
            for (const char* name : {"DT_begin", "DT_end", "Ed_Khbh", "Ed_FJbh", "bitbtn_Rz",
                                     "bitbtn_quit", "DBGrid1", "DBGrid2"}) {
                auto* w = f->findChild<QWidget*>(name);
                if (w == grid || !w->isVisible())
                    continue;
                QVERIFY2(!grid->geometry().intersects(QRect(w->mapTo(f, QPoint()), w->size())),
                         qPrintable(grid->objectName() + " covers " + name));
            }
        }
        if (qEnvironmentVariableIsSet("ZENTAVO_SCREENSHOTS") && QTest::currentDataTag() == QByteArray("checked in"))
            f->grab().save(qEnvironmentVariable("ZENTAVO_SCREENSHOTS") + "/tkhrzform.png");
        QTest::mouseClick(f->findChild<QPushButton*>("bitbtn_Rz"), Qt::LeftButton);

        QCOMPARE(messages->shown.size(), 1);
        // A refused check-in says why after its own message: the database's
        // rules (a room let once, a tenant registered) were not met.
        const QString shownText = messages->shown[0].text;
        // A refusal whose cause the screen can name says so on a second
        // line; any other shows the database's explanation.
        if (message.contains('\n'))
            QCOMPARE(messages->shown[0].caption + "|" + shownText, message);
        else
            QCOMPARE(messages->shown[0].caption + "|" + shownText.section('\n', 0, 0), message);
        if (message == "房屋出租管理|入住失败")
            QVERIFY2(shownText.contains("\n数据不符合数据库的规定（例如编号重复、必填项为空或仍被其他记录使用），操作未能完成。\n"),
                     qPrintable(shownText));
        else if (!message.contains('\n'))
            QVERIFY(!shownText.contains('\n'));
        QCOMPARE(messages->shown[0].icon,
                 message.startsWith("Morvik") ? MsgIcon::Information : MsgIcon::NoIcon);
        const QStringList expected = added.isEmpty() ? QStringList{kLet} : QStringList{kLet, added};
        QCOMPARE(occupancy(), expected);
        QVERIFY(!Connection::shared().inTransaction());
        QCOMPARE(f->focusWidget()->objectName(), focus);
        QCOMPARE(f->findChild<QDateEdit*>("DT_end")->date(), end);
        if (added.isEmpty()) {
            // Nothing written: what was typed stays, the grids as they were.
            QCOMPARE(khbh->text(), tenant);
            QCOMPARE(fjbh->text(), room);
            QCOMPARE(grid2->isVisible(), !room.isEmpty());
            return;
        }
        // Ready for the next check-in: edits empty, grids hidden, both lists
        // read again unfiltered, the let room now shown as let.
        QCOMPARE(khbh->text(), QString());
        QCOMPARE(fjbh->text(), QString());
        QVERIFY(!grid1->isVisible() && !grid2->isVisible());
        QCOMPARE(f->tenantLookup().model().rowCount(), 2);
        QueryModel& rooms = f->roomLookup().model();
        QCOMPARE(rooms.rowCount(), 3);
        for (int r = 0; r < 3; ++r)
            if (rooms.index(r, 0).data().toString() == room)
                QCOMPARE(rooms.index(r, 7).data().toString(), QStringLiteral("已出租"));
    }
};

QTEST_MAIN(TestCheckIn)
#include "tst_tkhrzform.moc"
