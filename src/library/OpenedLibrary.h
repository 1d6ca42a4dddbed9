#pragma once

#include <QString>

namespace zentaro {

// A library as it was opened: its path, the level it opened at and whether
// it is read-only.
struct OpenedLibrary
{
    QString path;
    QString accessLevel;
    bool readOnly = false;
};

} // namespace zentaro
