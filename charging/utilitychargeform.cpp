#include "utilitychargeform.h"

#include "billing.h"

#include "chargingwidgets.h"
#include "printreports.h"
#include "readingcheck.h"
#include "clock.h"
#include "decimal.h"
#include "errordisplay.h"
#include "lookupfield.h"
#include "maintenance.h"
#include "messages.h"
#include "chargebook.h"
#include "connection.h"
#include "screenbuilder.h"
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
// The lets a charge may be for: the current ones, and, where none matches,
// lets that ended (a tenant who left is charged for the readings of the let).
const QString kCurrentLetsSql = catalogSql("UtilityCharge current lets", QStringList{
    "SELECT C.manid, D.manname, D.Zjm, C.fangno, C.begindate, C.begindate as tfdate",
    "FROM dbo.Zf_Rz C INNER JOIN dbo.Zf_Man D ON C.manid = D.manid",
    "where C.fangno like :fangno or D.zjm like :zjm"});

const QString kEndedLetsSql = catalogSql("UtilityCharge ended lets", QStringList{
    "SELECT T.manid, D.manname, D.Zjm, T.fangno, T.begindate, T.tfdate",
    "FROM dbo.zf_tf T INNER JOIN dbo.Zf_Man D ON T.manid = D.manid",
    "where (T.fangno like :fangno or D.zjm like :zjm) and T.status = '0'",
    "order by T.tfdate desc, T.id desc"});
// clang-format on

const QString kNegativeUsage = QStringLiteral(
    "本次实用数为负数，不能收费：表底低于上次读数，多半是表已更换或走满一圈。"
    "请在“抄表管理”中按“换表登记”记下旧表止码和新表起码，再重新查找该房间收费。");

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
    &printColdWaterReceipt, int(ChargeMoney::Table::ColdWater), Meter::ColdWater};

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
    &printHotWaterReceipt, int(ChargeMoney::Table::HotWater), Meter::HotWater};

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
    &printElectricityReceipt, int(ChargeMoney::Table::Electricity), Meter::Electricity};
// clang-format on

} // namespace

UtilityChargeForm::UtilityChargeForm(const UtilityKind& kind, QWidget* parent)
    : QDialog(parent), m_kind(kind) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QLatin1String(kind.className));
    setWindowTitle(kind.caption);

    FieldGrid fields;
    fields.layout()->setHorizontalSpacing(8);
    Ed_Fh = fields.edit({0, 0}, QStringLiteral("房    号："), "Ed_Fh");
    Ed_Bh = fields.aqua({0, 2}, QStringLiteral("客户编号："), "Ed_Bh");
    Ed_Xm = fields.aqua({0, 4}, QStringLiteral("客户姓名："), "Ed_Xm");
    Ed_Sycbrq = fields.aqua({1, 0}, QStringLiteral("抄表日期："), "Ed_Sycbrq");
    Ed_Sybd = fields.aqua({1, 2}, QStringLiteral("上月表底："), "Ed_Sybd");
    Ed_Bybd = fields.aqua({1, 4}, QStringLiteral("本月表底："), "Ed_Bybd");
    Ed_Sys = fields.aqua({2, 0}, QStringLiteral("实 用 数："), "Ed_Sys");
    Ed_Dj = fields.aqua({2, 2}, QStringLiteral("单    价："), "Ed_Dj");
    Ed_Yfj = fields.aqua({2, 4}, QStringLiteral("应 付 金："), "Ed_Yfj");
    Ed_Sfj = fields.edit({3, 0}, QStringLiteral("实 收 金："), "Ed_Sfj");
    DT_Jkrq = fields.date({3, 2}, QStringLiteral("交款日期："), "DT_Jkrq");
    Com_Status = fields.combo({3, 4}, QStringLiteral("状    态："), "Com_Status",
                              charging::statusNames(), FieldGrid::Choice::Listed);
    // The payment date is today's, filled in like the aqua fields.
    DT_Jkrq->setEnabled(false);
    setAqua(DT_Jkrq);
    Ed_rq = new QLineEdit(this);
    Ed_rq->setObjectName(QStringLiteral("Ed_rq"));
    Ed_rq->hide();

    DBGrid1 = charging::layOutScreen(this, fields.layout(), 780,
                                     {&bitbtn_insert, &bitbtn_modify, &bitbtn_post, &bitbtn_cancel,
                                      &BBtn_Print, &BitBtn_find, &BBtn_Void});

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
    m_insertParams = c.insert.params;
    m_updateParams = c.update.params;
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
    connect(BBtn_Void, &QPushButton::clicked, this, &UtilityChargeForm::BBtn_VoidClick);
    // The money received follows the status chosen: all of it when paid,
    // nothing (or a part payment typed over it) when not.
    connect(Com_Status, &QComboBox::currentTextChanged, this, [this](const QString& status) {
        if (bitbtn_post->isEnabled())
            Ed_Sfj->setText(charging::proposedReceived(Ed_Yfj->text(), status, Ed_Sfj->text()));
    });

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
    BBtn_Void->setEnabled(!bitbtn_post->isEnabled());
}

// --- the search ---------------------------------------------------------------

void UtilityChargeForm::Ed_FhChange() {
    // Until this search finds a pair, a save has nothing to store.
    m_foundRoom.clear();
    m_foundTenant.clear();
    m_interval.reset();
    FindReadings(LookupField::pattern(Ed_Fh->text()));
}

void UtilityChargeForm::refuseSearch(const QString& notice) {
    showNotice(this, kAppCaption, notice, MsgIcon::NoIcon);
    Ed_Fh->selectAll();
}

