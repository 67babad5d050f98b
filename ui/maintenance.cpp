#include "maintenance.h"

#include "errordisplay.h"
#include "messages.h"
#include "navigatorbar.h"
#include "screenbuilder.h"
#include "sqlcatalog.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

const QString kAppCaption = QStringLiteral("房屋出租管理");
const QString kNoticeCaption = QStringLiteral("Morvik提示");
const QString kQuestionCaption = QStringLiteral("警告");
const QString kDeleteFailureCaption = QStringLiteral("错误");
const QString kEmptyList = QStringLiteral("空记录不能删除!");
const QString kInserted = QStringLiteral("保存成功！");
const QString kUpdated = QStringLiteral("修改成功！");

// The highest key of a table, built from the screen's table and key column.
QString lastKeySql(const QString& table, const QString& keyColumn) {
    return QStringLiteral("select max(") + keyColumn + QStringLiteral(") as k from ") + table;
}
[[maybe_unused]] const bool kSampled =
    catalogSample("RecordMaintenance saved identity key", lastKeySql("login_user", "user_id"));

void setEnabled(QAbstractButton* button, bool enabled) {
    if (button)
        button->setEnabled(enabled);
}

} // namespace

// --- parameters -------------------------------------------------------------

RecordMaintenance::Param RecordMaintenance::Param::text(const QString& name, int width,
                                                        QWidget* control) {
    return {name, ParamKind::Text, width, [control] { return QVariant(controlText(control)); }, {}};
}

RecordMaintenance::Param RecordMaintenance::Param::decimal(const QString& name, QWidget* control) {
    return {name, ParamKind::Decimal, 0, [control] { return QVariant(controlText(control)); }, {}};
}

RecordMaintenance::Param RecordMaintenance::Param::computed(const QString& name, ParamKind kind,
                                                            int width,
                                                            std::function<QVariant()> value) {
    return {name, kind, width, std::move(value), {}};
}

RecordMaintenance::Param RecordMaintenance::Param::currentRow(const QString& name, ParamKind kind,
                                                              int width, const QString& column) {
    return {name, kind, width, {}, column};
}

// --- the cycle --------------------------------------------------------------

RecordMaintenance::RecordMaintenance(QDialog* screen, QTableView* grid, Config config)
    : QObject(screen), m_screen(screen), m_config(std::move(config)), m_model(m_list) {
    m_list.setSql(m_config.listSql);
    m_insert.setSql(m_config.insert.sql);
    m_update.setSql(m_config.update.sql);
    m_model.setColumns(m_config.gridColumns);
    bindQueryGrid(grid, &m_model);
}

QString RecordMaintenance::controlText(const QWidget* control) {
    if (auto* edit = qobject_cast<const QLineEdit*>(control))
        return edit->text();
    if (auto* combo = qobject_cast<const QComboBox*>(control))
        return combo->currentText();
    if (auto* box = qobject_cast<const QCheckBox*>(control))
        return box->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    return {};
}

void RecordMaintenance::setControlText(QWidget* control, const QString& text) {
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        edit->setText(text);
        edit->setCursorPosition(0);
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
        // Any text, whether one of the items or not.
        if (combo->isEditable())
            combo->setEditText(text);
        else
            combo->setCurrentIndex(combo->findText(text));
    } else if (auto* box = qobject_cast<QCheckBox*>(control)) {
        // Only the flag "1" is a ticked box; anything else reads unticked.
        box->setChecked(text == QLatin1String("1"));
    }
}

void RecordMaintenance::clearEdits() {
    for (const Control& c : m_config.controls)
        if (c.cleared)
            setControlText(c.widget, QString());
}

void RecordMaintenance::enterEditing() {
    const Buttons& b = m_config.buttons;
    setEnabled(b.insert, false);
    setEnabled(b.remove, false);
    setEnabled(b.post, true);
    setEnabled(b.cancel, true);
    for (const Control& c : m_config.controls)
        if (c.editable)
            c.widget->setEnabled(true);
}

void RecordMaintenance::lockEdits() {
    for (const Control& c : m_config.controls)
        c.widget->setEnabled(false);
}

void RecordMaintenance::loadCurrentRow() {
    // An empty list loads empty texts (the query answers null fields).
    for (const Control& c : m_config.controls)
        if (!c.column.isEmpty())
            setControlText(c.widget, m_list.isOpen() ? m_list.text(c.column) : QString());
}

void RecordMaintenance::setBrowse() {
    const Buttons& b = m_config.buttons;
    lockEdits();
    setEnabled(b.insert, true);
    setEnabled(b.remove, m_config.canDelete);
    setEnabled(b.post, false);
    setEnabled(b.cancel, false);
}

void RecordMaintenance::open() {
    m_editMode = 0;
    setBrowse();
    setEnabled(m_config.buttons.modify, true);
    setEnabled(m_config.buttons.quit, true);
    guarded([this] {
        m_model.reopen();
        if (m_config.loadAtOpen)
            loadCurrentRow();
    });
}

