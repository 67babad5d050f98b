#pragma once
#include "chargemoney.h"
#include "decimal.h"

#include <QDateTime>
#include <QList>
#include <QString>

// Payments taken from a tenant against several charges at once. A payment
// is applied to the tenant's unsettled charges oldest first (all lets, all
// kinds): each charge's 实收 grows by the part applied and the charge is
// settled (已交款) when nothing is left owing on it. A payment taken by
// mistake is reversed with a reason, never deleted: the reversal takes each
// applied part off its charge again.
//
// Both run in one transaction of their own on the shared connection. What
// two desks can race is checked by the database: each charge is updated
// only while its money received is still what was read (row count checked),
// and a payment has at most one reversal (unique index). A lost race is a
// DbError and nothing is written.
namespace Payments {

using ChargeMoney::Table;

struct Charge {
    Table table = Table::Rent;
    qint64 id = 0;
    QString room;
    QDateTime date;
    Decimal due;
    Decimal received;
    Decimal owed;
};

// The ways of payment offered, in order.
QStringList ways();

// Every unsettled charge of the tenant with something owing, oldest first.
QList<Charge> unsettledCharges(const QString& tenant);

// The part of `amount` each charge receives, oldest first; what is left
// over once every charge is paid is not applied.
struct Line {
    Table table = Table::Rent;
    qint64 id = 0;
    Decimal amount;
    bool settles = false;
};
QList<Line> allocate(const QList<Charge>& charges, const Decimal& amount);

struct Taken {
    QString tenant;
    Decimal amount;
    QString way;
    QString note;
    QString operatorName;
    QDateTime when;
};
// Records the payment and applies it; answers the payment's ID.
qint64 take(const Taken& payment);

// Reverses the payment: every applied part is taken off its charge again.
void reverse(qint64 paymentId, const QString& reason, const QString& operatorName, const QDateTime& when);

// Money received in a period (both days included) by way of payment:
// payments taken then and not reversed, each way in the order of ways(),
// then "柜台收款": what the single charging screens took at the desk on
// the charges dated in the period. Ways with nothing received are left out.
struct WayTotal {
    QString way;
    Decimal amount;
};
QList<WayTotal> receivedByWay(const QDate& from, const QDate& to);
// The same as one statement of rows (way, amount), the period bound as
// :fromdate (its first day) and :todate (the day after its last).
QString receivedByWaySql();

} // namespace Payments
