#include "tsqlrewriter.h"

#include "postgres/pgdialect.h"

#include "dberror.h"
#include "sqltokens.h"
#include "sqlvalue.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace {

using Tokens = std::vector<SqlToken>;

SqlToken word(const QString& text) { return {SqlToken::Word, text}; }
SqlToken space() { return {SqlToken::Space, QStringLiteral(" ")}; }
SqlToken symbol(const QString& text) { return {SqlToken::Symbol, text}; }

QString quoteName(const QString& name)
{
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}



// Date parts as the server names them, with their abbreviations.
QString canonicalDatePart(const QString& part)
{
    static const QHash<QString, QString> parts = {
        {"year", "year"},     {"yy", "year"},           {"yyyy", "year"},    {"quarter", "quarter"},
        {"qq", "quarter"},    {"q", "quarter"},         {"month", "month"},  {"mm", "month"},
        {"m", "month"},       {"dayofyear", "dayofyear"}, {"dy", "dayofyear"}, {"y", "dayofyear"},
        {"day", "day"},       {"dd", "day"},            {"d", "day"},        {"week", "week"},
        {"wk", "week"},       {"ww", "week"},           {"weekday", "weekday"}, {"dw", "weekday"},
        {"hour", "hour"},     {"hh", "hour"},           {"minute", "minute"}, {"mi", "minute"},
        {"n", "minute"},      {"second", "second"},     {"ss", "second"},    {"s", "second"},
        {"millisecond", "millisecond"}, {"ms", "millisecond"},
    };
    return parts.value(part.toLower());
}


bool isTextType(const SqlToken& t)
{
    return t.is("char") || t.is("varchar") || t.is("nchar") || t.is("nvarchar") || t.is("text") || t.is("ntext");
}

// Whether the CAST or CONVERT call whose name is at `name` yields text.
bool castsToText(const Tokens& t, size_t name)
{
    const size_t open = nextSig(t, name + 1);
    if (open >= t.size() || !t[open].isSymbol('('))
        return false;
    const size_t close = matchingParen(t, open);
    if (t[name].is("convert")) {
        const size_t type = nextSig(t, open + 1);
        return type < close && isTextType(t[type]);
    }
    for (size_t i = open + 1; i < close; ++i)
        if (t[i].is("as")) {
            const size_t type = nextSig(t, i + 1);
            return type < close && isTextType(t[type]);
        }
    return false;
}

// ---- "+" as the server reads it -----------------------------------------

// What the rewrite knows of an operand before the statement runs, the same
// letters zt_plus takes as its hint: i integer, n numeric/decimal, f float,
// t text, d date-time, ? unknown (decided on the value at run time).
bool isNumberKind(char k) { return k == 'i' || k == 'n' || k == 'f'; }

char castKind(const Tokens& t, size_t name)
{
    if (castsToText(t, name))
        return 't';
    const size_t open = nextSig(t, name + 1);
    const size_t close = matchingParen(t, open);
    size_t type = t.size();
    if (t[name].is("convert")) {
        type = nextSig(t, open + 1);
    } else {
        for (size_t i = open + 1; i < close; ++i)
            if (t[i].is("as")) {
                type = nextSig(t, i + 1);
                break;
            }
    }
    if (type >= close)
        return '?';
    const SqlToken& ty = t[type];
    if (ty.is("int") || ty.is("integer") || ty.is("bigint") || ty.is("smallint") || ty.is("tinyint") || ty.is("bit"))
        return 'i';
    if (ty.is("numeric") || ty.is("decimal") || ty.is("money") || ty.is("smallmoney"))
        return 'n';
    if (ty.is("float") || ty.is("real"))
        return 'f';
    if (ty.is("datetime") || ty.is("smalldatetime") || ty.is("date"))
        return 'd';
    return '?';
}

// Words that end an operand: clauses and the operators that bind less
// tightly than "+" (LEFT and RIGHT are functions when a "(" follows).
bool isClauseWord(const SqlToken& t)
{
    if (t.kind != SqlToken::Word)
        return false;
    static const QSet<QString> words = {
        "select", "from", "where", "and", "or", "not", "between", "in", "like", "is", "as", "on", "then",
        "when", "else", "end", "case", "group", "order", "by", "having", "union", "all", "any", "some",
        "set", "values", "into", "join", "inner", "left", "right", "outer", "cross", "full", "asc", "desc",
        "escape", "exists", "update", "delete", "insert", "with", "top", "distinct", "percent", "over",
        "collate", "create", "alter", "drop", "table", "view", "index", "begin", "commit", "rollback",
        "declare", "if", "while", "return", "exec", "execute", "go", "limit", "except", "intersect"};
    return words.contains(t.text.toLower());
}

struct PlusOperand {
    size_t end = 0; // one past its last token
    char kind = '?';
    Tokens out;     // the operand, rewritten
};

// Parses the expressions of a statement on its tokens and writes every
// binary "+" whose operands are not both known numbers as zt_plus(a, b,
// hint): joins texts, adds numbers, converts a text added to a number as the
// server converts it. "+" and "-" group left to right above the comparisons,
// "*", "/" and "%" above them, as in T-SQL.
QString tokensText(const Tokens& t, size_t from, size_t to);

