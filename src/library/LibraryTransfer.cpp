#include "library/LibraryTransfer.h"

#include "core/ContentHash.h"
#include "core/DiskSync.h"
#include "core/FileErrorText.h"
#include "core/Progress.h"
#include "library/LibraryCopier.h"
#include "store/Database.h"
#include "store/LibraryFile.h"
#include "store/QueryDialect.h"
#include "store/ScratchFile.h"
#include "store/server/ServerDatabase.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace zentaro {

namespace {

constexpr qint64 kPiece = LibraryFile::kPieceSize;
// Bytes read from the source at a time: a server sends them in one answer.
constexpr qint64 kReadSize = kPiece * 16;

QString recordName(const MainRecord& record)
{
    return QStringLiteral("record %1 \"%2\"").arg(record.MainID).arg(record.Title);
}

// One record with its bytes and checksum into target, in one transaction.
Status copyRecord(Database& source, Database& target, const MainRecord& record, std::vector<char>& buffer,
                  Progress& progress, qint64& done, qint64 total, int& shown)
{
    Result<QByteArray> expected = source.fileHash(record.MainID);
    if (!expected)
        return expected.status();
    if (Status s = target.begin(); !s)
        return s;
    auto undo = [&](const Status& why) {
        if (target.inTransaction())
            target.rollback();
        return why;
    };
    Result<qint64> id = target.insertRecord(record);
    if (!id)
        return undo(id.status());
    ContentHash hash;
    qint64 offset = 0;
    for (;;) {
        if (progress.cancelRequested())
            return undo(Status::failure(ErrorCode::Cancelled, QStringLiteral("The copy was cancelled at %1.")
                                                                  .arg(recordName(record))));
        Result<qint64> got = source.readChunk(record.MainID, offset, kReadSize, buffer.data());
        if (!got)
            return undo(got.status());
        for (qint64 at = 0; at < *got; at += kPiece) {
            const qint64 length = std::min(kPiece, *got - at);
            if (Status s = target.appendChunk(*id, buffer.data() + at, length); !s)
                return undo(s);
        }
        hash.add(buffer.data(), *got);
        offset += *got;
        done += *got;
        if (total > 0) {
            const int percent = static_cast<int>(std::min<qint64>(100, done * 100 / total));
            if (percent != shown) {
                shown = percent;
                progress.setPercent(percent);
            }
        }
        if (*got < kReadSize)
            break;
    }
    if (offset != record.FileSize) {
        return undo(Status::failure(ErrorCode::Damaged,
                                    QStringLiteral("The copy stopped at %1: its FileSize is %2 but %3 bytes are "
                                                   "stored. Nothing of it was copied.")
                                        .arg(recordName(record))
                                        .arg(record.FileSize)
                                        .arg(offset)));
    }
    const QByteArray actual = hash.finish();
    if (!expected->isEmpty() && *expected != actual) {
        return undo(Status::failure(ErrorCode::Damaged,
                                    QStringLiteral("The copy stopped at %1: its stored bytes differ from their "
                                                   "checksum. Nothing of it was copied.")
                                        .arg(recordName(record))));
    }
    if (target.keepsFileHashes()) {
        if (Status s = target.setFileHash(*id, actual); !s)
            return undo(s);
    }
    if (Status s = target.commit(); !s)
        return undo(s);
    return {};
}

} // namespace

