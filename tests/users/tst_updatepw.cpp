#include "connection.h"
#include "scriptedmessages.h"
#include "session.h"
#include "testdatabase.h"
#include "tupdatepwform.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {

QStringList shownTexts(const ScriptedMessages& messages)
{
    QStringList out;
    for (const ShownMessage& m : messages.shown)
        out << m.caption + QLatin1Char('|') + m.text;
    return out;
}

QString storedPassword()
{
    return TestDatabase::scalar(
        QStringLiteral("select user_password from login_user where user_loginname='admin'"));
}

// Types the three passwords and presses "确认"; answers whether the window
// is still open afterwards.
bool change(const QString& oldPw, const QString& newPw, const QString& confirm)
{
    QPointer<TUpdatePWForm> form = new TUpdatePWForm;
    form->show();
    QTest::keyClicks(form->findChild<QLineEdit*>(QStringLiteral("EditOld")), oldPw);
    QTest::keyClicks(form->findChild<QLineEdit*>(QStringLiteral("EditNew")), newPw);
    QTest::keyClicks(form->findChild<QLineEdit*>(QStringLiteral("EditConfirm")), confirm);
    QTest::mouseClick(form->findChild<QPushButton*>(QStringLiteral("Btn_ok")), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const bool open = form && form->isVisible();
    delete form;
    return open;
}

const QString kSuccess = QStringLiteral("Morvik提示！|密码修改成功！");
const QString kNotChanged =
    QStringLiteral("Morvik提示！|密码修改失败！你输入的旧密码与系统中保存的密码不一致，请重新输入！");
const QString kMismatch = QStringLiteral("警告|你输入的两次新密码不一致，请重新输入！");
const QString kWrongOld = QStringLiteral("警告|你输入旧密码和当前系统登陆\n密码不一致，请重新输入！");

} // namespace

class TestUpdatePw : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        CurrentLoginName = QStringLiteral("admin");
        CurrentPassword = QStringLiteral("admin");
    }
    void change_data();
    void change();
    void secondChangeInOneRun();
    void databaseRefusalKeepsTheWindow();
};

void TestUpdatePw::change_data()
{
    QTest::addColumn<QString>("stored"); // in the table; CurrentPassword is "admin"
    QTest::addColumn<QString>("oldPw");
    QTest::addColumn<QString>("newPw");
    QTest::addColumn<QString>("confirm");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("storedAfter");
    QTest::addColumn<bool>("staysOpen");

    QTest::newRow("changed") << "admin" << "admin" << "s3cret" << "s3cret" << kSuccess << "s3cret" << false;
    QTest::newRow("same as before") << "admin" << "admin" << "admin" << "admin" << kSuccess << "admin" << false;
    QTest::newRow("empty new password")
        << "admin" << "admin" << "" << "" << kSuccess << "" << false;
    QTest::newRow("blanks around the new password are stored")
        << "admin" << "admin" << " pw " << "pw" << kSuccess << " pw " << false;
    QTest::newRow("confirmation differs")
        << "admin" << "admin" << "abc" << "abd" << kMismatch << "admin" << true;
    QTest::newRow("confirmation differs in case")
        << "admin" << "admin" << "abc" << "ABC" << kMismatch << "admin" << true;
    QTest::newRow("wrong old password")
        << "admin" << "admln" << "abc" << "abc" << kWrongOld << "admin" << true;
    // The old password passes the trimmed check but, typed with a leading
    // blank, matches no stored row: the change did not happen.
    QTest::newRow("old password with blanks changes no row")
        << "admin" << " admin" << "abc" << "abc" << kNotChanged << "admin" << true;
    QTest::newRow("stored password changed elsewhere")
        << "other" << "admin" << "abc" << "abc" << kNotChanged << "other" << true;
}

void TestUpdatePw::change()
{
    QFETCH(QString, stored);
    QFETCH(QString, oldPw);
    QFETCH(QString, newPw);
    QFETCH(QString, confirm);
    QFETCH(QString, message);
    QFETCH(QString, storedAfter);
    QFETCH(bool, staysOpen);

    TestDatabase db;
    ScriptedMessagesScope messages;
    TestDatabase::exec(QStringLiteral("update login_user set user_password='%1' where user_loginname='admin'")
                           .arg(stored));
    QCOMPARE(::change(oldPw, newPw, confirm), staysOpen);
    QCOMPARE(shownTexts(messages.messages()), QStringList{message});
    QCOMPARE(messages->shown.first().icon, MsgIcon::Warning);
    QCOMPARE(storedPassword(), storedAfter);
    QCOMPARE(CurrentPassword, staysOpen ? QStringLiteral("admin") : newPw);
}

void TestUpdatePw::secondChangeInOneRun()
{
    TestDatabase db;
    ScriptedMessagesScope messages;
    QVERIFY(!::change(QStringLiteral("admin"), QStringLiteral("first"), QStringLiteral("first")));
    QVERIFY(!::change(QStringLiteral("first"), QStringLiteral("second"), QStringLiteral("second")));
    QCOMPARE(shownTexts(messages.messages()), (QStringList{kSuccess, kSuccess}));
    QCOMPARE(storedPassword(), QStringLiteral("second"));
}

void TestUpdatePw::databaseRefusalKeepsTheWindow()
{
    TestDatabase db;
    ScriptedMessagesScope messages;
    // Eleven characters do not fit the ten of user_password.
    QVERIFY(::change(QStringLiteral("admin"), QStringLiteral("abcdefghijk"), QStringLiteral("abcdefghijk")));
    QCOMPARE(messages->shown.size(), 1);
    QCOMPARE(messages->shown.first().caption, QStringLiteral("房屋出租管理"));
    QCOMPARE(messages->shown.first().icon, MsgIcon::Critical);
    QCOMPARE(storedPassword(), QStringLiteral("admin"));
    QCOMPARE(CurrentPassword, QStringLiteral("admin"));
}

QTEST_MAIN(TestUpdatePw)
#include "tst_updatepw.moc"
