#include "tusermanagerf.h"

#include "maintenance.h"
#include "sqlcatalog.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QTableView>
#include <QVBoxLayout>

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

QCheckBox* makeBox(QWidget* parent, const char* name, const QString& caption) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(QLatin1String(name));
    return box;
}

} // namespace

TUserManagerF::TUserManagerF(QWidget* parent) : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("TUserManagerF"));
    setWindowTitle(QStringLiteral("用户管理"));

    auto* userGroup = new QGroupBox(QStringLiteral("用户信息"), this);
    auto* fields = new QGridLayout(userGroup);
    Ed_userzcm = addLabelledEdit(fields, 0, 0, QStringLiteral("注册名："), "Ed_userzcm");
    Ed_username = addLabelledEdit(fields, 1, 0, QStringLiteral("用户名："), "Ed_username");
    Ed_password = addLabelledEdit(fields, 2, 0, QStringLiteral("密  码："), "Ed_password");
    // Shown in clear: the administrator reads and hands out passwords here.
    Ed_password->setEchoMode(QLineEdit::Normal);

    auto* rightsGroup = new QGroupBox(QStringLiteral("权限管理"), this);
    auto* rights = new QHBoxLayout(rightsGroup);
    Chk_Sjcl = makeBox(rightsGroup, "Chk_Sjcl", QStringLiteral("数据处理"));
    Chk_Xfgl = makeBox(rightsGroup, "Chk_Xfgl", QStringLiteral("收费管理"));
    Chk_Cstj = makeBox(rightsGroup, "Chk_Cstj", QStringLiteral("查询统计"));
    Chk_Xtwf = makeBox(rightsGroup, "Chk_Xtwf", QStringLiteral("系统维护"));
    for (QCheckBox* box : {Chk_Sjcl, Chk_Xfgl, Chk_Cstj, Chk_Xtwf})
        rights->addWidget(box);

    const RecordMaintenance::Buttons buttons = createMaintenanceButtons(this, false);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    for (QAbstractButton* b :
         {buttons.insert, buttons.remove, buttons.post, buttons.cancel, buttons.quit})
        buttonRow->addWidget(b);
    buttonRow->addStretch();

    DBGd_browse = new QTableView(this);
    DBGd_browse->setObjectName(QStringLiteral("DBGd_browse"));
    DBGd_browse->setMinimumSize(380, 200);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(userGroup);
    layout->addWidget(rightsGroup);
    layout->addLayout(buttonRow);
    layout->addWidget(DBGd_browse);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    using M = RecordMaintenance;
    M::Config c;
    c.listSql = kListSql;
    c.gridColumns = {
        {"user_id", "用户编号"}, {"user_loginname", "注册名"}, {"user_name", "用户名"}};
    c.table = QStringLiteral("login_user");
    c.keyColumn = QStringLiteral("user_id");
    c.loadAtOpen = false;
    c.buttons = buttons;
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
    m_cycle = new RecordMaintenance(this, DBGd_browse, std::move(c));
    DBGd_browse->setColumnWidth(0, 80);
    DBGd_browse->setColumnWidth(1, 120);

    connect(buttons.insert, &QAbstractButton::clicked, this, &TUserManagerF::bitbtn_insertClick);
    connect(buttons.remove, &QAbstractButton::clicked, this, &TUserManagerF::bitbtn_deleteClick);
    connect(buttons.post, &QAbstractButton::clicked, this, &TUserManagerF::bitbtn_postClick);
    connect(buttons.cancel, &QAbstractButton::clicked, this, &TUserManagerF::bitbtn_cancelClick);
    connect(buttons.quit, &QAbstractButton::clicked, this, &TUserManagerF::bitbtn_quitClick);
    connect(DBGd_browse, &QTableView::doubleClicked, this, &TUserManagerF::DBGd_browseDblClick);

    FormCreate();
}

TUserManagerF::~TUserManagerF() = default;

void TUserManagerF::FormCreate() {
    m_cycle->open();
}

// A double click, in any state, modifies the user under the mouse; what was
// being typed is replaced by that user's values.
void TUserManagerF::DBGd_browseDblClick() {
    m_cycle->modify();
}
void TUserManagerF::bitbtn_insertClick() {
    m_cycle->insert();
}
void TUserManagerF::bitbtn_deleteClick() {
    m_cycle->remove();
}
void TUserManagerF::bitbtn_postClick() {
    m_cycle->save();
}
void TUserManagerF::bitbtn_cancelClick() {
    m_cycle->cancel();
}
void TUserManagerF::bitbtn_quitClick() {
    close();
}
