#pragma once

#include "core/Result.h"
#include "core/Status.h"
#include "store/ConfigRow.h"
#include "store/MainRecord.h"

#include <QHash>
#include <QString>
#include <QVariantMap>

#include <memory>

struct sqlite3;
struct sqlite3_stmt;

namespace zentaro {

class Progress;
class SqlConnection;
class SqlStatement;
struct TranslatedQuery;

// How a library is opened (the binding parameters of the main window).
struct OpenOptions
{
    // ExclusiveMode: the file is locked for this connection from open to
    // close; any other program gets ErrorCode::InUse.
    bool exclusive = true;
    // LibraryReadOnly: nothing can be written through this connection.
    bool readOnly = false;
    // Shared mode: how long to wait for another user's lock before giving up
    // with InUse, so users of a network library take turns.
    int busyTimeoutMs = 5000;
    // Brings a library made by an earlier version up to date (SchemaUpgrade)
    // when it can be written. Off for a use that only reads (a listing, a
    // copy, a Browser): the library is then used as it is, like a read-only
    // one, and nothing is written to it; upgradeSchema() can follow later.
    bool upgrade = true;
};

// One open library file: the single connection that every binding on it
// shares (the current list, the totals, the Config row, the add-files and
// settings dialogs, the bulk delete). Hold it through std::shared_ptr.
//
// All work is on the thread that opened it. Every failure is a Status whose
// message a user can read; nothing throws.
class Database
{
public:
    // Opens and checks a library. Errors, each naming the file:
    // NotFound (no such file), InUse (locked by another program),
    // NotALibrary (not a Zentaro library), Damaged (a library whose file is
    // corrupt), Unreadable (permissions, I/O). Never returns a half-open
    // library. The rollback journal is used (not WAL: network file systems).
    // An older library whose upgrade finds the disk full opens as it is
    // (upgradeWaitsForSpace()); any other failed upgrade refuses it.
    static Result<std::shared_ptr<Database>> open(const QString& path,
                                                  const OpenOptions& options = {});

    // Writes a compacted copy of a library that is not open here (the
    // template into a new library). The target must not exist or be empty;
    // it is durable on success.
    static Status compactFile(const QString& sourcePath, const QString& targetPath);

    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Releases the file at once, also while recordsets still hold this
    // object (they then report that the library is closed). An open
    // transaction is rolled back.
    void close();
    bool isOpen() const;
    const QString& path() const { return m_path; }
    const OpenOptions& options() const { return m_options; }
    // True when opened read-only or when the file itself cannot be written.
    bool isReadOnly() const;
    // PRAGMA user_version as opened: SchemaUpgrade::latestVersion() unless
    // the library is older and was not (or could not be) brought up to date.
    int schemaVersion() const { return m_schemaVersion; }
    // The full-text index is there (an older library may predate it).
    bool hasTextIndex() const;
    // Searches may pick their candidates from the full-text index: it is
    // there together with what it cannot see itself (TextIndex::kUnseenRows).
    bool textIndexUsable() const;

    // Runs the pending steps of SchemaUpgrade on a library opened without
    // them. DiskFull when the disk has no room for them: the library then
    // stays as it is, still usable, and upgradeWaitsForSpace() is true.
    Status upgradeSchema();
    bool upgradeWaitsForSpace() const { return m_upgradeWaitsForSpace; }

    // --- The Config row -------------------------------------------------
    Result<ConfigRow> loadConfig();
    // Writes every field of the one row.
    Status saveConfig(const ConfigRow& row);

    // --- Transactions ---------------------------------------------------
    // begin/commit/rollback nest: the outermost begin takes the write lock
    // at once (so two users cannot deadlock), inner ones are savepoints.
    // Commit is durable (synchronous FULL) when the outermost level ends.
    Status begin();
    Status commit();
    Status rollback();
    bool inTransaction() const { return m_depth > 0; }
    int transactionDepth() const { return m_depth; }

    // --- Records by MainID (no recordset needed) ------------------------
    Result<MainRecord> loadRecord(qint64 mainId);
    // Adds a row with the descriptive fields of record (its MainID is
    // ignored); InsertionDate and LastUpdatedDate take the file's defaults
    // (now) unless they are valid in record. Returns the new MainID.
    Result<qint64> insertRecord(const MainRecord& record);
    // Writes the named fields (names as MainRecord::fieldFromName takes
    // them; MainID cannot be written). NotFound when the record is gone.
    Status updateFields(qint64 mainId, const QVariantMap& values);
    // Deletes the record and its bytes.
    Status deleteRecord(qint64 mainId);
    // Rows of Main.
    Result<qint64> countMain();
    // The FileSize of every record added up: the bytes the library stores,
    // known without reading them.
    Result<qint64> sumFileSize();

