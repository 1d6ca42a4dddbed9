#include "cli/CliProgressHost.h"

namespace zentaro {

Progress& CliProgressHost::OpenProgress(const QString& text, bool)
{
    m_bar.setText(text);
    m_bar.setPercent(0);
    return m_bar;
}

void CliProgressHost::CloseProgress()
{
    m_bar.finish();
}

void CliProgressHost::Yield()
{
    // No window events to let through; Ctrl-C arrives as a signal.
}

} // namespace zentaro
