#include "utilitychargeform.h"

#include "chargingwidgets.h"
#include "printreports.h"
#include "readingcheck.h"
#include "clock.h"
#include "decimal.h"
#include "errordisplay.h"
#include "lookupfield.h"
#include "maintenance.h"
#include "messages.h"
#include "monthlytables.h"
#include "sqlcatalog.h"
#include "tgjcxform.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

const QString kAppCaption = QStringLiteral("房屋出租管理");
const QString kNoTenant = QStringLiteral("对不起！没有此用户");
const QString kNoLastMonth = QStringLiteral("本房间月底还未抄表！请先抄表再收费");

// Statements one line per element, exactly as the program sends them.
// clang-format off
const QString kDateSql = catalogSql("UtilityCharge pairs in XmXf", QStringList{
    "select * From XmXf ",
    "where fangno like :fangno or zjm like :zjm"});

const QString kMaxDateSql = catalogSql("UtilityCharge last month's reading date", QStringList{
    "select max(cbrq)as cbrq From XmXf ",
    "where fangno like :fangno or zjm like :zjm"});

const QString kLastMonthPairSql = catalogSql("UtilityCharge pair with last month", QStringList{
    "SELECT *from xmxf",
    "where (fangno like :fangno or zjm like :zjm) and cbrq =:cbrq"});
// clang-format on

// The readings of this month's table for occupied rooms matching the room
// edit. The table's name changes with the month.
QString countSql(const QString& table) {
    return QStringList{
        "SELECT A.fangno, B.Zjm, A.Cbrq, A.lsb, A.rsb, A.db,A.mqb",
        "from " + table + " A INNER JOIN ", "dbo.Zf_Rz C ON A.fangno = C.fangno INNER JOIN ",
        "dbo.Zf_Man B ON C.manid = B.manid ", "where A.fangno like :fangno or zjm like :zjm"}
        .join(QLatin1Char('\n'));
}

// Two readings of one room in this month's table, the later beside the earlier.
QString sameMonthSql(const QString& table) {
    return QStringList{
        "SELECT C.manid, D.manname, D.Zjm, C.fangno,B.Cbrq, B.lsb, B.rsb, B.db, B.mqb,",
        "A.Cbrq AS bycbrq, A.lsb AS bylsb,A.rsb AS byrsb, A.db AS bydb,A.mqb AS bymqb",
        "FROM dbo.Zf_Man D INNER JOIN dbo.Zf_Rz C ON D.manid = C.manid INNER JOIN",
        table + " A ON C.fangno = A.fangno INNER JOIN",
        table + " B ON A.fangno = B.fangno",
        "where (A.fangno like :fangno or D.zjm like :zjm) and b.cbrq<a.cbrq"}
        .join(QLatin1Char('\n'));
}

[[maybe_unused]] const bool kSamples =
    catalogSample("UtilityCharge readings this month", countSql("zf_Biaodi202403")) &&
    catalogSample("UtilityCharge pair in this month", sameMonthSql("zf_Biaodi202403"));

QString listSql(const char* priceColumn, const char* table) {
    return QStringList{
        QStringLiteral(
            "SELECT A.ID,A.fangno, A.manid, B.manname,A.Jkrq, A.Sybd, A.Bybd, A.Sys, A.%1, A.Yfj,")
            .arg(QLatin1String(priceColumn)),
        "       A.sfj,case A.status when '1' then '已交款' else '未交款' end as status",
        QStringLiteral("FROM %1 A INNER JOIN").arg(QLatin1String(table)),
        "      dbo.Zf_Man B ON A.manid = B.manid"}
        .join(QLatin1Char('\n'));
}

QString insertSql(const char* table, const char* priceColumn) {
    return QStringList{
        QStringLiteral("insert into %1").arg(QLatin1String(table)),
        QStringLiteral("       (fangno,manid,jkrq,sybd,bybd,sys,%1,yfj,sfj,status)")
            .arg(QLatin1String(priceColumn)),
        QStringLiteral("values (:fangno,:manid,:jkrq,:sybd,:bybd,:sys,:%1,:yfj,:sfj,:status)")
            .arg(QLatin1String(priceColumn))}
        .join(QLatin1Char('\n'));
}

