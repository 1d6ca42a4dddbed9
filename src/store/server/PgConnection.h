#pragma once

#include "core/Result.h"
#include "core/Status.h"
#include "store/server/PgResult.h"
#include "store/server/ServerAddress.h"

#include <QVariantList>

#include <memory>

struct pg_conn;

namespace zentaro {

// One libpq session with a server, closed with the object. Statements go
// with parameters, never with values pasted into their text: a QByteArray
// parameter travels as binary bytea, anything else as text. Every failure
// becomes a Status that names the server (never the password) and the cause.
class PgConnection
{
public:
    // Errors: WrongPassword (password or user refused), NotFound (no such
    // database), AccessDenied (the server lets this user or host not in),
    // Unreadable (server unreachable, or too old).
    static Result<std::unique_ptr<PgConnection>> connect(const ServerAddress& address);

    ~PgConnection();
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    const ServerAddress& address() const { return m_address; }
    // The address for messages, in quotes: "host:port/dbname".
    QString quotedName() const;

    // Runs one statement. A null QVariant is NULL; bool is true/false.
    // binaryResults asks for every column in binary form (bytea as its bytes).
    PgResult exec(const char* sql, const QVariantList& params = {}, bool binaryResults = false);
    // Runs statements that take no parameters (several may be joined by ";").
    PgResult run(const char* sql);

    // The failure of what was being done ("Could not read the records"),
    // with its cause: a lost connection, a lock, a read-only session, a full
    // disk, or the server's own words.
    Status failure(const QString& doing, const PgResult& result) const;
    static ErrorCode codeFor(const QByteArray& sqlState);

    // The session is gone (the server went away, or it was ended).
    bool isLost() const;
    // A transaction is open; inFailedTransaction: one whose statement failed,
    // so that it can only be rolled back.
    bool inTransaction() const;
    bool inFailedTransaction() const;
    int serverVersion() const;

private:
    PgConnection(ServerAddress address, pg_conn* connection);

    ServerAddress m_address;
    pg_conn* m_connection = nullptr;
};

} // namespace zentaro
