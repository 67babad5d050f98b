#include "tbbform_report.h"

#include "reportpreview.h"

#include <QMap>

#include <algorithm>

namespace {

// Type sizes and band heights (mm) shared by the layouts.
constexpr double kHeading = 16;
constexpr double kBody = 10;
constexpr double kCell = 9;
constexpr double kReceiptText = 11;
constexpr double kCellPad = 0.006; // a cell's inner margin, fraction of the width

// The money columns of the charge tables and rooms.
const QStringList kMoneyFields = {"amount", "fangya", "fangprice", "Ljf", "Yf", "sf", "Yfj", "sfj",
                                  "lsdj", "rsdj", "Yddj", "Tfj", "yf", "ljf", "yfj"};

// One column of a list: caption above, field below, share of the width.
struct Column {
    const char* caption;
    const char* field;
    double share;
    enum Format { Text, Number, Money } format = Text;
};

// A line of text after a caption: the caption at `x`, the value right after it.
QList<ReportItem> captioned(const QString& caption, ReportItem value, double x, double y,
                            double points = kBody) {
    return {label(caption).at(x, 0).top(y).size(points), value.after().top(y).size(points)};
}

ReportItem namedLabel(const char* name) { return label({}).named(QLatin1String(name)); }

// How a list sits on the page: turned for a wide list, as many lines per
// row as its longest texts need, and the columns totalled under the last row.
struct ListShape {
    bool landscape = false;
    int lines = 2;
    QStringList totals; // fields of the columns totalled
};

// A query list: heading and title lines, one column per entry (captions in
// the header band between two rules, fields in the detail band), a summary
// row with the totals, and a footer under a rule. A caption or a value wider
// than its column goes on over a second line (or a third, where the row has
// room for one) rather than being cut.
ReportLayout listLayout(const char* name, const QString& title, QList<ReportItem> titleLines,
                        const QList<Column>& columns, QList<ReportItem> footer,
                        const ListShape& shape = {}) {
    ReportLayout l;
    l.name = QLatin1String(name);
    l.reportTitle = title;
    l.paper = ReportPaper::PrinterDefault;
    l.landscape = shape.landscape;

    l.titleBand.height = titleLines.isEmpty() ? 14 : 21;
    l.titleBand.items << label(title).at(0, 1).top(0, 10).centred().size(kHeading);
    for (ReportItem& i : titleLines)
        l.titleBand.items << i.top(i.y + 13);

    // Two lines of captions; a line of 9-point text takes 3.8 mm.
    l.headerBand.height = 10.5;
    l.headerBand.items << rule().top(0, 0) << rule().top(10.5, 0);
    const double cellHeight = std::max(6.0, 3.8 * shape.lines);
    l.detailBand.height = cellHeight + 0.5;
    double x = 0;
    for (const Column& c : columns) {
        ReportItem head = label(QString::fromUtf8(c.caption)).at(x + kCellPad, c.share - 2 * kCellPad);
        ReportItem cell = field(QLatin1String(c.field)).at(x + kCellPad, c.share - 2 * kCellPad);
        if (c.format == Column::Money)
            cell.money();
        if (c.format != Column::Text) {
            cell.right();
            head.right();
        }
        l.headerBand.items << head.top(0.5, 9.5).size(kBody).heavy().wrapping();
        l.detailBand.items << cell.top(0.25, cellHeight).size(kCell).wrapping();
        if (!shape.totals.isEmpty()) {
            if (shape.totals.contains(QLatin1String(c.field)))
                l.summaryBand.items << sum(QLatin1String(c.field))
                                           .at(x + kCellPad, c.share - 2 * kCellPad)
                                           .top(1.5, 6).size(kCell).heavy();
            else if (x == 0)
                l.summaryBand.items << label(QStringLiteral("合计"))
                                           .at(x + kCellPad, c.share - 2 * kCellPad)
                                           .top(1.5, 6).size(kCell).heavy();
        }
        x += c.share;
    }
    if (!shape.totals.isEmpty()) {
        l.summaryBand.height = 8.5;
        l.summaryBand.items.prepend(rule().top(0.5, 0));
    }

    l.footerBand.height = 9;
    l.footerBand.items << rule().top(1, 0);
    for (ReportItem& i : footer)
        l.footerBand.items << i.top(i.y + 2.5);
    return l;
}

// "caption" and a named label after it, at x.
QList<ReportItem> labelLine(const char* caption, const char* labelName, double x) {
    return captioned(QString::fromUtf8(caption), namedLabel(labelName), x, 0);
}

ReportLayout utilityList(const char* name, const QString& title, const char* priceCaption,
                         const char* priceField, const char* monthLabel, const char* dateLabel,
                         const char* userLabel) {
    return listLayout(name, title, labelLine("交款月份：", monthLabel, 0),
                      {{"房号", "fangno", 0.07},
                       {"客户姓名", "manname", 0.09},
                       {"交款日期", "Jkrq", 0.13},
                       {"上月表底", "Sybd", 0.09, Column::Number},
                       {"本月表底", "Bybd", 0.09, Column::Number},
                       {"实用数", "Sys", 0.09, Column::Number},
                       {priceCaption, priceField, 0.10, Column::Money},
                       {"应付金额", "Yfj", 0.11, Column::Money},
                       {"实付金额", "sfj", 0.11, Column::Money},
                       {"状态", "status", 0.08}},
                      labelLine("打印日期：", dateLabel, 0) + labelLine("打印人：", userLabel, 0.7),
                      {true, 2, {"Sys", "Yfj", "sfj"}});
}

// A receipt: one detail band of 119 mm (two to an A4 page) in a frame, seven
// lines. `lines` are lines 3 to 5, three captioned fields each; line 6 holds
// the amount in capitals (label `capitals`) and the amount received.
ReportLayout receipt(const char* name, const QString& heading, const char* idField,
                     const QList<std::pair<const char*, const char*>>& lines, const char* capitals,
                     const char* received) {
    constexpr double left = 0.04, middle = 0.37, right = 0.66;
    ReportLayout l;
    l.name = QLatin1String(name);
    l.paper = ReportPaper::A4;
    l.detailBand.height = 119;
    QList<ReportItem>& items = l.detailBand.items;
    items << frame().at(0, 1).top(3, 110);
    items << label(heading).at(0, 1).top(9, 10).centred().size(kHeading).heavy();
    items << captioned(QStringLiteral("打印日期："), systemDate(), left, 24, kReceiptText);
    items << label(QStringLiteral("NO")).at(right, 0).top(24).size(kReceiptText).heavy()
          << field(QLatin1String(idField)).after().top(24).size(kReceiptText);
    items << rule().at(0.02, 0.96).top(32, 0);
    const double xs[] = {left, middle, right};
    // Money is written with two decimals: 41.10, 620.00.
    const auto value = [](const char* column) {
        ReportItem f = field(QLatin1String(column));
        f.twoDecimals = kMoneyFields.contains(QLatin1String(column));
        return f;
    };
    for (int i = 0; i < lines.size(); ++i) {
        const double y = 37 + (i / 3) * 12;
        items << captioned(QString::fromUtf8(lines[i].first), value(lines[i].second), xs[i % 3], y,
                           kReceiptText);
    }
    items << captioned(QStringLiteral("合计人民币（大写）"), namedLabel(capitals), left, 75,
                       kReceiptText);
    items << captioned(QStringLiteral("￥："), value(received), right, 75, kReceiptText);
    items << rule().at(0.02, 0.96).top(85, 0);
    items << label(QStringLiteral("注：本收据涂改无效")).at(left, 0).top(92).size(kReceiptText).heavy()
          << label(QStringLiteral("收款人：")).at(middle, 0).top(92).size(kReceiptText)
          << label(QStringLiteral("收款单位盖章：")).at(right, 0).top(92).size(kReceiptText);
    return l;
}

// The payment notice of an unsettled charge: the receipt's layout under its
// own heading, saying what is due and still owed; it acknowledges no money
// (no "兹收到") and is no receipt. The print action fills QRL_Received,
// QRL_Owed and the owed amount in capitals (QRL_OwedDx).
ReportLayout paymentNotice(const char* name, const QString& heading, const char* idField,
                           const QList<std::pair<const char*, const char*>>& lines) {
    constexpr double left = 0.04, middle = 0.37, right = 0.66;
    ReportLayout l;
    l.name = QLatin1String(name);
    l.paper = ReportPaper::A4;
    l.detailBand.height = 119;
    QList<ReportItem>& items = l.detailBand.items;
    items << frame().at(0, 1).top(3, 110);
    items << label(heading).at(0, 1).top(9, 10).centred().size(kHeading).heavy();
    items << captioned(QStringLiteral("打印日期："), systemDate(), left, 24, kReceiptText);
    items << label(QStringLiteral("NO")).at(right, 0).top(24).size(kReceiptText).heavy()
          << field(QLatin1String(idField)).after().top(24).size(kReceiptText);
    items << rule().at(0.02, 0.96).top(32, 0);
    const double xs[] = {left, middle, right};
    for (int i = 0; i < lines.size(); ++i) {
        const double y = 37 + (i / 3) * 12;
        const QString caption = QString::fromUtf8(lines[i].first);
        if (QLatin1String(lines[i].second) == QLatin1String("QRL_Received"))
            items << captioned(caption, namedLabel("QRL_Received"), xs[i % 3], y, kReceiptText);
        else
            items << captioned(caption, field(QLatin1String(lines[i].second)), xs[i % 3], y,
                               kReceiptText);
    }
    items << captioned(QStringLiteral("尚欠人民币（大写）"), namedLabel("QRL_OwedDx"), left, 75,
                       kReceiptText);
    items << captioned(QStringLiteral("应付￥："), namedLabel("QRL_Owed"), right, 75, kReceiptText);
    items << rule().at(0.02, 0.96).top(85, 0);
    items << label(QStringLiteral("注：本通知单不作收款凭证")).at(left, 0).top(92).size(kReceiptText).heavy()
          << label(QStringLiteral("经办人：")).at(right, 0).top(92).size(kReceiptText);
    return l;
}

ReportLayout utilityReceipt(const char* name, const char* heading, const char* priceCaption,
                            const char* priceField, const char* capitals) {
    return receipt(name, QString::fromUtf8(heading), "ID",
                   {{"兹收到客户", "manname"},
                    {"房号", "fangno"},
                    {"上月表底：", "Sybd"},
                    {"本月表底：", "Bybd"},
                    {"实 用 数：", "Sys"},
                    {priceCaption, priceField},
                    {"应付租金：", "Yfj"},
                    {"实收租金：", "sfj"},
                    {"交款日期：", "Jkrq"}},
                   capitals, "sfj");
}

ReportLayout utilityNotice(const char* name, const char* heading, const char* priceCaption,
                           const char* priceField) {
    return paymentNotice(name, QString::fromUtf8(heading), "ID",
                         {{"客户：", "manname"},
                          {"房号", "fangno"},
                          {"上月表底：", "Sybd"},
                          {"本月表底：", "Bybd"},
                          {"实 用 数：", "Sys"},
                          {priceCaption, priceField},
                          {"应付金额：", "Yfj"},
                          {"已收金额：", "QRL_Received"},
                          {"开票日期：", "Jkrq"}});
}

// A statistics sheet on A4: centred bold heading, the print date at the left
// and the period at the right, then one row of totals under its captions.
ReportLayout statistics(const char* name, ReportItem heading, const char* beginLabel,
                        const char* endLabel, const QList<Column>& columns) {
    ReportLayout l;
    l.name = QLatin1String(name);
    l.paper = ReportPaper::A4;
    l.titleBand.height = 26;
    l.titleBand.items << heading.at(0, 1).top(2, 10).centred().size(kHeading).heavy();
    l.titleBand.items << captioned(QStringLiteral("打印日期："), systemDate(), 0, 16);
    l.titleBand.items << captioned(QStringLiteral("统计日期："), namedLabel(beginLabel), 0.55, 16)
                      << label(QStringLiteral("--")).after().top(16).size(kBody)
                      << namedLabel(endLabel).after().top(16).size(kBody);
    l.headerBand.height = 10;
    l.headerBand.items << rule().top(0, 0) << rule().top(10, 0);
    l.detailBand.height = 10;
    l.detailBand.items << rule().top(10, 0);
    double x = 0;
    for (const Column& c : columns) {
        l.headerBand.items << label(QString::fromUtf8(c.caption))
                                  .at(x, c.share).top(2).centred().size(kBody).heavy();
        ReportItem value = field(QLatin1String(c.field)).at(x, c.share).top(2).centred().size(kBody);
        value.twoDecimals = kMoneyFields.contains(QLatin1String(c.field));
        l.detailBand.items << value;
        x += c.share;
    }
    return l;
}

QMap<QString, ReportLayout> buildLayouts() {
    QList<ReportLayout> all;
    // clang-format off
    all << listLayout("KfHmc_report", QStringLiteral("客户花名册报表"),
                      labelLine("打印日期：", "QRL_Rq", 0),
                      {{"客房编号", "manid", 0.09},
                       {"姓名", "manname", 0.075},
                       {"性别", "sex", 0.045},
                       {"身份证号", "idcard", 0.135},
                       {"身份证地址", "iddress", 0.25},
                       {"电话", "handset", 0.155},
                       {"单位", "company", 0.25}},
                      captioned(QStringLiteral("页数："), pageNumber(), 0, 0) +
                          labelLine("打印人：", "QRL_Dyr", 0.7),
                      {true, 3, {}});
    all << listLayout("Czf_report", QStringLiteral("出租房基本情况报表"), {},
                      {{"房号", "fangno", 0.07},
                       {"面积", "area", 0.09, Column::Number},
                       {"户型", "housetype", 0.12},
                       {"朝向", "facetype", 0.075},
                       {"设备", "Sb", 0.295},
                       {"房押", "fangya", 0.115, Column::Money},
                       {"月租金", "fangprice", 0.115, Column::Money},
                       {"垃圾费", "Ljf", 0.115, Column::Money}},
                      labelLine("打印日期：", "QRL_printdate", 0) +
                          labelLine("打印人：", "QRL_printR", 0.7),
                      {true, 3, {}});
    all << listLayout("Tf_report", QStringLiteral("客户在住情况报表"),
                      labelLine("打印日期：", "QRL_date", 0),
                      {{"房号", "fangno", 0.10},
                       {"客户编号", "manid", 0.14},
                       {"客户姓名", "manname", 0.12},
                       {"起租日期", "begindate", 0.16},
                       {"退房日期", "Tfdate", 0.16},
                       {"退房押金", "Tfj", 0.18, Column::Money},
                       {"状态", "status", 0.14}},
                      labelLine("经办人：", "QRL_Jbr", 0), {false, 2, {}});
    all << listLayout("Fz_report", QStringLiteral("房租交费报表"),
                      labelLine("交款月份：", "QRL_Yf", 0),
                      {{"房号", "fangno", 0.07},
                       {"客户姓名", "manname", 0.09},
                       {"交款日期", "Jkrq", 0.14},
                       {"租房押金", "fangya", 0.115, Column::Money},
                       {"租房租金", "fangprice", 0.115, Column::Money},
                       {"垃圾费", "Ljf", 0.115, Column::Money},
                       {"应付金额", "Yf", 0.115, Column::Money},
                       {"实付金额", "sf", 0.115, Column::Money},
                       {"状态", "status", 0.08}},
                      labelLine("打印日期：", "QRL_Dyrq", 0) + labelLine("收款人：", "QRL_SKr", 0.7),
                      {true, 2, {"fangya", "fangprice", "Ljf", "Yf", "sf"}});
    all << utilityList("Ls_report", QStringLiteral("冷水交费明细报表"), "冷水单价", "lsdj",
                       "QRLJkyf", "QRLdyrq", "QRLdyr");
    all << utilityList("Rs_report", QStringLiteral("热水交费明细报表"), "热水单价", "rsdj",
                       "QRL_RsJkyf", "QRL_Rsdyrq", "QRL_Rsdyr");
    all << utilityList("YD_report", QStringLiteral("用电交费明细报表"), "用电单价", "Yddj",
                       "QRL_YdJkyf", "QRL_Yddyrq", "QRL_Yddyr");

    // Arrears, one line per tenant and room.
    all << listLayout("Qf_report", QStringLiteral("客户欠费明细报表"),
                      labelLine("打印日期：", "QRL_Qfrq", 0) + labelLine("欠费合计：", "QRL_Qfhj", 0.55),
                      {{"客户编号", "manid", 0.085},
                       {"客户姓名", "manname", 0.08},
                       {"房号", "fangno", 0.065},
                       {"状态", "zt", 0.06},
                       {"房租欠费", "zj", 0.095, Column::Money},
                       {"冷水欠费", "ls", 0.095, Column::Money},
                       {"热水欠费", "rs", 0.095, Column::Money},
                       {"电费欠费", "yd", 0.095, Column::Money},
                       {"合计", "hj", 0.095, Column::Money},
                       {"客户合计", "khhj", 0.095, Column::Money},
                       {"最早欠费", "oldest", 0.14}},
                      labelLine("打印人：", "QRL_Qfdyr", 0),
                      {true, 2, {"zj", "ls", "rs", "yd", "hj"}});
    // Meter readings, one line per reading.
    all << listLayout("Cb_report", QStringLiteral("住房抄表报表"),
                      labelLine("打印日期：", "QRL_Cbrq", 0),
                      {{"房号", "fangno", 0.11},
                       {"客户姓名", "manname", 0.13},
                       {"抄表日期", "Cbrq", 0.20},
                       {"冷水表", "lsb", 0.14, Column::Number},
                       {"热水表", "rsb", 0.14, Column::Number},
                       {"电表", "db", 0.14, Column::Number},
                       {"煤气表", "mqb", 0.14, Column::Number}},
                      labelLine("抄表人：", "QRL_Cbr", 0) + labelLine("打印人：", "QRL_Cbdyr", 0.7),
                      {false, 2, {}});
    // Current lets as leases, those past or near their end first.
    all << listLayout("Ht_report", QStringLiteral("租约到期情况报表"),
                      labelLine("打印日期：", "QRL_Htrq", 0),
                      {{"房号", "fangno", 0.07},
                       {"客户编号", "manid", 0.09},
                       {"客户姓名", "manname", 0.09},
                       {"起租日期", "begindate", 0.14},
                       {"约定到期", "enddate", 0.14},
                       {"月租", "fangprice", 0.115, Column::Money},
                       {"押金", "fangya", 0.115, Column::Money},
                       {"剩余天数", "days", 0.08, Column::Number},
                       {"状态", "zt", 0.08}},
                      labelLine("打印人：", "QRL_Htdyr", 0),
                      {true, 2, {"fangprice", "fangya"}});
    all << receipt("Qp_Fzsj", QStringLiteral("房屋租金收费收据"), "id",
                   {{"兹收到客户", "manname"}, {"房号", "fangno"}, {"", ""},
                    {"押    金：", "fangya"}, {"月    租：", "fangprice"}, {"清 洁 费：", "Ljf"},
                    {"应付租金：", "Yf"}, {"实收租金：", "sf"}, {"交款日期：", "Jkrq"}},
                   "QRL_RmbDx", "sf");
    all << utilityReceipt("Qp_LsSfSj", "冷水收费收据", "冷水单价：", "lsdj", "QRL_LsRmbdx");
    all << utilityReceipt("Qp_RsSfSj", "热水收费收据", "热水单价：", "rsdj", "QRL_RsRmbdx");
    all << utilityReceipt("Qp_YdSfSj", "用电收费收据", "用电单价：", "Yddj", "QRL_YdRmbdx");
    all << paymentNotice("Qp_FzTzd", QStringLiteral("房屋租金缴费通知单"), "id",
                         {{"客户：", "manname"}, {"房号", "fangno"}, {"", ""},
                          {"押    金：", "fangya"}, {"月    租：", "fangprice"}, {"清 洁 费：", "Ljf"},
                          {"应付租金：", "Yf"}, {"已收金额：", "QRL_Received"}, {"开票日期：", "Jkrq"}});
    all << utilityNotice("Qp_LsTzd", "冷水缴费通知单", "冷水单价：", "lsdj");
    all << utilityNotice("Qp_RsTzd", "热水缴费通知单", "热水单价：", "rsdj");
    all << utilityNotice("Qp_YdTzd", "用电缴费通知单", "用电单价：", "Yddj");

    all << statistics("QR_Fwzjtj", label(QStringLiteral("房屋租金情况统计    ")),
                      "QRL_begindate", "QRL_endDate",
                      {{"交款房号数", "rs", 1.0 / 6}, {"房押", "fangya", 1.0 / 6},
                       {"房租", "fangprice", 1.0 / 6}, {"清洁费", "ljf", 1.0 / 6},
                       {"应付金", "yf", 1.0 / 6}, {"实付金", "sf", 1.0 / 6}});
    all << statistics("QR_Sf", namedLabel("QRL_khy"), "beginDate", "endDate",
                      {{"交款房号数", "rs", 0.25}, {"实用数", "sys", 0.25},
                       {"应付金", "yfj", 0.25}, {"实付金", "sfj", 0.25}});
    ReportLayout byWay = statistics("QR_Skfs", label(QStringLiteral("收款方式统计")), "beginDate", "endDate",
                                    {{"收款方式", "way", 0.5}, {"实收金额", "amount", 0.5}});
    byWay.summaryBand.height = 10;
    byWay.summaryBand.items << label(QStringLiteral("合计")).at(0, 0.5).top(2).centred().size(kBody).heavy()
                            << sum(QStringLiteral("amount")).at(0.5, 0.5).top(2).centred().size(kBody).heavy();
    all << byWay;
    // clang-format on

    QMap<QString, ReportLayout> byName;
    for (ReportLayout& l : all) {
        // Empty places in a layout's table (the rent receipt's third line
        // has two entries) are dropped here.
        l.detailBand.items.removeIf([](const ReportItem& i) {
            return i.kind == ItemKind::Label && i.text.isEmpty() && i.name.isEmpty();
        });
        l.detailBand.items.removeIf(
            [](const ReportItem& i) { return i.kind == ItemKind::Field && i.text.isEmpty(); });
        byName.insert(l.name, l);
    }
    return byName;
}

const QMap<QString, ReportLayout>& layouts() {
    static const QMap<QString, ReportLayout> all = buildLayouts();
    return all;
}

} // namespace

const ReportLayout& TBbForm_report::layout(const QString& name) {
    const auto it = layouts().constFind(name);
    if (it == layouts().constEnd())
        throw ReportError(QStringLiteral("没有名为 %1 的报表。").arg(name));
    return *it;
}

QStringList TBbForm_report::layoutNames() { return layouts().keys(); }

ReportRenderer TBbForm_report::renderer(const QString& layoutName,
                                        std::shared_ptr<const ResultSet> rows, int first,
                                        int count) const {
    return ReportRenderer(layout(layoutName), m_labels, std::move(rows), first, count);
}

void TBbForm_report::preview(const QString& layoutName, std::shared_ptr<const ResultSet> rows,
                             QWidget* parent, int first, int count) const {
    const ReportRenderer r = renderer(layoutName, std::move(rows), first, count);
    previewReport(r, parent);
}
