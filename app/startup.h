#pragma once
#include "config.h"

#include <QString>

class QApplication;

// Settings of the application object that every window depends on: Qt's own
// texts in Chinese (standard buttons read 确定 / 取消 / 是 / 否) and the
// Chinese screen font when it is installed.
void prepareApplication(QApplication& app);

// The program's run, in order: the splash for at least a second, the
// application title, the data module with its connection, the main window
// created hidden, the splash gone, the modal login; after a successful login
// the main window shows maximised and the event loop runs until the program
// is told to end. Any other way out of the login ends the run at once.
// Answers the process's exit code.
int runStartup(QApplication& app, const QString& iniPath = iniPathBesideExecutable());
