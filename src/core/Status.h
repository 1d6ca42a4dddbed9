#pragma once

#include <QString>

namespace zentaro {

// Kinds of failure that callers tell apart; the message is for the user.
enum class ErrorCode {
    None,
    NotFound,        // a file or record that should be there is not
    InUse,           // locked by another program
    NotALibrary,     // a file that is not a Zentaro library
    Damaged,         // a library whose file is corrupt
    Unreadable,      // permissions or I/O while opening
    ReadOnly,        // a change asked of a read-only library or file
    AccessDenied,    // the access level forbids the command
    WrongPassword,
    InvalidQuery,    // a query text the engine cannot run
    InvalidArgument, // bad input from the user or a caller
    DiskFull,
    Io,
    Cancelled,
    Engine,          // any other database engine failure
};

// An error crossing layers as a value: a code and a text a user can read.
class Status
{
public:
    Status() = default;
    static Status success() { return {}; }
    static Status failure(ErrorCode code, QString message) { return Status(code, std::move(message)); }

    bool ok() const { return m_code == ErrorCode::None; }
    explicit operator bool() const { return ok(); }
    ErrorCode code() const { return m_code; }
    const QString& message() const { return m_message; }

private:
    Status(ErrorCode code, QString message) : m_code(code), m_message(std::move(message)) {}

    ErrorCode m_code = ErrorCode::None;
    QString m_message;
};

} // namespace zentaro
