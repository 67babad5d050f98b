#include "pgbackend.h"

#include "../clock.h"
#include "../resultset.h"
#include "../schema.h"
#include "../sqltokens.h"
#include "../sqlvalue.h"

#include <QCryptographicHash>
#include <QFile>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QTimeZone>

#include <libpq-fe.h>

namespace {

const char* kNotNumeric = "Error converting data type varchar to numeric.";
const char* kNotDate = "Conversion failed when converting date and/or time from character string.";

// Every desk's transactions for writing take this one lock (an advisory
// lock the server releases when the transaction ends).
constexpr const char* kWriteLock = "SELECT pg_advisory_xact_lock(5920871)";
constexpr const char* kTryWriteLock = "SELECT pg_try_advisory_xact_lock(5920871)";

// Object ids of the server's built-in types.
enum Oid : unsigned {
    kBool = 16, kInt8 = 20, kInt2 = 21, kInt4 = 23, kFloat4 = 700, kFloat8 = 701,
    kDate = 1082, kTimestamp = 1114, kNumeric = 1700, kText = 25,
};

struct PgResult {
    PGresult* r = nullptr;
    explicit PgResult(PGresult* res) : r(res) {}
    ~PgResult() { PQclear(r); }
    PgResult(const PgResult&) = delete;
    PgResult& operator=(const PgResult&) = delete;
};

QString field(const PGresult* r, int code)
{
    const char* v = PQresultErrorField(r, code);
    return v ? QString::fromUtf8(v) : QString();
}

// The server's error in SQL Server's words, so that the screens recognise
// it as they recognise the embedded engine's.
QString serverText(const PGresult* r, const QString& fallback)
{
    const QString state = field(r, PG_DIAG_SQLSTATE);
    const QString message = field(r, PG_DIAG_MESSAGE_PRIMARY);
    const QString constraint = field(r, PG_DIAG_CONSTRAINT_NAME);
    const QString table = field(r, PG_DIAG_TABLE_NAME);
    const QString column = field(r, PG_DIAG_COLUMN_NAME);
    if (state == QLatin1String("23505"))
        return QStringLiteral("Violation of UNIQUE KEY constraint '%1'. Cannot insert duplicate key in object 'dbo.%2'.")
            .arg(constraint, table);
    if (state == QLatin1String("23503"))
        return QStringLiteral("The statement conflicted with the REFERENCE constraint \"%1\". The conflict occurred in table \"dbo.%2\".")
            .arg(constraint, table);
    if (state == QLatin1String("23502"))
        return QStringLiteral("Cannot insert the value NULL into column '%1', table 'dbo.%2'; column does not allow nulls.")
            .arg(column, table);
    if (state == QLatin1String("23514"))
        return constraint.startsWith(QLatin1String("zt_width_"))
                   ? QStringLiteral("String or binary data would be truncated.")
                   : QStringLiteral("The statement conflicted with the CHECK constraint \"%1\".").arg(constraint);
    if (state == QLatin1String("22001"))
        return QStringLiteral("String or binary data would be truncated.");
    if (state == QLatin1String("22003"))
        return QStringLiteral("Arithmetic overflow error converting numeric to data type numeric.");
    if (state == QLatin1String("22P02")) {
        static const QRegularExpression value(QStringLiteral("type (\\w+): \"(.*)\"$"));
        const QRegularExpressionMatch m = value.match(message);
        if (m.hasMatch() && (m.captured(1).contains(QLatin1String("int"))))
            return QStringLiteral("Conversion failed when converting the varchar value '%1' to data type int.").arg(m.captured(2));
        if (m.hasMatch() && m.captured(1).startsWith(QLatin1String("timestamp")))
            return QString::fromLatin1(kNotDate);
        return QString::fromLatin1(kNotNumeric);
    }
    if (state == QLatin1String("22007") || state == QLatin1String("22008"))
        return QString::fromLatin1(kNotDate);
    if (state == QLatin1String("40P01") || state == QLatin1String("40001"))
        return QStringLiteral("Transaction was deadlocked on lock resources with another process and has been chosen "
                              "as the deadlock victim. Rerun the transaction.");
    if (state == QLatin1String("55P03") || state == QLatin1String("57014"))
        return QStringLiteral("Lock request time out period exceeded.");
    if (state == QLatin1String("42P01")) {
        static const QRegularExpression name(QStringLiteral("relation \"(.*)\" does not exist"));
        const QRegularExpressionMatch m = name.match(message);
        return QStringLiteral("Invalid object name '%1'.").arg(m.hasMatch() ? m.captured(1) : message);
    }
    if (state == QLatin1String("42703")) {
        static const QRegularExpression name(QStringLiteral("column \"?([^\" ]*)\"? does not exist"));
        const QRegularExpressionMatch m = name.match(message);
        return QStringLiteral("Invalid column name '%1'.").arg(m.hasMatch() ? m.captured(1).section(QLatin1Char('.'), -1) : message);
    }
    if (!message.isEmpty())
        return message;
    return fallback;
}

// "?N" markers (outside texts and quoted names) become "$1", "$2", ... one
// for each marker; markers[k] is the parameter the k-th marker stands for.
QString numberedMarkers(const QString& sql, std::vector<int>& markers)
{
    QString out;
    out.reserve(sql.size() + 8);
    QChar quote;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql[i];
        if (!quote.isNull()) {
            out += c;
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
            out += c;
            continue;
        }
        if (c == QLatin1Char('?') && i + 1 < sql.size() && sql[i + 1].isDigit()) {
            qsizetype j = i + 1;
            while (j < sql.size() && sql[j].isDigit())
                ++j;
            markers.push_back(sql.mid(i + 1, j - i - 1).toInt() - 1);
            out += QLatin1Char('$') + QString::number(markers.size());
            i = j - 1;
            continue;
        }
        out += c;
    }
    return out;
}