QString updateSql(const char* table, const QString& priceLine) {
    return QStringList{QStringLiteral("update %1").arg(QLatin1String(table)),
                       "set  fangno=:fangno,",
                       "     manid =:manid,",
                       "     Jkrq  =:Jkrq,",
                       "     sybd  =:sybd,",
                       "     bybd  =:bybd,",
                       "     sys   =:sys,",
                       priceLine,
                       "     yfj   =:yfj,",
                       "     sfj   =:sfj,",
                       "     status=:status",
                       "where",
                       "    id=:oldID"}
        .join(QLatin1Char('\n'));
}

QString querySql(const QString& firstLine, const QString& from) {
    return QStringList{
        firstLine, "A.Yfj,A.sfj,case A.status when '1' then '已交款' else '未交款' end as status ",
        from}
        .join(QLatin1Char('\n'));
}

// The list's columns and the field each stands for in the query dialog's
// condition, qualified where the tenant table has a column of that name.
QList<QueryModel::Column> gridColumns(const QString& priceColumn) {
    return {{"fangno", "房号"},   {"manid", "客户编号"}, {"manname", "客户姓名"},
            {"Jkrq", "交款日期"}, {"Sybd", "上月表底"},  {"Bybd", "本月表底"},
            {"Sys", "实用数"},    {priceColumn, "单价"}, {"Yfj", "应付金额"},
            {"sfj", "实收金额"},  {"status", "状态"}};
}

QStringList conditionFields(const QString& priceColumn) {
    return {"A.fangno", "A.manid",          "B.manname", "A.Jkrq", "A.Sybd",  "A.Bybd",
            "A.Sys",    "A." + priceColumn, "A.Yfj",     "A.sfj",  "A.status"};
}

// clang-format off
const UtilityKind kColdWater{
    "TLsSfForm", QStringLiteral("冷水收费管理"),
    catalogSql("TLsSfForm price", {"select price from zf_dj where DjId=1"}),
    "lsb", "bylsb", "lsdj",
    catalogSql("TLsSfForm list", QStringList{listSql("lsdj", "dbo.Zf_Lenshui")}),
    catalogSql("TLsSfForm insert", QStringList{insertSql("Zf_Lenshui", "lsdj")}),
    catalogSql("TLsSfForm update", QStringList{updateSql("Zf_Lenshui", "     lsdj  =:lsdj,")}),
    catalogSql("TLsSfForm query", QStringList{querySql(
        "SELECT A.ID,A.fangno, A.manid, B.manname,A.Jkrq, A.Sybd, A.Bybd, A.Sys, A.lsdj,",
        "FROM dbo.Zf_Lenshui A INNER JOIN dbo.Zf_Man B ON A.manid = B.manid ")}),
    false, false,
    [](QWidget* parent) -> TGjcxForm* { return new TLsSfGjCxForm(parent); },
    &printColdWaterReceipt};

const UtilityKind kHotWater{
    "TRsSfForm", QStringLiteral("热水收费管理"),
    catalogSql("TRsSfForm price", {"select price from zf_dj where DjId=2"}),
    "rsb", "byrsb", "rsdj",
    catalogSql("TRsSfForm list", QStringList{listSql("rsdj", "dbo.Zf_Reshui")}),
    catalogSql("TRsSfForm insert", QStringList{insertSql("Zf_Reshui", "rsdj")}),
    catalogSql("TRsSfForm update", QStringList{updateSql("Zf_Reshui", "     Rsdj  =:rsdj,")}),
    catalogSql("TRsSfForm query", QStringList{querySql(
        "SELECT A.ID,A.fangno, A.manid , B.manname,A.Jkrq, A.Sybd, A.Bybd, A.Sys,A.rsdj,",
        " FROM dbo.Zf_Reshui A INNER JOIN  dbo.Zf_Man B ON A.manid = B.manid ")}),
    true, false,
    [](QWidget* parent) -> TGjcxForm* { return new TRsSfGjCxForm(parent); },
    &printHotWaterReceipt};

