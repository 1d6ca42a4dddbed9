#include "TransferTestSupport.h"
#include "support/FileModes.h"

#include "core/ContentHash.h"
#include "core/FileWriter.h"
#include "transfer/BulkExtraction.h"
#include "transfer/EditWatch.h"
#include "transfer/ExtractionFolder.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cerrno>
#include <map>
#include <set>

using namespace zentaro;
using namespace zentaro::test;

namespace {

qint64 storeRecord(Database& db, const QString& name, const QByteArray& bytes)
{
    MainRecord record;
    record.Title = name;
    record.FileName = name;
    record.FileType = QStringLiteral("BIN");
    record.FileSize = bytes.size();
    Result<qint64> id = db.insertRecord(record);
    EXPECT_TRUE(id.ok());
    for (qsizetype at = 0; at < bytes.size(); at += 64000)
        EXPECT_TRUE(db.appendChunk(*id, bytes.constData() + at, std::min<qsizetype>(64000, bytes.size() - at)).ok());
    return *id;
}

BulkExtractionSummary runOver(TempLibrary& lib, const QList<qint64>& ids, const QString& folder, Progress& host,
                               ConflictResolver* conflicts = nullptr)
{
    BulkExtraction run(lib.settings(), lib.db);
    return run.Run(folder, int(ids.size()), [&](int i) { return lib.db->loadRecord(ids[i]); }, host, conflicts);
}

} // namespace

TEST(BulkExtractionTest, TwoSameNamedRecordsOfOneSizeBothComeOutWithTheirOwnBytes)
{
    TempLibrary lib;
    const QByteArray first = patternBytes(5000, 1);
    const QByteArray second = patternBytes(5000, 2);
    const qint64 a = storeRecord(*lib.db, QStringLiteral("same"), first);
    const qint64 b = storeRecord(*lib.db, QStringLiteral("same"), second);
    FakeProgressHost host;
    const BulkExtractionSummary report = runOver(lib, {a, b}, lib.filesFolder(), host);
    EXPECT_EQ(report.written, 2);
    EXPECT_FALSE(report.shown.has_value());
    EXPECT_EQ(readBytes(lib.file(QStringLiteral("same.BIN"))), first);
    EXPECT_EQ(readBytes(lib.file(QStringLiteral("same (%1).BIN").arg(b))), second);

    // A file that was there before the run keeps the single-file rule: used as it is.
    const BulkExtractionSummary again = runOver(lib, {a}, lib.filesFolder(), host);
    EXPECT_EQ(again.written, 1);
    EXPECT_EQ(QDir(lib.filesFolder()).entryList(QDir::Files).size(), 2);
}

// A bulk run syncs once at its end rather than once per file; a disk that
// refuses that sync makes the run a failure, not a success.
TEST(BulkExtractionTest, TheRunSyncsOnceAtItsEndAndReportsADiskThatRefusesIt)
{
    TempLibrary lib;
    QList<qint64> ids;
    for (int i = 0; i < 3; ++i)
        ids << storeRecord(*lib.db, QStringLiteral("f%1").arg(i), patternBytes(3000, quint32(i + 1)));
    FakeProgressHost host;
    FileWriter::clearFault();
    const BulkExtractionSummary report = runOver(lib, ids, lib.filesFolder(), host);
    EXPECT_EQ(report.written, 3);
    EXPECT_FALSE(report.shown.has_value());
    EXPECT_EQ(FileWriter::count(FileWriter::Operation::Sync), 1);

    // The same sync failing: every file is written, and the user is told.
    QDir(lib.filesFolder()).removeRecursively();
    QDir().mkpath(lib.filesFolder());
    FileWriter::setFault({FileWriter::Operation::Sync, 1, EIO, false});
    const BulkExtractionSummary failed = runOver(lib, ids, lib.filesFolder(), host);
    FileWriter::clearFault();
    ASSERT_TRUE(failed.shown.has_value());
    EXPECT_EQ(failed.shown->status.code(), ErrorCode::Io);
    ASSERT_TRUE(failed.shown->notice.has_value());
    EXPECT_TRUE(failed.shown->notice->text.contains(lib.filesFolder()));

    // A single extraction outside a run still syncs its own file.
    FileExtractor single(lib.settings(), lib.db);
    Result<MainRecord> record = lib.db->loadRecord(ids[0]);
    ASSERT_TRUE(record.ok());
    const QString alone = lib.folder.path(QStringLiteral("alone"));
    QDir().mkpath(alone);
    FileWriter::clearFault();
    ScriptedConflicts conflicts;
    EXPECT_TRUE(single.ExtractToFolder(*record, alone, conflicts, host).ok());
    EXPECT_EQ(FileWriter::count(FileWriter::Operation::Sync), 1);
}

