#include "dberror.h"
#include "scriptedmessages.h"
#include "session.h"
#include "startup.h"
#include "testdatabase.h"
#include "tloginform.h"
#include "tmainform.h"
#include "tkfdjform.h"
#include "tsplashform.h"
#include "tupdatepwform.h"
#include "screenkeys.h"
#include "zentavoapplication.h"

#include <QFile>
#include <QMessageBox>
#include <QProgressDialog>
#include <QScreen>
#include <sys/stat.h>

#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {
// Notes when the start-up windows first show, paint and hide; presses the
// login's buttons as `steps` says ("BitBtn_Ok", "BitBtn_Exit", "close") and
// closes the main window once it shows (the scripted question answers Yes).
class Observer : public QObject {
public:
    QStringList steps, trace;
    QMap<QString, qint64> at;
    QElapsedTimer clock;
    bool mainLoop = false, maximized = false, splashSeenByLogin = false, fillsScreen = false;
    int users = -1;

    bool eventFilter(QObject* o, QEvent* e) override {
        static const QMap<int, QString> kinds{
            {QEvent::Show, "show"}, {QEvent::Hide, "hide"}, {QEvent::Paint, "paint"}};
        const QString who = qobject_cast<TSplashForm*>(o)  ? "splash"
                            : qobject_cast<TLoginForm*>(o) ? "login"
                            : qobject_cast<TMainForm*>(o)  ? "main"
                                                           : "";
        const QString entry = who + ' ' + kinds.value(e->type());
        if (who.isEmpty() || !kinds.contains(e->type()) || at.contains(entry) ||
            (who != "splash" && entry.endsWith("paint")))
            return false;
        trace << entry;
        at[entry] = clock.elapsed();
        auto* w = static_cast<QWidget*>(o);
        if (entry == "login show") {
            for (QWidget* top : QApplication::topLevelWidgets())
                splashSeenByLogin |= qobject_cast<TSplashForm*>(top) && top->isVisible();
            QTimer::singleShot(0, this, [this, w] {
                users = w->findChild<QComboBox*>()->count();
                w->findChild<QLineEdit*>()->setText("admin");
                for (const QString& step : steps)
                    step == "close" ? void(w->close()) : w->findChild<QPushButton*>(step)->click();
            });
        }
        if (entry == "main show")
            QTimer::singleShot(0, this, [this, w] {
                mainLoop = true;
                maximized = w->isMaximized();
                // The offscreen platform maximises nothing by itself.
                fillsScreen = w->geometry().size() ==
                              QGuiApplication::primaryScreen()->availableGeometry().size();
                w->close();
            });
        return false;
    }
};
} // namespace

class TestStartup : public QObject {
    Q_OBJECT
    int terminations = 0;
    Observer* observer = nullptr;
private slots:
    void init() {
        terminations = 0;
        // Leaves the event loop only once it runs: an end asked for during the
        // login must leave no pending exit behind for the next case.
        TerminateApplication = [this] {
            ++terminations;
            if (observer->mainLoop)
                QCoreApplication::exit(0);
        };
    }

