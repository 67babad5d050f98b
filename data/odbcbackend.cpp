#include "odbcbackend.h"

#include "resultset.h"
#include "sqltokens.h"

#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

QString braced(const QString& v) { return QLatin1Char('{') + QString(v).replace(QLatin1Char('}'), QLatin1String("}}")) + QLatin1Char('}'); }

QString errorText(const QSqlError& e)
{
    const QString db = e.databaseText();
    return db.isEmpty() ? e.text() : db;
}

// Turns ":name" markers into "?" and lists the parameter for each marker.
QString positional(const QString& sql, const std::vector<BoundParam>& params, std::vector<const BoundParam*>& order)
{
    std::vector<SqlToken> tokens = tokenizeSql(sql);
    for (SqlToken& t : tokens) {
        if (t.kind != SqlToken::Param)
            continue;
        const QString name = t.text.mid(1).toLower();
        for (const BoundParam& p : params)
            if (p.name == name)
                order.push_back(&p);
        t.text = QStringLiteral("?");
    }
    return joinTokens(tokens);
}

QVariant serverValue(const BoundParam& p)
{
    const QVariant& v = p.value;
    if (v.isNull() || !v.isValid())
        return QVariant(QMetaType(QMetaType::QString));
    if (v.typeId() != QMetaType::QString)
        return v;
    switch (p.kind) {
    case ParamKind::Decimal: {
        if (v.toString().trimmed().isEmpty())
            return QVariant(QMetaType(QMetaType::Double));
        if (!parseDecimalText(v.toString(), nullptr))
            throw DbError(QStringLiteral("Error converting data type varchar to numeric."));
        // The amount travels as the text typed and the server converts it
        // exactly; a double would arrive a hair off (12.345 as 12.3449...)
        // and round the other way.
        return v.toString().trimmed();
    }
    case ParamKind::DateTime: {
        if (v.toString().trimmed().isEmpty())
            return QVariant(QMetaType(QMetaType::QDateTime));
        const QDateTime d = parseDateTimeText(v.toString());
        if (!d.isValid())
            throw DbError(QStringLiteral("Conversion failed when converting date and/or time from character string."));
        return d;
    }
    case ParamKind::Integer: {
        bool ok;
        const qint64 i = v.toString().trimmed().toLongLong(&ok);
        if (!ok)
            throw DbError(QStringLiteral("Conversion failed when converting the varchar value '%1' to data type int.").arg(v.toString()));
        return i;
    }
    case ParamKind::Text:
        return v;
    }
    return v;
}

FieldKind kindOf(QMetaType::Type t)
{
    switch (t) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Bool:
        return FieldKind::Integer;
    case QMetaType::Double:
        return FieldKind::Float;
    case QMetaType::QDateTime:
    case QMetaType::QDate:
        return FieldKind::DateTime;
    case QMetaType::QString:
    case QMetaType::QByteArray:
        return FieldKind::Text;
    default:
        return FieldKind::Unknown;
    }
}

} // namespace

QString OdbcBackend::odbcConnectionText(const ServerConfig& c)
{
    // A blank typed around the host never names another server; the other
    // values (a password may end in a blank) go as written.
    return QStringLiteral("DRIVER={FreeTDS};SERVER=%1;DATABASE=%2;UID=%3;PWD=%4;TDS_Version=7.4;ClientCharset=UTF-8")
        .arg(braced(c.name.trimmed()), braced(c.databaseName), braced(c.user), braced(c.pass));
}

OdbcBackend::OdbcBackend(const ServerConfig& config, const QString& qtName)
    : OdbcBackend(odbcConnectionText(config), qtName)
{
}

OdbcBackend::OdbcBackend(const QString& odbcText, const QString& qtName) : m_qtName(qtName)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), qtName);
    db.setDatabaseName(odbcText);
    // A silent server must not hang start-up.
    db.setConnectOptions(QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=8;SQL_ATTR_CONNECTION_TIMEOUT=30"));
    if (!db.open()) {
        const QString text = errorText(db.lastError());
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(qtName);
        throw DbError(text);
    }
}

OdbcBackend::~OdbcBackend()
{
    {
        QSqlDatabase db = database();
        db.close();
    }
    QSqlDatabase::removeDatabase(m_qtName);
}

QSqlDatabase OdbcBackend::database() const { return QSqlDatabase::database(m_qtName, false); }

void OdbcBackend::run(QSqlQuery& q, const QString& sql, const std::vector<BoundParam>& params)
{
    std::vector<const BoundParam*> order;
    if (!q.prepare(positional(sql, params, order)))
        throw DbError(errorText(q.lastError()));
    for (const BoundParam* p : order)
        q.addBindValue(serverValue(*p));
    if (!q.exec())
        throw DbError(errorText(q.lastError()));
}

namespace {
std::shared_ptr<ResultSet> readResult(QSqlQuery& q);
}

std::shared_ptr<ResultSet> OdbcBackend::select(const QString& sql, const std::vector<BoundParam>& params, Fetch)
{
    QSqlQuery q(database());
    q.setForwardOnly(true);
    run(q, sql, params);
    return readResult(q);
}

std::shared_ptr<ResultSet> OdbcBackend::run(const QString& sql, const std::vector<BoundParam>& params, int* changed)
{
    QSqlQuery q(database());
    q.setForwardOnly(true);
    run(q, sql, params);
    if (q.isSelect())
        return readResult(q);
    if (changed)
        *changed = q.numRowsAffected();
    return nullptr;
}

namespace {
std::shared_ptr<ResultSet> readResult(QSqlQuery& q)
{
    auto rs = std::make_shared<ResultSet>();
    const QSqlRecord rec = q.record();
    for (int c = 0; c < rec.count(); ++c)
        rs->addColumn(rec.fieldName(c), kindOf(QMetaType::Type(rec.field(c).metaType().id())));
    while (q.next()) {
        for (int c = 0; c < rec.count(); ++c)
            rs->appendValue(c, q.value(c));
        rs->finishRow();
    }
    return rs;
}
} // namespace

int OdbcBackend::execute(const QString& sql, const std::vector<BoundParam>& params)
{
    QSqlQuery q(database());
    run(q, sql, params);
    return q.numRowsAffected();
}

void OdbcBackend::compile(const QString& sql)
{
    std::vector<const BoundParam*> order;
    QSqlQuery q(database());
    if (!q.prepare(positional(sql, {}, order)))
        throw DbError(errorText(q.lastError()));
}

void OdbcBackend::begin()
{
    if (!database().transaction())
        throw DbError(errorText(database().lastError()));
    m_inTransaction = true;
}

void OdbcBackend::commit()
{
    m_inTransaction = false;
    if (!database().commit())
        throw DbError(errorText(database().lastError()));
}

void OdbcBackend::rollback()
{
    if (!m_inTransaction)
        return;
    m_inTransaction = false;
    if (!database().rollback())
        throw DbError(errorText(database().lastError()));
}
