#include "connection.h"
#include "monthlytables.h"
#include "scriptedmessages.h"
#include "session.h"
#include "taboutboxform.h"
#include "testdatabase.h"
#include "tkfdjform.h"
#include "tloginform.h"
#include "tmainform.h"
#include "tupdatepwform.h"

#include <QComboBox>
#include <QDeadlineTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QtTest>

namespace {

// A menu's entries as the user reads them: "-" for a separator, a submenu's
// title followed by ">".
QStringList entries(const QMenu* menu)
{
    QStringList out;
    for (const QAction* a : menu->actions())
        out << (a->isSeparator() ? QStringLiteral("-") : a->menu() ? a->text() + QLatin1Char('>') : a->text());
    return out;
}

QString panel(const TMainForm& w, int i)
{
    return w.findChild<QLabel*>(QStringLiteral("Panel%1").arg(i))->text();
}

QAction* item(const TMainForm& w, const char* name)
{
    return w.findChild<QAction*>(QLatin1String(name));
}

bool menuEnabled(const TMainForm& w, const QString& name)
{
    return w.findChild<QMenu*>(name)->menuAction()->isEnabled();
}

// Waits for the modal window the next step opens, hands it to `inspect` and
// closes it; the step itself runs after this is armed.
void whenModalShows(std::function<void(QWidget*)> inspect)
{
    QTimer::singleShot(0, [inspect] {
        QDeadlineTimer deadline(5000);
        QWidget* modal = nullptr;
        while (!(modal = QApplication::activeModalWidget()) && !deadline.hasExpired())
            QTest::qWait(10);
        inspect(modal);
        if (modal)
            modal->close();
    });
}

// A screen that does not block, with an edit under way, to see that a
// re-login leaves open screens alone.
class NoteScreen : public QDialog {
public:
    explicit NoteScreen(QWidget* parent = nullptr) : QDialog(parent)
    {
        setAttribute(Qt::WA_DeleteOnClose);
        edit = new QLineEdit(this);
    }
    QLineEdit* edit;
};

} // namespace

class TestMainForm : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        CurrentLoginName = QStringLiteral("admin");
        terminations = 0;
        TerminateApplication = [this] { ++terminations; };
    }
    void cleanup() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    void windowAndMenuBar();
    void menus_data();
    void menus();
    void clock_data();
    void clock();
    void firstShowMakesReadingTables_data();
    void firstShowMakesReadingTables();
    void databaseFailuresKeepTheClockRunning();
    void exitQuestion_data();
    void exitQuestion();
    void rights_data();
    void rights();
    void reloginChangesUserButNotOpenScreens();
    void screensOpenOnce();
    void modalScreens_data();
    void modalScreens();
    void accessories_data();
    void accessories();

private:
    int terminations = 0;
};

void TestMainForm::windowAndMenuBar()
{
    TestDatabase db;
    ScriptedMessagesScope messages;
    TMainForm w;
    QCOMPARE(w.windowTitle(), QStringLiteral("Zentavo房屋出租管理系统"));
    QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(w.windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(!w.isVisible());

    QStringList bar;
    for (const QAction* a : w.menuBar()->actions())
        bar << a->text() + (a->menu() ? QString() : QStringLiteral("!"));
    QCOMPARE(bar, (QStringList{"数据处理", "收费项目管理", "查询报表", "统计分析", "修改口令!",
                               "系统维护", "附件", "帮助"}));

    QCOMPARE(w.statusBar()->objectName(), QStringLiteral("StatusBar1"));
    QCOMPARE(w.findChild<QLabel*>(QStringLiteral("Panel1"))->width(), 300);
    QCOMPARE(w.findChild<QLabel*>(QStringLiteral("Panel2"))->width(), 200);
    QCOMPARE(w.findChild<QLabel*>(QStringLiteral("Panel3"))->minimumWidth(), 50);
    auto* timer = w.findChild<QTimer*>(QStringLiteral("Timer_update"));
    QCOMPARE(timer->interval(), 1000);
    QVERIFY(!timer->isActive());
    QVERIFY(messages->shown.isEmpty());
}

void TestMainForm::menus_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("items");

    QTest::newRow("数据处理") << "award_1" << "数据处理"
                          << QStringList{"客户入住", "合同管理", "抄表管理", "退房管理", "-",
                                         "重新登陆", "-", "退出"};
    QTest::newRow("收费项目管理") << "award_2" << "收费项目管理"
                            << QStringList{"房租收费管理", "冷水收费管理", "热水收费管理", "用电收费管理"};
    QTest::newRow("查询报表") << "award_3" << "查询报表"
                          << QStringList{"客户情况查询", "租房情况查询", "客户在住查询", "租房抄表查询",
                                         "-", "收费项目查询>"};
    QTest::newRow("收费项目查询") << "Menu_sfxmcx" << "收费项目查询"
                            << QStringList{"房租收费查询", "冷水收费查询", "热水收费查询", "用电收费查询"};
    QTest::newRow("统计分析") << "Menu_tjfx" << "统计分析" << QStringList{"其它项目统计"};
    QTest::newRow("系统维护") << "award_4" << "系统维护"
                          << QStringList{"客户登记信息", "收费项目信息", "房屋基本信息", "-", "用户权限管理"};
    QTest::newRow("附件") << "Menu_fj" << "附件" << QStringList{"计算器", "记事本", "写字板"};
    QTest::newRow("帮助") << "Menu_help" << "帮助" << QStringList{"关于"};
}

