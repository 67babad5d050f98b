#include "reportpreview.h"

#include "errordisplay.h"
#include "privatefile.h"
#include "screenkeys.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QPageRanges>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QProgressDialog>
#include <QScrollBar>
#include <QSpinBox>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <climits>
#include <cmath>
#include <memory>

namespace {

const QString kDefaultCaption = QStringLiteral("打印预览");
// Qt's print support carries the usual preview icons; the style's icons
// stand in where a build lacks them.
const QString kIcons = QStringLiteral(":/qt-project.org/dialogs/qprintpreviewdialog/images/%1-24.png");
constexpr double kZoomStep = 1.25;

QIcon toolIcon(const QString& name, QStyle::StandardPixmap fallback, const QStyle* style) {
    const QString path = kIcons.arg(name);
    return QFile::exists(path) ? QIcon(path) : style->standardIcon(fallback);
}

QStyle::StandardPixmap fallbackIcon(const QString& name) {
    if (name == QLatin1String("go-first"))
        return QStyle::SP_MediaSkipBackward;
    if (name == QLatin1String("go-previous"))
        return QStyle::SP_ArrowBack;
    if (name == QLatin1String("go-next"))
        return QStyle::SP_ArrowForward;
    if (name == QLatin1String("go-last"))
        return QStyle::SP_MediaSkipForward;
    if (name == QLatin1String("print"))
        return QStyle::SP_DialogYesButton;
    if (name == QLatin1String("save"))
        return QStyle::SP_DialogSaveButton;
    if (name == QLatin1String("close"))
        return QStyle::SP_DialogCloseButton;
    return QStyle::SP_FileDialogDetailedView;
}

} // namespace

// ---------------------------------------------------------------- page view

ReportPageView::ReportPageView(const ReportRenderer& renderer, QPrinter* printer, QWidget* parent)
    : QAbstractScrollArea(parent), m_renderer(renderer), m_printer(printer) {
    setObjectName(QStringLiteral("ReportPages"));
    setAccessibleName(QStringLiteral("报表页面"));
    setFocusPolicy(Qt::StrongFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    viewport()->setAutoFillBackground(false);
    verticalScrollBar()->setSingleStep(40);
    horizontalScrollBar()->setSingleStep(40);
    m_pxPerMm = logicalDpiX() / 25.4;
    try {
        m_pages = m_renderer.pageCount(*m_printer);
    } catch (const std::exception& e) {
        m_failure = QString::fromUtf8(e.what());
    }
}

QSizeF ReportPageView::paperMm() const {
    return m_printer->pageLayout().fullRect(QPageLayout::Millimeter).size();
}

QSize ReportPageView::pageSize() const {
    const QSizeF mm = paperMm();
    return QSize(std::max(1, int(std::lround(mm.width() * m_pxPerMm))),
                 std::max(1, int(std::lround(mm.height() * m_pxPerMm))));
}

QRect ReportPageView::pageRect(int page) const {
    const QSize size = pageSize();
    const int contentWidth = size.width() + 2 * kGap;
    const int x = contentWidth > viewport()->width()
                      ? kGap - horizontalScrollBar()->value()
                      : (viewport()->width() - size.width()) / 2;
    const qint64 y = kGap + qint64(page) * pageStep() - verticalScrollBar()->value();
    return QRect(QPoint(x, int(std::clamp<qint64>(y, INT_MIN / 2, INT_MAX / 2))), size);
}

void ReportPageView::updateScrollBars() {
    const QSize size = pageSize();
    const qint64 height = kGap + qint64(m_pages) * pageStep();
    const int width = size.width() + 2 * kGap;
    verticalScrollBar()->setPageStep(viewport()->height());
    verticalScrollBar()->setRange(
        0, int(std::clamp<qint64>(height - viewport()->height(), 0, INT_MAX)));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
}

double ReportPageView::zoomFactor() const { return m_pxPerMm / (logicalDpiX() / 25.4); }

void ReportPageView::setZoomFactor(double factor) {
    m_fit = Fit::None;
    setScale(factor * logicalDpiX() / 25.4);
}

void ReportPageView::setFit(Fit fit) {
    m_fit = fit;
    applyFit();
    emit zoomChanged(); // the fit changed even where the scale did not
}

void ReportPageView::applyFit() {
    if (m_fit == Fit::None)
        return;
    const QSizeF mm = paperMm();
    double scale = (viewport()->width() - 2 * kGap) / mm.width();
    if (m_fit == Fit::Page)
        scale = std::min(scale, (viewport()->height() - 2 * kGap) / mm.height());
    setScale(scale);
}

void ReportPageView::setScale(double pxPerMm) {
    const double life = logicalDpiX() / 25.4;
    pxPerMm = std::clamp(pxPerMm, kMinZoom * life, kMaxZoom * life);
    if (std::abs(pxPerMm - m_pxPerMm) < 1e-9)
        return;
    m_pxPerMm = pxPerMm;
    m_cache.clear();
    updateScrollBars();
    scrollToPage(m_current);
    emit zoomChanged();
}

void ReportPageView::paperChanged() {
    m_cache.clear();
    m_pages = m_renderer.pageCount(*m_printer);
    m_current = std::min(m_current, m_pages - 1);
    applyFit();
    updateScrollBars();
    scrollToPage(m_current);
    emit currentPageChanged(currentPage());
}

void ReportPageView::setCurrentPage(int page) {
    page = std::clamp(page, 1, m_pages) - 1;
    const bool changed = page != m_current;
    m_current = page;
    scrollToPage(page);
    if (changed)
        emit currentPageChanged(currentPage());
}

void ReportPageView::scrollToPage(int page) {
    m_scrolling = true;
    verticalScrollBar()->setValue(int(std::min<qint64>(qint64(page) * pageStep(), INT_MAX)));
    m_scrolling = false;
    viewport()->update();
}

void ReportPageView::scrollContentsBy(int, int) {
    viewport()->update();
    if (!m_scrolling)
        followScroll();
}

// The page being read after the user scrolled: the one that fills most of
// the view; at the very end, the last page, which could not otherwise be
// reached when several pages fit in the view.
void ReportPageView::followScroll() {
    const QScrollBar* bar = verticalScrollBar();
    int best = m_current;
    if (bar->maximum() > 0 && bar->value() == bar->maximum()) {
        best = m_pages - 1;
    } else {
        const int top = int(std::max<qint64>(0, (bar->value() - kGap) / pageStep()));
        int bestArea = -1;
        for (int page = top; page < m_pages; ++page) {
            const QRect visible = pageRect(page).intersected(viewport()->rect());
            if (pageRect(page).top() > viewport()->height())
                break;
            const int area = visible.isEmpty() ? 0 : visible.height();
            if (area > bestArea)
                best = page, bestArea = area;
        }
    }
    if (best != m_current) {
        m_current = best;
        emit currentPageChanged(currentPage());
    }
}

void ReportPageView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    applyFit();
    updateScrollBars();
    scrollToPage(m_current);
}

