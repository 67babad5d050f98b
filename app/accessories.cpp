#include "accessories.h"

#include <QProcess>
#include <QStandardPaths>

QList<QStringList> accessoryCandidates(Accessory accessory) {
    switch (accessory) {
    case Accessory::Calculator:
        return {{"gnome-calculator"}, {"galculator"},    {"kcalc"},
                {"mate-calc"},        {"qalculate-gtk"}, {"xcalc"}};
    case Accessory::TextEditor:
        return {{"gedit"}, {"gnome-text-editor"}, {"mousepad"}, {"kate"}, {"kwrite"}, {"pluma"},
                {"xed"},   {"featherpad"},        {"leafpad"}};
    case Accessory::WordProcessor:
        return {{"libreoffice", "--writer"}, {"lowriter"}, {"abiword"}, {"calligrawords"}};
    }
    return {};
}

bool launchAccessory(Accessory accessory) {
    for (const QStringList& candidate : accessoryCandidates(accessory)) {
        const QString program = QStandardPaths::findExecutable(candidate.first());
        if (program.isEmpty())
            continue;
        // A program that is installed but cannot start (broken package)
        // gives way to the next one rather than failing silently.
        if (QProcess::startDetached(program, candidate.mid(1)))
            return true;
    }
    return false;
}
