#pragma once

#include "core/Result.h"
#include "core/Status.h"
#include "store/ConfigRow.h"
#include "store/Database.h"
#include "store/MainRecord.h"
#include "store/server/ServerAddress.h"
#include "store/server/ServerSchema.h"

#include <QByteArray>
#include <QString>
#include <QVariantMap>

#include <memory>
#include <vector>

namespace zentaro {

class PgConnection;
class PgResult;
class Progress;
struct TranslatedQuery;

// A library on a PostgreSQL server (made by ServerSchema::init): the same
// operations, names and meanings as a library file's Database, over one
// libpq session. Several users share it by default; an exclusive open keeps
// every other client out with the refusal a locked library file gives.
//
// File bytes travel as binary parameters and results in chunk rows of the
// library's chunk size. Appends gather in memory until a chunk is full, so a
// chunk row is written once; what is gathered goes to the server before any
// read of the record's bytes, at every transaction boundary, at idle()
// outside a transaction and at close(). A record inserted between begin()
// and commit() with its bytes commits with them or not at all.
class ServerDatabase : public Database
{
public:
    // Shared, writable, brought up to date: a server library's usual open.
    static OpenOptions sharedOptions();

    // Opens and checks a library at a server address. Errors name the server
    // (host:port/dbname), never the password: WrongPassword, NotFound (no such
    // database), Unreadable (server unreachable), AccessDenied, NotALibrary
    // (a database that holds something else, or made by a newer Zentaro),
    // Damaged, InUse (opened exclusively elsewhere, or opened elsewhere when
    // this open is exclusive).
    static Result<std::shared_ptr<ServerDatabase>> open(const QString& address,
                                                        const OpenOptions& options = sharedOptions());
    // The same as a Database: what Database::open calls for a server address.
    static Result<std::shared_ptr<Database>> openDatabase(const QString& address, const OpenOptions& options);
    // Lets Database::open reach libraries on a server; called once at start-up.
    static void registerEngine();

    // A file kind's copy of a library file: not for a server library.
    static Status compactFile(const QString& sourcePath, const QString& targetPath);

    ~ServerDatabase() override;
    ServerDatabase(const ServerDatabase&) = delete;
    ServerDatabase& operator=(const ServerDatabase&) = delete;

    // Ends the session at once; an open transaction is rolled back on the
    // server, and bytes gathered for it are dropped.
    void close() override;
    bool isOpen() const override;
    // The address as given (with any password: it reopens the library).
    const QString& path() const override { return m_path; }
    const ServerAddress& address() const { return m_address; }
    const OpenOptions& options() const override { return m_options; }
    bool isReadOnly() const override;
    int schemaVersion() const override { return m_schema.version; }
    int chunkSize() const { return m_schema.chunkSize; }
    // The trigram index is part of every server library.
    bool hasTextIndex() const override { return true; }
    bool textIndexUsable() const override { return true; }
    // There is one structure so far: nothing to bring up to date.
    Status upgradeSchema() override;
    bool upgradeWaitsForSpace() const override { return false; }

    // --- The Config row -------------------------------------------------
    Result<ConfigRow> loadConfig() override;
    Status saveConfig(const ConfigRow& row) override;

    // --- Transactions ---------------------------------------------------
    // begin/commit/rollback nest: the outermost level is a transaction,
    // inner ones are savepoints. After a failed statement inside it, the
    // transaction can only be rolled back and commit says so.
    Status begin() override;
    Status commit() override;
    Status rollback() override;
    // A read-only transaction that sees one committed state of the whole
    // library until rollback() (a copy to a file): REPEATABLE READ.
    Status beginSnapshot();
    bool inTransaction() const override { return m_depth > 0; }
    int transactionDepth() const override { return m_depth; }

    // --- Records by MainID ----------------------------------------------
    Result<MainRecord> loadRecord(qint64 mainId) override;
    Result<qint64> insertRecord(const MainRecord& record) override;
    Status updateFields(qint64 mainId, const QVariantMap& values) override;
    // Deletes the record with its chunks and hash.
    Status deleteRecord(qint64 mainId) override;
    Result<qint64> countMain() override;
    Result<qint64> sumFileSize() override;

