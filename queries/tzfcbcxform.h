#pragma once
#include "query.h"

#include <QDialog>

class QDateEdit;
class QLineEdit;
class QPushButton;
class QTableView;
class QueryModel;

// 租房抄表查询: the readings of one room (by the beginning of its number) or
// of every room over a range of months, one row per reading with the usage
// of each meter since the month before. Reads only; the grid exports, and
// 打印 prints the reading list.
class TZfCbCxForm : public QDialog {
    Q_OBJECT
public:
    explicit TZfCbCxForm(QWidget* parent = nullptr);
    ~TZfCbCxForm() override;

    Query& reportQuery() { return ADQ_Cbcx; }
    // The statement a search over these months runs, or empty when none of
    // their reading tables exists. Public so the statement test can run it.
    static QString searchSql(const QDate& from, const QDate& to, const QStringList& tables);

    // The longest range a search covers, in months.
    static constexpr int kMaxMonths = 36;

private slots:
    void BitBtn_findClick();
    void BBtn_PrintClick();

private:
    Query ADQ_Cbcx;
    QueryModel* m_model;
    QLineEdit* Ed_Fh;
    QDateEdit* DT_begin;
    QDateEdit* DT_end;
    QPushButton* BitBtn_find;
    QPushButton* BBtn_Print;
    QPushButton* bitbtn_quit;
    QTableView* DBGrid1;
};
