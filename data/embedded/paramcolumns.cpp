#include "paramcolumns.h"

#include "../sqltokens.h"

#include <vector>

namespace {

// The statement's tokens without blanks and comments.
std::vector<SqlToken> meaningful(const QString& sql)
{
    std::vector<SqlToken> out;
    for (SqlToken& t : tokenizeSql(sql))
        if (t.kind != SqlToken::Space)
            out.push_back(std::move(t));
    return out;
}

// Reads "name" or "dbo.name" at i; answers the name, i past it.
QString tableName(const std::vector<SqlToken>& t, size_t& i)
{
    if (i >= t.size() || !t[i].isName())
        return {};
    QString name = t[i++].name();
    if (i + 1 < t.size() && t[i].isSymbol('.') && t[i + 1].isName()) {
        name = t[i + 1].name();
        i += 2;
    }
    return name;
}

// Reads a comma-separated list of items up to the closing bracket at depth 0,
// each item as its tokens; i ends past the bracket. False when unbalanced.
bool bracketedList(const std::vector<SqlToken>& t, size_t& i, std::vector<std::vector<SqlToken>>& items)
{
    if (i >= t.size() || !t[i].isSymbol('('))
        return false;
    ++i;
    items.emplace_back();
    int depth = 0;
    for (; i < t.size(); ++i) {
        if (t[i].isSymbol('('))
            ++depth;
        else if (t[i].isSymbol(')') && depth-- == 0) {
            ++i;
            return true;
        } else if (t[i].isSymbol(',') && depth == 0) {
            items.emplace_back();
            continue;
        }
        items.back().push_back(t[i]);
    }
    return false;
}

// The select list after "select" at i, up to FROM, WHERE or the end.
std::vector<std::vector<SqlToken>> selectList(const std::vector<SqlToken>& t, size_t i)
{
    std::vector<std::vector<SqlToken>> items(1);
    int depth = 0;
    for (; i < t.size(); ++i) {
        if (depth == 0 && (t[i].is("from") || t[i].is("where") || t[i].isSymbol(';')))
            break;
        if (t[i].isSymbol('('))
            ++depth;
        else if (t[i].isSymbol(')'))
            --depth;
        else if (t[i].isSymbol(',') && depth == 0) {
            items.emplace_back();
            continue;
        }
        items.back().push_back(t[i]);
    }
    return items;
}

ParamColumns matched(const QString& table, const QStringList& columns, const std::vector<std::vector<SqlToken>>& values,
                     const std::vector<SqlToken>& all)
{
    ParamColumns out;
    if (columns.size() != int(values.size()))
        return out;
    // How often each parameter appears in the whole statement.
    QHash<QString, int> uses;
    for (const SqlToken& tok : all)
        if (tok.kind == SqlToken::Param)
            ++uses[tok.text.mid(1).toLower()];
    for (int c = 0; c < columns.size(); ++c) {
        const std::vector<SqlToken>& v = values[size_t(c)];
        if (v.size() == 1 && v[0].kind == SqlToken::Param)
            out.columns[v[0].text.mid(1).toLower()] << columns[c].toLower();
    }
    // Only parameters used nowhere but as values of their own.
    for (auto it = out.columns.begin(); it != out.columns.end();)
        it = uses.value(it.key()) == it->size() ? std::next(it) : out.columns.erase(it);
    if (!out.columns.isEmpty())
        out.table = table;
    return out;
}

} // namespace

ParamColumns paramColumns(const QString& tsql)
{
    const std::vector<SqlToken> t = meaningful(tsql);
    size_t i = 0;
    if (t.empty())
        return {};
    for (const SqlToken& tok : t)
        if (tok.isSymbol(';'))
            return {}; // one statement only
    if (t[0].is("insert")) {
        i = 1;
        if (i < t.size() && t[i].is("into"))
            ++i;
        const QString table = tableName(t, i);
        std::vector<std::vector<SqlToken>> cols;
        if (table.isEmpty() || !bracketedList(t, i, cols))
            return {};
        QStringList columns;
        for (const auto& c : cols) {
            if (c.size() != 1 || !c[0].isName())
                return {};
            columns << c[0].name();
        }
        if (i < t.size() && t[i].is("values")) {
            ++i;
            std::vector<std::vector<SqlToken>> values;
            if (!bracketedList(t, i, values) || i != t.size())
                return {};
            return matched(table, columns, values, t);
        }
        if (i < t.size() && t[i].is("select"))
            return matched(table, columns, selectList(t, i + 1), t);
        return {};
    }
    if (t[0].is("update")) {
        i = 1;
        const QString table = tableName(t, i);
        if (table.isEmpty() || i >= t.size() || !t[i].is("set"))
            return {};
        ++i;
        QStringList columns;
        std::vector<std::vector<SqlToken>> values;
        // "col = value" items up to WHERE, FROM or the end.
        for (const auto& item : selectList(t, i)) {
            if (item.size() < 3 || !item[0].isName() || !item[1].isSymbol('='))
                return {};
            columns << item[0].name();
            values.emplace_back(item.begin() + 2, item.end());
        }
        return matched(table, columns, values, t);
    }
    return {};
}
