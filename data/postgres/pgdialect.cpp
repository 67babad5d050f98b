#include "pgdialect.h"

#include "../sqlvalue.h"

#include <QRegularExpression>
#include <QSet>

#include <functional>

namespace {

using Tokens = std::vector<SqlToken>;

SqlToken word(const QString& text) { return {SqlToken::Word, text}; }
SqlToken symbol(const QString& text) { return {SqlToken::Symbol, text}; }

bool isPlainIdentifier(const QString& name)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return plain.match(name).hasMatch();
}

QString lowerAscii(const QString& s)
{
    QString out = s;
    for (QChar& c : out)
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + 32);
    return out;
}

bool isAnyWord(const SqlToken& t, std::initializer_list<const char*> words)
{
    for (const char* w : words)
        if (t.is(w))
            return true;
    return false;
}

// ---- Operands ------------------------------------------------------------

// An operand next to an operator: a literal, a parameter, a name (maybe
// qualified), a call or a parenthesised expression; [from, to] inclusive.
struct Operand {
    size_t from = 0, to = 0;
    bool valid = false;
};

bool isKeyword(const SqlToken& t)
{
    return isAnyWord(t, {"select", "from", "where", "and", "or", "not", "between", "in", "like", "is", "as",
                         "on", "then", "when", "else", "end", "case", "by", "having", "union", "all", "set",
                         "values", "into", "join", "exists", "escape", "null", "distinct", "top", "order",
                         "group", "with", "any", "some", "update", "delete", "insert"});
}

Operand operandBefore(const Tokens& t, size_t op)
{
    Operand o;
    size_t i = prevSig(t, op);
    if (i >= t.size())
        return o;
    o.to = i;
    if (t[i].isSymbol(')')) {
        int depth = 0;
        size_t k = i;
        for (;; --k) {
            if (t[k].isSymbol(')'))
                ++depth;
            else if (t[k].isSymbol('(') && --depth == 0)
                break;
            if (k == 0)
                return o;
        }
        const size_t name = prevSig(t, k);
        o.from = (name < t.size() && t[name].kind == SqlToken::Word && !isKeyword(t[name])) ? name : k;
        o.valid = true;
        return o;
    }
    if (t[i].kind == SqlToken::String || t[i].kind == SqlToken::Number || t[i].kind == SqlToken::Param) {
        o.from = i;
        o.valid = true;
        return o;
    }
    if (!t[i].isName() || isKeyword(t[i]))
        return o;
    o.from = i;
    while (true) {
        const size_t dot = prevSig(t, o.from);
        if (dot >= t.size() || !t[dot].isSymbol('.'))
            break;
        const size_t n = prevSig(t, dot);
        if (n >= t.size() || !t[n].isName())
            break;
        o.from = n;
    }
    o.valid = true;
    return o;
}

Operand operandAt(const Tokens& t, size_t i)
{
    Operand o;
    if (i >= t.size())
        return o;
    o.from = i;
    if (t[i].isSymbol('(')) {
        o.to = matchingParen(t, i);
        o.valid = o.to < t.size();
        return o;
    }
    if (t[i].kind == SqlToken::String || t[i].kind == SqlToken::Number || t[i].kind == SqlToken::Param) {
        o.to = i;
        o.valid = true;
        return o;
    }
    if (!t[i].isName() || isKeyword(t[i]))
        return o;
    const size_t open = nextSig(t, i + 1);
    if (t[i].kind == SqlToken::Word && open < t.size() && t[open].isSymbol('(')) {
        o.to = matchingParen(t, open);
        o.valid = o.to < t.size();
        return o;
    }
    o.to = i;
    while (true) {
        const size_t dot = nextSig(t, o.to + 1);
        if (dot >= t.size() || !t[dot].isSymbol('.'))
            break;
        const size_t n = nextSig(t, dot + 1);
        if (n >= t.size() || !t[n].isName())
            break;
        o.to = n;
    }
    o.valid = true;
    return o;
}

// What an operand is known to hold before the statement runs.
enum class Held { Unknown, TextColumn, CaseTextColumn, Text, Number, NumberLiteral };
bool isTextColumn(Held h) { return h == Held::TextColumn || h == Held::CaseTextColumn; }