const UtilityKind kElectricity{
    "TYdSfForm", QStringLiteral("用电收费管理"),
    catalogSql("TYdSfForm price", {"select price from zf_dj where DjId=3"}),
    "db", "bydb", "Yddj",
    catalogSql("TYdSfForm list", QStringList{listSql("Yddj", "Zf_YdSf")}),
    catalogSql("TYdSfForm insert", QStringList{insertSql("Zf_YdSf", "Yddj")}),
    catalogSql("TYdSfForm update", QStringList{updateSql("Zf_YdSf", "     Yddj  =:Yddj,")}),
    catalogSql("TYdSfForm query", QStringList{querySql(
        "SELECT A.ID,A.fangno, A.manid , B.manname,A.Jkrq, A.Sybd, A.Bybd, A.Sys,A.yddj,",
        " FROM dbo.Zf_YdSf A INNER JOIN  dbo.Zf_Man B ON A.manid = B.manid ")}),
    true, true,
    [](QWidget* parent) -> TGjcxForm* { return new TYdSfGjcxForm(parent); },
    &printElectricityReceipt};
// clang-format on

} // namespace

UtilityChargeForm::UtilityChargeForm(const UtilityKind& kind, QWidget* parent)
    : QDialog(parent), m_kind(kind) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QLatin1String(kind.className));
    setWindowTitle(kind.caption);

    auto* fields = new QGridLayout;
    fields->setHorizontalSpacing(8);
    Ed_Fh = addLabelledEdit(fields, 0, 0, QStringLiteral("房    号："), "Ed_Fh");
    Ed_Bh = addLabelledEdit(fields, 0, 2, QStringLiteral("客户编号："), "Ed_Bh");
    Ed_Xm = addLabelledEdit(fields, 0, 4, QStringLiteral("客户姓名："), "Ed_Xm");
    Ed_Sycbrq = addLabelledEdit(fields, 1, 0, QStringLiteral("抄表日期："), "Ed_Sycbrq");
    Ed_Sybd = addLabelledEdit(fields, 1, 2, QStringLiteral("上月表底："), "Ed_Sybd");
    Ed_Bybd = addLabelledEdit(fields, 1, 4, QStringLiteral("本月表底："), "Ed_Bybd");
    Ed_Sys = addLabelledEdit(fields, 2, 0, QStringLiteral("实 用 数："), "Ed_Sys");
    Ed_Dj = addLabelledEdit(fields, 2, 2, QStringLiteral("单    价："), "Ed_Dj");
    Ed_Yfj = addLabelledEdit(fields, 2, 4, QStringLiteral("应 付 金："), "Ed_Yfj");
    Ed_Sfj = addLabelledEdit(fields, 3, 0, QStringLiteral("实 收 金："), "Ed_Sfj");
    DT_Jkrq = charging::addLabelledDate(fields, 3, 2, QStringLiteral("交款日期："), "DT_Jkrq");
    Com_Status = charging::addStatusCombo(fields, 3, 4, QStringLiteral("状    态："), "Com_Status");
    for (QWidget* w : std::initializer_list<QWidget*>{Ed_Bh, Ed_Xm, Ed_Sycbrq, Ed_Sybd, Ed_Bybd,
                                                      Ed_Sys, Ed_Dj, Ed_Yfj, DT_Jkrq}) {
        w->setEnabled(false);
        charging::setAqua(w);
    }
    Ed_rq = new QLineEdit(this);
    Ed_rq->setObjectName(QStringLiteral("Ed_rq"));
    Ed_rq->hide();

    const charging::Buttons b = charging::makeButtons(this);
    bitbtn_insert = b.insert;
    bitbtn_modify = b.modify;
    bitbtn_post = b.post;
    bitbtn_cancel = b.cancel;
    BBtn_Print = b.print;
    BitBtn_find = b.find;

    DBGrid1 = new QTableView(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setMinimumSize(780, 260);
    DBGrid1->verticalHeader()->setDefaultSectionSize(22);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(b.row);
    layout->addWidget(DBGrid1);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    using M = RecordMaintenance;
    M::Config c;
    c.listSql = kind.listSql;
    c.gridColumns = gridColumns(kind.priceColumn);
    c.loadAtOpen = false;
    c.canDelete = false;
    c.buttons.insert = bitbtn_insert;
    c.buttons.modify = bitbtn_modify;
    c.buttons.post = bitbtn_post;
    c.buttons.cancel = bitbtn_cancel;
    // Loading the room number first runs the search; the stored values of
    // the row then overwrite what it filled in.
    c.controls = {{Ed_Fh, "fangno"},
                  {Ed_Bh, "manid", false, false},
                  {Ed_Sybd, "Sybd", false, false},
                  {Ed_Bybd, "Bybd", false, false},
                  {Ed_Sys, "Sys", false, false},
                  {Ed_Dj, kind.priceColumn, false, false},
                  {Ed_Yfj, "Yfj", false, true},
                  {Ed_Sfj, "sfj", false, true},
                  {Com_Status, "status"}};
    c.firstEdit = Ed_Fh;
    c.required = {{Ed_Fh, QStringLiteral("请填写房号")},
                  {Ed_Sfj, QStringLiteral("请填写实收金额")},
                  {Com_Status, QStringLiteral("请填写状态")}};
    // The room and the tenant are those of the reading pair the search
    // found; when it found none, nothing is stored.
    const auto found = [this](const QString* key) {
        return [this, key]() -> QVariant {
            if (m_foundRoom.isEmpty())
                throw DbError(QStringLiteral("No reading pair was found for the room."));
            return *key;
        };
    };
    c.insert = {
        kind.insertSql,
        {M::Param::computed("fangno", ParamKind::Text, 8, found(&m_foundRoom)),
         M::Param::computed("manid", ParamKind::Text, 8, found(&m_foundTenant)),
         M::Param::computed("jkrq", ParamKind::DateTime, 0,
                            [this] { return QVariant(QDateTime(DT_Jkrq->date(), QTime(0, 0))); }),
         M::Param::decimal("sybd", Ed_Sybd), M::Param::decimal("bybd", Ed_Bybd),
         M::Param::decimal("sys", Ed_Sys), M::Param::decimal(kind.priceColumn, Ed_Dj),
         M::Param::computed("yfj", ParamKind::Decimal, 0,
                            [this] { return QVariant(charging::storedAmount(Ed_Yfj)); }),
         M::Param::computed("sfj", ParamKind::Decimal, 0,
                            [this] { return QVariant(charging::storedAmount(Ed_Sfj)); }),
         M::Param::computed("status", ParamKind::Text, 1, [this] {
             return QVariant(charging::statusCode(Com_Status->currentText()));
         })}};
    c.update = c.insert;
    c.update.sql = kind.updateSql;
    c.update.params.push_back(M::Param::currentRow("oldID", ParamKind::Integer, 0, "ID"));
    c.saveFailure = QStringLiteral("操作失败！");
    m_cycle = new RecordMaintenance(this, DBGrid1, std::move(c));
    // Every column in sight without scrolling.
    const int widths[] = {50, 70, 70, 90, 70, 70, 60, 60, 70, 70, 60};
    for (int i = 0; i < int(std::size(widths)); ++i)
        DBGrid1->setColumnWidth(i, widths[i]);

    CompletingSearchEdit::Config room;
    room.edit = Ed_Fh;
    room.query = &m_search;
    room.search = [this] { Ed_FhChange(); };
    room.focusAfterEnter = kind.focusAfterEnter;
    m_roomEdit = new CompletingSearchEdit(this, std::move(room));
    m_price.setSql(kind.priceSql);

    connect(bitbtn_insert, &QPushButton::clicked, this, &UtilityChargeForm::bitbtn_insertClick);
    connect(bitbtn_modify, &QPushButton::clicked, this, &UtilityChargeForm::bitbtn_modifyClick);
    connect(bitbtn_post, &QPushButton::clicked, this, &UtilityChargeForm::bitbtn_postClick);
    connect(bitbtn_cancel, &QPushButton::clicked, this, &UtilityChargeForm::bitbtn_cancelClick);
    connect(BBtn_Print, &QPushButton::clicked, this, &UtilityChargeForm::BBtn_PrintClick);
    connect(BitBtn_find, &QPushButton::clicked, this, &UtilityChargeForm::BitBtn_findClick);

    FormCreate();
}

