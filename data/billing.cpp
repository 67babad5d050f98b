#include "billing.h"

#include "chargebook.h"
#include "clock.h"
#include "monthlytables.h"
#include "connection.h"
#include "query.h"
#include "readingcheck.h"
#include "sqlcatalog.h"

#include <QHash>
#include <QSet>

#include <array>

namespace {

using ChargeMoney::Table;

// clang-format off
const QString kLetRoomsSql = catalogSql("Billing let rooms", QStringList{
    "SELECT C.manid, D.manname, C.fangno, C.begindate, F.fangya, F.fangprice, F.ljf",
    "FROM dbo.Zf_Rz C INNER JOIN dbo.Zf_Man D ON C.manid = D.manid",
    "INNER JOIN dbo.Zf_Fangjian F ON C.fangno = F.fangno",
    "where C.status = '1' order by C.fangno"});

const QString kPricesSql = catalogSql("Billing unit prices", QStringList{
    "select DjId, price from zf_dj where DjId in (1, 2, 3)"});

// Tenants who have a rent row: their deposit was charged on the first.
const QString kRentPayersSql = catalogSql("Billing tenants with rent", QStringList{
    "select distinct manid from Zf_Zujin"});

// Written only while the let has no rent up to the month's end, and, with a
// deposit, while the tenant has no rent row at all: a single save between
// the proposal and the write is not charged twice.
const QString kInsertRentSql = catalogSql("Billing insert rent", QStringList{
    "insert into Zf_Zujin",
    "       (fangno,manid,jkrq,fangya,fangprice,ljf,yf,sf,begindate,enddate,status)",
    "select :fangno,:manid,:jkrq,:fangya,:fangprice,:ljf,:yf,0,:begindate,:enddate,'0'",
    "where not exists (select 1 from dbo.Zf_Zujin where fangno = :paidroom and manid = :paidtenant",
    "                  and begindate = :paidstart and enddate >= :periodend)",
    "  and (:withdeposit = 0 or not exists (select 1 from dbo.Zf_Zujin where manid = :depositof))"});
// clang-format on

QString utilityInsert(const char* owner, const char* table, const char* priceColumn) {
    return catalogSql(owner, QStringList{
        QStringLiteral("insert into %1 (fangno,manid,jkrq,sybd,bybd,sys,%2,yfj,sfj,status)")
            .arg(QLatin1String(table), QLatin1String(priceColumn)),
        QStringLiteral("values (:fangno,:manid,:jkrq,:sybd,:bybd,:sys,:price,:yfj,0,'0')")});
}

const QString& utilityInsertSql(Table t) {
    static const QString cold = utilityInsert("Billing insert cold water", "Zf_Lenshui", "lsdj");
    static const QString hot = utilityInsert("Billing insert hot water", "Zf_Reshui", "rsdj");
    static const QString power = utilityInsert("Billing insert electricity", "Zf_YdSf", "Yddj");
    return t == Table::ColdWater ? cold : t == Table::HotWater ? hot : power;
}
[[maybe_unused]] const bool kRegistered =
    (utilityInsertSql(Table::ColdWater), utilityInsertSql(Table::HotWater), utilityInsertSql(Table::Electricity), true);

struct MeterKind {
    Meter meter;
    Table table;
    int priceId;
};
constexpr MeterKind kMeters[] = {{Meter::ColdWater, Table::ColdWater, 1},
                                 {Meter::HotWater, Table::HotWater, 2},
                                 {Meter::Electricity, Table::Electricity, 3}};

Decimal decimalOf(const QString& text) { return Decimal::parse(text.trimmed()).value_or(Decimal()); }

QDateTime dayOf(const QDate& d) { return QDateTime(d, QTime(0, 0)); }

// Why a meter of the room cannot be billed for the month, when no pair of
// readings ends in it.
QString missingReason(const QString& room, Meter meter, const QDate& first, const QDate& last) {
    const std::vector<MeterReading> latest = ReadingSeries::readings(room, meter, last, 1);
    if (latest.empty() || latest.back().date.date() < first)
        return QStringLiteral("本月没有抄表");
    return QStringLiteral("没有上次读数");
}

// The date the month's charges carry: today within the month, else the
// month's last day (a month billed late) or first day (billed early).
QDate chargeDate(const QDate& first, const QDate& last) {
    const QDate today = Clock::today();
    return today < first ? first : today > last ? last : today;
}

QString monthReadSql(const QString& table) {
    return QStringLiteral("select fangno, count(lsb) as lsb, count(rsb) as rsb, count(db) as db from %1 group by fangno")
        .arg(table);
}
[[maybe_unused]] const bool kMonthReadSample =
    catalogSample("Billing rooms read this month", monthReadSql(QStringLiteral("zf_Biaodi202403")));

// The meters of each room read in the month's own reading table (room in
// upper case -> cold, hot, electricity), read once for the whole building:
// a meter not read there has no reading this month and its series is not
// read at all.
QHash<QString, std::array<bool, 3>> readThisMonth(const QDate& month) {
    QHash<QString, std::array<bool, 3>> read;
    const QString table = BiaodiTableName(month.year(), month.month());
    if (!ReadingSeries::monthTables().contains(table, Qt::CaseInsensitive))
        return read;
    Query q;
    q.setSql(monthReadSql(table));
    q.open();
    // A server that groups room numbers exactly gives "b2" and "B2 " a row
    // each: what either row read counts for the room.
    for (q.first(); !q.eof(); q.next()) {
        std::array<bool, 3>& meters = read[q.text(QStringLiteral("fangno")).trimmed().toUpper()];
        int m = 0;
        for (const char* column : {"lsb", "rsb", "db"})
            meters[size_t(m++)] |= q.integer(QLatin1String(column)) > 0;
    }
    return read;
}

} // namespace

