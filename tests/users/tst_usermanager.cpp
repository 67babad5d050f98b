// User and rights management: the maintenance cycle through this screen's
// configuration (no 修改 button, a double click modifies, a single click only
// moves the row), and the rights boxes.
#include "../ui/tst_maintenance_cycle.h"

#include "tusermanagerf.h"

namespace {

const char* kUsersSql =
    "select user_loginname,user_name,user_password,award_1,award_2,award_3,award_4 "
    "from login_user order by user_id";

ScreenCase userCase() {
    ScreenCase s;
    s.create = [] { return new TUserManagerF; };
    s.caption = "用户管理";
    s.labels = {
        {"Ed_userzcm", "注册名："}, {"Ed_username", "用户名："}, {"Ed_password", "密  码："}};
    const QString insert = "insert into login_user (user_loginname,user_name,user_password,"
                           "award_1,award_2,award_3,award_4) values ";
    s.seed = {insert + "('clerk','职员','pw1','1','0','0','0')",
              insert + "('boss','老板','pw2','1','1','1','0')"};
    s.tableSql = kUsersSql;
    s.grid = "DBGd_browse";
    s.titles = QStringList{"用户编号", "注册名", "用户名"};
    s.editable = QStringList{"Ed_userzcm", "Ed_username", "Ed_password", "Chk_Sjcl",
                             "Chk_Xfgl",   "Chk_Cstj",    "Chk_Xtwf"};
    s.hasModify = false;
    s.clickLoads = false;
    s.firstEdit = "Ed_userzcm";
    s.keptByInsert = QStringList{"Chk_Sjcl", "Chk_Xfgl", "Chk_Cstj", "Chk_Xtwf"};
    s.opened = {{"Ed_userzcm", ""}, {"Ed_username", ""}, {"Ed_password", ""}, {"Chk_Sjcl", "0"},
                {"Chk_Xfgl", "0"},  {"Chk_Cstj", "0"},   {"Chk_Xtwf", "0"}};
    s.row1 = {{"Ed_userzcm", "clerk"}, {"Ed_username", "职员"}, {"Ed_password", "pw1"},
              {"Chk_Sjcl", "1"},       {"Chk_Xfgl", "0"},       {"Chk_Cstj", "0"},
              {"Chk_Xtwf", "0"}};
    s.row1Key = "clerk";
    s.record = [](int n) {
        return Texts{{"Ed_userzcm", QStringLiteral("u%1").arg(n)},
                     {"Ed_username", QStringLiteral("用户%1").arg(n)},
                     {"Ed_password", QStringLiteral("pw%1").arg(n)},
                     {"Chk_Sjcl", "1"},
                     {"Chk_Xfgl", "0"},
                     {"Chk_Cstj", "1"},
                     {"Chk_Xtwf", "0"}};
    };
    s.stored = [](int n) { return QStringLiteral("u%1|用户%1|pw%1|1|0|1|0").arg(n); };
    s.required = {{"Ed_userzcm", "请填写用户注册名"},
                  {"Ed_username", "请填写用户姓名"},
                  {"Ed_password", "请填写用户密码"}};
    s.blankControl = "Ed_username";
    s.refused = {"Ed_userzcm", "clerk"};
    s.saveFailure = "操作失败，用户可能插入了相同的客户编号！";
    s.deleteQuestion = "确实要删除该客户吗?";
    s.deleteFailure = "操作用户失败！";
    s.emptyTable = "delete from login_user";
    return s;
}

void addScreen(const QList<int>& values = {0}) {
    QTest::addColumn<ScreenCase>("screen");
    QTest::addColumn<int>("value");
    for (int v : values)
        QTest::addRow("users %d", v) << userCase() << v;
}

} // namespace

class TestUserManager : public QObject {
    Q_OBJECT

private slots:
    void opening_data() { addScreen(); }
    void opening() {
        QFETCH(ScreenCase, screen);
        cycle::opening(screen);
    }

    void insertCancelSave_data() { addScreen(); }
    void insertCancelSave() {
        QFETCH(ScreenCase, screen);
        cycle::insertCancelSave(screen);
    }

    void requiredField_data() { addScreen({0, 1, 2}); }
    void requiredField() {
        QFETCH(ScreenCase, screen);
        QFETCH(int, value);
        cycle::requiredField(screen, value);
    }

