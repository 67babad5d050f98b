#include "chargingwidgets.h"

#include "decimal.h"
#include "sqlvalue.h"
#include "errordisplay.h"
#include "messages.h"
#include "query.h"
#include "querymodel.h"
#include "tgjcxform.h"
#include "voidchargedialog.h"
#include "chargebook.h"
#include "clock.h"
#include "connection.h"
#include "screenbuilder.h"
#include "session.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>

#include <QTableView>
#include <QHeaderView>
#include <QVBoxLayout>
#include <memory>

namespace charging {

Buttons makeButtons(QWidget* screen) {
    ButtonRow row(screen);
    Buttons b;
    b.insert = row.add(QStringLiteral("新增"), "bitbtn_insert");
    b.modify = row.add(QStringLiteral("修改"), "bitbtn_modify");
    b.post = row.add(QStringLiteral("保存"), "bitbtn_post");
    b.cancel = row.add(QStringLiteral("取消"), "bitbtn_cancel");
    b.print = row.add(QStringLiteral("&P收据"), "BBtn_Print");
    b.find = row.add(QStringLiteral("查  询"), "BitBtn_find");
    b.voidCharge = row.add(QStringLiteral("作废"), "BBtn_Void");
    b.row = row.layout();
    return b;
}

QTableView* layOutScreen(QWidget* screen, QGridLayout* fields, int gridWidth,
                         const std::array<QPushButton**, 7>& buttons) {
    const Buttons b = makeButtons(screen);
    QPushButton* const made[] = {b.insert, b.modify, b.post, b.cancel, b.print, b.find, b.voidCharge};
    for (size_t i = 0; i < buttons.size(); ++i)
        *buttons[i] = made[i];
    auto* grid = new QTableView(screen);
    grid->setObjectName(QStringLiteral("DBGrid1"));
    grid->setMinimumSize(gridWidth, 260);
    grid->verticalHeader()->setDefaultSectionSize(22);
    auto* layout = new QVBoxLayout(screen);
    layout->addLayout(fields);
    layout->addLayout(b.row);
    layout->addWidget(grid);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    return grid;
}

QStringList statusNames() {
    return {QStringLiteral("已交款"), QStringLiteral("未交款")};
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

void bindParams(Query& statement, const std::vector<RecordMaintenance::Param>& params,
                const Query& list) {
    for (const RecordMaintenance::Param& p : params)
        RecordMaintenance::bind(statement, p, list);
}

bool requiredFilled(QWidget* screen, const std::vector<std::pair<QWidget*, QString>>& required) {
    for (const auto& [control, message] : required) {
        QString text;
        if (auto* edit = qobject_cast<QLineEdit*>(control))
            text = edit->text();
        else if (auto* combo = qobject_cast<QComboBox*>(control))
            text = combo->currentText();
        if (text.isEmpty()) {
            showNotice(screen, QStringLiteral("Morvik提示"), message, MsgIcon::Information);
            control->setFocus();
            return false;
        }
    }
    return true;
}

namespace {
void rollbackQuietly() {
    try {
        Connection& c = Connection::shared();
        if (c.inTransaction())
            c.rollback();
    } catch (const DbError&) {
        // The failure being reported already says what went wrong.
    }
}
} // namespace

qint64 saveInTransaction(QWidget* screen, const std::function<qint64()>& write,
                         const QString& failure) {
    try {
        Connection& c = Connection::shared();
        if (c.inTransaction())
            c.rollback();
        // The write lock at once: what the save checks cannot change under
        // it before it writes.
        c.beginWriteTransaction();
        const qint64 id = write();
        c.commit();
        return id;
    } catch (const SaveRefusal& r) {
        rollbackQuietly();
        showNotice(screen, QStringLiteral("Morvik提示"), r.text, MsgIcon::Warning);
    } catch (const DbError&) {
        rollbackQuietly();
        showNotice(screen, QString(), failure, MsgIcon::Critical);
    }
    return 0;
}

void showSaved(QWidget* screen, QueryModel& list, const QString& querySql, qint64 id,
               bool inserted) {
    showNotice(screen, QStringLiteral("房屋出租管理"),
               inserted ? QStringLiteral("保存成功！") : QStringLiteral("修改成功！"), MsgIcon::NoIcon);
    guarded([&] {
        list.reopen();
    });
    showChargeRow(list, querySql, int(id));
}

void voidCurrentCharge(QWidget* screen, QueryModel& list, int table, const QString& dueColumn) {
    const auto t = ChargeMoney::Table(table);
    Query& q = list.query();
    if (!q.isOpen() || q.isEmpty()) {
        showNotice(screen, QStringLiteral("Morvik提示"), QStringLiteral("请先选择要作废的收费记录！"),
                   MsgIcon::Warning);
        return;
    }
    const qint64 id = q.integer(QStringLiteral("id"));
    const QString what = QStringLiteral("房号 %1（%2）%3，应付 %4 元，实收 %5 元")
                             .arg(q.text(QStringLiteral("fangno")).trimmed(),
                                  q.text(QStringLiteral("manname")).trimmed(),
                                  q.dateTime(QStringLiteral("Jkrq")).date().toString(QStringLiteral("yyyy-MM-dd")),
                                  q.text(dueColumn),
                                  q.text(t == ChargeMoney::Table::Rent ? QStringLiteral("sf")
                                                                       : QStringLiteral("sfj")));
    VoidChargeDialog dialog(what, screen);
    if (dialog.exec() != QDialog::Accepted)
        return;
    bool gone = false;
    const qint64 done = saveInTransaction(
        screen,
        [&]() -> qint64 {
            if (!ChargeBook::voidCharge(t, id, CurrentLoginName, Clock::now(), dialog.reason())) {
                gone = true;
                throw SaveRefusal{QStringLiteral("该收费记录已不存在，可能已被其他操作员作废！")};
            }
            return id;
        },
        QStringLiteral("操作失败！"));
    if (done) {
        showNotice(screen, QStringLiteral("房屋出租管理"), QStringLiteral("作废成功！"), MsgIcon::NoIcon);
    }
    if (done || gone)
        guarded([&] { list.reopen(); });
}

QString proposedReceived(const QString& due, const QString& status, const QString& current) {
    if (status.trimmed() != QStringLiteral("未交款"))
        return due;
    const std::optional<Decimal> typed = Decimal::parse(current);
    const std::optional<Decimal> owed = Decimal::parse(due);
    const bool partPayment = typed && !typed->isZero() && !(owed && *typed == *owed);
    return partPayment ? current : QStringLiteral("0");
}

} // namespace charging
