#include "resultset.h"

#include <climits>
#include <cstdio>
#include <cstring>

ResultSet::ResultSet() = default;
ResultSet::~ResultSet() = default;

int ResultSet::fetchMore(int rows)
{
    if (!m_source || rows <= 0)
        return 0;
    const int before = m_rows;
    bool more = false;
    try {
        more = m_source->fetch(*this, rows);
    } catch (...) {
        m_source.reset();
        if (m_listener && m_rows > before)
            m_listener(before);
        throw;
    }
    if (!more)
        m_source.reset(); // the statement goes back to the engine
    if (m_listener && m_rows > before)
        m_listener(before);
    return m_rows - before;
}

// Reads on from const accessors: the rows not read yet are part of the
// result's value, only not fetched.
void ResultSet::ensureRow(int row) const
{
    auto* self = const_cast<ResultSet*>(this);
    while (self->m_source && row >= m_rows)
        self->fetchMore(qMax(4096, row + 1 - m_rows));
}

void ResultSet::fetchAll() const { ensureRow(INT_MAX - 1); }

int ResultSet::rowCount() const
{
    fetchAll();
    return m_rows;
}

bool ResultSet::hasRow(int row) const
{
    if (row < 0)
        return false;
    if (row >= m_rows)
        ensureRow(row);
    return row < m_rows;
}

void ResultSet::setGrowthListener(const void* owner, std::function<void(int)> listener)
{
    m_listenerOwner = owner;
    m_listener = std::move(listener);
}

void ResultSet::removeGrowthListener(const void* owner)
{
    if (m_listenerOwner != owner)
        return;
    m_listenerOwner = nullptr;
    m_listener = nullptr;
}

