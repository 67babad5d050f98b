#pragma once
#include "chargemoney.h"
#include "decimal.h"
#include "readingseries.h"

#include <QDate>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

// The month's charges of every let room, proposed in one run and written
// unpaid (实收 0) in one transaction. Each amount is computed as the single
// charging screens compute it (rentDue, utilityDue), and a charge that exists
// already (the rent of the let paid up to the month's end, a pair of readings
// charged) is never proposed again, so a second run writes nothing.
namespace Billing {

using ChargeMoney::Table;

// What a rent row is due: the deposit (on the let's first payment only),
// the month's rent and the refuse fee, rounded once to the two places the
// table keeps.
Decimal rentDue(const Decimal& deposit, const Decimal& rent, const Decimal& refuse);
// What a utility row is due: the usage at the unit price, rounded once.
Decimal utilityDue(const Decimal& price, const Decimal& usage);

struct ProposedCharge {
    Table table = Table::Rent;
    QString room;
    QString tenant;
    QString tenantName;
    QDate letStart;
    // Rent: deposit, rent and refuse fee; utilities: the reading pair.
    Decimal deposit;
    Decimal rent;
    Decimal refuse;
    std::optional<ReadingInterval> interval;
    Decimal price;
    Decimal due;
};

struct Unbillable {
    QString room;
    QString tenant;
    QString tenantName;
    Table table = Table::ColdWater;
    QString reason;
};

struct Proposal {
    QDate month; // the first day of the month
    QList<ProposedCharge> charges;
    QList<Unbillable> unbillable;
};

// Every let room's charges of the month not charged yet.
Proposal propose(const QDate& month, const std::function<void(int, int)>& progress = {});

// Writes the proposed charges in one transaction of its own; answers how
// many were written. A charge that another desk wrote in the meantime is
// left out (the rent by a conditional insert, a reading pair by the unique
// index on the pairs charged). `progress` is told (done, total).
int write(const Proposal& proposal, const std::function<void(int, int)>& progress = {});

} // namespace Billing
