#pragma once
#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

// One statement for the database produced from a T-SQL statement.
struct SqliteStatement {
    QString sql;
    // Only compiled, never run: used to make a redefined view fail at once
    // when it names a missing table or column, as the server does.
    bool prepareOnly = false;
};

// The translation of one T-SQL text (which may hold several statements
// separated by ";") into SQLite statements with the server's meaning.
// Parameters ":name" become "?N", N being the position of the name (matched
// without regard to case) among the distinct names in order of first
// appearance, the order Query binds them in. `atomic` is set when one T-SQL
// statement became several SQLite statements that must succeed together.
struct Translation {
    std::vector<SqliteStatement> statements;
    bool atomic = false;
};

// What the engine knows of the open database's columns, by lower-case name:
// 'n' when every table and view holding a column of that name declares it
// numeric/decimal, 'd' date-time, 'i' integer, 'f' float, 't' text, 's' text whose letter case counts (a server's), anything
// else otherwise. A text literal or a parameter compared with a numeric or
// date-time column is converted as the server converts it, and a text that
// does not convert fails with the server's error instead of matching nothing.
// "+" reads the kinds of the columns it adds: a text column holding digits
// is still text and is joined, a numeric column's whole numbers are decimals.
using ColumnKinds = QHash<QString, char>;

// The database a translation is for: the embedded SQLite engine or a
// PostgreSQL server. Both get the same T-SQL with the server's meaning.
enum class SqlDialect { Sqlite, Postgres };

// Throws DbError when a literal compared with a known column cannot convert.
Translation translateTsql(const QString& tsql, const ColumnKinds* kinds = nullptr,
                          SqlDialect dialect = SqlDialect::Sqlite);
