#pragma once
#include <QString>
#include <QStringList>

class Backend;

// The database's tables, views and starting rows, from the same T-SQL script
// that creates a new SQL Server database.
namespace Schema {
// Every embedded database file carries this application id ("ZTVO") and the
// version of its tables; files made before both were set are version 1.
constexpr int kApplicationId = 0x5A54564F;
constexpr int kVersion = 9;

// The script, split into its batches at lines holding only GO.
QStringList batches();
// Splits any T-SQL script at lines holding only GO (any letter case).
QStringList splitBatches(const QString& script);
// Names of the tables the script creates.
QStringList tableNames();
// Creates everything, inside the caller's transaction when one is open,
// otherwise in one of its own.
void install(Backend& backend);
} // namespace Schema
