#include "ui/transfer/FileCommands.h"

#include "core/SettingsFile.h"
#include "library/LibrarySession.h"
#include "store/Recordset.h"
#include "transfer/AddFilesBatch.h"
#include "transfer/FileExtractor.h"
#include "ui/transfer/ExtractConflictQuestion.h"
#include "ui/main/MainForm.h"
#include "ui/common/MessageBoxes.h"
#include "ui/common/ProgressWindow.h"
#include "ui/common/Prompts.h"
#include "ui/common/TransferProgressHost.h"
#include "ui/transfer/BulkCommands.h"
#include "ui/transfer/EditDetection.h"
#include "ui/main/DropHandler.h"
#include "ui/main/RecordPane.h"

#include <QTableView>

namespace zentaro {

FileCommands::FileCommands(ProgramState& state, MainForm& form) : QObject(&form), m_state(state), m_form(form)
{
    // Files dropped onto the list are added as these commands add them.
    new DropHandler(state, form, form.gridMain()->viewport());
}

bool FileCommands::readyToAddFiles(ProgramState& state, MainForm& form)
{
    switch (AddFilesBatch::CheckCommand(state, form.session().Config())) {
    case AddFilesBatch::Refusal::ReadOnly:
        MessageBoxes::show(&form, AddFilesBatch::ReadOnlyNotice(state.NewLine));
        return false;
    case AddFilesBatch::Refusal::AccessDenied:
        form.CheckAccess(AccessRights::Command::AddFiles);
        return false;
    case AddFilesBatch::Refusal::None:
        break;
    }
    form.SaveRecordEdits();
    return true;
}

void FileCommands::addFiles()
{
    LibrarySession& session = m_form.session();
    if (!session.isOpen())
        return;
    if (!readyToAddFiles(m_state, m_form))
        return;
    m_form.recordPane().showDetailsPage();
    ProgramState& state = m_state;
    Prompts::runAddFiles(&m_form, m_state, session.database(),
                         [&state] { return state.settingsFile().SaveSettings(); });
    m_form.showOutcome({session.RequeryList(), std::nullopt}, QStringLiteral("ZNT ERROR"));
    m_form.gridMain()->setFocus();
}

std::optional<MainRecord> FileCommands::recordToExtract()
{
    LibrarySession& session = m_form.session();
    if (!session.isOpen() || !session.DCMain()->hasCurrent())
        return std::nullopt;
    // The level is tested before anything on screen changes.
    if (!FileExtractor::MayExtract(m_state, session.Config())) {
        m_form.ShowAccessDenied();
        return std::nullopt;
    }
    m_form.SaveRecordEdits();
    Result<MainRecord> record = session.DCMain()->currentRecord();
    if (!record) {
        m_form.showOutcome({record.status(), std::nullopt}, FileExtractor::kErrorTitle);
        return std::nullopt;
    }
    return *record;
}

void FileCommands::extractAndOpen()
{
    const std::optional<MainRecord> record = recordToExtract();
    if (!record)
        return;
    m_form.recordPane().showDetailsPage();
    m_form.StopEditDetection();
    TransferProgressHost host(m_state, &m_form);
    FileExtractor extractor(m_state, m_form.session().database());
    const FileExtractor::OpenResult result =
        extractor.ExtractAndOpen(*record, m_form.session().Config(), host, Prompts::fileOpener());
    if (result.accessDenied)
        m_form.ShowAccessDenied();
    else
        m_form.showOutcome(result.outcome, FileExtractor::kErrorTitle);
    if (result.notOpened)
        MessageBoxes::show(&m_form, *result.notOpened);
    if (result.startEditDetection)
        m_form.bulk().editDetection().startWatch(m_state.CurrentFilePath, record->MainID);
    m_form.gridMain()->setFocus();
}

void FileCommands::extractToDisk()
{
    const std::optional<MainRecord> record = recordToExtract();
    if (!record)
        return;
    const std::optional<QString> folder =
        Prompts::pickFolder(&m_form, m_state.Settings.PickFolder, m_state.ProgramFolder());
    if (!folder)
        return;
    m_state.Settings.PickFolder = *folder;
    m_form.recordPane().showDetailsPage();
    TransferProgressHost host(m_state, &m_form);
    FileExtractor extractor(m_state, m_form.session().database());
    ExtractConflictQuestion conflicts(m_state, &m_form, &host);
    const TransferOutcome outcome = extractor.ExtractToFolder(*record, *folder, conflicts, host);
    m_form.showOutcome(outcome, FileExtractor::kErrorTitle);
    m_form.gridMain()->setFocus();
}

} // namespace zentaro
