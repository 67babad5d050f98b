#include "finalcharges.h"

#include "query.h"
#include "sqlcatalog.h"

namespace FinalCharges {

namespace {

// clang-format off
const QString kPriceSql = catalogSql("FinalCharges price", QStringList{
    "select price from zf_dj where DjId = :djid"});
// clang-format on

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

PreviousReadings previousReadings(Connection& connection, const QString& room, const QDate& day) {
    PreviousReadings found;
    for (int m = 0; m < kMeterCount; ++m) {
        const std::vector<MeterReading> series = ReadingSeries::readings(room, Meter(m), day, 1, &connection);
        if (series.empty())
            continue;
        const MeterReading& last = series.back();
        found[size_t(m)] = Previous{
            last, ReadingSeries::changes(room, Meter(m), last.date, QDateTime(day, QTime(0, 0)), &connection)};
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
    return goesDown || isNegative(usage);
}

Charge charge(const Utility& utility, const Previous& previous, const Decimal& final,
              const Decimal& price) {
    MeterReading leaving;
    leaving.value = final;
    const ReadingInterval i = ReadingSeries::interval(previous.reading, leaving, previous.changes);
    Charge c{utility, previous.reading.value, final, i.usage, price, (i.usage * price).rounded(2)};
    c.goesDown = i.goesDown;
    return c;
}

QList<Charge> charges(const PreviousReadings& previous, const Readings& final,
                      const std::array<std::optional<Decimal>, 3>& prices) {
    QList<Charge> list;
    for (size_t i = 0; i < utilities().size(); ++i) {
        const Utility& u = utilities()[i];
        const auto& before = previous[size_t(u.meter)];
        const auto& now = final[size_t(u.meter)];
        if (!before || !now || !prices[i])
            continue;
        const Charge c = charge(u, *before, *now, *prices[i]);
        // A usage of 0 charges nothing; one that goes down is kept so that
        // the check-out refuses it with its reason.
        if (!c.usage.isZero() || c.goesDown)
            list << c;
    }
    return list;
}

} // namespace FinalCharges
