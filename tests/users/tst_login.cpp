#include "connection.h"
#include "scriptedmessages.h"
#include "session.h"
#include "testdatabase.h"
#include "tloginform.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

Q_DECLARE_METATYPE(TLoginForm::Mode)

namespace {

// Shows of messages as "caption|text", the form the tables list them in.
QStringList shownTexts(const ScriptedMessages& messages)
{
    QStringList out;
    for (const ShownMessage& m : messages.shown)
        out << m.caption + QLatin1Char('|') + m.text;
    return out;
}

void addUser(const QString& login, const QString& password, const QString& rights)
{
    TestDatabase::exec(QStringLiteral("insert into login_user (user_loginname,user_name,user_password,"
                                      "award_1,award_2,award_3,award_4) values ('%1','%1','%2',%3)")
                           .arg(login, password, rights));
}

// Chooses the user and types the password as a person would, then presses "确定".
void attempt(TLoginForm& form, const QString& user, const QString& password)
{
    auto* combo = form.findChild<QComboBox*>(QStringLiteral("Combo_name"));
    combo->setCurrentIndex(combo->findText(user));
    auto* edit = form.findChild<QLineEdit*>(QStringLiteral("MEd_password"));
    edit->clear();
    QTest::keyClicks(edit, password);
    QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("BitBtn_Ok")), Qt::LeftButton);
}

const QString kWrong = QStringLiteral("Morvik提示|输入口令不正确，请重新输入！");
const QString kThird = QStringLiteral("Morvik提示|对不起！三次输入口令不正确，系统将自动关闭。");

} // namespace

class TestLogin : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        CurrentLoginName = QStringLiteral("before");
        CurrentPassword = QStringLiteral("beforepw");
        terminations = 0;
        TerminateApplication = [this] { ++terminations; };
    }
    void cleanup() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    void userListInTableOrder();
    void attempts_data();
    void attempts();
    void rights_data();
    void rights();
    void enterMovesThroughTheFields();
    void leaving_data();
    void leaving();
    void noConnection();

private:
    int terminations = 0;
};

void TestLogin::userListInTableOrder()
{
    TestDatabase db;
    ScriptedMessagesScope messages;
    addUser(QStringLiteral("zz"), QStringLiteral("1"), QStringLiteral("'1','1','1','1'"));
    addUser(QStringLiteral("aa"), QStringLiteral("2"), QStringLiteral("'1','1','1','1'"));
    TLoginForm form;
    form.show();
    auto* combo = form.findChild<QComboBox*>(QStringLiteral("Combo_name"));
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    QCOMPARE(items, (QStringList{"admin", "zz", "aa"}));
    QCOMPARE(combo->currentIndex(), 0);
    QVERIFY(!combo->isEditable());
    QCOMPARE(form.findChild<QLineEdit*>(QStringLiteral("MEd_password"))->text(), QString());
    QCOMPARE(form.windowTitle(), QStringLiteral("系统登录"));
    QCOMPARE(form.size(), QSize(311, 156));
    QVERIFY(messages->shown.isEmpty());
}

void TestLogin::attempts_data()
{
    QTest::addColumn<QStringList>("passwords"); // admin's attempts, in order
    QTest::addColumn<bool>("succeeds");
    QTest::addColumn<QStringList>("expectedMessages");
    QTest::addColumn<QString>("notice");
    QTest::addColumn<int>("expectedTerminations");

    QTest::newRow("right at once") << QStringList{"admin"} << true << QStringList{} << "" << 0;
    QTest::newRow("blanks around the password are trimmed")
        << QStringList{"  admin\t "} << true << QStringList{} << "" << 0;
    QTest::newRow("letter case counts")
        << QStringList{"ADMIN"} << false << QStringList{kWrong}
        << "Morvik提示：用户名或密码不正确，你还有2次机会。" << 0;
    QTest::newRow("a blank inside counts")
        << QStringList{"ad min"} << false << QStringList{kWrong}
        << "Morvik提示：用户名或密码不正确，你还有2次机会。" << 0;
    QTest::newRow("two failures leave one chance")
        << QStringList{"x", "y"} << false << QStringList{kWrong, kWrong}
        << "Morvik提示：用户名或密码不正确，你还有1次机会。" << 0;
    QTest::newRow("the third failure ends the run")
        << QStringList{"x", "y", "z"} << false << QStringList{kWrong, kWrong, kThird}
        << "Morvik提示：用户名或密码不正确，你还有1次机会。" << 1;
    QTest::newRow("success after two failures")
        << QStringList{"x", "y", "admin"} << true << QStringList{kWrong, kWrong}
        << "Morvik提示：用户名或密码不正确，你还有1次机会。" << 0;
}

