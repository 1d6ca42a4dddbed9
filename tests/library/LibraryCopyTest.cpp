#include "core/ProgramState.h"
#include "core/Progress.h"
#include "store/Database.h"
#include "library/LibraryCopier.h"
#include "library/LibraryVerifier.h"
#include "store/LibraryFile.h"
#include "store/Recordset.h"
#include "store/WriterProcess.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>

using namespace zentaro;
using test::WriterProcess;

namespace {

class LibraryCopyTest : public ::testing::Test
{
protected:
    LibraryCopyTest() : state(program.folder())
    {
        state.TemplatePath = program.path(QStringLiteral("Struct10.qdb"));
        library = program.path(QStringLiteral("source.ZNT"));
        EXPECT_TRUE(Database::compactFile(test::templatePath(), library).ok());
    }

    void addRecords(int records, int pieces)
    {
        Result<std::shared_ptr<Database>> db = Database::open(library);
        ASSERT_TRUE(db.ok()) << db.message().toStdString();
        const QByteArray piece(64000, 's');
        ASSERT_TRUE((*db)->begin().ok());
        for (int i = 0; i < records; ++i) {
            MainRecord r;
            r.Title = QStringLiteral("source %1").arg(i);
            r.FileSize = qint64(pieces) * piece.size();
            const qint64 id = *(*db)->insertRecord(r);
            for (int k = 0; k < pieces; ++k)
                ASSERT_TRUE((*db)->appendChunk(id, piece.constData(), piece.size()).ok());
        }
        ASSERT_TRUE((*db)->commit().ok());
        (*db)->close();
    }

    Status copy(const QString& target)
    {
        NullProgress quiet;
        LibraryCopier copier(state.TemplatePath, [](const QString&) { return std::optional<qint64>(); });
        return copier.CopyLibrary(library, target, quiet);
    }

    // Titles of the records whose bytes are all there and right.
    static QStringList wholeTitles(const QString& path)
    {
        QStringList out;
        Result<std::shared_ptr<Database>> db = Database::open(path, {.exclusive = false, .readOnly = true, .busyTimeoutMs = 1000});
        EXPECT_TRUE(db.ok()) << db.message().toStdString();
        if (!db)
            return out;
        Result<std::unique_ptr<Recordset>> all = Recordset::open(*db, QStringLiteral("SELECT * FROM Main ORDER BY MainID"));
        EXPECT_TRUE(all.ok());
        for (int i = 0; all && i < (*all)->recordCount(); ++i) {
            Result<MainRecord> r = (*all)->recordAt(i);
            if (!r)
                continue;
            QByteArray expected;
            if (r->Title.startsWith(QLatin1Char('w')))
                expected = WriterProcess::bytes(r->Title.mid(1).toInt()).repeated(int(r->FileSize / 64000));
            else
                expected = QByteArray(r->FileSize, 's');
            QByteArray stored(r->FileSize, Qt::Uninitialized);
            Result<qint64> got = (*db)->readChunk(r->MainID, 0, r->FileSize, stored.data());
            if (got && *got == r->FileSize && stored == expected)
                out << r->Title;
        }
        return out;
    }

    static QStringList leftOvers(const QString& folder)
    {
        return QDir(folder).entryList({QStringLiteral("*.TMP*"), QStringLiteral("*-journal")}, QDir::Files);
    }

    test::ProgramFolder program;
    ProgramState state;
    QString library;
};

} // namespace

TEST_F(LibraryCopyTest, EveryCopyMadeWhileAnotherProgramWritesIsOneCommittedState)
{
    addRecords(40, 10);
    // Short pauses between the writer's commits let a reader in on a busy
    // machine; the copies still land between commits of 24 pieces each.
    WriterProcess writer(library, 24, 20000);
    ASSERT_TRUE(writer.started());
    ASSERT_TRUE(writer.waitForCommits(2));
    QStringList copies;
    for (int i = 0; i < 6; ++i) {
        const QString target = program.path(QStringLiteral("copy%1.ZNT").arg(i));
        const Status copied = copy(target);
        // A writer that holds the file past the busy timeout is a plain
        // refusal, never a torn copy.
        if (!copied.ok()) {
            EXPECT_EQ(copied.code(), ErrorCode::InUse) << copied.message().toStdString();
            EXPECT_FALSE(QFileInfo::exists(target));
            continue;
        }
        copies << target;
        writer.waitForCommits(static_cast<int>(writer.committed().size()) + 1);
    }
    ASSERT_GE(copies.size(), 2);
    const QList<int> committed = writer.stop();
    ASSERT_FALSE(committed.isEmpty());

    for (const QString& target : copies) {
        NullProgress quiet;
        Result<LibraryVerifier::Findings> report = LibraryVerifier::Verify(target, quiet);
        ASSERT_TRUE(report.ok()) << report.message().toStdString();
        EXPECT_TRUE(report->ok()) << target.toStdString() << ": " << report->Integrity.join(QStringLiteral("; ")).toStdString();
        // The writer's records in a committed state: whole, and the first
        // so many of those it was told were saved.
        const QStringList titles = wholeTitles(target);
        QStringList written;
        for (const QString& t : titles) {
            if (t.startsWith(QLatin1Char('w')))
                written << t;
        }
        for (int i = 0; i < 40; ++i)
            EXPECT_TRUE(titles.contains(QStringLiteral("source %1").arg(i))) << target.toStdString();
        ASSERT_LE(written.size(), committed.size()) << target.toStdString();
        for (int k = 0; k < written.size(); ++k)
            EXPECT_EQ(written[k], WriterProcess::title(committed[k])) << target.toStdString();
    }
    EXPECT_TRUE(leftOvers(program.folder()).isEmpty()) << leftOvers(program.folder()).join(QLatin1Char(' ')).toStdString();
}

