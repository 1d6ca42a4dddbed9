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
#include "ui/transfer/TransferSettingsOf.h"
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
    const Outcome refused = AddFilesBatch::CheckCommand(transferSettingsOf(state), form.session().Config());
    if (refused.status.code() == ErrorCode::ReadOnly) {
        MessageBoxes::show(&form, AddFilesBatch::ReadOnlyNotice(state.NewLine));
        return false;
    }
    if (refused.status.code() == ErrorCode::AccessDenied) {
        form.CheckAccess(AccessRights::Command::AddFiles);
        return false;
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
    if (!FileExtractor::MayExtract(m_state.AccessLevel, session.Config())) {
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
    FileExtractor extractor(transferSettingsOf(m_state), m_form.session().database());
    const Result<OpenedCopy> copy =
        extractor.ExtractAndOpen(*record, m_form.session().Config(), host, Prompts::fileOpener());
    if (copy.code() == ErrorCode::AccessDenied)
        m_form.ShowAccessDenied();
    else if (!copy)
        m_form.showOutcome(copy.outcome(), FileExtractor::kErrorTitle);
    else if (copy->file.replacedName)
        m_form.showOutcome({Status::success(), copy->file.replacedName}, FileExtractor::kErrorTitle);
    if (copy && copy->notOpened)
        MessageBoxes::show(&m_form, *copy->notOpened);
    if (copy && copy->watchForEdits)
        m_form.bulk().editDetection().startWatch(copy->file.path, record->MainID);
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
    FileExtractor extractor(transferSettingsOf(m_state), m_form.session().database());
    ExtractConflictQuestion conflicts(m_state, &m_form, &host);
    const Result<ExtractedFile> extracted = extractor.ExtractToFolder(*record, *folder, conflicts, host);
    if (!extracted)
        m_form.showOutcome(extracted.outcome(), FileExtractor::kErrorTitle);
    else if (extracted->replacedName)
        m_form.showOutcome({Status::success(), extracted->replacedName}, FileExtractor::kErrorTitle);
    m_form.gridMain()->setFocus();
}

} // namespace zentaro
