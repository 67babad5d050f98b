#include "modalwatch.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QTimer>
#include <QWidget>

#include <memory>

QString closeModalOpenedBy(const std::function<void()>& open, int timeoutMs)
{
    auto caption = std::make_shared<QString>();
    auto deadline = std::make_shared<QDeadlineTimer>(timeoutMs);
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [caption, deadline, poll] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            *caption = modal->windowTitle();
            modal->close();
            return;
        }
        if (!deadline->hasExpired())
            QTimer::singleShot(20, *poll);
    };
    QTimer::singleShot(20, *poll);
    open();
    *poll = [] {};
    return *caption;
}
