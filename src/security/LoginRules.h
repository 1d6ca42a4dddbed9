#pragma once

#include "store/ConfigRow.h"

#include <QString>

namespace zentaro {

// The rules that decide a login, apart from any window.
class LoginRules
{
public:
    // The entered password as it is compared: outer blanks removed, in capitals.
    static QString EnteredForm(const QString& typed);

    // Whether a login at level with enteredPassword (in EnteredForm) succeeds:
    // Browser compares with BrowsePassword trimmed and in capitals, Editor and
    // Administrator with their password in capitals, not trimmed; the level
    // must be exactly one of the three and the password must be that level's;
    // a null password never matches, and neither does an Editor or
    // Administrator password that was never set (empty). An empty or blank
    // Browser password means the Browser level has none: an empty entry
    // matches it. Hashed and plain stored values both work.
    static bool LoginSucceeds(const QString& level, const QString& enteredPassword,
                              const ConfigRow& config);

    // Opening a library asks for a login when security is on and a Browser
    // password is set (anything but the single blank).
    static bool LoginNeededToOpen(const ConfigRow& config);
};

} // namespace zentaro
