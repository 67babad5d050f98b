#include "tzjglform.h"

#include "billing.h"

#include "chargingwidgets.h"
#include "printreports.h"
#include "clock.h"
#include "decimal.h"
#include "errordisplay.h"
#include "lookupfield.h"
#include "maintenance.h"
#include "messages.h"
#include "screenbuilder.h"
#include "sqlcatalog.h"
#include "chargebook.h"
#include "tgjcxform.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <QScopeGuard>

#include <limits>

namespace {

// Statements one line per element, exactly as the program sends them.
// clang-format off
// This month's payments: the month of this year, not of every year. The
// month is a range of dates bound when the screen opens, which a quarter of
// a million rows answer without working out a date part of each.
const QString kListSql = catalogSql("TZjglForm list", QStringList{
    "SELECT A.id,A.fangno, A.manid, B.manname, ",
    "      A.Jkrq, A.fangya, A.fangprice, A.Ljf, ",
    "      A.Yf,A.sf, A.begindate, A.enddate,       ",
    "case A.status when '1' then '已交款' else '未交款' end as status ",
    "FROM dbo.Zf_Zujin A INNER JOIN",
    "      dbo.Zf_Man B ON A.manid = B.manid",
    "where A.jkrq >= :monthstart and A.jkrq < :nextmonth"});

const QString kQuerySql = catalogSql("TZjglForm query", QStringList{
    "SELECT A.id,A.fangno, A.manid, B.manname, A.Jkrq, A.fangya,",
    "A.fangprice, A.Ljf, A.Yf,A.sf, A.begindate, A.enddate, ",
    "case A.status when '1' then '已交款' else '未交款' end as status ",
    "FROM dbo.Zf_Zujin A INNER JOIN dbo.Zf_Man B ON A.manid = B.manid"});

const QString kSearchSql = catalogSql("TZjglForm search", QStringList{
    "SELECT a.manid, a.manname, b.fangno,c.fangya, c.fangprice,c.ljf,b.begindate FROM dbo.Zf_Rz b INNER",
    "JOIN dbo.Zf_Fangjian c ON b.fangno = c.fangno INNER JOIN dbo.Zf_Man  a ON b.manid = a.manid",
    "where (b.fangno like :fangno or a.zjm like :zjm) and B.status='1'"});

// Where no current let matches: lets that ended, newest first, so that a
// tenant who left can be charged for a period of the let.
const QString kEndedSearchSql = catalogSql("TZjglForm ended lets", QStringList{
    "SELECT a.manid, a.manname, b.fangno, c.fangya, c.fangprice, c.ljf, b.begindate, b.tfdate",
    "FROM dbo.zf_tf b INNER JOIN dbo.Zf_Fangjian c ON b.fangno = c.fangno",
    "INNER JOIN dbo.Zf_Man a ON b.manid = a.manid",
    "where (b.fangno like :fangno or a.zjm like :zjm) and b.status = '0'",
    "order by b.tfdate desc, b.id desc"});

// The tenant's rent rows saved before the one at hand: a new row comes after
// all of them, a modified row after those older than itself, so re-saving a
// first payment keeps its deposit.
const QString kDepositSql = catalogSql("TZjglForm earlier payments", QStringList{
    "select *from dbo.Zf_Zujin where manid= :manid and id< :id"});

// A payment that carries a deposit is written only while the tenant has no
// rent row at all: decided again by the statement itself, so that of two
// desks showing the same first payment only one stores the deposit.
const QString kInsertSql = catalogSql("TZjglForm insert", QStringList{
    "insert into Zf_Zujin",
    "       (fangno,manid,jkrq,fangya,fangprice,ljf,yf,sf,begindate,enddate,status)",
    "select :fangno,:manid,:jkrq,:fangya,:fangprice,:ljf,:yf,:sf,:begindate,:enddate,:status",
    "where :withdeposit = 0 or not exists (select 1 from dbo.Zf_Zujin where manid = :depositof)"});

const QString kUpdateSql = catalogSql("TZjglForm update", QStringList{
    "update Zf_Zujin",
    "set fangno   =:fangno,",
    "    manid    =:manid,",
    "    jkrq     =:Jkrq,",
    "    fangya   =:fangya,",
    "    fangprice=:fangprice,",
    "    Ljf      =:Ljf,",
    "    Yf       =:Yf,",
    "    Sf       =:Sf,",
    "    Begindate=:begindate,",
    "    enddate  =:enddate,",
    "    status   =:status",
    "where ",
    "    ID   =:oldID"});
// clang-format on

const QString kAppCaption = QStringLiteral("房屋出租管理");

// Sets a text only when it differs, so that a control's change step runs
// only for a real change.
void setIfDifferent(QLineEdit* edit, const QString& text) {
    if (edit->text() != text) {
        edit->setText(text);
        edit->setCursorPosition(0);
    }
}

QVariant dateOnly(const QDateEdit* date) {
    return QDateTime(date->date(), QTime(0, 0));
}

} // namespace

