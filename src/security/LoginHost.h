#pragma once

#include "core/Result.h"
#include "store/ConfigRow.h"

#include <QString>

#include <optional>

namespace zentaro {

// What the login dialog hands back when the user presses Login: the chosen
// level and the password as typed.
struct LoginAnswer
{
    QString Level;
    QString Password;
};

// The window side of a login, implemented by the main window (and by fakes in
// tests), so the login loop itself needs no window.
class LoginHost
{
public:
    virtual ~LoginHost() = default;

    // Shows or hides the toolbar's Re-Login button.
    virtual void SetReLoginVisible(bool visible) = 0;
    // Reads the Config row of the open library afresh.
    virtual Result<ConfigRow> ReadConfig() = 0;
    // Shows the login dialog modally; no value when the user cancels.
    virtual std::optional<LoginAnswer> ShowLoginDialog() = 0;
    // Shows a failed attempt: exclamation icon, the given title and text.
    virtual void ShowLoginFailure(const QString& title, const QString& text) = 0;
    // Sets fields and menus for the program state's AccessLevel and this row
    // (see AccessRights::ControlStatesFor).
    virtual void ApplyAccessRights(const ConfigRow& config) = 0;
};

} // namespace zentaro
