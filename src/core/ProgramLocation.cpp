#include "core/ProgramLocation.h"

#include "core/BuildInfo.h"
#include "core/PathText.h"

#include <QDir>
#include <QFileInfo>

namespace zentaro {

namespace {

QString cleanFolder(const QString& folder)
{
    return QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
}

bool holdsTemplate(const QString& folder)
{
    return !folder.isEmpty() && QFileInfo(PathText::join(folder, ProgramLocation::kTemplateName)).isFile();
}

// The first folder that holds the template; without one, the first candidate,
// so that the message about the missing template names a sensible place.
QString dataFolderAmong(const QStringList& candidates)
{
    for (const QString& folder : candidates) {
        if (holdsTemplate(folder))
            return folder;
    }
    return candidates.isEmpty() ? QString() : candidates.first();
}

} // namespace

ProgramPlace ProgramLocation::choose(const Inputs& inputs)
{
    if (!inputs.overrideFolder.isEmpty()) {
        const QString folder = cleanFolder(inputs.overrideFolder);
        QStringList candidates{folder};
        candidates << inputs.dataFolders;
        // A chosen folder without its own template still gets the installed one.
        return {folder, holdsTemplate(folder) ? folder : dataFolderAmong(candidates)};
    }

    const QString executable = cleanFolder(inputs.executableFolder);
    if (holdsTemplate(executable) && QFileInfo(executable).isWritable())
        return {executable, executable};

    // A read-only portable copy (a CD, a locked share) still brings its own template.
    QStringList candidates;
    if (holdsTemplate(executable))
        candidates << executable;
    candidates << inputs.dataFolders;
    return {userFolder(inputs.xdgDataHome, inputs.home), dataFolderAmong(candidates)};
}

QString ProgramLocation::userFolder(const QString& xdgDataHome, const QString& home)
{
    // A relative XDG_DATA_HOME is invalid and ignored.
    if (!xdgDataHome.isEmpty() && QDir::isAbsolutePath(xdgDataHome))
        return PathText::join(QDir::cleanPath(xdgDataHome), QStringLiteral("zentaro"));
    const QString base = home.isEmpty() ? QDir::homePath() : QDir::cleanPath(home);
    return PathText::join(base, QStringLiteral(".local/share/zentaro"));
}

QStringList ProgramLocation::installedDataFolders(const QString& executableFolder)
{
    QStringList folders;
    const QString beside = cleanFolder(PathText::join(executableFolder, QLatin1String(build::kDataFolderFromBin)));
    folders << beside;
    const QString configured = QDir::cleanPath(QLatin1String(build::kInstalledDataFolder));
    if (configured != beside)
        folders << configured;
    return folders;
}

Result<ProgramPlace> ProgramLocation::Locate(const QString& overrideFolder)
{
    Inputs inputs;
    inputs.executableFolder = PathText::programFolder();
    inputs.overrideFolder = overrideFolder;
    inputs.xdgDataHome = qEnvironmentVariable("XDG_DATA_HOME");
    inputs.home = qEnvironmentVariable("HOME");
    inputs.dataFolders = installedDataFolders(inputs.executableFolder);

    const ProgramPlace place = choose(inputs);
    if (!QDir().mkpath(place.programFolder) || !QFileInfo(place.programFolder).isDir()) {
        return Result<ProgramPlace>::failure(
            ErrorCode::Io, QStringLiteral("The program folder \"%1\" cannot be created.").arg(place.programFolder));
    }
    return place;
}

} // namespace zentaro
