#include "sqlitefunctions.h"

#include "../clock.h"
#include "../sqlvalue.h"

#include <QStringEncoder>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
// The same functions are built into the program and, for standard SQLite
// tools, into a loadable extension that reaches SQLite through its table.
#ifdef ZT_SQLITE_EXTENSION
#include <sqlite3ext.h>
SQLITE_EXTENSION_INIT3
#else
#include <sqlite3.h>
#endif
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

// ---- Exact decimals ----------------------------------------------------

// A decimal value as its digits: (neg ? -1 : 1) * digits * 10^exp10.
struct DecimalDigits {
    bool neg = false;
    std::string digits;
    int exp10 = 0;
};

constexpr double kPow10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// A text as the server reads varchar as numeric: blanks around it, an
// optional sign, digits with at most one point.
bool digitsOfText(const unsigned char* p, int n, DecimalDigits* out)
{
    const unsigned char* e = p + n;
    while (p < e && (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n'))
        ++p;
    while (e > p && (e[-1] == ' ' || e[-1] == '\t' || e[-1] == '\r' || e[-1] == '\n'))
        --e;
    out->neg = false;
    out->digits.clear();
    out->exp10 = 0;
    if (p < e && (*p == '+' || *p == '-'))
        out->neg = *p++ == '-';
    bool point = false, any = false;
    for (; p < e; ++p) {
        if (*p >= '0' && *p <= '9') {
            any = true;
            if (!(out->digits.empty() && *p == '0'))
                out->digits.push_back(char(*p));
            if (point)
                --out->exp10;
        } else if (*p == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return any;
}

// A binary double as the decimal it stands for: its first 15 significant
// digits, the precision every number is shown with, so 12.345 (stored a hair
// below) is read as the half it was written as.
void digitsOfDouble(double d, DecimalDigits* out)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.14e", d);
    const char* p = buf;
    out->neg = *p == '-';
    if (out->neg)
        ++p;
    out->digits.clear();
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9')
            out->digits.push_back(*p);
    out->exp10 = std::atoi(p + 1) - 14;
    const size_t nz = out->digits.find_first_not_of('0');
    out->digits.erase(0, nz == std::string::npos ? out->digits.size() : nz);
}

// value * 10^scale rounded to a whole number, half away from zero, as digits
// without leading zeros ("" for zero).
std::string scaledRounded(const DecimalDigits& v, int scale)
{
    const int shift = v.exp10 + scale;
    if (v.digits.empty())
        return {};
    if (shift >= 0)
        return v.digits + std::string(size_t(shift), '0');
    const size_t drop = size_t(-shift);
    if (drop > v.digits.size())
        return {};
    std::string keep = v.digits.substr(0, v.digits.size() - drop);
    if (v.digits[v.digits.size() - drop] >= '5') {
        int i = int(keep.size()) - 1;
        for (; i >= 0 && keep[size_t(i)] == '9'; --i)
            keep[size_t(i)] = '0';
        if (i < 0)
            keep.insert(keep.begin(), '1');
        else
            ++keep[size_t(i)];
    }
    const size_t nz = keep.find_first_not_of('0');
    keep.erase(0, nz == std::string::npos ? keep.size() : nz);
    return keep;
}

// The stored form of a numeric(p,s) value: a whole number as an integer,
// anything else as the double nearest the rounded decimal.
struct Stored {
    bool isInt = false;
    qint64 i = 0;
    double d = 0;
};

enum class DecResult { Ok, NotNumber, Overflow };

DecResult storedOfScaled(bool neg, const std::string& scaled, int precision, int scale, Stored* out)
{
    if (int(scaled.size()) > precision)
        return DecResult::Overflow;
    if (scaled.empty()) {
        out->isInt = true;
        out->i = 0;
        return DecResult::Ok;
    }
    const bool whole = scale == 0 || (int(scaled.size()) > scale &&
                                      scaled.find_first_not_of('0', scaled.size() - size_t(scale)) == std::string::npos);
    if (whole && int(scaled.size()) - scale <= 18) {
        out->isInt = true;
        out->i = std::stoll(scaled.substr(0, scaled.size() - size_t(scale)));
        if (neg)
            out->i = -out->i;
        return DecResult::Ok;
    }
    const std::string text = (neg ? "-" : "") + scaled + "e-" + std::to_string(scale);
    out->isInt = false;
    out->d = std::strtod(text.c_str(), nullptr);
    return DecResult::Ok;
}

// Converts any value to numeric(precision, scale): rounded once at scale
// places, half away from zero, on the decimal value (as the server does).
DecResult toNumeric(sqlite3_value* v, int precision, int scale, Stored* out)
{
    scale = std::clamp(scale, 0, 22);
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER: {
        const qint64 i = sqlite3_value_int64(v);
        if (precision - scale < 19 && double(i < 0 ? -i : i) >= kPow10[std::max(0, precision - scale)])
            return DecResult::Overflow;
        out->isInt = true;
        out->i = i;
        return DecResult::Ok;
    }
    case SQLITE_FLOAT: {
        const double d = sqlite3_value_double(v);
        if (!std::isfinite(d))
            return DecResult::Overflow;
        // Most values already sit on the scale: then d * 10^s lies within a
        // hair of a whole number, far from any half, and that number is the
        // rounded value.
        const double scaled = d * kPow10[scale];
        const double r = std::nearbyint(scaled);
        if (std::fabs(scaled - r) < 1e-6 && std::fabs(r) < 1e15) {
            if (std::fabs(r) >= kPow10[std::min(precision, 22)])
                return DecResult::Overflow;
            const double back = r / kPow10[scale];
            if (back == std::floor(back) && std::fabs(back) < 9e15) {
                out->isInt = true;
                out->i = qint64(back);
            } else {
                out->isInt = false;
                out->d = back;
            }
            return DecResult::Ok;
        }
        DecimalDigits dd;
        digitsOfDouble(d, &dd);
        return storedOfScaled(dd.neg, scaledRounded(dd, scale), precision, scale, out);
    }
    case SQLITE_NULL:
        return DecResult::Ok;
    default: {
        DecimalDigits dd;
        if (!digitsOfText(sqlite3_value_text(v), sqlite3_value_bytes(v), &dd))
            return DecResult::NotNumber;
        return storedOfScaled(dd.neg, scaledRounded(dd, scale), precision, scale, out);
    }
    }
}

// ---- Exact sum ---------------------------------------------------------

// SUM: integers add exactly; amounts with at most four decimals (every money
// column) add exactly as whole ten-thousandths; anything else is added with
// compensation.
// SQLite hands the state over zeroed and only 8-byte aligned, so it is plain
// data that starts as all zeros: no constructor, no 16-byte members.
struct SumState {
    bool any;
    bool fractions; // a value that is not a whole number was met
    bool inexact;   // a value with more than four decimals was met
    qint64 isum;
    unsigned char unitBytes[16]; // the exact total in ten-thousandths
    unsigned char sumBytes[sizeof(long double)], compBytes[sizeof(long double)];

    template <typename T> static T get(const unsigned char* b)
    {
        T v;
        std::memcpy(&v, b, sizeof v);
        return v;
    }
    template <typename T> static void put(unsigned char* b, T v) { std::memcpy(b, &v, sizeof v); }
};

void sumStep(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    auto* s = static_cast<SumState*>(sqlite3_aggregate_context(ctx, sizeof(SumState)));
    if (!s)
        return;
    const int type = sqlite3_value_numeric_type(argv[0]);
    if (type == SQLITE_NULL)
        return;
    s->any = true;
    if (type == SQLITE_INTEGER && !s->fractions) {
        const qint64 v = sqlite3_value_int64(argv[0]);
        if (!__builtin_add_overflow(s->isum, v, &s->isum))
            return;
        return resultError(ctx, "Arithmetic overflow error converting expression to data type int.");
    }
    if (!s->fractions) {
        s->fractions = true;
        SumState::put<long double>(s->sumBytes, (long double)s->isum);
        SumState::put<long double>(s->compBytes, 0);
        SumState::put<__int128>(s->unitBytes, __int128(s->isum) * 10000);
    }
    const double v = (type == SQLITE_INTEGER) ? double(sqlite3_value_int64(argv[0])) : sqlite3_value_double(argv[0]);
    if (!s->inexact) {
        __int128 add = 0;
        if (type == SQLITE_INTEGER) {
            add = __int128(sqlite3_value_int64(argv[0])) * 10000;
        } else {
            const double r = std::nearbyint(v * 1e4);
            if (std::fabs(r) < 1e15 && r / 1e4 == v)
                add = __int128(r);
            else
                s->inexact = true;
        }
        SumState::put<__int128>(s->unitBytes, SumState::get<__int128>(s->unitBytes) + add);
    }
    long double sum = SumState::get<long double>(s->sumBytes);
    long double comp = SumState::get<long double>(s->compBytes);
    const long double t = sum + v;
    if (fabsl(sum) >= fabsl((long double)v))
        comp += (sum - t) + v;
    else
        comp += (v - t) + sum;
    SumState::put<long double>(s->sumBytes, t);
    SumState::put<long double>(s->compBytes, comp);
}

void sumFinal(sqlite3_context* ctx)
{
    auto* s = static_cast<SumState*>(sqlite3_aggregate_context(ctx, 0));
    if (!s || !s->any)
        return sqlite3_result_null(ctx);
    if (!s->fractions)
        return sqlite3_result_int64(ctx, s->isum);
    if (!s->inexact) {
        // The exact total, written out and read back as the nearest double.
        __int128 u = SumState::get<__int128>(s->unitBytes);
        const bool neg = u < 0;
        if (neg)
            u = -u;
        std::string digits;
        do {
            digits.insert(digits.begin(), char('0' + int(u % 10)));
            u /= 10;
        } while (u > 0);
        const std::string text = (neg ? "-" : "") + digits + "e-4";
        return sqlite3_result_double(ctx, std::strtod(text.c_str(), nullptr));
    }
    sqlite3_result_double(ctx, double(SumState::get<long double>(s->sumBytes) + SumState::get<long double>(s->compBytes)));
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

void resultStored(sqlite3_context* ctx, const Stored& v)
{
    if (v.isInt)
        sqlite3_result_int64(ctx, v.i);
    else
        sqlite3_result_double(ctx, v.d);
}

// zt_chk_dec(value, p, s): 0 when the value is stored as numeric(p,s) keeps
// it already (null, a whole number, a double on the scale), 1 when it must
// be converted; the server's error when it cannot be.
void fnChkDec(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    Stored r;
    switch (toNumeric(argv[0], sqlite3_value_int(argv[1]), sqlite3_value_int(argv[2]), &r)) {
    case DecResult::NotNumber:
        return resultError(ctx, kNotNumeric);
    case DecResult::Overflow:
        return resultError(ctx, kOverflow);
    case DecResult::Ok:
        break;
    }
    const int type = sqlite3_value_type(argv[0]);
    const bool same = type == SQLITE_NULL || type == SQLITE_INTEGER ||
                      (type == SQLITE_FLOAT && (r.isInt ? double(r.i) : r.d) == sqlite3_value_double(argv[0]));
    sqlite3_result_int(ctx, same ? 0 : 1);
}

// zt_dec(value, p, s): the value as numeric(p,s) stores it.
void fnDec(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    Stored r;
    switch (toNumeric(argv[0], sqlite3_value_int(argv[1]), sqlite3_value_int(argv[2]), &r)) {
    case DecResult::NotNumber:
        return resultError(ctx, kNotNumeric);
    case DecResult::Overflow:
        return resultError(ctx, kOverflow);
    case DecResult::Ok:
        break;
    }
    resultStored(ctx, r);
}

// zt_num(x): a value compared with a numeric column, converted as the server
// converts it; text that is not a number is the server's error.
void fnNum(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    const int type = sqlite3_value_type(argv[0]);
    if (type != SQLITE_TEXT)
        return sqlite3_result_value(ctx, argv[0]);
    DecimalDigits dd;
    if (!digitsOfText(sqlite3_value_text(argv[0]), sqlite3_value_bytes(argv[0]), &dd))
        return resultError(ctx, kNotNumeric);
    Stored r;
    // Exact at any scale a literal is written with.
    const int scale = std::max(0, -dd.exp10);
    if (storedOfScaled(dd.neg, scaledRounded(dd, scale), 38, scale, &r) != DecResult::Ok)
        return resultError(ctx, kOverflow);
    resultStored(ctx, r);
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

// zt_dtarg(x): a value compared with a date-time column, in the stored
// form; an empty text is 1900-01-01 as on the server, any other text that is
// not a date is the server's error.
void fnDtArg(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) != SQLITE_TEXT)
        return sqlite3_result_value(ctx, argv[0]);
    const QString text = argText(argv[0]);
    if (text.trimmed().isEmpty())
        return resultText(ctx, QStringLiteral("1900-01-01 00:00:00.000"));
    const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    if (isCanonicalDateTime(p, sqlite3_value_bytes(argv[0])))
        return sqlite3_result_value(ctx, argv[0]);
    const QDateTime d = parseDateTimeText(text);
    if (!d.isValid())
        return resultError(ctx, kDateConversion);
    resultText(ctx, canonicalDateTime(d));
}

// ---- "+" ----------------------------------------------------------------

// The server's kinds of the operands of "+", highest precedence last: a text
// added to a value of a higher kind is converted to that kind.
enum class PlusKind { Text = 0, Int = 1, Numeric = 2, Float = 3, DateTime = 4 };

// The kind of a value; hint is what the statement told of it (i, n, f, t, d
// or ?): a whole number from a numeric column is numeric, a date-time column's
// text is a date-time.
PlusKind plusKindOf(sqlite3_value* v, char hint)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
        return hint == 'n' ? PlusKind::Numeric : hint == 'f' ? PlusKind::Float : PlusKind::Int;
    case SQLITE_FLOAT:
        return hint == 'f' ? PlusKind::Float : PlusKind::Numeric;
    default:
        return hint == 'd' ? PlusKind::DateTime : PlusKind::Text;
    }
}

