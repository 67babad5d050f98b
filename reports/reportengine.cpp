#include "reportengine.h"

#include "clock.h"
#include "decimal.h"

#include <QFile>
#include <QPageLayout>
#include <QPageRanges>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// Printouts are set in WenQuanYi Micro Hei: its glyphs carry their Unicode
// values into the PDF, so saved reports can be searched and copied.
const QString kReportFont = QStringLiteral("WenQuanYi Micro Hei");

ReportItem item(ItemKind kind, const QString& text = {}) {
    ReportItem i;
    i.kind = kind;
    i.text = text;
    return i;
}

// A number with exactly two decimals; a value that is not a number prints as
// the result gives it.
QString twoDecimals(const ResultSet& rows, int row, int column) {
    const QVariant v = rows.value(row, column);
    bool ok = false;
    const double d = v.toDouble(&ok);
    if (!ok)
        return rows.text(row, column);
    QString s = QString::number(d, 'f', 2);
    if (s == QLatin1String("-0.00"))
        s = QStringLiteral("0.00");
    return s;
}

} // namespace

// Text widths for one font on one device. Measuring a whole text shapes it,
// which costs as much as drawing it; report texts are digits, Latin letters
// and Chinese characters without kerning, so a width is the sum of cached
// character advances.
struct ReportRenderer::TextMeasure {
    TextMeasure(const QFont& font, QPaintDevice* device) : fm(font, device) { ascii.fill(-1); }
    qreal advance(QChar c) {
        const char16_t u = c.unicode();
        if (u < 128) {
            qreal& a = ascii[u];
            if (a < 0)
                a = fm.horizontalAdvance(c);
            return a;
        }
        auto it = other.find(u);
        if (it == other.end())
            it = other.insert(u, fm.horizontalAdvance(c));
        return *it;
    }
    qreal width(const QString& text) {
        qreal w = 0;
        for (const QChar c : text)
            w += advance(c);
        return w;
    }
    QFontMetricsF fm;
    std::array<qreal, 128> ascii;
    QHash<char16_t, qreal> other;
};

ReportItem label(const QString& text) { return item(ItemKind::Label, text); }
ReportItem field(const QString& column) { return item(ItemKind::Field, column); }
ReportItem systemDate() { return item(ItemKind::Date); }
ReportItem pageNumber() { return item(ItemKind::PageNumber); }
ReportItem rule() { return item(ItemKind::Line).top(0, 0); }
ReportItem frame() { return item(ItemKind::Frame); }
ReportItem sum(const QString& column) {
    ReportItem i = item(ItemKind::Sum, column);
    i.twoDecimals = true;
    i.align = Qt::AlignRight;
    return i;
}

QString reportDateText(const QDate& date) {
    return QStringLiteral("%1年%2月%3日").arg(date.year()).arg(date.month()).arg(date.day());
}

QString reportMonthText(const QDate& date) {
    return QStringLiteral("%1年%2月").arg(date.year()).arg(date.month());
}

QString reportShortDate(const QDate& date) { return date.toString(QStringLiteral("yyyy-MM-dd")); }

ReportRenderer::ReportRenderer(const ReportLayout& layout, QHash<QString, QString> labels,
                               std::shared_ptr<const ResultSet> rows, int first, int count,
                               QDate today)
    : m_layout(layout), m_labels(std::move(labels)), m_rows(std::move(rows)),
      m_today(today.isValid() ? today : Clock::today()) {
    const int total = m_rows ? m_rows->rowCount() : 0;
    m_first = std::clamp(first, 0, total);
    m_count = count < 0 ? total - m_first : std::min(count, total - m_first);
    m_title = place(m_layout.titleBand);
    m_header = place(m_layout.headerBand);
    m_detail = place(m_layout.detailBand);
    m_summary = place(m_layout.summaryBand);
    m_footer = place(m_layout.footerBand);
    // Totals are added exactly, from the values as the result gives them.
    for (const ReportItem& i : m_layout.summaryBand.items) {
        if (i.kind != ItemKind::Sum || m_sums.contains(i.text))
            continue;
        const int column = m_rows ? m_rows->columnIndex(i.text) : -1;
        Decimal total;
        for (int r = m_first; column >= 0 && r < m_first + m_count; ++r) {
            if (m_rows->isNull(r, column))
                continue;
            if (const auto d = Decimal::parse(m_rows->text(r, column)))
                total = total + *d;
        }
        m_sums.insert(i.text, total.rounded(2).toString());
    }
}

