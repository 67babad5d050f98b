#include "billingreports.h"

#include "chargemoney.h"
#include "clock.h"
#include "decimal.h"
#include "errordisplay.h"
#include "ledger.h"
#include "payments.h"
#include "query.h"
#include "reportpreview.h"
#include "session.h"
#include "sqlcatalog.h"
#include "texthelpers.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QFile>
#include <climits>

namespace {

using ChargeMoney::Table;

QString linesBranch(Table t) {
    const bool rent = t == Table::Rent;
    return QStringLiteral("select %1 as kind, A.fangno, A.%2 as chargedate, L.amount from Zf_PaymentLine L "
                          "inner join %3 A on A.ID = L.chargeid where L.tablename = '%3' and L.paymentid = :paymentid")
        .arg(int(t))
        .arg(rent ? QStringLiteral("jkrq") : QStringLiteral("Jkrq"), ChargeMoney::tableName(t));
}

QString billBranch(Table t) {
    const bool rent = t == Table::Rent;
    const QString readings = rent ? QStringLiteral("cast(null as numeric(10, 2)) as sybd, cast(null as numeric(10, 2)) as bybd, "
                                                   "cast(null as numeric(10, 2)) as sys, A.fangprice as price")
                                  : QStringLiteral("A.Sybd as sybd, A.Bybd as bybd, A.Sys as sys, A.%1 as price")
                                        .arg(t == Table::ColdWater ? "lsdj" : t == Table::HotWater ? "rsdj" : "Yddj");
    return QStringLiteral("select %1 as kind, A.ID as id, A.fangno, %2, isnull(A.%3, 0) as due, %4 as owed "
                          "from %5 A where A.manid = :manid and A.%6 >= :monthstart and A.%6 < :nextmonth")
        .arg(int(t))
        .arg(readings, ChargeMoney::dueColumn(t), ChargeMoney::owedSql(t, QStringLiteral("A")), ChargeMoney::tableName(t),
             rent ? QStringLiteral("jkrq") : QStringLiteral("Jkrq"));
}

QString owedBeforeBranch(Table t) {
    return QStringLiteral("select isnull(sum(%1), 0) as owed from %2 A where A.manid = :manid and A.%3 < :monthstart")
        .arg(ChargeMoney::owedSql(t, QStringLiteral("A")), ChargeMoney::tableName(t),
             t == Table::Rent ? QStringLiteral("jkrq") : QStringLiteral("Jkrq"));
}

// clang-format off
const QString kPaymentSql = catalogSql("Sk_Sj payment", QStringList{
    "select P.ID, P.manid, B.manname, P.paydate, P.amount, P.way, P.note, P.operator,",
    "  (select count(*) from Zf_PaymentReversal R where R.paymentid = P.ID) as reversed",
    "from Zf_Payment P inner join Zf_Man B on B.manid = P.manid where P.ID = :paymentid"});

const QString kPaymentLinesSql = catalogSql("Sk_Sj lines", QStringList{
    linesBranch(Table::Rent),
    "union all " + linesBranch(Table::ColdWater),
    "union all " + linesBranch(Table::HotWater),
    "union all " + linesBranch(Table::Electricity),
    "order by 3, 1"});

const QString kBillLinesSql = catalogSql("Jf_Tzd lines", QStringList{
    billBranch(Table::Rent),
    "union all " + billBranch(Table::ColdWater),
    "union all " + billBranch(Table::HotWater),
    "union all " + billBranch(Table::Electricity),
    "order by 3, 1, 2"});

const QString kOwedBeforeSql = catalogSql("Jf_Tzd owed before", QStringList{
    "select sum(owed) as owed from (" + owedBeforeBranch(Table::Rent),
    "union all " + owedBeforeBranch(Table::ColdWater),
    "union all " + owedBeforeBranch(Table::HotWater),
    "union all " + owedBeforeBranch(Table::Electricity) + ") O"});

const QString kTenantSql = catalogSql("Jf_Tzd tenant", QStringList{
    "select manid, manname from Zf_Man where manid = :manid"});

const QString kBilledTenantsSql = catalogSql("Jf_Tzd let tenants", QStringList{
    "select C.manid, min(C.fangno) as fangno from Zf_Rz C where C.status = '1'",
    "group by C.manid order by 2, 1"});
// clang-format on

constexpr double kBody = 10;

QList<ReportItem> captioned(const QString& caption, const char* labelName, double x, double y) {
    return {label(caption).at(x, 0).top(y).size(kBody),
            label({}).named(QLatin1String(labelName)).after().top(y).size(kBody)};
}

struct Column {
    const char* caption;
    const char* field;
    double share;
    bool money;
};

// The column header and detail bands of a table of columns.
void addColumns(ReportLayout& l, std::initializer_list<Column> columns) {
    l.headerBand.height = 8;
    l.headerBand.items << rule().top(0, 0) << rule().top(8, 0);
    l.detailBand.height = 6.5;
    double x = 0;
    for (const Column& c : columns) {
        ReportItem head = label(QString::fromUtf8(c.caption)).at(x + 0.006, c.share - 0.012).top(1, 6).size(kBody).heavy();
        ReportItem cell = field(QLatin1String(c.field)).at(x + 0.006, c.share - 0.012).top(0.25, 6).size(9);
        if (c.money) {
            head.right();
            cell.money();
        }
        l.headerBand.items << head;
        l.detailBand.items << cell;
        x += c.share;
    }
}

QString money(const Decimal& d) {
    const QString plain = d.rounded(2).toString();
    const int point = plain.indexOf(QLatin1Char('.'));
    if (point < 0)
        return plain + QStringLiteral(".00");
    return plain.size() - point == 2 ? plain + QLatin1Char('0') : plain;
}

QString capitals(const Decimal& d) { return AmountInCapitals(d.toString().toDouble()); }

Decimal dec(const QString& text) { return Decimal::parse(text.trimmed()).value_or(Decimal()); }

ReportLayout buildReceipt() {
    ReportLayout l;
    l.name = QStringLiteral("Sk_Sj");
    l.reportTitle = QStringLiteral("收款收据");
    l.paper = ReportPaper::A4;
    l.titleBand.height = 33;
    l.titleBand.items << label(QStringLiteral("收款收据")).at(0, 1).top(0, 10).centred().size(16).heavy();
    l.titleBand.items << captioned(QStringLiteral("收据号："), "QRL_No", 0, 14)
                      << captioned(QStringLiteral("客户编号："), "QRL_Manid", 0.35, 14)
                      << captioned(QStringLiteral("客户姓名："), "QRL_Manname", 0.7, 14)
                      << captioned(QStringLiteral("收款日期："), "QRL_Rq", 0, 21)
                      << captioned(QStringLiteral("收款方式："), "QRL_Way", 0.35, 21)
                      << captioned(QStringLiteral("备    注："), "QRL_Note", 0.7, 21);
    addColumns(l, {{"项目", "item", 0.2, false}, {"房号", "fangno", 0.2, false},
                   {"费用日期", "chargedate", 0.3, false}, {"本次收款", "amount", 0.3, true}});
    l.summaryBand.height = 34;
    QList<ReportItem>& s = l.summaryBand.items;
    s << rule().top(1, 0);
    s << captioned(QStringLiteral("合计："), "QRL_Total", 0, 4)
      << captioned(QStringLiteral("尚欠金额："), "QRL_Owed", 0.5, 4);
    s << captioned(QStringLiteral("合计金额（大写）："), "QRL_TotalDx", 0, 11);
    s << captioned(QStringLiteral("状态："), "QRL_State", 0, 18);
    s << captioned(QStringLiteral("收款人："), "QRL_Operator", 0, 26)
      << label(QStringLiteral("交款人签字：")).at(0.5, 0).top(26).size(kBody);
    return l;
}

ReportLayout buildBill() {
    ReportLayout l;
    l.name = QStringLiteral("Jf_Tzd");
    l.reportTitle = QStringLiteral("缴费通知单");
    l.paper = ReportPaper::A4;
    l.titleBand.height = 26;
    l.titleBand.items << label(QStringLiteral("缴费通知单")).at(0, 1).top(0, 10).centred().size(16).heavy();
    l.titleBand.items << captioned(QStringLiteral("客户编号："), "QRL_Manid", 0, 14)
                      << captioned(QStringLiteral("客户姓名："), "QRL_Manname", 0.35, 14)
                      << captioned(QStringLiteral("月    份："), "QRL_Month", 0.7, 14);
    addColumns(l, {{"项目", "item", 0.12, false}, {"房号", "fangno", 0.12, false}, {"上次读数", "sybd", 0.14, true},
                   {"本次读数", "bybd", 0.14, true}, {"用量", "sys", 0.12, true}, {"单价", "price", 0.12, true},
                   {"金额", "due", 0.12, true}, {"未付", "owed", 0.12, true}});
    l.summaryBand.height = 34;
    QList<ReportItem>& s = l.summaryBand.items;
    s << rule().top(1, 0);
    s << captioned(QStringLiteral("上期结欠："), "QRL_Before", 0, 4)
      << captioned(QStringLiteral("本月费用："), "QRL_Month_Total", 0.35, 4)
      << captioned(QStringLiteral("合计应交："), "QRL_Due", 0.7, 4);
    s << captioned(QStringLiteral("合计应交（大写）："), "QRL_DueDx", 0, 11);
    s << label(QStringLiteral("请于收到本通知后及时到管理处交款。")).at(0, 0).top(20).size(kBody);
    s << captioned(QStringLiteral("打印日期："), "QRL_Rq", 0.7, 26);
    return l;
}

ReportLayout buildStatement() {
    ReportLayout l;
    l.name = QStringLiteral("Dz_D");
    l.reportTitle = QStringLiteral("对账单");
    l.paper = ReportPaper::A4;
    l.titleBand.height = 26;
    l.titleBand.items << label(QStringLiteral("对账单")).at(0, 1).top(0, 10).centred().size(16).heavy();
    l.titleBand.items << captioned(QStringLiteral("客户："), "QRL_Man", 0, 14)
                      << captioned(QStringLiteral("期间："), "QRL_Period", 0.4, 14)
                      << captioned(QStringLiteral("期初结欠："), "QRL_Opening", 0.75, 14);
    addColumns(l, {{"日期", "date", 0.13, false}, {"类别", "kind", 0.1, false}, {"项目", "item", 0.09, false},
                   {"房号", "fangno", 0.08, false}, {"说明", "detail", 0.24, false}, {"应收", "debit", 0.12, true},
                   {"收款", "credit", 0.12, true}, {"结欠", "balance", 0.12, true}});
    l.summaryBand.height = 14;
    l.summaryBand.items << rule().top(1, 0) << captioned(QStringLiteral("期末结欠："), "QRL_Closing", 0, 4)
                        << captioned(QStringLiteral("打印日期："), "QRL_Rq", 0.7, 4);
    l.footerBand.height = 8;
    l.footerBand.items << pageNumber().at(0.45, 0.1).top(1).centred().size(9);
    return l;
}

std::shared_ptr<ResultSet> table(const QStringList& names, const QList<FieldKind>& kinds) {
    auto rows = std::make_shared<ResultSet>();
    for (int i = 0; i < names.size(); ++i)
        rows->addColumn(names[i], kinds[i]);
    return rows;
}

QString day(const QDateTime& d) { return d.isValid() ? reportShortDate(d.date()) : QString(); }

} // namespace

