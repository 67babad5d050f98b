#pragma once
#include "checkoutsettlement.h"
#include "query.h"

#include <QDialog>

#include <optional>

class CompletingSearchEdit;
class QComboBox;
class QLineEdit;
class QPushButton;
class QStandardItemModel;
class QTableView;
class QueryModel;

// 退房管理: ends a let and settles it. The let is found by the room number
// or the tenant's mnemonic code; the screen shows the deposit received in
// this let and what the tenant still owes, takes the final readings (which
// add the last utility charges) and a deduction with its reason, and
// proposes the refund. Saving frees the room, stores the readings and the
// final charges, settles the charges from the deposit oldest first, and
// writes the check-out row with the refund paid, all in one transaction.
// "&P打印" prints the settlement of the check-out the list stands on. The
// list shows every completed check-out.
class TTfglForm : public QDialog {
    Q_OBJECT
public:
    explicit TTfglForm(QWidget* parent = nullptr);
    ~TTfglForm() override;

    Query& search() { return ADQ_Fh; }
    Query& list() { return ADQ_Tfgl; }
    QueryModel& listModel() const { return *m_listModel; }
    int editMode() const { return EditMode; }
    // The settlement shown, when a let was found.
    const std::optional<Settlement>& settlement() const { return m_settlement; }

public slots:
    void bitbtn_insertClick();
    void bitbtn_postClick();
    void bitbtn_cancelClick();
    void bitbtn_quitClick();
    void BBtn_PrintClick();
    void DBGrid1CellClick();

private:
    void FormCreate();
    void Ed_FhChange();
    void fillFromSearch();
    void showSettlement();
    // The typed final readings and deduction taken into the settlement;
    // false (with the field named) when one is not a number.
    bool takeTyped(QLineEdit** wrong = nullptr);
    bool checkTyped();
    void checkOut();
    void setBrowse();
    void updatePrint();

    QLineEdit* Ed_bh;
    QLineEdit* Ed_Xm;
    QLineEdit* Ed_Fh;
    QLineEdit* Ed_Yj;
    QLineEdit* Ed_BeginDate;
    QComboBox* Com_status;
    QLineEdit* Ed_TfLsb; // final readings: cold water, hot water, electricity, gas
    QLineEdit* Ed_TfRsb;
    QLineEdit* Ed_TfDb;
    QLineEdit* Ed_TfMqb;
    QLineEdit* Ed_Kk;      // deduction
    QLineEdit* Ed_Kkyy;    // its reason
    QLineEdit* Ed_Qf;      // owed in all
    QLineEdit* Ed_Tk;      // refund
    QTableView* DBGrid_Qf; // the charges settled
    QStandardItemModel* m_owedModel;
    QPushButton* bitbtn_insert;
    QPushButton* bitbtn_post;
    QPushButton* BBtn_Print;
    QPushButton* bitbtn_cancel;
    QPushButton* bitbtn_quit;
    QTableView* DBGrid1;

    Query ADQ_Tfgl;
    Query ADQ_Fh;
    std::optional<Settlement> m_settlement;
    QueryModel* m_listModel;
    CompletingSearchEdit* m_roomSearch;
    int EditMode = 0;
};
