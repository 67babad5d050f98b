#include "embeddedbackend.h"

#include "../resultset.h"
#include "../schema.h"
#include "../texthelpers.h"
#include "paramcolumns.h"
#include "prefixlike.h"
#include "sqlitefunctions.h"
#include "../tsqlrewriter.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QSqlDriver>
#include <QSqlError>
#include <sqlite3.h>

#include <cerrno>
#include <climits>
#include <functional>
#include <iterator>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

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
// A parameter stored into a numeric column (see ParamColumns) is bound as
// the column stores it; rule is that column's precision and scale, or null.
void bindParam(sqlite3_stmt* st, int index, const BoundParam& p, const NumericRule* rule = nullptr)
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
        if (rule && rule->precision > 0) {
            bool whole = false;
            qint64 i = 0;
            double f = 0;
            if (const char* error = storedNumeric(v.toString(), rule->precision, rule->scale, &whole, &i, &f))
                throw DbError(QString::fromLatin1(error));
            if (whole)
                sqlite3_bind_int64(st, index, i);
            else
                sqlite3_bind_double(st, index, f);
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

// Reads a statement's rows into a result, deciding each column's kind from
// its declaration or, for an expression, from the first value it holds.
class RowReader {
public:
    RowReader(sqlite3* db, sqlite3_stmt* st, ResultSet& rs) : m_db(db), m_st(st)
    {
        const int cols = sqlite3_column_count(st);
        m_known.assign(size_t(cols), false);
        for (int c = 0; c < cols; ++c) {
            const FieldKind k = kindOfDecl(sqlite3_column_decltype(st, c));
            rs.addColumn(QString::fromUtf8(sqlite3_column_name(st, c)), k);
            m_known[size_t(c)] = k != FieldKind::Unknown;
        }
    }

    // Reads up to `limit` rows; answers whether more may follow.
    bool read(ResultSet& rs, int limit)
    {
        sqlite3_stmt* st = m_st;
        const int cols = int(m_known.size());
        int rc = SQLITE_DONE;
        for (int n = 0; n < limit && (rc = sqlite3_step(st)) == SQLITE_ROW; ++n) {
            for (int c = 0; c < cols; ++c)
                readCell(rs, c);
            rs.finishRow();
        }
        if (rc == SQLITE_ROW)
            return true;
        if (rc != SQLITE_DONE)
            throw DbError(sqliteError(m_db));
        return false;
    }

private:
    void settle(ResultSet& rs, int c, FieldKind kind)
    {
        if (m_known[size_t(c)])
            return;
        rs.setColumnKind(c, kind);
        m_known[size_t(c)] = true;
    }

    void readCell(ResultSet& rs, int c)
    {
        sqlite3_stmt* st = m_st;
        switch (sqlite3_column_type(st, c)) {
        case SQLITE_NULL:
            rs.appendNull(c);
            return;
        case SQLITE_INTEGER:
            rs.appendInt(c, sqlite3_column_int64(st, c));
            settle(rs, c, FieldKind::Integer);
            return;
        case SQLITE_FLOAT:
            rs.appendDouble(c, sqlite3_column_double(st, c));
            settle(rs, c, FieldKind::Float);
            return;
        default: {
            const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
            const int n = sqlite3_column_bytes(st, c);
            const FieldKind k = rs.columnKind(c);
            // Dates are stored as canonical text; an expression over a
            // date column (max(cbrq)) comes back as such a text too.
            qint64 day;
            int msecs;
            if ((k == FieldKind::DateTime || k == FieldKind::Unknown) && parseCanonicalDateTime(p, n, &day, &msecs)) {
                rs.appendDateTime(c, day, msecs);
                settle(rs, c, FieldKind::DateTime);
                return;
            }
            rs.appendTextUtf8(c, p, n);
            settle(rs, c, FieldKind::Text);
        }
        }
    }

    sqlite3* m_db;
    sqlite3_stmt* m_st;
    std::vector<bool> m_known;
};

// The rows a grid has not asked for yet: the statement stays compiled and
// positioned, and goes back to the backend's cache once read to the end.
class StepSource : public RowSource {
public:
    StepSource(EmbeddedBackend* backend, QByteArray text, sqlite3_stmt* st, RowReader reader)
        : m_backend(backend), m_text(std::move(text)), m_st(st), m_reader(std::move(reader))
    {
    }
    ~StepSource() override { m_backend->giveBack(m_text, m_st); }
    bool fetch(ResultSet& into, int rows) override { return m_reader.read(into, rows); }

private:
    EmbeddedBackend* m_backend;
    QByteArray m_text;
    sqlite3_stmt* m_st;
    RowReader m_reader;
};

// The rows a list reads before it is shown: more than any grid shows at once.
constexpr int kFirstRows = 256;

} // namespace

