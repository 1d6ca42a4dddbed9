#pragma once

#include "core/Notice.h"
#include "core/Result.h"
#include "core/Status.h"

#include <QList>
#include <QString>

namespace zentaro {

class LibrarySession;

// Deleting records of the open library: the current one, the grid's
// selection record by record, or the whole current list in one statement
// on the library's one connection.
class RecordDeleter
{
public:
    explicit RecordDeleter(LibrarySession& session);

    // Deletes the current record and moves to the next one, or to the new
    // last one when it was the last; then the list is run again keeping that
    // position. Nothing happens on an empty list.
    Status DeleteCurrentFile();
    // Deletes the records by MainID in the given order, then runs the list again.
    Status DeleteSelectedFiles(const QList<qint64>& mainIds);
    // "DELETE * FROM Main " + QueryWhere. When the engine refuses (another
    // user holds a lock) nothing is deleted and the list stays as it was.
    Result<qint64> DeleteListedFiles();
    // After the listed delete: the search is dropped and the list run again.
    Status ShowRemainingFiles();

    // The confirmations: the fixed question, then the record it is about
    // (Title and file name) or how many records are listed.
    QString CurrentFileQuestion() const;
    QString ListedFilesQuestion() const;

    static Notice ReadOnlyNotice(const QString& newLine);
    static Notice ListRefusal(const Status& status, const QString& newLine);

    static inline const QString kCurrentTitle = QStringLiteral("ZNT Delete Confirmation");
    static inline const QString kCurrentText =
        QStringLiteral("Are you sure you want to delete the current file from the library?");
    static inline const QString kSelectedTitle = QStringLiteral("Delete Confirmation");
    static inline const QString kSelectedText =
        QStringLiteral("Are you sure you want to delete all of the selected files from the library?");
    static inline const QString kListedTitle = QStringLiteral("ZNT Delete Listed Files Confirmation");
    static inline const QString kListedText =
        QStringLiteral("Are you sure you want to delete ALL of the Listed Files from the library?");
    static inline const QString kDeletingText = QStringLiteral("Deleting...Please Wait");
    static inline const QString kCompleteTitle = QStringLiteral("List Deletion Complete");
    static inline const QString kCompleteText = QStringLiteral(
        "The Listed Records have been Deleted.  The List will now reflect the remaining files.");

private:
    LibrarySession& m_session;
};

} // namespace zentaro
