#pragma once
#include <QList>
#include <QStringList>

// The desktop's own small programs offered under "附件".
enum class Accessory { Calculator, TextEditor, WordProcessor };

// The programs tried for an accessory, in order of preference; each entry is
// a program name followed by its arguments.
QList<QStringList> accessoryCandidates(Accessory accessory);

// Starts the first candidate found on the PATH that starts, detached from
// this program. False when none is installed or none would start.
bool launchAccessory(Accessory accessory);

// What to tell the user when no candidate could be started: which program is
// missing and what to install.
QString accessoryMissingHint(Accessory accessory);
