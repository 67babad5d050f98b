#pragma once
#include "messages.h"

#include <QList>
#include <QQueue>

// A message service for tests: it never opens a window, records every message
// in `shown` and answers questions from the answers the test queued.
//
// Only questions (Yes/No, OK/Cancel) take answers from the queue; a box with a single OK
// button can only be answered Ok, so notices between two questions do not
// shift the script. With the queue empty a question is answered Yes (or OK).
// A queued Ok reaching a Yes/No question counts as Yes, as Enter on its
// default button would; on an OK/Cancel question Yes counts as Ok, No as Cancel.
class ScriptedMessages : public MessageService {
public:
    MsgAnswer show(QWidget* owner, const QString& caption, const QString& text, MsgIcon icon,
                   MsgButtons buttons) override;

    // Queues the answer to the next question not yet answered.
    void answerNext(MsgAnswer answer) { m_answers.enqueue(answer); }
    // Answers queued but not yet given.
    qsizetype pendingAnswers() const { return m_answers.size(); }
    // Forgets what was shown and what was queued.
    void clear();

    QList<ShownMessage> shown;

private:
    QQueue<MsgAnswer> m_answers;
};

// Installs a ScriptedMessages for its lifetime and puts back the service that
// was in force before.
class ScriptedMessagesScope {
public:
    ScriptedMessagesScope();
    ~ScriptedMessagesScope();
    ScriptedMessagesScope(const ScriptedMessagesScope&) = delete;
    ScriptedMessagesScope& operator=(const ScriptedMessagesScope&) = delete;

    ScriptedMessages& messages() { return m_messages; }
    ScriptedMessages* operator->() { return &m_messages; }

private:
    ScriptedMessages m_messages;
    MessageService* m_previous;
};
