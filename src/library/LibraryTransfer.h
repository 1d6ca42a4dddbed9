#pragma once

#include "core/Result.h"
#include "core/Status.h"

#include <QString>

namespace zentaro {

class Database;
class Progress;

// Moves a whole library between the two engines: a library file into an
// empty library on a server, and a server library into a new library file.
// Every record keeps its fields, its bytes and its checksum; the bytes are
// hashed as they pass and checked against the source's checksum, so a record
// that does not match stops the move and is named.
class LibraryTransfer
{
public:
    // Copies the Config row and every record of source into target, which
    // must hold no record. Each record goes in one transaction of target, so
    // an interruption leaves no partial record. Returns the records copied.
    static Result<qint64> CopyRecords(Database& source, Database& target, Progress& progress);

    // Writes the server library source into a new library file at target
    // (refused when taken), made from the template, as of one committed
    // state of source. The file takes its name only when whole.
    static Result<qint64> CopyToFile(Database& source, const QString& templatePath, const QString& target,
                                     Progress& progress);

    static inline const QString kImportingText = QStringLiteral("Importing..  Please Wait...");
};

} // namespace zentaro