TZjglForm::TZjglForm(QWidget* parent) : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("TZjglForm"));
    setWindowTitle(QStringLiteral("房租收费管理"));

    FieldGrid fields;
    fields.layout()->setHorizontalSpacing(8);
    Ed_fh = fields.edit({0, 0}, QStringLiteral("房    号："), "Ed_fh");
    Ed_bh = fields.aqua({0, 2}, QStringLiteral("客户编号："), "Ed_bh");
    Ed_xm = fields.aqua({0, 4}, QStringLiteral("客户姓名："), "Ed_xm");
    Ed_Yj = fields.aqua({1, 0}, QStringLiteral("押    金："), "Ed_Yj");
    Ed_yz = fields.aqua({1, 2}, QStringLiteral("月    租："), "Ed_yz");
    Ed_Ljf = fields.aqua({1, 4}, QStringLiteral("垃 圾 费："), "Ed_Ljf");
    Ed_yfzj = fields.aqua({2, 0}, QStringLiteral("应付租金："), "Ed_yfzj");
    Ed_sszj = fields.edit({2, 2}, QStringLiteral("实收租金："), "Ed_sszj");
    DT_Jkrq = fields.date({2, 4}, QStringLiteral("交款日期："), "DT_Jkrq");
    Ed_begindate = fields.aqua({3, 0}, QStringLiteral("起租日期："), "Ed_begindate");
    Dt_EndDate = fields.date({3, 2}, QStringLiteral("截止日期："), "Dt_EndDate");
    Com_status = fields.combo({3, 4}, QStringLiteral("状    态："), "Com_status",
                              charging::statusNames(), FieldGrid::Choice::Listed);
    // The payment date is today's, filled in like the aqua fields.
    DT_Jkrq->setEnabled(false);
    setAqua(DT_Jkrq);
    Ed_Yj->setText(QStringLiteral("0"));
    Ed_yz->setText(QStringLiteral("0"));
    Ed_Ljf->setText(QStringLiteral("0"));
    Ed_yfzj->setText(QStringLiteral("0.00"));

    DBGrid1 = charging::layOutScreen(this, fields.layout(), 880,
                                     {&bitbtn_insert, &bitbtn_modify, &bitbtn_post, &bitbtn_cancel,
                                      &BBtn_Print, &BitBtn_find, &BBtn_Void});

    using M = RecordMaintenance;
    M::Config c;
    c.listSql = kListSql;
    c.gridColumns = {{"fangno", "房号"},        {"manid", "用户编号"},   {"manname", "客户姓名"},
                     {"Jkrq", "交款日期"},      {"fangya", "房押"},      {"fangprice", "房租"},
                     {"Ljf", "垃圾费"},         {"Yf", "应付租金"},      {"sf", "实收金额"},
                     {"begindate", "起租日期"}, {"enddate", "截止日期"}, {"status", "状态"}};
    c.loadAtOpen = false;
    c.canDelete = false;
    c.buttons.insert = bitbtn_insert;
    c.buttons.modify = bitbtn_modify;
    c.buttons.post = bitbtn_post;
    c.buttons.cancel = bitbtn_cancel;
    // The screen loads a row itself, in its own order (LoadCurrentRow).
    c.controls = {{Ed_fh, {}, true, true},
                  {Ed_yfzj, {}, false, true},
                  {Ed_sszj, {}, false, true},
                  {Dt_EndDate, {}, false, true},
                  {Com_status, {}, true, true}};
    c.firstEdit = Ed_fh;
    c.required = {{Ed_fh, QStringLiteral("请填写房号")},
                  {Ed_sszj, QStringLiteral("请填写实收租金")},
                  {Com_status, QStringLiteral("请填写状态")}};
    const auto found = [this](const QString* key) {
        return [this, key]() -> QVariant {
            if (m_foundRoom.isEmpty())
                throw DbError(QStringLiteral("No let room was found."));
            return *key;
        };
    };
    c.insert = {
        kInsertSql,
        {M::Param::computed("fangno", ParamKind::Text, 8, found(&m_foundRoom)),
         M::Param::computed("manid", ParamKind::Text, 8, found(&m_foundTenant)),
         M::Param::computed("jkrq", ParamKind::DateTime, 0, [this] { return dateOnly(DT_Jkrq); }),
         M::Param::decimal("fangya", Ed_Yj), M::Param::decimal("fangprice", Ed_yz),
         M::Param::decimal("Ljf", Ed_Ljf),
         M::Param::computed("Yf", ParamKind::Decimal, 0,
                            [this] { return QVariant(charging::storedAmount(Ed_yfzj)); }),
         M::Param::computed("sf", ParamKind::Decimal, 0,
                            [this] { return QVariant(charging::storedAmount(Ed_sszj)); }),
         M::Param::computed("begindate", ParamKind::DateTime, 0,
                            [this] {
                                const QString text = Ed_begindate->text().trimmed();
                                return text.isEmpty() ? QVariant() : QVariant(text);
                            }),
         M::Param::computed("enddate", ParamKind::DateTime, 0,
                            [this] { return dateOnly(Dt_EndDate); }),
         M::Param::computed("status", ParamKind::Text, 1, [this] {
             return QVariant(charging::statusCode(Com_status->currentText()));
         })}};
    c.update = c.insert;
    c.update.sql = kUpdateSql;
    c.insert.params.push_back(M::Param::computed("withdeposit", ParamKind::Integer, 0, [this] {
        const std::optional<Decimal> d = Decimal::parse(Ed_Yj->text());
        return QVariant(d && d->isZero() ? 0 : 1);
    }));
    c.insert.params.push_back(
        M::Param::computed("depositof", ParamKind::Text, 10, [this] { return QVariant(m_foundTenant); }));
    c.update.params.push_back(M::Param::currentRow("oldID", ParamKind::Integer, 0, "id"));
    c.saveFailure = QStringLiteral("操作失败！");
    m_insertParams = c.insert.params;
    m_updateParams = c.update.params;
    m_cycle = new RecordMaintenance(this, DBGrid1, std::move(c));
    // Every column in sight without scrolling.
    const int widths[] = {50, 70, 70, 90, 60, 60, 60, 70, 70, 90, 90, 60};
    for (int i = 0; i < int(std::size(widths)); ++i)
        DBGrid1->setColumnWidth(i, widths[i]);

    CompletingSearchEdit::Config room;
    room.edit = Ed_fh;
    room.query = &m_search;
    room.search = [this] { Ed_fhChange(); };
    m_roomEdit = new CompletingSearchEdit(this, std::move(room));
    m_deposit.setSql(kDepositSql);

    connect(bitbtn_insert, &QPushButton::clicked, this, &TZjglForm::bitbtn_insertClick);
    connect(bitbtn_modify, &QPushButton::clicked, this, &TZjglForm::bitbtn_modifyClick);
    connect(bitbtn_post, &QPushButton::clicked, this, &TZjglForm::bitbtn_postClick);
    connect(bitbtn_cancel, &QPushButton::clicked, this, &TZjglForm::bitbtn_cancelClick);
    connect(BBtn_Print, &QPushButton::clicked, this, &TZjglForm::BBtn_PrintClick);
    connect(BitBtn_find, &QPushButton::clicked, this, &TZjglForm::BitBtn_findClick);
    connect(DBGrid1, &QTableView::doubleClicked, this, &TZjglForm::DBGrid1DblClick);
    connect(BBtn_Void, &QPushButton::clicked, this, &TZjglForm::BBtn_VoidClick);
    // The money received follows the status chosen: all of it when paid,
    // nothing (or a part payment typed over it) when not.
    connect(Com_status, &QComboBox::currentTextChanged, this, [this](const QString& status) {
        if (bitbtn_post->isEnabled() && !m_loading)
            Ed_sszj->setText(charging::proposedReceived(Ed_yfzj->text(), status, Ed_sszj->text()));
    });
    connect(Ed_Yj, &QLineEdit::textChanged, this, [this] { guarded([this] { Ed_YjChange(); }); });

    FormCreate();
}

