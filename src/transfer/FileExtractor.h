#pragma once

#include "core/BackgroundWriter.h"
#include "core/Notice.h"
#include "core/FreeSpace.h"
#include "core/Result.h"
#include "transfer/ConflictResolver.h"
#include "transfer/FileNameRules.h"
#include "transfer/TransferOutcome.h"

#include <QElapsedTimer>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace zentaro {

class Database;
class FileOpener;
class ProgramState;
class ProgressHost;
struct ConfigRow;
struct MainRecord;

// Writes a stored file back to disk, through one fixed buffer of ChunkSize
// bytes. A target is complete or absent: the bytes go to a temporary file
// beside it that takes the target's name only once it is whole (and, outside
// a bulk run, on disk), so neither a failure, a Cancel nor a crash leaves a
// partial target.
class FileExtractor
{
public:
    FileExtractor(ProgramState& state, std::shared_ptr<Database> database,
                  FreeSpace::Probe freeSpace = &FreeSpace::SystemProbe);
    ~FileExtractor();
    FileExtractor(const FileExtractor&) = delete;
    FileExtractor& operator=(const FileExtractor&) = delete;

    // Writes the bytes of record to CurrentFilePath. Without a resolver (the
    // private extraction folder) an existing file there of the record's
    // FileSize is used as it is and one of another size is replaced. With
    // one (a folder the user chose) an existing file is used as it is only
    // when its bytes are the record's; any other goes to the resolver, and
    // CurrentFilePath becomes the second name when it says KeepBoth. A file
    // over 1,000,000 bytes shows "Extracting File..." with Cancel.
    // Afterwards CancelRequested is true exactly when no file was written
    // (refused, failed or cancelled), except after a Skip, which succeeds
    // with skippedLast() and leaves it alone. A target that is not a plain
    // name in a folder ("..", control characters) and a damaged record
    // (FileSize not the count of its stored bytes) are refused unwritten.
    // A target in the extraction folder is written through
    // ExtractionFolder::Prepare and readable by its owner only, also when an
    // existing copy is kept; a link of its name is replaced, not followed.
    // In a writable library ExtractedFileDate takes the target's
    // last-modified date. While BulkExtraction is set the progress window is
    // left open on success for the bulk loop that owns it.
    TransferOutcome ExtractFile(const MainRecord& record, ProgressHost& host);

    // Extracts record into folder under the name FileNameRules::TargetFor
    // gives it (CurrentFilePath is set to it). When the record's own name
    // could not be used, a successful outcome carries ReplacedName.
    TransferOutcome ExtractInto(const MainRecord& record, const QString& folder, ProgressHost& host);
    // The same, to a target TargetFor already gave. knownAbsent: the caller
    // listed the folder since, and nothing of the target's name was in it.
    TransferOutcome ExtractTo(const MainRecord& record, const ExtractTarget& target, ProgressHost& host,
                              bool knownAbsent = false);

    // Whether the access level may extract (a Browser only when the library
    // allows it through BrowseExtract).
    static bool MayExtract(const ProgramState& state, const ConfigRow& config);

    struct OpenResult
    {
        TransferOutcome outcome;
        bool accessDenied = false;   // show the access-denied dialog
        bool opened = false;         // handed to the opener
        // The opener gave up (nothing on the desktop opens this type); the
        // extracted copy stays and is watched as it would be.
        std::optional<Notice> notOpened;
        bool startEditDetection = false;
    };
    // "Extract and Open File [F9]" without its window steps: checks the
    // level, extracts into ExtractFolder (made private when missing) and opens the
    // file unless it was cancelled or failed. Edit detection is to start when
    // the user may change records and the library is writable.
    OpenResult ExtractAndOpen(const MainRecord& record, const ConfigRow& config, ProgressHost& host,
                              FileOpener& opener);

    // "Extract File to Disk" after the folder was picked: extracts into
    // folder, a file with other bytes there going to conflicts;
    // CancelRequested is false again afterwards. The access check is the
    // caller's (it comes before the picker).
    TransferOutcome ExtractToFolder(const MainRecord& record, const QString& folder, ConflictResolver& conflicts,
                                    ProgressHost& host);

    // The resolver for files in the way (see ExtractFile); nullptr keeps the
    // private folder's rule. Forgets an answer given for all.
    void setConflicts(ConflictResolver* conflicts);
    // Whether the last ExtractFile wrote nothing because the answer was Skip.
    bool skippedLast() const { return m_skippedLast; }

    // Whether every file is synced before it takes its name (the default).
    // A bulk run turns it off and syncs the whole folder once at its end.
    void setSyncEachFile(bool on) { m_syncEachFile = on; }
    // With a writer (a bulk run), a file small enough to show no window is
    // read and checked here and then written on the writer's thread; its
    // success means it was queued, and ExtractedFileDate is left alone.
    // nullptr writes every file here again.
    void setWriteBehind(BackgroundWriter* writer);
    // Whether the last successful ExtractFile handed its file to that writer.
    bool queuedLast() const { return m_queuedLast; }

    // A progress window only for files larger than this.
    static constexpr qint64 kProgressThreshold = 1000000;
    static inline const QString kExtractingText = QStringLiteral("Extracting File...");
    static inline const QString kErrorTitle = QStringLiteral("ZNT ERROR");
    // The system's description of an error while writing path.
    static Notice WriteFailure(const QString& path, const QString& systemText, const QString& newLine);
    // The record's stored name was unusable; it was written to path instead.
    static Notice ReplacedName(const MainRecord& record, const QString& path, const QString& newLine);
    // A write of the background writer that failed, as an outcome to show.
    static TransferOutcome WriteFailure(const BackgroundWriter::Failure& failure, const QString& newLine);

private:
    // Damaged unless FileSize is a count of bytes that the library holds
    // exactly. With wholeFile, the bytes are read into it in the same step.
    Status checkSize(const MainRecord& record, QByteArray* wholeFile = nullptr);
    qint64 chunkSize() const;
    std::optional<qint64> freeSpaceFor(const QString& target, bool queued);
    TransferOutcome queueSmallFile(const MainRecord& record, QByteArray bytes, const QByteArray& expected,
                                   unsigned mode, ProgressHost& host);
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
    // Nothing written: CancelRequested is set and the message names CurrentFilePath.
    TransferOutcome failed(ErrorCode code, const QString& systemText);
    static QString fewerBytesText(qint64 size);
    static QString checksumText(qint64 mainId);
    QString newLine() const;

    ProgramState& m_state;
    std::shared_ptr<Database> m_db;
    FreeSpace::Probe m_freeSpace;
    std::vector<char> m_buffer;
    static constexpr qint64 kBlockSize = qint64(1) << 20;
    std::vector<char> m_blocks[2];
    bool m_syncEachFile = true;
    BackgroundWriter* m_writeBehind = nullptr;
    bool m_queuedLast = false;
    ConflictResolver* m_conflicts = nullptr;
    std::optional<ConflictChoice> m_forAll;
    bool m_skippedLast = false;
    bool m_knownAbsent = false; // for the ExtractFile under way
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
