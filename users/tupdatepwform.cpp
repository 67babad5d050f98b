#include "tupdatepwform.h"

#include "screenbuilder.h"

#include "errordisplay.h"
#include "messages.h"
#include "query.h"
#include "session.h"
#include "sqlcatalog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kUpdateSql =
    catalogSql("TUpdatePWForm ADOQry_update",
               {"update login_user set user_password=:password ",
                "where user_password=:OLD_password and user_loginname=:username"});

const QString kCaption = QStringLiteral("Morvik提示！");

QLineEdit* passwordEdit(QLineEdit* edit) {
    edit->setEchoMode(QLineEdit::Password);
    edit->setMinimumWidth(160);
    return edit;
}

} // namespace

TUpdatePWForm::TUpdatePWForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("UpdatePWForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("修改登录密码"));

    FieldGrid form;
    EditOld = passwordEdit(form.edit(Cell(0, 0), QStringLiteral("请输入旧密码"), "EditOld"));
    EditNew = passwordEdit(form.edit(Cell(1, 0), QStringLiteral("请输入新密码"), "EditNew"));
    EditConfirm = passwordEdit(form.edit(Cell(2, 0), QStringLiteral("请确认你的新密码"), "EditConfirm"));

    Btn_ok = new QPushButton(QStringLiteral("确认"), this);
    Btn_ok->setObjectName(QStringLiteral("Btn_ok"));
    Btn_ok->setDefault(true);
    Btn_cancel = new QPushButton(QStringLiteral("取消"), this);
    Btn_cancel->setObjectName(QStringLiteral("Btn_cancel"));
    // Esc reaches QDialog::reject(), which closes the window as "取消" does.
    Btn_cancel->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Btn_ok);
    buttons->addWidget(Btn_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form.layout());
    layout->addSpacing(6);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(Btn_ok, &QPushButton::clicked, this, &TUpdatePWForm::Btn_okClick);
    connect(Btn_cancel, &QPushButton::clicked, this, &TUpdatePWForm::Btn_cancelClick);
}

void TUpdatePWForm::Btn_okClick() {
    // A database failure is shown by the general error display; the window
    // stays open without the success message.
    guarded([this] { changePassword(); });
}

void TUpdatePWForm::changePassword() {
    if (TrimBlanks(EditNew->text()) != TrimBlanks(EditConfirm->text())) {
        ShowWarning(QStringLiteral("你输入的两次新密码不一致，请重新输入！"));
        return;
    }
    if (TrimBlanks(EditOld->text()) != TrimBlanks(CurrentPassword)) {
        ShowWarning(QStringLiteral("你输入旧密码和当前系统登陆\n密码不一致，请重新输入！"));
        return;
    }

    Query update;
    update.setSql(kUpdateSql);
    update.setText(QStringLiteral("password"), EditNew->text());
    update.setText(QStringLiteral("OLD_password"), EditOld->text());
    update.setText(QStringLiteral("username"), CurrentLoginName);
    // The statement finds the row by the old password as typed; when that
    // differs from what is stored (blanks typed around it, or a change made
    // elsewhere) nothing is changed, and saying so is the only honest answer.
    if (update.exec() == 0) {
        showNotice(
            this, kCaption,
            QStringLiteral("密码修改失败！你输入的旧密码与系统中保存的密码不一致，请重新输入！"),
            MsgIcon::Warning);
        return;
    }
    // The stored password is now the new one; later changes in this run
    // check against it.
    CurrentPassword = EditNew->text();
    showNotice(this, kCaption, QStringLiteral("密码修改成功！"), MsgIcon::Warning);
    close();
}

void TUpdatePWForm::Btn_cancelClick() {
    close();
}
