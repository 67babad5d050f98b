#include "lookupfield.h"

#include "errordisplay.h"
#include "messages.h"

#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPalette>
#include <QTableView>

namespace {

bool isBlank(QChar c) {
    return c.unicode() <= 0x20 || c.isSpace();
}

QString trimmed(const QString& text) {
    qsizetype begin = 0, end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

bool isEnter(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

LookupField::LookupField(QWidget* screen, Config config)
    : QObject(screen), m_screen(screen), m_edit(config.edit), m_grid(config.grid),
      m_config(std::move(config)) {
    m_model = new QueryModel(m_query, m_config.columns, this);
    bindQueryGrid(m_grid, m_model, false);
    m_grid->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    m_grid->horizontalHeader()->setStretchLastSection(false);
    // Compact rows and columns, so a 241-pixel grid shows several candidates.
    m_grid->horizontalHeader()->setDefaultSectionSize(72);
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 6);
    QPalette palette = m_grid->palette();
    palette.setColor(QPalette::Base, QColor(0, 255, 255)); // aqua
    m_grid->setPalette(palette);
    m_grid->setFixedWidth(kGridWidth);
    m_grid->hide();

    m_edit->installEventFilter(this);
    m_grid->installEventFilter(this);
    connect(m_edit, &QLineEdit::textChanged, this, &LookupField::editChanged);
    connect(m_grid, &QTableView::doubleClicked, this, &LookupField::gridChosen);
}

QString LookupField::pattern(const QString& text) {
    return trimmed(text) + QLatin1Char('%');
}

void LookupField::open() {
    m_grid->setFixedHeight(m_config.gridHeight);
    hideGrid();
    m_query.close();
    m_query.setSql(m_config.unfilteredSql);
    m_model->reopen();
}

void LookupField::reopen() {
    m_model->reopen();
}

void LookupField::showGrid() {
    // The grid floats over the screen's other controls, left-aligned with the
    // edit and directly beneath it, wherever the layout has put the edit.
    const QPoint below = m_edit->mapTo(m_grid->parentWidget(), QPoint(0, m_edit->height()));
    m_grid->move(below);
    m_grid->raise();
    m_grid->show();
}

void LookupField::hideGrid() {
    m_grid->hide();
}

bool LookupField::gridShown() const {
    return m_grid->isVisibleTo(m_grid->parentWidget());
}

void LookupField::editChanged() {
    guarded([this] {
        m_query.close();
        m_query.setSql(m_config.filteredSql);
        const QString value = pattern(m_edit->text());
        for (const QString& name : m_config.filterParams)
            m_query.setText(name, value);
        m_model->reopen();
        showGrid();
    });
}

void LookupField::copyKey() {
    // An empty candidate list copies empty text.
    m_edit->setText(m_query.isOpen() ? m_query.text(m_config.keyColumn) : QString());
}

void LookupField::gridChosen() {
    copyKey();
    hideGrid();
    m_edit->setFocus();
}

void LookupField::enterInEdit() {
    switch (m_config.enter) {
    case EnterInEdit::CopyCurrentRow:
        copyKey();
        showGrid();
        m_edit->setFocus();
        break;
    case EnterInEdit::FirstRowOrNotice:
        m_model->reopen();
        if (m_query.isEmpty()) {
            showNotice(m_screen, QStringLiteral("房屋出租管理"), m_config.noRowNotice,
                       MsgIcon::NoIcon);
            hideGrid();
            break;
        }
        copyKey();
        showGrid();
        m_edit->setFocus();
        break;
    case EnterInEdit::FirstRowOrEmpty:
        m_model->reopen();
        copyKey();
        showGrid();
        m_edit->setFocus();
        break;
    }
}

void LookupField::digitTyped(const QString& digit) {
    showGrid();
    // The caret may stand anywhere; the text looked for has the digit at the
    // end. The change that follows re-runs the query anyway.
    const QString wanted = trimmed(m_edit->text() + digit);
    if (m_query.isOpen() && m_query.locate(m_config.keyColumn, wanted))
        m_model->moveTo(m_query.row());
}

bool LookupField::editKey(int key) {
    if (key == Qt::Key_F1 || key == Qt::Key_Down) {
        showGrid();
        m_grid->setFocus();
        return true;
    }
    if (isEnter(key)) {
        guarded([this] { enterInEdit(); });
        return true;
    }
    return key == Qt::Key_Escape;
}

bool LookupField::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (watched == m_edit) {
        if (editKey(key->key()))
            return true;
        const QString typed = key->text();
        if (typed.size() == 1 && typed[0] >= QLatin1Char('0') && typed[0] <= QLatin1Char('9'))
            guarded([this, typed] { digitTyped(typed); });
        return false; // the character still enters the edit
    }
    if (watched == m_grid) {
        if (isEnter(key->key())) {
            guarded([this] { gridChosen(); });
            return true;
        }
        return key->key() == Qt::Key_Escape;
    }
    return false;
}

CompletingSearchEdit::CompletingSearchEdit(QObject* parent, Config config)
    : QObject(parent), m_config(std::move(config)) {
    m_config.edit->installEventFilter(this);
    connect(m_config.edit, &QLineEdit::textChanged, this, &CompletingSearchEdit::editChanged);
}

void CompletingSearchEdit::editChanged() {
    if (m_config.search)
        guarded(m_config.search);
}

bool CompletingSearchEdit::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_config.edit || event->type() != QEvent::KeyPress)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    Query& query = *m_config.query;
    if (isEnter(key->key())) {
        guarded([this, &query] {
            m_config.edit->setText(query.isOpen() ? query.text(m_config.keyColumn) : QString());
            if (m_config.focusAfterEnter)
                m_config.edit->setFocus();
        });
        return true;
    }
    const QString typed = key->text();
    if (typed.size() == 1 && typed[0] >= QLatin1Char('0') && typed[0] <= QLatin1Char('9')) {
        guarded([this, &query, typed] {
            if (query.isOpen())
                query.locate(m_config.keyColumn, trimmed(m_config.edit->text() + typed));
        });
    }
    return false;
}
