#pragma once
#include "query.h"

#include <QDialog>

class QDateEdit;
class QLineEdit;
class QPushButton;
class QTableView;
class QueryModel;

// 作废收费查询: the charges voided between two days, with who voided each,
// when and why, found by room, tenant number or mnemonic code. Reads only.
class TZfsfCxForm : public QDialog {
    Q_OBJECT
public:
    explicit TZfsfCxForm(QWidget* parent = nullptr);
    ~TZfsfCxForm() override;

    Query& result() { return ADQ_Zfsf; }

private slots:
    void BitBtn_findClick();

private:
    Query ADQ_Zfsf;
    QueryModel* m_model;
    QLineEdit* Ed_Fh;
    QDateEdit* Dt_begin;
    QDateEdit* Dt_end;
    QPushButton* BitBtn_find;
    QTableView* DBGrid1;
};