void ReportPageView::wheelEvent(QWheelEvent* event) {
    if (event->modifiers() & Qt::ControlModifier) {
        const double steps = event->angleDelta().y() / 120.0;
        if (steps != 0)
            setZoomFactor(zoomFactor() * std::pow(kZoomStep, steps));
        event->accept();
        return;
    }
    QAbstractScrollArea::wheelEvent(event);
}

void ReportPageView::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() == Qt::NoModifier && event->key() == Qt::Key_Home)
        setCurrentPage(1);
    else if (event->modifiers() == Qt::NoModifier && event->key() == Qt::Key_End)
        setCurrentPage(m_pages);
    else
        QAbstractScrollArea::keyPressEvent(event);
}

// A page painted into an image of its size on screen. The image claims the
// printer's resolution, so fonts and text widths are those of the printout,
// and the painter scales the printer's page down to the image: what shows is
// what prints, line for line.
const QImage* ReportPageView::pageImage(int page, const QList<int>& inSight) {
    const QSize size = pageSize();
    for (auto it = m_cache.begin(); it != m_cache.end(); ++it) {
        if (it->page == page) {
            m_cache.splice(m_cache.begin(), m_cache, it);
            return &m_cache.front().image;
        }
    }
    const qreal ratio = devicePixelRatioF();
    QImage image(size * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    const int resolution = m_printer->resolution();
    image.setDotsPerMeterX(int(std::lround(resolution / 0.0254)));
    image.setDotsPerMeterY(int(std::lround(resolution / 0.0254)));
    const QPageLayout layout = m_printer->pageLayout();
    const QRect full = layout.fullRectPixels(resolution);
    const QRect paint = layout.paintRectPixels(resolution);
    {
        QPainter painter(&image);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
        painter.scale(double(size.width()) / full.width(), double(size.height()) / full.height());
        painter.translate(paint.topLeft());
        m_renderer.paintPage(painter, page, *m_printer);
    }
    ++m_painted;
    m_cache.push_front({page, std::move(image)});
    // Keep a few pages, never one in sight.
    qsizetype bytes = 0;
    for (const Cached& c : m_cache)
        bytes += c.image.sizeInBytes();
    while (m_cache.size() > 1 && (m_cache.size() > kCachePages || bytes > kCacheBytes) &&
           !inSight.contains(m_cache.back().page)) {
        bytes -= m_cache.back().image.sizeInBytes();
        m_cache.pop_back();
    }
    emit pagePainted(page);
    return &m_cache.front().image;
}

void ReportPageView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), palette().color(QPalette::Dark));
    if (!m_failure.isEmpty())
        return;
    const int first =
        int(std::max<qint64>(0, (verticalScrollBar()->value() - kGap) / pageStep()));
    QList<int> inSight;
    for (int page = first; page < m_pages && pageRect(page).top() < viewport()->height(); ++page)
        inSight << page;
    for (int page : inSight) {
        const QRect rect = pageRect(page);
        painter.fillRect(rect.translated(3, 3), palette().color(QPalette::Shadow));
        try {
            painter.drawImage(rect, *pageImage(page, inSight));
        } catch (const std::exception& e) {
            // No exception may leave a paint event; the preview closes and
            // its caller reports the failure.
            m_failure = QString::fromUtf8(e.what());
            m_cache.clear();
            emit failed(m_failure);
            return;
        }
    }
}

