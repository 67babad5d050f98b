#include "tqfcxform.h"

#include "errordisplay.h"
#include "messages.h"
#include "printreports.h"
#include "queryscreen.h"
#include "screenbuilder.h"
#include "sqlcatalog.h"
#include "chargemoney.h"
#include "decimal.h"

#include <QSet>

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

// What is still due on a row: the amount due less the money received on it.
QString owed(ChargeMoney::Table t) { return ChargeMoney::owedSql(t, QStringLiteral("A")); }

// clang-format off
// Per table, the unsettled charges of each tenant and room, summed while the
// index over the unsettled rows is read in its own order (tenant, room), so
// the tables are read once and only a few thousand sums are grouped again.
QString unsettledByRoom(const char* kind, ChargeMoney::Table t) {
    return QStringLiteral("SELECT '%1' AS kind, A.manid, A.fangno, sum(%2) AS due, count(*) AS bs, min(A.Jkrq) AS oldest "
                          "FROM dbo.%3 A WHERE isnull(A.status, '0') <> '1' GROUP BY A.manid, A.fangno")
        .arg(QLatin1String(kind), owed(t), ChargeMoney::tableName(t));
}

const QString kSummarySql = catalogSql("TQfCxForm summary", QStringList{
    "WITH G AS (",
    "  SELECT U.manid, U.fangno,",
    "         sum(case U.kind when '1' then U.due else 0 end) as zj,",
    "         sum(case U.kind when '2' then U.due else 0 end) as ls,",
    "         sum(case U.kind when '3' then U.due else 0 end) as rs,",
    "         sum(case U.kind when '4' then U.due else 0 end) as yd,",
    "         sum(U.due) as hj, sum(U.bs) as bs, min(U.oldest) as oldest",
    "  FROM (" + unsettledByRoom("1", ChargeMoney::Table::Rent),
    "        UNION ALL " + unsettledByRoom("2", ChargeMoney::Table::ColdWater),
    "        UNION ALL " + unsettledByRoom("3", ChargeMoney::Table::HotWater),
    "        UNION ALL " + unsettledByRoom("4", ChargeMoney::Table::Electricity) + ") U",
    "  GROUP BY U.manid, U.fangno)",
    "SELECT G.manid, B.manname, G.fangno,",
    "       case when exists (select 1 from dbo.Zf_Rz R where R.manid = G.manid and R.fangno = G.fangno)",
    "            then '在住' else '已退房' end as zt,",
    "       G.zj, G.ls, G.rs, G.yd, G.hj, T.khhj, G.oldest, G.bs",
    "FROM G INNER JOIN dbo.Zf_Man B ON G.manid = B.manid",
    // The tenant's total over all rooms, whichever rooms the search shows.
    "INNER JOIN (SELECT manid, sum(hj) as khhj FROM G GROUP BY manid) T ON T.manid = G.manid",
    "where G.fangno like :fangno or B.zjm like :zjm or G.manid like :manid",
    "ORDER BY G.manid, G.fangno"});

// Every unsettled charge of the four tables as one list. A status other than
// '1' shows as 未交款 on every screen, so it counts as unsettled here too;
// what is still due is the amount due less the money received on the row.
const QStringList kUnpaid{
    "(SELECT '1' AS kind, A.id AS chargeid, A.manid, A.fangno, A.Jkrq, " + owed(ChargeMoney::Table::Rent) + " AS due",
    "   FROM dbo.Zf_Zujin A WHERE isnull(A.status, '0') <> '1'",
    " UNION ALL SELECT '2', A.ID, A.manid, A.fangno, A.Jkrq, " + owed(ChargeMoney::Table::ColdWater) +
        " FROM dbo.Zf_Lenshui A WHERE isnull(A.status, '0') <> '1'",
    " UNION ALL SELECT '3', A.ID, A.manid, A.fangno, A.Jkrq, " + owed(ChargeMoney::Table::HotWater) +
        " FROM dbo.Zf_Reshui A WHERE isnull(A.status, '0') <> '1'",
    " UNION ALL SELECT '4', A.ID, A.manid, A.fangno, A.Jkrq, " + owed(ChargeMoney::Table::Electricity) +
        " FROM dbo.Zf_YdSf A WHERE isnull(A.status, '0') <> '1')"};

const QString kDetailSql = catalogSql("TQfCxForm details", QStringList{
    "SELECT U.kind, case U.kind when '1' then '房租' when '2' then '冷水' when '3' then '热水'",
    "       else '电费' end as kindname, U.chargeid, U.Jkrq, U.due",
    "FROM"} + kUnpaid + QStringList{
    "  U where U.manid = :manid and U.fangno = :fangno",
    "ORDER BY U.Jkrq, U.kind, U.chargeid"});

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
    if (ADQ_Qf.isOpen())
        guarded([&] { Lab_total->setText(totalsText()); });
    showDetails();
}

// The totals of the lines shown, summed exactly: the amount, the tenants
// and the charges.
QString TQfCxForm::totalsText() const
{
    const ResultSet& lines = *ADQ_Qf.result();
    const int hj = lines.columnIndex(QStringLiteral("hj"));
    const int bs = lines.columnIndex(QStringLiteral("bs"));
    const int manid = lines.columnIndex(QStringLiteral("manid"));
    Decimal total;
    qint64 charges = 0;
    QSet<QString> tenants;
    for (int r = 0; r < lines.rowCount(); ++r) {
        total = total + Decimal::parse(lines.text(r, hj)).value_or(Decimal());
        charges += lines.value(r, bs).toLongLong();
        // Tenant numbers compare as the database compares them: letter case
        // and trailing blanks aside.
        QString key = lines.text(r, manid).toUpper();
        while (key.endsWith(QLatin1Char(' ')))
            key.chop(1);
        tenants.insert(key);
    }
    return QStringLiteral("欠费合计：%1 元，%2 位客户，共 %3 笔").arg(total.toString()).arg(tenants.size()).arg(charges);
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
