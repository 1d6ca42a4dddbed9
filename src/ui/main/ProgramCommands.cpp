#include "ui/main/ProgramCommands.h"

#include "core/PathText.h"
#include "core/ProgramState.h"
#include "core/SettingsFile.h"
#include "ui/main/MainForm.h"
#include "ui/common/MessageBoxes.h"
#include "ui/settings/ConfigForm.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

#include <utility>

namespace zentaro {

namespace {

ProgramCommands::ConfigRunner& configRunner()
{
    static ProgramCommands::ConfigRunner runner;
    return runner;
}

ProgramCommands::PageOpener& pageOpener()
{
    static ProgramCommands::PageOpener opener;
    return opener;
}

} // namespace

ProgramCommands::ProgramCommands(ProgramState& state, MainForm& window)
    : QObject(&window), m_state(state), m_window(window)
{
    CommandRegistry& c = window.commands();
    c.bind(QStringLiteral("tpbar"), this, [this] { showProgramSettings(); });
    c.bind(QStringLiteral("hhbar"), this, [this] { showHelp(); });
    c.bind(QStringLiteral("habar"), this, [this] { m_window.showAbout(); });
}

QString ProgramCommands::helpPath() const
{
    return PathText::join(m_state.DataFolder(), QStringLiteral("HELP/INDEX.HTML"));
}

void ProgramCommands::showProgramSettings()
{
    if (!m_window.CheckAccess(AccessRights::Command::ProgramSettings))
        return;
    m_window.recordPane().showDetailsPage();

    ConfigForm::Targets targets;
    targets.grid = m_window.gridMain();
    targets.model = m_window.listModel();
    targets.applyFieldColors = [this] { m_window.ApplyFieldColors(); };
    targets.saveSettings = [this] { return m_state.settingsFile().SaveSettings(); };
    ConfigForm form(m_state.Settings, std::move(targets), &m_window);
    if (const ConfigRunner& runner = configRunner())
        runner(form);
    else
        form.exec();
}

void ProgramCommands::showHelp()
{
    const QString path = helpPath();
    const QString nl = m_state.NewLine;
    if (!QFileInfo(path).isFile()) {
        MessageBoxes::exclamation(&m_window, QStringLiteral("ZNT Notice"),
                                  QStringLiteral("The Owner's Manual was not found.") + nl + nl
                                      + QStringLiteral("ZNT looked for it here:") + nl + path);
        return;
    }
    const QUrl page = QUrl::fromLocalFile(path);
    const bool opened = pageOpener() ? pageOpener()(page) : QDesktopServices::openUrl(page);
    if (!opened) {
        MessageBoxes::exclamation(&m_window, QStringLiteral("ZNT Notice"),
                                  QStringLiteral("No web browser could be started for the Owner's Manual.") + nl
                                      + nl + QStringLiteral("Open this page with your browser:") + nl + path);
    }
}

ProgramCommands::ConfigRunner ProgramCommands::setConfigRunner(ConfigRunner runner)
{
    return std::exchange(configRunner(), std::move(runner));
}

ProgramCommands::PageOpener ProgramCommands::setPageOpener(PageOpener opener)
{
    return std::exchange(pageOpener(), std::move(opener));
}

} // namespace zentaro
