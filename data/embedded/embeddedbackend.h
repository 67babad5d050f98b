#pragma once
#include "../connection.h"
#include "../tsqlrewriter.h"

#include <QElapsedTimer>
#include <QHash>
#include <QSet>

struct sqlite3;
struct sqlite3_stmt;

// The precision and scale of a numeric column; 0 precision: none.
struct NumericRule {
    int precision = 0;
    int scale = 0;
};

// The embedded engine: a SQLite file opened through Qt's QSQLITE driver,
// whose handle runs the translated statements directly.
class EmbeddedBackend : public Backend {
public:
    // Opens the file at path: this program's database, upgraded to the
    // current version when older. A missing file is created with the schema
    // and the starting rows when mayCreate, readable by its owner only.
    // Throws DbError; DatabaseFileError for a file it refuses untouched.
    EmbeddedBackend(const QString& path, const QString& qtConnectionName, bool mayCreate);
    ~EmbeddedBackend() override;

    std::shared_ptr<ResultSet> select(const QString& sql, const std::vector<BoundParam>& params,
                                      Fetch fetch = Fetch::Whole) override;
    int execute(const QString& sql, const std::vector<BoundParam>& params) override;
    std::shared_ptr<ResultSet> run(const QString& sql, const std::vector<BoundParam>& params,
                                   int* changed) override;
    void compile(const QString& sql) override;
    void begin() override;
    void beginWrite() override;
    void commit() override;
    void rollback() override;
    bool inTransaction() const override;

    // The engine's statements for a T-SQL text, as it would run them.
    QStringList translationOf(const QString& sql);
    // A compiled statement goes back to the cache (a result read in steps
    // gives its statement back when read to the end).
    void giveBack(const QByteArray& text, sqlite3_stmt* st);

private:
    int runStatements(const QString& sql, const std::vector<BoundParam>& params, std::shared_ptr<ResultSet>* result,
                      Fetch fetch);
    void readPendingResults();
    static int busyHandler(void* self, int count);
    void endLockWait();
    void openFile(const QString& path, bool mayCreate);
    void prepareSchema(const QString& path, bool mayCreate);
    void upgradeFrom1();
    void upgradeFrom2();
    void addCheckOutLines();
    void addUnpaidIndexes();
    void indexReadingTables();
    void upgradeChargeBook();
    void addPayments();
    void runSchemaBatchesCreating(const QString& table);
    void plain(const char* sql);
    qint64 pragmaInt(const char* sql);
    const ColumnKinds& columnKinds();
    const Translation& translated(const QString& sql);
    const QHash<QString, NumericRule>& numericColumns(const QString& table);
    const std::vector<NumericRule>& numericRules(const QString& sql, const std::vector<BoundParam>& params);
    sqlite3_stmt* takeStatement(const QByteArray& text);
    void finalizeCached();

    ColumnKinds m_kinds;
    // Columns every table and view declares as text (lower case).
    QSet<QString> m_textColumns;
    qint64 m_kindsVersion = -1;
    sqlite3_stmt* m_schemaVersion = nullptr;
    // The screens run the same statements over and over: their translations
    // (kept while the schema is unchanged) and their compiled statements
    // (which the engine compiles again itself after a schema change) are
    // kept and used again.
    QHash<QString, Translation> m_translations;
    qint64 m_translationsVersion = -2;
    QHash<QByteArray, sqlite3_stmt*> m_statements;
    // Kept with the translations: the numeric columns each statement's
    // parameters are stored into, and each table's numeric columns.
    QHash<QString, std::vector<NumericRule>> m_numericRules;
    QHash<QString, QHash<QString, NumericRule>> m_numericColumns;
    // Results still being read in steps.
    std::vector<std::weak_ptr<ResultSet>> m_pending;

    QString m_qtName;
    sqlite3* m_db = nullptr;
    QElapsedTimer m_waitTimer; // since the present wait for a lock began
    bool m_waiting = false;    // the lock-wait listener was told a wait began
};
