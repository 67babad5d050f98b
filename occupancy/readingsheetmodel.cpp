#include "readingsheetmodel.h"

#include "connection.h"
#include "monthlytables.h"
#include "query.h"
#include "sqlcatalog.h"

#include <QBrush>
#include <QColor>
#include <QSet>

namespace {

// clang-format off
const QString kLetRoomsSql = catalogSql("ReadingSheet let rooms", QStringList{
    "SELECT A.fangno, B.manname FROM dbo.Zf_Rz A INNER JOIN dbo.Zf_Man B ON A.manid = B.manid",
    "ORDER BY A.fangno"});
// clang-format on

QString readThisMonthSql(const QString& table)
{
    return QStringLiteral("select distinct fangno from ") + table;
}
// A second reading of the month, agreed to.
QString insertSql(const QString& table)
{
    return QStringList{QStringLiteral("insert ") + table + QStringLiteral("(fangno,cbrq,lsb,rsb,db,mqb)"),
                       QStringLiteral("values (:fangno,:cbrq,:lsb,:rsb,:db,:mqb)")}
        .join(QLatin1Char('\n'));
}

// The month's first reading of a room: written only while the table holds
// none, so the row count tells whether another desk was first.
QString insertFirstSql(const QString& table)
{
    return QStringList{QStringLiteral("insert ") + table + QStringLiteral("(fangno,cbrq,lsb,rsb,db,mqb)"),
                       QStringLiteral("select :fangno,:cbrq,:lsb,:rsb,:db,:mqb"),
                       QStringLiteral("where not exists (select ID from ") + table +
                           QStringLiteral(" where fangno = :room)")}
        .join(QLatin1Char('\n'));
}

[[maybe_unused]] const bool kSampled =
    catalogSample("ReadingSheet read this month", readThisMonthSql(QStringLiteral("zf_Biaodi202403"))) &&
    catalogSample("ReadingSheet insert", insertSql(QStringLiteral("zf_Biaodi202403"))) &&
    catalogSample("ReadingSheet insert first of the month", insertFirstSql(QStringLiteral("zf_Biaodi202403")));

const QStringList kTitles{"房号", "客户姓名", "上月冷水", "上月热水", "上月电表", "上月煤气",
                          "冷水表", "热水表", "电表", "煤气表", "本月状态"};

std::optional<double> typedValue(const QString& text)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    return ok ? std::optional<double>(v) : std::nullopt;
}

} // namespace

ReadingSheetModel::ReadingSheetModel(QObject* parent) : QAbstractTableModel(parent) {}

void ReadingSheetModel::load(const QDate& today)
{
    std::vector<Row> rows;
    Query rooms;
    rooms.setSql(kLetRoomsSql);
    rooms.open();
    for (bool more = rooms.first(); more; more = rooms.next())
        rows.push_back({rooms.text(QStringLiteral("fangno")), rooms.text(QStringLiteral("manname")), {}, {}, false,
                        ReadingAnomaly::None, {}});

    ReadingHistory history = ReadingHistory::load(today);
    QSet<QString> read;
    SetBiaodiName(today.year(), today.month());
    EnsureBiaodiTable(BiaodiName);
    Query thisMonth;
    thisMonth.setSql(readThisMonthSql(BiaodiName));
    thisMonth.open();
    for (bool more = thisMonth.first(); more; more = thisMonth.next())
        read.insert(thisMonth.text(QStringLiteral("fangno")).trimmed().toUpper());

    for (Row& row : rows) {
        for (int i = 0; i < kMeterCount; ++i)
            if (const auto last = history.lastReading(row.fangno, Meter(i)))
                row.last[i] = QString::number(*last, 'g', 15);
        row.readThisMonth = read.contains(row.fangno.trimmed().toUpper());
    }
    beginResetModel();
    m_rows = std::move(rows);
    m_history = std::move(history);
    endResetModel();
}

bool ReadingSheetModel::isTyped(const Row& row)
{
    for (const QString& cell : row.typed)
        if (!cell.trimmed().isEmpty())
            return true;
    return false;
}

void ReadingSheetModel::markRead(const QStringList& rooms)
{
    for (int r = 0; r < int(m_rows.size()); ++r) {
        for (const QString& room : rooms) {
            if (m_rows[r].fangno.trimmed().compare(room.trimmed(), Qt::CaseInsensitive) == 0) {
                m_rows[r].readThisMonth = true;
                emit dataChanged(index(r, 0), index(r, kStatusColumn));
            }
        }
    }
}

