#include "core/ProgramState.h"
#include "core/Progress.h"
#include "security/AccessRights.h"
#include "store/Database.h"
#include "library/LibraryCompactor.h"
#include "library/LibraryVerifier.h"
#include "support/TestPaths.h"
#include "store/Recordset.h"
#include "store/WriterProcess.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <sys/file.h>
#include <sys/stat.h>

using namespace zentaro;
using test::WriterProcess;

namespace {

// Compaction of a library that other programs have open, and its temporary file.
class CompactionTest : public ::testing::Test
{
protected:
    CompactionTest() : state(program.folder())
    {
        state.AccessLevel = AccessRights::kEditor;
        state.NewLine = QStringLiteral("\r\n");
    }

    // A library with `records` records of `pieces` pieces each, every other
    // one deleted again; older: one made before libraries kept incremental
    // auto-vacuum (brought up to date otherwise).
    QString makeLibrary(const QString& name, int records, int pieces, bool older = false)
    {
        const QString path = program.path(name);
        if (older)
            EXPECT_TRUE(test::makeOldLibrary(path));
        else
            EXPECT_TRUE(Database::compactFile(test::templatePath(), path).ok());
        Result<std::shared_ptr<Database>> db = Database::open(path);
        EXPECT_TRUE(db.ok()) << db.message().toStdString();
        const QByteArray piece(64000, 'k');
        EXPECT_TRUE((*db)->begin().ok());
        QList<qint64> deleted;
        for (int i = 0; i < records; ++i) {
            MainRecord r;
            r.Title = QStringLiteral("kept %1").arg(i);
            r.FileSize = qint64(pieces) * piece.size();
            const qint64 id = *(*db)->insertRecord(r);
            for (int k = 0; k < pieces; ++k)
                EXPECT_TRUE((*db)->appendChunk(id, piece.constData(), piece.size()).ok());
            if (i % 2)
                deleted << id;
        }
        EXPECT_TRUE((*db)->commit().ok());
        // Deleted once all are stored, so that their pages are free, not reused.
        for (const qint64 id : std::as_const(deleted))
            EXPECT_TRUE((*db)->deleteRecord(id).ok());
        (*db)->close();
        return path;
    }

    Result<LibraryCompactor::Sizes> compact(const QString& library, Progress& progress)
    {
        state.CurrentLibraryPath = library;
        LibraryCompactor compactor(state, state.ProgramFolder(), &sameDrive, [](const QString&) { return std::optional<qint64>(); });
        return compactor.CompactLibrary(progress);
    }

    static std::optional<Drive::Facts> sameDrive(const QString&)
    {
        return Drive::Facts{QStringLiteral("/"), QByteArray("sda1")};
    }

    static QStringList titles(const QString& library)
    {
        QStringList out;
        Result<std::shared_ptr<Database>> db = Database::open(library, {.exclusive = false, .readOnly = true, .busyTimeoutMs = 5000});
        EXPECT_TRUE(db.ok()) << db.message().toStdString();
        if (!db)
            return out;
        Result<std::unique_ptr<Recordset>> all = Recordset::open(*db, QStringLiteral("SELECT * FROM Main ORDER BY MainID"));
        for (int i = 0; all && i < (*all)->recordCount(); ++i)
            out << (*all)->recordAt(i)->Title;
        return out;
    }

    static qint64 rawCount(const QString& library, const char* sql)
    {
        sqlite3* db = nullptr;
        sqlite3_open_v2(QFile::encodeName(library).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt* st = nullptr;
        qint64 out = -1;
        if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
            out = sqlite3_column_int64(st, 0);
        sqlite3_finalize(st);
        sqlite3_close(db);
        return out;
    }

    static bool verified(const QString& library)
    {
        NullProgress quiet;
        Result<LibraryVerifier::Findings> report = LibraryVerifier::Verify(library, quiet);
        return report && report->ok();
    }

    test::ProgramFolder program;
    ProgramState state;
};

// Looks at CMPCT.TMP while the compaction runs.
class WatchingProgress final : public Progress
{
public:
    explicit WatchingProgress(QString temp) : m_temp(std::move(temp)) {}
    void setText(const QString&) override {}
    void setPercent(int) override
    {
        struct stat info {};
        if (!seen && ::stat(QFile::encodeName(m_temp).constData(), &info) == 0) {
            seen = true;
            mode = info.st_mode & 0777;
        }
    }
    bool cancelRequested() const override { return false; }

