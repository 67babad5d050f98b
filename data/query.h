#pragma once
#include "connection.h"
#include "resultset.h"

#include <QStringList>
#include <memory>
#include <vector>

// One statement on a connection, as the screens use it: text set as lines,
// named parameters ":name" (matched without regard to case) with declared
// kinds, a static result with a current row, or a statement that returns no
// rows. Every failure is a DbError carrying the database's text.
class Query {
public:
    explicit Query(Connection& connection = Connection::shared());

    // Statement text; lines are joined with "\n" exactly as written.
    void setSql(const QStringList& lines);
    void setSql(const QString& text);
    void addLine(const QString& line);
    void clearSql();
    const QString& sql() const { return m_sql; }
    // Parameter names as they appear in the text (first spelling, in order).
    QStringList paramNames() const;

    // Binding. A name that the text does not hold is an error, as it is for
    // the screens' query objects. Values are converted when the statement
    // runs: a text that is not a number (decimal, integer) or not a date
    // (date-time) fails then with the server's conversion error.
    void setText(const QString& name, const QString& value, int width = 0);
    void setDecimal(const QString& name, const QVariant& value);
    void setDateTime(const QString& name, const QVariant& value);
    void setInteger(const QString& name, const QVariant& value);
    void setNull(const QString& name, ParamKind kind = ParamKind::Text);

    // Runs the select and keeps its result; the first row is current.
    void open();
    // Whether open() reads only the first rows and leaves the rest to be
    // fetched as a grid shows them (count, locate, last and any row asked
    // for still read on, so they see the whole result). Set for the lists
    // grids show; off by default.
    void setFetchInSteps(bool on) { m_inSteps = on; }
    // Runs a statement that returns no rows; answers the rows changed.
    int exec();
    // Runs a statement of any form (a WITH before an insert, several
    // statements): one that returns rows keeps its result as open() does and
    // answers -1; any other answers the rows it changed, as exec().
    int run();
    // Checks the statement against the database without running it.
    void compile();
    void close();
    bool isOpen() const { return m_result != nullptr; }

    // Cursor over the open result.
    int count() const;
    bool isEmpty() const;
    int row() const { return m_row; } // -1 when empty
    bool eof() const;
    bool first();
    bool last();
    bool next();
    bool prior();
    bool seek(int row);
    // Moves to the first row whose column equals the value as a whole
    // (texts compared as the database compares names: case-insensitively).
    bool locate(const QString& column, const QVariant& value);

    // Fields of the current row, by column name (case-insensitive).
    // A missing column is an error; on an empty result values are null.
    QVariant value(const QString& column) const;
    QString text(const QString& column) const;
    double number(const QString& column) const;
    qint64 integer(const QString& column) const;
    QDateTime dateTime(const QString& column) const;
    bool isNull(const QString& column) const;
    FieldKind kind(const QString& column) const;

    // The open result itself, for grids; null when closed.
    std::shared_ptr<ResultSet> result() const { return m_result; }

    // Deletes the current row from its table, found by the key column's
    // value in this row, and removes it from the result; the next row becomes
    // current. Runs in whatever transaction is open.
    void deleteCurrentRow(const QString& table, const QString& keyColumn);

    Connection& connection() const { return m_connection; }

private:
    int requireColumn(const QString& column) const;
    std::vector<BoundParam> orderedParams() const;
    void bind(const QString& name, ParamKind kind, const QVariant& value, int width);

    Connection& m_connection;
    QString m_sql;
    std::vector<BoundParam> m_params; // one per distinct name, in order
    std::shared_ptr<ResultSet> m_result;
    int m_row = -1;
    bool m_inSteps = false;
};

// Finds the named parameters of a statement: ":name" outside string
// literals, quoted names and comments. Names come back in order of first
// appearance, each once, spelled as first written.
QStringList scanParamNames(const QString& sql);
