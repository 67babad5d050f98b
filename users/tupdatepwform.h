#pragma once
#include <QDialog>

class QLineEdit;
class QPushButton;

// "修改登录密码": the logged-in user replaces their own password. The old
// password is checked against CurrentPassword, the new one typed twice.
class TUpdatePWForm : public QDialog {
    Q_OBJECT
public:
    explicit TUpdatePWForm(QWidget* parent = nullptr);

private slots:
    void Btn_okClick();
    void Btn_cancelClick();

private:
    void changePassword();

    QLineEdit* EditOld;
    QLineEdit* EditNew;
    QLineEdit* EditConfirm;
    QPushButton* Btn_ok;
    QPushButton* Btn_cancel;
};
