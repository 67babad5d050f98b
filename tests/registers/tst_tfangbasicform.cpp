// The room register's own rules: the order of its list, the refuse fee and
// what may be typed.
#include "registercases.h"

#include "errordisplay.h"
#include "waitcursor.h"

#include <QElapsedTimer>

class TestRoomRegister : public QObject {
    Q_OBJECT

private slots:
    // Room numbers are text: "10" comes before "9".
    void listInTextOrder() {
        TestDatabase db;
        ScriptedMessagesScope messages;
        ScreenCase s = roomCase();
        s.seed.clear();
        for (const char* no : {"9", "10", "A1", "2"})
            s.seed << QStringLiteral(
                          "insert into Zf_Fangjian (fangno, fangprice) values ('%1', 500)")
                          .arg(no);
        cycle::ScreenDriver d(s);
        QStringList order;
        for (int r = 0; r < d.rowCount(); ++r)
            order << d.gridText(r);
        QCOMPARE(order, (QStringList{"10", "2", "9", "A1"}));
        QCOMPARE(d.text("Ed_Fh"), QStringLiteral("10"));
    }

    // A modification of room 102 stamps it with the price of item 4 as read
    // when the screen opened, whatever the row held before (5).
    void refuseFeeStamped_data() {
        QTest::addColumn<QString>("beforeOpening");
        QTest::addColumn<QString>("afterOpening");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("stored");
        QTest::newRow("price as it is") << ""
                                        << ""
                                        << "10"
                                        << "10";
        QTest::newRow("price changed before opening")
            << "update zf_dj set price = 12.5 where djid = 4"
            << ""
            << "12.5"
            << "12.5";
        QTest::newRow("price changed after opening") << ""
                                                     << "update zf_dj set price = 12 where djid = 4"
                                                     << "10"
                                                     << "10";
        QTest::newRow("no item 4") << "delete from zf_dj where djid = 4"
                                   << ""
                                   << ""
                                   << "";
    }
    void refuseFeeStamped() {
        QFETCH(QString, beforeOpening);
        QFETCH(QString, afterOpening);
        QFETCH(QString, shown);
        QFETCH(QString, stored);
        TestDatabase db;
        ScriptedMessagesScope messages;
        ScreenCase s = roomCase();
        if (!beforeOpening.isEmpty())
            s.seed << beforeOpening;
        cycle::ScreenDriver d(s);
        if (!afterOpening.isEmpty())
            TestDatabase::exec(afterOpening);
        QCOMPARE(d.text("Ed_Ljf"), shown);
        d.clickRow(1);
        d.press("bitbtn_modify");
        d.type("Ed_Yz", "850");
        d.press("bitbtn_post");
        QCOMPARE(cycle::shown(messages), QStringList{cycle::kModified});
        QCOMPARE(
            TestDatabase::rows("select fangno, fangprice, ljf from zf_fangjian order by fangno"),
            (QStringList{"101|500|5", "102|850|" + stored, "103|1000|5"}));
    }

