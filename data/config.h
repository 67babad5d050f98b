#pragma once
#include <QString>

// The four values of section [server] in iniFw.ini.
struct ServerConfig {
    QString name;
    QString databaseName;
    QString user;
    QString pass;
    // The folder of the iniFw.ini the values came from: a relative embedded
    // database path is taken from there. Empty: the executable's folder.
    QString baseDir = QString();
};

// iniFw.ini in the directory that holds the executable.
QString iniPathBesideExecutable();

// The user's own folders of an installed program, which cannot write beside
// itself: ~/.config/zentavo and ~/.local/share/zentavo (as XDG says).
QString userConfigDir();
QString userDataDir();

// The iniFw.ini a run reads: the one in programDir when it is there (a
// build's bin folder, a program copied to a folder of its own), otherwise
// the one in the user's configuration folder, which may not exist yet.
QString iniPathForRun(const QString& programDir = QString());

// iniPathForRun(); when neither file exists, a default one is first written
// into the user's configuration folder, naming the embedded database
// zentavo.db in the user's data folder (created on the first open, after
// the user agrees). A file that cannot be written is left missing, which
// start-up reports as the connection failure. *written (when given) tells
// whether this call wrote the default file.
QString prepareIniForRun(const QString& programDir = QString(), bool* written = nullptr);

// Reads section [server]; a missing file or key reads as empty text, and
// values are taken exactly as they stand (no trimming, quoting or escapes).
// baseDir is the file's folder.
ServerConfig readServerConfig(const QString& iniPath);

// The ADO-style connection text, pieces joined exactly in the fixed order.
QString connectionString(const ServerConfig& config);