    // --- File bytes by MainID -------------------------------------------
    // 0 to LibraryFile::kPieceSize bytes at the end of the record's bytes.
    Status appendChunk(qint64 mainId, const char* data, qint64 length) override;
    // Up to length bytes from offset, across chunk rows; fewer only at the end.
    Result<qint64> readChunk(qint64 mainId, qint64 offset, qint64 length, char* buffer) override;
    Result<QByteArray> readStoredFile(qint64 mainId, qint64 size) override;
    Result<qint64> storedSize(qint64 mainId) override;
    Status checkFileSize(qint64 mainId) override;
    Status removeChunks(qint64 mainId) override;
    Result<QByteArray> fileHash(qint64 mainId) override;
    Status setFileHash(qint64 mainId, const QByteArray& hash) override;
    bool keepsFileHashes() const override { return true; }
    Result<std::vector<qint64>> recordsWithoutHash() override;

    // --- Queries of the list --------------------------------------------
    const QueryFlavour& queryFlavour() const override;
    Result<std::vector<qint64>> selectKeys(const TranslatedQuery& query) override;
    Result<std::vector<MainRecord>> loadRecords(const std::vector<qint64>& ids) override;

    // --- Statements and upkeep ------------------------------------------
    // The listed delete: "DELETE * FROM Main " and a WHERE part.
    Result<qint64> execute(const QString& statement) override;
    // Copies and in-place compaction of a library file: refused; a server
    // library is compacted by compact().
    Status compactTo(const QString& targetPath) override;
    Status compactInPlace(const QString& scratchPath, Progress& progress) override;
    bool reclaimsFreePages() const override { return false; }
    Status reclaimFreePages(Progress& progress) override;
    Status snapshotTo(const QString& targetPath, Progress& progress) override;
    // Gives the server back the room of deleted rows: VACUUM, or VACUUM FULL
    // (which rewrites the tables and blocks other users meanwhile) when
    // opened exclusively. Returns the bytes recovered: the database's size
    // before minus after.
    Result<qint64> compact();
    // Sends gathered bytes outside a transaction and notices changes that
    // other clients committed (through the library's change number).
    void idle() override;
    quint64 changeCount() const override { return m_changeCount; }

private:
    ServerDatabase(QString path, ServerAddress address, OpenOptions options);
    Status openSession();

    // Runs a statement; a failure (or a closed library) is a Status saying
    // what was being done.
    Result<PgResult> query(const QString& doing, const char* sql, const QVariantList& params = {},
                           bool binaryResults = false);
    Status serverClosedFailure() const;
    Status readOnlyFailure() const;
    static Status recordGone(qint64 mainId);
    static Status notOnServer(const QString& what);
    Status damagedFile(qint64 mainId) const;
    void touch() { ++m_changeCount; }

    // Bytes appended but not yet sent, all for m_pendingId, starting at
    // chunk m_pendingSequence.
    Status flushPending();
    Status flushPendingFor(qint64 mainId);
    Status writeChunk(qint64 mainId, qint64 sequence, const QByteArray& data);
    void dropPending();
    void dropReadAhead();

    QString m_path;
    ServerAddress m_address;
    OpenOptions m_options;
    std::unique_ptr<PgConnection> m_connection;
    ServerSchema::Info m_schema;
    bool m_serverReadOnly = false;
    int m_depth = 0;
    quint64 m_changeCount = 1;
    qint64 m_changeNumber = 0;

    qint64 m_pendingId = 0;
    qint64 m_pendingSequence = 0;
    QByteArray m_pending;
    // m_pending holds bytes the server does not have yet.
    bool m_pendingDirty = false;

    // Whole chunk rows of m_readId from byte m_readStart, fetched by the
    // last read; m_readToEnd: they reach the end of its bytes. Dropped by
    // any other statement.
    qint64 m_readId = 0;
    qint64 m_readStart = 0;
    bool m_readToEnd = false;
    QByteArray m_read;
};

} // namespace zentaro
