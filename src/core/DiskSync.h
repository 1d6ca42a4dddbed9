#pragma once

#include <QString>

namespace zentaro {

// Forces written data to the disk, so a rename or a commit survives a power loss.
class DiskSync
{
public:
    static bool syncFile(const QString& path);
    // The folder entry itself: needed after creating or renaming a file in it.
    static bool syncFolder(const QString& folder);
};

} // namespace zentaro
