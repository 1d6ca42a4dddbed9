#include "transfer/BulkExtraction.h"

#include "core/DiskSync.h"
#include "core/FileErrorText.h"
#include "core/ProgramState.h"
#include "transfer/FileNameRules.h"
#include "transfer/ProgressHost.h"

#include <QDir>


namespace zentaro {

BulkExtraction::BulkExtraction(ProgramState& state, std::shared_ptr<Database> database, FreeSpace::Probe freeSpace)
    : m_state(state), m_extractor(state, std::move(database), std::move(freeSpace))
{
}

QString BulkExtraction::newLine() const
{
    return m_state.newLineOrDefault();
}

void BulkExtraction::begin()
{
    m_written.clear();
    m_present.clear();
    m_folders.clear();
    m_done.clear();
    m_extractor.setSyncEachFile(false);
    m_extractor.setWriteBehind(&m_writer);
    // An answer for all lasts one run.
    m_extractor.setConflicts(m_conflicts);
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
    m_extractor.setWriteBehind(nullptr);
    m_writer.wait();
    collectWritten();
    // One sync for the whole run, as cp and sync would do it: a sync per small
    // file costs ten times the copy. The files written before a failure are
    // synced too.
    Status synced;
    for (const QString& folder : std::as_const(m_folders)) {
        if (const int error = DiskSync::syncFileSystemOf(folder)) {
            synced = Status::failure(FileErrorText::codeFor(error), QStringLiteral("The extracted files in %1 could not be saved to the disk: %2")
                                               .arg(folder, FileErrorText::forErrno(error)));
            break;
        }
    }
    m_folders.clear();
    if (const std::optional<BackgroundWriter::Failure> failure = m_writer.failure()) {
        const TransferOutcome failed = FileExtractor::WriteFailure(*failure, newLine());
        return Status::failure(failed.status.code(), QStringLiteral("%1 could not be written: %2")
                                                         .arg(failure->path, failed.status.message()));
    }
    return synced;
}

void BulkExtraction::setConflicts(ConflictResolver* conflicts)
{
    m_conflicts = conflicts;
    m_extractor.setConflicts(conflicts);
}

void BulkExtraction::collectWritten()
{
    m_done += m_writer.takeWritten();
}

QStringList BulkExtraction::takeWritten()
{
    collectWritten();
    QStringList done;
    done.swap(m_done);
    return done;
}

std::optional<TransferOutcome> BulkExtraction::writeFailure() const
{
    const std::optional<BackgroundWriter::Failure> failure = m_writer.failure();
    if (!failure)
        return std::nullopt;
    return FileExtractor::WriteFailure(*failure, newLine());
}

bool BulkExtraction::mayBeThere(const QString& folder, const QString& path)
{
    auto listed = m_present.find(folder);
    if (listed == m_present.end()) {
        // Listed once, when the run first writes there: a status call for
        // each file costs more than the file. A folder that cannot be
        // listed is asked file by file.
        std::optional<QSet<QString>> names;
        QDir dir(folder);
        if (dir.isReadable()) {
            const QStringList entries =
                dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
            names = QSet<QString>(entries.begin(), entries.end());
        }
        listed = m_present.insert(folder, names);
    }
    if (!*listed)
        return true;
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    return (*listed)->contains(name);
}

TransferOutcome BulkExtraction::extractOne(const MainRecord& record, const QString& folder, ProgressHost& host)
{
    // A file with a window of its own waits for the small ones before it, so
    // the run's files are written, and fail, in their order.
    if (record.FileSize > FileExtractor::kProgressThreshold)
        m_writer.wait();
    if (std::optional<TransferOutcome> failed = writeFailure()) {
        m_state.CancelRequested = true;
        return *failed;
    }
    const ExtractTarget own = FileNameRules::TargetFor(folder, record.MainID, record.FileName, record.FileType);
    TransferOutcome outcome;
    if (m_written.contains(own.path)) {
        MainRecord named = record;
        named.FileName = record.FileName + QStringLiteral(" (%1)").arg(record.MainID);
        outcome = m_extractor.ExtractInto(named, folder, host);
    } else {
        outcome = m_extractor.ExtractTo(record, own, host, !mayBeThere(folder, own.path));
    }
    if (outcome.ok() && !m_state.CancelRequested && !m_extractor.skippedLast()) {
        m_written.insert(m_state.CurrentFilePath);
        m_folders.insert(folder);
        if (!m_extractor.queuedLast()) {
            // Listed after the queued files before it.
            m_writer.wait();
            collectWritten();
            m_done.push_back(m_state.CurrentFilePath);
        }
    }
    return outcome;
}

BulkExtraction::Report BulkExtraction::Run(const QString& folder, int count,
                                           const std::function<Result<MainRecord>(int)>& record,
                                           ProgressHost& host, ConflictResolver* conflicts)
{
    Report report;
    setConflicts(conflicts);
    begin();
    for (int i = 0; i < count; ++i) {
        Result<MainRecord> current = record(i);
        if (!current) {
            report.shown = TransferOutcome{current.status(), std::nullopt};
            break;
        }
        const TransferOutcome outcome = extractOne(*current, folder, host);
        if (skippedLast())
            ++report.skipped;
        if (outcome.ok() && !m_state.CancelRequested) {
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
    const Status synced = end(host);
    report.written = static_cast<int>(takeWritten().size());
    if (std::optional<TransferOutcome> failed = writeFailure()) {
        // A small file that was still on its way when the loop ended.
        report.shown = *failed;
    } else if (!synced) {
        // Files that may not have reached the disk are no success.
        report.shown =
            TransferOutcome::failed(synced, FileExtractor::WriteFailure(folder, synced.message(), newLine()));
    }
    return report;
}

} // namespace zentaro
