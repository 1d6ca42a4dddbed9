#pragma once

#include "core/Status.h"

namespace zentaro {

class FileConnection;

// Opening a library file: the connection and its settings, the checks that
// it is a Zentaro library in one piece, and bringing its schema up to date.
class FileOpening
{
public:
    explicit FileOpening(FileConnection& connection);

    // Opens the connection with the engine's settings and the LIKE function.
    Status openConnection();
    // Checks the file is a library this version can use, upgrades it when
    // allowed, and takes the locks the options ask for.
    Status checkLibrary();
    // Runs the pending steps of SchemaUpgrade (Database::upgradeSchema).
    Status upgradeSchema();

private:
    // The open refusal for an engine result, naming the file and the cause.
    Status openFailure(int rc) const;

    FileConnection& m_c;
};

} // namespace zentaro
