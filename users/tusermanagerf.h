#pragma once
#include "maintenance.h"

class QCheckBox;
class QLineEdit;

// 用户管理: the users who may log in, their passwords and their four rights.
// There is no 修改 button: a double click on a user starts a modification,
// and a single click only moves the current row.
class TUserManagerF : public MaintenanceScreen {
    Q_OBJECT
public:
    explicit TUserManagerF(QWidget* parent = nullptr);
    ~TUserManagerF() override;

private:
    QLineEdit* Ed_userzcm;
    QLineEdit* Ed_username;
    QLineEdit* Ed_password;
    QCheckBox* Chk_Sjcl;
    QCheckBox* Chk_Xfgl;
    QCheckBox* Chk_Cstj;
    QCheckBox* Chk_Xtwf;
};
