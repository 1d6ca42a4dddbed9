#include "ui/transfer/TransferSettingsOf.h"
#include "ui/transfer/BulkCommands.h"

#include "core/ListPositionHold.h"
#include "core/ProgramState.h"
#include "library/LibrarySession.h"
#include "library/RecordDeleter.h"
#include "store/Recordset.h"
#include "transfer/BulkExtraction.h"
#include "transfer/ExtractionFolder.h"
#include "transfer/FileExtractor.h"
#include "transfer/FileOpener.h"
#include "ui/common/MessageBoxes.h"
#include "ui/common/MousePointer.h"
#include "ui/common/ProgressWindow.h"
#include "ui/common/Prompts.h"
#include "ui/common/TransferProgressHost.h"
#include "ui/main/CommandContext.h"
#include "ui/main/CommandIds.h"
#include "ui/main/CommandRegistry.h"
#include "ui/main/ListPane.h"
#include "ui/main/RecordPane.h"
#include "ui/transfer/EditDetection.h"
#include "ui/transfer/ExtractConflictQuestion.h"

#include <QAction>
#include <QApplication>
#include <QItemSelectionModel>
#include <QMenu>
#include <QTableView>

namespace zentaro {

BulkCommands::BulkCommands(ProgramState& state, CommandContext& context)
    : QObject(context.mainWidget()), m_state(state), m_context(context)
{
    m_editDetection = new EditDetection(state, context);
    CommandRegistry& c = context.commands();
    c.bind(CommandIds::kEdbar, this, [this] { deleteCurrentFile(); });
    c.bind(CommandIds::kMenuDeleteCurrentFile, this, [this] { deleteCurrentFile(); });
    c.bind(CommandIds::kMenuDeleteSelectedFiles, this, [this] { deleteSelectedFiles(); });
    c.bind(CommandIds::kMenuDeleteListedFiles, this, [this] { deleteListedFiles(); });
    c.bind(CommandIds::kMenuExtractSelectedFilestoExtractFolder, this,
           [this] { extractSelectedFiles(true); });
    c.bind(CommandIds::kMenuExtractSelectedFilestoDisk, this,
           [this] { extractSelectedFiles(false); });
    c.bind(CommandIds::kMenuExtractListedFilestoExtractFolder, this,
           [this] { extractListedFiles(true); });
    c.bind(CommandIds::kMenuExtractListedFilestoDisk, this, [this] { extractListedFiles(false); });
    c.bind(CommandIds::kTdbar, this, [this] { clearExtractionFolder(); });
    c.bind(CommandIds::kVebar, this, [this] { showExtractionFolder(); });
    if (QMenu* popup = c.menu(CommandIds::kPbar))
        connect(popup, &QMenu::aboutToShow, this, &BulkCommands::updateSelectionEntries);
    connect(&context.listPane(), &ListPane::selectionChanged, this,
            &BulkCommands::updateSelectionEntries);
    updateSelectionEntries();
}

void BulkCommands::updateSelectionEntries()
{
    // Both "Selected Files" entries need a selected row.
    const bool any = m_context.listPane().selectedCount() > 0;
    CommandRegistry& c = m_context.commands();
    for (const char* name :
         {CommandIds::kMenuExtractSelectedFiles, CommandIds::kMenuDeleteSelectedFiles}) {
        if (QMenu* sub = c.menu(QString::fromLatin1(name)))
            sub->menuAction()->setEnabled(any);
    }
    for (const char* name :
         {CommandIds::kMenuExtractSelectedFilestoExtractFolder,
          CommandIds::kMenuExtractSelectedFilestoDisk, CommandIds::kMenuDeleteSelectedFiles}) {
        if (QAction* entry = c.action(QString::fromLatin1(name)))
            entry->setEnabled(any && m_context.session().isOpen());
    }
}

QList<qint64> BulkCommands::selectedIds() const
{
    QList<qint64> ids;
    Recordset* list = m_context.session().DCMain();
    QItemSelectionModel* selection = m_context.listPane().grid()->selectionModel();
    if (!list || !selection)
        return ids;
    for (const QModelIndex& row : selection->selectedRows()) {
        if (Result<MainRecord> record = list->recordAt(row.row()); record)
            ids << record->MainID;
    }
    return ids;
}

bool BulkCommands::refusedAsReadOnly()
{
    if (!m_state.LibraryReadOnly)
        return false;
    MessageBoxes::show(m_context.mainWidget(), RecordDeleter::ReadOnlyNotice(m_state.NewLine));
    return true;
}

// --- Deleting ----------------------------------------------------------------------

void BulkCommands::deleteCurrentFile()
{
    LibrarySession& session = m_context.session();
    if (!session.isOpen() || session.ListedCount() == 0)
        return;
    if (refusedAsReadOnly() || !m_context.CheckAccess(AccessRights::Command::DeleteCurrent))
        return;
    if (!MessageBoxes::askYesNo(m_context.mainWidget(), RecordDeleter::kCurrentTitle,
                                RecordDeleter(session).CurrentFileQuestion(),
                                MessageIcon::Exclamation))
        return;
    m_editDetection->stop();
    RecordDeleter deleter(session);
    m_context.showOutcome({deleter.DeleteCurrentFile(), std::nullopt}, tr("ZNT ERROR"));
    m_context.focusList();
}

void BulkCommands::deleteSelectedFiles()
{
    LibrarySession& session = m_context.session();
    if (!session.isOpen() || refusedAsReadOnly())
        return;
    const QList<qint64> ids = selectedIds();
    if (session.ListedCount() == 0 || ids.isEmpty())
        return;
    if (!m_context.CheckAccess(AccessRights::Command::DeleteCurrent))
        return;
    if (!MessageBoxes::askYesNo(m_context.mainWidget(), RecordDeleter::kSelectedTitle,
                                RecordDeleter::kSelectedText, MessageIcon::Exclamation))
        return;
    m_editDetection->stop();
    m_context.recordPane().showDetailsPage();
    MousePointer::setWait();
    Status done;
    {
        TransferProgressHost host(m_state, m_context.mainWidget());
        host.OpenWithoutBar(RecordDeleter::kDeletingText);
        host.Yield();
        done = RecordDeleter(session).DeleteSelectedFiles(ids);
    }
    MousePointer::restoreDefault();
    m_context.showOutcome({done, std::nullopt}, tr("ZNT ERROR"));
    m_context.focusList();
}

void BulkCommands::deleteListedFiles()
{
    LibrarySession& session = m_context.session();
    if (!session.isOpen() || refusedAsReadOnly() || session.ListedCount() == 0)
        return;
    if (!m_context.CheckAccess(AccessRights::Command::DeleteCurrent))
        return;
    if (!MessageBoxes::askYesNo(m_context.mainWidget(), RecordDeleter::kListedTitle,
                                RecordDeleter(session).ListedFilesQuestion(),
                                MessageIcon::Exclamation))
        return;
    m_editDetection->stop();
    m_context.recordPane().showDetailsPage();
    RecordDeleter deleter(session);
    Result<qint64> deleted = qint64(0);
    {
        TransferProgressHost host(m_state, m_context.mainWidget());
        host.OpenWithoutBar(RecordDeleter::kDeletingText);
        host.Yield();
        deleted = deleter.DeleteListedFiles();
    }
    if (!deleted) {
        // Nothing was deleted: the list and the search stay.
        MessageBoxes::show(m_context.mainWidget(),
                           RecordDeleter::ListRefusal(deleted.status(), m_state.NewLine));
        m_context.focusList();
        return;
    }
    MessageBoxes::information(m_context.mainWidget(), RecordDeleter::kCompleteTitle,
                              RecordDeleter::kCompleteText);
    m_context.showOutcome({deleter.ShowRemainingFiles(), std::nullopt}, tr("ZNT ERROR"));
    m_context.focusList();
}

// --- Extracting many ---------------------------------------------------------------

void BulkCommands::extractSelectedFiles(bool toExtractFolder)
{
    if (!m_context.session().isOpen() || m_context.session().ListedCount() == 0)
        return;
    const QList<qint64> ids = selectedIds();
    if (!ids.isEmpty())
        extractFiles(ids, toExtractFolder);
}

void BulkCommands::extractListedFiles(bool toExtractFolder)
{
    LibrarySession& session = m_context.session();
    if (!session.isOpen() || session.ListedCount() == 0)
        return;
    if (!FileExtractor::MayExtract(m_state.AccessLevel, session.Config())) {
        m_context.ShowAccessDenied();
        return;
    }
    extractFiles({}, toExtractFolder);
}

// ids: the records to make current in turn; empty for the whole list.
void BulkCommands::extractFiles(const QList<qint64>& ids, bool toExtractFolder)
{
    LibrarySession& session = m_context.session();
    QString folder = m_state.ExtractFolder;
    if (toExtractFolder) {
        if (Status ready = ExtractionFolder(folder).Prepare(); !ready) {
            MessageBoxes::show(m_context.mainWidget(), ExtractionFolder::Refusal(ready));
            return;
        }
    } else {
        const std::optional<QString> picked = Prompts::pickFolder(
            m_context.mainWidget(), m_state.Settings.PickFolder, m_state.ProgramFolder());
        if (!picked)
            return;
        folder = *picked;
        m_state.Settings.PickFolder = folder;
    }
    m_context.SaveRecordEdits();
    m_editDetection->stop();
    m_context.recordPane().showDetailsPage();
    Recordset* list = session.DCMain();
    const int count = ids.isEmpty() ? list->recordCount() : int(ids.size());
    auto record = [&](int i) -> Result<MainRecord> {
        if (ids.isEmpty())
            session.MoveTo(i);
        else if (Status found = list->setBookmark(ids[i]); !found)
            return found;
        return list->currentRecord();
    };
    BulkExtractionSummary report;
    {
        TransferProgressHost host(m_state, m_context.mainWidget());
        // One window with Cancel for the large files of the whole run.
        host.holdWindow(true);
        // Files in the way are asked about only in a folder the user chose.
        ExtractConflictQuestion question(m_state, m_context.mainWidget(), &host);
        m_context.mainWidget()->setEnabled(false);
        {
            // The details panel need not follow every record of the run.
            const ListPositionHold hold(m_state);
            report = BulkExtraction(transferSettingsOf(m_state), session.database())
                         .Run(folder, count, record, host, toExtractFolder ? nullptr : &question);
            host.CloseProgress();
        }
        m_context.mainWidget()->setEnabled(true);
    }
    session.MoveLast();
    if (report.shown)
        m_context.showOutcome(*report.shown, FileExtractor::kErrorTitle);
    if (toExtractFolder)
        openFolder(folder);
    m_context.focusList();
}

// --- The extraction folder ---------------------------------------------------------

Status BulkCommands::ClearExtractFolder(bool overwrite)
{
    // The previewer lets go of any copy it shows.
    m_context.recordPane().showDetailsPage();
    QApplication::processEvents();
    return ExtractionFolder(m_state.ExtractFolder).ClearExtractFolder(overwrite).status();
}

void BulkCommands::clearExtractionFolder()
{
    if (Status cleared = ClearExtractFolder(); !cleared) {
        MessageBoxes::show(m_context.mainWidget(), ExtractionFolder::Refusal(cleared));
        return;
    }
    MessageBoxes::information(m_context.mainWidget(), ExtractionFolder::kToolsTitle,
                              ExtractionFolder::kClearedText);
}

void BulkCommands::showExtractionFolder()
{
    if (Status ready = ExtractionFolder(m_state.ExtractFolder).Prepare(); !ready) {
        MessageBoxes::show(m_context.mainWidget(), ExtractionFolder::Refusal(ready));
        return;
    }
    openFolder(m_state.ExtractFolder);
}

void BulkCommands::openFolder(const QString& folder)
{
    if (!Prompts::fileOpener().OpenFile(folder))
        MessageBoxes::show(m_context.mainWidget(),
                           FileOpener::NotOpenedNotice(folder, m_state.newLineOrDefault()));
}

void BulkCommands::ClearAndWipeAtExit()
{
    m_editDetection->stop();
    const bool wipe = m_state.Settings.SecurityWipeOnExit;
    // A refused folder (a link in its place) is left alone, and exit goes
    // on without a word: nothing there is the program's to delete.
    if (!ClearExtractFolder(wipe) || !wipe)
        return;
    TransferProgressHost host(m_state, m_context.mainWidget());
    ExtractionFolder(m_state.ExtractFolder).SecurityWipe(m_state.Settings.WipeAmount, host);
}

} // namespace zentaro
