#include "tfangbasicform.h"

TFangBasicForm::TFangBasicForm(QWidget* parent) : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("出租房基本情况"));
}

TFangBasicForm::~TFangBasicForm() = default;
