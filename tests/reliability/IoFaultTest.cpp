#include "FaultVfs.h"
#include "ReliabilitySupport.h"

#include "core/FileWriter.h"
#include "core/ProgramState.h"
#include "core/SettingsFile.h"
#include "library/LibraryCompactor.h"
#include "library/LibraryCopier.h"
#include "library/LibrarySession.h"
#include "store/SchemaUpgrade.h"
#include "store/Recordset.h"
#include "transfer/FileExtractor.h"
#include "transfer/FileInserter.h"

#include "support/FakeLibraryHost.h"
#include "support/TestPaths.h"

#include <QDir>

#include <sqlite3.h>

#include <functional>

using namespace zentaro;
using namespace zentaro::test;

namespace {

const bool kInstalled = (FaultVfs::install(), true);

struct Mode
{
    const char* name;
    FaultVfs::Operation operation;
    FaultVfs::Error error;
    bool persistent;
};

const Mode kModes[] = {
    {"write EIO once", FaultVfs::Operation::Write, FaultVfs::Error::Io, false},
    {"write ENOSPC from then on", FaultVfs::Operation::Write, FaultVfs::Error::NoSpace, true},
    {"sync EIO once", FaultVfs::Operation::Sync, FaultVfs::Error::Io, false},
    {"read EIO once", FaultVfs::Operation::Read, FaultVfs::Error::Io, false},
    {"read EIO from then on", FaultVfs::Operation::Read, FaultVfs::Error::Io, true},
};

// One library operation under test: what the library holds first, and the work.
struct Operation
{
    std::function<void(TempLibrary&)> setUp;
    std::function<Status(TempLibrary&)> run;
};

Status insertFile(TempLibrary& lib, const QString& name, qint64 size, quint32 seed)
{
    const QString file = lib.file(name);
    if (!writeBytes(file, patternBytes(size, seed)))
        return Status::failure(ErrorCode::Io, QStringLiteral("test file"));
    lib.state.CurrentFilePath = file;
    FileInserter inserter(lib.settings(), lib.db);
    NullProgress quiet;
    return inserter.InsertData(lib.state.CurrentFilePath, {}, quiet).status();
}

void threeRecords(TempLibrary& lib)
{
    ASSERT_TRUE(insertFile(lib, QStringLiteral("a.bin"), 100000, 1));
    ASSERT_TRUE(insertFile(lib, QStringLiteral("b.bin"), 200000, 2));
    ASSERT_TRUE(insertFile(lib, QStringLiteral("c.bin"), 70000, 3));
}

// Runs op once to count the operations of mode's kind, then once for every k
// with the k-th failing: the caller hears of it, and the library reopens
// whole, holding the state from before or from after, never a half of it.
void loopFaults(const char* name, const Operation& op)
{
    // One library prepared once; every run starts from a copy of its bytes.
    TempLibrary lib;
    op.setUp(lib);
    const StoredLibrary before = stateOf(*lib.db);
    lib.db->close();
    const QString path = lib.state.CurrentLibraryPath;
    const QByteArray prepared = readBytes(path);
    auto fresh = [&] {
        if (lib.db)
            lib.db->close();
        QFile::remove(path + QStringLiteral("-journal"));
        writeBytes(path, prepared);
        Result<std::shared_ptr<Database>> opened = Database::open(path);
        EXPECT_TRUE(opened) << opened.message().toStdString();
        lib.db = opened ? *opened : nullptr;
        return bool(lib.db);
    };
    for (const Mode& mode : kModes) {
        ASSERT_TRUE(fresh());
        FaultVfs::disarm();
        const Status done = op.run(lib);
        const int total = FaultVfs::count(mode.operation);
        ASSERT_TRUE(done) << name << ": " << done.message().toStdString();
        const StoredLibrary after = stateOf(*lib.db);
        int failed = 0;
        int undone = 0;
        for (int k = 1; k <= total; ++k) {
            ASSERT_TRUE(fresh());
            FaultVfs::arm(mode.operation, k, mode.error, mode.persistent);
            const Status s = op.run(lib);
            const bool fired = FaultVfs::fired();
            FaultVfs::disarm();
            lib.db->close();
            const std::string where = std::string(name) + ", " + mode.name + ", k=" + std::to_string(k);
            if (!s) {
                ++failed;
                EXPECT_FALSE(s.message().isEmpty()) << where;
            } else {
                // A fault the engine rode out (a read it retried, say) must not show.
                EXPECT_TRUE(fired) << where;
            }
            EXPECT_EQ(damageIn(path).toStdString(), std::string()) << where;
            Result<std::shared_ptr<Database>> reopened = Database::open(path);
            ASSERT_TRUE(reopened) << where << ": " << reopened.message().toStdString();
            const StoredLibrary now = stateOf(**reopened);
            (*reopened)->close();
            if (s) {
                EXPECT_TRUE(now == after) << where << ": reported done but not done";
            } else {
                EXPECT_TRUE(now == before || now == after) << where << ": half done";
                undone += now == before ? 1 : 0;
            }
        }
        std::cout << "[ faults   ] " << name << ", " << mode.name << ": " << total << " operations, " << failed
                  << " failures reported, " << undone << " undone" << std::endl;
    }
}

} // namespace