// A parameter as the text the server reads, converted as SQL Server
// converts it; a null parameter is a null pointer's worth (isNull).
QByteArray paramText(const BoundParam& p, bool* isNull)
{
    const QVariant& v = p.value;
    *isNull = false;
    if (v.isNull() || !v.isValid()) {
        *isNull = true;
        return {};
    }
    const bool isText = v.typeId() == QMetaType::QString;
    switch (p.kind) {
    case ParamKind::Text:
        return (v.typeId() == QMetaType::QDateTime || v.typeId() == QMetaType::QDate ? plainText(v) : v.toString()).toUtf8();
    case ParamKind::Decimal:
        if (!isText)
            return (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float ? plainNumber(v.toDouble())
                                                                                      : QString::number(v.toLongLong()))
                .toUtf8();
        if (v.toString().trimmed().isEmpty()) {
            *isNull = true;
            return {};
        }
        // The amount goes as typed and the server rounds it exactly.
        if (!parseDecimalText(v.toString(), nullptr))
            throw DbError(QString::fromLatin1(kNotNumeric));
        return v.toString().trimmed().toUtf8();
    case ParamKind::DateTime: {
        QDateTime d;
        if (v.typeId() == QMetaType::QDate)
            d = QDateTime(v.toDate(), QTime(0, 0));
        else if (v.typeId() == QMetaType::QDateTime)
            d = v.toDateTime();
        else if (v.toString().trimmed().isEmpty()) {
            *isNull = true;
            return {};
        } else {
            d = parseDateTimeText(v.toString());
            if (!d.isValid())
                throw DbError(QString::fromLatin1(kNotDate));
        }
        // A date that is none (a let without a start) is the empty text,
        // which the server reads as 1900-01-01.
        return d.isValid() ? canonicalDateTime(d).toUtf8() : QByteArray("1900-01-01 00:00:00.000");
    }
    case ParamKind::Integer: {
        bool ok = true;
        const qint64 i = isText ? v.toString().trimmed().toLongLong(&ok) : v.toLongLong();
        if (!ok)
            throw DbError(QStringLiteral("Conversion failed when converting the varchar value '%1' to data type int.")
                              .arg(v.toString()));
        return QByteArray::number(i);
    }
    }
    return v.toString().toUtf8();
}

FieldKind kindOf(unsigned type)
{
    switch (type) {
    case kBool: case kInt2: case kInt4: case kInt8:
        return FieldKind::Integer;
    case kNumeric:
        return FieldKind::Decimal;
    case kFloat4: case kFloat8:
        return FieldKind::Float;
    case kDate: case kTimestamp:
        return FieldKind::DateTime;
    default:
        return FieldKind::Text;
    }
}

// The columns of a result, with the server's type of each.
std::vector<unsigned> addColumns(ResultSet& rs, const PGresult* r)
{
    const int cols = PQnfields(r);
    std::vector<unsigned> types(static_cast<size_t>(cols));
    for (int c = 0; c < cols; ++c) {
        types[size_t(c)] = PQftype(r, c);
        rs.addColumn(QString::fromUtf8(PQfname(r, c)), kindOf(types[size_t(c)]));
    }
    return types;
}

