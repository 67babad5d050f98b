#include "startup.h"

#include "artwork.h"
#include "messages.h"
#include "screenkeys.h"
#include "tdb_module.h"
#include "tloginform.h"
#include "tmainform.h"
#include "tsplashform.h"
#include "waitcursor.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QScreen>
#include <QThread>
#include <QTranslator>

#include <memory>

void prepareApplication(QApplication& app) {
    static bool prepared = false;
    if (prepared)
        return;
    prepared = true;

    auto* translator = new QTranslator(&app);
    if (translator->load(QStringLiteral("qtbase_zh_CN"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;

    const QString family = QStringLiteral("WenQuanYi Micro Hei");
    if (QFontDatabase::families().contains(family)) {
        QFont font = QApplication::font();
        font.setFamily(family);
        QApplication::setFont(font);
    }
    QApplication::setWindowIcon(programIcon());
    installScreenEscGuard();
    installLockWaitCursor();
}

namespace {

// While the splash is up, a message (the connection failure, the question
// whether to create a missing database file) takes the splash away first,
// so the splash never covers it.
class SplashAwareMessages : public MessageService {
public:
    explicit SplashAwareMessages(QWidget* splash) : m_splash(splash) { m_previous = MessageService::install(this); }
    ~SplashAwareMessages() override { MessageService::install(m_previous); }

    MsgAnswer show(QWidget* owner, const QString& caption, const QString& text, MsgIcon icon,
                   MsgButtons buttons) override {
        if (m_splash)
            m_splash->hide();
        MessageService::install(m_previous);
        const MsgAnswer answer = MessageService::current().show(owner, caption, text, icon, buttons);
        MessageService::install(this);
        return answer;
    }

private:
    QPointer<QWidget> m_splash;
    MessageService* m_previous = nullptr;
};

// Keeps the splash on screen for a second. Nothing else may happen in the
// meantime, so the thread waits without running the event loop.
void holdOneSecond() {
    QDeadlineTimer deadline(1000);
    while (!deadline.hasExpired())
        QThread::msleep(qMax<qint64>(1, deadline.remainingTime()));
}

} // namespace

int runStartup(QApplication& app, const QString& iniPath) {
    prepareApplication(app);

    auto splash = std::make_unique<TSplashForm>();
    splash->showAndPaint();
    holdOneSecond();

    QCoreApplication::setApplicationName(QStringLiteral("房屋出租管理"));
    // The run ends only when it is told to (exit question, login's "退出"),
    // never because the login closed before the main window was shown.
    app.setQuitOnLastWindowClosed(false);

    auto messages = std::make_unique<SplashAwareMessages>(splash.get());
    TDB_module dataModule(iniPath);
    TMainForm mainForm;
    splash->hide();
    messages.reset();
    splash.reset();

    bool loggedIn = false;
    auto* login = new TLoginForm;
    QObject::connect(login, &TLoginForm::loggedIn, &mainForm, [&](const MenuRights& rights) {
        mainForm.applyRights(rights);
        loggedIn = true;
    });
    login->exec();
    if (!loggedIn)
        return 0;

    // Where no window manager maximises it, the window still fills the
    // screen's available area.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        mainForm.setGeometry(screen->availableGeometry());
    mainForm.showMaximized();
    return app.exec();
}
