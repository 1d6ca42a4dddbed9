#pragma once

#include "core/Notice.h"
#include "core/Status.h"
#include "core/FreeSpace.h"

#include <QString>

namespace zentaro {

class ProgramState;
class Progress;

// The two commands that write a new library file: "Create New Library"
// (the template copied byte for byte, then stamped with its creation date)
// and "Copy Library" (the open library's file copied byte for byte; the
// caller closes it first and binds it again afterwards).
//
// A copy is whole or absent: a failure part-way removes what was written.
class LibraryCopier
{
public:
    explicit LibraryCopier(ProgramState& state, FreeSpace::Probe freeSpace = &FreeSpace::SystemProbe);

    // The name a chosen target takes: ".ZNT" appended to the trimmed name
    // unless it already ends in ".ZNT" (any case).
    static QString TargetName(const QString& chosen);
    // True when a file of that name exists and is not empty. Looks only;
    // creates and changes nothing.
    static bool TargetTaken(const QString& target);

    // Copies TemplatePath to target and sets Created of its Config row to
    // now. InvalidArgument with "File Already Exists." for a taken target.
    Status CreateNewLibrary(const QString& target);

    // Copies the library file source (closed by the caller) to target.
    // Refuses a taken target, and a target drive with fewer free bytes than
    // the library's size ("Insufficient Space to copy Library", DiskFull).
    // progress shows "Copying..  Please Wait..." and the share copied.
    Status CopyLibrary(const QString& source, const QString& target, Progress& progress);

    // source byte for byte into target (which must not exist or be empty),
    // synced to disk before it returns; nothing is left of target on failure.
    static Status CopyFileBytes(const QString& source, const QString& target, Progress& progress);

    static inline const QString kNewDialogTitle = QStringLiteral("Create New Library...");
    static inline const QString kCopyDialogTitle = QStringLiteral("Copy Library to...");
    static inline const QString kExistsTitle = QStringLiteral("ZNT Library Creation Error");
    static inline const QString kExistsText = QStringLiteral("File Already Exists.");
    static inline const QString kNoSpaceTitle = QStringLiteral("ZNT Cannot Copy Library");
    static inline const QString kNoSpaceText = QStringLiteral("Insufficient Space to copy Library");
    static inline const QString kCopyingText = QStringLiteral("Copying..  Please Wait...");

    static Notice ExistsNotice() { return {NoticeIcon::Exclamation, kExistsTitle, kExistsText}; }
    static Notice NoSpaceNotice() { return {NoticeIcon::Exclamation, kNoSpaceTitle, kNoSpaceText}; }

private:
    ProgramState& m_state;
    FreeSpace::Probe m_freeSpace;
};

} // namespace zentaro
