#include "TransferTestSupport.h"

#include "store/Recordset.h"
#include "transfer/FileInserter.h"
#include "transfer/NativeFileName.h"

#include <QDateTime>
#include <QDirIterator>
#include <QFileInfo>
#include <QThread>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

using namespace zentaro;
using namespace zentaro::test;

namespace {

class FileInserterTest : public ::testing::Test
{
protected:
    TempLibrary lib;

    Result<qint64> insert(const QString& name, const QByteArray& bytes, const SharedFields& fields = {})
    {
        const QString path = lib.file(name);
        EXPECT_TRUE(writeBytes(path, bytes));
        // The file re-insertion goes back to, in the tests that follow one.
        lib.state.CurrentFilePath = path;
        FileInserter inserter(lib.settings(), lib.db);
        return inserter.InsertData(path, fields, bar);
    }

    FakeProgress bar;
};

} // namespace

TEST_F(FileInserterTest, RoundTripsSizesAroundThePieceSize)
{
    for (const qint64 size : {qint64(0), qint64(1), qint64(63999), qint64(64000), qint64(64001), qint64(128000),
                              qint64(200000)}) {
        const QByteArray bytes = patternBytes(size, static_cast<quint32>(size + 7));
        Result<qint64> r = insert(QStringLiteral("f%1.bin").arg(size), bytes);
        ASSERT_TRUE(r.ok()) << size << r.status().message().toStdString();
        Result<MainRecord> record = lib.db->loadRecord(*r);
        ASSERT_TRUE(record);
        EXPECT_EQ(record->FileSize, size);
        EXPECT_EQ(storedBytes(*lib.db, *r), bytes) << size;
        EXPECT_EQ(*lib.db->storedSize(*r), size);
    }
    EXPECT_EQ(*lib.db->countMain(), 7);
}

TEST_F(FileInserterTest, ExactlyOnePieceFillsTheBarAndZeroBytesStoreNothing)
{
    Result<qint64> one = insert(QStringLiteral("exact.bin"), patternBytes(64000));
    ASSERT_TRUE(one.ok());
    // One whole piece: the bar goes from 0 straight to 100.
    EXPECT_EQ(bar.percents, (std::vector<int>{0, 100, 100}));

    bar.percents.clear();
    Result<qint64> empty = insert(QStringLiteral("empty.txt"), QByteArray());
    ASSERT_TRUE(empty.ok());
    EXPECT_EQ(bar.percents, (std::vector<int>{0, 100}));
    Result<MainRecord> record = lib.db->loadRecord(*empty);
    EXPECT_EQ(record->FileSize, 0);
    EXPECT_EQ(*lib.db->storedSize(*empty), 0);
}

TEST_F(FileInserterTest, WritesTheFieldsFromTheNameAndTheSharedBoxes)
{
    SharedFields fields;
    fields.Author = QStringLiteral("Ann");
    fields.Keywords = QStringLiteral("trip, sea");
    fields.Notes = QStringLiteral("line 1\r\nline 2");
    fields.AutoCapitalize = true;
    Result<qint64> r = insert(QStringLiteral("MY holiday-photos.txt"), "abc", fields);
    ASSERT_TRUE(r.ok());
    MainRecord rec = *lib.db->loadRecord(*r);
    EXPECT_EQ(rec.Title, QStringLiteral("My Holiday-photos"));
    EXPECT_EQ(rec.FileName, QStringLiteral("MY holiday-photos"));
    EXPECT_EQ(rec.FileType, QStringLiteral("TXT"));
    EXPECT_EQ(rec.Author, fields.Author);
    EXPECT_EQ(rec.Keywords, fields.Keywords);
    EXPECT_EQ(rec.Notes, fields.Notes);
    EXPECT_EQ(rec.FileSize, 3);
    // The creation date where the file system keeps one, else the last change.
    const QFileInfo info(lib.file(QStringLiteral("MY holiday-photos.txt")));
    const QDateTime expected = info.birthTime().isValid() ? info.birthTime() : info.lastModified();
    EXPECT_LE(qAbs(rec.FileDate.secsTo(expected)), 1);
    EXPECT_TRUE(rec.InsertionDate.isValid());

    Result<qint64> plain = insert(QStringLiteral("photo.backup.JPG"), "x");
    MainRecord second = *lib.db->loadRecord(*plain);
    EXPECT_EQ(second.Title, QStringLiteral("photo.backup"));
    EXPECT_EQ(second.FileName, QStringLiteral("photo.backup"));
    EXPECT_EQ(second.FileType, QStringLiteral("JPG"));
    EXPECT_TRUE(second.Author.isEmpty());
}

