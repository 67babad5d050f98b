#include "readingseries.h"

#include "connection.h"
#include "query.h"
#include "sqlcatalog.h"

#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <optional>

namespace {

// clang-format off
const QString kMonthTablesSql = catalogSql("ReadingSeries month tables", QStringList{
    "select name from sysobjects where name like 'zf_Biaodi%'"});

const QString kChangesSql = catalogSql("ReadingSeries meter changes", QStringList{
    "select changedate, oldfinal, newstart from Zf_MeterChange",
    "where fangno = :fangno and meter = :meter and changedate > :after and changedate <= :upto",
    "order by changedate, ID"});

const QString kEveryChangeSql = catalogSql("ReadingSeries every meter change", QStringList{
    "select fangno, meter, changedate, oldfinal, newstart from Zf_MeterChange",
    "order by changedate, ID"});
// clang-format on

// A monthly table's statement is built with its name; the room is a
// parameter. The meter column is one of four fixed names.
QString seriesSql(const QString& table, const QString& column) {
    return QStringLiteral("select ID, Cbrq, %2 as reading from %1 where fangno = :fangno and %2 is not null")
        .arg(table, column);
}
// The same for every room at once.
QString everyRoomSql(const QString& table, const QString& column) {
    return QStringLiteral("select ID, Cbrq, fangno, %2 as reading from %1 where %2 is not null")
        .arg(table, column);
}
[[maybe_unused]] const bool kSampled =
    catalogSample("ReadingSeries readings", seriesSql(QStringLiteral("zf_Biaodi202403"), QStringLiteral("lsb"))) &&
    catalogSample("ReadingSeries readings of every room",
                  everyRoomSql(QStringLiteral("zf_Biaodi202403"), QStringLiteral("lsb")));

Decimal decimalValue(const Query& q, const QString& column) {
    return Decimal::parse(q.text(column)).value_or(Decimal());
}

// YYYYMM of a monthly table's name, 0 for another name.
int monthOf(const QString& table) {
    static const QRegularExpression name(QStringLiteral("^zf_Biaodi(\\d{4})(\\d{2})$"),
                                         QRegularExpression::CaseInsensitiveOption);
    const auto m = name.match(table.trimmed());
    return m.hasMatch() ? m.captured(1).toInt() * 100 + m.captured(2).toInt() : 0;
}

bool before(const MeterReading& a, const MeterReading& b) {
    if (a.date != b.date)
        return a.date < b.date;
    const int ma = monthOf(a.table), mb = monthOf(b.table);
    if (ma != mb)
        return ma < mb;
    return a.id < b.id;
}

Connection& on(Connection* connection) {
    return connection ? *connection : Connection::shared();
}

} // namespace

namespace ReadingSeries {

namespace {

struct KeptChange {
    QString room; // as roomKey() gives it
    QString meter;
    MeterChange change;
};

// What a ReadingsKept scope has read.
struct Kept {
    std::optional<QStringList> tables;
    // "table column" -> room -> the readings of that meter in that table
    QHash<QString, QHash<QString, std::vector<MeterReading>>> readings;
    std::optional<std::vector<KeptChange>> changes;
};

int g_keeping = 0;
std::optional<Kept> g_kept;

Kept* kept(Connection* connection) {
    if (g_keeping == 0 || connection)
        return nullptr;
    if (!g_kept)
        g_kept.emplace();
    return &*g_kept;
}

// A room number as the database compares it: without trailing blanks, and
// latin letters without case.
QString roomKey(const QString& room) {
    qsizetype n = room.size();
    while (n > 0 && room.at(n - 1) == QLatin1Char(' '))
        --n;
    QString key = room.left(n);
    for (QChar& c : key)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 32);
    return key;
}

MeterChange changeOf(const Query& q) {
    return {q.dateTime(QStringLiteral("changedate")), decimalValue(q, QStringLiteral("oldfinal")),
            decimalValue(q, QStringLiteral("newstart"))};
}

MeterReading readingOf(const Query& q, const QString& table) {
    MeterReading r;
    r.table = table;
    r.id = q.integer(QStringLiteral("ID"));
    r.date = q.dateTime(QStringLiteral("Cbrq"));
    r.value = decimalValue(q, QStringLiteral("reading"));
    return r;
}

// The room's readings of one meter in one monthly table, in no order.
std::vector<MeterReading> tableReadings(const QString& table, const QString& column, const QString& room,
                                        Connection* connection) {
    if (Kept* k = kept(connection)) {
        const QString name = table + QLatin1Char(' ') + column;
        auto found = k->readings.find(name);
        if (found == k->readings.end()) {
            QHash<QString, std::vector<MeterReading>> byRoom;
            Query q;
            q.setSql(everyRoomSql(table, column));
            q.open();
            for (bool more = q.first(); more; more = q.next())
                byRoom[roomKey(q.text(QStringLiteral("fangno")))].push_back(readingOf(q, table));
            found = k->readings.insert(name, byRoom);
        }
        return found->value(roomKey(room.trimmed()));
    }
    Query q(on(connection));
    q.setSql(seriesSql(table, column));
    q.setText(QStringLiteral("fangno"), room.trimmed());
    q.open();
    std::vector<MeterReading> list;
    for (bool more = q.first(); more; more = q.next())
        list.push_back(readingOf(q, table));
    return list;
}

} // namespace

