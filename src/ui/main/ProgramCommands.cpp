#include "ui/main/ProgramCommands.h"

#include "core/PathText.h"
#include "core/ProgramState.h"
#include "core/SettingsFile.h"
#include "ui/common/MessageBoxes.h"
#include "ui/common/Prompts.h"
#include "ui/main/CommandContext.h"
#include "ui/main/CommandIds.h"
#include "ui/main/CommandRegistry.h"
#include "ui/main/ListPane.h"
#include "ui/main/RecordPane.h"
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

ProgramCommands::ProgramCommands(ProgramState& state, CommandContext& context)
    : QObject(context.mainWidget()), m_state(state), m_context(context)
{
    CommandRegistry& c = context.commands();
    c.bind(CommandIds::kTpbar, this, [this] { showProgramSettings(); });
    c.bind(CommandIds::kHhbar, this, [this] { showHelp(); });
    c.bind(CommandIds::kHabar, this, [this] { showAbout(); });
}

void ProgramCommands::showAbout()
{
    Prompts::showAbout(m_context.mainWidget(), m_state.FullVersionText);
    m_context.mainWidget()->setEnabled(true);
}

QString ProgramCommands::helpPath() const
{
    return PathText::join(m_state.DataFolder(), QStringLiteral("HELP/INDEX.HTML"));
}

void ProgramCommands::showProgramSettings()
{
    if (!m_context.CheckAccess(AccessRights::Command::ProgramSettings))
        return;
    m_context.recordPane().showDetailsPage();

    ConfigForm::Targets targets;
    targets.grid = m_context.listPane().grid();
    targets.model = m_context.listPane().model();
    targets.applyFieldColors = [this] { m_context.ApplyFieldColors(); };
    targets.saveSettings = [this] { return m_state.settingsFile().SaveSettings(); };
    ConfigForm form(m_state.Settings, std::move(targets), m_context.mainWidget());
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
        MessageBoxes::exclamation(m_context.mainWidget(), tr("ZNT Notice"),
                                  tr("The Owner's Manual was not found.") + nl + nl +
                                      tr("ZNT looked for it here:") + nl + path);
        return;
    }
    const QUrl page = QUrl::fromLocalFile(path);
    const bool opened = pageOpener() ? pageOpener()(page) : QDesktopServices::openUrl(page);
    if (!opened) {
        MessageBoxes::exclamation(m_context.mainWidget(), tr("ZNT Notice"),
                                  tr("No web browser could be started for the Owner's Manual.") +
                                      nl + nl + tr("Open this page with your browser:") + nl +
                                      path);
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
