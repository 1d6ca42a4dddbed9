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
