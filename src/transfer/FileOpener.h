#pragma once

#include <QString>

namespace zentaro {

// Opens a file with the application the desktop associates with it. The
// windows hand it to the desktop's opener; tests record the request.
class FileOpener
{
public:
    virtual ~FileOpener() = default;
    // False when the request could not even be handed over.
    virtual bool OpenFile(const QString& path) = 0;
};

} // namespace zentaro
