#include "tkfdjform.h"

#include "maintenance.h"
#include "screenbuilder.h"
#include "sqlcatalog.h"
#include "texthelpers.h"

#include <QComboBox>
#include <QLineEdit>

namespace {

// Statements one line per element, exactly as the program sends them.
// clang-format off
const QString kListSql = catalogSql("TKfdjForm list", QStringList{
    "select manid,manname,zjm, case sex when '1' then '男'  else '女' end as sex,",
    "idcard,iddress,handset,company from zf_man"});

// What holds on to a tenant that cannot be deleted: lets, check-outs and
// charge rows.
const QString kTenantRowsSql = catalogSql("TKfdjForm tenant rows", QStringList{
    "select (select count(*) from dbo.Zf_Rz where manid = :m1) as rz,",
    "       (select count(*) from dbo.zf_tf where manid = :m2) as tf,",
    "       (select count(*) from dbo.Zf_Zujin where manid = :m3)",
    "     + (select count(*) from dbo.Zf_Lenshui where manid = :m4)",
    "     + (select count(*) from dbo.Zf_Reshui where manid = :m5)",
    "     + (select count(*) from dbo.Zf_YdSf where manid = :m6) as sf"});

const QString kInsertSql = catalogSql("TKfdjForm insert", QStringList{
    "insert into Zf_Man",
    "      (manid,manname,zjm,sex,idcard,iddress,handset,company)",
    "values(:manid,:manname,:zjm,:sex,:idcard,:iddress,:handset,:company)"});

const QString kUpdateSql = catalogSql("TKfdjForm update", QStringList{
    "update Zf_Man",
    "set manID = :manid,",
    "    manname= :manname,",
    "    zjm    = :zjm,",
    "    sex    = :sex,",
    "    idcard = :idcard,",
    "    iddress= :iddress,",
    "    handset= :handset,",
    "    company= :company",
    "where ",
    "     manid=:oldmanid  "});
// clang-format on

// The stored sex code: "1" when the box reads exactly 男 once blanks and
// control characters are taken from both ends, "0" for anything else.
QString sexCode(const QString& text) {
    qsizetype begin = 0, end = text.size();
    const auto blank = [](QChar c) { return c.unicode() <= 0x20 || c.isSpace(); };
    while (begin < end && blank(text[begin]))
        ++begin;
    while (end > begin && blank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin) == QStringLiteral("男") ? QStringLiteral("1")
                                                                : QStringLiteral("0");
}

} // namespace

TKfdjForm::TKfdjForm(QWidget* parent)
    : MaintenanceScreen(parent, "TKfdjForm", QStringLiteral("客户基本资料登记")) {
    FieldGrid fields;
    Ed_Kubh = fields.edit({0, 0}, QStringLiteral("客户编号："), "Ed_Kubh");
    Ed_Xm = fields.edit({0, 2}, QStringLiteral("姓名："), "Ed_Xm");
    Com_Xb = fields.combo({0, 4}, QStringLiteral("性别："), "Com_Xb",
                          {QStringLiteral("男"), QStringLiteral("女")});
    Ed_Sfzh = fields.edit({1, 0}, QStringLiteral("身份证号："), "Ed_Sfzh");
    Ed_Lxdh = fields.edit({1, 2}, QStringLiteral("联系电话："), "Ed_Lxdh");
    Ed_Dz = fields.edit({2, 0}, QStringLiteral("地址："), "Ed_Dz");
    Ed_Dw = fields.edit({2, 2, 3}, QStringLiteral("单位："), "Ed_Dw");
    Com_Xb->setMinimumWidth(90);
    Ed_Sfzh->setMinimumWidth(170);
    Ed_Dz->setMinimumWidth(170);

    using M = RecordMaintenance;
    M::Config c;
    c.listSql = kListSql;
    c.gridColumns = {{"manid", "客户编号"},  {"manname", "姓名"},       {"zjm", "助记码"}, {"sex", "性别"},
                     {"idcard", "身份证号"}, {"iddress", "身份证地址"}, {"handset", "联系电话"},
                     {"company", "单位"}};
    c.table = QStringLiteral("Zf_Man");
    c.keyColumn = QStringLiteral("manid");
    c.loadAtOpen = true;
    c.controls = {{Ed_Kubh, "manid"}, {Ed_Xm, "manname"},   {Com_Xb, "sex"},   {Ed_Sfzh, "idcard"},
                  {Ed_Dz, "iddress"}, {Ed_Lxdh, "handset"}, {Ed_Dw, "company"}};
    c.firstEdit = Ed_Kubh;
    c.required = {{Ed_Kubh, QStringLiteral("请填写用户编号")},
                  {Ed_Xm, QStringLiteral("请填写用户姓名")},
                  {Ed_Sfzh, QStringLiteral("请填写用户身份证号")},
                  {Ed_Lxdh, QStringLiteral("请填写用户联系电话")},
                  {Ed_Dz, QStringLiteral("请填写身份证地址")}};
    QLineEdit* name = Ed_Xm;
    QComboBox* sex = Com_Xb;
    const std::vector<M::Param> params = {
        M::Param::text("manid", 10, Ed_Kubh),
        M::Param::text("manname", 10, Ed_Xm),
        M::Param::computed("zjm", ParamKind::Text, 10,
                           [name] { return PinyinInitials(name->text()); }),
        M::Param::computed("sex", ParamKind::Text, 2,
                           [sex] { return sexCode(sex->currentText()); }),
        M::Param::text("idcard", 18, Ed_Sfzh),
        M::Param::text("iddress", 100, Ed_Dz),
        M::Param::text("handset", 20, Ed_Lxdh),
        M::Param::text("company", 100, Ed_Dw)};
    c.insert = {kInsertSql, params};
    c.update = {kUpdateSql, params};
    c.update.params.push_back(M::Param::currentRow("oldmanid", ParamKind::Text, 10, "manid"));
    c.saveFailure = QStringLiteral("操作失败，用户可能插入了相同的客户编号！");
    c.deleteQuestion = QStringLiteral("确实要删除该客户吗?");
    c.deleteFailure = QStringLiteral("操作用户失败！");
    c.deleteFailureReason = [](const Query& list) -> QString {
        const QString manid = list.text(QStringLiteral("manid"));
        Query rows;
        rows.setSql(kTenantRowsSql);
        for (const char* name : {"m1", "m2", "m3", "m4", "m5", "m6"})
            rows.setText(QLatin1String(name), manid, 10);
        rows.open();
        const int lets = int(rows.number(QStringLiteral("rz")));
        const int outs = int(rows.number(QStringLiteral("tf")));
        const int charges = int(rows.number(QStringLiteral("sf")));
        if (lets + outs + charges == 0)
            return {};
        QStringList held;
        if (lets > 0)
            held << QStringLiteral("在住 %1 处").arg(lets);
        if (outs > 0)
            held << QStringLiteral("退房记录 %1 条").arg(outs);
        if (charges > 0)
            held << QStringLiteral("收费记录 %1 条").arg(charges);
        return QStringLiteral("客户 %1 还有%2，不能删除；在住的请先办理退房，有收费或退房记录的客户须保留登记。")
            .arg(manid.trimmed(), held.join(QStringLiteral("、")));
    };
    build({fields.layout()}, std::move(c),
          {.grid = "DBGrid2", .gridSize = {760, 280}, .columnWidths = {72, 62, 54, 40, 156, 150, 104}});

    cycle().open();
}

TKfdjForm::~TKfdjForm() = default;
