#include "checkoutsettlement.h"

#include "chargebook.h"
#include "connection.h"
#include "monthlytables.h"
#include "query.h"
#include "sqlcatalog.h"

#include <algorithm>

using ChargeMoney::Table;

namespace {

// clang-format off
// The deposit received in this let: paid rent rows of this tenant and room,
// dated on or after the let began, that carried a deposit. A deposit of an
// earlier let (refunded when it ended) or on a first rent still unpaid was
// not received in this one.
const QString kDepositSql = catalogSql("CheckOut deposit received", QStringList{
    "select isnull(sum(D.fangya), 0) as fangya from dbo.Zf_Zujin D",
    "where D.manid = :manid and D.fangno = :fangno and D.status = '1'",
    "  and D.fangya > 0 and D.jkrq >= :since"});

// A charge table's rows of this let not yet settled, with what was received
// on them and what is still owed.
QStringList unsettledLines(Table t)
{
    const bool rent = t == Table::Rent;
    return {
        QStringLiteral("select A.ID as id, A.Jkrq as jkrq, ") +
            (rent ? QStringLiteral("A.enddate as enddate, ") : QStringLiteral("A.Sybd as sybd, A.Bybd as bybd, ")) +
            QStringLiteral("A.") + ChargeMoney::dueColumn(t) + QStringLiteral(" as due,"),
        QStringLiteral("  ") + ChargeMoney::receivedSql(t, QStringLiteral("A")) + QStringLiteral(" as received,"),
        QStringLiteral("  ") + ChargeMoney::owedSql(t, QStringLiteral("A")) + QStringLiteral(" as owed"),
        QStringLiteral("from dbo.") + ChargeMoney::tableName(t) + QStringLiteral(" A"),
        QStringLiteral("where A.fangno = :fangno and A.manid = :manid"),
        // Written as the index over the unsettled rows is, so that index
        // answers it: only this let's unsettled rows are read.
        QStringLiteral("  and isnull(A.status, '0') <> '1' and A.Jkrq >= :since"),
        QStringLiteral("order by A.Jkrq, A.ID")};
}
const QString kUnsettledSql[] = {
    catalogSql("CheckOut unsettled rent", unsettledLines(Table::Rent)),
    catalogSql("CheckOut unsettled cold water", unsettledLines(Table::ColdWater)),
    catalogSql("CheckOut unsettled hot water", unsettledLines(Table::HotWater)),
    catalogSql("CheckOut unsettled electricity", unsettledLines(Table::Electricity))};

// The occupancy row goes only if it is still the let shown: a count of 0
// means it was checked out meanwhile.
const QString kFreeRoomSql = catalogSql("CheckOut free room", QStringList{
    "delete zf_rz where id = :rzid and manid = :manid and fangno = :fangno"});

// A charge settled, or paid in part, from the deposit; only while it is
// still unsettled.
const QString kSettleSql[] = {
    catalogSql("CheckOut settle rent", QStringList{
        "update Zf_Zujin set sf = :received, status = :status",
        "where id = :id and (status is null or status <> '1')"}),
    catalogSql("CheckOut settle cold water", QStringList{
        "update Zf_Lenshui set sfj = :received, status = :status",
        "where ID = :id and (status is null or status <> '1')"}),
    catalogSql("CheckOut settle hot water", QStringList{
        "update Zf_Reshui set sfj = :received, status = :status",
        "where ID = :id and (status is null or status <> '1')"}),
    catalogSql("CheckOut settle electricity", QStringList{
        "update Zf_YdSf set sfj = :received, status = :status",
        "where ID = :id and (status is null or status <> '1')"})};

// The final utility charges, with the columns the utility screens store.
const QString kFinalChargeSql[] = {
    {},
    catalogSql("CheckOut final cold water", QStringList{
        "insert into Zf_Lenshui",
        "       (fangno,manid,jkrq,sybd,bybd,sys,lsdj,yfj,sfj,status)",
        "values (:fangno,:manid,:jkrq,:sybd,:bybd,:sys,:price,:yfj,:sfj,:status)"}),
    catalogSql("CheckOut final hot water", QStringList{
        "insert into Zf_Reshui",
        "       (fangno,manid,jkrq,sybd,bybd,sys,rsdj,yfj,sfj,status)",
        "values (:fangno,:manid,:jkrq,:sybd,:bybd,:sys,:price,:yfj,:sfj,:status)"}),
    catalogSql("CheckOut final electricity", QStringList{
        "insert into Zf_YdSf",
        "       (fangno,manid,jkrq,sybd,bybd,sys,Yddj,yfj,sfj,status)",
        "values (:fangno,:manid,:jkrq,:sybd,:bybd,:sys,:price,:yfj,:sfj,:status)"})};
const QString kLastChargeSql[] = {
    {},
    catalogSql("CheckOut last cold water", QStringList{
        "select max(ID) as id from Zf_Lenshui where fangno = :fangno and manid = :manid"}),
    catalogSql("CheckOut last hot water", QStringList{
        "select max(ID) as id from Zf_Reshui where fangno = :fangno and manid = :manid"}),
    catalogSql("CheckOut last electricity", QStringList{
        "select max(ID) as id from Zf_YdSf where fangno = :fangno and manid = :manid"})};

const QString kInsertSql = catalogSql("CheckOut insert", QStringList{
    "insert into zf_tf(manid,fangno,begindate,tfdate,tfj,status)",
    "       values(:manid,:fangno,:begindate,:tfdate,:tfj,:status)"});
const QString kLastCheckOutSql = catalogSql("CheckOut last row", QStringList{
    "select max(id) as id from zf_tf where manid = :manid and fangno = :fangno"});
const QString kLineSql = catalogSql("CheckOut line", QStringList{
    "insert into Zf_TfMx(tfid,xm,chargeid,jkrq,sm,je,dk)",
    "       values(:tfid,:xm,:chargeid,:jkrq,:sm,:je,:dk)"});
// clang-format on

// The reading taken on leaving, in the month table of that day.
QString readingSql(const QString& table) {
    return QStringLiteral("insert ") + table + QStringLiteral("(fangno,cbrq,lsb,rsb,db,mqb)\n") +
           QStringLiteral("values (:fangno,:cbrq,:lsb,:rsb,:db,:mqb)");
}
[[maybe_unused]] const bool kSampled =
    catalogSample("CheckOut final reading", readingSql(QStringLiteral("zf_Biaodi202403")));

Decimal decimalOf(const Query& q, const QString& column) {
    return Decimal::parse(q.isNull(column) ? QStringLiteral("0") : q.text(column))
        .value_or(Decimal());
}

Decimal minOf(const Decimal& a, const Decimal& b) {
    return isNegative(a - b) ? a : b;
}
Decimal positive(const Decimal& d) {
    return isNegative(d) ? Decimal() : d;
}

QDateTime midnight(const QDate& d) {
    return QDateTime(d, QTime(0, 0));
}

void bindDecimal(Query& q, const QString& name, const std::optional<Decimal>& value) {
    if (value)
        q.setDecimal(name, value->toString());
    else
        q.setNull(name, ParamKind::Decimal);
}

qint64 lastId(Connection& c, const QString& sql, const LetFound& let) {
    Query q(c);
    q.setSql(sql);
    q.setText(QStringLiteral("manid"), let.manid, 10);
    q.setText(QStringLiteral("fangno"), let.fangno, 8);
    q.open();
    return q.integer(QStringLiteral("id"));
}

// The figures a save relies on, to compare what was shown with what the
// database holds at the moment of saving.
QString figures(const Settlement& s) {
    QStringList parts{s.deposit.toString()};
    for (const SettledCharge& c : s.unsettled)
        parts << QStringLiteral("%1:%2:%3").arg(int(c.table)).arg(c.id).arg(c.owed.toString());
    for (const auto& r : s.previous)
        parts << (r ? QStringLiteral("%1#%2:%3+%4")
                          .arg(r->reading.table)
                          .arg(r->reading.id)
                          .arg(r->reading.value.toString())
                          .arg(r->changes.size())
                    : QStringLiteral("-"));
    for (const auto& p : s.prices)
        parts << (p ? p->toString() : QStringLiteral("-"));
    return parts.join(QLatin1Char('|'));
}

} // namespace