namespace Billing {

Decimal rentDue(const Decimal& deposit, const Decimal& rent, const Decimal& refuse) {
    return ((deposit + rent) + refuse).rounded(2);
}

Decimal utilityDue(const Decimal& price, const Decimal& usage) { return (price * usage).rounded(2); }

Proposal propose(const QDate& month, const std::function<void(int, int)>& progress) {
    const ReadingSeries::ReadingsKept kept; // read once for every room
    Proposal p;
    p.month = QDate(month.year(), month.month(), 1);
    const QDate last = p.month.addMonths(1).addDays(-1);

    Decimal prices[4];
    {
        Query q;
        q.setSql(kPricesSql);
        q.open();
        for (q.first(); !q.eof(); q.next()) {
            const qint64 id = q.integer(QStringLiteral("DjId"));
            if (id >= 1 && id <= 3)
                prices[id] = decimalOf(q.text(QStringLiteral("price")));
        }
    }
    QSet<QString> payers;
    {
        Query q;
        q.setSql(kRentPayersSql);
        q.open();
        for (q.first(); !q.eof(); q.next())
            payers.insert(q.text(QStringLiteral("manid")).trimmed().toUpper());
    }
    const ReadingHistory history = ReadingHistory::load(p.month);
    const QHash<QString, std::array<bool, 3>> read = readThisMonth(p.month);

    Query lets;
    lets.setSql(kLetRoomsSql);
    lets.open();
    const int rooms = lets.count();
    for (lets.first(); !lets.eof(); lets.next()) {
        if (progress)
            progress(lets.row(), rooms);
        ProposedCharge base;
        base.room = lets.text(QStringLiteral("fangno")).trimmed();
        base.tenant = lets.text(QStringLiteral("manid")).trimmed();
        base.tenantName = lets.text(QStringLiteral("manname")).trimmed();
        base.letStart = lets.dateTime(QStringLiteral("begindate")).date();

        if (ChargeBook::rentAlreadyPaidQuestion(base.room, base.tenant, lets.value(QStringLiteral("begindate")),
                                                last, last)
                .isEmpty()) {
            ProposedCharge rent = base;
            rent.table = Table::Rent;
            rent.deposit = payers.contains(base.tenant.toUpper()) ? Decimal() : decimalOf(lets.text(QStringLiteral("fangya")));
            rent.rent = decimalOf(lets.text(QStringLiteral("fangprice")));
            rent.refuse = decimalOf(lets.text(QStringLiteral("ljf")));
            rent.due = rentDue(rent.deposit, rent.rent, rent.refuse);
            p.charges.append(rent);
        }

        const std::array<bool, 3> readHere = read.value(base.room.toUpper(), {false, false, false});
        for (int m = 0; m < 3; ++m) {
            const MeterKind& k = kMeters[m];
            if (!readHere[size_t(m)]) {
                p.unbillable.append({base.room, base.tenant, base.tenantName, k.table, QStringLiteral("本月没有抄表")});
                continue;
            }
            const auto interval = ReadingSeries::latestInterval(base.room, k.meter, last, base.letStart);
            auto refuse = [&](const QString& reason) {
                p.unbillable.append({base.room, base.tenant, base.tenantName, k.table, reason});
            };
            if (!interval || interval->to.date.date() < p.month) {
                refuse(missingReason(base.room, k.meter, p.month, last));
                continue;
            }
            if (ChargeBook::intervalCharged(k.table, base.room, *interval))
                continue;
            if (interval->goesDown) {
                refuse(QStringLiteral("用量为负（换表未登记）"));
                continue;
            }
            if (judgeUsage(interval->usage.toString().toDouble(), history.averageUsage(base.room, k.meter)) !=
                ReadingAnomaly::None) {
                refuse(QStringLiteral("用量异常，请核对读数"));
                continue;
            }
            ProposedCharge c = base;
            c.table = k.table;
            c.interval = interval;
            c.price = prices[k.priceId];
            c.due = utilityDue(c.price, interval->usage);
            p.charges.append(c);
        }
    }
    return p;
}

int write(const Proposal& proposal, const std::function<void(int, int)>& progress) {
    const QDate last = proposal.month.addMonths(1).addDays(-1);
    const QDateTime date = dayOf(chargeDate(proposal.month, last));
    Connection& c = Connection::shared();
    c.beginWriteTransaction();
    int written = 0;
    try {
        Query rent;
        rent.setSql(kInsertRentSql);
        Query utility[4];
        for (int i = 0; i < proposal.charges.size(); ++i) {
            const ProposedCharge& pc = proposal.charges[i];
            if (pc.table == Table::Rent) {
                rent.setText(QStringLiteral("fangno"), pc.room, 8);
                rent.setText(QStringLiteral("manid"), pc.tenant, 10);
                rent.setDateTime(QStringLiteral("jkrq"), date);
                rent.setDecimal(QStringLiteral("fangya"), pc.deposit.toString());
                rent.setDecimal(QStringLiteral("fangprice"), pc.rent.toString());
                rent.setDecimal(QStringLiteral("ljf"), pc.refuse.toString());
                rent.setDecimal(QStringLiteral("yf"), pc.due.toString());
                rent.setDateTime(QStringLiteral("begindate"), dayOf(pc.letStart));
                rent.setDateTime(QStringLiteral("enddate"), dayOf(last));
                rent.setText(QStringLiteral("paidroom"), pc.room, 8);
                rent.setText(QStringLiteral("paidtenant"), pc.tenant, 10);
                rent.setDateTime(QStringLiteral("paidstart"), dayOf(pc.letStart));
                rent.setDateTime(QStringLiteral("periodend"), dayOf(last));
                rent.setInteger(QStringLiteral("withdeposit"), pc.deposit.isZero() ? 0 : 1);
                rent.setText(QStringLiteral("depositof"), pc.tenant, 10);
                written += rent.exec();
            } else {
                // Checked again inside the transaction; the unique index on
                // the pairs charged refuses what another desk wrote at the
                // same instant, and the run is then rolled back whole.
                const ReadingInterval& in = *pc.interval;
                if (!ChargeBook::intervalCharged(pc.table, pc.room, in)) {
                    Query& q = utility[int(pc.table)];
                    if (q.sql().isEmpty())
                        q.setSql(utilityInsertSql(pc.table));
                    q.setText(QStringLiteral("fangno"), pc.room, 8);
                    q.setText(QStringLiteral("manid"), pc.tenant, 10);
                    q.setDateTime(QStringLiteral("jkrq"), date);
                    q.setDecimal(QStringLiteral("sybd"), in.from.value.toString());
                    q.setDecimal(QStringLiteral("bybd"), in.to.value.toString());
                    q.setDecimal(QStringLiteral("sys"), in.usage.toString());
                    q.setDecimal(QStringLiteral("price"), pc.price.toString());
                    q.setDecimal(QStringLiteral("yfj"), pc.due.toString());
                    q.exec();
                    ChargeBook::recordInterval(pc.table, ChargeBook::newestCharge(pc.table, pc.room, pc.tenant),
                                               pc.room, in);
                    ++written;
                }
            }
            if (progress)
                progress(i + 1, int(proposal.charges.size()));
        }
        c.commit();
    } catch (...) {
        c.rollback();
        throw;
    }
    return written;
}

} // namespace Billing
