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
// "张三" -> "ZS", "王b2" -> "WB2", "Smith" -> "SMITH", "謝婷" -> "XT". ASCII
// letters are upper cased, other ASCII characters are kept. A Chinese
// character of the GB2312 first level gives the letter of the range table
// below, so codes stored long ago keep their meaning; every other Chinese
// character (the second level, the GBK additions, traditional forms and the
// characters beyond GBK) gives the first letter of its common Mandarin
// reading, taken from ICU's Han-Latin transliteration. A character with no
// reading, symbols and full-width forms give "?". One result character per
// input character.
QString PinyinInitials(const QString& text);

// The same walk over text already in GBK bytes.
QString PinyinInitialsGbk(const QByteArray& gbk);

// The initial of one GBK double-byte character: a capital letter from the
// GB2312 first-level range table (0xB0A1..0xD7F9, ordered by pinyin, both
// bytes 0xA1..0xFE), else the initial of the reading of the character the
// bytes stand for, else "?", as for any argument that is not exactly two
// bytes.
QString CharInitial(const QByteArray& twoBytes);

// Whether a stored mnemonic code of the name should be computed afresh: it
// differs from PinyinInitials(name) and either holds a "?" or is exactly what
// the range table gave when it did not check the second byte (which put GBK
// additions such as 謝 under the letter of the range their code fell in). A
// code that matches neither was set some other way and is kept.
bool MnemonicCodeIsStale(const QString& name, const QString& stored);
