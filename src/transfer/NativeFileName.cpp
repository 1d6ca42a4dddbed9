#include "transfer/NativeFileName.h"

#include "core/Cp1252.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#if defined(Q_OS_UNIX)
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace zentaro {

namespace {

#if defined(Q_OS_UNIX)
QDateTime fromTimespec(qint64 seconds, qint64 nanoseconds)
{
    return QDateTime::fromMSecsSinceEpoch(seconds * 1000 + nanoseconds / 1000000);
}

QDateTime dateOf(int fd)
{
#if defined(Q_OS_LINUX) && defined(STATX_BTIME)
    struct statx sx = {};
    if (::statx(fd, "", AT_EMPTY_PATH, STATX_BTIME | STATX_MTIME, &sx) == 0) {
        // Some file systems (and files unpacked from images) report a birth
        // time of zero: no creation date is known, so the change date stands in.
        if ((sx.stx_mask & STATX_BTIME) && (sx.stx_btime.tv_sec != 0 || sx.stx_btime.tv_nsec != 0))
            return fromTimespec(sx.stx_btime.tv_sec, sx.stx_btime.tv_nsec);
        return fromTimespec(sx.stx_mtime.tv_sec, sx.stx_mtime.tv_nsec);
    }
#endif
    struct stat st = {};
    if (::fstat(fd, &st) != 0)
        return {};
    return fromTimespec(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
}
#endif

} // namespace

bool NativeFileName::IsUtf8(QByteArrayView bytes)
{
    // Bytes that are not UTF-8 come back as U+FFFD and so differ.
    return QString::fromUtf8(bytes).toUtf8() == bytes;
}

QString NativeFileName::ToText(QByteArrayView name)
{
    return IsUtf8(name) ? QString::fromUtf8(name) : Cp1252::decode(name);
}

QList<NativeFileName::Listed> NativeFileName::ListFiles(const QString& folder)
{
    QList<Listed> out;
#if defined(Q_OS_UNIX)
    const QByteArray base = FromText(folder);
    DIR* dir = ::opendir(base.constData());
    if (!dir)
        return out;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name.startsWith('.'))
            continue;
        struct stat st = {};
        if (::stat(Join(folder, name).constData(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        out.push_back({ToText(name), name});
    }
    ::closedir(dir);
#else
    for (const QString& name : QDir(folder).entryList(QDir::Files))
        out.push_back({name, QFile::encodeName(name)});
#endif
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(out.begin(), out.end(),
                     [&](const Listed& a, const Listed& b) { return collator.compare(a.Name, b.Name) < 0; });
    return out;
}

QByteArray NativeFileName::FromText(const QString& path)
{
    return QFile::encodeName(path);
}

QByteArray NativeFileName::Join(const QString& folder, QByteArrayView name)
{
    QByteArray path = FromText(folder);
    if (!path.endsWith('/'))
        path += '/';
    return path + name.toByteArray();
}

bool NativeFileName::OpenForReading(QFile& file, const QByteArray& native, QDateTime* fileDate)
{
#if defined(Q_OS_UNIX)
    // Not blocking: a pipe would otherwise wait until someone wrote to it.
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st = {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    if (fileDate)
        *fileDate = dateOf(fd);
    if (!file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
#else
    const QString path = QFile::decodeName(native);
    const QFileInfo info(path);
    if (!info.isFile())
        return false;
    file.setFileName(path);
    if (fileDate)
        *fileDate = info.birthTime().isValid() && info.birthTime().toMSecsSinceEpoch() != 0 ? info.birthTime()
                                                                                           : info.lastModified();
    return file.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
#endif
}

qint64 NativeFileName::Size(const QByteArray& native)
{
#if defined(Q_OS_UNIX)
    struct stat st = {};
    if (::stat(native.constData(), &st) != 0)
        return -1;
    return static_cast<qint64>(st.st_size);
#else
    const QFileInfo info(QFile::decodeName(native));
    return info.exists() ? info.size() : -1;
#endif
}

bool NativeFileName::Remove(const QByteArray& native)
{
#if defined(Q_OS_UNIX)
    return ::unlink(native.constData()) == 0;
#else
    return QFile::remove(QFile::decodeName(native));
#endif
}

} // namespace zentaro
