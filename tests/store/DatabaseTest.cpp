#include "StoreTestSupport.h"

#include "core/Progress.h"
#include "store/LibraryFile.h"
#include "store/SchemaUpgrade.h"
#include "store/server/ServerDatabase.h"

#include <QFileInfo>
#include <sqlite3.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace zentaro;
using zentaro::test::FileLibraryTest;
using zentaro::test::LibraryTest;

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

qint64 rawCount(const QString& path, const char* sql)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    qint64 out = -1;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
        out = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}

// Stores bytes the way insertion does: whole 64,000-byte chunks, then the
// final piece, appended even when it is empty.
void storeLikeInsertion(Database& db, qint64 id, const QByteArray& bytes)
{
    const qint64 size = bytes.size();
    const qint64 whole = size >= LibraryFile::kPieceSize ? size / LibraryFile::kPieceSize : 0;
    for (qint64 i = 0; i < whole; ++i)
        ASSERT_TRUE(db.appendChunk(id, bytes.constData() + i * LibraryFile::kPieceSize, LibraryFile::kPieceSize).ok());
    const qint64 rest = size - whole * LibraryFile::kPieceSize;
    ASSERT_TRUE(db.appendChunk(id, bytes.constData() + whole * LibraryFile::kPieceSize, rest).ok());
}

// Reads back the way extraction does: floor(size / 64,000) + 1 reads into one buffer.
QByteArray readLikeExtraction(Database& db, qint64 id, qint64 size, QList<qint64>* counts)
{
    QByteArray out;
    std::vector<char> buffer(LibraryFile::kPieceSize);
    const qint64 reads = size / LibraryFile::kPieceSize + 1;
    for (qint64 i = 0; i < reads; ++i) {
        Result<qint64> got = db.readChunk(id, i * LibraryFile::kPieceSize, LibraryFile::kPieceSize, buffer.data());
        EXPECT_TRUE(got.ok()) << got.message().toStdString();
        if (!got.ok())
            break;
        counts->push_back(*got);
        out.append(buffer.data(), *got);
    }
    return out;
}

} // namespace

// Every test of LibraryTest runs on a library file and on a server library.
INSTANTIATE_TEST_SUITE_P(Engines, LibraryTest, ::testing::Values(test::Engine::File, test::Engine::Server),
                         test::engineName);

// ------------------------------------------------------------------- opening

// File only: a missing file; the server's refusals are ServerOpenTest's.
TEST_F(FileLibraryTest, OpeningAMissingFileSaysNotFoundAndCreatesNothing)
{
    const QString missing = dir.filePath(QStringLiteral("nothing.ZNT"));
    Result<std::shared_ptr<Database>> db = Database::open(missing);
    ASSERT_FALSE(db.ok());
    EXPECT_EQ(db.code(), ErrorCode::NotFound);
    EXPECT_TRUE(db.message().contains(missing));
    EXPECT_FALSE(QFile::exists(missing));
}

// File only: files on disk that are no library.
TEST_F(FileLibraryTest, FilesThatAreNoLibraryAreRefusedAndLeftAlone)
{
    const QString text = dir.filePath(QStringLiteral("notes.ZNT"));
    writeFile(text, QByteArray("just some words, not a database at all").repeated(200));
    const QString empty = dir.filePath(QStringLiteral("empty.ZNT"));
    writeFile(empty, QByteArray());
    const QString plain = dir.filePath(QStringLiteral("plain.ZNT"));
    {
        sqlite3* raw = nullptr;
        sqlite3_open(plain.toUtf8().constData(), &raw);
        sqlite3_exec(raw, "CREATE TABLE Main (MainID INTEGER PRIMARY KEY, Title TEXT)", nullptr, nullptr, nullptr);
        sqlite3_close(raw);
    }
    for (const QString& file : {text, empty, plain}) {
        const qint64 sizeBefore = QFileInfo(file).size();
        Result<std::shared_ptr<Database>> db = Database::open(file);
        ASSERT_FALSE(db.ok()) << file.toStdString();
        EXPECT_EQ(db.code(), ErrorCode::NotALibrary) << file.toStdString() << " " << db.message().toStdString();
        EXPECT_TRUE(db.message().contains(file));
        EXPECT_EQ(QFileInfo(file).size(), sizeBefore);
    }
    Result<std::shared_ptr<Database>> folder = Database::open(dir.path());
    EXPECT_EQ(folder.code(), ErrorCode::NotALibrary);
}