// Appends a result's rows, each value in the form the embedded engine
// answers it: a numeric is a whole number when it is one, else the nearest
// double.
void appendRows(ResultSet& rs, const PGresult* r, const std::vector<unsigned>& types)
{
    const int cols = int(types.size());
    const int rows = PQntuples(r);
    for (int row = 0; row < rows; ++row) {
        for (int c = 0; c < cols; ++c) {
            if (PQgetisnull(r, row, c)) {
                rs.appendNull(c);
                continue;
            }
            const char* v = PQgetvalue(r, row, c);
            const int n = PQgetlength(r, row, c);
            switch (types[size_t(c)]) {
            case kBool:
                rs.appendInt(c, v[0] == 't' ? 1 : 0);
                break;
            case kInt2: case kInt4: case kInt8:
                rs.appendInt(c, QByteArray::fromRawData(v, n).toLongLong());
                break;
            case kNumeric: {
                const QByteArray text = QByteArray::fromRawData(v, n);
                const qsizetype point = text.indexOf('.');
                bool whole = point < 0;
                if (!whole) {
                    whole = true;
                    for (qsizetype k = point + 1; k < n; ++k)
                        whole = whole && v[k] == '0';
                }
                bool ok = false;
                const qint64 i = whole ? text.left(point < 0 ? n : point).toLongLong(&ok) : 0;
                if (ok)
                    rs.appendInt(c, i);
                else
                    rs.appendDouble(c, text.toDouble());
                break;
            }
            case kFloat4: case kFloat8:
                rs.appendDouble(c, QByteArray::fromRawData(v, n).toDouble());
                break;
            case kDate: case kTimestamp: {
                // "YYYY-MM-DD[ HH:MM:SS[.f]]" in the canonical form's 23 places.
                QByteArray text(v, n);
                if (text.size() == 10)
                    text += " 00:00:00";
                if (text.size() == 19)
                    text += '.';
                text = text.leftJustified(23, '0', true);
                qint64 day;
                int msecs;
                if (parseCanonicalDateTime(text.constData(), int(text.size()), &day, &msecs))
                    rs.appendDateTime(c, day, msecs);
                else
                    rs.appendTextUtf8(c, v, n);
                break;
            }
            default: {
                // An expression standing for a date-time or a text (see
                // zt_dttext) answers the date-time when it holds one.
                qint64 day;
                int msecs;
                if (types[size_t(c)] == kText && parseCanonicalDateTime(v, n, &day, &msecs))
                    rs.appendDateTime(c, day, msecs);
                else
                    rs.appendTextUtf8(c, v, n);
            }
            }
        }
        rs.finishRow();
    }
}


std::shared_ptr<ResultSet> readRows(const PGresult* r)
{
    auto rs = std::make_shared<ResultSet>();
    appendRows(*rs, r, addColumns(*rs, r));
    return rs;
}

// The texts, types and null markers of a statement's "$n" parameters.
struct BoundValues {
    std::vector<QByteArray> values;
    std::vector<const char*> pointers;
    std::vector<unsigned> types;
    BoundValues(const std::vector<int>& markers, const std::vector<BoundParam>& params)
        : values(markers.size()), pointers(markers.size()), types(markers.size(), 0)
    {
        for (size_t k = 0; k < markers.size(); ++k) {
            const int slot = markers[k];
            bool isNull = true;
            if (slot >= 0 && size_t(slot) < params.size()) {
                const BoundParam& p = params[size_t(slot)];
                values[k] = paramText(p, &isNull);
                types[k] = p.kind == ParamKind::Decimal    ? unsigned(kNumeric)
                           : p.kind == ParamKind::DateTime ? unsigned(kTimestamp)
                           : p.kind == ParamKind::Integer  ? unsigned(kInt8)
                                                           : 0u;
            }
            pointers[k] = isNull ? nullptr : values[k].constData();
        }
    }
};

// A select of one table's rows in no stated order reads them in the order
// of the table's key, as SQL Server reads a clustered table; the server
// would answer them in whatever order its storage holds them, which changes
// as rows are updated. keys: each table's key as its ORDER BY list.
QString inKeyOrder(const QString& sql, const QHash<QString, QString>& keys)
{
    std::vector<SqlToken> t = tokenizeSql(sql);
    size_t i = nextSig(t, 0);
    if (i >= t.size() || !t[i].is("select"))
        return sql;
    int depth = 0;
    size_t tableAt = t.size(), limitAt = t.size();
    for (; i < t.size(); ++i) {
        const SqlToken& tok = t[i];
        if (tok.isSymbol('('))
            ++depth;
        else if (tok.isSymbol(')'))
            --depth;
        // An aggregate anywhere makes one row (or groups): no order to give.
        for (const char* w : {"count", "sum", "max", "min", "avg"})
            if (tok.is(w))
                return sql;
        if (depth != 0 || tok.kind == SqlToken::Space)
            continue;
        for (const char* w : {"union", "group", "order", "distinct", "into", "having", "for", "join", "except",
                              "intersect"})
            if (tok.is(w))
                return sql;
        if (tok.isSymbol(',') && tableAt < t.size())
            return sql;
        if (tok.is("from"))
            tableAt = nextSig(t, i + 1);
        if (tok.is("limit"))
            limitAt = i;
    }
    if (tableAt >= t.size() || !t[tableAt].isName())
        return sql;
    const QString key = keys.value(t[tableAt].name().toLower());
    if (key.isEmpty())
        return sql;
    // An alias after the table qualifies the key.
    const size_t after = nextSig(t, tableAt + 1);
    QString qualifier;
    if (after < t.size() && t[after].isName() && !t[after].is("where") && !t[after].is("limit")) {
        const size_t alias = t[after].is("as") ? nextSig(t, after + 1) : after;
        if (alias < t.size())
            qualifier = t[alias].text + QLatin1Char('.');
    }
    QString order = key;
    order.replace(QLatin1String("%q"), qualifier);
    const SqlToken clause{SqlToken::Space, QStringLiteral(" ORDER BY ") + order + QLatin1Char(' ')};
    t.insert(t.begin() + long(limitAt), clause);
    return joinTokens(t);
}

