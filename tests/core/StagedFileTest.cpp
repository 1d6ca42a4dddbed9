#include "core/BackgroundWriter.h"
#include "core/FileWriter.h"
#include "core/StagedFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>

using namespace zentaro;

namespace {

QStringList entries(const QString& folder)
{
    QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    names.sort();
    return names;
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int writeText(StagedFile& file, const QByteArray& text)
{
    return FileWriter::writeAll(file.handle(), text.constData(), text.size());
}

} // namespace

TEST(StagedFileTest, TheTargetAppearsOnlyAtCommitAndNothingIsLeftOtherwise)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("a.txt"));
    {
        StagedFile file(target);
        ASSERT_EQ(file.open(), 0);
        ASSERT_EQ(writeText(file, "bytes"), 0);
        // Written, but without the name yet.
        EXPECT_FALSE(QFile::exists(target));
        EXPECT_EQ(file.commit(true), 0);
    }
    EXPECT_EQ(entries(dir.path()), QStringList{QStringLiteral("a.txt")});
    EXPECT_EQ(contents(target), "bytes");

    // Abandoned by hand, or by going out of scope: the old target stays as it was.
    {
        StagedFile file(target);
        ASSERT_EQ(file.open(), 0);
        ASSERT_EQ(writeText(file, "new"), 0);
        file.abandon();
        StagedFile dropped(target);
        ASSERT_EQ(dropped.open(), 0);
        ASSERT_EQ(writeText(dropped, "newer"), 0);
    }
    EXPECT_EQ(entries(dir.path()), QStringList{QStringLiteral("a.txt")});
    EXPECT_EQ(contents(target), "bytes");

    // Committed over it, the file is replaced whole.
    StagedFile again(target);
    ASSERT_EQ(again.open(), 0);
    ASSERT_EQ(writeText(again, "replaced"), 0);
    EXPECT_EQ(again.commit(false), 0);
    EXPECT_EQ(contents(target), "replaced");
}

TEST(StagedFileTest, AFailedSyncOrAMissingFolderLeavesNoFileAndGivesTheCause)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("b.txt"));
    StagedFile file(target);
    ASSERT_EQ(file.open(), 0);
    ASSERT_EQ(writeText(file, "bytes"), 0);
    FileWriter::setFault({FileWriter::Operation::Sync, 1, EIO, false});
    EXPECT_EQ(file.commit(true), EIO);
    FileWriter::clearFault();
    EXPECT_TRUE(entries(dir.path()).isEmpty());

    StagedFile nowhere(dir.filePath(QStringLiteral("gone/c.txt")));
    EXPECT_EQ(nowhere.open(), ENOENT);
    EXPECT_EQ(nowhere.commit(false), EBADF);
}

TEST(StagedFileTest, ATargetNameOfTheLongestLengthStillHasRoomForItsStagingName)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QString(255, QLatin1Char('n')));
    StagedFile file(target);
    ASSERT_EQ(file.open(), 0);
    ASSERT_EQ(writeText(file, "x"), 0);
    EXPECT_EQ(file.commit(false), 0);
    EXPECT_EQ(contents(target), "x");
}

TEST(BackgroundWriterTest, FilesComeOutInOrderAndNothingIsWrittenAfterAFailure)
{
    QTemporaryDir dir;
    auto path = [&](int i) { return dir.filePath(QStringLiteral("f%1").arg(i)); };
    {
        BackgroundWriter writer;
        for (int i = 0; i < 50; ++i)
            ASSERT_TRUE(writer.write(path(i), QByteArray::number(i)));
        writer.wait();
        EXPECT_FALSE(writer.failure().has_value());
        const QStringList written = writer.takeWritten();
        ASSERT_EQ(written.size(), 50);
        for (int i = 0; i < 50; ++i) {
            EXPECT_EQ(written[i], path(i));
            EXPECT_EQ(contents(path(i)), QByteArray::number(i));
        }
        EXPECT_TRUE(writer.takeWritten().isEmpty());
    }
    QDir(dir.path()).removeRecursively();
    QDir().mkpath(dir.path());

    // The third write meets a full disk. Two files are made at once, so the
    // third write may be the second, third or fourth file's; whichever it
    // is, every file before it has its name and none after it does.
    FileWriter::setFault({FileWriter::Operation::Write, 3, ENOSPC, false});
    {
        BackgroundWriter writer;
        for (int i = 0; i < 8; ++i)
            writer.write(path(i), QByteArray::number(i));
        writer.wait();
        FileWriter::clearFault();
        ASSERT_TRUE(writer.failure().has_value());
        EXPECT_EQ(writer.failure()->error, ENOSPC);
        int failed = -1;
        for (int i = 0; i < 8; ++i) {
            if (writer.failure()->path == path(i))
                failed = i;
        }
        ASSERT_GE(failed, 1);
        ASSERT_LE(failed, 3);
        QStringList before, names;
        for (int i = 0; i < failed; ++i) {
            before << path(i);
            names << QStringLiteral("f%1").arg(i);
        }
        EXPECT_EQ(writer.takeWritten(), before);
        EXPECT_FALSE(writer.write(path(9), "late"));
        writer.wait();
        EXPECT_EQ(entries(dir.path()), names);
    }
}

// More bytes than the writer holds at once: write() waits instead of
// growing the queue, and everything still comes out.
TEST(BackgroundWriterTest, MoreThanTheQueueHoldsIsWrittenWhole)
{
    QTemporaryDir dir;
    const QByteArray big(BackgroundWriter::kMaxQueuedBytes / 4 + 1, 'z');
    {
        BackgroundWriter writer;
        for (int i = 0; i < 12; ++i)
            ASSERT_TRUE(writer.write(dir.filePath(QStringLiteral("big%1").arg(i)), big));
    }
    const QStringList names = entries(dir.path());
    ASSERT_EQ(names.size(), 12);
    for (const QString& name : names)
        EXPECT_EQ(QFileInfo(dir.filePath(name)).size(), big.size());
}
