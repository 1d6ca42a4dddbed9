#pragma once

#include "core/Notice.h"

#include <QString>

namespace zentaro {

// Opens a file with the application the desktop associates with it. The
// windows hand it to the desktop's opener; tests record the request.
class FileOpener
{
public:
    virtual ~FileOpener() = default;
    // False when the request could not even be handed over (no application
    // is set up for it).
    virtual bool OpenFile(const QString& path) = 0;

    // What the user is told when OpenFile gave up on path, a file or a folder,
    // which is left where it is.
    static Notice NotOpenedNotice(const QString& path, const QString& newLine);
};

} // namespace zentaro
