#include "embeddedbackend.h"

#include "../resultset.h"
#include "../schema.h"
#include "sqlitefunctions.h"
#include "tsqlrewriter.h"

#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <sqlite3.h>

namespace {

QString sqliteError(sqlite3* db) { return QString::fromUtf8(sqlite3_errmsg(db)); }

const char* kNotNumeric = "Error converting data type varchar to numeric.";
const char* kNotDate = "Conversion failed when converting date and/or time from character string.";

void bindText(sqlite3_stmt* st, int i, const QString& s)
{
    const QByteArray b = s.toUtf8();
    sqlite3_bind_text(st, i, b.constData(), int(b.size()), SQLITE_TRANSIENT);
}

// Binds one parameter by its declared kind, converting text the way the
// server converts it and failing with the server's error when it cannot.
void bindParam(sqlite3_stmt* st, int index, const BoundParam& p)
{
    const QVariant& v = p.value;
    if (v.isNull() || !v.isValid()) {
        sqlite3_bind_null(st, index);
        return;
    }
    const bool isText = v.typeId() == QMetaType::QString;
    switch (p.kind) {
    case ParamKind::Text:
        if (v.typeId() == QMetaType::QDateTime || v.typeId() == QMetaType::QDate)
            bindText(st, index, plainText(v));
        else
            bindText(st, index, v.toString());
        return;
    case ParamKind::Decimal: {
        if (!isText) {
            if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float)
                sqlite3_bind_double(st, index, v.toDouble());
            else
                sqlite3_bind_int64(st, index, v.toLongLong());
            return;
        }
        if (v.toString().trimmed().isEmpty()) {
            sqlite3_bind_null(st, index);
            return;
        }
        double d;
        if (!parseDecimalText(v.toString(), &d))
            throw DbError(QString::fromLatin1(kNotNumeric));
        sqlite3_bind_double(st, index, d);
        return;
    }
    case ParamKind::DateTime: {
        QDateTime d;
        if (v.typeId() == QMetaType::QDate)
            d = QDateTime(v.toDate(), QTime(0, 0));
        else if (v.typeId() == QMetaType::QDateTime)
            d = v.toDateTime();
        else if (v.toString().trimmed().isEmpty()) {
            sqlite3_bind_null(st, index);
            return;
        } else {
            d = parseDateTimeText(v.toString());
            if (!d.isValid())
                throw DbError(QString::fromLatin1(kNotDate));
        }
        bindText(st, index, canonicalDateTime(d));
        return;
    }
    case ParamKind::Integer: {
        bool ok = true;
        const qint64 i = isText ? v.toString().trimmed().toLongLong(&ok) : v.toLongLong();
        if (!ok)
            throw DbError(QStringLiteral("Conversion failed when converting the varchar value '%1' to data type int.")
                              .arg(v.toString()));
        sqlite3_bind_int64(st, index, i);
        return;
    }
    }
}

FieldKind kindOfDecl(const char* decl)
{
    if (!decl)
        return FieldKind::Unknown;
    const QByteArray d = QByteArray(decl).toUpper();
    if (d.contains("INT"))
        return FieldKind::Integer;
    if (d.contains("CHAR") || d.contains("TEXT"))
        return FieldKind::Text;
    if (d.contains("DATE") || d.contains("TIME"))
        return FieldKind::DateTime;
    if (d.contains("NUMERIC") || d.contains("DECIMAL") || d.contains("MONEY"))
        return FieldKind::Decimal;
    if (d.contains("REAL") || d.contains("FLOA") || d.contains("DOUB"))
        return FieldKind::Float;
    return FieldKind::Unknown;
}

