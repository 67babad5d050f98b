#include "connection.h"

#include "embedded/embeddedbackend.h"
#include "odbcbackend.h"
#include "postgres/pgbackend.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QDir>

namespace {
QAtomicInt g_connectionCounter;
QAtomicInt g_busyTimeout = 15000;

Connection::LockWaitListener& listener()
{
    static Connection::LockWaitListener l;
    return l;
}
} // namespace

void Connection::setBusyTimeout(int milliseconds) { g_busyTimeout.storeRelaxed(qMax(0, milliseconds)); }
int Connection::busyTimeout() { return g_busyTimeout.loadRelaxed(); }
void Connection::setLockWaitListener(LockWaitListener l) { listener() = std::move(l); }
const Connection::LockWaitListener& Connection::lockWaitListener() { return listener(); }

Connection::Connection() = default;
Connection::~Connection() { close(); }

Connection& Connection::shared()
{
    // Never destroyed as a static: Qt's SQL drivers are gone by then. The
    // application closes it when it ends (see open()).
    static Connection* adoCon = new Connection;
    return *adoCon;
}

namespace {
void closeSharedAtExit() { Connection::shared().close(); }
} // namespace

QString Connection::embeddedPath(const ServerConfig& config)
{
    // A blank typed after the path (or before it) never names another file.
    const QString name = config.name.trimmed();
    if (!name.startsWith(QLatin1String("sqlite:"), Qt::CaseInsensitive))
        return QString();
    const QString path = name.mid(7).trimmed();
    if (path.isEmpty())
        return QString();
    // A relative path is taken from the folder of the iniFw.ini naming it.
    const QString base = config.baseDir.isEmpty() ? QCoreApplication::applicationDirPath() : config.baseDir;
    return QDir::isRelativePath(path) ? QDir(base).filePath(path) : path;
}

void Connection::open(const ServerConfig& config, OpenMode mode)
{
    close();
    m_config = config;
    m_qtName = QStringLiteral("zentavo-%1").arg(g_connectionCounter.fetchAndAddOrdered(1));
    if (config.name.trimmed().startsWith(QLatin1String("sqlite:"), Qt::CaseInsensitive)) {
        const QString path = embeddedPath(config);
        if (path.isEmpty())
            throw DbError(QStringLiteral("No database file is named after \"sqlite:\"."));
        m_backend = std::make_unique<EmbeddedBackend>(path, m_qtName, mode == OpenMode::CreateIfMissing);
        m_kind = Kind::Embedded;
    } else if (config.name.trimmed().startsWith(QLatin1String("postgresql:"), Qt::CaseInsensitive)) {
        m_backend = std::make_unique<PgBackend>(config, m_qtName, mode == OpenMode::CreateIfMissing);
        m_kind = Kind::PostgreSql;
    } else {
        if (config.name.trimmed().isEmpty())
            throw DbError(QStringLiteral("No database server is named in the configuration."));
        m_backend = std::make_unique<OdbcBackend>(config, m_qtName);
        m_kind = Kind::SqlServer;
    }
    // Registered after Qt's SQL module registered its own clean-up (at the
    // first connection), so it runs before it: the engine finalizes its
    // statements and the file is closed cleanly, its WAL checkpointed.
    static bool closeRegistered = false;
    if (this == &shared() && !closeRegistered && QCoreApplication::instance()) {
        qAddPostRoutine(closeSharedAtExit);
        closeRegistered = true;
    }
}

void Connection::close()
{
    m_backend.reset();
    m_kind = Kind::Closed;
}

Backend& Connection::backend()
{
    if (!m_backend)
        throw DbError(QStringLiteral("Operation is not allowed when the object is closed."));
    return *m_backend;
}

void Connection::beginTransaction() { backend().begin(); }
void Connection::beginWriteTransaction() { backend().beginWrite(); }
void Connection::commit() { backend().commit(); }
void Connection::rollback() { backend().rollback(); }
bool Connection::inTransaction() const { return m_backend && m_backend->inTransaction(); }
