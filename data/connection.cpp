#include "connection.h"

#include "embedded/embeddedbackend.h"
#include "odbcbackend.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QDir>

namespace {
QAtomicInt g_connectionCounter;
}

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

void Connection::open(const ServerConfig& config)
{
    close();
    static bool closeRegistered = false;
    if (this == &shared() && !closeRegistered && QCoreApplication::instance()) {
        qAddPostRoutine(closeSharedAtExit);
        closeRegistered = true;
    }
    m_config = config;
    m_qtName = QStringLiteral("zentavo-%1").arg(g_connectionCounter.fetchAndAddOrdered(1));
    if (config.name.startsWith(QLatin1String("sqlite:"), Qt::CaseInsensitive)) {
        QString path = config.name.mid(7);
        if (path.trimmed().isEmpty())
            throw DbError(QStringLiteral("No database file is named after \"sqlite:\"."));
        if (QDir::isRelativePath(path))
            path = QDir(QCoreApplication::applicationDirPath()).filePath(path);
        m_backend = std::make_unique<EmbeddedBackend>(path, m_qtName);
        m_kind = Kind::Embedded;
    } else {
        if (config.name.trimmed().isEmpty())
            throw DbError(QStringLiteral("No database server is named in the configuration."));
        m_backend = std::make_unique<OdbcBackend>(config, m_qtName);
        m_kind = Kind::SqlServer;
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
void Connection::commit() { backend().commit(); }
void Connection::rollback() { backend().rollback(); }
bool Connection::inTransaction() const { return m_backend && m_backend->inTransaction(); }