// File only: damage is made by writing the file's pages.
TEST_F(FileLibraryTest, DamagedLibrariesAreReportedAsDamaged)
{
    {
        auto db = openLibrary();
        ASSERT_TRUE(db);
        for (int i = 0; i < 20; ++i)
            addRecord(*db, QStringLiteral("record %1").arg(i));
    }
    const qint64 root = rawCount(path, "SELECT rootpage FROM sqlite_master WHERE name = 'Main'");
    ASSERT_GT(root, 1);
    const QString schemaBroken = dir.filePath(QStringLiteral("schema.ZNT"));
    const QString tableBroken = dir.filePath(QStringLiteral("table.ZNT"));
    ASSERT_TRUE(QFile::copy(path, schemaBroken));
    ASSERT_TRUE(QFile::copy(path, tableBroken));
    auto scribble = [](const QString& file, qint64 offset, qint64 length) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.seek(offset));
        f.write(QByteArray(length, '\x5a'));
    };
    // The schema text lives at the end of page 1; the records on Main's root page.
    scribble(schemaBroken, 65536 - 3000, 3000);
    scribble(tableBroken, (root - 1) * 65536, 64);

    for (const QString& file : {schemaBroken, tableBroken}) {
        Result<std::shared_ptr<Database>> db = Database::open(file);
        ASSERT_FALSE(db.ok()) << file.toStdString();
        EXPECT_EQ(db.code(), ErrorCode::Damaged) << db.message().toStdString();
        EXPECT_TRUE(db.message().contains(file));
    }
}

// File only: file permissions.
TEST_F(FileLibraryTest, UnreadableFileIsReportedAsUnreadable)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not apply to root";
    QFile(path).setPermissions(QFileDevice::Permissions());
    Result<std::shared_ptr<Database>> db = Database::open(path);
    QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(db.code(), ErrorCode::Unreadable);
    EXPECT_TRUE(db.message().contains(path));
}

// File only: file locks; the server's exclusive open has its own test.
TEST_F(FileLibraryTest, ExclusiveOpenKeepsEveryOtherConnectionOutUntilClosed)
{
    auto first = openLibrary({.exclusive = true, .readOnly = false, .busyTimeoutMs = 50});
    ASSERT_TRUE(first);
    for (bool exclusive : {false, true}) {
        Result<std::shared_ptr<Database>> second =
            Database::open(path, {.exclusive = exclusive, .readOnly = false, .busyTimeoutMs = 50});
        ASSERT_FALSE(second.ok());
        EXPECT_EQ(second.code(), ErrorCode::InUse);
        EXPECT_TRUE(second.message().contains(path));
    }
    Result<std::shared_ptr<Database>> reader = Database::open(path, {.exclusive = false, .readOnly = true, .busyTimeoutMs = 50});
    EXPECT_EQ(reader.code(), ErrorCode::InUse);
    // The holder is not disturbed by the refused attempts.
    EXPECT_GT(addRecord(*first, QStringLiteral("still mine")), 0);
    first->close();
    Result<std::shared_ptr<Database>> after = Database::open(path, {.exclusive = false, .readOnly = false, .busyTimeoutMs = 50});
    ASSERT_TRUE(after.ok()) << after.message().toStdString();
    EXPECT_EQ(*(*after)->countMain(), 1);
}

// File only: a file locked by another process.
TEST_F(FileLibraryTest, AnotherProgramIsRefusedAnExclusivelyOpenedLibrary)
{
    auto mine = openLibrary({.exclusive = true, .readOnly = false, .busyTimeoutMs = 50});
    ASSERT_TRUE(mine);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        Result<std::shared_ptr<Database>> theirs =
            Database::open(path, {.exclusive = false, .readOnly = false, .busyTimeoutMs = 100});
        _exit(theirs.ok() ? 0 : theirs.code() == ErrorCode::InUse ? 3 : 4);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3);
}

TEST_P(LibraryTest, SharedOpenLetsTwoUsersTakeTurns)
{
    auto a = openLibrary({.exclusive = false, .readOnly = false, .busyTimeoutMs = 100});
    auto b = openLibrary({.exclusive = false, .readOnly = false, .busyTimeoutMs = 100});
    ASSERT_TRUE(a && b);
    addRecord(*a, QStringLiteral("from a"));
    EXPECT_EQ(*b->countMain(), 1);

    // While a holds the write lock, b waits out its timeout and is told why.
    ASSERT_TRUE(a->begin().ok());
    addRecord(*a, QStringLiteral("pending"));
    Status blocked = b->begin();
    if (onFile()) {
        EXPECT_EQ(blocked.code(), ErrorCode::InUse);
        EXPECT_FALSE(blocked.message().isEmpty());
    } else {
        // A server lets writers work side by side; only rows are locked.
        ASSERT_TRUE(blocked.ok()) << blocked.message().toStdString();
        ASSERT_TRUE(b->rollback().ok());
    }
    ASSERT_TRUE(a->commit().ok());
    ASSERT_TRUE(b->begin().ok());
    addRecord(*b, QStringLiteral("from b"));
    ASSERT_TRUE(b->commit().ok());

    const quint64 seen = a->changeCount();
    a->idle();
    EXPECT_NE(a->changeCount(), seen); // b's commit is noticed
    EXPECT_EQ(*a->countMain(), 3);
}

