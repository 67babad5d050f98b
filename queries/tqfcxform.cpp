#include "tqfcxform.h"

#include "errordisplay.h"
#include "messages.h"
#include "printreports.h"
#include "queryscreen.h"
#include "screenbuilder.h"
#include "sqlcatalog.h"
#include "chargemoney.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

// Every unsettled charge of the four tables as one list. A status other than
// '1' shows as 未交款 on every screen, so it counts as unsettled here too;
// what is still due is the amount due less the money received on the row.
QString owed(ChargeMoney::Table t) { return ChargeMoney::owedSql(t, QStringLiteral("A")); }

// clang-format off
const QStringList kUnpaid{
    "(SELECT '1' AS kind, A.id AS chargeid, A.manid, A.fangno, A.Jkrq, " + owed(ChargeMoney::Table::Rent) + " AS due",
    "   FROM dbo.Zf_Zujin A WHERE isnull(A.status, '0') <> '1'",
    " UNION ALL SELECT '2', A.ID, A.manid, A.fangno, A.Jkrq, " + owed(ChargeMoney::Table::ColdWater) +
        " FROM dbo.Zf_Lenshui A WHERE isnull(A.status, '0') <> '1'",
    " UNION ALL SELECT '3', A.ID, A.manid, A.fangno, A.Jkrq, " + owed(ChargeMoney::Table::HotWater) +
        " FROM dbo.Zf_Reshui A WHERE isnull(A.status, '0') <> '1'",
    " UNION ALL SELECT '4', A.ID, A.manid, A.fangno, A.Jkrq, " + owed(ChargeMoney::Table::Electricity) +
        " FROM dbo.Zf_YdSf A WHERE isnull(A.status, '0') <> '1')"};

const QString kSummarySql = catalogSql("TQfCxForm summary", QStringList{
    "SELECT U.manid, B.manname, U.fangno,",
    "       case when exists (select 1 from dbo.Zf_Rz R where R.manid = U.manid and R.fangno = U.fangno)",
    "            then '在住' else '已退房' end as zt,",
    "       sum(case U.kind when '1' then U.due else 0 end) as zj,",
    "       sum(case U.kind when '2' then U.due else 0 end) as ls,",
    "       sum(case U.kind when '3' then U.due else 0 end) as rs,",
    "       sum(case U.kind when '4' then U.due else 0 end) as yd,",
    "       sum(U.due) as hj, T.khhj, min(U.Jkrq) as oldest",
    "FROM"} + kUnpaid + QStringList{
    "  U INNER JOIN dbo.Zf_Man B ON U.manid = B.manid",
    "INNER JOIN (SELECT V.manid, sum(V.due) as khhj FROM"} + kUnpaid + QStringList{
    "  V GROUP BY V.manid) T ON T.manid = U.manid",
    "where U.fangno like :fangno or B.zjm like :zjm or U.manid like :manid",
    "GROUP BY U.manid, B.manname, U.fangno, T.khhj",
    "ORDER BY U.manid, U.fangno"});

const QString kDetailSql = catalogSql("TQfCxForm details", QStringList{
    "SELECT U.kind, case U.kind when '1' then '房租' when '2' then '冷水' when '3' then '热水'",
    "       else '电费' end as kindname, U.chargeid, U.Jkrq, U.due",
    "FROM"} + kUnpaid + QStringList{
    "  U where U.manid = :manid and U.fangno = :fangno",
    "ORDER BY U.Jkrq, U.kind, U.chargeid"});

const QString kTotalsSql = catalogSql("TQfCxForm totals", QStringList{
    "SELECT count(*) as bs, sum(U.due) as hj, count(distinct U.manid) as rs FROM"} + kUnpaid + QStringList{
    "  U INNER JOIN dbo.Zf_Man B ON U.manid = B.manid",
    "where U.fangno like :fangno or B.zjm like :zjm or U.manid like :manid"});
// clang-format on

} // namespace

