#pragma once

#include <QtGlobal>

namespace zentaro {

// The one way the program writes and syncs its own files (extracted files,
// the settings file, library copies): every write and sync passes here, so
// tests can make the k-th one fail as a full or failing disk would.
class FileWriter
{
public:
    enum class Operation { Write, Sync };

    // Writes all length bytes to fd; 0, or the errno of the failure.
    static int writeAll(int fd, const char* data, qint64 length);
    // fsync; 0, or the errno of the failure.
    static int sync(int fd);
    // Everything written to the file system that holds fd (syncfs), as one
    // sync at the end of many small files; counts as a Sync. 0, or the errno.
    static int syncFileSystem(int fd);

    // For tests: the at-th operation of that kind from now (1 = the next)
    // fails with error; with persistent, every later one fails too.
    struct Fault
    {
        Operation operation = Operation::Write;
        int at = 0; // 0: no fault
        int error = 0;
        bool persistent = false;
    };
    static void setFault(const Fault& fault);
    static void clearFault();
    // Operations of each kind since the last setFault / clearFault.
    static int count(Operation operation);
};

} // namespace zentaro
