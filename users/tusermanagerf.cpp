#include "tusermanagerf.h"

TUserManagerF::TUserManagerF(QWidget* parent) : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("用户管理"));
}

TUserManagerF::~TUserManagerF() = default;
