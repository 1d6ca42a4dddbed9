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
#include "ui/transfer/ExtractConflictQuestion.h"
#include "ui/main/MainForm.h"
#include "ui/common/MessageBoxes.h"
#include "ui/common/MousePointer.h"
#include "ui/common/Prompts.h"
#include "ui/common/ProgressWindow.h"
#include "ui/common/TransferProgressHost.h"
#include "ui/transfer/EditDetection.h"
#include "ui/main/CommandRegistry.h"
#include "ui/main/RecordPane.h"

#include <QAction>
#include <QApplication>
#include <QItemSelectionModel>
#include <QMenu>
#include <QTableView>

namespace zentaro {

BulkCommands::BulkCommands(ProgramState& state, MainForm& form) : QObject(&form), m_state(state), m_form(form)
{
    m_editDetection = new EditDetection(state, form);
    CommandRegistry& c = form.commands();
    c.bind(QStringLiteral("edbar"), this, [this] { deleteCurrentFile(); });
    c.bind(QStringLiteral("menuDeleteCurrentFile"), this, [this] { deleteCurrentFile(); });
    c.bind(QStringLiteral("menuDeleteSelectedFiles"), this, [this] { deleteSelectedFiles(); });
    c.bind(QStringLiteral("menuDeleteListedFiles"), this, [this] { deleteListedFiles(); });
    c.bind(QStringLiteral("menuExtractSelectedFilestoExtractFolder"), this, [this] { extractSelectedFiles(true); });
    c.bind(QStringLiteral("menuExtractSelectedFilestoDisk"), this, [this] { extractSelectedFiles(false); });
    c.bind(QStringLiteral("menuExtractListedFilestoExtractFolder"), this, [this] { extractListedFiles(true); });
    c.bind(QStringLiteral("menuExtractListedFilestoDisk"), this, [this] { extractListedFiles(false); });
    c.bind(QStringLiteral("tdbar"), this, [this] { clearExtractionFolder(); });
    c.bind(QStringLiteral("vebar"), this, [this] { showExtractionFolder(); });
    if (QMenu* popup = c.menu(QStringLiteral("Pbar")))
        connect(popup, &QMenu::aboutToShow, this, &BulkCommands::updateSelectionEntries);
    connect(&form.listPane(), &ListPane::selectionChanged, this, &BulkCommands::updateSelectionEntries);
    updateSelectionEntries();
}

void BulkCommands::updateSelectionEntries()
{
    // Both "Selected Files" entries need a selected row.
    const bool any = m_form.listPane().selectedCount() > 0;
    CommandRegistry& c = m_form.commands();
    for (const char* name : {"menuExtractSelectedFiles", "menuDeleteSelectedFiles"}) {
        if (QMenu* sub = c.menu(QString::fromLatin1(name)))
            sub->menuAction()->setEnabled(any);
    }
    for (const char* name : {"menuExtractSelectedFilestoExtractFolder", "menuExtractSelectedFilestoDisk",
                             "menuDeleteSelectedFiles"}) {
        if (QAction* entry = c.action(QString::fromLatin1(name)))
            entry->setEnabled(any && m_form.session().isOpen());
    }
}

QList<qint64> BulkCommands::selectedIds() const
{
    QList<qint64> ids;
    Recordset* list = m_form.session().DCMain();
    QItemSelectionModel* selection = m_form.gridMain()->selectionModel();
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
    MessageBoxes::show(&m_form, RecordDeleter::ReadOnlyNotice(m_state.NewLine));
    return true;
}

// --- Deleting ----------------------------------------------------------------------

void BulkCommands::deleteCurrentFile()
{
    LibrarySession& session = m_form.session();
    if (!session.isOpen() || session.ListedCount() == 0)
        return;
    if (refusedAsReadOnly() || !m_form.CheckAccess(AccessRights::Command::DeleteCurrent))
        return;
    if (!MessageBoxes::askYesNo(&m_form, RecordDeleter::kCurrentTitle, RecordDeleter(session).CurrentFileQuestion(),
                                MessageIcon::Exclamation))
        return;
    m_editDetection->stop();
    RecordDeleter deleter(session);
    m_form.showOutcome({deleter.DeleteCurrentFile(), std::nullopt}, QStringLiteral("ZNT ERROR"));
    m_form.gridMain()->setFocus();
}

void BulkCommands::deleteSelectedFiles()
{
    LibrarySession& session = m_form.session();
    if (!session.isOpen() || refusedAsReadOnly())
        return;
    const QList<qint64> ids = selectedIds();
    if (session.ListedCount() == 0 || ids.isEmpty())
        return;
    if (!m_form.CheckAccess(AccessRights::Command::DeleteCurrent))
        return;
    if (!MessageBoxes::askYesNo(&m_form, RecordDeleter::kSelectedTitle, RecordDeleter::kSelectedText, MessageIcon::Exclamation))
        return;
    m_editDetection->stop();
    m_form.recordPane().showDetailsPage();
    MousePointer::setWait();
    Status done;
    {
        TransferProgressHost host(m_state, &m_form);
        host.OpenWithoutBar(RecordDeleter::kDeletingText);
        host.Yield();
        done = RecordDeleter(session).DeleteSelectedFiles(ids);
    }
    MousePointer::restoreDefault();
    m_form.showOutcome({done, std::nullopt}, QStringLiteral("ZNT ERROR"));
    m_form.gridMain()->setFocus();
}

void BulkCommands::deleteListedFiles()
{
    LibrarySession& session = m_form.session();
    if (!session.isOpen() || refusedAsReadOnly() || session.ListedCount() == 0)
        return;
    if (!m_form.CheckAccess(AccessRights::Command::DeleteCurrent))
        return;
    if (!MessageBoxes::askYesNo(&m_form, RecordDeleter::kListedTitle, RecordDeleter(session).ListedFilesQuestion(),
                                MessageIcon::Exclamation))
        return;
    m_editDetection->stop();
    m_form.recordPane().showDetailsPage();
    RecordDeleter deleter(session);
    Result<qint64> deleted = qint64(0);
    {
        TransferProgressHost host(m_state, &m_form);
        host.OpenWithoutBar(RecordDeleter::kDeletingText);
        host.Yield();
        deleted = deleter.DeleteListedFiles();
    }
    if (!deleted) {
        // Nothing was deleted: the list and the search stay.
        MessageBoxes::show(&m_form, RecordDeleter::ListRefusal(deleted.status(), m_state.NewLine));
        m_form.gridMain()->setFocus();
        return;
    }
    MessageBoxes::information(&m_form, RecordDeleter::kCompleteTitle, RecordDeleter::kCompleteText);
    m_form.showOutcome({deleter.ShowRemainingFiles(), std::nullopt}, QStringLiteral("ZNT ERROR"));
    m_form.gridMain()->setFocus();
}

// --- Extracting many ---------------------------------------------------------------

void BulkCommands::extractSelectedFiles(bool toExtractFolder)
{
    if (!m_form.session().isOpen() || m_form.session().ListedCount() == 0)
        return;
    const QList<qint64> ids = selectedIds();
    if (!ids.isEmpty())
        extractFiles(ids, toExtractFolder);
}

void BulkCommands::extractListedFiles(bool toExtractFolder)
{
    LibrarySession& session = m_form.session();
    if (!session.isOpen() || session.ListedCount() == 0)
        return;
    if (!FileExtractor::MayExtract(m_state.AccessLevel, session.Config())) {
        m_form.ShowAccessDenied();
        return;
    }
    extractFiles({}, toExtractFolder);
}

// ids: the records to make current in turn; empty for the whole list.
void BulkCommands::extractFiles(const QList<qint64>& ids, bool toExtractFolder)
{
    LibrarySession& session = m_form.session();
    QString folder = m_state.ExtractFolder;
    if (toExtractFolder) {
        if (Status ready = ExtractionFolder(folder).Prepare(); !ready) {
            MessageBoxes::show(&m_form, ExtractionFolder::Refusal(ready));
            return;
        }
    } else {
        const std::optional<QString> picked =
            Prompts::pickFolder(&m_form, m_state.Settings.PickFolder, m_state.ProgramFolder());
        if (!picked)
            return;
        folder = *picked;
        m_state.Settings.PickFolder = folder;
    }
    m_form.SaveRecordEdits();
    m_editDetection->stop();
    m_form.recordPane().showDetailsPage();
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
        TransferProgressHost host(m_state, &m_form);
        // One window with Cancel for the large files of the whole run.
        host.holdWindow(true);
        // Files in the way are asked about only in a folder the user chose.
        ExtractConflictQuestion question(m_state, &m_form, &host);
        m_form.setEnabled(false);
        {
            // The details panel need not follow every record of the run.
            const ListPositionHold hold(m_state);
            report = BulkExtraction(transferSettingsOf(m_state), session.database())
                         .Run(folder, count, record, host, toExtractFolder ? nullptr : &question);
            host.CloseProgress();
        }
        m_form.setEnabled(true);
    }
    session.MoveLast();
    if (report.shown)
        m_form.showOutcome(*report.shown, FileExtractor::kErrorTitle);
    if (toExtractFolder)
        openFolder(folder);
    m_form.gridMain()->setFocus();
}

