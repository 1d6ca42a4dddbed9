#include "transfer/BulkExtraction.h"

#include "core/DiskSync.h"
#include "core/FileErrorText.h"
#include "core/ProgramState.h"
#include "transfer/FileNameRules.h"
#include "transfer/ProgressHost.h"

#include <cerrno>

namespace zentaro {

BulkExtraction::BulkExtraction(ProgramState& state, std::shared_ptr<Database> database, FreeSpace::Probe freeSpace)
    : m_state(state), m_extractor(state, std::move(database), std::move(freeSpace))
{
}

void BulkExtraction::begin()
{
    m_written.clear();
    m_folders.clear();
    m_extractor.setSyncEachFile(false);
    m_state.BulkExtraction = true;
    m_state.CancelRequested = false;
}

Status BulkExtraction::end(ProgressHost& host)
{
    m_state.BulkExtraction = false;
    // The window a large file opened has stayed open until now.
    host.CloseProgress();
    m_state.CancelRequested = false;
    m_extractor.setSyncEachFile(true);
    // One sync for the whole run, as cp and sync would do it: a sync per small
    // file costs ten times the copy.
    for (const QString& folder : std::as_const(m_folders)) {
        if (const int error = DiskSync::syncFileSystemOf(folder)) {
            const ErrorCode code = error == ENOSPC || error == EDQUOT ? ErrorCode::DiskFull : ErrorCode::Io;
            return Status::failure(code, QStringLiteral("The extracted files in %1 could not be saved to the disk: %2")
                                             .arg(folder, FileErrorText::forErrno(error)));
        }
    }
    m_folders.clear();
    return {};
}

TransferOutcome BulkExtraction::extractOne(const MainRecord& record, const QString& folder, ProgressHost& host)
{
    const ExtractTarget own = FileNameRules::TargetFor(folder, record.MainID, record.FileName, record.FileType);
    MainRecord named = record;
    if (m_written.contains(own.path))
        named.FileName = record.FileName + QStringLiteral(" (%1)").arg(record.MainID);
    TransferOutcome outcome = m_extractor.ExtractInto(named, folder, host);
    if (outcome.ok() && !m_state.CancelRequested) {
        m_written.insert(m_state.CurrentFilePath);
        m_folders.insert(folder);
    }
    return outcome;
}

BulkExtraction::Report BulkExtraction::Run(const QString& folder, int count,
                                           const std::function<Result<MainRecord>(int)>& record,
                                           ProgressHost& host)
{
    Report report;
    begin();
    for (int i = 0; i < count; ++i) {
        Result<MainRecord> current = record(i);
        if (!current) {
            report.shown = TransferOutcome{current.status(), std::nullopt};
            break;
        }
        const TransferOutcome outcome = extractOne(*current, folder, host);
        if (outcome.ok() && !m_state.CancelRequested) {
            ++report.written;
            if (outcome.notice && !report.shown)
                report.shown = outcome;
        } else {
            report.cancelled = outcome.cancelled() || outcome.ok();
            if (!outcome.cancelled() && !outcome.ok())
                report.shown = outcome;
        }
        if (m_state.CancelRequested)
            break;
    }
    if (Status synced = end(host); !synced) {
        // Files that may not have reached the disk are no success.
        report.shown = TransferOutcome::failed(
            synced, FileExtractor::WriteFailure(folder, synced.message(), m_state.NewLine.isEmpty()
                                                                               ? QStringLiteral("\r\n")
                                                                               : m_state.NewLine));
    }
    return report;
}

} // namespace zentaro
