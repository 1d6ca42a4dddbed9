#include "library/LibraryCompactor.h"

#include "core/PathText.h"
#include "core/LibraryState.h"
#include "core/Progress.h"
#include "security/AccessRights.h"
#include "store/Database.h"
#include "store/ScratchFile.h"
#include "store/server/ServerDatabase.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace zentaro {

LibraryCompactor::LibraryCompactor(const LibraryState& library, QString programFolder, Drive::Lookup lookup,
                                   FreeSpace::Probe freeSpace)
    : m_state(library), m_programFolder(std::move(programFolder)), m_lookup(std::move(lookup)), m_freeSpace(std::move(freeSpace))
{
}

QString LibraryCompactor::TempPath() const
{
    return PathText::join(m_programFolder, kTempName);
}

Outcome LibraryCompactor::CheckCommand() const
{
    const QString nl = QStringLiteral("\r\n");
    auto refuse = [](ErrorCode code, Notice notice) {
        return Outcome::failed(Status::failure(code, notice.text), std::move(notice));
    };
    if (m_state.LibraryReadOnly)
        return refuse(ErrorCode::ReadOnly,
                      {NoticeIcon::Exclamation, kReminderTitle,
                       QStringLiteral("This Library File is READ ONLY") + nl + nl +
                           QStringLiteral("You can not make any changes to this library")});
    if (!AccessRights::Allows(m_state.AccessLevel, AccessRights::Command::CompactLibrary, false, false))
        return refuse(ErrorCode::AccessDenied,
                      {NoticeIcon::Exclamation, AccessRights::kDeniedCaption,
                       AccessRights::kDeniedHeading + nl + AccessRights::kDeniedText + nl +
                           AccessRights::DeniedLevelText(m_state.AccessLevel)});
    // The server compacts its own files: no drive or scratch file here.
    if (Database::isServerAddress(m_state.CurrentLibraryPath))
        return {};
    // CMPCT.TMP needs the library's own file system: the free-space rule
    // counts that drive only.
    const std::optional<Drive::Facts> program = m_lookup ? m_lookup(m_programFolder) : std::nullopt;
    const std::optional<Drive::Facts> library = m_lookup ? m_lookup(m_state.CurrentLibraryPath) : std::nullopt;
    if (!program || !library || *program != *library)
        return refuse(ErrorCode::InvalidArgument,
                      {NoticeIcon::Exclamation, kOtherDriveTitle,
                       QStringLiteral("You can only compact a library that resides on the same hard drive as the "
                                      "location of the ZNT program.") +
                           nl + nl +
                           QStringLiteral("If this is on a network, then the compact process must be run from the "
                                          "server.")});
    const qint64 size = QFileInfo(m_state.CurrentLibraryPath).size();
    if (!FreeSpace::Fits(size, m_freeSpace ? m_freeSpace(m_state.CurrentLibraryPath) : std::nullopt))
        return refuse(ErrorCode::DiskFull,
                      {NoticeIcon::Exclamation, kNoSpaceTitle,
                       QStringLiteral("INSUFFICIENT HARD DRIVE SPACE for Compact Process") + nl + nl +
                           QStringLiteral("Available Hard Drive space must at least be equal to the size of the "
                                          "library file in order to compact the library.")});
    return Outcome::success();
}

Notice LibraryCompactor::Confirmation() const
{
    const QString nl = QStringLiteral("\r\n");
    return {NoticeIcon::Exclamation, kConfirmTitle,
            QStringLiteral("Are you sure you want to compact the current library?") + nl + nl +
                QStringLiteral("If you are on a network, no other users can be accessing this library!") + nl + nl +
                QStringLiteral("Note: Depending on the size of the library, this could take several minutes.  "
                               "Attempting to shutdown ZNT during this process could result in the loss of the "
                               "library!")};
}

QString LibraryCompactor::CompletionText(qint64 oldSize, qint64 newSize, const QString& newLine)
{
    return QStringLiteral("Compaction Process Complete") + newLine + newLine + QString::number(oldSize - newSize) +
           QStringLiteral(" bytes of disk space recovered");
}

Result<LibraryCompactor::Sizes> LibraryCompactor::CompactServerLibrary(Database& database, Progress& progress)
{
    auto* server = dynamic_cast<ServerDatabase*>(&database);
    if (!server) {
        return Result<Sizes>::failure(ErrorCode::InvalidArgument,
                                      QStringLiteral("The library \"%1\" is no library on a server.").arg(database.path()));
    }
    progress.setText(kProgressText);
    progress.setPercent(0);
    Result<qint64> recovered = server->compact();
    if (!recovered)
        return Result<Sizes>(recovered.status());
    // The server gives the database's size before minus after.
    Sizes sizes;
    sizes.OldSize = *recovered;
    progress.setPercent(100);
    return sizes;
}

Notice LibraryCompactor::CompletionNotice(const Sizes& sizes)
{
    return {NoticeIcon::Information, QString(), CompletionText(sizes.OldSize, sizes.NewSize, QStringLiteral("\r\n"))};
}

Notice LibraryCompactor::FailureNotice(const Status& why)
{
    const QString nl = QStringLiteral("\r\n");
    return {NoticeIcon::Plain, QString(), QStringLiteral("ERROR Compacting Library") + nl + nl + why.message()};
}

Result<LibraryCompactor::Sizes> LibraryCompactor::CompactLibrary(Progress& progress)
{
    const QString library = m_state.CurrentLibraryPath;
    Sizes sizes;
    auto engineError = [](const Status& status) { return Result<Sizes>(status); };

    progress.setText(kProgressText);
    progress.setPercent(0);

    // The library is held for this program alone while it is compacted:
    // another program that has it open waits, or is told it is in use,
    // and its commits never land in a gap.
    // An older library is compacted as it is; the next opening brings it up
    // to date, with the room the compaction made.
    if (Database::isServerAddress(library)) {
        OpenOptions shared = ServerDatabase::sharedOptions();
        shared.exclusive = m_serverExclusive;
        Result<std::shared_ptr<Database>> server = Database::open(library, shared);
        if (!server)
            return engineError(server.status());
        Result<Sizes> compacted = CompactServerLibrary(**server, progress);
        (*server)->close();
        return compacted;
    }
    OpenOptions options;
    options.exclusive = true;
    options.upgrade = false;
    Result<std::shared_ptr<Database>> opened = Database::open(library, options);
    if (!opened)
        return engineError(opened.status());
    Database& db = **opened;
    sizes.OldSize = QFileInfo(library).size();

    struct stat existing {};
    const mode_t mode = ::stat(QFile::encodeName(library).constData(), &existing) == 0
                            ? (existing.st_mode & 0777) | S_IRUSR | S_IWUSR
                            : S_IRUSR | S_IWUSR;
    // Claiming the temporary file also clears one that a killed run left.
    Result<ScratchFile> scratch = ScratchFile::claim(TempPath(), mode);
    if (!scratch)
        return engineError(scratch.status());
    m_lastTempPath = scratch->path();

    // A library that keeps incremental auto-vacuum gives its free pages back
    // where it lies, at a cost in proportion to what was deleted; any other
    // is rewritten whole once, through the temporary file, and keeps it
    // from then on.
    Status compacted;
    if (db.reclaimsFreePages()) {
        scratch->remove();
        compacted = db.reclaimFreePages(progress);
    } else {
        compacted = db.compactInPlace(scratch->path(), progress);
    }
    db.close();
    scratch->remove();
    if (!compacted)
        return engineError(compacted);
    sizes.NewSize = QFileInfo(library).size();
    progress.setPercent(100);
    return sizes;
}

} // namespace zentaro
