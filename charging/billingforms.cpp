#include "billingforms.h"

#include "billingreports.h"
#include "clock.h"
#include "errordisplay.h"
#include "gridexport.h"
#include "ledger.h"
#include "messages.h"
#include "payments.h"
#include "screenbuilder.h"
#include "session.h"
#include "sqlcatalog.h"

#include <QComboBox>
#include <QCheckBox>
#include <QDateEdit>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const QString kCaption = QStringLiteral("房屋出租管理");
const QString kNotice = QStringLiteral("Morvik提示");

// clang-format off
const QString kTenantSql = catalogSql("Billing tenant search", QStringList{
    "select manid, manname from Zf_Man where manid like :manid or zjm like :zjm order by manid"});
// clang-format on

QTableWidget* makeGrid(QWidget* parent, const char* name, const QStringList& titles, const QString& accessible) {
    auto* g = new QTableWidget(0, int(titles.size()), parent);
    g->setObjectName(QLatin1String(name));
    g->setHorizontalHeaderLabels(titles);
    g->setEditTriggers(QAbstractItemView::NoEditTriggers);
    g->setSelectionBehavior(QAbstractItemView::SelectRows);
    g->setSelectionMode(QAbstractItemView::SingleSelection);
    g->verticalHeader()->hide();
    g->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    g->setAccessibleName(accessible);
    return g;
}

// Appends a row; the columns listed in `right` are amounts, right aligned.
void addRow(QTableWidget* g, const QStringList& texts, std::initializer_list<int> right = {}) {
    const int row = g->rowCount();
    g->insertRow(row);
    for (int c = 0; c < texts.size(); ++c) {
        auto* item = new QTableWidgetItem(texts[c]);
        for (int r : right)
            if (r == c)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        g->setItem(row, c, item);
    }
}

// The tenant field (客户：) and, beside it, the name of the tenant found.
void tenantRow(QGridLayout* top, QLineEdit*& edit, QLabel*& name) {
    QWidget* screen = top->parentWidget();
    edit = FieldGrid(top).add(Cell(0, 0), QStringLiteral("客户："), new QLineEdit(screen), "Ed_Tenant");
    edit->setPlaceholderText(QStringLiteral("客户编号或助记码"));
    edit->setMaximumWidth(180);
    top->setColumnStretch(3, 1);
    name = new QLabel(screen);
    name->setObjectName(QStringLiteral("Lab_Name"));
    top->addWidget(name, 0, 2, 1, 2);
}

QString day(const QDateTime& d) { return d.isValid() ? d.toString(QStringLiteral("yyyy-MM-dd")) : QString(); }

QDateEdit* monthEdit(QWidget* parent) {
    auto* e = new QDateEdit(parent);
    e->setDisplayFormat(QStringLiteral("yyyy-MM"));
    e->setCalendarPopup(true);
    e->setDate(Clock::today());
    return e;
}

// A long step shows its progress after half a second and keeps the window
// painted, while the form takes no other click until it ends.
void showsProgress(QProgressDialog& progress, QWidget* form) {
    progress.setWindowTitle(form->windowTitle());
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
}
} // namespace

// --- 生成本月账单 -----------------------------------------------------------

