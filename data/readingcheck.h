#pragma once
#include <QDate>
#include <QHash>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

// Readings that look wrong: a meter that reads below last month's reading
// (a replaced meter, or a slip of a digit), or a month's usage more than
// three times the room's usual usage and above a small floor. The room's
// usual usage is its average over its last six months; a room with too
// little history of its own (its first months) is measured against the
// building's usual usage of that meter last month. Nothing is refused; the
// screens mark such a reading and ask once before saving it.

// The four meters in the order the reading tables hold them.
enum class Meter { ColdWater, HotWater, Electricity, Gas };
constexpr int kMeterCount = 4;
// Column of the reading tables: lsb, rsb, db, mqb.
QString meterColumn(Meter meter);

enum class ReadingAnomaly { None, BelowLastMonth, UnusuallyHigh };

// The questions asked before saving such readings.
QString anomalyQuestion(ReadingAnomaly anomaly);
// A short note for a marked field or cell.
QString anomalyNote(ReadingAnomaly anomaly);

// Usages at or below this never count as unusually high.
constexpr double kUsageFloor = 10.0;

// Each room's latest reading of each of the seven months before a given
// month, read from those months' tables that exist, so a reading of that
// month can be judged against last month's reading and the usage of the six
// months before.
class ReadingHistory {
public:
    // All rooms, or the one room given.
    static ReadingHistory load(const QDate& month, const QString& room = {});

    // Last month's latest reading of the room, if it was read.
    std::optional<double> lastReading(const QString& room, Meter meter) const;
    // The average monthly usage over the last six months that have a
    // reading and a reading the month before; none with fewer than two.
    std::optional<double> averageUsage(const QString& room, Meter meter) const;
    // The building's usual (median) usage of the meter last month, over the
    // rooms read last month and the month before; none when no room was.
    std::optional<double> buildingUsage(Meter meter) const;
    // What a month's usage of the room is judged against: its own average,
    // else the building's usual usage last month.
    std::optional<double> usualUsage(const QString& room, Meter meter) const;

    ReadingAnomaly judge(const QString& room, Meter meter, double reading) const;
    // The worst of the four meters: below last month before unusually high.
    ReadingAnomaly judge(const QString& room, const std::array<std::optional<double>, kMeterCount>& readings) const;

private:
    using Readings = std::array<std::optional<double>, kMeterCount>;
    // months[0] is last month, months[6] seven months back.
    std::array<QHash<QString, Readings>, 7> m_months;
    Readings m_building; // buildingUsage() of each meter
};

// A usage (later minus earlier reading) judged against the room's history:
// negative is BelowLastMonth, more than three times the average (and above
// the floor) UnusuallyHigh.
ReadingAnomaly judgeUsage(double usage, std::optional<double> averageUsage);