    // --- File bytes (field OLE) by MainID -------------------------------
    // Adds length bytes (0 to LibraryFile::kPieceSize) at the end of the
    // record's bytes; successive appends concatenate exactly. NotFound for a
    // MainID that has no record.
    Status appendChunk(qint64 mainId, const char* data, qint64 length);
    // Copies up to length bytes from offset into buffer; returns how many,
    // which is fewer only at the end of the value (0 at or past the end).
    Result<qint64> readChunk(qint64 mainId, qint64 offset, qint64 length, char* buffer);
    // The whole stored file of a record whose FileSize is size, in one
    // statement, for files small enough to hold in memory. Damaged unless the
    // library holds exactly size bytes, in whole pieces but the last.
    Result<QByteArray> readStoredFile(qint64 mainId, qint64 size);
    // Bytes stored for the record (0 when none).
    Result<qint64> storedSize(qint64 mainId);
    // Damaged when the record's FileSize is no count of bytes (a text, a
    // fraction, NULL, or below 0), as a library edited by hand can hold;
    // NotFound when the record is gone.
    Status checkFileSize(qint64 mainId);
    // Empties the record's bytes.
    Status removeChunks(qint64 mainId);
    // The BLAKE2b-256 hash (ContentHash) of the record's bytes as they were
    // stored; empty when there is none (stored before hashes were kept, or a
    // read-only library of that age). Any change to the bytes drops it.
    Result<QByteArray> fileHash(qint64 mainId);
    // Sets the hash of the record's bytes as they now stand.
    Status setFileHash(qint64 mainId, const QByteArray& hash);
    // Whether this library keeps hashes at all.
    bool keepsFileHashes() const;
    // Records that have no hash, in MainID order.
    Result<std::vector<qint64>> recordsWithoutHash();

    // --- Statements and upkeep ------------------------------------------
    // A program-built statement in the query dialect that may change Main:
    // "DELETE * FROM Main " + the current WHERE part (the bulk delete).
    // Returns the number of records deleted. Reading or changing anything but
    // Main and its bytes is refused.
    Result<qint64> execute(const QString& statement);
    // Writes a compacted copy of this library to targetPath (VACUUM INTO)
    // and makes it durable (file and folder synced) before returning, so the
    // caller's rename can never expose a half-written library.
    Status compactTo(const QString& targetPath);
    // Compacts this library where it lies: a compacted copy is written to
    // scratchPath (empty, claimed by the caller), then copied back over the
    // library in one journalled transaction. The file stays the same file,
    // so connections of other programs keep working on it; the exclusive
    // lock keeps their commits out until it is done, and a kill at any
    // moment leaves the old or the new library. Needs an exclusive,
    // writable connection. The compacted library keeps incremental
    // auto-vacuum, so that reclaimFreePages() serves it from then on.
    Status compactInPlace(const QString& scratchPath, Progress& progress);
    // The library keeps incremental auto-vacuum (one made from the template
    // or compacted once by compactInPlace): reclaimFreePages() can give its
    // free space back without a compacted copy.
    bool reclaimsFreePages() const;
    // Gives the free pages back to the disk where the file lies, with the
    // guarantees of compactInPlace and at a cost in proportion to what was
    // deleted: pages at the end move into free ones and the file is cut
    // short. Needs reclaimsFreePages() and what compactInPlace needs.
    Status reclaimFreePages(Progress& progress);
    // Copies this library, as of one committed state, into targetPath (an
    // empty file), page for page, synced before it returns. Writers of other
    // programs wait until the copy is done.
    Status snapshotTo(const QString& targetPath, Progress& progress);
    // Lets other users of a shared library see committed work: releases
    // read locks and cache, and notices changes committed by others.
    void idle();

    // Grows whenever records of Main change through this connection or (as
    // seen by idle) another one; recordsets drop cached rows when it moves.
    quint64 changeCount() const { return m_changeCount; }

private:
    friend class Recordset;

    Database(QString path, OpenOptions options);
    Status openConnection();
    Status checkLibrary();
    // The open refusal for an engine result, naming the file and the cause.
    Status openFailure(int rc) const;
    // A failure of a step on a second connection (backup source or target).
    Status engineFailure(const QString& doing, sqlite3* other, int rc) const;
    // Drops every cached statement (they could hold a read transaction).
    void dropStatements();
    // Lets the full-text index attach itself before a guarded statement.
    void connectTextIndex();

    // A cached prepared statement, reset and cleared; nullptr with status
    // set when it cannot be prepared or the library is closed.
    SqlStatement* statement(const char* sql, Status* status);
    // InvalidQuery when a translated query failed to prepare because it is
    // beyond the engine's limits; success for any other result code.
    static Status engineLimit(int rc);
    // Runs translated SELECT MainID ... under the read-only authorizer.
    Result<std::vector<qint64>> selectKeys(const TranslatedQuery& query);
    Result<std::vector<MainRecord>> loadRecords(const std::vector<qint64>& ids);
    Status exec(const char* sql);
    Status failure(const QString& doing) const;
    // Runs a DELETE whose one parameter is a MainID.
    Status deleteForId(const char* sql, qint64 mainId, const QString& doing);
    static Status recordGone(qint64 mainId);
    Status closedFailure() const;
    void touch() { ++m_changeCount; }

    QString m_path;
    OpenOptions m_options;
    std::unique_ptr<SqlConnection> m_connection;
    QHash<QByteArray, SqlStatement*> m_statements;
    int m_depth = 0;
    quint64 m_changeCount = 1;
    qint64 m_dataVersion = 0;
    int m_schemaVersion = 0;
    bool m_upgradeWaitsForSpace = false;
};

} // namespace zentaro
