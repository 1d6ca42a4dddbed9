#include "core/FreeSpace.h"
#include "transfer/SameFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace zentaro;

TEST(FreeSpace, ExactlyAsManyBytesFitOneMoreDoesNot)
{
    EXPECT_TRUE(FreeSpace::Fits(1000, 1000));
    EXPECT_FALSE(FreeSpace::Fits(1001, 1000));
    EXPECT_TRUE(FreeSpace::Fits(0, 0));
    // Sizes beyond 32 bits compare as they are.
    EXPECT_FALSE(FreeSpace::Fits((qint64(1) << 33) + 1, qint64(1) << 33));
    // An unknown figure refuses nothing.
    EXPECT_TRUE(FreeSpace::Fits(qint64(1) << 40, std::nullopt));
}

TEST(FreeSpace, AFileNotWrittenYetIsMeasuredOnItsFolder)
{
    QTemporaryDir dir;
    const std::optional<qint64> folder = FreeSpace::SystemProbe(dir.path());
    ASSERT_TRUE(folder);
    EXPECT_GT(*folder, 0);
    const std::optional<qint64> missing = FreeSpace::SystemProbe(dir.filePath(QStringLiteral("a/b/new.txt")));
    ASSERT_TRUE(missing);
    // The same file system, give or take what others wrote meanwhile.
    EXPECT_LT(std::llabs(*missing - *folder), qint64(64) * 1024 * 1024);
    EXPECT_FALSE(FreeSpace::SystemProbe(QString()));
}

TEST(SameFile, SeesThroughLinksWithoutOpening)
{
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("a.ZNT"));
    QFile f(a);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    const QString hard = dir.filePath(QStringLiteral("hard"));
    ASSERT_EQ(::link(QFile::encodeName(a).constData(), QFile::encodeName(hard).constData()), 0);
    ASSERT_TRUE(QFile::link(a, dir.filePath(QStringLiteral("soft"))));
    EXPECT_TRUE(SameFile::Is(a, a));
    EXPECT_TRUE(SameFile::Is(dir.filePath(QStringLiteral("./a.ZNT")), a));
    EXPECT_TRUE(SameFile::Is(hard, a));
    EXPECT_TRUE(SameFile::Is(dir.filePath(QStringLiteral("soft")), a));
    EXPECT_FALSE(SameFile::Is(dir.filePath(QStringLiteral("missing")), a));
    EXPECT_FALSE(SameFile::Is(dir.path(), a));
}

TEST(FreeSpace, AgreesWithTheStoresFigure)
{
    QTemporaryDir dir;
    const std::optional<qint64> ours = FreeSpace::SystemProbe(dir.path());
    const std::optional<qint64> store = FreeSpace::SystemProbe(dir.path());
    ASSERT_TRUE(ours && store);
    EXPECT_LT(std::llabs(*ours - *store), qint64(64) * 1024 * 1024);
}
