#include "connection.h"
#include "dberror.h"
#include "scriptedmessages.h"
#include "session.h"
#include "startup.h"
#include "tdb_module.h"
#include "testdatabase.h"
#include "tloginform.h"
#include "tmainform.h"
#include "tsplashform.h"
#include "zentavoapplication.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <stdexcept>

namespace {

enum class LoginStep { Succeed, ExitButton, CloseBox };

// Notes, in order, when the start-up windows show, paint and hide, and acts
// as the user would at the login and in the main window.
class StartupObserver : public QObject {
public:
    LoginStep step = LoginStep::Succeed;
    QStringList trace;
    qint64 splashShownAt = -1, splashPaintedAt = -1, splashHiddenAt = -1;
    bool splashVisibleWhenLoginShowed = false;
    QStringList loginUsers;
    bool mainMaximized = false;
    bool mainLoopRunning = false;
    QElapsedTimer clock;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const auto type = event->type();
        if (type != QEvent::Show && type != QEvent::Hide && type != QEvent::Paint)
            return false;
        QString who;
        if (qobject_cast<TSplashForm*>(watched))
            who = QStringLiteral("splash");
        else if (qobject_cast<TLoginForm*>(watched))
            who = QStringLiteral("login");
        else if (qobject_cast<TMainForm*>(watched))
            who = QStringLiteral("main");
        else
            return false;
        const QString what = type == QEvent::Show ? QStringLiteral("show")
                             : type == QEvent::Hide ? QStringLiteral("hide")
                                                    : QStringLiteral("paint");
        if (trace.isEmpty() || trace.last() != who + QLatin1Char(' ') + what)
            trace << who + QLatin1Char(' ') + what;
        if (who == QLatin1String("splash") && type == QEvent::Show)
            splashShownAt = clock.elapsed();
        if (who == QLatin1String("splash") && type == QEvent::Paint && splashPaintedAt < 0)
            splashPaintedAt = clock.elapsed();
        if (who == QLatin1String("splash") && type == QEvent::Hide)
            splashHiddenAt = clock.elapsed();
        if (who == QLatin1String("login") && type == QEvent::Show) {
            for (QWidget* w : QApplication::topLevelWidgets())
                splashVisibleWhenLoginShowed |= qobject_cast<TSplashForm*>(w) && w->isVisible();
            QTimer::singleShot(0, this, [this, login = QPointer<TLoginForm>(static_cast<TLoginForm*>(watched))] {
                actAtLogin(login);
            });
        }
        if (who == QLatin1String("main") && type == QEvent::Show) {
            QTimer::singleShot(0, this, [this, main = static_cast<TMainForm*>(watched)] {
                mainLoopRunning = true;
                mainMaximized = main->windowState() & Qt::WindowMaximized;
                main->close(); // the scripted exit question answers Yes
            });
        }
        return false;
    }

    void actAtLogin(TLoginForm* login)
    {
        if (!login)
            return;
        auto* combo = login->findChild<QComboBox*>(QStringLiteral("Combo_name"));
        for (int i = 0; i < combo->count(); ++i)
            loginUsers << combo->itemText(i);
        switch (step) {
        case LoginStep::Succeed:
            login->findChild<QLineEdit*>(QStringLiteral("MEd_password"))->setText(QStringLiteral("admin"));
            login->findChild<QPushButton*>(QStringLiteral("BitBtn_Ok"))->click();
            break;
        case LoginStep::ExitButton:
            login->findChild<QPushButton*>(QStringLiteral("BitBtn_Exit"))->click();
            break;
        case LoginStep::CloseBox:
            login->close();
            break;
        }
    }
};

// An object whose event handling fails the way a database step does.
class FailingObject : public QObject {
public:
    QString text;
    bool dbError = true;
    bool event(QEvent* e) override
    {
        if (e->type() != QEvent::User)
            return QObject::event(e);
        if (dbError)
            throw DbError(text);
        throw std::runtime_error(text.toStdString());
    }
};

} // namespace

Q_DECLARE_METATYPE(LoginStep)

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        terminations = 0;
        // Leaves the event loop only once it runs, so that an end requested
        // during the login leaves no pending quit behind for later cases.
        TerminateApplication = [this] {
            ++terminations;
            if (observer && observer->mainLoopRunning)
                QCoreApplication::exit(0);
        };
    }

    void runs_data();
    void runs();
    void dataModule_data();
    void dataModule();
    void uncaughtFailuresAreShown_data();
    void uncaughtFailuresAreShown();

private:
    int terminations = 0;
    StartupObserver* observer = nullptr;
};

void TestStartup::runs_data()
{
    QTest::addColumn<bool>("validIni");
    QTest::addColumn<LoginStep>("step");
    QTest::addColumn<QStringList>("expectedTrace");
    QTest::addColumn<QStringList>("expectedMessages"); // captions, in order
    QTest::addColumn<int>("expectedTerminations");

    const QStringList start{"splash show", "splash paint", "splash hide", "login show", "login hide"};
    QTest::newRow("login succeeds") << true << LoginStep::Succeed << start + QStringList{"main show", "main hide"}
                                    << QStringList{"确认"} << 1;
    QTest::newRow("退出 at the login") << true << LoginStep::ExitButton << start << QStringList{} << 1;
    QTest::newRow("close box at the login") << true << LoginStep::CloseBox << start << QStringList{} << 0;
    // No connection: told once, then the object list and the user list fail
    // on the general error display; the empty list lets nobody in.
    QTest::newRow("no connection") << false << LoginStep::ExitButton << start
                                   << QStringList{"Morvik提示", "房屋出租管理", "房屋出租管理"} << 1;
}

