#include "ui/common/MountedDrives.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QStorageInfo>

#include <algorithm>
#include <cerrno>
#include <dirent.h>

namespace zentaro {

namespace {

bool isUnder(const QString& path, const QString& root)
{
    if (root == QLatin1String("/"))
        return path.startsWith(QLatin1Char('/'));
    return path == root || path.startsWith(root + QLatin1Char('/'));
}

} // namespace

bool MountedDrives::isPseudo(const QStorageInfo& volume)
{
    static const QSet<QByteArray> pseudoTypes = {
        "proc", "sysfs", "devtmpfs", "devpts", "cgroup", "cgroup2", "securityfs", "debugfs",
        "tracefs", "pstore", "bpf", "mqueue", "hugetlbfs", "configfs", "fusectl", "binfmt_misc",
        "autofs", "efivarfs", "rpc_pipefs", "nsfs", "squashfs", "ramfs", "selinuxfs", "fuse.portal",
        "fuse.gvfsd-fuse"};
    if (pseudoTypes.contains(volume.fileSystemType()))
        return true;
    const QString root = volume.rootPath();
    if (root == QLatin1String("/"))
        return false;
    for (const char* systemArea : {"/proc", "/sys", "/dev", "/run", "/snap", "/boot/efi"}) {
        const QString area = QString::fromLatin1(systemArea);
        // Removable media land under /run/media on some systems: those are the user's.
        if (isUnder(root, area) && !isUnder(root, QStringLiteral("/run/media")))
            return true;
    }
    return volume.bytesTotal() <= 0;
}

QStringList MountedDrives::roots()
{
    QStringList result;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady() || isPseudo(volume))
            continue;
        const QString root = QDir::cleanPath(volume.rootPath());
        if (!result.contains(root))
            result.append(root);
    }
    if (!result.contains(QStringLiteral("/")))
        result.append(QStringLiteral("/"));
    std::sort(result.begin(), result.end(), [](const QString& a, const QString& b) {
        if (a == QLatin1String("/") || b == QLatin1String("/"))
            return a == QLatin1String("/") && b != QLatin1String("/");
        return a < b;
    });
    return result;
}

QString MountedDrives::driveOf(const QString& folder, const QStringList& roots)
{
    const QString path = QDir::cleanPath(folder);
    QString best;
    for (const QString& root : roots) {
        const QString clean = QDir::cleanPath(root);
        if (isUnder(path, clean) && clean.size() > best.size())
            best = root;
    }
    return best;
}

QString MountedDrives::listingError(const QString& folder)
{
    const QByteArray native = QFile::encodeName(folder);
    DIR* dir = ::opendir(native.constData());
    if (!dir)
        return qt_error_string(errno);
    ::closedir(dir);
    return QString();
}

} // namespace zentaro
