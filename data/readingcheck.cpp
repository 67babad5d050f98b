#include "readingcheck.h"

#include "connection.h"
#include "monthlytables.h"
#include "query.h"
#include "sqlcatalog.h"

#include <QSet>

#include <algorithm>
#include <vector>

namespace {

// clang-format off
const QString kMonthTablesSql = catalogSql("ReadingHistory month tables", QStringList{
    "select name from sysobjects where name like 'zf_Biaodi%'"});
// clang-format on

// The reading tables there are, by name in upper case (names are compared
// without regard to case, as the server does).
QSet<QString> monthTables()
{
    Query q;
    q.setSql(kMonthTablesSql);
    q.open();
    QSet<QString> names;
    for (bool more = q.first(); more; more = q.next())
        names.insert(q.text(QStringLiteral("name")).toUpper());
    return names;
}

// Month tables are built by name, so their statements are assembled; the
// room, when given, is a parameter.
QString latestReadingsSql(const QString& table, bool oneRoom)
{
    return QStringLiteral("select fangno, lsb, rsb, db, mqb from ") + table +
           (oneRoom ? QStringLiteral(" where fangno = :fangno") : QString()) + QStringLiteral(" order by cbrq, ID");
}
// How many readings a month table holds and its newest ID.
QString tableSizeSql(const QString& table)
{
    return QStringLiteral("select count(*) as n, max(ID) as last from ") + table;
}

[[maybe_unused]] const bool kSampled =
    catalogSample("ReadingHistory latest readings", latestReadingsSql(QStringLiteral("zf_Biaodi202403"), true)) &&
    catalogSample("ReadingHistory month table size", tableSizeSql(QStringLiteral("zf_Biaodi202403")));

using Readings = std::array<std::optional<double>, kMeterCount>;

// Each room's latest reading of each meter in one month's table (all rooms,
// or the one room given). A meter left unread in a later row (stored empty)
// keeps the reading of an earlier row.
QHash<QString, Readings> readMonth(const QString& table, const QString& room)
{
    Query q;
    q.setSql(latestReadingsSql(table, !room.isEmpty()));
    if (!room.isEmpty())
        q.setText(QStringLiteral("fangno"), room.trimmed());
    q.open();
    QHash<QString, Readings> readings;
    // Ordered by date, so the last row of a room is its latest reading.
    for (bool more = q.first(); more; more = q.next()) {
        Readings& r = readings[q.text(QStringLiteral("fangno")).trimmed().toUpper()];
        for (int i = 0; i < kMeterCount; ++i)
            if (!q.isNull(meterColumn(Meter(i))))
                r[i] = q.number(meterColumn(Meter(i)));
    }
    return readings;
}

// The median usage of one meter between two months' readings, over the rooms
// read in both; a meter that went down (replaced) says nothing about usage.
std::optional<double> medianUsage(const QHash<QString, Readings>& later,
                                  const QHash<QString, Readings>& earlier, int meter)
{
    std::vector<double> usages;
    for (auto it = later.constBegin(); it != later.constEnd(); ++it) {
        const auto before = earlier.constFind(it.key());
        if (before == earlier.constEnd())
            continue;
        const auto a = (*it)[meter];
        const auto b = (*before)[meter];
        if (a && b && *a >= *b)
            usages.push_back(*a - *b);
    }
    if (usages.empty())
        return std::nullopt;
    std::sort(usages.begin(), usages.end());
    const size_t n = usages.size();
    return n % 2 ? usages[n / 2] : (usages[n / 2 - 1] + usages[n / 2]) / 2;
}

} // namespace

QString meterColumn(Meter meter)
{
    static const char* const columns[] = {"lsb", "rsb", "db", "mqb"};
    return QLatin1String(columns[int(meter)]);
}

QString anomalyQuestion(ReadingAnomaly anomaly)
{
    switch (anomaly) {
    case ReadingAnomaly::BelowLastMonth:
        return QStringLiteral("本月读数低于上月读数，确认保存吗？");
    case ReadingAnomaly::UnusuallyHigh:
        return QStringLiteral("本月用量异常偏高，确认保存吗？");
    case ReadingAnomaly::None:
        break;
    }
    return {};
}

QString anomalyNote(ReadingAnomaly anomaly)
{
    switch (anomaly) {
    case ReadingAnomaly::BelowLastMonth:
        return QStringLiteral("低于上月读数");
    case ReadingAnomaly::UnusuallyHigh:
        return QStringLiteral("用量异常偏高");
    case ReadingAnomaly::None:
        break;
    }
    return {};
}