TEST_P(LibraryTest, ReadOnlyLibraryReadsButRefusesEveryChange)
{
    {
        auto db = openLibrary();
        addRecord(*db, QStringLiteral("kept"));
    }
    auto db = openLibrary({.exclusive = true, .readOnly = true, .busyTimeoutMs = 50});
    ASSERT_TRUE(db);
    EXPECT_TRUE(db->isReadOnly());
    EXPECT_TRUE(db->loadConfig().ok());
    EXPECT_EQ(*db->countMain(), 1);
    MainRecord r;
    r.Title = QStringLiteral("new");
    EXPECT_EQ(db->insertRecord(r).code(), ErrorCode::ReadOnly);
    EXPECT_EQ(db->execute(QStringLiteral("DELETE * FROM Main ")).code(), ErrorCode::ReadOnly);
    EXPECT_EQ(db->saveConfig(ConfigRow()).code(), ErrorCode::ReadOnly);
    db->close();
    if (onFile()) {
        EXPECT_EQ(rawCount(path, "SELECT COUNT(*) FROM Main"), 1);
    }
}

// File only: file permissions.
TEST_F(FileLibraryTest, WriteProtectedFileOpensReadOnly)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not apply to root";
    QFile(path).setPermissions(QFile::ReadOwner);
    auto db = openLibrary({.exclusive = true, .readOnly = false, .busyTimeoutMs = 50});
    ASSERT_TRUE(db);
    EXPECT_TRUE(db->isReadOnly());
    MainRecord r;
    EXPECT_EQ(db->insertRecord(r).code(), ErrorCode::ReadOnly);
}

// ------------------------------------------------------------------- Config

TEST_P(LibraryTest, ConfigRowRoundTripsWithYesNoAsZeroOrOne)
{
    auto db = openLibrary();
    Result<ConfigRow> fresh = db->loadConfig();
    ASSERT_TRUE(fresh.ok());
    EXPECT_EQ(fresh->BrowsePassword, QStringLiteral(" "));
    EXPECT_FALSE(fresh->UseSecurity);
    EXPECT_FALSE(fresh->Created.isValid());

    ConfigRow row;
    row.LibraryName = QStringLiteral("Photos \"1999\"");
    row.LibrarianName = QStringLiteral("Ann");
    row.LibrarianEmail = QStringLiteral("ann@example.org");
    row.Created = QDateTime(QDate(2024, 2, 29), QTime(23, 59, 58));
    row.Notes = QStringLiteral("line one\r\nline two");
    row.UseSecurity = true;
    row.BrowsePassword = QStringLiteral("b");
    row.EditPassword = QStringLiteral("e");
    row.AdminPassword = QStringLiteral("a");
    row.BrowseExtract = true;
    row.EditDelete = true;
    ASSERT_TRUE(db->saveConfig(row).ok());
    db->close();

    if (onFile()) {
        EXPECT_EQ(rawCount(path, "SELECT COUNT(*) FROM Config"), 1);

    }
    if (onFile()) {
        EXPECT_EQ(rawCount(path, "SELECT UseSecurity + BrowseExtract * 10 + EditDelete * 100 FROM Config"), 111);
    }
    if (onFile()) {
        EXPECT_EQ(rawCount(path, "SELECT Created = '2024-02-29 23:59:58' FROM Config"), 1);
    }

    auto again = openLibrary();
    Result<ConfigRow> back = again->loadConfig();
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back->LibraryName, row.LibraryName);
    EXPECT_EQ(back->LibrarianName, row.LibrarianName);
    EXPECT_EQ(back->LibrarianEmail, row.LibrarianEmail);
    EXPECT_EQ(back->Created, row.Created);
    EXPECT_EQ(back->Notes, row.Notes);
    EXPECT_TRUE(back->UseSecurity);
    EXPECT_EQ(back->BrowsePassword, row.BrowsePassword);
    EXPECT_EQ(back->EditPassword, row.EditPassword);
    EXPECT_EQ(back->AdminPassword, row.AdminPassword);
    EXPECT_TRUE(back->BrowseExtract);
    EXPECT_TRUE(back->EditDelete);
}

// ------------------------------------------------------------------- transactions

