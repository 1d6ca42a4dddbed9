#pragma once

#include "core/FreeSpace.h"
#include "core/Result.h"
#include "store/MainRecord.h"
#include "transfer/FileExtractor.h"
#include "core/Outcome.h"
#include "transfer/TransferSettings.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace zentaro {

class Database;
class Progress;

// What a run of many extractions did.
struct BulkExtractionSummary
{
    int written = 0;
    int skipped = 0; // left to the file in the way
    bool cancelled = false;
    // The failure that ended the run, or the first notice of a renamed record.
    std::optional<Outcome> shown;
};

// One run that extracts many records into one folder. Its progress is asked
// for a bar with Cancel for each large file; whoever shows it may keep one
// window open across the files of the run, which is its caller's to close.
// A Cancel ends the run. A record whose name was already written
// earlier in the run comes out as "FileName (MainID).FileType" instead of
// replacing (or, at the same size, silently standing in for) the other. In a
// folder the user chose, a file that was there before and holds other bytes
// goes to the run's resolver, whose answer for all stands for the rest.
class BulkExtraction
{
public:
    BulkExtraction(TransferSettings settings, std::shared_ptr<Database> database,
                   FreeSpace::Probe freeSpace = &FreeSpace::SystemProbe);

    // record(i) makes the i-th of count records current and returns it.
    // Stops after a failure or a Cancel; files already written stay.
    // conflicts: see setConflicts.
    BulkExtractionSummary Run(const QString& folder, int count, const std::function<Result<MainRecord>(int)>& record,
                              Progress& progress, ConflictResolver* conflicts = nullptr);

    // Who decides about files in the way: nullptr for the private extraction
    // folder (FileExtractor's size rule), a resolver for a folder the user chose.
    void setConflicts(ConflictResolver* conflicts);

    // One record of a run into folder, with the run's name rule. A small
    // file may still be on its way when this returns (it comes back queued):
    // a failure to write it is the outcome of the next call, or of end().
    Result<ExtractedFile> extractOne(const MainRecord& record, const QString& folder, Progress& progress);

    // Starts and ends a run by hand (extractOne between them). The files of
    // a run are synced together at its end, not one by one; end() fails when
    // one could not be written or the disk refused them then.
    void begin();
    Status end();

    // The files of the run written since the last call, in order.
    QStringList takeWritten();
    // Whether a small file could not be written (end() fails with it).
    bool writeFailed() const { return m_writer.failure().has_value(); }

private:
    // The writer's files so far, ahead of one written here.
    void collectWritten();
    // The writer's failure, if one happened, as the run's outcome.
    std::optional<Outcome> writeFailure() const;
    QString newLine() const;
    // Whether something of path's name may be in folder (which holds it).
    bool mayBeThere(const QString& folder, const QString& path);

    QString m_newLine;
    // Before the extractor, which points at it.
    BackgroundWriter m_writer;
    FileExtractor m_extractor;
    QStringList m_done;
    // The names in each folder of the run when it first wrote there; none
    // for a folder that could not be listed.
    QHash<QString, std::optional<QSet<QString>>> m_present;
    QSet<QString> m_written;
    QSet<QString> m_folders;
    ConflictResolver* m_conflicts = nullptr;
};

} // namespace zentaro
