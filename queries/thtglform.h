#pragma once
#include "query.h"

#include <QDialog>

class QDateEdit;
class QLabel;
class QPushButton;
class QTableView;
class QueryModel;

// 合同管理: every current let as a lease - room, tenant, start, agreed end,
// the room's rent and deposit, and the days left. Leases past their end and
// those ending within 30 days come first. 续租 sets a new agreed end for
// the chosen lease; check-in and check-out are not touched.
class THtglForm : public QDialog {
    Q_OBJECT
public:
    explicit THtglForm(QWidget* parent = nullptr);
    ~THtglForm() override;

    Query& reportQuery() { return ADQ_Htgl; }

    // Leases ending within this many days are shown first.
    static constexpr int kSoonDays = 30;

private slots:
    void bitbtn_xzClick();
    void BBtn_PrintClick();

private:
    void openList();
    void rowChosen();

    Query ADQ_Htgl;
    QueryModel* m_model;
    QDateEdit* DT_newEnd;
    QLabel* Lb_lease;
    QPushButton* bitbtn_xz;
    QPushButton* BBtn_Print;
    QPushButton* bitbtn_quit;
    QTableView* DBGrid1;
};
