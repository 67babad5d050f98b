#pragma once
#include "../sqltokens.h"
#include "../tsqlrewriter.h"

// The statements' meaning on a PostgreSQL server, applied by the shared
// rewriter after the rewrites both databases need.
//
// Texts compare without letter case and trailing blanks, in GBK order, as
// the program's columns do everywhere else. The server's own collations
// cannot give that: a deterministic one compares case, a nondeterministic
// one still counts trailing blanks and refuses LIKE. So every comparison of
// a text column goes through zt_key(), a function giving each text its key
// (upper-cased ASCII letters, trailing blanks dropped, GB18030 bytes, which
// order Chinese characters as GBK does), and the text columns' indexes are
// built on zt_key() so those comparisons still read an index. LIKE becomes
// ILIKE, which PostgreSQL accepts on any collation, with no escape character
// unless the statement names one, as LIKE has on the server.

// A table or column name as the server stores it: lower case, quoted.
QString pgName(const QString& name);
// Whether the tokens from i on are INDEX or UNIQUE INDEX.
bool isIndexStart(const std::vector<SqlToken>& t, size_t i);
// CREATE TABLE: the server's types, identity columns, width checks counted
// in GBK bytes, a unique key on a text column also unique by zt_key().
Translation pgCreateTable(const std::vector<SqlToken>& t, size_t nameAt);
// ALTER TABLE ... ADD CONSTRAINT name PRIMARY KEY|UNIQUE (cols).
Translation pgAlterTable(const std::vector<SqlToken>& t, size_t nameAt, const ColumnKinds* kinds);
// CREATE [UNIQUE] INDEX: text columns indexed by zt_key().
Translation pgCreateIndex(const std::vector<SqlToken>& t, size_t at, const ColumnKinds* kinds);
// Any other statement, in place.
void pgRewrite(std::vector<SqlToken>& t, const ColumnKinds* kinds);