ReportRenderer::Band ReportRenderer::place(const ReportBand& band) {
    Band placed;
    for (const ReportItem& i : band.items) {
        Placed p{i};
        if (i.kind == ItemKind::Field && m_rows)
            p.column = m_rows->columnIndex(i.text);
        QFont font(kReportFont);
        font.setPointSizeF(i.pointSize);
        font.setBold(i.bold);
        p.font = int(m_fonts.indexOf(font));
        if (p.font < 0) {
            p.font = int(m_fonts.size());
            m_fonts << font;
        }
        if (i.follows && !placed.empty())
            placed.back().measureEnd = true;
        placed.push_back(std::move(p));
    }
    return placed;
}

ReportRenderer::Geometry ReportRenderer::geometry(const QPaintDevice& device) const {
    Geometry g;
    g.width = device.width();
    g.height = device.height();
    g.pxPerMm = device.logicalDpiY() / 25.4;
    const double title = m_layout.titleBand.height * g.pxPerMm;
    const double header = m_layout.headerBand.height * g.pxPerMm;
    const double detail = m_layout.detailBand.height * g.pxPerMm;
    const double footer = m_layout.footerBand.height * g.pxPerMm;
    if (detail <= 0)
        throw ReportError(QStringLiteral("报表 %1 没有明细带。").arg(m_layout.name));
    // A small tolerance, so a band that fits exactly is not lost to rounding.
    const double slack = 0.01 * g.pxPerMm;
    g.firstRows = int(std::floor((g.height - title - header - footer + slack) / detail));
    g.otherRows = int(std::floor((g.height - header - footer + slack) / detail));
    if (g.firstRows < 1 || g.otherRows < 1)
        throw ReportError(QStringLiteral("纸张太小，放不下报表 %1 的一页。").arg(m_layout.name));
    const int rest = std::max(0, m_count - g.firstRows);
    g.pages = 1 + (rest + g.otherRows - 1) / g.otherRows;
    const double summary = m_layout.summaryBand.height * g.pxPerMm;
    if (summary > 0) {
        // The rows on the last page, and whether the summary fits below them.
        const int onLast = g.pages == 1 ? m_count : rest - (g.pages - 2) * g.otherRows;
        const double used = (g.pages == 1 ? title : 0) + header + footer + onLast * detail;
        if (used + summary > g.height + slack) {
            g.summaryAlone = true;
            ++g.pages;
        }
    }
    return g;
}

int ReportRenderer::pageCount(const QPaintDevice& device) const { return geometry(device).pages; }

QString ReportRenderer::itemText(const Placed& p, int row, int page) const {
    const ReportItem& i = p.item;
    switch (i.kind) {
    case ItemKind::Label:
        return i.name.isEmpty() ? i.text : m_labels.value(i.name, i.text);
    case ItemKind::Field:
        if (p.column < 0 || row < 0 || m_rows->isNull(row, p.column))
            return {};
        return i.twoDecimals ? twoDecimals(*m_rows, row, p.column) : m_rows->text(row, p.column);
    case ItemKind::Date:
        return reportShortDate(m_today);
    case ItemKind::PageNumber:
        return QString::number(page + 1);
    case ItemKind::Sum: {
        // The shortest form of the rounded total, written with two decimals.
        QString total = m_sums.value(i.text, QStringLiteral("0"));
        const qsizetype point = total.indexOf(QLatin1Char('.'));
        if (point < 0)
            return total + QStringLiteral(".00");
        return total + QString(2 - (total.size() - point - 1), QLatin1Char('0'));
    }
    case ItemKind::Line:
    case ItemKind::Frame:
        break;
    }
    return {};
}