void TestLogin::attempts()
{
    QFETCH(QStringList, passwords);
    QFETCH(bool, succeeds);
    QFETCH(QStringList, expectedMessages);
    QFETCH(QString, notice);
    QFETCH(int, expectedTerminations);

    TestDatabase db;
    ScriptedMessagesScope messages;
    QPointer<TLoginForm> form = new TLoginForm;
    QSignalSpy loggedIn(form.data(), &TLoginForm::loggedIn);
    form->show();
    auto* line = form->findChild<QLabel*>(QStringLiteral("ST_TS"));
    for (const QString& password : passwords) {
        QVERIFY(form && form->isVisible());
        attempt(*form, QStringLiteral("admin"), password);
        if (form && form->isVisible())
            QCOMPARE(form->findChild<QLineEdit*>(QStringLiteral("MEd_password"))->text(), password);
    }

    QCOMPARE(shownTexts(messages.messages()), expectedMessages);
    for (const ShownMessage& m : messages->shown)
        QCOMPARE(m.icon, MsgIcon::Warning);
    QCOMPARE(terminations, expectedTerminations);
    QCOMPARE(loggedIn.count(), succeeds ? 1 : 0);
    QCOMPARE(CurrentLoginName, succeeds ? QStringLiteral("admin") : QStringLiteral("before"));
    QCOMPARE(CurrentPassword, succeeds ? QStringLiteral("admin") : QStringLiteral("beforepw"));
    // Success and the third failure close the window; other failures leave it open.
    const bool open = !succeeds && expectedTerminations == 0;
    QCOMPARE(form && form->isVisible(), open);
    if (open)
        QCOMPARE(line->text(), notice);
}

void TestLogin::rights_data()
{
    QTest::addColumn<QString>("flags");
    QTest::addColumn<QList<bool>>("expected");

    QTest::newRow("all granted") << "'1','1','1','1'" << QList<bool>{true, true, true, true};
    QTest::newRow("none granted") << "'0','0','0','0'" << QList<bool>{false, false, false, false};
    QTest::newRow("each column governs its own menu")
        << "'1','0','1','0'" << QList<bool>{true, false, true, false};
    QTest::newRow("empty or missing flags deny")
        << "'','1',NULL,'x'" << QList<bool>{false, true, false, false};
}

void TestLogin::rights()
{
    QFETCH(QString, flags);
    QFETCH(QList<bool>, expected);

    TestDatabase db;
    ScriptedMessagesScope messages;
    addUser(QStringLiteral("clerk"), QStringLiteral("Pw 1"), flags);
    TLoginForm form(TLoginForm::Mode::Relogin);
    MenuRights got{};
    connect(&form, &TLoginForm::loggedIn, this, [&got](const MenuRights& r) { got = r; });
    form.show();
    attempt(form, QStringLiteral("clerk"), QStringLiteral(" Pw 1 "));
    QCOMPARE((QList<bool>{got[0], got[1], got[2], got[3]}), expected);
    QCOMPARE(CurrentLoginName, QStringLiteral("clerk"));
    QCOMPARE(CurrentPassword, QStringLiteral("Pw 1"));
    QVERIFY(messages->shown.isEmpty());
}

