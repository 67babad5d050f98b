#include "session.h"

#include <QCoreApplication>

QString CurrentLoginName;
QString CurrentPassword;

namespace {
bool isBlank(QChar c) {
    return c.unicode() <= 0x20 || c.unicode() == 0x7F;
}
} // namespace

QString TrimBlanks(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text.at(begin)))
        ++begin;
    while (end > begin && isBlank(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

// exit() rather than quit(): quit() would first try to close every window,
// and the main window answers a close with the exit question.
std::function<void()> TerminateApplication = [] { QCoreApplication::exit(0); };