TBillRunForm::TBillRunForm(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("生成本月账单"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* top = new QGridLayout;
    auto* v = new QVBoxLayout(this);
    v->addLayout(top);
    DT_Month = FieldGrid(top).add(Cell(0, 0), QStringLiteral("月份："), monthEdit(this), "DT_Month");
    auto* preview = pushButton(QStringLiteral("预览"), "BBtn_Preview", this);
    BBtn_Write = pushButton(QStringLiteral("生成"), "BBtn_Write", this);
    auto* print = pushButton(QStringLiteral("打印本月账单"), "BBtn_PrintBills", this);
    CB_TwoPerSheet = checkBox(QStringLiteral("每张纸两份"), "CB_TwoPerSheet", this);
    auto* close = pushButton(QStringLiteral("关闭"), "BBtn_Close", this);
    top->addWidget(preview, 0, 2);
    top->addWidget(BBtn_Write, 0, 3);
    top->addWidget(print, 0, 4);
    top->addWidget(CB_TwoPerSheet, 0, 5);
    top->addWidget(close, 0, 6);
    Lab_Summary = new QLabel(this);
    Lab_Summary->setObjectName(QStringLiteral("Lab_Summary"));
    v->addWidget(Lab_Summary);
    Grid_Charges = makeGrid(this, "Grid_Charges",
                            {"房号", "客户编号", "客户姓名", "项目", "上次读数", "本次读数", "用量", "单价", "金额"},
                            QStringLiteral("本月应收费用"));
    v->addWidget(Grid_Charges, 3);
    v->addWidget(new QLabel(QStringLiteral("不能出账的房间："), this));
    Grid_Refused = makeGrid(this, "Grid_Refused", {"房号", "客户编号", "客户姓名", "项目", "原因"},
                            QStringLiteral("不能出账的房间"));
    v->addWidget(Grid_Refused, 1);
    BBtn_Write->setEnabled(false);
    connect(preview, &QPushButton::clicked, this, &TBillRunForm::BBtn_PreviewClick);
    connect(BBtn_Write, &QPushButton::clicked, this, &TBillRunForm::BBtn_WriteClick);
    connect(print, &QPushButton::clicked, this, &TBillRunForm::BBtn_PrintBillsClick);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(DT_Month, &QDateEdit::dateChanged, this, [this] {
        m_proposal = {};
        Grid_Charges->setRowCount(0);
        Grid_Refused->setRowCount(0);
        BBtn_Write->setEnabled(false);
        Lab_Summary->clear();
    });
    resize(900, 600);
}

void TBillRunForm::BBtn_PreviewClick() {
    guarded([this] {
        QProgressDialog progress(QStringLiteral("正在计算本月账单…"), QString(), 0, 1, this);
        showsProgress(progress, this);
        m_proposal = Billing::propose(DT_Month->date(), [&](int done, int rooms) {
            progress.setMaximum(rooms);
            progress.setValue(done);
        });
        progress.reset();
        Grid_Charges->setUpdatesEnabled(false);
        Grid_Charges->setRowCount(0);
        Decimal total;
        for (const Billing::ProposedCharge& c : m_proposal.charges) {
            const bool rent = c.table == Billing::Table::Rent;
            addRow(Grid_Charges,
                   {c.room, c.tenant, c.tenantName, ChargeMoney::itemName(c.table),
                    rent ? QString() : c.interval->from.value.toString(),
                    rent ? QString() : c.interval->to.value.toString(),
                    rent ? QString() : c.interval->usage.toString(), rent ? c.rent.toString() : c.price.toString(),
                    c.due.toString()},
                   {4, 5, 6, 7, 8});
            total = total + c.due;
        }
        Grid_Charges->setUpdatesEnabled(true);
        Grid_Refused->setRowCount(0);
        for (const Billing::Unbillable& u : m_proposal.unbillable)
            addRow(Grid_Refused, {u.room, u.tenant, u.tenantName, ChargeMoney::itemName(u.table), u.reason});
        Lab_Summary->setText(QStringLiteral("%1：待生成费用 %2 笔，合计 %3 元；不能出账 %4 项。")
                                 .arg(DT_Month->date().toString(QStringLiteral("yyyy年M月")))
                                 .arg(m_proposal.charges.size())
                                 .arg(total.toString())
                                 .arg(m_proposal.unbillable.size()));
        BBtn_Write->setEnabled(!m_proposal.charges.isEmpty());
    });
}

void TBillRunForm::BBtn_WriteClick() {
    if (m_proposal.charges.isEmpty()) {
        showNotice(this, kNotice, QStringLiteral("请先预览本月账单！"), MsgIcon::Warning);
        return;
    }
    int written = -1;
    guarded([&] {
        QProgressDialog progress(QStringLiteral("正在生成本月账单…"), QString(), 0, int(m_proposal.charges.size()), this);
        showsProgress(progress, this);
        written = Billing::write(m_proposal, [&](int done, int) { progress.setValue(done); });
    });
    if (written < 0)
        return;
    showNotice(this, kCaption, QStringLiteral("已生成 %1 笔费用。").arg(written), MsgIcon::NoIcon);
    BBtn_PreviewClick();
}

void TBillRunForm::printBills(const QString& path) {
    guarded([&] {
        QProgressDialog progress(QStringLiteral("正在打印本月账单…"), QStringLiteral("取消"), 0, 1, this);
        showsProgress(progress, this);
        const int printed = writeMonthlyBillsPdf(
            path, DT_Month->date(),
            [&](int done, int total) {
                progress.setMaximum(total);
                progress.setValue(done);
                return !progress.wasCanceled();
            },
            CB_TwoPerSheet->isChecked() ? 2 : 1);
        showNotice(this, kCaption, QStringLiteral("已打印 %1 份缴费通知单。").arg(printed), MsgIcon::NoIcon);
    });
}

void TBillRunForm::BBtn_PrintBillsClick() {
    const QString name = QStringLiteral("缴费通知单%1.pdf").arg(DT_Month->date().toString(QStringLiteral("yyyyMM")));
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("打印本月账单"), QDir::home().filePath(name),
                                                      QStringLiteral("PDF 文件 (*.pdf)"));
    if (!path.isEmpty())
        printBills(path);
}