const ReportLayout& paymentReceiptLayout() {
    static const ReportLayout l = buildReceipt();
    return l;
}
const ReportLayout& monthlyBillLayout() {
    static const ReportLayout l = buildBill();
    return l;
}
const ReportLayout& statementLayout() {
    static const ReportLayout l = buildStatement();
    return l;
}

std::unique_ptr<ReportRenderer> paymentReceipt(qint64 paymentId) {
    Query p;
    p.setSql(kPaymentSql);
    p.setInteger(QStringLiteral("paymentid"), paymentId);
    p.open();
    if (p.isEmpty())
        throw ReportError(QStringLiteral("找不到这笔收款！"));
    Query lines;
    lines.setSql(kPaymentLinesSql);
    lines.setInteger(QStringLiteral("paymentid"), paymentId);
    lines.open();
    auto rows = table({"item", "fangno", "chargedate", "amount"},
                      {FieldKind::Text, FieldKind::Text, FieldKind::Text, FieldKind::Decimal});
    for (lines.first(); !lines.eof(); lines.next()) {
        rows->appendText(0, ChargeMoney::itemName(Table(lines.integer(QStringLiteral("kind")))));
        rows->appendText(1, lines.text(QStringLiteral("fangno")).trimmed());
        rows->appendText(2, day(lines.dateTime(QStringLiteral("chargedate"))));
        rows->appendValue(3, lines.value(QStringLiteral("amount")));
        rows->finishRow();
    }
    const QString tenant = p.text(QStringLiteral("manid")).trimmed();
    Decimal owed;
    for (const Payments::Charge& c : Payments::unsettledCharges(tenant))
        owed = owed + c.owed;
    const Decimal amount = dec(p.text(QStringLiteral("amount")));
    QHash<QString, QString> labels{
        {QStringLiteral("QRL_No"), QString::number(paymentId)},
        {QStringLiteral("QRL_Manid"), tenant},
        {QStringLiteral("QRL_Manname"), p.text(QStringLiteral("manname")).trimmed()},
        {QStringLiteral("QRL_Rq"), reportDateText(p.dateTime(QStringLiteral("paydate")).date())},
        {QStringLiteral("QRL_Way"), p.text(QStringLiteral("way"))},
        {QStringLiteral("QRL_Note"), p.text(QStringLiteral("note"))},
        {QStringLiteral("QRL_Total"), money(amount)},
        {QStringLiteral("QRL_TotalDx"), capitals(amount)},
        {QStringLiteral("QRL_Owed"), money(owed)},
        {QStringLiteral("QRL_State"),
         p.integer(QStringLiteral("reversed")) > 0 ? QStringLiteral("已冲销") : QStringLiteral("有效")},
        {QStringLiteral("QRL_Operator"), p.text(QStringLiteral("operator"))}};
    return std::make_unique<ReportRenderer>(paymentReceiptLayout(), labels, rows, 0, -1, Clock::today());
}

