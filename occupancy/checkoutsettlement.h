#pragma once
#include "chargemoney.h"
#include "decimal.h"
#include "finalcharges.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

#include <array>
#include <optional>

class Connection;

// The let a check-out ends, as the search found it.
struct LetFound {
    qint64 rzId = 0; // the occupancy row
    QString manid, manname, fangno;
    QDateTime begindate;
    // The day the let began; rows dated on or after it belong to the let.
    QDate since() const { return begindate.date(); }
};

// One charge the check-out settles: a row of the let not yet settled, or a
// final utility charge the check-out writes (id 0).
struct SettledCharge {
    ChargeMoney::Table table = ChargeMoney::Table::Rent;
    qint64 id = 0;
    QDate jkrq;
    QString note;
    Decimal due, received, owed;
    std::optional<FinalCharges::Charge> final;
    QString item() const; // 房租, 冷水, 热水, 电费
};

// What a check-out settles: the deposit received in this let, the let's
// unsettled charges, the final readings and charges, and the deduction.
// The deposit pays the charges oldest first, then the deduction; what is
// left is refunded. What it does not cover stays owing.
struct Settlement {
    LetFound let;
    QDate day; // the day of leaving
    Decimal deposit;
    QList<SettledCharge> unsettled; // oldest first
    FinalCharges::PreviousReadings previous;
    std::array<std::optional<Decimal>, 3> prices;

    // Typed on the screen.
    FinalCharges::Readings finalReadings;
    Decimal deduction;
    QString reason;

    QList<FinalCharges::Charge> finalCharges() const;
    // The unsettled charges followed by the final ones, each with the part
    // the deposit pays (`paid`).
    struct Line {
        SettledCharge charge;
        Decimal paid;
    };
    QList<Line> lines() const;
    Decimal owedTotal() const;
    // What is left of the deposit after the charges, 0 when it falls short.
    Decimal leftAfterCharges() const;
    // The deposit covers every charge.
    bool chargesCovered() const;
    // Owed beyond the deposit.
    Decimal shortfall() const;
    // The part of the deduction the deposit pays.
    Decimal deductionPaid() const;
    // deposit - owed - deduction, never below 0.
    Decimal refund() const;
};

// Reads the deposit, the unsettled charges, the previous readings and the
// prices of the let, for leaving on `day`.
Settlement loadSettlement(Connection& connection, const LetFound& let, const QDate& day);

// A check-out stored, or why not: the let was already checked out (by
// another desk, say), or its deposit, charges or readings changed since
// they were shown. Nothing is stored unless Saved.
enum class CheckOutOutcome { Saved, LetGone, Changed };
struct CheckOutResult {
    CheckOutOutcome outcome = CheckOutOutcome::Changed;
    qint64 tfId = 0; // the zf_tf row, when saved
};

// In one transaction holding the write lock: frees the room (its occupancy
// row must still be the let shown), checks that the figures shown still
// hold, stores the final readings and charges, settles the charges from the
// deposit, writes the check-out row with the refund paid and the lines of
// the settlement. `status` is zf_tf.status ("0" checked out). Throws DbError
// on a database failure, after rolling back.
CheckOutResult saveCheckOut(Connection& connection, const Settlement& shown, const QString& status);

// For a number shown or compared: negative.
bool isNegative(const Decimal& d);
