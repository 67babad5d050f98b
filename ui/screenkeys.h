#pragma once

class QAbstractButton;
class QWidget;

// Esc never closes a screen: a screen closes only by its "退出" button or the
// close box, so an edit under way is never dropped by a stray key. One
// application-wide event filter does this for every screen, present and
// future, without code in the screens.
//
// A screen is a dialog of the program's own classes (its class name does not
// begin with "Q"); Qt's own dialogs (message boxes, the print preview, file
// and progress dialogs) keep their usual Esc. A screen whose Esc is meant to
// press its cancel button keeps that: Esc presses a button marked with
// markEscapeButton(), or the button named "Btn_cancel".

// Installs the filter on the application; calling it again does nothing.
void installScreenEscGuard();

// Marks the button that Esc presses on its screen.
void markEscapeButton(QAbstractButton* button);

// A window of our own that Esc closes all the same, as Qt's own dialogs do
// (the print preview, where nothing typed can be lost).
void allowEscapeToClose(QWidget* window);

// Whether Esc is held back on this window (see above).
bool isGuardedScreen(const QWidget* window);
