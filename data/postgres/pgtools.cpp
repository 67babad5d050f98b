#include "pgtools.h"

#include "../dberror.h"
#include "pgbackend.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

namespace PgTools {

namespace {

void run(const QString& tool, const ServerConfig& config, QStringList args, const Waiting& waiting)
{
    const QString path = toolPath(tool);
    if (path.isEmpty())
        throw DbError(QStringLiteral("%1 is not installed (Debian: postgresql-client).").arg(tool));
    QString host;
    int port = 5432;
    PgBackend::parseName(config.name, &host, &port);
    args = QStringList{QStringLiteral("--host"), host, QStringLiteral("--port"), QString::number(port),
                       QStringLiteral("--username"), config.user, QStringLiteral("--no-password")} +
           args + QStringList{QStringLiteral("--dbname"), config.databaseName};
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // The password goes through the environment, never the command line.
    env.insert(QStringLiteral("PGPASSWORD"), config.pass);
    env.insert(QStringLiteral("PGCONNECT_TIMEOUT"), QStringLiteral("5"));
    p.setProcessEnvironment(env);
    p.start(path, args);
    if (!p.waitForStarted())
        throw DbError(QStringLiteral("%1 could not be started.").arg(tool));
    while (!p.waitForFinished(100)) {
        if (waiting && !waiting()) {
            p.kill();
            p.waitForFinished();
            throw DbError(QStringLiteral("%1 was stopped.").arg(tool));
        }
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        throw DbError(QString::fromUtf8(p.readAllStandardError()).trimmed());
}

} // namespace

QString toolPath(const QString& name)
{
    QString path = QStandardPaths::findExecutable(name);
    if (path.isEmpty()) {
        // Debian keeps each version's tools beside its server too.
        for (int version = 20; version >= 11 && path.isEmpty(); --version)
            path = QStandardPaths::findExecutable(name, {QStringLiteral("/usr/lib/postgresql/%1/bin").arg(version)});
    }
    return path;
}

void dump(const ServerConfig& config, const QString& file, const Waiting& waiting)
{
    const QString part = file + QStringLiteral(".zentavo-part");
    try {
        run(QStringLiteral("pg_dump"), config, {QStringLiteral("--format=custom"), QStringLiteral("--file"), part}, waiting);
    } catch (...) {
        QFile::remove(part);
        throw;
    }
    QFile::remove(file);
    if (!QFile::rename(part, file)) {
        QFile::remove(part);
        throw DbError(QStringLiteral("The backup could not be written to %1.").arg(file));
    }
    QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

void restore(const ServerConfig& config, const QString& file, const Waiting& waiting)
{
    run(QStringLiteral("pg_restore"), config,
        {QStringLiteral("--clean"), QStringLiteral("--if-exists"), QStringLiteral("--single-transaction"),
         QStringLiteral("--no-owner"), QStringLiteral("--exit-on-error"), file},
        waiting);
}

} // namespace PgTools