TEST_F(FileInserterTest, AFileThatCannotBeOpenedIsReportedAndNothingIsAdded)
{
    lib.state.CurrentFilePath = lib.file(QStringLiteral("missing.doc"));
    FileInserter inserter(lib.settings(), lib.db);
    Result<qint64> r = inserter.InsertData(lib.state.CurrentFilePath, {}, bar);
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.code(), ErrorCode::Unreadable);
    ASSERT_TRUE(r.notice());
    EXPECT_EQ(r.notice()->icon, NoticeIcon::Exclamation);
    EXPECT_EQ(r.notice()->title, QStringLiteral("ZNT Insertion Error"));
    EXPECT_EQ(r.notice()->text, QStringLiteral("There is a problem opening the file:\r\n\r\n") +
                                          lib.state.CurrentFilePath +
                                          QStringLiteral("\r\n\r\nThe file does not exist.\r\n\r\n"
                                                         "It will NOT be inserted into the library.  "
                                                         "Click OK to continue."));
    // A folder is no file either, and the message says so.
    lib.state.CurrentFilePath = lib.filesFolder();
    Result<qint64> folder = inserter.InsertData(lib.state.CurrentFilePath, {}, bar);
    EXPECT_EQ(folder.code(), ErrorCode::Unreadable);
    ASSERT_TRUE(folder.notice());
    EXPECT_TRUE(folder.notice()->text.contains(lib.filesFolder() + QStringLiteral("\r\n\r\nIt is a folder, not a file.\r\n\r\n")))
        << folder.notice()->text.toStdString();
    EXPECT_EQ(*lib.db->countMain(), 0);
}

TEST_F(FileInserterTest, UnreadableFileIsRefusedWhole)
{
    const QString path = lib.file(QStringLiteral("secret.bin"));
    ASSERT_TRUE(writeBytes(path, patternBytes(1000)));
    QFile::setPermissions(path, QFileDevice::WriteOwner);
    if (QFile(path).open(QIODevice::ReadOnly))
        GTEST_SKIP() << "running with rights that ignore file permissions";
    lib.state.CurrentFilePath = path;
    FileInserter inserter(lib.settings(), lib.db);
    Result<qint64> r = inserter.InsertData(lib.state.CurrentFilePath, {}, bar);
    EXPECT_FALSE(r.ok());
    ASSERT_TRUE(r.notice());
    EXPECT_TRUE(r.notice()->text.contains(path + QStringLiteral("\r\n\r\nYou have no permission to read it.")))
        << r.notice()->text.toStdString();
    EXPECT_EQ(*lib.db->countMain(), 0);
}

TEST_F(FileInserterTest, InsideACallersTransactionTheRecordWaitsForItsCommit)
{
    ASSERT_TRUE(lib.db->begin());
    Result<qint64> r = insert(QStringLiteral("a.txt"), "abc");
    ASSERT_TRUE(r.ok());
    EXPECT_TRUE(lib.db->inTransaction());
    ASSERT_TRUE(lib.db->rollback());
    EXPECT_EQ(*lib.db->countMain(), 0);
}

// --- Re-insertion -----------------------------------------------------------

namespace {

class ReInsertTest : public FileInserterTest
{
protected:
    void SetUp() override
    {
        Result<qint64> r = insert(QStringLiteral("grow.dat"), QByteArray("0123456789"));
        ASSERT_TRUE(r.ok());
        id = *r;
        ASSERT_TRUE(lib.db->updateFields(id, {{QStringLiteral("Title"), QStringLiteral("Kept title")},
                                              {QStringLiteral("LastUpdatedDate"),
                                               QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6))}}));
        Result<std::unique_ptr<Recordset>> rs = Recordset::open(lib.db, QStringLiteral("Main"));
        ASSERT_TRUE(rs);
        list = std::move(*rs);
        ASSERT_TRUE(list->hasCurrent());
        before = *lib.db->loadRecord(id);
    }

    qint64 id = 0;
    std::unique_ptr<Recordset> list;
    MainRecord before;
    FakeProgressHost host;
};

} // namespace

