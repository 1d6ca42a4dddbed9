#include "TransferTestSupport.h"

#include "transfer/FileExtractor.h"
#include "transfer/FileInserter.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace zentaro;
using namespace zentaro::test;

// A disk that takes no more: the message names the file and the cause,
// not "Unknown error", and no part of the file is left.
TEST(ExtractionWriteFailureTest, AFileTooLargeForTheDiskIsNamedAsTheCause)
{
    TempLibrary lib;
    const QString source = lib.file(QStringLiteral("big.bin"));
    ASSERT_TRUE(writeBytes(source, patternBytes(600000)));
    lib.state.CurrentFilePath = source;
    FileInserter inserter(lib.settings(), lib.db);
    NullProgress quiet;
    Result<qint64> stored = inserter.InsertData(lib.state.CurrentFilePath, {}, quiet);
    ASSERT_TRUE(stored.ok());
    const MainRecord record = *lib.db->loadRecord(*stored);
    lib.db->close();
    const QString out = lib.folder.path(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(out));
    const QString target = out + QStringLiteral("/big.BIN");

    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        Result<std::shared_ptr<Database>> db = Database::open(lib.state.CurrentLibraryPath);
        if (!db)
            _exit(2);
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{100000, 100000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        lib.state.CurrentFilePath = target;
        FileExtractor extractor(lib.settings(), *db, [](const QString&) { return std::optional<qint64>(); });
        FakeProgressHost host;
        const Outcome outcome = extractor.ExtractFile(record, lib.state.CurrentFilePath, host).outcome();
        const QByteArray text = (outcome.notice ? outcome.notice->text : QStringLiteral("no notice")).toUtf8();
        ssize_t ignored = ::write(pipeFds[1], text.constData(), text.size());
        (void)ignored;
        _exit(outcome.ok() ? 1 : 0);
    }
    ::close(pipeFds[1]);
    QByteArray text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, n);
    ::close(pipeFds[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << text.toStdString();
    EXPECT_TRUE(text.contains("too large")) << text.toStdString();
    EXPECT_FALSE(text.contains("Unknown error")) << text.toStdString();
    EXPECT_TRUE(text.contains(target.toUtf8())) << text.toStdString();
    EXPECT_TRUE(QDir(out).entryList(QDir::Files | QDir::Hidden).isEmpty());
}
