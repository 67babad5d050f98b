#pragma once
#include <QWidget>

// The borderless window shown while the program connects: the picture at the
// left, the product name and version at the right, a line of welcome along
// the bottom. It has no controls.
class TSplashForm : public QWidget {
    Q_OBJECT
public:
    explicit TSplashForm(QWidget* parent = nullptr);

    // Shows the window centred on the screen and paints it before returning,
    // so it is seen even while start-up keeps the event loop from running.
    void showAndPaint();

protected:
    void paintEvent(QPaintEvent* event) override;
};
