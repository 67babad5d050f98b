#pragma once
#include "maintenance.h"

class QComboBox;
class QLineEdit;

// 收费项目管理: the charge items and their unit prices (Zf_Dj). Items 1 to 4
// are read elsewhere by number (cold water, hot water, electricity, refuse
// fee), so items are never deleted here and the number is never written.
class TDanJiaForm : public MaintenanceScreen {
    Q_OBJECT
public:
    explicit TDanJiaForm(QWidget* parent = nullptr);
    ~TDanJiaForm() override;

private:
    QLineEdit* Ed_bh;
    QLineEdit* Ed_Name;
    QComboBox* Com_Dw;
    QLineEdit* Ed_Dj;
};
