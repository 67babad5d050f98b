#pragma once
#include <QDate>
#include <QDialog>
#include <QStringList>

class QDateEdit;
class QLabel;
class QPushButton;
class QTableView;
class ReadingSheetModel;

// 批量抄表: the monthly reading sheet. One grid of every let room with last
// month's readings, where the operator types this month's four readings row
// after row; Enter moves across the four cells and on to the next row. 保存
// writes every typed row into this month's reading table in one transaction;
// a meter left blank is stored as not read (empty), never as 0.
class TPlcbForm : public QDialog {
    Q_OBJECT
public:
    explicit TPlcbForm(QWidget* parent = nullptr);

    ReadingSheetModel& sheet() const { return *m_model; }

public slots:
    void bitbtn_postClick();
    void bitbtn_quitClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void reload();
    void moveToNextCell();
    // Saves what is typed; answers the rows written, -1 when nothing was.
    int save();
    // The reading date lies between the first of last month and the end of
    // next month; otherwise the operator is told and false is answered.
    bool dateAcceptable();
    void DT_CbrqEditingFinished();

    QDateEdit* DT_Cbrq;
    QTableView* DBGrid1;
    QLabel* Lab_count;
    QPushButton* bitbtn_post;
    QPushButton* bitbtn_quit;
    ReadingSheetModel* m_model;
    QDate m_acceptedDate;      // the reading date last accepted
    QStringList m_partlyRead;  // rooms the last save stored with meters unread
};
