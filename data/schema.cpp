#include "schema.h"

#include "connection.h"
#include "resultset.h"

#include <QFile>
#include <QRegularExpression>

QStringList Schema::splitBatches(const QString& script)
{
    QStringList batches;
    QString current;
    static const QRegularExpression go(QStringLiteral("^\\s*go\\s*$"), QRegularExpression::CaseInsensitiveOption);
    for (const QString& line : script.split(QLatin1Char('\n'))) {
        if (go.match(line).hasMatch()) {
            if (!current.trimmed().isEmpty())
                batches << current;
            current.clear();
            continue;
        }
        current += line + QLatin1Char('\n');
    }
    if (!current.trimmed().isEmpty())
        batches << current;
    return batches;
}

QStringList Schema::batches()
{
    QFile file(QStringLiteral(":/schema/sqlserver.sql"));
    file.open(QIODevice::ReadOnly);
    return splitBatches(QString::fromUtf8(file.readAll()));
}

QStringList Schema::tableNames()
{
    static const QRegularExpression create(QStringLiteral("^\\s*CREATE\\s+TABLE\\s+(?:\\[dbo\\]\\.)?\\[([^\\]]+)\\]"),
                                           QRegularExpression::CaseInsensitiveOption |
                                               QRegularExpression::MultilineOption);
    QStringList names;
    for (const QString& batch : batches()) {
        const QRegularExpressionMatch m = create.match(batch);
        if (m.hasMatch())
            names << m.captured(1);
    }
    return names;
}

void Schema::install(Backend& backend)
{
    const bool own = !backend.inTransaction();
    if (own)
        backend.begin();
    try {
        // The server's object catalogue: tables, views and key constraints by
        // name, compared as the server compares names.
        backend.execute(QStringLiteral(
                            "CREATE VIEW sysobjects AS "
                            "SELECT name COLLATE Chinese_PRC_CI_AS AS name, "
                            "CASE type WHEN 'table' THEN 'U' WHEN 'view' THEN 'V' ELSE 'PK' END AS xtype, "
                            "type, tbl_name AS parent_name "
                            "FROM sqlite_master "
                            "WHERE (type IN ('table', 'view') AND name NOT LIKE 'sqlite!_%' ESCAPE '!' "
                            "AND name NOT LIKE 'zt!_%' ESCAPE '!') "
                            "OR (type = 'index' AND name LIKE 'PK!_%' ESCAPE '!')"),
                        {});
        for (const QString& batch : batches()) {
            // Statements inside a batch follow one another without separators,
            // as the server allows; the embedded engine needs them split.
            backend.execute(batch, {});
        }
        if (own)
            backend.commit();
    } catch (...) {
        if (own)
            backend.rollback();
        throw;
    }
}
