#pragma once
#include "dberror.h"

#include <QString>

#include <exception>
#include <utility>

// The general error display: a failure that no handler of its own caught is
// shown with caption "房屋出租管理", the error icon and the error's own text,
// through the message service.
void showGeneralError(const QString& errorText);

// Runs one step of the program (a button's work, a screen's opening). Any
// failure it throws is shown by the general error display and the step is
// abandoned; the program goes on. Returns true when the step completed.
template <class F> bool guarded(F&& step) {
    try {
        std::forward<F>(step)();
        return true;
    } catch (const DbError& e) {
        showGeneralError(e.text());
    } catch (const std::exception& e) {
        showGeneralError(QString::fromUtf8(e.what()));
    } catch (...) {
        showGeneralError(QStringLiteral("发生未知错误。"));
    }
    return false;
}
