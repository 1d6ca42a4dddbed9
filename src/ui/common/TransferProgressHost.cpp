#include "ui/common/TransferProgressHost.h"

#include "core/ProgramState.h"
#include "ui/common/MGCForm.h"
#include "ui/common/MGForm.h"

#include <QCoreApplication>

namespace zentaro {

TransferProgressHost::TransferProgressHost(ProgramState& state, QWidget* mainWindow)
    : m_state(state), m_mainWindow(mainWindow)
{
}

TransferProgressHost::~TransferProgressHost()
{
    CloseProgress();
}

Progress& TransferProgressHost::OpenProgress(const QString& text, bool cancellable)
{
    return open(text, cancellable, true);
}

Progress& TransferProgressHost::OpenWithoutBar(const QString& text)
{
    return open(text, false, false);
}

Progress& TransferProgressHost::open(const QString& text, bool cancellable, bool barShown)
{
    // In a run of many files the window with Cancel stays open from file to file.
    if (m_hold && cancellable && m_window && qobject_cast<MGCForm*>(m_window.data())) {
        m_window->setText(text);
        m_window->setPercent(0);
        return *m_window;
    }
    CloseProgress();
    ProgressWindow* window = nullptr;
    if (cancellable)
        window = new MGCForm(m_mainWindow);
    else
        window = new MGForm(m_mainWindow);
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->setWindowModality(Qt::ApplicationModal);
    window->setText(text);
    window->setBarVisible(barShown);
    // Known before it paints: events run while it is being shown.
    m_window = window;
    window->showNow();
    return *window;
}

void TransferProgressHost::CloseProgress()
{
    if (!m_window)
        return;
    ProgressWindow* window = m_window;
    m_window = nullptr;
    window->hide();
    window->deleteLater();
    if (m_mainWindow) {
        m_mainWindow->raise();
        m_mainWindow->activateWindow();
    }
}

void TransferProgressHost::Yield()
{
    QCoreApplication::processEvents();
}

void TransferProgressHost::setText(const QString& text)
{
    if (m_window)
        m_window->setText(text);
}

void TransferProgressHost::setPercent(int percent)
{
    if (m_window)
        m_window->setPercent(percent);
}

bool TransferProgressHost::cancelRequested() const
{
    if (m_window) {
        if (m_window->cancelRequested())
            m_cancelled = true;
    } else {
        QCoreApplication::processEvents();
    }
    return m_cancelled;
}

void TransferProgressHost::begin(const QString& text, bool cancellable)
{
    OpenProgress(text, cancellable);
}

void TransferProgressHost::end()
{
    if (!m_hold)
        CloseProgress();
}

} // namespace zentaro
