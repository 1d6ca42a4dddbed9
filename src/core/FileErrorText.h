#pragma once

#include <QString>

namespace zentaro {

// Plain words for why the system refused a file operation, for messages
// that name the file and then the cause.
class FileErrorText
{
public:
    // The cause for an errno value, as a sentence ("The disk is full.").
    static QString forErrno(int error);
};

} // namespace zentaro
