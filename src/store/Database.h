#pragma once

#include "core/Result.h"
#include "core/Status.h"
#include "store/ConfigRow.h"
#include "store/MainRecord.h"

#include <QHash>
#include <QString>
#include <QVariantMap>

#include <memory>
#include <vector>

namespace zentaro {

class Progress;
class QueryFlavour;
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

// One open library: the single connection that every binding on it shares
// (the current list, the totals, the Config row, the add-files and settings
// dialogs, the bulk delete). Hold it through std::shared_ptr.
//
// This is what every layer above the store sees of a library, whichever
// engine keeps it: the file engine (FileDatabase, an SQLite .ZNT file) or a
// server engine registered with setServerOpener. All work is on the thread
// that opened it. Every failure is a Status whose message a user can read;
// nothing throws.
class Database
{
public:
    // Opens a library through the engine its address names. An address
    // beginning with postgresql:// or postgres:// goes to the server engine
    // (a failure naming the address when none is registered); any other
    // address is the path of a library file (.ZNT), opened and checked by
    // the file engine. Errors, each naming the library:
    // NotFound (no such file), InUse (locked by another program),
    // NotALibrary (not a Zentaro library), Damaged (a library whose file is
    // corrupt), Unreadable (permissions, I/O). Never returns a half-open
    // library. The rollback journal is used (not WAL: network file systems).
    // An older library whose upgrade finds the disk full opens as it is
    // (upgradeWaitsForSpace()); any other failed upgrade refuses it.
    static Result<std::shared_ptr<Database>> open(const QString& address,
                                                  const OpenOptions& options = {});

    // What opens a server address; the server engine sets it once at start-up.
    using ServerOpener = Result<std::shared_ptr<Database>> (*)(const QString& address, const OpenOptions& options);
    // nullptr takes it back: server addresses then fail to open again.
    static void setServerOpener(ServerOpener opener);
    // The address names a library on a server (postgresql:// or postgres://).
    static bool isServerAddress(const QString& address);

    // Writes a compacted copy of a library file that is not open here (the
    // template into a new library). The target must not exist or be empty;
    // it is durable on success. File engine only.
    static Status compactFile(const QString& sourcePath, const QString& targetPath);

    virtual ~Database() = default;
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Releases the library at once, also while recordsets still hold this
    // object (they then report that the library is closed). An open
    // transaction is rolled back.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // The address it was opened with (a file's path).
    virtual const QString& path() const = 0;
    virtual const OpenOptions& options() const = 0;
    // True when opened read-only or when the library itself cannot be written.
    virtual bool isReadOnly() const = 0;
    // The schema version as opened: SchemaUpgrade::latestVersion() unless
    // the library is older and was not (or could not be) brought up to date.
    virtual int schemaVersion() const = 0;
    // The full-text index is there (an older library may predate it).
    virtual bool hasTextIndex() const = 0;
    // Searches may pick their candidates from the full-text index: it is
    // there together with what it cannot see itself (TextIndex::kUnseenRows).
    virtual bool textIndexUsable() const = 0;

    // Runs the pending steps of SchemaUpgrade on a library opened without
    // them. DiskFull when the disk has no room for them: the library then
    // stays as it is, still usable, and upgradeWaitsForSpace() is true.
    virtual Status upgradeSchema() = 0;
    virtual bool upgradeWaitsForSpace() const = 0;

    // --- The Config row -------------------------------------------------
    virtual Result<ConfigRow> loadConfig() = 0;
    // Writes every field of the one row.
    virtual Status saveConfig(const ConfigRow& row) = 0;

    // --- Transactions ---------------------------------------------------
    // begin/commit/rollback nest: the outermost begin takes the write lock
    // at once (so two users cannot deadlock), inner ones are savepoints.
    // Commit is durable when the outermost level ends.
    virtual Status begin() = 0;
    virtual Status commit() = 0;
    virtual Status rollback() = 0;
    virtual bool inTransaction() const = 0;
    virtual int transactionDepth() const = 0;

    // --- Records by MainID (no recordset needed) ------------------------
    virtual Result<MainRecord> loadRecord(qint64 mainId) = 0;
    // The records of those MainIDs that still exist, in no particular order
    // (a recordset's page of rows).
    virtual Result<std::vector<MainRecord>> loadRecords(const std::vector<qint64>& ids) = 0;
    // Adds a row with the descriptive fields of record (its MainID is
    // ignored); InsertionDate and LastUpdatedDate take the library's
    // defaults (now) unless they are valid in record. Returns the new MainID.
    virtual Result<qint64> insertRecord(const MainRecord& record) = 0;
    // Writes the named fields (names as MainRecord::fieldFromName takes
    // them; MainID cannot be written). NotFound when the record is gone.
    virtual Status updateFields(qint64 mainId, const QVariantMap& values) = 0;
    // Deletes the record and its bytes.
    virtual Status deleteRecord(qint64 mainId) = 0;
    // Rows of Main.
    virtual Result<qint64> countMain() = 0;
    // The FileSize of every record added up: the bytes the library stores,
    // known without reading them.
    virtual Result<qint64> sumFileSize() = 0;

