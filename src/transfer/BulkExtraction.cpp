#include "transfer/BulkExtraction.h"

#include "core/DiskSync.h"
#include "core/FileErrorText.h"
#include "transfer/FileNameRules.h"
#include "core/Progress.h"

#include <QDir>


namespace zentaro {

BulkExtraction::BulkExtraction(TransferSettings settings, std::shared_ptr<Database> database,
                               FreeSpace::Probe freeSpace)
    : m_newLine(settings.newLine), m_extractor(std::move(settings), std::move(database), std::move(freeSpace))
{
}

QString BulkExtraction::newLine() const
{
    return m_newLine;
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
}

Status BulkExtraction::end()
{
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
        const Outcome failed = FileExtractor::WriteFailure(*failure, newLine());
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

std::optional<Outcome> BulkExtraction::writeFailure() const
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

Result<ExtractedFile> BulkExtraction::extractOne(const MainRecord& record, const QString& folder, Progress& progress)
{
    // A file with a window of its own waits for the small ones before it, so
    // the run's files are written, and fail, in their order.
    if (record.FileSize > FileExtractor::kProgressThreshold)
        m_writer.wait();
    if (std::optional<Outcome> failed = writeFailure())
        return *failed;
    const ExtractTarget own = FileNameRules::TargetFor(folder, record.MainID, record.FileName, record.FileType);
    Result<ExtractedFile> extracted = [&] {
        if (m_written.contains(own.path)) {
            MainRecord named = record;
            named.FileName = record.FileName + QStringLiteral(" (%1)").arg(record.MainID);
            return m_extractor.ExtractInto(named, folder, progress);
        }
        return m_extractor.ExtractTo(record, own, progress, !mayBeThere(folder, own.path));
    }();
    if (extracted && extracted->fate != ExtractedFile::Fate::Skipped) {
        m_written.insert(extracted->path);
        m_folders.insert(folder);
        if (!extracted->queued) {
            // Listed after the queued files before it.
            m_writer.wait();
            collectWritten();
            m_done.push_back(extracted->path);
        }
    }
    return extracted;
}

BulkExtractionSummary BulkExtraction::Run(const QString& folder, int count,
                                          const std::function<Result<MainRecord>(int)>& record, Progress& progress,
                                          ConflictResolver* conflicts)
{
    BulkExtractionSummary report;
    setConflicts(conflicts);
    begin();
    for (int i = 0; i < count; ++i) {
        Result<MainRecord> current = record(i);
        if (!current) {
            report.shown = Outcome{current.status(), std::nullopt};
            break;
        }
        const Result<ExtractedFile> extracted = extractOne(*current, folder, progress);
        if (!extracted) {
            report.cancelled = extracted.cancelled();
            if (!extracted.cancelled())
                report.shown = extracted.outcome();
            break;
        }
        if (extracted->fate == ExtractedFile::Fate::Skipped)
            ++report.skipped;
        if (extracted->replacedName && !report.shown)
            report.shown = Outcome{Status::success(), extracted->replacedName};
        // A Cancel given while a file was kept or finished ends the run too.
        if (progress.cancelRequested()) {
            report.cancelled = true;
            break;
        }
    }
    const Status synced = end();
    report.written = static_cast<int>(takeWritten().size());
    if (std::optional<Outcome> failed = writeFailure()) {
        // A small file that was still on its way when the loop ended.
        report.shown = *failed;
    } else if (!synced) {
        // Files that may not have reached the disk are no success.
        report.shown =
            Outcome::failed(synced, FileExtractor::WriteFailure(folder, synced.message(), newLine()));
    }
    return report;
}

} // namespace zentaro
