#include "ui/main/MainLayout.h"

#include <gtest/gtest.h>

using namespace zentaro;
using Pane = MainLayout::Pane;

TEST(MainLayout, WindowStartsCentredOrAtTheTopOnANarrowScreen)
{
    EXPECT_EQ(MainLayout::WindowPosition(9600, 7200), (MainLayout::Point{0, 0}));
    EXPECT_EQ(MainLayout::WindowPosition(9000, 7200), (MainLayout::Point{-300, 0}));
    // 1024 x 768 at 96 dpi: 15360 x 11520 twips.
    EXPECT_EQ(MainLayout::WindowPosition(15360, 11520), (MainLayout::Point{2880, 2377}));
    // Whole parts of the halves.
    EXPECT_EQ(MainLayout::WindowPosition(9601, 6766), (MainLayout::Point{0, 0}));
    EXPECT_EQ(MainLayout::WindowPosition(9603, 6768), (MainLayout::Point{1, 1}));
}

TEST(MainLayout, LayoutModesSetOnePane)
{
    EXPECT_EQ(MainLayout::ListOnly(9480), (MainLayout::PaneSize{Pane::List, 9380}));
    EXPECT_EQ(MainLayout::RecordOnly(9480), (MainLayout::PaneSize{Pane::Record, 9380}));
    EXPECT_EQ(MainLayout::CenterSplit(9480), (MainLayout::PaneSize{Pane::Record, 4740}));
    EXPECT_EQ(MainLayout::CenterSplit(9481), (MainLayout::PaneSize{Pane::Record, 4740}));
}

TEST(MainLayout, RestoredPaneIsTheLargerSavedOne)
{
    EXPECT_EQ(MainLayout::RestoredPane(0, 7833.6), (MainLayout::PaneSize{Pane::Record, 7833.6}));
    EXPECT_EQ(MainLayout::RestoredPane(6000, 3000), (MainLayout::PaneSize{Pane::List, 6000}));
    EXPECT_EQ(MainLayout::RestoredPane(3000, 3000), (MainLayout::PaneSize{Pane::Record, 3000}));
}

TEST(MainLayout, ClampedPaneKeepsBothPanesVisible)
{
    // The default first start: 0.51 of a wide screen is wider than the window.
    EXPECT_EQ(MainLayout::ClampedPane({Pane::Record, 19584}, 9480), (MainLayout::PaneSize{Pane::Record, 4834}));
    EXPECT_EQ(MainLayout::ClampedPane({Pane::Record, 9480}, 9480), (MainLayout::PaneSize{Pane::Record, 4834}));
    EXPECT_EQ(MainLayout::ClampedPane({Pane::List, 12000}, 9480), (MainLayout::PaneSize{Pane::Record, 4834}));
    EXPECT_EQ(MainLayout::ClampedPane({Pane::Record, 0}, 9480), (MainLayout::PaneSize{Pane::Record, 4834}));
    // Sizes that fit are kept as they are.
    EXPECT_EQ(MainLayout::ClampedPane({Pane::Record, 9479}, 9480), (MainLayout::PaneSize{Pane::Record, 9479}));
    EXPECT_EQ(MainLayout::ClampedPane({Pane::List, 3000}, 9480), (MainLayout::PaneSize{Pane::List, 3000}));
}

TEST(MainLayout, SplitPixelsGivesTheRestToTheOtherPaneAndClamps)
{
    EXPECT_EQ(MainLayout::SplitPixels(Pane::List, 600, 627), (MainLayout::PanePixels{600, 27}));
    EXPECT_EQ(MainLayout::SplitPixels(Pane::Record, 300, 627), (MainLayout::PanePixels{327, 300}));
    // A saved pane wider than the window takes all of it, never more.
    EXPECT_EQ(MainLayout::SplitPixels(Pane::Record, 900, 627), (MainLayout::PanePixels{0, 627}));
    EXPECT_EQ(MainLayout::SplitPixels(Pane::List, -5, 627), (MainLayout::PanePixels{0, 627}));
    EXPECT_EQ(MainLayout::SplitPixels(Pane::List, 10, -4), (MainLayout::PanePixels{0, 0}));
}

