#include "texthelpers.h"

#include <QHash>
#include <QStringDecoder>
#include <QStringEncoder>

#include <unicode/translit.h>
#include <unicode/uchar.h>
#include <unicode/uscript.h>

#include <cmath>
#include <memory>
#include <mutex>
#include <string>

namespace {

const char16_t* const kDigits = u"零壹贰叁肆伍陆柒捌玖";

// Writes the capitals from the highest place down. A zero inside the number is
// not written at once: it is remembered (zeroRun) and becomes one 零 in front
// of the next digit that is written. Nothing is remembered while the text is
// still empty, so leading zeros vanish.
class CapitalsWriter {
public:
    void digit(int d, const QString& place) {
        if (d == 0) {
            if (!m_text.isEmpty())
                ++m_zeroRun;
            return;
        }
        if (m_zeroRun > 0)
            m_text += u'零';
        m_zeroRun = 0;
        m_text += QChar(kDigits[d]);
        m_text += place;
    }

    // Closes a 万 or 亿 group that holds a non-zero digit. A zero only in the
    // group's unit place is covered by the group's character (壹拾万壹仟); a
    // longer run of zeros keeps its 零 for the next digit (壹佰万零伍仟).
    void groupMark(const QString& mark) {
        m_text += mark;
        if (m_zeroRun == 1)
            m_zeroRun = 0;
    }

    // 圆 closes the yuan whenever any yuan digit was written; zeros before it
    // are never marked (壹佰圆伍角整).
    void yuanMark() {
        if (!m_text.isEmpty())
            m_text += u'圆';
        m_zeroRun = 0;
    }

    void append(const QString& s) { m_text += s; }
    const QString& text() const { return m_text; }

private:
    QString m_text;
    int m_zeroRun = 0;
};

bool allZero(std::string_view digits) {
    return digits.find_first_not_of('0') == std::string_view::npos;
}

// Four places 仟佰拾 and the unit; `digits` holds exactly four of them.
void writeGroup(CapitalsWriter& w, std::string_view digits) {
    static const QString places[4] = {QStringLiteral("仟"), QStringLiteral("佰"),
                                      QStringLiteral("拾"), QString()};
    for (int i = 0; i < 4; ++i)
        w.digit(digits[i] - '0', places[i]);
}

// Writes a whole number of any length: the part above 亿 recursively, then
// the 万 group and the unit group.
void writeInteger(CapitalsWriter& w, std::string_view digits) {
    if (digits.size() > 8) {
        std::string_view high = digits.substr(0, digits.size() - 8);
        writeInteger(w, high);
        if (!allZero(high))
            w.groupMark(QStringLiteral("亿"));
        digits = digits.substr(digits.size() - 8);
    }
    const std::string padded = std::string(8 - digits.size(), '0') + std::string(digits);
    const std::string_view wan = std::string_view(padded).substr(0, 4);
    writeGroup(w, wan);
    if (!allZero(wan))
        w.groupMark(QStringLiteral("万"));
    writeGroup(w, std::string_view(padded).substr(4, 4));
}

// The magnitude of the amount in whole fen, as decimal digits.
std::string fenDigits(double magnitude) {
    // Up to here amount * 10000 fits a 64-bit integer exactly enough: take the
    // amount to four decimals first, so 0.135 (stored as 0.13500000000000000888)
    // counts as the exact half it was meant to be, then round half to even.
    if (magnitude < 9.0e14) {
        const long long v4 = std::llround(magnitude * 10000.0);
        long long fen = v4 / 100;
        const long long rest = v4 % 100;
        if (rest > 50 || (rest == 50 && fen % 2 == 1))
            ++fen;
        return std::to_string(fen);
    }
    // Beyond that a double has no fractional digits worth rounding; write the
    // number it holds exactly.
    return QString::number(magnitude * 100.0, 'f', 0).toStdString();
}

} // namespace