// ---------------------------------------------------------------- dialog

ReportPreview::ReportPreview(const ReportRenderer& renderer, QPrinter* printer, QWidget* parent)
    : QDialog(parent), m_renderer(renderer), m_printer(printer) {
    setObjectName(QStringLiteral("ReportPreview"));
    allowEscapeToClose(this);
    setWindowTitle(renderer.layout().reportTitle.isEmpty() ? kDefaultCaption
                                                           : renderer.layout().reportTitle);
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(false);

    m_toolbar = new QToolBar(this);
    m_toolbar->setObjectName(QStringLiteral("Tb_Preview"));
    m_toolbar->setAccessibleName(QStringLiteral("打印预览工具栏"));
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_toolbar->setIconSize(QSize(20, 20));

    m_first = addTool(QStringLiteral("Act_FirstPage"), QStringLiteral("首页"),
                      QStringLiteral("转到第一页"), QStringLiteral("go-first"),
                      QKeySequence(Qt::CTRL | Qt::Key_Home));
    m_previous = addTool(QStringLiteral("Act_PreviousPage"), QStringLiteral("上一页"),
                         QStringLiteral("转到上一页"), QStringLiteral("go-previous"),
                         QKeySequence(Qt::CTRL | Qt::Key_PageUp));
    m_pageBox = new QSpinBox(this);
    m_pageBox->setObjectName(QStringLiteral("Ed_Page"));
    m_pageBox->setAccessibleName(QStringLiteral("页码"));
    m_pageBox->setToolTip(QStringLiteral("输入页码，按回车转到该页"));
    m_pageBox->setPrefix(QStringLiteral("第 "));
    m_pageBox->setSuffix(QStringLiteral(" 页"));
    m_pageBox->setKeyboardTracking(false);
    m_pageBox->setAlignment(Qt::AlignRight);
    m_toolbar->addWidget(m_pageBox);
    m_pageTotal = new QLabel(this);
    m_pageTotal->setObjectName(QStringLiteral("Lb_PageCount"));
    m_pageTotal->setAccessibleName(QStringLiteral("总页数"));
    m_pageTotal->setBuddy(m_pageBox);
    m_pageTotal->setContentsMargins(4, 0, 8, 0);
    m_toolbar->addWidget(m_pageTotal);
    m_next = addTool(QStringLiteral("Act_NextPage"), QStringLiteral("下一页"),
                     QStringLiteral("转到下一页"), QStringLiteral("go-next"),
                     QKeySequence(Qt::CTRL | Qt::Key_PageDown));
    m_last = addTool(QStringLiteral("Act_LastPage"), QStringLiteral("末页"),
                     QStringLiteral("转到最后一页"), QStringLiteral("go-last"),
                     QKeySequence(Qt::CTRL | Qt::Key_End));
    m_toolbar->addSeparator();
    m_zoomOut = addTool(QStringLiteral("Act_ZoomOut"), QStringLiteral("缩小"),
                        QStringLiteral("缩小页面"), QStringLiteral("zoom-out"),
                        QKeySequence::ZoomOut);
    m_zoomLabel = new QLabel(this);
    m_zoomLabel->setObjectName(QStringLiteral("Lb_Zoom"));
    m_zoomLabel->setAccessibleName(QStringLiteral("显示比例"));
    m_zoomLabel->setToolTip(QStringLiteral("页面显示比例，100% 为实际大小"));
    m_zoomLabel->setMinimumWidth(m_zoomLabel->fontMetrics().horizontalAdvance(
        QStringLiteral("0000%")));
    m_zoomLabel->setAlignment(Qt::AlignCenter);
    m_toolbar->addWidget(m_zoomLabel);
    m_zoomIn = addTool(QStringLiteral("Act_ZoomIn"), QStringLiteral("放大"),
                       QStringLiteral("放大页面"), QStringLiteral("zoom-in"), QKeySequence::ZoomIn);
    m_fitWidth = addTool(QStringLiteral("Act_FitWidth"), QStringLiteral("适合宽度"),
                         QStringLiteral("页面宽度与窗口一致"), QStringLiteral("fit-width"));
    m_fitPage = addTool(QStringLiteral("Act_FitPage"), QStringLiteral("适合页面"),
                        QStringLiteral("整页显示在窗口中"), QStringLiteral("fit-page"));
    m_fitWidth->setCheckable(true);
    m_fitPage->setCheckable(true);
    m_toolbar->addSeparator();
    m_pageSetup = addTool(QStringLiteral("Act_PageSetup"), QStringLiteral("页面设置…"),
                          QStringLiteral("选择纸张、方向和页边距"), QStringLiteral("page-setup"));
    m_print = addTool(QStringLiteral("Act_Print"), QStringLiteral("打印…"),
                      QStringLiteral("选择打印机和页码范围后打印报表"), QStringLiteral("print"),
                      QKeySequence::Print);
    m_savePdf = addTool(QStringLiteral("Act_SavePdf"), QStringLiteral("另存为PDF…"),
                        QStringLiteral("把整个报表保存为PDF文件"), QStringLiteral("save"),
                        QKeySequence::Save);
    m_toolbar->addSeparator();
    m_close = addTool(QStringLiteral("Act_Close"), QStringLiteral("关闭"),
                      QStringLiteral("关闭打印预览"), QStringLiteral("close"));

    // The button that shows the tools a narrow window has no room for.
    if (auto* more = m_toolbar->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button"))) {
        more->setAccessibleName(QStringLiteral("更多工具"));
        more->setToolTip(QStringLiteral("更多工具"));
    }

    m_view = new ReportPageView(renderer, printer, this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_toolbar);
    layout->addWidget(m_view, 1);
    m_view->setFocus();
    if (!m_view->failure().isEmpty())
        m_failure = m_view->failure();

    connect(m_first, &QAction::triggered, this, [this] { m_view->setCurrentPage(1); });
    connect(m_previous, &QAction::triggered, this,
            [this] { m_view->setCurrentPage(m_view->currentPage() - 1); });
    connect(m_next, &QAction::triggered, this,
            [this] { m_view->setCurrentPage(m_view->currentPage() + 1); });
    connect(m_last, &QAction::triggered, this,
            [this] { m_view->setCurrentPage(m_view->pageCount()); });
    connect(m_pageBox, &QSpinBox::valueChanged, this, [this](int page) {
        if (page != m_view->currentPage())
            m_view->setCurrentPage(page);
    });
    connect(m_zoomIn, &QAction::triggered, this,
            [this] { m_view->setZoomFactor(m_view->zoomFactor() * kZoomStep); });
    connect(m_zoomOut, &QAction::triggered, this,
            [this] { m_view->setZoomFactor(m_view->zoomFactor() / kZoomStep); });
    connect(m_fitWidth, &QAction::triggered, this,
            [this] { m_view->setFit(ReportPageView::Fit::Width); });
    connect(m_fitPage, &QAction::triggered, this,
            [this] { m_view->setFit(ReportPageView::Fit::Page); });
    connect(m_pageSetup, &QAction::triggered, this, &ReportPreview::setUpPage);
    connect(m_print, &QAction::triggered, this, &ReportPreview::print);
    connect(m_savePdf, &QAction::triggered, this, &ReportPreview::chooseAndSavePdf);
    connect(m_close, &QAction::triggered, this, &QDialog::reject);
    connect(m_view, &ReportPageView::currentPageChanged, this, &ReportPreview::updateControls);
    connect(m_view, &ReportPageView::zoomChanged, this, &ReportPreview::updateControls);
    connect(m_view, &ReportPageView::failed, this, &ReportPreview::fail);
    pagesChanged();
    resize(1024, 768);
}