Held heldBy(const Tokens& t, const Operand& o, const ColumnKinds* kinds)
{
    const SqlToken& first = t[o.from];
    if (o.from == o.to) {
        switch (first.kind) {
        case SqlToken::String:
            return Held::Text;
        case SqlToken::Number:
            return Held::NumberLiteral;
        case SqlToken::Param:
            return first.text.startsWith(QLatin1String("zt_")) ? Held::Number : Held::Unknown;
        default:
            break;
        }
    }
    if (first.kind == SqlToken::Word && o.from != o.to && nextSig(t, o.from + 1) < t.size() &&
        t[nextSig(t, o.from + 1)].isSymbol('(')) {
        if (isAnyWord(first, {"rtrim", "ltrim", "upper", "lower", "substring", "left", "right", "replace"}))
            return Held::TextColumn;
        if (isAnyWord(first, {"count", "sum", "len", "year", "month", "day", "datepart", "datediff", "getdate",
                              "dateadd", "zt_num", "zt_dtarg", "abs", "floor", "round", "avg"}))
            return Held::Number;
        return Held::Unknown;
    }
    if (!first.isName() || !kinds)
        return Held::Unknown;
    switch (kinds->value(t[o.to].name().toLower(), 0)) {
    case 't':
        return Held::TextColumn;
    case 's':
        return Held::CaseTextColumn;
    case 'n':
    case 'i':
    case 'f':
    case 'd':
        return Held::Number;
    default:
        return Held::Unknown;
    }
}

// Marks to add around token ranges: "zt_key(" (or, for a column whose
// letter case counts, "zt_cskey(") before, ")" after.
struct Wraps {
    explicit Wraps(size_t n) : opens(n), closes(n, 0) {}
    std::vector<QStringList> opens;
    std::vector<int> closes;
    void add(Tokens& t, const Operand& o, bool caseCounts = false)
    {
        // A number compared with a text is compared as a text.
        if (o.from == o.to && t[o.from].kind == SqlToken::Number)
            t[o.from] = {SqlToken::String, QLatin1Char('\'') + t[o.from].text + QLatin1Char('\'')};
        opens[o.from] << (caseCounts ? QStringLiteral("zt_cskey") : QStringLiteral("zt_key"));
        ++closes[o.to];
    }
};

bool isComparison(const SqlToken& t)
{
    if (t.kind != SqlToken::Symbol)
        return false;
    static const QSet<QString> ops = {"=", "<>", "!=", "<", ">", "<=", ">=", "!<", "!>"};
    return ops.contains(t.text);
}

// The "=" of each assignment in an UPDATE's SET list, which is no comparison.
std::vector<bool> assignments(const Tokens& t)
{
    std::vector<bool> out(t.size(), false);
    const size_t first = nextSig(t, 0);
    if (first >= t.size() || !t[first].is("update"))
        return out;
    int depth = 0;
    bool inSet = false;
    for (size_t i = first; i < t.size(); ++i) {
        if (t[i].isSymbol('('))
            ++depth;
        else if (t[i].isSymbol(')'))
            --depth;
        else if (depth == 0 && t[i].is("set"))
            inSet = true;
        else if (depth == 0 && (t[i].is("where") || t[i].is("from")))
            inSet = false;
        else if (depth == 0 && inSet && t[i].isSymbol('='))
            out[i] = true;
    }
    return out;
}

// Comparisons, IN lists and BETWEEN over text columns.
void keyTextComparisons(Tokens& t, const ColumnKinds* kinds, Wraps& w)
{
    const std::vector<bool> assigned = assignments(t);
    for (size_t i = 0; i < t.size(); ++i) {
        if (isComparison(t[i]) && !assigned[i]) {
            if (t[i].text == QLatin1String("!<"))
                t[i].text = QStringLiteral(">=");
            else if (t[i].text == QLatin1String("!>"))
                t[i].text = QStringLiteral("<=");
            const Operand l = operandBefore(t, i);
            const Operand r = operandAt(t, nextSig(t, i + 1));
            if (!l.valid || !r.valid)
                continue;
            const Held a = heldBy(t, l, kinds), b = heldBy(t, r, kinds);
            if ((isTextColumn(a) && b != Held::Number) || (isTextColumn(b) && a != Held::Number)) {
                // A number literal compared with a text column is compared as a text.
                const bool cs = a == Held::CaseTextColumn || b == Held::CaseTextColumn;
                w.add(t, l, cs);
                w.add(t, r, cs);
            }
            continue;
        }
        const bool in = t[i].is("in"), between = t[i].is("between");
        if (!in && !between)
            continue;
        const Operand l = operandBefore(t, t[prevSig(t, i)].is("not") ? prevSig(t, i) : i);
        const Held held = l.valid ? heldBy(t, l, kinds) : Held::Unknown;
        if (!isTextColumn(held))
            continue;
        std::vector<Operand> items;
        if (between) {
            const Operand a = operandAt(t, nextSig(t, i + 1));
            if (!a.valid)
                continue;
            const size_t andAt = nextSig(t, a.to + 1);
            if (andAt >= t.size() || !t[andAt].is("and"))
                continue;
            const Operand b = operandAt(t, nextSig(t, andAt + 1));
            if (!b.valid)
                continue;
            items = {a, b};
        } else {
            const size_t open = nextSig(t, i + 1);
            if (open >= t.size() || !t[open].isSymbol('(') || t[nextSig(t, open + 1)].is("select"))
                continue;
            const size_t close = matchingParen(t, open);
            size_t k = nextSig(t, open + 1);
            while (k < close) {
                const Operand item = operandAt(t, k);
                if (!item.valid || nextSig(t, item.to + 1) > close) {
                    items.clear();
                    break;
                }
                const size_t after = nextSig(t, item.to + 1);
                if (after != close && !t[after].isSymbol(',')) {
                    items.clear();
                    break;
                }
                items.push_back(item);
                k = nextSig(t, after + 1);
            }
            if (items.empty())
                continue;
        }
        w.add(t, l, held == Held::CaseTextColumn);
        for (const Operand& o : items)
            w.add(t, o, held == Held::CaseTextColumn);
    }
}