    bool seen = false;
    mode_t mode = 0;

private:
    QString m_temp;
};

} // namespace

TEST_F(CompactionTest, NoCommitOfAnotherProgramIsLostBeforeDuringOrAfter)
{
    const QString library = makeLibrary(QStringLiteral("shared.ZNT"), 24, 12);
    // Bursts of ten commits with a rest between them, in which a waiting
    // compaction gets the library.
    WriterProcess writer(library, 2, 2000, 10, 300000);
    ASSERT_TRUE(writer.started());
    ASSERT_TRUE(writer.waitForCommits(5)) << "the writer never committed";
    int compacted = 0;
    for (int round = 0; round < 8 && compacted < 3; ++round) {
        NullProgress quiet;
        const Result<LibraryCompactor::Sizes> outcome = compact(library, quiet);
        // On a loaded machine the writer may still hold the library all the
        // busy timeout long; "in use" is then the right answer, and a user
        // tries again.
        if (outcome.code() == ErrorCode::InUse)
            continue;
        ASSERT_TRUE(outcome.ok()) << outcome.message().toStdString();
        EXPECT_EQ(LibraryCompactor::CompletionNotice(*outcome).icon, NoticeIcon::Information);
        // Between tries the writer may fill the freed pages again, so only a
        // first try is sure to find them.
        if (round == 0) {
            EXPECT_GT(outcome->recovered(), 0) << outcome->OldSize << " " << outcome->NewSize;
        }
        ++compacted;
        // The same connection goes on committing after the compaction.
        ASSERT_TRUE(writer.waitForCommits(static_cast<int>(writer.committed().size()) + 5))
            << "the writer stopped committing after the compaction";
    }
    EXPECT_GE(compacted, 1) << "no compaction got the library from the writer";
    const QList<int> committed = writer.stop();
    EXPECT_EQ(writer.exitCode(), 0);

    const QStringList stored = titles(library);
    for (int i : committed)
        EXPECT_TRUE(stored.contains(WriterProcess::title(i))) << "commit " << i << " was reported but is gone";
    for (int i = 0; i < 24; i += 2)
        EXPECT_TRUE(stored.contains(QStringLiteral("kept %1").arg(i)));
    EXPECT_TRUE(verified(library));
    EXPECT_FALSE(QFileInfo::exists(program.path(QStringLiteral("CMPCT.TMP"))));
}

TEST_F(CompactionTest, ALibraryFromTheTemplateGivesItsFreePagesBackInPlaceWithoutACopy)
{
    const QString library = makeLibrary(QStringLiteral("new.ZNT"), 8, 5);
    const qint64 freePages = rawCount(library, "PRAGMA freelist_count");
    ASSERT_GE(freePages, 20);
    struct stat was {};
    ASSERT_EQ(::stat(QFile::encodeName(library).constData(), &was), 0);
    WatchingProgress progress(program.path(QStringLiteral("CMPCT.TMP")));
    const Result<LibraryCompactor::Sizes> outcome = compact(library, progress);
    ASSERT_TRUE(outcome.ok()) << outcome.message().toStdString();
    EXPECT_FALSE(progress.seen) << "a compacted copy was written";
    // The figure is what the disk got back.
    EXPECT_EQ(outcome->recovered(), freePages * 65536);
    EXPECT_EQ(outcome->NewSize, QFileInfo(library).size());
    EXPECT_EQ(rawCount(library, "PRAGMA freelist_count"), 0);
    struct stat now {};
    ASSERT_EQ(::stat(QFile::encodeName(library).constData(), &now), 0);
    EXPECT_EQ(now.st_ino, was.st_ino);
    EXPECT_EQ(titles(library).size(), 4);
    EXPECT_TRUE(verified(library));
}

TEST_F(CompactionTest, AnOlderLibraryIsRewrittenByItsFirstCompactionAndInPlaceFromThenOn)
{
    const QString library = makeLibrary(QStringLiteral("older.ZNT"), 8, 5, true);
    ASSERT_EQ(rawCount(library, "PRAGMA auto_vacuum"), 0);
    WatchingProgress first(program.path(QStringLiteral("CMPCT.TMP")));
    Result<LibraryCompactor::Sizes> outcome = compact(library, first);
    ASSERT_TRUE(outcome.ok()) << outcome.message().toStdString();
    EXPECT_TRUE(first.seen);
    EXPECT_GT(outcome->recovered(), 0);
    EXPECT_EQ(rawCount(library, "PRAGMA auto_vacuum"), 2);
    EXPECT_EQ(titles(library).size(), 4);
    EXPECT_TRUE(verified(library));

    {
        Result<std::shared_ptr<Database>> db = Database::open(library);
        ASSERT_TRUE(db.ok()) << db.message().toStdString();
        EXPECT_TRUE((*db)->deleteRecord(1).ok());
        (*db)->close();
    }
    const qint64 freePages = rawCount(library, "PRAGMA freelist_count");
    ASSERT_GE(freePages, 5);
    WatchingProgress second(program.path(QStringLiteral("CMPCT.TMP")));
    outcome = compact(library, second);
    ASSERT_TRUE(outcome.ok()) << outcome.message().toStdString();
    EXPECT_FALSE(second.seen);
    EXPECT_EQ(outcome->recovered(), freePages * 65536);
    EXPECT_EQ(titles(library).size(), 3);
    EXPECT_TRUE(verified(library));
}

TEST_F(CompactionTest, ALibraryAnotherProgramIsSavingToIsRefusedAsInUse)
{
    const QString library = makeLibrary(QStringLiteral("busy.ZNT"), 4, 2);
    Result<std::shared_ptr<Database>> other = Database::open(library, {.exclusive = true, .readOnly = false, .busyTimeoutMs = 100});
    ASSERT_TRUE(other.ok());
    const qint64 before = QFileInfo(library).size();
    NullProgress quiet;
    const Result<LibraryCompactor::Sizes> outcome = compact(library, quiet);
    EXPECT_EQ(outcome.code(), ErrorCode::InUse) << outcome.message().toStdString();
    EXPECT_TRUE(LibraryCompactor::FailureNotice(outcome.status()).text.startsWith(QStringLiteral("ERROR Compacting Library\r\n\r\n")));
    EXPECT_TRUE(LibraryCompactor::FailureNotice(outcome.status()).text.contains(QStringLiteral("in use")));
    // The holder keeps its library, file and all.
    EXPECT_EQ(QFileInfo(library).size(), before);
    EXPECT_EQ(*(*other)->countMain(), 2);
    EXPECT_FALSE(QFileInfo::exists(program.path(QStringLiteral("CMPCT.TMP"))));
}

TEST_F(CompactionTest, TheTemporaryFileHasTheLibrarysPermissionBits)
{
    for (const mode_t mode : {mode_t(0600), mode_t(0640)}) {
        // Only the compaction that rewrites a library writes the file.
        const QString library = makeLibrary(QStringLiteral("private%1.ZNT").arg(mode), 6, 4, true);
        ASSERT_EQ(::chmod(QFile::encodeName(library).constData(), mode), 0);
        WatchingProgress progress(program.path(QStringLiteral("CMPCT.TMP")));
        const Result<LibraryCompactor::Sizes> outcome = compact(library, progress);
        ASSERT_TRUE(outcome.ok()) << outcome.message().toStdString();
        ASSERT_TRUE(progress.seen) << "CMPCT.TMP was never seen";
        EXPECT_EQ(progress.mode, mode);
        struct stat after {};
        ASSERT_EQ(::stat(QFile::encodeName(library).constData(), &after), 0);
        EXPECT_EQ(after.st_mode & 0777, mode);
    }
}

TEST_F(CompactionTest, ALeftOverTemporaryFileAndItsJournalAreRemovedFirst)
{
    const QString library = makeLibrary(QStringLiteral("again.ZNT"), 6, 4);
    const QString temp = program.path(QStringLiteral("CMPCT.TMP"));
    for (const QString& leftOver : {temp, temp + QStringLiteral("-journal")}) {
        QFile f(leftOver);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(70000, 'x'));
    }
    NullProgress quiet;
    const Result<LibraryCompactor::Sizes> outcome = compact(library, quiet);
    ASSERT_TRUE(outcome.ok()) << outcome.message().toStdString();
    EXPECT_GT(outcome->recovered(), 0);
    EXPECT_FALSE(QFileInfo::exists(temp));
    EXPECT_FALSE(QFileInfo::exists(temp + QStringLiteral("-journal")));
    EXPECT_TRUE(verified(library));
}