    void runs_data() {
        QTest::addColumn<bool>("validIni");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("captions"); // of the messages shown, in order
        QTest::addColumn<int>("ends");
        QTest::newRow("login succeeds")
            << true << QStringList{"BitBtn_Ok"} << QStringList{"确认"} << 1;
        QTest::newRow("退出 at the login")
            << true << QStringList{"BitBtn_Exit"} << QStringList{} << 1;
        QTest::newRow("close box at the login")
            << true << QStringList{"close"} << QStringList{} << 0;
        // Told once; then the object list, the user list and the check fail on
        // the general error display, and only "退出" is left.
        QTest::newRow("no connection")
            << false << QStringList{"BitBtn_Ok", "BitBtn_Exit"}
            << QStringList{"Morvik提示", "房屋出租管理", "房屋出租管理", "房屋出租管理"} << 1;
    }
    void runs() {
        QFETCH(bool, validIni);
        QFETCH(QStringList, steps);
        QFETCH(QStringList, captions);
        QFETCH(int, ends);
        TestDatabase db;
        ScriptedMessagesScope shown;
        Observer watch;
        watch.steps = steps;
        observer = &watch;
        qApp->installEventFilter(&watch);
        watch.clock.start();
        QCOMPARE(runStartup(*qApp, validIni ? db.writeIni() : db.dir() + "/missing.ini"), 0);
        qApp->removeEventFilter(&watch);

        const bool in = steps == QStringList{"BitBtn_Ok"} && validIni;
        QCOMPARE(watch.trace, QStringList({"splash show", "splash paint", "splash hide",
                                           "login show", "login hide"}) +
                                  (in ? QStringList{"main show", "main hide"} : QStringList{}));
        QVERIFY(watch.at["splash hide"] - watch.at["splash paint"] >=
                1000); // painted before the wait
        QVERIFY(watch.at["splash hide"] - watch.at["splash show"] >=
                1000); // a second on screen at least
        QVERIFY(!watch.splashSeenByLogin);
        QCOMPARE(watch.maximized, in);
        QCOMPARE(watch.fillsScreen, in);
        QCOMPARE(watch.users, validIni ? 1 : 0);
        QCOMPARE(terminations, ends);
        QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("房屋出租管理"));
        QStringList seen;
        for (const ShownMessage& m : shown->shown)
            seen << m.caption;
        QCOMPARE(seen, captions);
        if (!validIni)
            QCOMPARE(shown->shown[0].text,
                     QStringLiteral("可能是数据库设置错误或数据库没有打开，连接失败！"));
    }

    // The configured file is missing: the program asks before it makes a new
    // one; a file that is not its database is refused with its reason. Every
    // message is shown with the splash out of the way.
    void databaseFileAtStartup_data() {
        QTest::addColumn<QString>("file"); // "missing" or "foreign"
        QTest::addColumn<int>("answer");   // to the question, when asked
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<int>("users");    // in the login's list
        const QString failed = "可能是数据库设置错误或数据库没有打开，连接失败！";
        QTest::newRow("missing, made") << "missing" << int(MsgAnswer::Yes)
                                       << QStringList{"数据库文件不存在：%1。是否新建一个空数据库？"} << 1;
        QTest::newRow("missing, not made") << "missing" << int(MsgAnswer::No)
                                           << QStringList{"数据库文件不存在：%1。是否新建一个空数据库？", failed} << 0;
        QTest::newRow("foreign") << "foreign" << int(MsgAnswer::Yes)
                                 << QStringList{"不是本程序的数据库文件，未作任何改动：%1（file is not a database）\n" + failed} << 0;
    }
    void databaseFileAtStartup() {
        QFETCH(QString, file);
        QFETCH(int, answer);
        QFETCH(QStringList, texts);
        QFETCH(int, users);
        TestDatabase db;
        const QString path = db.dir() + "/other.db";
        if (file == "foreign") {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("not a database, but the landlord's notes");
        }
        const QString ini = db.dir() + "/other.ini";
        QFile f(ini);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QString("[server]\nname=sqlite:%1 \n").arg(path).toUtf8()); // a blank after the path
        f.close();

        // Records whether a splash is visible when each message shows.
        struct Recorder : MessageService {
            ScriptedMessages* scripted;
            QList<bool> splashVisible;
            MsgAnswer show(QWidget* o, const QString& c, const QString& t, MsgIcon i, MsgButtons b) override {
                bool visible = false;
                for (QWidget* top : QApplication::topLevelWidgets())
                    visible |= qobject_cast<TSplashForm*>(top) && top->isVisible();
                splashVisible << visible;
                return scripted->show(o, c, t, i, b);
            }
        } recorder;
        ScriptedMessages scripted;
        scripted.answerNext(MsgAnswer(answer));
        recorder.scripted = &scripted;
        MessageService* previous = MessageService::install(&recorder);
        Observer watch;
        watch.steps = {"BitBtn_Exit"};
        observer = &watch;
        qApp->installEventFilter(&watch);
        runStartup(*qApp, ini);
        qApp->removeEventFilter(&watch);
        MessageService::install(previous);

        QStringList shown; // the start-up's own messages, not the failures after them
        for (const ShownMessage& m : scripted.shown)
            if (m.caption == "Morvik提示")
                shown << m.text;
        for (QString& t : texts)
            t = t.contains("%1") ? t.arg(path) : t;
        QCOMPARE(shown, texts);
        QVERIFY(!recorder.splashVisible.contains(true));
        QCOMPARE(watch.users, users);
        QCOMPARE(QFile::exists(path), file == "foreign" || answer == int(MsgAnswer::Yes));
        if (file == "missing" && answer == int(MsgAnswer::Yes)) {
            struct stat st;
            QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
            QCOMPARE(int(st.st_mode & 0777), 0600);
        }
    }

    // Esc does not close a screen nor drop the edit under way; a screen
    // whose cancel button Esc presses, and Qt's own dialogs, keep it.
    void escKeepsScreensOpen() {
        TestDatabase db;
        ScriptedMessagesScope shown;
        installScreenEscGuard();

        auto* tenants = new TKfdjForm;
        tenants->setAttribute(Qt::WA_DeleteOnClose);
        QPointer<QWidget> tenantsAlive = tenants;
        tenants->show();
        QVERIFY(QTest::qWaitForWindowExposed(tenants));
        tenants->findChild<QPushButton*>("bitbtn_insert")->click();
        auto* id = tenants->findChild<QLineEdit*>("Ed_Kubh");
        id->setFocus();
        QTest::keyClicks(id, "K9");
        QTest::keyClick(id, Qt::Key_Escape);
        QTest::keyClick(tenants, Qt::Key_Escape);
        QCoreApplication::processEvents();
        QVERIFY(tenantsAlive && tenants->isVisible());
        QCOMPARE(id->text(), QStringLiteral("K9"));
        tenants->close();

        TUpdatePWForm password;
        password.show();
        QVERIFY(QTest::qWaitForWindowExposed(&password));
        QTest::keyClick(&password, Qt::Key_Escape);
        QVERIFY(!password.isVisible());

        QMessageBox box(QMessageBox::Information, "t", "x", QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
        box.show();
        QTest::keyClick(&box, Qt::Key_Escape);
        QVERIFY(!box.isVisible());

        QProgressDialog progress("…", "取消", 0, 10);
        progress.show();
        QTest::keyClick(&progress, Qt::Key_Escape);
        QVERIFY(!progress.isVisible());
    }

    void uncaughtFailuresAreShown() {
        struct Failing : QObject {
            bool event(QEvent* e) override {
                if (e->type() == QEvent::User)
                    throw DbError(QStringLiteral("列名 'x' 无效。"));
                throw std::runtime_error("disk full");
            }
        } failing;
        ScriptedMessagesScope shown;
        QEvent dbFailure(QEvent::User);
        QCoreApplication::sendEvent(&failing, &dbFailure);
        QCoreApplication::postEvent(&failing, new QEvent(QEvent::Type(QEvent::User + 1)));
        QCoreApplication::sendPostedEvents(&failing);
        QCOMPARE(shown->shown.size(), 2);
        QCOMPARE(shown->shown[0].text + '|' + shown->shown[1].text,
                 QStringLiteral("列名 'x' 无效。|disk full"));
        for (const ShownMessage& m : shown->shown)
            QVERIFY(m.caption == QStringLiteral("房屋出租管理") && m.icon == MsgIcon::Critical);
    }
};

int main(int argc, char** argv) {
    ZentavoApplication app(argc, argv);
    TestStartup test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_startup.moc"
