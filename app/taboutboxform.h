#pragma once
#include <QDialog>

// "关于": the product title, its version and the program's picture, with one
// button "确认" that closes the window.
class TAboutBoxForm : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBoxForm(QWidget* parent = nullptr);
};
