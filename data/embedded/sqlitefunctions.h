#pragma once

struct sqlite3;

// Registers on an open SQLite handle the collations and functions through
// which the embedded engine gives statements the server's meaning:
// Chinese_PRC_CI_AS, zt_datetime, GETDATE, DATEPART, DATEADD, DATEDIFF,
// YEAR, MONTH, DAY, LEN, an exact SUM, and the column-rule checks.
void registerServerFunctions(sqlite3* db);
