#include "transfer/FileOpener.h"

#include <QFileInfo>

namespace zentaro {

Notice FileOpener::NotOpenedNotice(const QString& path, const QString& newLine)
{
    // Without a word the command would seem to have done nothing at all.
    const bool folder = QFileInfo(path).isDir();
    QString text = (folder ? QStringLiteral("No application is set up to open this folder:")
                           : QStringLiteral("No application is set up to open this file:"))
        + newLine + path;
    if (!folder)
        text += newLine + newLine
            + QStringLiteral("The extracted copy stays there; open it with an application of your choice.");
    return {NoticeIcon::Exclamation, QStringLiteral("ZNT Notice"), text};
}

} // namespace zentaro
