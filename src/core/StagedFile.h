#pragma once

#include <QByteArray>
#include <QString>

namespace zentaro {

// A new file that is complete or absent under its name: it is written
// without a name in the target's folder (or, where the file system cannot do
// that, under a short hidden one) and takes the target's name only when
// commit() is called. Abandoned (closed, nothing left) when it is destroyed
// before that, so neither a failure, a Cancel nor a crash leaves a part of
// it. Writes and syncs go through FileWriter.
class StagedFile
{
public:
    // mode: the new file's permissions, less the umask.
    explicit StagedFile(const QString& target, unsigned mode = 0666);
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // Creates the unnamed file; 0, or the errno.
    int open();
    // The descriptor to write to, or -1.
    int handle() const { return m_fd; }
    // Syncs the bytes when asked, then gives the file the target's name,
    // replacing a file there; 0, or the errno. Nothing else is left either way.
    int commit(bool sync);
    // Closes and removes the file; the target is untouched.
    void abandon();

private:
    // A hidden name in the target's folder, free when it was made.
    QByteArray stagingName() const;
    int openNamed();
    int link();
    // Links the unnamed file to name; 0, or the errno.
    int linkTo(const QByteArray& name) const;

    QByteArray m_target;
    unsigned m_mode = 0666;
    QByteArray m_staging; // only while the file has a hidden name
    int m_fd = -1;
};

} // namespace zentaro