bool isNegative(const Decimal& d) {
    return d.toString().startsWith(QLatin1Char('-'));
}

QString SettledCharge::item() const {
    return ChargeMoney::itemName(table);
}

QList<FinalCharges::Charge> Settlement::finalCharges() const {
    return FinalCharges::charges(previous, finalReadings, prices);
}

QList<Settlement::Line> Settlement::lines() const {
    QList<SettledCharge> all = unsettled;
    for (const FinalCharges::Charge& f : finalCharges()) {
        SettledCharge c;
        c.table = f.utility.table;
        c.jkrq = day;
        c.note = QStringLiteral("%1→%2，用量%3×%4")
                     .arg(f.previous.toString(), f.final.toString(), f.usage.toString(),
                          f.price.toString());
        c.due = c.owed = f.amount;
        c.final = f;
        all << c;
    }
    QList<Line> out;
    Decimal left = deposit;
    for (const SettledCharge& c : all) {
        const Decimal paid = positive(minOf(left, c.owed));
        left = left - paid;
        out << Line{c, paid};
    }
    return out;
}

Decimal Settlement::owedTotal() const {
    Decimal total;
    for (const Line& l : lines())
        total = total + l.charge.owed;
    return total;
}

Decimal Settlement::leftAfterCharges() const {
    return positive(deposit - owedTotal());
}
bool Settlement::chargesCovered() const {
    return !isNegative(deposit - owedTotal());
}
Decimal Settlement::shortfall() const {
    return positive(owedTotal() - deposit);
}
Decimal Settlement::deductionPaid() const {
    return positive(minOf(deduction, leftAfterCharges()));
}
Decimal Settlement::refund() const {
    return positive(leftAfterCharges() - deduction);
}

