#include "transfer/WritebackPacer.h"

#include <QFile>

#if defined(Q_OS_LINUX)
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cstdlib>
#endif

namespace zentaro {

WritebackPacer WritebackPacer::forOpenFile(const QString& path)
{
#if defined(Q_OS_LINUX)
    struct stat wanted = {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &wanted) != 0)
        return WritebackPacer(-1, true);
    int found = -1;
    if (DIR* fds = ::opendir("/proc/self/fd")) {
        const int own = ::dirfd(fds);
        while (dirent* entry = ::readdir(fds)) {
            char* end = nullptr;
            const long fd = std::strtol(entry->d_name, &end, 10);
            if (end == entry->d_name || *end != '\0' || fd == own)
                continue;
            struct stat st = {};
            if (::fstat(static_cast<int>(fd), &st) == 0 && S_ISREG(st.st_mode) && st.st_dev == wanted.st_dev &&
                st.st_ino == wanted.st_ino) {
                found = static_cast<int>(fd);
                break;
            }
        }
        ::closedir(fds);
    }
    return WritebackPacer(found, true);
#else
    Q_UNUSED(path);
    return WritebackPacer(-1, true);
#endif
}

void WritebackPacer::wrote(qint64 length)
{
    m_written += length;
    if (m_fd < 0 || m_written - m_kicked < kStepBytes)
        return;
#if defined(Q_OS_LINUX)
    if (m_wholeFile) {
        ::sync_file_range(m_fd, 0, 0, SYNC_FILE_RANGE_WRITE);
    } else {
        // Only the part behind us: the page being filled is left alone.
        ::sync_file_range(m_fd, m_kicked, m_written - m_kicked, SYNC_FILE_RANGE_WRITE);
    }
#endif
    m_kicked = m_written;
}

} // namespace zentaro
