#include "readingcheck.h"

#include "monthlytables.h"
#include "query.h"
#include "sqlcatalog.h"

#include <QSet>

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
[[maybe_unused]] const bool kSampled =
    catalogSample("ReadingHistory latest readings", latestReadingsSql(QStringLiteral("zf_Biaodi202403"), true));

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
        if (!tables.contains(table.toUpper()))
            continue;
        Query q;
        q.setSql(latestReadingsSql(table, !room.isEmpty()));
        if (!room.isEmpty())
            q.setText(QStringLiteral("fangno"), room.trimmed());
        q.open();
        QHash<QString, Readings>& readings = history.m_months[back];
        // Ordered by date, so the last row of a room is its latest reading.
        for (bool more = q.first(); more; more = q.next()) {
            Readings r;
            for (int i = 0; i < kMeterCount; ++i)
                if (!q.isNull(meterColumn(Meter(i))))
                    r[i] = q.number(meterColumn(Meter(i)));
            readings[q.text(QStringLiteral("fangno")).trimmed().toUpper()] = r;
        }
    }
    return history;
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
    return judgeUsage(reading - *last, averageUsage(room, meter));
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
