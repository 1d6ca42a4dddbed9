#include "library/LibraryCopier.h"

#include "core/DiskSync.h"
#include "core/FileErrorText.h"
#include "core/FileWriter.h"
#include "core/Progress.h"
#include "store/Database.h"
#include "store/LibraryFile.h"
#include "store/ScratchFile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace zentaro {

namespace {

constexpr qint64 kCopyBuffer = 1 << 20;

QString quoted(const QString& path)
{
    return QStringLiteral("\"%1\"").arg(path);
}

Status takenFailure()
{
    return Status::failure(ErrorCode::InvalidArgument, LibraryCopier::kExistsText);
}

mode_t currentUmask()
{
    // umask can only be read by setting it; nothing else runs meanwhile.
    const mode_t mask = ::umask(077);
    ::umask(mask);
    return mask;
}

} // namespace

LibraryCopier::LibraryCopier(QString templatePath, FreeSpace::Probe freeSpace)
    : m_templatePath(std::move(templatePath)), m_freeSpace(std::move(freeSpace))
{
}

QString LibraryCopier::TargetName(const QString& chosen)
{
    if (LibraryFile::IsLibraryPath(chosen))
        return chosen;
    return LibraryFile::WithLibraryExtension(chosen);
}

bool LibraryCopier::TargetTaken(const QString& target)
{
    const QFileInfo info(target);
    return info.exists() && (info.isDir() || info.size() > 0);
}

Status LibraryCopier::CopyFileBytes(const QString& source, const QString& target, Progress& progress)
{
    const QByteArray sourceName = QFile::encodeName(source);
    const int in = ::open(sourceName.constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        return Status::failure(ErrorCode::Unreadable,
                               QStringLiteral("Could not read %1. %2").arg(quoted(source), FileErrorText::forErrno(errno)));
    }
    const QByteArray targetName = QFile::encodeName(target);
    // An empty file may be written over; anything else was refused before.
    const bool existed = QFileInfo::exists(target);
    const int out = ::open(targetName.constData(), O_WRONLY | O_CLOEXEC | (existed ? O_TRUNC : O_CREAT | O_EXCL), 0666);
    if (out < 0) {
        const int error = errno;
        ::close(in);
        return Status::failure(ErrorCode::Io,
                               QStringLiteral("Could not write %1. %2").arg(quoted(target), FileErrorText::forErrno(error)));
    }
    auto fail = [&](bool reading, int error) {
        ::close(in);
        ::close(out);
        QFile::remove(target);
        if (reading) {
            return Status::failure(ErrorCode::Io, QStringLiteral("Could not read %1. %2")
                                                      .arg(quoted(source), FileErrorText::forErrno(error)));
        }
        return Status::failure(FileErrorText::codeFor(error), QStringLiteral("Could not write %1. %2").arg(quoted(target), FileErrorText::forErrno(error)));
    };

    struct stat info {};
    const qint64 total = ::fstat(in, &info) == 0 ? static_cast<qint64>(info.st_size) : 0;
    std::vector<char> buffer(static_cast<size_t>(kCopyBuffer));
    qint64 done = 0;
    int shown = 0;
    progress.setPercent(0);
    for (;;) {
        const ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return fail(true, errno);
        }
        if (got == 0)
            break;
        if (const int error = FileWriter::writeAll(out, buffer.data(), got))
            return fail(false, error);
        done += got;
        const int percent = total > 0 ? static_cast<int>(std::min<qint64>(100, done * 100 / total)) : 100;
        if (percent != shown) {
            shown = percent;
            progress.setPercent(percent);
        }
    }
    if (const int error = FileWriter::sync(out))
        return fail(false, error);
    ::close(in);
    if (::close(out) != 0) {
        const int error = errno;
        QFile::remove(target);
        return Status::failure(ErrorCode::Io, QStringLiteral("Could not write %1. %2").arg(quoted(target), FileErrorText::forErrno(error)));
    }
    DiskSync::syncFolder(QFileInfo(target).absolutePath());
    progress.setPercent(100);
    return Status::success();
}

QString LibraryCopier::ScratchPath(const QString& target)
{
    return target + QStringLiteral(".TMP");
}

