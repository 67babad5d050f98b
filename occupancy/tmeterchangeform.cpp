#include "tmeterchangeform.h"

#include "clock.h"
#include "connection.h"
#include "decimal.h"
#include "errordisplay.h"
#include "messages.h"
#include "query.h"
#include "readingseries.h"
#include "screenbuilder.h"
#include "session.h"
#include "sqlcatalog.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// clang-format off
const QString kRoomSql = catalogSql("TMeterChangeForm room", QStringList{
    "select fangno from Zf_Fangjian where fangno = :fangno"});

const QString kInsertSql = catalogSql("TMeterChangeForm insert", QStringList{
    "insert into Zf_MeterChange (fangno,meter,changedate,oldfinal,newstart,operator,entered)",
    "values (:fangno,:meter,:changedate,:oldfinal,:newstart,:operator,:entered)"});
// clang-format on

const QString kCaption = QStringLiteral("Morvik提示");

// A meter reading as the reading tables hold it: 0 to 9999.99.
std::optional<Decimal> reading(const QLineEdit* edit) {
    const std::optional<Decimal> d = Decimal::parse(edit->text());
    if (!d || d->isNegative() || d->places() > 2)
        return std::nullopt;
    const bool tooLarge = !(*d - *Decimal::parse(u"10000")).isNegative();
    if (tooLarge)
        return std::nullopt;
    return d;
}

} // namespace

TMeterChangeForm::TMeterChangeForm(const QString& room, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TMeterChangeForm"));
    setWindowTitle(QStringLiteral("换表登记"));
    FieldGrid fields;
    Ed_Fh = fields.edit({0, 0}, QStringLiteral("房号："), "Ed_Fh");
    Ed_Fh->setText(room.trimmed());
    Com_Meter = fields.combo({1, 0}, QStringLiteral("表："), "Com_Meter",
                             {QStringLiteral("冷水表"), QStringLiteral("热水表"),
                              QStringLiteral("电表"), QStringLiteral("煤气表")},
                             FieldGrid::Choice::Listed);
    Com_Meter->setCurrentIndex(0);
    DT_Hbrq = fields.date({2, 0}, QStringLiteral("换表日期："), "DT_Hbrq");
    DT_Hbrq->setDate(Clock::today());
    Ed_Jbzm = fields.edit({3, 0}, QStringLiteral("旧表止码："), "Ed_Jbzm");
    Ed_Xbqm = fields.edit({4, 0}, QStringLiteral("新表起码："), "Ed_Xbqm");
    Ed_Xbqm->setText(QStringLiteral("0"));
    auto* note = new QLabel(QStringLiteral("换表日期当天及以后的读数按新表计。表走满一圈时，旧表止码填 9999.99，新表起码填 0。"));
    note->setWordWrap(true);

    ButtonRow buttons(this, ButtonRow::Place::Right);
    bitbtn_post = buttons.add(QStringLiteral("保存"), "bitbtn_post");
    bitbtn_quit = buttons.add(QStringLiteral("退出"), "bitbtn_quit");

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields.layout());
    layout->addWidget(note);
    layout->addLayout(buttons.layout());
    setFixedWidth(380);

    connect(bitbtn_post, &QPushButton::clicked, this, &TMeterChangeForm::bitbtn_postClick);
    connect(bitbtn_quit, &QPushButton::clicked, this, &QDialog::reject);
}

void TMeterChangeForm::bitbtn_postClick() {
    const QString room = Ed_Fh->text().trimmed();
    if (room.isEmpty()) {
        showNotice(this, kCaption, QStringLiteral("请填写房号"), MsgIcon::Information);
        Ed_Fh->setFocus();
        return;
    }
    const std::optional<Decimal> oldFinal = reading(Ed_Jbzm);
    if (!oldFinal) {
        showNotice(this, kCaption, QStringLiteral("旧表止码应为 0 至 9999.99 之间的读数"),
                   MsgIcon::Information);
        Ed_Jbzm->setFocus();
        return;
    }
    const std::optional<Decimal> newStart = reading(Ed_Xbqm);
    if (!newStart) {
        showNotice(this, kCaption, QStringLiteral("新表起码应为 0 至 9999.99 之间的读数"),
                   MsgIcon::Information);
        Ed_Xbqm->setFocus();
        return;
    }
    const Meter meter = Meter(Com_Meter->currentIndex());
    guarded([&] {
        Query found;
        found.setSql(kRoomSql);
        found.setText(QStringLiteral("fangno"), room, 8);
        found.open();
        if (found.isEmpty()) {
            showNotice(this, kCaption, QStringLiteral("没有此房号：%1").arg(room), MsgIcon::Warning);
            Ed_Fh->setFocus();
            return;
        }
        // The old meter cannot end below its last reading before the change.
        const std::vector<MeterReading> before =
            ReadingSeries::readings(room, meter, DT_Hbrq->date().addDays(-1), 1);
        if (!before.empty() && (*oldFinal - before.back().value).isNegative()) {
            showNotice(this, kCaption,
                       QStringLiteral("旧表止码不能低于换表前的最后读数 %1（%2）")
                           .arg(before.back().value.toString(),
                                before.back().date.date().toString(QStringLiteral("yyyy-MM-dd"))),
                       MsgIcon::Warning);
            Ed_Jbzm->setFocus();
            return;
        }
        Connection& c = Connection::shared();
        if (c.inTransaction())
            c.rollback();
        c.beginTransaction();
        try {
            Query insert;
            insert.setSql(kInsertSql);
            insert.setText(QStringLiteral("fangno"), room, 8);
            insert.setText(QStringLiteral("meter"), meterColumn(meter), 3);
            insert.setDateTime(QStringLiteral("changedate"), QDateTime(DT_Hbrq->date(), QTime(0, 0)));
            insert.setDecimal(QStringLiteral("oldfinal"), oldFinal->toString());
            insert.setDecimal(QStringLiteral("newstart"), newStart->toString());
            insert.setText(QStringLiteral("operator"), CurrentLoginName, 10);
            insert.setDateTime(QStringLiteral("entered"), Clock::now());
            insert.exec();
            c.commit();
        } catch (const DbError&) {
            if (c.inTransaction())
                c.rollback();
            showNotice(this, QString(), QStringLiteral("操作失败！"), MsgIcon::Critical);
            return;
        }
        showNotice(this, QStringLiteral("房屋出租管理"), QStringLiteral("保存成功！"), MsgIcon::NoIcon);
        accept();
    });
}
