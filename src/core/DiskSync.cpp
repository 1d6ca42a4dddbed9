#include "core/DiskSync.h"

#include "core/FileWriter.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace zentaro {

namespace {
bool syncPath(const QString& path, int flags)
{
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}
} // namespace

bool DiskSync::syncFile(const QString& path)
{
    return syncPath(path, O_RDONLY);
}

bool DiskSync::syncFolder(const QString& folder)
{
    return syncPath(folder, O_RDONLY | O_DIRECTORY);
}

int DiskSync::syncFileSystemOf(const QString& folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const int error = FileWriter::syncFileSystem(fd);
    ::close(fd);
    return error;
}

} // namespace zentaro
