#include "store/LibraryFile.h"

namespace zentaro {

bool LibraryFile::IsLibraryPath(const QString& path)
{
    return path.right(4).toUpper() == kExtension;
}

QString LibraryFile::DisplayName(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    QString name = slash >= 0 ? path.mid(slash + 1) : path;
    name.chop(4);
    return name.trimmed();
}

QString LibraryFile::WithLibraryExtension(const QString& name)
{
    const QString trimmed = name.trimmed();
    if (IsLibraryPath(trimmed))
        return trimmed;
    return trimmed + kExtension;
}

} // namespace zentaro
