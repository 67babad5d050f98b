#pragma once
#include <QString>

// The files the program writes for the user (lists, printouts, backups)
// hold tenants' ID numbers, addresses and telephone numbers: each is
// readable by its owner only, as the database is.

// Makes path an owner-only file (mode 0600) before it is written: created
// empty when missing, its mode narrowed when it is there already. Answers
// the error text, empty on success.
QString prepareOwnerOnlyFile(const QString& path);
