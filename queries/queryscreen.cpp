#include "queryscreen.h"

#include "errordisplay.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>

#include <memory>

namespace QueryScreen {

namespace {

void addLabelled(QGridLayout* grid, int row, int column, const QString& label, QWidget* control) {
    control->setAccessibleName(QString(label).remove(QChar(u'：')).trimmed());
    auto* caption = new QLabel(label);
    caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    caption->setBuddy(control);
    grid->addWidget(caption, row, column);
    grid->addWidget(control, row, column + 1);
}

} // namespace

QPushButton* button(const QString& caption, const char* name) {
    auto* b = new QPushButton(caption);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

QLineEdit* edit(QGridLayout* grid, int row, int column, const QString& label, const char* name) {
    auto* e = new QLineEdit;
    e->setObjectName(QLatin1String(name));
    addLabelled(grid, row, column, label, e);
    return e;
}

QComboBox* dropDown(QGridLayout* grid, int row, int column, const QString& label, const char* name,
                    const QStringList& items) {
    auto* combo = new QComboBox;
    combo->setObjectName(QLatin1String(name));
    combo->addItems(items);
    combo->setCurrentIndex(-1);
    combo->setMinimumWidth(110);
    addLabelled(grid, row, column, label, combo);
    return combo;
}

QDateEdit* datePicker(QGridLayout* grid, int row, int column, const QString& label,
                      const char* name) {
    auto* date = new QDateEdit;
    date->setObjectName(QLatin1String(name));
    date->setCalendarPopup(true);
    date->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    addLabelled(grid, row, column, label, date);
    return date;
}

QCheckBox* checkBox(const QString& caption, const char* name, bool checked) {
    auto* box = new QCheckBox(caption);
    box->setObjectName(QLatin1String(name));
    box->setChecked(checked);
    return box;
}

QRadioButton* radio(const QString& caption, const char* name, bool checked) {
    auto* r = new QRadioButton(caption);
    r->setObjectName(QLatin1String(name));
    r->setChecked(checked);
    return r;
}

void whenChosen(QRadioButton* radio, QObject* context, const std::function<void()>& chosen) {
    // Every click first presses the button; a press on the chosen button
    // toggles nothing, so its click runs the action itself.
    auto wasChosen = std::make_shared<bool>(false);
    QObject::connect(radio, &QRadioButton::pressed, context,
                     [radio, wasChosen] { *wasChosen = radio->isChecked(); });
    QObject::connect(radio, &QRadioButton::toggled, context, [chosen, wasChosen](bool on) {
        *wasChosen = false;
        if (on)
            chosen();
    });
    QObject::connect(radio, &QRadioButton::clicked, context, [chosen, wasChosen] {
        if (*wasChosen)
            chosen();
        *wasChosen = false;
    });
}

QTableView* grid(const char* name, QueryModel* model, QWidget* parent) {
    auto* view = new QTableView(parent);
    view->setObjectName(QLatin1String(name));
    bindQueryGrid(view, model);
    view->setMinimumSize(760, 300);
    QHeaderView* header = view->horizontalHeader();
    header->setDefaultSectionSize(72);
    // Widths follow the first rows of each result (never the whole of a
    // large one) and only grow, so columns do not jump between searches.
    header->setResizeContentsPrecision(50);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 8);
    const auto fit = [view] {
        // The last column stretches to the grid's edge.
        for (int c = 0; c + 1 < view->model()->columnCount(); ++c) {
            const int before = view->columnWidth(c);
            view->resizeColumnToContents(c);
            view->setColumnWidth(c, qMax(before, view->columnWidth(c) + 8));
        }
    };
    QObject::connect(model, &QAbstractItemModel::modelReset, view, fit);
    fit();
    return view;
}

bool run(QueryModel& model, const std::function<void(Query&)>& prepare) {
    Query& query = model.query();
    query.close();
    const bool ok = guarded([&] {
        prepare(query);
        query.open();
    });
    if (!ok)
        query.close();
    model.refresh();
    return ok;
}

bool openIfClosed(QueryModel& model) {
    if (model.query().isOpen())
        return true;
    return run(model, [](Query&) {});
}

bool isEmptyResult(const Query& query) {
    return !query.isOpen() || query.isEmpty();
}

} // namespace QueryScreen
