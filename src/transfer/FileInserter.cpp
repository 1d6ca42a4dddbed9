#include "transfer/FileInserter.h"

#include "core/BackgroundHash.h"
#include "core/FileErrorText.h"
#include "core/Progress.h"
#include "store/Database.h"
#include "store/LibraryFile.h"
#include "store/MainRecord.h"
#include "store/Recordset.h"
#include "transfer/FileNameRules.h"
#include "transfer/NativeFileName.h"
#include "transfer/SameFile.h"
#include "transfer/WritebackPacer.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

namespace zentaro {

namespace {

// Reads until length bytes are in or the file ends; -1 on a read error.
qint64 readFully(QFile& file, char* buffer, qint64 length)
{
    qint64 got = 0;
    while (got < length) {
        const qint64 n = file.read(buffer + got, length - got);
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        got += n;
    }
    return got;
}

QString causeOf(const QFile& file)
{
    const QString text = file.errorString();
    return text.isEmpty() ? QStringLiteral("The file could not be read.") : text;
}

// Opens a regular file for raw reading; a folder, device or pipe is refused
// (a pipe would block the window until someone wrote to it).
bool openForReading(QFile& file, const QFileInfo& info)
{
    if (!info.isFile())
        return false;
    return file.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

bool openForReading(QFile& file)
{
    return openForReading(file, QFileInfo(file.fileName()));
}

} // namespace

namespace {

// Files from this size on are hashed on a thread of their own.
constexpr qint64 kThreadedHashBytes = 4 * 1000 * 1000;

} // namespace

FileInserter::FileInserter(TransferSettings settings, std::shared_ptr<Database> database)
    : m_settings(std::move(settings)), m_db(std::move(database)), m_library(m_db->path())
{
    // Two pieces: one is hashed while the next is read.
    m_buffer.resize(static_cast<size_t>(2 * chunkSize()));
}

FileInserter::~FileInserter() = default;

qint64 FileInserter::chunkSize() const
{
    // The engine takes at most one stored piece per append.
    return std::clamp<qint64>(m_settings.chunkSize, 1, LibraryFile::kPieceSize);
}

QString FileInserter::newLine() const
{
    return m_settings.newLine;
}

Notice FileInserter::OpenFailure(const QString& path, const QString& cause, const QString& newLine)
{
    const QString gap = newLine + newLine;
    return {NoticeIcon::Exclamation, kInsertErrorTitle,
            QStringLiteral("There is a problem opening the file:") + gap + path + gap + cause + gap +
                QStringLiteral("It will NOT be inserted into the library.  Click OK to continue.")};
}

QString FileInserter::OpenCause(const QFileInfo& info, int error)
{
    if (!info.exists())
        return QStringLiteral("The file does not exist.");
    if (info.isDir())
        return QStringLiteral("It is a folder, not a file.");
    if (!info.isFile())
        return QStringLiteral("It is not an ordinary file.");
    if (error == EACCES || error == EPERM || !info.isReadable())
        return QStringLiteral("You have no permission to read it.");
    return FileErrorText::forErrno(error);
}

Notice FileInserter::InsertFailure(const QString& path, const QString& cause, const QString& newLine)
{
    const QString gap = newLine + newLine;
    return {NoticeIcon::Exclamation, kInsertErrorTitle,
            QStringLiteral("There is a problem inserting the file:") + gap + path + gap + cause + gap +
                QStringLiteral("It was NOT inserted into the library.  Click OK to continue.")};
}

Notice FileInserter::NameEncodingFailure(const QString& path, const QString& newLine)
{
    const QString gap = newLine + newLine;
    return {NoticeIcon::Exclamation, kInsertErrorTitle,
            QStringLiteral("There is a problem opening the file:") + gap + path + gap +
                QStringLiteral("Its name is not in the system's character encoding (UTF-8), and the file could not "
                               "be found under it.") +
                gap + QStringLiteral("It will NOT be inserted into the library.  Click OK to continue.")};
}

Notice FileInserter::ReInsertFailure(const QString& path, const QString& cause, const QString& newLine)
{
    const QString gap = newLine + newLine;
    return {NoticeIcon::Exclamation, kInsertErrorTitle,
            QStringLiteral("There is a problem re-inserting the file:") + gap + path + gap + cause + gap +
                QStringLiteral("The record in the library was NOT changed.  Click OK to continue.")};
}

Result<qint64> FileInserter::copyPieces(QFile& file, qint64 size, BackgroundHash& hash, const Sink& sink,
                                        const std::function<void(qint64, qint64)>& wholePieceDone)
{
    const qint64 piece = chunkSize();
    const qint64 whole = size / piece;
    qint64 total = 0;
    int half = 0;
    for (qint64 i = 1;; ++i) {
        // This half's last hash was waited for when the other half was handed over.
        char* buffer = m_buffer.data() + half * piece;
        half ^= 1;
        const qint64 got = readFully(file, buffer, piece);
        if (got < 0)
            return Result<qint64>::failure(ErrorCode::Io, causeOf(file));
        hash.add(buffer, got);
        if (Status s = sink(buffer, got); !s)
            return Result<qint64>(s);
        total += got;
        // A short piece is the final one (the end of a file of whole pieces
        // is an empty one).
        if (got < piece)
            break;
        if (wholePieceDone)
            wholePieceDone(i, std::max(whole, i));
    }
    if (total < size) {
        // Fewer bytes than the size said are the file itself when it still
        // says so (a file of /sys); a file cut short meanwhile is no whole file.
        struct stat now {};
        if (::fstat(file.handle(), &now) != 0 || now.st_size < size) {
            return Result<qint64>::failure(ErrorCode::Io,
                                           QStringLiteral("The file became shorter while it was being read."));
        }
    }
    return total;
}

Result<qint64> FileInserter::InsertData(const QString& path, const SharedFields& fields, Progress& fileBar,
                                        const QByteArray& native)
{
    const QByteArray source = native.isEmpty() ? NativeFileName::FromText(path) : native;
    if (m_library.isNative(source)) {
        // Reading it would drop the engine's locks, and removing the
        // original afterwards would delete the library.
        const QString cause = kOwnLibraryText;
        return Outcome::failed(Status::failure(ErrorCode::InvalidArgument, cause),
                               InsertFailure(path, cause, newLine()));
    }
    QFile file;
    QDateTime fileDate;
    errno = 0;
    if (!NativeFileName::OpenForReading(file, source, &fileDate)) {
        const int error = errno;
        // U+FFFD stands where a name's bytes were not UTF-8 and were lost in reading it.
        const bool lostName = path.contains(QChar::ReplacementCharacter) && NativeFileName::Size(source) < 0;
        const QString cause = OpenCause(QFileInfo(QFile::decodeName(source)), error);
        return Outcome::failed(
            Status::failure(ErrorCode::Unreadable, QStringLiteral("The file %1 cannot be opened. %2").arg(path, cause)),
            lostName ? NameEncodingFailure(path, newLine()) : OpenFailure(path, cause, newLine()));
    }
    auto fail = [&](const Status& s) {
        return Result<qint64>(Outcome::failed(s, InsertFailure(path, s.message(), newLine())));
    };

    fileBar.setPercent(0);
    fileBar.cancelRequested();

    const FileNameParts parts = FileNameRules::Split(path);
    const qint64 size = file.size();
    MainRecord record;
    record.Title = FileNameRules::TitleFor(parts.BaseName, fields.AutoCapitalize);
    record.Author = fields.Author;
    record.Keywords = fields.Keywords;
    record.Notes = fields.Notes;
    record.FileName = parts.BaseName;
    record.FileType = parts.FileType;
    record.FileSize = size;
    // Not every file system records a creation date; the last change stands in.
    record.FileDate = fileDate;
    fileBar.cancelRequested();

    // Inside the caller's transaction the record joins it, and a failure
    // takes the record out again; when even that fails, the caller's whole
    // transaction is undone (it then finds inTransaction() false). On its
    // own the record has a transaction of its own.
    const bool joined = m_db->inTransaction();
    if (!joined) {
        if (Status s = m_db->begin(); !s)
            return fail(s);
    }
    auto undo = [&](qint64 added) {
        if (joined && added > 0 && m_db->deleteRecord(added))
            return;
        if (m_db->inTransaction())
            m_db->rollback();
    };
    Result<qint64> id = m_db->insertRecord(record);
    if (!id) {
        undo(0);
        return fail(id.status());
    }
    // The library's pages go to disk while the file is still being read, so
    // the commit does not wait for all of them at the end.
    WritebackPacer pacer = size >= WritebackPacer::kStepBytes ? WritebackPacer::forOpenFile(m_db->path())
                                                              : WritebackPacer(-1);
    int shown = 0;
    BackgroundHash hash(size >= kThreadedHashBytes);
    const Result<qint64> stored = copyPieces(
        file, size, hash,
        [&](const char* data, qint64 length) {
            pacer.wrote(length);
            return m_db->appendChunk(*id, data, length);
        },
        [&](qint64 i, qint64 n) {
            const int percent = static_cast<int>(i * 100 / n);
            if (percent != shown) {
                shown = percent;
                fileBar.setPercent(percent);
            }
            fileBar.cancelRequested();
        });
    file.close();
    Status hashed = stored.status();
    // What was read is what is stored, whatever the size said at first.
    if (hashed && *stored != size)
        hashed = m_db->updateFields(*id, {{QStringLiteral("FileSize"), *stored}});
    if (hashed && m_db->keepsFileHashes())
        hashed = m_db->setFileHash(*id, hash.finish());
    if (!hashed) {
        undo(*id);
        return fail(hashed);
    }
    fileBar.setPercent(100);
    fileBar.cancelRequested();
    if (!joined) {
        if (Status s = m_db->commit(); !s) {
            if (m_db->inTransaction())
                m_db->rollback();
            return fail(s);
        }
    }
    m_db->idle();
    return *id;
}

Result<qint64> FileInserter::storeInto(Recordset& list, QFile& file, qint64 size, Progress& progress)
{
    // The old contents go first.
    if (Status s = list.setValue(QStringLiteral("OLE"), QByteArray()); !s)
        return Result<qint64>(s);
    Progress* bar = nullptr;
    if (size >= chunkSize()) {
        progress.begin(kInsertingText, false);
        progress.setPercent(0);
        bar = &progress;
    }
    WritebackPacer pacer = size >= WritebackPacer::kStepBytes ? WritebackPacer::forOpenFile(m_db->path())
                                                              : WritebackPacer(-1);
    int shown = 0;
    BackgroundHash hash(size >= kThreadedHashBytes);
    const Result<qint64> stored = copyPieces(
        file, size, hash,
        [&](const char* data, qint64 length) {
            pacer.wrote(length);
            return list.appendChunk(data, length);
        },
        [&](qint64 i, qint64 n) {
            // Only lets window events run: the bar has no Cancel.
            progress.cancelRequested();
            const int percent = static_cast<int>(i * 100 / n);
            if (bar && percent != shown) {
                shown = percent;
                bar->setPercent(percent);
            }
        });
    if (bar)
        progress.end();
    if (!stored)
        return stored;
    if (*stored != size) {
        if (Status s = list.setValue(QStringLiteral("FileSize"), *stored); !s)
            return Result<qint64>(s);
    }
    if (m_db->keepsFileHashes()) {
        if (Status s = list.setFileHash(hash.finish()); !s)
            return Result<qint64>(s);
    }
    return stored;
}

Result<qint64> FileInserter::StoreFileContents(Recordset& list, const QString& path, Progress& progress)
{
    if (m_library.is(path))
        return Result<qint64>::failure(ErrorCode::InvalidArgument, kOwnLibraryText);
    QFile file(path);
    if (!openForReading(file)) {
        return Result<qint64>::failure(ErrorCode::Unreadable,
                                       QStringLiteral("The file %1 cannot be opened: %2").arg(path, causeOf(file)));
    }
    return storeInto(list, file, file.size(), progress);
}

Outcome FileInserter::ReInsertCurrentFile(Recordset& list, const QString& path, Progress& progress)
{
    auto fail = [&](const Status& s, const QString& cause) {
        return Outcome::failed(s, ReInsertFailure(path, cause, newLine()));
    };
    // Everything that can refuse the file is asked before the record is touched.
    if (m_library.is(path))
        return fail(Status::failure(ErrorCode::InvalidArgument, kOwnLibraryText), kOwnLibraryText);
    QFile file(path);
    if (!QFileInfo::exists(path)) {
        const QString cause = QStringLiteral("The file is no longer there.");
        return fail(Status::failure(ErrorCode::NotFound, cause), cause);
    }
    if (!openForReading(file)) {
        const QString cause = QFileInfo(path).isFile() ? causeOf(file) : QStringLiteral("It is not a file.");
        return fail(Status::failure(ErrorCode::Unreadable, cause), cause);
    }
    const qint64 size = file.size();

    if (Status s = list.edit(); !s)
        return fail(s, s.message());
    auto undo = [&](const Status& s) {
        list.cancelUpdate();
        return fail(s, s.message());
    };
    if (Status s = list.setValue(QStringLiteral("FileSize"), size); !s)
        return undo(s);
    if (Status s = list.setValue(QStringLiteral("LastUpdatedDate"), QDateTime::currentDateTime()); !s)
        return undo(s);
    Result<qint64> stored = storeInto(list, file, size, progress);
    file.close();
    if (!stored)
        return undo(stored.status());
    progress.cancelRequested();
    if (Status s = list.update(); !s)
        return undo(s);
    m_db->idle();
    return Outcome::success();
}

} // namespace zentaro
