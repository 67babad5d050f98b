#pragma once
#include <QDialog>

class TUserManagerF : public QDialog {
    Q_OBJECT
public:
    explicit TUserManagerF(QWidget* parent = nullptr);
    ~TUserManagerF() override;
};
