#include "tkhrzform.h"

#include "clock.h"
#include "connection.h"
#include "errordisplay.h"
#include "lookupfield.h"
#include "roomlookup.h"
#include "messages.h"
#include "query.h"
#include "screenbuilder.h"
#include "sqlcatalog.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

// Statements one line per element, exactly as the program sends them.
// clang-format off
const QString kTenantsSql = catalogSql("TKhrzForm tenants", QStringList{
    "select manid,manname,zjm,case sex when '1' then '男' else '女' end as sex,",
    "idcard,iddress,handset,company  from dbo.Zf_Man  "});

const QString kTenantsFilteredSql = catalogSql("TKhrzForm tenants filtered", QStringList{
    "select manid,manname,zjm,case sex when '1' then '男' else '女' end as sex,",
    "idcard,iddress,handset,company  from dbo.Zf_Man  ",
    "where manid like :manid or zjm like :zjm"});

const QString kRoomsSql = catalogSql("TKhrzForm rooms", QStringList{
    "select fangno,area,housetype,facetype,sb,fangya,fangprice,",
    "case status when '1' then '已出租' else '未出租' end as status",
    "from fangjian"});

const QString kRoomsFilteredSql = catalogSql("TKhrzForm rooms filtered", QStringList{
    "select fangno,area,housetype,facetype,sb,fangya,fangprice,",
    "case status when '1' then '已出租' else '未出租' end as status from fangjian",
    "where fangno like :fangno"});

const QString kInsertSql = catalogSql("TKhrzForm insert", QStringList{
    "insert into Zf_Rz",
    "       (manid,fangno,begindate,enddate,status)",
    "values (:manid,:fangno,:begindate,:enddate,:status)"});
// clang-format on

// What the database refused, looked up after the failed insert so the
// operator reads why and what to do next.
const QString kTenantKnownSql = catalogSql("TKhrzForm tenant known", QStringList{
    "select manid from dbo.Zf_Man where manid = :manid"});
const QString kRoomKnownSql = catalogSql("TKhrzForm room known", QStringList{
    "select fangno from dbo.Zf_Fangjian where fangno = :fangno"});
const QString kRoomLetSql = catalogSql("TKhrzForm room let", QStringList{
    "select A.manid, B.manname from dbo.Zf_Rz A",
    "left join dbo.Zf_Man B on A.manid = B.manid where A.fangno = :fangno"});

const QString kNoticeCaption = QStringLiteral("Morvik提示");
const QString kAppCaption = QStringLiteral("房屋出租管理");

} // namespace

TKhrzForm::TKhrzForm(QWidget* parent) : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("TKhrzForm"));
    setWindowTitle(QStringLiteral("客户入住管理"));

    FieldGrid fields;
    fields.layout()->setHorizontalSpacing(8);
    fields.layout()->setVerticalSpacing(14);
    // The dates stand above the two lookup edits, so the candidate grids
    // that pop up beneath the edits have room of their own and never cover
    // a date the operator may still want to set.
    DT_begin = fields.date({0, 0, 1, Qt::AlignLeft}, QStringLiteral("起始日期："), "DT_begin");
    DT_end = fields.date({0, 2, 1, Qt::AlignLeft}, QStringLiteral("终止日期："), "DT_end");
    Ed_Khbh = fields.edit({1, 0}, QStringLiteral("客户编号："), "Ed_Khbh");
    Ed_FJbh = fields.edit({1, 2}, QStringLiteral("房间编号："), "Ed_FJbh");
    for (QLineEdit* lookup : {Ed_Khbh, Ed_FJbh})
        lookup->setFixedWidth(LookupField::kGridWidth);
    fields.layout()->setColumnMinimumWidth(2, 90);

    // Enter belongs to the lookup fields, never to a default button.
    ButtonRow buttons(this);
    bitbtn_Rz = buttons.add(QStringLiteral("入住"), "bitbtn_Rz");
    buttons.addSpacing(40);
    bitbtn_quit = buttons.add(QStringLiteral("退出"), "bitbtn_quit");

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields.layout());
    // The candidate grids' own room beneath the edits (the grids are 120
    // high), so they cover neither the dates nor the buttons.
    layout->addSpacing(132);
    layout->addLayout(buttons.layout());
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // The grids float over the other controls, so they stay out of the layout.
    DBGrid2 = new QTableView(this);
    DBGrid2->setObjectName(QStringLiteral("DBGrid2"));
    DBGrid1 = new QTableView(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));

    setTabOrder(Ed_Khbh, bitbtn_Rz);
    setTabOrder(bitbtn_Rz, bitbtn_quit);
    setTabOrder(bitbtn_quit, Ed_FJbh);
    setTabOrder(Ed_FJbh, DT_begin);
    setTabOrder(DT_begin, DT_end);
    setTabOrder(DT_end, DBGrid2);
    setTabOrder(DBGrid2, DBGrid1);

    using L = LookupField;
    L::Config tenant;
    tenant.edit = Ed_Khbh;
    tenant.grid = DBGrid1;
    tenant.unfilteredSql = kTenantsSql;
    tenant.filteredSql = kTenantsFilteredSql;
    tenant.filterParams = {QStringLiteral("manid"), QStringLiteral("zjm")};
    tenant.keyColumn = QStringLiteral("manid");
    tenant.columns = {{"manid", "客户编号"}, {"manname", "客户姓名"}, {"zjm", "助记码"},
                      {"sex", "性别"},       {"idcard", "身份证号"},   {"iddress", "身分证地址"},
                      {"handset", "联系电话"}, {"company", "现在单位"}};
    tenant.gridHeight = 120;
    tenant.enter = L::EnterInEdit::CopyCurrentRow;
    m_tenant = new LookupField(this, std::move(tenant));

    LookupField::Config room = ::roomLookup(Ed_FJbh, DBGrid2, kRoomsSql, kRoomsFilteredSql, 120);
    room.enter = L::EnterInEdit::FirstRowOrNotice;
    room.noRowNotice = QStringLiteral("对不起！没有空房");
    m_room = new LookupField(this, std::move(room));

    connect(bitbtn_Rz, &QPushButton::clicked, this, &TKhrzForm::bitbtn_RzClick);
    connect(bitbtn_quit, &QPushButton::clicked, this, &TKhrzForm::bitbtn_quitClick);

    FormCreate();
}