class PlusRewriter {
public:
    PlusRewriter(const Tokens& t, const ColumnKinds* kinds) : m_t(t), m_kinds(kinds) {}

    // The whole statement. A select-list item that is one expression and
    // was rewritten keeps its written text as its column name, as it had
    // before, rather than the name of the call it became.
    Tokens statement() const
    {
        const size_t n = m_t.size();
        size_t i = nextSig(m_t, 0);
        if (i >= n || !m_t[i].is("select"))
            return process(0, n);
        i = nextSig(m_t, i + 1);
        if (i < n && (m_t[i].is("distinct") || m_t[i].is("all")))
            i = nextSig(m_t, i + 1);
        if (i < n && m_t[i].is("top")) {
            i = nextSig(m_t, nextSig(m_t, i + 1) + 1);
            if (i < n && m_t[i].is("percent"))
                i = nextSig(m_t, i + 1);
        }
        Tokens out(m_t.begin(), m_t.begin() + long(std::min(i, n)));
        size_t end = i;
        int depth = 0;
        for (; end < n; ++end) {
            if (m_t[end].isSymbol('('))
                ++depth;
            else if (m_t[end].isSymbol(')'))
                --depth;
            else if (depth == 0 && (m_t[end].is("from") || m_t[end].is("into") || m_t[end].is("where") ||
                                    m_t[end].is("group") || m_t[end].is("order") || m_t[end].is("union") ||
                                    m_t[end].is("having")))
                break;
        }
        size_t item = i;
        depth = 0;
        for (size_t k = i; k <= end; ++k) {
            if (k < end && m_t[k].isSymbol('('))
                ++depth;
            else if (k < end && m_t[k].isSymbol(')'))
                --depth;
            if (k < end && !(depth == 0 && m_t[k].isSymbol(',')))
                continue;
            append(out, selectItem(item, k));
            if (k < end)
                out.push_back(m_t[k]);
            item = k + 1;
        }
        append(out, process(end, n));
        return out;
    }

    // Copies tokens [from, to), rewriting each expression met on the way.
    Tokens process(size_t from, size_t to) const
    {
        Tokens out;
        size_t i = from;
        while (i < to) {
            const SqlToken& tok = m_t[i];
            if (tok.kind != SqlToken::Space) {
                PlusOperand e;
                if (expression(i, to, e)) {
                    append(out, e.out);
                    i = e.end;
                    continue;
                }
                if (tok.isSymbol('(')) {
                    const size_t close = std::min(matchingParen(m_t, i), to);
                    out.push_back(tok);
                    append(out, process(i + 1, close));
                    if (close < to)
                        out.push_back(m_t[close]);
                    i = close + 1;
                    continue;
                }
            }
            out.push_back(tok);
            ++i;
        }
        return out;
    }

private:
    Tokens selectItem(size_t from, size_t to) const
    {
        Tokens out;
        const size_t first = spaces(from, to, out);
        PlusOperand e;
        if (first >= to || !expression(first, to, e) || nextSig(m_t, e.end) < to)
            return process(from, to);
        const QString written = tokensText(m_t, first, e.end);
        append(out, e.out);
        if (joinTokens(e.out).trimmed() != written) {
            out.push_back(space());
            out.push_back(word(QStringLiteral("AS")));
            out.push_back(space());
            out.push_back({SqlToken::Quoted, quoteName(written)});
        }
        for (size_t k = e.end; k < to; ++k)
            out.push_back(m_t[k]);
        return out;
    }

    static void append(Tokens& out, const Tokens& more) { out.insert(out.end(), more.begin(), more.end()); }

    // Spaces from i on, copied; answers the next other token's index.
    size_t spaces(size_t i, size_t to, Tokens& out) const
    {
        while (i < to && m_t[i].kind == SqlToken::Space)
            out.push_back(m_t[i++]);
        return i;
    }

    char columnKindOf(const SqlToken& name) const
    {
        if (!m_kinds)
            return '?';
        switch (m_kinds->value(name.name().toLower(), 0)) {
        case 'n': return 'n';
        case 'd': return 'd';
        case 'i': return 'i';
        case 'f': return 'f';
        case 't':
        case 's': return 't';
        default: return '?';
        }
    }

    static char functionKind(const SqlToken& name)
    {
        static const QHash<QString, char> kinds = {
            {"getdate", 'd'}, {"dateadd", 'd'}, {"datepart", 'i'}, {"datediff", 'i'}, {"year", 'i'},
            {"month", 'i'}, {"day", 'i'}, {"len", 'i'}, {"char", 't'}, {"nchar", 't'}, {"ltrim", 't'},
            {"rtrim", 't'}, {"upper", 't'}, {"lower", 't'}, {"substring", 't'}, {"left", 't'},
            {"right", 't'}, {"replace", 't'}, {"datename", 't'}};
        return kinds.value(name.text.toLower(), '?');
    }

