#include "sqlitefunctions.h"

#include "../clock.h"
#include "../sqlvalue.h"

#include <QStringEncoder>
#include <cmath>
#include <cstring>
#include <sqlite3.h>
#include <vector>

namespace {

// ---- Texts --------------------------------------------------------------

QString argText(sqlite3_value* v)
{
    const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
    return p ? QString::fromUtf8(p, sqlite3_value_bytes(v)) : QString();
}

void resultText(sqlite3_context* ctx, const QString& s)
{
    const QByteArray b = s.toUtf8();
    sqlite3_result_text(ctx, b.constData(), int(b.size()), SQLITE_TRANSIENT);
}

void resultError(sqlite3_context* ctx, const char* message) { sqlite3_result_error(ctx, message, -1); }

// GBK codes of the characters of the basic plane, for ordering Chinese text
// as the server's Chinese collation does (first-level characters by pinyin).
const std::vector<quint16>& gbkCodes()
{
    static const std::vector<quint16> table = [] {
        std::vector<quint16> codes(0x10000, 0xFFFF);
        QStringEncoder enc("GBK");
        for (int u = 0x80; u < 0x10000; ++u) {
            if (u >= 0xD800 && u < 0xE000)
                continue;
            const QChar c(static_cast<char16_t>(u));
            const QByteArray b = enc.encode(QStringView(&c, 1));
            if (b.size() == 2)
                codes[size_t(u)] = quint16((quint8(b[0]) << 8) | quint8(b[1]));
        }
        return codes;
    }();
    return table;
}

// Decodes one UTF-8 code point at p (end e), advancing p.
char32_t nextCodePoint(const unsigned char*& p, const unsigned char* e)
{
    const unsigned c = *p++;
    if (c < 0x80)
        return c;
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : 1;
    char32_t cp = c & (0x3F >> extra);
    while (extra-- > 0 && p < e)
        cp = (cp << 6) | (*p++ & 0x3F);
    return cp;
}

int trimmedLength(const void* s, int n)
{
    const auto* p = static_cast<const unsigned char*>(s);
    while (n > 0 && p[n - 1] == ' ')
        --n;
    return n;
}

quint32 sortKey(char32_t cp)
{
    if (cp < 0x80)
        return (cp >= 'a' && cp <= 'z') ? cp - 32 : cp;
    if (cp < 0x10000) {
        const quint16 g = gbkCodes()[size_t(cp)];
        if (g != 0xFFFF)
            return 0x100 + g; // after ASCII, in GBK order
    }
    return 0x10000 + cp;
}

// Chinese_PRC_CI_AS: letter case and trailing blanks ignored.
int compareCi(void*, int n1, const void* s1, int n2, const void* s2)
{
    n1 = trimmedLength(s1, n1);
    n2 = trimmedLength(s2, n2);
    const auto* a = static_cast<const unsigned char*>(s1);
    const auto* b = static_cast<const unsigned char*>(s2);
    const auto* ae = a + n1;
    const auto* be = b + n2;
    while (a < ae && b < be) {
        if (*a < 0x80 && *b < 0x80) {
            unsigned x = *a++, y = *b++;
            if (x >= 'a' && x <= 'z')
                x -= 32;
            if (y >= 'a' && y <= 'z')
                y -= 32;
            if (x != y)
                return x < y ? -1 : 1;
            continue;
        }
        const quint32 x = sortKey(nextCodePoint(a, ae));
        const quint32 y = sortKey(nextCodePoint(b, be));
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (a < ae)
        return 1;
    if (b < be)
        return -1;
    return 0;
}

// Chinese_PRC_CS_AS: letter case counts, trailing blanks do not.
int compareCs(void*, int n1, const void* s1, int n2, const void* s2)
{
    n1 = trimmedLength(s1, n1);
    n2 = trimmedLength(s2, n2);
    const int c = std::memcmp(s1, s2, size_t(std::min(n1, n2)));
    return c != 0 ? c : (n1 < n2 ? -1 : (n1 > n2 ? 1 : 0));
}

bool isCanonicalDateTime(const char* s, int n)
{
    // yyyy-MM-dd hh:mm:ss.zzz
    if (n != 23)
        return false;
    static const char pattern[] = "dddd-dd-dd dd:dd:dd.ddd";
    for (int i = 0; i < 23; ++i) {
        if (pattern[i] == 'd' ? (s[i] < '0' || s[i] > '9') : s[i] != pattern[i])
            return false;
    }
    return true;
}

// zt_datetime: date-time columns compare as dates whatever the written
// form of the other side ('2004-5-1' equals '2004-05-01 00:00:00.000').
// Stored values are canonical; the other side is usually one literal
// compared many times over, so its canonical form is remembered.
QByteArray canonicalForm(const char* s, int n)
{
    struct Entry {
        QByteArray input, output;
    };
    thread_local Entry cache[4];
    thread_local int next = 0;
    if (isCanonicalDateTime(s, n))
        return QByteArray::fromRawData(s, n);
    for (const Entry& e : cache)
        if (e.input.size() == n && std::memcmp(e.input.constData(), s, size_t(n)) == 0)
            return e.output;
    const QDateTime d = parseDateTimeText(QString::fromUtf8(s, n));
    Entry& e = cache[next];
    next = (next + 1) % 4;
    e.input = QByteArray(s, n);
    e.output = d.isValid() ? canonicalDateTime(d).toLatin1() : e.input;
    return e.output;
}

int compareDateTime(void*, int n1, const void* s1, int n2, const void* s2)
{
    const QByteArray a = canonicalForm(static_cast<const char*>(s1), n1);
    const QByteArray b = canonicalForm(static_cast<const char*>(s2), n2);
    const int c = std::memcmp(a.constData(), b.constData(), size_t(std::min(a.size(), b.size())));
    return c != 0 ? c : (a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0));
}

// ---- Date functions ----------------------------------------------------

QDateTime argDateTime(sqlite3_value* v, bool* ok)
{
    *ok = true;
    if (sqlite3_value_type(v) == SQLITE_NULL) {
        *ok = false;
        return {};
    }
    const QDateTime d = parseDateTimeText(argText(v));
    if (!d.isValid())
        *ok = false;
    return d;
}

const char* kDateConversion = "Conversion failed when converting date and/or time from character string.";

void fnGetDate(sqlite3_context* ctx, int, sqlite3_value**) { resultText(ctx, canonicalDateTime(Clock::now())); }

qint64 datePart(const QString& part, const QDateTime& d)
{
    if (part == QLatin1String("year"))
        return d.date().year();
    if (part == QLatin1String("quarter"))
        return (d.date().month() - 1) / 3 + 1;
    if (part == QLatin1String("month"))
        return d.date().month();
    if (part == QLatin1String("dayofyear"))
        return d.date().dayOfYear();
    if (part == QLatin1String("day"))
        return d.date().day();
    if (part == QLatin1String("week")) {
        // Week 1 holds 1 January; weeks start on Sunday.
        const QDate jan1(d.date().year(), 1, 1);
        return (d.date().dayOfYear() + (jan1.dayOfWeek() % 7) - 1) / 7 + 1;
    }
    if (part == QLatin1String("weekday"))
        return d.date().dayOfWeek() % 7 + 1; // Sunday 1 .. Saturday 7
    if (part == QLatin1String("hour"))
        return d.time().hour();
    if (part == QLatin1String("minute"))
        return d.time().minute();
    if (part == QLatin1String("second"))
        return d.time().second();
    if (part == QLatin1String("millisecond"))
        return d.time().msec();
    return -1;
}

void fnDatePart(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    bool ok;
    const QDateTime d = argDateTime(argv[1], &ok);
    if (sqlite3_value_type(argv[1]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    if (!ok)
        return resultError(ctx, kDateConversion);
    const qint64 v = datePart(argText(argv[0]), d);
    if (v < 0)
        return resultError(ctx, "Invalid parameter 1 specified for datepart.");
    sqlite3_result_int64(ctx, v);
}

template <const char* Part> void fnPartOf(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    bool ok;
    const QDateTime d = argDateTime(argv[0], &ok);
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    if (!ok)
        return resultError(ctx, kDateConversion);
    sqlite3_result_int64(ctx, datePart(QLatin1String(Part), d));
}
constexpr char kYear[] = "year";
constexpr char kMonth[] = "month";
constexpr char kDay[] = "day";

void fnDateAdd(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    bool ok;
    const QDateTime d = argDateTime(argv[2], &ok);
    if (sqlite3_value_type(argv[2]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    if (!ok)
        return resultError(ctx, kDateConversion);
    const qint64 n = sqlite3_value_int64(argv[1]);
    const QString part = argText(argv[0]);
    QDateTime r;
    if (part == QLatin1String("year"))
        r = d.addYears(int(n));
    else if (part == QLatin1String("quarter"))
        r = d.addMonths(int(n * 3));
    else if (part == QLatin1String("month"))
        r = d.addMonths(int(n));
    else if (part == QLatin1String("day") || part == QLatin1String("dayofyear") || part == QLatin1String("weekday"))
        r = d.addDays(n);
    else if (part == QLatin1String("week"))
        r = d.addDays(n * 7);
    else if (part == QLatin1String("hour"))
        r = d.addSecs(n * 3600);
    else if (part == QLatin1String("minute"))
        r = d.addSecs(n * 60);
    else if (part == QLatin1String("second"))
        r = d.addSecs(n);
    else if (part == QLatin1String("millisecond"))
        r = d.addMSecs(n);
    else
        return resultError(ctx, "Invalid parameter 1 specified for dateadd.");
    resultText(ctx, canonicalDateTime(r));
}

void fnDateDiff(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    bool ok1, ok2;
    const QDateTime a = argDateTime(argv[1], &ok1);
    const QDateTime b = argDateTime(argv[2], &ok2);
    if (sqlite3_value_type(argv[1]) == SQLITE_NULL || sqlite3_value_type(argv[2]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    if (!ok1 || !ok2)
        return resultError(ctx, kDateConversion);
    const QString part = argText(argv[0]);
    qint64 r;
    // Counts boundaries crossed, as the server does.
    if (part == QLatin1String("year"))
        r = b.date().year() - a.date().year();
    else if (part == QLatin1String("quarter"))
        r = (b.date().year() * 4 + (b.date().month() - 1) / 3) - (a.date().year() * 4 + (a.date().month() - 1) / 3);
    else if (part == QLatin1String("month"))
        r = (b.date().year() * 12 + b.date().month()) - (a.date().year() * 12 + a.date().month());
    else if (part == QLatin1String("day") || part == QLatin1String("dayofyear") || part == QLatin1String("weekday"))
        r = a.date().daysTo(b.date());
    else if (part == QLatin1String("week"))
        r = (a.date().daysTo(b.date()) + (a.date().dayOfWeek() % 7)) / 7;
    else if (part == QLatin1String("hour"))
        r = a.secsTo(b) / 3600;
    else if (part == QLatin1String("minute"))
        r = a.secsTo(b) / 60;
    else if (part == QLatin1String("second"))
        r = a.secsTo(b);
    else if (part == QLatin1String("millisecond"))
        r = a.msecsTo(b);
    else
        return resultError(ctx, "Invalid parameter 1 specified for datediff.");
    sqlite3_result_int64(ctx, r);
}

void fnLen(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    QString s = argText(argv[0]);
    while (s.endsWith(QLatin1Char(' ')))
        s.chop(1);
    sqlite3_result_int64(ctx, s.size());
}

// ---- Exact sum ---------------------------------------------------------

// SUM over money columns: integers add exactly; fractions are added with
// compensation so a quarter of a million amounts total to the cent.
struct SumState {
    bool any = false;
    bool allInt = true;
    qint64 isum = 0;
    long double sum = 0, comp = 0;
};

void sumStep(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    auto* s = static_cast<SumState*>(sqlite3_aggregate_context(ctx, sizeof(SumState)));
    if (!s)
        return;
    const int type = sqlite3_value_numeric_type(argv[0]);
    if (type == SQLITE_NULL)
        return;
    if (!s->any)
        new (s) SumState;
    s->any = true;
    if (type == SQLITE_INTEGER && s->allInt) {
        const qint64 v = sqlite3_value_int64(argv[0]);
        if (!__builtin_add_overflow(s->isum, v, &s->isum))
            return;
        return resultError(ctx, "Arithmetic overflow error converting expression to data type int.");
    }
    if (s->allInt) {
        s->allInt = false;
        s->sum = (long double)s->isum;
    }
    const long double v = (type == SQLITE_INTEGER) ? (long double)sqlite3_value_int64(argv[0]) : sqlite3_value_double(argv[0]);
    const long double t = s->sum + v;
    if (fabsl(s->sum) >= fabsl(v))
        s->comp += (s->sum - t) + v;
    else
        s->comp += (v - t) + s->sum;
    s->sum = t;
}

void sumFinal(sqlite3_context* ctx)
{
    auto* s = static_cast<SumState*>(sqlite3_aggregate_context(ctx, 0));
    if (!s || !s->any)
        return sqlite3_result_null(ctx);
    if (s->allInt)
        return sqlite3_result_int64(ctx, s->isum);
    // Amounts carry at most four decimals; cut the binary noise off there.
    const double total = double(s->sum + s->comp);
    const double rounded = std::round(total * 10000.0) / 10000.0;
    sqlite3_result_double(ctx, std::fabs(total) < 1e11 ? rounded : total);
}

// ---- Column rules ------------------------------------------------------

int gbkLength(const unsigned char* p, int n)
{
    int len = 0;
    const unsigned char* e = p + n;
    while (p < e) {
        const char32_t cp = nextCodePoint(p, e);
        len += cp < 0x80 ? 1 : 2;
    }
    return len;
}

const char* kTruncated = "String or binary data would be truncated.";
const char* kNotNumeric = "Error converting data type varchar to numeric.";
const char* kOverflow = "Arithmetic overflow error converting numeric to data type numeric.";

void fnChkText(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) != SQLITE_NULL) {
        const auto* p = sqlite3_value_text(argv[0]);
        if (gbkLength(p, sqlite3_value_bytes(argv[0])) > sqlite3_value_int(argv[1]))
            return resultError(ctx, kTruncated);
    }
    sqlite3_result_int(ctx, 0);
}

// Rounds half away from zero at `scale` places, deciding halves on the
// decimal value written (12.345 is a half although its double lies below).
double roundDecimal(double v, int scale)
{
    const double f = std::pow(10.0, scale);
    const double scaled = v * f;
    const double lower = std::floor(scaled);
    const double frac = scaled - lower;
    double r;
    if (std::fabs(frac - 0.5) < 1e-9 * std::max(1.0, std::fabs(scaled)))
        r = v >= 0 ? lower + 1 : lower;
    else
        r = std::round(scaled);
    return r / f;
}

// Converts a value to numeric(p,s): 0 ok as is, 1 needs rounding or
// conversion, -1 not a number, -2 out of range.
int decimalValue(sqlite3_value* v, int precision, int scale, double* out)
{
    double d;
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
        d = double(sqlite3_value_int64(v));
        break;
    case SQLITE_FLOAT:
        d = sqlite3_value_double(v);
        break;
    case SQLITE_NULL:
        return 0;
    default:
        if (!parseDecimalText(argText(v), &d))
            return -1;
    }
    const double r = roundDecimal(d, scale);
    *out = r;
    if (std::fabs(r) >= std::pow(10.0, precision - scale))
        return -2;
    return (sqlite3_value_type(v) == SQLITE_INTEGER || (sqlite3_value_type(v) == SQLITE_FLOAT && r == d)) ? 0 : 1;
}

void fnChkDec(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    double d;
    const int r = decimalValue(argv[0], sqlite3_value_int(argv[1]), sqlite3_value_int(argv[2]), &d);
    if (r == -1)
        return resultError(ctx, kNotNumeric);
    if (r == -2)
        return resultError(ctx, kOverflow);
    sqlite3_result_int(ctx, r);
}

void fnDec(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    double d;
    const int r = decimalValue(argv[0], sqlite3_value_int(argv[1]), sqlite3_value_int(argv[2]), &d);
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    if (r < 0)
        return resultError(ctx, r == -1 ? kNotNumeric : kOverflow);
    if (d == std::floor(d) && std::fabs(d) < 9e15)
        sqlite3_result_int64(ctx, qint64(d));
    else
        sqlite3_result_double(ctx, d);
}

bool integerValue(sqlite3_value* v, qint64* out)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
        *out = sqlite3_value_int64(v);
        return true;
    case SQLITE_FLOAT:
        *out = qint64(sqlite3_value_double(v));
        return true;
    default: {
        bool ok;
        *out = argText(v).trimmed().toLongLong(&ok);
        return ok;
    }
    }
}

void fnChkInt(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    const int type = sqlite3_value_type(argv[0]);
    if (type == SQLITE_NULL || type == SQLITE_INTEGER)
        return sqlite3_result_int(ctx, 0);
    qint64 i;
    if (!integerValue(argv[0], &i)) {
        const QByteArray msg = QStringLiteral("Conversion failed when converting the varchar value '%1' to data type int.")
                                   .arg(argText(argv[0])).toUtf8();
        return sqlite3_result_error(ctx, msg.constData(), int(msg.size()));
    }
    sqlite3_result_int(ctx, 1);
}

void fnInt(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    qint64 i;
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || !integerValue(argv[0], &i))
        return sqlite3_result_null(ctx);
    sqlite3_result_int64(ctx, i);
}

void fnChkDt(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_int(ctx, 0);
    const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    if (sqlite3_value_type(argv[0]) == SQLITE_TEXT && isCanonicalDateTime(p, sqlite3_value_bytes(argv[0])))
        return sqlite3_result_int(ctx, 0);
    if (!parseDateTimeText(argText(argv[0])).isValid())
        return resultError(ctx, kDateConversion);
    sqlite3_result_int(ctx, 1);
}

void fnDt(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    const QDateTime d = parseDateTimeText(argText(argv[0]));
    if (!d.isValid())
        return resultError(ctx, kDateConversion);
    resultText(ctx, canonicalDateTime(d));
}

void add(sqlite3* db, const char* name, int args, void (*fn)(sqlite3_context*, int, sqlite3_value**), bool deterministic = true)
{
    sqlite3_create_function_v2(db, name, args, SQLITE_UTF8 | (deterministic ? SQLITE_DETERMINISTIC : 0), nullptr, fn,
                               nullptr, nullptr, nullptr);
}

} // namespace

