#pragma once

#include "ui/common/ProgressWindow.h"

class QPushButton;

namespace zentaro {

class ProgramState;

// Progress window with Cancel: the arrow-with-hourglass pointer, since the
// user may press Cancel. Cancel (or Esc, or closing the window) sets the
// cancel flag, and CancelRequested of the state when one was given.
class MGCForm : public ProgressWindow
{
    Q_OBJECT

public:
    explicit MGCForm(QWidget* parent = nullptr, ProgramState* state = nullptr);

    // What a click on Cancel does: set the flags, yield once, close.
    void requestCancel();
    // For a window reused across several pieces of work.
    void resetCancel() { m_cancel = false; }

    QPushButton* cancelButton() const { return m_cancelButton; }

protected:
    bool cancelled() const override { return m_cancel; }
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    ProgramState* m_state = nullptr;
    QPushButton* m_cancelButton = nullptr;
    bool m_cancel = false;
};

} // namespace zentaro
