#pragma once
#include "query.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableView;
class QueryModel;

// 客户在住情况查询: current lettings (未退房, from Zf_Rz) or past ones
// (已退房, from zf_tf) with their tenants, searched by room number or
// mnemonic prefix. Reads only.
class TZfKfCxForm : public QDialog {
    Q_OBJECT
public:
    explicit TZfKfCxForm(QWidget* parent = nullptr);
    ~TZfKfCxForm() override;

    // The result the print button prints: the last list or search.
    Query& reportQuery() { return ADQ_Kfcx; }

private slots:
    void Rad_WtfClick();
    void Rad_YtfClick();
    void Ed_FhChange();
    void BitBtn_findClick();
    void BBtn_PrintClick();

private:
    void showList(const QString& sql);
    void setSearch();

    Query ADQ_Kfcx;
    QueryModel* m_model;
    QLineEdit* Ed_Fh;
    QCheckBox* Chk;
    QRadioButton* Rad_Wtf;
    QRadioButton* Rad_Ytf;
    QPushButton* BitBtn_find;
    QPushButton* BBtn_Print;
    QTableView* DBGrid1;
};
