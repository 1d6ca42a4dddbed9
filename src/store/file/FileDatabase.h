#pragma once

#include "store/Database.h"

#include <QByteArray>
#include <QHash>

struct sqlite3;

namespace zentaro {

class SqlConnection;
class SqlStatement;

// The file engine: a library in one SQLite file (.ZNT) on one connection.
// Database::open makes it for every address that names no server.
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
    const QString& path() const override { return m_path; }
    const OpenOptions& options() const override { return m_options; }
    bool isReadOnly() const override;
    int schemaVersion() const override { return m_schemaVersion; }
    bool hasTextIndex() const override;
    bool textIndexUsable() const override;
    Status upgradeSchema() override;
    bool upgradeWaitsForSpace() const override { return m_upgradeWaitsForSpace; }

    Result<ConfigRow> loadConfig() override;
    Status saveConfig(const ConfigRow& row) override;

    Status begin() override;
    Status commit() override;
    Status rollback() override;
    bool inTransaction() const override { return m_depth > 0; }
    int transactionDepth() const override { return m_depth; }

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
    Status snapshotTo(const QString& targetPath, Progress& progress) override;
    void idle() override;
    quint64 changeCount() const override { return m_changeCount; }

private:
    FileDatabase(QString path, OpenOptions options);
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
    Status exec(const char* sql);
    Status failure(const QString& doing) const;
    // Runs a DELETE whose one parameter is a MainID.
    Status deleteForId(const char* sql, qint64 mainId, const QString& doing);
    static Status recordGone(qint64 mainId);
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
