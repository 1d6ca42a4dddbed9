#include "core/CountText.h"

#include <gtest/gtest.h>

using namespace zentaro;

TEST(CountText, GroupsByThousandsAndNamesTheUnit)
{
    EXPECT_EQ(CountText::Of(1234, QStringLiteral("record"), QStringLiteral("records")), QStringLiteral("1,234 records"));
    EXPECT_EQ(CountText::Of(1, QStringLiteral("record"), QStringLiteral("records")), QStringLiteral("1 record"));
    EXPECT_EQ(CountText::Of(0, QStringLiteral("record"), QStringLiteral("records")), QStringLiteral("0 records"));
    EXPECT_EQ(CountText::Bytes(1), QStringLiteral("1 byte"));
    EXPECT_EQ(CountText::Bytes(999), QStringLiteral("999 bytes"));
    EXPECT_EQ(CountText::Bytes(1000), QStringLiteral("1.0 kB (1,000 bytes)"));
    EXPECT_EQ(CountText::Bytes(12345678), QStringLiteral("12.3 MB (12,345,678 bytes)"));
    // Rounding up to the next unit reads in that unit.
    EXPECT_EQ(CountText::Bytes(999960), QStringLiteral("1.0 MB (999,960 bytes)"));
    EXPECT_EQ(CountText::Bytes(5'000'000'000'000LL), QStringLiteral("5.0 TB (5,000,000,000,000 bytes)"));
}
