#include "benchseed.h"

#include "clock.h"
#include "connection.h"
#include "monthlytables.h"
#include "query.h"

namespace {
QString tenant(int i) { return QStringLiteral("K%1").arg(i, 5, 10, QLatin1Char('0')); }
QString room(int i) { return QString::number(1000 + i); }
constexpr int kTenants = 20000;
constexpr int kRooms = 2000;
constexpr int kLet = 1800;

void seedCharges(const QString& table, const QString& priceColumn, int rows)
{
    Query q;
    q.setSql(QStringLiteral("insert into %1(fangno,manid,jkrq,sybd,bybd,sys,%2,yfj,sfj,status) "
                            "values (:no,:id,:d,10,15.5,5.5,3.5,19.25,19.25,:st)")
                 .arg(table, priceColumn));
    for (int i = 0; i < rows; ++i) {
        q.setText(QStringLiteral("no"), room(i % kRooms));
        q.setText(QStringLiteral("id"), tenant(i % kTenants));
        q.setDateTime(QStringLiteral("d"), Clock::today().addDays(-(i % 700)));
        q.setText(QStringLiteral("st"), i % 10 ? QStringLiteral("1") : QStringLiteral("0"));
        q.exec();
    }
}
} // namespace

void seedBenchDatabase(int chargeRows)
{
    Connection& c = Connection::shared();
    c.beginTransaction();
    Query man;
    man.setSql(QStringLiteral("insert into zf_man(manid,manname,zjm,sex) values (:id,:name,:zjm,'1')"));
    for (int i = 0; i < kTenants; ++i) {
        man.setText(QStringLiteral("id"), tenant(i));
        man.setText(QStringLiteral("name"), QStringLiteral("张%1").arg(i % 1000));
        man.setText(QStringLiteral("zjm"), QStringLiteral("Z%1").arg(i % 1000));
        man.exec();
    }
    Query fang;
    fang.setSql(QStringLiteral("insert into zf_fangjian(fangno,area,fangya,fangprice,ljf) "
                               "values (:no,30,300,800,10)"));
    for (int i = 0; i < kRooms; ++i) {
        fang.setText(QStringLiteral("no"), room(i));
        fang.exec();
    }
    Query rz;
    rz.setSql(QStringLiteral("insert into zf_rz(manid,fangno,begindate,status) values (:id,:no,'2025-01-01','1')"));
    for (int i = 0; i < kLet; ++i) {
        rz.setText(QStringLiteral("id"), tenant(i));
        rz.setText(QStringLiteral("no"), room(i));
        rz.exec();
    }
    Query tf;
    tf.setSql(QStringLiteral("insert into zf_tf(manid,fangno,begindate,tfdate,tfj,status) "
                             "values (:id,:no,'2024-01-01','2024-12-31',300,'0')"));
    for (int i = 0; i < kRooms; ++i) {
        tf.setText(QStringLiteral("id"), tenant(kLet + i));
        tf.setText(QStringLiteral("no"), room(i));
        tf.exec();
    }
    c.commit();

    // Two years of readings, the oldest month first, rising each month.
    const QDate today = Clock::today();
    for (int m = 23; m >= 0; --m) {
        const QDate month = today.addMonths(-m);
        const QString table = BiaodiTableName(month.year(), month.month());
        EnsureBiaodiTable(table);
        c.beginTransaction();
        Query reading;
        reading.setSql(QStringLiteral("insert %1(fangno,cbrq,lsb,rsb,db,mqb) values (:no,:d,:v,:v,:v,:v)").arg(table));
        for (int i = 0; i < kLet; ++i) {
            reading.setText(QStringLiteral("no"), room(i));
            reading.setDateTime(QStringLiteral("d"), QDate(month.year(), month.month(), 1));
            reading.setText(QStringLiteral("v"), QString::number(100 + (23 - m) * 12.5 + i % 7, 'f', 1));
            reading.exec();
        }
        c.commit();
    }

    c.beginTransaction();
    seedCharges(QStringLiteral("zf_lenshui"), QStringLiteral("lsdj"), chargeRows);
    seedCharges(QStringLiteral("zf_reshui"), QStringLiteral("rsdj"), chargeRows);
    seedCharges(QStringLiteral("zf_ydsf"), QStringLiteral("yddj"), chargeRows);
    Query rent;
    rent.setSql(QStringLiteral("insert into zf_zujin(fangno,manid,jkrq,fangya,fangprice,ljf,yf,sf,begindate,enddate,status) "
                               "values (:no,:id,:d,0,800,10,810,810,'2025-01-01',:d,:st)"));
    for (int i = 0; i < chargeRows; ++i) {
        rent.setText(QStringLiteral("no"), room(i % kRooms));
        rent.setText(QStringLiteral("id"), tenant(i % kTenants));
        rent.setDateTime(QStringLiteral("d"), today.addDays(-(i % 700)));
        rent.setText(QStringLiteral("st"), i % 10 ? QStringLiteral("1") : QStringLiteral("0"));
        rent.exec();
    }
    c.commit();
}