// The rows a list reads before it is shown: more than any grid shows at once.
constexpr int kFirstRows = 256;

bool changesSchema(const QString& sql)
{
    static const QRegularExpression ddl(QStringLiteral("^\\s*(create|alter|drop)\\b"), QRegularExpression::CaseInsensitiveOption);
    return ddl.match(sql).hasMatch();
}

} // namespace

bool PgBackend::parseName(const QString& name, QString* host, int* port)
{
    QString rest = name.trimmed();
    if (!rest.startsWith(QLatin1String("postgresql:"), Qt::CaseInsensitive))
        return false;
    rest = rest.mid(11).trimmed();
    *port = 5432;
    const qsizetype colon = rest.lastIndexOf(QLatin1Char(':'));
    if (colon > 0) {
        bool ok = false;
        const int p = rest.mid(colon + 1).toInt(&ok);
        if (ok) {
            *port = p;
            rest = rest.left(colon);
        }
    }
    *host = rest;
    return !rest.isEmpty();
}

QString PgBackend::connectionLostText()
{
    return QStringLiteral("可能是数据库设置错误或数据库没有打开，连接失败！（与数据库服务器的连接已断开，未保存的修改没有写入数据库。）");
}

PgBackend::PgBackend(const ServerConfig& config, const QString& qtName, bool mayCreate) : m_qtName(qtName)
{
    QString host;
    int port = 5432;
    if (!parseName(config.name, &host, &port))
        throw DbError(QStringLiteral("No database server is named after \"postgresql:\"."));
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), qtName);
    if (!db.isValid()) {
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(qtName);
        throw DbError(QStringLiteral("Qt's PostgreSQL driver (QPSQL) is not installed."));
    }
    db.setHostName(host);
    db.setPort(port);
    db.setDatabaseName(config.databaseName);
    db.setUserName(config.user);
    db.setPassword(config.pass);
    // A silent server must not hang start-up.
    db.setConnectOptions(QStringLiteral("connect_timeout=5;application_name=zentavo"));
    if (!db.open()) {
        const QSqlError e = db.lastError();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(qtName);
        throw DbError(e.databaseText().isEmpty() ? e.text() : e.databaseText());
    }
    const QVariant handle = db.driver()->handle();
    if (QByteArray(handle.typeName()).replace(' ', "").endsWith("conn*"))
        m_conn = *static_cast<PGconn* const*>(handle.data());
    if (!m_conn)
        throw DbError(QStringLiteral("The PostgreSQL driver gave no connection (%1).").arg(QLatin1String(handle.typeName())));
    prepareSession();
    prepareSchema(mayCreate);
}

