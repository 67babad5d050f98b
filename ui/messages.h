#pragma once
#include <QPointer>
#include <QString>
#include <QWidget>

// Every message box of the program goes through MessageService::current(), so
// tests can install a scripted service (see scriptedmessages.h) that records
// what would have been shown and answers as the test chooses.
//
// Captions in use across the screens:
//   "Morvik提示"    required-field and refusal notices;
//   "房屋出租管理"  plain notices (no icon) and the general error display;
//   "警告"          the delete question (Yes/No, warning icon) and ShowWarning;
//   ""              save failures (error icon);
//   "错误"          delete failures (error icon).

enum class MsgIcon { NoIcon, Information, Warning, Critical, Question };
// YesNoDefaultNo: Yes and No with No the default (Enter answers No).
enum class MsgButtons { Ok, YesNo, OkCancel, YesNoDefaultNo };
enum class MsgAnswer { Ok, Yes, No, Cancel };

struct ShownMessage {
    QString caption;
    QString text;
    MsgIcon icon = MsgIcon::NoIcon;
    MsgButtons buttons = MsgButtons::Ok;
    MsgAnswer answer = MsgAnswer::Ok;
    QPointer<QWidget> owner; // the widget passed in, null for "the active window"
};

class MessageService {
public:
    virtual ~MessageService();

    // Shows one modal message and returns the button pressed: Ok for an Ok
    // box, Yes or No for a Yes/No box, Ok or Cancel for an OK/Cancel box. A null owner means the active window.
    virtual MsgAnswer show(QWidget* owner, const QString& caption, const QString& text,
                           MsgIcon icon, MsgButtons buttons) = 0;

    // The service in force: the installed one, else the QMessageBox form.
    static MessageService& current();
    // Installs a service (not owned); nullptr restores the QMessageBox form.
    // Returns the service installed before, nullptr for the QMessageBox form.
    static MessageService* install(MessageService* service);
};

// A warning about the application's main window: caption "警告", warning icon, OK.
void ShowWarning(const QString& text);

// A notice with one OK button.
void showNotice(QWidget* owner, const QString& caption, const QString& text, MsgIcon icon);

// A question with Yes and No; true when the user answered Yes.
bool askYesNo(QWidget* owner, const QString& caption, const QString& text, MsgIcon icon);

// A question with Yes and No where No is the default; true on Yes.
bool askYesNoDefaultNo(QWidget* owner, const QString& caption, const QString& text, MsgIcon icon);

// A question with OK and Cancel; true when the user answered OK.
bool askOkCancel(QWidget* owner, const QString& caption, const QString& text, MsgIcon icon);
