#include "tfangbasicform.h"

#include "errordisplay.h"
#include "maintenance.h"
#include "screenbuilder.h"
#include "sqlcatalog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLineEdit>

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

TFangBasicForm::TFangBasicForm(QWidget* parent)
    : MaintenanceScreen(parent, "TFangBasicForm", QStringLiteral("出租房基本情况")) {
    FieldGrid fields;
    Ed_Fh = fields.edit({0, 0}, QStringLiteral("房号："), "Ed_Fh");
    Ed_Mj = fields.edit({0, 2}, QStringLiteral("面积："), "Ed_Mj");
    Com_Fx = fields.combo({0, 4}, QStringLiteral("户 型："), "Com_Fx",
                          {QStringLiteral("单房"), QStringLiteral("一房一厅"),
                           QStringLiteral("二房一厅"), QStringLiteral("三房一厅"),
                           QStringLiteral("三房二厅")});
    Com_Cx = fields.combo({1, 0}, QStringLiteral("朝向："), "Com_Cx",
                          {QStringLiteral("朝南"), QStringLiteral("朝北"), QStringLiteral("朝西"),
                           QStringLiteral("朝东")});
    Ed_Yz = fields.edit({1, 2}, QStringLiteral("月租："), "Ed_Yz");
    Ed_Yj = fields.edit({1, 4}, QStringLiteral("押 金："), "Ed_Yj");
    Ed_Ljf = fields.edit({2, 4}, QStringLiteral("垃圾费："), "Ed_Ljf");
    Ed_Sb = fields.edit({2, 0, 3}, QStringLiteral("设备："), "Ed_Sb");
    for (int column : {1, 3, 5})
        fields.layout()->setColumnStretch(column, 1);

    // The refuse fee is the current price of charge item 4; it is shown, never typed.
    Ed_Ljf->setEnabled(false);
    QPalette grey = Ed_Ljf->palette();
    grey.setColor(QPalette::Disabled, QPalette::Base, QColor(0xd4, 0xd0, 0xc8));
    Ed_Ljf->setPalette(grey);

    using M = RecordMaintenance;
    M::Config c;
    c.listSql = kListSql;
    c.gridColumns = {{"fangno", "房号"},    {"area", "面积"},   {"housetype", "户型"},
                     {"facetype", "朝向"},  {"sb", "家具设备"}, {"fangya", "押金"},
                     {"fangprice", "月租"}, {"ljf", "垃圾费"}};
    c.table = QStringLiteral("Zf_Fangjian");
    c.keyColumn = QStringLiteral("fangno");
    c.loadAtOpen = true;
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
    build({fields.layout()}, std::move(c),
          {.grid = "DBGrid1",
           .gridSize = {760, 280},
           .columnWidths = {70, 70, 90, 60, 170, 80, 80},
           .navigator = true});

    FormCreate();
}

TFangBasicForm::~TFangBasicForm() = default;

void TFangBasicForm::FormCreate() {
    cycle().open();
    // The refuse fee is read once here; a later change of the price does not
    // reach a screen already open.
    guarded([this] {
        ADQ_Ljf.close();
        ADQ_Ljf.setSql(kRefuseFeeSql);
        ADQ_Ljf.open();
        Ed_Ljf->setText(ADQ_Ljf.isEmpty() ? QString() : ADQ_Ljf.text(QStringLiteral("price")));
    });
}
