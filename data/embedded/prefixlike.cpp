#include "prefixlike.h"

#include "../sqltokens.h"

#include <sqlite3.h>

namespace {

using Tokens = std::vector<SqlToken>;

// The bytes of U+1FFFFF as the collation decodes them: above every code
// point a text can hold, so it sorts after every character.
const char kAfterEverything[] = "\xF7\xBF\xBF\xBF";

bool isAnyWord(const SqlToken& t, std::initializer_list<const char*> words) {
    for (const char* w : words)
        if (t.is(w))
            return true;
    return false;
}

// What may stand before the column for "column LIKE pattern" to be the
// whole operand of the LIKE: nothing that binds tighter than LIKE does.
bool opensOperand(const Tokens& t, size_t i) {
    if (i >= t.size())
        return true;
    return t[i].isSymbol('(') || t[i].isSymbol(',') ||
           isAnyWord(t[i], {"where", "and", "or", "on", "when", "not", "having", "then", "else"});
}

// What may follow the pattern: nothing that would take it as its operand,
// and no ESCAPE.
bool closesOperand(const Tokens& t, size_t i) {
    if (i >= t.size())
        return true;
    return t[i].isSymbol(')') || t[i].isSymbol(',') || t[i].isSymbol(';') ||
           isAnyWord(t[i], {"and", "or", "order", "group", "having", "union", "except", "intersect",
                            "limit", "then", "when", "else", "end"});
}

QString unquote(const QString& literal) {
    return literal.mid(1, literal.size() - 2).replace(QLatin1String("''"), QLatin1String("'"));
}

// The pattern text of a LIKE's right side starting at r: a literal or a
// bound text parameter. last is set to the pattern's last token.
bool patternAt(const Tokens& t, size_t r, const std::vector<BoundParam>& params, QString* pattern,
               size_t* last) {
    if (r >= t.size())
        return false;
    if (t[r].kind == SqlToken::String && t[r].text.startsWith(QLatin1Char('\''))) {
        *pattern = unquote(t[r].text);
        *last = r;
        return true;
    }
    if (!t[r].isSymbol('?') || r + 1 >= t.size() || t[r + 1].kind != SqlToken::Number)
        return false;
    bool ok = false;
    const int n = t[r + 1].text.toInt(&ok);
    if (!ok || n < 1 || size_t(n) > params.size())
        return false;
    const BoundParam& p = params[size_t(n - 1)];
    if (p.kind != ParamKind::Text || p.value.typeId() != QMetaType::QString)
        return false;
    *pattern = p.value.toString();
    *last = r + 1;
    return true;
}

void fnLikeBound(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    int n = sqlite3_value_bytes(argv[0]);
    if (n > 0 && p[n - 1] == '%')
        --n;
    std::string bound(p, size_t(n));
    if (sqlite3_user_data(ctx))
        bound += kAfterEverything;
    sqlite3_result_text(ctx, bound.data(), int(bound.size()), SQLITE_TRANSIENT);
}

} // namespace

bool isPrefixPattern(const QString& pattern) {
    if (pattern.size() < 2 || !pattern.endsWith(QLatin1Char('%')))
        return false;
    const QStringView prefix = QStringView(pattern).chopped(1);
    return !prefix.contains(QLatin1Char('%')) && !prefix.contains(QLatin1Char('_')) &&
           !prefix.contains(QChar(0)) && !prefix.trimmed().isEmpty();
}

QString addPrefixRanges(const QString& sql, const std::vector<BoundParam>& params,
                        const QSet<QString>& textColumns) {
    if (!sql.contains(QLatin1String("like"), Qt::CaseInsensitive))
        return sql;
    Tokens t = tokenizeSql(sql);
    const size_t first = nextSig(t, 0);
    // Definitions are stored as written: a view keeps its plain LIKE.
    if (first >= t.size() || isAnyWord(t[first], {"create", "alter", "drop"}))
        return sql;
    // A derived table's column may hold numbers under a text column's name:
    // a statement reading one keeps its plain LIKEs.
    if (t[first].is("with"))
        return sql;
    for (size_t i = 0; i < t.size(); ++i) {
        if (!t[i].isSymbol('('))
            continue;
        const size_t before = prevSig(t, i);
        const size_t after = nextSig(t, i + 1);
        if (before < t.size() && after < t.size() && t[after].is("select") &&
            (t[before].is("from") || t[before].is("join") || t[before].isSymbol(',')))
            return sql;
    }
    bool changed = false;
    for (size_t i = 0; i < t.size(); ++i) {
        if (!t[i].is("like"))
            continue;
        const size_t column = prevSig(t, i);
        if (column >= t.size() || !t[column].isName() ||
            !textColumns.contains(t[column].name().toLower()))
            continue;
        size_t start = column;
        const size_t dot = prevSig(t, column);
        if (dot < t.size() && t[dot].isSymbol('.')) {
            start = prevSig(t, dot);
            if (start >= t.size() || !t[start].isName())
                continue;
        }
        if (!opensOperand(t, prevSig(t, start)))
            continue;
        QString pattern;
        size_t last = 0;
        const size_t r = nextSig(t, i + 1);
        if (!patternAt(t, r, params, &pattern, &last) || !isPrefixPattern(pattern) ||
            !closesOperand(t, nextSig(t, last + 1)))
            continue;
        QString col, pat;
        for (size_t k = start; k <= column; ++k)
            col += t[k].text;
        for (size_t k = r; k <= last; ++k)
            pat += t[k].text;
        const QString range =
            QStringLiteral("(%1 LIKE %2 AND %1 >= zt_like_lo(%2) COLLATE Chinese_PRC_CI_AS "
                           "AND %1 < zt_like_hi(%2) COLLATE Chinese_PRC_CI_AS)")
                .arg(col, pat);
        t.erase(t.begin() + long(start) + 1, t.begin() + long(last) + 1);
        t[start] = {SqlToken::Symbol, range};
        i = start;
        changed = true;
    }
    return changed ? joinTokens(t) : sql;
}

void registerPrefixFunctions(sqlite3* db) {
    static int hi = 1;
    sqlite3_create_function_v2(db, "zt_like_lo", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                               fnLikeBound, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "zt_like_hi", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, &hi,
                               fnLikeBound, nullptr, nullptr, nullptr);
}
