#include "TransferTestSupport.h"
#include "support/TrashHome.h"

#include "store/ConfigRow.h"
#include "transfer/AddFilesBatch.h"
#include "transfer/NativeFileName.h"

#include <QDir>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QSet>
#include <QThread>
#include <QUrl>

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>

using namespace zentaro;
using namespace zentaro::test;

namespace {

// Plays the dialog: records what the loop showed and can act at chosen moments.
class FakeBatchHost : public AddFilesBatch::Host
{
public:
    explicit FakeBatchHost(ProgramState& state) : m_state(state) {}

    std::vector<int> batchPercents;
    std::vector<QString> currentFiles;
    std::vector<int> deselected;
    std::vector<Notice> notices;
    FakeProgress bar;
    // Runs when the loop names the file it is about to insert.
    std::function<void(const QString&)> onCurrentFile;
    std::function<void(const Notice&)> onNotice;

    void SetBatchPercent(int percent) override { batchPercents.push_back(percent); }
    void SetCurrentFile(const QString& name) override
    {
        currentFiles.push_back(name);
        if (onCurrentFile)
            onCurrentFile(name);
    }
    Progress& FileBar() override { return bar; }
    void Deselect(int index) override { deselected.push_back(index); }
    void ShowNotice(const Notice& notice) override
    {
        notices.push_back(notice);
        if (onNotice)
            onNotice(notice);
    }
    void Yield() override {}

private:
    ProgramState& m_state;
};

class AddFilesBatchTest : public ::testing::Test
{
protected:
    // Files n01.txt ... in the files folder, each of size bytes.
    QList<AddFilesBatch::Entry> makeFiles(int count, qint64 size, std::initializer_list<int> selected)
    {
        QList<AddFilesBatch::Entry> entries;
        for (int i = 1; i <= count; ++i) {
            const QString name = QStringLiteral("n%1.txt").arg(i, 2, 10, QLatin1Char('0'));
            EXPECT_TRUE(writeBytes(lib.file(name), patternBytes(size, static_cast<quint32>(i))));
            bool chosen = false;
            for (int s : selected)
                chosen = chosen || s == i;
            entries.push_back({name, chosen});
        }
        return entries;
    }

    std::vector<MainRecord> records()
    {
        std::vector<MainRecord> out;
        for (qint64 id = 1; id <= 1000; ++id) {
            Result<MainRecord> r = lib.db->loadRecord(id);
            if (r)
                out.push_back(*r);
        }
        return out;
    }

    TempLibrary lib;
    FakeBatchHost host{lib.state};
};

} // namespace

TEST_F(AddFilesBatchTest, OnlySelectedEntriesAreAddedAndDeselected)
{
    const QList<AddFilesBatch::Entry> entries = makeFiles(10, 100, {3, 7});
    AddFilesBatch batch(lib.settings(), lib.db);
    SharedFields fields;
    fields.Author = QStringLiteral("Same Author");
    AddedFiles report = batch.Run(lib.filesFolder(), entries, fields, false, host);

    EXPECT_TRUE(report.ending.ok());
    EXPECT_EQ(report.added.size(), 2);
    EXPECT_EQ(*lib.db->countMain(), 2);
    EXPECT_EQ(host.deselected, (std::vector<int>{2, 6}));
    EXPECT_EQ(host.currentFiles, (std::vector<QString>{QStringLiteral("n03.txt"), QStringLiteral("n07.txt")}));
    // The batch bar counts every listed entry and reaches 100 at the tenth.
    EXPECT_EQ(host.batchPercents, (std::vector<int>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
    const std::vector<MainRecord> rows = records();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].FileName, QStringLiteral("n03"));
    EXPECT_EQ(rows[1].FileName, QStringLiteral("n07"));
    for (const MainRecord& r : rows) {
        EXPECT_EQ(r.Author, QStringLiteral("Same Author"));
        EXPECT_TRUE(r.Keywords.isEmpty());
        EXPECT_TRUE(r.Notes.isEmpty());
    }
    EXPECT_TRUE(host.notices.empty());
    // Originals stay when not asked to remove them.
    EXPECT_TRUE(QFileInfo::exists(lib.file(QStringLiteral("n03.txt"))));
}

