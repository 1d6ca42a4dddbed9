#pragma once

#include "core/Status.h"

#include <QString>

#include <vector>

struct sqlite3;

namespace zentaro {

// The schema's history after its first structure (schema/library.sql,
// user_version LibraryFile::kSchemaVersion). Step i of steps() takes
// user_version kBaseVersion + i to kBaseVersion + i + 1. A new step goes at
// the end; a step that has shipped is never changed or moved. The build
// runs every step on library.sql to make the template, so a new library is
// already at latestVersion().
//
// Database::open runs the pending steps when it opens a writable library
// for work; a read-only library, or one opened only to be read, stays at its
// own version and the code must cope without what later steps add
// (Database::schemaVersion tells). A library newer than latestVersion() is
// refused.
class SchemaUpgrade
{
public:
    struct Step
    {
        const char* name; // what it adds, for the failure message
        const char* sql;  // one or more statements
    };

    static const int kBaseVersion;
    // The version that holds table OLEHash (MainID, Hash).
    static constexpr int kFileHashVersion = 2;
    // The version that added the full-text index MainText.
    static const int kTextIndexVersion;
    // The version that added the partial index MainTextUnseen: the records
    // whose texts the full-text index cannot see whole (TextIndex::kUnseenRows).
    static const int kUnseenTextVersion;

    static const std::vector<Step>& steps();
    // kBaseVersion + steps().size(): what this build writes.
    static int latestVersion();

    // Runs steps from version onward, each followed by its user_version, in
    // one transaction: on any failure nothing of it stays and the library
    // keeps version. The connection must not be in a transaction.
    static Status run(sqlite3* db, int version, const QString& libraryName);
    // The same with a given history (tests).
    static Status run(sqlite3* db, int version, const QString& libraryName,
                      const std::vector<Step>& history);
};

} // namespace zentaro
