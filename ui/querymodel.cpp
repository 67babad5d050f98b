#include "querymodel.h"

#include "errordisplay.h"
#include "gridexport.h"

#include <QElapsedTimer>

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableView>

namespace {
// Rows read per step between events, and the time a step may take.
constexpr int kStepRows = 2048;
constexpr int kStepMs = 12;
} // namespace

QueryModel::QueryModel(Query& query, QList<Column> columns, QObject* parent)
    : QAbstractTableModel(parent), m_query(query), m_columns(std::move(columns)), m_stepTimer(new QTimer(this)) {
    m_query.setFetchInSteps(true);
    m_stepTimer->setSingleShot(true);
    m_stepTimer->setInterval(0);
    connect(m_stepTimer, &QTimer::timeout, this, &QueryModel::fetchStep);
    takeResult();
    resolveColumns();
}

QueryModel::~QueryModel() {
    if (m_result)
        m_result->removeGrowthListener(this);
}

// Takes up the query's present result (call between begin/endResetModel).
void QueryModel::takeResult() {
    if (m_result)
        m_result->removeGrowthListener(this);
    m_result = m_query.result();
    m_shown = m_result ? m_result->fetchedRows() : 0;
    if (!m_result)
        return;
    // Rows read by anyone (the query's count, a locate, this model's steps)
    // are shown as they arrive.
    m_result->setGrowthListener(this, [this](int before) { showFetchedRows(before); });
    if (!m_result->complete())
        m_stepTimer->start();
}

void QueryModel::showFetchedRows(int) {
    const int now = m_result ? m_result->fetchedRows() : 0;
    if (now <= m_shown)
        return;
    beginInsertRows({}, m_shown, now - 1);
    m_shown = now;
    endInsertRows();
}

void QueryModel::fetchStep() {
    if (!m_result || m_result->complete())
        return;
    QElapsedTimer clock;
    clock.start();
    try {
        while (!m_result->complete() && clock.elapsed() < kStepMs)
            m_result->fetchMore(kStepRows);
    } catch (const DbError& e) {
        showGeneralError(e.text());
        return;
    }
    if (!m_result->complete())
        m_stepTimer->start();
}

bool QueryModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && m_result && !m_result->complete();
}

void QueryModel::fetchMore(const QModelIndex& parent) {
    if (canFetchMore(parent))
        guarded([this] { m_result->fetchMore(kStepRows); });
}

void QueryModel::fetchAll() const {
    if (m_result)
        m_result->fetchAll();
}

bool QueryModel::last() {
    fetchAll();
    return moveTo(m_shown - 1);
}

bool QueryModel::hasRowAfter(int row) const {
    return row >= 0 && m_result && m_result->hasRow(row + 1);
}

void QueryModel::setColumns(QList<Column> columns) {
    beginResetModel();
    m_columns = std::move(columns);
    resolveColumns();
    endResetModel();
    emit currentRowChanged(currentRow());
}

void QueryModel::resolveColumns() {
    m_fieldIndex.clear();
    m_titles.clear();
    if (m_columns.isEmpty()) {
        // Every column of the result, titled by its name.
        const int n = m_result ? m_result->columnCount() : 0;
        for (int c = 0; c < n; ++c) {
            m_fieldIndex.push_back(c);
            m_titles << m_result->columnName(c);
        }
        return;
    }
    for (const Column& col : m_columns) {
        m_fieldIndex.push_back(m_result ? m_result->columnIndex(col.field) : -1);
        m_titles << col.title;
    }
}

void QueryModel::refresh() {
    beginResetModel();
    takeResult();
    resolveColumns();
    endResetModel();
    emit currentRowChanged(currentRow());
}

void QueryModel::reopen() {
    m_query.close();
    try {
        m_query.open();
    } catch (...) {
        refresh();
        throw;
    }
    refresh();
}

void QueryModel::deleteCurrentRow(const QString& table, const QString& keyColumn) {
    // The row leaves the query's result in place, so the views are told
    // before the result changes and again afterwards, success or not. The
    // whole result is read first: its rows come in while no reset is open.
    fetchAll();
    beginResetModel();
    try {
        m_query.deleteCurrentRow(table, keyColumn);
    } catch (...) {
        takeResult();
        resolveColumns();
        endResetModel();
        emit currentRowChanged(currentRow());
        throw;
    }
    takeResult();
    resolveColumns();
    endResetModel();
    emit currentRowChanged(currentRow());
}

int QueryModel::currentRow() const {
    if (!m_query.isOpen() || m_query.isEmpty())
        return -1;
    return m_query.row();
}

bool QueryModel::moveTo(int row) {
    if (!m_query.isOpen() || !m_query.seek(row))
        return false;
    emit currentRowChanged(row);
    return true;
}

bool QueryModel::locate(const QString& column, const QVariant& value) {
    if (!m_query.isOpen() || m_query.isEmpty())
        return false;
    const int before = m_query.row();
    if (!m_query.locate(column, value)) {
        m_query.seek(before);
        return false;
    }
    emit currentRowChanged(m_query.row());
    return true;
}

int QueryModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !m_result)
        return 0;
    return m_shown;
}

int QueryModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_fieldIndex.size());
}

QVariant QueryModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !m_result || index.row() >= m_shown)
        return {};
    const int field = m_fieldIndex[size_t(index.column())];
    if (field < 0)
        return role == Qt::DisplayRole ? QVariant(QString()) : QVariant();
    switch (role) {
    case Qt::DisplayRole:
        return m_result->text(index.row(), field);
    case KindRole:
        return int(m_result->columnKind(field));
    case Qt::TextAlignmentRole:
        switch (m_result->columnKind(field)) {
        case FieldKind::Integer:
        case FieldKind::Decimal:
        case FieldKind::Float:
            return int(Qt::AlignRight | Qt::AlignVCenter);
        default:
            return int(Qt::AlignLeft | Qt::AlignVCenter);
        }
    default:
        return {};
    }
}

QVariant QueryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    if (section < 0 || section >= m_titles.size())
        return {};
    return m_titles[section];
}

Qt::ItemFlags QueryModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void bindQueryGrid(QTableView* view, QueryModel* model, bool exportable) {
    view->setModel(model);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setWordWrap(false);
    view->verticalHeader()->setVisible(false);
    view->horizontalHeader()->setHighlightSections(false);
    view->horizontalHeader()->setStretchLastSection(true);

    const auto showRow = [view, model](int row) {
        QItemSelectionModel* selection = view->selectionModel();
        if (row < 0 || model->columnCount() == 0) {
            selection->clear();
            return;
        }
        const int column = qMax(view->currentIndex().column(), 0);
        const QModelIndex index = model->index(row, column);
        selection->setCurrentIndex(index,
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        view->scrollTo(index);
    };
    QObject::connect(model, &QueryModel::currentRowChanged, view, showRow);
    QObject::connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged, model,
                     [model](const QModelIndex& current) {
                         if (current.isValid() && current.row() != model->currentRow())
                             model->moveTo(current.row());
                     });
    showRow(model->currentRow());
    if (exportable)
        enableGridExport(view);
}
