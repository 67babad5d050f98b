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

namespace {
template <class W> W* child(QWidget* form, const char* name) {
    return form->findChild<W*>(name);
}

const QString kWrong = QStringLiteral("输入口令不正确，请重新输入！");
const QString kThird = QStringLiteral("对不起！三次输入口令不正确，系统将自动关闭。");
} // namespace

class TestLogin : public QObject {
    Q_OBJECT
    int terminations = 0;
private slots:
    void init() {
        CurrentLoginName = "before";
        terminations = 0;
        TerminateApplication = [this] { ++terminations; };
    }
    void cleanup() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    void attempts_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QStringList>("steps"); // passwords tried with "确定", or "退出" / "close"
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("chances");    // left on the red line; "" when the window closed
        QTest::addColumn<int>("ends");           // times the run was told to end
        QTest::addColumn<QList<bool>>("rights"); // announced on success, else empty

        const QList<bool> all{true, true, true, true}, none;
        QTest::newRow("right") << "admin" << QStringList{"admin"} << QStringList{} << "" << 0
                               << all;
        QTest::newRow("blanks trimmed")
            << "admin" << QStringList{" admin\t"} << QStringList{} << "" << 0 << all;
        QTest::newRow("case counts")
            << "admin" << QStringList{"ADMIN"} << QStringList{kWrong} << "2" << 0 << none;
        QTest::newRow("two failures") << "admin" << QStringList{"x", "ad min"}
                                      << QStringList{kWrong, kWrong} << "1" << 0 << none;
        QTest::newRow("third failure ends the run")
            << "admin" << QStringList{"x", "y", "z"} << QStringList{kWrong, kWrong, kThird} << ""
            << 1 << none;
        QTest::newRow("success at the third try") << "admin" << QStringList{"x", "y", "admin"}
                                                  << QStringList{kWrong, kWrong} << "" << 0 << all;
        QTest::newRow("rights by column, odd flags deny")
            << "clerk" << QStringList{"Pw 1 "} << QStringList{} << "" << 0
            << QList<bool>{true, false, false, false};
        QTest::newRow("退出 ends the run")
            << "admin" << QStringList{"x", "退出"} << QStringList{kWrong} << "" << 1 << none;
        // At start-up the run then ends because nobody logged in; at re-login the user stays.
        QTest::newRow("close box only closes")
            << "admin" << QStringList{"close"} << QStringList{} << "" << 0 << none;
    }
    void attempts() {
        QFETCH(QString, user);
        QFETCH(QStringList, steps);
        QFETCH(QStringList, messages);
        QFETCH(QString, chances);
        QFETCH(int, ends);
        QFETCH(QList<bool>, rights);

        TestDatabase db;
        ScriptedMessagesScope shown;
        TestDatabase::exec(
            "insert into login_user (user_loginname,user_name,user_password,award_1,award_2,"
            "award_3,award_4) values ('clerk','李四','Pw 1','1','0',NULL,'x')");
        QPointer<TLoginForm> form = new TLoginForm;
        QCOMPARE(LoginForm.data(), form.data());
        QSignalSpy loggedIn(form.data(), &TLoginForm::loggedIn);
        form->show();
        auto* combo = child<QComboBox>(form, "Combo_name");
        combo->setCurrentIndex(combo->findText(user));
        for (const QString& step : steps) {
            if (step == "close")
                form->close();
            else if (step == "退出")
                QTest::mouseClick(child<QPushButton>(form, "BitBtn_Exit"), Qt::LeftButton);
            else {
                child<QLineEdit>(form, "MEd_password")->clear();
                QTest::keyClicks(child<QLineEdit>(form, "MEd_password"), step);
                QTest::mouseClick(child<QPushButton>(form, "BitBtn_Ok"), Qt::LeftButton);
            }
        }

        QStringList texts;
        for (const ShownMessage& m : shown->shown) {
            QVERIFY(m.caption == QStringLiteral("Morvik提示") && m.icon == MsgIcon::Warning);
            texts << m.text;
        }
        QCOMPARE(texts, messages);
        QCOMPARE(terminations, ends);
        if (!chances.isEmpty()) {
            QVERIFY(form->isVisible());
            QCOMPARE(
                child<QLabel>(form, "ST_TS")->text(),
                QStringLiteral("Morvik提示：用户名或密码不正确，你还有%1次机会。").arg(chances));
            QCOMPARE(child<QLineEdit>(form, "MEd_password")->text(), steps.last()); // left as typed
            return;
        }
        cleanup(); // every other way out closes and destroys the window
        QVERIFY(!form && !LoginForm);
        QCOMPARE(loggedIn.count(), rights.isEmpty() ? 0 : 1);
        if (rights.isEmpty()) {
            QCOMPARE(CurrentLoginName, QStringLiteral("before"));
            return;
        }
        const auto got = loggedIn.first().first().value<MenuRights>();
        QCOMPARE((QList<bool>{got[0], got[1], got[2], got[3]}), rights);
        QCOMPARE(CurrentLoginName, user);
        QCOMPARE(CurrentPassword,
                 TestDatabase::scalar(
                     "select user_password from login_user where user_loginname='" + user + "'"));
    }

    void listAndKeys() {
        TestDatabase db;
        TestDatabase::exec(
            "insert into login_user (user_loginname,user_password) values ('zz','1')");
        TestDatabase::exec(
            "insert into login_user (user_loginname,user_password) values ('aa','2')");
        TLoginForm form;
        QSignalSpy loggedIn(&form, &TLoginForm::loggedIn);
        form.show();
        QApplication::setActiveWindow(&form);
        QVERIFY(QTest::qWaitForWindowActive(&form));
        auto* combo = child<QComboBox>(&form, "Combo_name");
        QCOMPARE((QStringList{combo->itemText(0), combo->itemText(1), combo->itemText(2)}),
                 (QStringList{"admin", "zz", "aa"})); // table order, not sorted
        QCOMPARE(combo->currentIndex(), 0);
        QCOMPARE(child<QLineEdit>(&form, "MEd_password")->text(), QString());

        // Enter steps from the list to the password to "确定"; only there does it check.
        QCOMPARE(QApplication::focusWidget(), combo);
        QTest::keyClick(combo, Qt::Key_Return);
        QTest::keyClicks(QApplication::focusWidget(), "admin");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), child<QPushButton>(&form, "BitBtn_Ok"));
        QCOMPARE(loggedIn.count(), 0);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(loggedIn.count(), 1);
    }
};

QTEST_MAIN(TestLogin)
#include "tst_login.moc"
