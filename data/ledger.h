#pragma once
#include "decimal.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

// A tenant's account over all their lets: every charge, the money received
// at the desk on a charge (a single charging screen's 已交款), every payment
// and every reversal, in date order with the balance owed after each line.
// A charge adds what it is due; money received takes it away; a reversal
// adds its payment back.
namespace Ledger {

enum class Kind { Charge, DeskReceipt, Payment, Reversal };

struct Line {
    QDateTime date;
    Kind kind = Kind::Charge;
    QString item;   // 房租, 冷水, ... or the way of payment
    QString room;
    QString detail; // readings, the rent period, a note or a reason
    Decimal debit;  // what the line adds to the balance
    Decimal credit; // what it takes away
    Decimal balance;
    qint64 id = 0;  // the charge's or the payment's ID
};

// Every line of the tenant, oldest first (on one day charges before money).
QList<Line> lines(const QString& tenant);

struct Statement {
    Decimal opening; // the balance before the period
    QList<Line> lines;
    Decimal closing;
};
// The lines dated within [from, to] and the balances around them.
Statement statement(const QString& tenant, const QDate& from, const QDate& to);

QString kindName(Kind k);

} // namespace Ledger