UtilityChargeForm::~UtilityChargeForm() = default;

Query& UtilityChargeForm::list() {
    return m_cycle->list();
}

int UtilityChargeForm::editMode() const {
    return m_cycle->editMode();
}

void UtilityChargeForm::FormCreate() {
    DT_Jkrq->setDate(Clock::today());
    m_cycle->open();
    updateModifyButton();
}

void UtilityChargeForm::updateModifyButton() {
    bitbtn_modify->setEnabled(m_kind.modifyWhileEditing || !bitbtn_post->isEnabled());
}

// --- the search ---------------------------------------------------------------

void UtilityChargeForm::Ed_FhChange() {
    // Until this search finds a pair, a save has nothing to store.
    m_foundRoom.clear();
    m_foundTenant.clear();
    FindReadings(LookupField::pattern(Ed_Fh->text()));
}

void UtilityChargeForm::refuseSearch(const QString& notice) {
    showNotice(this, kAppCaption, notice, MsgIcon::NoIcon);
    Ed_Fh->selectAll();
}

void UtilityChargeForm::FindReadings(const QString& pattern) {
    const QDate today = Clock::today();
    SetBiaodiName(today.year(), today.month());
    SetSyBiaodiName(today.year(), today.month());
    m_count.close();
    m_count.setSql(countSql(BiaodiName));
    m_count.setText(QStringLiteral("fangno"), pattern);
    m_count.setText(QStringLiteral("zjm"), pattern);
    m_count.open();
    const int readings = m_count.count();
    m_count.close();
    if (readings == 0)
        return refuseSearch(kNoTenant);
    if (readings >= 2)
        return PairSameMonth(pattern);
    AlterXmXfView();
    PairLastMonth(pattern);
}

