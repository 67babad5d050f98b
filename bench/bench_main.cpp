// zentavo-bench [rows [database [section...]]]: seeds 20,000 tenants,
// 2,000 let rooms, two years of monthly reading tables and `rows` rows in each
// charge table (250,000 by default), then runs every registered section in
// order, or only the sections named. The database is an embedded file, or an
// iniFw.ini naming a PostgreSQL server (its database empty or seeded before);
// with a file that exists already or a server database holding tenants,
// seeding is skipped. On a server the bare figures are the server's own
// libpq connection running the statements the program sends it.
#include "bench.h"
#include "benchseed.h"
#include "querymodel.h"

#include <QAbstractItemView>

#include "config.h"
#include "connection.h"
#include "postgres/pgbackend.h"
#include "query.h"
#include "embedded/sqlitefunctions.h"
#include "tsqlrewriter.h"

#include <QApplication>
#include <QWidget>
#include <QKeyEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <libpq-fe.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
struct Section {
    const char* name;
    int order;
    BenchFn fn;
};
std::vector<Section>& sections()
{
    static std::vector<Section> s;
    return s;
}
QString g_file;
ServerConfig g_server; // set when the bench runs on a PostgreSQL server

PgBackend* serverBackend() { return dynamic_cast<PgBackend*>(&Connection::shared().backend()); }

// The bare server: a libpq connection of its own to the same database.
PGconn* bareServer()
{
    static PGconn* conn = [] {
        QString host;
        int port = 5432;
        PgBackend::parseName(g_server.name, &host, &port);
        const char* keys[] = {"host", "port", "dbname", "user", "password", nullptr};
        const QByteArray values[] = {host.toUtf8(), QByteArray::number(port), g_server.databaseName.toUtf8(),
                                     g_server.user.toUtf8(), g_server.pass.toUtf8()};
        const char* v[] = {values[0].constData(), values[1].constData(), values[2].constData(),
                           values[3].constData(), values[4].constData(), nullptr};
        PGconn* c = PQconnectdbParams(keys, v, 0);
        PQclear(PQexec(c, "SET DateStyle = 'ISO, YMD'"));
        return c;
    }();
    return conn;
}

// Runs one translated statement on the bare server, reading `rows` rows of
// it (all when negative), every column of each.
void bareServerRun(const QString& sql, int rows, const QStringList& params)
{
    std::vector<int> markers;
    const QByteArray text = PgBackend::numberedStatement(sql, markers).toUtf8();
    std::vector<QByteArray> values;
    std::vector<const char*> pointers;
    for (int m : markers)
        values.push_back(params.value(m).toUtf8());
    for (const QByteArray& v : values)
        pointers.push_back(v.constData());
    PGconn* c = bareServer();
    if (!PQsendQueryParams(c, text.constData(), int(pointers.size()), nullptr, pointers.data(), nullptr, nullptr, 0))
        return;
    PQsetSingleRowMode(c);
    int n = 0;
    while (PGresult* r = PQgetResult(c)) {
        if (PQresultStatus(r) == PGRES_FATAL_ERROR)
            std::fprintf(stderr, "bare server: %s", PQresultErrorMessage(r));
        for (int row = 0; row < PQntuples(r) && (rows < 0 || n < rows); ++row, ++n)
            for (int col = 0; col < PQnfields(r); ++col)
                PQgetvalue(r, row, col);
        PQclear(r);
        if (rows >= 0 && n >= rows) {
            // What a list reads first: the rest is not waited for.
            PQrequestCancel(c);
            while (PGresult* rest = PQgetResult(c))
                PQclear(rest);
            break;
        }
    }
}
} // namespace

int registerBench(const char* name, int order, BenchFn fn)
{
    sections().push_back({name, order, fn});
    return 0;
}

double timeMs(const std::function<void()>& fn)
{
    QElapsedTimer t;
    t.start();
    fn();
    return t.nsecsElapsed() / 1e6;
}

double bareMs(const QString& tsql, const QStringList& params) { return bareFirstRowsMs(tsql, -1, params); }

double openMs(QWidget* window)
{
    return timeMs([&] {
        window->show();
        window->repaint();
    });
}

double listsCompleteMs(QWidget* window)
{
    const auto reading = [window] {
        for (const QAbstractItemView* view : window->findChildren<QAbstractItemView*>())
            if (const auto* list = qobject_cast<const QueryModel*>(view->model()); list && list->canFetchMore())
                return true;
        return false;
    };
    return timeMs([&] {
        while (reading())
            QApplication::processEvents();
    });
}

double bareFirstRowsMs(const QString& tsql, int rows, const QStringList& params)
{
    if (PgBackend* server = serverBackend()) {
        const QStringList statements = server->translationOf(tsql);
        return timeMs([&] {
            for (const QString& st : statements)
                bareServerRun(st, rows, params);
        });
    }
    // One handle for the whole run, so its page cache is as warm as the
    // program's own connection.
    static sqlite3* db = [] {
        sqlite3* h = nullptr;
        sqlite3_open_v2(g_file.toUtf8().constData(), &h, SQLITE_OPEN_READWRITE, nullptr);
        registerServerFunctions(h);
        return h;
    }();
    const Translation tr = translateTsql(tsql);
    double ms = timeMs([&] {
        for (const SqliteStatement& st : tr.statements) {
            sqlite3_stmt* stmt = nullptr;
            const QByteArray sql = st.sql.toUtf8();
            if (sqlite3_prepare_v2(db, sql.constData(), -1, &stmt, nullptr) != SQLITE_OK) {
                std::fprintf(stderr, "bare engine: %s\n", sqlite3_errmsg(db));
                return;
            }
            if (st.prepareOnly) {
                sqlite3_finalize(stmt);
                continue;
            }
            for (int i = 0; i < params.size(); ++i) {
                const QByteArray v = params[i].toUtf8();
                sqlite3_bind_text(stmt, i + 1, v.constData(), v.size(), SQLITE_TRANSIENT);
            }
            for (int n = 0; (rows < 0 || n < rows) && sqlite3_step(stmt) == SQLITE_ROW; ++n)
                for (int c = 0; c < sqlite3_column_count(stmt); ++c)
                    sqlite3_column_text(stmt, c);
            sqlite3_finalize(stmt);
        }
    });
    return ms;
}

