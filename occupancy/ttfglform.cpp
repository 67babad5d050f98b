#include "ttfglform.h"

#include "clock.h"
#include "connection.h"
#include "errordisplay.h"
#include "lookupfield.h"
#include "maintenance.h"
#include "messages.h"
#include "querymodel.h"
#include "sqlcatalog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

// Statements one line per element, exactly as the program sends them.
// clang-format off
const QString kListSql = catalogSql("TTfglForm list", QStringList{
    "SELECT A.id,A.manid, B.manname, A.fangno, A.begindate,A.Tfdate, A.Tfj,      ",
    "case A.status when '0' then '已退房' else '未退房' end as status",
    "FROM dbo.Zf_tf A INNER JOIN dbo.Zf_Man B ON A.manid = B.manid where status=0",
    ""});

// Every current let of the room number or the tenant's mnemonic code, one
// row per let.
const QString kSearchSql = catalogSql("TTfglForm search", QStringList{
    "SELECT A.manid, B.manname, B.Zjm, A.fangno,A.begindate",
    "FROM dbo.Zf_Rz A INNER JOIN dbo.Zf_Man B ON A.manid = B.manid where ",
    "A.status='1' and (a.fangno like :fangno or b.zjm like :zjm)",
    "order by A.fangno"});

// The deposit of the let found: the one charged to this tenant for this room
// (the latest rent row of the same tenant and room that carries one), 0 when
// none was charged, so a let without a deposit can still end. Asked for the
// let shown only, so a keystroke costs one lookup, not one per let.
const QString kDepositSql = catalogSql("TTfglForm deposit", QStringList{
    "select isnull((select C.fangya from dbo.Zf_Zujin C where C.id =",
    "  (select max(D.id) from dbo.Zf_Zujin D",
    "   where D.manid = :manid and D.fangno = :fangno and D.fangya > 0)), 0) as fangya"});

const QString kInsertSql = catalogSql("TTfglForm insert", QStringList{
    "insert into zf_tf(manid,fangno,begindate,tfdate,tfj,status)",
    "       values(:manid,:fangno,:begindate,:tfdate,:tfj,:status)"});

const QString kDeleteSql = catalogSql("TTfglForm delete", QStringList{
    "delete zf_rz where fangno = :fangno"});
// clang-format on

const QString kNoticeCaption = QStringLiteral("Morvik提示");
const QString kAppCaption = QStringLiteral("房屋出租管理");
const QString kCheckedOut = QStringLiteral("已退房");

QPushButton* addButton(QWidget* parent, const QString& caption, const char* name) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    // Enter in the room edit completes the number; it must press no button.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

// A field the screen fills and the user never types into: always disabled,
// on an aqua ground, its text still plainly readable.
void makeAqua(QLineEdit* edit) {
    edit->setEnabled(false);
    QPalette palette = edit->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Base, QColor(0, 255, 255));
        palette.setColor(group, QPalette::Text, Qt::black);
    }
    edit->setPalette(palette);
}

} // namespace

