#pragma once
#include "maintenance.h"

class QComboBox;
class QLineEdit;

// 客户基本资料登记: the tenant register, one row of Zf_Man per tenant. The
// mnemonic code zjm is never typed; every save works it out from the name.
class TKfdjForm : public MaintenanceScreen {
    Q_OBJECT
public:
    explicit TKfdjForm(QWidget* parent = nullptr);
    ~TKfdjForm() override;

private:
    QLineEdit* Ed_Kubh;
    QLineEdit* Ed_Xm;
    QComboBox* Com_Xb;
    QLineEdit* Ed_Sfzh;
    QLineEdit* Ed_Dz;
    QLineEdit* Ed_Lxdh;
    QLineEdit* Ed_Dw;
};
