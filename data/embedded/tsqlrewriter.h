#pragma once
#include <QString>
#include <QStringList>
#include <vector>

// One statement for SQLite produced from a T-SQL statement.
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

Translation translateTsql(const QString& tsql);