TEST_F(LibraryCopyTest, AKilledCopyLeavesNoTargetAndTheNextOneSucceeds)
{
    addRecords(100, 10); // about 64 MB
    const QString target = program.path(QStringLiteral("killed.ZNT"));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        _exit(copy(target).ok() ? 0 : 1);
    // Killed as soon as anything of the copy shows.
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < end && !QFileInfo::exists(target) &&
           !QFileInfo::exists(target + QStringLiteral(".TMP")))
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the copy ended before it could be killed";
    EXPECT_FALSE(QFileInfo::exists(target));

    const Status again = copy(target);
    ASSERT_TRUE(again.ok()) << again.message().toStdString();
    EXPECT_EQ(wholeTitles(target).size(), 100);
    EXPECT_TRUE(leftOvers(program.folder()).isEmpty()) << leftOvers(program.folder()).join(QLatin1Char(' ')).toStdString();
}

TEST_F(LibraryCopyTest, AnOlderLibraryIsCopiedAsItIsWithoutAWriteToIt)
{
    ASSERT_TRUE(test::makeOldLibrary(library));
    QFile source(library);
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    const QByteArray before = source.readAll();
    source.close();
    const QString target = program.path(QStringLiteral("copy.ZNT"));
    const Status copied = copy(target);
    ASSERT_TRUE(copied.ok()) << copied.message().toStdString();
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    EXPECT_TRUE(source.readAll() == before);
    Result<std::shared_ptr<Database>> db = Database::open(target, {.readOnly = true});
    ASSERT_TRUE(db.ok()) << db.message().toStdString();
    EXPECT_EQ((*db)->schemaVersion(), LibraryFile::kSchemaVersion);
}

TEST_F(LibraryCopyTest, ACopyKeepsThePermissionBitsOfTheLibrary)
{
    addRecords(2, 1);
    int n = 0;
    for (const mode_t mode : {mode_t(0600), mode_t(0640), mode_t(0444)}) {
        ASSERT_EQ(::chmod(QFile::encodeName(library).constData(), mode), 0);
        const QString target = program.path(QStringLiteral("mode%1.ZNT").arg(n++));
        const Status copied = copy(target);
        ASSERT_TRUE(copied.ok()) << copied.message().toStdString();
        struct stat info {};
        ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, mode) << std::oct << mode;
    }
}

TEST_F(LibraryCopyTest, ATooLargeFileIsNamedAsTheCauseInCopyAndNew)
{
    addRecords(10, 4);
    // Run where files may not grow past 128 KiB, as on a full or small disk.
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{128 * 1024, 128 * 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        LibraryCopier copier(state.TemplatePath, [](const QString&) { return std::optional<qint64>(); });
        NullProgress quiet;
        const QByteArray copied = copier.CopyLibrary(library, program.path(QStringLiteral("big.ZNT")), quiet).message().toUtf8();
        // The template is smaller than the limit; a tighter one for it.
        limit = {1024, 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const QByteArray made = copier.CreateNewLibrary(program.path(QStringLiteral("new.ZNT"))).message().toUtf8();
        const QByteArray both = copied + '\n' + made;
        ssize_t ignored = ::write(pipeFds[1], both.constData(), both.size());
        (void)ignored;
        _exit(0);
    }
    ::close(pipeFds[1]);
    QByteArray text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, n);
    ::close(pipeFds[0]);
    ::waitpid(child, nullptr, 0);
    const QList<QByteArray> messages = text.split('\n');
    ASSERT_EQ(messages.size(), 2) << text.toStdString();
    for (const QByteArray& m : messages) {
        EXPECT_TRUE(m.contains("too large")) << m.toStdString();
        EXPECT_FALSE(m.contains("Unknown error")) << m.toStdString();
        EXPECT_FALSE(m.contains(".TMP")) << m.toStdString();
    }
    EXPECT_TRUE(messages[0].contains("big.ZNT")) << messages[0].toStdString();
    EXPECT_TRUE(messages[1].contains("new.ZNT")) << messages[1].toStdString();
    EXPECT_FALSE(QFileInfo::exists(program.path(QStringLiteral("big.ZNT"))));
    EXPECT_FALSE(QFileInfo::exists(program.path(QStringLiteral("new.ZNT"))));
    EXPECT_TRUE(leftOvers(program.folder()).isEmpty()) << leftOvers(program.folder()).join(QLatin1Char(' ')).toStdString();
}
