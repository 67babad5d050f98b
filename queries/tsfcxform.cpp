#include "tsfcxform.h"

#include "clock.h"
#include "querymodel.h"
#include "printreports.h"
#include "queryscreen.h"
#include "screenbuilder.h"
#include "sqlcatalog.h"
#include "tgjcxform.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableView>
#include <QVBoxLayout>

#include <memory>

namespace {

const QString kPaid = QStringLiteral("已交款");
const QString kUnpaid = QStringLiteral("未交款");
const QString kLike = QStringLiteral("like");

// Statements of the four screens, one line per element, exactly as sent.
// clang-format off
const QString kRentListSql = catalogSql("TZfSfcxForm list", QStringList{
    "SELECT A.id,A.fangno, A.manid, B.manname,",
    "A.Jkrq, A.fangya, A.fangprice, A.Ljf,",
    "A.Yf,A.sf, A.begindate, A.enddate,",
    "case A.status when '1' then '已交款' else '未交款' end as status ",
    "FROM dbo.Zf_Zujin A INNER JOIN",
    "dbo.Zf_Man B ON A.manid = B.manid"});
const QString kRentFindPrefix = QStringLiteral(
    "SELECT A.id,A.fangno, A.manid, B.manname, A.Jkrq, A.fangya, A.fangprice, A.Ljf,A.Yf,A.sf, A.begindate, A.enddate,case A.status when '1' then '已交款' else '未交款' end as status  FROM  dbo.Zf_Zujin A INNER JOIN  dbo.Zf_Man B ON A.manid = B.manid where  ");
const QString kRentCompoundSql = QStringList{
    "SELECT A.id,A.fangno, A.manid, B.manname, A.Jkrq, A.fangya,",
    "A.fangprice, A.Ljf, A.Yf,A.sf, A.begindate, A.enddate, ",
    "case A.status when '1' then '已交款' else '未交款' end as status ",
    "FROM dbo.Zf_Zujin A INNER JOIN dbo.Zf_Man B ON A.manid = B.manid"}.join(QLatin1Char('\n'));

const QString kColdListSql = catalogSql("TLsSfCxForm list", QStringList{
    "SELECT A.ID,A.fangno, A.manid, B.manname,A.Jkrq, A.Sybd, A.Bybd, A.Sys, A.lsdj, A.Yfj,",
    "A.sfj,case A.status when '1' then '已交款' else '未交款' end as status",
    "FROM dbo.Zf_Lenshui A INNER JOIN",
    "dbo.Zf_Man B ON A.manid = B.manid"});
const QString kColdFindPrefix = QStringLiteral(
    "SELECT A.ID,A.fangno, A.manid, B.manname,A.Jkrq, A.Sybd, A.Bybd, A.Sys, A.lsdj,A.Yfj,A.sfj,case A.status when '1' then '已交款' else '未交款' end as status FROM dbo.Zf_Lenshui A INNER JOIN dbo.Zf_Man B ON A.manid = B.manid where ");
const QString kColdCompoundSql = QStringList{
    "SELECT A.ID,A.fangno, A.manid, B.manname,A.Jkrq, A.Sybd, A.Bybd, A.Sys, A.lsdj,",
    "A.Yfj,A.sfj,case A.status when '1' then '已交款' else '未交款' end as status ",
    "FROM dbo.Zf_Lenshui A INNER JOIN dbo.Zf_Man B ON A.manid = B.manid "}.join(QLatin1Char('\n'));

const QString kHotListSql = catalogSql("TRsSfCxForm list", QStringList{
    "SELECT A.ID,A.fangno, A.manid, B.manname,A.Jkrq, A.Sybd, A.Bybd, A.Sys, A.rsdj, A.Yfj,",
    "A.sfj,case A.status when '1' then '已交款' else '未交款' end as status",
    "FROM dbo.Zf_Reshui A INNER JOIN",
    "dbo.Zf_Man B ON A.manid = B.manid"});
const QString kHotFindPrefix = QStringLiteral(
    "SELECT A.ID,A.fangno, A.manid, B.manname,A.Jkrq, A.Sybd, A.Bybd, A.Sys,A.rsdj, A.Yfj,A.sfj,case A.status when '1' then '已交款' else '未交款' end as status FROM dbo.Zf_Reshui A INNER JOIN  dbo.Zf_Man B ON A.manid = B.manid where ");
const QString kHotCompoundSql = QStringList{
    "SELECT A.ID,A.fangno, A.manid , B.manname,A.Jkrq, A.Sybd, A.Bybd, A.Sys,A.rsdj,",
    "A.Yfj,A.sfj,case A.status when '1' then '已交款' else '未交款' end as status ",
    " FROM dbo.Zf_Reshui A INNER JOIN  dbo.Zf_Man B ON A.manid = B.manid "}.join(QLatin1Char('\n'));

const QString kPowerListSql = catalogSql("TYdSfCxForm list", QStringList{
    "SELECT A.ID,A.fangno, A.manid, B.manname,A.Jkrq, A.Sybd, A.Bybd, A.Sys, A.Yddj, A.Yfj,",
    "A.sfj,case A.status when '1' then '已交款' else '未交款' end as status",
    "FROM Zf_YdSf A INNER JOIN",
    "dbo.Zf_Man B ON A.manid = B.manid"});
const QString kPowerFindPrefix = QStringLiteral(
    "SELECT A.ID,A.fangno, A.manid, B.manname,A.Jkrq, A.Sybd, A.Bybd, A.Sys, A.Yddj,  A.Yfj,A.sfj,case A.status when '1' then '已交款' else '未交款' end as status FROM Zf_YdSf A INNER JOIN dbo.Zf_Man B ON A.manid = B.manid where ");
const QString kPowerCompoundSql = QStringList{
    "SELECT A.ID,A.fangno, A.manid , B.manname,A.Jkrq, A.Sybd, A.Bybd, A.Sys,A.Yddj,",
    "A.Yfj,A.sfj,case A.status when '1' then '已交款' else '未交款' end as status ",
    " FROM Zf_YdSf A INNER JOIN  dbo.Zf_Man B ON A.manid = B.manid "}.join(QLatin1Char('\n'));
// clang-format on

// The find compares one column with one bound value.
QString findSql(const QString& prefix, const QString& condition, const QString& op) {
    return prefix + condition + QLatin1Char(' ') + op + QStringLiteral(" :value");
}

[[maybe_unused]] const bool kSamples = [] {
    const std::pair<const char*, QString> compound[] = {{"TZfSfcxForm", kRentCompoundSql},
                                                        {"TLsSfCxForm", kColdCompoundSql},
                                                        {"TRsSfCxForm", kHotCompoundSql},
                                                        {"TYdSfCxForm", kPowerCompoundSql}};
    const QString prefixes[] = {kRentFindPrefix, kColdFindPrefix, kHotFindPrefix, kPowerFindPrefix};
    for (int i = 0; i < 4; ++i) {
        const QByteArray owner = compound[i].first;
        catalogSample(owner + " find", findSql(prefixes[i], QStringLiteral("A.manid"), kLike));
        catalogSample(owner + " compound",
                      compound[i].second +
                          QStringLiteral("\n where Jkrq >= '2004-5-1' and A.status = '1' "));
    }
    return true;
}();

using Column = TSfCxForm::Column;

Column column(const char* field, const char* title) {
    const QString f = QString::fromUtf8(field);
    // manid is in both joined tables; status is compared as its stored code.
    const bool charged = f == QLatin1String("manid") || f == QLatin1String("status");
    return {f, QString::fromUtf8(title), charged ? QStringLiteral("A.") + f : f};
}

QList<Column> utilityColumns(const char* priceField) {
    return {column("fangno", "房号"),   column("manid", "客户编号"), column("manname", "客户姓名"),
            column("Jkrq", "交款日期"), column("Sybd", "上月表底"),  column("Bybd", "本月表底"),
            column("Sys", "实用数"),    column(priceField, "单价"),  column("Yfj", "应付金额"),
            column("sfj", "实收金额"),  column("status", "状态")};
}

template <class Dialog> TGjcxForm* makeDialog(QWidget* parent) {
    return new Dialog(parent);
}

bool isNumeric(FieldKind kind) {
    return kind == FieldKind::Decimal || kind == FieldKind::Float || kind == FieldKind::Integer;
}

} // namespace

