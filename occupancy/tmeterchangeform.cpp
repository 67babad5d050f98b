#include "tmeterchangeform.h"

#include "clock.h"
#include "connection.h"
#include "decimal.h"
#include "errordisplay.h"
#include "messages.h"
#include "query.h"
#include "readingseries.h"
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

template <class W> W* labelled(QGridLayout* grid, int row, const QString& text, W* control,
                               const char* name) {
    control->setObjectName(QLatin1String(name));
    auto* label = new QLabel(text);
    label->setBuddy(control);
    control->setAccessibleName(QString(text).remove(QChar(u'：')));
    grid->addWidget(label, row, 0, Qt::AlignRight);
    grid->addWidget(control, row, 1);
    return control;
}

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
    auto* grid = new QGridLayout;
    Ed_Fh = labelled(grid, 0, QStringLiteral("房号："), new QLineEdit, "Ed_Fh");
    Ed_Fh->setText(room.trimmed());
    Com_Meter = labelled(grid, 1, QStringLiteral("表："), new QComboBox, "Com_Meter");
    Com_Meter->addItems({QStringLiteral("冷水表"), QStringLiteral("热水表"), QStringLiteral("电表"),
                         QStringLiteral("煤气表")});
    DT_Hbrq = labelled(grid, 2, QStringLiteral("换表日期："), new QDateEdit, "DT_Hbrq");
    DT_Hbrq->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    DT_Hbrq->setCalendarPopup(true);
    DT_Hbrq->setDate(Clock::today());
    Ed_Jbzm = labelled(grid, 3, QStringLiteral("旧表止码："), new QLineEdit, "Ed_Jbzm");
    Ed_Xbqm = labelled(grid, 4, QStringLiteral("新表起码："), new QLineEdit, "Ed_Xbqm");
    Ed_Xbqm->setText(QStringLiteral("0"));
    auto* note = new QLabel(QStringLiteral("换表日期当天及以后的读数按新表计。表走满一圈时，旧表止码填 9999.99，新表起码填 0。"));
    note->setWordWrap(true);

    bitbtn_post = new QPushButton(QStringLiteral("保存"), this);
    bitbtn_post->setObjectName(QStringLiteral("bitbtn_post"));
    bitbtn_post->setAutoDefault(false);
    bitbtn_quit = new QPushButton(QStringLiteral("退出"), this);
    bitbtn_quit->setObjectName(QStringLiteral("bitbtn_quit"));
    bitbtn_quit->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bitbtn_post);
    buttons->addWidget(bitbtn_quit);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(note);
    layout->addLayout(buttons);
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
