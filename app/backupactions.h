#pragma once
#include <QString>

#include <functional>

class QWidget;

// "备份数据库" and "恢复数据库" of the main window's 系统维护 menu: an online
// copy of the embedded database to a file the user chooses, and its
// restore into the live file after the file is checked and the user agrees,
// the shared connection reopened afterwards. On a PostgreSQL server both run
// the server's own pg_dump and pg_restore when they are installed; on SQL
// Server both only point to the server's own backup.
namespace BackupActions {

// Asks for a file: save (backup) or open (restore), starting at suggested.
// Answers empty when the user cancels.
using FileChooser = std::function<QString(QWidget* owner, bool save, const QString& suggested)>;
// Replaces the file dialogs (tests); an empty chooser puts them back.
void setFileChooser(FileChooser chooser);

void backupDatabase(QWidget* owner);
void restoreDatabase(QWidget* owner);

} // namespace BackupActions