TTfglForm::TTfglForm(QWidget* parent) : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("TTfglForm"));
    setWindowTitle(QStringLiteral("退房管理"));

    auto* fields = new QGridLayout;
    fields->setHorizontalSpacing(8);
    fields->setVerticalSpacing(10);
    Ed_bh = addLabelledEdit(fields, 0, 0, QStringLiteral("客户编号："), "Ed_bh");
    Ed_Xm = addLabelledEdit(fields, 0, 2, QStringLiteral("客户姓名："), "Ed_Xm");
    Ed_Fh = addLabelledEdit(fields, 1, 0, QStringLiteral("房    号："), "Ed_Fh");
    Ed_Yj = addLabelledEdit(fields, 1, 2, QStringLiteral("押    金："), "Ed_Yj");
    Ed_BeginDate = addLabelledEdit(fields, 2, 0, QStringLiteral("起租日期："), "Ed_BeginDate");
    Com_status = addLabelledCombo(fields, 2, 2, QStringLiteral("状    态："), "Com_status",
                                  {kCheckedOut, QStringLiteral("未退房")});
    // The status is chosen from the list only.
    Com_status->setEditable(false);
    Com_status->setCurrentIndex(-1);
    // Accessible names without the padding blanks of the captions.
    Ed_Fh->setAccessibleName(QStringLiteral("房号"));
    Ed_Yj->setAccessibleName(QStringLiteral("押金"));
    Com_status->setAccessibleName(QStringLiteral("状态"));
    for (QLineEdit* aqua : {Ed_bh, Ed_Xm, Ed_Yj, Ed_BeginDate})
        makeAqua(aqua);
    for (QWidget* w : {static_cast<QWidget*>(Ed_bh), static_cast<QWidget*>(Ed_Xm),
                       static_cast<QWidget*>(Ed_Fh), static_cast<QWidget*>(Ed_Yj),
                       static_cast<QWidget*>(Ed_BeginDate), static_cast<QWidget*>(Com_status)})
        w->setFixedWidth(160);
    fields->setColumnMinimumWidth(2, 100);

    bitbtn_insert = addButton(this, QStringLiteral("退房"), "bitbtn_insert");
    bitbtn_post = addButton(this, QStringLiteral("保存"), "bitbtn_post");
    BBtn_Print = addButton(this, QStringLiteral("&P打印"), "BBtn_Print");
    bitbtn_cancel = addButton(this, QStringLiteral("取消"), "bitbtn_cancel");
    bitbtn_quit = addButton(this, QStringLiteral("退出"), "bitbtn_quit");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* b : {bitbtn_insert, bitbtn_post, BBtn_Print, bitbtn_cancel, bitbtn_quit})
        buttons->addWidget(b);
    buttons->addStretch();

    DBGrid1 = new QTableView(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setMinimumSize(640, 260);
    DBGrid1->setAccessibleName(QStringLiteral("退房记录"));
    m_listModel = new QueryModel(ADQ_Tfgl,
                                 {{"manid", "用户编号"},
                                  {"manname", "客户姓名"},
                                  {"fangno", "房号"},
                                  {"begindate", "起租日期"},
                                  {"Tfdate", "退房日期"},
                                  {"Tfj", "退房押金"},
                                  {"status", "状态"}},
                                 this);
    bindQueryGrid(DBGrid1, m_listModel);
    const int widths[] = {80, 90, 70, 100, 100, 80, 70};
    for (int i = 0; i < 7; ++i)
        DBGrid1->setColumnWidth(i, widths[i]);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    layout->addWidget(DBGrid1);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    CompletingSearchEdit::Config search;
    search.edit = Ed_Fh;
    search.query = &ADQ_Fh;
    search.keyColumn = QStringLiteral("fangno");
    search.search = [this] { Ed_FhChange(); };
    m_roomSearch = new CompletingSearchEdit(this, std::move(search));

    connect(bitbtn_insert, &QPushButton::clicked, this, &TTfglForm::bitbtn_insertClick);
    connect(bitbtn_post, &QPushButton::clicked, this, &TTfglForm::bitbtn_postClick);
    connect(bitbtn_cancel, &QPushButton::clicked, this, &TTfglForm::bitbtn_cancelClick);
    connect(bitbtn_quit, &QPushButton::clicked, this, &TTfglForm::bitbtn_quitClick);
    connect(DBGrid1, &QTableView::clicked, this, &TTfglForm::DBGrid1CellClick);

    FormCreate();
}

TTfglForm::~TTfglForm() = default;

void TTfglForm::FormCreate() {
    setBrowse();
    // No printout of check-outs is defined: the button is shown, never enabled.
    BBtn_Print->setEnabled(false);
    bitbtn_quit->setEnabled(true);
    guarded([this] {
        ADQ_Tfgl.close();
        ADQ_Tfgl.setSql(kListSql);
        m_listModel->reopen();
    });
}

void TTfglForm::setBrowse() {
    Ed_Fh->setEnabled(false);
    Com_status->setEnabled(false);
    bitbtn_post->setEnabled(false);
    bitbtn_cancel->setEnabled(false);
    bitbtn_insert->setEnabled(true);
}

void TTfglForm::Ed_FhChange() {
    ADQ_Fh.close();
    m_deposit.clear();
    ADQ_Fh.setSql(kSearchSql);
    const QString pattern = LookupField::pattern(Ed_Fh->text());
    ADQ_Fh.setText(QStringLiteral("fangno"), pattern);
    ADQ_Fh.setText(QStringLiteral("zjm"), pattern);
    try {
        ADQ_Fh.open();
        if (!ADQ_Fh.eof()) {
            ADQ_Yj.close();
            ADQ_Yj.setSql(kDepositSql);
            ADQ_Yj.setText(QStringLiteral("manid"), ADQ_Fh.text(QStringLiteral("manid")), 10);
            ADQ_Yj.setText(QStringLiteral("fangno"), ADQ_Fh.text(QStringLiteral("fangno")), 10);
            ADQ_Yj.open();
            m_deposit = ADQ_Yj.value(QStringLiteral("fangya"));
        }
    } catch (...) {
        // Nothing found that could be stored: the fields must not keep
        // showing an earlier let.
        ADQ_Fh.close();
        fillFromSearch();
        throw;
    }
    fillFromSearch();
}

