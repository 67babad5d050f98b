#pragma once
#include <QDialog>

class NavigatorBar;
class QComboBox;
class QLineEdit;
class QTableView;
class RecordMaintenance;

// 收费项目管理: the charge items and their unit prices (Zf_Dj). Items 1 to 4
// are read elsewhere by number (cold water, hot water, electricity, refuse
// fee), so items are never deleted here and the number is never written.
class TDanJiaForm : public QDialog {
    Q_OBJECT
public:
    explicit TDanJiaForm(QWidget* parent = nullptr);
    ~TDanJiaForm() override;

    RecordMaintenance& cycle() const { return *m_cycle; }

public slots: // connected by connectMaintenanceButtons
    void bitbtn_insertClick();
    void bitbtn_modifyClick();
    void bitbtn_deleteClick();
    void bitbtn_postClick();
    void bitbtn_cancelClick();
    void bitbtn_quitClick();
    void DBGrid1CellClick();

private:
    void FormCreate();

    QLineEdit* Ed_bh;
    QLineEdit* Ed_Name;
    QComboBox* Com_Dw;
    QLineEdit* Ed_Dj;
    NavigatorBar* DBNavigator1;
    QTableView* DBGrid1;
    RecordMaintenance* m_cycle;
};
