#include "store/file/FileMaintenance.h"

#include "core/DiskSync.h"
#include "core/FileErrorText.h"
#include "core/Progress.h"

#include "store/FreePageReclaimer.h"
#include "store/SqlConnection.h"
#include "store/SqlStatement.h"
#include "store/file/FileConnection.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <cerrno>

namespace zentaro {

FileMaintenance::FileMaintenance(FileConnection& connection) : m_c(connection) {}

Status FileMaintenance::compactTo(const QString& targetPath)
{
    if (!m_c.isOpen())
        return m_c.closedFailure();
    if (m_c.depth() > 0)
        return Status::failure(ErrorCode::InvalidArgument, QStringLiteral("A library cannot be compacted while changes are being saved."));
    const QFileInfo target(targetPath);
    if (target.exists() && target.size() > 0) {
        return Status::failure(ErrorCode::Io, QStringLiteral("Could not compact the library: %1 already exists.").arg(FileConnection::quoted(targetPath)));
    }
    const bool existed = target.exists();
    SqlStatement st;
    if (st.prepare(m_c.handle(), "VACUUM INTO ?") != SQLITE_OK)
        return m_c.failure(QStringLiteral("Could not compact"));
    st.bindText(1, targetPath);
    const int rc = st.step();
    st.finalize();
    if (rc != SQLITE_DONE) {
        Status s = m_c.failure(QStringLiteral("Could not compact"));
        if (!existed)
            QFile::remove(targetPath);
        return s;
    }
    // VACUUM INTO does not sync what it wrote; the caller renames the copy
    // over the library next, so it must be on disk first.
    if (!DiskSync::syncFile(targetPath) || !DiskSync::syncFolder(target.absolutePath())) {
        QFile::remove(targetPath);
        return Status::failure(ErrorCode::Io, QStringLiteral("Could not write the compacted library %1 to disk.").arg(FileConnection::quoted(targetPath)));
    }
    return {};
}

Status FileMaintenance::compactInPlace(const QString& scratchPath, Progress& progress)
{
    if (!m_c.isOpen())
        return m_c.closedFailure();
    if (!m_c.options().exclusive || m_c.isReadOnly() || m_c.depth() > 0) {
        return Status::failure(ErrorCode::InvalidArgument,
                               QStringLiteral("The library %1 can only be compacted when it is open for this program "
                                              "alone and nothing is being saved.")
                                   .arg(FileConnection::quoted(m_c.path())));
    }
    const QString doing = QStringLiteral("Could not compact the library %1").arg(FileConnection::quoted(m_c.path()));
    // A cached statement left stepping would hold a read transaction open,
    // and the copy back needs none.
    m_c.dropStatements();
    sqlite3* db = m_c.handle();
    progress.setPercent(0);
    if (int rc = FreePageReclaimer::turnOnForNextVacuum(db); rc != SQLITE_OK)
        return m_c.engineFailure(doing, db, rc);
    {
        SqlStatement st;
        if (int rc = st.prepare(db, "VACUUM INTO ?"); rc != SQLITE_OK)
            return m_c.engineFailure(doing, db, rc);
        st.bindText(1, scratchPath);
        if (int rc = st.step(); rc != SQLITE_DONE)
            return m_c.engineFailure(doing, db, rc);
    }
    progress.setPercent(40);

    // The copy back: one write transaction on the library, whose journal
    // brings the old file back should anything stop it halfway.
    SqlConnection compacted;
    if (int rc = compacted.open(scratchPath, SQLITE_OPEN_READONLY); rc != SQLITE_OK)
        return m_c.engineFailure(doing, compacted.get(), rc);
    sqlite3_backup* backup = sqlite3_backup_init(db, "main", compacted.get(), "main");
    if (!backup)
        return m_c.engineFailure(doing, db, sqlite3_errcode(db));
    constexpr int kPagesPerStep = 64; // 4 MiB of 64 KiB pages
    int rc;
    int shown = 40;
    while ((rc = sqlite3_backup_step(backup, kPagesPerStep)) == SQLITE_OK) {
        const int total = sqlite3_backup_pagecount(backup);
        const int left = sqlite3_backup_remaining(backup);
        const int percent = total > 0 ? 40 + (total - left) * 59 / total : 99;
        if (percent != shown) {
            shown = percent;
            progress.setPercent(percent);
        }
    }
    // Finishing an unfinished backup rolls the library back.
    sqlite3_backup_finish(backup);
    m_c.touch();
    if (rc != SQLITE_DONE)
        return m_c.engineFailure(doing, db, rc);
    progress.setPercent(100);
    return {};
}

bool FileMaintenance::reclaimsFreePages() const
{
    return m_c.isOpen() && FreePageReclaimer::appliesTo(m_c.handle());
}

Status FileMaintenance::reclaimFreePages(Progress& progress)
{
    if (!m_c.isOpen())
        return m_c.closedFailure();
    if (!m_c.options().exclusive || m_c.isReadOnly() || m_c.depth() > 0 || !reclaimsFreePages()) {
        return Status::failure(ErrorCode::InvalidArgument,
                               QStringLiteral("The free space of the library %1 can only be given back when it is "
                                              "open for this program alone, nothing is being saved and it keeps "
                                              "incremental auto-vacuum.")
                                   .arg(FileConnection::quoted(m_c.path())));
    }
    m_c.dropStatements();
    sqlite3* db = m_c.handle();
    FreePageReclaimer reclaimer(db);
    const int rc = reclaimer.run(progress, 0, 100);
    m_c.touch();
    if (rc != SQLITE_OK)
        return m_c.engineFailure(QStringLiteral("Could not compact the library %1").arg(FileConnection::quoted(m_c.path())), db, rc);
    return {};
}

Status FileMaintenance::snapshotTo(const QString& targetPath, Progress& progress)
{
    if (!m_c.isOpen())
        return m_c.closedFailure();
    const QString doing = QStringLiteral("Could not copy the library %1 to %2").arg(FileConnection::quoted(m_c.path()), FileConnection::quoted(targetPath));
    m_c.dropStatements();
    sqlite3* db = m_c.handle();
    const bool ownTransaction = m_c.depth() == 0;
    // One read transaction for the whole copy: every page comes from the
    // same committed state, and no other program can commit meanwhile.
    if (ownTransaction) {
        if (int rc = sqlite3_exec(db, "BEGIN; SELECT COUNT(*) FROM Config", nullptr, nullptr, nullptr); rc != SQLITE_OK) {
            Status s = m_c.engineFailure(doing, db, rc);
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            return s;
        }
    }
    auto endRead = [&] {
        if (ownTransaction)
            sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    };

    SqlConnection target;
    int rc = target.open(targetPath, SQLITE_OPEN_READWRITE);
    if (rc == SQLITE_OK) {
        // Nothing to roll back in a file that is not anyone's yet; it is
        // synced whole at the end.
        rc = sqlite3_exec(target.get(), "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF", nullptr, nullptr, nullptr);
    }
    if (rc != SQLITE_OK) {
        Status s = m_c.engineFailure(doing, target.get(), rc);
        endRead();
        return s;
    }
    sqlite3_backup* backup = sqlite3_backup_init(target.get(), "main", db, "main");
    if (!backup) {
        Status s = m_c.engineFailure(doing, target.get(), sqlite3_errcode(target.get()));
        endRead();
        return s;
    }
    constexpr int kPagesPerStep = 64;
    int shown = 0;
    progress.setPercent(0);
    while ((rc = sqlite3_backup_step(backup, kPagesPerStep)) == SQLITE_OK) {
        const int total = sqlite3_backup_pagecount(backup);
        const int left = sqlite3_backup_remaining(backup);
        const int percent = total > 0 ? (total - left) * 99 / total : 99;
        if (percent != shown) {
            shown = percent;
            progress.setPercent(percent);
        }
    }
    sqlite3_backup_finish(backup);
    Status result = rc == SQLITE_DONE ? Status() : m_c.engineFailure(doing, target.get(), rc);
    target.close();
    endRead();
    if (!result)
        return result;
    if (!DiskSync::syncFile(targetPath)) {
        return Status::failure(ErrorCode::Io, QStringLiteral("%1: %2").arg(doing, FileErrorText::forErrno(errno)));
    }
    progress.setPercent(100);
    return {};
}

} // namespace zentaro