EmbeddedBackend::EmbeddedBackend(const QString& path, const QString& qtName, bool mayCreate) : m_qtName(qtName)
{
    openFile(path, mayCreate);
}

namespace {

QString refusedText(DatabaseFileError::Reason reason, const QString& path, const QString& detail = {})
{
    switch (reason) {
    case DatabaseFileError::Reason::Missing:
        return QStringLiteral("数据库文件不存在：%1").arg(path);
    case DatabaseFileError::Reason::Foreign:
        return QStringLiteral("不是本程序的数据库文件，未作任何改动：%1").arg(path) +
               (detail.isEmpty() ? QString() : QStringLiteral("（%1）").arg(detail));
    case DatabaseFileError::Reason::Newer:
        return QStringLiteral("数据库文件由较新版本的程序建立（版本 %2），本程序无法使用，未作任何改动：%1").arg(path, detail);
    }
    return path;
}

// Creates the file empty and readable by its owner only: it holds the users'
// passwords. SQLite gives its journal and WAL files the same mode. Another
// program creating it in the same moment is no failure.
void createPrivateFile(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::close(fd);
        return;
    }
    if (errno != EEXIST)
        throw DbError(QStringLiteral("unable to open database file: %1 (%2)").arg(path, QString::fromLocal8Bit(std::strerror(errno))));
}

} // namespace

void EmbeddedBackend::openFile(const QString& path, bool mayCreate)
{
    if (!QFileInfo::exists(path)) {
        if (!mayCreate)
            throw DatabaseFileError(DatabaseFileError::Reason::Missing, path,
                                    refusedText(DatabaseFileError::Reason::Missing, path));
        createPrivateFile(path);
    }
    const QString& qtName = m_qtName;
    QSqlDatabase qdb = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), qtName);
    qdb.setDatabaseName(path);
    auto drop = [&] {
        finalizeCached();
        sqlite3_finalize(m_schemaVersion);
        m_schemaVersion = nullptr;
        m_db = nullptr;
        qdb.close();
        qdb = QSqlDatabase();
        QSqlDatabase::removeDatabase(qtName);
    };
    if (!qdb.open()) {
        const QString text = qdb.lastError().text();
        drop();
        throw DbError(text);
    }
    const QVariant handle = qdb.driver()->handle();
    if (qstrcmp(handle.typeName(), "sqlite3*") == 0)
        m_db = *static_cast<sqlite3* const*>(handle.data());
    if (!m_db) {
        drop();
        throw DbError(QStringLiteral("The embedded database driver gave no handle."));
    }
    // A second program on the same file waits for the lock instead of
    // failing at once, as long as the busy timeout says.
    sqlite3_busy_handler(m_db, &EmbeddedBackend::busyHandler, this);
    registerServerFunctions(m_db);
    registerPrefixFunctions(m_db);
    try {
        prepareSchema(path, mayCreate);
        plain("PRAGMA synchronous=FULL");
        plain("PRAGMA foreign_keys=ON");
        // A page cache of 64 MiB holds the indexes and recent pages of a
        // building's book, so look-ups stay in memory rather than going back
        // to the file for each page (the default is 2 MiB).
        plain("PRAGMA cache_size=-65536");
        // Reads go straight to the file's pages as the system caches them
        // (up to 1 GiB of it), not through a copy of each page: a list or a
        // total over a quarter of a million rows reads a third faster.
        // Writes still go through the journal as before.
        plain("PRAGMA mmap_size=1073741824");
    } catch (...) {
        drop();
        throw;
    }
}

qint64 EmbeddedBackend::pragmaInt(const char* sql)
{
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(m_db, sql, -1, &st, nullptr) != SQLITE_OK)
        throw DbError(sqliteError(m_db));
    qint64 v = 0;
    const int rc = sqlite3_step(st);
    if (rc == SQLITE_ROW)
        v = sqlite3_column_int64(st, 0);
    const QString error = rc == SQLITE_ROW || rc == SQLITE_DONE ? QString() : sqliteError(m_db);
    sqlite3_finalize(st);
    if (!error.isEmpty())
        throw DbError(error);
    return v;
}

namespace {

// What a file holds, read without writing anything to it.
struct FileState {
    qint64 applicationId = 0;
    qint64 version = 0;
    int objects = 0;        // tables, views, indexes, triggers
    QSet<QString> tables;   // lower-case names
};

} // namespace

namespace {
void recomputeMnemonicCodes(sqlite3* db);
} // namespace

