#pragma once

#include "core/Status.h"

#include <optional>
#include <utility>

namespace zentaro {

// A value or the Status that explains why there is none.
template <typename T>
class Result
{
public:
    Result(T value) : m_value(std::move(value)) {}
    Result(Status status) : m_status(std::move(status)) {}
    static Result failure(ErrorCode code, QString message)
    {
        return Result(Status::failure(code, std::move(message)));
    }

    bool ok() const { return m_value.has_value(); }
    explicit operator bool() const { return ok(); }
    const Status& status() const { return m_status; }
    ErrorCode code() const { return m_status.code(); }
    const QString& message() const { return m_status.message(); }

    T& value() { return *m_value; }
    const T& value() const { return *m_value; }
    T* operator->() { return &*m_value; }
    const T* operator->() const { return &*m_value; }
    T& operator*() { return *m_value; }
    const T& operator*() const { return *m_value; }

private:
    std::optional<T> m_value;
    Status m_status;
};

} // namespace zentaro
