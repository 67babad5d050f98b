// zentavo_sqlite: the embedded engine's collations and functions as a
// loadable SQLite extension, so standard tools read and check a database file:
//
//   sqlite3 zentavo.db
//   sqlite> .load build/bin/zentavo_sqlite
//   sqlite> PRAGMA integrity_check;
#include "embedded/sqlitefunctions.h"

#include <sqlite3ext.h>
SQLITE_EXTENSION_INIT1

extern "C" {

__attribute__((visibility("default"))) int sqlite3_extension_init(sqlite3* db, char**, const sqlite3_api_routines* api)
{
    SQLITE_EXTENSION_INIT2(api);
    registerServerFunctions(db);
    return SQLITE_OK;
}

// The entry point SQLite derives from the file name.
__attribute__((visibility("default"))) int sqlite3_zentavosqlite_init(sqlite3* db, char** error,
                                                                      const sqlite3_api_routines* api)
{
    return sqlite3_extension_init(db, error, api);
}
}