// Makes the file this program's database of the current version, or refuses
// it. Nothing is written before the file is known to be ours (or empty);
// creating and upgrading happen under the write lock after a second look, so
// several desks starting on one new file install the schema once.
void EmbeddedBackend::prepareSchema(const QString& path, bool mayCreate)
{
    auto look = [this] {
        FileState f;
        f.applicationId = pragmaInt("PRAGMA application_id");
        f.version = pragmaInt("PRAGMA user_version");
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(m_db, "SELECT type, name FROM sqlite_master", -1, &st, nullptr) != SQLITE_OK)
            throw DbError(sqliteError(m_db));
        while (sqlite3_step(st) == SQLITE_ROW) {
            ++f.objects;
            if (qstrcmp(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), "table") == 0)
                f.tables << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 1))).toLower();
        }
        sqlite3_finalize(st);
        return f;
    };
    // Files made before the id was set are recognised by their tables.
    auto isOurVersion1 = [](const FileState& f) {
        if (f.applicationId != 0 || f.version != 0)
            return false;
        for (const QString& t : Schema::tableNames())
            if (!f.tables.contains(t.toLower()))
                return false;
        return true;
    };
    auto refuse = [&](const FileState& f) {
        if (f.applicationId == Schema::kApplicationId && f.version > Schema::kVersion)
            throw DatabaseFileError(DatabaseFileError::Reason::Newer, path,
                                    refusedText(DatabaseFileError::Reason::Newer, path, QString::number(f.version)));
        if (f.objects == 0 && f.applicationId == 0)
            return;
        if (f.applicationId == Schema::kApplicationId || isOurVersion1(f))
            return;
        throw DatabaseFileError(DatabaseFileError::Reason::Foreign, path,
                                refusedText(DatabaseFileError::Reason::Foreign, path));
    };

    FileState f;
    try {
        f = look();
    } catch (const DbError& e) {
        // Not an SQLite file at all ("file is not a database").
        throw DatabaseFileError(DatabaseFileError::Reason::Foreign, path,
                                refusedText(DatabaseFileError::Reason::Foreign, path, e.text()));
    }
    refuse(f);
    // An empty file is a database still to be made: only where that is meant.
    if (f.objects == 0 && !mayCreate)
        throw DatabaseFileError(DatabaseFileError::Reason::Missing, path,
                                refusedText(DatabaseFileError::Reason::Missing, path));
    const bool current = f.applicationId == Schema::kApplicationId && f.version == Schema::kVersion;
    // Durable commits: a power cut after a confirmed save loses nothing.
    // Changing a file into WAL mode reads its header and then writes it in
    // one transaction; the engine answers a desk that cannot upgrade its
    // read to a write "database is locked" at once, without waiting (the
    // wait could deadlock with another desk doing the same). Several desks
    // opening a new file together do so: each tries again until the busy
    // timeout has passed.
    {
        QElapsedTimer waited;
        waited.start();
        for (;;) {
            const int rc = sqlite3_exec(m_db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
            if (rc == SQLITE_OK)
                break;
            if ((rc & 0xff) != SQLITE_BUSY || waited.elapsed() >= Connection::busyTimeout()) {
                const QString text = sqliteError(m_db);
                endLockWait();
                throw DbError(text);
            }
            sqlite3_sleep(5);
        }
        endLockWait();
    }
    if (current)
        return;

    plain("BEGIN IMMEDIATE");
    try {
        f = look();
        refuse(f);
        if (f.objects == 0) {
            if (!mayCreate)
                throw DatabaseFileError(DatabaseFileError::Reason::Missing, path,
                                        refusedText(DatabaseFileError::Reason::Missing, path));
            Schema::install(*this);
            addUnpaidIndexes();
        } else {
            // Each step from the one before; a version-1 file reads as 0.
            if (f.applicationId == 0)
                upgradeFrom1();
            if (f.version < 3)
                upgradeFrom2();
            if (f.version < 4)
                addCheckOutLines();
            if (f.version < 5)
                recomputeMnemonicCodes(m_db);
            if (f.version < 6)
                indexReadingTables();
            if (f.version < 7)
                upgradeChargeBook();
            if (f.version < 8)
                addPayments();
            if (f.version < 9)
                addUnpaidIndexes();
        }
        plain(QStringLiteral("PRAGMA application_id=%1").arg(Schema::kApplicationId).toLatin1().constData());
        plain(QStringLiteral("PRAGMA user_version=%1").arg(Schema::kVersion).toLatin1().constData());
        plain("COMMIT");
    } catch (...) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

// Version 1 to 2: the occupancy table gains the check-out date and the
// deposit returned; the column rules of every table are made anew, so an
// update converts only the columns it changes. No row is touched.
void EmbeddedBackend::upgradeFrom1()
{
    QSet<QString> columns;
    {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(m_db, "SELECT lower(name) FROM pragma_table_info('Zf_Rz')", -1, &st, nullptr);
        while (st && sqlite3_step(st) == SQLITE_ROW)
            columns << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        sqlite3_finalize(st);
    }
    if (!columns.contains(QStringLiteral("tfdate")))
        plain("ALTER TABLE \"Zf_Rz\" ADD COLUMN \"Tfdate\" DATETIME COLLATE zt_datetime");
    if (!columns.contains(QStringLiteral("tfj")))
        plain("ALTER TABLE \"Zf_Rz\" ADD COLUMN \"Tfj\" NUMERIC(12,2)");

    static const QRegularExpression createTable(QStringLiteral("^\\s*CREATE\\s+TABLE\\b"),
                                                QRegularExpression::CaseInsensitiveOption |
                                                    QRegularExpression::MultilineOption);
    for (const QString& batch : Schema::batches()) {
        if (!createTable.match(batch).hasMatch())
            continue;
        for (const SqliteStatement& st : translateTsql(batch).statements) {
            if (!st.sql.startsWith(QLatin1String("CREATE TRIGGER ")))
                continue;
            const QString name = st.sql.section(QLatin1Char(' '), 2, 2);
            plain(QStringLiteral("DROP TRIGGER IF EXISTS %1").arg(name).toUtf8().constData());
            plain(st.sql.toUtf8().constData());
        }
    }
}

// Version 2 to 3: 实收 now holds money actually received. Unpaid rows
// written before keep their values, and the last such row of each charge
// table is recorded so that their 实收 counts as nothing received.
void EmbeddedBackend::upgradeFrom2()
{
    runSchemaBatchesCreating(QStringLiteral("Zf_MoneyRule"));
    plain("INSERT OR IGNORE INTO \"Zf_MoneyRule\"(tablename, lastoldid) "
          "SELECT 'Zf_Zujin', max(id) FROM \"Zf_Zujin\" HAVING max(id) IS NOT NULL "
          "UNION ALL SELECT 'Zf_Lenshui', max(ID) FROM \"Zf_Lenshui\" HAVING max(ID) IS NOT NULL "
          "UNION ALL SELECT 'Zf_Reshui', max(ID) FROM \"Zf_Reshui\" HAVING max(ID) IS NOT NULL "
          "UNION ALL SELECT 'Zf_YdSf', max(ID) FROM \"Zf_YdSf\" HAVING max(ID) IS NOT NULL");
}

// Version 3 to 4: the lines of each check-out's settlement (deposit,
// charges settled from it, deductions). A new table; no row is touched.
void EmbeddedBackend::addCheckOutLines()
{
    runSchemaBatchesCreating(QStringLiteral("Zf_TfMx"));
}

// Each charge table has an index over its unsettled rows only (status not
// '1'), holding every column the arrears screen reads (the amount due and
// the money received included), so the arrears are read from these few
// entries alone, never from the table's rows. The index's condition is the
// one the arrears statement writes, which is how the engine knows the index
// answers it. Made in version 5 without the money received, made anew in
// version 9 with it; indexes only, no row is touched.
void EmbeddedBackend::addUnpaidIndexes()
{
    static const char* const tables[][4] = {{"Zf_Zujin", "jkrq", "Yf", "sf"},
                                            {"Zf_Lenshui", "Jkrq", "Yfj", "sfj"},
                                            {"Zf_Reshui", "Jkrq", "Yfj", "sfj"},
                                            {"Zf_YdSf", "Jkrq", "Yfj", "sfj"}};
    for (const auto& t : tables) {
        plain(QStringLiteral("DROP INDEX IF EXISTS \"IX_%1_unpaid\"").arg(QLatin1String(t[0])).toUtf8().constData());
        plain(QStringLiteral("CREATE INDEX \"IX_%1_unpaid\" ON \"%1\" (manid, fangno, %2, %3, %4, status) "
                             "WHERE ifnull(status, '0') <> '1'")
                  .arg(QLatin1String(t[0]), QLatin1String(t[1]), QLatin1String(t[2]), QLatin1String(t[3]))
                  .toUtf8()
                  .constData());
    }
}

// Version 4 to 5, too: each monthly reading table made before gains the
// index on its room number that a new one is made with.
void EmbeddedBackend::indexReadingTables()
{
    QStringList tables;
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(m_db,
                       "SELECT name FROM sqlite_master WHERE type='table' AND name LIKE 'zf!_Biaodi%' ESCAPE '!'",
                       -1, &st, nullptr);
    while (st && sqlite3_step(st) == SQLITE_ROW)
        tables << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    for (const QString& t : tables)
        plain(QStringLiteral("CREATE INDEX IF NOT EXISTS \"IX_%1_fangno\" ON \"%1\" (fangno)").arg(t).toUtf8().constData());
}

// Version 6 to 7, the charge book: the reading pair of each utility charge (one charge per
// pair), meter replacements, voided charges, and the index the rent
// screen's look-up of a room's paid periods uses. Idempotent.
void EmbeddedBackend::upgradeChargeBook()
{
    runSchemaBatchesCreating(QStringLiteral("Zf_ChargeReading"));
    runSchemaBatchesCreating(QStringLiteral("Zf_MeterChange"));
    runSchemaBatchesCreating(QStringLiteral("Zf_VoidCharge"));
    plain("CREATE INDEX IF NOT EXISTS \"IX_Zf_Zujin_fangno_enddate\" ON \"Zf_Zujin\" (fangno, enddate)");
}

// Version 7 to 8: payments taken against several charges, the part applied
// to each charge, and reversals. New tables; no row is touched. Idempotent.
void EmbeddedBackend::addPayments()
{
    runSchemaBatchesCreating(QStringLiteral("Zf_Payment"));
    runSchemaBatchesCreating(QStringLiteral("Zf_PaymentLine"));
    runSchemaBatchesCreating(QStringLiteral("Zf_PaymentReversal"));
}

// Runs the schema script's batches that create the named table (and the
// indexes and rules that follow it), unless the table is there already.
void EmbeddedBackend::runSchemaBatchesCreating(const QString& table)
{
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(m_db, "SELECT 1 FROM sqlite_master WHERE type='table' AND lower(name)=lower(?1)", -1, &st, nullptr);
    const QByteArray name = table.toUtf8();
    sqlite3_bind_text(st, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
    const bool present = st && sqlite3_step(st) == SQLITE_ROW;
    sqlite3_finalize(st);
    if (present)
        return;
    const QRegularExpression names(QStringLiteral("\\b(?:CREATE\\s+TABLE|CREATE\\s+(?:UNIQUE\\s+)?INDEX\\s+\\S+\\s+ON)\\s+(?:\\[dbo\\]\\.)?\\[?%1\\]?[\\s(]")
                                       .arg(QRegularExpression::escape(table)),
                                   QRegularExpression::CaseInsensitiveOption);
    for (const QString& batch : Schema::batches()) {
        if (!names.match(batch).hasMatch())
            continue;
        for (const SqliteStatement& s : translateTsql(batch).statements)
            plain(s.sql.toUtf8().constData());
    }
}

namespace {

// Version 4 to 5: the tenants' mnemonic codes that the range table got wrong
// (a GBK addition given the letter of the range its code fell in) or could
// not give ("?" for a character outside the first level) are computed afresh
// from the name; every other code stays as stored.
void recomputeMnemonicCodes(sqlite3* db)
{
    struct Change {
        qint64 row;
        QByteArray code;
    };
    std::vector<Change> changes;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT rowid, manname, zjm FROM \"Zf_Man\" WHERE manname IS NOT NULL AND zjm IS NOT NULL",
                           -1, &st, nullptr) != SQLITE_OK)
        throw DbError(sqliteError(db));
    auto text = [&](int column) {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, column)),
                                 sqlite3_column_bytes(st, column));
    };
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        const QString name = text(1);
        if (MnemonicCodeIsStale(name, text(2)))
            changes.push_back({sqlite3_column_int64(st, 0), PinyinInitials(name).toUtf8()});
    }
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE)
        throw DbError(sqliteError(db));
    if (changes.empty())
        return;
    if (sqlite3_prepare_v2(db, "UPDATE \"Zf_Man\" SET zjm = ?1 WHERE rowid = ?2", -1, &st, nullptr) != SQLITE_OK)
        throw DbError(sqliteError(db));
    for (const Change& c : changes) {
        sqlite3_bind_text(st, 1, c.code.constData(), int(c.code.size()), SQLITE_STATIC);
        sqlite3_bind_int64(st, 2, c.row);
        if (sqlite3_step(st) != SQLITE_DONE) {
            const QString error = sqliteError(db);
            sqlite3_finalize(st);
            throw DbError(error);
        }
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
}

} // namespace

