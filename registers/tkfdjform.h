#pragma once
#include <QDialog>

class QComboBox;
class QLineEdit;
class QTableView;
class RecordMaintenance;

// 客户基本资料登记: the tenant register, one row of Zf_Man per tenant. The
// mnemonic code zjm is never typed; every save works it out from the name.
class TKfdjForm : public QDialog {
    Q_OBJECT
public:
    explicit TKfdjForm(QWidget* parent = nullptr);
    ~TKfdjForm() override;

    RecordMaintenance& cycle() const { return *m_cycle; }

public slots: // connected by connectMaintenanceButtons
    void bitbtn_insertClick();
    void bitbtn_modifyClick();
    void bitbtn_deleteClick();
    void bitbtn_postClick();
    void bitbtn_cancelClick();
    void bitbtn_quitClick();
    void DBGrid2CellClick();

private:
    void FormCreate();

    QLineEdit* Ed_Kubh;
    QLineEdit* Ed_Xm;
    QComboBox* Com_Xb;
    QLineEdit* Ed_Sfzh;
    QLineEdit* Ed_Dz;
    QLineEdit* Ed_Lxdh;
    QLineEdit* Ed_Dw;
    QTableView* DBGrid2;
    RecordMaintenance* m_cycle;
};
