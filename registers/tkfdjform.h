#pragma once
#include <QDialog>

class TKfdjForm : public QDialog {
    Q_OBJECT
public:
    explicit TKfdjForm(QWidget* parent = nullptr);
    ~TKfdjForm() override;
};
