#pragma once
#include "readingcheck.h"

#include <QDialog>
#include <QVariant>

#include <optional>
#include <QString>

class LookupField;
class QDateEdit;
class QLineEdit;
class QPushButton;
class QTableView;
class RecordMaintenance;

// 抄表管理: the monthly meter readings. Each reading is one row of this
// month's table zf_BiaodiYYYYMM (named from the clock at the moment of
// saving); the list shows this month's readings of let rooms with their
// occupant. A reduced maintenance cycle: 新增 and 修改, no delete.
class TCbglForm : public QDialog {
    Q_OBJECT
public:
    explicit TCbglForm(QWidget* parent = nullptr);
    ~TCbglForm() override;

    LookupField& roomLookup() const { return *m_room; }
    RecordMaintenance& cycle() const { return *m_cycle; }

public slots:
    void bitbtn_insertClick();
    void bitbtn_modifyClick();
    void bitbtn_postClick();
    void bitbtn_cancelClick();
    void bitbtn_quitClick();

private:
    void FormCreate();
    void openList();
    bool save();
    QString foundRoom() const;
    // Whether the list's current row holds no reading of that meter.
    bool unreadInCurrentRow(const QLineEdit* meter) const;
    // Readings that look wrong against the room's history: marked on the
    // meter edits as they are typed, and asked about once before saving.
    ReadingAnomaly markReadings();

    std::optional<ReadingHistory> m_history; // of m_historyRoom
    QString m_historyRoom;

    QLineEdit* Ed_Fh;
    QLineEdit* Ed_Db;
    QLineEdit* Ed_Lsb;
    QLineEdit* Ed_Rsb;
    QLineEdit* Ed_Mqb;
    QDateEdit* DT_Cbrq;
    QTableView* DBGrid1; // candidate grid of Ed_Fh
    QTableView* DBGrid2; // the list
    QPushButton* bitbtn_insert;
    QPushButton* bitbtn_modify;
    QPushButton* BBtn_Print;
    QPushButton* bitbtn_post;
    QPushButton* bitbtn_cancel;
    QPushButton* bitbtn_quit;
    LookupField* m_room;
    RecordMaintenance* m_cycle;
    QString m_listTable; // the monthly table the list was read from
    QVariant m_savedId;  // the reading the last save wrote
};
