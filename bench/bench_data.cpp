// Measures the data layer at the scale the program must hold: 2,000 rooms,
// 20,000 tenants and 250,000 rows in a charge table. Prints the time to seed,
// to open the cold-water charge list with its tenant join, and the memory
// the open result takes. Not part of the tests: run it by hand.
//
//   build/bin/zentavo-bench [rows [database-file]]
// With a database file that exists already, seeding is skipped.

#include "clock.h"
#include "connection.h"
#include "query.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

namespace {
long residentKb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    f.open(QIODevice::ReadOnly);
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 250000;
    QTemporaryDir dir;
    const QString file = argc > 2 ? QString::fromLocal8Bit(argv[2]) : dir.filePath(QStringLiteral("bench.db"));
    const bool seeded = QFile::exists(file);
    Connection& c = Connection::shared();
    c.open({QStringLiteral("sqlite:") + file, {}, {}, {}});

    QElapsedTimer t;
    t.start();
    if (!seeded) {
    c.beginTransaction();
    Query man;
    man.setSql(QStringLiteral("insert into zf_man(manid,manname,zjm,sex) values (:id,:name,:zjm,'1')"));
    for (int i = 0; i < 20000; ++i) {
        man.setText(QStringLiteral("id"), QStringLiteral("K%1").arg(i, 5, 10, QLatin1Char('0')));
        man.setText(QStringLiteral("name"), QStringLiteral("张%1").arg(i % 1000));
        man.setText(QStringLiteral("zjm"), QStringLiteral("Z%1").arg(i % 1000));
        man.exec();
    }
    Query room;
    room.setSql(QStringLiteral("insert into zf_fangjian(fangno,area,fangprice) values (:no,30,800)"));
    for (int i = 0; i < 2000; ++i) {
        room.setText(QStringLiteral("no"), QString::number(1000 + i));
        room.exec();
    }
    Query charge;
    charge.setSql(QStringLiteral("insert into zf_lenshui(fangno,manid,jkrq,sybd,bybd,sys,lsdj,yfj,sfj,status) "
                                 "values (:no,:id,:d,10,15.5,5.5,3.5,19.25,19.25,'1')"));
    for (int i = 0; i < rows; ++i) {
        charge.setText(QStringLiteral("no"), QString::number(1000 + i % 2000));
        charge.setText(QStringLiteral("id"), QStringLiteral("K%1").arg(i % 20000, 5, 10, QLatin1Char('0')));
        charge.setDateTime(QStringLiteral("d"), QDate(2023, 1, 1).addDays(i % 700));
        charge.exec();
    }
    c.commit();
    std::printf("seed %d charge rows: %lld ms\n", rows, t.elapsed());
    }

    const long before = residentKb();
    t.restart();
    Query list;
    list.setSql(QStringList{
        "SELECT A.ID,A.fangno, A.manid, B.manname,A.Jkrq, A.Sybd, A.Bybd, A.Sys, A.lsdj,",
        "A.Yfj,A.sfj,case A.status when '1' then '已交款' else '未交款' end as status ",
        "FROM dbo.Zf_Lenshui A INNER JOIN dbo.Zf_Man B ON A.manid = B.manid "});
    list.open();
    std::printf("open %d rows joined: %lld ms, result %ld KB\n", list.count(), t.elapsed(), residentKb() - before);

    t.restart();
    Query sum;
    sum.setSql(QStringLiteral("select count(*)as rs,sum(sys)as sys,sum(yfj)as yfj,sum(sfj)as sfj from dbo.Zf_Lenshui "
                              "where jkrq between '2023-3-1' and '2024-2-29'"));
    sum.open();
    std::printf("period totals: %lld ms (%s rows, %s)\n", t.elapsed(), qPrintable(sum.text("rs")), qPrintable(sum.text("yfj")));
    std::printf("process resident: %ld KB\n", residentKb());
    c.close();
    return 0;
}