TEST_P(LibraryTest, TransactionsNestAndRollBackExactlyTheirOwnWork)
{
    auto db = openLibrary();
    EXPECT_FALSE(db->commit().ok());
    EXPECT_FALSE(db->rollback().ok());

    ASSERT_TRUE(db->begin().ok());
    const qint64 kept = addRecord(*db, QStringLiteral("kept"));
    ASSERT_TRUE(db->appendChunk(kept, "abc", 3).ok());
    ASSERT_TRUE(db->begin().ok());
    const qint64 dropped = addRecord(*db, QStringLiteral("dropped"));
    ASSERT_TRUE(db->appendChunk(dropped, "xyz", 3).ok());
    EXPECT_EQ(db->transactionDepth(), 2);
    ASSERT_TRUE(db->rollback().ok());
    ASSERT_TRUE(db->commit().ok());
    EXPECT_FALSE(db->inTransaction());

    EXPECT_TRUE(db->loadRecord(kept).ok());
    EXPECT_EQ(db->loadRecord(dropped).code(), ErrorCode::NotFound);
    EXPECT_EQ(*db->storedSize(kept), 3);
    EXPECT_EQ(*db->storedSize(dropped), 0);

    // Closing with work pending undoes it.
    ASSERT_TRUE(db->begin().ok());
    addRecord(*db, QStringLiteral("never saved"));
    db->close();
    if (onFile()) {
        EXPECT_EQ(rawCount(path, "SELECT COUNT(*) FROM Main"), 1);
    }
}

// ------------------------------------------------------------------- records

TEST_P(LibraryTest, RecordsKeepEveryFieldAndTakeTheFilesDefaultDates)
{
    auto db = openLibrary();
    const QDateTime before = QDateTime::currentDateTime().addSecs(-2);
    MainRecord r;
    r.Title = QStringLiteral("Title");
    r.Author = QStringLiteral("Åsa Öberg");
    r.Keywords = QStringLiteral("k1, k2");
    r.Notes = QStringLiteral("a\r\nb");
    r.FileName = QStringLiteral("photo.backup");
    r.FileType = QStringLiteral("JPG");
    r.FileSize = 2147483647;
    r.FileDate = QDateTime(QDate(1998, 12, 31), QTime(13, 14, 15));
    Result<qint64> id = db->insertRecord(r);
    ASSERT_TRUE(id.ok());
    Result<MainRecord> back = db->loadRecord(*id);
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back->MainID, *id);
    EXPECT_EQ(back->Author, r.Author);
    EXPECT_EQ(back->Notes, r.Notes);
    EXPECT_EQ(back->FileName, r.FileName);
    EXPECT_EQ(back->FileSize, r.FileSize);
    EXPECT_EQ(back->FileDate, r.FileDate);
    EXPECT_GE(back->InsertionDate, before);
    EXPECT_LE(back->InsertionDate, QDateTime::currentDateTime().addSecs(2));
    EXPECT_EQ(back->LastUpdatedDate, back->InsertionDate);

    const QDateTime now(QDate(2030, 1, 2), QTime(3, 4, 5));
    ASSERT_TRUE(db->updateFields(*id, {{QStringLiteral("filesize"), 200000}, {QStringLiteral("LastUpdatedDate"), now},
                                       {QStringLiteral("FileDate"), QVariant()}})
                    .ok());
    back = db->loadRecord(*id);
    EXPECT_EQ(back->FileSize, 200000);
    EXPECT_EQ(back->LastUpdatedDate, now);
    EXPECT_FALSE(back->FileDate.isValid());
    EXPECT_EQ(back->Title, r.Title);

    EXPECT_EQ(db->updateFields(*id, {{QStringLiteral("FileSize"), QStringLiteral("big")}}).code(), ErrorCode::InvalidArgument);
    EXPECT_EQ(db->updateFields(*id, {{QStringLiteral("MainID"), 5}}).code(), ErrorCode::InvalidArgument);
    EXPECT_EQ(db->updateFields(*id, {{QStringLiteral("Colour"), 5}}).code(), ErrorCode::InvalidArgument);
    EXPECT_EQ(db->updateFields(*id + 100, {{QStringLiteral("Title"), QStringLiteral("x")}}).code(), ErrorCode::NotFound);
    EXPECT_EQ(db->deleteRecord(*id + 100).code(), ErrorCode::NotFound);
}

// ------------------------------------------------------------------- file bytes

