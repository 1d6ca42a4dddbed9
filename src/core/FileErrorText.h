#pragma once

#include "core/Status.h"

#include <QString>

namespace zentaro {

// Plain words for why the system refused a file operation, for messages
// that name the file and then the cause.
class FileErrorText
{
public:
    // The cause for an errno value, as a sentence ("The disk is full.").
    static QString forErrno(int error);
    // DiskFull for a full disk, a used-up quota or a file too large for the
    // disk; Io for any other failure.
    static ErrorCode codeFor(int error);
};

} // namespace zentaro
