#include "transfer/SameFile.h"

#include <QFile>
#include <QFileInfo>

#if defined(Q_OS_UNIX)
#include <sys/stat.h>
#endif

namespace zentaro {

namespace {

struct Identity
{
    bool exists = false;
    quint64 device = 0;
    quint64 inode = 0;
};

Identity identityOf(const QByteArray& path)
{
    Identity id;
#if defined(Q_OS_UNIX)
    struct stat st = {};
    if (!path.isEmpty() && ::stat(path.constData(), &st) == 0) {
        id.exists = true;
        id.device = static_cast<quint64>(st.st_dev);
        id.inode = static_cast<quint64>(st.st_ino);
    }
#else
    Q_UNUSED(path);
#endif
    return id;
}

} // namespace

SameFile::SameFile(const QString& path)
{
#if defined(Q_OS_UNIX)
    const Identity id = identityOf(QFile::encodeName(path));
    m_exists = id.exists;
    m_device = id.device;
    m_inode = id.inode;
#else
    m_canonical = QFileInfo(path).canonicalFilePath();
    m_exists = !m_canonical.isEmpty();
#endif
}

bool SameFile::is(const QString& other) const
{
    return isNative(QFile::encodeName(other));
}

bool SameFile::isNative(const QByteArray& other) const
{
    if (!m_exists)
        return false;
#if defined(Q_OS_UNIX)
    const Identity id = identityOf(other);
    return id.exists && id.device == m_device && id.inode == m_inode;
#else
    return QFileInfo(QFile::decodeName(other)).canonicalFilePath().compare(m_canonical, Qt::CaseInsensitive) == 0;
#endif
}

} // namespace zentaro
