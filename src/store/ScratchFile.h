#pragma once

#include "core/Result.h"

#include <QString>

#include <sys/types.h>

namespace zentaro {

// A temporary file that one run at a time may use (CMPCT.TMP, a copy on
// its way to its name). The claim is a lock on the file itself, so one left
// by a killed run is taken over, while one that a running program holds
// makes the next claim use a name of its own beside it.
class ScratchFile
{
public:
    ScratchFile() = default;
    ~ScratchFile();
    ScratchFile(ScratchFile&& other) noexcept;
    ScratchFile& operator=(ScratchFile&& other) noexcept;
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    // Claims preferred or, while another program holds that, the first free
    // of "NAME-1.EXT", "NAME-2.EXT"... The file is empty, has the permission
    // bits mode, and no journal is left beside it.
    static Result<ScratchFile> claim(const QString& preferred, mode_t mode);

    const QString& path() const { return m_path; }
    bool isClaimed() const { return m_fd >= 0; }

    // Removes the file and its journals and gives up the claim.
    void remove();
    // Gives up the claim and leaves the name alone (the file was renamed).
    void release();

    // The names tried for preferred, in order (preferred first).
    static QString candidate(const QString& preferred, int index);
    // Removes the journal files SQLite may have left beside path.
    static void removeJournals(const QString& path);

private:
    ScratchFile(QString path, int fd) : m_path(std::move(path)), m_fd(fd) {}

    QString m_path;
    int m_fd = -1;
};

} // namespace zentaro
