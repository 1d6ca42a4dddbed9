#include "transfer/WritebackPacer.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace zentaro;

namespace {

int openHandles()
{
    return static_cast<int>(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size());
}

// Whether another process can take a write lock on the whole file now.
bool lockableFromOutside(const QString& path)
{
    const pid_t child = ::fork();
    if (child == 0) {
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR);
        struct flock lock = {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        _exit(fd >= 0 && ::fcntl(fd, F_SETLK, &lock) == 0 ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

// The library's engine holds POSIX locks on its file; any close of a handle
// on that file would drop them. The pacer must find the engine's handle, not
// open one of its own.
TEST(WritebackPacer, KicksAnOpenFileWithoutDroppingItsLocks)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("held.ZNT"));
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    const QByteArray block(1 << 20, 'z');
    for (int i = 0; i < 20; ++i)
        ASSERT_EQ(::write(fd, block.constData(), block.size()), block.size());
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    ASSERT_EQ(::fcntl(fd, F_SETLK, &lock), 0);
    ASSERT_FALSE(lockableFromOutside(path));

    const int before = openHandles();
    {
        WritebackPacer pacer = WritebackPacer::forOpenFile(path);
        for (int i = 0; i < 20; ++i)
            pacer.wrote(block.size());
    }
    EXPECT_EQ(openHandles(), before);
    // Still ours: nothing closed a handle on the file.
    EXPECT_FALSE(lockableFromOutside(path));
    ::close(fd);
    EXPECT_TRUE(lockableFromOutside(path));
}

TEST(WritebackPacer, AFileNobodyHoldsIsLeftAlone)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("closed.bin"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    const int before = openHandles();
    WritebackPacer pacer = WritebackPacer::forOpenFile(path);
    pacer.wrote(qint64(64) << 20);
    EXPECT_EQ(openHandles(), before);
    WritebackPacer::forOpenFile(dir.filePath(QStringLiteral("missing"))).wrote(qint64(64) << 20);
}
