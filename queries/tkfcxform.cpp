#include "tkfcxform.h"

#include "messages.h"
#include "printreports.h"
#include "queryscreen.h"
#include "screenbuilder.h"
#include "sqlcatalog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

// clang-format off
const QString kSearchSql = catalogSql("TKfCxForm search", QStringList{
    "select manid,manname,zjm,case sex when '1' then '男' else '女' end as sex,",
    "idcard,iddress,handset,company From dbo.Zf_Man",
    "where manid like :manid or zjm like :zjm"});
// clang-format on

} // namespace

TKfCxForm::TKfCxForm(QWidget* parent) : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("TKfCxForm"));
    setWindowTitle(QStringLiteral("客户基本情况查询"));

    auto* inputs = new QGridLayout;
    FieldGrid fields(inputs);
    Ed_Kfbh = fields.edit({0, 0}, QStringLiteral("客户编号："), "Ed_Kfbh");
    Ed_Kfbh->setMinimumWidth(160);
    Chk = checkBox(QStringLiteral("模糊查询"), "Chk", nullptr, true);
    inputs->addWidget(Chk, 0, 2);
    inputs->setColumnStretch(3, 1);

    ButtonRow buttons(nullptr, ButtonRow::Place::Right);
    BitBtn1 = buttons.add(QStringLiteral("查  询"), "BitBtn1");
    BBtn_Print = buttons.add(QStringLiteral("&P打印"), "BBtn_Print");
    bitbtn_quit = buttons.add(QStringLiteral("退出"), "bitbtn_quit");

    m_model = new QueryModel(ADQ_Kfcx,
                             {{"manid", "客户编号"},
                              {"manname", "客户名称"},
                              {"zjm", "助记码"},
                              {"sex", "性别"},
                              {"idcard", "身份证号"},
                              {"iddress", "身份证地址"},
                              {"handset", QStringLiteral("电话\u3000")},
                              {"company", "工作单位"}},
                             this);
    DBGrid1 = QueryScreen::grid("DBGrid1", m_model, this);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(inputs);
    layout->addLayout(buttons.layout());
    layout->addWidget(DBGrid1);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(Ed_Kfbh, &QLineEdit::textChanged, this, &TKfCxForm::Ed_KfbhChange);
    connect(BitBtn1, &QPushButton::clicked, this, &TKfCxForm::BitBtn1Click);
    connect(BBtn_Print, &QPushButton::clicked, this, &TKfCxForm::BBtn_PrintClick);
    connect(bitbtn_quit, &QPushButton::clicked, this, &TKfCxForm::bitbtn_quitClick);
    Ed_Kfbh->setFocus();
}

TKfCxForm::~TKfCxForm() = default;

// Number and mnemonic code are both compared with the same pattern.
void TKfCxForm::search(const QString& pattern) {
    QueryScreen::run(*m_model, [&](Query& q) {
        q.setSql(kSearchSql);
        q.setText(QStringLiteral("manid"), pattern);
        q.setText(QStringLiteral("zjm"), pattern);
    });
}

// 模糊查询: every change of the text lists the tenants it begins.
void TKfCxForm::Ed_KfbhChange() {
    if (!Chk->isChecked())
        return;
    search(Ed_Kfbh->text().trimmed() + QLatin1Char('%'));
}

// 查  询: the number or code exactly as typed (wildcards typed stay wildcards).
void TKfCxForm::BitBtn1Click() {
    search(Ed_Kfbh->text().trimmed());
    if (ADQ_Kfcx.isOpen() && ADQ_Kfcx.isEmpty())
        showNotice(this, QueryScreen::kNoticeCaption, QStringLiteral("没有符合条件的记录"),
                   MsgIcon::Warning);
    Ed_Kfbh->setFocus();
}

void TKfCxForm::BBtn_PrintClick() {
    printTenantRoster(ADQ_Kfcx, this);
}

void TKfCxForm::bitbtn_quitClick() {
    close();
}
