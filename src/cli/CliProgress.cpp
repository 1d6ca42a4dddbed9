#include "cli/CliProgress.h"

#include "cli/CliOutput.h"
#include "cli/CliTerminal.h"

#include <algorithm>

namespace zentaro {

namespace {

constexpr int kBarWidth = 30;

} // namespace

CliProgress::CliProgress(QTextStream& err, bool visible) : m_err(err), m_visible(visible)
{
}

CliProgress::~CliProgress()
{
    finish();
}

QString CliProgress::render(const QString& text, int percent, int width)
{
    const int clamped = std::clamp(percent, 0, 100);
    const int filled = clamped * width / 100;
    return QStringLiteral("%1 [%2%3] %4%")
        .arg(text, QString(filled, QLatin1Char('#')), QString(width - filled, QLatin1Char(' ')))
        .arg(clamped, 3);
}

void CliProgress::setText(const QString& text)
{
    // A file name may hold control characters; the terminal must not act on them.
    const QString shown = CliOutput::fieldText(text);
    if (shown == m_text)
        return;
    // A new text is a new task: it gets its own line.
    finish();
    m_text = shown;
    m_percent = -1;
    draw();
}

void CliProgress::setPercent(int percent)
{
    percent = std::clamp(percent, 0, 100);
    if (percent == m_percent)
        return;
    m_percent = percent;
    draw();
}

bool CliProgress::cancelRequested() const
{
    return CliTerminal::interrupted();
}

void CliProgress::draw()
{
    if (!m_visible)
        return;
    m_err << '\r' << render(m_text, std::max(0, m_percent), kBarWidth) << "\x1b[K";
    m_err.flush();
    m_drawn = true;
}

void CliProgress::finish()
{
    if (m_visible && m_drawn) {
        m_err << '\n';
        m_err.flush();
    }
    m_drawn = false;
}

} // namespace zentaro