    // A literal, a parameter, NULL, a column, a call, a CASE ... END or a
    // parenthesised expression or query.
    bool primary(size_t i, size_t to, PlusOperand& p) const
    {
        const SqlToken& tok = m_t[i];
        switch (tok.kind) {
        case SqlToken::String:
            p = {i + 1, 't', {tok}};
            return true;
        case SqlToken::Number: {
            const bool whole = !tok.text.contains(QLatin1Char('.')) && !tok.text.contains(QLatin1Char('e'), Qt::CaseInsensitive);
            p = {i + 1, whole ? 'i' : tok.text.contains(QLatin1Char('e'), Qt::CaseInsensitive) ? 'f' : 'n', {tok}};
            return true;
        }
        case SqlToken::Param:
            // A parameter compared with a numeric or date-time column has
            // been wrapped in its conversion already.
            p = {i + 1, tok.text.startsWith(QLatin1String("zt_num(")) ? 'n'
                        : tok.text.startsWith(QLatin1String("zt_dtarg(")) ? 'd' : '?', {tok}};
            return true;
        case SqlToken::Symbol: {
            if (!tok.isSymbol('('))
                return false;
            const size_t close = matchingParen(m_t, i);
            if (close >= to)
                return false;
            p.out = {tok};
            // The kind of a parenthesised expression is the kind of the
            // expression it holds entire.
            PlusOperand inner;
            Tokens lead;
            const size_t first = spaces(i + 1, close, lead);
            if (first < close && expression(first, close, inner) && nextSig(m_t, inner.end) >= close) {
                append(p.out, lead);
                append(p.out, inner.out);
                for (size_t k = inner.end; k < close; ++k)
                    p.out.push_back(m_t[k]);
                p.kind = inner.kind;
            } else {
                append(p.out, process(i + 1, close));
                p.kind = '?';
            }
            p.out.push_back(m_t[close]);
            p.end = close + 1;
            return true;
        }
        case SqlToken::Word:
            if (tok.is("null")) {
                p = {i + 1, '?', {tok}};
                return true;
            }
            if (tok.is("case")) {
                int depth = 0;
                size_t end = i;
                for (; end < to; ++end) {
                    if (m_t[end].is("case"))
                        ++depth;
                    else if (m_t[end].is("end") && --depth == 0)
                        break;
                }
                if (end >= to)
                    return false;
                p.out = {tok};
                append(p.out, process(i + 1, end));
                p.out.push_back(m_t[end]);
                p.end = end + 1;
                p.kind = '?';
                return true;
            }
            break;
        default:
            break;
        }
        if (!tok.isName())
            return false;
        // A name, maybe qualified, maybe called.
        const size_t open = nextSig(m_t, i + 1);
        const bool call = tok.kind == SqlToken::Word && open < to && m_t[open].isSymbol('(');
        if (isClauseWord(tok) && !(call && (tok.is("left") || tok.is("right"))))
            return false;
        if (call) {
            const size_t close = matchingParen(m_t, open);
            if (close >= to)
                return false;
            p.out.clear();
            for (size_t k = i; k <= open; ++k)
                p.out.push_back(m_t[k]);
            append(p.out, process(open + 1, close));
            p.out.push_back(m_t[close]);
            p.end = close + 1;
            p.kind = (tok.is("cast") || tok.is("convert")) ? castKind(m_t, i) : functionKind(tok);
            return true;
        }
        size_t last = i;
        while (true) {
            const size_t dot = nextSig(m_t, last + 1);
            if (dot >= to || !m_t[dot].isSymbol('.'))
                break;
            const size_t n = nextSig(m_t, dot + 1);
            if (n >= to || !m_t[n].isName())
                break;
            last = n;
        }
        p.out.assign(m_t.begin() + long(i), m_t.begin() + long(last) + 1);
        p.end = last + 1;
        p.kind = columnKindOf(m_t[last]);
        return true;
    }

    // A primary with any signs before it.
    bool factor(size_t i, size_t to, PlusOperand& f) const
    {
        const SqlToken& tok = m_t[i];
        if (tok.isSymbol('-') || tok.isSymbol('+') || tok.isSymbol('~')) {
            Tokens lead{tok};
            const size_t n = spaces(i + 1, to, lead);
            if (n >= to || !factor(n, to, f))
                return false;
            lead.insert(lead.end(), f.out.begin(), f.out.end());
            f.out = std::move(lead);
            return true;
        }
        return primary(i, to, f);
    }

    // Factors joined by "*", "/" and "%".
    bool term(size_t i, size_t to, PlusOperand& t) const
    {
        if (!factor(i, to, t))
            return false;
        while (true) {
            const size_t op = nextSig(m_t, t.end);
            if (op >= to || !(m_t[op].isSymbol('*') || m_t[op].isSymbol('/') || m_t[op].isSymbol('%')))
                return true;
            Tokens gap;
            spaces(t.end, op, gap);
            gap.push_back(m_t[op]);
            const size_t n = spaces(op + 1, to, gap);
            PlusOperand right;
            if (n >= to || !factor(n, to, right))
                return true; // "*" of "select *" or "count(*)": not an operator here
            append(t.out, gap);
            append(t.out, right.out);
            t.end = right.end;
            t.kind = t.kind == 'i' && right.kind == 'i' ? 'i'
                     : isNumberKind(t.kind) && isNumberKind(right.kind) ? (t.kind == 'f' || right.kind == 'f' ? 'f' : 'n')
                                                                       : '?';
        }
    }