TEST_P(LibraryTest, PieceBoundariesStoreAndReadBackByteForByte)
{
    auto db = openLibrary();
    for (qint64 size : {0, 1, 63999, 64000, 64001, 128000, 200000}) {
        SCOPED_TRACE(size);
        const qint64 id = addRecord(*db, QStringLiteral("size %1").arg(size));
        const QByteArray bytes = pattern(size, static_cast<int>(size));
        storeLikeInsertion(*db, id, bytes);
        EXPECT_EQ(*db->storedSize(id), size);
        QList<qint64> counts;
        EXPECT_EQ(readLikeExtraction(*db, id, size, &counts), bytes);
        // Read whole in one step, the size must be exactly the one stored.
        EXPECT_EQ(*db->readStoredFile(id, size), bytes);
        EXPECT_EQ(db->readStoredFile(id, size + 1).code(), ErrorCode::Damaged);
        if (size > 0) {
            EXPECT_EQ(db->readStoredFile(id, size - 1).code(), ErrorCode::Damaged);
        }
        // Only the last read comes back short, and it is empty for exact multiples.
        for (qsizetype i = 0; i + 1 < counts.size(); ++i)
            EXPECT_EQ(counts[i], LibraryFile::kPieceSize);
        EXPECT_EQ(counts.back(), size % LibraryFile::kPieceSize);
        const QByteArray pieces = QByteArray("SELECT COUNT(*) FROM OLE WHERE MainID = ") + QByteArray::number(id) +
                                  " AND length(Data) BETWEEN 1 AND 64000";
        db->close();
        if (onFile()) {
            EXPECT_EQ(rawCount(path, pieces.constData()), (size + LibraryFile::kPieceSize - 1) / LibraryFile::kPieceSize);
        }
        db = openLibrary();
    }
}

TEST_P(LibraryTest, UnevenAppendsConcatenateAndReadAtAnyOffset)
{
    auto db = openLibrary();
    const qint64 id = addRecord(*db, QStringLiteral("uneven"));
    const QByteArray bytes = pattern(64000 * 3 + 17, 7);
    const qint64 steps[] = {1000, 64000, 5, 63995, 1, 0, 62999, 17};
    qint64 at = 0;
    for (qint64 step : steps) {
        ASSERT_TRUE(db->appendChunk(id, bytes.constData() + at, step).ok());
        at += step;
    }
    ASSERT_EQ(at, bytes.size());
    EXPECT_EQ(*db->storedSize(id), bytes.size());

    std::vector<char> buffer(150000);
    for (qint64 offset : {0LL, 1LL, 63999LL, 64000LL, 100000LL, 191999LL, 192016LL, 192017LL, 500000LL}) {
        for (qint64 length : {1LL, 64000LL, 150000LL}) {
            Result<qint64> got = db->readChunk(id, offset, length, buffer.data());
            ASSERT_TRUE(got.ok());
            const qint64 expected = std::max<qint64>(0, std::min<qint64>(length, bytes.size() - offset));
            ASSERT_EQ(*got, expected) << offset << " " << length;
            EXPECT_EQ(QByteArray(buffer.data(), *got), bytes.mid(offset, expected)) << offset << " " << length;
        }
    }
}

