#pragma once

#include <QString>

#include <functional>
#include <optional>

namespace zentaro {

// Free bytes on the file system ("drive") that holds, or is to hold, a path:
// what the copy and compact commands check before they write a library.
class FreeBytes
{
public:
    // Nothing when the figure cannot be had (a network share that does not
    // tell): then nothing is refused and the write itself reports a full disk.
    using Probe = std::function<std::optional<qint64>(const QString& path)>;

    // The real figure through QStorageInfo; for a path not written yet, the
    // nearest existing folder above it.
    static std::optional<qint64> System(const QString& path);

    // True when size bytes fit (exactly as many fit) or the figure is unknown.
    static bool Fits(qint64 size, const std::optional<qint64>& free) { return !free || size <= *free; }
};

} // namespace zentaro
