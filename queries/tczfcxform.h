#pragma once
#include "query.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableView;
class QueryModel;

// 出租房基本情况查询: rooms by number prefix, rent, orientation and layout,
// either those not let (未住房) or those let (已住房). Reads only.
class TCzfCxForm : public QDialog {
    Q_OBJECT
public:
    explicit TCzfCxForm(QWidget* parent = nullptr);
    ~TCzfCxForm() override;

    // The result the print button prints: the last search's rows.
    Query& reportQuery() { return ADQ_CzFcx; }

private slots:
    void BitBtn_findClick();
    void BBtn_PrintClick();

private:
    Query ADQ_CzFcx;
    QueryModel* m_model;
    QLineEdit* Ed_Fh;
    QLineEdit* Ed_Yz;
    QComboBox* Com_Cx;
    QComboBox* Com_Fx;
    QRadioButton* Rad_Wzf;
    QRadioButton* Rad_Yzf;
    QPushButton* BitBtn_find;
    QPushButton* BBtn_Print;
    QTableView* DBGrid1;
};
