#pragma once

#include "core/Notice.h"
#include "core/Result.h"
#include "transfer/SameFile.h"
#include "core/Outcome.h"
#include "transfer/TransferSettings.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QFile;
class QFileInfo;

namespace zentaro {

class BackgroundHash;
class Database;
class Progress;
class Recordset;

// What the add-files dialog applies to every file of a batch.
struct SharedFields
{
    QString Author;
    QString Keywords;
    QString Notes;
    bool AutoCapitalize = false; // "Auto Capitalize Title"
};

// Moves a disk file's bytes into the library, through one fixed buffer of
// ChunkSize bytes whatever the file's size. A file is stored whole or not at
// all: its record and its pieces are written in one transaction.
class FileInserter
{
public:
    FileInserter(TransferSettings settings, std::shared_ptr<Database> database);
    ~FileInserter();
    FileInserter(const FileInserter&) = delete;
    FileInserter& operator=(const FileInserter&) = delete;

    // Adds the file at path as a new record and gives its MainID: Title, FileName and
    // FileType from its name, FileDate (its creation date) from the file
    // system, the shared fields as given, and its bytes read to the end,
    // with FileSize the number of bytes read.
    // fileBar is the per-file bar; its cancelRequested() serves only to let
    // window events run, since a file that has begun is stored to the end.
    // When the caller holds a transaction the record becomes part of it (and
    // durable only when the caller commits); a failure then takes the record
    // out again, or, when even that fails, undoes the caller's transaction
    // (inTransaction() is false afterwards). Otherwise the record is durable
    // on return. The original is never touched here.
    // native: the file's path as the file system holds it, for a name that
    // is not UTF-8 (path then carries its Windows-1252 reading, which names
    // the record); empty: path's own bytes.
    Result<qint64> InsertData(const QString& path, const SharedFields& fields, Progress& fileBar,
                              const QByteArray& native = {});

    // The current record of list must be in edit mode: empties its bytes and
    // appends the file at path, asking progress for a bar reading
    // "Inserting File..." (no Cancel) for a file of ChunkSize bytes or more. Returns the
    // number of bytes stored, which FileSize then holds when the file gave
    // another number than its size. Kept only when list.update() follows.
    Result<qint64> StoreFileContents(Recordset& list, const QString& path, Progress& progress);

    // Replaces the bytes of list's current record with the file at
    // path (the extracted copy after an edit) and renews FileSize
    // and LastUpdatedDate; every other field stays. When the file cannot be
    // read, or anything fails on the way, the record stays exactly as it was
    // and the outcome carries the message to show.
    Outcome ReInsertCurrentFile(Recordset& list, const QString& path, Progress& progress);

    // Messages.
    static inline const QString kInsertErrorTitle = QStringLiteral("ZNT Insertion Error");
    static inline const QString kInsertingText = QStringLiteral("Inserting File...");
    static inline const QString kOwnLibraryText =
        QStringLiteral("This is the library file itself, which cannot be stored inside itself.");
    // "There is a problem opening the file:", the path, the cause, "It will NOT be inserted ..."
    static Notice OpenFailure(const QString& path, const QString& cause, const QString& newLine);
    // Why a file could not be opened for reading: missing, a folder, not a
    // plain file, no permission, or the system's cause (errno).
    static QString OpenCause(const QFileInfo& info, int error);
    // A failure after the file was opened: the path and the cause.
    static Notice InsertFailure(const QString& path, const QString& cause, const QString& newLine);
    // The name of the file at path was read in an encoding it is not in, so
    // the file cannot be found under it.
    static Notice NameEncodingFailure(const QString& path, const QString& newLine);
    // Re-insertion that could not be done; the record was left unchanged.
    static Notice ReInsertFailure(const QString& path, const QString& cause, const QString& newLine);

private:
    using Sink = std::function<Status(const char* data, qint64 length)>;

    // Reads file to its end, whatever its size said (size: what the file
    // system said, a file of /proc says 0), and hands the bytes to sink in
    // pieces of ChunkSize, the whole ones first, then the final (possibly
    // empty) piece. Returns how many bytes it read. wholePieceDone(i, n) runs
    // after whole piece i of about n. Each piece goes to hash as well, which
    // hashes it while sink stores it.
    Result<qint64> copyPieces(QFile& file, qint64 size, BackgroundHash& hash, const Sink& sink,
                              const std::function<void(qint64, qint64)>& wholePieceDone);
    Result<qint64> storeInto(Recordset& list, QFile& file, qint64 size, Progress& progress);
    qint64 chunkSize() const;
    QString newLine() const;

    TransferSettings m_settings;
    std::shared_ptr<Database> m_db;
    SameFile m_library;
    std::vector<char> m_buffer;
};

} // namespace zentaro
