#pragma once

#include "core/Progress.h"

#include <QString>

namespace zentaro {

// What a long transfer needs from whoever shows it: a progress window on
// demand (MGForm, or MGCForm when it may be cancelled) and a way to let
// pending window events run. The main window disables itself while a
// progress window is open.
class ProgressHost
{
public:
    virtual ~ProgressHost() = default;
    // Shows a progress window whose message line reads text, its bar at 0.
    // The Progress stays valid until CloseProgress.
    virtual Progress& OpenProgress(const QString& text, bool cancellable) = 0;
    // Closes the window opened last; the main window is enabled and fronted.
    virtual void CloseProgress() = 0;
    // Lets pending window events run: repaints, a click on Cancel.
    virtual void Yield() = 0;
};

} // namespace zentaro