TEST_F(AddFilesBatchTest, CancelDuringTheThirdFileStoresItWholeAndHalts)
{
    // Large enough that Cancel lands in the middle of the third file.
    const QList<AddFilesBatch::Entry> entries = makeFiles(5, 1500000, {1, 2, 3, 4, 5});
    host.bar.onPercent = [&](int percent) {
        if (host.currentFiles.size() == 3 && percent >= 50 && percent < 100)
            host.bar.cancel = true;
    };
    AddFilesBatch batch(lib.settings(), lib.db);
    AddedFiles report = batch.Run(lib.filesFolder(), entries, {}, true, host);

    EXPECT_TRUE(report.ending.cancelled());
    ASSERT_EQ(report.added.size(), 3);
    const MainRecord third = *lib.db->loadRecord(report.added[2]);
    EXPECT_EQ(third.FileName, QStringLiteral("n03"));
    EXPECT_EQ(storedBytes(*lib.db, third.MainID), patternBytes(1500000, 3));
    EXPECT_EQ(*lib.db->countMain(), 3);
    // Files 4 and 5 were never touched: still selected, originals in place.
    EXPECT_EQ(host.deselected, (std::vector<int>{0, 1, 2}));
    for (int i : {1, 2, 3})
        EXPECT_FALSE(QFileInfo::exists(lib.file(QStringLiteral("n0%1.txt").arg(i)))) << i;
    for (int i : {4, 5})
        EXPECT_TRUE(QFileInfo::exists(lib.file(QStringLiteral("n0%1.txt").arg(i)))) << i;

    ASSERT_EQ(host.notices.size(), 1u);
    EXPECT_EQ(host.notices[0].icon, NoticeIcon::Critical);
    EXPECT_EQ(host.notices[0].title, QStringLiteral("ZNT Stopped"));
    EXPECT_EQ(host.notices[0].text,
              QStringLiteral("Insertion Procedure Halted - USER REQUESTED\r\n\r\nIf you selected to delete the "
                             "original files after insertion, only the files that made it into the library "
                             "were deleted."));
}

TEST_F(AddFilesBatchTest, FreeSpaceExactlyEnoughPassesOneByteShortStops)
{
    const QList<AddFilesBatch::Entry> entries = makeFiles(3, 1000, {1, 2, 3});
    qint64 free = 1000;
    int probes = 0;
    QString probedPath;
    auto probe = [&](const QString& path) -> std::optional<qint64> {
        ++probes;
        probedPath = path;
        // The second file finds one byte too few.
        return probes == 2 ? free - 1 : free;
    };
    AddFilesBatch batch(lib.settings(), lib.db, probe);
    AddedFiles report = batch.Run(lib.filesFolder(), entries, {}, true, host);

    EXPECT_EQ(report.ending.status.code(), ErrorCode::DiskFull);
    EXPECT_EQ(probedPath, lib.state.CurrentLibraryPath);
    EXPECT_EQ(report.added.size(), 1);
    EXPECT_EQ(*lib.db->countMain(), 1);
    ASSERT_EQ(host.notices.size(), 1u);
    EXPECT_EQ(host.notices[0].title, QStringLiteral("Cannot Insert"));
    EXPECT_EQ(host.notices[0].text, QStringLiteral("Insufficient Drive Space to Insert"));
    EXPECT_EQ(host.notices[0].icon, NoticeIcon::Exclamation);
    // The stored one is gone from disk, the refused and the untried stay.
    EXPECT_FALSE(QFileInfo::exists(lib.file(QStringLiteral("n01.txt"))));
    EXPECT_TRUE(QFileInfo::exists(lib.file(QStringLiteral("n02.txt"))));
    EXPECT_TRUE(QFileInfo::exists(lib.file(QStringLiteral("n03.txt"))));
    EXPECT_EQ(probes, 2);
}

