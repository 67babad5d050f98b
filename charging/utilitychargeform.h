#pragma once
#include "maintenance.h"
#include "query.h"
#include "readingcheck.h"
#include "readingseries.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <optional>

class CompletingSearchEdit;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QPushButton;
class QTableView;
class RecordMaintenance;
class TGjcxForm;

// A utility charging screen: finds a let (a current one, or one that ended
// for a tenant who left), the interval of its room's readings of one meter
// that the charge covers (the latest reading and the one before it, across
// months and meter changes), proposes usage × unit price as the amount due,
// and saves one charge row per interval. Cold water, hot water and
// electricity are the same screen configured by a UtilityKind.
struct UtilityKind {
    const char* className;
    QString caption;
    QString priceSql;      // the unit price, read once per screen
    QString earlierColumn; // the earlier reading in the search result (lsb)
    QString laterColumn;   // the later one (bylsb)
    QString priceColumn;   // unit-price column of the list (lsdj)
    QString listSql;
    QString insertSql;
    QString updateSql;
    QString querySql; // the list's statement before the query dialog's condition
    // The hot-water and electricity screens leave 修改 enabled while editing;
    // the cold-water screen disables it until the screen is back in browse.
    bool modifyWhileEditing = true;
    // Enter in the room edit puts the focus back into it (electricity).
    bool focusAfterEnter = false;
    std::function<TGjcxForm*(QWidget*)> queryDialog;
    void (*printReceipt)(Query& list, QWidget* parent); // the current row's receipt
    int table;   // ChargeMoney::Table
    Meter meter; // the meter read for this utility
};

class UtilityChargeForm : public QDialog {
    Q_OBJECT
public:
    UtilityChargeForm(const UtilityKind& kind, QWidget* parent);
    ~UtilityChargeForm() override;

    // The list of charges as it stands (statement, rows, current row), for
    // the receipt.
    Query& list();
    // Makes the charge with that ID the list's current row, narrowing the
    // list to it when the list does not hold it (arrears open a charge so).
    void showChargeRow(int id);
    // The result of the last search: the reading pair the fields show.
    Query& search() { return m_search; }
    int editMode() const;

public slots:
    void bitbtn_insertClick();
    void bitbtn_modifyClick();
    void bitbtn_postClick();
    void bitbtn_cancelClick();
    void BBtn_PrintClick();
    void BitBtn_findClick();
    void BBtn_VoidClick();

private:
    void FormCreate();
    // The search step, run on every change of the room edit.
    void Ed_FhChange();
    void FindReadings(const QString& pattern);
    qint64 writeCharge(bool inserting);
    void updateButtons();
    void ShowCharge();
    void markUsage(bool found, const QString& usage);
    std::optional<ReadingHistory> m_history; // of m_historyRoom
    QString m_historyRoom;
    // What the cycle's load leaves to the screen: the payment date and the
    // keys of the row loaded.
    void loadCurrentRow();
    void updateModifyButton();
    void refuseSearch(const QString& notice);

    UtilityKind m_kind;
    QLineEdit* Ed_Fh;
    QLineEdit* Ed_Bh;
    QLineEdit* Ed_Xm;
    QLineEdit* Ed_Sycbrq;
    QLineEdit* Ed_Sybd;
    QLineEdit* Ed_Bybd;
    QLineEdit* Ed_Sys;
    QLineEdit* Ed_Dj;
    QLineEdit* Ed_Yfj;
    QLineEdit* Ed_Sfj;
    QDateEdit* DT_Jkrq;
    QComboBox* Com_Status;
    QLineEdit* Ed_rq;
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
    Query m_search; // the lets matching the room edit; the current row is the one found
    Query m_price;  // opened at the first search, kept while the screen lives

    // The keys of the reading pair the last search found (or of the row
    // 修改 loaded); empty when it found nothing. A charge is stored with
    // these, never with the raw text of the room edit.
    QString m_foundRoom;
    QString m_foundTenant;
    // The readings the charge covers, as the last search found them.
    std::optional<ReadingInterval> m_interval;
    bool m_letEnded = false;
    std::vector<RecordMaintenance::Param> m_insertParams;
    std::vector<RecordMaintenance::Param> m_updateParams;
};

class TLsSfForm : public UtilityChargeForm { // cold water
    Q_OBJECT
public:
    explicit TLsSfForm(QWidget* parent = nullptr);
};

class TRsSfForm : public UtilityChargeForm { // hot water
    Q_OBJECT
public:
    explicit TRsSfForm(QWidget* parent = nullptr);
};

class TYdSfForm : public UtilityChargeForm { // electricity
    Q_OBJECT
public:
    explicit TYdSfForm(QWidget* parent = nullptr);
};
