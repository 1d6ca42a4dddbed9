#include "library/RecordDeleter.h"

#include "core/CountText.h"
#include "core/ListPositionHold.h"
#include "library/LibrarySession.h"
#include "store/Database.h"
#include "store/Recordset.h"
#include "transfer/FileNameRules.h"

namespace zentaro {

RecordDeleter::RecordDeleter(LibrarySession& session) : m_session(session) {}

Notice RecordDeleter::ReadOnlyNotice(const QString& newLine)
{
    return {NoticeIcon::Exclamation, QStringLiteral("ZNT Reminder"),
            QStringLiteral("This Library File is READ ONLY") + newLine + newLine +
                QStringLiteral("You can not make any changes to this library")};
}

Notice RecordDeleter::ListRefusal(const Status& status, const QString& newLine)
{
    return {NoticeIcon::Exclamation, QStringLiteral("ZNT ERROR"),
            QStringLiteral("The Listed Files could not be deleted:") + newLine + newLine + status.message() +
                newLine + newLine + QStringLiteral("Nothing was deleted; the list is as it was.")};
}

QString RecordDeleter::CurrentFileQuestion() const
{
    Recordset* list = m_session.DCMain();
    if (!list || !list->hasCurrent())
        return kCurrentText;
    const Result<MainRecord> record = list->currentRecord();
    if (!record)
        return kCurrentText;
    const QString nl = QStringLiteral("\r\n");
    return kCurrentText + nl + nl + QStringLiteral("Title: ") + record->Title + nl + QStringLiteral("File: ")
           + FileNameRules::StoredName(record->FileName, record->FileType);
}

QString RecordDeleter::ListedFilesQuestion() const
{
    const qint64 listed = m_session.ListedCount();
    const QString nl = QStringLiteral("\r\n");
    return kListedText + nl + nl
           + (listed == 1 ? QStringLiteral("1 file is listed.")
                          : CountText::Grouped(listed) + QStringLiteral(" files are listed."));
}

Status RecordDeleter::DeleteCurrentFile()
{
    Recordset* list = m_session.DCMain();
    if (!list || list->recordCount() == 0 || !list->hasCurrent())
        return {};
    Status deleted;
    {
        // The details panel must not follow the moves in between.
        const ListPositionHold hold(m_session.state());
        deleted = list->deleteCurrent();
        if (deleted) {
            list->moveNext();
            if (list->eof() && list->recordCount() > 0)
                list->moveLast();
        }
    }
    Status run = m_session.RequeryList();
    return deleted ? run : deleted;
}

Status RecordDeleter::DeleteSelectedFiles(const QList<qint64>& mainIds)
{
    Recordset* list = m_session.DCMain();
    if (!list || list->recordCount() == 0 || mainIds.isEmpty())
        return {};
    Status result;
    {
        const ListPositionHold hold(m_session.state());
        for (const qint64 id : mainIds) {
            if (!list->setBookmark(id))
                continue; // gone already (another user)
            if (Status s = list->deleteCurrent(); !s) {
                result = s;
                break;
            }
        }
    }
    Status run = m_session.RequeryList();
    return result ? run : result;
}

Result<qint64> RecordDeleter::DeleteListedFiles()
{
    const std::shared_ptr<Database>& db = m_session.database();
    if (!db || !m_session.DCMain() || m_session.DCMain()->recordCount() == 0)
        return qint64(0);
    Result<qint64> deleted = db->execute(QStringLiteral("DELETE * FROM Main ") + m_session.state().QueryWhere);
    // Let other users, and this program's own list, see the change.
    db->idle();
    return deleted;
}

Status RecordDeleter::ShowRemainingFiles()
{
    m_session.state().QueryWhere.clear();
    return m_session.RequeryList();
}

} // namespace zentaro