// --- The extraction folder ---------------------------------------------------------

Status BulkCommands::ClearExtractFolder(bool overwrite)
{
    // The previewer lets go of any copy it shows.
    m_form.recordPane().showDetailsPage();
    QApplication::processEvents();
    return ExtractionFolder(m_state.ExtractFolder).ClearExtractFolder(overwrite).status();
}

void BulkCommands::clearExtractionFolder()
{
    if (Status cleared = ClearExtractFolder(); !cleared) {
        MessageBoxes::show(&m_form, ExtractionFolder::Refusal(cleared));
        return;
    }
    MessageBoxes::information(&m_form, ExtractionFolder::kToolsTitle, ExtractionFolder::kClearedText);
}

void BulkCommands::showExtractionFolder()
{
    if (Status ready = ExtractionFolder(m_state.ExtractFolder).Prepare(); !ready) {
        MessageBoxes::show(&m_form, ExtractionFolder::Refusal(ready));
        return;
    }
    openFolder(m_state.ExtractFolder);
}

void BulkCommands::openFolder(const QString& folder)
{
    if (!Prompts::fileOpener().OpenFile(folder))
        MessageBoxes::show(&m_form, FileOpener::NotOpenedNotice(folder, m_state.newLineOrDefault()));
}

void BulkCommands::ClearAndWipeAtExit()
{
    m_editDetection->stop();
    const bool wipe = m_state.Settings.SecurityWipeOnExit;
    // A refused folder (a link in its place) is left alone, and exit goes
    // on without a word: nothing there is the program's to delete.
    if (!ClearExtractFolder(wipe) || !wipe)
        return;
    TransferProgressHost host(m_state, &m_form);
    ExtractionFolder(m_state.ExtractFolder).SecurityWipe(m_state.Settings.WipeAmount, host);
}

} // namespace zentaro
