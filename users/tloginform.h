#pragma once
#include "session.h"

#include <QDialog>
#include <QPointer>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The login window "系统登录": a user chosen from login_user and a password,
// checked on a connection of its own. Three wrong attempts in one window end
// the run. A success sets CurrentLoginName and CurrentPassword and announces
// the user's rights through loggedIn(), which the main window turns into the
// enabled state of its four governed menus.
class TLoginForm : public QDialog {
    Q_OBJECT
public:
    // At start-up the window runs modally and every way out but a success
    // ends the program (start-up goes no further); a re-login shows it
    // without blocking, and closing it keeps the previous user logged in.
    // "退出" ends the run in both cases.
    explicit TLoginForm(QWidget* parent = nullptr);
    ~TLoginForm() override;

    int failures() const { return m_failures; }

signals:
    // Emitted once on success, after CurrentLoginName and CurrentPassword
    // are set and before the window closes.
    void loggedIn(const MenuRights& rights);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void BitBtn_OkClick();
    void BitBtn_ExitClick();

private:
    void FormCreate();
    void FormShow();
    void checkLogin();
    void loginFailed();

    int m_failures = 0;
    bool m_shown = false;
    QComboBox* Combo_name;
    QLineEdit* MEd_password;
    QPushButton* BitBtn_Ok;
    QPushButton* BitBtn_Exit;
    QLabel* ST_TS;
};

// The login window in use, if any: set when one is created, cleared when it
// is destroyed. The main menu's "重新登陆" opens a new one only when it is empty.
extern QPointer<TLoginForm> LoginForm;