TEST_F(AddFilesBatchTest, AnUnopenableFileIsReportedAndTheBatchGoesOn)
{
    QList<AddFilesBatch::Entry> entries = makeFiles(3, 10, {1, 2, 3});
    ASSERT_TRUE(QFile::remove(lib.file(QStringLiteral("n02.txt"))));
    // The box is up while nothing holds the library's write lock.
    bool lockedDuringBox = true;
    host.onNotice = [&](const Notice&) { lockedDuringBox = lib.db->inTransaction(); };
    AddFilesBatch batch(lib.settings(), lib.db);
    AddedFiles report = batch.Run(lib.filesFolder(), entries, {}, true, host);
    EXPECT_TRUE(report.ending.ok());
    EXPECT_EQ(report.added.size(), 2);
    EXPECT_EQ(report.failed, QStringList{lib.file(QStringLiteral("n02.txt"))});
    ASSERT_EQ(host.notices.size(), 1u);
    EXPECT_EQ(host.notices[0].title, QStringLiteral("ZNT Insertion Error"));
    EXPECT_TRUE(host.notices[0].text.contains(lib.file(QStringLiteral("n02.txt"))));
    EXPECT_FALSE(lockedDuringBox);
    // The entry is deselected all the same.
    EXPECT_EQ(host.deselected, (std::vector<int>{0, 1, 2}));
}

TEST_F(AddFilesBatchTest, OriginalsGoOnlyOnceTheirRecordsAreCommitted)
{
    // A shared library, watched through a second connection that sees only
    // committed records.
    lib.db->close();
    OpenOptions shared;
    shared.exclusive = false;
    std::shared_ptr<Database> db = *Database::open(lib.state.CurrentLibraryPath, shared);
    std::shared_ptr<Database> watcher = *Database::open(lib.state.CurrentLibraryPath, shared);

    const QList<AddFilesBatch::Entry> entries = makeFiles(6, 10, {1, 2, 3, 4, 5, 6});
    bool removedEarly = false;
    int looks = 0;
    auto look = [&] {
        ++looks;
        watcher->idle();
        const qint64 committed = *watcher->countMain();
        qint64 gone = 0;
        for (int i = 1; i <= 6; ++i)
            gone += QFileInfo::exists(lib.file(QStringLiteral("n0%1.txt").arg(i))) ? 0 : 1;
        if (gone > committed)
            removedEarly = true;
    };
    host.onCurrentFile = [&](const QString&) { look(); };
    host.bar.onPercent = [&](int) { look(); };
    AddFilesBatch batch(lib.settings(), db);
    AddedFiles report = batch.Run(lib.filesFolder(), entries, {}, true, host);
    look();
    EXPECT_EQ(report.added.size(), 6);
    EXPECT_GT(looks, 6);
    EXPECT_FALSE(removedEarly);
    EXPECT_FALSE(db->inTransaction());
    EXPECT_EQ(*watcher->countMain(), 6);
    for (int i = 1; i <= 6; ++i)
        EXPECT_FALSE(QFileInfo::exists(lib.file(QStringLiteral("n0%1.txt").arg(i))));
}

