#include "security/LoginController.h"

#include "core/SecretText.h"
#include "security/AccessRights.h"
#include "security/LoginRules.h"

namespace zentaro {

LoginController::LoginController(LibraryState& state, LoginHost& host)
    : m_state(state), m_host(host)
{
}

Status LoginController::Cancelled()
{
    return Status::failure(ErrorCode::Cancelled, QStringLiteral("The login was cancelled."));
}

Result<LoginController::Login> LoginController::CheckLogin()
{
    m_host.SetReLoginVisible(true);
    const QString saved = m_state.AccessLevel;

    for (;;) {
        Result<ConfigRow> config = m_host.ReadConfig();
        if (!config) {
            m_state.AccessLevel = saved;
            return config.status();
        }
        if (!config->UseSecurity) {
            m_host.SetReLoginVisible(false);
            return Login::SecurityOff;
        }

        std::optional<LoginAnswer> answer = m_host.ShowLoginDialog();
        m_host.SetReLoginVisible(true);
        if (!answer) {
            m_state.AccessLevel = saved;
            return Cancelled();
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
            return Login::LoggedIn;
        }
        m_state.AccessLevel = saved;
        m_host.ShowLoginFailure(kFailureTitle, kFailureText);
    }
}

Result<LoginController::OpeningAccess> LoginController::SettleOpeningLevel(const ConfigRow& config)
{
    if (LoginRules::LoginNeededToOpen(config)) {
        m_state.AccessLevel.clear();
        const Result<Login> login = CheckLogin();
        if (!login)
            return login.status(); // CheckLogin put back the empty level
        if (*login == Login::SecurityOff) {
            // Security was switched off between the bind and the re-read: the
            // library is simply unprotected now (CheckLogin hid the button).
            m_state.AccessLevel = AccessRights::kAdministrator;
            return OpeningAccess::Administrator;
        }
        return OpeningAccess::LoggedIn;
    }
    if (config.UseSecurity) {
        m_state.AccessLevel = AccessRights::kBrowser;
        m_host.SetReLoginVisible(true);
        return OpeningAccess::Browser;
    }
    m_state.AccessLevel = AccessRights::kAdministrator;
    m_host.SetReLoginVisible(false);
    return OpeningAccess::Administrator;
}

} // namespace zentaro