// The kinds of the columns of every table and view, read again whenever the
// schema changed (a monthly table made, a view redefined).
const ColumnKinds& EmbeddedBackend::columnKinds()
{
    if (!m_schemaVersion &&
        sqlite3_prepare_v3(m_db, "PRAGMA schema_version", -1, SQLITE_PREPARE_PERSISTENT, &m_schemaVersion, nullptr) != SQLITE_OK)
        throw DbError(sqliteError(m_db));
    qint64 version = -2;
    if (sqlite3_step(m_schemaVersion) == SQLITE_ROW)
        version = sqlite3_column_int64(m_schemaVersion, 0);
    sqlite3_reset(m_schemaVersion);
    if (version == m_kindsVersion)
        return m_kinds;
    m_kinds.clear();
    m_textColumns.clear();
    QSet<QString> notText;
    QStringList objects;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(m_db,
                           "SELECT name FROM sqlite_master WHERE type IN ('table','view') "
                           "AND name NOT LIKE 'sqlite!_%' ESCAPE '!' AND name <> 'sysobjects'",
                           -1, &st, nullptr) == SQLITE_OK)
        while (sqlite3_step(st) == SQLITE_ROW)
            objects << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    // One object at a time: a view over a table that is gone only hides its
    // own columns.
    if (sqlite3_prepare_v2(m_db, "SELECT lower(name), upper(type) FROM pragma_table_info(?1)", -1, &st, nullptr) != SQLITE_OK)
        throw DbError(sqliteError(m_db));
    for (const QString& object : objects) {
        const QByteArray name = object.toUtf8();
        sqlite3_bind_text(st, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
        while (sqlite3_step(st) == SQLITE_ROW) {
            const QString column = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
            const QByteArray type(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
            const bool text = type.startsWith("CHAR") || type.startsWith("VARCHAR") || type.startsWith("NCHAR") ||
                              type.startsWith("NVARCHAR") || type.startsWith("TEXT") || type.startsWith("NTEXT");
            if (text)
                m_textColumns << column;
            else
                notText << column;
            if (type.isEmpty())
                continue; // an expression in a view: its kind is unknown
            char kind = 'o';
            if (type.startsWith("NUMERIC") || type.startsWith("DECIMAL"))
                kind = 'n';
            else if (type.startsWith("DATETIME"))
                kind = 'd';
            else if (type.startsWith("INT") || type == "BIGINT" || type == "SMALLINT" || type == "TINYINT" || type == "BIT")
                kind = 'i';
            else if (type.startsWith("FLOAT") || type.startsWith("REAL") || type.startsWith("DOUBLE"))
                kind = 'f';
            else if (type.contains("CHAR") || type.contains("TEXT"))
                kind = 't';
            const auto it = m_kinds.find(column);
            if (it == m_kinds.end())
                m_kinds.insert(column, kind);
            else if (*it != kind)
                *it = 'x';
        }
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    m_textColumns -= notText;
    m_kindsVersion = version;
    return m_kinds;
}

EmbeddedBackend::~EmbeddedBackend()
{
    readPendingResults();
    finalizeCached();
    sqlite3_finalize(m_schemaVersion);
    m_db = nullptr;
    {
        QSqlDatabase qdb = QSqlDatabase::database(m_qtName, false);
        qdb.close();
    }
    QSqlDatabase::removeDatabase(m_qtName);
}

// Called by the engine while another connection holds the lock it needs:
// waits in short naps until the busy timeout has passed, telling the
// lock-wait listener when a wait begins (endLockWait() tells it the end).
int EmbeddedBackend::busyHandler(void* self, int count)
{
    auto* backend = static_cast<EmbeddedBackend*>(self);
    if (count == 0) {
        backend->m_waitTimer.start();
        if (!backend->m_waiting) {
            backend->m_waiting = true;
            if (const auto& listener = Connection::lockWaitListener())
                listener(true);
        }
    }
    const qint64 left = Connection::busyTimeout() - backend->m_waitTimer.elapsed();
    if (left <= 0)
        return 0;
    static const int naps[] = {1, 2, 5, 10, 15, 20, 25};
    const int nap = count < int(std::size(naps)) ? naps[count] : 25;
    sqlite3_sleep(int(qMin<qint64>(nap, left)));
    return 1;
}

void EmbeddedBackend::endLockWait()
{
    if (!m_waiting)
        return;
    m_waiting = false;
    if (const auto& listener = Connection::lockWaitListener())
        listener(false);
}

namespace {
// Ends a wait for a lock (if there was one) on every way out of a call.
struct LockWaitEnd {
    std::function<void()> end;
    ~LockWaitEnd() { end(); }
};
} // namespace

// A result still being read holds the connection's read snapshot, and a
// write or a schema change on this connection could change what its rest
// shows, so every such result is read to its end before anything but a
// select runs.
void EmbeddedBackend::readPendingResults()
{
    std::vector<std::weak_ptr<ResultSet>> pending;
    pending.swap(m_pending);
    for (const std::weak_ptr<ResultSet>& weak : pending) {
        if (const std::shared_ptr<ResultSet> rs = weak.lock()) {
            try {
                rs->fetchAll();
            } catch (const DbError&) {
                // The list ends where the failure stopped it; the grid
                // showing it was told when it read that far.
            }
        }
    }
}

void EmbeddedBackend::plain(const char* sql)
{
    readPendingResults();
    LockWaitEnd waited{[this] { endLockWait(); }};
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
        for (const SqliteStatement& s : translateTsql(sql, &columnKinds()).statements) {
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

// The numeric columns of a table by lower-case name, with their precision
// and scale, as the table declares them.
const QHash<QString, NumericRule>& EmbeddedBackend::numericColumns(const QString& table)
{
    const QString key = table.toLower();
    if (const auto it = m_numericColumns.constFind(key); it != m_numericColumns.constEnd())
        return *it;
    QHash<QString, NumericRule> columns;
    sqlite3_stmt* st = nullptr;
    const QByteArray sql = "SELECT name, type FROM pragma_table_info(?1)";
    if (sqlite3_prepare_v2(m_db, sql.constData(), -1, &st, nullptr) == SQLITE_OK) {
        const QByteArray name = table.toUtf8();
        sqlite3_bind_text(st, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
        static const QRegularExpression decl(QStringLiteral("^\\s*(NUMERIC|DECIMAL)\\s*\\(\\s*(\\d+)\\s*(?:,\\s*(\\d+)\\s*)?\\)"),
                                             QRegularExpression::CaseInsensitiveOption);
        while (sqlite3_step(st) == SQLITE_ROW) {
            const auto m = decl.match(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 1))));
            if (m.hasMatch())
                columns.insert(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))).toLower(),
                               {m.captured(2).toInt(), m.captured(3).toInt()});
        }
    }
    sqlite3_finalize(st);
    return *m_numericColumns.insert(key, columns);
}

