#include "transfer/FileExtractor.h"

#include "core/BackgroundHash.h"
#include "core/BackgroundWriter.h"
#include "core/ContentHash.h"
#include "core/FileErrorText.h"
#include "core/FileWriter.h"
#include "core/PathText.h"
#include "core/Progress.h"
#include "core/StagedFile.h"
#include "security/AccessRights.h"
#include "store/ConfigRow.h"
#include "store/Database.h"
#include "store/LibraryFile.h"
#include "store/MainRecord.h"
#include "transfer/ExtractionFolder.h"
#include "transfer/FileNameRules.h"
#include "transfer/FileOpener.h"
#include "transfer/SameFile.h"
#include "transfer/WritebackPacer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace zentaro {

namespace {

// What is at a target's name, from one status call where nothing is (the
// usual case in a run of many files).
struct Existing
{
    bool taken = false; // a file, folder or link, even one pointing nowhere
    bool isFile = false;
    bool isDir = false;
    qint64 size = 0;
};

// followLinks: a link counts as what it points at; otherwise as neither a
// file nor a folder, so that it is replaced.
Existing existingAt(const QString& path, bool followLinks)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st = {};
    if (::lstat(name.constData(), &st) != 0)
        return {};
    Existing found;
    found.taken = true;
    if (S_ISLNK(st.st_mode) && (!followLinks || ::stat(name.constData(), &st) != 0))
        return found;
    found.isFile = S_ISREG(st.st_mode);
    found.isDir = S_ISDIR(st.st_mode);
    found.size = static_cast<qint64>(st.st_size);
    return found;
}

// Keeps an existing copy of size bytes in the extraction folder, made
// readable by its owner only; false when it is no such file of the user's,
// or has another name elsewhere too (whose mode is not the folder's to set).
bool keepPrivate(const QString& path, qint64 size)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st = {};
    const bool kept = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 1 && st.st_size == size &&
                      ((st.st_mode & 07777) == ExtractionFolder::kCopyMode ||
                       ::fchmod(fd, ExtractionFolder::kCopyMode) == 0);
    ::close(fd);
    return kept;
}

} // namespace

FileExtractor::FileExtractor(TransferSettings settings, std::shared_ptr<Database> database,
                             FreeSpace::Probe freeSpace)
    : m_settings(std::move(settings)), m_db(std::move(database)), m_freeSpace(std::move(freeSpace))
{
    m_buffer.resize(static_cast<size_t>(chunkSize()));
}

FileExtractor::~FileExtractor() = default;

qint64 FileExtractor::chunkSize() const
{
    return std::clamp<qint64>(m_settings.chunkSize, 1, LibraryFile::kPieceSize);
}

QString FileExtractor::newLine() const
{
    return m_settings.newLine;
}

Notice FileExtractor::WriteFailure(const QString& path, const QString& systemText, const QString& newLine)
{
    return {NoticeIcon::Critical, kErrorTitle, systemText + newLine + newLine + path};
}

