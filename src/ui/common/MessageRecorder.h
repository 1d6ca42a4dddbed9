#pragma once

#include "ui/common/MessageBoxes.h"

#include <QList>

#include <deque>
#include <functional>
#include <optional>

namespace zentaro {

// For tests: while one lives, message boxes are recorded and answered
// instead of shown. Answers come from the queue first, then from the
// fixed answer, else the box's default button (what Enter would press).
class MessageRecorder
{
public:
    MessageRecorder();
    explicit MessageRecorder(MessageAnswer fixedAnswer);
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    void queueAnswer(MessageAnswer answer);
    void setFixedAnswer(std::optional<MessageAnswer> answer);
    // Called for each box before it is answered, e.g. to look at the state then.
    void setHook(std::function<void(const MessageRecord&)> hook);

    const QList<MessageRecord>& records() const { return m_records; }
    qsizetype count() const { return m_records.size(); }
    // The most recent box; a default record when there was none.
    MessageRecord last() const;
    void clear() { m_records.clear(); }

    static MessageAnswer defaultAnswer(MessageButtons buttons);

private:
    MessageAnswer answer(const MessageRecord& record);

    QList<MessageRecord> m_records;
    std::deque<MessageAnswer> m_queue;
    std::optional<MessageAnswer> m_fixed;
    std::function<void(const MessageRecord&)> m_hook;
    MessageBoxes::Answerer m_previous;
};

} // namespace zentaro
