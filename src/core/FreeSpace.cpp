#include "core/FreeSpace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#if defined(Q_OS_UNIX)
#include <sys/statvfs.h>
#endif

namespace zentaro {

std::optional<qint64> FreeSpace::SystemProbe(const QString& path)
{
    if (path.isEmpty())
        return std::nullopt;
    QString probe = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    while (!QFileInfo::exists(probe)) {
        const QString up = QFileInfo(probe).path();
        if (up == probe)
            return std::nullopt;
        probe = up;
    }
#if defined(Q_OS_UNIX)
    // The figure QStorageInfo gives (blocks free to this user times the block
    // size), without its walk through the mount table: the add-files loop
    // asks before every file.
    struct statvfs volume = {};
    if (::statvfs(QFile::encodeName(probe).constData(), &volume) != 0)
        return std::nullopt;
    return static_cast<qint64>(volume.f_bavail) * static_cast<qint64>(volume.f_frsize);
#else
    const QStorageInfo volume(probe);
    if (!volume.isValid() || !volume.isReady() || volume.bytesAvailable() < 0)
        return std::nullopt;
    return volume.bytesAvailable();
#endif
}

Notice FreeSpace::InsertRefusal()
{
    return {NoticeIcon::Exclamation, kInsertTitle, kInsertText};
}

Notice FreeSpace::ExtractRefusal()
{
    return {NoticeIcon::Exclamation, kExtractTitle, kExtractText};
}

} // namespace zentaro
