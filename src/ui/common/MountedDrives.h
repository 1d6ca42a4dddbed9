#pragma once

#include <QString>
#include <QStringList>

class QStorageInfo;

namespace zentaro {

// The "drives" of this platform: the mounted file systems a user can keep
// files on, named by their root path.
class MountedDrives
{
public:
    // Root paths of the ready, real file systems, "/" first, then by path.
    static QStringList roots();
    // Kernel and system mounts (proc, sysfs, cgroups, snap images...) that hold no user files.
    static bool isPseudo(const QStorageInfo& volume);
    // The listed root that holds folder: the longest one that is folder
    // itself or one of its parents. Empty when none does.
    static QString driveOf(const QString& folder, const QStringList& roots);
    // Why folder cannot be listed, in the system's words; empty when it can.
    static QString listingError(const QString& folder);
};

} // namespace zentaro
