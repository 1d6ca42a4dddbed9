#pragma once

#include <QString>

namespace zentaro {

// Keeps the disk busy while a large file is being written: every few
// megabytes it asks the system to start writing out what has been written so
// far, without waiting for it, so the final sync has little left to do
// instead of the whole file. Only where the system offers it (Linux); it is a
// hint, and doing nothing is always correct.
class WritebackPacer
{
public:
    static constexpr qint64 kStepBytes = 8 * 1024 * 1024;

    // A file this program writes through fd, at its end; fd stays open meanwhile.
    explicit WritebackPacer(int fd) : m_fd(fd) {}

    // A file that this process already holds open elsewhere: the library,
    // held by its engine, which writes pages anywhere in it. Its handle is
    // looked up, never opened: closing a second handle on the library would
    // drop the engine's locks on it. Does nothing when none is found.
    static WritebackPacer forOpenFile(const QString& path);

    // length more bytes were written.
    void wrote(qint64 length);

private:
    WritebackPacer(int fd, bool wholeFile) : m_fd(fd), m_wholeFile(wholeFile) {}

    int m_fd = -1;
    bool m_wholeFile = false;
    qint64 m_written = 0;
    qint64 m_kicked = 0;
};

} // namespace zentaro