void TTfglForm::fillFromSearch() {
    // The current row is the let that a save checks out.
    const bool found = ADQ_Fh.isOpen() && !ADQ_Fh.eof();
    const auto field = [&](const char* column) {
        return found ? plainText(ADQ_Fh.value(QLatin1String(column))) : QString();
    };
    RecordMaintenance::setControlText(Ed_bh, field("manid"));
    RecordMaintenance::setControlText(Ed_Xm, field("manname"));
    RecordMaintenance::setControlText(Ed_BeginDate, field("begindate"));
    RecordMaintenance::setControlText(Ed_Yj, found ? plainText(m_deposit) : QString());
}

void TTfglForm::bitbtn_insertClick() {
    EditMode = 1;
    bitbtn_insert->setEnabled(false);
    bitbtn_post->setEnabled(true);
    bitbtn_cancel->setEnabled(true);
    Ed_Fh->setEnabled(true);
    Com_status->setEnabled(true);
    Ed_Fh->clear();
    Com_status->setCurrentIndex(-1);
    Ed_Fh->setFocus();
}

void TTfglForm::bitbtn_cancelClick() {
    // Back to browse; nothing is written and the fields keep their texts.
    setBrowse();
}

void TTfglForm::bitbtn_quitClick() {
    close();
}

void TTfglForm::bitbtn_postClick() {
    if (EditMode != 1)
        return;
    if (Ed_Fh->text().isEmpty()) {
        showNotice(this, kNoticeCaption, QStringLiteral("请填写房号"), MsgIcon::Information);
        Ed_Fh->setFocus();
        return;
    }
    if (Com_status->currentText().isEmpty()) {
        showNotice(this, kNoticeCaption, QStringLiteral("请填写状态"), MsgIcon::Information);
        Com_status->setFocus();
        return;
    }
    checkOut();
}

void TTfglForm::checkOut() {
    // What is stored is the let the search found and the fields show, never
    // the text of the room edit: "10" typed without Enter checks out the let
    // shown (room 101, say), and a text that found no let stores nothing.
    if (!ADQ_Fh.isOpen() || ADQ_Fh.eof()) {
        showNotice(this, QString(), QStringLiteral("操作失败！"), MsgIcon::Critical);
        return;
    }
    const QString room = ADQ_Fh.text(QStringLiteral("fangno"));
    const QString status =
        Com_status->currentText().trimmed() == kCheckedOut ? QStringLiteral("0") : QStringLiteral("1");

    Connection& connection = Connection::shared();
    try {
        if (connection.inTransaction())
            connection.rollback();
        connection.beginTransaction();
        Query insert;
        insert.setSql(kInsertSql);
        insert.setText(QStringLiteral("manid"), ADQ_Fh.text(QStringLiteral("manid")), 10);
        insert.setText(QStringLiteral("fangno"), room, 8);
        insert.setDateTime(QStringLiteral("begindate"), ADQ_Fh.value(QStringLiteral("begindate")));
        insert.setDateTime(QStringLiteral("tfdate"), QDateTime(Clock::today(), QTime(0, 0)));
        insert.setDecimal(QStringLiteral("tfj"), m_deposit);
        insert.setText(QStringLiteral("status"), status, 1);
        insert.exec();

        // The room's occupancy goes with the check-out, whatever the status.
        Query occupancy;
        occupancy.setSql(kDeleteSql);
        occupancy.setText(QStringLiteral("fangno"), room, 10);
        occupancy.exec();
        connection.commit();
    } catch (...) {
        const QString failure = failureMessage(QStringLiteral("操作失败！"));
        try {
            if (connection.inTransaction())
                connection.rollback();
        } catch (const DbError&) {
            // The failure shown next already says what went wrong.
        }
        showNotice(this, QString(), failure, MsgIcon::Critical);
        return; // the check-out stays under way
    }

    showNotice(this, kAppCaption, QStringLiteral("退房成功！"), MsgIcon::NoIcon);
    // Committed: a failure to read the list again is not a failed check-out.
    guarded([this] { m_listModel->reopen(); });
    setBrowse();
}

void TTfglForm::DBGrid1CellClick() {
    guarded([this] {
        if (!ADQ_Tfgl.isOpen() || ADQ_Tfgl.eof())
            return;
        RecordMaintenance::setControlText(Ed_BeginDate, ADQ_Tfgl.text(QStringLiteral("begindate")));
        RecordMaintenance::setControlText(Ed_Yj, ADQ_Tfgl.text(QStringLiteral("Tfj")));
        const QString room = ADQ_Tfgl.text(QStringLiteral("fangno"));
        const bool same = Ed_Fh->text() == room;
        Ed_Fh->setText(room);
        // The fields show the room's present let (or nothing), also when the
        // room edit already held this number and so did not search again.
        if (same)
            Ed_FhChange();
        Com_status->setCurrentIndex(Com_status->findText(ADQ_Tfgl.text(QStringLiteral("status"))));
    });
}
