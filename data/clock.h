#pragma once
#include <QDateTime>

// The one source of "today" and "now" for the whole program, the database's
// GETDATE() included. Tests fix it; the program leaves it on the system time.
namespace Clock {
QDateTime now();
QDate today();
// Fixes the clock at the given moment (it does not advance); an invalid
// value returns to the system time.
void setFixed(const QDateTime& moment);
// The fixed moment, or an invalid value while the clock runs.
QDateTime fixedMoment();
} // namespace Clock
