#include "messages.h"

#include <QApplication>
#include <QMessageBox>

#include <utility>

namespace {

// The production form: a modal QMessageBox. Its buttons are Qt's standard
// ones, which the loaded Qt translation labels 确定 / 是 / 否.
class DialogMessages final : public MessageService {
public:
    MsgAnswer show(QWidget* owner, const QString& caption, const QString& text, MsgIcon icon,
                   MsgButtons buttons) override {
        const MsgAnswer fallback = buttons == MsgButtons::Ok         ? MsgAnswer::Ok
                                   : buttons == MsgButtons::OkCancel ? MsgAnswer::Cancel
                                                                     : MsgAnswer::No;
        if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
            // No widgets to show a box with: the message must still be seen.
            qWarning().noquote() << caption << text;
            return fallback;
        }

        QMessageBox box(owner ? owner : QApplication::activeWindow());
        box.setWindowTitle(caption);
        // Error texts from the database may hold '<' and '&'; show them as written.
        box.setTextFormat(Qt::PlainText);
        box.setText(text);
        box.setIcon(toQt(icon));
        if (buttons == MsgButtons::Ok) {
            box.setStandardButtons(QMessageBox::Ok);
            box.setDefaultButton(QMessageBox::Ok);
        } else if (buttons == MsgButtons::OkCancel) {
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            box.setDefaultButton(QMessageBox::Ok);
            box.setEscapeButton(QMessageBox::Cancel);
        } else {
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(buttons == MsgButtons::YesNoDefaultNo ? QMessageBox::No
                                                                       : QMessageBox::Yes);
            box.setEscapeButton(QMessageBox::No);
        }
        box.exec();

        if (buttons == MsgButtons::Ok)
            return MsgAnswer::Ok;
        if (buttons == MsgButtons::OkCancel)
            return box.clickedButton() == box.button(QMessageBox::Ok) ? MsgAnswer::Ok
                                                                      : MsgAnswer::Cancel;
        // Closing the window without a button counts as No.
        return box.clickedButton() == box.button(QMessageBox::Yes) ? MsgAnswer::Yes : MsgAnswer::No;
    }

private:
    static QMessageBox::Icon toQt(MsgIcon icon) {
        switch (icon) {
        case MsgIcon::Information:
            return QMessageBox::Information;
        case MsgIcon::Warning:
            return QMessageBox::Warning;
        case MsgIcon::Critical:
            return QMessageBox::Critical;
        case MsgIcon::Question:
            return QMessageBox::Question;
        case MsgIcon::NoIcon:
            break;
        }
        return QMessageBox::NoIcon;
    }
};

MessageService* installed = nullptr;

} // namespace

MessageService::~MessageService() {
    if (installed == this)
        installed = nullptr;
}

MessageService& MessageService::current() {
    static DialogMessages dialogs;
    return installed ? *installed : dialogs;
}

MessageService* MessageService::install(MessageService* service) {
    return std::exchange(installed, service);
}

void ShowWarning(const QString& text) {
    MessageService::current().show(nullptr, QStringLiteral("警告"), text, MsgIcon::Warning,
                                   MsgButtons::Ok);
}

void showNotice(QWidget* owner, const QString& caption, const QString& text, MsgIcon icon) {
    MessageService::current().show(owner, caption, text, icon, MsgButtons::Ok);
}

bool askYesNo(QWidget* owner, const QString& caption, const QString& text, MsgIcon icon) {
    return MessageService::current().show(owner, caption, text, icon, MsgButtons::YesNo) ==
           MsgAnswer::Yes;
}

bool askYesNoDefaultNo(QWidget* owner, const QString& caption, const QString& text, MsgIcon icon) {
    return MessageService::current().show(owner, caption, text, icon, MsgButtons::YesNoDefaultNo) ==
           MsgAnswer::Yes;
}

bool askOkCancel(QWidget* owner, const QString& caption, const QString& text, MsgIcon icon) {
    return MessageService::current().show(owner, caption, text, icon, MsgButtons::OkCancel) ==
           MsgAnswer::Ok;
}