    // Layouts and orientations of one's own are stored as typed; numbers are
    // converted by the database, which refuses what is not one.
    void typedValues_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("stored"); // empty: the save is refused
        QTest::addColumn<QString>("why");    // of a refused save: the sentence and the engine's text
        const QString notNumber = "输入的内容不是有效的数值或日期，请检查后重新输入。\n"
                                  "Error converting data type varchar to numeric.";
        const QString tooLong = "输入的内容超过了该项允许的长度，请缩短后重新输入。\n"
                                "String or binary data would be truncated.";
        QTest::newRow("own layout") << "Com_Fx"
                                    << "复式楼"
                                    << "housetype"
                                    << "复式楼" << "";
        QTest::newRow("own orientation") << "Com_Cx"
                                         << "东南"
                                         << "facetype"
                                         << "东南" << "";
        QTest::newRow("area between blanks") << "Ed_Mj"
                                             << " 12.5 "
                                             << "area"
                                             << "12.5" << "";
        QTest::newRow("negative deposit") << "Ed_Yj"
                                          << "-5"
                                          << "fangya"
                                          << "-5" << "";
        QTest::newRow("area not a number") << "Ed_Mj"
                                           << "abc"
                                           << "area"
                                           << "" << notNumber;
        QTest::newRow("rent with a separator") << "Ed_Yz"
                                               << "1,200"
                                               << "fangprice"
                                               << "" << notNumber;
        QTest::newRow("room number of nine") << "Ed_Fh"
                                             << "R12345678"
                                             << "fangno"
                                             << "" << tooLong;
        QTest::newRow("layout too long") << "Com_Fx"
                                         << "带花园和车库的独立别墅"
                                         << "housetype"
                                         << "" << tooLong;
        QTest::newRow("room number taken") << "Ed_Fh"
                                           << "102"
                                           << "fangno"
                                           << "" << "数据不符合数据库的规定（例如编号重复、必填项为空或仍被其他记录使用），操作未能完成。";
    }
    void typedValues() {
        QFETCH(QString, control);
        QFETCH(QString, typed);
        QFETCH(QString, column);
        QFETCH(QString, stored);
        QFETCH(QString, why);
        TestDatabase db;
        ScriptedMessagesScope messages;
        const ScreenCase s = roomCase();
        cycle::ScreenDriver d(s);
        const QStringList before = cycle::table(s);
        d.press("bitbtn_insert");
        d.typeAll(s.record(7));
        d.type(control, typed);
        d.press("bitbtn_post");
        if (stored.isEmpty()) {
            QCOMPARE(messages->shown.size(), 1);
            QVERIFY2(messages->shown[0].text.startsWith(s.saveFailure + "\n" + why),
                     qPrintable(messages->shown[0].text));
            QCOMPARE(d.text(control), typed);
            QCOMPARE(cycle::table(s), before);
        } else {
            QCOMPARE(cycle::shown(messages), QStringList{cycle::kSaved});
            QCOMPARE(
                TestDatabase::scalar("select " + column + " from zf_fangjian where fangno='R7'"),
                stored);
        }
    }

    // Another desk holds the write lock: a save waits the busy timeout with
    // the wait cursor, then says another desk is saving and keeps what was
    // typed; once the other desk is done the same save goes through. A
    // delete asks its question before it takes the lock: answered No, it
    // never waits.
    void saveWaitsForAnotherDesk() {
        TestDatabase db;
        ScriptedMessagesScope messages;
        const ScreenCase s = roomCase();
        cycle::ScreenDriver d(s);
        const QStringList before = cycle::table(s);
        Connection::setBusyTimeout(500);
        installLockWaitCursor();
        const Connection::LockWaitListener cursor = Connection::lockWaitListener();
        QList<int> shapes; // the override cursor after each report, -1 for none
        Connection::setLockWaitListener([&](bool waiting) {
            cursor(waiting);
            shapes << (QApplication::overrideCursor() ? int(QApplication::overrideCursor()->shape()) : -1);
        });
        Connection other;
        other.open(db.config());
        other.beginTransaction();

        d.press("bitbtn_insert");
        d.typeAll(s.record(7));
        QElapsedTimer timer;
        timer.start();
        d.press("bitbtn_post");
        QVERIFY(timer.elapsed() >= 480);
        QCOMPARE(shapes, (QList<int>{int(Qt::WaitCursor), -1}));
        QCOMPARE(cycle::shown(messages),
                 QStringList{"|" + s.saveFailure + "\n其他用户正在保存数据，数据库暂时被占用，请稍后再试。\n" +
                             (TestDatabase::server().isEmpty() ? "database is locked" : "Lock request time out period exceeded.") +
                             "|error"});
        QCOMPARE(d.text("Ed_Fh"), QStringLiteral("R7"));
        QCOMPARE(d.text("Ed_Yz"), QStringLiteral("1200"));
        QVERIFY(d.button("bitbtn_post")->isEnabled());
        QCOMPARE(cycle::table(s), before);

        messages->clear();
        d.press("bitbtn_cancel");
        messages->answerNext(MsgAnswer::No);
        timer.restart();
        d.press("bitbtn_delete");
        QVERIFY(timer.elapsed() < 400);
        QCOMPARE(messages->shown.size(), 1);

        other.rollback();
        messages->clear();
        d.press("bitbtn_insert");
        d.typeAll(s.record(7));
        d.press("bitbtn_post");
        QCOMPARE(cycle::shown(messages), QStringList{cycle::kSaved});
        QCOMPARE(TestDatabase::scalar("select count(*) from zf_fangjian where fangno = 'R7'"), QString("1"));
        Connection::setLockWaitListener({});
        Connection::setBusyTimeout(15000);
    }

    // A failure no handler of its own caught reaches the general error
    // display, which explains the engine's known errors in Chinese.
    void generalErrorDisplayExplains_data() {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QString>("shown");
        QTest::newRow("conversion") << "Error converting data type varchar to numeric."
                                    << "输入的内容不是有效的数值或日期，请检查后重新输入。\n"
                                       "Error converting data type varchar to numeric.";
        QTest::newRow("date") << "Conversion failed when converting date and/or time from character string."
                              << "输入的内容不是有效的数值或日期，请检查后重新输入。\n"
                                 "Conversion failed when converting date and/or time from character string.";
        QTest::newRow("truncation") << "String or binary data would be truncated."
                                    << "输入的内容超过了该项允许的长度，请缩短后重新输入。\n"
                                       "String or binary data would be truncated.";
        QTest::newRow("lock") << "database is locked"
                              << "其他用户正在保存数据，数据库暂时被占用，请稍后再试。\ndatabase is locked";
        QTest::newRow("constraint") << "UNIQUE constraint failed: Zf_Fangjian.fangno"
                                    << "数据不符合数据库的规定（例如编号重复、必填项为空或仍被其他记录使用），操作未能完成。\n"
                                       "UNIQUE constraint failed: Zf_Fangjian.fangno";
        QTest::newRow("other") << "no such table: nothing" << "no such table: nothing";
    }
    void generalErrorDisplayExplains() {
        QFETCH(QString, engine);
        QFETCH(QString, shown);
        ScriptedMessagesScope messages;
        QVERIFY(!guarded([&] { throw DbError(engine); }));
        QCOMPARE(cycle::shown(messages), QStringList{"房屋出租管理|" + shown + "|error"});
    }
};

QTEST_MAIN(TestRoomRegister)
#include "tst_tfangbasicform.moc"
