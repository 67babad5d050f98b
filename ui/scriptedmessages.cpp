#include "scriptedmessages.h"

MsgAnswer ScriptedMessages::show(QWidget* owner, const QString& caption, const QString& text,
                                 MsgIcon icon, MsgButtons buttons) {
    MsgAnswer answer = MsgAnswer::Ok;
    if (buttons == MsgButtons::YesNo) {
        answer = m_answers.isEmpty() ? MsgAnswer::Yes : m_answers.dequeue();
        if (answer == MsgAnswer::Ok)
            answer = MsgAnswer::Yes;
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