Result<qint64> LibraryTransfer::CopyRecords(Database& source, Database& target, Progress& progress)
{
    using R = Result<qint64>;
    Result<qint64> present = target.countMain();
    if (!present)
        return R(present.status());
    if (*present > 0) {
        return R::failure(ErrorCode::InvalidArgument,
                          QStringLiteral("The library \"%1\" already holds %2 record(s); a library is copied only "
                                         "into an empty one.")
                              .arg(target.path())
                              .arg(*present));
    }
    Result<ConfigRow> config = source.loadConfig();
    if (!config)
        return R(config.status());
    if (Status s = target.saveConfig(*config); !s)
        return R(s);

    // Every record in MainID order, through the engine's own keyset query.
    Result<TranslatedQuery> all = QueryDialect::translate(QStringLiteral("SELECT * FROM Main ORDER BY MainID"),
                                                          source.queryFlavour());
    if (!all)
        return R(all.status());
    Result<std::vector<qint64>> ids = source.selectKeys(*all);
    if (!ids)
        return R(ids.status());
    Result<qint64> total = source.sumFileSize();
    if (!total)
        return R(total.status());
    std::vector<char> buffer(static_cast<size_t>(kReadSize));
    qint64 done = 0;
    qint64 copied = 0;
    int shown = 0;
    progress.setPercent(0);
    constexpr size_t kPage = 200;
    for (size_t at = 0; at < ids->size(); at += kPage) {
        const std::vector<qint64> page(ids->begin() + static_cast<std::ptrdiff_t>(at),
                                       ids->begin() + static_cast<std::ptrdiff_t>(std::min(ids->size(), at + kPage)));
        Result<std::vector<MainRecord>> records = source.loadRecords(page);
        if (!records)
            return R(records.status());
        std::sort(records->begin(), records->end(),
                  [](const MainRecord& a, const MainRecord& b) { return a.MainID < b.MainID; });
        for (const MainRecord& record : *records) {
            if (Status s = copyRecord(source, target, record, buffer, progress, done, *total, shown); !s)
                return R(s);
            ++copied;
        }
    }
    progress.setPercent(100);
    return copied;
}

Result<qint64> LibraryTransfer::CopyToFile(Database& source, const QString& templatePath, const QString& target,
                                           Progress& progress)
{
    using R = Result<qint64>;
    if (LibraryCopier::TargetTaken(target))
        return R::failure(ErrorCode::InvalidArgument, LibraryCopier::kExistsText);
    progress.setText(LibraryCopier::kCopyingText);
    Result<ScratchFile> scratch = ScratchFile::claim(LibraryCopier::ScratchPath(target), S_IRUSR | S_IWUSR | S_IRGRP |
                                                                                          S_IROTH);
    if (!scratch)
        return R(scratch.status());
    auto named = [&](const Status& s) {
        return Status::failure(s.code(), QString(s.message()).replace(scratch->path(), target));
    };
    if (Status made = Database::compactFile(templatePath, scratch->path()); !made)
        return R(named(made));
    OpenOptions options;
    options.exclusive = true;
    Result<std::shared_ptr<Database>> file = Database::open(scratch->path(), options);
    if (!file)
        return R(named(file.status()));

    // One committed state of the whole library: writers committing meanwhile
    // are not seen, so the copy is never torn between two of their states.
    auto* server = dynamic_cast<ServerDatabase*>(&source);
    const Status snapshot = server ? server->beginSnapshot() : Status();
    if (!snapshot) {
        (*file)->close();
        return R(snapshot);
    }
    Result<qint64> copied = CopyRecords(source, **file, progress);
    if (server && server->inTransaction())
        server->rollback();
    (*file)->close();
    if (!copied)
        return R(named(copied.status()));
    if (!DiskSync::syncFile(scratch->path())) {
        return R::failure(ErrorCode::Io, QStringLiteral("Could not write \"%1\". %2")
                                             .arg(target, FileErrorText::forErrno(errno)));
    }
    const QByteArray from = QFile::encodeName(scratch->path());
    const QByteArray to = QFile::encodeName(target);
    const int flags = QFileInfo::exists(target) ? 0 : RENAME_NOREPLACE;
    if (LibraryCopier::TargetTaken(target) || ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), flags) != 0) {
        if (errno == EEXIST || LibraryCopier::TargetTaken(target))
            return R::failure(ErrorCode::InvalidArgument, LibraryCopier::kExistsText);
        return R::failure(ErrorCode::Io, QStringLiteral("Could not write \"%1\". %2")
                                             .arg(target, FileErrorText::forErrno(errno)));
    }
    scratch->release();
    DiskSync::syncFolder(QFileInfo(target).absolutePath());
    return copied;
}

} // namespace zentaro