ReadingsKept::ReadingsKept() { ++g_keeping; }
ReadingsKept::~ReadingsKept() {
    if (--g_keeping == 0)
        g_kept.reset();
}

QStringList monthTables(Connection* connection) {
    Kept* keep = kept(connection);
    if (keep && keep->tables)
        return *keep->tables;
    Query q(on(connection));
    q.setSql(kMonthTablesSql);
    q.open();
    QStringList names;
    for (bool more = q.first(); more; more = q.next())
        if (monthOf(q.text(QStringLiteral("name"))) > 0)
            names << q.text(QStringLiteral("name")).trimmed();
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return monthOf(a) > monthOf(b); });
    if (keep)
        keep->tables = names;
    return names;
}

std::vector<MeterReading> readings(const QString& room, Meter meter, const QDate& until,
                                   int atLeast, Connection* connection) {
    const int lastMonth = until.isValid() ? until.year() * 100 + until.month() : 0;
    std::vector<MeterReading> found;
    bool enough = false;
    for (const QString& table : monthTables(connection)) {
        // A reading dated at the end of a month may be saved into the next
        // month's table: one month after `until` is read too.
        if (lastMonth && monthOf(table) > (until.addMonths(1).year() * 100 + until.addMonths(1).month()))
            continue;
        for (const MeterReading& r : tableReadings(table, meterColumn(meter), room, connection)) {
            if (until.isValid() && r.date.date() > until)
                continue;
            found.push_back(r);
        }
        // Once enough readings are in, one month more is read, since a
        // reading saved late may sit in the next month's table.
        if (enough)
            break;
        if (atLeast > 0 && int(found.size()) >= atLeast)
            enough = true;
    }
    std::sort(found.begin(), found.end(), before);
    return found;
}

std::vector<MeterChange> changes(const QString& room, Meter meter, const QDateTime& after,
                                 const QDateTime& upTo, Connection* connection) {
    if (Kept* k = kept(connection)) {
        if (!k->changes) {
            k->changes.emplace();
            Query q;
            q.setSql(kEveryChangeSql);
            q.open();
            for (bool more = q.first(); more; more = q.next())
                k->changes->push_back({roomKey(q.text(QStringLiteral("fangno"))),
                                       q.text(QStringLiteral("meter")).trimmed().toLower(), changeOf(q)});
        }
        std::vector<MeterChange> list;
        if (!after.isValid() || !upTo.isValid())
            return list;
        const QString key = roomKey(room.trimmed());
        const QString column = meterColumn(meter).toLower();
        for (const KeptChange& c : *k->changes)
            if (c.room == key && c.meter == column && c.change.date.isValid() && c.change.date > after &&
                c.change.date <= upTo)
                list.push_back(c.change);
        return list;
    }
    Query q(on(connection));
    q.setSql(kChangesSql);
    q.setText(QStringLiteral("fangno"), room.trimmed(), 8);
    q.setText(QStringLiteral("meter"), meterColumn(meter), 3);
    q.setDateTime(QStringLiteral("after"), after);
    q.setDateTime(QStringLiteral("upto"), upTo);
    q.open();
    std::vector<MeterChange> list;
    for (bool more = q.first(); more; more = q.next())
        list.push_back(changeOf(q));
    return list;
}

ReadingInterval interval(const MeterReading& from, const MeterReading& to,
                         std::vector<MeterChange> changes) {
    ReadingInterval i;
    i.from = from;
    i.to = to;
    i.changes = std::move(changes);
    Decimal start = from.value;
    for (const MeterChange& c : i.changes) {
        const Decimal stretch = c.oldFinal - start;
        i.goesDown = i.goesDown || stretch.isNegative();
        i.usage = i.usage + stretch;
        start = c.newStart;
    }
    const Decimal last = to.value - start;
    i.goesDown = i.goesDown || last.isNegative();
    i.usage = i.usage + last;
    return i;
}

std::optional<ReadingInterval> latestInterval(const QString& room, Meter meter, const QDate& until,
                                              const QDate& after, Connection* connection) {
    const std::vector<MeterReading> series = readings(room, meter, until, 2, connection);
    if (series.size() < 2)
        return std::nullopt;
    const MeterReading& to = series[series.size() - 1];
    const MeterReading& from = series[series.size() - 2];
    if (after.isValid() && to.date.date() <= after)
        return std::nullopt;
    return interval(from, to, changes(room, meter, from.date, to.date, connection));
}

} // namespace ReadingSeries