// The let the typed text finds, then the interval of its room's readings
// the charge takes: the latest reading and the one before it, for a tenant
// who left the latest within the let.
void UtilityChargeForm::FindReadings(const QString& pattern) {
    m_search.close();
    m_search.setSql(kCurrentLetsSql);
    m_search.setText(QStringLiteral("fangno"), pattern);
    m_search.setText(QStringLiteral("zjm"), pattern);
    m_search.open();
    m_letEnded = false;
    if (m_search.isEmpty()) {
        m_search.close();
        m_search.setSql(kEndedLetsSql);
        m_search.setText(QStringLiteral("fangno"), pattern);
        m_search.setText(QStringLiteral("zjm"), pattern);
        m_search.open();
        m_letEnded = true;
    }
    if (m_search.isEmpty())
        return refuseSearch(kNoTenant);
    charging::preferExactRoom(m_search, Ed_Fh->text());
    const QString room = m_search.text(QStringLiteral("fangno")).trimmed();
    const QDate start = m_search.dateTime(QStringLiteral("begindate")).date();
    const QDate end = m_letEnded ? m_search.dateTime(QStringLiteral("tfdate")).date() : QDate();
    m_interval = ReadingSeries::latestInterval(room, m_kind.meter, end, start);
    if (!m_interval)
        return refuseSearch(kNoLastMonth);
    ShowCharge();
}

void UtilityChargeForm::ShowCharge() {
    if (!m_price.isOpen())
        m_price.open();
    const ReadingInterval& i = *m_interval;
    Ed_Bh->setText(m_search.text(QStringLiteral("manid")));
    Ed_Xm->setText(m_search.text(QStringLiteral("manname")));
    Ed_Sybd->setText(i.from.value.toString());
    Ed_Sycbrq->setText(i.from.date.date().toString(QStringLiteral("yyyy-MM-dd")));
    Ed_rq->setText(Ed_Sycbrq->text());
    Ed_Bybd->setText(i.to.value.toString());
    Ed_Dj->setText(m_price.isEmpty() ? QString() : m_price.text(QStringLiteral("price")));
    // Exact decimals: the usage across any meter change, the amount rounded
    // once to the two places the charge table keeps, so that what is shown
    // is what is stored.
    const Decimal amount = Billing::utilityDue(charging::decimalOf(Ed_Dj->text()), i.usage);
    Ed_Sys->setText(i.usage.toString());
    Ed_Yfj->setText(amount.toString());
    Ed_Sfj->setText(charging::proposedReceived(amount.toString(), Com_Status->currentText()));
    for (QLineEdit* e : {Ed_Bh, Ed_Xm, Ed_Sybd, Ed_Sycbrq, Ed_Bybd, Ed_Dj, Ed_Sys, Ed_Sfj, Ed_Yfj})
        e->setCursorPosition(0);
    m_foundRoom = m_search.text(QStringLiteral("fangno")).trimmed();
    m_foundTenant = m_search.text(QStringLiteral("manid"));
    markUsage(true, i.usage.toString());
    if (i.goesDown)
        Ed_Sys->setToolTip(kNegativeUsage);
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
    const int mode = m_cycle->editMode();
    if (mode != 1 && mode != 2)
        return;
    if (!charging::requiredFilled(this, {{Ed_Fh, QStringLiteral("请填写房号")},
                                         {Ed_Sfj, QStringLiteral("请填写实收金额")},
                                         {Com_Status, QStringLiteral("请填写状态")}}))
        return;
    // A payment below zero or not a number is refused before anything is
    // written; a usage below zero is refused first, with how to record a
    // replaced meter, since the payment proposed from it is negative too.
    const auto usage = Decimal::parse(Ed_Sys->text().trimmed());
    const bool negativeUsage = usage && usage->isNegative();
    if (!negativeUsage && !charging::acceptPayment(this, Ed_Sfj))
        return;
    const bool inserting = mode == 1;
    const qint64 id = charging::saveInTransaction(
        this, [&] { return writeCharge(inserting); }, QStringLiteral("操作失败！"));
    if (!id)
        return; // still inserting or modifying, with the typed values
    charging::showSaved(this, m_cycle->model(), m_kind.querySql, id, inserting);
    m_cycle->cancel();
    updateModifyButton();
}

// Inside the save's transaction: the checks a new charge relies on, made
// again here, then the row; answers its ID.
qint64 UtilityChargeForm::writeCharge(bool inserting) {
    const auto table = ChargeMoney::Table(m_kind.table);
    if (!inserting) {
        Query& update = m_cycle->updateStatement();
        charging::bindParams(update, m_updateParams, m_cycle->list());
        if (update.exec() != 1)
            throw DbError(QStringLiteral("No row was changed."));
        return m_cycle->list().integer(QStringLiteral("ID"));
    }
    if (m_foundRoom.isEmpty() || !m_interval)
        throw DbError(QStringLiteral("No reading pair was found for the room."));
    if (m_interval->goesDown)
        throw charging::SaveRefusal{kNegativeUsage};
    if (ChargeBook::intervalCharged(table, m_foundRoom, *m_interval))
        throw charging::SaveRefusal{ChargeBook::alreadyChargedText(m_foundRoom, *m_interval)};
    Query& insert = m_cycle->insertStatement();
    charging::bindParams(insert, m_insertParams, m_cycle->list());
    insert.exec();
    const qint64 id = ChargeBook::newestCharge(table, m_foundRoom, m_foundTenant);
    try {
        ChargeBook::recordInterval(table, id, m_foundRoom, *m_interval);
    } catch (const DbError&) {
        // Another desk charged the same readings in the meantime.
        throw charging::SaveRefusal{ChargeBook::alreadyChargedText(m_foundRoom, *m_interval)};
    }
    return id;
}

void UtilityChargeForm::BBtn_VoidClick() {
    charging::voidCurrentCharge(this, m_cycle->model(), m_kind.table, QStringLiteral("Yfj"));
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
