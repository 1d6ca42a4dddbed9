#pragma once

namespace zentaro::test {

// An SQLite VFS over the default one that fails the k-th read, write or
// sync of any file (library, journal, compaction copy) as a failing or
// full disk would. Installed as the default, so every connection of the
// process goes through it; it only counts until armed.
class FaultVfs
{
public:
    enum class Operation { Read = 0, Write = 1, Sync = 2 };
    enum class Error { Io, NoSpace };

    static void install();
    // The at-th operation from now (1 = the next) fails; with persistent,
    // every later one fails as well. Resets the counts.
    static void arm(Operation operation, int at, Error error, bool persistent);
    // Counts only; resets the counts.
    static void disarm();
    static int count(Operation operation);
    // Whether the armed fault has been met since it was armed.
    static bool fired();
};

} // namespace zentaro::test
