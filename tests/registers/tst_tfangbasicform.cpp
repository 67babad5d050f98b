// The room register's own rules: the order of its list, the refuse fee and
// what may be typed.
#include "registercases.h"

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
        QTest::newRow("own layout") << "Com_Fx"
                                    << "复式楼"
                                    << "housetype"
                                    << "复式楼";
        QTest::newRow("own orientation") << "Com_Cx"
                                         << "东南"
                                         << "facetype"
                                         << "东南";
        QTest::newRow("area between blanks") << "Ed_Mj"
                                             << " 12.5 "
                                             << "area"
                                             << "12.5";
        QTest::newRow("negative deposit") << "Ed_Yj"
                                          << "-5"
                                          << "fangya"
                                          << "-5";
        QTest::newRow("area not a number") << "Ed_Mj"
                                           << "abc"
                                           << "area"
                                           << "";
        QTest::newRow("rent with a separator") << "Ed_Yz"
                                               << "1,200"
                                               << "fangprice"
                                               << "";
        QTest::newRow("room number of nine") << "Ed_Fh"
                                             << "R12345678"
                                             << "fangno"
                                             << "";
        QTest::newRow("layout too long") << "Com_Fx"
                                         << "带花园和车库的独立别墅"
                                         << "housetype"
                                         << "";
    }
    void typedValues() {
        QFETCH(QString, control);
        QFETCH(QString, typed);
        QFETCH(QString, column);
        QFETCH(QString, stored);
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
            QCOMPARE(cycle::shown(messages), QStringList{cycle::saveFailure(s)});
            QCOMPARE(d.text(control), typed);
            QCOMPARE(cycle::table(s), before);
        } else {
            QCOMPARE(cycle::shown(messages), QStringList{cycle::kSaved});
            QCOMPARE(
                TestDatabase::scalar("select " + column + " from zf_fangjian where fangno='R7'"),
                stored);
        }
    }
};

QTEST_MAIN(TestRoomRegister)
#include "tst_tfangbasicform.moc"
