#include "payments.h"

#include "connection.h"
#include "query.h"
#include "sqlcatalog.h"

namespace {

using ChargeMoney::Table;

constexpr Table kTables[] = {Table::Rent, Table::ColdWater, Table::HotWater, Table::Electricity};

// Within a day the rent comes first, then cold water, hot water, electricity.
QString unsettledBranch(Table t) {
    const QString dateColumn = t == Table::Rent ? QStringLiteral("jkrq") : QStringLiteral("Jkrq");
    return QStringLiteral("select '%1' as tablename, %6 as kind, A.ID as chargeid, A.fangno, A.%2 as chargedate, "
                          "isnull(A.%3, 0) as due, %4 as received, %5 as owed from %1 A "
                          "where A.manid = :manid and isnull(A.status, '0') <> '1'")
        .arg(ChargeMoney::tableName(t), dateColumn, ChargeMoney::dueColumn(t),
             ChargeMoney::receivedSql(t, QStringLiteral("A")), ChargeMoney::owedSql(t, QStringLiteral("A")))
        .arg(int(t));
}

// clang-format off
const QString kUnsettledSql = catalogSql("Payments unsettled charges", QStringList{
    "select * from (" + unsettledBranch(Table::Rent),
    "union all " + unsettledBranch(Table::ColdWater),
    "union all " + unsettledBranch(Table::HotWater),
    "union all " + unsettledBranch(Table::Electricity) + ") U",
    "where owed > 0 order by chargedate, kind, chargeid"});

const QString kInsertPaymentSql = catalogSql("Payments insert payment", QStringList{
    "insert into Zf_Payment (manid,paydate,amount,way,note,operator,entered)",
    "values (:manid,:paydate,:amount,:way,:note,:operator,:entered)"});

const QString kNewestPaymentSql = catalogSql("Payments newest payment", QStringList{
    "select max(ID) as id from Zf_Payment where manid = :manid"});

const QString kInsertLineSql = catalogSql("Payments insert line", QStringList{
    "insert into Zf_PaymentLine (paymentid,tablename,chargeid,amount)",
    "values (:paymentid,:tablename,:chargeid,:amount)"});

const QString kLinesSql = catalogSql("Payments lines of payment", QStringList{
    "select tablename, chargeid, amount from Zf_PaymentLine where paymentid = :paymentid order by ID"});

const QString kInsertReversalSql = catalogSql("Payments insert reversal", QStringList{
    "insert into Zf_PaymentReversal (paymentid,reason,operator,reversetime)",
    "values (:paymentid,:reason,:operator,:reversetime)"});

const QString kPaymentExistsSql = catalogSql("Payments payment state", QStringList{
    "select count(*) as n, (select count(*) from Zf_PaymentReversal R where R.paymentid = :paymentid) as reversed",
    "from Zf_Payment where ID = :paymentid"});
// clang-format on

// What the desk took on the table's charges dated in the period: the money
// received less what payments not reversed put on them, and less what a
// check-out paid from a deposit (received once already, as the deposit).
QString deskBranch(Table t) {
    const QString date = t == Table::Rent ? QStringLiteral("jkrq") : QStringLiteral("Jkrq");
    return QStringLiteral("select isnull(sum(%1 - isnull((select sum(L.amount) from Zf_PaymentLine L "
                          "where L.tablename = '%2' and L.chargeid = A.ID and not exists (select 1 from "
                          "Zf_PaymentReversal R where R.paymentid = L.paymentid)), 0)), 0) - %4 as amount from %2 A "
                          "where A.%3 >= :fromdate and A.%3 < :todate")
        .arg(ChargeMoney::receivedSql(t, QStringLiteral("A")), ChargeMoney::tableName(t), date,
             ChargeMoney::paidFromDepositSql(
                 t, QStringLiteral("B.%1 >= :fromdate and B.%1 < :todate").arg(date)));
}

// The ways in the order ways() offers them, any other way after them, what
// the desk took last; a way with nothing received is left out.
QString placeOfWay() {
    QString places = QStringLiteral("case way");
    const QStringList offered = Payments::ways();
    for (int i = 0; i < offered.size(); ++i)
        places += QStringLiteral(" when '%1' then %2").arg(offered[i]).arg(i + 1);
    return places + QStringLiteral(" else %1 end").arg(offered.size() + 1);
}

// clang-format off
const QString kReceivedByWaySql = catalogSql("Payments received by way", QStringList{
    "select way, amount from (",
    "  select way, sum(amount) as amount, " + placeOfWay() + " as place from Zf_Payment P",
    "  where paydate >= :fromdate and paydate < :todate",
    "    and not exists (select 1 from Zf_PaymentReversal R where R.paymentid = P.ID)",
    "  group by way",
    "  union all select '柜台收款' as way, sum(amount) as amount, 99 as place from (" + deskBranch(Table::Rent),
    "    union all " + deskBranch(Table::ColdWater),
    "    union all " + deskBranch(Table::HotWater),
    "    union all " + deskBranch(Table::Electricity) + ") D",
    ") W where amount <> 0 order by place, way"});
// clang-format on

struct TableStatements {
    QString apply;
    QString undo;
};

// Applying: the charge changes only while its money received is still what
// was read and it is unsettled. Undoing: only while the part is still on it.
TableStatements tableStatements(Table t, const char* applyOwner, const char* undoOwner) {
    const QString table = ChargeMoney::tableName(t);
    const QString received = ChargeMoney::receivedSql(t, QString());
    const QString column = ChargeMoney::receivedColumn(t);
    return {catalogSql(applyOwner, QStringList{
                "update " + table + " set " + column + " = :newreceived, status = :status",
                "where ID = :id and isnull(status, '0') <> '1' and " + received + " = :oldreceived"}),
            catalogSql(undoOwner, QStringList{
                "update " + table + " set " + column + " = " + received + " - :amount, status = '0'",
                "where ID = :id and " + received + " >= :amount"})};
}

const TableStatements& statements(Table t) {
    static const TableStatements rent = tableStatements(Table::Rent, "Payments apply rent", "Payments undo rent");
    static const TableStatements cold =
        tableStatements(Table::ColdWater, "Payments apply cold water", "Payments undo cold water");
    static const TableStatements hot =
        tableStatements(Table::HotWater, "Payments apply hot water", "Payments undo hot water");
    static const TableStatements power =
        tableStatements(Table::Electricity, "Payments apply electricity", "Payments undo electricity");
    switch (t) {
    case Table::Rent: return rent;
    case Table::ColdWater: return cold;
    case Table::HotWater: return hot;
    case Table::Electricity: break;
    }
    return power;
}
[[maybe_unused]] const bool kRegistered = (statements(Table::Rent), statements(Table::ColdWater),
                                           statements(Table::HotWater), statements(Table::Electricity), true);

Decimal dec(const Query& q, const QString& column) {
    return Decimal::parse(q.text(column)).value_or(Decimal());
}

bool less(const Decimal& a, const Decimal& b) { return (a - b).isNegative(); }

Table tableNamed(const QString& name) {
    for (Table t : kTables)
        if (ChargeMoney::tableName(t).compare(name, Qt::CaseInsensitive) == 0)
            return t;
    throw DbError(QStringLiteral("未知的收费表：%1").arg(name));
}

const QString kRaceText = QStringLiteral("该客户的费用刚被另一处修改，请重新查询后再收款。");

// Runs `work` in one write transaction on the shared connection.
template <typename F> auto inTransaction(F work) {
    Connection& c = Connection::shared();
    c.beginWriteTransaction();
    try {
        auto result = work();
        c.commit();
        return result;
    } catch (...) {
        c.rollback();
        throw;
    }
}

} // namespace

