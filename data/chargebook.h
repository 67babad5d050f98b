#pragma once
#include "chargemoney.h"
#include "readingseries.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QVariant>

// The rules that keep one charge per room, kind and period, shared by the
// charging screens and anything else that writes charges. Every call runs
// on the shared connection inside the caller's transaction, and every
// failure is a DbError.
class Connection;

namespace ChargeBook {

using ChargeMoney::Table;

// "房间101 2024-02-03至2024-03-04的读数已收过费，不能重复收费！"
QString alreadyChargedText(const QString& room, const ReadingInterval& interval);

// Whether a charge of this kind already covers the interval: one recorded
// against either of its readings, or a charge of the room written before
// charges were recorded against readings, on or after the later reading,
// with the same two readings.
bool intervalCharged(Table table, const QString& room, const ReadingInterval& interval);

// Records that the charge covers the interval. The database refuses a second
// charge of either reading (two desks at once): a DbError.
void recordInterval(Table table, qint64 chargeId, const QString& room,
                    const ReadingInterval& interval, Connection* connection = nullptr);

// The ID of the newest charge of the room and tenant in the table: the row
// an insert inside the same transaction has just written.
qint64 newestCharge(Table table, const QString& room, const QString& tenant);

// Moves the charge into Zf_VoidCharge with who, when and why, and frees the
// readings it covered. False when the row is gone (voided by another desk).
bool voidCharge(Table table, qint64 id, const QString& who, const QDateTime& when,
                const QString& reason);

// The question to ask before a rent is charged again for a period already
// paid for: a row of the same let whose end of period is not earlier than
// `periodEnd`, or, for rows without a period, a row of the same room paid in
// the month of `today`. Empty when nothing is paid for that period.
QString rentAlreadyPaidQuestion(const QString& room, const QString& tenant,
                                const QVariant& letStart, const QDate& periodEnd,
                                const QDate& today);

} // namespace ChargeBook
