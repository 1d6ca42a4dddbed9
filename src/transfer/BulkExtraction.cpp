#include "transfer/BulkExtraction.h"

#include "core/ProgramState.h"
#include "transfer/FileNameRules.h"
#include "transfer/ProgressHost.h"

namespace zentaro {

BulkExtraction::BulkExtraction(ProgramState& state, std::shared_ptr<Database> database, FreeSpace::Probe freeSpace)
    : m_state(state), m_extractor(state, std::move(database), std::move(freeSpace))
{
}

void BulkExtraction::begin()
{
    m_written.clear();
    m_state.BulkExtraction = true;
    m_state.CancelRequested = false;
}

void BulkExtraction::end(ProgressHost& host)
{
    m_state.BulkExtraction = false;
    // The window a large file opened has stayed open until now.
    host.CloseProgress();
    m_state.CancelRequested = false;
}

TransferOutcome BulkExtraction::extractOne(const MainRecord& record, const QString& folder, ProgressHost& host)
{
    const ExtractTarget own = FileNameRules::TargetFor(folder, record.MainID, record.FileName, record.FileType);
    MainRecord named = record;
    if (m_written.contains(own.path))
        named.FileName = record.FileName + QStringLiteral(" (%1)").arg(record.MainID);
    TransferOutcome outcome = m_extractor.ExtractInto(named, folder, host);
    if (outcome.ok() && !m_state.CancelRequested)
        m_written.insert(m_state.CurrentFilePath);
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
    end(host);
    return report;
}

} // namespace zentaro
