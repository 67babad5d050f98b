#include "chargemoney.h"

namespace ChargeMoney {

QString tableName(Table t)
{
    switch (t) {
    case Table::Rent: return QStringLiteral("Zf_Zujin");
    case Table::ColdWater: return QStringLiteral("Zf_Lenshui");
    case Table::HotWater: return QStringLiteral("Zf_Reshui");
    case Table::Electricity: return QStringLiteral("Zf_YdSf");
    }
    return {};
}

QString dueColumn(Table t)
{
    return t == Table::Rent ? QStringLiteral("Yf") : QStringLiteral("Yfj");
}

QString receivedColumn(Table t)
{
    return t == Table::Rent ? QStringLiteral("sf") : QStringLiteral("sfj");
}

QString itemName(Table t)
{
    switch (t) {
    case Table::Rent: return QStringLiteral("房租");
    case Table::ColdWater: return QStringLiteral("冷水");
    case Table::HotWater: return QStringLiteral("热水");
    case Table::Electricity: return QStringLiteral("电费");
    }
    return {};
}

QString receivedSql(Table t, const QString& alias)
{
    // A row written before money received was kept apart counts as nothing
    // received while unsettled, except the payments taken on it since.
    const QString a = alias.isEmpty() ? QString() : alias + QLatin1Char('.');
    const QString row = alias.isEmpty() ? tableName(t) : alias;
    return QStringLiteral("(case when %1status = '1' then isnull(%1%2, 0) "
                          "when %1ID <= (select lastoldid from Zf_MoneyRule where tablename = '%3') then "
                          "isnull((select sum(PL.amount) from Zf_PaymentLine PL where PL.tablename = '%3' "
                          "and PL.chargeid = %4.ID and not exists (select 1 from Zf_PaymentReversal PR "
                          "where PR.paymentid = PL.paymentid)), 0) "
                          "else isnull(%1%2, 0) end)")
        .arg(a, receivedColumn(t), tableName(t), row);
}

QString owedSql(Table t, const QString& alias)
{
    const QString a = alias.isEmpty() ? QString() : alias + QLatin1Char('.');
    return QStringLiteral("(case when %1status = '1' then 0 else isnull(%1%2, 0) - %3 end)")
        .arg(a, dueColumn(t), receivedSql(t, alias));
}

QString paidFromDepositSql(Table t, const QString& condition)
{
    return QStringLiteral("isnull((select sum(M.dk) from Zf_TfMx M, %1 B "
                          "where B.ID = M.chargeid and M.xm = '%2' and %3), 0)")
        .arg(tableName(t), itemName(t), condition);
}

} // namespace ChargeMoney
