#include "scriptedmessages.h"

MsgAnswer ScriptedMessages::show(QWidget* owner, const QString& caption, const QString& text,
                                 MsgIcon icon, MsgButtons buttons) {
    MsgAnswer answer = MsgAnswer::Ok;
    if (buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoDefaultNo) {
        // Unscripted, the default button answers.
        answer = m_answers.isEmpty()
                     ? (buttons == MsgButtons::YesNo ? MsgAnswer::Yes : MsgAnswer::No)
                     : m_answers.dequeue();
        if (answer == MsgAnswer::Ok)
            answer = MsgAnswer::Yes;
    } else if (buttons == MsgButtons::OkCancel) {
        // Yes stands for OK and No for Cancel, as on the keyboard.
        answer = m_answers.isEmpty() ? MsgAnswer::Ok : m_answers.dequeue();
        if (answer == MsgAnswer::Yes)
            answer = MsgAnswer::Ok;
        else if (answer == MsgAnswer::No)
            answer = MsgAnswer::Cancel;
    }
    shown.append(ShownMessage{caption, text, icon, buttons, answer, owner});
    return answer;
}

void ScriptedMessages::clear() {
    shown.clear();
    m_answers.clear();
}

ScriptedMessagesScope::ScriptedMessagesScope() : m_previous(MessageService::install(&m_messages)) {}

ScriptedMessagesScope::~ScriptedMessagesScope() {
    MessageService::install(m_previous);
}
