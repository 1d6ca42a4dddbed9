// A library file may come from anywhere: a share, a mail, an old disk.
// Opening it, reading its list and bytes and checking it must fail cleanly.
#include "core/Progress.h"
#include "store/Database.h"
#include "library/LibraryVerifier.h"
#include "store/Recordset.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace zentaro;

namespace {

const QString& libraryPath()
{
    static QTemporaryDir folder;
    static const QString path = [] {
        if (!folder.isValid()) {
            std::fprintf(stderr, "fuzz: no temporary folder\n");
            std::abort();
        }
        return QDir(folder.path()).filePath(QStringLiteral("Fuzz.ZNT"));
    }();
    return path;
}

void readEverything(const std::shared_ptr<Database>& db)
{
    (void)db->loadConfig();
    (void)db->countMain();
    Result<std::unique_ptr<Recordset>> list =
        Recordset::open(db, QStringLiteral("SELECT * FROM Main ORDER BY Title"));
    if (!list)
        return;
    static std::vector<char> buffer(70000);
    const int count = std::min((*list)->recordCount(), 64);
    for (int i = 0; i < count; ++i) {
        Result<MainRecord> record = (*list)->recordAt(i);
        if (!record)
            continue;
        Result<qint64> stored = db->storedSize(record->MainID);
        if (!stored)
            continue;
        // The first and the last piece, as extraction reads them.
        (void)db->readChunk(record->MainID, 0, static_cast<qint64>(buffer.size()), buffer.data());
        if (*stored > 0)
            (void)db->readChunk(record->MainID, *stored - 1, 1, buffer.data());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString& path = libraryPath();
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size))
                   != static_cast<qint64>(size)) {
            std::fprintf(stderr, "fuzz: cannot write %s\n", qPrintable(path));
            std::abort();
        }
    }
    // Read-only: a damaged library is never written to, and no sync slows the run.
    OpenOptions options;
    options.readOnly = true;
    options.exclusive = false;
    options.busyTimeoutMs = 0;
    Result<std::shared_ptr<Database>> db = Database::open(path, options);
    if (db) {
        readEverything(*db);
        (*db)->close();
        NullProgress progress;
        (void)LibraryVerifier::Verify(path, progress);
    }
    QFile::remove(path + QStringLiteral("-journal"));
    return 0;
}