void plusError(sqlite3_context* ctx, const QString& message)
{
    const QByteArray m = message.toUtf8();
    sqlite3_result_error(ctx, m.constData(), int(m.size()));
}

// A text as the server converts varchar to int: blanks around it, a sign,
// digits; an empty text is 0.
bool intOfText(const QString& text, qint64* out)
{
    const QString t = text.trimmed();
    if (t.isEmpty()) {
        *out = 0;
        return true;
    }
    qsizetype i = 0;
    if (t[0] == QLatin1Char('+') || t[0] == QLatin1Char('-'))
        i = 1;
    if (i == t.size())
        return false;
    for (qsizetype k = i; k < t.size(); ++k)
        if (!t[k].isDigit() || t[k].unicode() > '9')
            return false;
    bool ok;
    *out = t.toLongLong(&ok);
    return ok;
}

// Any value as decimal digits, for exact numeric addition.
bool decimalOf(sqlite3_value* v, DecimalDigits* out)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER: {
        const qint64 i = sqlite3_value_int64(v);
        out->neg = i < 0;
        const quint64 m = i < 0 ? quint64(0) - quint64(i) : quint64(i);
        out->digits = m == 0 ? std::string() : std::to_string(m);
        out->exp10 = 0;
        return true;
    }
    case SQLITE_FLOAT: {
        const double d = sqlite3_value_double(v);
        if (!std::isfinite(d))
            return false;
        digitsOfDouble(d, out);
        while (!out->digits.empty() && out->digits.back() == '0') {
            out->digits.pop_back();
            ++out->exp10;
        }
        return true;
    }
    default:
        return digitsOfText(sqlite3_value_text(v), sqlite3_value_bytes(v), out);
    }
}

