#include "ttfglform.h"

#include "checkoutreport.h"
#include "clock.h"
#include "connection.h"
#include "errordisplay.h"
#include "lookupfield.h"
#include "maintenance.h"
#include "messages.h"
#include "querymodel.h"
#include "screenbuilder.h"
#include "sqlcatalog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QStandardItemModel>
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
    "SELECT A.id, A.manid, B.manname, B.Zjm, A.fangno,A.begindate",
    "FROM dbo.Zf_Rz A INNER JOIN dbo.Zf_Man B ON A.manid = B.manid where ",
    "A.status='1' and (a.fangno like :fangno or b.zjm like :zjm)",
    "order by A.fangno"});
// clang-format on

const QString kNoticeCaption = QStringLiteral("Morvik提示");
const QString kAppCaption = QStringLiteral("房屋出租管理");
const QString kCheckedOut = QStringLiteral("已退房");

} // namespace

TTfglForm::TTfglForm(QWidget* parent) : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("TTfglForm"));
    setWindowTitle(QStringLiteral("退房管理"));

    FieldGrid fields;
    fields.layout()->setHorizontalSpacing(8);
    fields.layout()->setVerticalSpacing(10);
    Ed_bh = fields.aqua({0, 0}, QStringLiteral("客户编号："), "Ed_bh");
    Ed_Xm = fields.aqua({0, 2}, QStringLiteral("客户姓名："), "Ed_Xm");
    Ed_Fh = fields.edit({1, 0}, QStringLiteral("房    号："), "Ed_Fh");
    Ed_Yj = fields.aqua({1, 2}, QStringLiteral("押    金："), "Ed_Yj");
    Ed_BeginDate = fields.aqua({2, 0}, QStringLiteral("起租日期："), "Ed_BeginDate");
    // The status is chosen from the list only.
    Com_status = fields.combo({2, 2}, QStringLiteral("状    态："), "Com_status",
                              {kCheckedOut, QStringLiteral("未退房")}, FieldGrid::Choice::Listed);
    // The meters read on the day of leaving; a blank meter is not read.
    Ed_TfLsb = fields.edit({3, 0}, QStringLiteral("冷 水 表："), "Ed_TfLsb");
    Ed_TfRsb = fields.edit({3, 2}, QStringLiteral("热 水 表："), "Ed_TfRsb");
    Ed_TfDb = fields.edit({4, 0}, QStringLiteral("电    表："), "Ed_TfDb");
    Ed_TfMqb = fields.edit({4, 2}, QStringLiteral("煤 气 表："), "Ed_TfMqb");
    Ed_Kk = fields.edit({5, 0}, QStringLiteral("扣    款："), "Ed_Kk");
    Ed_Kkyy = fields.edit({5, 2}, QStringLiteral("扣款原因："), "Ed_Kkyy");
    Ed_Kkyy->setMaxLength(30);
    Ed_Qf = fields.aqua({6, 0}, QStringLiteral("欠费合计："), "Ed_Qf");
    Ed_Tk = fields.aqua({6, 2}, QStringLiteral("应退押金："), "Ed_Tk");
    // The meters are named for what they hold.
    Ed_TfLsb->setAccessibleName(QStringLiteral("退房冷水表读数"));
    Ed_TfRsb->setAccessibleName(QStringLiteral("退房热水表读数"));
    Ed_TfDb->setAccessibleName(QStringLiteral("退房电表读数"));
    Ed_TfMqb->setAccessibleName(QStringLiteral("退房煤气表读数"));
    for (QWidget* w : std::initializer_list<QWidget*>{Ed_bh, Ed_Xm, Ed_Fh, Ed_Yj, Ed_BeginDate,
                                                      Com_status, Ed_TfLsb, Ed_TfRsb, Ed_TfDb,
                                                      Ed_TfMqb, Ed_Kk, Ed_Kkyy, Ed_Qf, Ed_Tk})
        w->setFixedWidth(160);
    fields.layout()->setColumnMinimumWidth(2, 100);

    // What the deposit settles: the let's unsettled charges and the final
    // utility charges, oldest first.
    auto* owedLabel = new QLabel(QStringLiteral("欠费明细："), this);
    DBGrid_Qf = new QTableView(this);
    DBGrid_Qf->setObjectName(QStringLiteral("DBGrid_Qf"));
    DBGrid_Qf->setAccessibleName(QStringLiteral("欠费明细"));
    owedLabel->setBuddy(DBGrid_Qf);
    m_owedModel = new QStandardItemModel(0, 6, this);
    m_owedModel->setHorizontalHeaderLabels({QStringLiteral("项目"), QStringLiteral("日期"),
                                            QStringLiteral("说明"), QStringLiteral("欠费"),
                                            QStringLiteral("押金抵扣"), QStringLiteral("仍欠")});
    DBGrid_Qf->setModel(m_owedModel);
    DBGrid_Qf->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGrid_Qf->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid_Qf->verticalHeader()->setVisible(false);
    DBGrid_Qf->horizontalHeader()->setStretchLastSection(true);
    DBGrid_Qf->verticalHeader()->setDefaultSectionSize(DBGrid_Qf->fontMetrics().height() + 6);
    DBGrid_Qf->setFixedHeight(150);
    const int owedWidths[] = {96, 86, 190, 76, 76, 70};
    for (int i = 0; i < 6; ++i)
        DBGrid_Qf->setColumnWidth(i, owedWidths[i]);

    ButtonRow buttons(this);
    bitbtn_insert = buttons.add(QStringLiteral("退房"), "bitbtn_insert");
    bitbtn_post = buttons.add(QStringLiteral("保存"), "bitbtn_post");
    BBtn_Print = buttons.add(QStringLiteral("&P打印"), "BBtn_Print");
    bitbtn_cancel = buttons.add(QStringLiteral("取消"), "bitbtn_cancel");
    bitbtn_quit = buttons.add(QStringLiteral("退出"), "bitbtn_quit");

    DBGrid1 = new QTableView(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setMinimumSize(640, 200);
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
    layout->addLayout(fields.layout());
    layout->addSpacing(4);
    layout->addWidget(owedLabel);
    layout->addWidget(DBGrid_Qf);
    layout->addSpacing(6);
    layout->addLayout(buttons.layout());
    layout->addWidget(DBGrid1);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    CompletingSearchEdit::Config search;
    search.edit = Ed_Fh;
    search.query = &ADQ_Fh;
    search.keyColumn = QStringLiteral("fangno");
    search.search = [this] { Ed_FhChange(); };
    m_roomSearch = new CompletingSearchEdit(this, std::move(search));

    // The settlement follows what is typed.
    for (QLineEdit* typed : {Ed_TfLsb, Ed_TfRsb, Ed_TfDb, Ed_TfMqb, Ed_Kk})
        connect(typed, &QLineEdit::textChanged, this, [this] { showSettlement(); });

    connect(bitbtn_insert, &QPushButton::clicked, this, &TTfglForm::bitbtn_insertClick);
    connect(bitbtn_post, &QPushButton::clicked, this, &TTfglForm::bitbtn_postClick);
    connect(bitbtn_cancel, &QPushButton::clicked, this, &TTfglForm::bitbtn_cancelClick);
    connect(bitbtn_quit, &QPushButton::clicked, this, &TTfglForm::bitbtn_quitClick);
    connect(BBtn_Print, &QPushButton::clicked, this, &TTfglForm::BBtn_PrintClick);
    connect(DBGrid1, &QTableView::clicked, this, &TTfglForm::DBGrid1CellClick);

    FormCreate();
}