void ReportRenderer::paintBand(QPainter& painter, const Geometry& g,
                               std::vector<TextMeasure>& metrics, const Band& band,
                               double top, int row, int page) const {
    int currentFont = -1;
    double previousEnd = 0; // where the last text ended, for items that follow it
    for (const Placed& p : band) {
        const ReportItem& i = p.item;
        double x = i.x * g.width;
        const double w = (i.w > 0 ? i.w * g.width : g.width - x);
        const double y = top + i.y * g.pxPerMm;
        const double h = i.h * g.pxPerMm;
        if (i.kind == ItemKind::Line) {
            painter.drawLine(QPointF(x, y), QPointF(x + w, y));
            continue;
        }
        if (i.kind == ItemKind::Frame) {
            painter.drawRect(QRectF(x, y, w, h));
            continue;
        }
        if (i.follows)
            x = previousEnd;
        QString text = itemText(p, row, page);
        if (text.isEmpty()) {
            previousEnd = x;
            continue;
        }
        if (p.font != currentFont) {
            painter.setFont(m_fonts[p.font]);
            currentFont = p.font;
        }
        TextMeasure& m = metrics[size_t(p.font)];
        const QFontMetricsF& fm = m.fm;
        const double space = i.follows ? g.width - x : w;
        if (i.wraps && text.size() * fm.height() > space && m.width(text) > space) {
            paintWrapped(painter, m, text, x, y, space, h, i.align);
            continue;
        }
        double advance;
        // A Chinese character is no wider than the line height: short texts
        // need no measuring unless they are aligned.
        if (text.size() * fm.height() > space) {
            advance = m.width(text);
            if (advance > space && i.twoDecimals && advance * 0.7 <= space) {
                // An amount is never cut: a total wider than its column is
                // set a little smaller instead.
                QFont smaller = m_fonts[p.font];
                smaller.setPointSizeF(smaller.pointSizeF() * space / advance * 0.98);
                painter.setFont(smaller);
                currentFont = -1;
                const QFontMetricsF small(smaller, painter.device());
                advance = small.horizontalAdvance(text);
                double left = x;
                if (!i.follows && (i.align & Qt::AlignRight))
                    left = x + w - advance;
                else if (!i.follows && (i.align & Qt::AlignHCenter))
                    left = x + (w - advance) / 2;
                painter.drawText(QPointF(left, y + (h - fm.height()) / 2 + fm.ascent()), text);
                continue;
            }
            if (advance > space) {
                text = fm.elidedText(text, Qt::ElideRight, space);
                advance = m.width(text);
            }
        } else if (i.align & (Qt::AlignRight | Qt::AlignHCenter)) {
            advance = m.width(text);
        } else {
            advance = -1;
        }
        double left = x;
        if (!i.follows && (i.align & Qt::AlignRight))
            left = x + w - advance;
        else if (!i.follows && (i.align & Qt::AlignHCenter))
            left = x + (w - advance) / 2;
        const double baseline = y + (h - fm.height()) / 2 + fm.ascent();
        painter.drawText(QPointF(left, baseline), text);
        if (p.measureEnd) {
            previousEnd = left + (advance >= 0 ? advance : m.width(text));
            // A value after a word ("房号 101") stands a little apart; after
            // a colon, a bracket or a number it follows at once.
            if (text.back().isLetter())
                previousEnd += 1.2 * g.pxPerMm;
        }
    }
}

void ReportRenderer::paintWrapped(QPainter& painter, TextMeasure& m, const QString& text,
                                  double x, double y, double width, double height,
                                  Qt::Alignment align) const {
    const QFontMetricsF& fm = m.fm;
    // Lines as many as the height holds, set closely; at least one.
    const double lineHeight = fm.height() * 0.95;
    const int capacity = std::max(1, int(std::floor(height / lineHeight + 0.05)));
    QStringList lines;
    QString line;
    double lineWidth = 0;
    for (int c = 0; c < text.size(); ++c) {
        const double a = m.advance(text[c]);
        if (!line.isEmpty() && lineWidth + a > width) {
            // Break after a blank where the line has one late enough, else
            // between characters (Chinese text breaks anywhere).
            const qsizetype blank = line.lastIndexOf(QLatin1Char(' '));
            if (blank > line.size() / 2) {
                lines << line.left(blank);
                line = line.mid(blank + 1);
            } else {
                lines << line;
                line.clear();
            }
            lineWidth = m.width(line);
        }
        line += text[c];
        lineWidth += a;
    }
    if (!line.isEmpty())
        lines << line;
    if (lines.size() > capacity) {
        QString last = lines.mid(capacity - 1).join(QLatin1Char(' '));
        lines = lines.mid(0, capacity - 1);
        lines << fm.elidedText(last, Qt::ElideRight, width);
    }
    const double top = y + (height - lines.size() * lineHeight) / 2;
    for (int l = 0; l < lines.size(); ++l) {
        const double advance = m.width(lines[l]);
        double left = x;
        if (align & Qt::AlignRight)
            left = x + width - advance;
        else if (align & Qt::AlignHCenter)
            left = x + (width - advance) / 2;
        painter.drawText(QPointF(left, top + l * lineHeight + (lineHeight - fm.height()) / 2 + fm.ascent()),
                         lines[l]);
    }
}