// --- the tenant search -----------------------------------------------------------

TenantSearch::TenantSearch(QWidget* screen, QLineEdit* edit, QLabel* name)
    : QObject(screen), m_edit(edit), m_name(name) {
    m_query.setSql(kTenantSql);
    connect(edit, &QLineEdit::textChanged, this, [this] { guarded([this] { search(); }); });
}

void TenantSearch::search() {
    const QString text = m_edit->text().trimmed();
    QString tenant;
    if (!text.isEmpty()) {
        m_query.close();
        m_query.setText(QStringLiteral("manid"), text + QLatin1Char('%'));
        m_query.setText(QStringLiteral("zjm"), text + QLatin1Char('%'));
        m_query.open();
        // The tenant whose number is the text typed, else the first found.
        if (!m_query.locate(QStringLiteral("manid"), text))
            m_query.first();
        if (!m_query.isEmpty())
            tenant = m_query.text(QStringLiteral("manid")).trimmed();
    }
    m_name->setText(tenant.isEmpty() ? (text.isEmpty() ? QString() : QStringLiteral("没有此客户"))
                                     : tenant + QLatin1Char(' ') + m_query.text(QStringLiteral("manname")).trimmed());
    if (tenant != m_tenant) {
        m_tenant = tenant;
        emit found(tenant);
    }
}

// --- 收款管理 -----------------------------------------------------------------

