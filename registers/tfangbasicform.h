#pragma once
#include "maintenance.h"
#include "query.h"

class QComboBox;
class QLineEdit;

// 出租房基本情况: the room register, one row of Zf_Fangjian per room. Every
// save stamps the room with the refuse fee (the price of charge item 4) read
// when the screen opened.
class TFangBasicForm : public MaintenanceScreen {
    Q_OBJECT
public:
    explicit TFangBasicForm(QWidget* parent = nullptr);
    ~TFangBasicForm() override;

private:
    void FormCreate();

    QLineEdit* Ed_Fh;
    QLineEdit* Ed_Mj;
    QComboBox* Com_Fx;
    QComboBox* Com_Cx;
    QLineEdit* Ed_Sb;
    QLineEdit* Ed_Yz;
    QLineEdit* Ed_Yj;
    QLineEdit* Ed_Ljf;
    Query ADQ_Ljf;
};
