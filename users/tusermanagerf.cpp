#include "tusermanagerf.h"

#include "maintenance.h"
#include "screenbuilder.h"
#include "sqlcatalog.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>

namespace {

// Statements one line per element, exactly as the program sends them.
// clang-format off
const QString kListSql = catalogSql("TUserManagerF list", QStringList{"select *from dbo.login_user"});

const QString kInsertSql = catalogSql("TUserManagerF insert", QStringList{
    "insert into login_user",
    "       (user_loginname,user_name,user_password,award_1,award_2,award_3,award_4)",
    "values (:user_loginname,:user_name,:user_password,:award_1,:award_2,:award_3,:award_4)"});

const QString kUpdateSql = catalogSql("TUserManagerF update", QStringList{
    "update login_user",
    "set    user_loginname=:user_loginname,",
    "       user_name     =:user_name,",
    "       user_password =:user_password,",
    "       award_1       =:award_1,",
    "       award_2       =:award_2,",
    "       award_3       =:award_3,",
    "       award_4       =:award_4",
    "where  user_id       =:olduser_id"});
// clang-format on

} // namespace

TUserManagerF::TUserManagerF(QWidget* parent)
    : MaintenanceScreen(parent, "TUserManagerF", QStringLiteral("用户管理")) {
    auto* userGroup = new QGroupBox(QStringLiteral("用户信息"), this);
    FieldGrid fields(userGroup);
    Ed_userzcm = fields.edit({0, 0}, QStringLiteral("注册名："), "Ed_userzcm");
    Ed_username = fields.edit({1, 0}, QStringLiteral("用户名："), "Ed_username");
    Ed_password = fields.edit({2, 0}, QStringLiteral("密  码："), "Ed_password");
    // Shown in clear: the administrator reads and hands out passwords here.
    Ed_password->setEchoMode(QLineEdit::Normal);

    auto* rightsGroup = new QGroupBox(QStringLiteral("权限管理"), this);
    auto* rights = new QHBoxLayout(rightsGroup);
    Chk_Sjcl = checkBox(QStringLiteral("数据处理"), "Chk_Sjcl", rightsGroup);
    Chk_Xfgl = checkBox(QStringLiteral("收费管理"), "Chk_Xfgl", rightsGroup);
    Chk_Cstj = checkBox(QStringLiteral("查询统计"), "Chk_Cstj", rightsGroup);
    Chk_Xtwf = checkBox(QStringLiteral("系统维护"), "Chk_Xtwf", rightsGroup);
    for (QCheckBox* box : {Chk_Sjcl, Chk_Xfgl, Chk_Cstj, Chk_Xtwf})
        rights->addWidget(box);

    using M = RecordMaintenance;
    M::Config c;
    c.listSql = kListSql;
    c.gridColumns = {
        {"user_id", "用户编号"}, {"user_loginname", "注册名"}, {"user_name", "用户名"}};
    c.table = QStringLiteral("login_user");
    c.keyColumn = QStringLiteral("user_id");
    c.loadAtOpen = false;
    // 新增 empties the three edits; the boxes keep their ticks.
    c.controls = {{Ed_userzcm, "user_loginname"}, {Ed_username, "user_name"},
                  {Ed_password, "user_password"}, {Chk_Sjcl, "award_1", false},
                  {Chk_Xfgl, "award_2", false},   {Chk_Cstj, "award_3", false},
                  {Chk_Xtwf, "award_4", false}};
    c.firstEdit = Ed_userzcm;
    c.required = {{Ed_userzcm, QStringLiteral("请填写用户注册名")},
                  {Ed_username, QStringLiteral("请填写用户姓名")},
                  {Ed_password, QStringLiteral("请填写用户密码")}};
    c.insert = {kInsertSql,
                {M::Param::text("user_loginname", 10, Ed_userzcm),
                 M::Param::text("user_name", 10, Ed_username),
                 M::Param::text("user_password", 10, Ed_password),
                 M::Param::text("award_1", 1, Chk_Sjcl), M::Param::text("award_2", 1, Chk_Xfgl),
                 M::Param::text("award_3", 1, Chk_Cstj), M::Param::text("award_4", 1, Chk_Xtwf)}};
    c.update = c.insert;
    c.update.sql = kUpdateSql;
    c.update.params.push_back(M::Param::currentRow("olduser_id", ParamKind::Integer, 0, "user_id"));
    c.saveFailure = QStringLiteral("操作失败，用户可能插入了相同的客户编号！");
    c.deleteQuestion = QStringLiteral("确实要删除该客户吗?");
    c.deleteFailure = QStringLiteral("操作用户失败！");
    // There is no 修改: a double click on a user modifies that user, in any
    // state; what was being typed is replaced by that user's values.
    build({userGroup, rightsGroup}, std::move(c),
          {.grid = "DBGd_browse", .gridSize = {380, 200}, .columnWidths = {80, 120}, .withModify = false});

    cycle().open();
}

TUserManagerF::~TUserManagerF() = default;
