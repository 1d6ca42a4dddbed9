#include "core/FileWriter.h"

#include <atomic>
#include <cerrno>

#include <unistd.h>

namespace zentaro {

namespace {

std::atomic<int> g_counts[2];
FileWriter::Fault g_fault;
std::atomic<bool> g_armed{false};

// The error the injected fault calls for now, or 0.
int injected(FileWriter::Operation operation)
{
    const int n = ++g_counts[static_cast<int>(operation)];
    if (!g_armed.load() || g_fault.operation != operation || g_fault.at <= 0)
        return 0;
    if (n == g_fault.at || (g_fault.persistent && n > g_fault.at))
        return g_fault.error;
    return 0;
}

} // namespace

int FileWriter::writeAll(int fd, const char* data, qint64 length)
{
    if (const int error = injected(Operation::Write))
        return error;
    qint64 done = 0;
    while (done < length) {
        const ssize_t n = ::write(fd, data + done, static_cast<size_t>(length - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return ENOSPC;
        done += n;
    }
    return 0;
}

int FileWriter::sync(int fd)
{
    if (const int error = injected(Operation::Sync))
        return error;
    return ::fsync(fd) == 0 ? 0 : errno;
}

int FileWriter::syncFileSystem(int fd)
{
    if (const int error = injected(Operation::Sync))
        return error;
    return ::syncfs(fd) == 0 ? 0 : errno;
}

void FileWriter::setFault(const Fault& fault)
{
    g_armed = false;
    g_fault = fault;
    g_counts[0] = 0;
    g_counts[1] = 0;
    g_armed = fault.at > 0;
}

void FileWriter::clearFault()
{
    setFault({});
}

int FileWriter::count(Operation operation)
{
    return g_counts[static_cast<int>(operation)].load();
}

} // namespace zentaro
