#pragma once
#include "connection.h"

class QSqlQuery;

// SQL Server through Qt's ODBC driver and FreeTDS. Statements go to the
// server as written; ":name" parameters become positional markers.
class OdbcBackend : public Backend {
public:
    OdbcBackend(const ServerConfig& config, const QString& qtConnectionName);
    // Opens an ODBC connection text as it stands (another driver standing in
    // for the server, in tests).
    OdbcBackend(const QString& odbcConnectionText, const QString& qtConnectionName);
    ~OdbcBackend() override;

    std::shared_ptr<ResultSet> select(const QString& sql, const std::vector<BoundParam>& params,
                                      Fetch fetch = Fetch::Whole) override;
    int execute(const QString& sql, const std::vector<BoundParam>& params) override;
    std::shared_ptr<ResultSet> run(const QString& sql, const std::vector<BoundParam>& params,
                                   int* changed) override;
    void compile(const QString& sql) override;
    void begin() override;
    void commit() override;
    void rollback() override;
    bool inTransaction() const override { return m_inTransaction; }

    // The ODBC connection text for a configuration (a password with ";" or
    // "}" is braced and its "}" doubled).
    static QString odbcConnectionText(const ServerConfig& config);

private:
    QSqlDatabase database() const;
    void run(QSqlQuery& q, const QString& sql, const std::vector<BoundParam>& params);
    QString m_qtName;
    bool m_inTransaction = false;
};
