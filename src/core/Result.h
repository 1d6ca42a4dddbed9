#pragma once

#include "core/Notice.h"
#include "core/Outcome.h"
#include "core/Status.h"

#include <optional>
#include <utility>

namespace zentaro {

// A value, or the Status that explains why there is none and, when the
// user is to be told in words of their own, the notice to show.
template <typename T>
class Result
{
public:
    Result(T value) : m_value(std::move(value)) {}
    Result(Status status) : m_status(std::move(status)) {}
    // A failure (or a Cancel) as an Outcome gives it.
    Result(Outcome failure) : m_status(std::move(failure.status)), m_notice(std::move(failure.notice)) {}
    static Result failure(ErrorCode code, QString message)
    {
        return Result(Status::failure(code, std::move(message)));
    }

    bool ok() const { return m_value.has_value(); }
    explicit operator bool() const { return ok(); }
    const Status& status() const { return m_status; }
    ErrorCode code() const { return m_status.code(); }
    const QString& message() const { return m_status.message(); }
    bool cancelled() const { return m_status.code() == ErrorCode::Cancelled; }
    const std::optional<Notice>& notice() const { return m_notice; }
    // How it ended, for the window or znt to show.
    Outcome outcome() const { return {m_status, m_notice}; }

    T& value() { return *m_value; }
    const T& value() const { return *m_value; }
    T* operator->() { return &*m_value; }
    const T* operator->() const { return &*m_value; }
    T& operator*() { return *m_value; }
    const T& operator*() const { return *m_value; }

private:
    std::optional<T> m_value;
    Status m_status;
    std::optional<Notice> m_notice;
};

} // namespace zentaro