std::unique_ptr<ReportRenderer> monthlyBill(const QString& tenant, const QDate& month) {
    const QDate first(month.year(), month.month(), 1);
    const auto bind = [&](Query& q) {
        q.setText(QStringLiteral("manid"), tenant.trimmed(), 10);
        q.setDateTime(QStringLiteral("monthstart"), QDateTime(first, QTime(0, 0)));
        if (q.paramNames().contains(QStringLiteral("nextmonth"), Qt::CaseInsensitive))
            q.setDateTime(QStringLiteral("nextmonth"), QDateTime(first.addMonths(1), QTime(0, 0)));
    };
    Query who;
    who.setSql(kTenantSql);
    who.setText(QStringLiteral("manid"), tenant.trimmed(), 10);
    who.open();
    Query lines;
    lines.setSql(kBillLinesSql);
    bind(lines);
    lines.open();
    Query before;
    before.setSql(kOwedBeforeSql);
    bind(before);
    before.open();
    auto rows = table({"item", "fangno", "sybd", "bybd", "sys", "price", "due", "owed"},
                      {FieldKind::Text, FieldKind::Text, FieldKind::Decimal, FieldKind::Decimal, FieldKind::Decimal,
                       FieldKind::Decimal, FieldKind::Decimal, FieldKind::Decimal});
    Decimal monthTotal, monthOwed;
    for (lines.first(); !lines.eof(); lines.next()) {
        rows->appendText(0, ChargeMoney::itemName(Table(lines.integer(QStringLiteral("kind")))));
        rows->appendText(1, lines.text(QStringLiteral("fangno")).trimmed());
        int col = 2;
        for (const char* c : {"sybd", "bybd", "sys", "price", "due", "owed"})
            rows->appendValue(col++, lines.value(QLatin1String(c)));
        rows->finishRow();
        monthTotal = monthTotal + dec(lines.text(QStringLiteral("due")));
        monthOwed = monthOwed + dec(lines.text(QStringLiteral("owed")));
    }
    const Decimal owedBefore = dec(before.text(QStringLiteral("owed")));
    const Decimal due = owedBefore + monthOwed;
    QHash<QString, QString> labels{{QStringLiteral("QRL_Manid"), tenant.trimmed()},
                                   {QStringLiteral("QRL_Manname"), who.text(QStringLiteral("manname")).trimmed()},
                                   {QStringLiteral("QRL_Month"), reportMonthText(first)},
                                   {QStringLiteral("QRL_Before"), money(owedBefore)},
                                   {QStringLiteral("QRL_Month_Total"), money(monthTotal)},
                                   {QStringLiteral("QRL_Due"), money(due)},
                                   {QStringLiteral("QRL_DueDx"), capitals(due)},
                                   {QStringLiteral("QRL_Rq"), reportDateText(Clock::today())}};
    return std::make_unique<ReportRenderer>(monthlyBillLayout(), labels, rows, 0, -1, Clock::today());
}

