#include "thtglform.h"

#include "clock.h"
#include "connection.h"
#include "errordisplay.h"
#include "messages.h"
#include "printreports.h"
#include "queryscreen.h"
#include "screenbuilder.h"
#include "sqlcatalog.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

// clang-format off
const QString kListSql = catalogSql("THtglForm list", QStringList{
    "SELECT A.id, A.fangno, A.manid, B.manname, A.begindate, A.enddate,",
    "       F.fangprice, F.fangya, datediff(day, :today1, A.enddate) as days,",
    "       case when A.enddate is null then ''",
    "            when datediff(day, :today2, A.enddate) < 0 then '已过期'",
    "            when datediff(day, :today3, A.enddate) <= 30 then '即将到期'",
    "            else '' end as zt",
    "FROM dbo.Zf_Rz A INNER JOIN dbo.Zf_Man B ON A.manid = B.manid",
    "LEFT JOIN dbo.Zf_Fangjian F ON F.fangno = A.fangno",
    "where A.status = '1'",
    "order by case when A.enddate is null then 2",
    "              when datediff(day, :today4, A.enddate) <= 30 then 0 else 1 end,",
    "         A.enddate, A.fangno"});

// The lease is renewed only while it is still a current let.
const QString kRenewSql = catalogSql("THtglForm renew", QStringList{
    "update dbo.Zf_Rz set enddate = :enddate where id = :id and status = '1'"});
// clang-format on

const QString kCaption = QStringLiteral("Morvik提示");
const QString kAppCaption = QStringLiteral("房屋出租管理");

} // namespace

THtglForm::THtglForm(QWidget* parent) : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("THtglForm"));
    setWindowTitle(QStringLiteral("合同管理"));

    auto* inputs = new QGridLayout;
    FieldGrid fields(inputs);
    Lb_lease = new QLabel;
    Lb_lease->setObjectName(QStringLiteral("Lb_lease"));
    inputs->addWidget(Lb_lease, 0, 0, 1, 2);
    DT_newEnd = fields.date({0, 2}, QStringLiteral("新到期日："), "DT_newEnd");
    inputs->setColumnStretch(0, 1);

    bitbtn_xz = pushButton(QStringLiteral("续租"), "bitbtn_xz");
    inputs->addWidget(bitbtn_xz, 0, 4);
    ButtonRow buttons(nullptr, ButtonRow::Place::Right);
    BBtn_Print = buttons.add(QStringLiteral("&P打印"), "BBtn_Print");
    bitbtn_quit = buttons.add(QStringLiteral("退出"), "bitbtn_quit");

    m_model = new QueryModel(ADQ_Htgl,
                             {{"fangno", "房号"},
                              {"manid", "客户编号"},
                              {"manname", "客户姓名"},
                              {"begindate", "起租日期"},
                              {"enddate", "约定到期"},
                              {"fangprice", "月租"},
                              {"fangya", "押金"},
                              {"days", "剩余天数"},
                              {"zt", "状态"}},
                             this);
    DBGrid1 = QueryScreen::grid("DBGrid1", m_model, this);
    DBGrid1->setMinimumSize(760, 360);
    DBGrid1->setAccessibleName(QStringLiteral("租约"));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(inputs);
    layout->addWidget(DBGrid1);
    layout->addLayout(buttons.layout());
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(bitbtn_xz, &QPushButton::clicked, this, &THtglForm::bitbtn_xzClick);
    connect(BBtn_Print, &QPushButton::clicked, this, &THtglForm::BBtn_PrintClick);
    connect(bitbtn_quit, &QPushButton::clicked, this, &QDialog::close);
    connect(m_model, &QueryModel::currentRowChanged, this, [this] { rowChosen(); });
    openList();
    DBGrid1->setFocus();
}

THtglForm::~THtglForm() = default;

void THtglForm::openList() {
    QueryScreen::run(*m_model, [](Query& q) {
        q.setSql(kListSql);
        const QDateTime today(Clock::today(), QTime(0, 0));
        for (const char* name : {"today1", "today2", "today3", "today4"})
            q.setDateTime(QLatin1String(name), today);
    });
    if (ADQ_Htgl.isOpen() && !ADQ_Htgl.isEmpty())
        DBGrid1->selectRow(m_model->currentRow() < 0 ? 0 : m_model->currentRow());
    rowChosen();
}

