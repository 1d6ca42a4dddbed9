#pragma once

#include "core/LibraryState.h"
#include "core/Result.h"
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
    // How a login ended that was not given up.
    enum class Login {
        LoggedIn,   // AccessLevel is the new level, rights applied
        SecurityOff // the library is not protected; nothing changed
    };

    // The level a library opened at.
    enum class OpeningAccess {
        LoggedIn,     // a login was needed and succeeded
        Browser,      // protected without a Browser password: Re-Login shown
        Administrator // not protected: Re-Login hidden
    };

    LoginController(LibraryState& state, LoginHost& host);

    // Asks for a level and password until one is right or the user cancels.
    // Re-reads the Config row before every attempt, so changes made meanwhile
    // count. Cancelled when the user gives up, or why the Config row could
    // not be read (the caller reports it); AccessLevel is then as before.
    Result<Login> CheckLogin();

    // Settles the level while a library opens, from its freshly bound Config
    // row. Does not apply the rights; the opening does that once the list is
    // bound. Cancelled when a needed login was given up, or why it could not
    // run: the open then fails.
    Result<OpeningAccess> SettleOpeningLevel(const ConfigRow& config);

    // The status of a login given up.
    static Status Cancelled();

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
