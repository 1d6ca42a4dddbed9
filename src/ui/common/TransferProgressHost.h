#pragma once

#include "ui/common/ProgressHost.h"

#include <QPointer>

class QWidget;

namespace zentaro {

class ProgramState;
class ProgressWindow;

// The windows' side of a long transfer: MGForm, or MGCForm when the work
// may be cancelled. While one is open it is modal over the application, so
// the main window takes no input, and closing it fronts the main window
// again. As the work's Progress it opens a window on begin and closes it on
// end, and remembers a Cancel of any of its windows for the rest of the work.
class TransferProgressHost final : public ProgressHost, public Progress
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

    // Progress, for the work: begin and end open and close the window, the
    // others go to the window open now.
    void setText(const QString& text) override;
    void setPercent(int percent) override;
    bool cancelRequested() const override;
    void begin(const QString& text, bool cancellable) override;
    void end() override;
    // For a run of many files: while held, a begin keeps a window with
    // Cancel that is open (showing its text, at 0) and end leaves it open
    // for the next file; CloseProgress closes it.
    void holdWindow(bool hold) { m_hold = hold; }

    // The window open now, if any.
    ProgressWindow* window() const { return m_window; }

private:
    Progress& open(const QString& text, bool cancellable, bool barShown);

    ProgramState& m_state;
    QPointer<QWidget> m_mainWindow;
    QPointer<ProgressWindow> m_window;
    bool m_hold = false;
    mutable bool m_cancelled = false;
};

} // namespace zentaro
