#include "ledger.h"

#include "chargemoney.h"
#include "query.h"
#include "sqlcatalog.h"

#include <algorithm>

namespace {

using ChargeMoney::Table;

// The money that payments not reversed put on the charge.
QString paidByPaymentsSql(Table t) {
    return QStringLiteral("isnull((select sum(L.amount) from Zf_PaymentLine L where L.tablename = '%1' "
                          "and L.chargeid = A.ID and not exists (select 1 from Zf_PaymentReversal R "
                          "where R.paymentid = L.paymentid)), 0)")
        .arg(ChargeMoney::tableName(t));
}

QString chargeBranch(Table t) {
    const bool rent = t == Table::Rent;
    // The rent's period or the utility's two readings; the other pair null.
    const QString period =
        rent ? QStringLiteral("A.begindate as fromdate, A.enddate as todate, cast(null as numeric(10, 2)) as fromreading, "
                              "cast(null as numeric(10, 2)) as toreading")
             : QStringLiteral("cast(null as datetime) as fromdate, cast(null as datetime) as todate, "
                              "A.Sybd as fromreading, A.Bybd as toreading");
    return QStringLiteral("select %1 as kind, A.ID as id, A.fangno, A.%2 as chargedate, %3, "
                          "isnull(A.%4, 0) as due, %5 as received, %6 as bypayments from %7 A where A.manid = :manid")
        .arg(int(t))
        .arg(rent ? QStringLiteral("jkrq") : QStringLiteral("Jkrq"), period, ChargeMoney::dueColumn(t),
             ChargeMoney::receivedSql(t, QStringLiteral("A")), paidByPaymentsSql(t), ChargeMoney::tableName(t));
}

// clang-format off
const QString kChargesSql = catalogSql("Ledger charges", QStringList{
    chargeBranch(Table::Rent),
    "union all " + chargeBranch(Table::ColdWater),
    "union all " + chargeBranch(Table::HotWater),
    "union all " + chargeBranch(Table::Electricity)});

const QString kPaymentsSql = catalogSql("Ledger payments", QStringList{
    "select P.ID, P.paydate, P.amount, P.way, P.note, R.reversetime, R.reason",
    "from Zf_Payment P left join Zf_PaymentReversal R on R.paymentid = P.ID",
    "where P.manid = :manid"});
// clang-format on

Decimal dec(const Query& q, const QString& c) { return Decimal::parse(q.text(c).trimmed()).value_or(Decimal()); }

} // namespace

namespace Ledger {

QString kindName(Kind k) {
    switch (k) {
    case Kind::Charge: return QStringLiteral("应收");
    case Kind::DeskReceipt: return QStringLiteral("柜台收款");
    case Kind::Payment: return QStringLiteral("收款");
    case Kind::Reversal: return QStringLiteral("冲销");
    }
    return {};
}

QList<Line> lines(const QString& tenant) {
    QList<Line> out;
    Query c;
    c.setSql(kChargesSql);
    c.setText(QStringLiteral("manid"), tenant.trimmed(), 10);
    c.open();
    for (c.first(); !c.eof(); c.next()) {
        Line l;
        l.date = c.dateTime(QStringLiteral("chargedate"));
        l.item = ChargeMoney::itemName(Table(c.integer(QStringLiteral("kind"))));
        l.room = c.text(QStringLiteral("fangno")).trimmed();
        l.detail = c.isNull(QStringLiteral("fromreading"))
                       ? (c.isNull(QStringLiteral("fromdate")) ? QString()
                                                               : QStringLiteral("%1至%2").arg(
                                                                     c.dateTime(QStringLiteral("fromdate")).toString(QStringLiteral("yyyy-MM-dd")),
                                                                     c.dateTime(QStringLiteral("todate")).toString(QStringLiteral("yyyy-MM-dd"))))
                       : QStringLiteral("%1→%2").arg(dec(c, QStringLiteral("fromreading")).toString(),
                                                     dec(c, QStringLiteral("toreading")).toString());
        l.debit = dec(c, QStringLiteral("due"));
        l.id = c.integer(QStringLiteral("id"));
        out.append(l);
        const Decimal desk = dec(c, QStringLiteral("received")) - dec(c, QStringLiteral("bypayments"));
        if (!desk.isZero()) {
            Line d = l;
            d.kind = Kind::DeskReceipt;
            d.detail.clear();
            d.debit = Decimal();
            d.credit = desk;
            out.append(d);
        }
    }
    Query p;
    p.setSql(kPaymentsSql);
    p.setText(QStringLiteral("manid"), tenant.trimmed(), 10);
    p.open();
    for (p.first(); !p.eof(); p.next()) {
        Line l;
        l.kind = Kind::Payment;
        l.date = p.dateTime(QStringLiteral("paydate"));
        l.item = p.text(QStringLiteral("way"));
        l.detail = p.text(QStringLiteral("note"));
        l.credit = dec(p, QStringLiteral("amount"));
        l.id = p.integer(QStringLiteral("ID"));
        out.append(l);
        if (!p.isNull(QStringLiteral("reversetime"))) {
            Line r = l;
            r.kind = Kind::Reversal;
            r.date = p.dateTime(QStringLiteral("reversetime"));
            r.detail = p.text(QStringLiteral("reason"));
            r.debit = l.credit;
            r.credit = Decimal();
            out.append(r);
        }
    }
    std::stable_sort(out.begin(), out.end(), [](const Line& a, const Line& b) {
        if (a.date.date() != b.date.date())
            return a.date.date() < b.date.date();
        const bool aMoney = a.kind == Kind::Payment || a.kind == Kind::Reversal;
        const bool bMoney = b.kind == Kind::Payment || b.kind == Kind::Reversal;
        if (aMoney != bMoney)
            return !aMoney;
        return a.date < b.date;
    });
    Decimal balance;
    for (Line& l : out) {
        balance = (balance + l.debit) - l.credit;
        l.balance = balance;
    }
    return out;
}

Statement statement(const QString& tenant, const QDate& from, const QDate& to) {
    Statement s;
    for (const Line& l : lines(tenant)) {
        const QDate d = l.date.date();
        if (d < from)
            s.opening = l.balance;
        else if (d <= to)
            s.lines.append(l);
    }
    s.closing = s.lines.isEmpty() ? s.opening : s.lines.last().balance;
    return s;
}

} // namespace Ledger
