#include "transfer/AddFilesBatch.h"

#include "core/PathText.h"
#include "core/Progress.h"
#include "security/AccessRights.h"
#include "store/ConfigRow.h"
#include "store/Database.h"
#include "transfer/NativeFileName.h"
#include "transfer/Trash.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <utility>

namespace zentaro {

AddFilesBatch::AddFilesBatch(TransferSettings settings, std::shared_ptr<Database> database,
                             FreeSpace::Probe freeSpace)
    : m_settings(settings), m_db(database), m_freeSpace(std::move(freeSpace)), m_inserter(std::move(settings), database)
{
}

AddFilesBatch::~AddFilesBatch()
{
    // Run never returns with the shared transaction open; this is for safety only.
    if (m_groupOpen && m_db->inTransaction())
        m_db->rollback();
}

QString AddFilesBatch::newLine() const
{
    return m_settings.newLine;
}

QString AddFilesBatch::EntryPath(const QString& folder, const QString& name)
{
    return PathText::join(folder, name);
}

Outcome AddFilesBatch::CheckCommand(const TransferSettings& settings, const ConfigRow& config)
{
    if (settings.libraryReadOnly) {
        const Notice notice = ReadOnlyNotice(settings.newLine);
        return Outcome::failed(Status::failure(ErrorCode::ReadOnly, notice.text), notice);
    }
    if (!AccessRights::Allows(settings.accessLevel, AccessRights::Command::AddFiles, config))
        return {Status::failure(ErrorCode::AccessDenied, AccessRights::kDeniedText), std::nullopt};
    return Outcome::success();
}

Notice AddFilesBatch::ReadOnlyNotice(const QString& newLine)
{
    return {NoticeIcon::Exclamation, QStringLiteral("ZNT Reminder"),
            QStringLiteral("This Library File is READ ONLY") + newLine + newLine +
                QStringLiteral("You can not make any changes to this library")};
}

Notice AddFilesBatch::HaltNotice(const QString& newLine)
{
    return {NoticeIcon::Critical, QStringLiteral("ZNT Stopped"),
            QStringLiteral("Insertion Procedure Halted - USER REQUESTED") + newLine + newLine +
                QStringLiteral("If you selected to delete the original files after insertion, only the "
                               "files that made it into the library were deleted.")};
}

AddedFiles AddFilesBatch::Run(const QString& folder, const QList<Entry>& entries, const SharedFields& fields,
                              bool removeOriginals, Host& host)
{
    m_fields = fields;
    m_removeOriginals = removeOriginals;
    AddedFiles report;
    auto finish = [&](Outcome ending) {
        commitGroup(host, report);
        report.ending = std::move(ending);
        return report;
    };

    const qsizetype count = entries.size();
    for (qsizetype i = 0; i < count; ++i) {
        // The batch bar counts listed entries, selected or not.
        host.SetBatchPercent(static_cast<int>((i + 1) * 100 / count));
        const Entry& entry = entries[i];
        if (entry.Selected) {
            const QString path = EntryPath(folder, entry.Name);
            const QByteArray native =
                entry.Native.isEmpty() ? NativeFileName::FromText(path) : NativeFileName::Join(folder, entry.Native);
            host.SetCurrentFile(entry.Name);
            host.Yield();

            const qint64 size = std::max<qint64>(0, NativeFileName::Size(native));
            if (!FreeSpace::Fits(size, m_freeSpace(m_settings.libraryPath))) {
                commitGroup(host, report);
                host.ShowNotice(FreeSpace::InsertRefusal());
                return finish({Status::failure(ErrorCode::DiskFull, FreeSpace::kInsertText), std::nullopt});
            }
            // A large file is stored in a transaction of its own, after the
            // shared one is committed; small ones join the shared one.
            const bool large = size >= kOwnTransactionBytes;
            if (large) {
                commitGroup(host, report);
            } else if (!m_groupOpen && m_db->begin()) {
                m_groupOpen = true;
                m_groupAge.start();
            }
            insertOne(path, native, fields, host.FileBar(), host, report);
            host.Deselect(static_cast<int>(i));
            if (m_groupOpen && m_groupAge.elapsed() >= kGroupMilliseconds)
                commitGroup(host, report);
        }
        if (host.FileBar().cancelRequested()) {
            commitGroup(host, report);
            host.Yield();
            m_db->idle();
            host.ShowNotice(HaltNotice(newLine()));
            return finish(Outcome::userCancelled());
        }
        host.Yield();
        if (!m_groupOpen)
            m_db->idle();
    }
    return finish(Outcome::success());
}

void AddFilesBatch::insertOne(const QString& path, const QByteArray& native, const SharedFields& fields,
                              Progress& bar, Host& host, AddedFiles& report)
{
    const Result<qint64> inserted = m_inserter.InsertData(path, fields, bar, native);
    if (inserted) {
        if (m_groupOpen) {
            m_group.push_back({path, native, *inserted});
        } else {
            // Stored in its own transaction: durable already.
            report.added.push_back(*inserted);
            if (m_removeOriginals)
                removeOriginal(path, native, report);
        }
        return;
    }
    // An engine error may have undone the whole shared transaction, taking
    // the files before this one with it.
    if (m_groupOpen && !m_db->inTransaction()) {
        m_groupOpen = false;
        redoGroup(host, report);
    }
    // Nobody waits on our write lock while the message is up.
    commitGroup(host, report);
    report.failed.push_back(path);
    if (inserted.notice())
        host.ShowNotice(*inserted.notice());
}

void AddFilesBatch::commitGroup(Host& host, AddedFiles& report)
{
    if (!m_groupOpen)
        return;
    m_groupOpen = false;
    if (Status s = m_db->commit(); !s) {
        if (m_db->inTransaction())
            m_db->rollback();
        redoGroup(host, report);
        return;
    }
    // Only now are these records safe: their originals may go.
    const QList<Pending> done = std::exchange(m_group, {});
    for (const Pending& p : done) {
        report.added.push_back(p.mainId);
        if (m_removeOriginals)
            removeOriginal(p.path, p.native, report);
    }
    m_db->idle();
}

void AddFilesBatch::redoGroup(Host& host, AddedFiles& report)
{
    const QList<Pending> lost = std::exchange(m_group, {});
    for (const Pending& p : lost) {
        NullProgress quiet;
        const Result<qint64> again = m_inserter.InsertData(p.path, m_fields, quiet, p.native);
        if (again) {
            report.added.push_back(*again);
            if (m_removeOriginals)
                removeOriginal(p.path, p.native, report);
        } else {
            report.failed.push_back(p.path);
            if (again.notice())
                host.ShowNotice(*again.notice());
        }
    }
}

void AddFilesBatch::removeOriginal(const QString& path, const QByteArray& native, AddedFiles& report)
{
    switch (Trash::Discard(native)) {
    case Trash::Disposal::Trashed: break;
    case Trash::Disposal::Deleted: report.deleted.push_back(path); break;
    case Trash::Disposal::Kept: report.notRemoved.push_back(path); break;
    }
}

std::optional<Notice> AddFilesBatch::RemovalNotice(const AddedFiles& report, const QString& newLine)
{
    QStringList parts;
    if (!report.deleted.isEmpty())
        parts << QStringLiteral("There is no trash for these originals, so they were deleted after insertion:")
                     + newLine + report.deleted.join(newLine);
    if (!report.notRemoved.isEmpty())
        parts << QStringLiteral("These files were stored, but their originals could not be removed:") + newLine
                + report.notRemoved.join(newLine);
    if (parts.isEmpty())
        return std::nullopt;
    return Notice{NoticeIcon::Exclamation, QStringLiteral("ZNT Notice"), parts.join(newLine + newLine)};
}

} // namespace zentaro
