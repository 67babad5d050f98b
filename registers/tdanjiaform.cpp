#include "tdanjiaform.h"

#include "maintenance.h"
#include "navigatorbar.h"
#include "sqlcatalog.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QTableView>
#include <QVBoxLayout>

namespace {

// Statements one line per element, exactly as the program sends them.
// clang-format off
const QString kListSql = catalogSql("TDanJiaForm list", QStringList{"select *from dbo.Zf_Dj"});

const QString kInsertSql = catalogSql("TDanJiaForm insert", QStringList{
    "insert into Zf_Dj",
    "       (sfname,dw,price)",
    "values(:sfname,:dw,:price)"});

const QString kUpdateSql = catalogSql("TDanJiaForm update", QStringList{
    "update Zf_Dj",
    "set  ",
    "     sfname=:sfname,",
    "     dw    =:dw,",
    "    price =:price   ",
    "where djid =:olddjid"});
// clang-format on

} // namespace

TDanJiaForm::TDanJiaForm(QWidget* parent) : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("TDanJiaForm"));
    setWindowTitle(QStringLiteral("收费项目管理"));

    auto* fields = new QGridLayout;
    Ed_bh = addLabelledEdit(fields, 0, 0, QStringLiteral("编号："), "Ed_bh");
    Ed_Name = addLabelledEdit(fields, 0, 2, QStringLiteral("名称："), "Ed_Name");
    Com_Dw = addLabelledCombo(fields, 1, 0, QStringLiteral("单位："), "Com_Dw",
                              {QStringLiteral("吨"), QStringLiteral("度"), QStringLiteral("月")});
    Ed_Dj = addLabelledEdit(fields, 1, 2, QStringLiteral("单价："), "Ed_Dj");
    // The item number is given by the database and only shown.
    Ed_bh->setEnabled(false);

    const RecordMaintenance::Buttons buttons = createMaintenanceButtons(this);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    for (QAbstractButton* b : {buttons.insert, buttons.modify, buttons.remove, buttons.post,
                               buttons.cancel, buttons.quit})
        buttonRow->addWidget(b);
    buttonRow->addStretch();

    DBGrid1 = new QTableView(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setMinimumSize(460, 220);

    using M = RecordMaintenance;
    M::Config c;
    c.listSql = kListSql;
    c.gridColumns = {{"Djid", "编号"}, {"sfname", "名称"}, {"dw", "单位"}, {"price", "单价"}};
    // Items are never deleted; the key finds the saved item in the list.
    c.table = QStringLiteral("Zf_Dj");
    c.keyColumn = QStringLiteral("Djid");
    c.loadAtOpen = false;
    c.canDelete = false;
    c.buttons = buttons;
    // 新增 keeps the unit and the number of the row last loaded.
    c.controls = {{Ed_bh, "djid", false, false},
                  {Ed_Name, "sfname"},
                  {Com_Dw, "dw", false, true},
                  {Ed_Dj, "price"}};
    c.firstEdit = Ed_Name;
    c.insert = {kInsertSql,
                {M::Param::text("sfname", 10, Ed_Name), M::Param::text("dw", 6, Com_Dw),
                 M::Param::decimal("price", Ed_Dj)}};
    c.update = c.insert;
    c.update.sql = kUpdateSql;
    c.update.params.push_back(M::Param::currentRow("olddjid", ParamKind::Integer, 0, "Djid"));
    c.saveFailure = QStringLiteral("操作失败，用户可能插入了相同的编号！");
    m_cycle = new RecordMaintenance(this, DBGrid1, std::move(c));

    DBNavigator1 = new NavigatorBar(&m_cycle->model(), this);
    DBNavigator1->setObjectName(QStringLiteral("DBNavigator1"));
    DBGrid1->setColumnWidth(0, 60);
    DBGrid1->setColumnWidth(1, 140);
    DBGrid1->setColumnWidth(2, 80);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(DBNavigator1);
    layout->addLayout(fields);
    layout->addLayout(buttonRow);
    layout->addWidget(DBGrid1);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connectMaintenanceButtons(this, buttons);
    connect(DBGrid1, &QTableView::clicked, this, &TDanJiaForm::DBGrid1CellClick);

    FormCreate();
}

TDanJiaForm::~TDanJiaForm() = default;

void TDanJiaForm::FormCreate() {
    m_cycle->open();
}

void TDanJiaForm::bitbtn_insertClick() {
    m_cycle->insert();
}
void TDanJiaForm::bitbtn_modifyClick() {
    m_cycle->modify();
}
// Items are never deleted: the button stays disabled and the cycle refuses.
void TDanJiaForm::bitbtn_deleteClick() {
    m_cycle->remove();
}
void TDanJiaForm::bitbtn_postClick() {
    m_cycle->save();
}
void TDanJiaForm::bitbtn_cancelClick() {
    m_cycle->cancel();
}
void TDanJiaForm::bitbtn_quitClick() {
    close();
}
void TDanJiaForm::DBGrid1CellClick() {
    m_cycle->cellClicked();
}
