#pragma once

#include "core/Progress.h"

#include <QString>
#include <QTextStream>

namespace zentaro {

// A progress bar on one line of standard error, drawn only when that is a
// terminal; otherwise it shows nothing. Redrawn only when the text or the
// whole percentage changes. Ctrl-C counts as Cancel.
class CliProgress final : public Progress
{
public:
    // visible: whether to draw at all (standard error is a terminal).
    CliProgress(QTextStream& err, bool visible);
    ~CliProgress() override;

    void setText(const QString& text) override;
    void setPercent(int percent) override;
    bool cancelRequested() const override;
    // A transfer's bar is done: the line ends.
    void end() override { finish(); }

    // Ends the bar's line, so that what follows starts on a line of its own.
    void finish();
    bool visible() const { return m_visible; }

    // The line as drawn, without the leading carriage return.
    static QString render(const QString& text, int percent, int width);

private:
    void draw();

    QTextStream& m_err;
    bool m_visible;
    bool m_drawn = false;
    QString m_text;
    int m_percent = -1;
};

} // namespace zentaro
