// Every layout printed with the longest values its columns can hold, on A4
// in the layout's own orientation: pdftotext finds no ellipsis, every
// character of every text (counted by a character used in that column
// alone), every amount whole with two decimals, and the totals.
#include "reportengine.h"
#include "tbbform_report.h"

#include <QPageLayout>
#include <QPageSize>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// The widest value a column of the schema holds. Texts are counted in GBK
// bytes, so a column of n bytes holds n/2 Chinese characters.
struct Longest {
    enum Kind { Chinese, Letters, Digits, Amount, Reading, Date, Fixed } kind;
    int size = 0;       // characters
    QString fixed = {}; // for Fixed
};

Longest longestOf(const QString& column) {
    static const QHash<QString, Longest> columns = {
        {"manid", {Longest::Letters, 10}},   {"manname", {Longest::Chinese, 5}},
        {"zjm", {Longest::Letters, 10}},     {"sex", {Longest::Fixed, 0, "女"}},
        {"idcard", {Longest::Digits, 18}},   {"iddress", {Longest::Chinese, 50}},
        {"handset", {Longest::Digits, 20}},  {"company", {Longest::Chinese, 50}},
        {"fangno", {Longest::Letters, 8}},   {"housetype", {Longest::Chinese, 10}},
        {"facetype", {Longest::Chinese, 5}}, {"sb", {Longest::Chinese, 50}},
        {"status", {Longest::Chinese, 3}},   {"zt", {Longest::Chinese, 3}},
        {"area", {Longest::Reading}},        {"sybd", {Longest::Reading}},
        {"bybd", {Longest::Reading}},        {"sys", {Longest::Reading}},
        {"lsb", {Longest::Reading}},         {"rsb", {Longest::Reading}},
        {"db", {Longest::Reading}},          {"mqb", {Longest::Reading}},
        {"lsys", {Longest::Reading}},        {"rsys", {Longest::Reading}},
        {"dbys", {Longest::Reading}},        {"mqys", {Longest::Reading}},
        {"rs", {Longest::Fixed, 0, "99999"}}, {"days", {Longest::Fixed, 0, "-99999"}},
        {"yf_month", {Longest::Fixed, 0, "2026-12"}},
    };
    const QString key = column.toLower();
    if (columns.contains(key))
        return columns.value(key);
    if (key.contains("date") || key == "jkrq" || key == "cbrq" || key == "oldest")
        return {Longest::Date};
    return {Longest::Amount}; // money: numeric(12, 2)
}

QStringList pdfText(const QString& path) {
    QProcess p;
    p.start("pdftotext", {"-layout", "-enc", "UTF-8", path, "-"});
    p.waitForFinished();
    return QString::fromUtf8(p.readAllStandardOutput()).split(QChar('\f'));
}

} // namespace

