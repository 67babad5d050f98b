#pragma once
#include <QString>
#include <QStringView>

#include <optional>

// An exact decimal number: a whole number of units and the count of places
// after the point (123.45 is 12345 units at 2 places). Money, readings and
// unit prices are computed with it so that a screen shows exactly what the
// database stores, without the noise of binary floating point
// (132.8 - 120.5 is 12.3, not 12.300000000000011).
//
// Arithmetic that would leave the range of 38 digits throws
// std::overflow_error.
class Decimal {
public:
    Decimal() = default;

    // Reads a text as the server converts text to numeric: blanks around it
    // ignored, an optional sign, digits with at most one point (".5" and "5."
    // included). Nothing else is a number.
    static std::optional<Decimal> parse(QStringView text);

    Decimal operator+(const Decimal& other) const;
    Decimal operator-(const Decimal& other) const;
    Decimal operator*(const Decimal& other) const;
    bool operator==(const Decimal& other) const;

    // Rounded to the given number of places, halves away from zero.
    Decimal rounded(int places) const;
    // The shortest plain form: no exponent, no trailing zeros after the
    // point, no point when there is no fraction, "0" for zero ("30.75",
    // "12.3", "-2", "0").
    QString toString() const;

    int places() const { return m_places; }
    bool isZero() const { return m_units == 0; }
    bool isNegative() const { return m_units < 0; }

private:
    Decimal(__int128 units, int places) : m_units(units), m_places(places) {}
    static Decimal atPlaces(const Decimal& d, int places);

    __int128 m_units = 0;
    int m_places = 0;
};