void TestMainForm::menus()
{
    QFETCH(QString, menu);
    QFETCH(QString, title);
    QFETCH(QStringList, items);

    TestDatabase db;
    TMainForm w;
    const QMenu* m = w.findChild<QMenu*>(menu);
    QVERIFY(m);
    QCOMPARE(m->title(), title);
    QCOMPARE(entries(m), items);
}

void TestMainForm::clock_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("time");

    auto at = [](int y, int mo, int d, int h, int mi, int s) {
        return QDateTime(QDate(y, mo, d), QTime(h, mi, s));
    };
    QTest::newRow("Thursday") << at(2024, 3, 7, 14, 5, 9) << "  2024年03月07日 星期四" << "     14:05:09";
    QTest::newRow("Friday") << at(2024, 3, 8, 0, 0, 0) << "  2024年03月08日 星期五" << "     00:00:00";
    QTest::newRow("Saturday") << at(2024, 3, 9, 23, 59, 59) << "  2024年03月09日 星期六" << "     23:59:59";
    QTest::newRow("Sunday") << at(2023, 1, 1, 9, 8, 7) << "  2023年01月01日 星期日" << "     09:08:07";
    QTest::newRow("Monday") << at(2024, 12, 30, 12, 0, 1) << "  2024年12月30日 星期一" << "     12:00:01";
    QTest::newRow("Tuesday") << at(2024, 2, 27, 1, 2, 3) << "  2024年02月27日 星期二" << "     01:02:03";
    QTest::newRow("Wednesday") << at(2025, 10, 1, 18, 30, 0) << "  2025年10月01日 星期三" << "     18:30:00";
}

void TestMainForm::clock()
{
    QFETCH(QDateTime, now);
    QFETCH(QString, date);
    QFETCH(QString, time);

    TestDatabase db(now);
    ScriptedMessagesScope messages;
    CurrentLoginName = QStringLiteral("张三");
    TMainForm w;
    w.show();
    QVERIFY(w.findChild<QTimer*>(QStringLiteral("Timer_update"))->isActive());
    // The panels stay empty until the first tick, a second after the show.
    QCOMPARE(panel(w, 1), QString());
    QTRY_COMPARE_WITH_TIMEOUT(panel(w, 3), time, 1500);
    QCOMPARE(panel(w, 2), date);
    QCOMPARE(panel(w, 1), QStringLiteral("当前用户：张三"));
    QVERIFY(messages->shown.isEmpty());
}

void TestMainForm::firstShowMakesReadingTables_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QString>("existing"); // made before the window, with one reading
    QTest::addColumn<QString>("thisMonth");
    QTest::addColumn<QString>("lastMonth");

    QTest::newRow("March") << QDate(2024, 3, 7) << "" << "zf_Biaodi202403" << "zf_Biaodi202402";
    QTest::newRow("1 January") << QDate(2024, 1, 1) << "" << "zf_Biaodi202401" << "zf_Biaodi202312";
    QTest::newRow("31 December") << QDate(2023, 12, 31) << "" << "zf_Biaodi202312" << "zf_Biaodi202311";
    QTest::newRow("this month exists")
        << QDate(2024, 3, 7) << "zf_Biaodi202403" << "zf_Biaodi202403" << "zf_Biaodi202402";
    QTest::newRow("last month exists")
        << QDate(2024, 3, 7) << "zf_Biaodi202402" << "zf_Biaodi202403" << "zf_Biaodi202402";
}

