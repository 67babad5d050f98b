#pragma once
#include <QString>

// The four values of section [server] in iniFw.ini.
struct ServerConfig {
    QString name;
    QString databaseName;
    QString user;
    QString pass;
};

// iniFw.ini in the directory that holds the executable.
QString iniPathBesideExecutable();

// Reads section [server]; a missing file or key reads as empty text, and
// values are taken exactly as they stand (no trimming, quoting or escapes).
ServerConfig readServerConfig(const QString& iniPath);

// The ADO-style connection text, pieces joined exactly in the fixed order.
QString connectionString(const ServerConfig& config);