    static char sumKind(char a, char b)
    {
        if (a == 't' && b == 't')
            return 't';
        if (a == 'd' || b == 'd')
            return 'd';
        if (a == '?' || b == '?')
            return '?';
        if (a == 'f' || b == 'f')
            return 'f';
        if (a == 'n' || b == 'n')
            return 'n';
        return 'i';
    }

    // Terms joined by "+" and "-", left to right.
    bool expression(size_t i, size_t to, PlusOperand& e) const
    {
        if (!term(i, to, e))
            return false;
        while (true) {
            const size_t op = nextSig(m_t, e.end);
            if (op >= to || !(m_t[op].isSymbol('+') || m_t[op].isSymbol('-')))
                return true;
            Tokens gap;
            spaces(e.end, op, gap);
            Tokens after;
            const size_t n = spaces(op + 1, to, after);
            PlusOperand right;
            if (n >= to || !term(n, to, right))
                return true;
            const bool plus = m_t[op].isSymbol('+');
            if (!plus || (isNumberKind(e.kind) && isNumberKind(right.kind))) {
                append(e.out, gap);
                e.out.push_back(m_t[op]);
                append(e.out, after);
                append(e.out, right.out);
                e.kind = plus ? sumKind(e.kind, right.kind) : (e.kind == 'd' ? 'd' : isNumberKind(e.kind) && isNumberKind(right.kind) ? sumKind(e.kind, right.kind) : '?');
            } else {
                Tokens call{word(QStringLiteral("zt_plus")), symbol(QStringLiteral("("))};
                append(call, e.out);
                call.push_back(symbol(QStringLiteral(",")));
                append(call, gap);
                append(call, after);
                append(call, right.out);
                call.push_back(symbol(QStringLiteral(",")));
                call.push_back({SqlToken::String, QString::fromLatin1(std::string{'\'', e.kind, right.kind, '\''})});
                call.push_back(symbol(QStringLiteral(")")));
                e.out = std::move(call);
                e.kind = sumKind(e.kind, right.kind);
            }
            e.end = right.end;
        }
    }

    const Tokens& m_t;
    const ColumnKinds* m_kinds;
};

const char* kNotNumeric = "Error converting data type varchar to numeric.";
const char* kNotDate = "Conversion failed when converting date and/or time from character string.";

bool isComparison(const SqlToken& t)
{
    if (t.kind != SqlToken::Symbol)
        return false;
    static const QStringList ops = {"=", "<>", "!=", "<", ">", "<=", ">=", "!<", "!>"};
    return ops.contains(t.text);
}

// The kind of the column named by the name token at i ('n', 'd' or 0).
char columnKind(const Tokens& t, size_t i, const ColumnKinds& kinds)
{
    if (i >= t.size() || !t[i].isName())
        return 0;
    const size_t n = nextSig(t, i + 1);
    if (n < t.size() && (t[n].isSymbol('(') || t[n].isSymbol('.')))
        return 0; // a function call, or a qualifier before the column
    const char k = kinds.value(t[i].name().toLower(), 0);
    return k == 'n' || k == 'd' ? k : 0;
}

// The column name that an operand starting at i stands for ("A.col" too):
// the index of its last name token, or t.size().
size_t operandColumnAfter(const Tokens& t, size_t i)
{
    while (i < t.size() && t[i].isName()) {
        const size_t dot = nextSig(t, i + 1);
        if (dot < t.size() && t[dot].isSymbol('.')) {
            i = nextSig(t, dot + 1);
            continue;
        }
        return i;
    }
    return t.size();
}

QString unquote(const QString& literal)
{
    return literal.mid(1, literal.size() - 2).replace(QLatin1String("''"), QLatin1String("'"));
}

// Converts the literal or parameter at i, compared with a column of kind k.
void convertOperand(Tokens& t, size_t i, char k)
{
    if (i >= t.size())
        return;
    SqlToken& op = t[i];
    if (op.kind == SqlToken::Param) {
        op.text = (k == 'n' ? QStringLiteral("zt_num(") : QStringLiteral("zt_dtarg(")) + op.text + QLatin1Char(')');
        return;
    }
    if (op.kind != SqlToken::String)
        return;
    const QString text = unquote(op.text);
    if (k == 'n') {
        if (!parseDecimalText(text, nullptr))
            throw DbError(QString::fromLatin1(kNotNumeric));
        QString number = text.trimmed();
        if (number.startsWith(QLatin1Char('+')))
            number.remove(0, 1);
        const qsizetype digits = number.startsWith(QLatin1Char('-')) ? 1 : 0;
        if (number.mid(digits).startsWith(QLatin1Char('.')))
            number.insert(digits, QLatin1Char('0'));
        if (number.endsWith(QLatin1Char('.')))
            number += QLatin1Char('0');
        op = {SqlToken::Number, number};
        return;
    }
    QString stored;
    if (text.trimmed().isEmpty()) {
        stored = QStringLiteral("1900-01-01 00:00:00.000");
    } else {
        const QDateTime d = parseDateTimeText(text);
        if (!d.isValid())
            throw DbError(QString::fromLatin1(kNotDate));
        stored = canonicalDateTime(d);
    }
    op = {SqlToken::String, QLatin1Char('\'') + stored + QLatin1Char('\'')};
}

