#pragma once
#include <QByteArray>
#include <QString>

// Text helpers for receipts and lookup fields. The program's text lives in
// code page 936 (GBK) on the server, so the pinyin initials are worked out on
// GBK bytes; conversion from QString happens here, at the edge.

// A money amount written in Chinese capital numerals, as printed on receipts:
// 123.45 -> 壹佰贰拾叁圆肆角伍分, 10 -> 壹拾圆整, 0 -> 整, -12.5 -> 负壹拾贰圆伍角整.
// The amount is rounded to whole fen, an exact half (judged on the amount
// taken to four decimals) going to the even fen. Amounts of any size are
// written in full, with 万 and 亿 groups. A negative amount (even one that
// rounds to zero fen) is prefixed with 负. NaN and infinities give an empty
// text.
QString AmountInCapitals(double amount);

// The pinyin initial of every character of a name, for quick lookups:
// "张三" -> "ZS", "王b2" -> "WB2", "Smith" -> "SMITH". ASCII letters are upper
// cased, other ASCII characters are kept, each Chinese character of the GB2312
// first level gives its capital initial, and every other character (second
// level, symbols, full-width forms, characters outside GBK) gives "?". One
// result character per input character.
QString PinyinInitials(const QString& text);

// The same walk over text already in GBK bytes.
QString PinyinInitialsGbk(const QByteArray& gbk);

// The initial of one GBK double-byte character: a capital letter for the GB2312
// first level (0xB0A1..0xD7F9, which is ordered by pinyin), "?" otherwise,
// including any argument that is not exactly two bytes.
QString CharInitial(const QByteArray& twoBytes);