void UtilityChargeForm::PairLastMonth(const QString& pattern) {
    m_date.close();
    m_date.setSql(kDateSql);
    m_date.setText(QStringLiteral("fangno"), pattern);
    m_date.setText(QStringLiteral("zjm"), pattern);
    m_date.open();
    if (m_date.isEmpty())
        return refuseSearch(kNoLastMonth);

    m_date.close();
    m_date.setSql(kMaxDateSql);
    m_date.setText(QStringLiteral("fangno"), pattern);
    m_date.setText(QStringLiteral("zjm"), pattern);
    m_date.open();
    const QVariant latest = m_date.value(QStringLiteral("cbrq"));
    Ed_rq->setText(plainText(latest));

    m_search.close();
    m_search.setSql(kLastMonthPairSql);
    m_search.setText(QStringLiteral("fangno"), pattern);
    m_search.setText(QStringLiteral("zjm"), pattern);
    // The date itself, not its text: the statement never depends on how a
    // date is written.
    m_search.setDateTime(QStringLiteral("cbrq"), latest);
    m_search.open();
    charging::preferExactRoom(m_search, Ed_Fh->text());
    ShowCharge();
}

void UtilityChargeForm::PairSameMonth(const QString& pattern) {
    const QDate today = Clock::today();
    SetBiaodiName(today.year(), today.month());
    SetSyBiaodiName(today.year(), today.month());
    m_search.close();
    m_search.setSql(sameMonthSql(BiaodiName));
    m_search.setText(QStringLiteral("fangno"), pattern);
    m_search.setText(QStringLiteral("zjm"), pattern);
    m_search.open();
    charging::preferExactRoom(m_search, Ed_Fh->text());
    ShowCharge();
}

void UtilityChargeForm::ShowCharge() {
    if (!m_price.isOpen())
        m_price.open();
    const bool found = !m_search.isEmpty();
    const auto field = [this](const QString& column) {
        return m_search.isEmpty() ? QString() : m_search.text(column);
    };
    Ed_Bh->setText(field(QStringLiteral("manid")));
    Ed_Xm->setText(field(QStringLiteral("manname")));
    Ed_Sybd->setText(field(m_kind.earlierColumn));
    Ed_Sycbrq->setText(field(QStringLiteral("cbrq")));
    Ed_Bybd->setText(field(m_kind.laterColumn));
    Ed_Dj->setText(m_price.isEmpty() ? QString() : m_price.text(QStringLiteral("price")));
    if (Ed_Bybd->text().trimmed().isEmpty() && Ed_Sybd->text().trimmed().isEmpty()) {
        Ed_Bybd->setText(QStringLiteral("0"));
        Ed_Sybd->setText(QStringLiteral("0"));
    }
    // Exact decimals: the usage of two readings of two places, the amount
    // rounded once to the two places the charge table keeps, so that what
    // is shown is what is stored.
    const Decimal usage =
        charging::decimalOf(Ed_Bybd->text()) - charging::decimalOf(Ed_Sybd->text());
    const Decimal amount = (charging::decimalOf(Ed_Dj->text()) * usage).rounded(2);
    Ed_Sys->setText(usage.toString());
    Ed_Sfj->setText(amount.toString());
    Ed_Yfj->setText(amount.toString());
    for (QLineEdit* e : {Ed_Bh, Ed_Xm, Ed_Sybd, Ed_Sycbrq, Ed_Bybd, Ed_Dj, Ed_Sys, Ed_Sfj, Ed_Yfj})
        e->setCursorPosition(0);
    if (found) {
        m_foundRoom = m_search.text(QStringLiteral("fangno")).trimmed();
        m_foundTenant = m_search.text(QStringLiteral("manid"));
    }
    markUsage(found, usage.toString());
}