// Comparisons of a numeric or date-time column with a text literal or a
// parameter: "=", "<>", "<", ..., BETWEEN and IN lists, either side.
void convertComparedOperands(Tokens& t, const ColumnKinds& kinds)
{
    for (size_t i = 0; i < t.size(); ++i) {
        if (isComparison(t[i])) {
            const size_t l = prevSig(t, i);
            const size_t r = nextSig(t, i + 1);
            if (char k = columnKind(t, l, kinds))
                convertOperand(t, r, k);
            else if (l < t.size() && r < t.size() && (t[l].kind == SqlToken::String || t[l].kind == SqlToken::Param)) {
                if (char k2 = columnKind(t, operandColumnAfter(t, r), kinds))
                    convertOperand(t, l, k2);
            }
            continue;
        }
        if (!t[i].is("between") && !t[i].is("in"))
            continue;
        size_t l = prevSig(t, i);
        if (l < t.size() && t[l].is("not"))
            l = prevSig(t, l);
        const char k = columnKind(t, l, kinds);
        if (!k)
            continue;
        if (t[i].is("between")) {
            const size_t a = nextSig(t, i + 1);
            const size_t andAt = nextSig(t, a + 1);
            convertOperand(t, a, k);
            if (andAt < t.size() && t[andAt].is("and"))
                convertOperand(t, nextSig(t, andAt + 1), k);
            continue;
        }
        const size_t open = nextSig(t, i + 1);
        if (open >= t.size() || !t[open].isSymbol('('))
            continue;
        const size_t close = matchingParen(t, open);
        size_t item = nextSig(t, open + 1);
        while (item < close) {
            const size_t after = nextSig(t, item + 1);
            if (after <= close && (after == close || t[after].isSymbol(',')))
                convertOperand(t, item, k);
            size_t next = item;
            while (next < close && !t[next].isSymbol(','))
                ++next;
            item = nextSig(t, next + 1);
        }
    }
}

// Rewrites that apply anywhere in a statement, token by token.
Tokens rewriteTokens(const Tokens& in, const QStringList& paramOrder, const ColumnKinds* kinds)
{
    Tokens out;
    out.reserve(in.size());
    for (size_t i = 0; i < in.size(); ++i) {
        const SqlToken& t = in[i];
        // dbo.Name and [dbo].[Name]: every object lives in dbo.
        if (t.isName() && t.name().compare(QLatin1String("dbo"), Qt::CaseInsensitive) == 0 &&
            i + 1 < in.size() && in[i + 1].isSymbol('.')) {
            ++i;
            continue;
        }
        if (t.kind == SqlToken::Param) {
            const int index = int(paramOrder.indexOf(t.text.mid(1).toLower()));
            out.push_back({SqlToken::Param, QStringLiteral("?%1").arg(index + 1)});
            continue;
        }
        if (t.kind == SqlToken::String && (t.text.startsWith(QLatin1Char('N')) || t.text.startsWith(QLatin1Char('n')))) {
            out.push_back({SqlToken::String, t.text.mid(1)});
            continue;
        }
        if (t.kind == SqlToken::Word) {
            const size_t n = nextSig(in, i + 1);
            const bool call = n < in.size() && in[n].isSymbol('(');
            if (call && t.is("isnull")) {
                out.push_back(word(QStringLiteral("ifnull")));
                continue;
            }
            // DATEPART(month, x): the part is a keyword to the server, a
            // text argument to the registered function.
            if (call && (t.is("datepart") || t.is("dateadd") || t.is("datediff") || t.is("datename"))) {
                const size_t p = nextSig(in, n + 1);
                if (p < in.size() && in[p].kind == SqlToken::Word) {
                    const QString part = canonicalDatePart(in[p].text);
                    if (!part.isEmpty()) {
                        for (size_t k = i; k < p; ++k)
                            out.push_back(in[k]);
                        out.push_back({SqlToken::String, QLatin1Char('\'') + part + QLatin1Char('\'')});
                        i = p;
                        continue;
                    }
                }
            }
        }
        out.push_back(t);
    }
    if (kinds)
        convertComparedOperands(out, *kinds);
    return out;
}

// Splits at top-level ";".
std::vector<Tokens> splitStatements(const Tokens& tokens)
{
    std::vector<Tokens> out(1);
    int depth = 0;
    for (const SqlToken& t : tokens) {
        if (t.isSymbol('('))
            ++depth;
        else if (t.isSymbol(')'))
            --depth;
        if (depth == 0 && t.isSymbol(';')) {
            out.emplace_back();
            continue;
        }
        out.back().push_back(t);
    }
    return out;
}