TEST_F(AddFilesBatchTest, RemovedOriginalsGoToTheTrashOrAreNamedWhereThereIsNone)
{
    TrashHome home;
    const QList<AddFilesBatch::Entry> entries = makeFiles(3, 100, {1, 3});
    AddFilesBatch batch(lib.settings(), lib.db);
    AddedFiles report = batch.Run(lib.filesFolder(), entries, {}, true, host);
    ASSERT_EQ(report.added.size(), 2);
    EXPECT_TRUE(report.deleted.isEmpty());
    EXPECT_TRUE(report.notRemoved.isEmpty());
    EXPECT_FALSE(AddFilesBatch::RemovalNotice(report, lib.state.newLineOrDefault()));
    for (int i : {1, 3}) {
        const QString name = QStringLiteral("n0%1.txt").arg(i);
        EXPECT_FALSE(QFileInfo::exists(lib.file(name)));
        EXPECT_EQ(readBytes(home.trashedFile(name)), patternBytes(100, static_cast<quint32>(i)));
        // The trash knows where it came from, so it can be put back.
        EXPECT_TRUE(readBytes(home.trashInfo(name)).contains("Path=" + QUrl::toPercentEncoding(lib.file(name), "/")));
    }
    EXPECT_TRUE(QFileInfo::exists(lib.file(QStringLiteral("n02.txt"))));

    // With no trash to take it the original is deleted, and named.
    home.takeTheTrashAway();
    AddedFiles second =
        batch.Run(lib.filesFolder(), {{QStringLiteral("n02.txt"), true}}, {}, true, host);
    ASSERT_EQ(second.added.size(), 1);
    EXPECT_FALSE(QFileInfo::exists(lib.file(QStringLiteral("n02.txt"))));
    EXPECT_EQ(second.deleted, QStringList{lib.file(QStringLiteral("n02.txt"))});
    const std::optional<Notice> notice = AddFilesBatch::RemovalNotice(second, lib.state.newLineOrDefault());
    ASSERT_TRUE(notice);
    EXPECT_EQ(notice->title, QStringLiteral("ZNT Notice"));
    EXPECT_TRUE(notice->text.contains(QStringLiteral("no trash")));
    EXPECT_TRUE(notice->text.contains(lib.file(QStringLiteral("n02.txt"))));
}

TEST_F(AddFilesBatchTest, TheCommandRefusesAReadOnlyLibraryAndABrowser)
{
    ConfigRow config;
    lib.state.AccessLevel = QStringLiteral("Editor");
    EXPECT_TRUE(AddFilesBatch::CheckCommand(lib.settings(), config).ok());
    lib.state.AccessLevel = QStringLiteral("Browser");
    EXPECT_EQ(AddFilesBatch::CheckCommand(lib.settings(), config).status.code(), ErrorCode::AccessDenied);
    lib.state.LibraryReadOnly = true;
    EXPECT_EQ(AddFilesBatch::CheckCommand(lib.settings(), config).status.code(), ErrorCode::ReadOnly);
    const Notice n = AddFilesBatch::ReadOnlyNotice(lib.state.NewLine);
    EXPECT_EQ(n.title, QStringLiteral("ZNT Reminder"));
    EXPECT_EQ(n.icon, NoticeIcon::Exclamation);
    EXPECT_EQ(n.text, QStringLiteral("This Library File is READ ONLY\r\n\r\nYou can not make any changes to this library"));
}

TEST(AddFilesBatchPaths, EntryPathNeverDoublesTheSeparator)
{
    EXPECT_EQ(AddFilesBatch::EntryPath(QStringLiteral("/"), QStringLiteral("a.txt")), QStringLiteral("/a.txt"));
    EXPECT_EQ(AddFilesBatch::EntryPath(QStringLiteral("/home/docs"), QStringLiteral("a.txt")),
              QStringLiteral("/home/docs/a.txt"));
}

namespace {

// While it lives, no file of this process may grow beyond limit bytes: a
// write past it fails as on a full disk.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(qint64 limit)
    {
        if (getrlimit(RLIMIT_FSIZE, &m_old) != 0)
            return;
        m_previous = std::signal(SIGXFSZ, SIG_IGN);
        rlimit tight = m_old;
        tight.rlim_cur = static_cast<rlim_t>(limit);
        m_active = setrlimit(RLIMIT_FSIZE, &tight) == 0;
    }
    ~FileSizeLimit()
    {
        if (m_active)
            setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_previous);
    }
    bool active() const { return m_active; }

private:
    rlimit m_old{};
    void (*m_previous)(int) = SIG_DFL;
    bool m_active = false;
};

} // namespace