TEST_F(CompactionTest, ATemporaryFileHeldByARunningCompactionIsLeftToIt)
{
    const QString library = makeLibrary(QStringLiteral("second.ZNT"), 6, 4);
    // What a compaction in progress elsewhere holds.
    const QString temp = program.path(QStringLiteral("CMPCT.TMP"));
    const int held = ::open(QFile::encodeName(temp).constData(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::write(held, "in progress", 11), 11);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    NullProgress quiet;
    const Result<LibraryCompactor::Sizes> outcome = compact(library, quiet);
    EXPECT_TRUE(outcome.ok()) << outcome.message().toStdString();
    EXPECT_GT(outcome->recovered(), 0);
    EXPECT_EQ(QFileInfo(temp).size(), 11);
    ::close(held);
    EXPECT_FALSE(QFileInfo::exists(program.path(QStringLiteral("CMPCT-1.TMP"))));
}

TEST_F(CompactionTest, CompactionsOfTwoLibrariesFromOneProgramFolderRunAtOnce)
{
    const QString libraries[2] = {makeLibrary(QStringLiteral("one.ZNT"), 12, 6), makeLibrary(QStringLiteral("two.ZNT"), 12, 6)};
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = ::fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            int failures = 0;
            for (int round = 0; round < 8; ++round) {
                NullProgress quiet;
                if (!compact(libraries[c], quiet).ok())
                    ++failures;
            }
            _exit(failures);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0) << "compactions failed";
    }
    for (const QString& library : libraries) {
        EXPECT_TRUE(verified(library));
        EXPECT_EQ(titles(library).size(), 6);
    }
    EXPECT_FALSE(QFileInfo::exists(program.path(QStringLiteral("CMPCT.TMP"))));
    EXPECT_FALSE(QFileInfo::exists(program.path(QStringLiteral("CMPCT-1.TMP"))));
}
