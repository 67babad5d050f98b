#include "checkoutreport.h"

#include "clock.h"
#include "decimal.h"
#include "errordisplay.h"
#include "messages.h"
#include "reportpreview.h"
#include "session.h"
#include "sqlcatalog.h"
#include "texthelpers.h"

namespace {

// clang-format off
const QString kCheckOutSql = catalogSql("Tf_Jsd check-out", QStringList{
    "select A.id, A.manid, B.manname, A.fangno, A.begindate, A.tfdate, A.tfj,",
    "  case A.status when '0' then '已退房' else '未退房' end as status",
    "from dbo.zf_tf A inner join dbo.Zf_Man B on A.manid = B.manid where A.id = :id"});
const QString kTotalsSql = catalogSql("Tf_Jsd totals", QStringList{
    "select count(*) as n,",
    "  isnull(sum(case when xm = '押金' then je else 0 end), 0) as yj,",
    "  isnull(sum(case when xm not in ('押金', '扣款') then je else 0 end), 0) as qf,",
    "  isnull(sum(case when xm not in ('押金', '扣款') then isnull(dk, 0) else 0 end), 0) as dk,",
    "  isnull(sum(case when xm = '扣款' then isnull(dk, 0) else 0 end), 0) as kk",
    "from Zf_TfMx where tfid = :id"});
const QString kLinesSql = catalogSql("Tf_Jsd lines", QStringList{
    "select xm, jkrq, sm, je, dk, je - isnull(dk, 0) as sq",
    "from Zf_TfMx where tfid = :id and xm <> '押金' order by id"});
// clang-format on

constexpr double kBody = 10;

QList<ReportItem> captioned(const QString& caption, const char* labelName, double x, double y) {
    return {label(caption).at(x, 0).top(y).size(kBody),
            label({}).named(QLatin1String(labelName)).after().top(y).size(kBody)};
}

ReportLayout build() {
    ReportLayout l;
    l.name = QStringLiteral("Tf_Jsd");
    l.reportTitle = QStringLiteral("退房结算单");
    l.paper = ReportPaper::A4;

    QList<ReportItem>& title = l.titleBand.items;
    l.titleBand.height = 40;
    title << label(QStringLiteral("退房结算单")).at(0, 1).top(0, 10).centred().size(16).heavy();
    title << captioned(QStringLiteral("客户编号："), "QRL_Manid", 0, 14)
          << captioned(QStringLiteral("客户姓名："), "QRL_Manname", 0.35, 14)
          << captioned(QStringLiteral("房    号："), "QRL_Fangno", 0.7, 14);
    title << captioned(QStringLiteral("起租日期："), "QRL_Begin", 0, 21)
          << captioned(QStringLiteral("退房日期："), "QRL_Tfdate", 0.35, 21)
          << captioned(QStringLiteral("状    态："), "QRL_Status", 0.7, 21);
    title << captioned(QStringLiteral("已收押金："), "QRL_Yj", 0, 28)
          << captioned(QStringLiteral("打印日期："), "QRL_Rq", 0.7, 28);

    struct Column {
        const char* caption;
        const char* field;
        double share;
        bool money;
    };
    const Column columns[] = {{"项目", "xm", 0.09, false},    {"日期", "jkrq", 0.14, false},
                              {"说明", "sm", 0.35, false},    {"金额", "je", 0.14, true},
                              {"押金抵扣", "dk", 0.14, true}, {"仍欠", "sq", 0.14, true}};
    l.headerBand.height = 8;
    l.headerBand.items << rule().top(0, 0) << rule().top(8, 0);
    l.detailBand.height = 6.5;
    double x = 0;
    for (const Column& c : columns) {
        ReportItem head = label(QString::fromUtf8(c.caption))
                              .at(x + 0.006, c.share - 0.012)
                              .top(1, 6)
                              .size(kBody)
                              .heavy();
        ReportItem cell =
            field(QLatin1String(c.field)).at(x + 0.006, c.share - 0.012).top(0.25, 6).size(9);
        if (c.money) {
            head.right();
            cell.money();
        }
        l.headerBand.items << head;
        l.detailBand.items << cell;
        x += c.share;
    }

    QList<ReportItem>& foot = l.footerBand.items;
    l.footerBand.height = 40;
    foot << rule().top(1, 0);
    foot << captioned(QStringLiteral("欠费合计："), "QRL_Qf", 0, 4)
         << captioned(QStringLiteral("押金抵扣："), "QRL_Dk", 0.35, 4)
         << captioned(QStringLiteral("仍    欠："), "QRL_Sq", 0.7, 4);
    foot << captioned(QStringLiteral("扣款合计："), "QRL_Kk", 0, 11)
         << captioned(QStringLiteral("退还押金："), "QRL_Tk", 0.35, 11);
    foot << captioned(QStringLiteral("退还押金（大写）："), "QRL_TkDx", 0, 18);
    foot << label(QStringLiteral("经办人：")).at(0, 0).top(30).size(kBody)
         << label(QStringLiteral("退房人签字：")).at(0.35, 0).top(30).size(kBody)
         << label(QStringLiteral("日期：")).at(0.7, 0).top(30).size(kBody);
    return l;
}

QString money(const QString& text) {
    const auto d = Decimal::parse(text.isEmpty() ? QStringLiteral("0") : text);
    if (!d)
        return text;
    const QString plain = d->rounded(2).toString();
    const int point = plain.indexOf(QLatin1Char('.'));
    if (point < 0)
        return plain + QStringLiteral(".00");
    return plain.size() - point == 2 ? plain + QLatin1Char('0') : plain;
}

} // namespace