TEST(IoFault, Insertion)
{
    loopFaults("insertion", {[](TempLibrary& lib) { ASSERT_TRUE(insertFile(lib, QStringLiteral("a.bin"), 50000, 1)); },
                             [](TempLibrary& lib) { return insertFile(lib, QStringLiteral("n.bin"), 300000, 7); }});
}

TEST(IoFault, ReInsertion)
{
    loopFaults("re-insertion",
               {[](TempLibrary& lib) { ASSERT_TRUE(insertFile(lib, QStringLiteral("a.bin"), 150000, 1)); },
                [](TempLibrary& lib) {
                    lib.state.CurrentFilePath = lib.file(QStringLiteral("new.bin"));
                    writeBytes(lib.state.CurrentFilePath, patternBytes(250000, 8));
                    Result<std::unique_ptr<Recordset>> list = Recordset::open(lib.db, QStringLiteral("Main"));
                    if (!list)
                        return list.status();
                    FileInserter inserter(lib.settings(), lib.db);
                    FakeProgressHost host;
                    return inserter.ReInsertCurrentFile(**list, lib.state.CurrentFilePath, host).status;
                }});
}

TEST(IoFault, BulkDelete)
{
    loopFaults("bulk delete", {threeRecords, [](TempLibrary& lib) {
                                   Result<qint64> n = lib.db->execute(QStringLiteral("DELETE * FROM Main WHERE MainID > 1"));
                                   if (n && *n != 2)
                                       return Status::failure(ErrorCode::Engine, QStringLiteral("deleted %1").arg(*n));
                                   return n.status();
                               }});
}

TEST(IoFault, Compaction)
{
    loopFaults("compaction", {[](TempLibrary& lib) {
                                  threeRecords(lib);
                                  ASSERT_TRUE(lib.db->deleteRecord(2));
                              },
                              [](TempLibrary& lib) {
                                  const QString scratch = lib.folder.path(QStringLiteral("scratch.tmp"));
                                  QFile::remove(scratch);
                                  writeBytes(scratch, {});
                                  NullProgress quiet;
                                  const Status s = lib.db->compactInPlace(scratch, quiet);
                                  QFile::remove(scratch);
                                  return s;
                              }});
}

TEST(IoFault, ReclaimingFreePages)
{
    loopFaults("reclaiming free pages", {[](TempLibrary& lib) {
                                             threeRecords(lib);
                                             // Freed before kept pages, so that pages move.
                                             ASSERT_TRUE(lib.db->deleteRecord(1));
                                         },
                                         [](TempLibrary& lib) {
                                             NullProgress quiet;
                                             return lib.db->reclaimFreePages(quiet);
                                         }});
}

TEST(IoFault, ConfigSave)
{
    loopFaults("Config save", {[](TempLibrary& lib) { ASSERT_TRUE(insertFile(lib, QStringLiteral("a.bin"), 1000, 1)); },
                               [](TempLibrary& lib) {
                                   Result<ConfigRow> row = lib.db->loadConfig();
                                   if (!row)
                                       return row.status();
                                   row->LibraryName = QStringLiteral("Renamed");
                                   return lib.db->saveConfig(*row);
                               }});
}

TEST(IoFault, AnOlderLibraryOnAFullDiskOpensAsItIsAndSaysSoOnce)
{
    ProgramFolder folder;
    ProgramState state(folder.folder());
    FakeLibraryHost host;
    LibrarySession session(state, state.Settings, host);
    host.session = &session;
    state.CurrentLibraryPath = folder.path(QStringLiteral("old.ZNT"));
    ASSERT_TRUE(makeOldLibrary(state.CurrentLibraryPath));
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open_v2(state.CurrentLibraryPath.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr),
                  SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, "INSERT INTO Main (Title) VALUES ('an old record')", nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(db);
    }

    // Every write fails from the first on, as on a full disk.
    FaultVfs::arm(FaultVfs::Operation::Write, 1, FaultVfs::Error::NoSpace, true);
    session.OpenLibrary();
    ASSERT_TRUE(session.isOpen()) << host.noticeTexts().join(u'|').toStdString();
    EXPECT_EQ(session.database()->schemaVersion(), SchemaUpgrade::kBaseVersion);
    ASSERT_EQ(host.notices.size(), 1u);
    EXPECT_TRUE(host.notices[0].text.contains(QStringLiteral("the disk is full"))) << host.notices[0].text.toStdString();
    EXPECT_TRUE(host.notices[0].text.contains(state.CurrentLibraryPath));
    // Searching works without the index; the free-space rule of compaction is reached.
    state.QueryWhere = QStringLiteral("WHERE (Title LIKE \"*old*\")");
    EXPECT_TRUE(session.RequeryList());
    EXPECT_EQ(session.ListedCount(), 1);
    LibraryCompactor compactor(state, state.ProgramFolder(), &Drive::systemLookup, [](const QString&) { return std::optional<qint64>(1); });
    EXPECT_EQ(compactor.CheckCommand().status.code(), ErrorCode::DiskFull);
    // Opened again on a disk still full, it is not said twice.
    EXPECT_TRUE(session.RebindLibrary());
    FaultVfs::disarm();
    EXPECT_EQ(host.notices.size(), 1u);

    // With room again, the next opening brings it up to date.
    session.CloseLibrary();
    session.OpenLibrary();
    ASSERT_TRUE(session.isOpen());
    EXPECT_EQ(session.database()->schemaVersion(), SchemaUpgrade::latestVersion());
    EXPECT_EQ(host.notices.size(), 1u);
    session.CloseLibrary();
    EXPECT_EQ(damageIn(state.CurrentLibraryPath).toStdString(), std::string());
}

