#pragma once
#include "query.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QueryModel;

// 欠费查询: every charge not yet paid (rent and the three utilities), one
// line per tenant and room with what is still due of each kind, the oldest
// unpaid date and the tenant's total over all rooms; below it the unpaid
// charges of the chosen line. A tenant who has left keeps the arrears.
// Double clicking a charge asks for its charging screen on that row.
class TQfCxForm : public QDialog {
    Q_OBJECT
public:
    // Charge kinds as the detail list gives them.
    enum Kind { Rent = 1, ColdWater = 2, HotWater = 3, Electricity = 4 };

    explicit TQfCxForm(QWidget* parent = nullptr);

    Query& summary() { return ADQ_Qf; }
    Query& details() { return ADQ_Qfmx; }
    // "欠费合计：… 元，… 位客户，共 … 笔" for the lines shown.
    QString totalsText() const;

signals:
    // A charge row chosen in the detail list: its kind and its ID.
    void openCharge(int kind, int id);

public slots:
    void BitBtn_findClick();
    void BBtn_PrintClick();
    void DBGrid2DblClick();

private:
    void showDetails();

    Query ADQ_Qf;
    Query ADQ_Qfmx;
    QueryModel* m_summary;
    QueryModel* m_details;
    QLineEdit* Ed_Fh;
    QLabel* Lab_total;
    QPushButton* BitBtn_find;
    QPushButton* BBtn_Print;
    QPushButton* bitbtn_quit;
    QTableView* DBGrid1;
    QTableView* DBGrid2;
};