void TestMainForm::firstShowMakesReadingTables()
{
    QFETCH(QDate, today);
    QFETCH(QString, existing);
    QFETCH(QString, thisMonth);
    QFETCH(QString, lastMonth);

    TestDatabase db(QDateTime(today, QTime(8, 0)));
    ScriptedMessagesScope messages;
    auto exists = [](const QString& table) {
        return TestDatabase::scalar(
                   QStringLiteral("select count(*) from sysobjects where name='%1'").arg(table)) ==
               QLatin1String("1");
    };
    if (!existing.isEmpty()) {
        EnsureBiaodiTable(existing);
        TestDatabase::exec(QStringLiteral("insert into %1 (fangno,Cbrq,lsb) values ('101','2024-03-01',12.5)")
                               .arg(existing));
    }
    TMainForm w;
    QVERIFY(!exists(thisMonth) || existing == thisMonth);
    w.show();
    QVERIFY(exists(thisMonth));
    QVERIFY(exists(lastMonth));
    QCOMPARE(BiaodiName, thisMonth);
    QCOMPARE(SyBiaodiName, lastMonth);
    if (!existing.isEmpty())
        QCOMPARE(TestDatabase::scalar(QStringLiteral("select count(*) from %1").arg(existing)),
                 QStringLiteral("1"));
    QVERIFY(messages->shown.isEmpty());
}

void TestMainForm::databaseFailuresKeepTheClockRunning()
{
    TestDatabase db;
    ScriptedMessagesScope messages;
    Connection::shared().close();
    TMainForm w;
    QCOMPARE(messages->shown.size(), 1); // reading the object list at creation
    w.show();
    QCOMPARE(messages->shown.size(), 2); // the first-show steps
    for (const ShownMessage& m : messages->shown) {
        QCOMPARE(m.caption, QStringLiteral("房屋出租管理"));
        QCOMPARE(m.icon, MsgIcon::Critical);
    }
    QVERIFY(w.findChild<QTimer*>(QStringLiteral("Timer_update"))->isActive());
    QTRY_VERIFY_WITH_TIMEOUT(!panel(w, 3).isEmpty(), 1500);
}

void TestMainForm::exitQuestion_data()
{
    QTest::addColumn<bool>("fromMenu"); // else by closing the window
    QTest::addColumn<MsgAnswer>("answer");

    QTest::newRow("menu, Yes") << true << MsgAnswer::Yes;
    QTest::newRow("menu, No") << true << MsgAnswer::No;
    QTest::newRow("close, Yes") << false << MsgAnswer::Yes;
    QTest::newRow("close, No") << false << MsgAnswer::No;
}

void TestMainForm::exitQuestion()
{
    QFETCH(bool, fromMenu);
    QFETCH(MsgAnswer, answer);

    TestDatabase db;
    ScriptedMessagesScope messages;
    TMainForm w;
    w.show();
    messages->answerNext(answer);
    bool closed = false;
    if (fromMenu)
        item(w, "Item_exit")->trigger();
    else
        closed = w.close();

    QCOMPARE(messages->shown.size(), 1);
    const ShownMessage& q = messages->shown.first();
    QCOMPARE(q.text, QStringLiteral("确认退出房屋出租管理系统吗？"));
    QCOMPARE(q.icon, MsgIcon::Question);
    QCOMPARE(q.buttons, MsgButtons::YesNo);
    QCOMPARE(terminations, answer == MsgAnswer::Yes ? 1 : 0);
    QCOMPARE(closed, !fromMenu && answer == MsgAnswer::Yes);
    QCOMPARE(w.isVisible(), fromMenu || answer == MsgAnswer::No);
}

void TestMainForm::rights_data()
{
    QTest::addColumn<QList<bool>>("rights");
    QTest::newRow("all") << QList<bool>{true, true, true, true};
    QTest::newRow("none") << QList<bool>{false, false, false, false};
    QTest::newRow("first and last") << QList<bool>{true, false, false, true};
    QTest::newRow("middle two") << QList<bool>{false, true, true, false};
}

