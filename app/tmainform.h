#pragma once
#include "errordisplay.h"
#include "query.h"
#include "session.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>

class QLabel;
class QMenu;
class QTimer;

// The main window "Zentavo房屋出租管理系统": the menu from which every screen
// opens, a status bar with the user, the date and a running clock, and the
// exit question. It is created hidden at start-up and shown maximised after
// the login; at its first show it makes sure this month's and last month's
// reading tables exist.
class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // Enables or disables the four governed top menus award_1 to award_4
    // (a disabled top menu cannot be opened, so none of its items is reached).
    void applyRights(const MenuRights& rights);

    // The one reference of the process to the open screen of class T; empty
    // when none is open. A screen deletes itself when it closes, which
    // empties the reference.
    template <class T> static QPointer<T>& screenReference() {
        static QPointer<T> reference;
        return reference;
    }

    // Opens the screen of class T: creates it only when its reference is
    // empty, then shows it as a modal dialog (returning when it closes) or
    // without blocking, bringing an open one to the front. A failure while
    // the screen is created is shown by the general error display.
    // `setup` runs on a screen just created, before it shows.
    template <class T> void openScreen(bool modal, const std::function<void(T*)>& setup = {}) {
        guarded([this, modal, &setup] {
            QPointer<T>& screen = screenReference<T>();
            if (!screen) {
                screen = new T(this);
                if (setup)
                    setup(screen);
            }
            if (modal) {
                screen->exec();
            } else {
                screen->show();
                screen->raise();
                screen->activateWindow();
            }
        });
    }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private slots:
    void Timer_updateTimer();
    void ExitItemClick();
    void ReloginItemClick();
    void UpdatePwItemClick();
    void AboutItemClick();
    void HelpItemClick();
    void CalculateItemClick();
    // A charge chosen in the arrears: its charging screen on that row.
    void openChargeRow(int kind, int id);

private:
    void FormCreate();
    void FormShow();
    void buildMenu();
    void buildStatusBar();
    bool confirmExit();

    Query ADQIsExists;
    Query ADQSyIsExists;
    QTimer* Timer_update;
    QLabel* m_panels[3];
    QMenu* m_governed[4];
    bool m_firstShowDone = false;
};

// The main window of the run, null before start-up creates it.
extern QPointer<TMainForm> MainForm;