namespace Payments {

QStringList ways() {
    return {QStringLiteral("现金"), QStringLiteral("转账"), QStringLiteral("微信"), QStringLiteral("支付宝"),
            QStringLiteral("其他")};
}

QList<Charge> unsettledCharges(const QString& tenant) {
    Query q;
    q.setSql(kUnsettledSql);
    q.setText(QStringLiteral("manid"), tenant.trimmed(), 10);
    q.open();
    QList<Charge> list;
    for (q.first(); !q.eof(); q.next())
        list.append({tableNamed(q.text(QStringLiteral("tablename"))), q.integer(QStringLiteral("chargeid")),
                     q.text(QStringLiteral("fangno")).trimmed(), q.dateTime(QStringLiteral("chargedate")),
                     dec(q, QStringLiteral("due")), dec(q, QStringLiteral("received")), dec(q, QStringLiteral("owed"))});
    return list;
}

QList<Line> allocate(const QList<Charge>& charges, const Decimal& amount) {
    QList<Line> lines;
    Decimal left = amount;
    for (const Charge& c : charges) {
        if (left.isZero() || left.isNegative())
            break;
        const bool whole = !less(left, c.owed);
        lines.append({c.table, c.id, whole ? c.owed : left, whole});
        left = left - lines.last().amount;
    }
    return lines;
}

qint64 take(const Taken& p) {
    if (p.amount.isZero() || p.amount.isNegative())
        throw DbError(QStringLiteral("收款金额必须大于零！"));
    return inTransaction([&] {
        // Read again inside the transaction: what is applied is what is owed now.
        const QList<Charge> charges = unsettledCharges(p.tenant);
        Query ins;
        ins.setSql(kInsertPaymentSql);
        ins.setText(QStringLiteral("manid"), p.tenant.trimmed(), 10);
        ins.setDateTime(QStringLiteral("paydate"), p.when);
        ins.setDecimal(QStringLiteral("amount"), p.amount.toString());
        ins.setText(QStringLiteral("way"), p.way, 10);
        ins.setText(QStringLiteral("note"), p.note, 100);
        ins.setText(QStringLiteral("operator"), p.operatorName, 10);
        ins.setDateTime(QStringLiteral("entered"), p.when);
        ins.exec();
        Query newest;
        newest.setSql(kNewestPaymentSql);
        newest.setText(QStringLiteral("manid"), p.tenant.trimmed(), 10);
        newest.open();
        const qint64 id = newest.integer(QStringLiteral("id"));
        const QList<Line> lines = allocate(charges, p.amount);
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const Line& l = lines[i];
            const Charge& c = charges[i];
            Query apply;
            apply.setSql(statements(l.table).apply);
            apply.setDecimal(QStringLiteral("newreceived"), (c.received + l.amount).toString());
            apply.setText(QStringLiteral("status"), l.settles ? QStringLiteral("1") : QStringLiteral("0"), 1);
            apply.setInteger(QStringLiteral("id"), l.id);
            apply.setDecimal(QStringLiteral("oldreceived"), c.received.toString());
            if (apply.exec() != 1)
                throw DbError(kRaceText);
            Query line;
            line.setSql(kInsertLineSql);
            line.setInteger(QStringLiteral("paymentid"), id);
            line.setText(QStringLiteral("tablename"), ChargeMoney::tableName(l.table), 20);
            line.setInteger(QStringLiteral("chargeid"), l.id);
            line.setDecimal(QStringLiteral("amount"), l.amount.toString());
            line.exec();
        }
        return id;
    });
}

