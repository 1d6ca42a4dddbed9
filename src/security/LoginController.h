#pragma once

#include "core/LibraryState.h"
#include "core/Status.h"
#include "security/LoginHost.h"
#include "store/ConfigRow.h"

#include <QString>

namespace zentaro {

// The login loop and the level a library opens at. Works on the library
// state's AccessLevel; every window action goes through
// the host.
class LoginController
{
public:
    enum class Outcome {
        LoggedIn,        // AccessLevel is the new level, rights applied
        Cancelled,       // AccessLevel is what it was before
        SecurityOff,     // the library is not protected; nothing changed
        ConfigUnreadable // the Config row could not be read; AccessLevel as before
    };
    struct LoginResult
    {
        Outcome outcome = Outcome::Cancelled;
        Status error; // set for ConfigUnreadable: the host reports it
    };

    enum class OpeningAccess {
        LoggedIn,    // a login was needed and succeeded
        LoginFailed, // a login was needed and was given up: the open fails
        Browser,     // protected without a Browser password: Re-Login shown
        Administrator // not protected: Re-Login hidden
    };
    struct OpeningResult
    {
        OpeningAccess access = OpeningAccess::LoginFailed;
        Status error; // why a login could not run, when it is not a cancel
    };

    LoginController(LibraryState& state, LoginHost& host);

    // Asks for a level and password until one is right or the user cancels.
    // Re-reads the Config row before every attempt, so changes made meanwhile
    // count.
    LoginResult CheckLogin();

    // Settles the level while a library opens, from its freshly bound Config
    // row. Does not apply the rights; the opening does that once the list is
    // bound.
    OpeningResult SettleOpeningLevel(const ConfigRow& config);

    static inline const QString kFailureTitle = QStringLiteral("ZNT Login Failure");
    static inline const QString kFailureText = QStringLiteral("Invalid Password - Try Again");
    // Shown (plain, title kFailureTitle) when a failed login sends the user back
    // to the library open before.
    static inline const QString kReopenText =
        QStringLiteral("Login failed, so ZNT will now Re-Open the last opened Library File");

private:
    LibraryState& m_state;
    LoginHost& m_host;
};

} // namespace zentaro
