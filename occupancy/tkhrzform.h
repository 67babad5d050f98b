#pragma once
#include <QDialog>

class LookupField;
class QDateEdit;
class QLineEdit;
class QPushButton;
class QTableView;

// 客户入住管理: checks a registered tenant into a room, one row of Zf_Rz with
// status "1". The tenant and the room are found with popup lookup fields;
// the database's keys decide whether the room and the tenant exist and
// whether the room is still free.
class TKhrzForm : public QDialog {
    Q_OBJECT
public:
    explicit TKhrzForm(QWidget* parent = nullptr);
    ~TKhrzForm() override;

    LookupField& tenantLookup() const { return *m_tenant; }
    LookupField& roomLookup() const { return *m_room; }

private slots:
    void bitbtn_RzClick();
    void bitbtn_quitClick();

private:
    void FormCreate();
    void checkIn();
    // Why the database refused the check-in, in words for the operator;
    // empty when none of the usual reasons applies.
    QString failureReason() const;

    QLineEdit* Ed_Khbh;
    QPushButton* bitbtn_Rz;
    QPushButton* bitbtn_quit;
    QLineEdit* Ed_FJbh;
    QDateEdit* DT_begin;
    QDateEdit* DT_end;
    QTableView* DBGrid2;
    QTableView* DBGrid1;
    LookupField* m_tenant;
    LookupField* m_room;
};