struct ColumnRule {
    QString name;
    enum Kind { None, Text, Decimal, Integer, DateTime } kind = None;
    int a = 0, b = 0; // text width; decimal precision and scale
};

// Type of a column definition: the SQLite declared type and its rule.
QString mapType(const QString& typeName, const QList<int>& args, ColumnRule& rule)
{
    const QString t = typeName.toLower();
    if (t == "int" || t == "integer" || t == "bigint" || t == "smallint" || t == "tinyint" || t == "bit") {
        rule.kind = ColumnRule::Integer;
        return QStringLiteral("INTEGER");
    }
    if (t == "char" || t == "varchar" || t == "nchar" || t == "nvarchar" || t == "text" || t == "ntext") {
        const bool wide = t.startsWith(QLatin1Char('n'));
        const int width = args.isEmpty() ? (t.endsWith("text") ? 0 : 1) : args[0];
        rule.kind = width > 0 ? ColumnRule::Text : ColumnRule::None;
        rule.a = wide ? width * 2 : width;
        return args.isEmpty() ? typeName.toUpper() : QStringLiteral("%1(%2)").arg(typeName.toUpper()).arg(width);
    }
    if (t == "numeric" || t == "decimal" || t == "money" || t == "smallmoney") {
        rule.kind = ColumnRule::Decimal;
        if (t == "money") {
            rule.a = 19, rule.b = 4;
        } else if (t == "smallmoney") {
            rule.a = 10, rule.b = 4;
        } else {
            rule.a = args.value(0, 18);
            rule.b = args.value(1, 0);
        }
        return QStringLiteral("NUMERIC(%1,%2)").arg(rule.a).arg(rule.b);
    }
    if (t == "float" || t == "real" || t == "double")
        return QStringLiteral("FLOAT");
    if (t == "datetime" || t == "smalldatetime" || t == "date" || t == "datetime2") {
        rule.kind = ColumnRule::DateTime;
        return QStringLiteral("DATETIME");
    }
    return typeName.toUpper();
}

bool isTableConstraintStart(const SqlToken& t)
{
    return t.is("constraint") || t.is("primary") || t.is("unique") || t.is("foreign") || t.is("check");
}

// Copies a constraint or attribute list, leaving out what only the server
// understands (CLUSTERED, NONCLUSTERED, ON [PRIMARY], WITH NOCHECK).
void appendFiltered(Tokens& out, const Tokens& in, size_t from, size_t to)
{
    for (size_t i = from; i < to; ++i) {
        const SqlToken& t = in[i];
        if (t.is("clustered") || t.is("nonclustered") || t.is("rowguidcol"))
            continue;
        if (t.is("on")) {
            const size_t n = nextSig(in, i + 1);
            if (n < to && in[n].isName() && !in[n].is("update") && !in[n].is("delete")) {
                i = n;
                continue;
            }
        }
        out.push_back(t);
    }
}

QString tokensText(const Tokens& t, size_t from, size_t to)
{
    QString s;
    for (size_t i = from; i < to && i < t.size(); ++i)
        s += t[i].text;
    return s.trimmed();
}

// Triggers that give a table the server's column rules: texts no longer than
// their width in GBK bytes, decimals rounded to their scale and within their
// precision, integers and date-times converted or refused. The checks raise
// the server's errors; the update after them stores the converted values.
QStringList ruleTriggers(const QString& table, const std::vector<ColumnRule>& rules)
{
    // The update trigger looks only at the columns the update changed: a
    // row's other columns are never converted again.
    QStringList insertChecks, updateChecks, insertFixes, updateFixes;
    for (const ColumnRule& r : rules) {
        const QString col = quoteName(r.name);
        QString check, fix;
        switch (r.kind) {
        case ColumnRule::Text:
            check = QStringLiteral("zt_chk_text(NEW.%1,%2)").arg(col).arg(r.a);
            break;
        case ColumnRule::Decimal:
            check = QStringLiteral("zt_chk_dec(NEW.%1,%2,%3)").arg(col).arg(r.a).arg(r.b);
            fix = QStringLiteral("zt_dec(%1,%2,%3)").arg(col).arg(r.a).arg(r.b);
            break;
        case ColumnRule::Integer:
            check = QStringLiteral("zt_chk_int(NEW.%1)").arg(col);
            fix = QStringLiteral("zt_int(%1)").arg(col);
            break;
        case ColumnRule::DateTime:
            check = QStringLiteral("zt_chk_dt(NEW.%1)").arg(col);
            fix = QStringLiteral("zt_dt(%1)").arg(col);
            break;
        case ColumnRule::None:
            continue;
        }
        const QString changed = QStringLiteral("NEW.%1 IS NOT OLD.%1").arg(col);
        insertChecks << check;
        updateChecks << QStringLiteral("CASE WHEN %1 THEN %2 ELSE 0 END").arg(changed, check);
        if (!fix.isEmpty()) {
            insertFixes << QStringLiteral("%1=%2").arg(col, fix);
            updateFixes << QStringLiteral("%1=CASE WHEN %2 THEN %3 ELSE %1 END").arg(col, changed, fix);
        }
    }
    if (insertChecks.isEmpty())
        return {};
    auto trigger = [&](const char* event, const QStringList& checks, const QStringList& fixes) {
        const QString body = fixes.isEmpty() ? QStringLiteral("SELECT 0;")
                                             : QStringLiteral("UPDATE %1 SET %2 WHERE rowid=NEW.rowid;")
                                                   .arg(quoteName(table), fixes.join(QLatin1Char(',')));
        return QStringLiteral("CREATE TRIGGER %1 AFTER %2 ON %3 WHEN (%4)>0 BEGIN %5 END")
            .arg(quoteName(QStringLiteral("zt_%1_%2").arg(QString::fromLatin1(event).toLower(), table)),
                 QLatin1String(event), quoteName(table), checks.join(QLatin1Char('+')), body);
    };
    return {trigger("INSERT", insertChecks, insertFixes), trigger("UPDATE", updateChecks, updateFixes)};
}

