#pragma once

#include "core/BackgroundWriter.h"
#include "core/Notice.h"
#include "core/FreeSpace.h"
#include "core/Result.h"
#include "transfer/ConflictResolver.h"
#include "transfer/FileNameRules.h"
#include "core/Outcome.h"
#include "transfer/TransferSettings.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace zentaro {

class Database;
class FileOpener;
class Progress;
struct ConfigRow;
struct MainRecord;

// Where a record's bytes went, and how.
struct ExtractedFile
{
    enum class Fate {
        Written, // a new file, or one that replaced what was there
        Kept,    // a file already there holds the record's bytes and stands in for it
        Skipped, // the file in the way was left alone and nothing was written
    };
    Fate fate = Fate::Written;
    // The file: the target, or its second name after Keep Both.
    QString path;
    // Its last-modified date, in a writable library; invalid otherwise, after
    // a Skip and while it is still queued.
    QDateTime date;
    // Handed to a bulk run's writer: on disk only once the run ends.
    bool queued = false;
    // The record's own name could not be used; this tells what it was written as.
    std::optional<Notice> replacedName;
};

// What "Extract and Open File" did besides extracting.
struct OpenedCopy
{
    ExtractedFile file;
    bool opened = false; // handed to the opener
    // The opener gave up (nothing on the desktop opens this type); the
    // extracted copy stays and is watched as it would be.
    std::optional<Notice> notOpened;
    bool watchForEdits = false;
};

// Writes a stored file back to disk, through one fixed buffer of ChunkSize
// bytes. A target is complete or absent: the bytes go to a temporary file
// beside it that takes the target's name only once it is whole (and, outside
// a bulk run, on disk), so neither a failure, a Cancel nor a crash leaves a
// partial target.
class FileExtractor
{
public:
    FileExtractor(TransferSettings settings, std::shared_ptr<Database> database,
                  FreeSpace::Probe freeSpace = &FreeSpace::SystemProbe);
    ~FileExtractor();
    FileExtractor(const FileExtractor&) = delete;
    FileExtractor& operator=(const FileExtractor&) = delete;

    // Writes the bytes of record to target. Without a resolver (the
    // private extraction folder) an existing file there of the record's
    // FileSize is kept as it is and one of another size is replaced. With
    // one (a folder the user chose) an existing file is kept as it is only
    // when its bytes are the record's; any other goes to the resolver, and
    // the file written takes the second name when it says KeepBoth, or none
    // is written when it says Skip. A file over 1,000,000 bytes asks progress
    // for a bar reading "Extracting File..." with Cancel; a Cancel fails with
    // ErrorCode::Cancelled. A target that is not a plain name in a folder
    // ("..", control characters) and a damaged record (FileSize not the count
    // of its stored bytes) are refused unwritten. A target in the extraction
    // folder is written through ExtractionFolder::Prepare and readable by its
    // owner only, also when an existing copy is kept; a link of its name is
    // replaced, not followed. knownAbsent: the caller listed the folder since,
    // and nothing of the target's name was in it.
    Result<ExtractedFile> ExtractFile(const MainRecord& record, const QString& target, Progress& progress,
                                      bool knownAbsent = false);

    // Extracts record into folder under the name FileNameRules::TargetFor
    // gives it. When the record's own name could not be used, the file
    // carries ReplacedName.
    Result<ExtractedFile> ExtractInto(const MainRecord& record, const QString& folder, Progress& progress);
    // The same, to a target TargetFor already gave.
    Result<ExtractedFile> ExtractTo(const MainRecord& record, const ExtractTarget& target, Progress& progress,
                                    bool knownAbsent = false);

    // Whether the access level may extract (a Browser only when the library
    // allows it through BrowseExtract).
    static bool MayExtract(const QString& accessLevel, const ConfigRow& config);

    // "Extract and Open File [F9]" without its window steps: checks the
    // level (refused with ErrorCode::AccessDenied and no notice: the caller
    // shows the access-denied dialog), extracts into the extraction folder
    // (made private when missing) and opens the file unless it was cancelled
    // or failed. Edits are to be watched for when the user may change
    // records and the library is writable.
    Result<OpenedCopy> ExtractAndOpen(const MainRecord& record, const ConfigRow& config, Progress& progress,
                                      FileOpener& opener);

