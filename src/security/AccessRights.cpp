#include "security/AccessRights.h"

namespace zentaro {

bool AccessRights::IsLevel(const QString& level)
{
    return level == kBrowser || level == kEditor || level == kAdministrator;
}

bool AccessRights::Allows(const QString& level, Command command, bool browseExtract, bool editDelete)
{
    if (!IsLevel(level))
        return false;
    const bool browser = level == kBrowser;
    const bool editor = level == kEditor;
    switch (command) {
    case Command::Extract:
        return !browser || browseExtract;
    case Command::DeleteCurrent:
        return !browser && (!editor || editDelete);
    case Command::AddFiles:
    case Command::NewLibrary:
    case Command::CompactLibrary:
        return !browser;
    case Command::LibrarySettings:
    case Command::ProgramSettings:
        return level == kAdministrator;
    }
    return false;
}

bool AccessRights::Allows(const QString& level, Command command, const ConfigRow& config)
{
    return Allows(level, command, config.BrowseExtract, config.EditDelete);
}

AccessRights::ControlStates AccessRights::ControlStatesFor(const QString& level, bool browseExtract,
                                                           bool editDelete)
{
    ControlStates states;
    if (!IsLevel(level))
        return states;
    if (level == kBrowser) {
        states.DetailFieldsLocked = true;
        states.FileDateEnabled = false;
        states.ExtractMenuEnabled = browseExtract;
        states.DeleteMenuEnabled = false;
    } else {
        states.DetailFieldsLocked = false;
        states.FileDateEnabled = true;
        states.ExtractMenuEnabled = true;
        states.DeleteMenuEnabled = true;
    }
    if (level == kEditor && !editDelete)
        states.DeleteMenuEnabled = false;
    return states;
}

AccessRights::ControlStates AccessRights::ControlStatesFor(const QString& level,
                                                           const ConfigRow& config)
{
    return ControlStatesFor(level, config.BrowseExtract, config.EditDelete);
}

QString AccessRights::DeniedLevelText(const QString& level)
{
    return kDeniedLevelPrefix + QLatin1Char(' ') + level;
}

} // namespace zentaro
