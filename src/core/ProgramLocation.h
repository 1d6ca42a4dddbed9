#pragma once

#include "core/Result.h"

#include <QString>
#include <QStringList>

namespace zentaro {

// Where one run keeps its files (ZNT.CFG, the default library, Extract,
// CMPCT.TMP) and where it reads the template and the help pages from.
struct ProgramPlace
{
    QString programFolder;
    QString dataFolder;
};

// The one choice of program folder that zentaro and znt share. A folder
// beside the executable that holds the template and may be written to is a
// portable installation and is used as it is; an installed program (its
// folder under /usr, the template in share/zentaro) keeps its files in the
// per-user folder instead.
class ProgramLocation
{
public:
    static inline const QString kTemplateName = QStringLiteral("Struct10.qdb");

    struct Inputs
    {
        QString executableFolder;
        // Given by the user (znt --program-folder); wins over everything.
        QString overrideFolder;
        QString xdgDataHome;
        QString home;
        // Installed data folders, best first; the executable's own folder is
        // tried before them.
        QStringList dataFolders;
    };

    // Decides without writing anything.
    static ProgramPlace choose(const Inputs& inputs);

    // The per-user program folder: $XDG_DATA_HOME/zentaro, or
    // ~/.local/share/zentaro when that is unset or not absolute.
    static QString userFolder(const QString& xdgDataHome, const QString& home);

    // Where an installed program finds its data: beside the executable as
    // installed (bin/../share/zentaro), then the folder the build was
    // configured to install to.
    static QStringList installedDataFolders(const QString& executableFolder);

    // The choice for the running executable and this environment; creates the
    // program folder when it is missing.
    static Result<ProgramPlace> Locate(const QString& overrideFolder = QString());
};

} // namespace zentaro