// Small files are written behind the loop; one that cannot be written still
// ends the run, is named, and no file after it is written.
TEST(BulkExtractionTest, ASmallFileThatCannotBeWrittenEndsTheRunAndIsNamed)
{
    TempLibrary lib;
    QList<qint64> ids;
    for (int i = 0; i < 6; ++i)
        ids << storeRecord(*lib.db, QStringLiteral("s%1").arg(i), patternBytes(2000, quint32(i + 1)));
    FakeProgressHost host;
    FileWriter::setFault({FileWriter::Operation::Write, 3, ENOSPC, false});
    const BulkExtractionSummary report = runOver(lib, ids, lib.filesFolder(), host);
    FileWriter::clearFault();
    ASSERT_TRUE(report.shown.has_value());
    EXPECT_EQ(report.shown->status.code(), ErrorCode::DiskFull);
    ASSERT_TRUE(report.shown->notice.has_value());
    // Two files are made at once: the third write may be the second, third
    // or fourth file's. The run reports exactly the files before it.
    const int failed = report.written;
    ASSERT_GE(failed, 1);
    ASSERT_LE(failed, 3);
    EXPECT_TRUE(report.shown->notice->text.contains(lib.file(QStringLiteral("s%1.BIN").arg(failed))));
    QStringList before;
    for (int i = 0; i < failed; ++i)
        before << QStringLiteral("s%1.BIN").arg(i);
    EXPECT_EQ(QDir(lib.filesFolder()).entryList(QDir::Files | QDir::Hidden, QDir::Name), before);
    EXPECT_EQ(readBytes(lib.file(QStringLiteral("s0.BIN"))), patternBytes(2000, 1));
}