std::unique_ptr<ReportRenderer> tenantStatement(const QString& tenant, const QDate& from, const QDate& to) {
    const Ledger::Statement s = Ledger::statement(tenant, from, to);
    auto rows = table({"date", "kind", "item", "fangno", "detail", "debit", "credit", "balance"},
                      {FieldKind::Text, FieldKind::Text, FieldKind::Text, FieldKind::Text, FieldKind::Text,
                       FieldKind::Decimal, FieldKind::Decimal, FieldKind::Decimal});
    for (const Ledger::Line& l : s.lines) {
        rows->appendText(0, day(l.date));
        rows->appendText(1, Ledger::kindName(l.kind));
        rows->appendText(2, l.item);
        rows->appendText(3, l.room);
        rows->appendText(4, l.detail);
        rows->appendText(5, l.debit.toString());
        rows->appendText(6, l.credit.toString());
        rows->appendText(7, l.balance.toString());
        rows->finishRow();
    }
    Query who;
    who.setSql(kTenantSql);
    who.setText(QStringLiteral("manid"), tenant.trimmed(), 10);
    who.open();
    QHash<QString, QString> labels{
        {QStringLiteral("QRL_Man"), tenant.trimmed() + QLatin1Char(' ') + who.text(QStringLiteral("manname")).trimmed()},
        {QStringLiteral("QRL_Period"), reportShortDate(from) + QStringLiteral("至") + reportShortDate(to)},
        {QStringLiteral("QRL_Opening"), money(s.opening)},
        {QStringLiteral("QRL_Closing"), money(s.closing)},
        {QStringLiteral("QRL_Rq"), reportDateText(Clock::today())}};
    return std::make_unique<ReportRenderer>(statementLayout(), labels, rows, 0, -1, Clock::today());
}

