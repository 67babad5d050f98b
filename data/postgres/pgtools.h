#pragma once
#include "../config.h"

#include <QString>
#include <functional>

// The server's own backup and restore tools, pg_dump and pg_restore, run
// on the database a configuration names.
namespace PgTools {

// The tool's path, empty when it is not installed.
QString toolPath(const QString& name);
// Told now and then while the tool runs; answering false stops it.
using Waiting = std::function<bool()>;
// Writes the whole database to file in pg_dump's custom format. Throws
// DbError with the tool's own words when it fails or is stopped; a file
// left half-written is removed.
void dump(const ServerConfig& config, const QString& file, const Waiting& waiting = {});
// Replaces every object of the database with the file's, in one transaction:
// a failure leaves the database as it was.
void restore(const ServerConfig& config, const QString& file, const Waiting& waiting = {});

} // namespace PgTools
