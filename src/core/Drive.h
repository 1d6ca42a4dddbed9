#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

namespace zentaro {

// A "drive" on this platform: the mounted file system that holds a path.
class Drive
{
public:
    struct Facts
    {
        QString rootPath; // mount point, e.g. "/" or "/media/usb"
        QByteArray device;
        bool operator==(const Facts&) const = default;
    };
    // The file system holding an existing path; nothing when the path does
    // not exist. Tests pass their own to simulate other file systems.
    using Lookup = std::function<std::optional<Facts>(const QString& path)>;

    // The real lookup through QStorageInfo.
    static std::optional<Facts> systemLookup(const QString& path);

    // Root of the file system holding path; "/" when the path is unknown.
    static QString rootOf(const QString& path, const Lookup& lookup);

    // folder itself when it exists on the same file system as programFolder;
    // otherwise (another file system, gone, or not an absolute path) the root
    // of the program folder's file system.
    static QString keepOnProgramDrive(const QString& folder, const QString& programFolder,
                                      const Lookup& lookup);
};

} // namespace zentaro
