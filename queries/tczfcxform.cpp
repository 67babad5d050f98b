#include "tczfcxform.h"

#include "messages.h"
#include "printreports.h"
#include "queryscreen.h"
#include "screenbuilder.h"
#include "sqlcatalog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

// The room search, one line per element. The first six lines always stand,
// the rent, orientation and layout lines only for an input that holds text,
// and the letting-state line last. Every typed value is a parameter.
// clang-format off
const QStringList kHeadLines{
    "SELECT A.fangno, A.area, A.housetype, A.facetype,",
    " A.Sb, A.fangya, A.fangprice, A.Ljf, ",
    "case B.status when '1' then '已出租' else '未出租' end as status",
    "FROM dbo.Zf_Fangjian A LEFT OUTER JOIN",
    "dbo.Zf_Rz B ON A.fangno = B.fangno",
    "where A.fangno like :fangno"};
const QString kRentLine = QStringLiteral("and A.fangprice=:fangprice");
const QString kFaceLine = QStringLiteral("and A.facetype=:facetype");
const QString kHouseLine = QStringLiteral("and A.housetype=:housetype");
const QString kFreeLine = QStringLiteral("and (B.status is null or B.status=0)");
const QString kLetLine = QStringLiteral("and B.status =1");
// clang-format on

[[maybe_unused]] const bool kSamples =
    catalogSample("TCzfCxForm search",
                  (kHeadLines + QStringList{kRentLine, kFaceLine, kHouseLine, kFreeLine})
                      .join(QLatin1Char('\n'))) &&
    catalogSample("TCzfCxForm search let",
                  (kHeadLines + QStringList{kLetLine}).join(QLatin1Char('\n')));

} // namespace

TCzfCxForm::TCzfCxForm(QWidget* parent) : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("TCzfCxForm"));
    setWindowTitle(QStringLiteral("出租房基本情况查询"));

    auto* group = new QGroupBox(QStringLiteral("组合查询"));
    auto* inputs = new QGridLayout(group);
    FieldGrid fields(inputs);
    Ed_Fh = fields.edit({0, 0}, QStringLiteral("房号："), "Ed_Fh");
    Ed_Yz = fields.edit({0, 2}, QStringLiteral("月租："), "Ed_Yz");
    Com_Cx = fields.combo({1, 0}, QStringLiteral("朝向："), "Com_Cx",
                          {QStringLiteral("朝南"), QStringLiteral("朝北"), QStringLiteral("朝西"),
                           QStringLiteral("朝东")},
                          FieldGrid::Choice::Listed);
    Com_Fx = fields.combo({1, 2}, QStringLiteral("户型："), "Com_Fx",
                          {QStringLiteral("单房"), QStringLiteral("一房一厅"),
                           QStringLiteral("二房一厅"), QStringLiteral("三房一厅"),
                           QStringLiteral("三房二厅")},
                          FieldGrid::Choice::Listed);
    for (QComboBox* list : {Com_Cx, Com_Fx})
        list->setMinimumWidth(110);
    Rad_Wzf = radioButton(QStringLiteral("未住房"), "Rad_Wzf", nullptr, true);
    Rad_Yzf = radioButton(QStringLiteral("已住房"), "Rad_Yzf", nullptr, false);
    inputs->addWidget(Rad_Wzf, 0, 4);
    inputs->addWidget(Rad_Yzf, 1, 4);
    BitBtn_find = pushButton(QStringLiteral("查  询"), "BitBtn_find");
    BBtn_Print = pushButton(QStringLiteral("&P打印"), "BBtn_Print");
    inputs->addWidget(BitBtn_find, 0, 5);
    inputs->addWidget(BBtn_Print, 1, 5);
    inputs->setColumnStretch(6, 1);

    m_model = new QueryModel(ADQ_CzFcx,
                             {{"fangno", "房号"},
                              {"area", "面积"},
                              {"housetype", "户型"},
                              {"facetype", "朝向"},
                              {"Sb", "家俱设备"},
                              {"fangya", "押金"},
                              {"fangprice", "月租"},
                              {"Ljf", "垃圾费"},
                              {"status", "状态"}},
                             this);
    DBGrid1 = QueryScreen::grid("DBGrid1", m_model, this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(DBGrid1);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(BitBtn_find, &QPushButton::clicked, this, &TCzfCxForm::BitBtn_findClick);
    connect(BBtn_Print, &QPushButton::clicked, this, &TCzfCxForm::BBtn_PrintClick);
    Ed_Fh->setFocus();
}

TCzfCxForm::~TCzfCxForm() = default;

void TCzfCxForm::BitBtn_findClick() {
    // What each optional line compares, read before the statement is built;
    // a text of blanks counts as given.
    const QString rent = Ed_Yz->text();
    const QString face = Com_Cx->currentText().trimmed();
    const QString house = Com_Fx->currentText();
    const bool ok = QueryScreen::run(*m_model, [&](Query& q) {
        QStringList lines = kHeadLines;
        if (!rent.isEmpty())
            lines << kRentLine;
        if (!face.isEmpty())
            lines << kFaceLine;
        if (!house.isEmpty())
            lines << kHouseLine;
        lines << (Rad_Wzf->isChecked() ? kFreeLine : kLetLine);
        q.setSql(lines);
        q.setText(QStringLiteral("fangno"), Ed_Fh->text().trimmed() + QLatin1Char('%'));
        if (!rent.isEmpty())
            q.setDecimal(QStringLiteral("fangprice"), rent);
        if (!face.isEmpty())
            q.setText(QStringLiteral("facetype"), face);
        if (!house.isEmpty())
            q.setText(QStringLiteral("housetype"), house);
    });
    if (ok && ADQ_CzFcx.isEmpty()) {
        showNotice(this, QueryScreen::kNoticeCaption, QStringLiteral("没有查到符合条件的记录"),
                   MsgIcon::Warning);
        Ed_Fh->setFocus();
    }
}

void TCzfCxForm::BBtn_PrintClick() {
    printRoomList(ADQ_CzFcx, this);
}
