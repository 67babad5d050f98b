#pragma once
#include "../connection.h"

#include <QSet>
#include <QString>
#include <vector>

struct sqlite3;

// Prefix searches the index answers. A column's text collation orders
// texts so that every text beginning with a given prefix, in any letter
// case and with any trailing blanks, lies between the prefix and the prefix
// followed by a character that sorts after every other. "col LIKE 'ab%'" is
// therefore also "col >= 'ab' AND col < 'ab' + that character" under the
// collation, a range an index on the column reads directly; the LIKE itself
// stays beside the range, so the rows found are exactly the LIKE's.

// Whether pattern is such a prefix search: one "%" at its end, no other
// "%" or "_", and something other than blanks before it.
bool isPrefixPattern(const QString& pattern);

// Adds the range to each "column LIKE pattern" of one translated statement
// whose column every table and view declares as text (textColumns, lower
// case) and whose pattern is a text literal or a parameter (?N, bound to
// params[N - 1]) holding a prefix search. Parameters are looked at as bound
// for this run, so the same statement with "%1" typed keeps its plain LIKE.
// A statement that reads a derived table (a select in its FROM, or WITH)
// is left as it is: such a column may hold numbers under a text column's
// name, and a number lies outside every range of texts.
QString addPrefixRanges(const QString& sql, const std::vector<BoundParam>& params,
                        const QSet<QString>& textColumns);

// zt_like_lo(p) and zt_like_hi(p), the ends of the range of a prefix pattern.
void registerPrefixFunctions(sqlite3* db);
