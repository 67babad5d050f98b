#pragma once

#include <QString>

struct sqlite3;

// Registers on an open SQLite handle the collations and functions through
// which the embedded engine gives statements the server's meaning:
// Chinese_PRC_CI_AS, zt_datetime, GETDATE, DATEPART, DATEADD, DATEDIFF,
// YEAR, MONTH, DAY, LEN, an exact SUM, and the column-rule checks.
void registerServerFunctions(sqlite3* db);

// A text typed for a numeric(precision, scale) column in the form the column
// stores it: rounded once at scale places, half away from zero, a whole
// number as an integer (*isInt) and anything else as the nearest double.
// Answers the server's error text when the text is no number or too large,
// nullptr when it converted.
const char* storedNumeric(const QString& text, int precision, int scale, bool* isInt, qint64* whole, double* fraction);
