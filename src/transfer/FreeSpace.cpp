#include "transfer/FreeSpace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#if defined(Q_OS_UNIX)
#include <sys/statvfs.h>
#endif

namespace zentaro {

std::optional<qint64> FreeSpace::SystemProbe(const QString& path)
{
#if defined(Q_OS_UNIX)
    // The same figure QStorageInfo gives (blocks free to this user times the
    // block size), without its walk through the mount table: the add-files
    // loop asks before every file.
    if (path.isEmpty())
        return std::nullopt;
    struct statvfs volume = {};
    auto measure = [&](const QString& at) { return ::statvfs(QFile::encodeName(at).constData(), &volume) == 0; };
    if (!measure(path)) {
        QString probe = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
        while (!QFileInfo::exists(probe)) {
            const QString up = QFileInfo(probe).path();
            if (up == probe)
                return std::nullopt;
            probe = up;
        }
        if (!measure(probe))
            return std::nullopt;
    }
    return static_cast<qint64>(volume.f_bavail) * static_cast<qint64>(volume.f_frsize);
#else
    return FreeBytes::System(path);
#endif
}

bool FreeSpace::Fits(qint64 size, const std::optional<qint64>& free)
{
    return FreeBytes::Fits(size, free);
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
