#include "core/PathText.h"

#include <QCoreApplication>

namespace zentaro {

QString PathText::join(const QString& folder, const QString& name)
{
    if (folder.isEmpty())
        return name;
    QString tail = name;
    while (tail.startsWith(QLatin1Char('/')))
        tail.remove(0, 1);
    if (folder.endsWith(QLatin1Char('/')))
        return folder + tail;
    return folder + QLatin1Char('/') + tail;
}

QString PathText::programFolder()
{
    return QCoreApplication::applicationDirPath();
}

} // namespace zentaro