TEST_F(ReInsertTest, AGrownFileReplacesTheOldBytesEntirely)
{
    const QByteArray grown = patternBytes(200000, 99);
    ASSERT_TRUE(writeBytes(lib.state.CurrentFilePath, grown));
    FileInserter inserter(lib.settings(), lib.db);
    Outcome outcome = inserter.ReInsertCurrentFile(*list, lib.state.CurrentFilePath, host);
    ASSERT_TRUE(outcome.ok()) << outcome.status.message().toStdString();

    EXPECT_EQ(storedBytes(*lib.db, id), grown);
    const MainRecord after = *lib.db->loadRecord(id);
    EXPECT_EQ(after.FileSize, 200000);
    EXPECT_GT(after.LastUpdatedDate, before.LastUpdatedDate);
    EXPECT_EQ(after.Title, QStringLiteral("Kept title"));
    EXPECT_EQ(after.FileName, before.FileName);
    EXPECT_EQ(after.FileType, before.FileType);
    EXPECT_EQ(after.FileDate, before.FileDate);
    EXPECT_EQ(after.InsertionDate, before.InsertionDate);
    // Three whole pieces and 8,000 bytes: "Inserting File..." without Cancel.
    EXPECT_EQ(host.openedTexts, std::vector<QString>{QStringLiteral("Inserting File...")});
    EXPECT_EQ(host.openedCancellable, std::vector<bool>{false});
    EXPECT_EQ(host.closes, 1);
    EXPECT_EQ(host.progress.percents, (std::vector<int>{0, 33, 66, 100}));
}

TEST_F(ReInsertTest, AFileWhoseSizeReadsZeroIsReadToItsEndOnInsertAndReInsert)
{
    // A file of /proc: its size says 0, reading it gives its text.
    const QString status = QStringLiteral("/proc/self/status");
    ASSERT_EQ(QFileInfo(status).size(), 0);
    lib.state.CurrentFilePath = status;
    FileInserter inserter(lib.settings(), lib.db);
    Result<qint64> added = inserter.InsertData(lib.state.CurrentFilePath, {}, bar);
    ASSERT_TRUE(added.ok()) << added.status().message().toStdString();
    const QByteArray stored = storedBytes(*lib.db, *added);
    EXPECT_TRUE(stored.startsWith("Name:")) << stored.left(40).toStdString();
    EXPECT_EQ(lib.db->loadRecord(*added)->FileSize, stored.size());

    ASSERT_TRUE(inserter.ReInsertCurrentFile(*list, lib.state.CurrentFilePath, host).ok());
    const QByteArray again = storedBytes(*lib.db, id);
    EXPECT_TRUE(again.startsWith("Name:")) << again.left(40).toStdString();
    EXPECT_EQ(lib.db->loadRecord(id)->FileSize, again.size());
}

TEST_F(ReInsertTest, ASmallFileShowsNoProgressWindow)
{
    ASSERT_TRUE(writeBytes(lib.state.CurrentFilePath, "short"));
    FileInserter inserter(lib.settings(), lib.db);
    ASSERT_TRUE(inserter.ReInsertCurrentFile(*list, lib.state.CurrentFilePath, host).ok());
    EXPECT_EQ(storedBytes(*lib.db, id), QByteArray("short"));
    EXPECT_EQ(host.opens, 0);
}

TEST_F(ReInsertTest, AMissingCopyLeavesTheRecordAsItWas)
{
    ASSERT_TRUE(QFile::remove(lib.state.CurrentFilePath));
    FileInserter inserter(lib.settings(), lib.db);
    Outcome outcome = inserter.ReInsertCurrentFile(*list, lib.state.CurrentFilePath, host);
    EXPECT_FALSE(outcome.ok());
    ASSERT_TRUE(outcome.notice);
    EXPECT_EQ(outcome.notice->title, QStringLiteral("ZNT Insertion Error"));
    EXPECT_TRUE(outcome.notice->text.contains(lib.state.CurrentFilePath));
    EXPECT_TRUE(outcome.notice->text.contains(QStringLiteral("NOT changed")));

    const MainRecord after = *lib.db->loadRecord(id);
    EXPECT_EQ(after.FileSize, 10);
    EXPECT_EQ(after.LastUpdatedDate, before.LastUpdatedDate);
    EXPECT_EQ(storedBytes(*lib.db, id), QByteArray("0123456789"));
    EXPECT_EQ(list->editMode(), Recordset::EditMode::None);
}

TEST_F(ReInsertTest, AnUnreadableCopyLeavesTheRecordAsItWas)
{
    ASSERT_TRUE(writeBytes(lib.state.CurrentFilePath, patternBytes(300000)));
    QFile::setPermissions(lib.state.CurrentFilePath, QFileDevice::WriteOwner);
    if (QFile(lib.state.CurrentFilePath).open(QIODevice::ReadOnly))
        GTEST_SKIP() << "running with rights that ignore file permissions";
    FileInserter inserter(lib.settings(), lib.db);
    EXPECT_FALSE(inserter.ReInsertCurrentFile(*list, lib.state.CurrentFilePath, host).ok());
    EXPECT_EQ(storedBytes(*lib.db, id), QByteArray("0123456789"));
    EXPECT_EQ(lib.db->loadRecord(id)->FileSize, 10);
}