PgBackend::~PgBackend()
{
    // A list still read in steps is read to its end: its rows outlive us.
    if (m_conn && PQstatus(m_conn) == CONNECTION_OK)
        finishPending();
    {
        QSqlDatabase db = QSqlDatabase::database(m_qtName, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_qtName);
}

void PgBackend::prepareSession()
{
    // Dates read and written as the program writes them, "now" in the
    // desk's time zone. (The messages' language is the server's to choose:
    // errors are told apart by their codes.)
    const QString zone = QString::fromUtf8(QTimeZone::systemTimeZoneId());
    runNative(QStringLiteral("SET client_encoding = 'UTF8'; SET DateStyle = 'ISO, YMD'; "
                             "SET client_min_messages = 'warning'; SET TimeZone = '%1'; "
                             // A statement waiting for another desk's row gives up as a save waits.
                             "SET lock_timeout = %2")
                  .arg(zone.isEmpty() ? QStringLiteral("UTC") : zone)
                  .arg(qMax(1, Connection::busyTimeout())));
    m_clockSent.clear();
    forgetPrepared(false); // a new session holds none
}

namespace {
bool failedWith(const PGresult* r, const char* state)
{
    return PQresultStatus(r) == PGRES_FATAL_ERROR && field(r, PG_DIAG_SQLSTATE) == QLatin1String(state);
}
} // namespace

// A statement run a second time on the session is prepared and from then
// on run by name: the server parses and plans it once. A save, the sheet or
// a billing run repeats a few statements hundreds of times, and planning
// took most of each.
PGresult* PgBackend::execute(const QByteArray& text, std::vector<unsigned>& types,
                             const std::vector<const char*>& values)
{
    const int n = int(types.size());
    if (m_prepared.size() > 2000)
        forgetPrepared(true);
    QByteArray key = text;
    key.append('\0').append(reinterpret_cast<const char*>(types.data()), qsizetype(types.size() * sizeof(unsigned)));
    Prepared& p = m_prepared[key];
    const auto typedAsText = [&] {
        for (unsigned& t : types)
            t = t ? t : 25;
    };
    if (p.name.isEmpty() && ++p.uses >= 2) {
        const QByteArray name = "zt_" + QByteArray::number(++m_preparedCount);
        PGresult* made = PQprepare(m_conn, name.constData(), text.constData(), n, types.data());
        // A text parameter whose type nothing in the statement tells (":x
        // is null") is a text, as on the server. Inside a transaction the
        // failure has ended it: no second try there.
        if (!m_inTransaction && failedWith(made, "42P18")) {
            PQclear(made);
            typedAsText();
            made = PQprepare(m_conn, name.constData(), text.constData(), n, types.data());
        }
        if (PQresultStatus(made) != PGRES_COMMAND_OK)
            return made;
        PQclear(made);
        p.name = name;
    }
    if (!p.name.isEmpty()) {
        PGresult* r = PQexecPrepared(m_conn, p.name.constData(), n, values.data(), nullptr, nullptr, 0);
        // Another desk changed a view this statement reads, so that its
        // columns differ: the server refuses the old plan. Outside a
        // transaction, prepared statements are forgotten and it runs again.
        if (m_inTransaction || !failedWith(r, "0A000"))
            return r;
        PQclear(r);
        forgetPrepared(true);
    }
    PGresult* raw = PQexecParams(m_conn, text.constData(), n, types.data(), values.data(), nullptr, nullptr, 0);
    if (!m_inTransaction && failedWith(raw, "42P18")) {
        PQclear(raw);
        typedAsText();
        raw = PQexecParams(m_conn, text.constData(), n, types.data(), values.data(), nullptr, nullptr, 0);
    }
    return raw;
}

void PgBackend::forgetPrepared(bool onServer)
{
    if (onServer && !m_prepared.isEmpty() && PQstatus(m_conn) == CONNECTION_OK)
        PQclear(PQexec(m_conn, "DEALLOCATE ALL"));
    m_prepared.clear();
}

namespace {
QByteArray functionsText()
{
    QFile functions(QStringLiteral(":/postgres/functions.sql"));
    functions.open(QIODevice::ReadOnly);
    return functions.readAll();
}
QByteArray functionsHash()
{
    return QCryptographicHash::hash(functionsText(), QCryptographicHash::Md5).toHex();
}
} // namespace

// Whether the database holds the functions this build installs: their text's
// hash is kept as zt_functions_hash().
bool PgBackend::functionsCurrent()
{
    PgResult has(PQexec(m_conn, "SELECT to_regproc('zt_functions_hash') IS NOT NULL"));
    if (PQresultStatus(has.r) != PGRES_TUPLES_OK || PQgetvalue(has.r, 0, 0)[0] != 't')
        return false;
    PgResult hash(PQexec(m_conn, "SELECT zt_functions_hash()"));
    return PQresultStatus(hash.r) == PGRES_TUPLES_OK && functionsHash() == PQgetvalue(hash.r, 0, 0);
}

void PgBackend::installFunctions()
{
    runNative(QString::fromUtf8(functionsText()) +
              QStringLiteral("\nCREATE OR REPLACE FUNCTION zt_functions_hash() RETURNS text LANGUAGE sql IMMUTABLE "
                             "AS $$ SELECT '%1' $$;")
                  .arg(QString::fromLatin1(functionsHash())));
}

void PgBackend::prepareSchema(bool mayCreate)
{
    PgResult has(PQexec(m_conn, "SELECT to_regclass('zt_version') IS NOT NULL"));
    const bool installed = PQresultStatus(has.r) == PGRES_TUPLES_OK && PQgetvalue(has.r, 0, 0)[0] == 't';
    if (installed) {
        PgResult v(PQexec(m_conn, "SELECT max(version) FROM zt_version"));
        if (PQresultStatus(v.r) == PGRES_TUPLES_OK && QByteArray(PQgetvalue(v.r, 0, 0)).toInt() > Schema::kVersion)
            throw DbError(QStringLiteral("The database was made by a newer version of this program."));
        // Functions of an older build are replaced by this build's (the
        // first desk to open the database after an update does it).
        if (!functionsCurrent()) {
            begin();
            try {
                if (!functionsCurrent())
                    installFunctions();
                commit();
            } catch (const DbError& e) {
                rollback();
                throw DbError(QStringLiteral("The database's functions are older than this program's and could not be "
                                             "replaced (%1). Open it once as the role that owns it, for instance with "
                                             "zentavo-sql -c iniFw.ini -Q \"select 1\".")
                                  .arg(e.text()));
            }
        }
        return;
    }
    if (!mayCreate)
        throw DbError(QStringLiteral("The database holds none of this program's tables; "
                                     "zentavo-sql --create installs them."));
    begin();
    try {
        installFunctions();
        m_kindsStale = true;
        for (const QString& batch : Schema::batches())
            execute(batch, {});
        runNative(QStringLiteral("INSERT INTO zt_version VALUES (%1)").arg(Schema::kVersion));
        commit();
    } catch (...) {
        rollback();
        throw;
    }
}

void PgBackend::ensureConnected()
{
    finishPending();
    if (PQstatus(m_conn) == CONNECTION_OK)
        return;
    // The server went away since the last statement: connect again (a
    // transaction open then is gone with its writes).
    m_inTransaction = false;
    PQreset(m_conn);
    if (PQstatus(m_conn) != CONNECTION_OK)
        throw DbError(connectionLostText());
    prepareSession();
}

void PgBackend::fail(const void* result)
{
    const PGresult* r = static_cast<const PGresult*>(result);
    // The server gone (stopped, restarted, the network down): the statement
    // and the transaction around it did not happen.
    const QString state = field(r, PG_DIAG_SQLSTATE);
    const bool noState = state.isEmpty() && (!r || PQresultStatus(r) == PGRES_FATAL_ERROR);
    const bool lost = PQstatus(m_conn) != CONNECTION_OK || noState || state.startsWith(QLatin1String("08")) ||
                      state.startsWith(QLatin1String("57P"));
    if (lost) {
        if (PQstatus(m_conn) == CONNECTION_OK)
            PQreset(m_conn); // connects again now if it can; ensureConnected does later
        if (PQstatus(m_conn) == CONNECTION_OK)
            prepareSession();
        m_inTransaction = false;
        throw DbError(connectionLostText());
    }
    throw DbError(serverText(r, QString::fromUtf8(PQerrorMessage(m_conn)).trimmed()));
}

void PgBackend::runNative(const QString& sql)
{
    PgResult r(PQexec(m_conn, sql.toUtf8().constData()));
    const ExecStatusType s = PQresultStatus(r.r);
    if (s != PGRES_COMMAND_OK && s != PGRES_TUPLES_OK)
        fail(r.r);
}

void PgBackend::setClock()
{
    const QDateTime fixed = Clock::fixedMoment();
    const QString now = fixed.isValid() ? canonicalDateTime(fixed) : QString();
    if (now == m_clockSent)
        return;
    runNative(QStringLiteral("SELECT set_config('zentavo.now', '%1', false)").arg(now));
    m_clockSent = now;
}

const ColumnKinds& PgBackend::columnKinds()
{
    if (!m_kindsStale)
        return m_kinds;
    PgResult r(PQexec(m_conn, "SELECT lower(column_name), data_type, coalesce(collation_name, '') "
                              "FROM information_schema.columns WHERE table_schema = current_schema()"));
    if (PQresultStatus(r.r) != PGRES_TUPLES_OK)
        fail(r.r);
    m_kinds.clear();
    for (int row = 0; row < PQntuples(r.r); ++row) {
        const QString name = QString::fromUtf8(PQgetvalue(r.r, row, 0));
        const QByteArray type = PQgetvalue(r.r, row, 1);
        char k = 'x';
        if (type.contains("char") || type == "text")
            k = qstrcmp(PQgetvalue(r.r, row, 2), "C") == 0 ? 's' : 't';
        else if (type == "numeric")
            k = 'n';
        else if (type.contains("int"))
            k = 'i';
        else if (type.contains("double") || type == "real")
            k = 'f';
        else if (type.startsWith("timestamp") || type == "date")
            k = 'd';
        const auto it = m_kinds.constFind(name);
        m_kinds.insert(name, it == m_kinds.constEnd() || it.value() == k ? k : 'x');
    }
    // Each table's key, text columns by their keys ("%q" the qualifier).
    PgResult k(PQexec(m_conn, "SELECT lower(c.relname), string_agg(CASE WHEN t.typcategory = 'S' "
                              "THEN 'zt_key(%q' || quote_ident(a.attname) || ')' ELSE '%q' || quote_ident(a.attname) END, "
                              "', ' ORDER BY array_position(x.conkey, a.attnum)) "
                              "FROM pg_constraint x JOIN pg_class c ON c.oid = x.conrelid "
                              "JOIN pg_namespace n ON n.oid = c.relnamespace AND n.nspname = current_schema() "
                              "JOIN pg_attribute a ON a.attrelid = c.oid AND a.attnum = ANY (x.conkey) "
                              "JOIN pg_type t ON t.oid = a.atttypid WHERE x.contype = 'p' GROUP BY c.relname"));
    if (PQresultStatus(k.r) != PGRES_TUPLES_OK)
        fail(k.r);
    m_keys.clear();
    for (int row = 0; row < PQntuples(k.r); ++row)
        m_keys.insert(QString::fromUtf8(PQgetvalue(k.r, row, 0)), QString::fromUtf8(PQgetvalue(k.r, row, 1)));
    m_kindsStale = false;
    m_translations.clear();
    return m_kinds;
}

const Translation& PgBackend::translated(const QString& sql)
{
    const ColumnKinds& kinds = columnKinds();
    const auto it = m_translations.constFind(sql);
    if (it != m_translations.constEnd())
        return it.value();
    if (m_translations.size() > 2000)
        m_translations.clear();
    Translation tr = translateTsql(sql, &kinds, SqlDialect::Postgres);
    for (SqliteStatement& st : tr.statements)
        st.sql = inKeyOrder(st.sql, m_keys);
    return *m_translations.insert(sql, std::move(tr));
}

QStringList PgBackend::translationOf(const QString& sql)
{
    QStringList out;
    for (const SqliteStatement& s : translated(sql).statements)
        out << s.sql;
    return out;
}

int PgBackend::runStatements(const QString& sql, const std::vector<BoundParam>& params,
                             std::shared_ptr<ResultSet>* result)
{
    ensureConnected();
    setClock();
    // Copied: a schema change below refreshes the cache it lives in.
    const Translation tr = translated(sql);
    const bool own = tr.atomic && !m_inTransaction;
    if (own)
        begin();
    int changed = 0;
    try {
        for (const SqliteStatement& st : tr.statements) {
            std::vector<int> markers;
            const QByteArray text = numberedMarkers(st.sql, markers).toUtf8();
            BoundValues bound(markers, params);
            std::vector<unsigned>& types = bound.types;
            std::vector<const char*>& pointers = bound.pointers;
            PgResult r(execute(text, types, pointers));
            const ExecStatusType s = PQresultStatus(r.r);
            if (s == PGRES_TUPLES_OK) {
                if (result)
                    *result = readRows(r.r);
            } else if (s == PGRES_COMMAND_OK) {
                changed += QByteArray(PQcmdTuples(r.r)).toInt();
            } else if (s != PGRES_EMPTY_QUERY) {
                fail(r.r);
            }
            if (changesSchema(st.sql)) {
                m_kindsStale = true;
                forgetPrepared(true);
            }
        }
        if (own)
            commit();
    } catch (...) {
        if (own)
            rollback();
        throw;
    }
    return changed;
}

// The rest of a list read in steps: the server sends it row by row while
// the connection does nothing else (see finishPending).
class PgStepSource : public RowSource {
public:
    PgStepSource(PgBackend* backend, std::vector<unsigned> types) : m_backend(backend), m_types(std::move(types)) {}
    ~PgStepSource() override { m_backend->endStream(); }
    bool fetch(ResultSet& into, int rows) override { return m_backend->streamRows(into, rows, m_types); }

private:
    PgBackend* m_backend;
    std::vector<unsigned> m_types;
};

QString PgBackend::numberedStatement(const QString& sql, std::vector<int>& markers)
{
    return numberedMarkers(sql, markers);
}

std::shared_ptr<ResultSet> PgBackend::select(const QString& sql, const std::vector<BoundParam>& params, Fetch fetch)
{
    if (fetch == Fetch::InSteps) {
        ensureConnected();
        setClock();
        const Translation tr = translated(sql);
        if (tr.statements.size() == 1 && !tr.atomic) {
            std::vector<int> markers;
            const QByteArray text = numberedMarkers(tr.statements.front().sql, markers).toUtf8();
            BoundValues values(markers, params);
            if (!PQsendQueryParams(m_conn, text.constData(), int(markers.size()), values.types.data(),
                                   values.pointers.data(), nullptr, nullptr, 0))
                fail(nullptr);
            PQsetSingleRowMode(m_conn);
            m_streaming = true;
            PGresult* first = PQgetResult(m_conn);
            const ExecStatusType status = PQresultStatus(first);
            if (status != PGRES_SINGLE_TUPLE && status != PGRES_TUPLES_OK) {
                PgResult failed(first);
                endStream();
                // A text parameter nothing types: read whole, as a text.
                if (!m_inTransaction && field(failed.r, PG_DIAG_SQLSTATE) == QLatin1String("42P18")) {
                    std::shared_ptr<ResultSet> result;
                    runStatements(sql, params, &result);
                    return result ? result : std::make_shared<ResultSet>();
                }
                fail(failed.r);
            }
            auto rs = std::make_shared<ResultSet>();
            std::vector<unsigned> types = addColumns(*rs, first);
            appendRows(*rs, first, types);
            PQclear(first);
            if (status == PGRES_SINGLE_TUPLE && streamRows(*rs, kFirstRows - 1, types))
                rs->setSource(std::make_unique<PgStepSource>(this, std::move(types)));
            else
                endStream();
            if (rs->complete())
                return rs;
            m_pending = rs;
            return rs;
        }
    }
    std::shared_ptr<ResultSet> result;
    runStatements(sql, params, &result);
    return result ? result : std::make_shared<ResultSet>();
}

bool PgBackend::streamRows(ResultSet& into, int rows, const std::vector<unsigned>& types)
{
    if (!m_streaming)
        return false;
    for (int n = 0; n < rows; ++n) {
        PGresult* r = PQgetResult(m_conn);
        if (!r) {
            m_streaming = false;
            return false;
        }
        PgResult one(r);
        switch (PQresultStatus(r)) {
        case PGRES_SINGLE_TUPLE:
            appendRows(into, r, types);
            break;
        case PGRES_TUPLES_OK:
            // The end; the null result after it follows.
            --n;
            break;
        default: {
            const QString text = serverText(r, QString::fromUtf8(PQerrorMessage(m_conn)).trimmed());
            endStream();
            throw DbError(PQstatus(m_conn) == CONNECTION_OK ? text : connectionLostText());
        }
        }
    }
    return true;
}

void PgBackend::endStream()
{
    if (!m_streaming)
        return;
    while (PGresult* r = PQgetResult(m_conn))
        PQclear(r);
    m_streaming = false;
}

void PgBackend::finishPending()
{
    if (!m_streaming)
        return;
    // The list still being read is read to its end before anything else
    // runs; one whose grid is gone is read past.
    if (const std::shared_ptr<ResultSet> rs = m_pending.lock()) {
        try {
            rs->fetchAll();
        } catch (const DbError&) {
        }
    }
    endStream();
}

int PgBackend::execute(const QString& sql, const std::vector<BoundParam>& params)
{
    return runStatements(sql, params, nullptr);
}

std::shared_ptr<ResultSet> PgBackend::run(const QString& sql, const std::vector<BoundParam>& params, int* changed)
{
    std::shared_ptr<ResultSet> result;
    const int n = runStatements(sql, params, &result);
    if (changed)
        *changed = n;
    return result;
}

void PgBackend::compile(const QString& sql)
{
    ensureConnected();
    for (const SqliteStatement& st : translated(sql).statements) {
        std::vector<int> markers;
        const QByteArray text = numberedMarkers(st.sql, markers).toUtf8();
        PgResult r(PQprepare(m_conn, "", text.constData(), 0, nullptr));
        if (PQresultStatus(r.r) != PGRES_COMMAND_OK && PQresultStatus(r.r) != PGRES_EMPTY_QUERY) {
            // A statement naming a table an earlier one of the same text
            // creates cannot be checked before that one runs.
            if (field(r.r, PG_DIAG_SQLSTATE) == QLatin1String("42P01") && translated(sql).statements.size() > 1)
                return;
            if (field(r.r, PG_DIAG_SQLSTATE) == QLatin1String("42P18"))
                continue;
            fail(r.r);
        }
    }
}

// Every transaction here is for writing: it takes the lock all desks'
// saves share from its start, as the embedded file's write lock is held.
void PgBackend::begin()
{
    ensureConnected();
    // Within a transaction a prepared statement is planned for its values
    // each time: a plan the server keeps for any value would be made while
    // the tables a long run writes are still small, and go stale as they
    // grow before any analysis can see the rows.
    runNative(QStringLiteral("BEGIN; SET LOCAL plan_cache_mode = force_custom_plan"));
    m_inTransaction = true;
    try {
        PgResult got(PQexec(m_conn, kTryWriteLock));
        if (PQresultStatus(got.r) != PGRES_TUPLES_OK)
            fail(got.r);
        if (PQgetvalue(got.r, 0, 0)[0] == 't')
            return;
        // Another desk is saving: wait for it, as long as the busy timeout.
        const auto& listener = Connection::lockWaitListener();
        if (listener)
            listener(true);
        struct Done {
            ~Done()
            {
                if (Connection::lockWaitListener())
                    Connection::lockWaitListener()(false);
            }
        } done;
        runNative(QStringLiteral("SET LOCAL lock_timeout = %1").arg(qMax(1, Connection::busyTimeout())));
        runNative(QString::fromLatin1(kWriteLock));
    } catch (...) {
        rollback();
        throw;
    }
}

void PgBackend::beginWrite() { begin(); }

void PgBackend::commit()
{
    finishPending();
    m_inTransaction = false;
    runNative(QStringLiteral("COMMIT"));
}

void PgBackend::rollback()
{
    if (!m_inTransaction)
        return;
    m_inTransaction = false;
    finishPending();
    if (PQstatus(m_conn) == CONNECTION_OK)
        runNative(QStringLiteral("ROLLBACK"));
}
