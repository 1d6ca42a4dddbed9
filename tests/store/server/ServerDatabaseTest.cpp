#include "store/server/ServerTestSupport.h"

#include "core/ContentHash.h"

namespace zentaro::test {
namespace {

TEST_F(ServerLibraryTest, RecordFieldsAndSettingsRoundTrip)
{
    initLibrary();
    std::shared_ptr<ServerDatabase> db = openLibrary();
    ASSERT_TRUE(db);

    MainRecord r;
    r.Title = QStringLiteral("Città – ünïcode 'quoted' \"title\"");
    r.Author = QStringLiteral("Ann");
    r.Keywords = QStringLiteral("a; b");
    r.Notes = QStringLiteral("line one\r\nline two");
    r.FileName = QStringLiteral("report");
    r.FileType = QStringLiteral(".PDF");
    r.FileSize = 5'000'000'000;
    r.FileDate = QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6));
    Result<qint64> id = db->insertRecord(r);
    ASSERT_TRUE(id.ok()) << id.message().toStdString();
    Result<MainRecord> loaded = db->loadRecord(*id);
    ASSERT_TRUE(loaded.ok()) << loaded.message().toStdString();
    for (MainField f : MainRecord::allFields()) {
        if (f != MainField::MainID && f != MainField::InsertionDate && f != MainField::LastUpdatedDate) {
            EXPECT_EQ(loaded->value(f), r.value(f)) << MainRecord::fieldName(f).toStdString();
        }
    }
    // The bookkeeping dates default to now, in this computer's time.
    EXPECT_LT(std::abs(loaded->InsertionDate.secsTo(QDateTime::currentDateTime())), 600);
    EXPECT_EQ(loaded->LastUpdatedDate, loaded->InsertionDate);

    ASSERT_TRUE(db->updateFields(*id, {{QStringLiteral("title"), QStringLiteral("New")},
                                       {QStringLiteral("FileSize"), 42},
                                       {QStringLiteral("FileDate"), QVariant()}})
                    .ok());
    loaded = db->loadRecord(*id);
    EXPECT_EQ(loaded->Title, QStringLiteral("New"));
    EXPECT_EQ(loaded->FileSize, 42);
    EXPECT_FALSE(loaded->FileDate.isValid());
    EXPECT_EQ(db->updateFields(*id, {{QStringLiteral("MainID"), 7}}).code(), ErrorCode::InvalidArgument);
    EXPECT_EQ(db->updateFields(*id + 1, {{QStringLiteral("Title"), QStringLiteral("x")}}).code(), ErrorCode::NotFound);
    EXPECT_EQ(*db->countMain(), 1);
    EXPECT_EQ(*db->sumFileSize(), 42);
    // A server's text holds no NUL character: refused, never cut short.
    MainRecord nul;
    nul.Title = QStringLiteral("before") + QChar(0) + QStringLiteral("after");
    Result<qint64> refused = db->insertRecord(nul);
    EXPECT_EQ(refused.code(), ErrorCode::InvalidArgument);
    EXPECT_TRUE(refused.message().contains(QStringLiteral("NUL"))) << refused.message().toStdString();
    EXPECT_EQ(*db->countMain(), 1);

    Result<ConfigRow> config = db->loadConfig();
    ASSERT_TRUE(config.ok()) << config.message().toStdString();
    EXPECT_EQ(config->BrowsePassword, QStringLiteral(" "));
    ConfigRow c;
    c.LibraryName = QStringLiteral("Team photos");
    c.LibrarianName = QStringLiteral("Ann");
    c.LibrarianEmail = QStringLiteral("ann@example.org");
    c.Created = QDateTime(QDate(2020, 1, 2), QTime(3, 4, 5));
    c.Notes = QStringLiteral("notes");
    c.UseSecurity = true;
    c.BrowsePassword = QStringLiteral("b");
    c.EditPassword = QStringLiteral("e");
    c.AdminPassword = QStringLiteral("a");
    c.BrowseExtract = true;
    c.EditDelete = false;
    ASSERT_TRUE(db->saveConfig(c).ok());
    db->close();
    db = openLibrary();
    config = db->loadConfig();
    ASSERT_TRUE(config.ok());
    EXPECT_EQ(config->LibraryName, c.LibraryName);
    EXPECT_EQ(config->LibrarianEmail, c.LibrarianEmail);
    EXPECT_EQ(config->Created, c.Created);
    EXPECT_TRUE(config->UseSecurity);
    EXPECT_EQ(config->AdminPassword, c.AdminPassword);
    EXPECT_TRUE(config->BrowseExtract);
    EXPECT_FALSE(config->EditDelete);