void TestMainForm::rights()
{
    QFETCH(QList<bool>, rights);

    TestDatabase db;
    TMainForm w;
    // Start from the opposite state, so each menu must change.
    w.applyRights({!rights[0], !rights[1], !rights[2], !rights[3]});
    w.applyRights({rights[0], rights[1], rights[2], rights[3]});
    for (int i = 0; i < 4; ++i) {
        const QString name = QStringLiteral("award_%1").arg(i + 1);
        QCOMPARE(menuEnabled(w, name), rights[i]);
        QCOMPARE(w.findChild<QMenu*>(name)->isEnabled(), rights[i]);
    }
    for (const char* free : {"Menu_tjfx", "Menu_fj", "Menu_help"})
        QVERIFY(menuEnabled(w, QLatin1String(free)));
    QVERIFY(item(w, "Item_xgkl")->isEnabled());
}

void TestMainForm::reloginChangesUserButNotOpenScreens()
{
    TestDatabase db;
    ScriptedMessagesScope messages;
    TestDatabase::exec(QStringLiteral("insert into login_user (user_loginname,user_name,user_password,"
                                      "award_1,award_2,award_3,award_4) values ('clerk','李四','pw','1','0','1','0')"));
    TMainForm w;
    w.applyRights({true, true, true, true});
    w.show();
    w.openScreen<NoteScreen>(false);
    QPointer<NoteScreen> note = TMainForm::screenReference<NoteScreen>();
    note->edit->setText(QStringLiteral("typing"));

    // A re-login that is abandoned changes nothing.
    item(w, "Item_cxdl")->trigger();
    QPointer<TLoginForm> login = LoginForm;
    QVERIFY(login && login->isVisible());
    QVERIFY(!login->isModal());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    login->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!LoginForm);
    QCOMPARE(CurrentLoginName, QStringLiteral("admin"));
    QVERIFY(menuEnabled(w, QStringLiteral("award_2")));

    // Choosing it twice shows the one window.
    item(w, "Item_cxdl")->trigger();
    login = LoginForm;
    item(w, "Item_cxdl")->trigger();
    QCOMPARE(LoginForm.data(), login.data());
    QCOMPARE(w.findChildren<TLoginForm*>().size(), 1);

    auto* combo = login->findChild<QComboBox*>(QStringLiteral("Combo_name"));
    combo->setCurrentIndex(combo->findText(QStringLiteral("clerk")));
    login->findChild<QLineEdit*>(QStringLiteral("MEd_password"))->setText(QStringLiteral("pw"));
    QTest::mouseClick(login->findChild<QPushButton*>(QStringLiteral("BitBtn_Ok")), Qt::LeftButton);

    QCOMPARE(CurrentLoginName, QStringLiteral("clerk"));
    QCOMPARE((QList<bool>{menuEnabled(w, "award_1"), menuEnabled(w, "award_2"),
                          menuEnabled(w, "award_3"), menuEnabled(w, "award_4")}),
             (QList<bool>{true, false, true, false}));
    QTRY_COMPARE_WITH_TIMEOUT(panel(w, 1), QStringLiteral("当前用户：clerk"), 1500);
    QVERIFY(note && note->isVisible());
    QCOMPARE(note->edit->text(), QStringLiteral("typing"));
    QVERIFY(messages->shown.isEmpty());
}

void TestMainForm::screensOpenOnce()
{
    TestDatabase db;
    ScriptedMessagesScope messages;
    TMainForm w;
    w.show();
    // The tenant register does not block; choosing it again shows the same one.
    item(w, "Item_kfdj")->trigger();
    QPointer<TKfdjForm> first = TMainForm::screenReference<TKfdjForm>();
    QVERIFY(first && first->isVisible());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    item(w, "Item_kfdj")->trigger();
    QCOMPARE(TMainForm::screenReference<TKfdjForm>().data(), first.data());
    QCOMPARE(w.findChildren<TKfdjForm*>().size(), 1);

    // Closed, it empties its reference and the next choice starts afresh.
    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!first);
    QVERIFY(!TMainForm::screenReference<TKfdjForm>());
    item(w, "Item_kfdj")->trigger();
    QVERIFY(TMainForm::screenReference<TKfdjForm>());
    TMainForm::screenReference<TKfdjForm>()->close();
    QVERIFY(messages->shown.isEmpty());
}