TZjglForm::~TZjglForm() = default;

Query& TZjglForm::list() {
    return m_cycle->list();
}

int TZjglForm::editMode() const {
    return m_cycle->editMode();
}

void TZjglForm::FormCreate() {
    Dt_EndDate->setDate(Clock::today());
    DT_Jkrq->setDate(Clock::today());
    const QDate today = Clock::today();
    const QDate first(today.year(), today.month(), 1);
    Query& list = m_cycle->list();
    list.setDateTime(QStringLiteral("monthstart"), QDateTime(first, QTime(0, 0)));
    list.setDateTime(QStringLiteral("nextmonth"), QDateTime(first.addMonths(1), QTime(0, 0)));
    m_cycle->open();
}

// --- the room search and the amounts -------------------------------------------

void TZjglForm::Ed_fhChange() {
    // Until this search finds a let room, a save has nothing to store.
    m_foundRoom.clear();
    m_foundTenant.clear();
    const QString pattern = LookupField::pattern(Ed_fh->text());
    m_search.close();
    m_search.setSql(kSearchSql);
    m_search.setText(QStringLiteral("fangno"), pattern);
    m_search.setText(QStringLiteral("zjm"), pattern);
    m_search.open();
    m_letEnd = QDate();
    if (m_search.isEmpty()) {
        m_search.close();
        m_search.setSql(kEndedSearchSql);
        m_search.setText(QStringLiteral("fangno"), pattern);
        m_search.setText(QStringLiteral("zjm"), pattern);
        m_search.open();
        if (!m_search.isEmpty())
            m_letEnd = m_search.dateTime(QStringLiteral("tfdate")).date();
    }
    if (m_search.isEmpty()) {
        showNotice(this, kAppCaption, QStringLiteral("对不起！没有此用户"), MsgIcon::NoIcon);
        Ed_fh->selectAll();
        return;
    }
    charging::preferExactRoom(m_search, Ed_fh->text());
    if (m_letEnd.isValid())
        m_letEnd = m_search.dateTime(QStringLiteral("tfdate")).date();
    setIfDifferent(Ed_bh, m_search.text(QStringLiteral("manid")));
    setIfDifferent(Ed_xm, m_search.text(QStringLiteral("manname")));
    setIfDifferent(Ed_yz, m_search.text(QStringLiteral("fangprice")));
    setIfDifferent(Ed_Ljf, m_search.text(QStringLiteral("ljf")));
    setIfDifferent(Ed_begindate, m_search.text(QStringLiteral("begindate")));
    m_foundRoom = m_search.text(QStringLiteral("fangno"));
    m_foundTenant = m_search.text(QStringLiteral("manid"));
    DecideDeposit();
    Ed_YjChange();
}

