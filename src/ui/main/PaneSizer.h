#pragma once

#include "ui/main/MainLayout.h"

class QSplitter;
class QWidget;

namespace zentaro {

struct SettingsRecord;

// The sizes of the main window's two panes: the saved ones at start-up
// (given again while the window is still finding its size), the three
// layout modes, and the sizes kept at exit.
class PaneSizer
{
public:
    PaneSizer(QWidget* window, QSplitter* splitter);

    // Gives the splitter the saved pane sizes, kept within the splitter,
    // and keeps giving them until the user sizes the panes.
    void restore(const SettingsRecord& settings);
    // After the splitter got its new geometry.
    void windowResized();
    // The user sized the panes himself; saved sizes no longer follow.
    void userSized() { m_restoring = false; }
    void listOnly();
    void centerSplit();
    void recordOnly();
    // The pane sizes into the settings, unchanged where they still round to the loaded ones.
    void keep(SettingsRecord& settings) const;

private:
    void apply(const MainLayout::PaneSize& size);
    void applyRestored();

    QWidget* m_window;
    QSplitter* m_splitter;
    double m_listPane = 0;
    double m_filePane = 0;
    bool m_restoring = false;
};

} // namespace zentaro
