#pragma once
#include "query.h"

#include <QAbstractTableModel>
#include <QList>
#include <QTimer>
#include <QString>

#include <memory>
#include <vector>

class QTableView;

// A grid model over the open result of a Query. Cells are read in place from
// the query's ResultSet (no copy of the result, no object per cell), so a list
// of a quarter of a million rows opens as fast as the query itself.
//
// The model also carries the list's current row: the query's cursor is the
// record a screen works on, and the grid, the navigator bar and the screen's
// own code all move it through the model, which tells the grid.
//
// The query is not a QObject and cannot announce changes; whoever reopens it
// or deletes a row through it calls refresh() (or uses reopen() and
// deleteCurrentRow(), which do).
class QueryModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // One grid column: the result column shown and its title. An empty list
    // of columns shows every column of the result under its own name.
    struct Column {
        QString field;
        QString title;
    };

    // data() under this role answers the column's FieldKind (as an int), so
    // an export can tell amounts and dates from texts that look like them.
    static constexpr int KindRole = Qt::UserRole + 1;

    // The query's lists are read in steps from now on (Query::setFetchInSteps):
    // the grid shows the first rows at once and the model reads the rest
    // between events, a step at a time, so the window never waits for it.
    explicit QueryModel(Query& query, QList<Column> columns = {}, QObject* parent = nullptr);
    ~QueryModel() override;

    Query& query() const { return m_query; }
    const QList<Column>& columns() const { return m_columns; }
    void setColumns(QList<Column> columns);

    // Takes up the query's current result after it was opened, closed or had
    // a row deleted; views are reset and the grid's current row follows the
    // query's cursor.
    void refresh();
    // Closes and opens the query again (all rows, first row current), then
    // refresh(). A failure of the query is thrown and the model shows no rows.
    void reopen();
    // Deletes the current row from the table by its key (Query::
    // deleteCurrentRow) and shows the list without it; the next row becomes
    // current. On a failure nothing changes and the DbError is thrown.
    void deleteCurrentRow(const QString& table, const QString& keyColumn);

    // The query's current row, -1 when the list is empty or closed.
    int currentRow() const;
    // Moves the query's cursor; answers false when the row does not exist.
    bool moveTo(int row);
    bool first() { return moveTo(0); }
    bool prior() { return moveTo(currentRow() - 1); }
    bool next() { return moveTo(currentRow() + 1); }
    bool last();
    // Whether a row follows the given one (read on when it is not yet shown).
    bool hasRowAfter(int row) const;
    // Reads the rest of the result now: for an export or a printout, which
    // must see every row.
    void fetchAll() const;
    bool canFetchMore(const QModelIndex& parent = {}) const override;
    void fetchMore(const QModelIndex& parent = {}) override;
    // Moves to the first row whose column holds the value as a whole (see
    // Query::locate); answers false, leaving the cursor, when none does.
    bool locate(const QString& column, const QVariant& value);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    // The current row moved (by moveTo, or by refresh to the query's row).
    void currentRowChanged(int row);

private:
    void resolveColumns();
    void takeResult();
    void showFetchedRows(int before);
    void fetchStep();

    Query& m_query;
    QList<Column> m_columns;
    std::shared_ptr<ResultSet> m_result;
    int m_shown = 0; // rows of the result the views know of
    QTimer* m_stepTimer;
    std::vector<int> m_fieldIndex; // result column of each grid column, -1 when absent
    QList<QString> m_titles;
};

// Makes a QTableView the read-only, whole-row grid of a query model: no cell
// editing, one row selected at a time, and the grid's current row and the
// query's cursor kept as one in both directions (a click or a key in the grid
// moves the cursor; moving the cursor selects the row in the grid). A list
// grid offers "导出…" in its context menu; a lookup's candidate grid does not.
void bindQueryGrid(QTableView* view, QueryModel* model, bool exportable = true);
