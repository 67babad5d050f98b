#include "tfangbasicform.h"

#include "errordisplay.h"
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
const QString kListSql = catalogSql("TFangBasicForm list", QStringList{
    "select fangno,area,housetype,facetype,sb,fangya,fangprice,ljf",
    "from dbo.Zf_Fangjian",
    "order by fangno"});

const QString kRefuseFeeSql =
    catalogSql("TFangBasicForm refuse fee", QStringList{"select price from dbo.Zf_Dj where djid=4"});

const QString kInsertSql = catalogSql("TFangBasicForm insert", QStringList{
    "insert into Zf_Fangjian",
    "       (fangno,area,housetype,facetype,sb,fangya,fangprice,ljf)",
    "values (:fangno,:area,:housetype,:facetype,:sb,:fangya,:fangprice,:ljf)",
    ""});

const QString kUpdateSql = catalogSql("TFangBasicForm update", QStringList{
    "update Zf_Fangjian",
    "set fangno   =:fangno,",
    "    area     =:area,",
    "    housetype=:housetype,",
    "    facetype =:facetype,",
    "    sb       =:sb,",
    "    fangya   =:fangya,",
    "    fangprice=:fangprice,",
    "    Ljf      =:Ljf   ",
    "where ",
    "    fangNO   =:oldfangno"});
// clang-format on

} // namespace