QString AmountInCapitals(double amount) {
    if (!std::isfinite(amount))
        return QString();

    std::string fen = fenDigits(std::fabs(amount));
    if (fen.size() < 3)
        fen.insert(0, 3 - fen.size(), '0');
    const int f = fen[fen.size() - 1] - '0';
    const int j = fen[fen.size() - 2] - '0';
    const std::string_view yuan = std::string_view(fen).substr(0, fen.size() - 2);

    CapitalsWriter w;
    writeInteger(w, yuan);
    w.yuanMark();
    w.digit(j, QStringLiteral("角"));
    if (f != 0)
        w.digit(f, QStringLiteral("分"));
    else
        w.append(QStringLiteral("整"));

    return amount < 0 ? QStringLiteral("负") + w.text() : w.text();
}

namespace {

// The letter that the GB2312 first-level range table gives lead:trail, or
// '?'. The first level is ordered by pinyin, so each letter owns one range of
// codes; a code counts only when both bytes are GB2312 bytes (0xA1..0xFE),
// since the GBK additions that share a lead byte are not ordered by reading.
char tableLetter(unsigned lead, unsigned trail, bool checkTrail = true) {
    // First code of each letter's range; each range ends where the next
    // begins. Pinyin has no initial I, U or V.
    struct Range {
        unsigned first;
        char letter;
    };
    static const Range ranges[] = {
        {0xB0A1, 'A'}, {0xB0C5, 'B'}, {0xB2C1, 'C'}, {0xB4EE, 'D'}, {0xB6EA, 'E'}, {0xB7A2, 'F'},
        {0xB8C1, 'G'}, {0xB9FE, 'H'}, {0xBBF7, 'J'}, {0xBFA6, 'K'}, {0xC0AC, 'L'}, {0xC2E8, 'M'},
        {0xC4C3, 'N'}, {0xC5B6, 'O'}, {0xC5BE, 'P'}, {0xC6DA, 'Q'}, {0xC8BB, 'R'}, {0xC8F6, 'S'},
        {0xCBFA, 'T'}, {0xCDDA, 'W'}, {0xCEF4, 'X'}, {0xD1B9, 'Y'}, {0xD4D1, 'Z'},
    };
    constexpr unsigned lastLevelOne = 0xD7F9;

    if (checkTrail && (trail < 0xA1 || trail > 0xFE))
        return '?';
    const unsigned code = lead * 256 + trail;
    if (code < ranges[0].first || code > lastLevelOne)
        return '?';
    char letter = '?';
    for (const Range& r : ranges) {
        if (code < r.first)
            break;
        letter = r.letter;
    }
    return letter;
}

// The first letter of the common Mandarin reading of a Chinese character,
// from ICU's Han-Latin transliteration (the Unihan readings), or '?' when the
// character is not Chinese or has no reading. The transliterator is built
// once and is not safe for concurrent use, so it and the answers it gave sit
// behind one lock.
char readingInitial(char32_t ucs) {
    if (u_getIntPropertyValue(UChar32(ucs), UCHAR_SCRIPT) != USCRIPT_HAN)
        return '?';
    static std::mutex lock;
    static std::unique_ptr<icu::Transliterator> toLatin;
    static bool failed = false;
    static QHash<char32_t, char> known;
    const std::lock_guard<std::mutex> guard(lock);
    if (const auto it = known.constFind(ucs); it != known.constEnd())
        return *it;
    if (!toLatin && !failed) {
        UErrorCode status = U_ZERO_ERROR;
        toLatin.reset(icu::Transliterator::createInstance(
            icu::UnicodeString::fromUTF8("Han-Latin; Latin-ASCII"), UTRANS_FORWARD, status));
        if (U_FAILURE(status)) {
            toLatin.reset();
            failed = true;
        }
    }
    char letter = '?';
    if (toLatin) {
        icu::UnicodeString text{UChar32(ucs)};
        toLatin->transliterate(text);
        if (!text.isEmpty()) {
            const UChar first = text.charAt(0);
            if (first >= u'a' && first <= u'z')
                letter = char(first - u'a' + 'A');
            else if (first >= u'A' && first <= u'Z')
                letter = char(first);
        }
    }
    known.insert(ucs, letter);
    return letter;
}

// The initial of the double-byte GBK character lead:trail: the range table's
// letter, else the reading of the character the bytes stand for.
char initialOf(unsigned lead, unsigned trail) {
    const char letter = tableLetter(lead, trail);
    if (letter != '?' || trail < 0x40 || trail == 0x7F || trail == 0xFF)
        return letter;
    const char bytes[2] = {char(lead), char(trail)};
    thread_local QStringDecoder fromGbk("GBK");
    fromGbk.resetState();
    const QString decoded = fromGbk.decode(QByteArrayView(bytes, 2));
    if (fromGbk.hasError() || decoded.size() != 1 || decoded[0] == QChar::ReplacementCharacter)
        return '?';
    return readingInitial(decoded[0].unicode());
}

// One character's initial: ASCII as it is (letters upper cased), a character
// of the GB2312 first level by the range table, any other Chinese character
// by its reading.
QChar initialOfChar(char32_t ucs) {
    if (ucs < 0x80)
        return QChar::fromLatin1(char(ucs >= 'a' && ucs <= 'z' ? ucs - 'a' + 'A' : ucs));
    if (ucs <= 0xFFFF) {
        thread_local QStringEncoder toGbk("GBK");
        toGbk.resetState();
        const QChar c{char16_t(ucs)};
        const QByteArray gbk = toGbk.encode(QStringView(&c, 1));
        if (!toGbk.hasError() && gbk.size() == 2) {
            const char letter = tableLetter(static_cast<unsigned char>(gbk[0]),
                                            static_cast<unsigned char>(gbk[1]));
            if (letter != '?')
                return QChar::fromLatin1(letter);
        }
    }
    return QChar::fromLatin1(readingInitial(ucs));
}

// The code as the range table gave it before the second byte was checked:
// every double-byte code inside a range took the range's letter.
QString uncheckedTableInitials(const QString& text) {
    QStringEncoder toGbk("GBK");
    const QByteArray gbk = toGbk.encode(text);
    QString result;
    const qsizetype n = gbk.size();
    for (qsizetype i = 0; i < n;) {
        const unsigned char b = static_cast<unsigned char>(gbk[i]);
        if (b < 0x80) {
            result += QChar::fromLatin1(char(b >= 'a' && b <= 'z' ? b - 'a' + 'A' : b));
            ++i;
        } else if (b == 0x80 || b == 0xFF) {
            result += u'?';
            ++i;
        } else {
            const unsigned second = i + 1 < n ? static_cast<unsigned char>(gbk[i + 1]) : 0;
            result += QChar::fromLatin1(tableLetter(b, second, false));
            i += 2;
        }
    }
    return result;
}

} // namespace