void readRows(sqlite3* db, sqlite3_stmt* st, ResultSet& rs)
{
    const int cols = sqlite3_column_count(st);
    std::vector<bool> known(static_cast<size_t>(cols), false);
    for (int c = 0; c < cols; ++c) {
        const FieldKind k = kindOfDecl(sqlite3_column_decltype(st, c));
        rs.addColumn(QString::fromUtf8(sqlite3_column_name(st, c)), k);
        known[size_t(c)] = k != FieldKind::Unknown;
    }
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        for (int c = 0; c < cols; ++c) {
            switch (sqlite3_column_type(st, c)) {
            case SQLITE_NULL:
                rs.appendNull(c);
                break;
            case SQLITE_INTEGER:
                rs.appendInt(c, sqlite3_column_int64(st, c));
                if (!known[size_t(c)]) {
                    rs.setColumnKind(c, FieldKind::Integer);
                    known[size_t(c)] = true;
                }
                break;
            case SQLITE_FLOAT:
                rs.appendDouble(c, sqlite3_column_double(st, c));
                if (!known[size_t(c)]) {
                    rs.setColumnKind(c, FieldKind::Float);
                    known[size_t(c)] = true;
                }
                break;
            default: {
                const auto* p = sqlite3_column_text(st, c);
                const int n = sqlite3_column_bytes(st, c);
                const FieldKind k = rs.columnKind(c);
                // Dates are stored as canonical text; an expression over a
                // date column (max(cbrq)) comes back as such a text too.
                qint64 day;
                int msecs;
                if ((k == FieldKind::DateTime || k == FieldKind::Unknown) &&
                    parseCanonicalDateTime(reinterpret_cast<const char*>(p), n, &day, &msecs)) {
                    {
                        rs.appendDateTime(c, day, msecs);
                        if (!known[size_t(c)]) {
                            rs.setColumnKind(c, FieldKind::DateTime);
                            known[size_t(c)] = true;
                        }
                        break;
                    }
                }
                rs.appendTextUtf8(c, reinterpret_cast<const char*>(p), n);
                if (!known[size_t(c)]) {
                    rs.setColumnKind(c, FieldKind::Text);
                    known[size_t(c)] = true;
                }
            }
            }
        }
        rs.finishRow();
    }
    if (rc != SQLITE_DONE)
        throw DbError(sqliteError(db));
}

} // namespace

EmbeddedBackend::EmbeddedBackend(const QString& path, const QString& qtName) : m_qtName(qtName)
{
    const bool isNew = !QFileInfo::exists(path);
    openFile(path, isNew);
}

void EmbeddedBackend::openFile(const QString& path, bool isNew)
{
    const QString& qtName = m_qtName;
    QSqlDatabase qdb = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), qtName);
    qdb.setDatabaseName(path);
    // A second program on the same file waits for the lock instead of
    // failing at once.
    qdb.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=15000"));
    if (!qdb.open()) {
        const QString text = qdb.lastError().text();
        qdb = QSqlDatabase();
        QSqlDatabase::removeDatabase(qtName);
        throw DbError(text);
    }
    const QVariant handle = qdb.driver()->handle();
    if (qstrcmp(handle.typeName(), "sqlite3*") == 0)
        m_db = *static_cast<sqlite3* const*>(handle.data());
    if (!m_db)
        throw DbError(QStringLiteral("The embedded database driver gave no handle."));
    registerServerFunctions(m_db);
    // Durable commits: a power cut after a confirmed save loses nothing.
    plain("PRAGMA journal_mode=WAL");
    plain("PRAGMA synchronous=FULL");
    plain("PRAGMA foreign_keys=ON");
    if (isNew || !Schema::isInstalled(*this)) {
        try {
            Schema::install(*this);
        } catch (...) {
            m_db = nullptr;
            qdb.close();
            qdb = QSqlDatabase();
            QSqlDatabase::removeDatabase(qtName);
            throw;
        }
    }
}

EmbeddedBackend::~EmbeddedBackend()
{
    m_db = nullptr;
    {
        QSqlDatabase qdb = QSqlDatabase::database(m_qtName, false);
        qdb.close();
    }
    QSqlDatabase::removeDatabase(m_qtName);
}

void EmbeddedBackend::plain(const char* sql)
{
    char* err = nullptr;
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, &err) != SQLITE_OK) {
        const QString text = QString::fromUtf8(err ? err : sqlite3_errmsg(m_db));
        sqlite3_free(err);
        throw DbError(text);
    }
}

