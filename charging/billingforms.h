#pragma once
// The month's billing run, payments against a tenant's charges and the
// tenant's account: three screens of the charges menu.
#include "billing.h"
#include "decimal.h"
#include "query.h"

#include <QDialog>

class QComboBox;
class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class CompletingSearchEdit;

// 生成本月账单: proposes every let room's charges of a month (apart: the rooms
// that cannot be billed and why), writes them unpaid with progress, and
// prints the month's bills.
class TBillRunForm : public QDialog {
    Q_OBJECT
public:
    explicit TBillRunForm(QWidget* parent = nullptr);

    const Billing::Proposal& proposal() const { return m_proposal; }
    // Prints every let room's bill of the month into the PDF file, one or
    // (每张纸两份) two to an A4 sheet.
    void printBills(const QString& path);

public slots:
    void BBtn_PreviewClick();
    void BBtn_WriteClick();
    void BBtn_PrintBillsClick();

private:
    QDateEdit* DT_Month;
    QTableWidget* Grid_Charges;
    QTableWidget* Grid_Refused;
    QLabel* Lab_Summary;
    QPushButton* BBtn_Write;
    QCheckBox* CB_TwoPerSheet;
    Billing::Proposal m_proposal;
};

// A tenant found by number or mnemonic code as it is typed.
class TenantSearch : public QObject {
    Q_OBJECT
public:
    TenantSearch(QWidget* screen, QLineEdit* edit, QLabel* name);
    QString tenant() const { return m_tenant; }
signals:
    void found(const QString& tenant);

private:
    void search();
    QLineEdit* m_edit;
    QLabel* m_name;
    Query m_query;
    QString m_tenant;
};

// 收款管理: the tenant's unsettled charges and total owed, a payment taken
// against them oldest first, its receipt, and reversal with a reason.
class TPaymentForm : public QDialog {
    Q_OBJECT
public:
    explicit TPaymentForm(QWidget* parent = nullptr);

    qint64 lastPayment() const { return m_lastPayment; }

public slots:
    void showTenant(const QString& tenant);
    void BBtn_SaveClick();
    void BBtn_ReceiptClick();
    void BBtn_ReverseClick();

private:
    qint64 currentPayment() const;

    QLineEdit* Ed_Tenant;
    QLabel* Lab_Name;
    QTableWidget* Grid_Owed;
    QLabel* Lab_Total;
    QLineEdit* Ed_Amount;
    QComboBox* Com_Way;
    QLineEdit* Ed_Note;
    QTableWidget* Grid_Payments;
    QLineEdit* Ed_Reason;
    TenantSearch* m_search;
    QString m_tenant;
    qint64 m_lastPayment = 0;
};

// 客户账户: the tenant's ledger with the running balance; a statement of a
// period printed, the list exported.
class TLedgerForm : public QDialog {
    Q_OBJECT
public:
    explicit TLedgerForm(QWidget* parent = nullptr);

public slots:
    void showTenant(const QString& tenant);
    void BBtn_StatementClick();

private:
    QLineEdit* Ed_Tenant;
    QLabel* Lab_Name;
    QDateEdit* DT_From;
    QDateEdit* DT_To;
    QTableWidget* Grid_Ledger;
    QLabel* Lab_Balance;
    TenantSearch* m_search;
    QString m_tenant;
};
