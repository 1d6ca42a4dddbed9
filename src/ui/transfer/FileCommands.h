#pragma once

#include "store/MainRecord.h"

#include <QObject>

#include <optional>

namespace zentaro {

class CommandContext;
class ProgramState;

// The commands that put files into the open library and get them out:
// "Add File(s)", "Extract File to Disk" and "Extract and Open". The main
// window binds them; each shows its own refusals and failures over it.
class FileCommands : public QObject
{
    Q_OBJECT

public:
    FileCommands(ProgramState& state, CommandContext& context);

    void addFiles();
    // Whether files may be added now, by the button or by a drop: a refusal
    // (read-only library, access level) is shown and gives false. Pending
    // record edits are saved first.
    static bool readyToAddFiles(ProgramState& state, CommandContext& context);
    void extractToDisk();
    void extractAndOpen();

private:
    // The current record when the level may extract it; nothing otherwise
    // (the refusal or failure was shown).
    std::optional<MainRecord> recordToExtract();

    ProgramState& m_state;
    CommandContext& m_context;
};

} // namespace zentaro