TTfglForm::~TTfglForm() = default;

void TTfglForm::FormCreate() {
    setBrowse();
    bitbtn_quit->setEnabled(true);
    guarded([this] {
        ADQ_Tfgl.close();
        ADQ_Tfgl.setSql(kListSql);
        m_listModel->reopen();
    });
    updatePrint();
}

void TTfglForm::setBrowse() {
    for (QWidget* w :
         std::initializer_list<QWidget*>{Ed_Fh, Com_status, Ed_TfLsb, Ed_TfRsb, Ed_TfDb, Ed_TfMqb,
                                         Ed_Kk, Ed_Kkyy, bitbtn_post, bitbtn_cancel})
        w->setEnabled(false);
    bitbtn_insert->setEnabled(true);
    updatePrint();
}

void TTfglForm::updatePrint() {
    // The settlement of a listed check-out prints while none is under way.
    BBtn_Print->setEnabled(!bitbtn_post->isEnabled() && ADQ_Tfgl.isOpen() && !ADQ_Tfgl.isEmpty());
}

void TTfglForm::Ed_FhChange() {
    ADQ_Fh.close();
    m_settlement.reset();
    ADQ_Fh.setSql(kSearchSql);
    const QString pattern = LookupField::pattern(Ed_Fh->text());
    ADQ_Fh.setText(QStringLiteral("fangno"), pattern);
    ADQ_Fh.setText(QStringLiteral("zjm"), pattern);
    try {
        ADQ_Fh.open();
        if (!ADQ_Fh.eof()) {
            LetFound let;
            let.rzId = ADQ_Fh.integer(QStringLiteral("id"));
            let.manid = ADQ_Fh.text(QStringLiteral("manid"));
            let.manname = ADQ_Fh.text(QStringLiteral("manname"));
            let.fangno = ADQ_Fh.text(QStringLiteral("fangno"));
            let.begindate = ADQ_Fh.dateTime(QStringLiteral("begindate"));
            m_settlement = loadSettlement(Connection::shared(), let, Clock::today());
        }
    } catch (...) {
        // Nothing found that could be stored: the fields must not keep
        // showing an earlier let.
        ADQ_Fh.close();
        m_settlement.reset();
        fillFromSearch();
        throw;
    }
    fillFromSearch();
}

