#pragma once
#include "reportengine.h"

#include <QPrintPreviewDialog>
#include <QPrinter>

class QAction;

// The print preview of one report: Qt's preview dialog (page browsing, zoom,
// page set-up, printing) with one action more, saving the report as a PDF
// file whose Chinese text can be searched and copied.
//
// A failure while the pages are painted (a printer that does not answer, a
// layout that does not fit the paper) closes the preview; exec() returns and
// failure() tells what went wrong. A failing save leaves the preview open and
// shows the error.
class ReportPreview : public QPrintPreviewDialog {
    Q_OBJECT
public:
    // The renderer must outlive the dialog.
    ReportPreview(const ReportRenderer& renderer, QPrinter* printer, QWidget* parent = nullptr);

    QAction* savePdfAction() const { return m_savePdf; }
    // Renders the whole report to a PDF file on the page set up in the
    // preview. Throws ReportError when the file cannot be written.
    void saveAsPdf(const QString& path);
    QString failure() const { return m_failure; }

private:
    void paintPages(QPrinter* printer);
    void chooseAndSavePdf();

    const ReportRenderer& m_renderer;
    QAction* m_savePdf = nullptr;
    QString m_failure;
};

// Sets a printer up for a layout: the job name, portrait, A4 where the layout
// asks for it (otherwise the printer's default paper), and margins.
void prepareReportPrinter(QPrinter& printer, const ReportLayout& layout);

// Shows the report in its preview, maximised and modal, captioned with the
// report title (the dialog's own caption where the layout has none), and
// waits until the user closes it. Throws ReportError when the preview failed.
void previewReport(const ReportRenderer& renderer, QWidget* parent);
