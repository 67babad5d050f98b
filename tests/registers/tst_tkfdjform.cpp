// The tenant register's own rules: the sex code, the mnemonic code and the
// database's refusals.
#include "registercases.h"

class TestTenantRegister : public QObject {
    Q_OBJECT

private slots:
    // A modification of K01: zjm is worked out again from the name, sex is
    // "1" only for 男 with blanks or control characters around it.
    void sexAndMnemonic_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("sex");
        QTest::addColumn<QString>("stored"); // manname|zjm|sex
        QTest::addColumn<QString>("listed");
        QTest::newRow("Chinese name, no sex") << "李雷"
                                              << ""
                                              << "李雷|LL|0"
                                              << "女";
        QTest::newRow("Latin name, 男") << "Smith"
                                        << "男"
                                        << "Smith|SMITH|1"
                                        << "男";
        QTest::newRow("mixed name, 男 between blanks") << "王b2"
                                                       << "  男 "
                                                       << "王b2|WB2|1"
                                                       << "男";
        QTest::newRow("男 between control characters") << "张三"
                                                       << "\t男\r\n"
                                                       << "张三|ZS|1"
                                                       << "男";
        QTest::newRow("男 between ideographic spaces") << "张三"
                                                       << "\u3000男\u3000"
                                                       << "张三|ZS|1"
                                                       << "男";
        QTest::newRow("女") << "张三"
                            << "女"
                            << "张三|ZS|0"
                            << "女";
        QTest::newRow("longer word") << "张三"
                                     << "男士"
                                     << "张三|ZS|0"
                                     << "女";
    }
    void sexAndMnemonic() {
        QFETCH(QString, name);
        QFETCH(QString, sex);
        QFETCH(QString, stored);
        QFETCH(QString, listed);
        TestDatabase db;
        ScriptedMessagesScope messages;
        const ScreenCase s = tenantCase();
        cycle::ScreenDriver d(s);
        d.press("bitbtn_modify");
        d.type("Ed_Xm", name);
        d.find<QComboBox>("Com_Xb")->setEditText(sex);
        d.press("bitbtn_post");
        QCOMPARE(cycle::shown(messages), QStringList{cycle::kModified});
        QCOMPARE(TestDatabase::rows("select manname, zjm, sex from zf_man where manid='K01'"),
                 QStringList{stored});
        QCOMPARE(d.gridText(0), QStringLiteral("K01"));
        // The mnemonic code is listed beside the name, as it is typed to
        // find the tenant.
        QCOMPARE(d.grid()->model()->index(0, 2).data().toString(), stored.section('|', 1, 1));
        QCOMPARE(d.grid()->model()->index(0, 3).data().toString(), listed);
        if (qEnvironmentVariableIsSet("ZENTAVO_SCREENSHOTS") && QTest::currentDataTag() == QByteArray("longer word"))
            d.screen()->grab().save(qEnvironmentVariable("ZENTAVO_SCREENSHOTS") + "/tkfdjform.png");
        d.clickRow(0);
        QCOMPARE(d.text("Com_Xb"), listed);
    }

    // What the database refuses in a modification of K01: the failure text,
    // the typed value kept, K01 as it was.
    void refusedModification_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("value");
        QTest::newRow("number of another tenant") << "Ed_Kubh"
                                                  << "K02";
        QTest::newRow("number longer than ten") << "Ed_Kubh"
                                                << "K0123456789";
        QTest::newRow("name longer than ten bytes") << "Ed_Xm"
                                                    << "欧阳诸葛司马";
        QTest::newRow("identity card of 19 characters") << "Ed_Sfzh"
                                                        << "1101011990010112345";
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
        QCOMPARE(cycle::shownHeads(messages), QStringList{cycle::saveFailure(s)});
        QCOMPARE(d.text(control), value);
        QCOMPARE(cycle::table(s), before);
    }

    // T03 saved among T01..T05 (a modification of the list's last row into
    // T03, then a new T03 after deleting it): 删除 → 是 removes T03 each
    // time, T01 stays.
    void deleteAfterSave() {
        TestDatabase db;
        ScriptedMessagesScope messages;
        ScreenCase s = tenantCase();
        s.seed.clear();
        for (const char* id : {"T01", "T02", "T04", "T05"})
            s.seed << QStringLiteral("insert into Zf_Man (manid,manname,zjm,sex,idcard,iddress,handset) "
                                     "values ('%1','客户%1','KH','1','1','某地','1')")
                          .arg(QLatin1String(id));
        cycle::ScreenDriver d(s);
        const auto ids = [] { return TestDatabase::rows("select manid from zf_man order by manid"); };
        d.press("bitbtn_insert");
        Texts t03 = s.record(3);
        t03["Ed_Kubh"] = "T03";
        d.typeAll(t03);
        d.press("bitbtn_post");
        QCOMPARE(ids(), (QStringList{"T01", "T02", "T03", "T04", "T05"}));
        d.press("bitbtn_delete");
        QCOMPARE(ids(), (QStringList{"T01", "T02", "T04", "T05"}));

        // 修改 of T05 (current after the delete) into T03, then 删除.
        d.clickRow(3);
        d.press("bitbtn_modify");
        d.type("Ed_Kubh", "T03");
        d.press("bitbtn_post");
        QCOMPARE(ids(), (QStringList{"T01", "T02", "T03", "T04"}));
        QCOMPARE(d.gridText(d.selectedRow()), QStringLiteral("T03"));
        d.press("bitbtn_delete");
        QCOMPARE(ids(), (QStringList{"T01", "T02", "T04"}));
        QCOMPARE(d.text("Ed_Kubh"), d.gridText(d.selectedRow()));
    }
};

QTEST_MAIN(TestTenantRegister)
#include "tst_tkfdjform.moc"
