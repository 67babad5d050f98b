#include "sqltokens.h"

bool SqlToken::is(const char* word) const
{
    return kind == Word && text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

QString SqlToken::name() const
{
    if (kind == Bracketed)
        return text.mid(1, text.size() - 2).replace(QLatin1String("]]"), QLatin1String("]"));
    if (kind == Quoted)
        return text.mid(1, text.size() - 2).replace(QLatin1String("\"\""), QLatin1String("\""));
    return text;
}

namespace {

bool isWordStart(QChar c) { return c.isLetter() || c == QLatin1Char('_') || c == QLatin1Char('#') || c == QLatin1Char('@'); }
bool isWordChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('#') || c == QLatin1Char('@') || c == QLatin1Char('$'); }

// Reads up to the closing delimiter; a doubled delimiter stays inside.
qsizetype closing(const QString& s, qsizetype from, QChar close)
{
    qsizetype i = from;
    while (i < s.size()) {
        if (s[i] == close) {
            if (i + 1 < s.size() && s[i + 1] == close) {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return s.size();
}

} // namespace

std::vector<SqlToken> tokenizeSql(const QString& s)
{
    std::vector<SqlToken> out;
    qsizetype i = 0;
    const qsizetype n = s.size();
    auto push = [&](SqlToken::Kind kind, qsizetype end) {
        out.push_back({kind, s.mid(i, end - i)});
        i = end;
    };
    while (i < n) {
        const QChar c = s[i];
        if (c.isSpace()) {
            qsizetype j = i;
            while (j < n && s[j].isSpace())
                ++j;
            push(SqlToken::Space, j);
        } else if (c == QLatin1Char('-') && i + 1 < n && s[i + 1] == QLatin1Char('-')) {
            qsizetype j = s.indexOf(QLatin1Char('\n'), i);
            push(SqlToken::Space, j < 0 ? n : j);
        } else if (c == QLatin1Char('/') && i + 1 < n && s[i + 1] == QLatin1Char('*')) {
            qsizetype j = s.indexOf(QLatin1String("*/"), i + 2);
            push(SqlToken::Space, j < 0 ? n : j + 2);
        } else if (c == QLatin1Char('\'')) {
            push(SqlToken::String, closing(s, i + 1, QLatin1Char('\'')));
        } else if ((c == QLatin1Char('N') || c == QLatin1Char('n')) && i + 1 < n && s[i + 1] == QLatin1Char('\'')) {
            push(SqlToken::String, closing(s, i + 2, QLatin1Char('\'')));
        } else if (c == QLatin1Char('[')) {
            push(SqlToken::Bracketed, closing(s, i + 1, QLatin1Char(']')));
        } else if (c == QLatin1Char('"')) {
            push(SqlToken::Quoted, closing(s, i + 1, QLatin1Char('"')));
        } else if (c == QLatin1Char(':') && i + 1 < n && isWordChar(s[i + 1]) &&
                   !(i > 0 && s[i - 1] == QLatin1Char(':'))) {
            qsizetype j = i + 1;
            while (j < n && isWordChar(s[j]))
                ++j;
            push(SqlToken::Param, j);
        } else if (c.isDigit() || (c == QLatin1Char('.') && i + 1 < n && s[i + 1].isDigit())) {
            qsizetype j = i;
            while (j < n && (s[j].isDigit() || s[j] == QLatin1Char('.')))
                ++j;
            if (j < n && (s[j] == QLatin1Char('e') || s[j] == QLatin1Char('E')) && j + 1 < n &&
                (s[j + 1].isDigit() || ((s[j + 1] == QLatin1Char('+') || s[j + 1] == QLatin1Char('-')) && j + 2 < n && s[j + 2].isDigit()))) {
                j += 2;
                while (j < n && s[j].isDigit())
                    ++j;
            }
            push(SqlToken::Number, j);
        } else if (isWordStart(c)) {
            qsizetype j = i;
            while (j < n && isWordChar(s[j]))
                ++j;
            push(SqlToken::Word, j);
        } else {
            static const char* pairs[] = {"<=", ">=", "<>", "!=", "!<", "!>", "||", "::"};
            qsizetype len = 1;
            for (const char* p : pairs)
                if (s.mid(i, 2) == QLatin1String(p))
                    len = 2;
            push(SqlToken::Symbol, i + len);
        }
    }
    return out;
}

QString joinTokens(const std::vector<SqlToken>& tokens)
{
    QString out;
    for (const SqlToken& t : tokens)
        out += t.text;
    return out;
}

size_t nextSig(const std::vector<SqlToken>& t, size_t i)
{
    while (i < t.size() && t[i].kind == SqlToken::Space)
        ++i;
    return i;
}

size_t prevSig(const std::vector<SqlToken>& t, size_t i)
{
    while (i > 0) {
        --i;
        if (t[i].kind != SqlToken::Space)
            return i;
    }
    return t.size();
}

size_t matchingParen(const std::vector<SqlToken>& t, size_t open)
{
    int depth = 0;
    for (size_t i = open; i < t.size(); ++i) {
        if (t[i].isSymbol('('))
            ++depth;
        else if (t[i].isSymbol(')') && --depth == 0)
            return i;
    }
    return t.size();
}
