#include "security/LoginController.h"

#include "core/SecretText.h"
#include "security/AccessRights.h"
#include "security/LoginRules.h"

namespace zentaro {

LoginController::LoginController(LibraryState& state, LoginHost& host)
    : m_state(state), m_host(host)
{
}

LoginController::LoginResult LoginController::CheckLogin()
{
    m_host.SetReLoginVisible(true);
    const QString saved = m_state.AccessLevel;

    for (;;) {
        Result<ConfigRow> config = m_host.ReadConfig();
        if (!config) {
            m_state.AccessLevel = saved;
            return {Outcome::ConfigUnreadable, config.status()};
        }
        if (!config->UseSecurity) {
            m_host.SetReLoginVisible(false);
            return {Outcome::SecurityOff, {}};
        }

        std::optional<LoginAnswer> answer = m_host.ShowLoginDialog();
        m_host.SetReLoginVisible(true);
        if (!answer) {
            m_state.AccessLevel = saved;
            return {Outcome::Cancelled, {}};
        }

        // The level only changes once its password is proven; until then the
        // level in force stays, whatever the dialog did.
        const QString level = answer->Level.trimmed();
        QString entered = LoginRules::EnteredForm(answer->Password);
        const bool succeeded = LoginRules::LoginSucceeds(level, entered, *config);
        // The typed password is not needed once the login is decided.
        SecretText::wipe(entered);
        SecretText::wipe(answer->Password);
        if (succeeded) {
            m_state.AccessLevel = level;
            m_host.ApplyAccessRights(*config);
            return {Outcome::LoggedIn, {}};
        }
        m_state.AccessLevel = saved;
        m_host.ShowLoginFailure(kFailureTitle, kFailureText);
    }
}

LoginController::OpeningResult LoginController::SettleOpeningLevel(const ConfigRow& config)
{
    if (LoginRules::LoginNeededToOpen(config)) {
        m_state.AccessLevel.clear();
        const LoginResult login = CheckLogin();
        switch (login.outcome) {
        case Outcome::LoggedIn:
            return {OpeningAccess::LoggedIn, {}};
        case Outcome::SecurityOff:
            // Security was switched off between the bind and the re-read: the
            // library is simply unprotected now (CheckLogin hid the button).
            m_state.AccessLevel = AccessRights::kAdministrator;
            return {OpeningAccess::Administrator, {}};
        case Outcome::Cancelled:
        case Outcome::ConfigUnreadable:
            break; // CheckLogin put back the empty level
        }
        return {OpeningAccess::LoginFailed, login.error};
    }
    if (config.UseSecurity) {
        m_state.AccessLevel = AccessRights::kBrowser;
        m_host.SetReLoginVisible(true);
        return {OpeningAccess::Browser, {}};
    }
    m_state.AccessLevel = AccessRights::kAdministrator;
    m_host.SetReLoginVisible(false);
    return {OpeningAccess::Administrator, {}};
}

} // namespace zentaro