void RecordMaintenance::insert() {
    m_editMode = 1;
    enterEditing();
    clearEdits();
    if (m_config.firstEdit)
        m_config.firstEdit->setFocus();
}

void RecordMaintenance::modify() {
    m_editMode = 2;
    guarded([this] { loadCurrentRow(); });
    enterEditing();
}

void RecordMaintenance::cellClicked() {
    guarded([this] { loadCurrentRow(); });
}

void RecordMaintenance::cancel() {
    setBrowse();
}

void RecordMaintenance::rollbackQuietly() {
    try {
        Connection& c = Connection::shared();
        if (c.inTransaction())
            c.rollback();
    } catch (const DbError&) {
        // The failure being reported already says what went wrong.
    }
}

QVariant RecordMaintenance::bind(Query& statement, const Param& p, const Query& list) {
    const QVariant value = p.currentColumn.isEmpty() ? p.value() : list.value(p.currentColumn);
    switch (p.kind) {
    case ParamKind::Text:
        statement.setText(p.name, plainText(value), p.width);
        break;
    case ParamKind::Decimal:
        statement.setDecimal(p.name, value);
        break;
    case ParamKind::Integer:
        statement.setInteger(p.name, value);
        break;
    case ParamKind::DateTime:
        statement.setDateTime(p.name, value);
        break;
    }
    return value;
}

QVariant RecordMaintenance::bindAndExec(Query& statement, const std::vector<Param>& params) {
    QVariant boundKey;
    for (const Param& p : params) {
        const QVariant value = bind(statement, p, m_list);
        if (!m_config.keyColumn.isEmpty() &&
            p.name.compare(m_config.keyColumn, Qt::CaseInsensitive) == 0)
            boundKey = value;
    }
    const int changed = statement.exec();
    // An update whose old key matches no row (the list was empty, or another
    // desk removed the record) has written nothing; saying "修改成功！" would
    // lose the typed record without a word, so it fails like any refusal.
    if (changed == 0)
        throw DbError(QStringLiteral("No row was changed."));
    return boundKey;
}

QVariant RecordMaintenance::savedKey(bool inserting, const QVariant& boundKey,
                                     const QVariant& oldKey) {
    if (m_config.keyColumn.isEmpty())
        return {};
    if (boundKey.isValid())
        return boundKey;
    if (!inserting)
        return oldKey;
    if (m_config.table.isEmpty())
        return {};
    // An identity key: the row just inserted is the table's highest, as
    // this transaction holds the table's writes until it commits.
    Query last;
    last.setSql(lastKeySql(m_config.table, m_config.keyColumn));
    last.open();
    return last.value(QStringLiteral("k"));
}

void RecordMaintenance::save() {
    if (m_editMode != 1 && m_editMode != 2)
        return;
    for (const Required& r : m_config.required) {
        if (controlText(r.control).isEmpty()) {
            showNotice(m_screen, kNoticeCaption, r.message, MsgIcon::Information);
            r.control->setFocus();
            return;
        }
    }

    const bool inserting = m_editMode == 1;
    QVariant key;
    try {
        Connection& c = Connection::shared();
        if (c.inTransaction())
            c.rollback();
        c.beginTransaction();
        const QVariant oldKey = !inserting && !m_config.keyColumn.isEmpty() && m_list.isOpen() &&
                                        !m_list.eof()
                                    ? m_list.value(m_config.keyColumn)
                                    : QVariant();
        const QVariant bound = inserting ? bindAndExec(m_insert, m_config.insert.params)
                                         : bindAndExec(m_update, m_config.update.params);
        key = savedKey(inserting, bound, oldKey);
        c.commit();
    } catch (const DbError& e) {
        rollbackQuietly();
        showNotice(m_screen, QString(), failureMessage(m_config.saveFailure, e.text()), MsgIcon::Critical);
        return; // still inserting or modifying, with the typed values
    }

    showNotice(m_screen, kAppCaption, inserting ? kInserted : kUpdated, MsgIcon::NoIcon);
    // The list is read again and stands on the record just saved, which the
    // controls still show, so that 删除 or the next 修改 act on that record.
    guarded([this, &key] {
        m_model.reopen();
        if (!key.isNull())
            m_model.locate(m_config.keyColumn, plainText(key));
    });
    setBrowse();
}

void RecordMaintenance::remove() {
    if (!m_config.canDelete)
        return;
    if (!m_list.isOpen() || m_list.isEmpty()) {
        showNotice(m_screen, kNoticeCaption, kEmptyList, MsgIcon::Warning);
        return;
    }
    // The question is asked about the record in sight: the controls show
    // the row that 是 deletes, whatever they showed before. It comes before
    // the transaction, which holds the write lock: the other desks' saves
    // would wait for as long as the question is open.
    loadCurrentRow();
    if (!askYesNo(m_screen, kQuestionCaption, m_config.deleteQuestion, MsgIcon::Warning))
        return;
    try {
        Connection& c = Connection::shared();
        if (c.inTransaction())
            c.rollback();
        c.beginTransaction();
        m_model.deleteCurrentRow(m_config.table, m_config.keyColumn);
        c.commit();
        // The next row is current now; the controls follow it.
        loadCurrentRow();
    } catch (const DbError& e) {
        rollbackQuietly();
        // Why the row could not go (the tenant still has lets or charges,
        // say) where the screen can tell; else the engine's explanation.
        QString reason;
        if (m_config.deleteFailureReason)
            guarded([&] { reason = m_config.deleteFailureReason(m_list); });
        showNotice(m_screen, kDeleteFailureCaption,
                   reason.isEmpty() ? failureMessage(m_config.deleteFailure, e.text())
                                    : m_config.deleteFailure + QLatin1Char('\n') + reason,
                   MsgIcon::Critical);
    }
}

