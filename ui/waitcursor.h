#pragma once

// The wait cursor while the program waits: a WaitCursor shows it for its
// lifetime (nested ones stack), and installLockWaitCursor() makes the
// connection layer show it whenever a statement waits for another desk's
// lock, until the wait ends.
class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// Installs the lock-wait listener of the connection layer; calling it again
// does nothing more.
void installLockWaitCursor();
