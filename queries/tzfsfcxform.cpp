#include "tzfsfcxform.h"

#include "clock.h"
#include "lookupfield.h"
#include "queryscreen.h"
#include "screenbuilder.h"
#include "sqlcatalog.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

// clang-format off
const QString kSearchSql = catalogSql("TZfsfCxForm search", QStringList{
    "SELECT V.ID, case V.tablename when 'Zf_Zujin' then '房租' when 'Zf_Lenshui' then '冷水'",
    "       when 'Zf_Reshui' then '热水' else '电费' end as kind,",
    "       V.chargeid, V.fangno, V.manid, B.manname, V.jkrq, V.yf, V.sf,",
    "       case V.status when '1' then '已交款' else '未交款' end as status,",
    "       V.voidby, V.voidtime, V.reason",
    "FROM dbo.Zf_VoidCharge V LEFT OUTER JOIN dbo.Zf_Man B ON V.manid = B.manid",
    "where V.voidtime >= :begindate and V.voidtime < :enddate",
    "  and (V.fangno like :fangno or V.manid like :manid or B.zjm like :zjm)",
    "ORDER BY V.voidtime, V.ID"});
// clang-format on

} // namespace

TZfsfCxForm::TZfsfCxForm(QWidget* parent) : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("TZfsfCxForm"));
    setWindowTitle(QStringLiteral("作废收费查询"));

    auto* inputs = new QGridLayout;
    FieldGrid fields(inputs);
    Ed_Fh = fields.edit({0, 0}, QStringLiteral("房号/客户编号/助记码："), "Ed_Fh");
    Dt_begin = fields.date({0, 2}, QStringLiteral("作废日期从："), "Dt_begin");
    Dt_end = fields.date({0, 4}, QStringLiteral("至："), "Dt_end");
    const QDate today = Clock::today();
    Dt_begin->setDate(QDate(today.year(), today.month(), 1));
    Dt_end->setDate(today);
    BitBtn_find = pushButton(QStringLiteral("查  询"), "BitBtn_find");
    inputs->addWidget(BitBtn_find, 0, 6);
    inputs->setColumnStretch(7, 1);

    m_model = new QueryModel(ADQ_Zfsf,
                             {{"kind", "收费类别"},
                              {"chargeid", "原单号"},
                              {"fangno", "房号"},
                              {"manid", "客户编号"},
                              {"manname", "客户姓名"},
                              {"jkrq", "交款日期"},
                              {"yf", "应付金额"},
                              {"sf", "实收金额"},
                              {"status", "状态"},
                              {"voidby", "作废人"},
                              {"voidtime", "作废时间"},
                              {"reason", "作废原因"}},
                             this);
    DBGrid1 = QueryScreen::grid("DBGrid1", m_model, this);
    DBGrid1->setMinimumSize(1040, 300);
    const int widths[] = {60, 55, 50, 70, 70, 90, 75, 75, 60, 60, 140};
    for (int i = 0; i < int(std::size(widths)); ++i)
        DBGrid1->setColumnWidth(i, widths[i]);
    DBGrid1->horizontalHeader()->setStretchLastSection(true);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(inputs);
    layout->addWidget(DBGrid1);

    connect(BitBtn_find, &QPushButton::clicked, this, &TZfsfCxForm::BitBtn_findClick);
    BitBtn_findClick();
}

TZfsfCxForm::~TZfsfCxForm() = default;

void TZfsfCxForm::BitBtn_findClick() {
    const QString pattern = LookupField::pattern(Ed_Fh->text());
    QueryScreen::run(*m_model, [&](Query& q) {
        q.setSql(kSearchSql);
        q.setDateTime(QStringLiteral("begindate"), QDateTime(Dt_begin->date(), QTime(0, 0)));
        q.setDateTime(QStringLiteral("enddate"), QDateTime(Dt_end->date().addDays(1), QTime(0, 0)));
        q.setText(QStringLiteral("fangno"), pattern);
        q.setText(QStringLiteral("manid"), pattern);
        q.setText(QStringLiteral("zjm"), pattern);
    });
}