    ASSERT_TRUE(db->deleteRecord(*id).ok());
    EXPECT_EQ(*db->countMain(), 0);
    EXPECT_EQ(db->deleteRecord(*id).code(), ErrorCode::NotFound);
}

class ServerChunkTest : public ServerLibraryTest, public ::testing::WithParamInterface<int>
{
};

TEST_P(ServerChunkTest, BytesRoundTripAcrossChunkRows)
{
    const qint64 chunk = GetParam();
    initLibrary(static_cast<int>(chunk));
    std::shared_ptr<ServerDatabase> db = openLibrary();
    ASSERT_TRUE(db);
    const QList<qint64> sizes = {0, 1, 64000, chunk - 1, chunk, chunk + 1, 2 * chunk + 12345};
    QList<qint64> ids;
    ASSERT_TRUE(db->begin().ok());
    for (qint64 size : sizes) {
        const qint64 id = addRecord(*db, QStringLiteral("f%1").arg(size), size);
        ASSERT_TRUE(store(*db, id, pattern(size, static_cast<int>(size))).ok());
        ids << id;
    }
    ASSERT_TRUE(db->commit().ok());

    // Uneven appends, each committed on its own, top up the short last chunk.
    const QByteArray uneven = pattern(chunk + chunk / 2 + 3, 99);
    const qint64 unevenId = addRecord(*db, QStringLiteral("uneven"), uneven.size());
    for (qint64 at = 0, step = 1000; at < uneven.size(); at += step, step = step == 1000 ? 63999 : 1000) {
        ASSERT_TRUE(db->appendChunk(unevenId, uneven.constData() + at, std::min(step, uneven.size() - at)).ok());
        db->idle();
    }

    db->close();
    db = openLibrary();
    for (int i = 0; i < sizes.size(); ++i) {
        EXPECT_EQ(*db->storedSize(ids[i]), sizes[i]);
        Result<QByteArray> back = db->readStoredFile(ids[i], sizes[i]);
        ASSERT_TRUE(back.ok()) << back.message().toStdString();
        EXPECT_TRUE(*back == pattern(sizes[i], static_cast<int>(sizes[i]))) << "size " << sizes[i];
        EXPECT_EQ(db->readStoredFile(ids[i], sizes[i] + 1).code(), ErrorCode::Damaged);
    }
    Result<QByteArray> back = db->readStoredFile(unevenId, uneven.size());
    ASSERT_TRUE(back.ok()) << back.message().toStdString();
    EXPECT_TRUE(*back == uneven);
}

INSTANTIATE_TEST_SUITE_P(ChunkSizes, ServerChunkTest,
                         ::testing::Values(ServerSchema::kMinChunkSize, ServerSchema::kMaxChunkSize));

TEST_F(ServerLibraryTest, ReadChunkReadsFromAnyOffsetAcrossChunkRows)
{
    const qint64 chunk = ServerSchema::kMinChunkSize;
    initLibrary(static_cast<int>(chunk));
    std::shared_ptr<ServerDatabase> db = openLibrary();
    ASSERT_TRUE(db);
    const QByteArray bytes = pattern(3 * chunk + 777);
    const qint64 id = addRecord(*db, QStringLiteral("f"), bytes.size());
    ASSERT_TRUE(db->begin().ok());
    ASSERT_TRUE(store(*db, id, bytes).ok());
    ASSERT_TRUE(db->commit().ok());

    struct Read
    {
        qint64 offset;
        qint64 length;
    };
    const qint64 size = bytes.size();
    for (const Read& read : {Read{0, 10}, Read{1, 64000}, Read{chunk - 10, 64000}, Read{chunk, chunk},
                             Read{2 * chunk - 1, chunk + 2}, Read{100, 3 * chunk}, Read{size - 5, 64000},
                             Read{size, 10}, Read{size + 100, 10}, Read{7, 0}}) {
        QByteArray buffer(read.length, '\0');
        Result<qint64> got = db->readChunk(id, read.offset, read.length, buffer.data());
        ASSERT_TRUE(got.ok()) << got.message().toStdString();
        const qint64 expected = std::clamp<qint64>(size - read.offset, 0, read.length);
        ASSERT_EQ(*got, expected) << "at " << read.offset;
        EXPECT_TRUE(buffer.left(expected) == bytes.mid(read.offset, expected)) << "at " << read.offset;
    }
    // Bytes appended a moment ago are read like the rest.
    ASSERT_TRUE(db->appendChunk(id, "tail", 4).ok());
    char tail[8] = {};
    EXPECT_EQ(*db->readChunk(id, size, 8, tail), 4);
    EXPECT_EQ(QByteArray(tail, 4), QByteArray("tail"));
}

