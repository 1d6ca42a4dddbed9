#pragma once

#include "transfer/FileOpener.h"

#include <QStringList>

namespace zentaro::test {

// Stands in for the desktop's opener: notes every path instead of opening it.
class RecordingOpener : public FileOpener
{
public:
    bool OpenFile(const QString& path) override
    {
        opened << path;
        return true;
    }
    QStringList opened;
};

} // namespace zentaro::test
