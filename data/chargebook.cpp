#include "chargebook.h"

#include "connection.h"
#include "query.h"
#include "sqlcatalog.h"

namespace {

using ChargeMoney::Table;

// clang-format off
const QString kRecordedSql = catalogSql("ChargeBook interval recorded", QStringList{
    "select count(*) as n from Zf_ChargeReading",
    "where tablename = :tablename and ((totable = :totable and toid = :toid)",
    "   or (fromtable = :fromtable and fromid = :fromid))"});

const QString kRecordSql = catalogSql("ChargeBook record interval", QStringList{
    "insert into Zf_ChargeReading (tablename,chargeid,fangno,fromtable,fromid,fromdate,totable,toid,todate)",
    "values (:tablename,:chargeid,:fangno,:fromtable,:fromid,:fromdate,:totable,:toid,:todate)"});

const QString kFreeSql = catalogSql("ChargeBook free readings", QStringList{
    "delete from Zf_ChargeReading where tablename = :tablename and chargeid = :chargeid"});

// The same let: the room and tenant, and its start where one is known.
const QString kPaidToSql = catalogSql("ChargeBook rent paid up to", QStringList{
    "select max(enddate) as paidto from Zf_Zujin",
    "where fangno = :fangno and manid = :manid and (:nostart = 1 or begindate = :begindate)"});

const QString kPaidThisMonthSql = catalogSql("ChargeBook rent paid this month", QStringList{
    "select count(*) as n from Zf_Zujin",
    "where fangno = :fangno and enddate is null and jkrq >= :monthstart and jkrq < :nextmonth"});

const QString kVoidRentSql = catalogSql("ChargeBook void rent", QStringList{
    "insert into Zf_VoidCharge (tablename,chargeid,fangno,manid,jkrq,fangya,fangprice,Ljf,",
    "       begindate,enddate,yf,sf,status,voidby,voidtime,reason)",
    "select 'Zf_Zujin', id, fangno, manid, jkrq, fangya, fangprice, Ljf, begindate, enddate,",
    "       Yf, sf, status, :voidby, :voidtime, :reason from Zf_Zujin where id = :id"});

const QString kDeleteRentSql = catalogSql("ChargeBook delete voided rent", QStringList{
    "delete from Zf_Zujin where id = :id"});
// clang-format on

// The utility tables' statements, one per table (the names are fixed).
QString priceColumn(Table t) {
    switch (t) {
    case Table::ColdWater: return QStringLiteral("lsdj");
    case Table::HotWater: return QStringLiteral("rsdj");
    case Table::Electricity: return QStringLiteral("Yddj");
    case Table::Rent: break;
    }
    return {};
}

struct UtilityStatements {
    QString legacy;
    QString newest;
    QString voidInsert;
    QString remove;
};

UtilityStatements utilityStatements(Table t, const char* o1, const char* o2, const char* o3,
                                    const char* o4) {
    const QString table = ChargeMoney::tableName(t);
    return {
        catalogSql(o1, QStringList{
            "select count(*) as n from " + table + " A",
            "where A.fangno = :fangno and A.Sybd = :sybd and A.Bybd = :bybd and A.Jkrq >= :todate",
            "  and not exists (select 1 from Zf_ChargeReading L where L.tablename = '" + table +
                "' and L.chargeid = A.ID)"}),
        catalogSql(o2, QStringList{
            "select max(ID) as id from " + table + " where fangno = :fangno and manid = :manid"}),
        catalogSql(o3, QStringList{
            "insert into Zf_VoidCharge (tablename,chargeid,fangno,manid,jkrq,Sybd,Bybd,Sys,dj,",
            "       yf,sf,status,voidby,voidtime,reason)",
            "select '" + table + "', ID, fangno, manid, Jkrq, Sybd, Bybd, Sys, " + priceColumn(t) + ",",
            "       Yfj, sfj, status, :voidby, :voidtime, :reason from " + table + " where ID = :id"}),
        catalogSql(o4, QStringList{"delete from " + table + " where ID = :id"})};
}

const UtilityStatements& statements(Table t) {
    static const UtilityStatements cold = utilityStatements(
        Table::ColdWater, "ChargeBook cold water earlier charge", "ChargeBook cold water newest",
        "ChargeBook void cold water", "ChargeBook delete voided cold water");
    static const UtilityStatements hot = utilityStatements(
        Table::HotWater, "ChargeBook hot water earlier charge", "ChargeBook hot water newest",
        "ChargeBook void hot water", "ChargeBook delete voided hot water");
    static const UtilityStatements power = utilityStatements(
        Table::Electricity, "ChargeBook electricity earlier charge", "ChargeBook electricity newest",
        "ChargeBook void electricity", "ChargeBook delete voided electricity");
    return t == Table::ColdWater ? cold : t == Table::HotWater ? hot : power;
}
// Registered at start, so that the statement test sees them.
[[maybe_unused]] const bool kRegistered =
    (statements(Table::ColdWater), statements(Table::HotWater), statements(Table::Electricity), true);

const QString kNewestRentSql = catalogSql("ChargeBook rent newest", QStringList{
    "select max(id) as id from Zf_Zujin where fangno = :fangno and manid = :manid"});

QDateTime dayOf(const QDate& d) { return QDateTime(d, QTime(0, 0)); }

} // namespace

