#pragma once
#include <QString>

#include <array>
#include <functional>

// Who is logged in. Both are empty until the first successful login and are
// overwritten by every later one; the status bar, the password change and the
// printed-by line of reports read them.
extern QString CurrentLoginName;
// The password of the logged-in user as the database holds it.
extern QString CurrentPassword;

// The four rights of a user (columns award_1 to award_4 of login_user, in
// that order). Each one enables one governed top menu of the main window.
using MenuRights = std::array<bool, 4>;

// Removes leading and trailing blanks and control characters (every code
// point up to U+0020, and U+007F), the way typed names and passwords are
// trimmed before they are compared. Other spaces (U+3000) are kept.
QString TrimBlanks(const QString& text);

// Ends the run: leaves every event loop, so the program returns from main
// without asking anything. The login's "退出" and its third failure, and the
// main window's confirmed exit, all end the run through it; tests replace it
// to observe the request.
extern std::function<void()> TerminateApplication;
