#pragma once

#include <functional>

class QObject;
class QWidget;

namespace zentaro {

class ProgramState;

// The main window as start-up sees it: made by whoever starts the program,
// loaded, shown and handed over, or unloaded when its library could not be
// opened.
class MainWindow
{
public:
    // Makes the main window on the program's state; the caller owns it.
    using Maker = std::function<MainWindow*(ProgramState& state)>;

    virtual ~MainWindow() = default;

    virtual QWidget* widget() = 0;
    // What dialogs stand over while the window is not shown.
    virtual void setDialogOwner(QWidget* owner) = 0;
    // Places the window and opens the library with its login; not shown here.
    virtual void load() = 0;
    // Whether the last open left no library open.
    virtual bool openAborted() const = 0;
    // Whether the user cancelled the last login the window asked for.
    virtual bool loginCancelled() const = 0;
    // The unload step, once; closing the window runs it.
    virtual void unload() = 0;
    virtual void RestorePaneSizes() = 0;
    // Calls handler (in receiver's thread, while receiver lives) after each unload step.
    virtual void whenUnloaded(QObject* receiver, std::function<void()> handler) = 0;
};

} // namespace zentaro
