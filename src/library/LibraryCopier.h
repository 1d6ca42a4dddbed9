#pragma once

#include "core/Notice.h"
#include "core/Status.h"
#include "core/FreeSpace.h"

#include <QString>

#include <sys/types.h>

namespace zentaro {

class Progress;
class ScratchFile;

// The two commands that write a new library file: "Create New Library"
// (the template copied byte for byte, then stamped with its creation date)
// and "Copy Library" (the open library copied page for page as of one
// committed state; the caller closes it first and binds it again afterwards).
//
// A new file is written beside the target ("NAME.ZNT.TMP") and takes the
// target's name only when whole and on disk: a failure or a kill part-way
// never leaves a half library under that name.
class LibraryCopier
{
public:
    explicit LibraryCopier(QString templatePath, FreeSpace::Probe freeSpace = &FreeSpace::SystemProbe);

    // The name a chosen target takes: ".ZNT" appended to the trimmed name
    // unless it already ends in ".ZNT" (any case).
    static QString TargetName(const QString& chosen);
    // True when a file of that name exists and is not empty. Looks only;
    // creates and changes nothing.
    static bool TargetTaken(const QString& target);

    // Copies TemplatePath to target and sets Created of its Config row to
    // now. InvalidArgument with "File Already Exists." for a taken target.
    Status CreateNewLibrary(const QString& target);

    // Copies the library source (closed by the caller) to target, with the
    // source's permission bits. Other programs may go on using the library;
    // the copy holds one committed state of it. Refuses a taken target, and
    // a target drive with fewer free bytes than the library's size
    // ("Insufficient Space to copy Library", DiskFull). progress shows
    // "Copying..  Please Wait..." and the share copied.
    Status CopyLibrary(const QString& source, const QString& target, Progress& progress);

    // Where a new library for target is written first: target + ".TMP"
    // (or a numbered name beside it while another run holds that).
    static QString ScratchPath(const QString& target);

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
    // Gives the written file its permission bits and the target's name.
    static Status moveIntoPlace(ScratchFile& scratch, const QString& target, mode_t mode);

    QString m_templatePath;
    FreeSpace::Probe m_freeSpace;
};

} // namespace zentaro