__int128 int128Of(const std::string& digits, bool neg)
{
    __int128 r = 0;
    for (char c : digits)
        r = r * 10 + (c - '0');
    return neg ? -r : r;
}

// zt_plus(a, b, hints): T-SQL's "+". NULL with anything is NULL; two texts
// are joined; otherwise the operand of the lower kind is converted to the
// higher kind (text to int, numeric, float or date-time, failing with the
// server's message when it cannot) and the two are added: int exactly,
// numeric exactly at the larger scale, float as doubles, a number added to a
// date-time counts days.
void fnPlus(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    sqlite3_value* a = argv[0];
    sqlite3_value* b = argv[1];
    if (sqlite3_value_type(a) == SQLITE_NULL || sqlite3_value_type(b) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    const auto* hints = reinterpret_cast<const char*>(sqlite3_value_text(argv[2]));
    const char hintA = hints && hints[0] ? hints[0] : '?';
    const char hintB = hints && hints[0] && hints[1] ? hints[1] : '?';
    const PlusKind ka = plusKindOf(a, hintA);
    const PlusKind kb = plusKindOf(b, hintB);
    const PlusKind k = std::max(ka, kb);

    if (k == PlusKind::Text) {
        std::string joined(reinterpret_cast<const char*>(sqlite3_value_text(a)), size_t(sqlite3_value_bytes(a)));
        joined.append(reinterpret_cast<const char*>(sqlite3_value_text(b)), size_t(sqlite3_value_bytes(b)));
        return sqlite3_result_text(ctx, joined.data(), int(joined.size()), SQLITE_TRANSIENT);
    }

    // A text operand must convert to the kind of the other.
    auto notConverted = [&](sqlite3_value* text) {
        switch (k) {
        case PlusKind::Int:
            return plusError(ctx, QStringLiteral("Conversion failed when converting the varchar value '%1' to data type int.")
                                      .arg(argText(text)));
        case PlusKind::Numeric:
            return resultError(ctx, kNotNumeric);
        case PlusKind::Float:
            return resultError(ctx, "Error converting data type varchar to float.");
        default:
            return resultError(ctx, kDateConversion);
        }
    };

    switch (k) {
    case PlusKind::Int: {
        auto value = [](sqlite3_value* v, PlusKind kind, qint64* out) {
            if (kind != PlusKind::Text) {
                *out = sqlite3_value_int64(v);
                return true;
            }
            return intOfText(argText(v), out);
        };
        qint64 x, y;
        if (!value(a, ka, &x))
            return notConverted(a);
        if (!value(b, kb, &y))
            return notConverted(b);
        qint64 r;
        if (__builtin_add_overflow(x, y, &r))
            return resultError(ctx, "Arithmetic overflow error converting expression to data type int.");
        return sqlite3_result_int64(ctx, r);
    }
    case PlusKind::Numeric: {
        DecimalDigits x, y;
        if (!decimalOf(a, &x))
            return notConverted(a);
        if (!decimalOf(b, &y))
            return notConverted(b);
        const int scale = std::clamp(std::max({0, -x.exp10, -y.exp10}), 0, 22);
        const std::string sx = scaledRounded(x, scale), sy = scaledRounded(y, scale);
        if (sx.size() > 37 || sy.size() > 37)
            return resultError(ctx, kOverflow);
        const __int128 sum = int128Of(sx, x.neg) + int128Of(sy, y.neg);
        const bool neg = sum < 0;
        unsigned __int128 m = neg ? -static_cast<unsigned __int128>(sum) : static_cast<unsigned __int128>(sum);
        std::string digits;
        while (m > 0) {
            digits.insert(digits.begin(), char('0' + int(m % 10)));
            m /= 10;
        }
        Stored r;
        if (storedOfScaled(neg, digits, 38, scale, &r) != DecResult::Ok)
            return resultError(ctx, kOverflow);
        return resultStored(ctx, r);
    }
    case PlusKind::Float: {
        auto value = [](sqlite3_value* v, double* out) {
            if (sqlite3_value_type(v) != SQLITE_TEXT && sqlite3_value_type(v) != SQLITE_BLOB) {
                *out = sqlite3_value_double(v);
                return true;
            }
            const QString t = argText(v).trimmed();
            if (t.isEmpty()) {
                *out = 0;
                return true;
            }
            bool ok;
            *out = t.toDouble(&ok);
            return ok;
        };
        double x, y;
        if (!value(a, &x))
            return notConverted(a);
        if (!value(b, &y))
            return notConverted(b);
        return sqlite3_result_double(ctx, x + y);
    }
    default: {
        // A date-time plus a number of days, or plus another date-time's
        // distance from 1900-01-01, as the server adds them.
        static const QDateTime base(QDate(1900, 1, 1), QTime(0, 0));
        auto offsetMs = [&](sqlite3_value* v, PlusKind kind, qint64* ms, bool* isDate, QDateTime* date) {
            *isDate = kind == PlusKind::DateTime || kind == PlusKind::Text;
            if (*isDate) {
                const QString t = argText(v);
                *date = t.trimmed().isEmpty() ? base : parseDateTimeText(t);
                if (!date->isValid())
                    return false;
                *ms = base.msecsTo(*date);
                return true;
            }
            *ms = qint64(std::llround(sqlite3_value_double(v) * 86400000.0));
            return true;
        };
        qint64 x, y;
        bool dx, dy;
        QDateTime da, dbt;
        if (!offsetMs(a, ka, &x, &dx, &da))
            return resultError(ctx, kDateConversion);
        if (!offsetMs(b, kb, &y, &dy, &dbt))
            return resultError(ctx, kDateConversion);
        return resultText(ctx, canonicalDateTime(base.addMSecs(x + y)));
    }
    }
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
    add(db, "zt_num", 1, fnNum);
    add(db, "zt_dtarg", 1, fnDtArg);
    add(db, "zt_plus", 3, fnPlus);
}

const char* storedNumeric(const QString& text, int precision, int scale, bool* isInt, qint64* whole, double* fraction)
{
    const QByteArray bytes = text.toUtf8();
    DecimalDigits dd;
    if (!digitsOfText(reinterpret_cast<const unsigned char*>(bytes.constData()), int(bytes.size()), &dd))
        return kNotNumeric;
    Stored r;
    scale = std::clamp(scale, 0, 22);
    if (storedOfScaled(dd.neg, scaledRounded(dd, scale), precision, scale, &r) != DecResult::Ok)
        return kOverflow;
    *isInt = r.isInt;
    *whole = r.i;
    *fraction = r.d;
    return nullptr;
}
