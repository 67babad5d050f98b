#include "sqlcatalog.h"

namespace {
std::vector<CatalogStatement>& registry()
{
    static std::vector<CatalogStatement> statements;
    return statements;
}
} // namespace

QString catalogSql(const char* owner, const QStringList& lines)
{
    const QString text = lines.join(QLatin1Char('\n'));
    registry().push_back({QString::fromUtf8(owner), text});
    return text;
}

bool catalogSample(const char* owner, const QString& text)
{
    registry().push_back({QString::fromUtf8(owner), text});
    return true;
}

const std::vector<CatalogStatement>& catalogStatements() { return registry(); }

QString catalogText(const char* owner)
{
    for (const CatalogStatement& s : registry())
        if (s.owner == QLatin1String(owner))
            return s.text;
    return {};
}
