#pragma once
#include "reportengine.h"

#include <QAbstractScrollArea>
#include <QDialog>
#include <QImage>
#include <QPrinter>

#include <list>

class QAction;
class QLabel;
class QSpinBox;

// The pages of a report on screen: one column of pages on a grey ground.
// Only the pages in sight are painted, each on its own when it comes into
// view, and only a few pages' images are kept, so the first page of a report
// of thousands of pages shows at once and memory stays small.
class ReportPageView : public QAbstractScrollArea {
    Q_OBJECT
public:
    enum class Fit { None, Width, Page };

    ReportPageView(const ReportRenderer& renderer, QPrinter* printer, QWidget* parent = nullptr);

    // Lays the pages out again for the printer's paper (after a page set-up).
    // Throws ReportError when the layout does not fit the paper.
    void paperChanged();
    int pageCount() const { return m_pages; }
    // The page being read, from 1.
    int currentPage() const { return m_current + 1; }
    void setCurrentPage(int page);
    // On-screen size against the paper's real size (1.0: life size).
    double zoomFactor() const;
    void setZoomFactor(double factor);
    Fit fit() const { return m_fit; }
    void setFit(Fit fit);
    // Pages painted since the view was made, and those kept as images.
    int paintedPages() const { return m_painted; }
    int cachedPages() const { return int(m_cache.size()); }
    // Why the pages cannot be shown; empty while they can.
    QString failure() const { return m_failure; }

    static constexpr double kMinZoom = 0.1;
    static constexpr double kMaxZoom = 3.0;

signals:
    void currentPageChanged(int page);
    void zoomChanged();
    void pagePainted(int page);
    // Painting a page failed; the view shows nothing more.
    void failed(const QString& message);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct Cached {
        int page;
        QImage image;
    };
    QSizeF paperMm() const;
    QSize pageSize() const; // one page on screen, device-independent pixels
    int pageStep() const { return pageSize().height() + kGap; }
    QRect pageRect(int page) const; // in viewport coordinates
    void applyFit();
    void setScale(double pxPerMm);
    void updateScrollBars();
    void scrollToPage(int page);
    void followScroll();
    const QImage* pageImage(int page, const QList<int>& inSight);

    static constexpr int kGap = 16;
    static constexpr qsizetype kCacheBytes = 48 * 1024 * 1024;
    static constexpr size_t kCachePages = 6;

    const ReportRenderer& m_renderer;
    QPrinter* m_printer;
    int m_pages = 1;
    int m_current = 0;
    double m_pxPerMm = 1;
    Fit m_fit = Fit::Width;
    bool m_scrolling = false; // the view itself moves the scroll bars
    QString m_failure;
    int m_painted = 0;
    std::list<Cached> m_cache; // most recently used first
};

// The print preview of one report: its pages, browsing and zoom, page set-up,
// printing and saving as a PDF file whose Chinese text can be searched and
// copied.
//
// A failure while the pages are painted on screen (a layout that does not fit
// the paper) closes the preview; exec() returns and failure() tells what went
// wrong. A failing print or save leaves the preview open and shows the error.
class ReportPreview : public QDialog {
    Q_OBJECT
public:
    // The renderer and the printer must outlive the dialog.
    ReportPreview(const ReportRenderer& renderer, QPrinter* printer, QWidget* parent = nullptr);

    QPrinter* printer() const { return m_printer; }
    ReportPageView* pageView() const { return m_view; }
    QAction* savePdfAction() const { return m_savePdf; }
    QString failure() const { return m_failure; }

    // Renders the whole report to a PDF file on the page set up in the
    // preview, with a progress dialog for a long report. Returns false when
    // the user cancelled it. Throws ReportError when the file cannot be
    // written.
    bool saveAsPdf(const QString& path);
    // Prints the pages the printer's range names (all pages, the current
    // page, or a page range), with a progress dialog that can cancel.
    // Returns false when cancelled. Throws ReportError on a printer failure.
    bool printPages(QPrinter& printer);

private:
    QAction* addTool(const QString& name, const QString& text, const QString& tip,
                     const QString& icon, const QKeySequence& key = {});
    void fail(const QString& message);
    void pagesChanged();
    void updateControls();
    void followPaper(const QPageLayout& before);
    void setUpPage();
    void print();
    void chooseAndSavePdf();
    bool stream(const QString& what, int total, int showFrom,
                const std::function<bool(const ReportRenderer::Progress&)>& paint);

    const ReportRenderer& m_renderer;
    QPrinter* m_printer;
    ReportPageView* m_view = nullptr;
    QSpinBox* m_pageBox = nullptr;
    QLabel* m_pageTotal = nullptr;
    QLabel* m_zoomLabel = nullptr;
    QAction *m_first = nullptr, *m_previous = nullptr, *m_next = nullptr, *m_last = nullptr;
    QAction *m_zoomIn = nullptr, *m_zoomOut = nullptr, *m_fitWidth = nullptr, *m_fitPage = nullptr;
    QAction *m_pageSetup = nullptr, *m_print = nullptr, *m_savePdf = nullptr, *m_close = nullptr;
    class QToolBar* m_toolbar = nullptr;
    bool m_busy = false;
    QString m_failure;
};

// Sets a printer up for a layout: the job name, portrait, A4 where the layout
// asks for it (otherwise the printer's default paper), and margins.
void prepareReportPrinter(QPrinter& printer, const ReportLayout& layout);

// Shows the report in its preview, maximised and modal, captioned with the
// report title ("打印预览" where the layout has none), and waits until the
// user closes it. Throws ReportError when the preview failed.
void previewReport(const ReportRenderer& renderer, QWidget* parent);
