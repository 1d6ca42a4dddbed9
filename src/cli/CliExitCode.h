#pragma once

#include "core/Status.h"

namespace zentaro {

// The exit status of znt, which scripts test.
enum class CliExitCode : int {
    Success = 0,
    Usage = 1,   // bad arguments, a query or value that cannot be used
    Refused = 2, // access level, read-only library, library in use, login failed
    Failure = 3, // I/O, damaged library, anything else that went wrong
};

inline int toInt(CliExitCode code)
{
    return static_cast<int>(code);
}

// The exit status that goes with a failure from the logic.
inline CliExitCode exitCodeFor(ErrorCode code)
{
    switch (code) {
    case ErrorCode::None:
        return CliExitCode::Success;
    case ErrorCode::InvalidArgument:
    case ErrorCode::InvalidQuery:
        return CliExitCode::Usage;
    case ErrorCode::AccessDenied:
    case ErrorCode::ReadOnly:
    case ErrorCode::InUse:
    case ErrorCode::WrongPassword:
        return CliExitCode::Refused;
    case ErrorCode::NotFound:
    case ErrorCode::NotALibrary:
    case ErrorCode::Damaged:
    case ErrorCode::Unreadable:
    case ErrorCode::DiskFull:
    case ErrorCode::Io:
    case ErrorCode::Cancelled:
    case ErrorCode::Engine:
        return CliExitCode::Failure;
    }
    return CliExitCode::Failure;
}

} // namespace zentaro