void EmbeddedBackend::compile(const QString& sql)
{
    // Statements of one text may depend on each other (a table created, then
    // keyed), so each is compiled after running the ones before it inside a
    // savepoint that is rolled back at the end.
    plain("SAVEPOINT zt_compile");
    try {
        for (const SqliteStatement& s : translateTsql(sql).statements) {
            const QByteArray text = s.sql.toUtf8();
            sqlite3_stmt* st = nullptr;
            if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &st, nullptr) != SQLITE_OK)
                throw DbError(sqliteError(m_db));
            if (st && !sqlite3_stmt_readonly(st))
                sqlite3_step(st);
            sqlite3_finalize(st);
        }
    } catch (...) {
        sqlite3_exec(m_db, "ROLLBACK TO zt_compile", nullptr, nullptr, nullptr);
        sqlite3_exec(m_db, "RELEASE zt_compile", nullptr, nullptr, nullptr);
        throw;
    }
    sqlite3_exec(m_db, "ROLLBACK TO zt_compile", nullptr, nullptr, nullptr);
    sqlite3_exec(m_db, "RELEASE zt_compile", nullptr, nullptr, nullptr);
}

int EmbeddedBackend::run(const QString& sql, const std::vector<BoundParam>& params, std::shared_ptr<ResultSet>* result)
{
    const Translation tr = translateTsql(sql);
    const bool savepoint = tr.atomic;
    if (savepoint)
        plain("SAVEPOINT zt_statement");
    int changed = 0;
    try {
        for (const SqliteStatement& s : tr.statements) {
            const QByteArray text = s.sql.toUtf8();
            sqlite3_stmt* st = nullptr;
            if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &st, nullptr) != SQLITE_OK)
                throw DbError(sqliteError(m_db));
            struct Finalizer {
                sqlite3_stmt* st;
                ~Finalizer() { sqlite3_finalize(st); }
            } fin{st};
            if (!st || s.prepareOnly)
                continue;
            const int count = sqlite3_bind_parameter_count(st);
            for (int i = 1; i <= count && i <= int(params.size()); ++i)
                bindParam(st, i, params[size_t(i - 1)]);
            if (result && !*result && sqlite3_column_count(st) > 0) {
                auto rs = std::make_shared<ResultSet>();
                readRows(m_db, st, *rs);
                *result = rs;
                continue;
            }
            int rc;
            while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            }
            if (rc != SQLITE_DONE)
                throw DbError(sqliteError(m_db));
            if (sqlite3_stmt_readonly(st) == 0)
                changed += sqlite3_changes(m_db);
        }
    } catch (...) {
        if (savepoint) {
            sqlite3_exec(m_db, "ROLLBACK TO zt_statement", nullptr, nullptr, nullptr);
            sqlite3_exec(m_db, "RELEASE zt_statement", nullptr, nullptr, nullptr);
        }
        throw;
    }
    if (savepoint)
        plain("RELEASE zt_statement");
    return changed;
}

std::shared_ptr<ResultSet> EmbeddedBackend::select(const QString& sql, const std::vector<BoundParam>& params)
{
    std::shared_ptr<ResultSet> result;
    run(sql, params, &result);
    if (!result)
        result = std::make_shared<ResultSet>(); // a statement without rows opens an empty result
    return result;
}

int EmbeddedBackend::execute(const QString& sql, const std::vector<BoundParam>& params)
{
    return run(sql, params, nullptr);
}

// The write lock is taken by the first statement that writes, waiting for
// another desk's commit if need be; a transaction that only asks a question
// first (the delete) holds no lock while the question is open.
void EmbeddedBackend::begin() { plain("BEGIN"); }
void EmbeddedBackend::commit() { plain("COMMIT"); }
void EmbeddedBackend::rollback()
{
    if (inTransaction())
        plain("ROLLBACK");
}
bool EmbeddedBackend::inTransaction() const { return m_db && sqlite3_get_autocommit(m_db) == 0; }
