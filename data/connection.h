#pragma once
#include "config.h"
#include "dberror.h"
#include "sqlvalue.h"

#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

class ResultSet;

// A parameter value together with its declared kind, ready to bind.
struct BoundParam {
    QString name; // lower case
    ParamKind kind = ParamKind::Text;
    QVariant value;
    int width = 0; // declared width of a text parameter, 0 when not given
};

// One backend of a connection: the embedded engine or SQL Server.
class Backend {
public:
    virtual ~Backend() = default;
    // Whether a select may answer with its first rows and read the rest as
    // they are asked for (see ResultSet). A backend that cannot reads all.
    enum class Fetch { Whole, InSteps };
    // Runs a select; params are in order of first appearance in the text.
    virtual std::shared_ptr<ResultSet> select(const QString& sql, const std::vector<BoundParam>& params,
                                              Fetch fetch = Fetch::Whole) = 0;
    // Runs statements that return no rows; answers the rows changed.
    virtual int execute(const QString& sql, const std::vector<BoundParam>& params) = 0;
    // Compiles the statement without running it: names and syntax are
    // checked as the database would check them.
    virtual void compile(const QString& sql) = 0;
    // Runs a statement of any form: one that returns rows answers its
    // result, any other a null result, with *changed set to the rows changed.
    virtual std::shared_ptr<ResultSet> run(const QString& sql, const std::vector<BoundParam>& params,
                                           int* changed) = 0;
    // Begins a transaction for writing. On the embedded engine it holds the
    // write lock from its start, waiting the busy timeout for another desk's
    // save to end, so a check made inside it still holds when the writes
    // follow and no write in it fails for a lock taken after its reads.
    virtual void begin() = 0;
    virtual void beginWrite() { begin(); }
    virtual void commit() = 0;
    virtual void rollback() = 0;
    virtual bool inTransaction() const = 0;
};

// A database connection. The program has one shared connection (ADOCon);
// the login check opens a second one from the same values.
class Connection {
public:
    enum class Kind { Closed, Embedded, SqlServer, PostgreSql };
    // Whether a missing embedded database file is created (with the schema
    // and the starting rows) or refused with DatabaseFileError::Missing.
    enum class OpenMode { Existing, CreateIfMissing };

    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // The connection every screen uses.
    static Connection& shared();

    // Opens from the four configuration values: a name "sqlite:PATH" is the
    // embedded database file (PATH relative to config.baseDir, else the executable's folder,
    // blanks around it ignored), "postgresql:HOST[:PORT]" a PostgreSQL server
    // (whose empty database OpenMode::CreateIfMissing fills), any other name
    // a SQL Server host. An
    // embedded file must be this program's database; a missing one is
    // created only with OpenMode::CreateIfMissing. Throws DbError with the
    // database's text when the connection fails, DatabaseFileError when the
    // file is refused.
    void open(const ServerConfig& config, OpenMode mode = OpenMode::Existing);
    // The file an embedded configuration names, as open() resolves it; empty
    // for a server.
    static QString embeddedPath(const ServerConfig& config);
    void close();
    bool isOpen() const { return m_backend != nullptr; }
    Kind kind() const { return m_kind; }
    const ServerConfig& config() const { return m_config; }
    QString connectionString() const { return ::connectionString(m_config); }

    // A transaction for writing, holding the write lock from its start (see
    // Backend::begin). Begin it only once every question to the user has
    // been answered: while it is open, the other desks' saves wait.
    void beginTransaction();
    void beginWriteTransaction();
    void commit();
    void rollback();
    bool inTransaction() const;

    // Used by Query; throws DbError("...not open...") on a closed connection.
    Backend& backend();

    // How long an embedded statement waits for another desk's write lock
    // before it fails with the engine's "database is locked"; 15 s unless
    // set. Applies to connections already open too.
    static void setBusyTimeout(int milliseconds);
    static int busyTimeout();

    // Told true when a statement starts waiting for another desk's lock and
    // false when the wait is over (whether it got the lock or not), so the
    // user interface can show that the program waits. One listener for the
    // process; an empty function removes it.
    using LockWaitListener = std::function<void(bool waiting)>;
    static void setLockWaitListener(LockWaitListener listener);
    static const LockWaitListener& lockWaitListener();

private:
    Kind m_kind = Kind::Closed;
    ServerConfig m_config;
    QString m_qtName;
    std::unique_ptr<Backend> m_backend;
};
