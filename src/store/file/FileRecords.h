#pragma once

#include "core/Result.h"
#include "core/Status.h"
#include "store/ConfigRow.h"
#include "store/MainRecord.h"

#include <QVariantMap>

#include <vector>

namespace zentaro {

class FileConnection;

// The file engine's rows: the Config row and the records of Main by MainID
// (see Database for what each does).
class FileRecords
{
public:
    explicit FileRecords(FileConnection& connection);

    Result<ConfigRow> loadConfig();
    Status saveConfig(const ConfigRow& row);

    Result<MainRecord> loadRecord(qint64 mainId);
    Result<std::vector<MainRecord>> loadRecords(const std::vector<qint64>& ids);
    Result<qint64> insertRecord(const MainRecord& record);
    Status updateFields(qint64 mainId, const QVariantMap& values);
    Status deleteRecord(qint64 mainId);
    Result<qint64> countMain();
    Result<qint64> sumFileSize();

private:
    FileConnection& m_c;
};

} // namespace zentaro
