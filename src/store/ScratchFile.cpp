#include "store/ScratchFile.h"

#include "core/FileErrorText.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace zentaro {

namespace {

constexpr int kCandidates = 100;

Result<ScratchFile> failure(const QString& path, int error)
{
    return Result<ScratchFile>::failure(
        error == ENOSPC || error == EDQUOT ? ErrorCode::DiskFull : ErrorCode::Io,
        QStringLiteral("The temporary file \"%1\" cannot be made. %2").arg(path, FileErrorText::forErrno(error)));
}

} // namespace

ScratchFile::~ScratchFile()
{
    remove();
}

ScratchFile::ScratchFile(ScratchFile&& other) noexcept : m_path(std::move(other.m_path)), m_fd(other.m_fd)
{
    other.m_fd = -1;
}

ScratchFile& ScratchFile::operator=(ScratchFile&& other) noexcept
{
    if (this != &other) {
        remove();
        m_path = std::move(other.m_path);
        m_fd = other.m_fd;
        other.m_fd = -1;
    }
    return *this;
}

QString ScratchFile::candidate(const QString& preferred, int index)
{
    if (index == 0)
        return preferred;
    const qsizetype slash = preferred.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = preferred.lastIndexOf(QLatin1Char('.'));
    const QString number = QStringLiteral("-%1").arg(index);
    if (dot <= slash + 1)
        return preferred + number;
    return preferred.left(dot) + number + preferred.mid(dot);
}

void ScratchFile::removeJournals(const QString& path)
{
    for (const char* suffix : {"-journal", "-wal", "-shm"})
        QFile::remove(path + QLatin1String(suffix));
}

Result<ScratchFile> ScratchFile::claim(const QString& preferred, mode_t mode)
{
    for (int index = 0; index < kCandidates; ++index) {
        const QString path = candidate(preferred, index);
        const QByteArray name = QFile::encodeName(path);
        // A stale one may be taken over; a name the claim loses to a
        // remover is tried again.
        for (int attempt = 0; attempt < 10; ++attempt) {
            const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
            if (fd < 0)
                return failure(path, errno);
            if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
                const int error = errno;
                ::close(fd);
                if (error == EWOULDBLOCK)
                    break; // a running program holds it: next name
                return failure(path, error);
            }
            struct stat held {};
            struct stat named {};
            if (::fstat(fd, &held) != 0 || ::stat(name.constData(), &named) != 0 || held.st_dev != named.st_dev ||
                held.st_ino != named.st_ino) {
                // Removed or replaced by its holder as we took it.
                ::close(fd);
                continue;
            }
            if (!S_ISREG(held.st_mode)) {
                ::close(fd);
                return failure(path, EISDIR);
            }
            // Nobody else holds it, so whatever it and its journal hold is left over.
            if (::ftruncate(fd, 0) != 0 || ::fchmod(fd, mode & 07777) != 0) {
                const int error = errno;
                ::close(fd);
                return failure(path, error);
            }
            removeJournals(path);
            return ScratchFile(path, fd);
        }
    }
    return Result<ScratchFile>::failure(ErrorCode::InUse,
                                        QStringLiteral("Every temporary file beside \"%1\" is in use.").arg(preferred));
}

void ScratchFile::remove()
{
    if (m_fd < 0)
        return;
    // Still holding the lock, so nobody takes the name over halfway.
    removeJournals(m_path);
    QFile::remove(m_path);
    release();
}

void ScratchFile::release()
{
    if (m_fd < 0)
        return;
    ::close(m_fd);
    m_fd = -1;
}

} // namespace zentaro
