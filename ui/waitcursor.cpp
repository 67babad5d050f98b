#include "waitcursor.h"

#include "connection.h"

#include <QApplication>
#include <QCursor>

namespace {

bool haveWidgets() { return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr; }

void showWait() {
    if (!haveWidgets())
        return;
    // No events are processed here: the wait happens inside the engine, and
    // a timer's work reaching the same connection then must not run.
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void endWait() {
    if (haveWidgets())
        QApplication::restoreOverrideCursor();
}

} // namespace

WaitCursor::WaitCursor() { showWait(); }
WaitCursor::~WaitCursor() { endWait(); }

void installLockWaitCursor() {
    Connection::setLockWaitListener([](bool waiting) {
        if (waiting)
            showWait();
        else
            endWait();
    });
}
