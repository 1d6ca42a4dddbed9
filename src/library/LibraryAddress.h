#pragma once

#include <QString>

namespace zentaro {

// The address of a library: the path of a library file (.ZNT) or a libpq
// connection URI of a library on a server
// (postgresql://host:port/dbname?user=name). A password never leaves the
// program: what is shown or kept in the settings is the address without it.
class LibraryAddress
{
public:
    static bool IsServer(const QString& address);
    // A library address at all: a .ZNT path or a server address.
    static bool IsLibraryAddress(const QString& address);
    // The address with any password of its user part or its parameters left out.
    static QString WithoutPassword(const QString& address);
    // The server address with password as its parameter (for connecting only).
    static QString WithPassword(const QString& address, const QString& password);
    // What a caption shows: a file's display name, or a server address
    // without its password.
    static QString DisplayName(const QString& address);
    // The address of the "Open Server Library" form; port 0 leaves libpq's.
    static QString FromParts(const QString& host, int port, const QString& database, const QString& user);
};

} // namespace zentaro
