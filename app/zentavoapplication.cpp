#include "zentavoapplication.h"

#include "errordisplay.h"

ZentavoApplication::ZentavoApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool ZentavoApplication::notify(QObject* receiver, QEvent* event) {
    bool handled = false;
    guarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}
