#pragma once

#include "transfer/FileOpener.h"

#include <QStringList>

namespace zentaro::test {

// Stands in for the desktop's opener: notes every path instead of opening it.
// With handles false it stands for a desktop that has nothing to open them with.
class RecordingOpener : public FileOpener
{
public:
    bool OpenFile(const QString& path) override
    {
        opened << path;
        return handles;
    }
    QStringList opened;
    bool handles = true;
};

} // namespace zentaro::test
