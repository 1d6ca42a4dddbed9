#include "core/Drive.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

namespace zentaro {

std::optional<Drive::Facts> Drive::systemLookup(const QString& path)
{
    if (path.isEmpty() || !QFileInfo::exists(path))
        return std::nullopt;
    const QStorageInfo storage(path);
    if (!storage.isValid())
        return std::nullopt;
    return Facts{storage.rootPath(), storage.device()};
}

QString Drive::rootOf(const QString& path, const Lookup& lookup)
{
    const std::optional<Facts> facts = lookup ? lookup(path) : std::nullopt;
    if (!facts || facts->rootPath.isEmpty())
        return QStringLiteral("/");
    return facts->rootPath;
}

QString Drive::keepOnProgramDrive(const QString& folder, const QString& programFolder,
                                  const Lookup& lookup)
{
    const std::optional<Facts> programDrive = lookup ? lookup(programFolder) : std::nullopt;
    const QString programRoot =
        programDrive && !programDrive->rootPath.isEmpty() ? programDrive->rootPath
                                                           : QStringLiteral("/");
    // A relative text is a folder of another platform ("D:\Scans") or of no
    // particular place; neither is worth keeping.
    if (folder.isEmpty() || !QDir::isAbsolutePath(folder))
        return programRoot;
    const std::optional<Facts> folderDrive = lookup ? lookup(folder) : std::nullopt;
    if (!folderDrive)
        return programRoot;
    if (programDrive && *folderDrive != *programDrive)
        return programRoot;
    return folder;
}

} // namespace zentaro
