#pragma once

#include "transfer/ProgressHost.h"

#include <QPointer>

class QWidget;

namespace zentaro {

class ProgramState;
class ProgressWindow;

// The windows' side of a long transfer: MGForm, or MGCForm when the work
// may be cancelled (its Cancel sets CancelRequested). While one is open it is
// modal over the application, so the main window takes no input, and
// closing it fronts the main window again.
class TransferProgressHost final : public ProgressHost
{
public:
    TransferProgressHost(ProgramState& state, QWidget* mainWindow);
    ~TransferProgressHost() override;
    TransferProgressHost(const TransferProgressHost&) = delete;
    TransferProgressHost& operator=(const TransferProgressHost&) = delete;

    Progress& OpenProgress(const QString& text, bool cancellable) override;
    // MGForm with its bar hidden, for work that cannot tell how far it is.
    Progress& OpenWithoutBar(const QString& text);
    void CloseProgress() override;
    void Yield() override;

    // The window open now, if any.
    ProgressWindow* window() const { return m_window; }

private:
    Progress& open(const QString& text, bool cancellable, bool barShown);

    ProgramState& m_state;
    QPointer<QWidget> m_mainWindow;
    QPointer<ProgressWindow> m_window;
};

} // namespace zentaro
