#pragma once
#include "decimal.h"
#include "readingcheck.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>

class Connection;

#include <optional>
#include <vector>

// A room's readings of one meter form one series across the monthly reading
// tables, ordered by reading date, then by table, then by ID; a row whose
// meter is NULL was not read for that meter and is skipped. A utility charge
// covers the interval between two consecutive readings of the series, so
// nothing between two readings is left out or counted twice: a second
// reading in a month (a change of tenant) splits the month into two
// intervals.
//
// A meter replaced or wrapped is recorded in Zf_MeterChange with the old
// meter's final reading and the new meter's start, dated on the day the new
// meter counts from: the usage of an interval that holds such a change is
// counted on the old meter up to its final reading and on the new one from
// its start.

struct MeterReading {
    QString table; // the monthly table that holds the row
    qint64 id = 0;
    QDateTime date;
    Decimal value;
};

struct MeterChange {
    QDateTime date; // the day the new meter counts from
    Decimal oldFinal;
    Decimal newStart;
};

struct ReadingInterval {
    MeterReading from;
    MeterReading to;
    std::vector<MeterChange> changes; // replacements after `from`, up to `to`
    Decimal usage;                    // counted across the changes
    // A stretch of the interval goes down: a meter replaced or wrapped that
    // nobody recorded. Such a usage is never charged.
    bool goesDown = false;
};

namespace ReadingSeries {

// The usage from one reading to the next across the recorded changes.
ReadingInterval interval(const MeterReading& from, const MeterReading& to,
                         std::vector<MeterChange> changes);

// The room's readings of the meter, oldest first, dated on or before `until`
// (every reading when `until` is null). With `atLeast` set, only the newest
// months are read, enough to hold that many readings.
std::vector<MeterReading> readings(const QString& room, Meter meter, const QDate& until = {},
                                   int atLeast = 0, Connection* connection = nullptr);

// The changes of the room's meter dated after `after` and up to `upTo`.
std::vector<MeterChange> changes(const QString& room, Meter meter, const QDateTime& after,
                                 const QDateTime& upTo, Connection* connection = nullptr);

// The interval a charge of the room's meter takes: the latest reading dated
// on or before `until` (any when null) and the one before it; the latest
// reading must be dated after `after` when that is given (the start of a
// let: a reading on its first day closes the previous tenant's interval).
// None when there are not two such readings.
std::optional<ReadingInterval> latestInterval(const QString& room, Meter meter,
                                              const QDate& until = {}, const QDate& after = {},
                                              Connection* connection = nullptr);

// The monthly reading tables that exist, newest first.
QStringList monthTables(Connection* connection = nullptr);

// While one lives, what is read on the shared connection is read once: the
// list of monthly tables, each monthly table's readings of a meter for every
// room and the meter changes of every room, and readings() and changes()
// answer from them. A run that reads the series of every room (the month's
// billing proposal) then asks the database a few times, not several times
// per room and meter, which on a database server is a round trip each. Only
// for runs that write nothing meanwhile.
class ReadingsKept {
public:
    ReadingsKept();
    ~ReadingsKept();
    ReadingsKept(const ReadingsKept&) = delete;
    ReadingsKept& operator=(const ReadingsKept&) = delete;
};

// Every function here reads through `connection`, the shared connection
// when none is given (a save on another connection reads its own writes).

} // namespace ReadingSeries
