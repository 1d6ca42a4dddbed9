#include "FaultVfs.h"

#include <sqlite3.h>

#include <atomic>
#include <cstring>

namespace zentaro::test {

namespace {

struct Armed
{
    FaultVfs::Operation operation = FaultVfs::Operation::Write;
    int at = 0;
    FaultVfs::Error error = FaultVfs::Error::Io;
    bool persistent = false;
};

sqlite3_vfs* g_real = nullptr;
sqlite3_vfs g_vfs;
Armed g_armed;
std::atomic<int> g_counts[3];
std::atomic<bool> g_fired{false};

struct FaultFile
{
    sqlite3_file base;
    sqlite3_file* real; // follows this struct in the same allocation
};

sqlite3_file* real(sqlite3_file* f)
{
    return reinterpret_cast<FaultFile*>(f)->real;
}

// The result code the fault calls for now, or SQLITE_OK.
int injected(FaultVfs::Operation operation, int ioCode)
{
    const int n = ++g_counts[static_cast<int>(operation)];
    if (g_armed.at <= 0 || g_armed.operation != operation)
        return SQLITE_OK;
    if (n == g_armed.at || (g_armed.persistent && n > g_armed.at)) {
        g_fired = true;
        return g_armed.error == FaultVfs::Error::NoSpace && operation != FaultVfs::Operation::Read ? SQLITE_FULL
                                                                                                   : ioCode;
    }
    return SQLITE_OK;
}

int xClose(sqlite3_file* f)
{
    return real(f)->pMethods->xClose(real(f));
}
int xRead(sqlite3_file* f, void* buffer, int amount, sqlite3_int64 offset)
{
    if (int rc = injected(FaultVfs::Operation::Read, SQLITE_IOERR_READ))
        return rc;
    return real(f)->pMethods->xRead(real(f), buffer, amount, offset);
}
int xWrite(sqlite3_file* f, const void* buffer, int amount, sqlite3_int64 offset)
{
    if (int rc = injected(FaultVfs::Operation::Write, SQLITE_IOERR_WRITE))
        return rc;
    return real(f)->pMethods->xWrite(real(f), buffer, amount, offset);
}
int xTruncate(sqlite3_file* f, sqlite3_int64 size)
{
    return real(f)->pMethods->xTruncate(real(f), size);
}
int xSync(sqlite3_file* f, int flags)
{
    if (int rc = injected(FaultVfs::Operation::Sync, SQLITE_IOERR_FSYNC))
        return rc;
    return real(f)->pMethods->xSync(real(f), flags);
}
int xFileSize(sqlite3_file* f, sqlite3_int64* size)
{
    return real(f)->pMethods->xFileSize(real(f), size);
}
int xLock(sqlite3_file* f, int level)
{
    return real(f)->pMethods->xLock(real(f), level);
}
int xUnlock(sqlite3_file* f, int level)
{
    return real(f)->pMethods->xUnlock(real(f), level);
}
int xCheckReservedLock(sqlite3_file* f, int* out)
{
    return real(f)->pMethods->xCheckReservedLock(real(f), out);
}
int xFileControl(sqlite3_file* f, int op, void* arg)
{
    return real(f)->pMethods->xFileControl(real(f), op, arg);
}
int xSectorSize(sqlite3_file* f)
{
    return real(f)->pMethods->xSectorSize(real(f));
}
int xDeviceCharacteristics(sqlite3_file* f)
{
    return real(f)->pMethods->xDeviceCharacteristics(real(f));
}
int xShmMap(sqlite3_file* f, int region, int size, int extend, void volatile** out)
{
    return real(f)->pMethods->xShmMap(real(f), region, size, extend, out);
}
int xShmLock(sqlite3_file* f, int offset, int n, int flags)
{
    return real(f)->pMethods->xShmLock(real(f), offset, n, flags);
}
void xShmBarrier(sqlite3_file* f)
{
    real(f)->pMethods->xShmBarrier(real(f));
}
int xShmUnmap(sqlite3_file* f, int deleteFlag)
{
    return real(f)->pMethods->xShmUnmap(real(f), deleteFlag);
}
// Memory-mapped reads would pass the read count by; they are refused so the
// engine reads through xRead.
int xFetch(sqlite3_file*, sqlite3_int64, int, void** out)
{
    *out = nullptr;
    return SQLITE_OK;
}
int xUnfetch(sqlite3_file*, sqlite3_int64, void*)
{
    return SQLITE_OK;
}

const sqlite3_io_methods kMethods = {3,        xClose,      xRead,       xWrite,     xTruncate, xSync,
                                     xFileSize, xLock,      xUnlock,     xCheckReservedLock,
                                     xFileControl, xSectorSize, xDeviceCharacteristics,
                                     xShmMap,  xShmLock,    xShmBarrier, xShmUnmap, xFetch,    xUnfetch};

int xOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags)
{
    auto* file = reinterpret_cast<FaultFile*>(f);
    file->real = reinterpret_cast<sqlite3_file*>(file + 1);
    std::memset(file->real, 0, static_cast<size_t>(g_real->szOsFile));
    const int rc = g_real->xOpen(g_real, name, file->real, flags, outFlags);
    file->base.pMethods = file->real->pMethods ? &kMethods : nullptr;
    return rc;
}

} // namespace

void FaultVfs::install()
{
    if (g_real)
        return;
    g_real = sqlite3_vfs_find(nullptr);
    g_vfs = *g_real;
    g_vfs.iVersion = std::min(g_real->iVersion, 3);
    g_vfs.szOsFile = static_cast<int>(sizeof(FaultFile)) + g_real->szOsFile;
    g_vfs.zName = "zentaro-fault";
    g_vfs.pNext = nullptr;
    g_vfs.xOpen = xOpen;
    sqlite3_vfs_register(&g_vfs, 1);
}

void FaultVfs::arm(Operation operation, int at, Error error, bool persistent)
{
    g_armed = {operation, at, error, persistent};
    for (auto& c : g_counts)
        c = 0;
    g_fired = false;
}

void FaultVfs::disarm()
{
    arm(Operation::Write, 0, Error::Io, false);
}

int FaultVfs::count(Operation operation)
{
    return g_counts[static_cast<int>(operation)].load();
}

bool FaultVfs::fired()
{
    return g_fired.load();
}

} // namespace zentaro::test
