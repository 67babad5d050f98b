#pragma once
#include "dberror.h"

#include <QString>

#include <exception>
#include <utility>

// The general error display: a failure that no handler of its own caught is
// shown with caption "房屋出租管理", the error icon and the error's own text,
// through the message service. An error the engine is known to give (a text
// that is no number or date, a text too long for its field, a lock another
// desk holds, a rule of the tables broken) is explained in a Chinese
// sentence, the engine's own text following it.
void showGeneralError(const QString& errorText);

// The Chinese sentence for a known engine error, empty for any other text.
QString knownErrorSentence(const QString& engineText);

// The engine's text as the operator reads it: the Chinese sentence for a
// known error, then the engine's own text on a line of its own; any other
// text as it stands.
QString explainedError(const QString& engineText);

// A screen's own failure message, followed by the explanation of a known
// engine error; the message alone for any other error (the screen's message
// already says what failed).
QString failureMessage(const QString& screenMessage, const QString& engineText);
// The same for the failure being handled, called inside a catch block.
QString failureMessage(const QString& screenMessage);

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
