#pragma once
#include "query.h"

#include <QDialog>

class NavigatorBar;
class QComboBox;
class QLineEdit;
class QTableView;
class RecordMaintenance;

// 出租房基本情况: the room register, one row of Zf_Fangjian per room. Every
// save stamps the room with the refuse fee (the price of charge item 4) read
// when the screen opened.
class TFangBasicForm : public QDialog {
    Q_OBJECT
public:
    explicit TFangBasicForm(QWidget* parent = nullptr);
    ~TFangBasicForm() override;

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

    QLineEdit* Ed_Fh;
    QLineEdit* Ed_Mj;
    QComboBox* Com_Fx;
    QComboBox* Com_Cx;
    QLineEdit* Ed_Sb;
    QLineEdit* Ed_Yz;
    QLineEdit* Ed_Yj;
    QLineEdit* Ed_Ljf;
    NavigatorBar* DBNavigator1;
    QTableView* DBGrid1;
    Query ADQ_Ljf;
    RecordMaintenance* m_cycle;
};