Translation translateCreateTable(const Tokens& t, size_t nameAt)
{
    const QString table = t[nameAt].name();
    const size_t open = nextSig(t, nameAt + 1);
    if (open >= t.size() || !t[open].isSymbol('('))
        return {{{joinTokens(t)}}, false};
    const size_t close = matchingParen(t, open);

    // Items of the column list, split at top-level commas.
    std::vector<std::pair<size_t, size_t>> items;
    size_t start = open + 1;
    int depth = 0;
    for (size_t i = open + 1; i < close; ++i) {
        if (t[i].isSymbol('('))
            ++depth;
        else if (t[i].isSymbol(')'))
            --depth;
        else if (depth == 0 && t[i].isSymbol(',')) {
            items.push_back({start, i});
            start = i + 1;
        }
    }
    items.push_back({start, close});

    Tokens out{word("CREATE"), space(), word("TABLE"), space(), {SqlToken::Quoted, quoteName(table)}, space(), symbol("(")};
    std::vector<ColumnRule> rules;
    bool firstItem = true;
    for (auto [from, to] : items) {
        const size_t f = nextSig(t, from);
        if (f >= to)
            continue;
        if (!firstItem)
            out.push_back(symbol(QStringLiteral(",")));
        firstItem = false;
        out.push_back(space());
        if (isTableConstraintStart(t[f])) {
            appendFiltered(out, t, f, to);
            continue;
        }
        // Column: name, type, optional (args), then attributes.
        ColumnRule rule;
        rule.name = t[f].name();
        size_t i = nextSig(t, f + 1);
        QString typeName = i < to ? t[i].name() : QString();
        QList<int> args;
        i = nextSig(t, i + 1);
        if (i < to && t[i].isSymbol('(')) {
            const size_t c = matchingParen(t, i);
            for (size_t k = i + 1; k < c; ++k)
                if (t[k].kind == SqlToken::Number)
                    args << t[k].text.toInt();
                else if (t[k].is("max"))
                    args << 0;
            i = c + 1;
        }
        bool identity = false, hasCollate = false;
        Tokens attrs;
        for (size_t k = i; k < to; ++k) {
            if (t[k].is("identity")) {
                identity = true;
                const size_t p = nextSig(t, k + 1);
                if (p < to && t[p].isSymbol('('))
                    k = matchingParen(t, p);
                continue;
            }
            if (t[k].is("collate"))
                hasCollate = true;
            attrs.push_back(t[k]);
        }
        out.push_back({SqlToken::Quoted, quoteName(rule.name)});
        out.push_back(space());
        const QString sqliteType = mapType(typeName, args, rule);
        if (identity) {
            // The identity is the row id: numbered from 1, never reused.
            out.push_back(word(QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT")));
            Tokens filtered;
            for (size_t k = 0; k < attrs.size(); ++k) {
                if (attrs[k].is("primary")) {
                    const size_t n = nextSig(attrs, k + 1);
                    if (n < attrs.size() && attrs[n].is("key"))
                        k = n;
                    continue;
                }
                filtered.push_back(attrs[k]);
            }
            attrs = filtered;
            rule.kind = ColumnRule::None;
        } else {
            out.push_back(word(sqliteType));
            if (rule.kind == ColumnRule::Text && !hasCollate)
                out.push_back(word(QStringLiteral(" COLLATE Chinese_PRC_CI_AS")));
            if (rule.kind == ColumnRule::DateTime)
                out.push_back(word(QStringLiteral(" COLLATE zt_datetime")));
        }
        out.push_back(space());
        appendFiltered(out, attrs, 0, attrs.size());
        rules.push_back(rule);
    }
    out.push_back(symbol(QStringLiteral(")")));

    Translation tr;
    tr.statements.push_back({joinTokens(out)});
    for (const QString& trig : ruleTriggers(table, rules))
        tr.statements.push_back({trig});
    tr.atomic = tr.statements.size() > 1;
    return tr;
}

// ALTER TABLE t [WITH NOCHECK] ADD CONSTRAINT name PRIMARY KEY|UNIQUE (cols):
// the key becomes a unique index of the constraint's name, which the object
// catalogue lists like the server's key constraint.
Translation translateAlterTable(const Tokens& t, size_t nameAt)
{
    const QString table = t[nameAt].name();
    size_t i = nextSig(t, nameAt + 1);
    if (i < t.size() && t[i].is("with"))
        i = nextSig(t, nextSig(t, i + 1) + 1);
    if (i < t.size() && t[i].is("add")) {
        size_t c = nextSig(t, i + 1);
        QString constraintName;
        if (c < t.size() && t[c].is("constraint")) {
            const size_t n = nextSig(t, c + 1);
            constraintName = t[n].name();
            c = nextSig(t, n + 1);
        }
        size_t open = c;
        while (open < t.size() && !t[open].isSymbol('('))
            ++open;
        const bool key = c < t.size() && (t[c].is("primary") || t[c].is("unique"));
        if (key && open < t.size()) {
            const size_t close = matchingParen(t, open);
            if (constraintName.isEmpty())
                constraintName = QStringLiteral("UQ_%1").arg(table);
            Translation tr;
            tr.statements.push_back({QStringLiteral("CREATE UNIQUE INDEX %1 ON %2 (%3)")
                                         .arg(quoteName(constraintName), quoteName(table), tokensText(t, open + 1, close))});
            return tr;
        }
    }
    return {{{joinTokens(t)}}, false};
}

Translation translateStatement(Tokens t, const ColumnKinds* kinds, SqlDialect dialect)
{
    size_t first = nextSig(t, 0);
    if (first >= t.size())
        return {};
    size_t second = nextSig(t, first + 1);
    size_t third = second < t.size() ? nextSig(t, second + 1) : t.size();

    const bool pg = dialect == SqlDialect::Postgres;
    if (t[first].is("create") && second < t.size() && t[second].is("table") && third < t.size())
        return pg ? pgCreateTable(t, third) : translateCreateTable(t, third);
    if (t[first].is("alter") && second < t.size() && t[second].is("table") && third < t.size())
        return pg ? pgAlterTable(t, third, kinds) : translateAlterTable(t, third);
    if (pg && t[first].is("create") && isIndexStart(t, second))
        return pgCreateIndex(t, second, kinds);

    t = PlusRewriter(t, kinds).statement();
    first = nextSig(t, 0);
    second = nextSig(t, first + 1);
    third = second < t.size() ? nextSig(t, second + 1) : t.size();
    if (t[first].is("alter") && second < t.size() && t[second].is("view") && third < t.size()) {
        // ALTER VIEW replaces the definition; it fails, as on the server, when
        // the view does not exist or the new definition names a missing table.
        const QString view = t[third].name();
        t[first] = word(QStringLiteral("CREATE"));
        Translation tr;
        tr.atomic = true;
        tr.statements.push_back({QStringLiteral("DROP VIEW %1").arg(pg ? pgName(view) : quoteName(view))});
        if (pg)
            pgRewrite(t, kinds);
        tr.statements.push_back({joinTokens(t)});
        if (!pg)
            tr.statements.push_back({QStringLiteral("SELECT * FROM %1").arg(quoteName(view)), true});
        return tr;
    }
    if (t[first].is("insert") && second < t.size() && t[second].isName() && !t[second].is("into")) {
        t.insert(t.begin() + long(second), {word(QStringLiteral("INTO")), space()});
    } else if (t[first].is("delete") && second < t.size() && t[second].isName() && !t[second].is("from")) {
        t.insert(t.begin() + long(second), {word(QStringLiteral("FROM")), space()});
    } else if (t[first].is("select") && second < t.size() && t[second].is("top") && third < t.size() &&
               t[third].kind == SqlToken::Number) {
        // SELECT TOP n ... becomes ... LIMIT n.
        const QString n = t[third].text;
        t.erase(t.begin() + long(second), t.begin() + long(third) + 1);
        t.push_back(space());
        t.push_back(word(QStringLiteral("LIMIT ") + n));
    }
    if (pg)
        pgRewrite(t, kinds);
    return {{{joinTokens(t)}}, false};
}

} // namespace

Translation translateTsql(const QString& tsql, const ColumnKinds* kinds, SqlDialect dialect)
{
    QStringList order;
    for (const SqlToken& t : tokenizeSql(tsql))
        if (t.kind == SqlToken::Param && !order.contains(t.text.mid(1).toLower()))
            order << t.text.mid(1).toLower();

    Translation all;
    int sources = 0;
    for (const Tokens& stmt : splitStatements(rewriteTokens(tokenizeSql(tsql), order, kinds))) {
        Translation one = translateStatement(stmt, kinds, dialect);
        if (one.statements.empty())
            continue;
        ++sources;
        all.atomic = all.atomic || one.atomic;
        for (SqliteStatement& s : one.statements)
            all.statements.push_back(std::move(s));
    }
    all.atomic = all.atomic && sources >= 1;
    return all;
}
