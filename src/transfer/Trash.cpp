#include "transfer/Trash.h"

#include "transfer/NativeFileName.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <optional>

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace zentaro {

#if defined(Q_OS_UNIX)

namespace {

// A trash folder (holding files/ and info/) on the file's own drive; Path
// in its info files is absolute for the home trash and relative to the
// drive's top folder otherwise.
struct TrashFolder
{
    QByteArray folder;
    QByteArray pathBase; // empty: absolute paths
};

bool deviceOf(const QByteArray& path, dev_t& device)
{
    struct stat st = {};
    if (::stat(path.constData(), &st) != 0)
        return false;
    device = st.st_dev;
    return true;
}

bool makeFolder(const QByteArray& path, mode_t mode)
{
    if (::mkdir(path.constData(), mode) == 0 || errno == EEXIST) {
        struct stat st = {};
        return ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
    }
    return false;
}

// files/ and info/ in folder, made when missing, on device.
bool usable(const QByteArray& folder, dev_t device)
{
    dev_t there = 0;
    return makeFolder(folder, 0700) && makeFolder(folder + "/files", 0700) && makeFolder(folder + "/info", 0700)
        && deviceOf(folder + "/files", there) && there == device;
}

// The top folder of the drive that holds path: the last folder upwards on
// the same device.
QByteArray topFolderOf(QByteArray path, dev_t device)
{
    for (;;) {
        const qsizetype slash = path.lastIndexOf('/');
        if (slash <= 0)
            return QByteArrayLiteral("/");
        const QByteArray parent = path.left(slash);
        dev_t there = 0;
        if (!deviceOf(parent, there) || there != device)
            return path;
        path = parent;
    }
}

// Where a file of device goes: the user's home trash when it is on the
// home trash's drive, else the drive's own (.Trash/uid when an administrator
// made a sticky .Trash, else .Trash-uid). Nothing when that cannot be had:
// a file is never copied across drives into a trash.
std::optional<TrashFolder> trashFor(const QByteArray& absolute, dev_t device)
{
    const QByteArray dataHome =
        QFile::encodeName(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    QDir().mkpath(QFile::decodeName(dataHome));
    dev_t homeDevice = 0;
    if (!deviceOf(dataHome, homeDevice) && !deviceOf(QFile::encodeName(QDir::homePath()), homeDevice))
        return std::nullopt;
    if (homeDevice == device) {
        if (usable(dataHome + "/Trash", device))
            return TrashFolder{dataHome + "/Trash", {}};
        return std::nullopt;
    }

    const QByteArray top = topFolderOf(absolute, device);
    const QByteArray base = top.endsWith('/') ? top : top + '/';
    const QByteArray uid = QByteArray::number(::getuid());
    struct stat st = {};
    const QByteArray shared = base + ".Trash";
    if (::lstat(shared.constData(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX)
        && usable(shared + '/' + uid, device))
        return TrashFolder{shared + '/' + uid, base};
    if (usable(base + ".Trash-" + uid, device))
        return TrashFolder{base + ".Trash-" + uid, base};
    return std::nullopt;
}

bool writeAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// rename() that never replaces a file already there (EEXIST instead).
bool moveWithoutReplacing(const QByteArray& from, const QByteArray& to)
{
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL)
        return false;
    // A file system that cannot promise it: look first.
    struct stat st = {};
    if (::lstat(to.constData(), &st) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(from.constData(), to.constData()) == 0;
}

bool moveIntoTrash(const QByteArray& absolute, const TrashFolder& trash)
{
    const QByteArray name = absolute.mid(absolute.lastIndexOf('/') + 1);
    const QByteArray original = trash.pathBase.isEmpty() ? absolute : absolute.mid(trash.pathBase.size());
    const QByteArray info = "[Trash Info]\nPath=" + original.toPercentEncoding("/")
        + "\nDeletionDate=" + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddThh:mm:ss")).toUtf8()
        + '\n';
    for (int attempt = 0; attempt < 10000; ++attempt) {
        const QByteArray entry = attempt == 0 ? name : name + '-' + QByteArray::number(attempt);
        // The info file comes first and is made exclusively: two programs
        // trashing the same name at once get two entries.
        const QByteArray infoPath = trash.folder + "/info/" + entry + ".trashinfo";
        const int fd = ::open(infoPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return false;
        }
        const bool written = writeAll(fd, info);
        ::close(fd);
        const QByteArray target = trash.folder + "/files/" + entry;
        if (written && moveWithoutReplacing(absolute, target))
            return true;
        const int error = errno;
        ::unlink(infoPath.constData());
        if (!written || error != EEXIST)
            return false;
    }
    return false;
}

} // namespace

Trash::Disposal Trash::Discard(const QByteArray& native)
{
    // Bytes throughout: a name that is not UTF-8 goes in, and comes back, as it is.
    QByteArray absolute = native;
    if (!absolute.startsWith('/'))
        absolute = QFile::encodeName(QDir::currentPath()) + '/' + absolute;
    struct stat st = {};
    if (::lstat(absolute.constData(), &st) == 0 && !S_ISDIR(st.st_mode)) {
        if (const std::optional<TrashFolder> trash = trashFor(absolute, st.st_dev);
            trash && moveIntoTrash(absolute, *trash))
            return Disposal::Trashed;
    }
    return NativeFileName::Remove(native) ? Disposal::Deleted : Disposal::Kept;
}

#else

Trash::Disposal Trash::Discard(const QByteArray& native)
{
    if (QFile::moveToTrash(QFile::decodeName(native)))
        return Disposal::Trashed;
    return NativeFileName::Remove(native) ? Disposal::Deleted : Disposal::Kept;
}

#endif

} // namespace zentaro