void TZjglForm::DecideDeposit() {
    // A let that ended is charged no deposit: it was settled at check-out.
    if (m_letEnd.isValid()) {
        setIfDifferent(Ed_Yj, QStringLiteral("0"));
        return;
    }
    m_deposit.close();
    m_deposit.setText(QStringLiteral("manid"), Ed_bh->text().trimmed());
    // A modified row counts the rows before it; a new one comes after all.
    Query& list = m_cycle->list();
    const bool modifying = m_cycle->editMode() == 2 && list.isOpen() && !list.isEmpty();
    m_deposit.setInteger(QStringLiteral("id"), modifying
                                                   ? list.integer(QStringLiteral("id"))
                                                   : qint64(std::numeric_limits<qint32>::max()));
    m_deposit.open();
    const bool paidBefore = !m_deposit.isEmpty();
    m_deposit.close();
    setIfDifferent(Ed_Yj,
                   paidBefore ? QStringLiteral("0") : m_search.text(QStringLiteral("fangya")));
}

void TZjglForm::Ed_YjChange() {
    // Exact decimals: the sum shown is the sum stored.
    const QString text = Billing::rentDue(charging::decimalOf(Ed_Yj->text()), charging::decimalOf(Ed_yz->text()),
                                          charging::decimalOf(Ed_Ljf->text()))
                             .toString();
    setIfDifferent(Ed_yfzj, text);
    setIfDifferent(Ed_sszj, charging::proposedReceived(text, Com_status->currentText()));
}

