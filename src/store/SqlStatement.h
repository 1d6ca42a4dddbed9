#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

struct sqlite3;
struct sqlite3_stmt;

namespace zentaro {

// Owns one prepared statement; used only inside the store.
class SqlStatement
{
public:
    SqlStatement() = default;
    ~SqlStatement();
    SqlStatement(const SqlStatement&) = delete;
    SqlStatement& operator=(const SqlStatement&) = delete;

    // Returns the SQLite result code of sqlite3_prepare_v3.
    int prepare(sqlite3* db, const QByteArray& sql, bool persistent = false);
    void finalize();
    explicit operator bool() const { return m_stmt != nullptr; }
    sqlite3_stmt* get() const { return m_stmt; }

    // Positions count from 1, as in SQLite.
    void bindNull(int position);
    void bindInt64(int position, qint64 value);
    void bindText(int position, const QString& value);
    // The bytes must stay valid until the statement is reset.
    void bindBlobStatic(int position, const char* data, int length);
    // QString, integers, doubles, bools (0/1), QDateTime (stored date text),
    // QByteArray (blob), null.
    void bind(int position, const QVariant& value);
    int parameterCount() const;

    // SQLITE_ROW, SQLITE_DONE or an error code.
    int step();
    // Ends a run: releases read locks and clears the bindings.
    void reset();

    bool isNull(int column) const;
    qint64 columnInt64(int column) const;
    QString columnText(int column) const;
    const char* columnBlob(int column) const;
    int columnBytes(int column) const;

private:
    sqlite3_stmt* m_stmt = nullptr;
};

} // namespace zentaro