void TestStartup::runs()
{
    QFETCH(bool, validIni);
    QFETCH(LoginStep, step);
    QFETCH(QStringList, expectedTrace);
    QFETCH(QStringList, expectedMessages);
    QFETCH(int, expectedTerminations);

    TestDatabase db;
    ScriptedMessagesScope messages;
    const QString ini = validIni ? db.writeIni() : QDir(db.dir()).filePath(QStringLiteral("missing.ini"));

    StartupObserver watch;
    watch.step = step;
    observer = &watch;
    qApp->installEventFilter(&watch);
    watch.clock.start();
    const int code = runStartup(*qApp, ini);
    qApp->removeEventFilter(&watch);
    observer = nullptr;

    QCOMPARE(code, 0);
    // Only the splash must be painted at a given moment: before the wait.
    watch.trace.removeAll(QStringLiteral("login paint"));
    watch.trace.removeAll(QStringLiteral("main paint"));
    QVERIFY(watch.splashPaintedAt >= 0 && watch.splashPaintedAt - watch.splashShownAt < 500);
    QCOMPARE(watch.trace.join(QLatin1Char(',')), expectedTrace.join(QLatin1Char(',')));
    QVERIFY(watch.splashHiddenAt - watch.splashShownAt >= 1000);
    QVERIFY(!watch.splashVisibleWhenLoginShowed);
    QCOMPARE(watch.mainMaximized, step == LoginStep::Succeed);
    QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("房屋出租管理"));
    QStringList captions;
    for (const ShownMessage& m : messages->shown)
        captions << m.caption;
    QCOMPARE(captions, expectedMessages);
    QCOMPARE(watch.loginUsers, validIni ? QStringList{"admin"} : QStringList{});
    QCOMPARE(terminations, expectedTerminations);
    if (!validIni)
        QCOMPARE(messages->shown.first().text, QStringLiteral("可能是数据库设置错误或数据库没有打开，连接失败！"));
    if (step == LoginStep::Succeed)
        QCOMPARE(CurrentLoginName, QStringLiteral("admin"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!MainForm);
}

void TestStartup::dataModule_data()
{
    QTest::addColumn<QString>("iniText"); // "" for no file at all
    QTest::addColumn<QString>("connectionString");
    QTest::addColumn<bool>("connected");

    QTest::newRow("no file")
        << "" << "Provider=SQLOLEDB.1;Password=;Persist Security Info=True;User ID=;Initial Catalog=;Data Source="
        << false;
    QTest::newRow("password with a semicolon, unknown server")
        << "[server]\nname=\ndatabaseName=D\nuser=U\npass=a;b\n"
        << "Provider=SQLOLEDB.1;Password=a;b;Persist Security Info=True;User ID=U;Initial Catalog=D;Data Source="
        << false;
    QTest::newRow("embedded file") << "[server]\nname=sqlite:%1\n"
                                   << "Provider=SQLOLEDB.1;Password=;Persist Security Info=True;User ID=;"
                                      "Initial Catalog=;Data Source=sqlite:%1"
                                   << true;
}

void TestStartup::dataModule()
{
    QFETCH(QString, iniText);
    QFETCH(QString, connectionString);
    QFETCH(bool, connected);

    TestDatabase db;
    ScriptedMessagesScope messages;
    const QString ini = QDir(db.dir()).filePath(QStringLiteral("test.ini"));
    if (!iniText.isEmpty()) {
        QFile f(ini);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QString(iniText).replace(QStringLiteral("%1"), db.file()).toUtf8());
    }
    TDB_module module(ini);
    QCOMPARE(DB_module, &module);
    QCOMPARE(module.connectionString(), connectionString.replace(QStringLiteral("%1"), db.file()));
    QCOMPARE(module.connected(), connected);
    QCOMPARE(messages->shown.size(), connected ? 0 : 1);
    if (connected)
        QCOMPARE(TestDatabase::scalar(QStringLiteral("select user_loginname from login_user")),
                 QStringLiteral("admin"));
}

void TestStartup::uncaughtFailuresAreShown_data()
{
    QTest::addColumn<bool>("dbError");
    QTest::newRow("database error") << true;
    QTest::newRow("other failure") << false;
}

void TestStartup::uncaughtFailuresAreShown()
{
    QFETCH(bool, dbError);

    ScriptedMessagesScope messages;
    FailingObject failing;
    failing.dbError = dbError;
    failing.text = QStringLiteral("列名 'x' 无效。");
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&failing, &event);
    QCoreApplication::postEvent(&failing, new QEvent(QEvent::User));
    QCoreApplication::sendPostedEvents(&failing, QEvent::User);

    QCOMPARE(messages->shown.size(), 2);
    for (const ShownMessage& m : messages->shown) {
        QCOMPARE(m.caption, QStringLiteral("房屋出租管理"));
        QCOMPARE(m.text, failing.text);
        QCOMPARE(m.icon, MsgIcon::Critical);
    }
}

int main(int argc, char** argv)
{
    ZentavoApplication app(argc, argv);
    TestStartup test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_startup.moc"