namespace ChargeBook {

QString alreadyChargedText(const QString& room, const ReadingInterval& i) {
    return QStringLiteral("房间%1 %2至%3的读数已收过费，不能重复收费！")
        .arg(room.trimmed(), i.from.date.date().toString(QStringLiteral("yyyy-MM-dd")),
             i.to.date.date().toString(QStringLiteral("yyyy-MM-dd")));
}

bool intervalCharged(Table table, const QString& room, const ReadingInterval& i) {
    Query q;
    q.setSql(kRecordedSql);
    q.setText(QStringLiteral("tablename"), ChargeMoney::tableName(table), 20);
    q.setText(QStringLiteral("totable"), i.to.table, 20);
    q.setInteger(QStringLiteral("toid"), i.to.id);
    q.setText(QStringLiteral("fromtable"), i.from.table, 20);
    q.setInteger(QStringLiteral("fromid"), i.from.id);
    q.open();
    if (q.integer(QStringLiteral("n")) > 0)
        return true;
    Query legacy;
    legacy.setSql(statements(table).legacy);
    legacy.setText(QStringLiteral("fangno"), room.trimmed(), 8);
    legacy.setDecimal(QStringLiteral("sybd"), i.from.value.toString());
    legacy.setDecimal(QStringLiteral("bybd"), i.to.value.toString());
    legacy.setDateTime(QStringLiteral("todate"), dayOf(i.to.date.date()));
    legacy.open();
    return legacy.integer(QStringLiteral("n")) > 0;
}

void recordInterval(Table table, qint64 chargeId, const QString& room, const ReadingInterval& i,
                    Connection* connection) {
    Query q(connection ? *connection : Connection::shared());
    q.setSql(kRecordSql);
    q.setText(QStringLiteral("tablename"), ChargeMoney::tableName(table), 20);
    q.setInteger(QStringLiteral("chargeid"), chargeId);
    q.setText(QStringLiteral("fangno"), room.trimmed(), 8);
    q.setText(QStringLiteral("fromtable"), i.from.table, 20);
    q.setInteger(QStringLiteral("fromid"), i.from.id);
    q.setDateTime(QStringLiteral("fromdate"), i.from.date);
    q.setText(QStringLiteral("totable"), i.to.table, 20);
    q.setInteger(QStringLiteral("toid"), i.to.id);
    q.setDateTime(QStringLiteral("todate"), i.to.date);
    q.exec();
}

qint64 newestCharge(Table table, const QString& room, const QString& tenant) {
    Query q;
    q.setSql(table == Table::Rent ? kNewestRentSql : statements(table).newest);
    q.setText(QStringLiteral("fangno"), room.trimmed(), 8);
    q.setText(QStringLiteral("manid"), tenant.trimmed(), 10);
    q.open();
    return q.integer(QStringLiteral("id"));
}

bool voidCharge(Table table, qint64 id, const QString& who, const QDateTime& when,
                const QString& reason) {
    Query move;
    move.setSql(table == Table::Rent ? kVoidRentSql : statements(table).voidInsert);
    move.setText(QStringLiteral("voidby"), who, 10);
    move.setDateTime(QStringLiteral("voidtime"), when);
    move.setText(QStringLiteral("reason"), reason, 100);
    move.setInteger(QStringLiteral("id"), id);
    if (move.exec() != 1)
        return false;
    Query remove;
    remove.setSql(table == Table::Rent ? kDeleteRentSql : statements(table).remove);
    remove.setInteger(QStringLiteral("id"), id);
    if (remove.exec() != 1)
        return false;
    if (table != Table::Rent) {
        Query free;
        free.setSql(kFreeSql);
        free.setText(QStringLiteral("tablename"), ChargeMoney::tableName(table), 20);
        free.setInteger(QStringLiteral("chargeid"), id);
        free.exec();
    }
    return true;
}

QString rentAlreadyPaidQuestion(const QString& room, const QString& tenant,
                                const QVariant& letStart, const QDate& periodEnd,
                                const QDate& today) {
    const QString thisMonth = QStringLiteral("本月已收过该房间的房租，确认再收一次吗？");
    Query paid;
    paid.setSql(kPaidToSql);
    paid.setText(QStringLiteral("fangno"), room.trimmed(), 8);
    paid.setText(QStringLiteral("manid"), tenant.trimmed(), 10);
    const bool noStart = !letStart.isValid() || letStart.isNull() || letStart.toString().trimmed().isEmpty();
    paid.setInteger(QStringLiteral("nostart"), noStart ? 1 : 0);
    if (noStart)
        paid.setNull(QStringLiteral("begindate"), ParamKind::DateTime);
    else
        paid.setDateTime(QStringLiteral("begindate"), letStart);
    paid.open();
    if (!paid.isNull(QStringLiteral("paidto"))) {
        const QDate paidTo = paid.dateTime(QStringLiteral("paidto")).date();
        if (paidTo >= periodEnd) {
            if (paidTo.year() == today.year() && paidTo.month() == today.month())
                return thisMonth;
            return QStringLiteral("该房间的房租已收至%1，确认再收一次吗？")
                .arg(paidTo.toString(QStringLiteral("yyyy-MM-dd")));
        }
    }
    const QDate first(today.year(), today.month(), 1);
    Query month;
    month.setSql(kPaidThisMonthSql);
    month.setText(QStringLiteral("fangno"), room.trimmed(), 8);
    month.setDateTime(QStringLiteral("monthstart"), dayOf(first));
    month.setDateTime(QStringLiteral("nextmonth"), dayOf(first.addMonths(1)));
    month.open();
    if (month.integer(QStringLiteral("n")) > 0)
        return thisMonth;
    return {};
}

} // namespace ChargeBook
