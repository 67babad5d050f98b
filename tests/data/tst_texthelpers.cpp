#include "texthelpers.h"

#include <QStringDecoder>
#include <QStringEncoder>
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
    void readingsBeyondTheTable_data();
    void readingsBeyondTheTable();
    void staleCodes_data();
    void staleCodes();
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
    QTest::newRow("second level") << u"亍丌"_qs << u"CJ"_qs;
    QTest::newRow("full-width letters and digits") << u"Ａ１"_qs << u"??"_qs;
    QTest::newRow("chinese punctuation") << u"张，三"_qs << u"Z?S"_qs;
    QTest::newRow("gbk addition") << u"丂a"_qs << u"KA"_qs;
    // 盄 (0xB140, zhāo) is no GB2312 character, though its code lies inside
    // the B range.
    QTest::newRow("gbk addition inside a range") << u"盄"_qs << u"Z"_qs;
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
    QTest::newRow("B0A0 before level one 盃") << bytes(0xB0A0) << u"B"_qs;
    QTest::newRow("D7FA after level one") << bytes(0xD7FA) << u"?"_qs;
    QTest::newRow("D8A1 second level 亍") << bytes(0xD8A1) << u"C"_qs;
    QTest::newRow("A3AC chinese comma") << bytes(0xA3AC) << u"?"_qs;
    // A code inside a range with a second byte below 0xA1 is a GBK addition,
    // read by its own reading; a code that is no character gives "?".
    QTest::newRow("B140 gbk addition 盄") << bytes(0xB140) << u"Z"_qs;
    QTest::newRow("D678 gbk addition 謝") << bytes(0xD678) << u"X"_qs;
    QTest::newRow("B1FF no character") << bytes(0xB1FF) << u"?"_qs;
    QTest::newRow("C000 zero second byte") << bytes(0xC000) << u"?"_qs;
    QTest::newRow("A3C1 full-width A") << bytes(0xA3C1) << u"?"_qs;
    QTest::newRow("AAA1 user-defined area") << bytes(0xAAA1) << u"?"_qs;
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
    // A final lead byte is looked up as if its second byte were zero, which
    // is no character.
    QTest::newRow("lead byte at the end") << QByteArray("\xD5\xC5\xC8") << u"Z?"_qs;
    QTest::newRow("lead byte alone") << QByteArray("a\xB0") << u"A?"_qs;
    QTest::newRow("lead byte C0 alone") << QByteArray("a\xC0") << u"A?"_qs;
    // 謝婷 in GBK: a GBK addition and a second-level character.
    QTest::newRow("beyond the first level") << QByteArray("\xD6\x78\xE6\xC3") << u"XT"_qs;
    QTest::newRow("0xFF alone") << QByteArray("\xFF"
                                              "b")
                                << u"?B"_qs;
}

void TestTextHelpers::pinyinInitialsOfRawGbk() {
    QFETCH(QByteArray, gbk);
    QFETCH(QString, expected);
    QCOMPARE(PinyinInitialsGbk(gbk), expected);
}

// Characters the range table does not cover, each with the first letter of
// its common reading: traditional surnames (GBK additions, many of them with
// codes inside a range of the table), second-level given names and surnames,
// and characters beyond GBK. Names of the table's own characters keep the
// letters they always had.
void TestTextHelpers::readingsBeyondTheTable_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    const struct {
        const char16_t* text;
        const char* expected;
    } cases[] = {
        // Traditional surnames.
        {u"謝", "X"}, {u"許", "X"}, {u"葉", "Y"}, {u"蘇", "S"}, {u"盧", "L"},
        {u"華", "H"}, {u"萬", "W"}, {u"蔣", "J"}, {u"莊", "Z"}, {u"衛", "W"},
        // More GBK additions.
        {u"陳", "C"}, {u"劉", "L"}, {u"張", "Z"}, {u"黃", "H"}, {u"趙", "Z"},
        {u"鄭", "Z"}, {u"馮", "F"}, {u"龔", "G"}, {u"錢", "Q"}, {u"傑", "J"},
        {u"偉", "W"}, {u"麗", "L"}, {u"國", "G"}, {u"丂", "K"}, {u"盄", "Z"},
        // Second-level given-name characters and surnames.
        {u"婷", "T"}, {u"倩", "Q"}, {u"琪", "Q"}, {u"怡", "Y"}, {u"梓", "Z"},
        {u"睿", "R"}, {u"昊", "H"}, {u"萱", "X"}, {u"馨", "X"}, {u"鑫", "X"},
        {u"楠", "N"}, {u"皓", "H"}, {u"昕", "X"}, {u"煜", "Y"}, {u"宸", "C"},
        {u"妍", "Y"}, {u"瑾", "J"}, {u"璐", "L"}, {u"薇", "W"}, {u"晗", "H"},
        {u"闫", "Y"}, {u"滕", "T"}, {u"缪", "M"}, {u"褚", "C"}, {u"窦", "D"},
        {u"岑", "C"}, {u"晏", "Y"}, {u"瞿", "Q"}, {u"佟", "T"},
        // Beyond GBK.
        {u"\U00020000", "H"}, {u"\U0002A6A5", "Z"},
        // Whole names.
        {u"张琪", "ZQ"}, {u"王梓涵", "WZH"}, {u"闫伟", "YW"}, {u"欧阳娜娜", "OYNN"},
        {u"謝婷婷", "XTT"}, {u"許a1", "XA1"}, {u"张三", "ZS"}, {u"啊座", "AZ"},
        // No reading: symbols, full-width forms, other scripts.
        {u"王〠", "W?"}, {u"Ａ", "?"}, {u"あ", "?"}, {u"\uE000", "?"},
    };
    for (const auto& c : cases)
        QTest::newRow(QString::fromUtf16(c.text).toUtf8().constData())
            << QString::fromUtf16(c.text) << QString::fromLatin1(c.expected);
}

void TestTextHelpers::readingsBeyondTheTable() {
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(PinyinInitials(text), expected);
    // The same letters from the GBK bytes, where the text has them.
    QStringEncoder toGbk("GBK");
    const QByteArray gbk = toGbk.encode(text);
    if (!toGbk.hasError() && !gbk.contains('?'))
        QCOMPARE(PinyinInitialsGbk(gbk), expected);
}

// Which stored codes the upgrade computes afresh.
void TestTextHelpers::staleCodes_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("stale");

    QTest::newRow("second level gave ?") << u"张琪"_qs << u"Z?"_qs << true;
    QTest::newRow("range fault and ?") << u"謝婷"_qs << u"Z?"_qs << true;
    QTest::newRow("range fault") << u"蔣明"_qs << u"SM"_qs << true;
    QTest::newRow("already right") << u"张三"_qs << u"ZS"_qs << false;
    QTest::newRow("set by hand") << u"衛東"_qs << u"WD2"_qs << false;
    QTest::newRow("? still without reading") << u"王〠"_qs << u"W?"_qs << false;
    QTest::newRow("? of another name") << u"王伟"_qs << u"?W"_qs << true;
}

void TestTextHelpers::staleCodes() {
    QFETCH(QString, name);
    QFETCH(QString, stored);
    QFETCH(bool, stale);
    QCOMPARE(MnemonicCodeIsStale(name, stored), stale);
}

QTEST_APPLESS_MAIN(TestTextHelpers)
#include "tst_texthelpers.moc"