class TestReportFit : public QObject {
    Q_OBJECT

private slots:
    void longestValues_data() {
        QTest::addColumn<QString>("layout");
        for (const QString& name : TBbForm_report::layoutNames())
            QTest::newRow(qPrintable(name)) << name;
    }
    void longestValues() {
        QFETCH(QString, layout);
        const ReportLayout& l = TBbForm_report::layout(layout);
        // Characters no caption uses, one per text column.
        const QString marks = QStringLiteral("甲乙丙丁戊己庚辛壬癸鼎鑫龘靐");
        auto rows = std::make_shared<ResultSet>();
        QStringList columns;
        QHash<QString, QString> values;
        QHash<QString, QPair<QChar, int>> counted; // column -> its character, how many
        QStringList whole;                          // values that print on one line
        int mark = 0;
        int letter = 0;
        for (const ReportItem& i : l.detailBand.items) {
            if (i.kind != ItemKind::Field || columns.contains(i.text, Qt::CaseInsensitive))
                continue;
            // "rs" counts rooms on a statistics sheet, hot water elsewhere.
            const Longest longest = i.text == QLatin1String("rs") && !layout.startsWith("QR_")
                                        ? Longest{Longest::Amount}
                                        : longestOf(i.text);
            QString v;
            switch (longest.kind) {
            case Longest::Chinese:
                v = QString(longest.size, marks[mark]);
                counted.insert(i.text, {marks[mark++], longest.size});
                break;
            case Longest::Letters:
                // Capitals, the widest Latin letters, one letter per column.
                v = QString(longest.size, QChar(u'W' - letter));
                counted.insert(i.text, {v[0], longest.size});
                ++letter;
                break;
            case Longest::Digits:
                v = QString(longest.size, i.text.compare("idcard", Qt::CaseInsensitive) == 0 ? u'8' : u'6');
                whole << v;
                break;
            case Longest::Amount:
                v = QStringLiteral("9999999999.99");
                whole << v;
                break;
            case Longest::Reading:
                v = QStringLiteral("99999999.99");
                whole << v;
                break;
            case Longest::Date:
                // A time of day prints too (the program writes none, older
                // data may hold one); it may take the second line.
                v = QStringLiteral("2026-12-28 23:59:59");
                whole << QStringLiteral("2026-12-28") << QStringLiteral("23:59:59");
                break;
            case Longest::Fixed:
                v = longest.fixed;
                whole << v;
                break;
            }
            columns << i.text;
            values.insert(i.text, v);
            rows->addColumn(i.text, FieldKind::Text);
        }
        constexpr int kRows = 3;
        for (int r = 0; r < kRows; ++r) {
            for (int c = 0; c < columns.size(); ++c)
                rows->appendText(c, values.value(columns[c]));
            rows->finishRow();
        }
        // Labels as long as the print actions make them.
        QHash<QString, QString> labels;
        for (const ReportBand* band : {&l.titleBand, &l.detailBand, &l.footerBand})
            for (const ReportItem& i : band->items)
                if (!i.name.isEmpty())
                    labels.insert(i.name, i.name.contains("dx", Qt::CaseInsensitive)
                                              ? QStringLiteral("玖拾玖亿玖仟玖佰玖拾玖万玖仟玖佰玖拾玖圆玖角玖分")
                                              : QStringLiteral("2026年12月28日"));

        const ReportRenderer renderer(l, labels, rows, 0, -1, QDate(2026, 12, 28));
        QTemporaryDir dir;
        const QString keep = qEnvironmentVariable("ZENTAVO_REPORT_DIR");
        const QString pdf = (keep.isEmpty() ? dir.path() : keep) + "/fit-" + layout + ".pdf";
        const QPageLayout page(QPageSize(QPageSize::A4),
                               l.landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                               QMarginsF(15, 12, 15, 12), QPageLayout::Millimeter);
        QVERIFY(renderer.writePdf(pdf, page));
        if (!keep.isEmpty())
            QProcess::execute("pdftoppm", {"-png", "-r", "60", "-f", "1", "-l", "1", pdf,
                                           keep + "/fit-" + layout});
        const QString text = pdfText(pdf).join(QString());
        QVERIFY2(!text.contains(QChar(u'…')), qPrintable(text));
        const QString flat = QString(text).remove(QRegularExpression("\\s"));
        for (auto it = counted.cbegin(); it != counted.cend(); ++it)
            QVERIFY2(flat.count(it->first) >= kRows * it->second,
                     qPrintable(QString("%1: %2 of %3\n%4").arg(it.key()).arg(flat.count(it->first))
                                    .arg(kRows * it->second).arg(text)));
        for (const QString& v : whole)
            QVERIFY2(text.contains(v), qPrintable(v + " in\n" + text));
        // Every caption of the header whole (a wrapped one read line by line).
        for (const ReportItem& i : l.headerBand.items)
            if (i.kind == ItemKind::Label)
                for (const QChar c : i.text)
                    QVERIFY2(flat.contains(c), qPrintable(i.text));
        // The totals: three times the longest amount.
        for (const ReportItem& i : l.summaryBand.items)
            if (i.kind == ItemKind::Sum)
                QVERIFY2(text.contains(longestOf(i.text).kind == Longest::Reading
                                           ? QStringLiteral("299999999.97")
                                           : QStringLiteral("29999999999.97")),
                         qPrintable(i.text + " total in\n" + text));
    }
};

QTEST_MAIN(TestReportFit)
#include "tst_reportfit.moc"