Settlement loadSettlement(Connection& connection, const LetFound& let, const QDate& day) {
    Settlement s;
    s.let = let;
    s.day = day;
    {
        Query q(connection);
        q.setSql(kDepositSql);
        q.setText(QStringLiteral("manid"), let.manid, 10);
        q.setText(QStringLiteral("fangno"), let.fangno, 8);
        q.setDateTime(QStringLiteral("since"), midnight(let.since()));
        q.open();
        s.deposit = decimalOf(q, QStringLiteral("fangya"));
    }
    const Table tables[] = {Table::Rent, Table::ColdWater, Table::HotWater, Table::Electricity};
    for (int t = 0; t < 4; ++t) {
        Query q(connection);
        q.setSql(kUnsettledSql[t]);
        q.setText(QStringLiteral("fangno"), let.fangno, 8);
        q.setText(QStringLiteral("manid"), let.manid, 10);
        q.setDateTime(QStringLiteral("since"), midnight(let.since()));
        q.open();
        for (bool more = q.first(); more; more = q.next()) {
            SettledCharge c;
            c.table = tables[t];
            c.id = q.integer(QStringLiteral("id"));
            c.jkrq = q.dateTime(QStringLiteral("jkrq")).date();
            c.due = decimalOf(q, QStringLiteral("due"));
            c.received = decimalOf(q, QStringLiteral("received"));
            c.owed = decimalOf(q, QStringLiteral("owed"));
            if (tables[t] == Table::Rent) {
                if (!q.isNull(QStringLiteral("enddate")))
                    c.note = QStringLiteral("租期至") +
                             q.dateTime(QStringLiteral("enddate")).date().toString(Qt::ISODate);
            } else {
                c.note = q.text(QStringLiteral("sybd")) + QStringLiteral("→") +
                         q.text(QStringLiteral("bybd"));
            }
            // Nothing to settle on a row that owes nothing.
            if (!isNegative(c.owed) && !c.owed.isZero())
                s.unsettled << c;
        }
    }
    std::stable_sort(
        s.unsettled.begin(), s.unsettled.end(),
        [](const SettledCharge& a, const SettledCharge& b) { return a.jkrq < b.jkrq; });
    s.previous = FinalCharges::previousReadings(connection, let.fangno, day);
    for (size_t i = 0; i < FinalCharges::utilities().size(); ++i)
        s.prices[i] = FinalCharges::unitPrice(connection, FinalCharges::utilities()[i].priceId);
    return s;
}

