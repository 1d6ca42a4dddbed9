#pragma once

#include "core/Status.h"

#include <QList>
#include <QObject>

namespace zentaro {

class EditDetection;
class CommandContext;
class ProgramState;

// The commands on groups of records and on the extraction folder: the three
// deletions, the four bulk extractions, "Clear Extraction Folder",
// "&Extraction Folder Contents" and the exit clearing with its wipe. Binds
// their actions in the main window's registry, and owns edit detection.
class BulkCommands : public QObject
{
    Q_OBJECT

public:
    BulkCommands(ProgramState& state, CommandContext& context);

    EditDetection& editDetection() const { return *m_editDetection; }

    void deleteCurrentFile();
    void deleteSelectedFiles();
    void deleteListedFiles();
    // toExtractFolder: into ExtractFolder, which is opened afterwards;
    // otherwise into a folder chosen once for the run.
    void extractSelectedFiles(bool toExtractFolder);
    void extractListedFiles(bool toExtractFolder);
    void clearExtractionFolder();
    void showExtractionFolder();
    // The exit sequence's part: clear the folder, then the wipe when set.
    void ClearAndWipeAtExit();
    // The folder emptied without a message; a refusal when it is a link
    // or otherwise not the program's own folder.
    Status ClearExtractFolder(bool overwrite = false);

private:
    // The selected rows' MainIDs in the grid's order.
    QList<qint64> selectedIds() const;
    void extractFiles(const QList<qint64>& ids, bool toExtractFolder);
    bool refusedAsReadOnly();
    void updateSelectionEntries();
    // Opens folder in the desktop's file browser, or says that none is set up.
    void openFolder(const QString& folder);

    ProgramState& m_state;
    CommandContext& m_context;
    EditDetection* m_editDetection = nullptr;
};

} // namespace zentaro