TQfCxForm::TQfCxForm(QWidget* parent) : QDialog(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("TQfCxForm"));
    setWindowTitle(QStringLiteral("欠费查询"));

    auto* inputs = new QGridLayout;
    FieldGrid fields(inputs);
    Ed_Fh = fields.edit({0, 0}, QStringLiteral("房号/客户编号/助记码："), "Ed_Fh");
    Ed_Fh->setMinimumWidth(160);
    inputs->setColumnStretch(2, 1);

    ButtonRow buttons(nullptr, ButtonRow::Place::Right);
    BitBtn_find = buttons.add(QStringLiteral("查  询"), "BitBtn_find");
    BBtn_Print = buttons.add(QStringLiteral("&P打印"), "BBtn_Print");
    bitbtn_quit = buttons.add(QStringLiteral("退出"), "bitbtn_quit");

    m_summary = new QueryModel(ADQ_Qf,
                               {{"manid", "客户编号"},
                                {"manname", "客户姓名"},
                                {"fangno", "房号"},
                                {"zt", "状态"},
                                {"zj", "房租欠费"},
                                {"ls", "冷水欠费"},
                                {"rs", "热水欠费"},
                                {"yd", "电费欠费"},
                                {"hj", "合计"},
                                {"khhj", "客户合计"},
                                {"oldest", "最早欠费日期"}},
                               this);
    DBGrid1 = QueryScreen::grid("DBGrid1", m_summary, this);
    DBGrid1->setAccessibleName(QStringLiteral("欠费汇总"));
    m_details = new QueryModel(ADQ_Qfmx,
                               {{"kindname", "项目"}, {"Jkrq", "交款日期"}, {"due", "应付金额"}}, this);
    DBGrid2 = QueryScreen::grid("DBGrid2", m_details, this);
    DBGrid2->setAccessibleName(QStringLiteral("欠费明细"));
    DBGrid2->setMinimumHeight(160);
    Lab_total = new QLabel;
    Lab_total->setObjectName(QStringLiteral("Lab_total"));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(inputs);
    layout->addLayout(buttons.layout());
    layout->addWidget(DBGrid1, 3);
    layout->addWidget(Lab_total);
    auto* detailCaption = new QLabel(QStringLiteral("欠费明细（双击打开收费记录）："));
    detailCaption->setBuddy(DBGrid2);
    layout->addWidget(detailCaption);
    layout->addWidget(DBGrid2, 1);
    resize(980, 640);

    connect(BitBtn_find, &QPushButton::clicked, this, &TQfCxForm::BitBtn_findClick);
    connect(Ed_Fh, &QLineEdit::returnPressed, this, &TQfCxForm::BitBtn_findClick);
    connect(BBtn_Print, &QPushButton::clicked, this, &TQfCxForm::BBtn_PrintClick);
    connect(bitbtn_quit, &QPushButton::clicked, this, &QDialog::close);
    connect(m_summary, &QueryModel::currentRowChanged, this, &TQfCxForm::showDetails);
    connect(DBGrid2, &QTableView::doubleClicked, this, &TQfCxForm::DBGrid2DblClick);

    BitBtn_findClick();
}

void TQfCxForm::BitBtn_findClick()
{
    const QString pattern = Ed_Fh->text().trimmed() + QLatin1Char('%');
    const auto bind = [&](Query& q) {
        q.setText(QStringLiteral("fangno"), pattern);
        q.setText(QStringLiteral("zjm"), pattern);
        q.setText(QStringLiteral("manid"), pattern);
    };
    QueryScreen::run(*m_summary, [&](Query& q) {
        q.setSql(kSummarySql);
        bind(q);
    });
    Lab_total->clear();
    ADQ_Qfhj.close();
    if (ADQ_Qf.isOpen() && guarded([&] {
            ADQ_Qfhj.setSql(kTotalsSql);
            bind(ADQ_Qfhj);
            ADQ_Qfhj.open();
        })) {
        const QString total = ADQ_Qfhj.text(QStringLiteral("hj"));
        Lab_total->setText(QStringLiteral("欠费合计：%1 元，%2 位客户，共 %3 笔")
                               .arg(total.isEmpty() ? QStringLiteral("0") : total,
                                    ADQ_Qfhj.text(QStringLiteral("rs")), ADQ_Qfhj.text(QStringLiteral("bs"))));
    }
    showDetails();
}

void TQfCxForm::showDetails()
{
    if (QueryScreen::isEmptyResult(ADQ_Qf)) {
        ADQ_Qfmx.close();
        m_details->refresh();
        return;
    }
    QueryScreen::run(*m_details, [&](Query& q) {
        q.setSql(kDetailSql);
        q.setText(QStringLiteral("manid"), ADQ_Qf.text(QStringLiteral("manid")));
        q.setText(QStringLiteral("fangno"), ADQ_Qf.text(QStringLiteral("fangno")));
    });
}

void TQfCxForm::DBGrid2DblClick()
{
    if (QueryScreen::isEmptyResult(ADQ_Qfmx))
        return;
    emit openCharge(ADQ_Qfmx.text(QStringLiteral("kind")).toInt(), ADQ_Qfmx.text(QStringLiteral("chargeid")).toInt());
}

void TQfCxForm::BBtn_PrintClick()
{
    printArrears(ADQ_Qf, Lab_total->text().section(QStringLiteral("："), 1), this);
}
