// The charge-item screen's own rules: the kept unit, and the item number that
// never changes, by which charging reads the prices.
#include "registercases.h"

class TestChargeItems : public QObject {
    Q_OBJECT

private slots:
    // After 新增 the unit of the row last loaded stays, and a save without
    // touching it stores that unit.
    void insertKeepsUnit() {
        TestDatabase db;
        ScriptedMessagesScope messages;
        cycle::ScreenDriver d(chargeItemCase());
        d.clickRow(2);
        d.press("bitbtn_insert");
        CYCLE_TEXTS(d, (Texts{{"Ed_Name", ""}, {"Com_Dw", "度"}, {"Ed_Dj", ""}}));
        d.type("Ed_Name", "燃气");
        d.type("Ed_Dj", "2.5");
        d.press("bitbtn_post");
        QCOMPARE(cycle::shown(messages), QStringList{cycle::kSaved});
        QCOMPARE(TestDatabase::rows("select djid, sfname, dw, price from zf_dj where djid = 5"),
                 QStringList{"5|燃气|度|2.5"});
    }

    // A modification changes the clicked item under its own number; the
    // cold-water charging reads the new price by that number.
    void modificationKeepsNumber() {
        TestDatabase db;
        ScriptedMessagesScope messages;
        cycle::ScreenDriver d(chargeItemCase());
        d.press("bitbtn_modify");
        d.clickRow(0);
        QCOMPARE(d.text("Ed_bh"), QStringLiteral("1"));
        d.type("Ed_Dj", "4.2");
        d.press("bitbtn_post");
        QCOMPARE(cycle::shown(messages), QStringList{cycle::kModified});
        QCOMPARE(TestDatabase::rows("select djid, sfname, dw, price from zf_dj order by djid"),
                 (QStringList{"1|冷水|吨|4.2", "2|热水|吨|18", "3|电|度|0.6", "4|垃圾费|月|10"}));
        QCOMPARE(TestDatabase::scalar("select price from zf_dj where DjId=1"),
                 QStringLiteral("4.2"));
    }
};

QTEST_MAIN(TestChargeItems)
#include "tst_tdanjiaform.moc"
