#pragma once
#include <QString>

#include <functional>

// Runs `open`, which shows a modal window and waits for it (a print preview,
// a dialog); meanwhile the window that turns up is noted and closed.
// Answers its caption, empty when no modal window showed within the time.
QString closeModalOpenedBy(const std::function<void()>& open, int timeoutMs = 20000);
