#include "ui/common/DesktopFileOpener.h"

#include <QDesktopServices>
#include <QUrl>

namespace zentaro {

bool DesktopFileOpener::OpenFile(const QString& path)
{
    // A local-file URL, so that no character of the name is read as URL syntax.
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace zentaro
