#pragma once

#include "core/Status.h"
#include "store/Database.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <memory>

struct sqlite3;

namespace zentaro {

class SqlConnection;
class SqlStatement;

// The file engine's one connection and what every part of it shares: the
// cached statements, the transaction depth, the change count and the
// versions read at opening; and how an engine result becomes a message.
class FileConnection
{
public:
    FileConnection(QString path, OpenOptions options);
    ~FileConnection();
    FileConnection(const FileConnection&) = delete;
    FileConnection& operator=(const FileConnection&) = delete;

    const QString& path() const { return m_path; }
    const OpenOptions& options() const { return m_options; }
    // The file's name as messages show it, in quotation marks.
    static QString quoted(const QString& path);

    // A fresh connection object, not yet open (the old one is dropped).
    SqlConnection& renew();
    SqlConnection* connection() const { return m_connection.get(); }
    sqlite3* handle() const;
    QString errorMessage() const;
    bool isOpen() const;
    bool isReadOnly() const;
    // Rolls back an open transaction and releases the file.
    void close();

    int schemaVersion() const { return m_schemaVersion; }
    void setSchemaVersion(int version) { m_schemaVersion = version; }
    bool hasTextIndex() const;
    bool textIndexUsable() const;
    bool keepsFileHashes() const;
    bool upgradeWaitsForSpace() const { return m_upgradeWaitsForSpace; }
    void setUpgradeWaitsForSpace(bool waits) { m_upgradeWaitsForSpace = waits; }
    void setDataVersion(qint64 version) { m_dataVersion = version; }

    // --- Transactions (see Database::begin) ------------------------------
    Status begin();
    Status commit();
    Status rollback();
    int depth() const { return m_depth; }

    // --- Statements ------------------------------------------------------
    // A cached prepared statement, reset and cleared; nullptr with status
    // set when it cannot be prepared or the library is closed.
    SqlStatement* statement(const char* sql, Status* status);
    // Resets every cached statement: one left stepping holds a read lock.
    void resetStatements();
    // Drops every cached statement (they could hold a read transaction).
    void dropStatements();
    Status exec(const char* sql);
    // Runs a DELETE whose one parameter is a MainID.
    Status deleteForId(const char* sql, qint64 mainId, const QString& doing);
    // Lets the full-text index attach itself before a guarded statement.
    void connectTextIndex();
    // Notices changes committed by other connections (see Database::idle).
    void idle();

    // --- Change count ----------------------------------------------------
    quint64 changeCount() const { return m_changeCount; }
    void touch() { ++m_changeCount; }

    // --- Failures --------------------------------------------------------
    // The connection's last error while doing something, naming the file.
    Status failure(const QString& doing) const;
    Status closedFailure() const;
    // A failure of a step on a second connection (backup source or target).
    Status engineFailure(const QString& doing, sqlite3* other, int rc) const;
    static Status recordGone(qint64 mainId);
    // The error code for an engine result code.
    static ErrorCode codeFor(int rc);

private:
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
