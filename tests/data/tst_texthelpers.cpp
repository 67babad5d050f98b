#include "texthelpers.h"

#include <QStringDecoder>
#include <QtTest>

#include <cmath>
#include <limits>

namespace {

// The receipt writer's place-by-place rules for amounts below one million
// yuan, written out step by step from whole fen. AmountInCapitals must agree
// with it on every such amount.
QString capitalsByPlaces(long long fen) {
    static const QString D = QStringLiteral("零壹贰叁肆伍陆柒捌玖");
    const int f = fen % 10, j = fen / 10 % 10;
    const int d0 = fen / 100 % 10, d1 = fen / 1000 % 10, d2 = fen / 10000 % 10;
    const int d3 = fen / 100000 % 10, d4 = fen / 1000000 % 10, d5 = fen / 10000000 % 10;
    QString s;
    if (d5 != 0)
        s += D[d5] + QStringLiteral("拾");
    if (d4 != 0)
        s += D[d4] + QStringLiteral("万");
    else if (d5 != 0)
        s += QStringLiteral("万");
    if (d3 != 0)
        s += D[d3] + QStringLiteral("仟");
    else if (!s.isEmpty() && d2 != 0)
        s += QStringLiteral("零");
    if (d2 != 0)
        s += D[d2] + QStringLiteral("佰");
    else if (!s.isEmpty() && d1 != 0)
        s += QStringLiteral("零");
    if (d1 != 0)
        s += D[d1] + QStringLiteral("拾");
    else if (!s.isEmpty() && d0 != 0)
        s += QStringLiteral("零");
    if (d0 != 0)
        s += D[d0] + QStringLiteral("圆");
    else if (!s.isEmpty())
        s += QStringLiteral("圆");
    if (j != 0)
        s += D[j] + QStringLiteral("角");
    else if (!s.isEmpty() && f != 0)
        s += QStringLiteral("零");
    if (f != 0)
        s += D[f] + QStringLiteral("分");
    else
        s += QStringLiteral("整");
    return s;
}

QByteArray bytes(unsigned code) {
    QByteArray two(2, '\0');
    two[0] = char(code >> 8);
    two[1] = char(code & 0xFF);
    return two;
}

} // namespace

class TestTextHelpers : public QObject {
    Q_OBJECT
private slots:
    void amountInCapitals_data();
    void amountInCapitals();
    void agreesWithPlaceRulesBelowOneMillion();
    void pinyinInitials_data();
    void pinyinInitials();
    void charInitial_data();
    void charInitial();
    void pinyinInitialsOfRawGbk_data();
    void pinyinInitialsOfRawGbk();
};

