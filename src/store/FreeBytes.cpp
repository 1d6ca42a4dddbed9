#include "store/FreeBytes.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

namespace zentaro {

std::optional<qint64> FreeBytes::System(const QString& path)
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
    const QStorageInfo volume(probe);
    if (!volume.isValid() || !volume.isReady() || volume.bytesAvailable() < 0)
        return std::nullopt;
    return volume.bytesAvailable();
}

} // namespace zentaro