int ResultSet::columnIndex(const QString& name) const
{
    for (size_t i = 0; i < m_columns.size(); ++i)
        if (m_columns[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

QVariant ResultSet::value(int row, int col) const
{
    if (row >= m_rows)
        ensureRow(row);
    const Column& c = m_columns[size_t(col)];
    const qint64 p = c.payload[size_t(row)];
    switch (c.tags[size_t(row)]) {
    case Int:
        return QVariant(p);
    case Double: {
        double d;
        std::memcpy(&d, &p, sizeof d);
        return QVariant(d);
    }
    case Text:
        return QVariant(c.texts[size_t(p)]);
    case DateTime:
        return QVariant(QDateTime(QDate::fromJulianDay(p / 86400000), QTime::fromMSecsSinceStartOfDay(int(p % 86400000))));
    default:
        return QVariant();
    }
}

bool ResultSet::isNull(int row, int col) const
{
    if (row >= m_rows)
        ensureRow(row);
    return m_columns[size_t(col)].tags[size_t(row)] == Null;
}

QString ResultSet::text(int row, int col) const
{
    if (row >= m_rows)
        ensureRow(row);
    const Column& c = m_columns[size_t(col)];
    const qint64 p = c.payload[size_t(row)];
    if (c.tags[size_t(row)] == Text)
        return c.texts[size_t(p)];
    if (c.tags[size_t(row)] == DateTime) {
        // Written from the date and the time of day as they are: going
        // through a local date-time would consult the time zone each time.
        int y = 0, m = 0, d = 0;
        QDate::fromJulianDay(p / 86400000).getDate(&y, &m, &d);
        const int ms = int(p % 86400000);
        char buf[32];
        const int n = ms == 0 ? std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d)
                              : std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", y, m, d,
                                              ms / 3600000, ms / 60000 % 60, ms / 1000 % 60);
        return QString::fromLatin1(buf, n);
    }
    return plainText(value(row, col));
}

void ResultSet::addColumn(const QString& name, FieldKind kind)
{
    Column c;
    c.name = name;
    c.kind = kind;
    m_columns.push_back(std::move(c));
}

void ResultSet::appendNull(int col)
{
    Column& c = m_columns[size_t(col)];
    c.tags.push_back(Null);
    c.payload.push_back(0);
}

void ResultSet::appendInt(int col, qint64 v)
{
    Column& c = m_columns[size_t(col)];
    c.tags.push_back(Int);
    c.payload.push_back(v);
}

void ResultSet::appendDouble(int col, double v)
{
    Column& c = m_columns[size_t(col)];
    qint64 p;
    std::memcpy(&p, &v, sizeof p);
    c.tags.push_back(Double);
    c.payload.push_back(p);
}

void ResultSet::appendText(int col, const QString& v)
{
    const QByteArray utf8 = v.toUtf8();
    appendTextUtf8(col, utf8.constData(), int(utf8.size()));
}

namespace {
std::uint64_t hashBytes(const char* p, int n)
{
    std::uint64_t h = 1469598103934665603ull; // FNV-1a
    for (int i = 0; i < n; ++i)
        h = (h ^ static_cast<unsigned char>(p[i])) * 1099511628211ull;
    return h ^ (h >> 29);
}
} // namespace

void ResultSet::Column::growIndex()
{
    const size_t size = buckets.empty() ? 64 : buckets.size() * 2;
    buckets.assign(size, 0);
    for (std::uint32_t i = 0; i < hashes.size(); ++i) {
        size_t pos = hashes[i] & (size - 1);
        while (buckets[pos])
            pos = (pos + 1) & (size - 1);
        buckets[pos] = i + 1;
    }
}

void ResultSet::appendTextUtf8(int col, const char* bytes, int size)
{
    Column& c = m_columns[size_t(col)];
    // Repeated texts (names, status words, room numbers) share one copy and
    // are decoded once.
    if (c.offsets.empty())
        c.offsets.push_back(0);
    if ((c.hashes.size() + 1) * 2 > c.buckets.size())
        c.growIndex();
    const std::uint64_t h = hashBytes(bytes, size);
    const size_t mask = c.buckets.size() - 1;
    size_t pos = h & mask;
    qint64 index = -1;
    while (const std::uint32_t slot = c.buckets[pos]) {
        const std::uint32_t i = slot - 1;
        if (c.hashes[i] == h && c.offsets[i + 1] - c.offsets[i] == std::uint32_t(size) &&
            std::memcmp(c.arena.data() + c.offsets[i], bytes, size_t(size)) == 0) {
            index = i;
            break;
        }
        pos = (pos + 1) & mask;
    }
    if (index < 0) {
        index = qint64(c.texts.size());
        c.texts.push_back(QString::fromUtf8(bytes, size));
        c.hashes.push_back(h);
        c.arena.append(bytes, size_t(size));
        c.offsets.push_back(std::uint32_t(c.arena.size()));
        c.buckets[pos] = std::uint32_t(index + 1);
    }
    c.tags.push_back(Text);
    c.payload.push_back(index);
}

void ResultSet::appendDateTime(int col, const QDateTime& v)
{
    if (!v.isValid())
        return appendNull(col);
    appendDateTime(col, v.date().toJulianDay(), v.time().msecsSinceStartOfDay());
}

void ResultSet::appendDateTime(int col, qint64 julianDay, int msecsOfDay)
{
    Column& c = m_columns[size_t(col)];
    c.tags.push_back(DateTime);
    c.payload.push_back(julianDay * 86400000 + msecsOfDay);
}

void ResultSet::appendValue(int col, const QVariant& v)
{
    if (v.isNull() || !v.isValid())
        return appendNull(col);
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::Bool:
        return appendInt(col, v.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return appendDouble(col, v.toDouble());
    case QMetaType::QDateTime:
        return appendDateTime(col, v.toDateTime());
    case QMetaType::QDate:
        return appendDateTime(col, QDateTime(v.toDate(), QTime(0, 0)));
    default:
        return appendText(col, v.toString());
    }
}

void ResultSet::removeRow(int row)
{
    fetchAll();
    for (Column& c : m_columns) {
        c.tags.erase(c.tags.begin() + row);
        c.payload.erase(c.payload.begin() + row);
    }
    --m_rows;
}
