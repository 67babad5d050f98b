#include "tqtfytjform.h"

#include "clock.h"
#include "querymodel.h"
#include "printreports.h"
#include "queryscreen.h"
#include "screenbuilder.h"
#include "sqlcatalog.h"
#include "chargemoney.h"
#include "payments.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

// Each statistics: its fixed line, then the period with both ends bound.
const QString kPeriodLine = QStringLiteral("where jkrq BETWEEN :begindate and :enddate");

QString statistics(const char* owner, const QString& firstLine) {
    return catalogSql(owner, {firstLine, kPeriodLine});
}

// 实付金 is the money actually received (a part payment on an unpaid row
// counts, an older unpaid row's proposed amount does not), less what a
// check-out paid from a deposit already counted with its first rent.
QString received(ChargeMoney::Table t) {
    return QStringLiteral("sum(%1) - %2")
        .arg(ChargeMoney::receivedSql(t, QString()),
             ChargeMoney::paidFromDepositSql(t, QStringLiteral("B.jkrq BETWEEN :begindate and :enddate")));
}

QString utility(ChargeMoney::Table t, const char* table) {
    return QStringLiteral("select count(*)as rs,sum(sys)as sys,sum(yfj)as yfj,%1 as sfj from %2")
        .arg(received(t), QLatin1String(table));
}

// clang-format off
const QString kRentSql = statistics("TQtFyTjForm rent",
    "select count(*)as rs,sum(fangya)as fangya,sum(fangprice)as fangprice,sum(ljf)as ljf,sum(yf)as yf," +
    received(ChargeMoney::Table::Rent) + " as sf from Zf_Zujin");
const QString kColdSql = statistics("TQtFyTjForm cold water", utility(ChargeMoney::Table::ColdWater, "dbo.Zf_Lenshui"));
const QString kHotSql = statistics("TQtFyTjForm hot water", utility(ChargeMoney::Table::HotWater, "dbo.Zf_Reshui"));
const QString kPowerSql = statistics("TQtFyTjForm electricity", utility(ChargeMoney::Table::Electricity, "dbo.Zf_YdSf"));
// clang-format on

const QString kRentName = QStringLiteral("房屋租金情况统计");
const QString kWayName = QStringLiteral("收款方式统计");

// The statistics grids centre every figure.
class CentredModel : public QueryModel {
public:
    using QueryModel::QueryModel;
    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::TextAlignmentRole)
            return int(Qt::AlignCenter);
        return QueryModel::data(index, role);
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (role == Qt::TextAlignmentRole && orientation == Qt::Horizontal)
            return int(Qt::AlignCenter);
        return QueryModel::headerData(section, orientation, role);
    }
};

} // namespace

TQtFyTjForm::TQtFyTjForm(QWidget* parent) : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("TQtFyTjForm"));
    setWindowTitle(QStringLiteral("统计报表"));

    auto* period = new QGroupBox(QStringLiteral("请选择交款时间："));
    auto* dates = new QGridLayout(period);
    FieldGrid fields(dates);
    Dt_begin = fields.date({0, 0}, QStringLiteral("从："), "Dt_begin");
    Dt_end = fields.date({1, 0}, QStringLiteral("到："), "Dt_end");
    Dt_begin->setAccessibleName(QStringLiteral("开始日期"));
    Dt_end->setAccessibleName(QStringLiteral("截止日期"));

    Button_FW = pushButton(kRentName, "Button_FW");
    Button_Rs = pushButton(QStringLiteral("热水收费情况统计"), "Button_Rs");
    Button_Ls = pushButton(QStringLiteral("冷水收费情况统计"), "Button_Ls");
    Button_Yd = pushButton(QStringLiteral("用电收费情况统计"), "Button_Yd");
    Button_Way = pushButton(kWayName, "Button_Way");
    BBtn_Print = pushButton(QStringLiteral("&P打印"), "BBtn_Print");
    bitbtn_quit = pushButton(QStringLiteral("退出"), "bitbtn_quit");
    auto* kinds = new QVBoxLayout;
    kinds->addWidget(period);
    for (QPushButton* b : {Button_FW, Button_Rs, Button_Ls, Button_Yd, Button_Way})
        kinds->addWidget(b);
    kinds->addStretch();
    auto* closing = new QHBoxLayout;
    closing->addWidget(BBtn_Print);
    closing->addWidget(bitbtn_quit);
    kinds->addLayout(closing);

    Lb_ykh = new QLabel(kRentName + QStringLiteral("    "));
    Lb_ykh->setObjectName(QStringLiteral("Lb_ykh"));
    Lb_ykh->setAlignment(Qt::AlignCenter);
    QFont heading = Lb_ykh->font();
    heading.setPointSizeF(heading.pointSizeF() * 1.4);
    heading.setBold(true);
    Lb_ykh->setFont(heading);

    m_rentModel = new CentredModel(ADQ_Zjtj,
                                   {{"rs", "交款房号数"},
                                    {"fangya", "房押"},
                                    {"fangprice", "房租"},
                                    {"ljf", "清洁费"},
                                    {"yf", "应付金"},
                                    {"sf", "实付金"}},
                                   this);
    m_usageModel = new CentredModel(
        ADQ_Zjtj, {{"rs", "交款房号数"}, {"sys", "实用数"}, {"yfj", "应付金"}, {"sfj", "实付金"}},
        this);
    m_wayModel = new CentredModel(ADQ_Zjtj, {{"way", "收款方式"}, {"amount", "实收金额"}}, this);
    DBGrid_Zjtj = QueryScreen::grid("DBGrid_Zjtj", m_rentModel, this);
    DBGrid1 = QueryScreen::grid("DBGrid1", m_usageModel, this);
    DBGrid_Way = QueryScreen::grid("DBGrid_Way", m_wayModel, this);
    for (QTableView* g : {DBGrid_Zjtj, DBGrid1, DBGrid_Way}) {
        g->setMinimumSize(560, 120);
        g->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    }
    DBGrid1->hide();
    DBGrid_Way->hide();

    auto* result = new QVBoxLayout;
    result->addWidget(Lb_ykh);
    // The grids stand in the same place; one shows at a time.
    result->addWidget(DBGrid_Zjtj);
    result->addWidget(DBGrid1);
    result->addWidget(DBGrid_Way);
    result->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(kinds);
    layout->addLayout(result);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(Button_FW, &QPushButton::clicked, this, &TQtFyTjForm::Button_FWClick);
    connect(Button_Rs, &QPushButton::clicked, this, &TQtFyTjForm::Button_RsClick);
    connect(Button_Ls, &QPushButton::clicked, this, &TQtFyTjForm::Button_LsClick);
    connect(Button_Yd, &QPushButton::clicked, this, &TQtFyTjForm::Button_YdClick);
    connect(Button_Way, &QPushButton::clicked, this, &TQtFyTjForm::Button_WayClick);
    connect(BBtn_Print, &QPushButton::clicked, this, &TQtFyTjForm::BBtn_PrintClick);
    connect(bitbtn_quit, &QPushButton::clicked, this, &TQtFyTjForm::bitbtn_quitClick);

    FormCreate();
}

