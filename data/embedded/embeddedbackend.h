#pragma once
#include "../connection.h"

struct sqlite3;

// The embedded engine: a SQLite file opened through Qt's QSQLITE driver,
// whose handle runs the translated statements directly.
class EmbeddedBackend : public Backend {
public:
    // Opens (creating with the schema and starting rows when missing) the
    // file at path. Throws DbError.
    EmbeddedBackend(const QString& path, const QString& qtConnectionName);
    ~EmbeddedBackend() override;

    std::shared_ptr<ResultSet> select(const QString& sql, const std::vector<BoundParam>& params) override;
    int execute(const QString& sql, const std::vector<BoundParam>& params) override;
    void compile(const QString& sql) override;
    void begin() override;
    void commit() override;
    void rollback() override;
    bool inTransaction() const override;

private:
    int run(const QString& sql, const std::vector<BoundParam>& params, std::shared_ptr<ResultSet>* result);
    void openFile(const QString& path, bool isNew);
    void plain(const char* sql);

    QString m_qtName;
    sqlite3* m_db = nullptr;
};
