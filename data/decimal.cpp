#include "decimal.h"

#include <algorithm>
#include <stdexcept>

namespace {

constexpr int kMaxDigits = 38;

// 10^n for 0 <= n <= 38.
__int128 power10(int n) {
    __int128 p = 1;
    for (int i = 0; i < n; ++i)
        p *= 10;
    return p;
}

__int128 checkedMul(__int128 a, __int128 b) {
    __int128 r;
    if (__builtin_mul_overflow(a, b, &r))
        throw std::overflow_error("decimal overflow");
    return r;
}

__int128 checkedAdd(__int128 a, __int128 b) {
    __int128 r;
    if (__builtin_add_overflow(a, b, &r))
        throw std::overflow_error("decimal overflow");
    return r;
}

} // namespace

std::optional<Decimal> Decimal::parse(QStringView text) {
    text = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    __int128 units = 0;
    int places = 0;
    int digits = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'.') {
            if (point)
                return std::nullopt;
            point = true;
            continue;
        }
        if (c < u'0' || c > u'9')
            return std::nullopt;
        // Leading zeros take no room.
        if (units != 0 || c != u'0')
            ++digits;
        if (digits > kMaxDigits)
            return std::nullopt;
        units = units * 10 + (c.unicode() - u'0');
        if (point)
            ++places;
    }
    // Every zero after the point also counts as a place of the units.
    if (digits == 0 && units == 0) {
        // "0", "0.00", "." or nothing at all: a number only with a digit.
        bool anyDigit = false;
        for (QChar c : text)
            anyDigit = anyDigit || (c >= u'0' && c <= u'9');
        if (!anyDigit)
            return std::nullopt;
    }
    if (places > kMaxDigits)
        return std::nullopt;
    return Decimal(negative ? -units : units, places);
}

Decimal Decimal::atPlaces(const Decimal& d, int places) {
    if (places == d.m_places)
        return d;
    return Decimal(checkedMul(d.m_units, power10(places - d.m_places)), places);
}

Decimal Decimal::operator+(const Decimal& other) const {
    const int places = std::max(m_places, other.m_places);
    const Decimal a = atPlaces(*this, places);
    const Decimal b = atPlaces(other, places);
    return Decimal(checkedAdd(a.m_units, b.m_units), places);
}

Decimal Decimal::operator-(const Decimal& other) const {
    return *this + Decimal(-other.m_units, other.m_places);
}

Decimal Decimal::operator*(const Decimal& other) const {
    const int places = m_places + other.m_places;
    if (places > kMaxDigits)
        throw std::overflow_error("decimal overflow");
    return Decimal(checkedMul(m_units, other.m_units), places);
}

bool Decimal::operator==(const Decimal& other) const {
    const int places = std::max(m_places, other.m_places);
    return atPlaces(*this, places).m_units == atPlaces(other, places).m_units;
}

Decimal Decimal::rounded(int places) const {
    if (places >= m_places)
        return *this;
    const __int128 divisor = power10(m_places - places);
    __int128 whole = m_units / divisor; // truncated toward zero
    const __int128 rest = m_units % divisor;
    const __int128 twice = (rest < 0 ? -rest : rest) * 2;
    if (twice >= divisor)
        whole += m_units < 0 ? -1 : 1;
    return Decimal(whole, places);
}

QString Decimal::toString() const {
    __int128 units = m_units;
    int places = m_places;
    while (places > 0 && units % 10 == 0) {
        units /= 10;
        --places;
    }
    const bool negative = units < 0;
    unsigned __int128 magnitude =
        negative ? -static_cast<unsigned __int128>(units) : static_cast<unsigned __int128>(units);
    QString digits;
    do {
        digits.prepend(QChar(u'0' + int(magnitude % 10)));
        magnitude /= 10;
    } while (magnitude != 0);
    if (places > 0) {
        if (digits.size() <= places)
            digits.prepend(QString(places - digits.size() + 1, u'0'));
        digits.insert(digits.size() - places, u'.');
    }
    if (negative)
        digits.prepend(u'-');
    return digits;
}