QString textOf(const Tokens& t, const Operand& o)
{
    QString text;
    for (size_t k = o.from; k <= o.to; ++k)
        text += t[k].text;
    return text;
}

// LIKE as the program means it: letter case ignored; no escape character
// unless one is named. A number or date column is searched as its text.
// A text column searched with a pattern that may ask only for its start
// ("10%") is also bounded by the range of keys that start (zt_like_lo and
// zt_like_hi, every key for another pattern), so that its key index is read
// instead of every row; the ILIKE still decides.
void ilike(Tokens& t, const ColumnKinds* kinds, Wraps& w, std::vector<std::pair<size_t, QString>>& after)
{
    for (size_t i = 0; i < t.size(); ++i) {
        if (!t[i].is("like"))
            continue;
        t[i].text = QStringLiteral("ILIKE");
        const bool negated = t[prevSig(t, i)].is("not");
        const Operand l = operandBefore(t, negated ? prevSig(t, i) : i);
        const Held held = l.valid ? heldBy(t, l, kinds) : Held::Unknown;
        if (held == Held::Number) {
            t[l.from].text.prepend(QStringLiteral("CAST("));
            t[l.to].text.append(QStringLiteral(" AS text)"));
        }
        const Operand p = operandAt(t, nextSig(t, i + 1));
        if (!p.valid)
            continue;
        const size_t next = nextSig(t, p.to + 1);
        if (next < t.size() && t[next].is("escape"))
            continue;
        QString text = QStringLiteral(" ESCAPE ''");
        const bool plainPattern = p.from == p.to && (t[p.from].kind == SqlToken::Param || t[p.from].kind == SqlToken::String);
        if (!negated && held == Held::TextColumn && plainPattern && t[l.from].isName() && w.opens[l.from].isEmpty() &&
            w.closes[l.to] == 0 && w.closes[p.to] == 0) {
            const QString column = textOf(t, l), pattern = t[p.from].text;
            w.opens[l.from] << QString(); // "(" alone: the range ends it
            text += QStringLiteral(" AND zt_key(%1) >= zt_like_lo(%2) AND zt_key(%1) < zt_like_hi(%2))").arg(column, pattern);
        }
        after.push_back({p.to, text});
    }
}

// ORDER BY a text column orders by its key. Left alone where the server
// allows only the select list's names (after UNION, with DISTINCT).
void keyOrderBy(Tokens& t, const ColumnKinds* kinds, Wraps& w)
{
    size_t orderAt = t.size();
    int depth = 0;
    QSet<QString> aliases;
    for (size_t i = 0; i < t.size(); ++i) {
        if (t[i].isSymbol('('))
            ++depth;
        else if (t[i].isSymbol(')'))
            --depth;
        if (depth != 0)
            continue;
        if (t[i].is("union") || t[i].is("distinct") || t[i].is("intersect") || t[i].is("except"))
            return;
        if (t[i].is("as")) {
            const size_t n = nextSig(t, i + 1);
            if (n < t.size() && t[n].isName())
                aliases.insert(t[n].name().toLower());
        }
        if (t[i].is("order")) {
            const size_t by = nextSig(t, i + 1);
            if (by < t.size() && t[by].is("by"))
                orderAt = nextSig(t, by + 1);
        }
    }
    size_t k = orderAt;
    while (k < t.size()) {
        const Operand o = operandAt(t, k);
        if (!o.valid)
            return;
        size_t after = nextSig(t, o.to + 1);
        const bool alone = after >= t.size() || t[after].isSymbol(',') || isAnyWord(t[after], {"asc", "desc", "limit"});
        if (alone && t[o.from].isName() && !(o.from == o.to && aliases.contains(t[o.from].name().toLower())) &&
            isTextColumn(heldBy(t, o, kinds)) && !t[o.from].is("zt_key"))
            w.add(t, o, heldBy(t, o, kinds) == Held::CaseTextColumn);
        while (after < t.size() && !t[after].isSymbol(','))
            after = nextSig(t, after + 1);
        if (after >= t.size())
            return;
        k = nextSig(t, after + 1);
    }
}