QString TSfCxForm::statusCode(const QString& shownOrTyped) {
    if (shownOrTyped == kPaid)
        return QStringLiteral("1");
    if (shownOrTyped == kUnpaid)
        return QStringLiteral("0");
    return shownOrTyped;
}

TSfCxForm::TSfCxForm(const ChargeQueryKind& kind, QWidget* parent) : QDialog(parent), m_kind(kind) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QLatin1String(kind.objectName));
    setWindowTitle(kind.caption);

    m_prompt = new QLabel(QStringLiteral("请选择查询条件   "));
    Com_first = new QComboBox;
    Com_first->setObjectName(QStringLiteral("Com_first"));
    Com_first->setMinimumWidth(110);
    Com_first->setAccessibleName(QStringLiteral("查询条件"));
    m_prompt->setBuddy(Com_first);
    Com_term = new QComboBox;
    Com_term->setObjectName(QStringLiteral("Com_term"));
    Com_term->addItems({QStringLiteral("<"), QStringLiteral("<="), QStringLiteral("="),
                        QStringLiteral(">"), QStringLiteral(">="), QStringLiteral("<>"), kLike});
    Com_term->setCurrentIndex(-1);
    Com_term->setAccessibleName(QStringLiteral("比较"));
    Com_result = new QComboBox;
    Com_result->setObjectName(QStringLiteral("Com_result"));
    Com_result->setEditable(true);
    Com_result->setInsertPolicy(QComboBox::NoInsert);
    Com_result->setMinimumWidth(130);
    Com_result->setAccessibleName(QStringLiteral("数值"));
    DateTP = new QDateEdit;
    DateTP->setObjectName(QStringLiteral("DateTP"));
    DateTP->setCalendarPopup(true);
    DateTP->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    DateTP->setMinimumWidth(130);
    DateTP->setAccessibleName(QStringLiteral("日期"));
    DateTP->hide();
    fieldname = new QComboBox(this);
    fieldname->setObjectName(QStringLiteral("fieldname"));
    fieldname->hide();

    BitBtn_find = pushButton(QStringLiteral("查  询"), "BitBtn_find");
    BBtn_Ok = pushButton(QStringLiteral("&S高级查询"), "BBtn_Ok");
    BBtn_Print = pushButton(QStringLiteral("&P打印"), "BBtn_Print");
    bitbtn_quit = pushButton(QStringLiteral("退出"), "bitbtn_quit");

    auto* panel = new QHBoxLayout;
    panel->addWidget(m_prompt);
    panel->addWidget(Com_first);
    panel->addWidget(Com_term);
    // The value box and the date picker share one place; one shows at a time.
    panel->addWidget(Com_result);
    panel->addWidget(DateTP);
    panel->addSpacing(12);
    for (QPushButton* b : {BitBtn_find, BBtn_Ok, BBtn_Print, bitbtn_quit})
        panel->addWidget(b);
    panel->addStretch();

    m_model = new QueryModel(m_query, {}, this);
    QList<QueryModel::Column> gridColumns;
    for (const Column& c : m_kind.columns)
        gridColumns.append({c.field, c.title});
    m_model->setColumns(gridColumns);
    DBGrid1 = QueryScreen::grid("DBGrid1", m_model, this);
    DBGrid1->setMinimumSize(1040, 380);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(panel);
    layout->addWidget(DBGrid1);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(Com_first, &QComboBox::currentIndexChanged, this, &TSfCxForm::Com_firstChange);
    connect(BitBtn_find, &QPushButton::clicked, this, &TSfCxForm::BitBtn_findClick);
    connect(BBtn_Ok, &QPushButton::clicked, this, &TSfCxForm::BBtn_OkClick);
    connect(BBtn_Print, &QPushButton::clicked, this, &TSfCxForm::BBtn_PrintClick);
    connect(bitbtn_quit, &QPushButton::clicked, this, &TSfCxForm::bitbtn_quitClick);

    FormCreate();
}

