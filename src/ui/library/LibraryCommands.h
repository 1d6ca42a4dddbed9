#pragma once

#include "core/Drive.h"
#include "core/FreeSpace.h"
#include "security/PasswordHasher.h"
#include "ui/date/GetDateForm.h"
#include "ui/security/ConfigLibraryForm.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QWidget;

namespace zentaro {

class CommandContext;
class ProgramState;

// The commands on whole libraries: "Create New Library" (fnbar), "Copy
// Library" (fcbar), "Compact Library" (tcbar), "Library Settings" (tlbar)
// and "Library Information" (vibar). Made by the main window, which they
// bind themselves in; each shows its own refusals and failures over it.
class LibraryCommands : public QObject
{
    Q_OBJECT

public:
    // The file-save dialog: gets its title and initial folder; an empty text
    // means Cancel.
    using SaveFileChooser = std::function<QString(QWidget* parent, const QString& title, const QString& folder)>;

    LibraryCommands(ProgramState& state, CommandContext& context);

    void newLibrary();
    void copyLibrary();
    // "Copy Library" of a library on a server: one .ZNT file as of one moment.
    void copyServerLibrary(const QString& target);
    void compactLibrary();
    void librarySettings();
    void libraryInformation();

    // The final name for a library the user asked for, or nothing when he
    // cancelled. An existing non-empty file gives "File Already Exists." and
    // the dialog again.
    std::optional<QString> chooseTarget(const QString& title);

    // Test seams.
    void setSaveFileChooser(SaveFileChooser chooser) { m_chooseFile = std::move(chooser); }
    void setFreeSpaceProbe(FreeSpace::Probe probe) { m_freeSpace = std::move(probe); }
    void setDriveLookup(Drive::Lookup lookup) { m_drives = std::move(lookup); }
    void setHasherLimits(PasswordHasher::Limits limits) { m_hasherLimits = limits; }
    void setDatePicker(ConfigLibraryForm::DatePicker picker) { m_datePicker = std::move(picker); }

    // The real dialog: QFileDialog in save mode.
    static QString askSaveFileName(QWidget* parent, const QString& title, const QString& folder);

private:
    ProgramState& m_state;
    CommandContext& m_context;
    SaveFileChooser m_chooseFile = &LibraryCommands::askSaveFileName;
    FreeSpace::Probe m_freeSpace = &FreeSpace::SystemProbe;
    Drive::Lookup m_drives = &Drive::systemLookup;
    PasswordHasher::Limits m_hasherLimits = PasswordHasher::Limits::Interactive();
    ConfigLibraryForm::DatePicker m_datePicker = &GetDateForm::pick;
};

} // namespace zentaro