QAction* ReportPreview::addTool(const QString& name, const QString& text, const QString& tip,
                                const QString& icon, const QKeySequence& key) {
    auto* action = new QAction(toolIcon(icon, fallbackIcon(icon), style()), text, this);
    action->setObjectName(name);
    action->setShortcut(key);
    action->setToolTip(key.isEmpty() ? tip
                                     : QStringLiteral("%1 (%2)").arg(
                                           tip, key.toString(QKeySequence::NativeText)));
    m_toolbar->addAction(action);
    if (QWidget* button = m_toolbar->widgetForAction(action)) {
        QString accessible = text;
        accessible.remove(QChar(u'…'));
        button->setAccessibleName(accessible);
        button->setAccessibleDescription(tip);
    }
    return action;
}

void ReportPreview::pagesChanged() {
    const QSignalBlocker block(m_pageBox);
    m_pageBox->setRange(1, m_view->pageCount());
    m_pageTotal->setText(QStringLiteral("/ 共 %1 页").arg(m_view->pageCount()));
    updateControls();
}

void ReportPreview::updateControls() {
    const int page = m_view->currentPage();
    const int pages = m_view->pageCount();
    {
        const QSignalBlocker block(m_pageBox);
        m_pageBox->setValue(page);
    }
    const bool idle = !m_busy && m_failure.isEmpty();
    m_first->setEnabled(idle && page > 1);
    m_previous->setEnabled(idle && page > 1);
    m_next->setEnabled(idle && page < pages);
    m_last->setEnabled(idle && page < pages);
    m_pageBox->setEnabled(idle && pages > 1);
    const double zoom = m_view->zoomFactor();
    m_zoomIn->setEnabled(idle && zoom < ReportPageView::kMaxZoom - 1e-6);
    m_zoomOut->setEnabled(idle && zoom > ReportPageView::kMinZoom + 1e-6);
    m_zoomLabel->setText(QStringLiteral("%1%").arg(std::lround(zoom * 100)));
    m_fitWidth->setChecked(m_view->fit() == ReportPageView::Fit::Width);
    m_fitPage->setChecked(m_view->fit() == ReportPageView::Fit::Page);
    for (QAction* a : {m_fitWidth, m_fitPage, m_pageSetup, m_print, m_savePdf})
        a->setEnabled(idle);
}