void TestTextHelpers::amountInCapitals_data() {
    QTest::addColumn<double>("amount");
    QTest::addColumn<QString>("expected");

    // Receipts as users know them.
    QTest::newRow("123.45") << 123.45 << u"壹佰贰拾叁圆肆角伍分"_qs;
    QTest::newRow("1.05") << 1.05 << u"壹圆零伍分"_qs;
    QTest::newRow("10") << 10.0 << u"壹拾圆整"_qs;
    QTest::newRow("10.05") << 10.05 << u"壹拾圆零伍分"_qs;
    QTest::newRow("100.5") << 100.5 << u"壹佰圆伍角整"_qs;
    QTest::newRow("1001") << 1001.0 << u"壹仟零壹圆整"_qs;
    QTest::newRow("10010") << 10010.0 << u"壹万零壹拾圆整"_qs;
    QTest::newRow("100100") << 100100.0 << u"壹拾万零壹佰圆整"_qs;
    QTest::newRow("101000") << 101000.0 << u"壹拾万壹仟圆整"_qs;
    QTest::newRow("0.5") << 0.5 << u"伍角整"_qs;
    QTest::newRow("0.05") << 0.05 << u"伍分"_qs;
    QTest::newRow("0") << 0.0 << u"整"_qs;
    QTest::newRow("-12.5") << -12.5 << u"负壹拾贰圆伍角整"_qs;
    QTest::newRow("-0.001 rounds to no fen") << -0.001 << u"负整"_qs;

    // Whole fen, an exact half to the even fen, judged on the decimal amount.
    QTest::newRow("0.125 half down to even") << 0.125 << u"壹角贰分"_qs;
    QTest::newRow("0.135 half up to even") << 0.135 << u"壹角肆分"_qs;
    QTest::newRow("2.675 stored below half") << 2.675 << u"贰圆陆角捌分"_qs;
    QTest::newRow("0.005 half to zero") << 0.005 << u"整"_qs;
    QTest::newRow("0.015 half to two") << 0.015 << u"贰分"_qs;
    QTest::newRow("0.0051 above half") << 0.0051 << u"壹分"_qs;
    QTest::newRow("9.995 carries into yuan") << 9.995 << u"壹拾圆整"_qs;
    QTest::newRow("-0.135 rounds like 0.135") << -0.135 << u"负壹角肆分"_qs;

    // One million yuan and above written in full.
    QTest::newRow("1234567.89") << 1234567.89 << u"壹佰贰拾叁万肆仟伍佰陆拾柒圆捌角玖分"_qs;
    QTest::newRow("1000000") << 1000000.0 << u"壹佰万圆整"_qs;
    QTest::newRow("10000000") << 10000000.0 << u"壹仟万圆整"_qs;
    QTest::newRow("1005000") << 1005000.0 << u"壹佰万零伍仟圆整"_qs;
    QTest::newRow("1010000") << 1010000.0 << u"壹佰零壹万圆整"_qs;
    QTest::newRow("10001000.5") << 10001000.5 << u"壹仟万零壹仟圆伍角整"_qs;
    QTest::newRow("100000000") << 100000000.0 << u"壹亿圆整"_qs;
    QTest::newRow("100005000") << 100005000.0 << u"壹亿零伍仟圆整"_qs;
    QTest::newRow("100010000") << 100010000.0 << u"壹亿零壹万圆整"_qs;
    QTest::newRow("1010000000") << 1010000000.0 << u"壹拾亿壹仟万圆整"_qs;
    QTest::newRow("1234567890123.45")
        << 1234567890123.45 << u"壹万贰仟叁佰肆拾伍亿陆仟柒佰捌拾玖万零壹佰贰拾叁圆肆角伍分"_qs;
    QTest::newRow("1e13 + 1") << 10000000000001.0 << u"壹拾万亿零壹圆整"_qs;
    QTest::newRow("-1000000.01") << -1000000.01 << u"负壹佰万圆零壹分"_qs;
    QTest::newRow("1e15 beyond fen precision") << 1e15 << u"壹仟万亿圆整"_qs;
    QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << QString();
    QTest::newRow("-infinity") << -std::numeric_limits<double>::infinity() << QString();
}

void TestTextHelpers::amountInCapitals() {
    QFETCH(double, amount);
    QFETCH(QString, expected);
    QCOMPARE(AmountInCapitals(amount), expected);
}

void TestTextHelpers::agreesWithPlaceRulesBelowOneMillion() {
    // Every pattern of zero and non-zero places (eight places: six of yuan,
    // jiao, fen), each with a few choices of the non-zero digits, plus an even
    // sweep of the whole range.
    QList<long long> amounts;
    for (int pattern = 0; pattern < 256; ++pattern) {
        for (int variant = 0; variant < 4; ++variant) {
            long long fen = 0;
            for (int place = 7; place >= 0; --place) {
                const int digit = (pattern >> place) & 1 ? 1 + (place * 3 + variant * 5) % 9 : 0;
                fen = fen * 10 + digit;
            }
            amounts << fen;
        }
    }
    for (long long fen = 0; fen < 100000000; fen += 99991)
        amounts << fen;

    for (long long fen : std::as_const(amounts)) {
        const double amount = double(fen) / 100.0;
        const QString expected = capitalsByPlaces(fen);
        if (AmountInCapitals(amount) != expected)
            QFAIL(qPrintable(QStringLiteral("%1: %2, expected %3")
                                 .arg(amount, 0, 'f', 2)
                                 .arg(AmountInCapitals(amount), expected)));
        if (fen != 0)
            QCOMPARE(AmountInCapitals(-amount), u"负"_qs + expected);
    }
}

