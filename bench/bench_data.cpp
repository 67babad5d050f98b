// The data layer: the joined charge list and the period totals.
#include "bench.h"
#include "clock.h"
#include "connection.h"
#include "gridexport.h"
#include "query.h"
#include "querymodel.h"

#include <QTemporaryFile>

#include <cstdio>

namespace {
const QString kList = QStringList{
    "SELECT A.ID,A.fangno, A.manid, B.manname,A.Jkrq, A.Sybd, A.Bybd, A.Sys, A.lsdj,",
    "A.Yfj,A.sfj,case A.status when '1' then '已交款' else '未交款' end as status ",
    "FROM dbo.Zf_Lenshui A INNER JOIN dbo.Zf_Man B ON A.manid = B.manid "}.join(QLatin1Char('\n'));
const QString kTotals = QStringLiteral(
    "select count(*)as rs,sum(sys)as sys,sum(yfj)as yfj,sum(sfj)as sfj from dbo.Zf_Lenshui "
    "where jkrq between '2023-03-01' and '2026-02-28'");
} // namespace

ZT_BENCH(data, 0)
{
    const long before = residentKb();
    Query list;
    const double open = timeMs([&] {
        list.setSql(kList);
        list.open();
    });
    report("open joined cold-water list", open, bareMs(kList));
    std::printf("  %d rows, result %ld KB\n", list.count(), residentKb() - before);
    {
        // The list exported as the grid shows it, to CSV.
        QueryModel model(list);
        QTemporaryFile csv;
        csv.open();
        const double exportMs = timeMs([&] { writeCsv(csv, model); });
        char what[80];
        std::snprintf(what, sizeof what, "export %d rows to CSV", list.count());
        report(what, exportMs, bareMs(kList));
        std::printf("  CSV %lld KB\n", csv.size() / 1024);
    }
    list.close();

    Query sum;
    const double totals = timeMs([&] {
        sum.setSql(kTotals);
        sum.open();
    });
    report("period totals", totals, bareMs(kTotals));

    // What exact amounts cost a desk: charges saved with their amounts typed
    // as text (each rounded once to its column's scale), then an update of
    // another column of many rows, which leaves the amounts alone. Rolled
    // back, so later sections see the seeded data.
    Connection& c = Connection::shared();
    c.beginTransaction();
    Query insert;
    insert.setSql(QStringLiteral("insert into zf_lenshui(fangno,manid,jkrq,sybd,bybd,sys,lsdj,yfj,sfj,status) "
                                 "values (:no,:id,:d,:a,:b,:s,:p,:y,:y,'0')"));
    const double saved = timeMs([&] {
        for (int i = 0; i < 10000; ++i) {
            insert.setText(QStringLiteral("no"), QString::number(1000 + i % 2000));
            insert.setText(QStringLiteral("id"), QStringLiteral("K%1").arg(i % 20000, 5, 10, QLatin1Char('0')));
            insert.setDateTime(QStringLiteral("d"), Clock::today());
            insert.setDecimal(QStringLiteral("a"), QStringLiteral("%1.25").arg(100 + i % 50));
            insert.setDecimal(QStringLiteral("b"), QStringLiteral("%1.5").arg(110 + i % 50));
            insert.setDecimal(QStringLiteral("s"), QStringLiteral("10.25"));
            insert.setDecimal(QStringLiteral("p"), QStringLiteral("3.4567"));
            insert.setDecimal(QStringLiteral("y"), QStringLiteral("35.431175"));
            insert.exec();
        }
    });
    QList<QStringList> typedRows;
    for (int i = 0; i < 10000; ++i)
        typedRows << QStringList{QString::number(1000 + i % 2000), QStringLiteral("K%1").arg(i % 20000, 5, 10, QLatin1Char('0')),
                                 Clock::today().toString(Qt::ISODate), QStringLiteral("%1.25").arg(100 + i % 50),
                                 QStringLiteral("%1.5").arg(110 + i % 50), QStringLiteral("10.25"), QStringLiteral("3.4567"),
                                 QStringLiteral("35.431175")};
    report("save 10,000 charges, amounts typed", saved, bareExecMs(insert.sql(), typedRows));
    Query update;
    const QString kUpdate = QStringLiteral("update zf_lenshui set status='1' where jkrq between '2024-01-01' and '2099-12-31'");
    const double updated = timeMs([&] {
        update.setSql(kUpdate);
        update.exec();
    });
    report("update status of every recent charge", updated);
    c.rollback();
}
