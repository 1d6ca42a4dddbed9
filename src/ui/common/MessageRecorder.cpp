#include "ui/common/MessageRecorder.h"

namespace zentaro {

MessageRecorder::MessageRecorder()
{
    m_previous = MessageBoxes::setAnswerer([this](const MessageRecord& record) { return answer(record); });
}

MessageRecorder::MessageRecorder(MessageAnswer fixedAnswer) : MessageRecorder()
{
    m_fixed = fixedAnswer;
}

MessageRecorder::~MessageRecorder()
{
    MessageBoxes::setAnswerer(std::move(m_previous));
}

void MessageRecorder::queueAnswer(MessageAnswer answer)
{
    m_queue.push_back(answer);
}

void MessageRecorder::setFixedAnswer(std::optional<MessageAnswer> answer)
{
    m_fixed = answer;
}

void MessageRecorder::setHook(std::function<void(const MessageRecord&)> hook)
{
    m_hook = std::move(hook);
}

MessageRecord MessageRecorder::last() const
{
    return m_records.isEmpty() ? MessageRecord{} : m_records.last();
}

MessageAnswer MessageRecorder::defaultAnswer(MessageButtons buttons)
{
    return MessageBoxes::defaultAnswer(buttons);
}

MessageAnswer MessageRecorder::answer(const MessageRecord& record)
{
    m_records.append(record);
    if (m_hook)
        m_hook(record);
    if (!m_queue.empty()) {
        const MessageAnswer next = m_queue.front();
        m_queue.pop_front();
        return next;
    }
    if (m_fixed)
        return *m_fixed;
    return defaultAnswer(record.buttons);
}

} // namespace zentaro