void TestTextHelpers::pinyinInitials_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("latin name") << u"Smith"_qs << u"SMITH"_qs;
    QTest::newRow("mixed") << u"王b2"_qs << u"WB2"_qs;
    QTest::newRow("chinese name") << u"张三"_qs << u"ZS"_qs;
    QTest::newRow("ascii kept") << u"李 四-1#"_qs << u"L S-1#"_qs;
    QTest::newRow("first and last level one") << u"啊座"_qs << u"AZ"_qs;
    QTest::newRow("second level") << u"亍丌"_qs << u"??"_qs;
    QTest::newRow("full-width letters and digits") << u"Ａ１"_qs << u"??"_qs;
    QTest::newRow("chinese punctuation") << u"张，三"_qs << u"Z?S"_qs;
    QTest::newRow("gbk addition") << u"丂a"_qs << u"?A"_qs;
    // 盄 (0xB140) is no GB2312 character, but its code lies inside the B range.
    QTest::newRow("gbk addition inside a range") << u"盄"_qs << u"B"_qs;
    // € is the single byte 0x80 in code page 936 and must not swallow the 'a'.
    QTest::newRow("euro sign") << u"€a"_qs << u"?A"_qs;
    QTest::newRow("outside gbk") << u"a😀b"_qs << u"A?B"_qs;
}

void TestTextHelpers::pinyinInitials() {
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(PinyinInitials(text), expected);
}

void TestTextHelpers::charInitial_data() {
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("expected");

    // Range ends, including the gaps where pinyin has no initial I, U or V.
    const struct {
        unsigned code;
        const char* letter;
    } bounds[] = {{0xB0A1, "A"}, {0xB0C4, "A"}, {0xB0C5, "B"}, {0xB6E9, "D"},
                  {0xB6EA, "E"}, {0xBBF6, "H"}, {0xBBF7, "J"}, {0xCDD9, "T"},
                  {0xCDDA, "W"}, {0xD4D0, "Y"}, {0xD4D1, "Z"}, {0xD7F9, "Z"}};
    for (const auto& b : bounds)
        QTest::addRow("%04X", b.code) << bytes(b.code) << QString::fromLatin1(b.letter);
    QTest::newRow("B0A0 before level one") << bytes(0xB0A0) << u"?"_qs;
    QTest::newRow("D7FA after level one") << bytes(0xD7FA) << u"?"_qs;
    QTest::newRow("D8A1 second level") << bytes(0xD8A1) << u"?"_qs;
    QTest::newRow("A3AC chinese comma") << bytes(0xA3AC) << u"?"_qs;
    // Inside a range the second byte does not matter.
    QTest::newRow("B140 gbk addition") << bytes(0xB140) << u"B"_qs;
    QTest::newRow("B1FF no character") << bytes(0xB1FF) << u"B"_qs;
    QTest::newRow("C000 zero second byte") << bytes(0xC000) << u"K"_qs;
    QTest::newRow("one byte") << QByteArray("\xB0") << u"?"_qs;
    QTest::newRow("three bytes") << QByteArray("\xB0\xA1\xA1") << u"?"_qs;
}

void TestTextHelpers::charInitial() {
    QFETCH(QByteArray, input);
    QFETCH(QString, expected);
    QCOMPARE(CharInitial(input), expected);
}

void TestTextHelpers::pinyinInitialsOfRawGbk_data() {
    QTest::addColumn<QByteArray>("gbk");
    QTest::addColumn<QString>("expected");

    QTest::newRow("name") << QByteArray("\xD5\xC5\xC8\xFD") << u"ZS"_qs;
    // A final lead byte is looked up as if its second byte were zero.
    QTest::newRow("lead byte at the end") << QByteArray("\xD5\xC5\xC8") << u"ZQ"_qs;
    QTest::newRow("lead byte alone") << QByteArray("a\xB0") << u"A?"_qs;
    QTest::newRow("lead byte C0 alone") << QByteArray("a\xC0") << u"AK"_qs;
    QTest::newRow("0xFF alone") << QByteArray("\xFF"
                                              "b")
                                << u"?B"_qs;
}

void TestTextHelpers::pinyinInitialsOfRawGbk() {
    QFETCH(QByteArray, gbk);
    QFETCH(QString, expected);
    QCOMPARE(PinyinInitialsGbk(gbk), expected);
}

QTEST_APPLESS_MAIN(TestTextHelpers)
#include "tst_texthelpers.moc"