// The name a plain column reference stands for, "a.manid" or "manid"; empty
// for anything else (a call, a literal, an expression).
QString refName(const Tokens& t, const Operand& o)
{
    QString name;
    for (size_t k = o.from; k <= o.to; ++k) {
        if (t[k].kind == SqlToken::Space)
            continue;
        if (t[k].isSymbol('.'))
            name += QLatin1Char('.');
        else if (t[k].isName() && !(t[k].kind == SqlToken::Word && nextSig(t, k + 1) < t.size() &&
                                    t[nextSig(t, k + 1)].isSymbol('(')))
            name += t[k].name().toLower();
        else
            return {};
    }
    return name;
}

// Where the clause that starts at `from` ends: the next of `ends` at the
// same depth, a closing parenthesis of an outer level, or the end.
size_t clauseEnd(const Tokens& t, size_t from, std::initializer_list<const char*> ends)
{
    int depth = 0;
    for (size_t k = from; k < t.size(); ++k) {
        if (t[k].isSymbol('('))
            ++depth;
        else if (t[k].isSymbol(')') && --depth < 0)
            return k;
        else if (depth == 0 && (t[k].isSymbol(';') || isAnyWord(t[k], ends)))
            return k;
    }
    return t.size();
}

// Wraps each reference to one of `grouped` in [from, to) that stands outside
// an aggregate and a subquery in min(); a select item that is only such a
// reference keeps its column's name.
void minOfGrouped(const Tokens& t, size_t from, size_t to, const QSet<QString>& grouped, Wraps& w,
                  std::vector<QString>& after, bool selectList)
{
    size_t itemStart = nextSig(t, from);
    while (itemStart < to && isAnyWord(t[itemStart], {"distinct", "all", "top"})) {
        const bool top = t[itemStart].is("top");
        itemStart = nextSig(t, itemStart + 1);
        if (top && itemStart < to)
            itemStart = nextSig(t, (t[itemStart].isSymbol('(') ? matchingParen(t, itemStart) : itemStart) + 1);
    }
    for (size_t k = itemStart; k < to; ++k) {
        if (t[k].isSymbol(',')) {
            itemStart = nextSig(t, k + 1);
            continue;
        }
        const size_t n = nextSig(t, k + 1);
        const bool call = t[k].kind == SqlToken::Word && n < t.size() && t[n].isSymbol('(');
        if ((call && isAnyWord(t[k], {"sum", "count", "min", "max", "avg"})) ||
            (t[k].isSymbol('(') && n < t.size() && t[n].is("select"))) {
            k = matchingParen(t, call ? n : k);
            continue;
        }
        if (!t[k].isName() || isKeyword(t[k]) || call)
            continue;
        const Operand o = operandAt(t, k);
        if (!o.valid)
            continue;
        if (grouped.contains(refName(t, o))) {
            w.opens[o.from] << QStringLiteral("min");
            ++w.closes[o.to];
            const size_t next = nextSig(t, o.to + 1);
            if (selectList && o.from == itemStart && (next >= to || t[next].isSymbol(',')))
                after[o.to] += QStringLiteral(" AS ") + t[o.to].name().toLower();
        }
        k = o.to;
    }
}

