#include "preview/MatroskaLayout.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QIODevice>
#include <QTemporaryDir>

using namespace zentaro;

namespace {

const QString kSample = QStringLiteral(ZENTARO_TEST_SOURCE_DIR "/tests/data/sample.webm");

// An element with a one-byte size.
QByteArray element(const char* idHex, const QByteArray& data)
{
    return QByteArray::fromHex(idHex) + char(0x80 | data.size()) + data;
}

QByteArray simpleBlock(qint16 time)
{
    return element("a3", QByteArray("\x81", 1) + char(time >> 8) + char(time & 0xff) + QByteArray("\x80pic", 4));
}

} // namespace

TEST(MatroskaLayout, CutsAtTheClusterHoldingATime)
{
    const std::optional<MatroskaLayout> layout = MatroskaLayout::read(kSample);
    ASSERT_TRUE(layout);
    // Two seconds in clusters of half a second.
    EXPECT_EQ(layout->length(), 2000);
    EXPECT_EQ(layout->cutTime(0), 0);
    EXPECT_EQ(layout->cutTime(499), 0);
    EXPECT_EQ(layout->cutTime(1532), 1500);
    EXPECT_EQ(layout->cutTime(60000), 1500);

    QFile file(kSample);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray whole = file.readAll();
    const qsizetype lastCluster = whole.lastIndexOf(QByteArray::fromHex("1f43b675"));
    std::unique_ptr<QIODevice> cut = layout->cutAt(1532);
    ASSERT_TRUE(cut->open(QIODevice::ReadOnly));
    const QByteArray bytes = cut->readAll();
    EXPECT_EQ(cut->size(), bytes.size());
    // The header, a segment of open size, and the last cluster to the end.
    EXPECT_TRUE(bytes.startsWith(whole.left(whole.indexOf(QByteArray::fromHex("18538067")))));
    EXPECT_TRUE(bytes.contains(QByteArray::fromHex("1853806701ffffffffffffff")));
    EXPECT_TRUE(bytes.endsWith(whole.mid(lastCluster)));
    EXPECT_EQ(bytes.count(QByteArray::fromHex("1f43b675")), 1);
    ASSERT_TRUE(cut->seek(3));
    EXPECT_EQ(cut->read(4), bytes.mid(3, 4));
}

TEST(MatroskaLayout, LengthOfARecordingThatStatesNoneIsUpToItsLastFrame)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rec.webm"));
    const QByteArray header = element("1a45dfa3", element("4282", "webm"));
    // Half-millisecond units; the last cluster written as it went, of unknown size.
    const QByteArray info = element("1549a966", element("2ad7b1", QByteArray::fromHex("07a120")));
    const QByteArray first = element("1f43b675", element("e7", QByteArray(1, '\0')) + simpleBlock(0));
    const QByteArray open = QByteArray::fromHex("1f43b67501ffffffffffffff") + element("e7", QByteArray::fromHex("07d0")) +
                            simpleBlock(0) + simpleBlock(800);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(header + QByteArray::fromHex("1853806701ffffffffffffff") + info + first + open);
    file.close();
    const std::optional<MatroskaLayout> layout = MatroskaLayout::read(path);
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->length(), 1400);
    EXPECT_EQ(layout->cutTime(1200), 1000);
    EXPECT_EQ(layout->cutTime(999), 0);

    for (const QByteArray& other : {QByteArray("RIFF\x24\0\0\0WAVEfmt ", 16), QByteArray(), header}) {
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(other);
        file.close();
        EXPECT_FALSE(MatroskaLayout::read(path)) << other.toHex().toStdString();
    }
    EXPECT_FALSE(MatroskaLayout::read(dir.filePath(QStringLiteral("missing.webm"))));
}
