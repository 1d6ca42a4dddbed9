#include "library/LibraryCompactor.h"

#include "core/DiskSync.h"

#include "core/PathText.h"
#include "core/ProgramState.h"
#include "core/Progress.h"
#include "security/AccessRights.h"
#include "store/Database.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zentaro {

LibraryCompactor::LibraryCompactor(ProgramState& state, Drive::Lookup lookup, FreeSpace::Probe freeSpace)
    : m_state(state), m_lookup(std::move(lookup)), m_freeSpace(std::move(freeSpace))
{
}

QString LibraryCompactor::TempPath() const
{
    return PathText::join(m_state.ProgramFolder(), kTempName);
}

LibraryCompactor::Refusal LibraryCompactor::CheckCommand() const
{
    if (m_state.LibraryReadOnly)
        return Refusal::ReadOnly;
    if (!AccessRights::Allows(m_state.AccessLevel, AccessRights::Command::CompactLibrary, false, false))
        return Refusal::AccessDenied;
    // The swap is a rename, which only works within one file system.
    const std::optional<Drive::Facts> program = m_lookup ? m_lookup(m_state.ProgramFolder()) : std::nullopt;
    const std::optional<Drive::Facts> library = m_lookup ? m_lookup(m_state.CurrentLibraryPath) : std::nullopt;
    if (!program || !library || *program != *library)
        return Refusal::OtherDrive;
    const qint64 size = QFileInfo(m_state.CurrentLibraryPath).size();
    if (!FreeSpace::Fits(size, m_freeSpace ? m_freeSpace(m_state.CurrentLibraryPath) : std::nullopt))
        return Refusal::NoSpace;
    return Refusal::None;
}

Notice LibraryCompactor::RefusalNotice(Refusal refusal) const
{
    const QString nl = m_state.NewLine;
    switch (refusal) {
    case Refusal::None:
        return {};
    case Refusal::ReadOnly:
        return {NoticeIcon::Exclamation, kReminderTitle,
                QStringLiteral("This Library File is READ ONLY") + nl + nl +
                    QStringLiteral("You can not make any changes to this library")};
    case Refusal::AccessDenied:
        return {NoticeIcon::Exclamation, AccessRights::kDeniedCaption,
                AccessRights::kDeniedHeading + nl + AccessRights::kDeniedText + nl +
                    AccessRights::DeniedLevelText(m_state.AccessLevel)};
    case Refusal::OtherDrive:
        return {NoticeIcon::Exclamation, kOtherDriveTitle,
                QStringLiteral("You can only compact a library that resides on the same hard drive as the "
                               "location of the ZNT program.") +
                    nl + nl +
                    QStringLiteral("If this is on a network, then the compact process must be run from the server.")};
    case Refusal::NoSpace:
        return {NoticeIcon::Exclamation, kNoSpaceTitle,
                QStringLiteral("INSUFFICIENT HARD DRIVE SPACE for Compact Process") + nl + nl +
                    QStringLiteral("Available Hard Drive space must at least be equal to the size of the library "
                                   "file in order to compact the library.")};
    }
    return {};
}

Notice LibraryCompactor::Confirmation() const
{
    const QString nl = m_state.NewLine;
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

LibraryCompactor::Outcome LibraryCompactor::CompactLibrary(Progress& progress)
{
    const QString library = m_state.CurrentLibraryPath;
    const QString temp = TempPath();
    const QString nl = m_state.NewLine;
    Outcome outcome;
    auto engineError = [&](const Status& status) {
        QFile::remove(temp);
        outcome.status = status;
        outcome.notice = {NoticeIcon::Plain, QString(),
                          QStringLiteral("ERROR Compacting Library") + nl + nl + status.message()};
        return outcome;
    };

    progress.setText(kProgressText);
    progress.setPercent(0);
    outcome.OldSize = QFileInfo(library).size();

    if (Status compacted = Database::compactFile(library, temp); !compacted)
        return engineError(compacted);

    // The compacted file takes the library's permissions, then its name. The
    // rename replaces the old file in one step: no moment without a library.
    const QByteArray libraryName = QFile::encodeName(library);
    const QByteArray tempName = QFile::encodeName(temp);
    struct stat existing {};
    if (::stat(libraryName.constData(), &existing) == 0)
        ::chmod(tempName.constData(), existing.st_mode & 07777);
    if (::rename(tempName.constData(), libraryName.constData()) != 0) {
        const int error = errno;
        return engineError(Status::failure(
            ErrorCode::Io, QStringLiteral("Could not replace \"%1\" with its compacted copy: %2")
                               .arg(library, QString::fromLocal8Bit(std::strerror(error)))));
    }
    DiskSync::syncFolder(QFileInfo(library).absolutePath());
    outcome.NewSize = QFileInfo(library).size();
    progress.setPercent(100);
    outcome.notice = {NoticeIcon::Information, QString(), CompletionText(outcome.OldSize, outcome.NewSize, nl)};
    return outcome;
}

} // namespace zentaro
