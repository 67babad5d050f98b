#pragma once
#include "query.h"

#include <QDialog>

class CompletingSearchEdit;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTableView;
class QueryModel;

// 退房管理: ends a let. The let is found by the room number or the tenant's
// mnemonic code; saving writes the check-out row to zf_tf with the deposit
// charged for this let as the amount returned, and frees the room by
// deleting its occupancy, both in one transaction. The list shows every
// completed check-out.
class TTfglForm : public QDialog {
    Q_OBJECT
public:
    explicit TTfglForm(QWidget* parent = nullptr);
    ~TTfglForm() override;

    Query& search() { return ADQ_Fh; }
    QueryModel& listModel() const { return *m_listModel; }
    int editMode() const { return EditMode; }

public slots:
    void bitbtn_insertClick();
    void bitbtn_postClick();
    void bitbtn_cancelClick();
    void bitbtn_quitClick();
    void DBGrid1CellClick();

private:
    void FormCreate();
    void Ed_FhChange();
    void fillFromSearch();
    void checkOut();
    void setBrowse();

    QLineEdit* Ed_bh;
    QLineEdit* Ed_Xm;
    QLineEdit* Ed_Fh;
    QLineEdit* Ed_Yj;
    QLineEdit* Ed_BeginDate;
    QComboBox* Com_status;
    QPushButton* bitbtn_insert;
    QPushButton* bitbtn_post;
    QPushButton* BBtn_Print;
    QPushButton* bitbtn_cancel;
    QPushButton* bitbtn_quit;
    QTableView* DBGrid1;

    Query ADQ_Tfgl;
    Query ADQ_Fh;
    Query ADQ_Yj;      // the deposit of the let found
    QVariant m_deposit; // what Ed_Yj shows and a save returns
    QueryModel* m_listModel;
    CompletingSearchEdit* m_roomSearch;
    int EditMode = 0;
};