void reverse(qint64 paymentId, const QString& reason, const QString& operatorName, const QDateTime& when) {
    if (reason.trimmed().isEmpty())
        throw DbError(QStringLiteral("请填写冲销原因！"));
    inTransaction([&] {
        Query state;
        state.setSql(kPaymentExistsSql);
        state.setInteger(QStringLiteral("paymentid"), paymentId);
        state.open();
        if (state.integer(QStringLiteral("n")) == 0)
            throw DbError(QStringLiteral("找不到这笔收款！"));
        if (state.integer(QStringLiteral("reversed")) > 0)
            throw DbError(QStringLiteral("这笔收款已经冲销过了！"));
        Query lines;
        lines.setSql(kLinesSql);
        lines.setInteger(QStringLiteral("paymentid"), paymentId);
        lines.open();
        for (lines.first(); !lines.eof(); lines.next()) {
            Query undo;
            undo.setSql(statements(tableNamed(lines.text(QStringLiteral("tablename")))).undo);
            undo.setInteger(QStringLiteral("id"), lines.integer(QStringLiteral("chargeid")));
            undo.setDecimal(QStringLiteral("amount"), lines.text(QStringLiteral("amount")));
            if (undo.exec() != 1)
                throw DbError(QStringLiteral("冲销失败：所收费用已被另一处修改或作废。"));
        }
        // Recorded after the parts are taken off: an older row's money
        // received is the payments on it, this one still counted while undone.
        // The unique index refuses a second reversal written by another desk.
        Query ins;
        ins.setSql(kInsertReversalSql);
        ins.setInteger(QStringLiteral("paymentid"), paymentId);
        ins.setText(QStringLiteral("reason"), reason.trimmed(), 100);
        ins.setText(QStringLiteral("operator"), operatorName, 10);
        ins.setDateTime(QStringLiteral("reversetime"), when);
        ins.exec();
        return true;
    });
}

QString receivedByWaySql() { return kReceivedByWaySql; }

QList<WayTotal> receivedByWay(const QDate& from, const QDate& to) {
    Query byWay;
    byWay.setSql(kReceivedByWaySql);
    byWay.setDateTime(QStringLiteral("fromdate"), QDateTime(from, QTime(0, 0)));
    byWay.setDateTime(QStringLiteral("todate"), QDateTime(to.addDays(1), QTime(0, 0)));
    byWay.open();
    QList<WayTotal> totals;
    for (byWay.first(); !byWay.eof(); byWay.next())
        totals.append({byWay.text(QStringLiteral("way")).trimmed(), dec(byWay, QStringLiteral("amount"))});
    return totals;
}

} // namespace Payments