// A small file is checked against its checksum on the writer's thread; bytes
// that differ end the run, named by their record, and are never written.
TEST(BulkExtractionTest, ASmallFileWhoseBytesDifferFromItsChecksumIsNotWritten)
{
    TempLibrary lib;
    if (!lib.db->keepsFileHashes())
        GTEST_SKIP() << "this library keeps no checksums";
    QList<qint64> ids;
    for (int i = 0; i < 4; ++i) {
        const QByteArray bytes = patternBytes(1500, quint32(i + 1));
        ids << storeRecord(*lib.db, QStringLiteral("h%1").arg(i), bytes);
        ASSERT_TRUE(lib.db->setFileHash(ids.back(), ContentHash::of(bytes)).ok());
    }
    ASSERT_TRUE(lib.db->setFileHash(ids[2], ContentHash::of("something else")).ok());
    FakeProgressHost host;
    const BulkExtractionSummary report = runOver(lib, ids, lib.filesFolder(), host);
    EXPECT_EQ(report.written, 2);
    ASSERT_TRUE(report.shown.has_value());
    EXPECT_EQ(report.shown->status.code(), ErrorCode::Damaged);
    EXPECT_TRUE(report.shown->status.message().contains(QStringLiteral("Record %1 is damaged").arg(ids[2])));
    EXPECT_EQ(QDir(lib.filesFolder()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
              (QStringList{QStringLiteral("h0.BIN"), QStringLiteral("h1.BIN")}));
}

// A small file of a run is read whole in one step; a record whose FileSize
// is not what the library holds is still refused with the reason.
TEST(BulkExtractionTest, ASmallRecordOfTheWrongSizeIsRefusedWithTheReason)
{
    TempLibrary lib;
    const qint64 good = storeRecord(*lib.db, QStringLiteral("good"), patternBytes(800, 1));
    const qint64 bad = storeRecord(*lib.db, QStringLiteral("bad"), patternBytes(1000, 2));
    ASSERT_TRUE(lib.db->updateFields(bad, {{QStringLiteral("FileSize"), qint64(1200)}}).ok());
    FakeProgressHost host;
    const BulkExtractionSummary report = runOver(lib, {good, bad}, lib.filesFolder(), host);
    EXPECT_EQ(report.written, 1);
    ASSERT_TRUE(report.shown.has_value());
    EXPECT_EQ(report.shown->status.code(), ErrorCode::Damaged);
    EXPECT_TRUE(report.shown->status.message().contains(
        QStringLiteral("its FileSize is 1200 bytes, but the library holds 1000 bytes")))
        << qPrintable(report.shown->status.message());
    EXPECT_EQ(QDir(lib.filesFolder()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("good.BIN")});
}

// The run lists its folder once instead of asking for every name; what was
// there before it still counts: a same-sized file is used as it is, and a
// folder of a target's name stops the run.
TEST(BulkExtractionTest, WhatWasInTheFolderBeforeTheRunStillCounts)
{
    TempLibrary lib;
    QList<qint64> ids;
    for (int i = 0; i < 3; ++i)
        ids << storeRecord(*lib.db, QStringLiteral("p%1").arg(i), patternBytes(700, quint32(i + 1)));
    const QByteArray keep(700, 'k');
    {
        QFile old(lib.file(QStringLiteral("p0.BIN")));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(keep);
    }
    ASSERT_TRUE(QDir().mkpath(lib.file(QStringLiteral("p2.BIN"))));
    FakeProgressHost host;
    const BulkExtractionSummary report = runOver(lib, ids, lib.filesFolder(), host);
    EXPECT_EQ(readBytes(lib.file(QStringLiteral("p0.BIN"))), keep);
    EXPECT_EQ(readBytes(lib.file(QStringLiteral("p1.BIN"))), patternBytes(700, 2));
    EXPECT_EQ(report.written, 2);
    ASSERT_TRUE(report.shown.has_value());
    EXPECT_EQ(report.shown->status.message(), QStringLiteral("A folder of that name is in the way."));
    EXPECT_TRUE(QFileInfo(lib.file(QStringLiteral("p2.BIN"))).isDir());
}

// A run of small files reads the free space now and then, not for each file;
// the files queued since count against the figure it read.
TEST(BulkExtractionTest, SmallFilesQueuedSinceTheLastFreeSpaceFigureCountAgainstIt)
{
    TempLibrary lib;
    QList<qint64> ids;
    for (int i = 0; i < 4; ++i)
        ids << storeRecord(*lib.db, QStringLiteral("q%1").arg(i), patternBytes(1000, quint32(i + 1)));
    int asked = 0;
    auto probe = [&](const QString&) -> std::optional<qint64> {
        ++asked;
        return 2500;
    };
    FakeProgressHost host;
    BulkExtraction run(lib.settings(), lib.db, probe);
    const BulkExtractionSummary report =
        run.Run(lib.filesFolder(), int(ids.size()), [&](int i) { return lib.db->loadRecord(ids[i]); }, host);
    EXPECT_EQ(report.written, 2);
    ASSERT_TRUE(report.shown.has_value());
    EXPECT_EQ(report.shown->status.code(), ErrorCode::DiskFull);
    EXPECT_EQ(QDir(lib.filesFolder()).entryList(QDir::Files | QDir::Hidden).size(), 2);
    EXPECT_GE(asked, 1);
    EXPECT_LT(asked, 3);
}

// Small files around a large one come out, and are listed, in the run's order.
TEST(BulkExtractionTest, SmallAndLargeFilesAreListedInTheirOrder)
{
    TempLibrary lib;
    const qint64 a = storeRecord(*lib.db, QStringLiteral("a"), patternBytes(100, 1));
    const qint64 big = storeRecord(*lib.db, QStringLiteral("big"), patternBytes(1200000, 2));
    const qint64 b = storeRecord(*lib.db, QStringLiteral("b"), patternBytes(100, 3));
    FakeProgressHost host;
    BulkExtraction run(lib.settings(), lib.db);
    run.begin();
    QStringList listed;
    for (qint64 id : {a, big, b}) {
        Result<MainRecord> record = lib.db->loadRecord(id);
        ASSERT_TRUE(record.ok());
        ASSERT_TRUE(run.extractOne(*record, lib.filesFolder(), host).ok());
        listed += run.takeWritten();
    }
    EXPECT_TRUE(run.end().ok());
    listed += run.takeWritten();
    EXPECT_EQ(listed, (QStringList{lib.file(QStringLiteral("a.BIN")), lib.file(QStringLiteral("big.BIN")),
                                   lib.file(QStringLiteral("b.BIN"))}));
    EXPECT_EQ(readBytes(lib.file(QStringLiteral("big.BIN"))), patternBytes(1200000, 2));
    EXPECT_EQ(readBytes(lib.file(QStringLiteral("b.BIN"))), patternBytes(100, 3));
}

TEST(BulkExtractionTest, CancelDuringTheSecondOfFourLargeFilesEndsTheRun)
{
    TempLibrary lib;
    QList<qint64> ids;
    for (int i = 0; i < 4; ++i)
        ids << storeRecord(*lib.db, QStringLiteral("big%1").arg(i), patternBytes(1500000, quint32(i + 1)));
    FakeProgressHost host;
    // Cancel is pressed halfway through the second file.
    host.progress.onPercent = [&](int percent) {
        if (host.opens == 2 && percent >= 50)
            host.progress.cancel = true;
    };
    const BulkExtractionSummary report = runOver(lib, ids, lib.filesFolder(), host);
    EXPECT_TRUE(report.cancelled);
    EXPECT_EQ(report.written, 1);
    EXPECT_EQ(readBytes(lib.file(QStringLiteral("big0.BIN"))), patternBytes(1500000, 1));
    // Nothing of the second file is left, not even its temporary copy.
    EXPECT_EQ(QDir(lib.filesFolder()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("big0.BIN")});
}

// Into a folder the user chose, files that were there with other bytes are
// put to the resolver, small ones too (they are written behind the loop). An
// answer for all stands for every later conflict of the run, and only of it.
TEST(BulkExtractionTest, AnAnswerForAllStandsForTheRestOfTheRunAndSkipLeavesTheFilesAlone)
{
    TempLibrary lib;
    QList<qint64> ids;
    for (int i = 0; i < 4; ++i)
        ids << storeRecord(*lib.db, QStringLiteral("c%1").arg(i), patternBytes(700, quint32(i + 1)));
    const QByteArray other = patternBytes(700, 99);
    ASSERT_TRUE(writeBytes(lib.file(QStringLiteral("c0.BIN")), other));
    ASSERT_TRUE(writeBytes(lib.file(QStringLiteral("c1.BIN")), patternBytes(700, 2))); // the record's own
    ASSERT_TRUE(writeBytes(lib.file(QStringLiteral("c2.BIN")), "short"));
    ASSERT_TRUE(writeBytes(lib.file(QStringLiteral("c3.BIN")), other));
    FakeProgressHost host;
    ScriptedConflicts conflicts;
    conflicts.answers = {{ConflictChoice::KeepBoth, false}, {ConflictChoice::Skip, true}};
    conflicts.otherwise = {ConflictChoice::Cancel, false};

    const BulkExtractionSummary report = runOver(lib, ids, lib.filesFolder(), host, &conflicts);
    EXPECT_FALSE(report.cancelled);
    EXPECT_FALSE(report.shown.has_value());
    EXPECT_EQ(report.skipped, 2);
    ASSERT_EQ(conflicts.asked.size(), 2u);
    EXPECT_EQ(conflicts.asked[0].path, lib.file(QStringLiteral("c0.BIN")));
    EXPECT_TRUE(conflicts.asked[0].inRun);
    EXPECT_EQ(conflicts.asked[1].path, lib.file(QStringLiteral("c2.BIN")));
    EXPECT_EQ(readBytes(lib.file(QStringLiteral("c0.BIN"))), other);
    EXPECT_EQ(readBytes(lib.file(QStringLiteral("c0 (2).BIN"))), patternBytes(700, 1));
    EXPECT_EQ(readBytes(lib.file(QStringLiteral("c2.BIN"))), QByteArray("short"));
    EXPECT_EQ(readBytes(lib.file(QStringLiteral("c3.BIN"))), other);
    EXPECT_EQ(QDir(lib.filesFolder()).entryList(QDir::Files | QDir::Hidden).size(), 5);

    // A new run asks again. Keep both for all: two records of one name each
    // get a free name, the second one past the first one's, still queued.
    const qint64 twin = storeRecord(*lib.db, QStringLiteral("c3"), patternBytes(700, 5));
    conflicts.asked.clear();
    conflicts.answers = {{ConflictChoice::KeepBoth, true}};
    const BulkExtractionSummary both = runOver(lib, {ids[3], twin, ids[2]}, lib.filesFolder(), host, &conflicts);
    EXPECT_EQ(conflicts.asked.size(), 1u);
    EXPECT_EQ(both.written, 3);
    EXPECT_EQ(readBytes(lib.file(QStringLiteral("c3 (2).BIN"))), patternBytes(700, 4));
    EXPECT_EQ(readBytes(lib.file(QStringLiteral("c3 (3).BIN"))), patternBytes(700, 5));
    EXPECT_EQ(readBytes(lib.file(QStringLiteral("c2 (2).BIN"))), patternBytes(700, 3));
    EXPECT_EQ(readBytes(lib.file(QStringLiteral("c3.BIN"))), other);

    // Cancel ends the run as the progress window's Cancel does.
    conflicts.asked.clear();
    const qint64 fresh = storeRecord(*lib.db, QStringLiteral("fresh"), patternBytes(10, 6));
    const BulkExtractionSummary cancelled =
        runOver(lib, {ids[0], fresh}, lib.filesFolder(), host, &conflicts);
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_EQ(conflicts.asked.size(), 1u);
    EXPECT_FALSE(QFileInfo::exists(lib.file(QStringLiteral("fresh.BIN"))));
    EXPECT_EQ(readBytes(lib.file(QStringLiteral("c0.BIN"))), other);
}

TEST(EditWatchTest, AnyDifferenceOfTheTimeCountsAndAVanishedCopyStopsQuietly)
{
    std::map<QString, EditWatch::Stamp> stamps{{QStringLiteral("/x/a"), 1000}};
    int calls = 0;
    EditWatch watch([&](const QString& path) {
        ++calls;
        return stamps[path];
    });
    EXPECT_EQ(watch.tick(), EditWatch::Tick::Idle);
    ASSERT_TRUE(watch.start(QStringLiteral("/x/a")));
    calls = 0;
    EXPECT_EQ(watch.tick(), EditWatch::Tick::Unchanged);
    EXPECT_EQ(calls, 1); // one status call per tick
    // One nanosecond earlier is a change too.
    stamps[QStringLiteral("/x/a")] = 999;
    EXPECT_EQ(watch.tick(), EditWatch::Tick::Changed);
    EXPECT_FALSE(watch.watching());
    EXPECT_EQ(watch.tick(), EditWatch::Tick::Idle);

    ASSERT_TRUE(watch.start(QStringLiteral("/x/a")));
    stamps[QStringLiteral("/x/a")] = std::nullopt;
    EXPECT_EQ(watch.tick(), EditWatch::Tick::Gone);
    EXPECT_FALSE(watch.watching());
    EXPECT_FALSE(watch.start(QStringLiteral("/x/missing")));
}

TEST(EditWatchTest, SavingTheSameBytesIsSeenOnTheRealFileSystem)
{
    TempLibrary lib;
    const QString path = lib.file(QStringLiteral("copy.txt"));
    ASSERT_TRUE(writeBytes(path, "same"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    const QDateTime base = QDateTime::currentDateTime().addSecs(-100);
    ASSERT_TRUE(f.setFileTime(base, QFileDevice::FileModificationTime));
    EditWatch watch;
    ASSERT_TRUE(watch.start(path));
    EXPECT_EQ(watch.tick(), EditWatch::Tick::Unchanged);
    // Saved again without a change: the time moves on.
    ASSERT_TRUE(f.setFileTime(base.addMSecs(1), QFileDevice::FileModificationTime));
    f.close();
    EXPECT_EQ(watch.tick(), EditWatch::Tick::Changed);
    // An older time is a change as well.
    ASSERT_TRUE(watch.start(path));
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.setFileTime(base.addDays(-3), QFileDevice::FileModificationTime));
    f.close();
    EXPECT_EQ(watch.tick(), EditWatch::Tick::Changed);
}

TEST(ExtractionFolderTest, TheFolderIsPrivateAndAClearLeavesSubfoldersAndFilesInUse)
{
    TempLibrary lib;
    const QString path = lib.folder.path(QStringLiteral("Extract"));
    QStringList tried;
    ExtractionFolder folder(path, [&](const QString& file) {
        tried << QFileInfo(file).fileName();
        return !file.endsWith(QStringLiteral("open.doc"));
    });
    ASSERT_TRUE(folder.Prepare().ok());
    EXPECT_EQ(QFileInfo(path).permissions() & 0x0077, QFileDevice::Permissions());
    EXPECT_EQ(QFileInfo(path).permissions() & QFileDevice::ReadOwner, QFileDevice::ReadOwner);
    ASSERT_TRUE(writeBytes(path + QStringLiteral("/a.txt"), "a"));
    ASSERT_TRUE(writeBytes(path + QStringLiteral("/open.doc"), "b"));
    ASSERT_TRUE(QDir(path).mkdir(QStringLiteral("sub")));
    ASSERT_TRUE(writeBytes(path + QStringLiteral("/sub/kept.txt"), "c"));
    EXPECT_EQ(*folder.ClearExtractFolder(), 1);
    EXPECT_EQ(QDir(path).entryList(QDir::Files), QStringList{QStringLiteral("open.doc")});
    EXPECT_TRUE(QFile::exists(path + QStringLiteral("/sub/kept.txt")));
}

TEST(ExtractionFolderTest, TheWipeZerosEachCopyThenMakesAndRemovesWipeAmountPlusOneEntries)
{
    TempLibrary lib;
    const QString path = lib.folder.path(QStringLiteral("Extract"));
    std::map<QString, QByteArray> seen;
    QStringList removed;
    ExtractionFolder folder(path, [&](const QString& file) {
        const QString name = QFileInfo(file).fileName();
        removed << name;
        seen[name] = readBytes(file);
        return true;
    });
    ASSERT_TRUE(folder.Prepare().ok());
    ASSERT_TRUE(writeBytes(path + QStringLiteral("/secret.txt"), "secret words"));
    FakeProgressHost host;
    int created = 0;
    host.onYield = [&] { created = std::max<int>(created, int(QDir(path).entryList(QDir::Files).size())); };
    folder.SecurityWipe(100, host);
    EXPECT_EQ(seen[QStringLiteral("secret.txt")], QByteArray(12, '\0'));
    EXPECT_EQ(created, 101);
    EXPECT_TRUE(removed.contains(QStringLiteral("L8R0")));
    EXPECT_TRUE(removed.contains(QStringLiteral("L8R100")));
    EXPECT_FALSE(removed.contains(QStringLiteral("L8R101")));
    EXPECT_TRUE(QDir(path).entryList(QDir::Files).isEmpty());
    ASSERT_FALSE(host.progress.percents.empty());
    EXPECT_EQ(host.progress.percents.back(), 100);
    EXPECT_EQ(host.openedTexts, std::vector<QString>{ExtractionFolder::kWipeText});
    EXPECT_EQ(host.closes, 1);

    // Cancel stops making entries; those made are removed.
    host.progress.cancel = true;
    removed.clear();
    folder.SecurityWipe(1000, host);
    EXPECT_TRUE(QDir(path).entryList(QDir::Files).isEmpty());
    EXPECT_TRUE(removed.contains(QStringLiteral("L8R0")));
    EXPECT_FALSE(removed.contains(QStringLiteral("L8R2")));
}

TEST(ExtractionFolderTest, AnOpenFolderIsMadePrivateByEveryUseAndWipeEntriesAreTheOwnersAlone)
{
    const UsualUmask usual;
    TempLibrary lib;
    const QString path = lib.folder.path(QStringLiteral("Extract"));
    const ExtractionFolder folder(path);
    ASSERT_TRUE(QDir().mkpath(path));
    ASSERT_TRUE(setMode(path, 0777));
    ASSERT_TRUE(folder.Prepare().ok());
    EXPECT_EQ(modeOf(path), 0700u);
    ASSERT_TRUE(setMode(path, 0777));
    ASSERT_TRUE(folder.ClearExtractFolder().ok());
    EXPECT_EQ(modeOf(path), 0700u);

    ASSERT_TRUE(setMode(path, 0777));
    FakeProgressHost host;
    std::set<unsigned> entryModes;
    host.onYield = [&] {
        if (const unsigned mode = modeOf(path + QStringLiteral("/L8R0")))
            entryModes.insert(mode);
    };
    ASSERT_TRUE(folder.SecurityWipe(10, host).ok());
    EXPECT_EQ(modeOf(path), 0700u);
    EXPECT_EQ(entryModes, std::set<unsigned>{0600u});
}

TEST(ExtractionFolderTest, ALinkedFolderIsRefusedAndWhatItPointsToIsLeftAlone)
{
    TempLibrary lib;
    const QString mine = lib.folder.path(QStringLiteral("Mine"));
    ASSERT_TRUE(QDir().mkpath(mine));
    ASSERT_TRUE(setMode(mine, 0755));
    ASSERT_TRUE(writeBytes(mine + QStringLiteral("/letter.txt"), "my own words"));
    ASSERT_TRUE(writeBytes(mine + QStringLiteral("/L8R3"), "mine as well"));
    const QString path = lib.folder.path(QStringLiteral("Extract"));
    ASSERT_TRUE(QFile::link(mine, path));
    const ExtractionFolder folder(path);

    const Status prepared = folder.Prepare();
    EXPECT_FALSE(prepared.ok());
    EXPECT_TRUE(prepared.message().contains(path));
    EXPECT_TRUE(prepared.message().contains(QStringLiteral("symbolic link")));
    EXPECT_FALSE(folder.ClearExtractFolder(true).ok());
    FakeProgressHost host;
    EXPECT_FALSE(folder.SecurityWipe(10, host).ok());
    EXPECT_EQ(host.opens, 0);

    EXPECT_TRUE(QFileInfo(path).isSymLink());
    EXPECT_EQ(modeOf(mine), 0755u);
    EXPECT_EQ(QDir(mine).entryList(QDir::Files), (QStringList{QStringLiteral("L8R3"), QStringLiteral("letter.txt")}));
    EXPECT_EQ(readBytes(mine + QStringLiteral("/letter.txt")), QByteArray("my own words"));
    EXPECT_EQ(readBytes(mine + QStringLiteral("/L8R3")), QByteArray("mine as well"));
}

TEST(ExtractionFolderTest, LinksInsideTheFolderGoThemselvesAndASwappedFolderDoesNotRedirectTheClear)
{
    TempLibrary lib;
    const QString outside = lib.file(QStringLiteral("outside.txt"));
    ASSERT_TRUE(writeBytes(outside, "keep me"));
    const QString path = lib.folder.path(QStringLiteral("Extract"));
    const ExtractionFolder folder(path);
    ASSERT_TRUE(folder.Prepare().ok());
    auto entries = [&](const QString& in) {
        return QDir(in).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    };

    ASSERT_TRUE(QFile::link(outside, path + QStringLiteral("/link.txt")));
    ASSERT_TRUE(writeBytes(path + QStringLiteral("/copy.txt"), "copy"));
    EXPECT_EQ(*folder.ClearExtractFolder(true), 0);
    EXPECT_TRUE(entries(path).isEmpty());
    EXPECT_EQ(readBytes(outside), QByteArray("keep me"));

    // A link named like a wipe entry, put there while the wipe runs.
    FakeProgressHost host;
    bool planted = false;
    host.onYield = [&] {
        if (!planted)
            planted = QFile::link(outside, path + QStringLiteral("/L8R50"));
    };
    ASSERT_TRUE(folder.SecurityWipe(100, host).ok());
    EXPECT_TRUE(planted);
    EXPECT_EQ(readBytes(outside), QByteArray("keep me"));
    EXPECT_TRUE(entries(path).isEmpty());

    // The folder swapped for a link to the user's own files after the first
    // file: the clear stays in the folder it opened.
    const QString mine = lib.folder.path(QStringLiteral("Mine"));
    const QString moved = lib.folder.path(QStringLiteral("Moved"));
    ASSERT_TRUE(QDir().mkpath(mine));
    for (const char* name : {"a.txt", "b.txt"}) {
        ASSERT_TRUE(writeBytes(mine + QLatin1Char('/') + QLatin1String(name), "mine"));
        ASSERT_TRUE(writeBytes(path + QLatin1Char('/') + QLatin1String(name), "copy"));
    }
    bool swapped = false;
    const ExtractionFolder swapping(path, [&](const QString&) {
        if (!swapped)
            swapped = QFile::rename(path, moved) && QFile::link(mine, path);
        return true;
    });
    EXPECT_EQ(*swapping.ClearExtractFolder(true), 0);
    EXPECT_TRUE(swapped);
    EXPECT_TRUE(entries(moved).isEmpty());
    for (const char* name : {"a.txt", "b.txt"})
        EXPECT_EQ(readBytes(mine + QLatin1Char('/') + QLatin1String(name)), QByteArray("mine")) << name;
}