TEST_F(ServerLibraryTest, HashIsKeptUntilTheBytesChange)
{
    initLibrary(ServerSchema::kMinChunkSize);
    std::shared_ptr<ServerDatabase> db = openLibrary();
    ASSERT_TRUE(db);
    EXPECT_TRUE(db->keepsFileHashes());
    const QByteArray bytes = pattern(300000);
    const QByteArray hash = ContentHash::of(bytes);
    const qint64 id = addRecord(*db, QStringLiteral("hashed"), bytes.size());
    const qint64 other = addRecord(*db, QStringLiteral("other"));
    ASSERT_TRUE(store(*db, id, bytes).ok());
    ASSERT_TRUE(db->setFileHash(id, hash).ok());
    EXPECT_EQ(*db->fileHash(id), hash);
    EXPECT_EQ(*db->recordsWithoutHash(), std::vector<qint64>{other});
    db->close();
    db = openLibrary();
    EXPECT_EQ(*db->fileHash(id), hash);

    // Any change to the bytes drops it: an append, a removal.
    ASSERT_TRUE(db->appendChunk(id, "x", 1).ok());
    EXPECT_TRUE(db->fileHash(id)->isEmpty());
    ASSERT_TRUE(db->setFileHash(id, hash).ok());
    ASSERT_TRUE(db->removeChunks(id).ok());
    EXPECT_TRUE(db->fileHash(id)->isEmpty());
    EXPECT_EQ(*db->recordsWithoutHash(), (std::vector<qint64>{id, other}));
    EXPECT_FALSE(db->setFileHash(id, QByteArray("short")).ok());
}

TEST_F(ServerLibraryTest, TransactionsNestAndAFailedStatementUndoesTheWhole)
{
    initLibrary();
    std::shared_ptr<ServerDatabase> db = openLibrary();
    ASSERT_TRUE(db);
    ASSERT_TRUE(db->begin().ok());
    addRecord(*db, QStringLiteral("a"));
    ASSERT_TRUE(db->begin().ok());
    addRecord(*db, QStringLiteral("b"));
    ASSERT_TRUE(db->rollback().ok());
    ASSERT_TRUE(db->begin().ok());
    addRecord(*db, QStringLiteral("c"));
    ASSERT_TRUE(db->commit().ok());
    EXPECT_EQ(db->transactionDepth(), 1);
    ASSERT_TRUE(db->commit().ok());
    EXPECT_FALSE(db->inTransaction());
    EXPECT_EQ(*db->countMain(), 2);

    // A statement the server refuses leaves a transaction that can only be
    // undone, and commit says so.
    ASSERT_TRUE(db->begin().ok());
    const qint64 id = addRecord(*db, QStringLiteral("d"));
    EXPECT_FALSE(db->setFileHash(id, QByteArray("no hash")).ok());
    Status committed = db->commit();
    EXPECT_FALSE(committed.ok());
    EXPECT_TRUE(committed.message().contains(QStringLiteral("undone"))) << committed.message().toStdString();
    EXPECT_FALSE(db->inTransaction());
    EXPECT_EQ(*db->countMain(), 2);
}

