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
    // All that was written to the file system holding folder, its entries
    // included; 0, or the errno of the failure.
    static int syncFileSystemOf(const QString& folder);
};

} // namespace zentaro
