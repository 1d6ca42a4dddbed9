#pragma once

#include <QString>

struct sqlite3;

namespace zentaro {

// Owns one sqlite3 handle; used only inside the store.
class SqlConnection
{
public:
    SqlConnection() = default;
    explicit SqlConnection(sqlite3* handle) : m_handle(handle) {}
    ~SqlConnection();
    SqlConnection(const SqlConnection&) = delete;
    SqlConnection& operator=(const SqlConnection&) = delete;

    // sqlite3_open_v2 with extended result codes; on failure the handle (if
    // any) is kept so that the caller can read its message, then closed.
    int open(const QString& path, int flags);
    void close();

    sqlite3* get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }
    int errorCode() const;
    QString errorMessage() const;

private:
    sqlite3* m_handle = nullptr;
};

} // namespace zentaro
