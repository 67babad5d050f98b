// zentavo-sql: a command-line SQL console over the program's own connection
// layer, for administrators and tests.
//
//   zentavo-sql [-c INI] [--create] [--check] [--time] [-Q "statement"]
//   zentavo-sql [-c INI] --backup FILE
//
// The configuration is chosen as the program chooses it: iniFw.ini beside the
// console when one is there, otherwise the one in the user's configuration
// folder, which is written (naming the embedded database in the user's data
// folder) when it does not exist yet. Every failure names the file it read.
//
// --backup writes a consistent copy of the embedded database to FILE
// (readable by its owner only) while other desks may go on working.
// --create makes the embedded database file the configuration names when it
// is missing (with its tables and starting rows); without it a missing file
// is an error, so a mistyped path never starts an empty database. On a
// PostgreSQL server it installs the tables, the starting rows and the
// functions the program's statements use into the configured database when
// that holds none of them yet.
// --check compiles each batch against the database without running it and
// prints "ok" for it (names and syntax are checked).
//
// Without -Q, statements are read from standard input in batches separated
// by lines holding only GO. A result prints as a header line of column names
// and tab-separated rows; any other statement prints "(N rows affected)". A
// failure prints the database's error to standard error and exits non-zero.

#include "backup.h"
#include "config.h"
#include "connection.h"
#include "query.h"
#include "schema.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include "embedded/embeddedbackend.h"
#include "postgres/pgbackend.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTextStream>

namespace {

void runBatch(const QString& sql, QTextStream& out, bool checkOnly)
{
    Query q;
    q.setSql(sql);
    if (checkOnly) {
        q.compile();
        out << "ok\n";
        return;
    }
    // Whether a statement returns rows is what the database says of it, not
    // its first word: WITH may begin an INSERT, a batch may hold several.
    const int changed = q.run();
    if (changed >= 0) {
        out << "(" << changed << (changed == 1 ? " row affected)" : " rows affected)") << "\n";
        return;
    }
    const auto rs = q.result();
    QStringList header;
    for (int c = 0; c < rs->columnCount(); ++c)
        header << rs->columnName(c);
    out << header.join(QLatin1Char('\t')) << "\n";
    for (int r = 0; r < rs->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < rs->columnCount(); ++c)
            cells << (rs->isNull(r, c) ? QStringLiteral("NULL") : rs->text(r, c));
        out << cells.join(QLatin1Char('\t')) << "\n";
    }
    out << "(" << rs->rowCount() << (rs->rowCount() == 1 ? " row affected)" : " rows affected)") << "\n";
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zentavo-sql"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZENTAVO_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Runs Transact-SQL statements over Zentavo's connection. Without -Q, batches are read from "
        "standard input, separated by lines holding only GO."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption iniOption(QStringLiteral("c"), QStringLiteral("Configuration file (default: iniFw.ini beside the console, else %1, written when missing).")
                                                                .arg(QDir(userConfigDir()).filePath(QStringLiteral("iniFw.ini"))),
                                       QStringLiteral("INI"));
    const QCommandLineOption statementOption(QStringLiteral("Q"), QStringLiteral("Runs this one statement."),
                                             QStringLiteral("statement"));
    const QCommandLineOption checkOption(QStringLiteral("check"),
                                         QStringLiteral("Compiles each statement without running it."));
    const QCommandLineOption createOption(QStringLiteral("create"),
                                          QStringLiteral("Creates the embedded database file when it is missing."));
    const QCommandLineOption backupOption(QStringLiteral("backup"),
                                          QStringLiteral("Writes a consistent copy of the embedded database to FILE."),
                                          QStringLiteral("FILE"));
    const QCommandLineOption timeOption(QStringLiteral("time"),
                                        QStringLiteral("Prints the time each batch took, after its result."));
    const QCommandLineOption translationOption(
        QStringLiteral("translation"), QStringLiteral("Prints what the embedded engine runs for each batch, without running it."));
    parser.addOptions({iniOption, statementOption, checkOption, createOption, backupOption, timeOption, translationOption});
    parser.process(app); // --help, --version and unknown options end here

    QTextStream out(stdout);
    QTextStream err(stderr);
    if (!parser.positionalArguments().isEmpty()) {
        err << "unexpected argument: " << parser.positionalArguments().first() << "\n";
        return 2;
    }
    QString iniPath;
    if (parser.isSet(iniOption)) {
        iniPath = parser.value(iniOption);
        if (!QFileInfo(iniPath).isFile()) {
            err << "No configuration file " << iniPath << "\n";
            return 1;
        }
    } else {
        bool written = false;
        iniPath = prepareIniForRun(QString(), &written);
        if (written)
            err << "Wrote the default configuration " << iniPath << "\n";
        else if (!QFileInfo(iniPath).isFile()) {
            err << "No configuration file " << iniPath << ", and it could not be written.\n";
            return 1;
        }
    }
    try {
        Connection::shared().open(readServerConfig(iniPath),
                                  parser.isSet(createOption) ? Connection::OpenMode::CreateIfMissing
                                                             : Connection::OpenMode::Existing);
    } catch (const DbError& e) {
        err << iniPath << ": " << e.text();
        const auto* file = dynamic_cast<const DatabaseFileError*>(&e);
        if (file && file->reason() == DatabaseFileError::Reason::Missing)
            err << " (--create makes it, with its tables and starting rows)";
        err << "\n";
        return 1;
    }

    if (parser.isSet(backupOption)) {
        if (Connection::shared().kind() != Connection::Kind::Embedded) {
            err << "The database is on a server: use SQL Server's own backup and restore.\n";
            return 1;
        }
        const QString source = Connection::embeddedPath(Connection::shared().config());
        const QString dest = parser.value(backupOption);
        try {
            backupDatabaseFile(source, dest);
        } catch (const DbError& e) {
            err << e.text() << "\n";
            return 1;
        }
        out << "backup written: " << dest << "\n";
        return 0;
    }

    QStringList batches;
    if (parser.isSet(statementOption)) {
        batches << parser.value(statementOption);
    } else {
        QTextStream in(stdin);
        batches = Schema::splitBatches(in.readAll());
    }
    for (const QString& batch : batches) {
        try {
            if (parser.isSet(translationOption)) {
                QStringList statements;
                if (auto* engine = dynamic_cast<EmbeddedBackend*>(&Connection::shared().backend()))
                    statements = engine->translationOf(batch);
                else if (auto* server = dynamic_cast<PgBackend*>(&Connection::shared().backend()))
                    statements = server->translationOf(batch);
                else
                    throw DbError(QStringLiteral("--translation needs an embedded database or a PostgreSQL server."));
                for (const QString& st : statements)
                    out << st << ";\n";
                continue;
            }
            QElapsedTimer clock;
            clock.start();
            runBatch(batch, out, parser.isSet(checkOption));
            if (parser.isSet(timeOption))
                out << "(" << QString::number(clock.nsecsElapsed() / 1e6, 'f', 1) << " ms)\n";
            out.flush();
        } catch (const DbError& e) {
            out.flush();
            err << e.text() << "\n";
            return 1;
        }
    }
    return 0;
}
