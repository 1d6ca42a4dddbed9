#include "ui/main/MainLayout.h"

#include <algorithm>
#include <cmath>

namespace zentaro {

MainLayout::Point MainLayout::WindowPosition(double screenWidth, double screenHeight)
{
    Point p;
    p.left = std::trunc((screenWidth - kWindowWidth) / 2);
    p.top = screenWidth > kWindowWidth ? std::trunc((screenHeight - kWindowHeight) / 2) : 0;
    return p;
}

MainLayout::ListPane MainLayout::ListPanelLayout(double width, double height, double gap,
                                                 const ListPane& current)
{
    ListPane l = current;
    const double r = l.recordCount.height > 0 ? l.recordCount.height : kStatusHeight;
    const double c = l.cellPanel.height > 0 ? l.cellPanel.height : kStatusHeight;
    l.recordCount.height = r;
    l.cellPanel.height = c;
    l.grid.top = gap;
    l.grid.left = gap;
    l.recordCount.left = gap;
    l.cellPanel.left = gap;
    if (width - 2 * gap > 0) {
        l.grid.width = width - 2 * gap;
        l.recordCount.width = width - 2 * gap;
        l.cellPanel.width = width - 2 * gap;
    }
    if (height - (r + 2 * gap + c) > 0) {
        l.grid.height = height - (r + 2 * gap + c);
        l.recordCount.top = height - (r + gap);
        l.cellPanel.top = height - (r + gap + c);
    }
    return l;
}

MainLayout::RecordPane MainLayout::DesignRecordPane(double gap)
{
    RecordPane d;
    d.titleBox = {kTitleLeft, kTitleTop, 4600, kFieldHeight};
    d.authorBox = {kAuthorLeft, kAuthorTop, 4330, kFieldHeight};
    d.keywordsBox = {kKeywordsLeft, kKeywordsTop, 4240, kFieldHeight};
    d.detailTab = {gap, kDetailTabTop, 5140, 3920};
    d.notesBox = {kNotesLeft, kNotesTop, 2880, 3100};
    return d;
}

MainLayout::RecordPane MainLayout::MainPanelLayout(double width, double height, double gap,
                                                   const RecordPane& current)
{
    RecordPane p = current;
    auto setIfPositive = [](double& target, double value) {
        if (value > 0)
            target = value;
    };
    setIfPositive(p.detailTab.height, height - p.detailTab.top - gap);
    setIfPositive(p.detailTab.width, width - 2 * gap);
    setIfPositive(p.notesBox.height, p.detailTab.height - (p.notesBox.top + gap));
    setIfPositive(p.notesBox.width, p.detailTab.width - (p.notesBox.left + gap));
    if (width - p.keywordsBox.left - gap > 0) {
        for (TwipsRect* box : {&p.titleBox, &p.authorBox, &p.keywordsBox})
            box->width = width - box->left - gap;
    }
    return p;
}

MainLayout::PaneSize MainLayout::ListOnly(double splitterWidth)
{
    return {Pane::List, splitterWidth - kModeMargin};
}

MainLayout::PaneSize MainLayout::CenterSplit(double splitterWidth)
{
    return {Pane::Record, std::trunc(splitterWidth / 2)};
}

MainLayout::PaneSize MainLayout::RecordOnly(double splitterWidth)
{
    return {Pane::Record, splitterWidth - kModeMargin};
}

MainLayout::PaneSize MainLayout::RestoredPane(double listPaneSize, double filePaneSize)
{
    if (listPaneSize > filePaneSize)
        return {Pane::List, listPaneSize};
    return {Pane::Record, filePaneSize};
}

MainLayout::PaneSize MainLayout::ClampedPane(const PaneSize& size, double splitterWidth)
{
    if (size.size > 0 && size.size < splitterWidth)
        return size;
    return {Pane::Record, std::trunc(splitterWidth * kRecordPaneShare)};
}

MainLayout::PanePixels MainLayout::SplitPixels(Pane pane, int wanted, int available)
{
    const int total = std::max(available, 0);
    const int given = std::clamp(wanted, 0, total);
    if (pane == Pane::List)
        return {given, total - given};
    return {total - given, given};
}

MainLayout::PreviewArea MainLayout::PreviewPlacement(double tabWidth, double tabHeight, double tabStripHeight,
                                                     double gap, bool audio, const PreviewArea& current)
{
    PreviewArea a = current;
    a.imagebox.left = gap;
    a.imagebox.top = tabStripHeight + gap;
    if (const double h = tabHeight - (a.imagebox.top + gap); h > 0)
        a.imagebox.height = h;
    if (const double w = tabWidth - (a.imagebox.left + gap); w > 0)
        a.imagebox.width = w;
    a.player.left = a.imagebox.left;
    a.player.top = a.imagebox.top;
    a.player.width = a.imagebox.width;
    a.player.height = audio ? kAudioPlayerHeight : a.imagebox.height;
    a.nonOlePanel = a.imagebox;
    return a;
}

} // namespace zentaro
