#include "reportpreview.h"

#include "errordisplay.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStyle>
#include <QToolBar>

ReportPreview::ReportPreview(const ReportRenderer& renderer, QPrinter* printer, QWidget* parent)
    : QPrintPreviewDialog(printer, parent), m_renderer(renderer) {
    setObjectName(QStringLiteral("ReportPreview"));
    if (!renderer.layout().reportTitle.isEmpty())
        setWindowTitle(renderer.layout().reportTitle);
    connect(this, &QPrintPreviewDialog::paintRequested, this, &ReportPreview::paintPages);

    m_savePdf = new QAction(style()->standardIcon(QStyle::SP_DialogSaveButton),
                            QStringLiteral("另存为PDF"), this);
    m_savePdf->setObjectName(QStringLiteral("Act_SavePdf"));
    m_savePdf->setToolTip(QStringLiteral("把报表保存为PDF文件"));
    m_savePdf->setShortcut(QKeySequence::Save);
    connect(m_savePdf, &QAction::triggered, this, &ReportPreview::chooseAndSavePdf);
    if (auto* toolbar = findChild<QToolBar*>()) {
        toolbar->addSeparator();
        toolbar->addAction(m_savePdf);
    } else {
        addAction(m_savePdf);
    }
}

void ReportPreview::paintPages(QPrinter* printer) {
    if (!m_failure.isEmpty())
        return;
    try {
        const bool range = printer->printRange() == QPrinter::PageRange;
        m_renderer.paint(*printer, range ? printer->fromPage() : 0,
                         range ? printer->toPage() : 0);
        if (printer->printerState() == QPrinter::Error)
            throw ReportError(QStringLiteral("打印机出错，报表没有打印完。"));
    } catch (const std::exception& e) {
        // The dialog is inside its own event loop here; it closes once the
        // painting has returned, and the caller reports the failure.
        m_failure = QString::fromUtf8(e.what());
        QMetaObject::invokeMethod(this, &QDialog::reject, Qt::QueuedConnection);
    }
}

void ReportPreview::saveAsPdf(const QString& path) {
    m_renderer.writePdf(path, printer()->pageLayout());
}

void ReportPreview::chooseAndSavePdf() {
    const QString title = m_renderer.layout().reportTitle.isEmpty()
                              ? windowTitle()
                              : m_renderer.layout().reportTitle;
    QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("另存为PDF"), QDir::home().filePath(title + QStringLiteral(".pdf")),
        QStringLiteral("PDF 文件 (*.pdf)"));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".pdf");
    guarded([&] { saveAsPdf(path); });
}

void prepareReportPrinter(QPrinter& printer, const ReportLayout& layout) {
    printer.setDocName(layout.reportTitle.isEmpty() ? layout.name : layout.reportTitle);
    printer.setPageOrientation(QPageLayout::Portrait);
    if (layout.paper == ReportPaper::A4)
        printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageMargins(QMarginsF(15, 12, 15, 12), QPageLayout::Millimeter);
}

void previewReport(const ReportRenderer& renderer, QWidget* parent) {
    QPrinter printer(QPrinter::HighResolution);
    prepareReportPrinter(printer, renderer.layout());
    ReportPreview preview(renderer, &printer, parent);
    preview.setWindowState(preview.windowState() | Qt::WindowMaximized);
    preview.exec();
    if (!preview.failure().isEmpty())
        throw ReportError(preview.failure());
}
