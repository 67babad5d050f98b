// zentavo-sql: a command-line SQL console over the program's own connection
// layer, for administrators and tests.
//
//   zentavo-sql [-c INI] [--check] [-Q "statement"]
//
// --check compiles each batch against the database without running it and
// prints "ok" for it (names and syntax are checked).
//
// Without -Q, statements are read from standard input in batches separated
// by lines holding only GO. A result prints as a header line of column names
// and tab-separated rows; any other statement prints "(N rows affected)". A
// failure prints the database's error to standard error and exits non-zero.

#include "config.h"
#include "connection.h"
#include "query.h"
#include "schema.h"
#include "sqltokens.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

namespace {

bool returnsRows(const QString& sql)
{
    for (const SqlToken& t : tokenizeSql(sql)) {
        if (t.kind == SqlToken::Space || t.isSymbol('('))
            continue;
        return t.is("select") || t.is("with") || t.is("pragma");
    }
    return false;
}

void runBatch(const QString& sql, QTextStream& out, bool checkOnly)
{
    Query q;
    q.setSql(sql);
    if (checkOnly) {
        q.compile();
        out << "ok\n";
        return;
    }
    if (!returnsRows(sql)) {
        const int n = q.exec();
        out << "(" << n << (n == 1 ? " row affected)" : " rows affected)") << "\n";
        return;
    }
    q.open();
    const auto rs = q.result();
    QStringList header;
    for (int c = 0; c < rs->columnCount(); ++c)
        header << rs->columnName(c);
    out << header.join(QLatin1Char('\t')) << "\n";
    for (int r = 0; r < rs->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < rs->columnCount(); ++c)
            cells << (rs->isNull(r, c) ? QStringLiteral("NULL") : rs->text(r, c));
        out << cells.join(QLatin1Char('\t')) << "\n";
    }
    out << "(" << rs->rowCount() << (rs->rowCount() == 1 ? " row affected)" : " rows affected)") << "\n";
}

int usage()
{
    std::fputs("usage: zentavo-sql [-c INI] [--check] [-Q \"statement\"]\n", stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QString ini = iniPathBesideExecutable();
    QString statement;
    bool haveStatement = false;
    bool checkOnly = false;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--check"))
            checkOnly = true;
        else if (args[i] == QLatin1String("-c") && i + 1 < args.size())
            ini = args[++i];
        else if (args[i] == QLatin1String("-Q") && i + 1 < args.size()) {
            statement = args[++i];
            haveStatement = true;
        } else
            return usage();
    }

    QTextStream out(stdout);
    QTextStream err(stderr);
    try {
        Connection::shared().open(readServerConfig(ini));
    } catch (const DbError& e) {
        err << e.text() << "\n";
        return 1;
    }

    QStringList batches;
    if (haveStatement) {
        batches << statement;
    } else {
        QTextStream in(stdin);
        batches = Schema::splitBatches(in.readAll());
    }
    for (const QString& batch : batches) {
        try {
            runBatch(batch, out, checkOnly);
            out.flush();
        } catch (const DbError& e) {
            out.flush();
            err << e.text() << "\n";
            return 1;
        }
    }
    return 0;
}