// Per parameter (in binding order), the numeric column it is stored into, if
// any; empty when the statement stores no parameter into such a column.
const std::vector<NumericRule>& EmbeddedBackend::numericRules(const QString& sql, const std::vector<BoundParam>& params)
{
    if (const auto it = m_numericRules.constFind(sql); it != m_numericRules.constEnd())
        return *it;
    std::vector<NumericRule> rules;
    const ParamColumns targets = paramColumns(sql);
    if (!targets.table.isEmpty()) {
        const QHash<QString, NumericRule>& columns = numericColumns(targets.table);
        bool any = false;
        for (const BoundParam& p : params) {
            // A value stored into several columns is bound in their form only
            // when they all have the same one.
            NumericRule rule;
            const QStringList stored = targets.columns.value(p.name);
            for (int i = 0; i < stored.size(); ++i) {
                const NumericRule r = columns.value(stored[i]);
                if (i > 0 && (r.precision != rule.precision || r.scale != rule.scale)) {
                    rule = {};
                    break;
                }
                rule = r;
            }
            rules.push_back(rule);
            any = any || rule.precision > 0;
        }
        if (!any)
            rules.clear();
    }
    if (m_numericRules.size() >= 1000)
        m_numericRules.clear();
    return *m_numericRules.insert(sql, rules);
}

