#pragma once
#include <QHash>
#include <QString>

// The column a parameter is stored into by an INSERT or an UPDATE, when the
// statement writes the parameter as a value of its own: "insert t (a, b)
// values (:x, :y)", "insert t (a) select :x ...", "update t set a = :x".
// Knowing it, the engine binds the value already in the column's stored form
// (an amount rounded once to the column's scale), so the column rules find
// nothing to convert. A parameter that the statement uses anywhere else (a
// condition comparing it) is left out: rounding it would change what the
// comparison means.
struct ParamColumns {
    QString table; // as named in the statement, without dbo. or brackets
    // parameter name (lower case) -> the columns (lower case) it is stored into
    QHash<QString, QStringList> columns;
};

// Empty (no table) for any other statement.
ParamColumns paramColumns(const QString& tsql);
