#pragma once

#include "core/Notice.h"

#include <QString>

#include <functional>
#include <optional>

namespace zentaro {

// Free bytes on the drive (file system) that holds, or is to hold, a path:
// what insertion, extraction, copying and compaction check before they write.
class FreeSpace
{
public:
    // Free bytes this user may fill on the file system holding path; for a
    // path that does not exist yet, the nearest existing folder above it.
    // Nothing when the figure cannot be had (a share that does not tell).
    // Tests inject their own figure.
    using Probe = std::function<std::optional<qint64>(const QString& path)>;

    // The real figure, read straight from the file system.
    static std::optional<qint64> SystemProbe(const QString& path);

    // True when size bytes fit into free bytes (exactly as many fit). An
    // unknown figure refuses nothing: the write itself reports a full disk.
    static bool Fits(qint64 size, const std::optional<qint64>& free) { return !free || size <= *free; }

    static inline const QString kInsertTitle = QStringLiteral("Cannot Insert");
    static inline const QString kInsertText = QStringLiteral("Insufficient Drive Space to Insert");
    static inline const QString kExtractTitle = QStringLiteral("Cannot Extract");
    static inline const QString kExtractText = QStringLiteral("Insufficient Drive Space to Extract");

    static Notice InsertRefusal();
    static Notice ExtractRefusal();
};

} // namespace zentaro
