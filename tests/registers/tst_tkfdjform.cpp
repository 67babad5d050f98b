// The tenant register's own rules: the sex code, the mnemonic code and the
// refusals of the database.
#include "registercases.h"

namespace {

// The grid row whose first cell is the key, -1 when absent.
int gridRowOf(const cycle::ScreenDriver& d, const QString& key) {
    for (int r = 0; r < d.grid()->model()->rowCount(); ++r)
        if (d.gridText(r) == key)
            return r;
    return -1;
}

} // namespace

class TestTenantRegister : public QObject {
    Q_OBJECT

private slots:
    void sexCode_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("listed");
        QTest::newRow("empty") << "" << "0" << "女";
        QTest::newRow("男") << "男" << "1" << "男";
        QTest::newRow("男 between blanks") << "  男 " << "1" << "男";
        QTest::newRow("男 between control characters") << "\t男\r\n" << "1" << "男";
        QTest::newRow("男 between ideographic spaces") << "\u3000男\u3000" << "1" << "男";
        QTest::newRow("女") << "女" << "0" << "女";
        QTest::newRow("longer word") << "男士" << "0" << "女";
        QTest::newRow("other text") << "M" << "0" << "女";
    }
    void sexCode() {
        QFETCH(QString, typed);
        QFETCH(QString, code);
        QFETCH(QString, listed);
        TestDatabase db;
        ScriptedMessagesScope messages;
        const ScreenCase s = tenantCase();
        cycle::ScreenDriver d(s);
        d.press("bitbtn_insert");
        d.typeAll(s.record(7));
        d.find<QComboBox>("Com_Xb")->setEditText(typed);
        d.press("bitbtn_post");
        QCOMPARE(cycle::shown(messages), QStringList{cycle::notice("保存成功！")});
        QCOMPARE(TestDatabase::scalar("select sex from zf_man where manid='T7'"), code);
        const int row = gridRowOf(d, "T7");
        QVERIFY(row >= 0);
        QCOMPARE(d.grid()->model()->index(row, 2).data().toString(), listed);
        d.clickRow(row);
        QCOMPARE(d.text("Com_Xb"), listed);
    }

    // Every save works the mnemonic code out of the name as it is now.
    void mnemonicFollowsName_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("zjm");
        QTest::newRow("Chinese") << "李雷" << "LL";
        QTest::newRow("Latin letters") << "Smith" << "SMITH";
        QTest::newRow("mixed") << "王b2" << "WB2";
    }
    void mnemonicFollowsName() {
        QFETCH(QString, name);
        QFETCH(QString, zjm);
        TestDatabase db;
        ScriptedMessagesScope messages;
        const ScreenCase s = tenantCase();
        cycle::ScreenDriver d(s);
        d.press("bitbtn_modify");
        d.type("Ed_Xm", name);
        d.press("bitbtn_post");
        QCOMPARE(cycle::shown(messages), QStringList{cycle::notice("修改成功！")});
        QCOMPARE(TestDatabase::rows("select manname, zjm from zf_man where manid='K01'"),
                 QStringList{name + "|" + zjm});
    }

    // What the database refuses in a modification of K01: the failure text,
    // the typed value kept, K01 as it was.
    void refusedModification_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("value");
        QTest::newRow("number of another tenant") << "Ed_Kubh" << "K02";
        QTest::newRow("name longer than ten bytes") << "Ed_Xm" << "欧阳诸葛司马";
        QTest::newRow("identity card of 19 characters") << "Ed_Sfzh" << "1101011990010112345";
        QTest::newRow("number longer than ten") << "Ed_Kubh" << "K0123456789";
    }
    void refusedModification() {
        QFETCH(QString, control);
        QFETCH(QString, value);
        TestDatabase db;
        ScriptedMessagesScope messages;
        const ScreenCase s = tenantCase();
        cycle::ScreenDriver d(s);
        const QStringList before = cycle::table(s);
        d.press("bitbtn_modify");
        d.type(control, value);
        d.press("bitbtn_post");
        QCOMPARE(cycle::shown(messages), QStringList{cycle::saveFailure(s)});
        QCOMPARE(d.text(control), value);
        CYCLE_STATE(d, true);
        QCOMPARE(cycle::table(s), before);
    }

    // A new number moves the tenant; rows that name the tenant follow it.
    void renameMovesTenant() {
        TestDatabase db;
        ScriptedMessagesScope messages;
        ScreenCase s = tenantCase();
        s.seed << "insert into Zf_Fangjian (fangno, fangprice) values ('B1', 500)"
               << "insert into Zf_Rz (manid, fangno, status) values ('K01', 'B1', '1')";
        cycle::ScreenDriver d(s);
        d.press("bitbtn_modify");
        d.type("Ed_Kubh", "K09");
        d.press("bitbtn_post");
        QCOMPARE(cycle::shown(messages), QStringList{cycle::notice("修改成功！")});
        QCOMPARE(TestDatabase::rows("select manid, manname from zf_man order by manid"),
                 (QStringList{"K02|李四", "K03|王五", "K09|张三"}));
        QCOMPARE(TestDatabase::scalar("select manid from zf_rz where fangno='B1'"), QStringLiteral("K09"));
    }
};

QTEST_MAIN(TestTenantRegister)
#include "tst_tkfdjform.moc"
