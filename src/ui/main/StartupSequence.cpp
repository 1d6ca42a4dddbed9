#include "ui/main/StartupSequence.h"

#include "core/SettingsFile.h"
#include "library/LibraryAddress.h"
#include "library/LibraryHost.h"
#include "library/LibrarySession.h"
#include "security/LoginController.h"
#include "ui/common/MessageBoxes.h"
#include "ui/common/MousePointer.h"
#include "ui/common/ScreenMetrics.h"
#include "ui/main/SplashForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>

#include <utility>

namespace zentaro {

namespace {

// Before the main window exists only messages can be shown.
class StartupHost : public LibraryHost
{
public:
    // Messages stand over the splash window, which steps aside for them.
    explicit StartupHost(QWidget* owner) : m_owner(owner) {}

    void ShowNotice(const Notice& notice) override
    {
        MessageBoxes::show(m_owner, notice);
    }
    void ClearPreviewer() override {}
    void SetCaption(const QString&) override {}
    void StopEditDetection() override {}
    void ListReset() override {}
    void CurrentChanged(int) override {}
    int SelectedCount() const override { return 0; }
    void SetCountsText(const QString&) override {}
    void SetReLoginVisible(bool) override {}
    Result<ConfigRow> ReadConfig() override
    {
        return Result<ConfigRow>::failure(
            ErrorCode::NotFound,
            QCoreApplication::translate("StartupSequence", "No library is open."));
    }
    std::optional<LoginAnswer> ShowLoginDialog() override { return std::nullopt; }
    void ShowLoginFailure(const QString& title, const QString& text) override
    {
        MessageBoxes::exclamation(m_owner, title, text);
    }
    void ApplyAccessRights(const ConfigRow&) override {}

private:
    QWidget* m_owner;
};

} // namespace

StartupSequence::StartupSequence(ProgramState& state, QString commandLine,
                                 MainWindow::Maker makeWindow, QObject* parent)
    : QObject(parent), m_state(state), m_commandLine(std::move(commandLine)),
      m_makeWindow(std::move(makeWindow))
{
}

StartupSequence::~StartupSequence()
{
    delete m_mainWidget.data();
    delete m_splash.data();
}

SplashForm* StartupSequence::splash() const
{
    return m_splash.data();
}

QWidget* StartupSequence::mainWindow() const
{
    return m_mainWidget.data();
}

QString StartupSequence::CommandLineText(const QStringList& arguments)
{
    return arguments.mid(1).join(QLatin1Char(' '));
}

QString StartupSequence::LoginCancelledText(const QString& libraryPath, const QString& newLine)
{
    return tr("No login was given for the library") + newLine + libraryPath + newLine + newLine +
           tr("so ZNT will now close. Start ZNT again to log in, or start it with another "
              "library's path as its argument.");
}

bool StartupSequence::Start()
{
    if (m_phase != Phase::Created)
        return m_phase != Phase::Ended;
    m_phase = Phase::Splash;

    MousePointer::setWait();
    m_state.SetVariables();
    m_splash = new SplashForm(m_state.ProgramVersion);
    m_splash->installEventFilter(this);
    connect(m_splash, &SplashForm::loadMainWindowDue, this, &StartupSequence::mainFormTimerTick);
    connect(m_splash, &SplashForm::closeDue, this, &StartupSequence::timer1Tick);
    m_splash->show();
    m_splash->centreOnScreen();

    SettingsFile settings(m_state.Settings, m_state.settingsPlace());
    settings.setScreenWidthTwips(ScreenMetrics::screenWidthTwips());
    const Status loaded = settings.LoadConfig();
    // Start-up goes on with what could be read; the user learns that the
    // settings will not be kept.
    MessageBoxes::showFailure(m_splash, loaded, tr("ZNT Notice"), MessageIcon::Exclamation);

    m_state.CurrentLibraryPath = m_commandLine.isEmpty() ? m_state.Settings.DefaultLibrary : m_commandLine;

    StartupHost host(m_splash);
    // A library on a server is there or not: nothing to make from the template.
    if (!LibraryAddress::IsServer(m_state.CurrentLibraryPath) &&
        !LibrarySession::CheckDataFile(m_state.CurrentLibraryPath, m_state.TemplatePath, host)) {
        end(1);
        return false;
    }

    QApplication::processEvents();
    m_splash->repaint();
    QApplication::processEvents();
    m_splash->startMainFormTimer();
    return true;
}

void StartupSequence::mainFormTimerTick()
{
    if (m_phase != Phase::Splash)
        return;
    m_phase = Phase::Handover;

    m_main = m_makeWindow(m_state);
    m_mainWidget = m_main->widget();
    // Until the main window shows, its dialogs stand over the splash window.
    m_main->setDialogOwner(m_splash);
    m_main->whenUnloaded(this, [this] { mainUnloaded(); });
    m_main->load();

    m_openAborted = m_main->openAborted();
    if (m_openAborted) {
        // Nothing was opened, so nothing is saved: the next start asks again.
        MainWindow* main = m_main;
        m_main = nullptr;
        m_mainWidget = nullptr;
        // A refused file was reported already; a cancelled login was not.
        // Said before the unload, which ends the program.
        if (main->loginCancelled())
            MessageBoxes::show(m_splash, MessageIcon::Plain, LoginController::kFailureTitle,
                               LoginCancelledText(LibraryAddress::WithoutPassword(m_state.CurrentLibraryPath),
                                                  m_state.NewLine));
        main->unload();
        delete main;
        end(0);
        return;
    }

    m_mainWidget->show();
    m_mainShown = true;
    if (m_splash) {
        m_splash->raise();
        m_splash->repaint();
    }
    QApplication::processEvents();
    if (m_phase != Phase::Handover || !m_mainWidget)
        return; // closed meanwhile
    MousePointer::setWait();
    m_main->RestorePaneSizes();
    m_mainWidget->setEnabled(false);
    if (m_splash)
        m_splash->startTimer1();
    else
        timer1Tick();
}

void StartupSequence::timer1Tick()
{
    if (m_phase != Phase::Handover)
        return;
    m_phase = Phase::Running;
    if (m_mainWidget) {
        m_mainWidget->setEnabled(true);
        m_mainWidget->raise();
        m_mainWidget->activateWindow();
    }
    QApplication::processEvents();
    closeSplash();
}

void StartupSequence::mainUnloaded()
{
    if (m_phase == Phase::Ended)
        return;
    // Every other window goes with the main window.
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget != m_mainWidget && widget != m_splash && widget->isVisible())
            widget->close();
    }
    end(0);
}

void StartupSequence::closeSplash()
{
    if (!m_splash)
        return;
    m_closingSplash = true;
    m_splash->close();
    m_closingSplash = false;
    m_splash->deleteLater();
    m_splash = nullptr;
}

void StartupSequence::end(int exitCode)
{
    if (m_phase == Phase::Ended)
        return;
    m_phase = Phase::Ended;
    closeSplash();
    MousePointer::restoreDefault();
    Q_EMIT ended(exitCode);
}

bool StartupSequence::eventFilter(QObject* watched, QEvent* event)
{
    // The splash carries the start-up timers: closing it early would leave
    // the program running with no window.
    if (watched == m_splash && event->type() == QEvent::Close && !m_closingSplash) {
        event->ignore();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace zentaro