// A usage that looks wrong (a meter gone down, or far above the room's
// usual months) is marked on the usage field, as the reading screens mark
// the reading; nothing is refused.
void UtilityChargeForm::markUsage(bool found, const QString& usage) {
    ReadingAnomaly anomaly = ReadingAnomaly::None;
    if (found) {
        const Meter meter = m_kind.earlierColumn == QLatin1String("lsb")   ? Meter::ColdWater
                            : m_kind.earlierColumn == QLatin1String("rsb") ? Meter::HotWater
                                                                           : Meter::Electricity;
        // Read once per room found, not on every keystroke of the search.
        if (!m_history || m_foundRoom.compare(m_historyRoom, Qt::CaseInsensitive) != 0) {
            m_history = ReadingHistory::load(Clock::today(), m_foundRoom);
            m_historyRoom = m_foundRoom;
        }
        anomaly = judgeUsage(usage.toDouble(), m_history->averageUsage(m_foundRoom, meter));
    }
    QPalette palette = Ed_Sys->palette();
    const QColor base = anomaly == ReadingAnomaly::None ? QColor(0, 255, 255) : QColor(0xff, 0xd6, 0xd6);
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::Base, base);
    Ed_Sys->setPalette(palette);
    Ed_Sys->setToolTip(anomalyNote(anomaly));
}

void UtilityChargeForm::showChargeRow(int id) {
    charging::showChargeRow(m_cycle->model(), m_kind.querySql, id);
}

// --- the cycle ----------------------------------------------------------------

void UtilityChargeForm::bitbtn_insertClick() {
    m_foundRoom.clear();
    m_foundTenant.clear();
    m_cycle->insert();
    DT_Jkrq->setDate(Clock::today());
    updateModifyButton();
}

void UtilityChargeForm::loadCurrentRow() {
    Query& list = m_cycle->list();
    if (!list.isOpen() || list.isEmpty())
        return;
    DT_Jkrq->setDate(list.dateTime(QStringLiteral("Jkrq")).date());
    // The fields now show the row as it was stored, its tenant included.
    m_foundRoom = list.text(QStringLiteral("fangno"));
    m_foundTenant = list.text(QStringLiteral("manid"));
}

void UtilityChargeForm::bitbtn_modifyClick() {
    // The cycle loads the row's texts (the room number first, which runs the
    // search); the payment date and the keys follow here.
    m_cycle->modify();
    guarded([this] { loadCurrentRow(); });
    updateModifyButton();
}

void UtilityChargeForm::bitbtn_postClick() {
    if (m_cycle->editMode() != 0 && !charging::acceptPayment(this, Ed_Sfj))
        return;
    m_cycle->save();
    updateModifyButton();
}

void UtilityChargeForm::bitbtn_cancelClick() {
    m_cycle->cancel();
    updateModifyButton();
}

void UtilityChargeForm::BBtn_PrintClick() {
    m_kind.printReceipt(m_cycle->list(), this);
}

void UtilityChargeForm::BitBtn_findClick() {
    charging::runQueryDialog(this, m_kind.queryDialog(this), m_cycle->model(), m_kind.querySql,
                             conditionFields(m_kind.priceColumn));
}

// --- the three screens ----------------------------------------------------------

TLsSfForm::TLsSfForm(QWidget* parent) : UtilityChargeForm(kColdWater, parent) {}
TRsSfForm::TRsSfForm(QWidget* parent) : UtilityChargeForm(kHotWater, parent) {}
TYdSfForm::TYdSfForm(QWidget* parent) : UtilityChargeForm(kElectricity, parent) {}
