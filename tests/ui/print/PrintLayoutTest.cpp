#include "ui/QtPrinters.h"

#include "ui/print/PrintLayout.h"

#include <gtest/gtest.h>

using namespace zentaro;

TEST(PrintLayout, ColumnsShareThePrintableWidthInProportionToTheGrid)
{
    const std::vector<double> grid = {2000, 2000, 1000, 1000, 1000, 1000, 1000, 1000, 1000, 4000};
    EXPECT_EQ(PrintLayout::ColumnLeft(grid, 3, 10000), (std::vector<double>{0, 4000, 8000, 10000}));
    EXPECT_EQ(PrintLayout::ColumnLeft(grid, 1, 9000), (std::vector<double>{0, 9000}));
    // All ten: T = 15000.
    const std::vector<double> all = PrintLayout::ColumnLeft(grid, 10, 15000);
    ASSERT_EQ(all.size(), 11u);
    EXPECT_DOUBLE_EQ(all[2], 4000);
    EXPECT_DOUBLE_EQ(all[9], 11000);
    EXPECT_DOUBLE_EQ(all[10], 15000);
}

TEST(PrintLayout, ColumnLeftCopesWithZeroWidthsAndTooManyColumns)
{
    // Columns without width share the page instead of dividing by zero.
    EXPECT_EQ(PrintLayout::ColumnLeft({0, 0, 0, 0}, 4, 8000), (std::vector<double>{0, 2000, 4000, 6000, 8000}));
    EXPECT_EQ(PrintLayout::ColumnLeft({1000, 3000}, 9, 8000), (std::vector<double>{0, 2000, 8000}));
    EXPECT_EQ(PrintLayout::ColumnLeft({1000}, 0, 8000), (std::vector<double>{8000}));
}

TEST(PrintLayout, EveryCellButTheLastKeepsAGapBeforeTheNextColumn)
{
    EXPECT_EQ(PrintLayout::CellWidths({0, 4000, 8000, 10000}, 90), (std::vector<double>{3910, 3910, 2000}));
    // A column narrower than the gap has no room at all.
    EXPECT_EQ(PrintLayout::CellWidths({0, 50, 8000}, 90), (std::vector<double>{0, 7950}));
    EXPECT_EQ(PrintLayout::CellWidths({8000}, 90), (std::vector<double>{}));
}

TEST(PrintLayout, CopiesAreTheRoundedLeadingNumberOfTheText)
{
    EXPECT_EQ(PrintLayout::CopiesFromText(QStringLiteral("1")), 1);
    EXPECT_EQ(PrintLayout::CopiesFromText(QStringLiteral("2.6")), 3);
    EXPECT_EQ(PrintLayout::CopiesFromText(QStringLiteral("2.4")), 2);
    EXPECT_EQ(PrintLayout::CopiesFromText(QStringLiteral("  3 copies")), 3);
    EXPECT_EQ(PrintLayout::CopiesFromText(QStringLiteral("0")), 0);
    EXPECT_EQ(PrintLayout::CopiesFromText(QStringLiteral("abc")), 0);
    EXPECT_EQ(PrintLayout::CopiesFromText(QString()), 0);
    EXPECT_EQ(PrintLayout::CopiesFromText(QStringLiteral("-2")), 0);
    EXPECT_EQ(PrintLayout::CopiesFromText(QStringLiteral("99999999999")), 32767);
}

TEST(PrintLayout, ProgressTitleAndCopyFileNames)
{
    EXPECT_EQ(PrintLayout::ProgressTitle(1, 2), QStringLiteral("Copy: 1   Page: 2"));
    EXPECT_EQ(PrintLayout::ProgressTitle(12, 130), QStringLiteral("Copy: 12   Page: 130"));
    EXPECT_EQ(PrintLayout::CopyFileName(QStringLiteral("/a/b/List.pdf"), 1), QStringLiteral("/a/b/List.pdf"));
    EXPECT_EQ(PrintLayout::CopyFileName(QStringLiteral("/a/b/List.pdf"), 2), QStringLiteral("/a/b/List (2).pdf"));
    EXPECT_EQ(PrintLayout::CopyFileName(QStringLiteral("/a/b.c/List"), 3), QStringLiteral("/a/b.c/List (3)"));
}

TEST(PrintLayout, RowsBreakOntoNewPagesWithTheHeaderOnlyOnTheFirst)
{
    PrintLayout::Pages pages{1000, 250, 100};
    EXPECT_EQ(pages.rowsOnFirstPage(), 7);
    EXPECT_EQ(pages.rowsPerPage(), 10);
    EXPECT_EQ(pages.pageOfRow(0), 1);
    EXPECT_DOUBLE_EQ(pages.rowTop(0), 250);
    EXPECT_EQ(pages.pageOfRow(6), 1);
    EXPECT_DOUBLE_EQ(pages.rowTop(6), 850);
    EXPECT_EQ(pages.pageOfRow(7), 2);
    EXPECT_DOUBLE_EQ(pages.rowTop(7), 0);
    EXPECT_EQ(pages.pageOfRow(16), 2);
    EXPECT_DOUBLE_EQ(pages.rowTop(16), 900);
    EXPECT_EQ(pages.pageOfRow(17), 3);

    // A header that leaves no room sends the first row to page 2.
    PrintLayout::Pages full{1000, 950, 100};
    EXPECT_EQ(full.pageOfRow(0), 2);
    EXPECT_DOUBLE_EQ(full.rowTop(0), 0);
}
