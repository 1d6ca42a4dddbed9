#include "ui/main/PaneSizer.h"

#include "core/SettingsRecord.h"
#include "ui/main/TwipsGeometry.h"

#include <QApplication>
#include <QSplitter>

namespace zentaro {

PaneSizer::PaneSizer(QWidget* window, QSplitter* splitter) : m_window(window), m_splitter(splitter)
{
}

void PaneSizer::apply(const MainLayout::PaneSize& size)
{
    const int available = m_splitter->width() - m_splitter->handleWidth();
    const MainLayout::PanePixels pixels =
        MainLayout::SplitPixels(size.pane, TwipsGeometry::pixelsX(m_window, size.size), available);
    m_splitter->setSizes({pixels.list, pixels.record});
}

void PaneSizer::applyRestored()
{
    const double width = TwipsGeometry::twipsX(m_window, m_splitter->width());
    apply(MainLayout::ClampedPane(MainLayout::RestoredPane(m_listPane, m_filePane), width));
}

void PaneSizer::restore(const SettingsRecord& settings)
{
    QApplication::processEvents();
    m_listPane = settings.ListPaneSize;
    m_filePane = settings.FilePaneSize;
    // A window manager may still maximise or resize the window.
    m_restoring = true;
    applyRestored();
}

void PaneSizer::windowResized()
{
    if (m_restoring)
        applyRestored();
}

void PaneSizer::listOnly()
{
    m_restoring = false;
    apply(MainLayout::ListOnly(TwipsGeometry::twipsX(m_window, m_splitter->width())));
}

void PaneSizer::centerSplit()
{
    m_restoring = false;
    apply(MainLayout::CenterSplit(TwipsGeometry::twipsX(m_window, m_splitter->width())));
}

void PaneSizer::recordOnly()
{
    m_restoring = false;
    apply(MainLayout::RecordOnly(TwipsGeometry::twipsX(m_window, m_splitter->width())));
}

void PaneSizer::keep(SettingsRecord& settings) const
{
    const QList<int> sizes = m_splitter->sizes();
    if (sizes.size() != 2 || !m_window->isVisible())
        return;
    settings.ListPaneSize = TwipsGeometry::keptTwips(m_window, sizes[0], m_listPane);
    settings.FilePaneSize = TwipsGeometry::keptTwips(m_window, sizes[1], m_filePane);
}

} // namespace zentaro
