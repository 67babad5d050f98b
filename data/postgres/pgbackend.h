#pragma once
#include "../connection.h"
#include "../tsqlrewriter.h"

#include <QHash>

struct pg_conn;
struct pg_result;

// A PostgreSQL server, opened through Qt's QPSQL driver, whose libpq
// connection then runs the statements the shared rewriter gives the
// server's meaning (see pgdialect.h).
//
// A transaction for writing takes one lock every desk's writes share, as
// the embedded file's write lock does: a check made inside it still holds
// when its writes follow. A desk whose server went away gets the program's
// connection message; the next statement connects again.
class PgBackend : public Backend {
public:
    // Opens the database config names ("postgresql:HOST[:PORT]"); HOST may
    // be the folder of the server's socket. Without the program's tables the
    // database is refused unless mayCreate, which installs them.
    PgBackend(const ServerConfig& config, const QString& qtConnectionName, bool mayCreate);
    ~PgBackend() override;

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
    bool inTransaction() const override { return m_inTransaction; }

    // The server's statements for a T-SQL text, as it would run them.
    QStringList translationOf(const QString& sql);
    // Runs SQL as the server reads it, without translation (set-up scripts).
    void runNative(const QString& sql);

    // A list read in steps (see PgStepSource): reads up to rows more rows;
    // answers whether more may follow.
    bool streamRows(ResultSet& into, int rows, const std::vector<unsigned>& types);
    // Reads past what the server still sends of a list read in steps.
    void endStream();

    // A translated statement as the server is sent it: "?N" markers become
    // "$1", "$2", ... one for each; markers[k] is the parameter (0-based)
    // the k-th stands for.
    static QString numberedStatement(const QString& sql, std::vector<int>& markers);

    // Host and port of a "postgresql:HOST[:PORT]" name; false when it names none.
    static bool parseName(const QString& name, QString* host, int* port);
    // The text a desk shows when its server cannot be reached.
    static QString connectionLostText();

private:
    int runStatements(const QString& sql, const std::vector<BoundParam>& params, std::shared_ptr<ResultSet>* result);
    const Translation& translated(const QString& sql);
    const ColumnKinds& columnKinds();
    void prepareSession();
    void prepareSchema(bool mayCreate);
    bool functionsCurrent();
    void installFunctions();
    void setClock();
    void ensureConnected();
    void finishPending();
    [[noreturn]] void fail(const void* result);
    pg_result* execute(const QByteArray& text, std::vector<unsigned>& types, const std::vector<const char*>& values);
    void forgetPrepared(bool onServer);

    QString m_qtName;
    pg_conn* m_conn = nullptr;
    bool m_inTransaction = false;
    bool m_kindsStale = true;
    ColumnKinds m_kinds;
    QHash<QString, QString> m_keys; // each table's key, as an ORDER BY list
    QHash<QString, Translation> m_translations;
    QString m_clockSent;
    // Statements run on this session (text and parameter types): how often,
    // and the name of those prepared.
    struct Prepared {
        int uses = 0;
        QByteArray name;
    };
    QHash<QByteArray, Prepared> m_prepared;
    int m_preparedCount = 0;
    // The list being read in steps, while the server sends it.
    bool m_streaming = false;
    std::weak_ptr<ResultSet> m_pending;
};