Status LibraryCopier::moveIntoPlace(ScratchFile& scratch, const QString& target, mode_t mode)
{
    const QByteArray from = QFile::encodeName(scratch.path());
    const QByteArray to = QFile::encodeName(target);
    if (::chmod(from.constData(), mode) != 0) {
        return Status::failure(ErrorCode::Io,
                               QStringLiteral("Could not write %1. %2").arg(quoted(target), FileErrorText::forErrno(errno)));
    }
    // Someone may have put a file there meanwhile; only an empty one gives way.
    if (TargetTaken(target))
        return takenFailure();
    const int flags = QFileInfo::exists(target) ? 0 : RENAME_NOREPLACE;
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), flags) != 0) {
        const int error = errno;
        if (error == EEXIST)
            return takenFailure();
        return Status::failure(ErrorCode::Io,
                               QStringLiteral("Could not write %1. %2").arg(quoted(target), FileErrorText::forErrno(error)));
    }
    scratch.release();
    DiskSync::syncFolder(QFileInfo(target).absolutePath());
    return Status::success();
}

Status LibraryCopier::CreateNewLibrary(const QString& target)
{
    if (TargetTaken(target))
        return takenFailure();
    // Written beside the target and renamed only when whole and stamped, so
    // that a failure or a kill leaves no half library under that name.
    const mode_t mode = 0666 & ~currentUmask();
    Result<ScratchFile> scratch = ScratchFile::claim(ScratchPath(target), mode | S_IRUSR | S_IWUSR);
    if (!scratch)
        return scratch.status();
    NullProgress quiet;
    if (Status copied = CopyFileBytes(m_templatePath, scratch->path(), quiet); !copied)
        return Status::failure(copied.code(), QString(copied.message()).replace(scratch->path(), target));

    OpenOptions options;
    options.exclusive = true;
    Result<std::shared_ptr<Database>> db = Database::open(scratch->path(), options);
    Status stamped = db.status();
    if (db) {
        Result<ConfigRow> row = (*db)->loadConfig();
        if (row) {
            row->Created = QDateTime::currentDateTime();
            stamped = (*db)->saveConfig(*row);
        } else {
            stamped = row.status();
        }
        (*db)->close();
    }
    if (!stamped)
        return Status::failure(stamped.code(), QString(stamped.message()).replace(scratch->path(), target));
    if (!DiskSync::syncFile(scratch->path())) {
        return Status::failure(ErrorCode::Io,
                               QStringLiteral("Could not write %1. %2").arg(quoted(target), FileErrorText::forErrno(errno)));
    }
    return moveIntoPlace(*scratch, target, mode);
}

Status LibraryCopier::CopyLibrary(const QString& source, const QString& target, Progress& progress)
{
    if (TargetTaken(target))
        return takenFailure();
    const qint64 size = QFileInfo(source).size();
    if (!FreeSpace::Fits(size, m_freeSpace ? m_freeSpace(target) : std::nullopt))
        return Status::failure(ErrorCode::DiskFull, kNoSpaceText);
    progress.setText(kCopyingText);

    struct stat info {};
    if (::stat(QFile::encodeName(source).constData(), &info) != 0) {
        return Status::failure(ErrorCode::NotFound,
                               QStringLiteral("Could not read %1. %2").arg(quoted(source), FileErrorText::forErrno(errno)));
    }
    const mode_t mode = info.st_mode & 07777;
    Result<ScratchFile> scratch = ScratchFile::claim(ScratchPath(target), (mode & 0777) | S_IRUSR | S_IWUSR);
    if (!scratch)
        return scratch.status();

    // Shared: other programs go on using the library, and their commits
    // wait until the copy has its one committed state.
    // A writable connection where it may write, so that a journal left by a
    // program that was killed is rolled back before the copy is read.
    // A library made by an earlier version is copied as it is: the copy
    // never writes to its source.
    OpenOptions options;
    options.exclusive = false;
    options.readOnly = !QFileInfo(source).isWritable();
    options.upgrade = false;
    Result<std::shared_ptr<Database>> db = Database::open(source, options);
    if (!db)
        return db.status();
    Status copied = (*db)->snapshotTo(scratch->path(), progress);
    (*db)->close();
    if (!copied)
        return Status::failure(copied.code(), QString(copied.message()).replace(scratch->path(), target));
    return moveIntoPlace(*scratch, target, mode);
}

} // namespace zentaro
