#pragma once

#include "core/Status.h"

#include <QString>

namespace zentaro::test {

// The throwaway PostgreSQL server of one test process (scripts/pg-server):
// started by the first test that asks for it, stopped after the last test
// (a global test environment), at exit, or on a fatal signal, so that the
// process never ends with a server left running. The server the whole
// ctest run shares (its PgServer fixture, or a socket folder named by
// ZENTARO_PG_SOCKET) is used instead when it runs, and left running.
class PgServer
{
public:
    enum class State { NotStarted, Running, NoBinaries, Failed };

    static PgServer& instance();

    // Starts it once; later calls answer at once. NoBinaries when no
    // PostgreSQL server is installed at all; Failed, with reason(), when it
    // is installed but did not start.
    State start();
    State state() const { return m_state; }
    const QString& reason() const { return m_reason; }
    void stop();

    // A connection URI to database on this server through its socket.
    QString address(const QString& database, const QString& user = QStringLiteral("zentaro"),
                    const QString& password = {}) const;
    // Runs statements as the superuser in database ("postgres" for the
    // cluster's own work such as CREATE DATABASE).
    Status run(const QString& database, const QString& sql) const;

private:
    PgServer() = default;

    State m_state = State::NotStarted;
    QString m_reason;
    QString m_folder;
    QString m_socket;
    // Started by the test run (ZENTARO_PG_SOCKET names its socket folder).
    bool m_shared = false;
};

} // namespace zentaro::test
