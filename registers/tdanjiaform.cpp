#include "tdanjiaform.h"

TDanJiaForm::TDanJiaForm(QWidget* parent) : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("收费项目管理"));
}

TDanJiaForm::~TDanJiaForm() = default;
