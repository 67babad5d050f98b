#pragma once
#include "readingcheck.h"

#include <QAbstractTableModel>
#include <QDate>
#include <QStringList>

class Connection;

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
        ReadingAnomaly anomaly = ReadingAnomaly::None; // the worst of the four
        std::array<ReadingAnomaly, kMeterCount> meterAnomaly{};
    };

    explicit ReadingSheetModel(QObject* parent = nullptr);

    // Reads the let rooms, last month's readings and which rooms have a
    // reading in this month's table (months by the given day). Throws DbError.
    void load(const QDate& today);

    const std::vector<Row>& rows() const { return m_rows; }
    // Marks rooms found read this month after the sheet was loaded.
    void markRead(const QStringList& rooms);
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

// One room's row as the sheet stores it: a meter left blank is not read and
// is stored empty (NULL), never as 0.
struct SheetReading {
    QString fangno;
    std::array<QString, kMeterCount> typed;
    // The operator agreed to a second reading of the month for this room.
    bool secondAllowed = false;
};

struct SheetStoreResult {
    int written = 0;
    // Rooms that have a reading this month although no second one was
    // agreed to (another desk read them after the sheet was loaded). When
    // there are any, nothing at all was written.
    QStringList readMeanwhile;
};

// Writes the readings into the month table in one transaction on the given
// connection. A room without a second reading agreed to is written only
// when the table has no reading of it, which the insert itself checks, so
// two desks saving at once can never both give a room its second reading.
// Throws DbError (nothing written).
SheetStoreResult storeSheetReadings(Connection& connection, const QString& table, const QDate& date,
                                    const std::vector<SheetReading>& readings);
