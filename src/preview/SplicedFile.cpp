#include "preview/SplicedFile.h"

#include <algorithm>
#include <cstring>

namespace zentaro {

SplicedFile::SplicedFile(QByteArray head, const QString& path, qint64 from, qint64 to)
    : m_head(std::move(head)), m_file(path), m_from(from), m_to(std::max(from, to))
{
}

bool SplicedFile::open(OpenMode mode)
{
    if ((mode & WriteOnly) || !m_file.open(QIODevice::ReadOnly))
        return false;
    m_at = 0;
    return QIODevice::open(mode);
}

void SplicedFile::close()
{
    QIODevice::close();
    m_file.close();
}

qint64 SplicedFile::size() const
{
    return m_head.size() + (m_to - m_from);
}

bool SplicedFile::seek(qint64 pos)
{
    if (!QIODevice::seek(pos))
        return false;
    m_at = pos;
    return true;
}

qint64 SplicedFile::readData(char* data, qint64 maxSize)
{
    qint64 done = 0;
    if (m_at < m_head.size()) {
        done = std::min(maxSize, m_head.size() - m_at);
        std::memcpy(data, m_head.constData() + m_at, size_t(done));
    }
    const qint64 inFile = m_from + (m_at + done - m_head.size());
    if (done < maxSize && inFile < m_to) {
        if (!m_file.seek(inFile))
            return done > 0 ? done : -1;
        const qint64 read = m_file.read(data + done, std::min(maxSize - done, m_to - inFile));
        if (read < 0)
            return done > 0 ? done : -1;
        done += read;
    }
    m_at += done;
    return done;
}

qint64 SplicedFile::writeData(const char*, qint64)
{
    return -1;
}

} // namespace zentaro