TQtFyTjForm::~TQtFyTjForm() = default;

// The default period runs from the last day of the previous month to today.
void TQtFyTjForm::FormCreate() {
    const QDate today = Clock::today();
    Dt_begin->setDate(today.addDays(-today.day()));
    Dt_end->setDate(today);
}

QString TQtFyTjForm::statisticsName() const {
    return Lb_ykh->text();
}

QDate TQtFyTjForm::beginDate() const {
    return Dt_begin->date();
}

QDate TQtFyTjForm::endDate() const {
    return Dt_end->date();
}

// One row: the charge rows whose payment date lies in the period (both days
// at midnight included) and their sums. The money received by way of payment
// counts every payment taken on the days of the period.
void TQtFyTjForm::runStatistics(const QString& sql, const QString& name, Kind kind) {
    const QDate begin = Dt_begin->date();
    const QDate end = Dt_end->date();
    QueryModel* shown = kind == Kind::Rent ? m_rentModel : kind == Kind::Usage ? m_usageModel : m_wayModel;
    const bool ok = QueryScreen::run(*shown, [&](Query& q) {
        q.setSql(sql);
        if (kind == Kind::Way) {
            q.setDateTime(QStringLiteral("fromdate"), QDateTime(begin, QTime(0, 0)));
            q.setDateTime(QStringLiteral("todate"), QDateTime(end.addDays(1), QTime(0, 0)));
        } else {
            q.setDateTime(QStringLiteral("begindate"), QDateTime(begin, QTime(0, 0)));
            q.setDateTime(QStringLiteral("enddate"), QDateTime(end, QTime(0, 0)));
        }
    });
    for (QueryModel* m : {m_rentModel, m_usageModel, m_wayModel})
        if (m != shown)
            m->refresh();
    if (!ok)
        return;
    Lb_ykh->setText(name);
    DBGrid_Zjtj->setVisible(kind == Kind::Rent);
    DBGrid1->setVisible(kind == Kind::Usage);
    DBGrid_Way->setVisible(kind == Kind::Way);
}

void TQtFyTjForm::Button_FWClick() {
    runStatistics(kRentSql, kRentName, Kind::Rent);
}

void TQtFyTjForm::Button_RsClick() {
    runStatistics(kHotSql, QStringLiteral("热水收费情况统计"), Kind::Usage);
}

void TQtFyTjForm::Button_LsClick() {
    runStatistics(kColdSql, QStringLiteral("冷水收费情况统计"), Kind::Usage);
}

void TQtFyTjForm::Button_YdClick() {
    runStatistics(kPowerSql, QStringLiteral("用电收费情况统计"), Kind::Usage);
}

void TQtFyTjForm::Button_WayClick() {
    runStatistics(Payments::receivedByWaySql(), kWayName, Kind::Way);
}

void TQtFyTjForm::BBtn_PrintClick() {
    printStatistics(ADQ_Zjtj, statisticsName(), beginDate(), endDate(), this);
}

void TQtFyTjForm::bitbtn_quitClick() {
    close();
}
