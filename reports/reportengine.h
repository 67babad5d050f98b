#pragma once
#include "resultset.h"

#include <QDate>
#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

class QPainter;
class QPageRanges;
class QPagedPaintDevice;
class QPaintDevice;

// A small banded report engine over QPainter. A layout is data: four bands
// (title once at the top of the first page, column header at the top of every
// page, one detail band per row, page footer at the bottom of every page),
// each a list of items. The renderer paginates a layout for whatever paper
// the device has and paints any page on its own, so a preview can show the
// first page of a long list without laying out the rest first.

// What an item prints.
enum class ItemKind {
    Label,      // fixed text, or the text a print action set under its name
    Field,      // a column of the row being printed (empty when the result lacks it)
    Date,       // system field: today's date, yyyy-MM-dd
    PageNumber, // system field: the page number, from 1
    Line,       // a horizontal rule along the item's top edge
    Frame,      // a rectangle around the item's area
    Sum,        // the total of a column over every row printed (summary band)
};

// One item of a band. Horizontal place and size are fractions of the band's
// width, so a layout fits any paper; vertical ones are millimetres from the
// band's top.
struct ReportItem {
    ItemKind kind = ItemKind::Label;
    QString text;          // Label: its text; Field: the column name
    QString name;          // a label the print action may set (e.g. QRL_Rq)
    double x = 0;          // left edge, fraction of the width
    double w = 0;          // width, fraction of the width; 0 runs to the right edge
    double y = 0;          // top, mm
    double h = 6;          // height, mm
    Qt::Alignment align = Qt::AlignLeft;
    double pointSize = 10;
    bool bold = false;
    bool twoDecimals = false; // the "0.00" format: exactly two decimals
    bool follows = false;     // starts where the previous item's text ended
    // A text wider than the item goes on over as many lines as the item's
    // height holds, rather than being cut.
    bool wraps = false;

    // Builders, so a layout reads as a list of items.
    ReportItem& at(double left, double width) { x = left, w = width; return *this; }
    ReportItem& top(double mm, double height = 6) { y = mm, h = height; return *this; }
    ReportItem& named(const QString& labelName) { name = labelName; return *this; }
    ReportItem& right() { align = Qt::AlignRight; return *this; }
    ReportItem& centred() { align = Qt::AlignHCenter; return *this; }
    ReportItem& size(double points) { pointSize = points; return *this; }
    ReportItem& heavy() { bold = true; return *this; }
    ReportItem& money() { twoDecimals = true; align = Qt::AlignRight; return *this; }
    ReportItem& after() { follows = true; return *this; }
    ReportItem& wrapping() { wraps = true; return *this; }
};

ReportItem label(const QString& text);
ReportItem field(const QString& column);
ReportItem systemDate();
ReportItem pageNumber();
ReportItem rule();
ReportItem frame();
// The total of a column, printed with two decimals.
ReportItem sum(const QString& column);

struct ReportBand {
    double height = 0; // mm; 0 leaves the band out
    QList<ReportItem> items;
};

enum class ReportPaper { PrinterDefault, A4 };

struct ReportLayout {
    QString name;        // the layout's own name, e.g. KfHmc_report
    QString reportTitle; // names the print job and captions the preview; may be empty
    ReportPaper paper = ReportPaper::PrinterDefault;
    bool landscape = false; // a wide list turns the paper
    // The summary band prints once, after the last row, on the last page.
    ReportBand titleBand, headerBand, detailBand, summaryBand, footerBand;
};

// A layout that cannot be printed (a band taller than the paper) or a device
// that cannot be painted on (a file that cannot be written, a printer that
// does not answer).
class ReportError : public std::runtime_error {
public:
    explicit ReportError(const QString& text) : std::runtime_error(text.toStdString()) {}
};

// A layout bound to its rows and label texts, ready to paint.
class ReportRenderer {
public:
    // Prints rows [first, first + count) of the result; count -1 runs to the
    // end. The result is read in place: the list a screen shows and its
    // current row are not touched.
    ReportRenderer(const ReportLayout& layout, QHash<QString, QString> labels,
                   std::shared_ptr<const ResultSet> rows, int first = 0, int count = -1,
                   QDate today = {});

    const ReportLayout& layout() const { return m_layout; }
    int rowCount() const { return m_count; }

    // Pages the layout takes on a device of this paintable size.
    int pageCount(const QPaintDevice& device) const;
    // Paints page `page` (from 0) with the painter, which is active on a
    // device of the size pageCount() was asked for.
    void paintPage(QPainter& painter, int page) const;
    // Paints page `page` laid out for `paper` with a painter active on
    // another device: a preview paints a printer's page into a small image
    // whose resolution is the printer's, scaled down by the painter.
    void paintPage(QPainter& painter, int page, const QPaintDevice& paper) const;

    // Told after each page painted how many are done of how many; returning
    // false stops the painting there.
    using Progress = std::function<bool(int done, int total)>;
    // Paints pages from..to (from 1; 0 for all) onto a paged device,
    // starting a new page between them.
    void paint(QPagedPaintDevice& device, int fromPage = 0, int toPage = 0) const;
    // Paints the pages of `pages` (from 1; empty for all) that the report
    // has. Returns false when `progress` stopped it.
    bool paint(QPagedPaintDevice& device, const QPageRanges& pages,
               const Progress& progress) const;
    // Renders the whole report to a PDF file with the given page layout.
    // Returns false, and removes the file, when `progress` stopped it.
    bool writePdf(const QString& path, const class QPageLayout& pageLayout,
                  const Progress& progress = {}) const;

private:
    struct Geometry {
        double width = 0, height = 0, pxPerMm = 1;
        int firstRows = 0, otherRows = 0, pages = 1;
        bool summaryAlone = false; // the summary takes a page of its own
    };
    // An item with what the renderer works out once: its result column
    // (-1: none) and its font.
    struct Placed {
        ReportItem item;
        int column = -1;
        int font = 0;
        bool measureEnd = false; // the next item follows this one's text
    };
    using Band = std::vector<Placed>;
    Geometry geometry(const QPaintDevice& device) const;
    Band place(const ReportBand& band);
    struct TextMeasure;
    void paintBand(QPainter& painter, const Geometry& g, std::vector<TextMeasure>& metrics,
                   const Band& band, double top, int row, int page) const;
    QString itemText(const Placed& placed, int row, int page) const;
    void paintWrapped(QPainter& painter, TextMeasure& m, const QString& text, double x, double y,
                      double width, double height, Qt::Alignment align) const;

    ReportLayout m_layout;
    QHash<QString, QString> m_labels;
    std::shared_ptr<const ResultSet> m_rows;
    int m_first = 0;
    int m_count = 0;
    QDate m_today;
    QList<QFont> m_fonts;
    Band m_title, m_header, m_detail, m_summary, m_footer;
    QHash<QString, QString> m_sums; // column -> total over the rows printed
};

// The date and month texts that print actions put into labels:
// 2026年12月8日 and 2026年12月.
QString reportDateText(const QDate& date);
QString reportMonthText(const QDate& date);
// The short date of the system fields and the statistics period: 2026-12-08.
QString reportShortDate(const QDate& date);
