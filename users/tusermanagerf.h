#pragma once
#include <QDialog>

class QCheckBox;
class QLineEdit;
class QTableView;
class RecordMaintenance;

// 用户管理: the users who may log in, their passwords and their four rights.
// There is no 修改 button: a double click on a user starts a modification,
// and a single click only moves the current row.
class TUserManagerF : public QDialog {
    Q_OBJECT
public:
    explicit TUserManagerF(QWidget* parent = nullptr);
    ~TUserManagerF() override;

    RecordMaintenance& cycle() const { return *m_cycle; }

private slots:
    void DBGd_browseDblClick();
    void bitbtn_insertClick();
    void bitbtn_deleteClick();
    void bitbtn_postClick();
    void bitbtn_cancelClick();
    void bitbtn_quitClick();

private:
    void FormCreate();

    QLineEdit* Ed_userzcm;
    QLineEdit* Ed_username;
    QLineEdit* Ed_password;
    QCheckBox* Chk_Sjcl;
    QCheckBox* Chk_Xfgl;
    QCheckBox* Chk_Cstj;
    QCheckBox* Chk_Xtwf;
    QTableView* DBGd_browse;
    RecordMaintenance* m_cycle;
};
