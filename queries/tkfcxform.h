#pragma once
#include "query.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QTableView;
class QueryModel;

// 客户基本情况查询: looks tenants up by number or mnemonic code, as one
// types (模糊查询, by prefix) or exactly with 查  询. Reads only.
class TKfCxForm : public QDialog {
    Q_OBJECT
public:
    explicit TKfCxForm(QWidget* parent = nullptr);
    ~TKfCxForm() override;

    // The result the print button prints: the last search's rows.
    Query& reportQuery() { return ADQ_Kfcx; }

private slots:
    void Ed_KfbhChange();
    void BitBtn1Click();
    void BBtn_PrintClick();
    void bitbtn_quitClick();

private:
    void search(const QString& pattern);

    Query ADQ_Kfcx;
    QueryModel* m_model;
    QLineEdit* Ed_Kfbh;
    QCheckBox* Chk;
    QPushButton* BitBtn1;
    QPushButton* BBtn_Print;
    QPushButton* bitbtn_quit;
    QTableView* DBGrid1;
};
