#pragma once
#include <QDialog>

class TFangBasicForm : public QDialog {
    Q_OBJECT
public:
    explicit TFangBasicForm(QWidget* parent = nullptr);
    ~TFangBasicForm() override;
};