QStringList billedTenants() {
    Query q;
    q.setSql(kBilledTenantsSql);
    q.open();
    QStringList tenants;
    for (q.first(); !q.eof(); q.next())
        tenants << q.text(QStringLiteral("manid")).trimmed();
    return tenants;
}

namespace {

// The size of one bill's place on a sheet: the sheet's width and a part of
// its height, at its resolution. Only laid out for, never painted on.
class BillPlace : public QPaintDevice {
public:
    BillPlace(const QPaintDevice& sheet, int perSheet)
        : m_width(sheet.width()), m_height(sheet.height() / perSheet), m_dpiX(sheet.logicalDpiX()),
          m_dpiY(sheet.logicalDpiY()) {}
    QPaintEngine* paintEngine() const override { return nullptr; }

protected:
    int metric(PaintDeviceMetric m) const override {
        switch (m) {
        case PdmWidth: return m_width;
        case PdmHeight: return m_height;
        case PdmWidthMM: return qRound(m_width * 25.4 / m_dpiX);
        case PdmHeightMM: return qRound(m_height * 25.4 / m_dpiY);
        case PdmDpiX: case PdmPhysicalDpiX: return m_dpiX;
        case PdmDpiY: case PdmPhysicalDpiY: return m_dpiY;
        case PdmDepth: return 32;
        case PdmNumColors: return INT_MAX;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return int(devicePixelRatioFScale());
        }
        return 0;
    }

private:
    int m_width, m_height, m_dpiX, m_dpiY;
};

} // namespace

