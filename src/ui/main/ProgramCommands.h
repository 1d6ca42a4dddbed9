#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QUrl;

namespace zentaro {

class ConfigForm;
class CommandContext;
class ProgramState;

// The commands of the program itself rather than of a library: program
// settings (tpbar, ConfigButton), the owner's manual (hhbar, HelpButton)
// and the about box (habar).
class ProgramCommands : public QObject
{
    Q_OBJECT

public:
    // Shows the settings dialog modally; tests drive it instead.
    using ConfigRunner = std::function<void(ConfigForm&)>;
    // Opens a page in the desktop's browser; true when it was handed over.
    using PageOpener = std::function<bool(const QUrl&)>;

    ProgramCommands(ProgramState& state, CommandContext& context);

    // The owner's manual: DataFolder()/HELP/INDEX.HTML.
    QString helpPath() const;

    // Program settings: an Administrator gets the Details page and then the
    // dialog; anyone else the Access Denied dialog.
    void showProgramSettings();
    // Opens the manual, or says where it was looked for.
    void showHelp();
    void showAbout();

    // Test seams; each returns what was installed before (empty = the real one).
    static ConfigRunner setConfigRunner(ConfigRunner runner);
    static PageOpener setPageOpener(PageOpener opener);

private:
    ProgramState& m_state;
    CommandContext& m_context;
};

} // namespace zentaro
