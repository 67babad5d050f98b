#include "voidchargedialog.h"

#include "screenbuilder.h"

#include "messages.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

VoidChargeDialog::VoidChargeDialog(const QString& charge, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("VoidChargeDialog"));
    setWindowTitle(QStringLiteral("作废收费"));
    auto* what = new QLabel(QStringLiteral("作废这笔收费：%1").arg(charge), this);
    what->setObjectName(QStringLiteral("Lb_Charge"));
    what->setWordWrap(true);
    FieldGrid form;
    Ed_Zfyy = form.edit(Cell(0, 0), QStringLiteral("作废原因："), "Ed_Zfyy");
    // The reason column holds 100 bytes of GBK text: 50 Chinese characters.
    Ed_Zfyy->setMaxLength(50);
    Ed_Zfyy->setMinimumWidth(360);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("BitBtn_OK"));
    QPushButton* cancel = buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("BitBtn_Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &VoidChargeDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(what);
    layout->addLayout(form.layout());
    layout->addWidget(buttons);
}

QString VoidChargeDialog::reason() const {
    return Ed_Zfyy->text().trimmed();
}

void VoidChargeDialog::accept() {
    if (reason().isEmpty()) {
        showNotice(this, QStringLiteral("Morvik提示"), QStringLiteral("请填写作废原因"),
                   MsgIcon::Information);
        Ed_Zfyy->setFocus();
        return;
    }
    QDialog::accept();
}
