#include "screenkeys.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QKeyEvent>

namespace {

const char* const kEscapeButton = "zentavoEscapeButton";

QAbstractButton* escapeButtonOf(QWidget* screen)
{
    const auto buttons = screen->findChildren<QAbstractButton*>();
    for (QAbstractButton* b : buttons)
        if (b->property(kEscapeButton).toBool())
            return b;
    for (QAbstractButton* b : buttons)
        if (b->objectName() == QLatin1String("Btn_cancel"))
            return b;
    return nullptr;
}

class EscGuard : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // Only the key press that reached the window itself: its controls
        // (a grid's editor, an open list, a lookup field) had their turn.
        if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (!key->matches(QKeySequence::Cancel))
            return false;
        auto* window = static_cast<QWidget*>(watched);
        if (!isGuardedScreen(window))
            return false;
        if (QAbstractButton* cancel = escapeButtonOf(window); cancel && cancel->isEnabled() && cancel->isVisible())
            cancel->click();
        return true;
    }
};

} // namespace

bool isGuardedScreen(const QWidget* window)
{
    if (!window || !window->isWindow() || !qobject_cast<const QDialog*>(window))
        return false;
    return window->metaObject()->className()[0] != 'Q' && !window->property("zentavoEscCloses").toBool();
}

void allowEscapeToClose(QWidget* window) { window->setProperty("zentavoEscCloses", true); }

void markEscapeButton(QAbstractButton* button) { button->setProperty(kEscapeButton, true); }

void installScreenEscGuard()
{
    static QObject* guard = nullptr;
    if (guard || !qApp)
        return;
    guard = new EscGuard(qApp);
    qApp->installEventFilter(guard);
}
