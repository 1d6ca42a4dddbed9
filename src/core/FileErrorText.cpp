#include "core/FileErrorText.h"

#include <cerrno>
#include <cstring>

namespace zentaro {

ErrorCode FileErrorText::codeFor(int error)
{
    return error == ENOSPC || error == EDQUOT || error == EFBIG ? ErrorCode::DiskFull : ErrorCode::Io;
}

QString FileErrorText::forErrno(int error)
{
    switch (error) {
    case ENOSPC:
        return QStringLiteral("The disk is full.");
    case EDQUOT:
        return QStringLiteral("Your disk quota is used up.");
    case EFBIG:
        return QStringLiteral("The file is too large for that disk.");
    case ENOENT:
        return QStringLiteral("The file or its folder does not exist.");
    case EISDIR:
        return QStringLiteral("It is a folder, not a file.");
    case EACCES:
    case EPERM:
        return QStringLiteral("You have no permission to use it.");
    case EROFS:
        return QStringLiteral("The disk is read-only.");
    case EIO:
        return QStringLiteral("The disk reported a read or write error.");
    case 0:
        return QStringLiteral("The file could not be written.");
    default:
        return QString::fromLocal8Bit(std::strerror(error)) + QLatin1Char('.');
    }
}

} // namespace zentaro
