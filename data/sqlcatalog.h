#pragma once
#include <QString>
#include <QStringList>
#include <vector>

// Every statement the program holds is registered where it is defined, so
// that one test can run them all through the embedded engine on a seeded
// database. Screens define their statements as named constants:
//
//   static const QString kListSql = catalogSql("TKfdjForm list", {
//       "select manid,manname, ...",
//       "idcard,iddress,handset,company from zf_man"});
//
// Statements assembled at run time register one representative instance
// with catalogSample() so the same test covers their shape.
struct CatalogStatement {
    QString owner;
    QString text;
};

// Registers the statement and answers its text, lines joined with "\n".
QString catalogSql(const char* owner, const QStringList& lines);
// Registers a representative instance of a statement built at run time;
// answers true so it can initialise a static.
bool catalogSample(const char* owner, const QString& text);

const std::vector<CatalogStatement>& catalogStatements();
// The text registered under that owner, empty when there is none.
QString catalogText(const char* owner);
