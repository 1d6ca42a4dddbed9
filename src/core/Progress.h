#pragma once

#include <QString>

namespace zentaro {

// How long work reports to whoever shows it: the progress windows and the
// command-line tool each implement this.
class Progress
{
public:
    virtual ~Progress() = default;
    virtual void setText(const QString& text) = 0;
    // Whole percent, 0 to 100.
    virtual void setPercent(int percent) = 0;
    // Polled between pieces of work; true stops the work at its next step.
    virtual bool cancelRequested() const = 0;
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
