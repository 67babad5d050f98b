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

QString accessoryMissingHint(Accessory accessory) {
    QString what;
    switch (accessory) {
    case Accessory::Calculator:
        what = QStringLiteral("计算器");
        break;
    case Accessory::TextEditor:
        what = QStringLiteral("文本编辑器");
        break;
    case Accessory::WordProcessor:
        what = QStringLiteral("文字处理程序");
        break;
    }
    QStringList names;
    for (const QStringList& candidate : accessoryCandidates(accessory).mid(0, 3))
        names << candidate.first();
    return QStringLiteral("本机没有可用的%1，请安装其中之一（如 %2）后再试。")
        .arg(what, names.join(QStringLiteral("、")));
}
