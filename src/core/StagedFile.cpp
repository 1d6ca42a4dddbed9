#include "core/StagedFile.h"

#include "core/FileWriter.h"

#include <QFile>

#include <atomic>
#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace zentaro {

namespace {

std::atomic<unsigned> g_serial{0};

QByteArray folderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArrayLiteral(".") : slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

} // namespace

StagedFile::StagedFile(const QString& target, unsigned mode) : m_target(QFile::encodeName(target)), m_mode(mode) {}

StagedFile::~StagedFile()
{
    abandon();
}

QByteArray StagedFile::stagingName() const
{
    // Short, whatever the target's length: the target's own name with a
    // suffix could pass the longest name a folder allows.
    char name[64];
    std::snprintf(name, sizeof name, "/.zentaro-%ld-%u.part", static_cast<long>(::getpid()), g_serial++);
    return folderOf(m_target) + name;
}

int StagedFile::open()
{
    abandon();
#ifdef O_TMPFILE
    // A file without a name cannot be left behind by a crash.
    const int fd = ::open(folderOf(m_target).constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, m_mode);
    if (fd >= 0) {
        m_fd = fd;
        return 0;
    }
    // Only a file system that cannot make one falls back to a hidden name.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
        return errno;
#endif
    return openNamed();
}

int StagedFile::openNamed()
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray staging = stagingName();
        const int fd = ::open(staging.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, m_mode);
        if (fd >= 0) {
            m_fd = fd;
            m_staging = staging;
            return 0;
        }
        // Left by an earlier process of the same number: try the next name.
        if (errno != EEXIST)
            return errno;
    }
    return EEXIST;
}

int StagedFile::linkTo(const QByteArray& name) const
{
    // Named through the descriptor itself where the system lets a process
    // do so for a file it made (Linux 6.10 on), otherwise through its entry
    // under /proc, which costs a longer path lookup each time.
    static std::atomic<bool> emptyPathRefused{false};
    if (!emptyPathRefused.load(std::memory_order_relaxed)) {
        if (::linkat(m_fd, "", AT_FDCWD, name.constData(), AT_EMPTY_PATH) == 0)
            return 0;
        const int error = errno;
        if (error != ENOENT && error != EPERM && error != EINVAL)
            return error;
        emptyPathRefused = true;
    }
    char self[64];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", m_fd);
    return ::linkat(AT_FDCWD, self, AT_FDCWD, name.constData(), AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
}

int StagedFile::link()
{
    if (!m_staging.isEmpty())
        return ::rename(m_staging.constData(), m_target.constData()) == 0 ? 0 : errno;
    const int error = linkTo(m_target);
    if (error != EEXIST)
        return error;
    // A name cannot be linked over a file: link beside it, then replace it.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray staging = stagingName();
        const int beside = linkTo(staging);
        if (!beside) {
            m_staging = staging;
            return ::rename(m_staging.constData(), m_target.constData()) == 0 ? 0 : errno;
        }
        if (beside != EEXIST)
            return beside;
    }
    return EEXIST;
}

int StagedFile::commit(bool sync)
{
    if (m_fd < 0)
        return EBADF;
    int error = sync ? FileWriter::sync(m_fd) : 0;
    if (!m_staging.isEmpty()) {
        // Closed first: a network file system reports a failed write here.
        if (::close(m_fd) != 0 && !error)
            error = errno;
        m_fd = -1;
        if (!error)
            error = link();
    } else {
        // An unnamed file is named through its descriptor.
        if (!error)
            error = link();
        const bool named = !error;
        if (::close(m_fd) != 0 && !error) {
            error = errno;
            if (named)
                ::unlink(m_target.constData());
        }
        m_fd = -1;
    }
    if (error && !m_staging.isEmpty())
        ::unlink(m_staging.constData());
    m_staging.clear();
    return error;
}

void StagedFile::abandon()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_staging.isEmpty()) {
        ::unlink(m_staging.constData());
        m_staging.clear();
    }
}

} // namespace zentaro
