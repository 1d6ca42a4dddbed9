#pragma once

#include <QString>

#include <functional>
#include <optional>

namespace zentaro {

// The logic of the FileMonitor timer: watches one extracted copy's
// last-modified time while its record stays current. Each tick asks the file
// system afresh (one status call, nothing read from the file) and compares
// at the full precision the file system keeps, so any difference, later or
// earlier, counts.
class EditWatch
{
public:
    // Nanoseconds since the epoch of the file's last modification; nothing
    // when the file is not there.
    using Stamp = std::optional<qint64>;
    using StatFunction = std::function<Stamp(const QString& path)>;

    enum class Tick {
        Idle,      // not watching
        Unchanged,
        Changed,   // the watch has stopped; offer the re-insertion
        Gone,      // the copy disappeared; the watch has stopped quietly
    };

    explicit EditWatch(StatFunction stat = &SystemStat);

    // Starts watching path from its time now. False (and no watch) when the
    // file is not there.
    bool start(const QString& path);
    void stop();
    bool watching() const { return m_watching; }
    const QString& path() const { return m_path; }

    Tick tick();

    // The file system's own answer, never a cached one.
    static Stamp SystemStat(const QString& path);

private:
    StatFunction m_stat;
    QString m_path;
    qint64 m_baseline = 0;
    bool m_watching = false;
};

} // namespace zentaro