TPaymentForm::TPaymentForm(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("收款管理"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* v = new QVBoxLayout(this);
    auto* top = new QGridLayout;
    v->addLayout(top);
    tenantRow(top, Ed_Tenant, Lab_Name);
    Grid_Owed = makeGrid(this, "Grid_Owed", {"项目", "房号", "日期", "应收", "已收", "未付"},
                         QStringLiteral("未结清费用"));
    v->addWidget(Grid_Owed, 2);
    Lab_Total = new QLabel(this);
    Lab_Total->setObjectName(QStringLiteral("Lab_Total"));
    v->addWidget(Lab_Total);
    auto* pay = new QGridLayout;
    v->addLayout(pay);
    Ed_Amount = FieldGrid(pay).add(Cell(0, 0), QStringLiteral("收款金额："), new QLineEdit(this), "Ed_Amount");
    Com_Way = FieldGrid(pay).add(Cell(0, 2), QStringLiteral("收款方式："), new QComboBox(this), "Com_Way");
    Com_Way->addItems(Payments::ways());
    Ed_Note = FieldGrid(pay).add(Cell(0, 4), QStringLiteral("备注："), new QLineEdit(this), "Ed_Note");
    auto* save = pushButton(QStringLiteral("收款"), "BBtn_Save", this);
    pay->addWidget(save, 0, 6);
    v->addWidget(new QLabel(QStringLiteral("该客户的收款："), this));
    Grid_Payments = makeGrid(this, "Grid_Payments", {"收据号", "收款日期", "金额", "方式", "备注", "状态"},
                             QStringLiteral("该客户的收款"));
    v->addWidget(Grid_Payments, 1);
    auto* bottom = new QGridLayout;
    v->addLayout(bottom);
    Ed_Reason = FieldGrid(bottom).add(Cell(0, 0), QStringLiteral("冲销原因："), new QLineEdit(this), "Ed_Reason");
    auto* reverse = pushButton(QStringLiteral("冲销"), "BBtn_Reverse", this);
    auto* receipt = pushButton(QStringLiteral("&P收据"), "BBtn_Receipt", this);
    auto* close = pushButton(QStringLiteral("关闭"), "BBtn_Close", this);
    bottom->addWidget(reverse, 0, 2);
    bottom->addWidget(receipt, 0, 3);
    bottom->addWidget(close, 0, 4);
    m_search = new TenantSearch(this, Ed_Tenant, Lab_Name);
    connect(m_search, &TenantSearch::found, this, &TPaymentForm::showTenant);
    connect(save, &QPushButton::clicked, this, &TPaymentForm::BBtn_SaveClick);
    connect(receipt, &QPushButton::clicked, this, &TPaymentForm::BBtn_ReceiptClick);
    connect(reverse, &QPushButton::clicked, this, &TPaymentForm::BBtn_ReverseClick);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    resize(820, 600);
}

void TPaymentForm::showTenant(const QString& tenant) {
    m_tenant = tenant;
    Grid_Owed->setRowCount(0);
    Grid_Payments->setRowCount(0);
    Decimal total;
    if (!tenant.isEmpty()) {
        for (const Payments::Charge& c : Payments::unsettledCharges(tenant)) {
            addRow(Grid_Owed, {ChargeMoney::itemName(c.table), c.room, day(c.date), c.due.toString(),
                               c.received.toString(), c.owed.toString()},
                   {3, 4, 5});
            total = total + c.owed;
        }
        for (const Ledger::Line& l : Ledger::lines(tenant)) {
            if (l.kind == Ledger::Kind::Payment)
                addRow(Grid_Payments, {QString::number(l.id), day(l.date), l.credit.toString(), l.item, l.detail,
                                       QStringLiteral("有效")},
                       {2});
            else if (l.kind == Ledger::Kind::Reversal)
                for (int r = 0; r < Grid_Payments->rowCount(); ++r)
                    if (Grid_Payments->item(r, 0)->text() == QString::number(l.id))
                        Grid_Payments->item(r, 5)->setText(QStringLiteral("已冲销：") + l.detail);
        }
        Grid_Payments->selectRow(Grid_Payments->rowCount() - 1);
    }
    Lab_Total->setText(tenant.isEmpty() ? QString() : QStringLiteral("欠费合计：%1 元").arg(total.toString()));
    Ed_Amount->setText(tenant.isEmpty() || total.isZero() ? QString() : total.toString());
}

void TPaymentForm::BBtn_SaveClick() {
    if (m_tenant.isEmpty()) {
        showNotice(this, kNotice, QStringLiteral("请先选择客户！"), MsgIcon::Warning);
        Ed_Tenant->setFocus();
        return;
    }
    const auto amount = Decimal::parse(Ed_Amount->text().trimmed());
    if (!amount || amount->isNegative() || amount->isZero() || !(amount->rounded(2) == *amount)) {
        showNotice(this, kNotice, QStringLiteral("请输入正确的收款金额（大于零，最多两位小数）！"), MsgIcon::Warning);
        Ed_Amount->setFocus();
        return;
    }
    qint64 id = 0;
    guarded([&] {
        id = Payments::take({m_tenant, *amount, Com_Way->currentText(), Ed_Note->text().trimmed(), CurrentLoginName,
                             Clock::now()});
    });
    // Shown afresh either way: another desk may have changed the charges.
    guarded([this] { showTenant(m_tenant); });
    if (!id)
        return;
    m_lastPayment = id;
    Ed_Note->clear();
    showNotice(this, kCaption, QStringLiteral("收款成功！收据号 %1。").arg(id), MsgIcon::NoIcon);
}

qint64 TPaymentForm::currentPayment() const {
    const int row = Grid_Payments->currentRow();
    return row < 0 ? 0 : Grid_Payments->item(row, 0)->text().toLongLong();
}

void TPaymentForm::BBtn_ReceiptClick() {
    const qint64 id = currentPayment();
    if (!id) {
        showNotice(this, kNotice, QStringLiteral("请先选择一笔收款！"), MsgIcon::Warning);
        return;
    }
    printPaymentReceipt(id, this);
}

void TPaymentForm::BBtn_ReverseClick() {
    const qint64 id = currentPayment();
    if (!id) {
        showNotice(this, kNotice, QStringLiteral("请先选择一笔收款！"), MsgIcon::Warning);
        return;
    }
    if (Ed_Reason->text().trimmed().isEmpty()) {
        showNotice(this, kNotice, QStringLiteral("请填写冲销原因！"), MsgIcon::Warning);
        Ed_Reason->setFocus();
        return;
    }
    if (!askYesNoDefaultNo(this, kNotice, QStringLiteral("确定冲销收据号 %1 的收款吗？").arg(id), MsgIcon::Question))
        return;
    bool done = false;
    guarded([&] {
        Payments::reverse(id, Ed_Reason->text(), CurrentLoginName, Clock::now());
        done = true;
    });
    guarded([this] { showTenant(m_tenant); });
    if (!done)
        return;
    Ed_Reason->clear();
    showNotice(this, kCaption, QStringLiteral("冲销成功！"), MsgIcon::NoIcon);
}

// --- 客户账户 -----------------------------------------------------------------

TLedgerForm::TLedgerForm(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("客户账户"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* v = new QVBoxLayout(this);
    auto* top = new QGridLayout;
    v->addLayout(top);
    tenantRow(top, Ed_Tenant, Lab_Name);
    DT_From = FieldGrid(top).add(Cell(1, 0), QStringLiteral("对账起始："), new QDateEdit(this), "DT_From");
    DT_To = FieldGrid(top).add(Cell(1, 2), QStringLiteral("对账截止："), new QDateEdit(this), "DT_To");
    for (QDateEdit* d : {DT_From, DT_To}) {
        d->setMaximumWidth(140);
        d->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        d->setCalendarPopup(true);
    }
    const QDate today = Clock::today();
    DT_From->setDate(QDate(today.year(), 1, 1));
    DT_To->setDate(today);
    auto* statement = pushButton(QStringLiteral("&P对账单"), "BBtn_Statement", this);
    auto* close = pushButton(QStringLiteral("关闭"), "BBtn_Close", this);
    top->addWidget(statement, 1, 4);
    top->addWidget(close, 1, 5);
    Grid_Ledger = makeGrid(this, "Grid_Ledger", {"日期", "类别", "项目", "房号", "说明", "应收", "收款", "结欠"},
                           QStringLiteral("客户账户"));
    Grid_Ledger->horizontalHeader()->setSectionResizeMode(4, QHeaderView::ResizeToContents);
    enableGridExport(Grid_Ledger);
    v->addWidget(Grid_Ledger);
    Lab_Balance = new QLabel(this);
    Lab_Balance->setObjectName(QStringLiteral("Lab_Balance"));
    v->addWidget(Lab_Balance);
    m_search = new TenantSearch(this, Ed_Tenant, Lab_Name);
    connect(m_search, &TenantSearch::found, this, [this](const QString& t) { guarded([&] { showTenant(t); }); });
    connect(statement, &QPushButton::clicked, this, &TLedgerForm::BBtn_StatementClick);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    resize(900, 560);
}

void TLedgerForm::showTenant(const QString& tenant) {
    m_tenant = tenant;
    Grid_Ledger->setUpdatesEnabled(false);
    Grid_Ledger->setRowCount(0);
    Decimal balance;
    if (!tenant.isEmpty())
        for (const Ledger::Line& l : Ledger::lines(tenant)) {
            addRow(Grid_Ledger,
                   {day(l.date), Ledger::kindName(l.kind), l.item, l.room, l.detail,
                    l.debit.isZero() ? QString() : l.debit.toString(), l.credit.isZero() ? QString() : l.credit.toString(),
                    l.balance.toString()},
                   {5, 6, 7});
            balance = l.balance;
        }
    Grid_Ledger->setUpdatesEnabled(true);
    Grid_Ledger->scrollToBottom();
    Lab_Balance->setText(tenant.isEmpty() ? QString() : QStringLiteral("当前结欠：%1 元").arg(balance.toString()));
}

void TLedgerForm::BBtn_StatementClick() {
    if (m_tenant.isEmpty()) {
        showNotice(this, kNotice, QStringLiteral("请先选择客户！"), MsgIcon::Warning);
        return;
    }
    printTenantStatement(m_tenant, DT_From->date(), DT_To->date(), this);
}