TSfCxForm::~TSfCxForm() = default;

// Every charge row of the table, and the field choices in column order.
void TSfCxForm::FormCreate() {
    DateTP->setDate(Clock::today());
    QueryScreen::run(*m_model, [this](Query& q) { q.setSql(m_kind.listSql); });
    rememberKinds();
    const QSignalBlocker quiet(Com_first); // filling the list chooses nothing
    for (const Column& c : m_kind.columns) {
        fieldname->addItem(c.field);
        Com_first->addItem(c.title);
    }
    Com_first->setCurrentIndex(-1);
}

// The kind of each column as the last result that opened gives it, so that a
// field can still be chosen and found after a statement failed.
void TSfCxForm::rememberKinds() {
    const auto result = m_query.result();
    if (!result)
        return;
    for (const Column& c : m_kind.columns) {
        const int index = result->columnIndex(c.field);
        if (index >= 0 && result->columnKind(index) != FieldKind::Unknown)
            m_kinds.insert(c.field.toLower(), result->columnKind(index));
    }
}

FieldKind TSfCxForm::kindOf(const QString& field) {
    return m_kinds.value(field.toLower(), FieldKind::Unknown);
}

// The grid column whose title is chosen in Com_first, through the parallel
// list of field names.
const TSfCxForm::Column* TSfCxForm::chosenColumn() const {
    const int position = Com_first->currentIndex();
    if (position < 0 || position >= fieldname->count())
        return nullptr;
    const QString field = fieldname->itemText(position);
    for (const Column& c : m_kind.columns)
        if (c.field == field)
            return &c;
    return nullptr;
}