TEST_F(ReInsertTest, StoreFileContentsIsUndoneWithoutTheSave)
{
    ASSERT_TRUE(writeBytes(lib.state.CurrentFilePath, patternBytes(70000)));
    FileInserter inserter(lib.settings(), lib.db);
    ASSERT_TRUE(list->edit());
    Result<qint64> stored = inserter.StoreFileContents(*list, lib.state.CurrentFilePath, host);
    ASSERT_TRUE(stored);
    EXPECT_EQ(*stored, 70000);
    list->cancelUpdate();
    EXPECT_EQ(storedBytes(*lib.db, id), QByteArray("0123456789"));
}

TEST_F(FileInserterTest, AFileThatFailsHalfWayLeavesNoRecordAndSaysWhy)
{
    const QString path = lib.file(QStringLiteral("shrinking.bin"));
    ASSERT_TRUE(writeBytes(path, patternBytes(640000)));
    // Another program cuts the file short while it is being read.
    bar.onPercent = [&](int percent) {
        if (percent >= 20 && percent < 100)
            QFile(path).resize(100);
    };
    lib.state.CurrentFilePath = path;
    FileInserter inserter(lib.settings(), lib.db);
    Result<qint64> r = inserter.InsertData(lib.state.CurrentFilePath, {}, bar);
    EXPECT_FALSE(r.ok());
    EXPECT_NE(r.code(), ErrorCode::Unreadable);
    ASSERT_TRUE(r.notice());
    EXPECT_EQ(r.notice()->title, QStringLiteral("ZNT Insertion Error"));
    EXPECT_TRUE(r.notice()->text.contains(path));
    EXPECT_TRUE(r.notice()->text.contains(QStringLiteral("became shorter")));
    EXPECT_EQ(*lib.db->countMain(), 0);
    EXPECT_FALSE(lib.db->inTransaction());
    // Nothing was left behind for the record that never was.
    Result<qint64> next = lib.db->insertRecord(MainRecord());
    ASSERT_TRUE(next);
    EXPECT_EQ(*lib.db->storedSize(*next), 0);
}

TEST_F(FileInserterTest, AFailureInsideACallersTransactionTakesOnlyItsOwnRecordOut)
{
    ASSERT_TRUE(lib.db->begin());
    Result<qint64> first = insert(QStringLiteral("first.txt"), "one");
    ASSERT_TRUE(first.ok());

    const QString path = lib.file(QStringLiteral("cut.bin"));
    ASSERT_TRUE(writeBytes(path, patternBytes(640000)));
    bar.onPercent = [&](int percent) {
        if (percent >= 20 && percent < 100)
            QFile(path).resize(10);
    };
    lib.state.CurrentFilePath = path;
    FileInserter inserter(lib.settings(), lib.db);
    EXPECT_FALSE(inserter.InsertData(lib.state.CurrentFilePath, {}, bar).ok());

    // The caller's transaction lives on with the first record only.
    ASSERT_TRUE(lib.db->inTransaction());
    ASSERT_TRUE(lib.db->commit());
    EXPECT_EQ(*lib.db->countMain(), 1);
    EXPECT_EQ(storedBytes(*lib.db, *first), QByteArray("one"));
    EXPECT_EQ(*lib.db->storedSize(*first + 1), 0);
}

TEST(FileDateTest, AFileWhoseBirthTimeReadsZeroIsDatedByItsLastChange)
{
    // Files unpacked from an image often report a birth time of zero.
    QString found;
    QDirIterator it(QStringLiteral("/usr/share/doc"), QDir::Files, QDirIterator::Subdirectories);
    for (int looked = 0; it.hasNext() && looked < 2000 && found.isEmpty(); ++looked) {
        const QString path = it.next();
        struct statx sx = {};
        if (::statx(AT_FDCWD, QFile::encodeName(path).constData(), 0, STATX_BTIME, &sx) == 0 &&
            (sx.stx_mask & STATX_BTIME) && sx.stx_btime.tv_sec == 0 && sx.stx_btime.tv_nsec == 0)
            found = path;
    }
    if (found.isEmpty())
        GTEST_SKIP() << "no file with a zero birth time on this machine";
    QFile file;
    QDateTime date;
    ASSERT_TRUE(NativeFileName::OpenForReading(file, QFile::encodeName(found), &date));
    EXPECT_EQ(date, QFileInfo(found).lastModified()) << found.toStdString();
}