// GROUP BY a text column groups by its key, as the server groups spellings
// that differ only in letter case or trailing blanks; the level's select
// list, HAVING and ORDER BY then show the group's column through min().
void keyGroupBy(Tokens& t, const ColumnKinds* kinds, Wraps& w, std::vector<QString>& after)
{
    for (size_t g = 0; g < t.size(); ++g) {
        const size_t by = nextSig(t, g + 1);
        if (!t[g].is("group") || by >= t.size() || !t[by].is("by"))
            continue;
        // The SELECT of this level (back over parenthesised parts), and
        // whether a UNION of this level comes before it.
        size_t select = t.size();
        bool unionBefore = false;
        int depth = 0;
        for (size_t k = g; k-- > 0;) {
            if (t[k].isSymbol(')'))
                ++depth;
            else if (t[k].isSymbol('(') && --depth < 0)
                break;
            else if (depth == 0 && select == t.size() && t[k].is("select"))
                select = k;
            else if (depth == 0 && select < t.size() && isAnyWord(t[k], {"union", "intersect", "except"}))
                unionBefore = true;
        }
        if (select >= t.size())
            continue;
        const size_t from = clauseEnd(t, select + 1, {"from"});
        const size_t end = clauseEnd(t, by + 1, {"having", "order", "union", "limit", "intersect", "except"});
        QSet<QString> grouped;
        for (size_t k = nextSig(t, by + 1); k < end;) {
            const Operand o = operandAt(t, k);
            if (!o.valid)
                break;
            size_t next = nextSig(t, o.to + 1);
            const Held held = heldBy(t, o, kinds);
            const QString name = refName(t, o);
            if (!name.isEmpty() && isTextColumn(held) && (next >= end || t[next].isSymbol(','))) {
                grouped.insert(name);
                w.add(t, o, held == Held::CaseTextColumn);
            }
            while (next < end && !t[next].isSymbol(','))
                next = nextSig(t, next + 1);
            k = next < end ? nextSig(t, next + 1) : end;
        }
        if (grouped.isEmpty())
            continue;
        minOfGrouped(t, select + 1, from, grouped, w, after, true);
        // After a UNION the ORDER BY is the whole union's, by its columns.
        const size_t tail = unionBefore ? clauseEnd(t, end, {"order", "union", "limit", "intersect", "except"})
                                        : clauseEnd(t, end, {"union", "limit", "intersect", "except"});
        minOfGrouped(t, end, tail, grouped, w, after, false);
        g = end;
    }
}

QString castType(const SqlToken& ty)
{
    if (isAnyWord(ty, {"datetime", "datetime2"}))
        return QStringLiteral("timestamp(3)");
    if (ty.is("smalldatetime"))
        return QStringLiteral("timestamp(0)");
    if (ty.is("money"))
        return QStringLiteral("numeric(19,4)");
    if (ty.is("smallmoney"))
        return QStringLiteral("numeric(10,4)");
    if (ty.is("nvarchar"))
        return QStringLiteral("varchar");
    if (ty.is("nchar"))
        return QStringLiteral("char");
    if (ty.is("ntext"))
        return QStringLiteral("text");
    if (isAnyWord(ty, {"tinyint", "bit"}))
        return QStringLiteral("smallint");
    if (ty.is("float"))
        return QStringLiteral("double precision");
    return QString();
}

// ---- Tables ----------------------------------------------------------------

struct PgType {
    QString sql;
    char kind = 0; // t, n, i, f, d
    int width = 0; // of a text, in GBK bytes
};

PgType pgType(const QString& typeName, const QList<int>& args)
{
    const QString t = typeName.toLower();
    if (t == "int" || t == "integer")
        return {QStringLiteral("integer"), 'i'};
    if (t == "bigint")
        return {QStringLiteral("bigint"), 'i'};
    if (t == "smallint" || t == "tinyint" || t == "bit")
        return {QStringLiteral("smallint"), 'i'};
    if (t == "char" || t == "varchar" || t == "nchar" || t == "nvarchar") {
        const int width = args.isEmpty() ? 1 : args[0];
        return {QStringLiteral("varchar"), 't', width > 0 ? (t.startsWith(QLatin1Char('n')) ? width * 2 : width) : 0};
    }
    if (t == "text" || t == "ntext")
        return {QStringLiteral("text"), 't'};
    if (t == "money")
        return {QStringLiteral("numeric(19,4)"), 'n'};
    if (t == "smallmoney")
        return {QStringLiteral("numeric(10,4)"), 'n'};
    if (t == "numeric" || t == "decimal")
        return {QStringLiteral("numeric(%1,%2)").arg(args.value(0, 18)).arg(args.value(1, 0)), 'n'};
    if (t == "float" || t == "real" || t == "double")
        return {QStringLiteral("double precision"), 'f'};
    if (t == "datetime" || t == "datetime2" || t == "date")
        return {QStringLiteral("timestamp(3)"), 'd'};
    if (t == "smalldatetime")
        return {QStringLiteral("timestamp(0)"), 'd'};
    return {typeName.toLower()};
}

