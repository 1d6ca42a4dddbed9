#pragma once

#include <QByteArray>
#include <QString>

struct pg_result;

namespace zentaro {

// Owns one libpq result. Columns read as text unless the statement asked for
// binary results, which only byte and count queries do.
class PgResult
{
public:
    PgResult() = default;
    explicit PgResult(pg_result* result) : m_result(result) {}
    ~PgResult();
    PgResult(PgResult&& other) noexcept : m_result(other.m_result) { other.m_result = nullptr; }
    PgResult& operator=(PgResult&& other) noexcept;
    PgResult(const PgResult&) = delete;
    PgResult& operator=(const PgResult&) = delete;

    pg_result* get() const { return m_result; }
    // The statement ran (a command, or rows).
    bool ok() const;
    int rows() const;
    bool isNull(int row, int column) const;
    QString text(int row, int column) const;
    // A number column, in text or in binary (int2, int4, int8) form.
    qint64 number(int row, int column) const;
    // The column's bytes as sent (binary results: a bytea's own bytes).
    QByteArray bytes(int row, int column) const;
    // Rows a command changed (UPDATE, DELETE, INSERT).
    qint64 affected() const;
    // Five-character SQLSTATE, empty when there is none.
    QByteArray sqlState() const;
    // The server's primary message, one line.
    QString errorText() const;

private:
    pg_result* m_result = nullptr;
};

} // namespace zentaro
