#pragma once

#include "core/Progress.h"

#include <QDialog>
#include <QString>

class QLabel;
class QProgressBar;
class QHBoxLayout;

namespace zentaro {

// The small "Zentaro" window that long work reports to: a message line and
// a percentage bar. It is shown without blocking; the work runs on the UI
// thread and yields through cancelRequested().
class ProgressWindow : public QDialog, public Progress
{
    Q_OBJECT

public:
    static constexpr const char* kInitialText = "Working...";
    ~ProgressWindow() override;

    // Progress
    void setText(const QString& text) override;
    // The bar is repainted only when the whole percentage changes.
    void setPercent(int percent) override;
    // Lets pending window events run (repaints, a click on Cancel) and then
    // tells whether the work should stop.
    bool cancelRequested() const override;

    void setBarVisible(bool visible);
    bool barVisible() const;

    // Shows the window, brings it to the front and lets it paint before work starts.
    void showNow();

    QString text() const;
    int percent() const { return m_percent; }
    // How often the bar took a new value (and was redrawn) since the window was made.
    int barRepaintCount() const { return m_barRepaints; }

protected:
    ProgressWindow(QWidget* parent, Qt::CursorShape busyPointer);

    // Subclasses put their buttons here, right of the bar.
    QHBoxLayout* buttonRow() const { return m_buttonRow; }
    virtual bool cancelled() const { return false; }

    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void centreOnScreen();
    void releasePointer();

    QLabel* m_message = nullptr;
    QProgressBar* m_bar = nullptr;
    QHBoxLayout* m_buttonRow = nullptr;
    Qt::CursorShape m_busyPointer;
    int m_percent = 0;
    int m_barRepaints = 0;
    bool m_pointerSet = false;
};

} // namespace zentaro