void TestMainForm::modalScreens_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("texts"); // labels and buttons that must be there

    QTest::newRow("关于") << "Item_about" << "关于" << "TAboutBoxForm"
                        << "Zentavo房屋出租管理系统|版本1.0|确认";
    QTest::newRow("修改口令") << "Item_xgkl" << "修改登录密码" << "TUpdatePWForm"
                          << "请输入旧密码|请输入新密码|请确认你的新密码|确认|取消";
    QTest::newRow("收费项目信息") << "Item_sfxm" << "" << "TDanJiaForm" << "";
    QTest::newRow("房屋基本信息") << "Item_fwjb" << "" << "TFangBasicForm" << "";
    QTest::newRow("用户权限管理") << "Item_yhqx" << "用户管理" << "TUserManagerF" << "";
}

void TestMainForm::modalScreens()
{
    QFETCH(QString, action);
    QFETCH(QString, title);
    QFETCH(QString, className);
    QFETCH(QString, texts);

    TestDatabase db;
    ScriptedMessagesScope messages;
    TMainForm w;
    w.show();
    for (int round = 0; round < 2; ++round) { // a fresh window each time
        QString seenTitle, seenClass;
        QStringList seen;
        QPointer<QWidget> window;
        whenModalShows([&](QWidget* modal) {
            window = modal;
            if (!modal)
                return;
            seenTitle = modal->windowTitle();
            seenClass = QString::fromLatin1(modal->metaObject()->className());
            for (const QLabel* l : modal->findChildren<QLabel*>())
                seen << l->text();
            for (const QPushButton* b : modal->findChildren<QPushButton*>())
                seen << b->text();
        });
        w.findChild<QAction*>(action)->trigger();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(seenClass, className);
        if (!title.isEmpty())
            QCOMPARE(seenTitle, title);
        for (const QString& t : texts.split(QLatin1Char('|'), Qt::SkipEmptyParts))
            QVERIFY2(seen.contains(t), qPrintable(t));
        QVERIFY(!window); // destroyed when closed
    }
    QVERIFY(messages->shown.isEmpty());
}

void TestMainForm::accessories_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QStringList>("installed");
    QTest::addColumn<QString>("started"); // program and arguments, "" for none

    QTest::newRow("no calculator") << "Item_calc" << QStringList{} << "";
    QTest::newRow("only xcalc") << "Item_calc" << QStringList{"xcalc"} << "xcalc";
    QTest::newRow("preferred calculator") << "Item_calc" << QStringList{"kcalc", "gnome-calculator"}
                                          << "gnome-calculator";
    QTest::newRow("text editor") << "Item_notepad" << QStringList{"mousepad", "leafpad"} << "mousepad";
    QTest::newRow("no text editor") << "Item_notepad" << QStringList{"xcalc"} << "";
    QTest::newRow("word processor") << "Item_write" << QStringList{"abiword", "libreoffice"}
                                    << "libreoffice --writer";
}

void TestMainForm::accessories()
{
    QFETCH(QString, action);
    QFETCH(QStringList, installed);
    QFETCH(QString, started);

    TestDatabase db;
    ScriptedMessagesScope messages;
    QTemporaryDir bin;
    const QString marker = bin.filePath(QStringLiteral("started.txt"));
    for (const QString& program : installed) {
        QFile f(bin.filePath(program));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("#!/bin/sh\necho \"${0##*/} $*\" > '%1'\n").arg(marker).toUtf8());
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", bin.path().toLocal8Bit());
    TMainForm w;
    w.findChild<QAction*>(action)->trigger();
    qputenv("PATH", oldPath);

    if (started.isEmpty()) {
        QCOMPARE(messages->shown.size(), 1);
        QCOMPARE(messages->shown.first().caption, QStringLiteral("Morvik提示！"));
        QCOMPARE(messages->shown.first().text, QStringLiteral("系统未安装此应用程序!"));
        QTest::qWait(100);
        QVERIFY(!QFile::exists(marker));
    } else {
        QVERIFY(messages->shown.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker) && QFileInfo(marker).size() > 0, 5000);
        QFile f(marker);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(f.readAll()).trimmed(), started);
    }
}

QTEST_MAIN(TestMainForm)
#include "tst_mainform.moc"