void ReportRenderer::paintPage(QPainter& painter, int page) const {
    paintPage(painter, page, *painter.device());
}

void ReportRenderer::paintPage(QPainter& painter, int page, const QPaintDevice& paper) const {
    const Geometry g = geometry(paper);
    std::vector<TextMeasure> metrics;
    metrics.reserve(size_t(m_fonts.size()));
    for (const QFont& f : m_fonts)
        metrics.emplace_back(f, painter.device());
    painter.setPen(QPen(Qt::black, 0.25 * g.pxPerMm));
    painter.setBrush(Qt::NoBrush);

    double y = 0;
    int first = 0;
    int count = g.firstRows;
    if (page == 0) {
        paintBand(painter, g, metrics, m_title, y, -1, page);
        y += m_layout.titleBand.height * g.pxPerMm;
    } else {
        first = g.firstRows + (page - 1) * g.otherRows;
        count = g.otherRows;
    }
    count = std::max(0, std::min(count, m_count - first));
    paintBand(painter, g, metrics, m_header, y, -1, page);
    y += m_layout.headerBand.height * g.pxPerMm;
    const double step = m_layout.detailBand.height * g.pxPerMm;
    for (int r = 0; r < count; ++r, y += step)
        paintBand(painter, g, metrics, m_detail, y, m_first + first + r, page);
    if (page == g.pages - 1 && m_layout.summaryBand.height > 0)
        paintBand(painter, g, metrics, m_summary, y, -1, page);
    paintBand(painter, g, metrics, m_footer, g.height - m_layout.footerBand.height * g.pxPerMm,
              -1, page);
}

void ReportRenderer::paint(QPagedPaintDevice& device, int fromPage, int toPage) const {
    const int pages = pageCount(device);
    const int from = fromPage > 0 ? std::min(fromPage, pages) : 1;
    const int to = toPage > 0 ? std::clamp(toPage, from, pages) : pages;
    QPageRanges range;
    range.addRange(from, to);
    paint(device, range, {});
}

bool ReportRenderer::paint(QPagedPaintDevice& device, const QPageRanges& pages,
                           const Progress& progress) const {
    const int count = pageCount(device);
    const int from = pages.isEmpty() ? 1 : std::max(1, pages.firstPage());
    const int to = pages.isEmpty() ? count : std::min(count, pages.lastPage());
    int total = 0;
    for (int page = from; page <= to; ++page)
        total += pages.isEmpty() || pages.contains(page);
    QPainter painter;
    if (!painter.begin(&device))
        throw ReportError(QStringLiteral("无法开始打印报表 %1。").arg(m_layout.name));
    int done = 0;
    for (int page = from; page <= to; ++page) {
        if (!pages.isEmpty() && !pages.contains(page))
            continue;
        if (done > 0)
            device.newPage();
        paintPage(painter, page - 1);
        ++done;
        if (progress && !progress(done, total)) {
            painter.end();
            return false;
        }
    }
    if (!painter.end())
        throw ReportError(QStringLiteral("报表 %1 没有打印完。").arg(m_layout.name));
    return true;
}

bool ReportRenderer::writePdf(const QString& path, const QPageLayout& pageLayout,
                              const Progress& progress) const {
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            throw ReportError(QStringLiteral("无法写入文件 %1：%2").arg(path, file.errorString()));
    }
    bool finished = false;
    {
        QPdfWriter writer(path);
        writer.setPageLayout(pageLayout);
        writer.setTitle(m_layout.reportTitle);
        writer.setCreator(QStringLiteral("Zentavo"));
        finished = paint(writer, QPageRanges(), progress);
    }
    if (!finished)
        QFile::remove(path);
    return finished;
}