void TTfglForm::fillFromSearch() {
    // The current row is the let that a save checks out.
    const bool found = ADQ_Fh.isOpen() && !ADQ_Fh.eof() && m_settlement;
    const auto field = [&](const char* column) {
        return found ? plainText(ADQ_Fh.value(QLatin1String(column))) : QString();
    };
    RecordMaintenance::setControlText(Ed_bh, field("manid"));
    RecordMaintenance::setControlText(Ed_Xm, field("manname"));
    RecordMaintenance::setControlText(Ed_BeginDate, field("begindate"));
    RecordMaintenance::setControlText(Ed_Yj, found ? m_settlement->deposit.toString() : QString());
    showSettlement();
}

namespace {

// A typed amount or reading: blank is none; a text that is no number, or a
// negative one, is wrong.
bool typedNumber(QLineEdit* edit, std::optional<Decimal>& out) {
    const QString text = edit->text().trimmed();
    out.reset();
    if (text.isEmpty())
        return true;
    out = Decimal::parse(text);
    return out && !isNegative(*out);
}

QStandardItem* cell(const QString& text, bool number = false) {
    auto* item = new QStandardItem(text);
    if (number)
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

} // namespace

bool TTfglForm::takeTyped(QLineEdit** wrong) {
    if (!m_settlement)
        return true;
    QLineEdit* meters[] = {Ed_TfLsb, Ed_TfRsb, Ed_TfDb, Ed_TfMqb};
    bool ok = true;
    for (int m = 0; m < kMeterCount; ++m) {
        std::optional<Decimal> value;
        // The reading tables hold four digits before the point.
        if (!typedNumber(meters[m], value) ||
            (value && !isNegative(*value - *Decimal::parse(u"10000")))) {
            if (ok && wrong)
                *wrong = meters[m];
            ok = false;
            value.reset();
        }
        m_settlement->finalReadings[size_t(m)] =
            value ? std::optional<Decimal>(value->rounded(2)) : std::nullopt;
    }
    std::optional<Decimal> deduction;
    if (!typedNumber(Ed_Kk, deduction)) {
        if (ok && wrong)
            *wrong = Ed_Kk;
        ok = false;
        deduction.reset();
    }
    m_settlement->deduction = deduction ? deduction->rounded(2) : Decimal();
    m_settlement->reason = Ed_Kkyy->text().trimmed();
    return ok;
}

void TTfglForm::showSettlement() {
    m_owedModel->removeRows(0, m_owedModel->rowCount());
    if (!m_settlement) {
        RecordMaintenance::setControlText(Ed_Qf, QString());
        RecordMaintenance::setControlText(Ed_Tk, QString());
        return;
    }
    takeTyped();
    const Settlement& s = *m_settlement;
    for (const Settlement::Line& line : s.lines()) {
        const SettledCharge& c = line.charge;
        m_owedModel->appendRow({cell(c.final ? c.item() + QStringLiteral("（退房）") : c.item()),
                                cell(c.jkrq.toString(Qt::ISODate)), cell(c.note),
                                cell(c.owed.toString(), true), cell(line.paid.toString(), true),
                                cell((c.owed - line.paid).toString(), true)});
    }
    RecordMaintenance::setControlText(Ed_Qf, s.owedTotal().toString());
    RecordMaintenance::setControlText(Ed_Tk, s.refund().toString());
}

void TTfglForm::bitbtn_insertClick() {
    EditMode = 1;
    bitbtn_insert->setEnabled(false);
    bitbtn_post->setEnabled(true);
    bitbtn_cancel->setEnabled(true);
    for (QWidget* w : std::initializer_list<QWidget*>{Ed_Fh, Com_status, Ed_TfLsb, Ed_TfRsb,
                                                      Ed_TfDb, Ed_TfMqb, Ed_Kk, Ed_Kkyy})
        w->setEnabled(true);
    for (QLineEdit* typed : {Ed_TfLsb, Ed_TfRsb, Ed_TfDb, Ed_TfMqb, Ed_Kk, Ed_Kkyy})
        typed->clear();
    Ed_Fh->clear();
    Com_status->setCurrentIndex(-1);
    updatePrint();
    Ed_Fh->setFocus();
}

void TTfglForm::bitbtn_cancelClick() {
    // Back to browse; nothing is written and the fields keep their texts.
    setBrowse();
}

void TTfglForm::bitbtn_quitClick() {
    close();
}

void TTfglForm::BBtn_PrintClick() {
    printCheckOutSettlement(ADQ_Tfgl, this);
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

// The typed values make sense for this let; otherwise says why, with the
// focus on the field, and answers false.
bool TTfglForm::checkTyped() {
    const auto refuse = [this](QWidget* field, const QString& text) {
        showNotice(this, kNoticeCaption, text, MsgIcon::Information);
        field->setFocus();
        return false;
    };
    QLineEdit* wrong = nullptr;
    if (!takeTyped(&wrong))
        return refuse(wrong, wrong == Ed_Kk
                                 ? QStringLiteral("扣款金额不正确，请填写不小于0的数字")
                                 : QStringLiteral(
                                       "退房读数不正确，请填写0至9999.99之间的数字，未抄的表留空"));
    const Settlement& s = *m_settlement;
    QLineEdit* meters[] = {Ed_TfLsb, Ed_TfRsb, Ed_TfDb, Ed_TfMqb};
    for (const FinalCharges::Charge& c : s.finalCharges())
        if (c.negative())
            return refuse(
                meters[int(c.utility.meter)],
                QStringLiteral("%1表退房读数 %2 小于上次读数 %3，不能计算用量。\n"
                               "请核对读数；换过表或表已走满一圈的，请先在抄表管理中登记。")
                    .arg(QString::fromUtf8(c.utility.meter == Meter::Electricity ? "电"
                                                                                 : c.utility.name),
                         c.final.toString(), c.previous.toString()));
    if (!s.deduction.isZero()) {
        if (s.reason.isEmpty())
            return refuse(Ed_Kkyy, QStringLiteral("请填写扣款原因"));
        if (!s.chargesCovered())
            return refuse(Ed_Kk, QStringLiteral("押金不足以抵扣欠费，不能再扣款"));
        if (isNegative(s.leftAfterCharges() - s.deduction))
            return refuse(Ed_Kk, QStringLiteral("扣款不能超过押金抵扣欠费后的余额 %1 元")
                                     .arg(s.leftAfterCharges().toString()));
    }
    if (!s.chargesCovered()) {
        const QString question =
            QStringLiteral("押金 %1 元不足以抵扣欠费 %2 元。\n将按从早到晚的顺序抵扣 %1 元，"
                           "其余 %3 元仍记为欠费，不退押金。\n确认退房吗？")
                .arg(s.deposit.toString(), s.owedTotal().toString(), s.shortfall().toString());
        if (!askYesNo(this, kNoticeCaption, question, MsgIcon::Question))
            return false;
    }
    return true;
}

void TTfglForm::checkOut() {
    // What is stored is the let the search found and the fields show, never
    // the text of the room edit: "10" typed without Enter checks out the let
    // shown (room 101, say), and a text that found no let stores nothing.
    if (!ADQ_Fh.isOpen() || ADQ_Fh.eof() || !m_settlement) {
        showNotice(this, QString(),
                   QStringLiteral("操作失败！\n没有与所输入的“%1”相符的在租房间。")
                       .arg(Ed_Fh->text().trimmed()),
                   MsgIcon::Critical);
        return;
    }
    if (!checkTyped())
        return;
    const QString status = Com_status->currentText().trimmed() == kCheckedOut ? QStringLiteral("0")
                                                                              : QStringLiteral("1");

    CheckOutResult result;
    try {
        result = saveCheckOut(Connection::shared(), *m_settlement, status);
    } catch (...) {
        // The save rolls its own transaction back; the engine's known errors
        // are explained after the screen's message.
        showNotice(this, QString(), failureMessage(QStringLiteral("操作失败！")), MsgIcon::Critical);
        return; // the check-out stays under way
    }
    if (result.outcome != CheckOutOutcome::Saved) {
        showNotice(this, QString(),
                   result.outcome == CheckOutOutcome::LetGone
                       ? QStringLiteral("操作失败！\n该租约已经办理了退房（可能是其他操作员刚刚办理"
                                        "的），本次没有保存任何内容。")
                       : QStringLiteral("操作失败！\n查找之后该租约的押金、欠费或读数已有变动，本次"
                                        "没有保存任何内容。\n"
                                        "请核对重新显示的结算后再保存。"),
                   MsgIcon::Critical);
        // Show the let as it stands now (or nothing, when it has ended).
        guarded([this] { Ed_FhChange(); });
        return;
    }

    showNotice(this, kAppCaption, QStringLiteral("退房成功！"), MsgIcon::NoIcon);
    // Committed: a failure to read the list again is not a failed check-out.
    // The list stands on the check-out just saved.
    guarded([this, &result] {
        m_listModel->reopen();
        if (ADQ_Tfgl.locate(QStringLiteral("id"), result.tfId))
            m_listModel->moveTo(ADQ_Tfgl.row());
    });
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