    // value 0: refused insert, 1: refused modification.
    void refusedSave_data() { addScreen({0, 1}); }
    void refusedSave() {
        QFETCH(ScreenCase, screen);
        QFETCH(int, value);
        cycle::refusedSave(screen, value == 1);
    }

    void modifyAfterMoves_data() { addScreen(); }
    void modifyAfterMoves() {
        QFETCH(ScreenCase, screen);
        cycle::modifyAfterMoves(screen);
    }

    void deleteRows_data() { addScreen(); }
    void deleteRows() {
        QFETCH(ScreenCase, screen);
        cycle::deleteRows(screen);
    }

    void standsOnSaved_data() { addScreen(); }
    void standsOnSaved() {
        QFETCH(ScreenCase, screen);
        cycle::standsOnSaved(screen);
    }

    void emptyList_data() { addScreen(); }
    void emptyList() {
        QFETCH(ScreenCase, screen);
        cycle::emptyList(screen);
    }

    void transactionsAndQuit_data() { addScreen(); }
    void transactionsAndQuit() {
        QFETCH(ScreenCase, screen);
        cycle::transactionsAndQuit(screen);
    }

    // --- this screen's own ---------------------------------------------------

    // A flag that is anything but "1" shows unticked, and saving writes "0".
    void rightsFlags_data() {
        QTest::addColumn<QString>("flags"); // award_1..4 as SQL literals
        QTest::addColumn<QString>("ticks");
        QTest::addColumn<QString>("saved");
        QTest::newRow("ones and zeros") << "'1','0','1','0'"
                                        << "1010"
                                        << "1|0|1|0";
        QTest::newRow("other letters") << "'Y','T','1','x'"
                                       << "0010"
                                       << "0|0|1|0";
        QTest::newRow("empty and missing") << "'',null,' ','1'"
                                           << "0001"
                                           << "0|0|0|1";
    }
    void rightsFlags() {
        QFETCH(QString, flags);
        QFETCH(QString, ticks);
        QFETCH(QString, saved);
        TestDatabase db;
        ScriptedMessagesScope messages;
        ScreenCase s = userCase();
        s.seed = {"delete from login_user",
                  "insert into login_user (user_loginname,user_name,user_password,award_1,award_2,"
                  "award_3,award_4) values ('odd','某人','pw'," +
                      flags + ")"};
        cycle::ScreenDriver d(s);
        d.doubleClickRow(0);
        QString shownTicks;
        for (const char* box : {"Chk_Sjcl", "Chk_Xfgl", "Chk_Cstj", "Chk_Xtwf"})
            shownTicks += d.text(QLatin1String(box));
        QCOMPARE(shownTicks, ticks);
        d.press("bitbtn_post");
        QCOMPARE(cycle::shown(messages), QStringList{cycle::kModified});
        QCOMPARE(TestDatabase::rows(kUsersSql), QStringList{"odd|某人|pw|" + saved});
    }

    // A double click loads a user; a single click on another only moves the
    // row, and the save changes that user with the loaded values plus what
    // was typed. 新增 then keeps the ticks for the new user. The password
    // shows in clear and there is no 修改 button.
    void doubleAndSingleClicks() {
        TestDatabase db;
        ScriptedMessagesScope messages;
        const ScreenCase s = userCase();
        cycle::ScreenDriver d(s);
        QVERIFY(!d.button("bitbtn_modify"));
        QCOMPARE(d.find<QLineEdit>("Ed_password")->echoMode(), QLineEdit::Normal);
        d.doubleClickRow(2);
        d.clickRow(1);
        CYCLE_TEXTS(d, (Texts{{"Ed_userzcm", "boss"}, {"Ed_password", "pw2"}, {"Chk_Cstj", "1"}}));
        d.type("Ed_userzcm", "boss2");
        d.press("bitbtn_post");
        d.press("bitbtn_insert");
        d.type("Ed_userzcm", "cashier");
        d.type("Ed_username", "出纳");
        d.type("Ed_password", "pw3");
        d.press("bitbtn_post");
        QCOMPARE(cycle::shown(messages), (QStringList{cycle::kModified, cycle::kSaved}));
        QCOMPARE(TestDatabase::rows(kUsersSql),
                 (QStringList{"admin|管理员|admin|1|1|1|1", "boss2|老板|pw2|1|1|1|0",
                              "boss|老板|pw2|1|1|1|0", "cashier|出纳|pw3|1|1|1|0"}));
    }
};

QTEST_MAIN(TestUserManager)
#include "tst_usermanager.moc"
