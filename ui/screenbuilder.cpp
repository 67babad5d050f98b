#include "screenbuilder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>

// --- fields -------------------------------------------------------------------

FieldGrid::FieldGrid(Labels labels) : m_grid(new QGridLayout), m_labels(labels) {}

FieldGrid::FieldGrid(QWidget* box, Labels labels) : m_grid(new QGridLayout(box)), m_labels(labels) {}

FieldGrid::FieldGrid(QGridLayout* grid, Labels labels) : m_grid(grid), m_labels(labels) {}

void FieldGrid::place(Cell cell, const QString& label, QWidget* control, const char* name) {
    control->setObjectName(QLatin1String(name));
    control->setAccessibleName(accessibleText(label));
    auto* caption = new QLabel(label);
    caption->setBuddy(control);
    if (m_labels == Labels::Above) {
        m_grid->addWidget(caption, cell.row, cell.column);
        m_grid->addWidget(control, cell.row + 1, cell.column, 1, cell.span, cell.align);
        return;
    }
    caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_grid->addWidget(caption, cell.row, cell.column);
    m_grid->addWidget(control, cell.row, cell.column + 1, 1, cell.span, cell.align);
}

QLineEdit* FieldGrid::edit(Cell cell, const QString& label, const char* name) {
    return add(cell, label, new QLineEdit, name);
}

QLineEdit* FieldGrid::aqua(Cell cell, const QString& label, const char* name) {
    QLineEdit* e = edit(cell, label, name);
    e->setEnabled(false);
    setAqua(e);
    return e;
}

QComboBox* FieldGrid::combo(Cell cell, const QString& label, const char* name,
                            const QStringList& items, Choice choice) {
    auto* box = new QComboBox;
    if (choice == Choice::Typed) {
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
    }
    box->addItems(items);
    box->setCurrentIndex(-1);
    if (choice == Choice::Typed)
        box->setEditText(QString());
    return add(cell, label, box, name);
}

QDateEdit* FieldGrid::date(Cell cell, const QString& label, const char* name) {
    auto* d = new QDateEdit;
    d->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    d->setCalendarPopup(true);
    return add(cell, label, d, name);
}

QCheckBox* FieldGrid::check(Cell cell, const QString& text, const char* name, bool checked) {
    QCheckBox* box = checkBox(text, name, nullptr, checked);
    m_grid->addWidget(box, cell.row, cell.column, 1, cell.span, cell.align);
    return box;
}

QLabel* FieldGrid::labelOf(const QWidget* control) const {
    for (int i = 0; i < m_grid->count(); ++i)
        if (auto* label = qobject_cast<QLabel*>(m_grid->itemAt(i)->widget()))
            if (label->buddy() == control)
                return label;
    return nullptr;
}

// --- buttons ------------------------------------------------------------------

QPushButton* pushButton(const QString& text, const char* name, QWidget* parent, bool enabled) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    b->setDefault(false);
    b->setEnabled(enabled);
    return b;
}

QCheckBox* checkBox(const QString& text, const char* name, QWidget* parent, bool checked) {
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(QLatin1String(name));
    box->setAccessibleName(accessibleText(text));
    box->setChecked(checked);
    return box;
}

QRadioButton* radioButton(const QString& text, const char* name, QWidget* parent, bool checked) {
    auto* radio = new QRadioButton(text, parent);
    radio->setObjectName(QLatin1String(name));
    radio->setAccessibleName(accessibleText(text));
    radio->setChecked(checked);
    return radio;
}

ButtonRow::ButtonRow(QWidget* parent, Place place)
    : m_parent(parent), m_row(new QHBoxLayout), m_centred(place == Place::Centred) {
    m_row->addStretch();
    if (m_centred)
        m_row->addStretch();
}

void ButtonRow::add(QPushButton* button) {
    // Before the closing stretch of a centred row.
    m_row->insertWidget(m_centred ? m_row->count() - 1 : m_row->count(), button);
}

QPushButton* ButtonRow::add(const QString& text, const char* name, bool enabled) {
    QPushButton* b = pushButton(text, name, m_parent, enabled);
    add(b);
    return b;
}

void ButtonRow::addSpacing(int pixels) {
    m_row->insertSpacing(m_centred ? m_row->count() - 1 : m_row->count(), pixels);
}

// --- helpers ------------------------------------------------------------------

QString accessibleText(const QString& label) {
    QString text = label;
    text.remove(QChar(u'：')).remove(QLatin1Char(':')).remove(QLatin1Char('&'));
    text.remove(QChar(u' ')).remove(QChar(u'\u3000'));
    return text;
}

void setAqua(QWidget* control) {
    QPalette palette = control->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Base, QColor(0, 255, 255));
        palette.setColor(group, QPalette::Text, QColor(0, 0, 0));
    }
    control->setPalette(palette);
}

void setTabChain(std::initializer_list<QWidget*> controls) {
    QWidget* before = nullptr;
    for (QWidget* w : controls) {
        if (before)
            QWidget::setTabOrder(before, w);
        before = w;
    }
}
