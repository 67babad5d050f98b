// The room register's own rules: the order of its list and the refuse fee.
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
            s.seed << QStringLiteral("insert into Zf_Fangjian (fangno, fangprice) values ('%1', 500)").arg(no);
        cycle::ScreenDriver d(s);
        QStringList order;
        for (int r = 0; r < d.grid()->model()->rowCount(); ++r)
            order << d.gridText(r);
        QCOMPARE(order, (QStringList{"10", "2", "9", "A1"}));
        QCOMPARE(d.text("Ed_Fh"), QStringLiteral("10"));
    }

    // Every save stamps the room with the refuse fee read at opening, whatever
    // the row held and whatever the price became since.
    void refuseFeeStamped_data() {
        QTest::addColumn<bool>("priceChangedAfterOpening");
        QTest::newRow("price as at opening") << false;
        QTest::newRow("price changed after opening") << true;
    }
    void refuseFeeStamped() {
        QFETCH(bool, priceChangedAfterOpening);
        TestDatabase db;
        ScriptedMessagesScope messages;
        const ScreenCase s = roomCase();
        cycle::ScreenDriver d(s);
        if (priceChangedAfterOpening)
            TestDatabase::exec("update zf_dj set price = 12 where djid = 4");
        d.clickRow(1);
        d.press("bitbtn_modify");
        d.type("Ed_Yz", "850");
        d.press("bitbtn_post");
        QCOMPARE(cycle::shown(messages), QStringList{cycle::notice("修改成功！")});
        QCOMPARE(TestDatabase::rows("select fangno, fangprice, ljf from zf_fangjian order by fangno"),
                 (QStringList{"101|500|5", "102|850|10", "103|1000|5"}));
    }

    // A screen opened after the price changed shows the new price.
    void refuseFeeReadAtEachOpening() {
        TestDatabase db;
        ScriptedMessagesScope messages;
        ScreenCase s = roomCase();
        TestDatabase::exec("update zf_dj set price = 12.5 where djid = 4");
        cycle::ScreenDriver d(s);
        QCOMPARE(d.text("Ed_Ljf"), QStringLiteral("12.5"));
    }

    // Without charge item 4 the fee is empty and rooms are saved without one.
    void withoutRefuseFeeItem() {
        TestDatabase db;
        ScriptedMessagesScope messages;
        ScreenCase s = roomCase();
        s.seed << "delete from zf_dj where djid = 4";
        cycle::ScreenDriver d(s);
        QCOMPARE(d.text("Ed_Ljf"), QString());
        d.press("bitbtn_insert");
        d.typeAll(s.record(7));
        d.press("bitbtn_post");
        QCOMPARE(cycle::shown(messages), QStringList{cycle::notice("保存成功！")});
        QCOMPARE(TestDatabase::rows("select fangno, ljf from zf_fangjian where fangno='R7'"),
                 QStringList{"R7|"});
    }

    // What a person may type: layouts and orientations of their own are
    // stored as typed; numbers are converted by the database, which refuses
    // what is not one.
    void typedValues_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("stored"); // empty: the save is refused
        QTest::newRow("own layout") << "Com_Fx" << "复式楼" << "housetype" << "复式楼";
        QTest::newRow("own orientation") << "Com_Cx" << "东南" << "facetype" << "东南";
        QTest::newRow("area between blanks") << "Ed_Mj" << " 12.5 " << "area" << "12.5";
        QTest::newRow("negative deposit") << "Ed_Yj" << "-5" << "fangya" << "-5";
        QTest::newRow("area not a number") << "Ed_Mj" << "abc" << "area" << "";
        QTest::newRow("rent with a separator") << "Ed_Yz" << "1,200" << "fangprice" << "";
        QTest::newRow("room number of nine") << "Ed_Fh" << "R12345678" << "fangno" << "";
        QTest::newRow("layout too long") << "Com_Fx" << "带花园和车库的独立别墅" << "housetype" << "";
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
            return;
        }
        QCOMPARE(cycle::shown(messages), QStringList{cycle::notice("保存成功！")});
        QCOMPARE(TestDatabase::scalar("select " + column + " from zf_fangjian where fangno='R7'"), stored);
    }
};

QTEST_MAIN(TestRoomRegister)
#include "tst_tfangbasicform.moc"
