#include "scriptedmessages.h"
#include "session.h"
#include "testdatabase.h"
#include "tupdatepwform.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {
QString stored() {
    return TestDatabase::scalar(
        "select user_password from login_user where user_loginname='admin'");
}

// Types the three passwords and presses "确认"; answers whether the window stays open.
bool change(const QString& oldPw, const QString& newPw, const QString& confirm) {
    QPointer<TUpdatePWForm> form = new TUpdatePWForm;
    form->show();
    QTest::keyClicks(form->findChild<QLineEdit*>("EditOld"), oldPw);
    QTest::keyClicks(form->findChild<QLineEdit*>("EditNew"), newPw);
    QTest::keyClicks(form->findChild<QLineEdit*>("EditConfirm"), confirm);
    QTest::mouseClick(form->findChild<QPushButton*>("Btn_ok"), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const bool open = form && form->isVisible();
    delete form;
    return open;
}

const QString kDone = QStringLiteral("Morvik提示！|密码修改成功！");
const QString kUnchanged = QStringLiteral(
    "Morvik提示！|密码修改失败！你输入的旧密码与系统中保存的密码不一致，请重新输入！");
} // namespace

class TestUpdatePw : public QObject {
    Q_OBJECT
private slots:
    void init() { CurrentLoginName = CurrentPassword = QStringLiteral("admin"); }

    void change_data() {
        QTest::addColumn<QString>("storedBefore"); // CurrentPassword is "admin"
        QTest::addColumn<QStringList>("typed");    // old, new, confirmation
        QTest::addColumn<QString>("message");      // caption|text
        QTest::addColumn<QString>("storedAfter");

        QTest::newRow("changed") << "admin" << QStringList{"admin", "s3cret", "s3cret"} << kDone
                                 << "s3cret";
        QTest::newRow("same as before")
            << "admin" << QStringList{"admin", "admin", "admin"} << kDone << "admin";
        QTest::newRow("emptied") << "admin" << QStringList{"admin", "", ""} << kDone << "";
        QTest::newRow("blanks kept in the store")
            << "admin" << QStringList{"admin", " pw ", "pw"} << kDone << " pw ";
        QTest::newRow("confirmation differs in case")
            << "admin" << QStringList{"admin", "abc", "ABC"}
            << "警告|你输入的两次新密码不一致，请重新输入！"
            << "admin";
        QTest::newRow("wrong old password")
            << "admin" << QStringList{"admln", "abc", "abc"}
            << "警告|你输入旧密码和当前系统登陆\n密码不一致，请重新输入！"
            << "admin";
        // Passes the trimmed check, but as typed matches no stored row.
        QTest::newRow("old password typed with a blank")
            << "admin" << QStringList{" admin", "abc", "abc"} << kUnchanged << "admin";
        QTest::newRow("changed elsewhere meanwhile")
            << "other" << QStringList{"admin", "abc", "abc"} << kUnchanged << "other";
        QTest::newRow("too long for the table") // the database refuses: general error display
            << "admin" << QStringList{"admin", "abcdefghijk", "abcdefghijk"} << "房屋出租管理|"
            << "admin";
    }
    void change() {
        QFETCH(QString, storedBefore);
        QFETCH(QStringList, typed);
        QFETCH(QString, message);
        QFETCH(QString, storedAfter);
        TestDatabase db;
        ScriptedMessagesScope shown;
        TestDatabase::exec("update login_user set user_password='" + storedBefore + "'");

        const bool open = ::change(typed[0], typed[1], typed[2]);
        QCOMPARE(shown->shown.size(), 1);
        const ShownMessage& m = shown->shown.first();
        QVERIFY2((m.caption + '|' + m.text).startsWith(message), qPrintable(m.text));
        QCOMPARE(stored(), storedAfter);
        QCOMPARE(open, message != kDone);
        // After a change the next one in this run checks against the new password.
        QCOMPARE(CurrentPassword, open ? QStringLiteral("admin") : typed[1]);
    }
};

QTEST_MAIN(TestUpdatePw)
#include "tst_updatepw.moc"