void TestLogin::enterMovesThroughTheFields()
{
    TestDatabase db;
    ScriptedMessagesScope messages;
    TLoginForm form;
    QSignalSpy loggedIn(&form, &TLoginForm::loggedIn);
    form.show();
    QApplication::setActiveWindow(&form);
    QVERIFY(QTest::qWaitForWindowActive(&form));
    auto* combo = form.findChild<QComboBox*>(QStringLiteral("Combo_name"));
    auto* edit = form.findChild<QLineEdit*>(QStringLiteral("MEd_password"));
    auto* ok = form.findChild<QPushButton*>(QStringLiteral("BitBtn_Ok"));
    QCOMPARE(QApplication::focusWidget(), combo);

    QTest::keyClick(combo, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), edit);
    QTest::keyClicks(edit, QStringLiteral("admin"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), ok);
    QCOMPARE(loggedIn.count(), 0); // Enter in the password box does not check yet
    QTest::keyClick(ok, Qt::Key_Return);
    QCOMPARE(loggedIn.count(), 1);
}

void TestLogin::leaving_data()
{
    QTest::addColumn<TLoginForm::Mode>("mode");
    QTest::addColumn<bool>("byExitButton"); // else by the close box
    QTest::addColumn<int>("expectedTerminations");

    QTest::newRow("start-up, 退出") << TLoginForm::Mode::Startup << true << 1;
    QTest::newRow("re-login, 退出 ends the whole run") << TLoginForm::Mode::Relogin << true << 1;
    QTest::newRow("re-login, close box only closes") << TLoginForm::Mode::Relogin << false << 0;
    // At start-up the run ends because no login succeeded (see the start-up test).
    QTest::newRow("start-up, close box") << TLoginForm::Mode::Startup << false << 0;
}

void TestLogin::leaving()
{
    QFETCH(TLoginForm::Mode, mode);
    QFETCH(bool, byExitButton);
    QFETCH(int, expectedTerminations);

    TestDatabase db;
    ScriptedMessagesScope messages;
    QPointer<TLoginForm> form = new TLoginForm(mode);
    QCOMPARE(LoginForm.data(), form.data());
    QSignalSpy loggedIn(form.data(), &TLoginForm::loggedIn);
    form->show();
    form->findChild<QLineEdit*>(QStringLiteral("MEd_password"))->setText(QStringLiteral("admin"));
    if (byExitButton)
        QTest::mouseClick(form->findChild<QPushButton*>(QStringLiteral("BitBtn_Exit")), Qt::LeftButton);
    else
        form->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    QVERIFY(!form);
    QVERIFY(!LoginForm);
    QCOMPARE(terminations, expectedTerminations);
    QCOMPARE(loggedIn.count(), 0);
    QCOMPARE(CurrentLoginName, QStringLiteral("before"));
    QVERIFY(messages->shown.isEmpty());
}

void TestLogin::noConnection()
{
    TestDatabase db;
    ScriptedMessagesScope messages;
    Connection::shared().close();
    TLoginForm form;
    QSignalSpy loggedIn(&form, &TLoginForm::loggedIn);
    form.show();
    QCOMPARE(form.findChild<QComboBox*>(QStringLiteral("Combo_name"))->count(), 0);
    form.findChild<QLineEdit*>(QStringLiteral("MEd_password"))->setText(QStringLiteral("admin"));
    for (int i = 0; i < 3; ++i)
        QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("BitBtn_Ok")), Qt::LeftButton);

    // The list and each check fail on the general error display; no attempt counts.
    QCOMPARE(messages->shown.size(), 4);
    for (const ShownMessage& m : messages->shown) {
        QCOMPARE(m.caption, QStringLiteral("房屋出租管理"));
        QCOMPARE(m.icon, MsgIcon::Critical);
        QVERIFY(!m.text.isEmpty());
    }
    QCOMPARE(form.failures(), 0);
    QCOMPARE(terminations, 0);
    QCOMPARE(loggedIn.count(), 0);
    QVERIFY(form.isVisible());
    QCOMPARE(form.findChild<QLabel*>(QStringLiteral("ST_TS"))->text(), QString());
}

QTEST_MAIN(TestLogin)
#include "tst_login.moc"
