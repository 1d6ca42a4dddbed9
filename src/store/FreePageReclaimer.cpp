#include "store/FreePageReclaimer.h"

#include "core/Progress.h"
#include "store/SqlStatement.h"

#include <sqlite3.h>

#include <algorithm>

namespace zentaro {

namespace {

// Page cache while a run lasts, in KiB. Every page that a move empties at
// the end of the file is journalled at commit, and whenever the cache is
// full of them the journal is synced before they leave it: the larger the
// cache, the fewer syncs. Bounded whatever the size of the library.
constexpr int kCacheKiB = 64 * 1024;

qint64 single(sqlite3* db, const char* sql, int* rc)
{
    SqlStatement st;
    *rc = st.prepare(db, sql);
    if (*rc != SQLITE_OK)
        return 0;
    *rc = st.step();
    if (*rc != SQLITE_ROW)
        return 0;
    *rc = SQLITE_OK;
    return st.columnInt64(0);
}

} // namespace

FreePageReclaimer::FreePageReclaimer(sqlite3* db) : m_db(db)
{
    int rc = SQLITE_OK;
    const qint64 cacheSize = single(m_db, "PRAGMA cache_size", &rc);
    if (rc != SQLITE_OK)
        return;
    m_restoreCache = "PRAGMA cache_size = " + QByteArray::number(cacheSize);
    const QByteArray large = "PRAGMA cache_size = -" + QByteArray::number(kCacheKiB);
    sqlite3_exec(m_db, large.constData(), nullptr, nullptr, nullptr);
}

FreePageReclaimer::~FreePageReclaimer()
{
    if (!sqlite3_get_autocommit(m_db))
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    if (!m_restoreCache.isEmpty())
        sqlite3_exec(m_db, m_restoreCache.constData(), nullptr, nullptr, nullptr);
}

bool FreePageReclaimer::appliesTo(sqlite3* db)
{
    int rc = SQLITE_OK;
    return single(db, "PRAGMA auto_vacuum", &rc) == 2 && rc == SQLITE_OK;
}

int FreePageReclaimer::turnOnForNextVacuum(sqlite3* db)
{
    return sqlite3_exec(db, "PRAGMA auto_vacuum = INCREMENTAL", nullptr, nullptr, nullptr);
}

int FreePageReclaimer::run(Progress& progress, int firstPercent, int lastPercent)
{
    int rc = sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        return rc;
    const qint64 freePages = std::max<qint64>(single(m_db, "PRAGMA freelist_count", &rc), 1);
    if (rc != SQLITE_OK)
        return rc;

    // Each row of the pragma is one page taken off the end of the file;
    // the commit, which journals, writes and syncs, gets the last tenth.
    const int span = std::max(0, lastPercent - firstPercent) * 9 / 10;
    int shown = firstPercent;
    progress.setPercent(shown);
    {
        SqlStatement vacuum;
        if ((rc = vacuum.prepare(m_db, "PRAGMA incremental_vacuum")) != SQLITE_OK)
            return rc;
        qint64 done = 0;
        while ((rc = vacuum.step()) == SQLITE_ROW) {
            ++done;
            const int percent = firstPercent + static_cast<int>(std::min(done, freePages) * span / freePages);
            if (percent != shown) {
                shown = percent;
                progress.setPercent(percent);
            }
        }
        if (rc != SQLITE_DONE)
            return rc;
    }
    if ((rc = sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr)) != SQLITE_OK)
        return rc;
    progress.setPercent(lastPercent);
    return SQLITE_OK;
}

} // namespace zentaro