QStringList EmbeddedBackend::translationOf(const QString& sql)
{
    QStringList out;
    for (const SqliteStatement& s : translated(sql).statements)
        out << s.sql;
    return out;
}

const Translation& EmbeddedBackend::translated(const QString& sql)
{
    const ColumnKinds& kinds = columnKinds();
    if (m_translationsVersion != m_kindsVersion) {
        m_translations.clear();
        m_numericRules.clear();
        m_numericColumns.clear();
        m_translationsVersion = m_kindsVersion;
    }
    auto it = m_translations.constFind(sql);
    if (it != m_translations.constEnd())
        return *it;
    if (m_translations.size() >= 1000)
        m_translations.clear();
    return *m_translations.insert(sql, translateTsql(sql, &kinds));
}

// A compiled statement for the text: one kept from before, else a new one.
// While in use it is out of the cache, so a statement run from inside
// another's run compiles its own.
sqlite3_stmt* EmbeddedBackend::takeStatement(const QByteArray& text)
{
    if (sqlite3_stmt* kept = m_statements.take(text))
        return kept;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &st, nullptr) != SQLITE_OK)
        throw DbError(sqliteError(m_db));
    return st;
}

void EmbeddedBackend::giveBack(const QByteArray& text, sqlite3_stmt* st)
{
    if (!st)
        return;
    sqlite3_reset(st);
    sqlite3_clear_bindings(st);
    if (m_statements.size() >= 200 || m_statements.contains(text)) {
        sqlite3_finalize(st);
        return;
    }
    m_statements.insert(text, st);
}