CheckOutResult saveCheckOut(Connection& connection, const Settlement& shown,
                            const QString& status) {
    const LetFound& let = shown.let;
    if (connection.inTransaction())
        connection.rollback();
    connection.beginWriteTransaction();
    try {
        auto give = [&](CheckOutOutcome outcome) {
            connection.rollback();
            return CheckOutResult{outcome, 0};
        };
        {
            Query free(connection);
            free.setSql(kFreeRoomSql);
            free.setInteger(QStringLiteral("rzid"), let.rzId);
            free.setText(QStringLiteral("manid"), let.manid, 10);
            free.setText(QStringLiteral("fangno"), let.fangno, 8);
            if (free.exec() != 1)
                return give(CheckOutOutcome::LetGone);
        }
        Settlement now = loadSettlement(connection, let, shown.day);
        if (figures(now) != figures(shown))
            return give(CheckOutOutcome::Changed);
        now.finalReadings = shown.finalReadings;
        now.deduction = shown.deduction;
        now.reason = shown.reason;

        const bool read = std::any_of(now.finalReadings.begin(), now.finalReadings.end(),
                                      [](const auto& r) { return r.has_value(); });
        if (read) {
            const QString table = BiaodiTableName(now.day.year(), now.day.month());
            EnsureBiaodiTable(connection, table);
            Query reading(connection);
            reading.setSql(readingSql(table));
            reading.setText(QStringLiteral("fangno"), let.fangno, 8);
            reading.setDateTime(QStringLiteral("cbrq"), midnight(now.day));
            const char* columns[] = {"lsb", "rsb", "db", "mqb"};
            for (int m = 0; m < kMeterCount; ++m)
                bindDecimal(reading, QLatin1String(columns[m]), now.finalReadings[size_t(m)]);
            reading.exec();
        }

        struct Stored {
            Settlement::Line line;
            qint64 id;
        };
        QList<Stored> stored;
        for (const Settlement::Line& line : now.lines()) {
            const SettledCharge& c = line.charge;
            const bool settled = line.paid == c.owed;
            const QString rowStatus = settled ? QStringLiteral("1") : QStringLiteral("0");
            if (c.final) {
                const int t = int(c.table);
                Query insert(connection);
                insert.setSql(kFinalChargeSql[t]);
                insert.setText(QStringLiteral("fangno"), let.fangno, 8);
                insert.setText(QStringLiteral("manid"), let.manid, 10);
                insert.setDateTime(QStringLiteral("jkrq"), midnight(now.day));
                insert.setDecimal(QStringLiteral("sybd"), c.final->previous.toString());
                insert.setDecimal(QStringLiteral("bybd"), c.final->final.toString());
                insert.setDecimal(QStringLiteral("sys"), c.final->usage.toString());
                insert.setDecimal(QStringLiteral("price"), c.final->price.toString());
                insert.setDecimal(QStringLiteral("yfj"), c.final->amount.toString());
                insert.setDecimal(QStringLiteral("sfj"), line.paid.toString());
                insert.setText(QStringLiteral("status"), rowStatus, 1);
                insert.exec();
                const qint64 id = lastId(connection, kLastChargeSql[t], let);
                // The charge covers the interval from the previous reading
                // to the one just stored; recorded, so that no utility screen
                // charges it again.
                const auto interval =
                    ReadingSeries::latestInterval(let.fangno, c.final->utility.meter, now.day, {},
                                                  &connection);
                if (!interval || interval->to.date.date() != now.day ||
                    interval->usage != c.final->usage)
                    return give(CheckOutOutcome::Changed);
                ChargeBook::recordInterval(c.table, id, let.fangno, *interval, &connection);
                stored << Stored{line, id};
            } else {
                if (!line.paid.isZero()) {
                    Query settle(connection);
                    settle.setSql(kSettleSql[int(c.table)]);
                    settle.setDecimal(QStringLiteral("received"),
                                      (c.received + line.paid).toString());
                    settle.setText(QStringLiteral("status"), rowStatus, 1);
                    settle.setInteger(QStringLiteral("id"), c.id);
                    if (settle.exec() != 1)
                        return give(CheckOutOutcome::Changed);
                }
                stored << Stored{line, c.id};
            }
        }

        {
            Query insert(connection);
            insert.setSql(kInsertSql);
            insert.setText(QStringLiteral("manid"), let.manid, 10);
            insert.setText(QStringLiteral("fangno"), let.fangno, 8);
            insert.setDateTime(QStringLiteral("begindate"), let.begindate);
            insert.setDateTime(QStringLiteral("tfdate"), midnight(now.day));
            insert.setDecimal(QStringLiteral("tfj"), now.refund().toString());
            insert.setText(QStringLiteral("status"), status, 1);
            insert.exec();
        }
        const qint64 tfId = lastId(connection, kLastCheckOutSql, let);
        auto line = [&](const QString& xm, std::optional<qint64> chargeId, const QDate& jkrq,
                        const QString& sm, const Decimal& je, std::optional<Decimal> dk) {
            Query q(connection);
            q.setSql(kLineSql);
            q.setInteger(QStringLiteral("tfid"), tfId);
            q.setText(QStringLiteral("xm"), xm, 10);
            if (chargeId)
                q.setInteger(QStringLiteral("chargeid"), *chargeId);
            else
                q.setNull(QStringLiteral("chargeid"), ParamKind::Integer);
            if (jkrq.isValid())
                q.setDateTime(QStringLiteral("jkrq"), midnight(jkrq));
            else
                q.setNull(QStringLiteral("jkrq"), ParamKind::DateTime);
            q.setText(QStringLiteral("sm"), sm, 60);
            q.setDecimal(QStringLiteral("je"), je.toString());
            bindDecimal(q, QStringLiteral("dk"), dk);
            q.exec();
        };
        line(QStringLiteral("押金"), std::nullopt, let.since(), {}, now.deposit, std::nullopt);
        for (const Stored& s : stored)
            line(s.line.charge.item(), s.id, s.line.charge.jkrq, s.line.charge.note,
                 s.line.charge.owed, s.line.paid);
        if (!now.deduction.isZero())
            line(QStringLiteral("扣款"), std::nullopt, now.day, now.reason, now.deduction,
                 now.deductionPaid());
        connection.commit();
        return {CheckOutOutcome::Saved, tfId};
    } catch (...) {
        try {
            if (connection.inTransaction())
                connection.rollback();
        } catch (const DbError&) {
            // The failure thrown on says what went wrong.
        }
        throw;
    }
}
