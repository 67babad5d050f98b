#pragma once
#include "readingcheck.h"

#include <QAbstractTableModel>
#include <QDate>
#include <QStringList>

#include <array>
#include <vector>

// The monthly reading sheet's rows: every let room with its tenant, last
// month's four readings and this month's four cells as the operator types
// them. Only the four cells of this month are editable; what is typed stays
// text until it is saved, so nothing is lost or reformatted.
class ReadingSheetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Columns: 房号 客户姓名 上月冷水 上月热水 上月电表 上月煤气 冷水表 热水表 电表 煤气表 本月状态
    static constexpr int kFirstTyped = 6;
    static constexpr int kStatusColumn = kFirstTyped + kMeterCount;

    struct Row {
        QString fangno;
        QString manname;
        std::array<QString, kMeterCount> last;  // last month's readings as shown
        std::array<QString, kMeterCount> typed; // this month's cells
        bool readThisMonth = false;
        ReadingAnomaly anomaly = ReadingAnomaly::None;
    };

    explicit ReadingSheetModel(QObject* parent = nullptr);

    // Reads the let rooms, last month's readings and which rooms have a
    // reading in this month's table (months by the given day). Throws DbError.
    void load(const QDate& today);

    const std::vector<Row>& rows() const { return m_rows; }
    const ReadingHistory& history() const { return m_history; }
    // A row with at least one typed cell.
    static bool isTyped(const Row& row);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    void judge(Row& row) const;

    std::vector<Row> m_rows;
    ReadingHistory m_history;
};