const ReportLayout& checkOutSettlementLayout() {
    static const ReportLayout layout = build();
    return layout;
}

void printCheckOutSettlement(Query& list, QWidget* parent) {
    if (!list.isOpen() || list.isEmpty() || list.eof()) {
        showNotice(parent, QStringLiteral("Morvik提示"), QStringLiteral("请查询后再打印！"),
                   MsgIcon::Warning);
        return;
    }
    guarded([&] {
        const qint64 id = list.integer(QStringLiteral("id"));
        Query checkOut;
        checkOut.setSql(kCheckOutSql);
        checkOut.setInteger(QStringLiteral("id"), id);
        checkOut.open();
        Query totals;
        totals.setSql(kTotalsSql);
        totals.setInteger(QStringLiteral("id"), id);
        totals.open();
        Query lines;
        lines.setSql(kLinesSql);
        lines.setInteger(QStringLiteral("id"), id);
        lines.open();

        const auto date = [&](const char* column) {
            return checkOut.isNull(QLatin1String(column))
                       ? QString()
                       : reportShortDate(checkOut.dateTime(QLatin1String(column)).date());
        };
        QHash<QString, QString> labels;
        labels.insert(QStringLiteral("QRL_Manid"), checkOut.text(QStringLiteral("manid")));
        labels.insert(QStringLiteral("QRL_Manname"), checkOut.text(QStringLiteral("manname")));
        labels.insert(QStringLiteral("QRL_Fangno"), checkOut.text(QStringLiteral("fangno")));
        labels.insert(QStringLiteral("QRL_Begin"), date("begindate"));
        labels.insert(QStringLiteral("QRL_Tfdate"), date("tfdate"));
        labels.insert(QStringLiteral("QRL_Status"), checkOut.text(QStringLiteral("status")));
        labels.insert(QStringLiteral("QRL_Rq"), reportDateText(Clock::today()));
        const QString refund = checkOut.text(QStringLiteral("tfj"));
        labels.insert(QStringLiteral("QRL_Tk"), money(refund));
        labels.insert(QStringLiteral("QRL_TkDx"),
                      AmountInCapitals(checkOut.number(QStringLiteral("tfj"))));
        // A check-out stored before settlements were kept has only its refund.
        const bool settled = totals.integer(QStringLiteral("n")) > 0;
        const auto total = [&](const char* column) {
            return settled ? money(totals.text(QLatin1String(column))) : QStringLiteral("未记录");
        };
        labels.insert(QStringLiteral("QRL_Yj"), total("yj"));
        labels.insert(QStringLiteral("QRL_Qf"), total("qf"));
        labels.insert(QStringLiteral("QRL_Dk"), total("dk"));
        labels.insert(QStringLiteral("QRL_Kk"), total("kk"));
        if (settled) {
            const Decimal owed = *Decimal::parse(totals.text(QStringLiteral("qf")));
            const Decimal paid = *Decimal::parse(totals.text(QStringLiteral("dk")));
            labels.insert(QStringLiteral("QRL_Sq"), money((owed - paid).toString()));
        } else {
            labels.insert(QStringLiteral("QRL_Sq"), QStringLiteral("未记录"));
        }
        const ReportRenderer renderer(checkOutSettlementLayout(), labels, lines.result(), 0, -1,
                                      Clock::today());
        previewReport(renderer, parent);
    });
}
