#pragma once

#include <QString>

#include <functional>

namespace zentaro {

class ProgramState;
class ProgressHost;

// The private folder extracted copies are opened from, emptied on request
// and at exit, and the optional wipe of its freed entries at exit.
class ExtractionFolder
{
public:
    // Removes one file; false when it could not (still in use). Tests
    // replace it to look at a file just before it goes.
    using Remover = std::function<bool(const QString& path)>;

    explicit ExtractionFolder(QString folder, Remover remover = {});

    const QString& path() const { return m_folder; }

    // Makes the folder when missing and keeps it readable by its owner only,
    // so other users of the machine cannot read opened copies.
    bool Ensure() const;

    // Deletes every file of the folder; subfolders are left, and files that
    // cannot be deleted are skipped quietly. With overwrite each plain file
    // first has its bytes replaced by zeros and synced, so the freed blocks
    // no longer hold the copy. Returns the number of files left behind.
    int ClearExtractFolder(bool overwrite = false) const;

    // Creates and closes the empty files L8R0 .. L8R<wipeAmount>, with
    // "Performing Security Wipe..." and Cancel, then clears the folder
    // again. The copies are overwritten and removed first. CancelRequested
    // (the Cancel button) stops creating further entries.
    void SecurityWipe(int wipeAmount, ProgramState& state, ProgressHost& host) const;

    static QString WipeFileName(int i) { return QStringLiteral("L8R") + QString::number(i); }
    static inline const QString kWipeText = QStringLiteral("Performing Security Wipe...");
    static inline const QString kToolsTitle = QStringLiteral("ZNT Tools");
    static inline const QString kClearedText = QStringLiteral("Extract Folder Cleared");

private:
    // Zeros a plain file in place and syncs it; links, pipes and files with more
    // than one name are left as they are (their bytes belong elsewhere too).
    static void overwriteWithZeros(const QString& path);

    QString m_folder;
    Remover m_remove;
};

} // namespace zentaro
