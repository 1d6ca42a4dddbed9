#pragma once

#include "core/Result.h"
#include "core/Status.h"

#include <QString>

namespace zentaro {

class PgConnection;

// The tables of a library on a server, made once in an empty database, and
// the check that a database holds one this program can use.
class ServerSchema
{
public:
    // The structure this program makes and understands.
    static constexpr int kVersion = 1;
    // Bytes of a stored file per chunk row: large enough that a file takes
    // few rows, small enough that reading a piece at an offset stays cheap.
    static constexpr int kMinChunkSize = 256 * 1024;
    static constexpr int kMaxChunkSize = 1024 * 1024;
    static constexpr int kDefaultChunkSize = kMaxChunkSize;

    // What the schema table says.
    struct Info
    {
        int version = 0;
        // The oldest Zentaro that can open the library.
        QString needsProgram;
        int chunkSize = kDefaultChunkSize;
    };

    // Makes a library in the empty database at address (its owner or a
    // user who may create in it). Refuses a database that holds anything.
    static Status init(const QString& address, int chunkSize = kDefaultChunkSize);
    static Status init(PgConnection& connection, int chunkSize = kDefaultChunkSize);

    // NotALibrary for a database without a library (empty, or holding other
    // tables) and for one made by a newer Zentaro (the message says which
    // to install); Damaged when a table of the library is missing.
    static Result<Info> check(PgConnection& connection);

    // The version text a library made now asks for.
    static QString programVersion();
};

} // namespace zentaro