int paintMonthlyBills(QPagedPaintDevice& device, const QDate& month, const std::function<bool(int, int)>& progress,
                      int perSheet) {
    perSheet = std::max(1, perSheet);
    const QStringList tenants = billedTenants();
    QPainter painter;
    int painted = 0;
    int places = 0; // places used on the sheets so far
    for (const QString& tenant : tenants) {
        const auto bill = monthlyBill(tenant, month);
        if (!painter.isActive()) {
            if (!painter.begin(&device))
                throw ReportError(QStringLiteral("无法打印。"));
        }
        const BillPlace place(device, perSheet);
        const int pages = bill->pageCount(place);
        for (int page = 0; page < pages; ++page, ++places) {
            const int slot = places % perSheet;
            if (places > 0 && slot == 0)
                device.newPage();
            painter.save();
            painter.translate(0, slot * place.height());
            painter.setClipRect(QRect(0, 0, place.width(), place.height()));
            bill->paintPage(painter, page, place);
            painter.restore();
            // A dashed line to cut the sheet along, under every place but the last.
            if (slot < perSheet - 1) {
                painter.save();
                painter.setPen(QPen(Qt::gray, 0, Qt::DashLine));
                const int y = (slot + 1) * place.height();
                painter.drawLine(0, y, place.width(), y);
                painter.restore();
            }
        }
        ++painted;
        if (progress && !progress(painted, int(tenants.size())))
            break;
    }
    if (painter.isActive())
        painter.end();
    return painted;
}

int writeMonthlyBillsPdf(const QString& path, const QDate& month, const std::function<bool(int, int)>& progress,
                         int perSheet) {
    int painted = 0;
    bool stopped = false;
    {
        QPdfWriter writer(path);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 15, 15, 15),
                                         QPageLayout::Millimeter));
        writer.setTitle(QStringLiteral("缴费通知单"));
        writer.setCreator(QStringLiteral("Zentavo"));
        const int total = int(billedTenants().size());
        painted = paintMonthlyBills(
            writer, month,
            [&](int done, int all) {
                const bool go = !progress || progress(done, all);
                stopped = !go && done < total;
                return go;
            },
            perSheet);
    }
    if (stopped)
        QFile::remove(path);
    return painted;
}

void printPaymentReceipt(qint64 paymentId, QWidget* parent) {
    guarded([&] { previewReport(*paymentReceipt(paymentId), parent); });
}

void printMonthlyBill(const QString& tenant, const QDate& month, QWidget* parent) {
    guarded([&] { previewReport(*monthlyBill(tenant, month), parent); });
}

void printTenantStatement(const QString& tenant, const QDate& from, const QDate& to, QWidget* parent) {
    guarded([&] { previewReport(*tenantStatement(tenant, from, to), parent); });
}
