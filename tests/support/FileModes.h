#pragma once

#include <QFile>
#include <QString>

#include <sys/stat.h>

namespace zentaro::test {

// The umask most systems start with, for as long as a test about the modes
// of the files it makes runs.
class UsualUmask
{
public:
    UsualUmask() : m_previous(::umask(022)) {}
    ~UsualUmask() { ::umask(m_previous); }
    UsualUmask(const UsualUmask&) = delete;
    UsualUmask& operator=(const UsualUmask&) = delete;

private:
    mode_t m_previous;
};

// The permission bits of path itself (not of what a link points at); 0
// when there is nothing.
inline unsigned modeOf(const QString& path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

inline bool setMode(const QString& path, unsigned mode)
{
    return ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

} // namespace zentaro::test
