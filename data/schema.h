#pragma once
#include <QString>
#include <QStringList>

class Backend;

// The database's tables, views and starting rows, from the same T-SQL script
// that creates a new SQL Server database.
namespace Schema {
// The script, split into its batches at lines holding only GO.
QStringList batches();
// Splits any T-SQL script at lines holding only GO (any letter case).
QStringList splitBatches(const QString& script);
// Whether the embedded file already holds the tables.
bool isInstalled(Backend& backend);
// Creates everything in one transaction.
void install(Backend& backend);
} // namespace Schema
