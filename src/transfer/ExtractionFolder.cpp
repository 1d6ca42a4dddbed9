#include "transfer/ExtractionFolder.h"

#include "core/FileErrorText.h"
#include "core/PathText.h"
#include "core/Progress.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <vector>

namespace zentaro {

namespace {

// Closes the folder's descriptor however the work ends.
struct FolderHandle
{
    int fd = -1;
    ~FolderHandle()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

ExtractionFolder::ExtractionFolder(QString folder, BeforeRemove beforeRemove)
    : m_folder(std::move(folder)), m_beforeRemove(std::move(beforeRemove))
{
}

Notice ExtractionFolder::Refusal(const Status& status)
{
    return {NoticeIcon::Exclamation, QStringLiteral("ZNT ERROR"), status.message()};
}

Status ExtractionFolder::refusedFor(int error) const
{
    struct stat st {};
    if (::lstat(QFile::encodeName(m_folder).constData(), &st) == 0 && S_ISLNK(st.st_mode)) {
        return Status::failure(ErrorCode::InvalidArgument,
                               QStringLiteral("The extraction folder %1 is a symbolic link. Zentaro does not write "
                                              "copies through a link, nor delete what it points to. Remove the link "
                                              "and Zentaro makes a private folder in its place.")
                                   .arg(m_folder));
    }
    if (error == ENOENT)
        return Status::failure(ErrorCode::NotFound, QStringLiteral("The extraction folder %1 does not exist.").arg(m_folder));
    if (error == ENOTDIR) {
        return Status::failure(ErrorCode::InvalidArgument,
                               QStringLiteral("The extraction folder %1 is not a folder.").arg(m_folder));
    }
    return Status::failure(FileErrorText::codeFor(error), QStringLiteral("Zentaro cannot open the extraction folder %1: %2")
                                                              .arg(m_folder, FileErrorText::forErrno(error)));
}

Result<int> ExtractionFolder::open(bool create) const
{
    if (m_folder.isEmpty())
        return Result<int>::failure(ErrorCode::NotFound, QStringLiteral("No extraction folder is set."));
    const QByteArray native = QFile::encodeName(m_folder);
    for (int attempt = 0; attempt < 3; ++attempt) {
        // The folder itself: a link of its name is not followed.
        const int fd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) {
            const int error = errno;
            if (error != ENOENT || !create)
                return refusedFor(error);
            // Private from the start: no moment in which others could look in.
            QDir().mkpath(QFileInfo(m_folder).path());
            if (::mkdir(native.constData(), kFolderMode) != 0 && errno != EEXIST) {
                const int made = errno;
                return Result<int>::failure(FileErrorText::codeFor(made),
                                            QStringLiteral("Zentaro cannot make the extraction folder %1: %2")
                                                .arg(m_folder, FileErrorText::forErrno(made)));
            }
            continue;
        }
        FolderHandle folder{fd};
        struct stat st {};
        if (::fstat(fd, &st) != 0)
            return refusedFor(errno);
        if (st.st_uid != ::geteuid()) {
            return Result<int>::failure(ErrorCode::InvalidArgument,
                                        QStringLiteral("The extraction folder %1 belongs to another user, who could "
                                                       "read the copies opened from it. Remove it and Zentaro makes a "
                                                       "private folder in its place.")
                                            .arg(m_folder));
        }
        if ((st.st_mode & 07777) != kFolderMode && ::fchmod(fd, kFolderMode) != 0) {
            const int error = errno;
            return Result<int>::failure(FileErrorText::codeFor(error),
                                        QStringLiteral("Zentaro cannot make the extraction folder %1 private: %2")
                                            .arg(m_folder, FileErrorText::forErrno(error)));
        }
        folder.fd = -1;
        return fd;
    }
    return refusedFor(ENOENT);
}

Status ExtractionFolder::Prepare() const
{
    Result<int> folder = open(true);
    if (!folder)
        return folder.status();
    ::close(*folder);
    return {};
}

bool ExtractionFolder::holds(const QString& folder) const
{
    if (m_folder.isEmpty() || folder.isEmpty())
        return false;
    if (QDir::cleanPath(folder) == QDir::cleanPath(m_folder))
        return true;
    // A link in place of the folder holds nothing but its own name.
    struct stat mine {};
    struct stat other {};
    return ::lstat(QFile::encodeName(m_folder).constData(), &mine) == 0 && S_ISDIR(mine.st_mode) &&
           ::stat(QFile::encodeName(folder).constData(), &other) == 0 && other.st_dev == mine.st_dev &&
           other.st_ino == mine.st_ino;
}

void ExtractionFolder::overwriteWithZeros(int folderFd, const QByteArray& name)
{
    const int fd = ::openat(folderFd, name.constData(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_nlink != 1) {
        ::close(fd);
        return;
    }
    std::vector<char> zeros(1 << 20, '\0');
    off_t left = info.st_size;
    bool ok = true;
    while (ok && left > 0) {
        const size_t take = static_cast<size_t>(std::min<off_t>(left, static_cast<off_t>(zeros.size())));
        const ssize_t wrote = ::write(fd, zeros.data(), take);
        ok = wrote > 0;
        if (ok)
            left -= wrote;
    }
    ::fsync(fd);
    ::close(fd);
}

int ExtractionFolder::clearAt(int folderFd, bool overwrite) const
{
    // Listed through a descriptor of its own, from the start each time.
    const int listFd = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
    if (!dir) {
        if (listFd >= 0)
            ::close(listFd);
        return 0;
    }
    std::vector<QByteArray> names;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(dir);

    int left = 0;
    for (const QByteArray& name : names) {
        struct stat st {};
        if (::fstatat(folderFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 || S_ISDIR(st.st_mode))
            continue;
        if (overwrite && S_ISREG(st.st_mode))
            overwriteWithZeros(folderFd, name);
        if (m_beforeRemove && !m_beforeRemove(PathText::join(m_folder, QFile::decodeName(name)))) {
            ++left;
            continue;
        }
        // A link goes itself; a folder put in a file's place meanwhile stays.
        if (::unlinkat(folderFd, name.constData(), 0) != 0 && errno != ENOENT)
            ++left;
    }
    return left;
}

Result<int> ExtractionFolder::ClearExtractFolder(bool overwrite) const
{
    Result<int> folder = open(false);
    if (!folder)
        return folder.code() == ErrorCode::NotFound ? Result<int>(0) : Result<int>(folder.status());
    const FolderHandle handle{*folder};
    return clearAt(handle.fd, overwrite);
}

void ExtractionFolder::makeWipeEntry(int folderFd, const QByteArray& name)
{
    constexpr int kFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    int fd = ::openat(folderFd, name.constData(), kFlags, kCopyMode);
    if (fd < 0 && errno == EEXIST) {
        // Something of that name is there (a copy still in use, or put there
        // since): only its entry is replaced, never what a link points at.
        struct stat st {};
        if (::fstatat(folderFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISDIR(st.st_mode) &&
            ::unlinkat(folderFd, name.constData(), 0) == 0)
            fd = ::openat(folderFd, name.constData(), kFlags, kCopyMode);
    }
    if (fd >= 0)
        ::close(fd);
}

Status ExtractionFolder::SecurityWipe(int wipeAmount, Progress& progress) const
{
    Result<int> folder = open(true);
    if (!folder)
        return folder.status();
    const FolderHandle handle{*folder};
    clearAt(handle.fd, true);
    const int n = std::max(wipeAmount, 0);
    progress.begin(kWipeText, true);
    progress.setPercent(0);
    // The window is painted whole before the work starts.
    bool cancelled = false;
    for (int i = 0; i < 1000 && !cancelled; ++i)
        cancelled = progress.cancelRequested();
    int shown = 0;
    for (int i = 0; i <= n; ++i) {
        makeWipeEntry(handle.fd, QFile::encodeName(WipeFileName(i)));
        const int percent = n == 0 ? 100 : static_cast<int>(std::floor(double(i) / n * 100.0));
        if (percent != shown) {
            shown = percent;
            progress.setPercent(percent);
        }
        if (cancelled || progress.cancelRequested())
            break;
    }
    progress.end();
    clearAt(handle.fd, false);
    return {};
}

} // namespace zentaro