ReadingHistory ReadingHistory::load(const QDate& month, const QString& room)
{
    ReadingHistory history;
    const QSet<QString> tables = monthTables();
    for (int back = 0; back < 7; ++back) {
        const QDate m = month.addMonths(-1 - back);
        const QString table = BiaodiTableName(m.year(), m.month());
        if (tables.contains(table.toUpper()))
            history.m_months[back] = readMonth(table, room);
    }
    // The building's usage last month: from the months just read when they
    // hold every room, else from those two months' tables read whole.
    QHash<QString, Readings> allLast, allBefore;
    const QHash<QString, Readings>* last = &history.m_months[0];
    const QHash<QString, Readings>* before = &history.m_months[1];
    if (!room.isEmpty()) {
        // Reading both tables whole costs tens of milliseconds at a building's
        // size, so the figures are kept for as long as neither table has
        // gained or lost a row.
        QString key = Connection::shared().config().name + QLatin1Char('|') + month.toString(Qt::ISODate);
        QStringList months;
        for (int back = 0; back < 2; ++back) {
            const QDate m = month.addMonths(-1 - back);
            const QString table = BiaodiTableName(m.year(), m.month());
            months << (tables.contains(table.toUpper()) ? table : QString());
            if (!months.last().isEmpty()) {
                Query size;
                size.setSql(tableSizeSql(table));
                size.open();
                key += QLatin1Char('|') + size.text(QStringLiteral("n")) + QLatin1Char('/') +
                       size.text(QStringLiteral("last"));
            }
        }
        static QHash<QString, Readings> known;
        if (const auto it = known.constFind(key); it != known.constEnd()) {
            history.m_building = *it;
            return history;
        }
        for (int back = 0; back < 2; ++back)
            if (!months[back].isEmpty())
                (back == 0 ? allLast : allBefore) = readMonth(months[back], {});
        last = &allLast;
        before = &allBefore;
        for (int i = 0; i < kMeterCount; ++i)
            history.m_building[i] = medianUsage(*last, *before, i);
        known.insert(key, history.m_building);
        return history;
    }
    for (int i = 0; i < kMeterCount; ++i)
        history.m_building[i] = medianUsage(*last, *before, i);
    return history;
}

std::optional<double> ReadingHistory::buildingUsage(Meter meter) const { return m_building[int(meter)]; }

std::optional<double> ReadingHistory::usualUsage(const QString& room, Meter meter) const
{
    if (const auto own = averageUsage(room, meter))
        return own;
    return buildingUsage(meter);
}

std::optional<double> ReadingHistory::lastReading(const QString& room, Meter meter) const
{
    const auto it = m_months[0].constFind(room.trimmed().toUpper());
    return it == m_months[0].constEnd() ? std::nullopt : (*it)[int(meter)];
}

std::optional<double> ReadingHistory::averageUsage(const QString& room, Meter meter) const
{
    const QString key = room.trimmed().toUpper();
    double sum = 0;
    int months = 0;
    for (int back = 0; back < 6; ++back) {
        const auto later = m_months[back].constFind(key);
        const auto earlier = m_months[back + 1].constFind(key);
        if (later == m_months[back].constEnd() || earlier == m_months[back + 1].constEnd())
            continue;
        const auto a = (*later)[int(meter)];
        const auto b = (*earlier)[int(meter)];
        if (!a || !b || *a < *b) // a replaced meter says nothing about usage
            continue;
        sum += *a - *b;
        ++months;
    }
    if (months < 2)
        return std::nullopt;
    return sum / months;
}

ReadingAnomaly judgeUsage(double usage, std::optional<double> averageUsage)
{
    if (usage < 0)
        return ReadingAnomaly::BelowLastMonth;
    if (averageUsage && usage > kUsageFloor && usage > 3 * *averageUsage)
        return ReadingAnomaly::UnusuallyHigh;
    return ReadingAnomaly::None;
}

ReadingAnomaly ReadingHistory::judge(const QString& room, Meter meter, double reading) const
{
    const auto last = lastReading(room, meter);
    if (!last)
        return ReadingAnomaly::None;
    return judgeUsage(reading - *last, usualUsage(room, meter));
}

ReadingAnomaly ReadingHistory::judge(const QString& room, const Readings& readings) const
{
    ReadingAnomaly worst = ReadingAnomaly::None;
    for (int i = 0; i < kMeterCount; ++i) {
        if (!readings[i])
            continue;
        const ReadingAnomaly a = judge(room, Meter(i), *readings[i]);
        if (a == ReadingAnomaly::BelowLastMonth)
            return a;
        if (a == ReadingAnomaly::UnusuallyHigh)
            worst = a;
    }
    return worst;
}
