#pragma once

#include "core/Result.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace zentaro {

class Database;
class Progress;

// A check of a whole library: the engine's own integrity check of the file,
// then, for every record, that its pieces of OLE run without a gap (every
// piece but the last one full), add up to its FileSize and, when it has a
// checksum, hash to it. Only reads.
class LibraryVerifier
{
public:
    struct BadRecord
    {
        qint64 MainID = 0;
        QString Title;
        qint64 FileSize = 0;
        qint64 StoredBytes = 0;
        QString Problem; // what is wrong, for the user
    };

    // What a check found.
    struct Findings
    {
        QStringList Integrity;     // the engine's findings; {"ok"} when it found nothing
        qint64 RecordsChecked = 0;
        QList<BadRecord> BadRecords;
        qint64 OrphanPieces = 0;   // pieces of records that no longer exist
        qint64 Unchecked = 0;      // records stored without a checksum (bytes not compared)
        bool IntegrityOk() const { return Integrity == QStringList{QStringLiteral("ok")}; }
        bool ok() const { return IntegrityOk() && BadRecords.isEmpty() && OrphanPieces == 0; }
    };

    // Checks the library at path, which must not be held exclusively by
    // another program (InUse then). A file that is no library, or that the
    // engine cannot read at all, fails as Database::open does; damage found
    // in a readable library is in the findings.
    static Result<Findings> Verify(const QString& path, Progress& progress);

    // The same check of a library reached through its engine alone (a
    // library on a server, whose own integrity the server keeps): for every
    // record, that its bytes add up to FileSize and hash to its checksum.
    static Result<Findings> VerifyRecords(Database& database, Progress& progress);

    // Hashes the bytes of every record that has no checksum and stores it,
    // in one transaction; records whose stored bytes do not add up to their
    // FileSize are left for Verify to report. Returns how many were added.
    // Needs a writable library.
    static Result<qint64> AddMissingChecksums(Database& database, Progress& progress);
};

} // namespace zentaro