    // "Extract File to Disk" after the folder was picked: extracts into
    // folder, a file with other bytes there going to conflicts. The access
    // check is the caller's (it comes before the picker).
    Result<ExtractedFile> ExtractToFolder(const MainRecord& record, const QString& folder,
                                          ConflictResolver& conflicts, Progress& progress);

    // The resolver for files in the way (see ExtractFile); nullptr keeps the
    // private folder's rule. Forgets an answer given for all.
    void setConflicts(ConflictResolver* conflicts);

    // Whether every file is synced before it takes its name (the default).
    // A bulk run turns it off and syncs the whole folder once at its end.
    void setSyncEachFile(bool on) { m_syncEachFile = on; }
    // With a writer (a bulk run), a file small enough to show no bar is
    // read and checked here and then written on the writer's thread (the
    // file comes back queued). nullptr writes every file here again. A
    // resolver is then told that its question is one of a run.
    void setWriteBehind(BackgroundWriter* writer);

    // A progress window only for files larger than this.
    static constexpr qint64 kProgressThreshold = 1000000;
    static inline const QString kExtractingText = QStringLiteral("Extracting File...");
    static inline const QString kErrorTitle = QStringLiteral("ZNT ERROR");
    // The system's description of an error while writing path.
    static Notice WriteFailure(const QString& path, const QString& systemText, const QString& newLine);
    // The record's stored name was unusable; it was written to path instead.
    static Notice ReplacedName(const MainRecord& record, const QString& path, const QString& newLine);
    // A write of the background writer that failed, as an outcome to show.
    static Outcome WriteFailure(const BackgroundWriter::Failure& failure, const QString& newLine);

private:
    // Damaged unless FileSize is a count of bytes that the library holds
    // exactly. With wholeFile, the bytes are read into it in the same step.
    Status checkSize(const MainRecord& record, QByteArray* wholeFile = nullptr);
    qint64 chunkSize() const;
    std::optional<qint64> freeSpaceFor(const QString& target, bool queued);
    Result<ExtractedFile> queueSmallFile(const MainRecord& record, const QString& target, QByteArray bytes,
                                         const QByteArray& expected, unsigned mode, Progress& progress);
    // Whether folder is the extraction folder.
    bool inExtractFolder(const QString& folder);
    // Whether the file at path, of the record's size, holds the record's
    // bytes: compared with bytes when they were read already, else hashed
    // against the stored checksum, else compared with the stored bytes.
    Result<bool> holdsRecordBytes(const MainRecord& record, const QString& path, const QByteArray* bytes,
                                  const QByteArray& expectedHash);
    // The first "name (n).ext" from 2 on that nothing in target's folder has;
    // empty when the name would grow too long.
    static QString keepBothPath(const QString& target);
    ConflictAnswer resolve(const MainRecord& record, const QString& target);
    // Nothing written; the message names target.
    Outcome failed(ErrorCode code, const QString& systemText, const QString& target) const;
    static QString fewerBytesText(qint64 size);
    static QString checksumText(qint64 mainId);
    QString newLine() const;

    TransferSettings m_settings;
    std::shared_ptr<Database> m_db;
    FreeSpace::Probe m_freeSpace;
    std::vector<char> m_buffer;
    static constexpr qint64 kBlockSize = qint64(1) << 20;
    std::vector<char> m_blocks[2];
    bool m_syncEachFile = true;
    BackgroundWriter* m_writeBehind = nullptr;
    ConflictResolver* m_conflicts = nullptr;
    std::optional<ConflictChoice> m_forAll;
    // The last free-space figure of a run of small files, and where and when it was read.
    QString m_freeFolder;
    std::optional<qint64> m_free;
    QElapsedTimer m_freeAge;
    // The folder last asked about, and whether it was the extraction folder.
    QString m_checkedFolder;
    QString m_checkedExtractFolder;
    bool m_inExtractFolder = false;
    // The extraction folder was prepared in the bulk run under way (cleared
    // as a run begins and ends, with the writer).
    bool m_preparedForRun = false;
};

} // namespace zentaro
