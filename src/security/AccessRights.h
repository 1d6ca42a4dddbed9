#pragma once

#include "store/ConfigRow.h"

#include <QString>

namespace zentaro {

// What each access level may do. Pure functions: the guarded commands ask
// Allows each time they run, and ApplyAccessRights sets the controls from
// ControlStatesFor.
class AccessRights
{
public:
    static inline const QString kBrowser = QStringLiteral("Browser");
    static inline const QString kEditor = QStringLiteral("Editor");
    static inline const QString kAdministrator = QStringLiteral("Administrator");

    // Commands that test the level before they run.
    enum class Command {
        // Extract and open, extract to disk, extract listed files, the Preview page.
        Extract,
        // Delete the current record's file (delete button, Del key).
        DeleteCurrent,
        AddFiles,
        NewLibrary,
        CompactLibrary,
        LibrarySettings,
        ProgramSettings,
    };

    // The controls that follow the level.
    struct ControlStates
    {
        bool DetailFieldsLocked = true; // Title, Author, Keywords and Notes boxes
        bool FileDateEnabled = false;   // "File Date" button
        bool ExtractMenuEnabled = false;
        bool DeleteMenuEnabled = false;

        bool operator==(const ControlStates&) const = default;
    };

    // True for exactly "Browser", "Editor" or "Administrator".
    static bool IsLevel(const QString& level);

    // Whether level may run command. Levels are compared exactly; any other
    // text (a login pending or failed) is refused everything.
    static bool Allows(const QString& level, Command command, bool browseExtract, bool editDelete);
    static bool Allows(const QString& level, Command command, const ConfigRow& config);

    // The control states for level; any text that is no level locks everything.
    static ControlStates ControlStatesFor(const QString& level, bool browseExtract, bool editDelete);
    static ControlStates ControlStatesFor(const QString& level, const ConfigRow& config);

    // The Access Denied dialog.
    static inline const QString kDeniedCaption = QStringLiteral("ZNT Security Check");
    static inline const QString kDeniedHeading = QStringLiteral("Access Denied");
    static inline const QString kDeniedText = QStringLiteral(
        "This Library File is SECURITY PROTECTED.  You do not have access to this feature.  "
        "You must Re-Login with a higher clearance before you can access this feature.");
    static inline const QString kDeniedLevelPrefix = QStringLiteral("You are currently logged in as a");
    static inline const QString kDeniedReLoginTooltip =
        QStringLiteral("This will enable you to log in again under a new clearance level");
    static inline const QString kDeniedCancelTooltip = QStringLiteral("Cancel (Esc)");

    // "You are currently logged in as a Browser".
    static QString DeniedLevelText(const QString& level);
};

} // namespace zentaro