TEST(MainLayout, ListPaneStacksGridCellPanelAndCount)
{
    const double g = 100;
    const MainLayout::ListPane l = MainLayout::ListPanelLayout(3990, 5460, g, {});
    EXPECT_EQ(l.grid, (TwipsRect{100, 100, 3790, 5460 - (255 + 200 + 255)}));
    EXPECT_EQ(l.cellPanel, (TwipsRect{100, 5460 - (255 + 100 + 255), 3790, 255}));
    EXPECT_EQ(l.recordCount, (TwipsRect{100, 5460 - (255 + 100), 3790, 255}));
    // The cell panel ends where the count begins, the grid where the cell panel begins.
    EXPECT_EQ(l.grid.top + l.grid.height, l.cellPanel.top);
    EXPECT_EQ(l.cellPanel.top + l.cellPanel.height, l.recordCount.top);

    // Too low for the grid, or too narrow: the sizes stay as they were.
    const MainLayout::ListPane low = MainLayout::ListPanelLayout(3000, 150, g, l);
    EXPECT_EQ(low.grid.height, l.grid.height);
    EXPECT_EQ(low.recordCount.top, l.recordCount.top);
    EXPECT_EQ(low.grid.width, 2800);
    const MainLayout::ListPane narrow = MainLayout::ListPanelLayout(200, 5000, g, l);
    EXPECT_EQ(narrow.grid.width, l.grid.width);
    EXPECT_EQ(narrow.grid.height, 5000 - 710);
}

TEST(MainLayout, RecordPaneStretchesFieldsAndTabAndKeepsSizesThatWouldVanish)
{
    const double g = 100;
    const MainLayout::RecordPane design = MainLayout::DesignRecordPane(g);
    const MainLayout::RecordPane p = MainLayout::MainPanelLayout(5340, 5460, g, design);
    EXPECT_EQ(p.titleBox.width, 5340 - 600 - 100);
    EXPECT_EQ(p.authorBox.width, 5340 - 870 - 100);
    EXPECT_EQ(p.keywordsBox.width, 5340 - 960 - 100);
    EXPECT_EQ(p.titleBox.left, 600);
    EXPECT_EQ(p.detailTab.height, 5460 - 1440 - 100);
    EXPECT_EQ(p.detailTab.width, 5340 - 200);
    EXPECT_EQ(p.notesBox.height, p.detailTab.height - (720 + 100));
    EXPECT_EQ(p.notesBox.width, p.detailTab.width - (2160 + 100));

    // A pane narrower than the keywords box's left edge leaves the three widths.
    const MainLayout::RecordPane thin = MainLayout::MainPanelLayout(1000, 5460, g, p);
    EXPECT_EQ(thin.titleBox.width, p.titleBox.width);
    EXPECT_EQ(thin.detailTab.width, 800);
    EXPECT_EQ(thin.notesBox.width, p.notesBox.width);
    // So does a pane too low for the tab control.
    const MainLayout::RecordPane low = MainLayout::MainPanelLayout(5340, 1500, g, p);
    EXPECT_EQ(low.detailTab.height, p.detailTab.height);
}

TEST(MainLayout, PreviewAreaFillsThePageAndAudioPlayerIs1200High)
{
    using Area = MainLayout::PreviewArea;
    const Area audio = MainLayout::PreviewPlacement(5140, 3920, 345, 100, true, Area{});
    EXPECT_EQ(audio.imagebox, (TwipsRect{100, 445, 4940, 3375}));
    EXPECT_EQ(audio.player, (TwipsRect{100, 445, 4940, 1200}));
    EXPECT_EQ(audio.nonOlePanel, audio.imagebox);
    const Area video = MainLayout::PreviewPlacement(5140, 3920, 345, 100, false, Area{});
    EXPECT_EQ(video.player, video.imagebox);
    // A tab control too small keeps the last sizes.
    const Area tiny = MainLayout::PreviewPlacement(150, 500, 345, 100, false, audio);
    EXPECT_EQ(tiny.imagebox.width, 4940);
    EXPECT_EQ(tiny.imagebox.height, 3375);
    EXPECT_EQ(tiny.player.height, 3375);
}
