#include "querymodel.h"

#include "gridexport.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableView>

QueryModel::QueryModel(Query& query, QList<Column> columns, QObject* parent)
    : QAbstractTableModel(parent), m_query(query), m_columns(std::move(columns)) {
    m_result = m_query.result();
    resolveColumns();
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
    m_result = m_query.result();
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
    // before the result changes and again afterwards, success or not.
    beginResetModel();
    try {
        m_query.deleteCurrentRow(table, keyColumn);
    } catch (...) {
        m_result = m_query.result();
        resolveColumns();
        endResetModel();
        emit currentRowChanged(currentRow());
        throw;
    }
    m_result = m_query.result();
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
    if (!m_query.isOpen() || row < 0 || row >= m_query.count())
        return false;
    m_query.seek(row);
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
    return m_result->rowCount();
}

int QueryModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_fieldIndex.size());
}

QVariant QueryModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !m_result || index.row() >= m_result->rowCount())
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
