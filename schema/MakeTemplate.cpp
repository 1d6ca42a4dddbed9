// Builds the empty-library template: the first structure (library.sql), then
// every step of SchemaUpgrade, the same steps that bring an older library up
// to date. A new library thus starts at the version this program writes and
// is never upgraded, and both routes end in the same structure.
//   zentaro_make_template LIBRARY.SQL TARGET

#include "store/SchemaUpgrade.h"

#include <QFile>
#include <QString>

#include <sqlite3.h>

#include <cstdio>

namespace {

int fail(const char* what, sqlite3* db)
{
    std::fprintf(stderr, "zentaro_make_template: %s: %s\n", what, db ? sqlite3_errmsg(db) : "out of memory");
    sqlite3_close(db);
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: zentaro_make_template LIBRARY.SQL TARGET\n");
        return 2;
    }
    QFile script(QString::fromLocal8Bit(argv[1]));
    if (!script.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "zentaro_make_template: cannot read %s\n", argv[1]);
        return 1;
    }
    const QByteArray sql = script.readAll();
    const QString target = QString::fromLocal8Bit(argv[2]);
    QFile::remove(target);

    sqlite3* db = nullptr;
    if (sqlite3_open_v2(argv[2], &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK)
        return fail("opening the target", db);
    if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        return fail(argv[1], db);

    sqlite3_stmt* st = nullptr;
    int version = 0;
    if (sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
        version = sqlite3_column_int(st, 0);
    sqlite3_finalize(st);
    if (version != zentaro::SchemaUpgrade::kBaseVersion)
        return fail("library.sql writes another version than SchemaUpgrade starts from", db);

    const zentaro::Status upgraded = zentaro::SchemaUpgrade::run(db, version, target);
    if (!upgraded) {
        std::fprintf(stderr, "zentaro_make_template: %s\n", upgraded.message().toLocal8Bit().constData());
        sqlite3_close(db);
        return 1;
    }
    // The file as a compaction would leave it: with incremental auto-vacuum,
    // so that a library made from it gives deleted space back in place.
    if (sqlite3_exec(db, "PRAGMA auto_vacuum = INCREMENTAL; VACUUM", nullptr, nullptr, nullptr) != SQLITE_OK)
        return fail("compacting", db);
    if (sqlite3_close(db) != SQLITE_OK)
        return fail("closing", db);
    return 0;
}
