#pragma once
#include <QString>
#include <vector>

// A lexical token of a T-SQL statement. The embedded engine rewrites
// statements on these tokens, never on raw text, so nothing inside a string
// literal, a quoted name or a comment is ever touched.
struct SqlToken {
    enum Kind {
        Space,     // blanks, line breaks and comments
        Word,      // identifier or keyword
        Bracketed, // [name]
        Quoted,    // "name"
        String,    // 'text' or N'text', quotes doubled inside
        Number,
        Param,     // :name
        Symbol,    // operators and punctuation
    };
    Kind kind;
    QString text;

    bool is(const char* word) const; // a Word equal to word, ignoring case
    bool isSymbol(char c) const { return kind == Symbol && text.size() == 1 && text[0] == QLatin1Char(c); }
    // The name a Word, Bracketed or Quoted token stands for.
    QString name() const;
    bool isName() const { return kind == Word || kind == Bracketed || kind == Quoted; }
};

std::vector<SqlToken> tokenizeSql(const QString& sql);
QString joinTokens(const std::vector<SqlToken>& tokens);

// Index of the next token at or after i that is not a Space, or size().
size_t nextSig(const std::vector<SqlToken>& t, size_t i);
// Index of the last token before i that is not a Space, or size().
size_t prevSig(const std::vector<SqlToken>& t, size_t i);
// Index of the token closing the parenthesis opened at `open`, or size().
size_t matchingParen(const std::vector<SqlToken>& t, size_t open);