void ReportPreview::fail(const QString& message) {
    if (!m_failure.isEmpty())
        return;
    m_failure = message;
    updateControls();
    // Called from painting: the dialog closes once the painting has returned,
    // and the caller reports the failure.
    QMetaObject::invokeMethod(this, &QDialog::reject, Qt::QueuedConnection);
}

// Paints pages onto a device with the controls disabled meanwhile, and with a
// progress dialog that can cancel from `showFrom` pages on.
bool ReportPreview::stream(const QString& what, int total, int showFrom,
                           const std::function<bool(const ReportRenderer::Progress&)>& paint) {
    std::unique_ptr<QProgressDialog> progress;
    if (total >= showFrom) {
        progress = std::make_unique<QProgressDialog>(what.arg(0).arg(total),
                                                     QStringLiteral("取消"), 0, total, this);
        progress->setObjectName(QStringLiteral("ReportProgress"));
        progress->setWindowTitle(windowTitle());
        progress->setWindowModality(Qt::WindowModal);
        progress->setMinimumDuration(300);
        progress->setAutoReset(false);
        progress->setValue(0);
    }
    m_busy = true;
    updateControls();
    struct Idle {
        ReportPreview* self;
        ~Idle() {
            self->m_busy = false;
            self->updateControls();
        }
    } idle{this};
    return paint([&](int done, int all) {
        if (!progress)
            return true;
        progress->setLabelText(what.arg(done).arg(all));
        progress->setValue(done);
        return !progress->wasCanceled();
    });
}