// Pieces a hand-edited library can hold out of shape: a gap, or a short
// piece before the last. Read whole, they are damage, not a file.
// File only: damage is made through SQLite.
TEST_F(FileLibraryTest, AStoredFileReadWholeMustBeInWholePieces)
{
    auto db = openLibrary();
    const qint64 gap = addRecord(*db, QStringLiteral("gap"));
    const qint64 shortMiddle = addRecord(*db, QStringLiteral("short"));
    const QByteArray bytes = pattern(64000 * 2 + 10, 3);
    storeLikeInsertion(*db, gap, bytes);
    ASSERT_TRUE(db->appendChunk(shortMiddle, bytes.constData(), 100).ok());
    db->close();
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open_v2(path.toUtf8().constData(), &raw, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    const QByteArray sql = "DELETE FROM OLE WHERE MainID = " + QByteArray::number(gap) + " AND Piece = 1;" +
                           "INSERT INTO OLE (MainID, Piece, Data) VALUES (" + QByteArray::number(shortMiddle) +
                           ", 1, zeroblob(64000));";
    EXPECT_EQ(sqlite3_exec(raw, sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(raw);
    db = openLibrary();
    EXPECT_EQ(db->readStoredFile(gap, bytes.size()).code(), ErrorCode::Damaged);
    EXPECT_EQ(db->readStoredFile(gap, 64000 + 10).code(), ErrorCode::Damaged);
    EXPECT_EQ(db->readStoredFile(shortMiddle, 64100).code(), ErrorCode::Damaged);
    EXPECT_EQ(db->readStoredFile(shortMiddle, -1).code(), ErrorCode::InvalidArgument);
}

TEST_P(LibraryTest, ChunkCallsRefuseWhatWouldBreakAFile)
{
    auto db = openLibrary();
    const qint64 id = addRecord(*db, QStringLiteral("x"));
    const QByteArray big = pattern(64001);
    EXPECT_EQ(db->appendChunk(id, big.constData(), 64001).code(), ErrorCode::InvalidArgument);
    EXPECT_EQ(db->appendChunk(id, big.constData(), -1).code(), ErrorCode::InvalidArgument);
    EXPECT_EQ(db->appendChunk(id + 1, big.constData(), 10).code(), ErrorCode::NotFound);
    char buffer[8];
    EXPECT_EQ(db->readChunk(id, -1, 8, buffer).code(), ErrorCode::InvalidArgument);
    EXPECT_EQ(*db->readChunk(id + 1, 0, 8, buffer), 0);
    db->close();
    if (onFile()) {
        EXPECT_EQ(rawCount(path, "SELECT COUNT(*) FROM OLE"), 0);
    }
}

TEST_P(LibraryTest, ReplacingBytesLeavesNoneOfTheOld)
{
    auto db = openLibrary();
    const qint64 id = addRecord(*db, QStringLiteral("grows"));
    const qint64 other = addRecord(*db, QStringLiteral("neighbour"));
    ASSERT_TRUE(db->appendChunk(id, "0123456789", 10).ok());
    ASSERT_TRUE(db->appendChunk(other, "keep", 4).ok());
    ASSERT_TRUE(db->removeChunks(id).ok());
    EXPECT_EQ(*db->storedSize(id), 0);
    const QByteArray bytes = pattern(200000, 3);
    storeLikeInsertion(*db, id, bytes);
    QList<qint64> counts;
    EXPECT_EQ(readLikeExtraction(*db, id, bytes.size(), &counts), bytes);
    EXPECT_EQ(counts, (QList<qint64>{64000, 64000, 64000, 8000}));
    EXPECT_EQ(*db->storedSize(other), 4);

    ASSERT_TRUE(db->deleteRecord(id).ok());
    EXPECT_EQ(*db->storedSize(id), 0);
    EXPECT_EQ(*db->storedSize(other), 4);
}

// ------------------------------------------------------------------- execute

TEST_P(LibraryTest, BulkDeleteRemovesOnlyTheListedRecordsAndTheirBytes)
{
    auto db = openLibrary();
    const qint64 smith1 = addRecord(*db, QStringLiteral("a"), QStringLiteral("Smith"));
    const qint64 smith2 = addRecord(*db, QStringLiteral("b"), QStringLiteral("smith"));
    const qint64 jones = addRecord(*db, QStringLiteral("c"), QStringLiteral("Jones"));
    for (qint64 id : {smith1, smith2, jones})
        ASSERT_TRUE(db->appendChunk(id, "bytes", 5).ok());

    Result<qint64> deleted = db->execute(QStringLiteral("DELETE * FROM Main WHERE (Author LIKE \"Smith\")"));
    ASSERT_TRUE(deleted.ok()) << deleted.message().toStdString();
    EXPECT_EQ(*deleted, 2);
    EXPECT_EQ(*db->countMain(), 1);
    EXPECT_TRUE(db->loadRecord(jones).ok());
    EXPECT_EQ(*db->storedSize(smith1), 0);
    EXPECT_EQ(*db->storedSize(jones), 5);

    // Without a search in force the whole library goes.
    deleted = db->execute(QStringLiteral("DELETE * FROM Main "));
    ASSERT_TRUE(deleted.ok());
    EXPECT_EQ(*deleted, 1);
    EXPECT_EQ(*db->countMain(), 0);
    db->close();
    if (onFile()) {
        EXPECT_EQ(rawCount(path, "SELECT COUNT(*) FROM OLE"), 0);
    }
}

// The full-text index attaches itself on first use; a listed delete that is
// the first statement after opening must not be refused for it.
TEST_P(LibraryTest, BulkDeleteAsTheFirstStatementAfterOpening)
{
    {
        auto db = openLibrary();
        addRecord(*db, QStringLiteral("a"), QStringLiteral("Smith"));
        addRecord(*db, QStringLiteral("b"), QStringLiteral("Jones"));
        db->close();
    }
    auto db = openLibrary();
    Result<qint64> deleted = db->execute(QStringLiteral("DELETE * FROM Main WHERE (Author LIKE \"Smith\")"));
    ASSERT_TRUE(deleted.ok()) << deleted.message().toStdString();
    EXPECT_EQ(*deleted, 1);
    db->close();
    db = openLibrary();
    deleted = db->execute(QStringLiteral("DELETE * FROM Main "));
    ASSERT_TRUE(deleted.ok()) << deleted.message().toStdString();
    EXPECT_EQ(*deleted, 1);
}

TEST_P(LibraryTest, ExecuteRunsNothingButDeletesFromMain)
{
    auto db = openLibrary();
    addRecord(*db, QStringLiteral("a"));
    for (const char* text : {"SELECT * FROM Main", "DELETE * FROM Config", "DELETE * FROM OLE",
                             "DELETE * FROM Main WHERE (Title LIKE \"a\"); DELETE FROM Config",
                             "DELETE * FROM Main WHERE (Title = (SELECT AdminPassword FROM Config))",
                             "DROP TABLE Main", "UPDATE Main SET Title = \"x\""}) {
        Result<qint64> r = db->execute(QString::fromLatin1(text));
        EXPECT_FALSE(r.ok()) << text;
        EXPECT_EQ(r.code(), ErrorCode::InvalidQuery) << text;
        EXPECT_FALSE(r.message().isEmpty());
    }
    EXPECT_EQ(*db->countMain(), 1);
    EXPECT_TRUE(db->loadConfig().ok());
}

// ------------------------------------------------------------------- compact

// File only: a copy to a file; a server library is vacuumed.
TEST_F(FileLibraryTest, CompactWritesASmallerDurableCopyWithTheSameRecords)
{
    auto db = openLibrary();
    const QByteArray bytes = pattern(64000 * 8, 5);
    std::vector<qint64> ids;
    for (int i = 0; i < 4; ++i) {
        ids.push_back(addRecord(*db, QStringLiteral("file %1").arg(i)));
        storeLikeInsertion(*db, ids.back(), bytes);
    }
    ASSERT_TRUE(db->deleteRecord(ids[0]).ok());
    ASSERT_TRUE(db->deleteRecord(ids[1]).ok());
    const qint64 keep = ids[2];
    ConfigRow config;
    config.LibraryName = QStringLiteral("compacted");
    ASSERT_TRUE(db->saveConfig(config).ok());

    const QString target = dir.filePath(QStringLiteral("CMPCT.TMP"));
    ASSERT_TRUE(db->compactTo(target).ok());
    // A second attempt onto the left-over target is refused and leaves it alone.
    const qint64 compactSize = QFileInfo(target).size();
    EXPECT_FALSE(db->compactTo(target).ok());
    EXPECT_EQ(QFileInfo(target).size(), compactSize);
    db->close();

    EXPECT_LT(compactSize, QFileInfo(path).size());
    Result<std::shared_ptr<Database>> copy = Database::open(target);
    ASSERT_TRUE(copy.ok()) << copy.message().toStdString();
    EXPECT_EQ(*(*copy)->countMain(), 2);
    EXPECT_EQ((*copy)->loadConfig()->LibraryName, QStringLiteral("compacted"));
    QList<qint64> counts;
    EXPECT_EQ(readLikeExtraction(**copy, keep, bytes.size(), &counts), bytes);
    (*copy)->close();
    EXPECT_EQ(rawCount(target, "PRAGMA page_size"), 65536);
    EXPECT_EQ(rawCount(target, "PRAGMA application_id"), LibraryFile::kApplicationId);
}

// File only: a copy of the template file.
TEST_F(FileLibraryTest, CompactingTheTemplateMakesAnEmptyLibrary)
{
    const QString target = dir.filePath(QStringLiteral("Main Library.ZNT"));
    ASSERT_TRUE(Database::compactFile(test::templatePath(), target).ok());
    Result<std::shared_ptr<Database>> made = Database::open(target);
    ASSERT_TRUE(made.ok()) << made.message().toStdString();
    EXPECT_EQ(*(*made)->countMain(), 0);
    EXPECT_EQ((*made)->loadConfig()->BrowsePassword, QStringLiteral(" "));
    (*made)->close();
    EXPECT_EQ(rawCount(target, "PRAGMA user_version"), SchemaUpgrade::latestVersion());

    EXPECT_EQ(Database::compactFile(dir.filePath(QStringLiteral("missing.qdb")), dir.filePath(QStringLiteral("x.ZNT"))).code(),
              ErrorCode::NotFound);
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("x.ZNT"))));
}

