#pragma once

#include "core/Notice.h"
#include "core/Outcome.h"
#include "transfer/TransferSettings.h"
#include "transfer/FileInserter.h"
#include "core/FreeSpace.h"

#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace zentaro {

class Database;
class Progress;
struct ConfigRow;

// What a batch of additions did.
struct AddedFiles
{
    // Done when every listed entry was looked at; ErrorCode::Cancelled when
    // halted after a Cancel ("ZNT Stopped" was shown); ErrorCode::DiskFull
    // when halted before a file that did not fit ("Cannot Insert" was shown).
    Outcome ending;
    QList<qint64> added;    // MainIDs, in insertion order
    QStringList failed;     // paths that were reported and not stored
    QStringList deleted;    // stored; no trash took the original, so it was deleted
    QStringList notRemoved; // stored, but the original could not be removed
};

// The add-files loop of the "Add File(s)" dialog, apart from its window:
// inserts the selected entries of one folder's listing one after another,
// checks the free space before each, moves originals to the trash once their
// records are durable, and stops between files after a Cancel (which the
// per-file bar's cancelRequested() tells).
//
// Small files share a transaction for speed; it is committed at least every
// half second (so other users of a shared library see new records soon),
// before any message is shown, and before any original is removed. A large
// file gets a transaction of its own.
class AddFilesBatch
{
public:
    struct Entry
    {
        QString Name;
        bool Selected = false;
        // The file's name as the file system holds it, for a name that is
        // not UTF-8 (Name is then its Windows-1252 reading); empty: Name's bytes.
        QByteArray Native = {};
    };

    // The dialog's side of the loop.
    class Host
    {
    public:
        virtual ~Host() = default;
        // The batch bar (AllFilesGauge).
        virtual void SetBatchPercent(int percent) = 0;
        // The name after "Current File".
        virtual void SetCurrentFile(const QString& name) = 0;
        // The per-file bar (FileGauge); its cancelRequested() lets window
        // events run and tells whether the batch is to stop before the next file.
        virtual Progress& FileBar() = 0;
        // Entry index is done: it no longer shows as selected.
        virtual void Deselect(int index) = 0;
        // Shows a message and waits until the user has seen it.
        virtual void ShowNotice(const Notice& notice) = 0;
        // Lets pending window events run (a click on Cancel).
        virtual void Yield() = 0;
    };

    // freeSpace tells the free bytes on the library's drive; tests inject it.
    AddFilesBatch(TransferSettings settings, std::shared_ptr<Database> database,
                  FreeSpace::Probe freeSpace = &FreeSpace::SystemProbe);
    ~AddFilesBatch();
    AddFilesBatch(const AddFilesBatch&) = delete;
    AddFilesBatch& operator=(const AddFilesBatch&) = delete;

    // The loop after "Begin". entries: the file list of folder, in order,
    // taken once.
    AddedFiles Run(const QString& folder, const QList<Entry>& entries, const SharedFields& fields,
               bool removeOriginals, Host& host);

    // The command "Add File(s) to Library" refuses a read-only library
    // (ErrorCode::ReadOnly, with ReadOnlyNotice) and a Browser
    // (ErrorCode::AccessDenied, no notice: the access-denied dialog).
    static Outcome CheckCommand(const TransferSettings& settings, const ConfigRow& config);
    static Notice ReadOnlyNotice(const QString& newLine);
    static Notice HaltNotice(const QString& newLine);
    // Names the originals that did not go to the trash: deleted where there
    // was none, or left where they could not be removed. Nothing when every
    // one is in the trash.
    static std::optional<Notice> RemovalNotice(const AddedFiles& report, const QString& newLine);

    // The file path of an entry of folder.
    static QString EntryPath(const QString& folder, const QString& name);

    // Files at least this large get a transaction of their own.
    static constexpr qint64 kOwnTransactionBytes = 1000000;
    // Longest time a shared transaction stays open between files.
    static constexpr qint64 kGroupMilliseconds = 500;

private:
    struct Pending
    {
        QString path;
        QByteArray native;
        qint64 mainId = 0;
    };

    void insertOne(const QString& path, const QByteArray& native, const SharedFields& fields, Progress& bar,
                   Host& host, AddedFiles& report);
    // Commits the shared transaction and then discards the originals it holds.
    void commitGroup(Host& host, AddedFiles& report);
    // The shared transaction was lost (the engine undid it after an error):
    // its files go in again, each on its own.
    void redoGroup(Host& host, AddedFiles& report);
    void removeOriginal(const QString& path, const QByteArray& native, AddedFiles& report);
    QString newLine() const;

    TransferSettings m_settings;
    std::shared_ptr<Database> m_db;
    FreeSpace::Probe m_freeSpace;
    FileInserter m_inserter;
    SharedFields m_fields;
    bool m_removeOriginals = false;
    bool m_groupOpen = false;
    QElapsedTimer m_groupAge;
    QList<Pending> m_group;
};

} // namespace zentaro