// A date-time column is compared with a picked date, every other column with
// the typed value; 状态 offers its two words.
void TSfCxForm::Com_firstChange() {
    Com_result->hide();
    DateTP->hide();
    const Column* column = chosenColumn();
    if (!column)
        return;
    const QString typed = Com_result->currentText();
    Com_result->clear();
    if (column->field == QLatin1String("status"))
        Com_result->addItems({kPaid, kUnpaid});
    Com_result->setCurrentIndex(-1);
    Com_result->setEditText(typed);
    if (kindOf(column->field) == FieldKind::DateTime)
        DateTP->show();
    else
        Com_result->show();
}

// 查  询: the list narrowed to the rows whose column compares with the value;
// each find replaces the last.
void TSfCxForm::BitBtn_findClick() {
    const Column* column = chosenColumn();
    if (!column || Com_term->currentIndex() < 0)
        return;
    const QString op = Com_term->currentText();
    const FieldKind kind = kindOf(column->field);
    const QString typed = Com_result->currentText();
    const QDate picked = DateTP->date();
    const QString value = QStringLiteral("value");
    QueryScreen::run(*m_model, [&](Query& q) {
        q.setSql(findSql(m_kind.findPrefix, column->condition, op));
        if (column->field == QLatin1String("status"))
            q.setText(value, statusCode(typed));
        else if (kind == FieldKind::DateTime && op == kLike)
            q.setText(value, picked.toString(QStringLiteral("yyyy-MM-dd")));
        else if (kind == FieldKind::DateTime)
            q.setDateTime(value, QDateTime(picked, QTime(0, 0)));
        else if (isNumeric(kind) && op != kLike)
            q.setDecimal(value, typed);
        else
            q.setText(value, typed);
    });
    rememberKinds();
}

// 高级查询: the list narrowed by the condition built in the dialog; leaving
// the dialog by 退出 changes nothing.
void TSfCxForm::BBtn_OkClick() {
    std::unique_ptr<TGjcxForm> dialog(m_kind.makeDialog(this));
    QStringList titles, conditions;
    for (const Column& c : m_kind.columns) {
        titles << c.title;
        conditions << c.condition;
    }
    dialog->setFields(titles, conditions);
    dialog->setValueCodes(QStringLiteral("A.status"),
                          {{kPaid, QStringLiteral("1")}, {kUnpaid, QStringLiteral("0")}});
    if (dialog->exec() != QDialog::Accepted)
        return;
    const QString where = dialog->WhereText();
    dialog.reset();
    QueryScreen::run(*m_model,
                     [&](Query& q) { q.setSql(m_kind.compoundSql + QLatin1Char('\n') + where); });
    rememberKinds();
}

void TSfCxForm::BBtn_PrintClick() {
    m_kind.print(m_query, this);
}

void TSfCxForm::bitbtn_quitClick() {
    close();
}

TZfSfcxForm::TZfSfcxForm(QWidget* parent)
    : TSfCxForm(
          {"TZfSfcxForm",
           QStringLiteral("租房收费情况查询"),
           kRentListSql,
           kRentFindPrefix,
           kRentCompoundSql,
           {column("fangno", "房号"), column("manid", "用户编号"), column("manname", "客户姓名"),
            column("Jkrq", "交款日期"), column("fangya", "房押"), column("fangprice", "房租"),
            column("Ljf", "垃圾费"), column("Yf", "应付租金"), column("sf", "实收金额"),
            column("begindate", "起租日期"), column("enddate", "截止日期"),
            column("status", "状态")},
           &makeDialog<TZfSfGjcxForm>, &printRentPayments},
          parent) {}

TLsSfCxForm::TLsSfCxForm(QWidget* parent)
    : TSfCxForm({"TLsSfCxForm", QStringLiteral("冷水收费查询"), kColdListSql, kColdFindPrefix,
                 kColdCompoundSql, utilityColumns("lsdj"), &makeDialog<TLsSfGjCxForm>, &printColdWaterPayments},
                parent) {}

TRsSfCxForm::TRsSfCxForm(QWidget* parent)
    : TSfCxForm({"TRsSfCxForm", QStringLiteral("热水收费查询"), kHotListSql, kHotFindPrefix,
                 kHotCompoundSql, utilityColumns("rsdj"), &makeDialog<TRsSfGjCxForm>, &printHotWaterPayments},
                parent) {}

TYdSfCxForm::TYdSfCxForm(QWidget* parent)
    : TSfCxForm({"TYdSfCxForm", QStringLiteral("用电收费查询"), kPowerListSql, kPowerFindPrefix,
                 kPowerCompoundSql, utilityColumns("Yddj"), &makeDialog<TYdSfGjcxForm>, &printElectricityPayments},
                parent) {}
