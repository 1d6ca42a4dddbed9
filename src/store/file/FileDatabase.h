#pragma once

#include "store/Database.h"
#include "store/file/FileChunks.h"
#include "store/file/FileConnection.h"
#include "store/file/FileMaintenance.h"
#include "store/file/FileOpening.h"
#include "store/file/FileRecords.h"
#include "store/file/GuardedStatements.h"

namespace zentaro {

// The file engine: a library in one SQLite file (.ZNT) on one connection.
// Database::open makes it for every address that names no server. Each
// section of the work is a part of its own on the shared FileConnection.
class FileDatabase : public Database
{
public:
    // Opens and checks a library file (see Database::open).
    static Result<std::shared_ptr<Database>> open(const QString& path, const OpenOptions& options = {});
    // Writes a compacted copy of a library that is not open here.
    static Status compactFile(const QString& sourcePath, const QString& targetPath);

    ~FileDatabase() override;

    void close() override;
    bool isOpen() const override;
    const QString& path() const override { return m_connection.path(); }
    const OpenOptions& options() const override { return m_connection.options(); }
    bool isReadOnly() const override;
    int schemaVersion() const override { return m_connection.schemaVersion(); }
    bool hasTextIndex() const override;
    bool textIndexUsable() const override;
    Status upgradeSchema() override;
    bool upgradeWaitsForSpace() const override { return m_connection.upgradeWaitsForSpace(); }

    Result<ConfigRow> loadConfig() override;
    Status saveConfig(const ConfigRow& row) override;

    Status begin() override;
    Status commit() override;
    Status rollback() override;
    bool inTransaction() const override { return m_connection.depth() > 0; }
    int transactionDepth() const override { return m_connection.depth(); }

    Result<MainRecord> loadRecord(qint64 mainId) override;
    Result<std::vector<MainRecord>> loadRecords(const std::vector<qint64>& ids) override;
    Result<qint64> insertRecord(const MainRecord& record) override;
    Status updateFields(qint64 mainId, const QVariantMap& values) override;
    Status deleteRecord(qint64 mainId) override;
    Result<qint64> countMain() override;
    Result<qint64> sumFileSize() override;

    const QueryFlavour& queryFlavour() const override;
    Result<std::vector<qint64>> selectKeys(const TranslatedQuery& query) override;

    Status appendChunk(qint64 mainId, const char* data, qint64 length) override;
    Result<qint64> readChunk(qint64 mainId, qint64 offset, qint64 length, char* buffer) override;
    Result<QByteArray> readStoredFile(qint64 mainId, qint64 size) override;
    Result<qint64> storedSize(qint64 mainId) override;
    Status checkFileSize(qint64 mainId) override;
    Status removeChunks(qint64 mainId) override;
    Result<QByteArray> fileHash(qint64 mainId) override;
    Status setFileHash(qint64 mainId, const QByteArray& hash) override;
    bool keepsFileHashes() const override;
    Result<std::vector<qint64>> recordsWithoutHash() override;

    Result<qint64> execute(const QString& statement) override;
    Status compactTo(const QString& targetPath) override;
    Status compactInPlace(const QString& scratchPath, Progress& progress) override;
    bool reclaimsFreePages() const override;
    Status reclaimFreePages(Progress& progress) override;
    Status snapshotTo(const QString& targetPath, Progress& progress) override;
    void idle() override;
    quint64 changeCount() const override { return m_connection.changeCount(); }

private:
    FileDatabase(QString path, OpenOptions options);

    // Declared first: the parts below hold it.
    FileConnection m_connection;
    FileOpening m_opening;
    FileRecords m_records;
    FileChunks m_chunks;
    GuardedStatements m_guarded;
    FileMaintenance m_maintenance;
};

} // namespace zentaro
