#include "tzfkfcxform.h"

#include "messages.h"
#include "printreports.h"
#include "queryscreen.h"
#include "screenbuilder.h"
#include "sqlcatalog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

// clang-format off
const QString kCurrentListSql = catalogSql("TZfKfCxForm current", QStringList{
    "SELECT A.id,A.manid, B.manname,B.zjm, A.fangno, A.begindate,",
    "case A.status when '0' then '已退房' else '未退房' end as status",
    "FROM dbo.Zf_Rz A INNER JOIN dbo.Zf_Man B ON A.manid = B.manid ",
    "where status=1"});

const QString kCheckedOutListSql = catalogSql("TZfKfCxForm checked out", QStringList{
    "SELECT A.id,A.manid, B.manname,B.zjm, A.fangno, A.begindate,A.Tfdate, A.Tfj,",
    "case A.status when '0' then '已退房' else '未退房' end as status",
    "FROM dbo.Zf_tf A INNER JOIN dbo.Zf_Man B ON A.manid = B.manid ",
    "where status=0"});

// The room number and the mnemonic are compared with the same prefix.
const QString kCurrentSearchSql = catalogSql("TZfKfCxForm current search", QStringList{
    "SELECT A.id,A.manid, B.manname,B.zjm, A.fangno, A.begindate,",
    "case A.status when '0' then '已退房' else '未退房' end as status",
    "FROM dbo.Zf_rz A INNER JOIN dbo.Zf_Man B ON A.manid = B.manid ",
    "where fangno like  ",
    ":fangno",
    "or zjm like :zjm"});

const QString kCheckedOutSearchSql = catalogSql("TZfKfCxForm checked out search", QStringList{
    "SELECT A.id,A.manid, B.manname,B.zjm, A.fangno, A.begindate,A.Tfdate, A.Tfj,",
    "case A.status when '0' then '已退房' else '未退房' end as status",
    "FROM dbo.Zf_tf A INNER JOIN dbo.Zf_Man B ON A.manid = B.manid ",
    "where fangno like  ",
    ":fangno",
    "or zjm like :zjm"});

// What the query holds before any list or search was chosen.
const QString kInitialSql = catalogSql("TZfKfCxForm initial", QStringList{
    "SELECT A.id,A.manid, B.manname,B.zjm, A.fangno, A.begindate,A.Tfdate, A.Tfj,",
    "case A.status when '0' then '已退房' else '未退房' end as status",
    "FROM dbo.Zf_Rz A INNER JOIN dbo.Zf_Man B ON A.manid = B.manid "});
// clang-format on

const QString kNothingFound = QStringLiteral("没有符合条件的记录");

} // namespace

TZfKfCxForm::TZfKfCxForm(QWidget* parent) : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("TZfKfCxForm"));
    setWindowTitle(QStringLiteral("客户在住情况查询"));

    auto* group = new QGroupBox(QStringLiteral("组合查询"));
    auto* inputs = new QGridLayout(group);
    FieldGrid fields(inputs);
    Ed_Fh = fields.edit({0, 0}, QStringLiteral("房号或助记码："), "Ed_Fh");
    Ed_Fh->setMinimumWidth(140);
    Chk = checkBox(QStringLiteral("模糊查询"), "Chk", nullptr, true);
    Rad_Wtf = radioButton(QStringLiteral("未退房"), "Rad_Wtf", nullptr, true);
    Rad_Ytf = radioButton(QStringLiteral("已退房"), "Rad_Ytf", nullptr, false);
    BitBtn_find = pushButton(QStringLiteral("查  询"), "BitBtn_find");
    BBtn_Print = pushButton(QStringLiteral("&P打印"), "BBtn_Print");
    inputs->addWidget(Chk, 0, 2);
    inputs->addWidget(Rad_Wtf, 0, 3);
    inputs->addWidget(Rad_Ytf, 0, 4);
    inputs->addWidget(BitBtn_find, 0, 5);
    inputs->addWidget(BBtn_Print, 0, 6);
    inputs->setColumnStretch(7, 1);

    m_model = new QueryModel(ADQ_Kfcx,
                             {{"manid", "客户编号"},
                              {"manname", "客户名称"},
                              {"zjm", "助记码"},
                              {"fangno", "房号"},
                              {"begindate", "起租日期"},
                              {"Tfdate", "退房日期"},
                              {"Tfj", "退房押金"},
                              {"status", "状态"}},
                             this);
    DBGrid1 = QueryScreen::grid("DBGrid1", m_model, this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(DBGrid1);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // The query stays closed until the first list or search; a search that
    // opens it before any statement was chosen runs the initial one.
    ADQ_Kfcx.setSql(kInitialSql);

    QueryScreen::whenChosen(Rad_Wtf, this, [this] { Rad_WtfClick(); });
    QueryScreen::whenChosen(Rad_Ytf, this, [this] { Rad_YtfClick(); });
    connect(Ed_Fh, &QLineEdit::textChanged, this, &TZfKfCxForm::Ed_FhChange);
    connect(BitBtn_find, &QPushButton::clicked, this, &TZfKfCxForm::BitBtn_findClick);
    connect(BBtn_Print, &QPushButton::clicked, this, &TZfKfCxForm::BBtn_PrintClick);
    Ed_Fh->setFocus();
}

TZfKfCxForm::~TZfKfCxForm() = default;

void TZfKfCxForm::showList(const QString& sql) {
    const bool ok = QueryScreen::run(*m_model, [&](Query& q) { q.setSql(sql); });
    if (ok && ADQ_Kfcx.isEmpty())
        showNotice(this, QueryScreen::kNoticeCaption, kNothingFound, MsgIcon::Warning);
    Ed_Fh->setFocus();
}

void TZfKfCxForm::Rad_WtfClick() {
    showList(kCurrentListSql);
}

void TZfKfCxForm::Rad_YtfClick() {
    showList(kCheckedOutListSql);
}

// The search for the chosen letting state, by the prefix as typed; the query
// is left closed for the caller to open.
void TZfKfCxForm::setSearch() {
    ADQ_Kfcx.close();
    ADQ_Kfcx.setSql(Rad_Wtf->isChecked() ? kCurrentSearchSql : kCheckedOutSearchSql);
    const QString prefix = Ed_Fh->text() + QLatin1Char('%');
    ADQ_Kfcx.setText(QStringLiteral("fangno"), prefix);
    ADQ_Kfcx.setText(QStringLiteral("zjm"), prefix);
    m_model->refresh();
}

// With 模糊查询 ticked the search follows the typing; without it, typing
// only opens the statement last set when the query is closed.
void TZfKfCxForm::Ed_FhChange() {
    if (Chk->isChecked())
        setSearch();
    QueryScreen::openIfClosed(*m_model);
}

// 查  询 runs the search when 模糊查询 is cleared and otherwise confirms the
// result that typing produced.
void TZfKfCxForm::BitBtn_findClick() {
    if (!Chk->isChecked())
        setSearch();
    if (QueryScreen::openIfClosed(*m_model) && ADQ_Kfcx.isEmpty())
        showNotice(this, QueryScreen::kNoticeCaption, kNothingFound, MsgIcon::Warning);
    Ed_Fh->setFocus();
}

void TZfKfCxForm::BBtn_PrintClick() {
    printLettingList(ADQ_Kfcx, this);
}
