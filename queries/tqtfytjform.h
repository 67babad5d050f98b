#pragma once
#include "query.h"

#include <QDate>
#include <QDialog>

class QDateEdit;
class QLabel;
class QPushButton;
class QTableView;
class QueryModel;

// 统计报表: how many charge rows of one kind were paid in a period and the
// sums of their money and usage columns, both ends of the period included;
// or the money received in the period by way of payment.
class TQtFyTjForm : public QDialog {
    Q_OBJECT
public:
    explicit TQtFyTjForm(QWidget* parent = nullptr);
    ~TQtFyTjForm() override;

    // What the print button prints: the one row of the last statistics, the
    // name shown above it and the period the pickers show now.
    Query& reportQuery() { return ADQ_Zjtj; }
    QString statisticsName() const;
    QDate beginDate() const;
    QDate endDate() const;

private slots:
    void Button_FWClick();
    void Button_RsClick();
    void Button_LsClick();
    void Button_YdClick();
    void Button_WayClick();
    void BBtn_PrintClick();
    void bitbtn_quitClick();

private:
    void FormCreate();
    enum class Kind { Rent, Usage, Way };
    void runStatistics(const QString& sql, const QString& name, Kind kind);

    Query ADQ_Zjtj;
    QueryModel* m_rentModel;
    QueryModel* m_usageModel;
    QueryModel* m_wayModel;
    QDateEdit* Dt_begin;
    QDateEdit* Dt_end;
    QPushButton* Button_FW;
    QPushButton* Button_Rs;
    QPushButton* Button_Ls;
    QPushButton* Button_Yd;
    QPushButton* Button_Way;
    QPushButton* BBtn_Print;
    QPushButton* bitbtn_quit;
    QLabel* Lb_ykh;
    QTableView* DBGrid_Zjtj;
    QTableView* DBGrid1;
    QTableView* DBGrid_Way;
};
