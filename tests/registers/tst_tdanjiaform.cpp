// The charge-item screen's own rules: the kept unit, the item number that
// never changes, and the prices that charging reads by number.
#include "registercases.h"

class TestChargeItems : public QObject {
    Q_OBJECT

private slots:
    // After 新增 the unit of the row last loaded stays, and a save without
    // touching it stores that unit.
    void insertKeepsUnit() {
        TestDatabase db;
        ScriptedMessagesScope messages;
        const ScreenCase s = chargeItemCase();
        cycle::ScreenDriver d(s);
        d.clickRow(2);
        d.press("bitbtn_insert");
        CYCLE_TEXTS(d, (Texts{{"Ed_Name", ""}, {"Com_Dw", "度"}, {"Ed_Dj", ""}}));
        d.type("Ed_Name", "燃气");
        d.type("Ed_Dj", "2.5");
        d.press("bitbtn_post");
        QCOMPARE(cycle::shown(messages), QStringList{cycle::notice("保存成功！")});
        QCOMPARE(TestDatabase::rows("select djid, sfname, dw, price from zf_dj where djid = 5"),
                 QStringList{"5|燃气|度|2.5"});
    }

    // A modification changes the clicked item under its own number; the
    // charging screens read the new price by that number.
    void modificationKeepsNumber() {
        TestDatabase db;
        ScriptedMessagesScope messages;
        const ScreenCase s = chargeItemCase();
        cycle::ScreenDriver d(s);
        d.press("bitbtn_modify");
        d.clickRow(0);
        QCOMPARE(d.text("Ed_bh"), QStringLiteral("1"));
        d.type("Ed_Dj", "4.2");
        d.press("bitbtn_post");
        QCOMPARE(cycle::shown(messages), QStringList{cycle::notice("修改成功！")});
        QCOMPARE(TestDatabase::rows("select djid, sfname, dw, price from zf_dj order by djid"),
                 (QStringList{"1|冷水|吨|4.2", "2|热水|吨|18", "3|电|度|0.6", "4|垃圾费|月|10"}));
        QCOMPARE(TestDatabase::scalar("select price from zf_dj where DjId=1"), QStringLiteral("4.2"));
    }

    // An item may be saved with an empty name and unit; an empty price is no price.
    void emptyTexts() {
        TestDatabase db;
        ScriptedMessagesScope messages;
        const ScreenCase s = chargeItemCase();
        cycle::ScreenDriver d(s);
        d.press("bitbtn_insert");
        d.type("Com_Dw", "");
        d.press("bitbtn_post");
        QCOMPARE(cycle::shown(messages), QStringList{cycle::notice("保存成功！")});
        QCOMPARE(TestDatabase::rows("select sfname, dw, price from zf_dj where djid = 5"),
                 QStringList{"||"});
    }

    // 删除 never comes to life, whatever the state.
    void neverDeletes() {
        TestDatabase db;
        ScriptedMessagesScope messages;
        const ScreenCase s = chargeItemCase();
        cycle::ScreenDriver d(s);
        QAbstractButton* remove = d.button("bitbtn_delete");
        QVERIFY(!remove->isEnabled());
        d.press("bitbtn_insert");
        QVERIFY(!remove->isEnabled());
        d.press("bitbtn_cancel");
        QVERIFY(!remove->isEnabled());
        d.press("bitbtn_modify");
        d.press("bitbtn_post");
        QVERIFY(!remove->isEnabled());
        d.press("bitbtn_delete");
        QCOMPARE(TestDatabase::rows("select count(*) from zf_dj"), QStringList{"4"});
    }
};

QTEST_MAIN(TestChargeItems)
#include "tst_tdanjiaform.moc"