bool ReportPreview::saveAsPdf(const QString& path) {
    // A printout holds tenants' particulars: readable by its owner only,
    // from before its first page is written.
    const QString refused = prepareOwnerOnlyFile(path);
    if (!refused.isEmpty())
        throw ReportError(QStringLiteral("无法写入文件 %1：%2").arg(path, refused));
    return stream(QStringLiteral("正在保存第 %1 页，共 %2 页…"), m_view->pageCount(), 300,
                  [&](const ReportRenderer::Progress& progress) {
                      return m_renderer.writePdf(path, m_printer->pageLayout(), progress);
                  });
}

bool ReportPreview::printPages(QPrinter& printer) {
    QPageRanges pages;
    switch (printer.printRange()) {
    case QPrinter::PageRange:
        pages = printer.pageRanges();
        if (pages.isEmpty() && printer.fromPage() > 0)
            pages.addRange(printer.fromPage(), std::max(printer.fromPage(), printer.toPage()));
        break;
    case QPrinter::CurrentPage:
        pages.addPage(m_view->currentPage());
        break;
    default:
        break;
    }
    const int count = m_renderer.pageCount(printer);
    int total = count;
    if (!pages.isEmpty()) {
        total = 0;
        for (int page = 1; page <= count; ++page)
            total += pages.contains(page);
        if (total == 0)
            throw ReportError(QStringLiteral("要打印的页码 %1 不在报表中，报表共 %2 页。")
                                  .arg(pages.toString())
                                  .arg(count));
    }
    const bool done = stream(QStringLiteral("正在打印第 %1 页，共 %2 页…"), total, 1,
                             [&](const ReportRenderer::Progress& progress) {
                                 return m_renderer.paint(printer, pages,
                                                         [&](int n, int all) {
                                                             if (progress(n, all))
                                                                 return true;
                                                             printer.abort();
                                                             return false;
                                                         });
                             });
    if (done && printer.printerState() == QPrinter::Error)
        throw ReportError(QStringLiteral("打印机出错，报表没有打印完。"));
    return done;
}

// Shows the pages on the paper the printer has now; paper too small for the
// layout is refused and the paper before it kept. Throws ReportError then.
void ReportPreview::followPaper(const QPageLayout& before) {
    try {
        m_view->paperChanged();
    } catch (...) {
        m_printer->setPageLayout(before);
        m_view->paperChanged();
        pagesChanged();
        throw;
    }
    pagesChanged();
}

void ReportPreview::setUpPage() {
    const QPageLayout before = m_printer->pageLayout();
    QPageSetupDialog dialog(m_printer, this);
    dialog.setWindowTitle(QStringLiteral("页面设置"));
    if (dialog.exec() == QDialog::Accepted)
        guarded([&] { followPaper(before); });
}

void ReportPreview::print() {
    const QPageLayout before = m_printer->pageLayout();
    QPrintDialog dialog(m_printer, this);
    dialog.setWindowTitle(QStringLiteral("打印"));
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintPageRange |
                      QAbstractPrintDialog::PrintCurrentPage |
                      QAbstractPrintDialog::PrintCollateCopies |
                      QAbstractPrintDialog::PrintShowPageSize);
    dialog.setMinMax(1, m_view->pageCount());
    if (dialog.exec() != QDialog::Accepted)
        return;
    guarded([&] {
        // The print dialog may have chosen other paper.
        followPaper(before);
        printPages(*m_printer);
    });
}

void ReportPreview::chooseAndSavePdf() {
    QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("另存为PDF"), QDir::home().filePath(windowTitle() + QStringLiteral(".pdf")),
        QStringLiteral("PDF 文件 (*.pdf)"));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".pdf");
    guarded([&] { saveAsPdf(path); });
}

void prepareReportPrinter(QPrinter& printer, const ReportLayout& layout) {
    printer.setDocName(layout.reportTitle.isEmpty() ? layout.name : layout.reportTitle);
    printer.setPageOrientation(layout.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    if (layout.paper == ReportPaper::A4)
        printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageMargins(QMarginsF(15, 12, 15, 12), QPageLayout::Millimeter);
}

void previewReport(const ReportRenderer& renderer, QWidget* parent) {
    QPrinter printer(QPrinter::HighResolution);
    prepareReportPrinter(printer, renderer.layout());
    ReportPreview preview(renderer, &printer, parent);
    if (preview.failure().isEmpty()) {
        preview.setWindowState(preview.windowState() | Qt::WindowMaximized);
        preview.exec();
    }
    if (!preview.failure().isEmpty())
        throw ReportError(preview.failure());
}