void ReadingSheetModel::judge(Row& row) const
{
    row.anomaly = ReadingAnomaly::None;
    for (int i = 0; i < kMeterCount; ++i) {
        const auto reading = typedValue(row.typed[i]);
        row.meterAnomaly[i] = reading ? m_history.judge(row.fangno, Meter(i), *reading) : ReadingAnomaly::None;
        if (row.meterAnomaly[i] == ReadingAnomaly::BelowLastMonth ||
            (row.meterAnomaly[i] != ReadingAnomaly::None && row.anomaly == ReadingAnomaly::None))
            row.anomaly = row.meterAnomaly[i];
    }
}

int ReadingSheetModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(m_rows.size()); }

int ReadingSheetModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kTitles.size(); }

QVariant ReadingSheetModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const Row& row = m_rows[index.row()];
    const int c = index.column();
    if (role == Qt::DisplayRole || role == Qt::EditRole) {
        if (c == 0)
            return row.fangno;
        if (c == 1)
            return row.manname;
        if (c < kFirstTyped)
            return row.last[c - 2];
        if (c < kStatusColumn)
            return row.typed[c - kFirstTyped];
        QStringList status;
        if (row.readThisMonth)
            status << QStringLiteral("本月已抄");
        if (row.anomaly != ReadingAnomaly::None)
            status << anomalyNote(row.anomaly);
        return status.join(QStringLiteral("，"));
    }
    if (role == Qt::TextAlignmentRole && c >= 2 && c < kStatusColumn)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    if (role == Qt::BackgroundRole) {
        if (c >= kFirstTyped && c < kStatusColumn && row.meterAnomaly[c - kFirstTyped] != ReadingAnomaly::None)
            return QBrush(QColor(0xff, 0xd6, 0xd6));
        if (row.anomaly != ReadingAnomaly::None && c == kStatusColumn)
            return QBrush(QColor(0xff, 0xd6, 0xd6));
        if (c >= kFirstTyped && c < kStatusColumn)
            return QBrush(Qt::white);
        if (row.readThisMonth)
            return QBrush(QColor(0xe4, 0xf2, 0xe4));
        return QBrush(QColor(0xf3, 0xf3, 0xf3));
    }
    if (role == Qt::ToolTipRole && c == kStatusColumn && row.anomaly != ReadingAnomaly::None)
        return anomalyNote(row.anomaly);
    return {};
}

bool ReadingSheetModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    Row& row = m_rows[index.row()];
    row.typed[index.column() - kFirstTyped] = value.toString().trimmed();
    judge(row);
    emit dataChanged(this->index(index.row(), kFirstTyped), this->index(index.row(), kStatusColumn));
    return true;
}

QVariant ReadingSheetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return kTitles.value(section);
    if (orientation == Qt::Vertical && role == Qt::DisplayRole)
        return section + 1;
    return {};
}

Qt::ItemFlags ReadingSheetModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() >= kFirstTyped && index.column() < kStatusColumn)
        f |= Qt::ItemIsEditable;
    return f;
}

SheetStoreResult storeSheetReadings(Connection& connection, const QString& table, const QDate& date,
                                    const std::vector<SheetReading>& readings)
{
    SheetStoreResult result;
    if (connection.inTransaction())
        connection.rollback();
    // The write lock from the start: what the inserts check still holds
    // when they write.
    connection.beginWriteTransaction();
    try {
        Query again(connection);
        again.setSql(insertSql(table));
        Query first(connection);
        first.setSql(insertFirstSql(table));
        for (const SheetReading& reading : readings) {
            Query& insert = reading.secondAllowed ? again : first;
            insert.setText(QStringLiteral("fangno"), reading.fangno, 8);
            if (!reading.secondAllowed)
                insert.setText(QStringLiteral("room"), reading.fangno, 8);
            insert.setDateTime(QStringLiteral("cbrq"), QDateTime(date, QTime(0, 0)));
            for (int i = 0; i < kMeterCount; ++i) {
                const QString cell = reading.typed[i].trimmed();
                if (cell.isEmpty())
                    insert.setNull(meterColumn(Meter(i)), ParamKind::Decimal);
                else
                    insert.setDecimal(meterColumn(Meter(i)), cell);
            }
            if (insert.exec() == 0)
                result.readMeanwhile << reading.fangno;
            else
                ++result.written;
        }
        if (!result.readMeanwhile.isEmpty()) {
            connection.rollback();
            result.written = 0;
            return result;
        }
        connection.commit();
    } catch (...) {
        if (connection.inTransaction())
            connection.rollback();
        throw;
    }
    return result;
}
