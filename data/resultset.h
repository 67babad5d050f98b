#pragma once
#include "sqlvalue.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class ResultSet;

// Where the rest of a result read in steps comes from (an engine statement
// still running). fetch() appends up to `rows` rows and answers whether more
// may follow; it throws DbError when the statement fails.
class RowSource {
public:
    virtual ~RowSource() = default;
    virtual bool fetch(ResultSet& into, int rows) = 0;
};

// A static result. Values are kept column by column in a compact
// form (a type tag and eight bytes per cell, repeated texts shared), so a
// quarter of a million charge rows stay small and a grid reads them in place.
//
// A result may arrive in steps: the backend reads the first rows and leaves
// the rest to a RowSource. Everything that asks about the whole result
// (rowCount(), a row not read yet, removeRow()) reads the rest first, so it
// sees exactly what a whole read would; only a grid shows fetchedRows() and
// reads on with fetchMore() while the window stays responsive.
class ResultSet {
public:
    ResultSet();
    ~ResultSet();
    ResultSet(const ResultSet&) = delete;
    ResultSet& operator=(const ResultSet&) = delete;

    // Every row of the result (reads the rest first).
    int rowCount() const;
    // Whether the row exists, reading on up to it when needed.
    bool hasRow(int row) const;
    // The rows read so far, and whether that is all of them.
    int fetchedRows() const { return m_rows; }
    bool complete() const { return !m_source; }
    // Reads up to `rows` more rows; answers how many came. A failure ends
    // the result where it stands and is thrown.
    int fetchMore(int rows);
    void fetchAll() const;
    // Told after rows were added by a fetch, with the count before; one
    // listener (a grid's model), identified by owner so it can remove itself.
    void setGrowthListener(const void* owner, std::function<void(int before)> listener);
    void removeGrowthListener(const void* owner);
    int columnCount() const { return int(m_columns.size()); }
    QString columnName(int col) const { return m_columns[size_t(col)].name; }
    FieldKind columnKind(int col) const { return m_columns[size_t(col)].kind; }
    // Case-insensitive; -1 when there is no such column.
    int columnIndex(const QString& name) const;

    QVariant value(int row, int col) const;
    bool isNull(int row, int col) const;
    QString text(int row, int col) const; // plain text, see plainText()

    // Building (backends only).
    void addColumn(const QString& name, FieldKind kind);
    void setColumnKind(int col, FieldKind kind) { m_columns[size_t(col)].kind = kind; }
    void appendNull(int col);
    void appendInt(int col, qint64 v);
    void appendDouble(int col, double v);
    void appendText(int col, const QString& v);
    // A text given as UTF-8 bytes; repeated texts are decoded once.
    void appendTextUtf8(int col, const char* bytes, int size);
    void appendDateTime(int col, const QDateTime& v);
    // A date-time given by its Julian day and milliseconds since midnight.
    void appendDateTime(int col, qint64 julianDay, int msecsOfDay);
    void appendValue(int col, const QVariant& v);
    void finishRow() { ++m_rows; }
    // The rest of the result, read on demand (backends only).
    void setSource(std::unique_ptr<RowSource> source) { m_source = std::move(source); }

    void removeRow(int row);

private:
    enum Tag : std::uint8_t { Null, Int, Double, Text, DateTime };
    struct Column {
        QString name;
        FieldKind kind = FieldKind::Unknown;
        std::vector<std::uint8_t> tags;
        // integer, double bits, text index, or a date-time as
        // julianDay * 86400000 + msecsOfDay (no time zone arithmetic)
        std::vector<qint64> payload;
        std::vector<QString> texts;
        // Open-addressing index of the distinct texts by their UTF-8 bytes:
        // buckets hold text index + 1 (0 empty); bytes live in one arena.
        std::vector<std::uint32_t> buckets;
        std::vector<std::uint64_t> hashes;
        std::vector<std::uint32_t> offsets; // texts.size() + 1 entries
        std::string arena;
        void growIndex();
    };
    void ensureRow(int row) const;

    std::vector<Column> m_columns;
    int m_rows = 0;
    std::unique_ptr<RowSource> m_source;
    const void* m_listenerOwner = nullptr;
    std::function<void(int)> m_listener;
};
