#pragma once
#include "maintenance.h"
#include "query.h"

#include <QDate>

#include <QDialog>
#include <QString>

class CompletingSearchEdit;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QPushButton;
class QTableView;
class RecordMaintenance;

// 房租收费管理: records rent payments in Zf_Zujin. The room search fills in
// the tenant, the room's rent and refuse fee and, on the tenant's first
// rent row only, the room's deposit; their sum is proposed as the amount
// due and received.
class TZjglForm : public QDialog {
    Q_OBJECT
public:
    explicit TZjglForm(QWidget* parent = nullptr);
    ~TZjglForm() override;

    // The list of payments as it stands (statement, rows, current row), for
    // the receipt.
    Query& list();
    // Makes the charge with that ID the list's current row, narrowing the
    // list to it when the list does not hold it (arrears open a charge so).
    void showChargeRow(int id);
    Query& search() { return m_search; }
    int editMode() const;

public slots:
    void bitbtn_insertClick();
    void bitbtn_modifyClick();
    void bitbtn_postClick();
    void bitbtn_cancelClick();
    void BBtn_PrintClick();
    void BitBtn_findClick();
    void DBGrid1DblClick();
    void Ed_YjChange();
    void BBtn_VoidClick();

private:
    void FormCreate();
    void Ed_fhChange();
    void DecideDeposit();
    void LoadCurrentRow();

    QLineEdit* Ed_fh;
    QLineEdit* Ed_bh;
    QLineEdit* Ed_xm;
    QLineEdit* Ed_Yj;
    QLineEdit* Ed_yz;
    QLineEdit* Ed_Ljf;
    QLineEdit* Ed_yfzj;
    QLineEdit* Ed_sszj;
    QDateEdit* DT_Jkrq;
    QLineEdit* Ed_begindate;
    QDateEdit* Dt_EndDate;
    QComboBox* Com_status;
    QPushButton* bitbtn_insert;
    QPushButton* bitbtn_modify;
    QPushButton* bitbtn_post;
    QPushButton* bitbtn_cancel;
    QPushButton* BBtn_Print;
    QPushButton* BitBtn_find;
    QPushButton* BBtn_Void;
    QTableView* DBGrid1;

    RecordMaintenance* m_cycle;
    CompletingSearchEdit* m_roomEdit;
    Query m_search;  // the let rooms matching the room edit
    Query m_deposit; // the tenant's earlier rent rows

    // The keys of the occupancy the last search found (or of the row
    // loaded); empty when it found none. A payment is stored with these,
    // never with the raw text of the room edit.
    QString m_foundRoom;
    QString m_foundTenant;
    // The end of the let found, when it has ended (zf_tf); null for a
    // current let.
    QDate m_letEnd;
    bool m_loading = false; // a stored row is being loaded
    std::vector<RecordMaintenance::Param> m_insertParams;
    std::vector<RecordMaintenance::Param> m_updateParams;
};
