#include "chargingwidgets.h"

#include "decimal.h"
#include "errordisplay.h"
#include "messages.h"
#include "query.h"
#include "querymodel.h"
#include "tgjcxform.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>

#include <memory>

namespace charging {

QPushButton* makeButton(QWidget* parent, const QString& text, const char* name) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

Buttons makeButtons(QWidget* screen) {
    Buttons b;
    b.insert = makeButton(screen, QStringLiteral("新增"), "bitbtn_insert");
    b.modify = makeButton(screen, QStringLiteral("修改"), "bitbtn_modify");
    b.post = makeButton(screen, QStringLiteral("保存"), "bitbtn_post");
    b.cancel = makeButton(screen, QStringLiteral("取消"), "bitbtn_cancel");
    b.print = makeButton(screen, QStringLiteral("&P收据"), "BBtn_Print");
    b.find = makeButton(screen, QStringLiteral("查  询"), "BitBtn_find");
    b.row = new QHBoxLayout;
    b.row->addStretch();
    for (QPushButton* button : {b.insert, b.modify, b.post, b.cancel, b.print, b.find})
        b.row->addWidget(button);
    b.row->addStretch();
    return b;
}

namespace {
void addLabel(QGridLayout* grid, int row, int column, const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setBuddy(buddy);
    buddy->setAccessibleName(QString(text).remove(QChar(u'：')).remove(QChar(u' ')));
    grid->addWidget(label, row, column);
    grid->addWidget(buddy, row, column + 1);
}
} // namespace

QDateEdit* addLabelledDate(QGridLayout* grid, int row, int column, const QString& label,
                           const char* name) {
    auto* date = new QDateEdit;
    date->setObjectName(QLatin1String(name));
    date->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    date->setCalendarPopup(true);
    addLabel(grid, row, column, label, date);
    return date;
}

QComboBox* addStatusCombo(QGridLayout* grid, int row, int column, const QString& label,
                          const char* name) {
    auto* combo = new QComboBox;
    combo->setObjectName(QLatin1String(name));
    combo->addItems({QStringLiteral("已交款"), QStringLiteral("未交款")});
    combo->setCurrentIndex(-1);
    addLabel(grid, row, column, label, combo);
    return combo;
}

void setAqua(QWidget* control) {
    QPalette palette = control->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::Base, QColor(0, 255, 255));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(0, 0, 0));
    control->setPalette(palette);
}

QString statusCode(const QString& shown) {
    return shown.trimmed() == QStringLiteral("已交款") ? QStringLiteral("1") : QStringLiteral("0");
}

Decimal decimalOf(const QString& text) {
    const std::optional<Decimal> d = Decimal::parse(text);
    if (!d)
        throw DbError(QStringLiteral("'%1' 不是有效的数值。").arg(text.trimmed()));
    return *d;
}

void preferExactRoom(Query& search, const QString& typed) {
    const QString room = typed.trimmed();
    if (!room.isEmpty() && search.count() > 1 && !search.locate(QStringLiteral("fangno"), room))
        search.first();
}

QString storedAmount(QLineEdit* edit) {
    const std::optional<Decimal> d = Decimal::parse(edit->text());
    if (!d)
        return edit->text();
    const QString stored = d->rounded(2).toString();
    if (d->places() > 2)
        edit->setText(stored);
    return stored;
}

bool acceptPayment(QWidget* screen, QLineEdit* edit) {
    const QString text = edit->text().trimmed();
    if (text.isEmpty())
        return true;
    const std::optional<Decimal> d = Decimal::parse(text);
    if (d && !(d->toString().startsWith(QLatin1Char('-'))))
        return true;
    showNotice(screen, QStringLiteral("Morvik提示"),
               d ? QStringLiteral("实收金额不能是负数，请重新填写。")
                 : QStringLiteral("实收金额必须是数字，请重新填写。"),
               MsgIcon::Warning);
    edit->setFocus();
    edit->selectAll();
    return false;
}

void showChargeRow(QueryModel& list, const QString& querySql, int id) {
    guarded([&] {
        Query& q = list.query();
        if (!q.isOpen() || !q.locate(QStringLiteral("id"), id)) {
            q.close();
            // The ID is a number of our own, never typed text.
            q.setSql(querySql + QStringLiteral("\nwhere A.ID = ") + QString::number(id));
            q.open();
        }
        list.refresh();
    });
}

void runQueryDialog(QWidget* screen, TGjcxForm* dialog, QueryModel& list, const QString& querySql,
                    const QStringList& fieldNames) {
    std::unique_ptr<TGjcxForm> owned(dialog);
    guarded([&] {
        if (!list.query().isOpen())
            list.reopen();
    });
    QStringList titles;
    for (const QueryModel::Column& c : list.columns())
        titles << c.title;
    dialog->setFields(titles, fieldNames);
    if (dialog->exec() != QDialog::Accepted)
        return;
    const QString where = dialog->WhereText();
    guarded([&] {
        list.query().close();
        list.query().setSql(querySql + QLatin1Char('\n') + where);
        list.reopen();
    });
    Q_UNUSED(screen);
}

} // namespace charging
