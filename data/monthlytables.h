#pragma once
#include <QString>

class Connection;

// Meter readings live in one table per calendar month, zf_BiaodiYYYYMM.
// BiaodiName is this month's table, SyBiaodiName last month's; both are set
// by the naming operations and read by the screens that build statements.
extern QString BiaodiName;
extern QString SyBiaodiName;

// zf_Biaodi + year + two-digit month.
QString BiaodiTableName(int year, int month);

void SetBiaodiName(int year, int month);
void SetSyBiaodiName(int year, int month);

// Creates the monthly table with its key when no database object of that
// name exists. Throws DbError.
void EnsureBiaodiTable(const QString& name);
void EnsureBiaodiTable(Connection& connection, const QString& name);

// Names this and last month from today's date and makes sure both tables
// exist, so a run that has crossed into a new month can go on working.
void EnsureCurrentBiaodiTables();

// Redefines XmXf over this month's and last month's tables (today's date).
void AlterXmXfView();
