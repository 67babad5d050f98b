#include "finalcharges.h"

#include "monthlytables.h"
#include "query.h"
#include "sqlcatalog.h"

#include <QSet>

namespace FinalCharges {

namespace {

// clang-format off
const QString kMonthTablesSql = catalogSql("FinalCharges month tables", QStringList{
    "select name from sysobjects where name like 'zf_Biaodi%'"});

const QString kPriceSql = catalogSql("FinalCharges price", QStringList{
    "select price from zf_dj where DjId = :djid"});
// clang-format on

// A month table's readings of one room up to a day, latest first. The table
// is named by its month, so the statement is assembled; the room and the
// day are parameters.
QString readingsSql(const QString& table) {
    return QStringLiteral("select lsb, rsb, db, mqb from ") + table +
           QStringLiteral(
               " where fangno = :fangno and cbrq < :nextday order by cbrq desc, ID desc");
}
[[maybe_unused]] const bool kSampled =
    catalogSample("FinalCharges readings", readingsSql(QStringLiteral("zf_Biaodi202403")));

bool isNegative(const Decimal& d) {
    return d.toString().startsWith(QLatin1Char('-'));
}

} // namespace

const std::array<Utility, 3>& utilities() {
    static const std::array<Utility, 3> all{{
        {Meter::ColdWater, ChargeMoney::Table::ColdWater, 1, "lsdj", "冷水"},
        {Meter::HotWater, ChargeMoney::Table::HotWater, 2, "rsdj", "热水"},
        {Meter::Electricity, ChargeMoney::Table::Electricity, 3, "Yddj", "电费"},
    }};
    return all;
}

Readings previousReadings(Connection& connection, const QString& room, const QDate& day) {
    Readings found;
    QSet<QString> tables;
    {
        Query q(connection);
        q.setSql(kMonthTablesSql);
        q.open();
        for (bool more = q.first(); more; more = q.next())
            tables.insert(q.text(QStringLiteral("name")).toUpper());
    }
    // Walk back month by month from the day's month until every meter has a
    // reading or no older table is left.
    int left = tables.size();
    for (QDate month(day.year(), day.month(), 1); left > 0; month = month.addMonths(-1)) {
        const QString table = BiaodiTableName(month.year(), month.month());
        if (!tables.contains(table.toUpper()))
            continue;
        --left;
        Query q(connection);
        q.setSql(readingsSql(table));
        q.setText(QStringLiteral("fangno"), room, 8);
        q.setDateTime(QStringLiteral("nextday"), QDateTime(day.addDays(1), QTime(0, 0)));
        q.open();
        for (bool more = q.first(); more; more = q.next())
            for (int m = 0; m < kMeterCount; ++m) {
                const QString column = meterColumn(Meter(m));
                if (!found[size_t(m)] && !q.isNull(column))
                    found[size_t(m)] = Decimal::parse(q.text(column));
            }
        bool all = true;
        for (const auto& r : found)
            all = all && r.has_value();
        if (all)
            break;
    }
    return found;
}

std::optional<Decimal> unitPrice(Connection& connection, int priceId) {
    Query q(connection);
    q.setSql(kPriceSql);
    q.setInteger(QStringLiteral("djid"), priceId);
    q.open();
    if (q.eof() || q.isNull(QStringLiteral("price")))
        return std::nullopt;
    return Decimal::parse(q.text(QStringLiteral("price")));
}

bool Charge::negative() const {
    return isNegative(usage);
}

Charge charge(const Utility& utility, const Decimal& previous, const Decimal& final,
              const Decimal& price) {
    const Decimal usage = final - previous;
    return {utility, previous, final, usage, price, (usage * price).rounded(2)};
}

QList<Charge> charges(const Readings& previous, const Readings& final,
                      const std::array<std::optional<Decimal>, 3>& prices) {
    QList<Charge> list;
    for (size_t i = 0; i < utilities().size(); ++i) {
        const Utility& u = utilities()[i];
        const auto& before = previous[size_t(u.meter)];
        const auto& now = final[size_t(u.meter)];
        if (!before || !now || !prices[i])
            continue;
        const Charge c = charge(u, *before, *now, *prices[i]);
        if (!c.usage.isZero())
            list << c;
    }
    return list;
}

} // namespace FinalCharges