double keystrokeMs(QWidget* field, char key)
{
    QApplication::processEvents();
    return timeMs([&] {
        const auto code = Qt::Key(Qt::Key_0 + (key - '0'));
        QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier, QString(QLatin1Char(key)));
        QKeyEvent release(QEvent::KeyRelease, code, Qt::NoModifier, QString(QLatin1Char(key)));
        QApplication::sendEvent(field, &press);
        QApplication::sendEvent(field, &release);
        field->window()->repaint();
    });
}

double bareExecMs(const QString& tsql, const QList<QStringList>& rows)
{
    if (PgBackend* server = serverBackend()) {
        // The bare server's writes are rolled back, so that later sections
        // read the data the program left, not a second copy of every row.
        const QString st = server->translationOf(tsql).value(0);
        PGconn* c = bareServer();
        const double ms = timeMs([&] {
            PQclear(PQexec(c, "BEGIN"));
            for (const QStringList& params : rows)
                bareServerRun(st, -1, params);
        });
        PQclear(PQexec(c, "ROLLBACK"));
        return ms;
    }
    // The bare engine writes into a copy of the file, so that it commits as
    // the program does and later sections still read the data the program
    // left, not a second copy of every row.
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("bare.db"));
    QFile::copy(g_file, copy);
    if (QFile::exists(g_file + QStringLiteral("-wal")))
        QFile::copy(g_file + QStringLiteral("-wal"), copy + QStringLiteral("-wal"));
    sqlite3* db = nullptr;
    sqlite3_open_v2(copy.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    registerServerFunctions(db);
    sqlite3_busy_timeout(db, 15000);
    sqlite3_exec(db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    // Read once before the clock starts, as the program's file is open already.
    sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    const Translation tr = translateTsql(tsql);
    sqlite3_stmt* stmt = nullptr;
    const QByteArray sql = tr.statements.front().sql.toUtf8();
    const double ms = timeMs([&] {
        sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        if (sqlite3_prepare_v2(db, sql.constData(), -1, &stmt, nullptr) != SQLITE_OK) {
            std::fprintf(stderr, "bare engine: %s\n", sqlite3_errmsg(db));
            return;
        }
        for (const QStringList& params : rows) {
            for (int i = 0; i < params.size(); ++i) {
                const QByteArray v = params[i].toUtf8();
                sqlite3_bind_text(stmt, i + 1, v.constData(), v.size(), SQLITE_TRANSIENT);
            }
            sqlite3_step(stmt);
            sqlite3_reset(stmt);
        }
        sqlite3_finalize(stmt);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    });
    sqlite3_close(db);
    return ms;
}

void report(const char* what, double ms, double bare)
{
    if (bare < 0)
        std::printf("%-48s %9.1f ms\n", what, ms);
    else
        std::printf("%-48s %9.1f ms   (bare %s %8.1f ms, x%.2f)\n", what, ms, g_server.name.isEmpty() ? "engine" : "server", bare,
                    bare > 0 ? ms / bare : 0.0);
    std::fflush(stdout);
}

long residentKb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    f.open(QIODevice::ReadOnly);
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    BenchOptions options;
    if (argc > 1)
        options.chargeRows = std::atoi(argv[1]);
    QTemporaryDir dir;
    options.file = argc > 2 ? QString::fromLocal8Bit(argv[2]) : dir.filePath(QStringLiteral("bench.db"));
    g_file = options.file;
    bool seeded = QFile::exists(options.file);
    if (options.file.endsWith(QLatin1String(".ini"))) {
        g_server = readServerConfig(options.file);
        Connection::shared().open(g_server, Connection::OpenMode::CreateIfMissing);
        Query tenants;
        tenants.setSql(QStringLiteral("select count(*) as n from zf_man"));
        tenants.open();
        seeded = tenants.integer(QStringLiteral("n")) > 0;
        std::printf("database: PostgreSQL %s/%s\n", qPrintable(g_server.name), qPrintable(g_server.databaseName));
    } else {
        Connection::shared().open({QStringLiteral("sqlite:") + options.file, {}, {}, {}},
                                  Connection::OpenMode::CreateIfMissing);
        std::printf("database: embedded file %s\n", qPrintable(options.file));
    }
    if (!seeded)
        report("seed", timeMs([&] { seedBenchDatabase(options.chargeRows); }));

    std::sort(sections().begin(), sections().end(),
              [](const Section& a, const Section& b) { return a.order < b.order; });
    // Names after the file run only those sections.
    QStringList only;
    for (int i = 3; i < argc; ++i)
        only << QString::fromLocal8Bit(argv[i]);
    for (const Section& s : sections()) {
        if (!only.isEmpty() && !only.contains(QLatin1String(s.name)))
            continue;
        std::printf("\n[%s]\n", s.name);
        s.fn(options);
    }
    std::printf("\nprocess resident: %ld KB\n", residentKb());
    Connection::shared().close();
    return 0;
}
