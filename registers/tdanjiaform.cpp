#include "tdanjiaform.h"

#include "maintenance.h"
#include "screenbuilder.h"
#include "sqlcatalog.h"

#include <QComboBox>
#include <QLineEdit>

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

TDanJiaForm::TDanJiaForm(QWidget* parent)
    : MaintenanceScreen(parent, "TDanJiaForm", QStringLiteral("收费项目管理")) {
    FieldGrid fields;
    Ed_bh = fields.edit({0, 0}, QStringLiteral("编号："), "Ed_bh");
    Ed_Name = fields.edit({0, 2}, QStringLiteral("名称："), "Ed_Name");
    Com_Dw = fields.combo({1, 0}, QStringLiteral("单位："), "Com_Dw",
                          {QStringLiteral("吨"), QStringLiteral("度"), QStringLiteral("月")});
    Ed_Dj = fields.edit({1, 2}, QStringLiteral("单价："), "Ed_Dj");
    // The item number is given by the database and only shown.
    Ed_bh->setEnabled(false);

    using M = RecordMaintenance;
    M::Config c;
    c.listSql = kListSql;
    c.gridColumns = {{"Djid", "编号"}, {"sfname", "名称"}, {"dw", "单位"}, {"price", "单价"}};
    // Items are never deleted; the key finds the saved item in the list.
    c.table = QStringLiteral("Zf_Dj");
    c.keyColumn = QStringLiteral("Djid");
    c.loadAtOpen = false;
    c.canDelete = false;
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
    build({fields.layout()}, std::move(c),
          {.grid = "DBGrid1", .gridSize = {460, 220}, .columnWidths = {60, 140, 80}, .navigator = true});

    cycle().open();
}

TDanJiaForm::~TDanJiaForm() = default;
