#include "tkfdjform.h"

TKfdjForm::TKfdjForm(QWidget* parent) : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("客户基本资料登记"));
}

TKfdjForm::~TKfdjForm() = default;
