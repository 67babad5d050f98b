#pragma once
#include <QString>

// Money received on a charge row, as every total, arrears list and
// settlement counts it.
//
// A charge's 实收 column holds the money actually received: the full amount
// on a settled row ("1"), a part payment (or 0) on an unsettled one. Before
// the book kept it that way the charging screens proposed 实收 = 应付 on
// unpaid rows too; such rows keep their stored values, but their 实收 counts
// as nothing received. Zf_MoneyRule names, per charge table, the last row
// written before the change (a file made since then has no such rows).
namespace ChargeMoney {

enum class Table { Rent, ColdWater, HotWater, Electricity };

// The table's name, its amount-due column and its money-received column.
QString tableName(Table t);
QString dueColumn(Table t);
QString receivedColumn(Table t);
// The item's name on a check-out settlement line (Zf_TfMx.xm): 房租, 冷水, 热水, 电费.
QString itemName(Table t);

// SQL expressions over a row of the table named by `alias` (e.g. "A"):
// the money received on the row, and what is still owed on it (due minus
// received for an unsettled row, 0 for a settled one). Both are T-SQL that
// every backend runs. Without an alias the row is named by its table.
QString receivedSql(Table t, const QString& alias);
QString owedSql(Table t, const QString& alias);

// The part of the money received on the table's rows that a check-out paid
// from the tenant's deposit, over the rows (alias B) that `condition`
// selects. That money came in once, as the deposit on the let's first rent;
// a total of money received takes it away so it is not counted twice.
QString paidFromDepositSql(Table t, const QString& condition);

} // namespace ChargeMoney