void EmbeddedBackend::finalizeCached()
{
    for (sqlite3_stmt* st : std::as_const(m_statements))
        sqlite3_finalize(st);
    m_statements.clear();
}

int EmbeddedBackend::runStatements(const QString& sql, const std::vector<BoundParam>& params,
                                   std::shared_ptr<ResultSet>* result, Fetch fetch)
{
    LockWaitEnd waited{[this] { endLockWait(); }};
    Translation tr = translated(sql);
    static const std::vector<NumericRule> kNoRules;
    const std::vector<NumericRule>& rules = tr.statements.size() == 1 ? numericRules(sql, params) : kNoRules;
    // Prefix searches are given a range the index answers.
    for (SqliteStatement& s : tr.statements)
        s.sql = addPrefixRanges(s.sql, params, m_textColumns);
    // Several statements that stand for one run all or nothing. Outside a
    // transaction, those that write take the write lock before the first
    // of them reads: a lock asked for only at the first write could not wait
    // for another desk's commit (the reads would be out of date).
    bool writes = false;
    for (const SqliteStatement& s : tr.statements)
        writes = writes || !s.sql.startsWith(QLatin1String("SELECT"), Qt::CaseInsensitive);
    if (writes)
        readPendingResults();
    const bool own = tr.atomic && writes && sqlite3_get_autocommit(m_db) != 0;
    const bool savepoint = tr.atomic && !own;
    if (own)
        plain("BEGIN IMMEDIATE");
    if (savepoint)
        plain("SAVEPOINT zt_statement");
    int changed = 0;
    try {
        for (const SqliteStatement& s : tr.statements) {
            const QByteArray text = s.sql.toUtf8();
            sqlite3_stmt* st = takeStatement(text);
            struct GiveBack {
                EmbeddedBackend* backend;
                const QByteArray& text;
                sqlite3_stmt* st;
                ~GiveBack() { backend->giveBack(text, st); }
            } back{this, text, st};
            if (!st || s.prepareOnly)
                continue;
            const int count = sqlite3_bind_parameter_count(st);
            for (int i = 1; i <= count && i <= int(params.size()); ++i)
                bindParam(st, i, params[size_t(i - 1)], size_t(i) <= rules.size() ? &rules[size_t(i - 1)] : nullptr);
            if (result && !*result && sqlite3_column_count(st) > 0) {
                auto rs = std::make_shared<ResultSet>();
                RowReader reader(m_db, st, *rs);
                // A lone select outside a transaction may leave its rest to be
                // read as it is asked for; anything else is read whole.
                const bool inSteps = fetch == Fetch::InSteps && tr.statements.size() == 1 &&
                                     sqlite3_get_autocommit(m_db) != 0 && sqlite3_stmt_readonly(st) != 0;
                if (reader.read(*rs, inSteps ? kFirstRows : INT_MAX)) {
                    rs->setSource(std::make_unique<StepSource>(this, text, st, std::move(reader)));
                    back.st = nullptr;
                    std::erase_if(m_pending, [](const std::weak_ptr<ResultSet>& w) { return w.expired(); });
                    m_pending.push_back(rs);
                }
                *result = rs;
                continue;
            }
            // Rows changed by this statement itself (not by its triggers);
            // a statement that changed no rows (a CREATE, a DROP) leaves the
            // total as it was, while sqlite3_changes() would still answer the
            // count of the last insert, update or delete before it.
            const sqlite3_int64 before = sqlite3_total_changes64(m_db);
            int rc;
            while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            }
            if (rc != SQLITE_DONE)
                throw DbError(sqliteError(m_db));
            if (sqlite3_total_changes64(m_db) != before)
                changed += int(sqlite3_changes64(m_db));
        }
    } catch (...) {
        if (own)
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        if (savepoint) {
            sqlite3_exec(m_db, "ROLLBACK TO zt_statement", nullptr, nullptr, nullptr);
            sqlite3_exec(m_db, "RELEASE zt_statement", nullptr, nullptr, nullptr);
        }
        throw;
    }
    if (savepoint)
        plain("RELEASE zt_statement");
    if (own) {
        try {
            plain("COMMIT");
        } catch (...) {
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
    }
    return changed;
}

