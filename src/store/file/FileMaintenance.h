#pragma once

#include "core/Status.h"

#include <QString>

namespace zentaro {

class FileConnection;
class Progress;

// Whole-file work on an open library: compacted copies, compaction in
// place and snapshots (see Database for what each does).
class FileMaintenance
{
public:
    explicit FileMaintenance(FileConnection& connection);

    Status compactTo(const QString& targetPath);
    Status compactInPlace(const QString& scratchPath, Progress& progress);
    bool reclaimsFreePages() const;
    Status reclaimFreePages(Progress& progress);
    Status snapshotTo(const QString& targetPath, Progress& progress);

private:
    FileConnection& m_c;
};

} // namespace zentaro
