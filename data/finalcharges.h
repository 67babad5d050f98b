#pragma once
#include "chargemoney.h"
#include "decimal.h"
#include "readingcheck.h"
#include "readingseries.h"

#include <QDate>
#include <QList>
#include <QString>

#include <array>
#include <optional>

class Connection;

// The last utility charges of a let: from the room's previous reading of
// each metered utility to the reading taken on the day of leaving.
namespace FinalCharges {

// A utility charged by its meter: the meter, the charge table, the unit
// price's number in Zf_Dj, the charge table's price column and its name.
struct Utility {
    Meter meter;
    ChargeMoney::Table table;
    int priceId;
    const char* priceColumn;
    const char* name;
};
// Cold water, hot water and electricity; gas is read but not charged.
const std::array<Utility, 3>& utilities();

// The four meters' readings on one day; an unread meter has none.
using Readings = std::array<std::optional<Decimal>, kMeterCount>;

// A meter's latest reading before leaving, with the replacements recorded
// after it up to the day of leaving, across which the final usage counts.
struct Previous {
    MeterReading reading;
    std::vector<MeterChange> changes;
};
using PreviousReadings = std::array<std::optional<Previous>, kMeterCount>;

// The room's latest reading of each meter dated on or before `day`, in the
// order of the room's reading series; a meter left unread in a row is passed
// over for that meter.
PreviousReadings previousReadings(Connection& connection, const QString& room, const QDate& day);

// The unit price of a charge item; none when it has no price.
std::optional<Decimal> unitPrice(Connection& connection, int priceId);

// One utility's final charge: the usage from the previous reading to the
// final one, counted across recorded replacements; amount = usage x price
// rounded once to the fen (halves away from zero).
struct Charge {
    Utility utility;
    Decimal previous, final, usage, price, amount;
    bool goesDown = false;
    bool negative() const; // a stretch of the interval goes down: not chargeable
};
Charge charge(const Utility& utility, const Previous& previous, const Decimal& final,
              const Decimal& price);

// The charges for the meters read on leaving that have a previous reading
// and a price, in the order of utilities(); a usage of 0 charges nothing.
QList<Charge> charges(const PreviousReadings& previous, const Readings& final,
                      const std::array<std::optional<Decimal>, 3>& prices);

} // namespace FinalCharges