TFangBasicForm::TFangBasicForm(QWidget* parent) : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("TFangBasicForm"));
    setWindowTitle(QStringLiteral("出租房基本情况"));

    auto* fields = new QGridLayout;
    Ed_Fh = addLabelledEdit(fields, 0, 0, QStringLiteral("房号："), "Ed_Fh");
    Ed_Mj = addLabelledEdit(fields, 0, 2, QStringLiteral("面积："), "Ed_Mj");
    Com_Fx = addLabelledCombo(fields, 0, 4, QStringLiteral("户 型："), "Com_Fx",
                              {QStringLiteral("单房"), QStringLiteral("一房一厅"),
                               QStringLiteral("二房一厅"), QStringLiteral("三房一厅"),
                               QStringLiteral("三房二厅")});
    Com_Cx = addLabelledCombo(fields, 1, 0, QStringLiteral("朝向："), "Com_Cx",
                              {QStringLiteral("朝南"), QStringLiteral("朝北"),
                               QStringLiteral("朝西"), QStringLiteral("朝东")});
    Ed_Yz = addLabelledEdit(fields, 1, 2, QStringLiteral("月租："), "Ed_Yz");
    Ed_Yj = addLabelledEdit(fields, 1, 4, QStringLiteral("押 金："), "Ed_Yj");
    Ed_Sb = addLabelledEdit(fields, 2, 0, QStringLiteral("设备："), "Ed_Sb");
    Ed_Ljf = addLabelledEdit(fields, 2, 4, QStringLiteral("垃圾费："), "Ed_Ljf");
    fields->removeWidget(Ed_Sb);
    fields->addWidget(Ed_Sb, 2, 1, 1, 3);
    for (int column : {1, 3, 5})
        fields->setColumnStretch(column, 1);

    // The refuse fee is the current price of charge item 4; it is shown, never typed.
    Ed_Ljf->setEnabled(false);
    QPalette grey = Ed_Ljf->palette();
    grey.setColor(QPalette::Disabled, QPalette::Base, QColor(0xd4, 0xd0, 0xc8));
    Ed_Ljf->setPalette(grey);

    const RecordMaintenance::Buttons buttons = createMaintenanceButtons(this);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    for (QAbstractButton* b : {buttons.insert, buttons.modify, buttons.remove, buttons.post,
                               buttons.cancel, buttons.quit})
        buttonRow->addWidget(b);
    buttonRow->addStretch();

    DBGrid1 = new QTableView(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setMinimumSize(760, 280);

    using M = RecordMaintenance;
    M::Config c;
    c.listSql = kListSql;
    c.gridColumns = {{"fangno", "房号"},    {"area", "面积"},   {"housetype", "户型"},
                     {"facetype", "朝向"},  {"sb", "家具设备"}, {"fangya", "押金"},
                     {"fangprice", "月租"}, {"ljf", "垃圾费"}};
    c.table = QStringLiteral("Zf_Fangjian");
    c.keyColumn = QStringLiteral("fangno");
    c.loadAtOpen = true;
    c.buttons = buttons;
    c.controls = {{Ed_Fh, "fangno"},    {Ed_Mj, "area"}, {Com_Fx, "housetype"},
                  {Com_Cx, "facetype"}, {Ed_Sb, "sb"},   {Ed_Yz, "fangprice"},
                  {Ed_Yj, "fangya"}};
    c.firstEdit = Ed_Fh;
    c.required = {
        {Ed_Fh, QStringLiteral("请填写房号")},     {Ed_Mj, QStringLiteral("请填写房间面积")},
        {Com_Fx, QStringLiteral("请填写户型")},    {Com_Cx, QStringLiteral("请填写朝向")},
        {Ed_Yz, QStringLiteral("请填写月租信息")}, {Ed_Yj, QStringLiteral("请填写押金信息")}};
    const auto params = [this](int roomWidth) {
        return std::vector<M::Param>{
            M::Param::text("fangno", roomWidth, Ed_Fh), M::Param::decimal("area", Ed_Mj),
            M::Param::text("housetype", 20, Com_Fx),    M::Param::text("facetype", 10, Com_Cx),
            M::Param::decimal("fangprice", Ed_Yz),      M::Param::decimal("fangya", Ed_Yj),
            M::Param::decimal("ljf", Ed_Ljf),           M::Param::text("sb", 100, Ed_Sb)};
    };
    c.insert = {kInsertSql, params(10)};
    c.update = {kUpdateSql, params(8)};
    c.update.params.push_back(M::Param::currentRow("oldfangno", ParamKind::Text, 8, "fangno"));
    c.saveFailure = QStringLiteral("插入一操作房间失败，用户可能插入了相同的用户代号！");
    c.deleteQuestion = QStringLiteral("确实要删除该房间吗?");
    c.deleteFailure = QStringLiteral("操作房间失败！");
    m_cycle = new RecordMaintenance(this, DBGrid1, std::move(c));

    DBNavigator1 = new NavigatorBar(&m_cycle->model(), this);
    DBNavigator1->setObjectName(QStringLiteral("DBNavigator1"));

    const int widths[] = {70, 70, 90, 60, 170, 80, 80};
    for (int i = 0; i < 7; ++i)
        DBGrid1->setColumnWidth(i, widths[i]);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(DBNavigator1);
    layout->addLayout(fields);
    layout->addLayout(buttonRow);
    layout->addWidget(DBGrid1);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connectMaintenanceButtons(this, buttons);
    connect(DBGrid1, &QTableView::clicked, this, &TFangBasicForm::DBGrid1CellClick);

    FormCreate();
}

TFangBasicForm::~TFangBasicForm() = default;

void TFangBasicForm::FormCreate() {
    m_cycle->open();
    // The refuse fee is read once here; a later change of the price does not
    // reach a screen already open.
    guarded([this] {
        ADQ_Ljf.close();
        ADQ_Ljf.setSql(kRefuseFeeSql);
        ADQ_Ljf.open();
        Ed_Ljf->setText(ADQ_Ljf.isEmpty() ? QString() : ADQ_Ljf.text(QStringLiteral("price")));
    });
}

void TFangBasicForm::bitbtn_insertClick() {
    m_cycle->insert();
}
void TFangBasicForm::bitbtn_modifyClick() {
    m_cycle->modify();
}
void TFangBasicForm::bitbtn_deleteClick() {
    m_cycle->remove();
}
void TFangBasicForm::bitbtn_postClick() {
    m_cycle->save();
}
void TFangBasicForm::bitbtn_cancelClick() {
    m_cycle->cancel();
}
void TFangBasicForm::bitbtn_quitClick() {
    close();
}
void TFangBasicForm::DBGrid1CellClick() {
    m_cycle->cellClicked();
}