// The chosen lease above the picker; a new end a year after the old one
// is offered.
void THtglForm::rowChosen() {
    const bool any = ADQ_Htgl.isOpen() && !ADQ_Htgl.eof();
    bitbtn_xz->setEnabled(any);
    DT_newEnd->setEnabled(any);
    if (!any) {
        Lb_lease->setText(QStringLiteral("没有在住的租约。"));
        return;
    }
    const QDate end = ADQ_Htgl.isNull(QStringLiteral("enddate"))
                          ? Clock::today()
                          : ADQ_Htgl.dateTime(QStringLiteral("enddate")).date();
    Lb_lease->setText(QStringLiteral("房号 %1  %2  约定到期 %3")
                          .arg(ADQ_Htgl.text(QStringLiteral("fangno")).trimmed(),
                               ADQ_Htgl.text(QStringLiteral("manname")).trimmed(),
                               ADQ_Htgl.isNull(QStringLiteral("enddate"))
                                   ? QStringLiteral("未定")
                                   : end.toString(QStringLiteral("yyyy-MM-dd"))));
    DT_newEnd->setDate(end.addYears(1));
}

void THtglForm::bitbtn_xzClick() {
    if (!ADQ_Htgl.isOpen() || ADQ_Htgl.eof()) {
        showNotice(this, kCaption, QStringLiteral("请先在列表中选择要续租的租约。"), MsgIcon::Information);
        return;
    }
    const int id = int(ADQ_Htgl.number(QStringLiteral("id")));
    const QString room = ADQ_Htgl.text(QStringLiteral("fangno")).trimmed();
    const QDate newEnd = DT_newEnd->date();
    const QDate begin = ADQ_Htgl.isNull(QStringLiteral("begindate"))
                            ? QDate()
                            : ADQ_Htgl.dateTime(QStringLiteral("begindate")).date();
    const QDate oldEnd = ADQ_Htgl.isNull(QStringLiteral("enddate"))
                             ? QDate()
                             : ADQ_Htgl.dateTime(QStringLiteral("enddate")).date();
    const QDate floor = oldEnd.isValid() ? oldEnd : begin;
    if (floor.isValid() && newEnd <= floor) {
        showNotice(this, kCaption,
                   QStringLiteral("续租失败\n新的到期日须晚于%1 %2，请重新选择日期。")
                       .arg(oldEnd.isValid() ? QStringLiteral("原到期日") : QStringLiteral("起租日期"),
                            floor.toString(QStringLiteral("yyyy-MM-dd"))),
                   MsgIcon::Warning);
        DT_newEnd->setFocus();
        return;
    }
    if (!askYesNo(this, kCaption,
                  QStringLiteral("确认将房间 %1 的租约续到 %2 吗？")
                      .arg(room, newEnd.toString(QStringLiteral("yyyy-MM-dd"))),
                  MsgIcon::Question))
        return;

    Connection& connection = Connection::shared();
    int changed = 0;
    try {
        if (connection.inTransaction())
            connection.rollback();
        connection.beginTransaction();
        Query renew;
        renew.setSql(kRenewSql);
        renew.setDateTime(QStringLiteral("enddate"), QDateTime(newEnd, QTime(0, 0)));
        renew.setInteger(QStringLiteral("id"), id);
        changed = renew.exec();
        // Exactly the one lease, or nothing at all.
        if (changed == 1)
            connection.commit();
        else
            connection.rollback();
    } catch (const DbError& error) {
        try {
            if (connection.inTransaction())
                connection.rollback();
        } catch (const DbError&) {
        }
        showNotice(this, QString(), QStringLiteral("续租失败\n") + error.text(), MsgIcon::Critical);
        return;
    }
    if (changed != 1) {
        showNotice(this, QString(),
                   QStringLiteral("续租失败\n房间 %1 的租约已不在（可能已退房），请查看刷新后的列表。").arg(room),
                   MsgIcon::Critical);
        openList();
        return;
    }
    showNotice(this, kAppCaption, QStringLiteral("续租成功！"), MsgIcon::NoIcon);
    openList();
    // The lease just renewed stays chosen.
    if (ADQ_Htgl.isOpen() && ADQ_Htgl.locate(QStringLiteral("id"), QString::number(id))) {
        DBGrid1->selectRow(ADQ_Htgl.row());
        rowChosen();
    }
}

void THtglForm::BBtn_PrintClick() {
    printLeaseList(ADQ_Htgl, this);
}
