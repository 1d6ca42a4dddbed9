#pragma once

#include "core/ProgramState.h"
#include "ui/main/MainWindow.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

namespace zentaro {

class SplashForm;

// Start-up and hand-over: the splash window's load step, its two timers and
// the end of the program. main() creates one, calls Start() and runs the
// event loop until ended().
class StartupSequence : public QObject
{
    Q_OBJECT

public:
    // commandLine: the whole argument text, a library path when not empty;
    // makeWindow makes the main window when the splash hands over.
    StartupSequence(ProgramState& state, QString commandLine, MainWindow::Maker makeWindow,
                    QObject* parent = nullptr);
    ~StartupSequence() override;

    // The program's arguments after its own name, joined with single blanks
    // and otherwise unchanged.
    static QString CommandLineText(const QStringList& arguments);

    // Said before the program ends because the start-up library's login was
    // cancelled: otherwise the program would just vanish.
    static QString LoginCancelledText(const QString& libraryPath, const QString& newLine);

    // The splash load step: shows the splash window, reads the settings,
    // settles the library to open and makes sure its file exists, then turns
    // MainFormTimer on. False when the program must end at once (the file
    // could not be opened; the message was shown).
    bool Start();

    // MainFormTimer tick (500 ms after Start): loads the main window, which
    // opens the library. When the opening was aborted the program ends
    // without showing it; otherwise the window is shown, disabled, under the
    // splash, and Timer1 starts.
    void mainFormTimerTick();
    // Timer1 tick (2000 ms later): enables the main window, closes the splash.
    void timer1Tick();

    SplashForm* splash() const;
    // The main window while start-up holds it; nullptr once it is gone.
    QWidget* mainWindow() const;
    // Whether the main window was ever shown.
    bool mainWindowShown() const { return m_mainShown; }
    // Whether the first library could not be opened, which ends the program.
    bool openAborted() const { return m_openAborted; }
    bool hasEnded() const { return m_phase == Phase::Ended; }

Q_SIGNALS:
    // The program ends with this exit code.
    void ended(int exitCode);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Phase { Created, Splash, Handover, Running, Ended };

    void mainUnloaded();
    void closeSplash();
    void end(int exitCode);

    ProgramState& m_state;
    QString m_commandLine;
    Phase m_phase = Phase::Created;
    QPointer<SplashForm> m_splash;
    MainWindow::Maker m_makeWindow;
    MainWindow* m_main = nullptr;
    // Tells whether m_main still lives: the window may be deleted under it.
    QPointer<QWidget> m_mainWidget;
    bool m_mainShown = false;
    bool m_openAborted = false;
    bool m_closingSplash = false;
};

} // namespace zentaro