// --- the cycle ------------------------------------------------------------------

void TZjglForm::LoadCurrentRow() {
    Query& list = m_cycle->list();
    if (!list.isOpen() || list.isEmpty())
        return;
    const auto text = [&list](const char* column) { return list.text(QLatin1String(column)); };
    // The row's own keys and start date, unless the room search below finds
    // the room's current occupancy.
    m_foundRoom = text("fangno");
    m_foundTenant = text("manid");
    const QString room = m_foundRoom;
    const QString tenant = m_foundTenant;
    // The row's own amounts are shown as stored, whatever its status.
    m_loading = true;
    const auto done = qScopeGuard([this] { m_loading = false; });
    setIfDifferent(Ed_bh, text("manid"));
    setIfDifferent(Ed_begindate, text("begindate"));
    setIfDifferent(Ed_Yj, text("fangya"));
    setIfDifferent(Ed_yz, text("fangprice"));
    setIfDifferent(Ed_Ljf, text("Ljf"));
    setIfDifferent(Ed_yfzj, text("Yf"));
    DT_Jkrq->setDate(list.dateTime(QStringLiteral("jkrq")).date());
    setIfDifferent(Ed_fh, text("fangno"));
    if (m_foundRoom.isEmpty()) {
        // The search found no let room: the fields show the row as stored.
        m_foundRoom = room;
        m_foundTenant = tenant;
    }
    setIfDifferent(Ed_sszj, text("sf"));
    Dt_EndDate->setDate(list.dateTime(QStringLiteral("enddate")).date());
    Com_status->setCurrentIndex(Com_status->findText(text("status")));
}

void TZjglForm::bitbtn_insertClick() {
    const bool wasEmpty = Ed_fh->text().isEmpty();
    m_foundRoom.clear();
    m_foundTenant.clear();
    m_cycle->insert();
    BBtn_Void->setEnabled(false);
    // The search runs even when the edit was empty already: the empty text
    // matches every let room.
    if (wasEmpty)
        guarded([this] { Ed_fhChange(); });
    DT_Jkrq->setDate(Clock::today());
}

void TZjglForm::bitbtn_modifyClick() {
    m_cycle->modify();
    BBtn_Void->setEnabled(false);
    guarded([this] { LoadCurrentRow(); });
}

