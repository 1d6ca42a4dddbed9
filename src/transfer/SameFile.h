#pragma once

#include <QString>

namespace zentaro {

// Whether two paths name one file on disk (through links too), without
// opening either: a second handle on the open library, once closed, would
// drop the engine's locks on it.
class SameFile
{
public:
    // Remembers which file path names now (none when it does not exist).
    explicit SameFile(const QString& path);

    // other names the remembered file.
    bool is(const QString& other) const;
    // other given as the file system's bytes.
    bool isNative(const QByteArray& other) const;

    static bool Is(const QString& a, const QString& b) { return SameFile(a).is(b); }

private:
    bool m_exists = false;
    quint64 m_device = 0;
    quint64 m_inode = 0;
    QString m_canonical;
};

} // namespace zentaro