// A column list "(a, b)" as index keys: text columns by zt_key().
QString keyList(const Tokens& t, size_t open, size_t close, const std::function<bool(const QString&)>& isText)
{
    QStringList keys;
    for (size_t i = open + 1; i < close; ++i) {
        if (!t[i].isName() || t[i].is("asc") || t[i].is("desc"))
            continue;
        const QString col = t[i].name();
        keys << (isText(col) ? QStringLiteral("zt_key(%1)").arg(pgName(col)) : pgName(col));
    }
    return keys.join(QStringLiteral(", "));
}

// Copies a column's or constraint's words, leaving out what only SQL Server
// understands and giving names the server's form.
void appendAttributes(QString& out, const Tokens& t, size_t from, size_t to)
{
    for (size_t i = from; i < to; ++i) {
        const SqlToken& tok = t[i];
        if (isAnyWord(tok, {"clustered", "nonclustered", "rowguidcol"}))
            continue;
        if (tok.is("collate")) {
            i = nextSig(t, i + 1);
            continue;
        }
        if (tok.is("on")) {
            const size_t n = nextSig(t, i + 1);
            if (n < to && t[n].isName() && !t[n].is("update") && !t[n].is("delete")) {
                i = n;
                continue;
            }
        }
        if (tok.kind == SqlToken::Bracketed || tok.kind == SqlToken::Quoted)
            out += pgName(tok.name());
        else if (tok.is("dbo") && i + 1 < to && t[i + 1].isSymbol('.'))
            ++i;
        else
            out += tok.text;
    }
}

// Keeps a name as written, for the object catalogue.
QString writtenName(const QString& name)
{
    const auto literal = [](const QString& v) { return QLatin1Char('\'') + QString(v).replace(QLatin1Char('\''), QLatin1String("''")) + QLatin1Char('\''); };
    return QStringLiteral("INSERT INTO zt_names VALUES (%1, %2) ON CONFLICT (lowname) DO UPDATE SET written = EXCLUDED.written")
        .arg(literal(lowerAscii(name)), literal(name));
}

// COALESCE of a date-time column and a text that is no date: the date-time
// as its text, as the embedded engine keeps it.
void dateOrText(Tokens& t, const ColumnKinds* kinds)
{
    for (size_t i = 0; i < t.size(); ++i) {
        if (!t[i].is("coalesce"))
            continue;
        const size_t open = nextSig(t, i + 1);
        if (open >= t.size() || !t[open].isSymbol('('))
            continue;
        const Operand first = operandAt(t, nextSig(t, open + 1));
        if (!first.valid || !kinds || t[first.from].kind == SqlToken::String ||
            kinds->value(t[first.to].name().toLower()) != 'd')
            continue;
        const size_t comma = nextSig(t, first.to + 1);
        const size_t second = nextSig(t, comma + 1);
        if (comma >= t.size() || !t[comma].isSymbol(',') || second >= t.size() || t[second].kind != SqlToken::String)
            continue;
        const QString text = t[second].text.mid(1, t[second].text.size() - 2);
        if (!text.trimmed().isEmpty() && parseDateTimeText(text).isValid())
            continue;
        t[first.from].text.prepend(QStringLiteral("zt_dttext("));
        t[first.to].text.append(QLatin1Char(')'));
    }
}

} // namespace

