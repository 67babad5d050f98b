// Printed reports: the rent payment list of every charge row, as the rent
// query's print button shows it. Times opening the list, painting its first
// page, showing the print preview until its first page is painted (the
// preview paints only the pages in sight), and writing the whole report as
// PDF; notes the memory the open preview holds.
#include "bench.h"
#include "printreports.h"
#include "query.h"
#include "reportpreview.h"
#include "tbbform_report.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPdfWriter>
#include <QTemporaryDir>

#include <cstdio>

namespace {
const QString kRentList = QStringList{
    "SELECT A.id,A.fangno, A.manid, B.manname,", "A.Jkrq, A.fangya, A.fangprice, A.Ljf,",
    "A.Yf,A.sf, A.begindate, A.enddate,",
    "case A.status when '1' then '已交款' else '未交款' end as status ",
    "FROM dbo.Zf_Zujin A INNER JOIN", "dbo.Zf_Man B ON A.manid = B.manid"}.join(QLatin1Char('\n'));
} // namespace

ZT_BENCH(reports, 70)
{
    Query list;
    const double open = timeMs([&] {
        list.setSql(kRentList);
        list.open();
    });
    const double bare = bareMs(kRentList);
    report("open rent payment list", open, bare);

    TBbForm_report form;
    form.setLabel(QStringLiteral("QRL_Yf"), QStringLiteral("2026年12月"));
    form.setLabel(QStringLiteral("QRL_Dyrq"), QStringLiteral("2026年12月8日"));
    form.setLabel(QStringLiteral("QRL_SKr"), QStringLiteral("admin"));
    const ReportRenderer renderer = form.renderer(QStringLiteral("Fz_report"), list.result());
    QPrinter printer(QPrinter::HighResolution);
    prepareReportPrinter(printer, renderer.layout());
    printer.setPageSize(QPageSize(QPageSize::A4));
    QTemporaryDir dir;

    QPdfWriter first(dir.filePath(QStringLiteral("first.pdf")));
    first.setPageLayout(printer.pageLayout());
    const double firstPage = timeMs([&] { renderer.paint(first, 1, 1); });
    report("first page of the rent list (own pages)", firstPage, bare);

    const long before = residentKb();
    {
        ReportPreview preview(renderer, &printer);
        bool painted = false;
        QObject::connect(preview.pageView(), &ReportPageView::pagePainted,
                         [&](int page) { painted = painted || page == 0; });
        const double shown = timeMs([&] {
            preview.setWindowState(preview.windowState() | Qt::WindowMaximized);
            preview.show();
            QElapsedTimer deadline;
            deadline.start();
            while (!painted && deadline.elapsed() < 60000)
                QApplication::processEvents(QEventLoop::AllEvents, 20);
        });
        report("print preview shown with its first page", shown, bare);
        std::printf("  %d rows on %d pages, preview holds %ld KB, process %ld KB\n", list.count(),
                    preview.pageView()->pageCount(), residentKb() - before, residentKb());
        const double last = timeMs([&] {
            preview.pageView()->setCurrentPage(preview.pageView()->pageCount());
            preview.pageView()->viewport()->repaint();
        });
        report("preview moved to its last page", last, bare);
    }

    const double pdf = timeMs(
        [&] { renderer.writePdf(dir.filePath(QStringLiteral("all.pdf")), printer.pageLayout()); });
    report("whole rent list as PDF", open + pdf, bare);
    std::printf("  PDF %lld KB\n", QFileInfo(dir.filePath(QStringLiteral("all.pdf"))).size() / 1024);
}