// --- the register screens' shape ---------------------------------------------

MaintenanceScreen::MaintenanceScreen(QWidget* parent, const char* name, const QString& title)
    : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QLatin1String(name));
    setWindowTitle(title);
}

MaintenanceScreen::~MaintenanceScreen() = default;

QTableView* MaintenanceScreen::build(std::initializer_list<QObject*> above,
                                     RecordMaintenance::Config config, const Shape& shape) {
    const RecordMaintenance::Buttons b = createMaintenanceButtons(this, shape.withModify);
    ButtonRow row;
    for (QAbstractButton* button : {b.insert, b.modify, b.remove, b.post, b.cancel, b.quit})
        if (button)
            row.add(static_cast<QPushButton*>(button));

    auto* grid = new QTableView(this);
    grid->setObjectName(QLatin1String(shape.grid));
    grid->setMinimumSize(shape.gridSize);

    config.buttons = b;
    m_cycle = new RecordMaintenance(this, grid, std::move(config));
    NavigatorBar* navigator = nullptr;
    if (shape.navigator) {
        navigator = new NavigatorBar(&m_cycle->model(), this);
        navigator->setObjectName(QStringLiteral("DBNavigator1"));
    }
    for (int i = 0; i < shape.columnWidths.size(); ++i)
        grid->setColumnWidth(i, shape.columnWidths[i]);

    auto* layout = new QVBoxLayout(this);
    if (navigator)
        layout->addWidget(navigator);
    for (QObject* part : above) {
        if (auto* w = qobject_cast<QWidget*>(part))
            layout->addWidget(w);
        else if (auto* l = qobject_cast<QLayout*>(part))
            layout->addLayout(l);
    }
    layout->addLayout(row.layout());
    layout->addWidget(grid);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(b.insert, &QAbstractButton::clicked, this, &MaintenanceScreen::bitbtn_insertClick);
    if (b.modify)
        connect(b.modify, &QAbstractButton::clicked, this, &MaintenanceScreen::bitbtn_modifyClick);
    connect(b.remove, &QAbstractButton::clicked, this, &MaintenanceScreen::bitbtn_deleteClick);
    connect(b.post, &QAbstractButton::clicked, this, &MaintenanceScreen::bitbtn_postClick);
    connect(b.cancel, &QAbstractButton::clicked, this, &MaintenanceScreen::bitbtn_cancelClick);
    connect(b.quit, &QAbstractButton::clicked, this, &MaintenanceScreen::bitbtn_quitClick);
    if (shape.withModify)
        connect(grid, &QTableView::clicked, m_cycle, &RecordMaintenance::cellClicked);
    else
        connect(grid, &QTableView::doubleClicked, m_cycle, &RecordMaintenance::modify);
    return grid;
}

void MaintenanceScreen::bitbtn_insertClick() {
    m_cycle->insert();
}
void MaintenanceScreen::bitbtn_modifyClick() {
    m_cycle->modify();
}
// A screen that never deletes keeps 删除 disabled, and the cycle refuses.
void MaintenanceScreen::bitbtn_deleteClick() {
    m_cycle->remove();
}
void MaintenanceScreen::bitbtn_postClick() {
    m_cycle->save();
}
void MaintenanceScreen::bitbtn_cancelClick() {
    m_cycle->cancel();
}
void MaintenanceScreen::bitbtn_quitClick() {
    close();
}

// --- building blocks --------------------------------------------------------

RecordMaintenance::Buttons createMaintenanceButtons(QWidget* parent, bool withModify) {
    // Enter in an edit must not press a button: the default button of a
    // dialog could be 修改, which would throw away what was typed.
    RecordMaintenance::Buttons b;
    b.insert = pushButton(QStringLiteral("新增"), "bitbtn_insert", parent);
    if (withModify)
        b.modify = pushButton(QStringLiteral("修改"), "bitbtn_modify", parent);
    b.remove = pushButton(QStringLiteral("删除"), "bitbtn_delete", parent);
    b.post = pushButton(QStringLiteral("保存"), "bitbtn_post", parent);
    b.cancel = pushButton(QStringLiteral("取消"), "bitbtn_cancel", parent);
    b.quit = pushButton(QStringLiteral("退出"), "bitbtn_quit", parent);
    return b;
}

QLineEdit* addLabelledEdit(QGridLayout* grid, int row, int column, const QString& label,
                           const char* name) {
    return FieldGrid(grid).edit({row, column}, label, name);
}