QString pgName(const QString& name)
{
    return QLatin1Char('"') + lowerAscii(name).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

bool isIndexStart(const Tokens& t, size_t i)
{
    if (i >= t.size())
        return false;
    if (t[i].is("index"))
        return true;
    const size_t n = nextSig(t, i + 1);
    return (t[i].is("unique") || t[i].is("nonclustered") || t[i].is("clustered")) && isIndexStart(t, n);
}

Translation pgCreateTable(const Tokens& t, size_t nameAt)
{
    const QString table = t[nameAt].name();
    const size_t open = nextSig(t, nameAt + 1);
    if (open >= t.size() || !t[open].isSymbol('('))
        return {{{joinTokens(t)}}, false};
    const size_t close = matchingParen(t, open);
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

    QHash<QString, char> kinds;
    QStringList defs, keyIndexes, names;
    auto isText = [&](const QString& col) { return kinds.value(col.toLower()) == 't'; };
    // (a key over a text whose case counts stays the plain one)
    for (auto [from, to] : items) {
        const size_t f = nextSig(t, from);
        if (f >= to)
            continue;
        QString def;
        if (isAnyWord(t[f], {"constraint", "primary", "unique", "foreign", "check"})) {
            appendAttributes(def, t, f, to);
            size_t k = f;
            QString name;
            if (t[k].is("constraint")) {
                name = t[nextSig(t, k + 1)].name();
                names << name;
                k = nextSig(t, nextSig(t, k + 1) + 1);
            }
            if (t[k].is("primary") || t[k].is("unique")) {
                size_t p = k;
                while (p < to && !t[p].isSymbol('('))
                    ++p;
                if (p < to) {
                    const size_t c = matchingParen(t, p);
                    const QString keys = keyList(t, p, c, isText);
                    if (keys.contains(QLatin1String("zt_key(")))
                        keyIndexes << QStringLiteral("CREATE UNIQUE INDEX %1 ON %2 (%3)")
                                          .arg(pgName(QStringLiteral("zt_ci_") + (name.isEmpty() ? table : name)), pgName(table), keys);
                }
            }
            defs << def.trimmed();
            continue;
        }
        const QString col = t[f].name();
        size_t i = nextSig(t, f + 1);
        const QString typeName = i < to ? t[i].name() : QString();
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
        const PgType type = pgType(typeName, args);
        kinds.insert(col.toLower(), type.kind);
        def = pgName(col) + QLatin1Char(' ') + type.sql;
        QString key; // the column's unique key constraint, when it has one
        Tokens attrs;
        for (size_t k = i; k < to; ++k) {
            if (t[k].is("identity")) {
                const size_t p = nextSig(t, k + 1);
                if (p < to && t[p].isSymbol('('))
                    k = matchingParen(t, p);
                def += QStringLiteral(" GENERATED BY DEFAULT AS IDENTITY");
                continue;
            }
            if (t[k].is("constraint")) {
                const size_t n = nextSig(t, k + 1);
                const size_t what = nextSig(t, n + 1);
                if (what < to && (t[what].is("primary") || t[what].is("unique")))
                    key = t[n].name();
                names << t[n].name();
            } else if ((t[k].is("primary") || t[k].is("unique")) && key.isEmpty()) {
                key = QStringLiteral("%1_%2").arg(table, col);
            }
            attrs.push_back(t[k]);
        }
        def += QLatin1Char(' ');
        appendAttributes(def, attrs, 0, attrs.size());
        // A text whose letter case counts (a password) compares bytewise.
        for (size_t k = 0; k + 2 < attrs.size(); ++k)
            if (attrs[k].is("collate") && attrs[nextSig(attrs, k + 1)].name().contains(QLatin1String("_CS_"), Qt::CaseInsensitive)) {
                def += QStringLiteral(" COLLATE \"C\"");
                kinds.insert(col.toLower(), 's');
            }
        if (type.width > 0)
            def += QStringLiteral(" CONSTRAINT %1 CHECK (zt_gbk_len(%2) <= %3)")
                       .arg(pgName(QStringLiteral("zt_width_%1_%2").arg(table, col)), pgName(col))
                       .arg(type.width);
        if (!key.isEmpty() && type.kind == 't')
            keyIndexes << QStringLiteral("CREATE UNIQUE INDEX %1 ON %2 (zt_key(%3))")
                              .arg(pgName(QStringLiteral("zt_ci_") + key), pgName(table), pgName(col));
        defs << def.simplified();
    }
    Translation tr;
    tr.statements.push_back({QStringLiteral("CREATE TABLE %1 (\n    %2\n)").arg(pgName(table), defs.join(QStringLiteral(",\n    ")))});
    for (const QString& s : keyIndexes)
        tr.statements.push_back({s});
    names << table;
    for (const QString& name : names)
        tr.statements.push_back({writtenName(name)});
    tr.atomic = tr.statements.size() > 1;
    return tr;
}

Translation pgAlterTable(const Tokens& t, size_t nameAt, const ColumnKinds* kinds)
{
    const QString table = t[nameAt].name();
    size_t i = nextSig(t, nameAt + 1);
    if (i < t.size() && t[i].is("with"))
        i = nextSig(t, nextSig(t, i + 1) + 1);
    QString rest;
    appendAttributes(rest, t, i, t.size());
    Translation tr;
    tr.statements.push_back({QStringLiteral("ALTER TABLE %1 %2").arg(pgName(table), rest.trimmed())});
    // A key over text columns is also unique by zt_key().
    if (i < t.size() && t[i].is("add")) {
        size_t c = nextSig(t, i + 1);
        QString name = QStringLiteral("UQ_%1").arg(table);
        if (c < t.size() && t[c].is("constraint")) {
            name = t[nextSig(t, c + 1)].name();
            c = nextSig(t, nextSig(t, c + 1) + 1);
            tr.statements.push_back({writtenName(name)});
        }
        size_t open = c;
        while (open < t.size() && !t[open].isSymbol('('))
            ++open;
        if (c < t.size() && (t[c].is("primary") || t[c].is("unique")) && open < t.size()) {
            const QString keys = keyList(t, open, matchingParen(t, open),
                                         [&](const QString& col) { return kinds && kinds->value(col.toLower()) == 't'; });
            if (keys.contains(QLatin1String("zt_key(")))
                tr.statements.push_back({QStringLiteral("CREATE UNIQUE INDEX %1 ON %2 (%3)")
                                             .arg(pgName(QStringLiteral("zt_ci_") + name), pgName(table), keys)});
        }
    }
    tr.atomic = tr.statements.size() > 1;
    return tr;
}

Translation pgCreateIndex(const Tokens& t, size_t at, const ColumnKinds* kinds)
{
    bool unique = false;
    size_t i = at;
    while (i < t.size() && !t[i].is("index")) {
        unique = unique || t[i].is("unique");
        i = nextSig(t, i + 1);
    }
    const size_t nameAt = nextSig(t, i + 1);
    const size_t onAt = nextSig(t, nameAt + 1);
    size_t tableAt = nextSig(t, onAt + 1);
    if (tableAt + 2 < t.size() && t[tableAt].name().compare(QLatin1String("dbo"), Qt::CaseInsensitive) == 0 &&
        t[nextSig(t, tableAt + 1)].isSymbol('.'))
        tableAt = nextSig(t, nextSig(t, tableAt + 1) + 1);
    const size_t open = nextSig(t, tableAt + 1);
    if (nameAt >= t.size() || tableAt >= t.size() || open >= t.size() || !t[open].isSymbol('('))
        return {{{joinTokens(t)}}, false};
    const QString keys = keyList(t, open, matchingParen(t, open),
                                 [&](const QString& col) { return kinds && kinds->value(col.toLower()) == 't'; });
    return {{{QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
                  .arg(unique ? QStringLiteral("UNIQUE ") : QString(), pgName(t[nameAt].name()), pgName(t[tableAt].name()), keys)}},
            false};
}

void pgRewrite(Tokens& t, const ColumnKinds* kinds)
{
    // A common table expression may name itself without RECURSIVE on the
    // server; PostgreSQL asks for the word and accepts it on any WITH.
    const size_t first = nextSig(t, 0);
    if (first < t.size() && t[first].is("with") && !t[nextSig(t, first + 1)].is("recursive"))
        t[first].text = QStringLiteral("WITH RECURSIVE");
    for (size_t i = 0; i < t.size(); ++i) {
        SqlToken& tok = t[i];
        if (tok.kind == SqlToken::Bracketed || tok.kind == SqlToken::Quoted) {
            const QString name = tok.name();
            tok = isPlainIdentifier(name) ? word(lowerAscii(name)) : SqlToken{SqlToken::Quoted, pgName(name)};
            continue;
        }
        if (tok.kind != SqlToken::Word)
            continue;
        const size_t n = nextSig(t, i + 1);
        const bool call = n < t.size() && t[n].isSymbol('(');
        if (call && tok.is("ifnull"))
            tok.text = QStringLiteral("coalesce");
        else if (call && tok.is("char"))
            tok.text = QStringLiteral("chr");
        else if (call && tok.is("cast")) {
            const size_t close = matchingParen(t, n);
            for (size_t k = close; k > n; --k)
                if (t[k].is("as")) {
                    const size_t ty = nextSig(t, k + 1);
                    const QString mapped = ty < close ? castType(t[ty]) : QString();
                    if (!mapped.isEmpty())
                        t[ty].text = mapped;
                    break;
                }
        }
    }
    dateOrText(t, kinds);
    Wraps w(t.size());
    keyTextComparisons(t, kinds, w);
    keyOrderBy(t, kinds, w);
    std::vector<QString> after(t.size());
    keyGroupBy(t, kinds, w, after);
    std::vector<std::pair<size_t, QString>> escapes;
    ilike(t, kinds, w, escapes);
    for (const auto& [at, text] : escapes)
        after[at] += text;
    Tokens out;
    out.reserve(t.size() + 8);
    for (size_t i = 0; i < t.size(); ++i) {
        for (const QString& fn : w.opens[i]) {
            out.push_back(word(fn));
            out.push_back(symbol(QStringLiteral("(")));
        }
        out.push_back(t[i]);
        for (int k = 0; k < w.closes[i]; ++k)
            out.push_back(symbol(QStringLiteral(")")));
        if (!after[i].isEmpty())
            out.push_back({SqlToken::Space, after[i]});
    }
    t = std::move(out);
}