TEST_F(ServerLibraryTest, AnInterruptedInsertLeavesNoPartialRecord)
{
    const qint64 chunk = ServerSchema::kMinChunkSize;
    initLibrary(static_cast<int>(chunk));
    std::shared_ptr<ServerDatabase> db = openLibrary();
    ASSERT_TRUE(db);
    const QByteArray bytes = pattern(3 * chunk + 5);

    // Cancelled: the caller undoes it.
    ASSERT_TRUE(db->begin().ok());
    qint64 id = addRecord(*db, QStringLiteral("cancelled"), bytes.size());
    ASSERT_TRUE(store(*db, id, bytes).ok());
    ASSERT_TRUE(db->rollback().ok());
    EXPECT_EQ(*db->countMain(), 0);
    EXPECT_EQ(*db->storedSize(id), 0);

    // The connection drops after chunk rows were written.
    ASSERT_TRUE(db->begin().ok());
    id = addRecord(*db, QStringLiteral("cut off"), bytes.size());
    ASSERT_TRUE(store(*db, id, bytes.left(2 * chunk + 100)).ok());
    sql(QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                       "WHERE datname = current_database() AND pid <> pg_backend_pid()"));
    Status failed = store(*db, id, bytes.mid(2 * chunk + 100));
    if (failed.ok())
        failed = db->commit();
    ASSERT_FALSE(failed.ok());
    EXPECT_EQ(failed.code(), ErrorCode::Io);
    EXPECT_TRUE(failed.message().contains(QStringLiteral("connection to the server")) &&
                failed.message().contains(QStringLiteral("\"%1\"").arg(db->address().display())))
        << failed.message().toStdString();
    db->rollback();
    db->close();

    db = openLibrary();
    ASSERT_TRUE(db);
    EXPECT_EQ(*db->countMain(), 0);
    EXPECT_EQ(*db->storedSize(id), 0);
}

TEST_F(ServerLibraryTest, IdleNoticesWhatOtherClientsCommitted)
{
    initLibrary();
    std::shared_ptr<ServerDatabase> writer = openLibrary();
    std::shared_ptr<ServerDatabase> reader = openLibrary();
    ASSERT_TRUE(writer && reader);
    const quint64 start = reader->changeCount();
    reader->idle();
    EXPECT_EQ(reader->changeCount(), start);

    ASSERT_TRUE(writer->begin().ok());
    addRecord(*writer, QStringLiteral("a"));
    reader->idle();
    EXPECT_EQ(reader->changeCount(), start) << "nothing is committed yet";
    ASSERT_TRUE(writer->commit().ok());
    reader->idle();
    const quint64 seen = reader->changeCount();
    EXPECT_GT(seen, start);

    ASSERT_TRUE(writer->appendChunk(1, "abc", 3).ok());
    writer->idle();
    reader->idle();
    EXPECT_GT(reader->changeCount(), seen);
}

TEST_F(ServerLibraryTest, ReadOnlyOpenReadsButRefusesEveryChange)
{
    initLibrary();
    {
        std::shared_ptr<ServerDatabase> writer = openLibrary();
        ASSERT_TRUE(writer);
        addRecord(*writer, QStringLiteral("kept"));
    }
    OpenOptions options = ServerDatabase::sharedOptions();
    options.readOnly = true;
    std::shared_ptr<ServerDatabase> db = openLibrary(options);
    ASSERT_TRUE(db);
    EXPECT_TRUE(db->isReadOnly());
    EXPECT_EQ(db->loadRecord(1)->Title, QStringLiteral("kept"));
    EXPECT_EQ(db->insertRecord(MainRecord()).code(), ErrorCode::ReadOnly);
    EXPECT_EQ(db->updateFields(1, {{QStringLiteral("Title"), QStringLiteral("x")}}).code(), ErrorCode::ReadOnly);
    EXPECT_EQ(db->appendChunk(1, "x", 1).code(), ErrorCode::ReadOnly);
    EXPECT_EQ(db->saveConfig(ConfigRow()).code(), ErrorCode::ReadOnly);
    EXPECT_EQ(db->compact().code(), ErrorCode::ReadOnly);
    EXPECT_EQ(db->loadRecord(1)->Title, QStringLiteral("kept"));
}

TEST_F(ServerLibraryTest, CompactionReportsTheRecoveredSpace)
{
    initLibrary();
    OpenOptions exclusive;
    exclusive.exclusive = true;
    std::shared_ptr<ServerDatabase> db = openLibrary(exclusive);
    ASSERT_TRUE(db);
    const QByteArray bytes = pattern(8 * 1024 * 1024);
    ASSERT_TRUE(db->begin().ok());
    const qint64 id = addRecord(*db, QStringLiteral("big"), bytes.size());
    ASSERT_TRUE(store(*db, id, bytes).ok());
    ASSERT_TRUE(db->commit().ok());
    ASSERT_TRUE(db->deleteRecord(id).ok());
    Result<qint64> recovered = db->compact();
    ASSERT_TRUE(recovered.ok()) << recovered.message().toStdString();
    EXPECT_GE(*recovered, 6 * 1024 * 1024);
    Result<qint64> again = db->compact();
    ASSERT_TRUE(again.ok());
    EXPECT_LT(*again, 1024 * 1024);
}

} // namespace
} // namespace zentaro::test
