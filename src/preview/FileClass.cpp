#include "preview/FileClass.h"

#include "core/FileTypeClasses.h"

namespace zentaro {

namespace {

using Kind = FileTypeClasses::Kind;

bool listed(Kind kind, const QString& fileType)
{
    return FileTypeClasses::Extensions(kind).contains(fileType, Qt::CaseSensitive);
}

} // namespace

QString FileClass::CurrentFileClass(const QString& fileType)
{
    // Tested in this order, each match overwriting the last.
    QString found;
    if (listed(Kind::Video, fileType))
        found = kVideo;
    if (listed(Kind::Audio, fileType))
        found = kAudio;
    if (listed(Kind::Image, fileType))
        found = kImage;
    return found.isEmpty() ? kOther : found;
}

bool FileClass::isClassifiedType(const QString& fileType)
{
    const QString upper = fileType.toUpper();
    return listed(Kind::Video, upper) || listed(Kind::Audio, upper) || listed(Kind::Image, upper);
}

} // namespace zentaro
