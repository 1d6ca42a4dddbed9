#pragma once

#include <QString>

namespace zentaro {

// How long work reports to whoever shows it, and how it hears of a Cancel:
// the progress windows, the command-line tool and tests each implement this.
// Work that needs a bar only once it proves long (a large file) asks for one
// with begin and gives it back with end; work whose caller shows the bar
// from the start never calls them.
class Progress
{
public:
    virtual ~Progress() = default;
    virtual void setText(const QString& text) = 0;
    // Whole percent, 0 to 100.
    virtual void setPercent(int percent) = 0;
    // Polled between pieces of work, with or without a bar: lets pending
    // window events run (a repaint, a click on Cancel) and tells whether the
    // work is to stop at its next step. A Cancel stands for the rest of the work.
    virtual bool cancelRequested() const = 0;
    // A bar reading text, at 0, with a Cancel button when cancellable. A
    // begin before the end of the last one (a run of many files) may keep
    // the bar that is open.
    virtual void begin(const QString& text, bool cancellable)
    {
        (void)cancellable;
        setText(text);
        setPercent(0);
    }
    // The work that asked for the bar is done with it.
    virtual void end() {}
};

// For callers that show nothing.
class NullProgress final : public Progress
{
public:
    void setText(const QString&) override {}
    void setPercent(int) override {}
    bool cancelRequested() const override { return false; }
};

} // namespace zentaro
