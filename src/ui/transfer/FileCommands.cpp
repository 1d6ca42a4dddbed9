#include "ui/transfer/FileCommands.h"

#include "core/SettingsFile.h"
#include "library/LibrarySession.h"
#include "store/Recordset.h"
#include "transfer/AddFilesBatch.h"
#include "transfer/FileExtractor.h"
#include "ui/common/MessageBoxes.h"
#include "ui/common/ProgressWindow.h"
#include "ui/common/Prompts.h"
#include "ui/common/TransferProgressHost.h"
#include "ui/main/CommandContext.h"
#include "ui/main/CommandRegistry.h"
#include "ui/main/RecordPane.h"
#include "ui/transfer/BulkCommands.h"
#include "ui/transfer/EditDetection.h"
#include "ui/transfer/ExtractConflictQuestion.h"
#include "ui/transfer/TransferSettingsOf.h"

#include <QTableView>

namespace zentaro {

FileCommands::FileCommands(ProgramState& state, CommandContext& context)
    : QObject(context.mainWidget()), m_state(state), m_context(context)
{
}

bool FileCommands::readyToAddFiles(ProgramState& state, CommandContext& context)
{
    const Outcome refused =
        AddFilesBatch::CheckCommand(transferSettingsOf(state), context.session().Config());
    if (refused.status.code() == ErrorCode::ReadOnly) {
        MessageBoxes::show(context.mainWidget(), AddFilesBatch::ReadOnlyNotice(state.NewLine));
        return false;
    }
    if (refused.status.code() == ErrorCode::AccessDenied) {
        context.CheckAccess(AccessRights::Command::AddFiles);
        return false;
    }
    context.SaveRecordEdits();
    return true;
}

void FileCommands::addFiles()
{
    LibrarySession& session = m_context.session();
    if (!session.isOpen())
        return;
    if (!readyToAddFiles(m_state, m_context))
        return;
    m_context.recordPane().showDetailsPage();
    ProgramState& state = m_state;
    Prompts::runAddFiles(m_context.mainWidget(), m_state, session.database(),
                         [&state] { return state.settingsFile().SaveSettings(); });
    m_context.showOutcome({session.RequeryList(), std::nullopt}, tr("ZNT ERROR"));
    m_context.focusList();
}

std::optional<MainRecord> FileCommands::recordToExtract()
{
    LibrarySession& session = m_context.session();
    if (!session.isOpen() || !session.DCMain()->hasCurrent())
        return std::nullopt;
    // The level is tested before anything on screen changes.
    if (!FileExtractor::MayExtract(m_state.AccessLevel, session.Config())) {
        m_context.ShowAccessDenied();
        return std::nullopt;
    }
    m_context.SaveRecordEdits();
    Result<MainRecord> record = session.DCMain()->currentRecord();
    if (!record) {
        m_context.showOutcome({record.status(), std::nullopt}, FileExtractor::kErrorTitle);
        return std::nullopt;
    }
    return *record;
}

void FileCommands::extractAndOpen()
{
    const std::optional<MainRecord> record = recordToExtract();
    if (!record)
        return;
    m_context.recordPane().showDetailsPage();
    m_context.editDetection().stop();
    TransferProgressHost host(m_state, m_context.mainWidget());
    FileExtractor extractor(transferSettingsOf(m_state), m_context.session().database());
    const Result<OpenedCopy> copy = extractor.ExtractAndOpen(*record, m_context.session().Config(),
                                                             host, Prompts::fileOpener());
    if (copy.code() == ErrorCode::AccessDenied)
        m_context.ShowAccessDenied();
    else if (!copy)
        m_context.showOutcome(copy.outcome(), FileExtractor::kErrorTitle);
    else if (copy->file.replacedName)
        m_context.showOutcome({Status::success(), copy->file.replacedName},
                              FileExtractor::kErrorTitle);
    if (copy && copy->notOpened)
        MessageBoxes::show(m_context.mainWidget(), *copy->notOpened);
    if (copy && copy->watchForEdits)
        m_context.editDetection().startWatch(copy->file.path, record->MainID);
    m_context.focusList();
}

void FileCommands::extractToDisk()
{
    const std::optional<MainRecord> record = recordToExtract();
    if (!record)
        return;
    const std::optional<QString> folder = Prompts::pickFolder(
        m_context.mainWidget(), m_state.Settings.PickFolder, m_state.ProgramFolder());
    if (!folder)
        return;
    m_state.Settings.PickFolder = *folder;
    m_context.recordPane().showDetailsPage();
    TransferProgressHost host(m_state, m_context.mainWidget());
    FileExtractor extractor(transferSettingsOf(m_state), m_context.session().database());
    ExtractConflictQuestion conflicts(m_state, m_context.mainWidget(), &host);
    const Result<ExtractedFile> extracted = extractor.ExtractToFolder(*record, *folder, conflicts, host);
    if (!extracted)
        m_context.showOutcome(extracted.outcome(), FileExtractor::kErrorTitle);
    else if (extracted->replacedName)
        m_context.showOutcome({Status::success(), extracted->replacedName},
                              FileExtractor::kErrorTitle);
    m_context.focusList();
}

} // namespace zentaro
