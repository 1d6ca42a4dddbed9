#include "cli/CliLibraryHost.h"

#include "cli/CliOutput.h"
#include "cli/CliTerminal.h"
#include "security/AccessRights.h"
#include "library/LibrarySession.h"

namespace zentaro {

CliLibraryHost::CliLibraryHost(CliOutput& output, const CliTerminal& terminal)
    : m_output(output), m_terminal(terminal)
{
}

void CliLibraryHost::setCredentials(std::optional<QString> level, std::optional<QString> password)
{
    m_level = std::move(level);
    m_password = std::move(password);
}

void CliLibraryHost::resetLogin()
{
    m_dialogs = 0;
    m_unanswerable = false;
}

Result<ConfigRow> CliLibraryHost::ReadConfig()
{
    if (!m_session)
        return Result<ConfigRow>::failure(ErrorCode::NotFound, QStringLiteral("No library is open."));
    return m_session->ReadConfig();
}

std::optional<LoginAnswer> CliLibraryHost::ShowLoginDialog()
{
    ++m_dialogs;
    // "Login As" starts at its first item, Browser.
    const QString level = m_level.value_or(AccessRights::kBrowser);
    if (m_password) {
        // A password given beforehand is tried once; asking again would loop.
        if (m_dialogs > 1)
            return std::nullopt;
        return LoginAnswer{level, *m_password};
    }
    if (!m_terminal.inputIsTerminal()) {
        m_unanswerable = true;
        return std::nullopt;
    }
    if (m_dialogs > kTerminalTries)
        return std::nullopt;
    QString chosen = level;
    if (!m_level) {
        const std::optional<QString> typed =
            m_terminal.ask(QStringLiteral("ZNT Login - Login As (Browser, Editor, Administrator) [Browser]: "));
        if (!typed)
            return std::nullopt;
        if (!typed->trimmed().isEmpty())
            chosen = typed->trimmed();
    }
    const std::optional<QString> password =
        m_terminal.askHidden(QStringLiteral("Password for %1: ").arg(chosen));
    if (!password)
        return std::nullopt;
    return LoginAnswer{chosen, *password};
}

void CliLibraryHost::ShowLoginFailure(const QString& title, const QString& text)
{
    ++m_failures;
    m_output.notice({NoticeIcon::Exclamation, title, text});
}

void CliLibraryHost::ShowNotice(const Notice& notice)
{
    m_output.notice(notice);
}

} // namespace zentaro
