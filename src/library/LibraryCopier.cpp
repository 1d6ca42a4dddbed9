#include "library/LibraryCopier.h"

#include "core/DiskSync.h"

#include "core/ProgramState.h"
#include "core/Progress.h"
#include "store/Database.h"
#include "store/LibraryFile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <unistd.h>

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

} // namespace

LibraryCopier::LibraryCopier(ProgramState& state, FreeSpace::Probe freeSpace)
    : m_state(state), m_freeSpace(std::move(freeSpace))
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
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        return Status::failure(ErrorCode::Unreadable,
                               QStringLiteral("Could not read %1: %2").arg(quoted(source), in.errorString()));
    }
    QFile out(target);
    const bool existed = out.exists();
    // An empty file may be written over; anything else was refused before.
    const QIODevice::OpenMode mode =
        existed ? QIODevice::WriteOnly | QIODevice::Truncate : QIODevice::WriteOnly | QIODevice::NewOnly;
    if (!out.open(mode)) {
        return Status::failure(ErrorCode::Io,
                               QStringLiteral("Could not write %1: %2").arg(quoted(target), out.errorString()));
    }
    auto fail = [&](ErrorCode code, const QString& text) {
        out.close();
        QFile::remove(target);
        return Status::failure(code, text);
    };

    const qint64 total = in.size();
    std::vector<char> buffer(static_cast<size_t>(kCopyBuffer));
    qint64 done = 0;
    int shown = 0;
    progress.setPercent(0);
    for (;;) {
        const qint64 got = in.read(buffer.data(), kCopyBuffer);
        if (got < 0)
            return fail(ErrorCode::Io, QStringLiteral("Could not read %1: %2").arg(quoted(source), in.errorString()));
        if (got == 0)
            break;
        if (out.write(buffer.data(), got) != got) {
            const ErrorCode code = out.error() == QFileDevice::ResourceError ? ErrorCode::DiskFull : ErrorCode::Io;
            return fail(code, QStringLiteral("Could not write %1: %2").arg(quoted(target), out.errorString()));
        }
        done += got;
        const int percent = total > 0 ? static_cast<int>(std::min<qint64>(100, done * 100 / total)) : 100;
        if (percent != shown) {
            shown = percent;
            progress.setPercent(percent);
        }
    }
    if (!out.flush() || ::fsync(out.handle()) != 0)
        return fail(ErrorCode::Io, QStringLiteral("Could not write %1 to disk: %2").arg(quoted(target), out.errorString()));
    out.close();
    DiskSync::syncFolder(QFileInfo(target).absolutePath());
    progress.setPercent(100);
    return Status::success();
}

Status LibraryCopier::CreateNewLibrary(const QString& target)
{
    if (TargetTaken(target))
        return takenFailure();
    NullProgress quiet;
    if (Status copied = CopyFileBytes(m_state.TemplatePath, target, quiet); !copied)
        return copied;

    OpenOptions options;
    options.exclusive = true;
    Result<std::shared_ptr<Database>> db = Database::open(target, options);
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
    if (!stamped) {
        // A library that cannot be stamped is no good to anyone; leave nothing.
        QFile::remove(target);
        return stamped;
    }
    return Status::success();
}

Status LibraryCopier::CopyLibrary(const QString& source, const QString& target, Progress& progress)
{
    if (TargetTaken(target))
        return takenFailure();
    const qint64 size = QFileInfo(source).size();
    if (!FreeSpace::Fits(size, m_freeSpace ? m_freeSpace(target) : std::nullopt))
        return Status::failure(ErrorCode::DiskFull, kNoSpaceText);
    progress.setText(kCopyingText);
    return CopyFileBytes(source, target, progress);
}

} // namespace zentaro