void registerServerFunctions(sqlite3* db)
{
    sqlite3_create_collation_v2(db, "Chinese_PRC_CI_AS", SQLITE_UTF8, nullptr, compareCi, nullptr);
    sqlite3_create_collation_v2(db, "Chinese_PRC_CS_AS", SQLITE_UTF8, nullptr, compareCs, nullptr);
    sqlite3_create_collation_v2(db, "zt_datetime", SQLITE_UTF8, nullptr, compareDateTime, nullptr);

    add(db, "getdate", 0, fnGetDate, false);
    add(db, "datepart", 2, fnDatePart);
    add(db, "dateadd", 3, fnDateAdd);
    add(db, "datediff", 3, fnDateDiff);
    add(db, "year", 1, fnPartOf<kYear>);
    add(db, "month", 1, fnPartOf<kMonth>);
    add(db, "day", 1, fnPartOf<kDay>);
    add(db, "len", 1, fnLen);
    sqlite3_create_function_v2(db, "sum", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, nullptr, sumStep, sumFinal, nullptr);

    add(db, "zt_chk_text", 2, fnChkText);
    add(db, "zt_chk_dec", 3, fnChkDec);
    add(db, "zt_dec", 3, fnDec);
    add(db, "zt_chk_int", 1, fnChkInt);
    add(db, "zt_int", 1, fnInt);
    add(db, "zt_chk_dt", 1, fnChkDt);
    add(db, "zt_dt", 1, fnDt);
}
