#pragma once

#include "core/Drive.h"
#include "core/Notice.h"
#include "core/Outcome.h"
#include "core/Result.h"
#include "core/Status.h"
#include "core/FreeSpace.h"

#include <QString>

namespace zentaro {

class Database;
struct LibraryState;
class Progress;

// "Compact Library": the checks of the command and the compaction itself.
// A library with incremental auto-vacuum (every library made from the
// template, and every library once compacted) gives its free pages back in
// place, in one journalled transaction. Any other is compacted once the long
// way: the engine writes a compacted copy of CurrentLibraryPath to CMPCT.TMP
// in the program folder and copies it back over the library in one
// journalled transaction. Either way the library is held for this program
// alone meanwhile, it stays the same file, so other programs that have it
// open keep working on it, and at every moment the old or the new library
// is there.
class LibraryCompactor
{
public:
    // Compacts library.CurrentLibraryPath through a scratch file in programFolder.
    LibraryCompactor(const LibraryState& library, QString programFolder, Drive::Lookup lookup = &Drive::systemLookup,
                     FreeSpace::Probe freeSpace = &FreeSpace::SystemProbe);

    // Checks CurrentLibraryPath, LibraryReadOnly and AccessLevel, in this
    // order: ReadOnly ("ZNT Reminder"), AccessDenied (a Browser; the window
    // shows its access-denied dialog instead of the notice), InvalidArgument
    // (not on the program folder's file system), DiskFull (fewer free bytes
    // than the library's size). Each refusal carries its notice.
    Outcome CheckCommand() const;
    // The Yes/No question asked before CompactLibrary.
    Notice Confirmation() const;

    // The library's size before and after a compaction.
    struct Sizes
    {
        qint64 OldSize = 0;
        qint64 NewSize = 0;
        qint64 recovered() const { return OldSize - NewSize; }
    };
    // Compacts the library at CurrentLibraryPath, which the caller has
    // closed. On an engine error (InUse when another program is working on
    // it) the library is untouched. The temporary file is removed either way;
    // one left by an earlier run is removed first.
    Result<Sizes> CompactLibrary(Progress& progress);
    // What the user is told afterwards: "Compaction Process Complete" and the
    // bytes recovered, or "ERROR Compacting Library" and why.
    // Compacts the open server library database on its own connection
    // (VACUUM, or VACUUM FULL when it is held exclusively): OldSize is the
    // bytes recovered, NewSize 0.
    static Result<Sizes> CompactServerLibrary(Database& database, Progress& progress);
    static Notice CompletionNotice(const Sizes& sizes);
    static Notice FailureNotice(const Status& why);

    // Program folder + "/CMPCT.TMP". While another compaction run holds that
    // one, a run uses "CMPCT-1.TMP" and so on beside it.
    QString TempPath() const;
    // A library on a server is compacted by the server (VACUUM), shared
    // unless this asks for an exclusive open (VACUUM FULL).
    void setServerExclusive(bool exclusive) { m_serverExclusive = exclusive; }

    // The temporary file the last CompactLibrary used.
    const QString& LastTempPath() const { return m_lastTempPath; }
    // "Compaction Process Complete", two NewLines, the bytes recovered.
    static QString CompletionText(qint64 oldSize, qint64 newSize, const QString& newLine);

    static inline const QString kProgressText = QStringLiteral("Compacting Library...Please Wait");
    static inline const QString kTempName = QStringLiteral("CMPCT.TMP");
    static inline const QString kReminderTitle = QStringLiteral("ZNT Reminder");
    static inline const QString kOtherDriveTitle = QStringLiteral("Can't Compact on this drive");
    static inline const QString kNoSpaceTitle = QStringLiteral("Can't Compact Library");
    static inline const QString kConfirmTitle = QStringLiteral("Confirm Library Compact Process");

private:
    const LibraryState& m_state;
    QString m_programFolder;
    Drive::Lookup m_lookup;
    FreeSpace::Probe m_freeSpace;
    QString m_lastTempPath;
    bool m_serverExclusive = false;
};

} // namespace zentaro
