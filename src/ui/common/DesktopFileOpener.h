#pragma once

#include "transfer/FileOpener.h"

namespace zentaro {

// Hands a file to the desktop's opener (xdg-open and its kin), which starts
// the application associated with the file's type.
class DesktopFileOpener final : public FileOpener
{
public:
    bool OpenFile(const QString& path) override;
};

} // namespace zentaro