// --- The program's own files ------------------------------------------------

namespace {

const FileWriter::Fault kWriterModes[] = {
    {FileWriter::Operation::Write, 1, EIO, false},
    {FileWriter::Operation::Write, 1, ENOSPC, true},
    {FileWriter::Operation::Sync, 1, EIO, false},
};

// Calls work with the k-th write or sync failing, for every k the work has.
void loopWriterFaults(const char* name, const std::function<void()>& setUp, const std::function<Status()>& work,
                      const std::function<void(const std::string&)>& check)
{
    for (const FileWriter::Fault& base : kWriterModes) {
        setUp();
        FileWriter::clearFault();
        ASSERT_TRUE(work()) << name;
        const int total = FileWriter::count(base.operation);
        ASSERT_GT(total, 0) << name;
        for (int k = 1; k <= total; ++k) {
            setUp();
            FileWriter::Fault fault = base;
            fault.at = k;
            FileWriter::setFault(fault);
            const Status s = work();
            FileWriter::clearFault();
            const std::string where = std::string(name) + ", k=" + std::to_string(k) + ", error " +
                                      std::to_string(base.error);
            EXPECT_FALSE(s) << where;
            EXPECT_FALSE(s.message().isEmpty()) << where;
            if (base.error == ENOSPC) {
                EXPECT_EQ(s.code(), ErrorCode::DiskFull) << where << ": " << s.message().toStdString();
            }
            check(where);
        }
        std::cout << "[ faults   ] " << name << ": " << total << " operations\n";
    }
}

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

} // namespace

TEST(FileWriterFault, AFailedExtractionLeavesNoTarget)
{
    TempLibrary lib;
    ASSERT_TRUE(insertFile(lib, QStringLiteral("big.bin"), 3 * 1000 * 1000 + 5, 4));
    const MainRecord record = *lib.db->loadRecord(1);
    const QString out = lib.folder.path(QStringLiteral("out"));
    QDir().mkpath(out);
    const QString target = out + QStringLiteral("/big.bin");
    loopWriterFaults(
        "extraction", [&] { QFile::remove(target); },
        [&] {
            lib.state.CurrentFilePath = target;
            FileExtractor extractor(lib.settings(), lib.db);
            FakeProgressHost host;
            return extractor.ExtractFile(record, lib.state.CurrentFilePath, host).outcome().status;
        },
        [&](const std::string& where) { EXPECT_EQ(filesIn(out), QStringList()) << where; });
}

TEST(FileWriterFault, AFailedSettingsSaveLeavesTheOldFile)
{
    TempLibrary lib;
    SettingsFile settings(lib.state.Settings, lib.state.settingsPlace());
    lib.state.Settings.LibraryFolder = QStringLiteral("/old");
    ASSERT_TRUE(settings.SaveSettings());
    const QByteArray old = readBytes(lib.state.SettingsFilePath);
    loopWriterFaults(
        "settings save", [&] { writeBytes(lib.state.SettingsFilePath, old); },
        [&] {
            lib.state.Settings.LibraryFolder = QStringLiteral("/new");
            return settings.SaveSettings();
        },
        [&](const std::string& where) {
            EXPECT_EQ(readBytes(lib.state.SettingsFilePath), old) << where;
            for (const QString& name : filesIn(lib.folder.folder()))
                EXPECT_FALSE(name.endsWith(QStringLiteral(".tmp"))) << where << ' ' << name.toStdString();
        });
}

TEST(FileWriterFault, AFailedCopyLeavesNoTarget)
{
    TempLibrary lib;
    ASSERT_TRUE(insertFile(lib, QStringLiteral("a.bin"), 2 * 1000 * 1000, 5));
    lib.db->close();
    const QString target = lib.folder.path(QStringLiteral("Copy.ZNT"));
    loopWriterFaults(
        "library copy", [&] { QFile::remove(target); },
        [&] {
            NullProgress quiet;
            return LibraryCopier::CopyFileBytes(lib.state.CurrentLibraryPath, target, quiet);
        },
        [&](const std::string& where) { EXPECT_FALSE(QFileInfo::exists(target)) << where; });
}
