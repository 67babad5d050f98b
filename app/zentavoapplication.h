#pragma once
#include <QApplication>

// The application object. Every event handler's failure that nothing else
// caught ends here and is shown by the general error display; the event is
// dropped and the program goes on.
class ZentavoApplication : public QApplication {
    Q_OBJECT
public:
    ZentavoApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};
