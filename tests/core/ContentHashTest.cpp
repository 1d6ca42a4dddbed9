#include "core/BackgroundHash.h"
#include "core/ContentHash.h"

#include <gtest/gtest.h>

#include <vector>

using namespace zentaro;

TEST(ContentHash, IsBlake2b256)
{
    EXPECT_EQ(ContentHash::of("abc").toHex(), QByteArray("bddd813c634239723171ef3fee98579b94964e3bb1cb3e427262c8c068d52319"));
    // Piece by piece gives the same as all at once, and finish starts afresh.
    ContentHash hash;
    hash.add("a", 1);
    hash.add("bc", 2);
    EXPECT_EQ(hash.finish(), ContentHash::of("abc"));
    EXPECT_EQ(hash.finish(), ContentHash::of(QByteArray()));
}

TEST(BackgroundHash, HashesPiecesInOrderFromTwoAlternatingBuffers)
{
    QByteArray all;
    for (int i = 0; i < 200; ++i)
        all.append(QByteArray(1000 + i, static_cast<char>(i)));
    for (const bool threaded : {true, false}) {
        BackgroundHash hash(threaded);
        std::vector<char> buffers[2] = {std::vector<char>(2000), std::vector<char>(2000)};
        qsizetype at = 0;
        for (int i = 0; i < 200; ++i) {
            // As the inserter does: the buffer is refilled only after the other one was handed over.
            std::vector<char>& buffer = buffers[i % 2];
            const int length = 1000 + i;
            std::copy(all.constData() + at, all.constData() + at + length, buffer.data());
            hash.add(buffer.data(), length);
            at += length;
        }
        EXPECT_EQ(hash.finish(), ContentHash::of(all)) << threaded;
    }
}

TEST(BackgroundHash, ASmallPieceMayBeOverwrittenOnceHandedOverAndLargeOnesMixIn)
{
    // Pieces of a few sizes around the batch, a small one's buffer refilled
    // at once as a reader with one buffer does.
    const std::vector<qint64> sizes = {64000, 64000, BackgroundHash::kBatchBytes - 1, 3, BackgroundHash::kBatchBytes,
                                       64000, 2 * BackgroundHash::kBatchBytes + 5, 1, 700000, 700000};
    QByteArray all;
    BackgroundHash hash;
    std::vector<char> small(static_cast<size_t>(BackgroundHash::kBatchBytes));
    std::vector<std::vector<char>> large;
    for (size_t i = 0; i < sizes.size(); ++i) {
        const QByteArray piece(sizes[i], static_cast<char>('a' + i));
        all += piece;
        if (sizes[i] < BackgroundHash::kBatchBytes) {
            std::copy(piece.begin(), piece.end(), small.begin());
            hash.add(small.data(), sizes[i]);
            std::fill(small.begin(), small.end(), '#');
        } else {
            large.emplace_back(piece.begin(), piece.end());
            hash.add(large.back().data(), sizes[i]);
        }
    }
    EXPECT_EQ(hash.finish(), ContentHash::of(all));
}
