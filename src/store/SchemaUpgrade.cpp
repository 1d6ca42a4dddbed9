#include "store/SchemaUpgrade.h"

#include "store/LibraryFile.h"

#include <sqlite3.h>

namespace zentaro {

const int SchemaUpgrade::kBaseVersion = LibraryFile::kSchemaVersion;
const int SchemaUpgrade::kTextIndexVersion = 3;
const int SchemaUpgrade::kUnseenTextVersion = 5;

const std::vector<SchemaUpgrade::Step>& SchemaUpgrade::steps()
{
    static const std::vector<Step> history = {
        // 2: a BLAKE2b-256 hash of each record's bytes. Any change to the
        // pieces drops it; only code that hashed the whole stream sets it.
        {"file checksums",
         "CREATE TABLE OLEHash (MainID INTEGER PRIMARY KEY, Hash BLOB NOT NULL);"
         "CREATE TRIGGER MainDeleteHash AFTER DELETE ON Main BEGIN "
         "DELETE FROM OLEHash WHERE MainID = OLD.MainID; END;"
         "CREATE TRIGGER OLEInsertHash AFTER INSERT ON OLE BEGIN "
         "DELETE FROM OLEHash WHERE MainID = NEW.MainID; END;"
         "CREATE TRIGGER OLEUpdateHash AFTER UPDATE ON OLE BEGIN "
         "DELETE FROM OLEHash WHERE MainID = OLD.MainID OR MainID = NEW.MainID; END;"
         "CREATE TRIGGER OLEDeleteHash AFTER DELETE ON OLE BEGIN "
         "DELETE FROM OLEHash WHERE MainID = OLD.MainID; END;"},
        // 2 -> 3: trigram index of the searched text fields. It holds no copy
        // of the texts (content is Main); the triggers keep it in step with
        // every change, whichever program makes it.
        {"the full-text index",
         "CREATE VIRTUAL TABLE MainText USING fts5(Title, Author, Keywords, Notes,"
         " content='Main', content_rowid='MainID', tokenize='trigram');"
         "INSERT INTO MainText(MainText) VALUES ('rebuild');"
         "CREATE TRIGGER MainTextInsert AFTER INSERT ON Main BEGIN"
         " INSERT INTO MainText(rowid, Title, Author, Keywords, Notes)"
         " VALUES (new.MainID, new.Title, new.Author, new.Keywords, new.Notes); END;"
         "CREATE TRIGGER MainTextDelete AFTER DELETE ON Main BEGIN"
         " INSERT INTO MainText(MainText, rowid, Title, Author, Keywords, Notes)"
         " VALUES ('delete', old.MainID, old.Title, old.Author, old.Keywords, old.Notes); END;"
         "CREATE TRIGGER MainTextUpdate AFTER UPDATE OF MainID, Title, Author, Keywords, Notes ON Main BEGIN"
         " INSERT INTO MainText(MainText, rowid, Title, Author, Keywords, Notes)"
         " VALUES ('delete', old.MainID, old.Title, old.Author, old.Keywords, old.Notes);"
         " INSERT INTO MainText(rowid, Title, Author, Keywords, Notes)"
         " VALUES (new.MainID, new.Title, new.Author, new.Keywords, new.Notes); END;"},
        // 3 -> 4: one index per sortable field, in the order the list sorts.
        {"the sort indexes",
         "CREATE INDEX MainAuthor ON Main (Author COLLATE NOCASE);"
         "CREATE INDEX MainKeywords ON Main (Keywords COLLATE NOCASE);"
         "CREATE INDEX MainFileName ON Main (FileName COLLATE NOCASE);"
         "CREATE INDEX MainFileType ON Main (FileType COLLATE NOCASE);"
         "CREATE INDEX MainFileDate ON Main (FileDate);"
         "CREATE INDEX MainFileSize ON Main (FileSize);"
         "CREATE INDEX MainInsertionDate ON Main (InsertionDate);"
         "CREATE INDEX MainLastUpdatedDate ON Main (LastUpdatedDate);"},
        // 4 -> 5: the trigram tokenizer stops at a NUL character, so the
        // full-text index never sees what follows one; these records are
        // candidates of every search the index serves. The condition is the
        // one of TextIndex::kUnseenRows, word for word, so that it finds them
        // through this index.
        {"the index of texts the full-text index cannot see",
         "CREATE INDEX MainTextUnseen ON Main (MainID) WHERE instr(Title, char(0)) OR instr(Author, char(0))"
         " OR instr(Keywords, char(0)) OR instr(Notes, char(0));"},
    };
    return history;
}

int SchemaUpgrade::latestVersion()
{
    return kBaseVersion + static_cast<int>(steps().size());
}

Status SchemaUpgrade::run(sqlite3* db, int version, const QString& libraryName)
{
    return run(db, version, libraryName, steps());
}

Status SchemaUpgrade::run(sqlite3* db, int version, const QString& libraryName,
                          const std::vector<Step>& history)
{
    const int latest = kBaseVersion + static_cast<int>(history.size());
    if (version >= latest)
        return {};
    auto failed = [&](const char* what) {
        const QString detail = QString::fromUtf8(sqlite3_errmsg(db));
        const int rc = sqlite3_extended_errcode(db);
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        ErrorCode code = ErrorCode::Engine;
        switch (rc & 0xff) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED: code = ErrorCode::InUse; break;
        case SQLITE_READONLY: code = ErrorCode::ReadOnly; break;
        case SQLITE_FULL: code = ErrorCode::DiskFull; break;
        case SQLITE_CORRUPT: code = ErrorCode::Damaged; break;
        default: break;
        }
        return Status::failure(code, QStringLiteral("The library \"%1\" could not be brought up to date (%2: %3).")
                                         .arg(libraryName, QLatin1String(what), detail));
    };
    if (sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
        return failed("starting");
    for (int v = std::max(version, kBaseVersion); v < latest; ++v) {
        const Step& step = history[static_cast<size_t>(v - kBaseVersion)];
        if (sqlite3_exec(db, step.sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            return failed(step.name);
        const QByteArray mark = "PRAGMA user_version = " + QByteArray::number(v + 1);
        if (sqlite3_exec(db, mark.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
            return failed(step.name);
    }
    if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        return failed("saving");
    return {};
}

} // namespace zentaro
