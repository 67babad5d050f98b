#pragma once
#include "sqlvalue.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <cstdint>
#include <string>
#include <vector>

// A static, fully read result. Values are kept column by column in a compact
// form (a type tag and eight bytes per cell, repeated texts shared), so a
// quarter of a million charge rows stay small and a grid reads them in place.
class ResultSet {
public:
    int rowCount() const { return m_rows; }
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
    std::vector<Column> m_columns;
    int m_rows = 0;
};