void TZjglForm::DBGrid1DblClick() {
    guarded([this] { LoadCurrentRow(); });
}

void TZjglForm::bitbtn_postClick() {
    const int mode = m_cycle->editMode();
    if (mode != 1 && mode != 2)
        return;
    if (!charging::requiredFilled(this, {{Ed_fh, QStringLiteral("请填写房号")},
                                         {Ed_sszj, QStringLiteral("请填写实收租金")},
                                         {Com_status, QStringLiteral("请填写状态")}}))
        return;
    // A payment below zero or not a number is refused before anything is written.
    if (!charging::acceptPayment(this, Ed_sszj))
        return;
    const bool inserting = mode == 1;
    if (inserting && !m_foundRoom.isEmpty()) {
        if (m_letEnd.isValid() && Dt_EndDate->date() > m_letEnd) {
            showNotice(this, QStringLiteral("Morvik提示"),
                       QStringLiteral("该客户已于%1退房，截止日期不能晚于退房日期！")
                           .arg(m_letEnd.toString(QStringLiteral("yyyy-MM-dd"))),
                       MsgIcon::Warning);
            return;
        }
        QString question;
        if (!guarded([&] {
                question = ChargeBook::rentAlreadyPaidQuestion(
                    m_foundRoom, m_foundTenant, Ed_begindate->text().trimmed(),
                    Dt_EndDate->date(), Clock::today());
            }))
            return;
        if (!question.isEmpty() &&
            !askYesNoDefaultNo(this, QStringLiteral("Morvik提示"), question, MsgIcon::Question))
            return; // nothing written; the edit stays under way
    }
    bool depositTaken = false;
    const qint64 id = charging::saveInTransaction(
        this,
        [&]() -> qint64 {
            if (!inserting) {
                Query& update = m_cycle->updateStatement();
                charging::bindParams(update, m_updateParams, m_cycle->list());
                if (update.exec() != 1)
                    throw DbError(QStringLiteral("No row was changed."));
                return m_cycle->list().integer(QStringLiteral("id"));
            }
            Query& insert = m_cycle->insertStatement();
            charging::bindParams(insert, m_insertParams, m_cycle->list());
            if (insert.exec() != 1) {
                depositTaken = true;
                throw charging::SaveRefusal{QStringLiteral(
                    "该客户的首次房租（含押金）已由其他操作员收取，本次不再收押金。"
                    "押金和应付金额已重新计算，请核对后再保存。")};
            }
            return ChargeBook::newestCharge(ChargeMoney::Table::Rent, m_foundRoom, m_foundTenant);
        },
        QStringLiteral("操作失败！"));
    if (depositTaken)
        guarded([this] { DecideDeposit(); Ed_YjChange(); });
    if (!id)
        return; // still inserting or modifying, with the typed values
    charging::showSaved(this, m_cycle->model(), kQuerySql, id, inserting);
    m_cycle->cancel();
    BBtn_Void->setEnabled(true);
}

void TZjglForm::BBtn_VoidClick() {
    charging::voidCurrentCharge(this, m_cycle->model(), int(ChargeMoney::Table::Rent),
                                QStringLiteral("Yf"));
}

void TZjglForm::bitbtn_cancelClick() {
    m_cycle->cancel();
    BBtn_Void->setEnabled(true);
}

void TZjglForm::BBtn_PrintClick() {
    printRentReceipt(m_cycle->list(), this);
}

void TZjglForm::BitBtn_findClick() {
    charging::runQueryDialog(this, new TZfSfGjcxForm(this), m_cycle->model(), kQuerySql,
                             {"A.fangno", "A.manid", "B.manname", "A.Jkrq", "A.fangya",
                              "A.fangprice", "A.Ljf", "A.Yf", "A.sf", "A.begindate", "A.enddate",
                              "A.status"});
}

void TZjglForm::showChargeRow(int id) { charging::showChargeRow(m_cycle->model(), kQuerySql, id); }
