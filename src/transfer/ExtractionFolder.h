#pragma once

#include "core/Notice.h"
#include "core/Result.h"
#include "core/Status.h"

#include <QString>

#include <functional>

namespace zentaro {

class Progress;

// The private folder extracted copies are opened from, emptied on request
// and at exit, and the optional wipe of its freed entries at exit. Nothing
// here follows a symbolic link: a folder that is one is refused, and a link
// inside it is removed itself, never what it points at. The clear and the
// wipe work through one open handle on the folder, so a folder swapped for
// another meanwhile does not take them elsewhere.
class ExtractionFolder
{
public:
    // Called with each file's path just before it is removed; false keeps
    // the file, as one still in use would be. Tests look at a file there.
    using BeforeRemove = std::function<bool(const QString& path)>;

    explicit ExtractionFolder(QString folder, BeforeRemove beforeRemove = {});

    const QString& path() const { return m_folder; }

    // Permissions of the folder and of every copy written into it: its
    // owner's alone, so other users of the machine cannot read them.
    static constexpr unsigned kFolderMode = 0700;
    static constexpr unsigned kCopyMode = 0600;

    // The one step before anything is written into the folder: makes it
    // private when missing, and makes an existing one of the user's private.
    // Refuses a folder that is a symbolic link, is no folder or belongs to
    // someone else, with a message that names it.
    Status Prepare() const;

    // Whether folder is this folder: the same path, or the same folder on disk.
    bool holds(const QString& folder) const;

    // Deletes every file of the folder; subfolders are left, and files that
    // cannot be deleted are skipped quietly. With overwrite each plain file
    // first has its bytes replaced by zeros and synced, so the freed blocks
    // no longer hold the copy. Returns the number of files left behind; a
    // missing folder has none. A refused folder (Prepare) is not touched.
    Result<int> ClearExtractFolder(bool overwrite = false) const;

    // Creates and closes the empty files L8R0 .. L8R<wipeAmount>, with
    // "Performing Security Wipe..." and Cancel, then clears the folder
    // again. The copies are overwritten and removed first. A Cancel stops
    // creating further entries. A refused folder
    // is not touched.
    Status SecurityWipe(int wipeAmount, Progress& progress) const;

    // A refusal of Prepare, the clear or the wipe, as the window shows it.
    static Notice Refusal(const Status& status);

    static QString WipeFileName(int i) { return QStringLiteral("L8R") + QString::number(i); }
    static inline const QString kWipeText = QStringLiteral("Performing Security Wipe...");
    static inline const QString kToolsTitle = QStringLiteral("ZNT Tools");
    static inline const QString kClearedText = QStringLiteral("Extract Folder Cleared");

private:
    // An open descriptor on the folder itself (made private), or why there
    // is none. Without create a missing folder is ENOENT's Status NotFound.
    Result<int> open(bool create) const;
    Status refusedFor(int error) const;
    // Empties the folder open as folderFd; the number of files left.
    int clearAt(int folderFd, bool overwrite) const;
    // Makes one empty wipe entry in the folder open as folderFd.
    static void makeWipeEntry(int folderFd, const QByteArray& name);
    // Zeros a plain file of the folder in place and syncs it; links, pipes
    // and files with more than one name are left as they are (their bytes
    // belong elsewhere too).
    static void overwriteWithZeros(int folderFd, const QByteArray& name);

    QString m_folder;
    BeforeRemove m_beforeRemove;
};

} // namespace zentaro