TEST_F(FileLibraryTest, ALibraryFromTheTemplateGivesFreedPagesBackWhereItLies)
{
    auto db = openLibrary();
    ASSERT_TRUE(db->reclaimsFreePages());
    const QByteArray bytes = pattern(64000 * 6, 9);
    std::vector<qint64> ids;
    for (int i = 0; i < 4; ++i) {
        ids.push_back(addRecord(*db, QStringLiteral("file %1").arg(i)));
        storeLikeInsertion(*db, ids.back(), bytes);
    }
    // The freed pages lie before kept ones, so kept pages have to move.
    ASSERT_TRUE(db->deleteRecord(ids[0]).ok());
    ASSERT_TRUE(db->deleteRecord(ids[2]).ok());
    db->close();
    const qint64 freed = rawCount(path, "PRAGMA freelist_count");
    ASSERT_GE(freed, 12);
    const qint64 before = QFileInfo(path).size();
    struct stat was {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &was), 0);

    db = openLibrary();
    NullProgress quiet;
    ASSERT_TRUE(db->reclaimFreePages(quiet).ok());
    // Still usable on the same connection.
    QList<qint64> counts;
    EXPECT_EQ(readLikeExtraction(*db, ids[3], bytes.size(), &counts), bytes);
    db->close();

    EXPECT_EQ(QFileInfo(path).size(), before - freed * 65536);
    EXPECT_EQ(rawCount(path, "PRAGMA freelist_count"), 0);
    struct stat now {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &now), 0);
    EXPECT_EQ(now.st_ino, was.st_ino);
    db = openLibrary();
    EXPECT_EQ(*db->countMain(), 2);
    EXPECT_EQ(readLikeExtraction(*db, ids[1], bytes.size(), &counts), bytes);
    EXPECT_EQ(readLikeExtraction(*db, ids[3], bytes.size(), &counts), bytes);
}

