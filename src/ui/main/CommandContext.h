#pragma once

#include "core/Outcome.h"
#include "core/Result.h"
#include "library/OpenedLibrary.h"
#include "security/AccessRights.h"

#include <QString>

class QWidget;

namespace zentaro {

class CommandRegistry;
class EditDetection;
class LibrarySession;
class ListPane;
class RecordPane;
struct ConfigRow;

// What the commands of the main window work with, so that none of them
// needs the window itself: the open library, the commands to bind, the two
// panes, the typed edits, the access checks and where outcomes are shown.
class CommandContext
{
public:
    virtual ~CommandContext() = default;

    // The window dialogs and messages stand over; disabled while a bulk run works.
    virtual QWidget* mainWidget() = 0;
    virtual LibrarySession& session() const = 0;
    virtual CommandRegistry& commands() const = 0;
    virtual ListPane& listPane() const = 0;
    virtual RecordPane& recordPane() const = 0;
    virtual EditDetection& editDetection() const = 0;
    // Gives the keyboard focus back to the list.
    virtual void focusList() = 0;

    // Writes typed changes of the shown record to the library. False when
    // that failed (the message was shown).
    virtual bool SaveRecordEdits() = 0;
    // Shows a command's failure or notice, if any, over the window.
    virtual void showOutcome(const Outcome& outcome, const QString& title) = 0;
    // True when the access level allows command; otherwise the Access
    // Denied dialog is shown and the command must not run.
    virtual bool CheckAccess(AccessRights::Command command) = 0;
    // The Access Denied dialog for the current level; its Re-Login runs the login.
    virtual void ShowAccessDenied() = 0;
    virtual void ApplyAccessRights(const ConfigRow& config) = 0;
    virtual void SetReLoginVisible(bool visible) = 0;
    virtual void ApplyFieldColors() = 0;

    // Opens CurrentLibraryPath, falling back to the library open before.
    virtual Result<OpenedLibrary> openCurrentLibrary() = 0;
    // Saves edits and opens the library at path in place of the open one.
    virtual void openLibrary(const QString& path) = 0;
};

} // namespace zentaro
