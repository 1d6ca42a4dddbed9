#pragma once

#include <QByteArray>

struct sqlite3;

namespace zentaro {

class Progress;

// Gives the free pages of a library with incremental auto-vacuum back to the
// disk where the file lies: the pages at its end move into free ones nearer
// the start and the file is cut short, in one journalled transaction, so a
// kill at any moment leaves the old or the new library. The work is in
// proportion to what was deleted, not to the size of the library.
//
// One object per run: while it lives the connection has a larger page
// cache; when it goes, an unfinished run is rolled back and the cache is
// as it was. The connection's error stays readable until then.
class FreePageReclaimer
{
public:
    explicit FreePageReclaimer(sqlite3* db);
    ~FreePageReclaimer();
    FreePageReclaimer(const FreePageReclaimer&) = delete;
    FreePageReclaimer& operator=(const FreePageReclaimer&) = delete;

    // Whether the library on db keeps the page map that this needs
    // (PRAGMA auto_vacuum = INCREMENTAL).
    static bool appliesTo(sqlite3* db);
    // Makes the next VACUUM (INTO) on db write a file that keeps the page
    // map, so that the library compacted from it can be reclaimed in place.
    static int turnOnForNextVacuum(sqlite3* db);

    // Reclaims every free page. The connection holds no transaction;
    // progress moves from firstPercent to lastPercent. Returns the SQLite
    // result code, SQLITE_OK when the smaller library is committed.
    int run(Progress& progress, int firstPercent, int lastPercent);

private:
    sqlite3* m_db;
    QByteArray m_restoreCache;
};

} // namespace zentaro