std::shared_ptr<ResultSet> EmbeddedBackend::select(const QString& sql, const std::vector<BoundParam>& params,
                                                   Fetch fetch)
{
    std::shared_ptr<ResultSet> result;
    runStatements(sql, params, &result, fetch);
    if (!result)
        result = std::make_shared<ResultSet>(); // a statement without rows opens an empty result
    return result;
}

int EmbeddedBackend::execute(const QString& sql, const std::vector<BoundParam>& params)
{
    return runStatements(sql, params, nullptr, Fetch::Whole);
}

std::shared_ptr<ResultSet> EmbeddedBackend::run(const QString& sql, const std::vector<BoundParam>& params, int* changed)
{
    std::shared_ptr<ResultSet> result;
    const int n = runStatements(sql, params, &result, Fetch::Whole);
    if (changed)
        *changed = n;
    return result;
}

// A transaction takes the write lock when it begins, waiting up to the busy
// timeout for another desk's save to end. A deferred BEGIN would take it at
// the first write, and a transaction that read before that write could not
// wait for another desk's commit: it would fail at once.
void EmbeddedBackend::begin() { plain("BEGIN IMMEDIATE"); }
void EmbeddedBackend::beginWrite() { plain("BEGIN IMMEDIATE"); }
void EmbeddedBackend::commit() { plain("COMMIT"); }
void EmbeddedBackend::rollback()
{
    if (inTransaction())
        plain("ROLLBACK");
}
bool EmbeddedBackend::inTransaction() const { return m_db && sqlite3_get_autocommit(m_db) == 0; }
