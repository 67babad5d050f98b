#include "query.h"

#include "sqltokens.h"

#include <QHash>

namespace {

QStringList paramNamesOf(const QString& sql)
{
    QStringList names;
    for (const SqlToken& t : tokenizeSql(sql)) {
        if (t.kind != SqlToken::Param)
            continue;
        const QString name = t.text.mid(1);
        bool seen = false;
        for (const QString& n : names)
            seen = seen || n.compare(name, Qt::CaseInsensitive) == 0;
        if (!seen)
            names << name;
    }
    return names;
}

} // namespace

// The screens set the same texts again and again: the names found in a
// text are kept.
QStringList scanParamNames(const QString& sql)
{
    thread_local QHash<QString, QStringList> known;
    const auto it = known.constFind(sql);
    if (it != known.constEnd())
        return *it;
    if (known.size() >= 1000)
        known.clear();
    return *known.insert(sql, paramNamesOf(sql));
}

Query::Query(Connection& connection) : m_connection(connection) {}

void Query::setSql(const QStringList& lines) { setSql(lines.join(QLatin1Char('\n'))); }

void Query::setSql(const QString& text)
{
    m_sql = text;
    // Values bound before keep their binding when the new text names them
    // again, as a query object's parameters survive a change of its text.
    std::vector<BoundParam> params;
    for (const QString& name : scanParamNames(m_sql)) {
        BoundParam p;
        p.name = name.toLower();
        for (const BoundParam& old : m_params)
            if (old.name == p.name)
                p = old;
        params.push_back(p);
    }
    m_params = std::move(params);
}

void Query::addLine(const QString& line)
{
    setSql(m_sql.isEmpty() ? line : m_sql + QLatin1Char('\n') + line);
}

void Query::clearSql() { setSql(QString()); }

QStringList Query::paramNames() const { return scanParamNames(m_sql); }

void Query::bind(const QString& name, ParamKind kind, const QVariant& value, int width)
{
    const QString key = name.toLower();
    for (BoundParam& p : m_params) {
        if (p.name == key) {
            p.kind = kind;
            p.value = value;
            p.width = width;
            return;
        }
    }
    throw DbError(QStringLiteral("Parameter '%1' not found").arg(name));
}

void Query::setText(const QString& name, const QString& value, int width)
{
    bind(name, ParamKind::Text, value.isNull() ? QString(QLatin1String("")) : value, width);
}
void Query::setDecimal(const QString& name, const QVariant& value) { bind(name, ParamKind::Decimal, value, 0); }
void Query::setDateTime(const QString& name, const QVariant& value) { bind(name, ParamKind::DateTime, value, 0); }
void Query::setInteger(const QString& name, const QVariant& value) { bind(name, ParamKind::Integer, value, 0); }
void Query::setNull(const QString& name, ParamKind kind) { bind(name, kind, QVariant(), 0); }

std::vector<BoundParam> Query::orderedParams() const { return m_params; }

void Query::open()
{
    close();
    m_result = m_connection.backend().select(m_sql, orderedParams(),
                                             m_inSteps ? Backend::Fetch::InSteps : Backend::Fetch::Whole);
    m_row = m_result->hasRow(0) ? 0 : -1;
}

int Query::exec()
{
    close();
    return m_connection.backend().execute(m_sql, orderedParams());
}

int Query::run()
{
    close();
    int changed = 0;
    m_result = m_connection.backend().run(m_sql, orderedParams(), &changed);
    if (!m_result)
        return changed;
    m_row = m_result->hasRow(0) ? 0 : -1;
    return -1;
}

void Query::compile() { m_connection.backend().compile(m_sql); }

void Query::close()
{
    m_result.reset();
    m_row = -1;
}

int Query::count() const { return m_result ? m_result->rowCount() : 0; }

bool Query::isEmpty() const { return !m_result || !m_result->hasRow(0); }
bool Query::eof() const { return m_row < 0 || !m_result || !m_result->hasRow(m_row); }

bool Query::seek(int row)
{
    if (!m_result || !m_result->hasRow(row))
        return false;
    m_row = row;
    return true;
}

bool Query::first() { return seek(0); }
bool Query::last() { return seek(count() - 1); }

bool Query::next()
{
    if (eof())
        return false;
    ++m_row; // may step past the last row: eof() then answers true
    return !eof();
}

bool Query::prior() { return seek(m_row - 1); }

bool Query::locate(const QString& column, const QVariant& value)
{
    const int col = requireColumn(column);
    const QString wanted = plainText(value);
    for (int r = 0; m_result->hasRow(r); ++r) {
        const QVariant v = m_result->value(r, col);
        const bool match = (v.typeId() == QMetaType::QString || value.typeId() == QMetaType::QString)
                               ? m_result->text(r, col).compare(wanted, Qt::CaseInsensitive) == 0
                               : v == value;
        if (match)
            return seek(r);
    }
    return false;
}

int Query::requireColumn(const QString& column) const
{
    if (!m_result)
        throw DbError(QStringLiteral("Query is not open"));
    const int col = m_result->columnIndex(column);
    if (col < 0)
        throw DbError(QStringLiteral("Field '%1' not found").arg(column));
    return col;
}

QVariant Query::value(const QString& column) const
{
    const int col = requireColumn(column);
    return eof() ? QVariant() : m_result->value(m_row, col);
}

QString Query::text(const QString& column) const
{
    const int col = requireColumn(column);
    return eof() ? QString() : m_result->text(m_row, col);
}

double Query::number(const QString& column) const
{
    const QVariant v = value(column);
    if (v.typeId() == QMetaType::QString) {
        double d = 0;
        parseDecimalText(v.toString(), &d);
        return d;
    }
    return v.toDouble();
}

qint64 Query::integer(const QString& column) const { return qint64(value(column).toDouble()); }

QDateTime Query::dateTime(const QString& column) const
{
    const QVariant v = value(column);
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime();
    return parseDateTimeText(v.toString());
}

bool Query::isNull(const QString& column) const
{
    const int col = requireColumn(column);
    return eof() || m_result->isNull(m_row, col);
}

FieldKind Query::kind(const QString& column) const { return m_result->columnKind(requireColumn(column)); }

void Query::deleteCurrentRow(const QString& table, const QString& keyColumn)
{
    const int col = requireColumn(keyColumn);
    if (eof())
        throw DbError(QStringLiteral("No current row to delete"));
    Query del(m_connection);
    del.setSql(QStringLiteral("delete from %1 where %2 = :key").arg(table, keyColumn));
    const QVariant key = m_result->value(m_row, col);
    if (key.typeId() == QMetaType::QString)
        del.setText(QStringLiteral("key"), key.toString());
    else
        del.setInteger(QStringLiteral("key"), key);
    if (del.exec() == 0)
        throw DbError(QStringLiteral("Row cannot be located for deleting. It may have been changed since it was last read."));
    m_result->removeRow(m_row);
    if (m_row >= count())
        m_row = count() - 1;
}
