#pragma once

namespace zentaro {

// A control's place in twips, relative to its container.
struct TwipsRect
{
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;

    bool operator==(const TwipsRect&) const = default;
};

// The main window's layout arithmetic, in twips and free of widgets, so each
// rule can be checked on its own. A size that would come out zero or negative
// is not applied: the control keeps the size it had.
class MainLayout
{
public:
    // Normal window size, and the design sizes of the toolbar and its buttons.
    static constexpr double kWindowWidth = 9600;
    static constexpr double kWindowHeight = 6765;
    static constexpr double kToolBarHeight = 405;
    static constexpr double kToolButtonSize = 330;
    static constexpr double kToolButtonTop = 30;
    static constexpr double kStatusHeight = 255; // RecordCountLabel and CellPanel
    // Fixed places in the record pane (DetailTab and NotesBox are relative
    // to the tab control, the boxes to the pane).
    static constexpr double kTitleLeft = 600;
    static constexpr double kAuthorLeft = 870;
    static constexpr double kKeywordsLeft = 960;
    static constexpr double kTitleTop = 270;
    static constexpr double kAuthorTop = 660;
    static constexpr double kKeywordsTop = 1050;
    static constexpr double kFieldHeight = 285;
    static constexpr double kDetailTabTop = 1440;
    static constexpr double kNotesLeft = 2160;
    static constexpr double kNotesTop = 720;
    // The one-sided layout modes leave this much to the other pane.
    static constexpr double kModeMargin = 100;

    struct Point
    {
        double left = 0;
        double top = 0;
        bool operator==(const Point&) const = default;
    };

    // Where the window starts: centred across; centred down only on a
    // screen wider than the window, otherwise at the top.
    static Point WindowPosition(double screenWidth, double screenHeight);

    // The list pane: from the top a gap, the grid, the current-cell panel,
    // the record count and a gap.
    struct ListPane
    {
        TwipsRect grid;
        TwipsRect cellPanel;
        TwipsRect recordCount;
        bool operator==(const ListPane&) const = default;
    };
    static ListPane ListPanelLayout(double width, double height, double gap, const ListPane& current);

    // The record pane: the three boxes end a gap before the pane's right
    // edge; the tab control fills the rest, the notes box fills the tab
    // control to the right of the file facts.
    struct RecordPane
    {
        TwipsRect titleBox;
        TwipsRect authorBox;
        TwipsRect keywordsBox;
        TwipsRect detailTab;
        TwipsRect notesBox;
        bool operator==(const RecordPane&) const = default;
    };
    static RecordPane MainPanelLayout(double width, double height, double gap, const RecordPane& current);
    // The design layout before the first resize.
    static RecordPane DesignRecordPane(double gap);

    // The layout modes and RestorePaneSizes each set one pane's size.
    enum class Pane { List, Record };
    struct PaneSize
    {
        Pane pane = Pane::List;
        double size = 0;
        bool operator==(const PaneSize&) const = default;
    };
    static PaneSize ListOnly(double splitterWidth);
    static PaneSize CenterSplit(double splitterWidth);
    static PaneSize RecordOnly(double splitterWidth);
    static PaneSize RestoredPane(double listPaneSize, double filePaneSize);
    // Keeps both panes visible: a pane size that does not fit inside the
    // splitter (zero, or as wide as it or wider) gives the record pane
    // 51% of the splitter instead.
    static PaneSize ClampedPane(const PaneSize& size, double splitterWidth);
    static constexpr double kRecordPaneShare = 0.51;

    // Both panes in pixels when one is given `wanted` pixels of `available`
    // (the splitter's width without its handle); clamped to 0 .. available.
    struct PanePixels
    {
        int list = 0;
        int record = 0;
        bool operator==(const PanePixels&) const = default;
    };
    static PanePixels SplitPixels(Pane pane, int wanted, int available);

    // The Preview page's controls, in the tab control's coordinates: the
    // picture area a gap inside the page (below the tab strip), the player as
    // wide as it (1200 high for audio, the area's height for video), the
    // "Unable to Preview" label over the whole area.
    struct PreviewArea
    {
        TwipsRect imagebox;
        TwipsRect player;
        TwipsRect nonOlePanel;
        bool operator==(const PreviewArea&) const = default;
    };
    static PreviewArea PreviewPlacement(double tabWidth, double tabHeight, double tabStripHeight, double gap,
                                        bool audio, const PreviewArea& current);
    static constexpr double kAudioPlayerHeight = 1200;
};

} // namespace zentaro
