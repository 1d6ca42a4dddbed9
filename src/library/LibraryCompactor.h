#pragma once

#include "core/Drive.h"
#include "core/Notice.h"
#include "core/Status.h"
#include "core/FreeSpace.h"

#include <QString>

namespace zentaro {

class ProgramState;
class Progress;

// "Compact Library": the checks of the command and the compaction itself.
// The engine writes a compacted copy of CurrentLibraryPath to CMPCT.TMP in
// the program folder, which then takes the library's name in one rename, so
// at every moment either the old or the new library is there under it.
class LibraryCompactor
{
public:
    LibraryCompactor(ProgramState& state, Drive::Lookup lookup = &Drive::systemLookup,
                     FreeSpace::Probe freeSpace = &FreeSpace::SystemProbe);

    // Why the command refuses, in the order it checks.
    enum class Refusal {
        None,
        ReadOnly,     // LibraryReadOnly ("ZNT Reminder")
        AccessDenied, // a Browser: the access-denied dialog
        OtherDrive,   // not on the program folder's file system
        NoSpace,      // fewer free bytes than the library's size
    };
    // Checks CurrentLibraryPath, LibraryReadOnly and AccessLevel.
    Refusal CheckCommand() const;
    // The message of a refusal (AccessDenied: the caller shows its dialog).
    Notice RefusalNotice(Refusal refusal) const;
    // The Yes/No question asked before CompactLibrary.
    Notice Confirmation() const;

    struct Outcome
    {
        Status status;
        Notice notice; // "Compaction Process Complete" or "ERROR Compacting Library"
        qint64 OldSize = 0;
        qint64 NewSize = 0;
        qint64 recovered() const { return OldSize - NewSize; }
    };
    // Compacts the library at CurrentLibraryPath, which the caller has
    // closed. On an engine error the library is untouched and CMPCT.TMP is
    // removed, so that a second attempt can succeed.
    Outcome CompactLibrary(Progress& progress);

    // Program folder + "/CMPCT.TMP".
    QString TempPath() const;
    // "Compaction Process Complete", two NewLines, the bytes recovered.
    static QString CompletionText(qint64 oldSize, qint64 newSize, const QString& newLine);

    static inline const QString kProgressText = QStringLiteral("Compacting Library...Please Wait");
    static inline const QString kTempName = QStringLiteral("CMPCT.TMP");
    static inline const QString kReminderTitle = QStringLiteral("ZNT Reminder");
    static inline const QString kOtherDriveTitle = QStringLiteral("Can't Compact on this drive");
    static inline const QString kNoSpaceTitle = QStringLiteral("Can't Compact Library");
    static inline const QString kConfirmTitle = QStringLiteral("Confirm Library Compact Process");

private:
    ProgramState& m_state;
    Drive::Lookup m_lookup;
    FreeSpace::Probe m_freeSpace;
};

} // namespace zentaro