// A full disk in the middle of a file, made real with a file-size limit: the
// file is reported with its path and the cause, nothing of it stays, its
// original stays, and the small files stored before and after it are kept.
TEST_F(AddFilesBatchTest, ADiskFullMidFileIsReportedAndTheBatchGoesOn)
{
    QList<AddFilesBatch::Entry> entries = makeFiles(3, 2000, {1, 2, 3});
    const QString big = QStringLiteral("n00big.bin");
    ASSERT_TRUE(writeBytes(lib.file(big), patternBytes(12 * 1024 * 1024, 77)));
    // The big one between the small ones, in its own place in the list.
    entries.insert(2, {big, true});

    AddedFiles report;
    {
        FileSizeLimit limit(QFileInfo(lib.state.CurrentLibraryPath).size() + 4 * 1024 * 1024);
        ASSERT_TRUE(limit.active());
        AddFilesBatch batch(lib.settings(), lib.db);
        report = batch.Run(lib.filesFolder(), entries, {}, true, host);
    }

    EXPECT_TRUE(report.ending.ok());
    EXPECT_EQ(report.failed, QStringList{lib.file(big)});
    ASSERT_EQ(host.notices.size(), 1u);
    EXPECT_EQ(host.notices[0].title, QStringLiteral("ZNT Insertion Error"));
    EXPECT_TRUE(host.notices[0].text.contains(lib.file(big)));
    EXPECT_TRUE(QFileInfo::exists(lib.file(big)));
    EXPECT_EQ(report.added.size(), 3);
    EXPECT_EQ(*lib.db->countMain(), 3);
    for (const MainRecord& r : records())
        EXPECT_EQ(r.FileSize, 2000) << r.FileName.toStdString();
    // The library is whole: it opens again and its records read back.
    lib.db->close();
    Result<std::shared_ptr<Database>> again = Database::open(lib.state.CurrentLibraryPath);
    ASSERT_TRUE(again) << again.message().toStdString();
    EXPECT_EQ(*(*again)->countMain(), 3);
    EXPECT_EQ(storedBytes(**again, report.added.back()), patternBytes(2000, 3));
}

// A full disk while small files share a transaction: the engine undoes the
// whole transaction, so files already "stored" in it must go in again or be
// reported. Whatever happens, every selected file ends either stored whole
// with its original removed, or reported with its original in place.
TEST_F(AddFilesBatchTest, ADiskFullInASharedTransactionLosesNoFile)
{
    const QList<AddFilesBatch::Entry> entries = makeFiles(40, 150000, {});
    QList<AddFilesBatch::Entry> all = entries;
    for (AddFilesBatch::Entry& e : all)
        e.Selected = true;

    AddedFiles report;
    {
        FileSizeLimit limit(QFileInfo(lib.state.CurrentLibraryPath).size() + 1024 * 1024);
        ASSERT_TRUE(limit.active());
        AddFilesBatch batch(lib.settings(), lib.db);
        report = batch.Run(lib.filesFolder(), all, {}, true, host);
    }
    EXPECT_FALSE(report.failed.isEmpty());
    EXPECT_FALSE(report.added.isEmpty());
    EXPECT_EQ(report.failed.size() + report.added.size(), 40);
    EXPECT_EQ(host.notices.size(), static_cast<size_t>(report.failed.size()));
    EXPECT_EQ(*lib.db->countMain(), report.added.size());

    QSet<QString> storedNames;
    for (qint64 id : report.added) {
        const MainRecord r = *lib.db->loadRecord(id);
        const int n = r.FileName.mid(1).toInt();
        EXPECT_EQ(storedBytes(*lib.db, id), patternBytes(150000, static_cast<quint32>(n))) << n;
        storedNames.insert(r.FileName + QStringLiteral(".txt"));
    }
    for (const AddFilesBatch::Entry& e : all) {
        const QString path = lib.file(e.Name);
        if (storedNames.contains(e.Name)) {
            EXPECT_FALSE(QFileInfo::exists(path)) << e.Name.toStdString();
        } else {
            EXPECT_TRUE(report.failed.contains(path)) << e.Name.toStdString();
            EXPECT_EQ(readBytes(path).size(), 150000) << e.Name.toStdString();
        }
    }
}