TEST_P(LibraryTest, ClosedLibraryAnswersWithErrorsNotCrashes)
{
    auto db = openLibrary();
    const qint64 id = addRecord(*db, QStringLiteral("a"));
    Result<std::unique_ptr<Recordset>> rs = Recordset::open(db, QStringLiteral("Main"));
    ASSERT_TRUE(rs.ok());
    db->close();
    EXPECT_FALSE(db->isOpen());
    // The library file is released: another exclusive open succeeds.
    EXPECT_TRUE(Database::open(path).ok());
    char buffer[4];
    EXPECT_FALSE(db->readChunk(id, 0, 4, buffer).ok());
    EXPECT_FALSE(db->loadConfig().ok());
    EXPECT_FALSE((*rs)->requery().ok());
    EXPECT_FALSE((*rs)->recordAt(0).ok());
    EXPECT_FALSE((*rs)->edit().ok());
    db->idle();
}

// File only: the journal file.
TEST_F(FileLibraryTest, ALibraryLeftInWalModeIsPutBackOnTheRollbackJournal)
{
    {
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open(path.toUtf8().constData(), &raw), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(raw, "PRAGMA journal_mode = WAL", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(raw);
    }
    EXPECT_EQ(rawCount(path, "SELECT journal_mode = 'wal' FROM pragma_journal_mode"), 1);
    auto db = openLibrary();
    ASSERT_TRUE(db);
    addRecord(*db, QStringLiteral("after"));
    db->close();
    EXPECT_EQ(rawCount(path, "SELECT journal_mode = 'delete' FROM pragma_journal_mode"), 1);
    EXPECT_FALSE(QFile::exists(path + QStringLiteral("-wal")));
    EXPECT_EQ(rawCount(path, "SELECT COUNT(*) FROM Main"), 1);
}

// File only: file refusals; ServerOpenTest has the server's.
TEST_F(FileLibraryTest, RefusalsNameTheFileAndTheCauseInPlainWords)
{
    const QString text = dir.filePath(QStringLiteral("letter.ZNT"));
    writeFile(text, QByteArray("Dear librarian, this is a letter and no library.").repeated(100));
    Result<std::shared_ptr<Database>> notLibrary = Database::open(text);
    EXPECT_EQ(notLibrary.code(), ErrorCode::NotALibrary);
    EXPECT_EQ(notLibrary.message(), QStringLiteral("\"%1\" is not a Zentaro library.").arg(text));

    auto holder = openLibrary({.exclusive = true, .readOnly = false, .busyTimeoutMs = 50});
    ASSERT_TRUE(holder);
    for (bool exclusive : {false, true}) {
        Result<std::shared_ptr<Database>> inUse = Database::open(path, {.exclusive = exclusive, .readOnly = false, .busyTimeoutMs = 50});
        EXPECT_EQ(inUse.code(), ErrorCode::InUse);
        EXPECT_EQ(inUse.message(), QStringLiteral("The library \"%1\" is in use by another program. "
                                                  "Try again when it has been closed there.")
                                       .arg(path));
    }
}

TEST(DatabaseEngines, AServerAddressGoesToTheRegisteredServerEngine)
{
    const QString address = QStringLiteral("postgresql://localhost/library");
    // The test program registers the server engine; without it:
    Database::setServerOpener(nullptr);
    Result<std::shared_ptr<Database>> none = Database::open(address);
    ASSERT_FALSE(none.ok());
    EXPECT_TRUE(none.message().contains(address)) << none.message().toStdString();
    EXPECT_TRUE(none.message().contains(QStringLiteral("not available in this build")));

    static QString asked;
    Database::setServerOpener([](const QString& a, const OpenOptions&) {
        asked = a;
        return Result<std::shared_ptr<Database>>::failure(ErrorCode::InUse, QStringLiteral("busy"));
    });
    Result<std::shared_ptr<Database>> served = Database::open(QStringLiteral("postgres://db.example/x"));
    ServerDatabase::registerEngine();
    EXPECT_EQ(served.code(), ErrorCode::InUse);
    EXPECT_EQ(asked, QStringLiteral("postgres://db.example/x"));
}
