#include "sqlvalue.h"

#include <QLocale>
#include <QRegularExpression>
#include <cmath>
#include <cstdio>

QString plainNumber(double value)
{
    if (!std::isfinite(value))
        return QString::number(value);
    if (value == 0)
        return QStringLiteral("0");
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", value);
    QString text = QString::fromLatin1(buf);
    if (!text.contains(QLatin1Char('e')))
        return text;
    // Rewrite an exponent form as plain digits with the same 15 digits.
    const int exponent = int(std::floor(std::log10(std::fabs(value))));
    const int decimals = std::max(0, 14 - exponent);
    std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
    text = QString::fromLatin1(buf);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return text;
}

QString plainDateTime(const QDateTime& value)
{
    if (!value.isValid())
        return QString();
    if (value.time() == QTime(0, 0))
        return value.date().toString(QStringLiteral("yyyy-MM-dd"));
    return value.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

QString plainText(const QVariant& value)
{
    if (value.isNull() || !value.isValid())
        return QString();
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return plainNumber(value.toDouble());
    case QMetaType::QDateTime:
        return plainDateTime(value.toDateTime());
    case QMetaType::QDate:
        return value.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    default:
        return value.toString();
    }
}

namespace {

int digits(const QString& s, qsizetype& pos, int maxCount)
{
    int v = 0, n = 0;
    while (pos < s.size() && n < maxCount && s[pos].isDigit()) {
        v = v * 10 + s[pos].digitValue();
        ++pos;
        ++n;
    }
    return n ? v : -1;
}

} // namespace

QDateTime parseDateTimeText(const QString& input)
{
    const QString s = input.trimmed();
    qsizetype pos = 0;
    int year, month, day;
    if (s.size() == 8 && std::all_of(s.begin(), s.end(), [](QChar c) { return c.isDigit(); })) {
        year = s.left(4).toInt();
        month = s.mid(4, 2).toInt();
        day = s.mid(6, 2).toInt();
        pos = 8;
    } else {
        year = digits(s, pos, 4);
        if (year < 0 || pos >= s.size() || (s[pos] != QLatin1Char('-') && s[pos] != QLatin1Char('/') && s[pos] != QLatin1Char('.')))
            return QDateTime();
        const QChar sep = s[pos++];
        month = digits(s, pos, 2);
        if (month < 0 || pos >= s.size() || s[pos] != sep)
            return QDateTime();
        ++pos;
        day = digits(s, pos, 2);
        if (day < 0)
            return QDateTime();
    }
    const QDate date(year, month, day);
    if (!date.isValid())
        return QDateTime();
    if (pos == s.size())
        return QDateTime(date, QTime(0, 0));
    if (s[pos] != QLatin1Char(' ') && s[pos] != QLatin1Char('T'))
        return QDateTime();
    while (pos < s.size() && (s[pos] == QLatin1Char(' ') || s[pos] == QLatin1Char('T')))
        ++pos;
    const int h = digits(s, pos, 2);
    if (h < 0 || pos >= s.size() || s[pos] != QLatin1Char(':'))
        return QDateTime();
    ++pos;
    const int m = digits(s, pos, 2);
    int sec = 0, ms = 0;
    if (m < 0)
        return QDateTime();
    if (pos < s.size() && s[pos] == QLatin1Char(':')) {
        ++pos;
        sec = digits(s, pos, 2);
        if (sec < 0)
            return QDateTime();
        if (pos < s.size() && s[pos] == QLatin1Char('.')) {
            ++pos;
            const qsizetype start = pos;
            int frac = digits(s, pos, 3);
            if (frac < 0)
                return QDateTime();
            for (qsizetype n = pos - start; n < 3; ++n)
                frac *= 10;
            ms = frac;
            while (pos < s.size() && s[pos].isDigit())
                ++pos;
        }
    }
    if (pos != s.size())
        return QDateTime();
    const QTime time(h, m, sec, ms);
    if (!time.isValid())
        return QDateTime();
    return QDateTime(date, time);
}

bool parseCanonicalDateTime(const char* s, int n, qint64* julianDay, int* msecsOfDay)
{
    static const char pattern[] = "dddd-dd-dd dd:dd:dd.ddd";
    if (n != 23)
        return false;
    for (int i = 0; i < 23; ++i)
        if (pattern[i] == 'd' ? (s[i] < '0' || s[i] > '9') : s[i] != pattern[i])
            return false;
    auto num = [s](int at, int len) {
        int v = 0;
        for (int i = 0; i < len; ++i)
            v = v * 10 + (s[at + i] - '0');
        return v;
    };
    const QDate date(num(0, 4), num(5, 2), num(8, 2));
    const int h = num(11, 2), m = num(14, 2), sec = num(17, 2), ms = num(20, 3);
    if (!date.isValid() || h > 23 || m > 59 || sec > 59)
        return false;
    *julianDay = date.toJulianDay();
    *msecsOfDay = ((h * 60 + m) * 60 + sec) * 1000 + ms;
    return true;
}

QString canonicalDateTime(const QDateTime& value)
{
    return value.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
}

bool parseDecimalText(const QString& text, double* value)
{
    static const QRegularExpression number(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)$"));
    const QString t = text.trimmed();
    if (!number.match(t).hasMatch())
        return false;
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (ok && value)
        *value = v;
    return ok;
}