    // --- Queries of the list --------------------------------------------
    // How this engine's SQL is written: Recordset translates its query texts
    // (QueryDialect) with it and hands the result to selectKeys.
    virtual const QueryFlavour& queryFlavour() const = 0;
    // Runs a translated SELECT (in queryFlavour()) as "SELECT MainID FROM
    // Main ... ORDER BY ..., MainID" (TranslatedQuery::keysetSql) with its
    // parameters, so that it can read nothing but Main, and returns the
    // MainIDs in order. InvalidQuery for what the engine refuses to run.
    virtual Result<std::vector<qint64>> selectKeys(const TranslatedQuery& query) = 0;

    // --- File bytes (field OLE) by MainID -------------------------------
    // Adds length bytes (0 to LibraryFile::kPieceSize) at the end of the
    // record's bytes; successive appends concatenate exactly. NotFound for a
    // MainID that has no record.
    virtual Status appendChunk(qint64 mainId, const char* data, qint64 length) = 0;
    // Copies up to length bytes from offset into buffer; returns how many,
    // which is fewer only at the end of the value (0 at or past the end).
    virtual Result<qint64> readChunk(qint64 mainId, qint64 offset, qint64 length, char* buffer) = 0;
    // The whole stored file of a record whose FileSize is size, in one
    // statement, for files small enough to hold in memory. Damaged unless the
    // library holds exactly size bytes, in whole pieces but the last.
    virtual Result<QByteArray> readStoredFile(qint64 mainId, qint64 size) = 0;
    // Bytes stored for the record (0 when none).
    virtual Result<qint64> storedSize(qint64 mainId) = 0;
    // Damaged when the record's FileSize is no count of bytes (a text, a
    // fraction, NULL, or below 0), as a library edited by hand can hold;
    // NotFound when the record is gone.
    virtual Status checkFileSize(qint64 mainId) = 0;
    // Empties the record's bytes.
    virtual Status removeChunks(qint64 mainId) = 0;
    // The BLAKE2b-256 hash (ContentHash) of the record's bytes as they were
    // stored; empty when there is none (stored before hashes were kept, or a
    // read-only library of that age). Any change to the bytes drops it.
    virtual Result<QByteArray> fileHash(qint64 mainId) = 0;
    // Sets the hash of the record's bytes as they now stand.
    virtual Status setFileHash(qint64 mainId, const QByteArray& hash) = 0;
    // Whether this library keeps hashes at all.
    virtual bool keepsFileHashes() const = 0;
    // Records that have no hash, in MainID order.
    virtual Result<std::vector<qint64>> recordsWithoutHash() = 0;

    // --- Statements and upkeep ------------------------------------------
    // A program-built statement in the query dialect that may change Main:
    // "DELETE * FROM Main " + the current WHERE part (the bulk delete).
    // Returns the number of records deleted. Reading or changing anything but
    // Main and its bytes is refused.
    virtual Result<qint64> execute(const QString& statement) = 0;
    // Writes a compacted copy of this library to targetPath and makes it
    // durable (file and folder synced) before returning, so the caller's
    // rename can never expose a half-written library.
    virtual Status compactTo(const QString& targetPath) = 0;
    // Compacts this library where it lies: a compacted copy is written to
    // scratchPath (empty, claimed by the caller), then copied back over the
    // library in one journalled transaction. The file stays the same file,
    // so connections of other programs keep working on it; the exclusive
    // lock keeps their commits out until it is done, and a kill at any
    // moment leaves the old or the new library. Needs an exclusive,
    // writable connection. The compacted library keeps incremental
    // auto-vacuum, so that reclaimFreePages() serves it from then on.
    virtual Status compactInPlace(const QString& scratchPath, Progress& progress) = 0;
    // The library keeps incremental auto-vacuum (one made from the template
    // or compacted once by compactInPlace): reclaimFreePages() can give its
    // free space back without a compacted copy.
    virtual bool reclaimsFreePages() const = 0;
    // Gives the free pages back to the disk where the file lies, with the
    // guarantees of compactInPlace and at a cost in proportion to what was
    // deleted: pages at the end move into free ones and the file is cut
    // short. Needs reclaimsFreePages() and what compactInPlace needs.
    virtual Status reclaimFreePages(Progress& progress) = 0;
    // Copies this library, as of one committed state, into targetPath (an
    // empty file), page for page, synced before it returns. Writers of other
    // programs wait until the copy is done.
    virtual Status snapshotTo(const QString& targetPath, Progress& progress) = 0;
    // Lets other users of a shared library see committed work: releases
    // read locks and cache, and notices changes committed by others.
    virtual void idle() = 0;

    // Grows whenever records of Main change through this connection or (as
    // seen by idle) another one; recordsets drop cached rows when it moves.
    virtual quint64 changeCount() const = 0;

    // The failure of any use of a closed library, naming it.
    Status closedFailure() const;

protected:
    Database() = default;
};

} // namespace zentaro
