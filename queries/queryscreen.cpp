#include "queryscreen.h"

#include "errordisplay.h"

#include <QHeaderView>
#include <QRadioButton>
#include <QTableView>

#include <memory>

namespace QueryScreen {

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
