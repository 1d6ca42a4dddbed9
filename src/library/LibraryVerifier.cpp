#include "library/LibraryVerifier.h"

#include "core/ContentHash.h"
#include "core/Progress.h"
#include "store/Database.h"
#include "store/LibraryFile.h"
#include "store/MainRecord.h"
#include "store/QueryDialect.h"
#include "store/SqlConnection.h"
#include "store/SqlStatement.h"

#include <QFileInfo>

#include <sqlite3.h>

namespace zentaro {

namespace {

constexpr qint64 kPiece = LibraryFile::kPieceSize;

QString engineText(const SqlConnection& connection)
{
    return connection.errorMessage();
}

// The pieces of one record, read in order: sizes only, never the bytes.
// With hash set, the pieces' bytes (column 2) are hashed as they come.
QString checkPieces(SqlStatement& pieces, qint64 mainId, qint64 fileSize, qint64* stored, bool* readFailed,
                    ContentHash* hash = nullptr)
{
    QStringList problems;
    pieces.bindInt64(1, mainId);
    qint64 expected = 0;
    qint64 sum = 0;
    qint64 shortPiece = -1;
    qint64 shortLength = 0;
    int rc;
    while ((rc = pieces.step()) == SQLITE_ROW) {
        const qint64 piece = pieces.columnInt64(0);
        const qint64 length = pieces.columnInt64(1);
        if (piece != expected) {
            problems << (piece > expected
                             ? QStringLiteral("piece %1 is missing").arg(expected)
                             : QStringLiteral("piece %1 is out of place").arg(piece));
            expected = piece;
        }
        // Only the last piece may hold less than a full piece.
        if (shortPiece >= 0 && problems.size() < 8)
            problems << QStringLiteral("piece %1 holds only %2 bytes but more follow").arg(shortPiece).arg(shortLength);
        shortPiece = -1;
        if (length > kPiece) {
            problems << QStringLiteral("piece %1 holds %2 bytes, more than %3").arg(piece).arg(length).arg(kPiece);
        } else if (length < kPiece) {
            shortPiece = piece;
            shortLength = length;
        }
        if (hash)
            hash->add(pieces.columnBlob(2), pieces.columnBytes(2));
        sum += length;
        ++expected;
    }
    *readFailed = rc != SQLITE_DONE;
    pieces.reset();
    *stored = sum;
    if (sum != fileSize)
        problems.prepend(QStringLiteral("FileSize is %1 but %2 bytes are stored").arg(fileSize).arg(sum));
    return problems.join(QStringLiteral("; "));
}

} // namespace

Result<LibraryVerifier::Findings> LibraryVerifier::Verify(const QString& path, Progress& progress)
{
    using R = Result<Findings>;
    // A transaction cut short (a crash, a failed disk write) leaves a hot
    // journal that only a writing connection can roll back; a read-only one
    // would call the library unreadable. The first reader that can write
    // restores the last committed state, as any program opening it would.
    if (QFileInfo(path + QStringLiteral("-journal")).size() > 0 && QFileInfo(path).isWritable()) {
        SqlConnection rollback;
        if (rollback.open(path, SQLITE_OPEN_READWRITE) == SQLITE_OK) {
            sqlite3_busy_timeout(rollback.get(), 5000);
            sqlite3_exec(rollback.get(), "SELECT COUNT(*) FROM sqlite_master", nullptr, nullptr, nullptr);
        }
    }
    {
        // Tells a library from anything else, with the engine's messages.
        OpenOptions options;
        options.exclusive = false;
        options.readOnly = true;
        Result<std::shared_ptr<Database>> db = Database::open(path, options);
        if (!db)
            return R(db.status());
        (*db)->close();
    }

    SqlConnection connection;
    if (connection.open(path, SQLITE_OPEN_READONLY) != SQLITE_OK) {
        return R::failure(ErrorCode::Unreadable,
                          QStringLiteral("The library \"%1\" cannot be opened: %2.").arg(path, engineText(connection)));
    }
    sqlite3* handle = connection.get();
    sqlite3_busy_timeout(handle, 5000);
    sqlite3_db_config(handle, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(handle, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_db_config(handle, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, nullptr);

    auto busy = [&](int rc) {
        const int primary = rc & 0xff;
        return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
    };
    auto inUse = [&]() {
        return R::failure(ErrorCode::InUse, QStringLiteral("The library \"%1\" is in use by another program. "
                                                           "Try again when it has been closed there.")
                                                .arg(path));
    };

    Findings report;
    progress.setPercent(0);

    // One read transaction for the whole check, so that it sees one state.
    if (int rc = sqlite3_exec(handle, "BEGIN", nullptr, nullptr, nullptr); rc != SQLITE_OK)
        return busy(rc) ? inUse() : R::failure(ErrorCode::Damaged, engineText(connection));

    {
        SqlStatement check;
        int rc = check.prepare(handle, "PRAGMA integrity_check");
        if (rc == SQLITE_OK) {
            while ((rc = check.step()) == SQLITE_ROW)
                report.Integrity << check.columnText(0);
        }
        if (busy(rc))
            return inUse();
        if (rc != SQLITE_DONE)
            report.Integrity << engineText(connection);
        if (report.Integrity.isEmpty())
            report.Integrity << QStringLiteral("the integrity check gave no answer");
    }

    qint64 total = 0;
    {
        SqlStatement count;
        if (count.prepare(handle, "SELECT COUNT(*) FROM Main") == SQLITE_OK && count.step() == SQLITE_ROW)
            total = count.columnInt64(0);
    }

    bool hashes = false;
    {
        SqlStatement table;
        if (table.prepare(handle, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'OLEHash'") ==
                SQLITE_OK &&
            table.step() == SQLITE_ROW)
            hashes = true;
    }
    SqlStatement records;
    SqlStatement pieces;
    SqlStatement bytes;
    const char* recordSql = hashes ? "SELECT MainID, Title, FileSize, (SELECT Hash FROM OLEHash H WHERE H.MainID = "
                                     "Main.MainID) FROM Main ORDER BY MainID"
                                   : "SELECT MainID, Title, FileSize, NULL FROM Main ORDER BY MainID";
    if (records.prepare(handle, recordSql) != SQLITE_OK ||
        pieces.prepare(handle, "SELECT Piece, length(Data) FROM OLE WHERE MainID = ? ORDER BY Piece") != SQLITE_OK ||
        bytes.prepare(handle, "SELECT Piece, length(Data), Data FROM OLE WHERE MainID = ? ORDER BY Piece") !=
            SQLITE_OK) {
        report.Integrity << engineText(connection);
        sqlite3_exec(handle, "ROLLBACK", nullptr, nullptr, nullptr);
        return report;
    }
    int rc;
    int shown = 0;
    while ((rc = records.step()) == SQLITE_ROW) {
        const qint64 mainId = records.columnInt64(0);
        const qint64 fileSize = records.columnInt64(2);
        qint64 stored = 0;
        bool readFailed = false;
        const QByteArray expected = records.isNull(3) ? QByteArray()
                                                      : QByteArray(records.columnBlob(3), records.columnBytes(3));
        QString problem;
        if (expected.isEmpty()) {
            ++report.Unchecked;
            problem = checkPieces(pieces, mainId, fileSize, &stored, &readFailed);
        } else {
            ContentHash hash;
            problem = checkPieces(bytes, mainId, fileSize, &stored, &readFailed, &hash);
            if (problem.isEmpty() && !readFailed && hash.finish() != expected)
                problem = QStringLiteral("its stored bytes differ from their checksum");
        }
        if (readFailed)
            problem = QStringLiteral("its pieces cannot be read: %1").arg(engineText(connection));
        if (!problem.isEmpty())
            report.BadRecords.push_back({mainId, records.columnText(1), fileSize, stored, problem});
        ++report.RecordsChecked;
        if (total > 0) {
            const int percent = static_cast<int>(std::min<qint64>(100, report.RecordsChecked * 100 / total));
            if (percent != shown) {
                shown = percent;
                progress.setPercent(percent);
            }
        }
    }
    if (rc != SQLITE_DONE)
        report.Integrity << QStringLiteral("the records cannot all be read: %1").arg(engineText(connection));
    records.finalize();
    pieces.finalize();
    bytes.finalize();

    {
        SqlStatement orphans;
        if (orphans.prepare(handle, "SELECT COUNT(*) FROM OLE WHERE MainID NOT IN (SELECT MainID FROM Main)") ==
                SQLITE_OK &&
            orphans.step() == SQLITE_ROW)
            report.OrphanPieces = orphans.columnInt64(0);
    }
    sqlite3_exec(handle, "ROLLBACK", nullptr, nullptr, nullptr);
    progress.setPercent(100);
    return report;
}

Result<qint64> LibraryVerifier::AddMissingChecksums(Database& database, Progress& progress)
{
    using R = Result<qint64>;
    if (database.isReadOnly() || !database.keepsFileHashes())
        return R::failure(ErrorCode::ReadOnly,
                          QStringLiteral("Checksums can only be added to a library that can be written."));
    Result<std::vector<qint64>> missing = database.recordsWithoutHash();
    if (!missing)
        return R(missing.status());
    if (Status s = database.begin(); !s)
        return R(s);
    auto undo = [&](const Status& s) {
        if (database.inTransaction())
            database.rollback();
        return R(s);
    };
    std::vector<char> buffer(static_cast<size_t>(kPiece));
    qint64 added = 0;
    qint64 done = 0;
    int shown = 0;
    progress.setPercent(0);
    for (const qint64 mainId : *missing) {
        ++done;
        Result<MainRecord> record = database.loadRecord(mainId);
        if (!record)
            return undo(record.status());
        Result<qint64> stored = database.storedSize(mainId);
        if (!stored)
            return undo(stored.status());
        if (!database.checkFileSize(mainId) || *stored != record->FileSize)
            continue;
        ContentHash hash;
        for (qint64 offset = 0; offset < *stored;) {
            Result<qint64> got = database.readChunk(mainId, offset, kPiece, buffer.data());
            if (!got)
                return undo(got.status());
            if (*got <= 0)
                break;
            hash.add(buffer.data(), *got);
            offset += *got;
        }
        if (Status s = database.setFileHash(mainId, hash.finish()); !s)
            return undo(s);
        ++added;
        const int percent = static_cast<int>(done * 100 / static_cast<qint64>(missing->size()));
        if (percent != shown) {
            shown = percent;
            progress.setPercent(percent);
        }
    }
    if (Status s = database.commit(); !s)
        return undo(s);
    progress.setPercent(100);
    return added;
}

Result<LibraryVerifier::Findings> LibraryVerifier::VerifyRecords(Database& database, Progress& progress)
{
    using R = Result<Findings>;
    Result<TranslatedQuery> all = QueryDialect::translate(QStringLiteral("SELECT * FROM Main ORDER BY MainID"),
                                                          database.queryFlavour());
    if (!all)
        return R(all.status());
    Result<std::vector<qint64>> ids = database.selectKeys(*all);
    if (!ids)
        return R(ids.status());
    Findings report;
    report.Integrity << QStringLiteral("ok");
    std::vector<char> buffer(static_cast<size_t>(kPiece * 16));
    int shown = 0;
    progress.setPercent(0);
    for (const qint64 mainId : *ids) {
        Result<MainRecord> record = database.loadRecord(mainId);
        if (!record) {
            if (record.code() == ErrorCode::NotFound)
                continue;
            return R(record.status());
        }
        Result<QByteArray> expected = database.fileHash(mainId);
        if (!expected)
            return R(expected.status());
        ContentHash hash;
        qint64 stored = 0;
        QString problem;
        for (;;) {
            Result<qint64> got = database.readChunk(mainId, stored, static_cast<qint64>(buffer.size()), buffer.data());
            if (!got) {
                problem = QStringLiteral("its bytes cannot be read: %1").arg(got.message());
                break;
            }
            hash.add(buffer.data(), *got);
            stored += *got;
            if (*got < static_cast<qint64>(buffer.size()))
                break;
        }
        if (problem.isEmpty() && stored != record->FileSize)
            problem = QStringLiteral("FileSize is %1 but %2 bytes are stored").arg(record->FileSize).arg(stored);
        if (expected->isEmpty())
            ++report.Unchecked;
        else if (problem.isEmpty() && hash.finish() != *expected)
            problem = QStringLiteral("its stored bytes differ from their checksum");
        if (!problem.isEmpty())
            report.BadRecords.push_back({mainId, record->Title, record->FileSize, stored, problem});
        ++report.RecordsChecked;
        const int percent = static_cast<int>(report.RecordsChecked * 100 / static_cast<qint64>(ids->size()));
        if (percent != shown) {
            shown = percent;
            progress.setPercent(percent);
        }
    }
    progress.setPercent(100);
    return report;
}

} // namespace zentaro
