// The data layer: the joined charge list and the period totals.
#include "bench.h"
#include "query.h"

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
    list.close();

    Query sum;
    const double totals = timeMs([&] {
        sum.setSql(kTotals);
        sum.open();
    });
    report("period totals", totals, bareMs(kTotals));
}
