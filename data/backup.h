#pragma once
#include <QString>

#include <functional>

// Backup and restore of an embedded database file through SQLite's online
// backup, never a file copy: a backup taken while the program (or another
// desk) writes is a consistent copy, and a restore writes into the live file
// under the database's own locks, write-ahead log included.

// Called with the pages copied so far and the total; false stops the copy.
using BackupProgress = std::function<bool(int done, int total)>;

// Copies the database file source into dest (replaced only when the copy is
// whole), readable by its owner only and without a write-ahead log beside
// it. Throws DbError; a stopped copy throws too and leaves dest as it was.
void backupDatabaseFile(const QString& source, const QString& dest, const BackupProgress& progress = {});

// Removes what copies stopped by force (their process gone) left in folder:
// a backup is written under a temporary name beside its destination.
void removeStalePartialCopies(const QString& folder);

// Why file cannot be restored (damaged, not this program's database, made
// by a newer program), as a message for the user; empty when it can. Files
// of this program from before it stamped its id are recognised by their
// tables; an older file is upgraded when the program next opens it.
QString restoreRefusal(const QString& file);

// Restores source into the database file target: refused (DbError with
// restoreRefusal()'s text) unless source passes the check. Then, under the
// target's write lock (waiting the busy timeout for a save under way),
// target's present content is kept beside it as "NAME.YYYYMMDD-HHMMSS.bak"
// ("...-2.bak" and so on when that name is taken; the path is answered) and
// replaced in one transaction. Any page size restores. Other connections
// to target see the restored data at their next statement. Throws DbError,
// leaving target as it was.
QString restoreDatabaseFile(const QString& source, const QString& target, const BackupProgress& progress = {});