Notice FileExtractor::ReplacedName(const MainRecord& record, const QString& path, const QString& newLine)
{
    // The stored name may hold control characters; show them, do not send them.
    QString shown;
    for (const QChar c : FileNameRules::StoredName(record.FileName, record.FileType)) {
        if (c.category() == QChar::Other_Control || c.isSurrogate())
            shown += QStringLiteral("\\x%1").arg(uint(c.unicode()), 2, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    const QString gap = newLine + newLine;
    return {NoticeIcon::Information, QStringLiteral("ZNT Notice"),
            QStringLiteral("The name stored with record %1 cannot be used as a file name:").arg(record.MainID) + gap +
                shown + gap + QStringLiteral("It was extracted as:") + gap + path};
}

QString FileExtractor::fewerBytesText(qint64 size)
{
    return QStringLiteral("The library holds fewer bytes of this file than its size of %1 bytes.").arg(size);
}

QString FileExtractor::checksumText(qint64 mainId)
{
    return QStringLiteral("Record %1 is damaged: its stored bytes differ from the checksum taken when they were "
                          "stored. Nothing was extracted.")
        .arg(mainId);
}

Outcome FileExtractor::failed(ErrorCode code, const QString& systemText, const QString& target) const
{
    return Outcome::failed(Status::failure(code, systemText), WriteFailure(target, systemText, newLine()));
}

Outcome FileExtractor::WriteFailure(const BackgroundWriter::Failure& failure, const QString& newLine)
{
    if (failure.checksumDiffers) {
        const QString text = checksumText(failure.id);
        return Outcome::failed(Status::failure(ErrorCode::Damaged, text),
                                       WriteFailure(failure.path, text, newLine));
    }
    const QString text = FileErrorText::forErrno(failure.error);
    return Outcome::failed(Status::failure(FileErrorText::codeFor(failure.error), text),
                           WriteFailure(failure.path, text, newLine));
}

Status FileExtractor::checkSize(const MainRecord& record, QByteArray* wholeFile)
{
    auto damaged = [&](const QString& why) {
        return Status::failure(ErrorCode::Damaged, QStringLiteral("Record %1 is damaged: %2 Nothing was extracted.")
                                                       .arg(record.MainID)
                                                       .arg(why));
    };
    if (record.FileSize < 0)
        return damaged(QStringLiteral("its FileSize of %1 bytes is below 0.").arg(record.FileSize));
    if (Status s = m_db->checkFileSize(record.MainID); !s)
        return s.code() == ErrorCode::Damaged ? damaged(QStringLiteral("its FileSize is not a number of bytes.")) : s;
    if (wholeFile) {
        // One read that checks the size on its way; the size is only
        // worked out again to say what is wrong.
        Result<QByteArray> bytes = m_db->readStoredFile(record.MainID, record.FileSize);
        if (bytes) {
            *wholeFile = std::move(*bytes);
            return {};
        }
        if (bytes.code() != ErrorCode::Damaged)
            return bytes.status();
        if (Status s = checkSize(record, nullptr); !s)
            return s;
        return bytes.status();
    }
    Result<qint64> stored = m_db->storedSize(record.MainID);
    if (!stored)
        return stored.status();
    if (*stored != record.FileSize) {
        return damaged(QStringLiteral("its FileSize is %1 bytes, but the library holds %2 bytes of the file.")
                           .arg(record.FileSize)
                           .arg(*stored));
    }
    return {};
}

Result<ExtractedFile> FileExtractor::ExtractFile(const MainRecord& record, const QString& targetPath,
                                                 Progress& progress, bool knownAbsent)
{
    QString target = targetPath;
    const qint64 size = record.FileSize;
    auto done = [&](ExtractedFile::Fate fate) {
        ExtractedFile file;
        file.fate = fate;
        file.path = target;
        if (!m_settings.libraryReadOnly)
            file.date = QFileInfo(target).lastModified();
        return file;
    };
    auto failed = [&](ErrorCode code, const QString& systemText) { return this->failed(code, systemText, target); };

    // Every caller names the target through FileNameRules::TargetFor; this
    // guards a path built any other way ("..", a control character).
    const qsizetype slash = target.lastIndexOf(QLatin1Char('/'));
    if (slash < 0 || QDir::cleanPath(target) != target || !FileNameRules::IsUsableName(target.mid(slash + 1)))
        return failed(ErrorCode::InvalidArgument, QStringLiteral("That name cannot be used as a file name."));
    // Whatever goes into the extraction folder goes through its one door,
    // which keeps it private and refuses a link in its place.
    // A bulk run goes through it once, not for each of its small files.
    const bool privateCopy = inExtractFolder(target.left(slash));
    const bool inRun = m_writeBehind != nullptr;
    if (privateCopy && !(inRun && m_preparedForRun)) {
        if (Status ready = ExtractionFolder(m_settings.extractFolder).Prepare(); !ready)
            return Outcome::failed(ready, ExtractionFolder::Refusal(ready));
    }
    m_preparedForRun = privateCopy && inRun;
    const unsigned mode = privateCopy ? ExtractionFolder::kCopyMode : 0666;
    // A run of many files listed the folder once instead of asking for each.
    const Existing existing = knownAbsent ? Existing() : existingAt(target, !privateCopy);
    const bool taken = existing.taken;
    // A record named like the library, extracted beside it, must not replace it.
    if (taken && SameFile::Is(target, m_db->path()))
        return failed(ErrorCode::InvalidArgument, QStringLiteral("That is the open library file itself."));
    // A small file of a bulk run is read here already, and written behind it.
    const bool queued = m_writeBehind && size <= kProgressThreshold;
    QByteArray bytes;
    // A damaged record is not passed off as a file, nor an old copy in its place.
    if (Status s = checkSize(record, queued ? &bytes : nullptr); !s)
        return failed(s.code(), s.message());

    Result<QByteArray> expected = m_db->fileHash(record.MainID);
    if (!expected)
        return failed(expected.code(), expected.message());

    if (taken && existing.isDir)
        return failed(ErrorCode::InvalidArgument, QStringLiteral("A folder of that name is in the way."));
    if (taken && !m_conflicts) {
        if (existing.isFile && existing.size == size && (!privateCopy || keepPrivate(target, size))) {
            // Opening the same file again is immediate.
            return done(ExtractedFile::Fate::Kept);
        }
        QFile old(target);
        if (!old.remove())
            return failed(ErrorCode::Io, old.errorString());
    } else if (taken) {
        // In a folder the user chose, only the record's own bytes stand in for it.
        bool rewrite = false;
        if (existing.isFile && existing.size == size) {
            Result<bool> same = holdsRecordBytes(record, target, queued ? &bytes : nullptr, *expected);
            if (!same)
                return failed(same.code(), same.message());
            if (*same) {
                if (!privateCopy || keepPrivate(target, size))
                    return done(ExtractedFile::Fate::Kept);
                // The record's own bytes in the extraction folder, but not
                // private to its owner: written anew in their place.
                rewrite = true;
            }
        }
        switch (rewrite ? ConflictChoice::Replace : resolve(record, target).choice) {
        case ConflictChoice::Cancel:
            return Outcome::userCancelled();
        case ConflictChoice::Skip: {
            ExtractedFile skipped;
            skipped.fate = ExtractedFile::Fate::Skipped;
            skipped.path = target;
            return skipped;
        }
        case ConflictChoice::KeepBoth: {
            // Files still queued are on disk before a free name is looked for.
            if (m_writeBehind)
                m_writeBehind->wait();
            const QString second = keepBothPath(target);
            if (second.isEmpty()) {
                return failed(ErrorCode::InvalidArgument,
                              QStringLiteral("No second name could be made: the name is too long."));
            }
            target = second;
            break;
        }
        case ConflictChoice::Replace:
            // The file there keeps its name until the new one is whole.
            break;
        }
    }

    if (!FreeSpace::Fits(size, freeSpaceFor(target, queued))) {
        return Outcome::failed(
            Status::failure(ErrorCode::DiskFull, FreeSpace::kExtractText), FreeSpace::ExtractRefusal());
    }

    if (queued)
        return queueSmallFile(record, target, std::move(bytes), *expected, mode, progress);

    StagedFile out(target, mode);
    if (const int error = out.open())
        return failed(ErrorCode::Io, FileErrorText::forErrno(error));
    WritebackPacer pacer(out.handle());

    Progress* bar = nullptr;
    if (size > kProgressThreshold) {
        progress.begin(kExtractingText, true);
        bar = &progress;
    }
    auto closeBar = [&] {
        if (bar)
            progress.end();
        bar = nullptr;
    };
    // Whatever stops the loop, the temporary file goes and nothing has the target's name.
    auto abandon = [&](ErrorCode code, const QString& systemText) {
        out.abandon();
        closeBar();
        return failed(code, systemText);
    };

    // Pieces are gathered into page-aligned blocks: writes of 64,000 bytes
    // straddle pages and cost the disk about a third of its speed.
    constexpr qint64 kBlock = kBlockSize;
    // Two blocks: one is hashed on a second thread while the next one fills,
    // so checking the bytes costs no time of the transfer itself. They are
    // made once: a bulk run of small files would otherwise spend its time
    // clearing fresh megabytes for every file.
    const bool checking = !expected->isEmpty();
    for (std::vector<char>& block : m_blocks) {
        if (block.empty())
            block.resize(static_cast<size_t>(kBlock));
    }
    std::vector<char>* blocks = m_blocks;
    // One thread for the whole file, none for a file of one block.
    BackgroundHash hash(checking && size > kBlock);
    int current = 0;
    qint64 filled = 0;
    // The system's own cause: Qt reports a file grown too large as "Unknown error".
    int writeError = 0;
    auto writeFailed = [&] {
        return abandon(FileErrorText::codeFor(writeError), FileErrorText::forErrno(writeError));
    };
    auto flush = [&] {
        if (filled == 0)
            return true;
        const char* data = blocks[current].data();
        // Waits for the other block's hash before this one is handed over.
        if (checking)
            hash.add(data, filled);
        if (const int error = FileWriter::writeAll(out.handle(), data, filled)) {
            writeError = error;
            return false;
        }
        current ^= 1;
        pacer.wrote(filled);
        filled = 0;
        return true;
    };
    auto stage = [&](const char* data, qint64 length) {
        while (length > 0) {
            const qint64 take = std::min(length, kBlock - filled);
            std::memcpy(blocks[current].data() + filled, data, static_cast<size_t>(take));
            filled += take;
            data += take;
            length -= take;
            if (filled == kBlock && !flush())
                return false;
        }
        return true;
    };

    const qint64 piece = chunkSize();
    const qint64 pieces = size / piece + 1;
    char* buffer = m_buffer.data();
    int shown = 0;
    qint64 offset = 0;
    for (qint64 i = 1; offset < size; ++i) {
        const qint64 want = std::min(piece, size - offset);
        // Straight into the block when the piece fits there.
        char* into = kBlock - filled >= want ? blocks[current].data() + filled : buffer;
        Result<qint64> got = m_db->readChunk(record.MainID, offset, want, into);
        if (!got)
            return abandon(got.code(), got.message());
        if (*got < want) {
            return abandon(ErrorCode::Damaged, fewerBytesText(size));
        }
        // Lets window events run too, with or without a bar.
        const bool cancelled = progress.cancelRequested();
        if (into != buffer) {
            filled += want;
            if (filled == kBlock && !flush())
                return writeFailed();
        } else if (!stage(buffer, want)) {
            return writeFailed();
        }
        offset += want;
        if (bar) {
            const int percent = static_cast<int>(i * 100 / pieces);
            if (percent != shown) {
                shown = percent;
                bar->setPercent(percent);
            }
        }
        if (cancelled) {
            out.abandon();
            closeBar();
            return Outcome::userCancelled();
        }
    }
    if (!flush())
        return writeFailed();
    // Bytes changed since they were stored are no copy of the file.
    if (checking && hash.finish() != *expected) {
        return abandon(ErrorCode::Damaged, checksumText(record.MainID));
    }
    // Synced before the rename so that a failing disk is named and the name
    // never points at bytes still in memory. A bulk run syncs once, at its
    // end, as cp and sync would.
    if (const int error = out.commit(m_syncEachFile)) {
        writeError = error;
        return writeFailed();
    }
    closeBar();
    return done(ExtractedFile::Fate::Written);
}

void FileExtractor::setConflicts(ConflictResolver* conflicts)
{
    m_conflicts = conflicts;
    m_forAll.reset();
}

ConflictAnswer FileExtractor::resolve(const MainRecord& record, const QString& target)
{
    if (m_forAll)
        return {*m_forAll, true};
    if (m_writeBehind)
        m_writeBehind->wait();
    const ExtractConflict conflict{target, keepBothPath(target), record.MainID, m_writeBehind != nullptr};
    const ConflictAnswer answer = m_conflicts->Resolve(conflict);
    if (answer.forAll && conflict.inRun && answer.choice != ConflictChoice::Cancel)
        m_forAll = answer.choice;
    return answer;
}

QString FileExtractor::keepBothPath(const QString& target)
{
    const qsizetype slash = target.lastIndexOf(QLatin1Char('/'));
    const QString folder = target.left(slash);
    const QString name = target.mid(slash + 1);
    for (int n = 2;; ++n) {
        const QString numbered = FileNameRules::NumberedName(name, n);
        if (!FileNameRules::IsUsableName(numbered))
            return {};
        const QString path = PathText::join(folder, numbered);
        if (!existingAt(path, false).taken)
            return path;
    }
}

Result<bool> FileExtractor::holdsRecordBytes(const MainRecord& record, const QString& path, const QByteArray* bytes,
                                             const QByteArray& expectedHash)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Result<bool>::failure(ErrorCode::Io, file.errorString());
    if (bytes)
        return file.readAll() == *bytes;
    std::vector<char>& block = m_blocks[0];
    if (block.empty())
        block.resize(static_cast<size_t>(kBlockSize));
    const qint64 size = record.FileSize;
    // The stored checksum makes this one read of the file; without one the
    // stored bytes are read alongside it.
    const bool hashing = !expectedHash.isEmpty();
    ContentHash hash;
    qint64 offset = 0;
    while (offset < size) {
        const qint64 want = std::min(hashing ? kBlockSize : chunkSize(), size - offset);
        if (file.read(block.data(), want) != want)
            return Result<bool>::failure(ErrorCode::Io, file.errorString());
        if (hashing) {
            hash.add(block.data(), want);
        } else {
            Result<qint64> got = m_db->readChunk(record.MainID, offset, want, m_buffer.data());
            if (!got)
                return got.status();
            if (*got != want || std::memcmp(block.data(), m_buffer.data(), static_cast<size_t>(want)) != 0)
                return false;
        }
        offset += want;
    }
    return !hashing || hash.finish() == expectedHash;
}

void FileExtractor::setWriteBehind(BackgroundWriter* writer)
{
    m_writeBehind = writer;
    m_preparedForRun = false;
    m_freeFolder.clear();
    m_free.reset();
}

std::optional<qint64> FileExtractor::freeSpaceFor(const QString& target, bool queued)
{
    if (!queued)
        return m_freeSpace(target);
    // A run of small files asks the file system again every quarter second
    // or so, taking the files queued since off the last figure: asking for
    // each costs more than making it. A disk that another program fills
    // meanwhile is still reported, by the write.
    const QString folder = target.left(target.lastIndexOf(QLatin1Char('/')));
    if (folder != m_freeFolder || !m_freeAge.isValid() || m_freeAge.hasExpired(250)) {
        m_free = m_freeSpace(target);
        m_freeFolder = folder;
        m_freeAge.start();
    }
    return m_free;
}

Result<ExtractedFile> FileExtractor::queueSmallFile(const MainRecord& record, const QString& target, QByteArray bytes,
                                                    const QByteArray& expected, unsigned mode, Progress& progress)
{
    if (progress.cancelRequested())
        return Outcome::userCancelled();
    // The writer checks the bytes against the checksum before it names them.
    if (!m_writeBehind->write(target, std::move(bytes), expected, record.MainID, mode))
        return WriteFailure(*m_writeBehind->failure(), newLine());
    if (m_free)
        *m_free -= record.FileSize;
    ExtractedFile file;
    file.path = target;
    file.queued = true;
    return file;
}

bool FileExtractor::inExtractFolder(const QString& folder)
{
    // A run into one folder asks the file system once.
    if (folder != m_checkedFolder || m_checkedExtractFolder != m_settings.extractFolder) {
        m_checkedFolder = folder;
        m_checkedExtractFolder = m_settings.extractFolder;
        m_inExtractFolder = ExtractionFolder(m_settings.extractFolder).holds(folder);
    }
    return m_inExtractFolder;
}

bool FileExtractor::MayExtract(const QString& accessLevel, const ConfigRow& config)
{
    return AccessRights::Allows(accessLevel, AccessRights::Command::Extract, config);
}

Result<OpenedCopy> FileExtractor::ExtractAndOpen(const MainRecord& record, const ConfigRow& config,
                                                 Progress& progress, FileOpener& opener)
{
    // The caller shows the access-denied dialog, not a message box.
    if (!MayExtract(m_settings.accessLevel, config))
        return Status::failure(ErrorCode::AccessDenied, AccessRights::kDeniedText);
    Result<ExtractedFile> extracted = ExtractInto(record, m_settings.extractFolder, progress);
    if (!extracted)
        return extracted.outcome();
    OpenedCopy copy;
    copy.file = std::move(*extracted);
    copy.opened = opener.OpenFile(copy.file.path);
    if (!copy.opened)
        copy.notOpened = FileOpener::NotOpenedNotice(copy.file.path, newLine());
    copy.watchForEdits = m_settings.accessLevel != AccessRights::kBrowser && !m_settings.libraryReadOnly;
    return copy;
}

Result<ExtractedFile> FileExtractor::ExtractToFolder(const MainRecord& record, const QString& folder,
                                                     ConflictResolver& conflicts, Progress& progress)
{
    ConflictResolver* before = std::exchange(m_conflicts, &conflicts);
    Result<ExtractedFile> extracted = ExtractInto(record, folder, progress);
    m_conflicts = before;
    return extracted;
}

Result<ExtractedFile> FileExtractor::ExtractInto(const MainRecord& record, const QString& folder, Progress& progress)
{
    return ExtractTo(record, FileNameRules::TargetFor(folder, record.MainID, record.FileName, record.FileType),
                     progress);
}

Result<ExtractedFile> FileExtractor::ExtractTo(const MainRecord& record, const ExtractTarget& target,
                                               Progress& progress, bool knownAbsent)
{
    Result<ExtractedFile> extracted = ExtractFile(record, target.path, progress, knownAbsent);
    if (extracted && target.replaced)
        extracted->replacedName = ReplacedName(record, target.path, newLine());
    return extracted;
}

} // namespace zentaro