QString CharInitial(const QByteArray& twoBytes) {
    if (twoBytes.size() != 2)
        return QStringLiteral("?");
    return QString(QChar::fromLatin1(initialOf(static_cast<unsigned char>(twoBytes[0]),
                                               static_cast<unsigned char>(twoBytes[1]))));
}

QString PinyinInitialsGbk(const QByteArray& gbk) {
    QString result;
    result.reserve(gbk.size());
    const qsizetype n = gbk.size();
    for (qsizetype i = 0; i < n;) {
        const unsigned char b = static_cast<unsigned char>(gbk[i]);
        if (b < 0x80) {
            result += QChar::fromLatin1(char(b >= 'a' && b <= 'z' ? b - 'a' + 'A' : b));
            ++i;
        } else if (b == 0x80 || b == 0xFF) {
            // Code page 936 writes € as the single byte 0x80; neither byte
            // opens a double-byte character, so the next byte keeps its own.
            result += u'?';
            ++i;
        } else {
            // A lead byte at the very end has no partner: it is looked up
            // with a zero second byte, which no character has.
            const unsigned second = i + 1 < n ? static_cast<unsigned char>(gbk[i + 1]) : 0;
            result += QChar::fromLatin1(initialOf(b, second));
            i += 2;
        }
    }
    return result;
}

QString PinyinInitials(const QString& text) {
    QString result;
    result.reserve(text.size());
    for (const char32_t ucs : text.toUcs4())
        result += initialOfChar(ucs);
    return result;
}

bool MnemonicCodeIsStale(const QString& name, const QString& stored) {
    const QString current = PinyinInitials(name);
    if (stored == current)
        return false;
    return stored.contains(u'?') || stored == uncheckedTableInitials(name);
}