// The library's own file listed in the folder: never read, never removed.
TEST_F(AddFilesBatchTest, TheOpenLibraryItselfIsRefusedAndKept)
{
    const QFileInfo library(lib.state.CurrentLibraryPath);
    const qint64 sizeBefore = library.size();
    ASSERT_TRUE(writeBytes(lib.folder.path(QStringLiteral("other.txt")), "x"));
    const QList<AddFilesBatch::Entry> entries = {{library.fileName(), true}, {QStringLiteral("other.txt"), true}};
    AddFilesBatch batch(lib.settings(), lib.db);
    AddedFiles report = batch.Run(library.path(), entries, {}, true, host);
    EXPECT_EQ(report.failed, QStringList{lib.state.CurrentLibraryPath});
    EXPECT_EQ(report.added.size(), 1);
    ASSERT_EQ(host.notices.size(), 1u);
    EXPECT_TRUE(host.notices[0].text.contains(QStringLiteral("library file itself")));
    EXPECT_TRUE(QFileInfo::exists(lib.state.CurrentLibraryPath));
    EXPECT_GE(QFileInfo(lib.state.CurrentLibraryPath).size(), sizeBefore);
    // Still the same library, still usable.
    EXPECT_EQ(*lib.db->countMain(), 1);
}

// Small files share a transaction, but another user of a shared library sees
// each new record within a second.
TEST_F(AddFilesBatchTest, OthersSeeNewRecordsWithinASecond)
{
    lib.db->close();
    OpenOptions shared;
    shared.exclusive = false;
    std::shared_ptr<Database> db = *Database::open(lib.state.CurrentLibraryPath, shared);
    std::shared_ptr<Database> watcher = *Database::open(lib.state.CurrentLibraryPath, shared);

    const QList<AddFilesBatch::Entry> entries = makeFiles(12, 10, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    QElapsedTimer clock;
    clock.start();
    std::vector<qint64> storedAt; // when each file's bar reached 100
    qint64 worstLag = 0;
    host.bar.onPercent = [&](int percent) {
        if (percent == 100)
            storedAt.push_back(clock.elapsed());
    };
    host.onCurrentFile = [&](const QString&) {
        QThread::msleep(150); // a slow user interface between files
        watcher->idle();
        const qint64 seen = *watcher->countMain();
        // The oldest stored record the watcher cannot see yet.
        if (seen < static_cast<qint64>(storedAt.size()))
            worstLag = std::max(worstLag, clock.elapsed() - storedAt[static_cast<size_t>(seen)]);
    };
    AddFilesBatch batch(lib.settings(), db);
    AddedFiles report = batch.Run(lib.filesFolder(), entries, {}, false, host);
    EXPECT_EQ(report.added.size(), 12);
    EXPECT_LT(worstLag, 1000);
    // Not one commit per file either: they did share.
    EXPECT_GT(worstLag, 0);
}

TEST_F(AddFilesBatchTest, ANameThatIsNotUtf8IsAddedUnderItsWindows1252Reading)
{
    TrashHome home;
    // "café.txt" as Windows wrote it: é is the single byte 0xE9.
    const QByteArray raw("caf\xe9.txt");
    const QByteArray bytes = patternBytes(70000, 21);
    ASSERT_TRUE(writeNativeFile(lib.filesFolder(), raw, bytes));
    ASSERT_TRUE(writeBytes(lib.file(QStringLiteral("plain.txt")), "plain"));
    // Qt itself cannot reach the file through the name it lists.
    const QStringList qtNames = QDir(lib.filesFolder()).entryList(QDir::Files);
    for (const QString& name : qtNames)
        EXPECT_TRUE(name == QStringLiteral("plain.txt") || !QFileInfo::exists(lib.file(name))) << name.toStdString();

    const QList<NativeFileName::Listed> listed = NativeFileName::ListFiles(lib.filesFolder());
    ASSERT_EQ(listed.size(), 2);
    EXPECT_EQ(listed[0].Name, QStringLiteral("café.txt"));
    EXPECT_EQ(listed[0].Native, raw);
    EXPECT_EQ(listed[1].Name, QStringLiteral("plain.txt"));

    QList<AddFilesBatch::Entry> entries;
    for (const NativeFileName::Listed& file : listed)
        entries.push_back({file.Name, true, file.Native});
    AddFilesBatch batch(lib.settings(), lib.db);
    AddedFiles report = batch.Run(lib.filesFolder(), entries, {}, true, host);
    EXPECT_TRUE(host.notices.empty()) << (host.notices.empty() ? "" : host.notices[0].text.toStdString());
    ASSERT_EQ(report.added.size(), 2);
    const MainRecord cafe = *lib.db->loadRecord(report.added[0]);
    EXPECT_EQ(cafe.FileName, QStringLiteral("café"));
    EXPECT_EQ(cafe.Title, QStringLiteral("café"));
    EXPECT_EQ(cafe.FileType, QStringLiteral("TXT"));
    EXPECT_EQ(cafe.FileSize, bytes.size());
    EXPECT_TRUE(cafe.FileDate.isValid());
    EXPECT_EQ(storedBytes(*lib.db, cafe.MainID), bytes);
    // The original went by its own bytes, once stored, and is in the trash
    // under them.
    EXPECT_TRUE(report.notRemoved.isEmpty());
    EXPECT_TRUE(report.deleted.isEmpty());
    EXPECT_FALSE(nativeFileExists(lib.filesFolder(), raw));
    EXPECT_TRUE(nativeFileExists(home.dataHome() + QStringLiteral("/Trash/files"), raw));
}

TEST_F(AddFilesBatchTest, ANameLostToTheEncodingIsReportedAsSuch)
{
    ASSERT_TRUE(writeNativeFile(lib.filesFolder(), QByteArray("na\xefve.txt"), "x"));
    // What a listing that decoded the name as UTF-8 would hand over.
    const QString lossy = QStringLiteral("na") + QChar(QChar::ReplacementCharacter) + QStringLiteral("ve.txt");
    AddFilesBatch batch(lib.settings(), lib.db);
    AddedFiles report = batch.Run(lib.filesFolder(), {{lossy, true}}, {}, false, host);
    EXPECT_TRUE(report.added.isEmpty());
    ASSERT_EQ(host.notices.size(), 1u);
    EXPECT_EQ(host.notices[0].title, QStringLiteral("ZNT Insertion Error"));
    EXPECT_TRUE(host.notices[0].text.contains(QStringLiteral("UTF-8"))) << host.notices[0].text.toStdString();
    EXPECT_TRUE(host.notices[0].text.startsWith(QStringLiteral("There is a problem opening the file:")));
}

TEST(NativeFileName, ReadsNamesAsUtf8OrElseWindows1252)
{
    EXPECT_TRUE(NativeFileName::IsUtf8("caf\xc3\xa9"));
    EXPECT_FALSE(NativeFileName::IsUtf8("caf\xe9"));
    EXPECT_FALSE(NativeFileName::IsUtf8("trail\xc3"));
    EXPECT_EQ(NativeFileName::ToText("caf\xc3\xa9.txt"), QStringLiteral("café.txt"));
    EXPECT_EQ(NativeFileName::ToText("caf\xe9.txt"), QStringLiteral("café.txt"));
    EXPECT_EQ(NativeFileName::ToText("\x80uro"), QStringLiteral("€uro"));
    EXPECT_EQ(NativeFileName::Join(QStringLiteral("/a/"), "b\xe9"), QByteArray("/a/b\xe9"));
    EXPECT_EQ(NativeFileName::Join(QStringLiteral("/a"), "b"), QByteArray("/a/b"));
}
