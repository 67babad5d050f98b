#pragma once
#include <QDateTime>
#include <QString>
#include <QVariant>

// What kind of value a result column holds, as far as the screens care:
// the charge queries offer a typed search value only for text and
// floating-point columns, a date picker for date-time columns.
enum class FieldKind { Text, Integer, Decimal, Float, DateTime, Unknown };

// The kind of a named parameter, declared by the caller as the screens'
// statements declare theirs.
enum class ParamKind { Text, Decimal, DateTime, Integer };

// A number as plain text: shortest form with at most 15 significant digits,
// no exponent, no thousands separators ("30.75", "12.3", "0").
QString plainNumber(double value);

// Text of a date-time value: the date alone when it has no time of day,
// otherwise date and time ("2004-05-01", "2004-05-01 08:30:00").
QString plainDateTime(const QDateTime& value);

// Any value as the plain text a screen puts into an edit box; null is empty.
QString plainText(const QVariant& value);

// Parses the date-time texts the system meets: "2004-5-1", "2004/05/01",
// "2004-05-01 08:30:00", "2004-05-01 08:30:00.000", "20040501",
// "2004-05-01T08:30:00". An unparsable text gives an invalid QDateTime.
QDateTime parseDateTimeText(const QString& text);

// Reads the canonical stored form "yyyy-MM-dd hh:mm:ss.zzz" from bytes
// without building a QDateTime; false when the bytes are not in that form.
bool parseCanonicalDateTime(const char* s, int n, qint64* julianDay, int* msecsOfDay);

// The canonical stored form "yyyy-MM-dd hh:mm:ss.zzz".
QString canonicalDateTime(const QDateTime& value);

// Converts a text to a decimal as the server converts varchar to numeric:
// blanks around it are ignored, an optional sign, digits with at most one
// point. Returns false when the text is not such a number.
bool parseDecimalText(const QString& text, double* value);
