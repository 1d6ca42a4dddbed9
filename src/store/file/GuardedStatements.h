#pragma once

#include "core/Result.h"
#include "core/Status.h"

#include <QString>

#include <vector>

namespace zentaro {

class FileConnection;
struct TranslatedQuery;

// The statements built from what a user typed: prepared under an authorizer
// that lets them read Main (and, for the bulk delete, delete from Main with
// its pieces) and nothing else.
class GuardedStatements
{
public:
    explicit GuardedStatements(FileConnection& connection);

    // Runs a translated SELECT as its keyset (Database::selectKeys).
    Result<std::vector<qint64>> selectKeys(const TranslatedQuery& query);
    // Runs the bulk delete (Database::execute).
    Result<qint64> execute(const QString& statement);

private:
    // InvalidQuery when a translated query failed to prepare because it is
    // beyond the engine's limits; success for any other result code.
    static Status engineLimit(int rc);

    FileConnection& m_c;
};

} // namespace zentaro