TKhrzForm::~TKhrzForm() = default;

void TKhrzForm::FormCreate() {
    DT_begin->setDate(Clock::today());
    DT_end->setDate(Clock::today());
    guarded([this] {
        m_tenant->open();
        m_room->open();
    });
    Ed_Khbh->setFocus();
}

void TKhrzForm::bitbtn_RzClick() {
    guarded([this] { checkIn(); });
}

void TKhrzForm::checkIn() {
    if (Ed_Khbh->text().isEmpty()) {
        showNotice(this, kNoticeCaption, QStringLiteral("请填写客户编号"), MsgIcon::Information);
        Ed_Khbh->setFocus();
        return;
    }
    if (Ed_FJbh->text().isEmpty()) {
        showNotice(this, kNoticeCaption, QStringLiteral("请填写房间编号"), MsgIcon::Information);
        Ed_FJbh->setFocus();
        return;
    }
    // The room list as last filtered by the room edit; whether the typed
    // number itself is a free room is left to the database's keys.
    if (!m_room->query().isOpen() || m_room->query().isEmpty()) {
        showNotice(this, kAppCaption, QStringLiteral("对不起！没有空房，入住失败"), MsgIcon::NoIcon);
        return;
    }

    Connection& connection = Connection::shared();
    try {
        if (connection.inTransaction())
            connection.rollback();
        connection.beginTransaction();
        Query insert;
        insert.setSql(kInsertSql);
        insert.setText(QStringLiteral("manid"), Ed_Khbh->text(), 10);
        insert.setText(QStringLiteral("fangno"), Ed_FJbh->text(), 10);
        insert.setDateTime(QStringLiteral("begindate"), QDateTime(DT_begin->date(), QTime(0, 0)));
        insert.setDateTime(QStringLiteral("enddate"), QDateTime(DT_end->date(), QTime(0, 0)));
        insert.setText(QStringLiteral("status"), QStringLiteral("1"), 1);
        insert.exec();
        connection.commit();
    } catch (...) {
        const QString failure = failureMessage(QStringLiteral("入住失败"));
        try {
            if (connection.inTransaction())
                connection.rollback();
        } catch (const DbError&) {
            // The failure shown next already says what went wrong.
        }
        // Why it failed, looked up after the rollback: the room let, or the
        // room or tenant not registered; else the engine's explanation.
        QString reason;
        guarded([&] { reason = failureReason(); });
        showNotice(this, kAppCaption,
                   reason.isEmpty() ? failure : QStringLiteral("入住失败\n") + reason,
                   MsgIcon::NoIcon);
        return;
    }
    showNotice(this, kAppCaption, QStringLiteral("入住完成！"), MsgIcon::NoIcon);

    // The row is committed: a failure from here on is not a failed check-in,
    // so it goes to the general error display rather than "入住失败".
    m_room->reopen();
    Ed_Khbh->clear();
    Ed_FJbh->clear();
    Ed_Khbh->setFocus();
    m_tenant->hideGrid();
    m_room->hideGrid();
}

QString TKhrzForm::failureReason() const {
    const QString tenant = Ed_Khbh->text();
    const QString room = Ed_FJbh->text();
    Query let;
    let.setSql(kRoomLetSql);
    let.setText(QStringLiteral("fangno"), room, 10);
    let.open();
    if (!let.isEmpty()) {
        const QString name = let.text(QStringLiteral("manname")).trimmed();
        return QStringLiteral("房间 %1 已出租给 %2，请选择未出租的房间，或先办理退房。")
            .arg(room.trimmed(), name.isEmpty() ? let.text(QStringLiteral("manid")).trimmed() : name);
    }
    Query known;
    known.setSql(kRoomKnownSql);
    known.setText(QStringLiteral("fangno"), room, 10);
    known.open();
    if (known.isEmpty())
        return QStringLiteral("房间编号“%1”没有登记，请从房间列表中选取房间（回车或双击）。")
            .arg(room);
    known.close();
    known.setSql(kTenantKnownSql);
    known.setText(QStringLiteral("manid"), tenant, 10);
    known.open();
    if (known.isEmpty())
        return QStringLiteral("客户编号“%1”没有登记，请从客户列表中选取，或先在“客户登记信息”中登记该客户。")
            .arg(tenant);
    return {};
}

void TKhrzForm::bitbtn_quitClick() {
    close();
}
