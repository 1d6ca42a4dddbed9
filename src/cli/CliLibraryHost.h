#pragma once

#include "library/LibraryHost.h"

#include <QString>

#include <optional>

namespace zentaro {

class CliOutput;
class CliTerminal;
class LibrarySession;

// The window side of an open library for znt: messages go to standard
// error, and the login dialog is answered from --level and --password, or
// asked on the terminal (three tries) when no password was given.
class CliLibraryHost final : public LibraryHost
{
public:
    CliLibraryHost(CliOutput& output, const CliTerminal& terminal);

    void setSession(LibrarySession* session) { m_session = session; }
    // level: as the login dialog's "Login As" (Browser when not given);
    // password: from the command line or the environment.
    void setCredentials(std::optional<QString> level, std::optional<QString> password);
    // Starts counting the answers of one login afresh.
    void resetLogin();

    // A login was needed that nobody could answer: no password was given
    // and standard input is not a terminal.
    bool loginUnanswerable() const { return m_unanswerable; }
    int loginFailures() const { return m_failures; }
    // The login dialog was shown at least once since resetLogin.
    bool loginAsked() const { return m_dialogs > 0; }

    // LoginHost
    void SetReLoginVisible(bool) override {}
    Result<ConfigRow> ReadConfig() override;
    std::optional<LoginAnswer> ShowLoginDialog() override;
    void ShowLoginFailure(const QString& title, const QString& text) override;
    void ApplyAccessRights(const ConfigRow&) override {}

    // LibraryHost
    void ShowNotice(const Notice& notice) override;
    void ClearPreviewer() override {}
    void SetCaption(const QString&) override {}
    void StopEditDetection() override {}
    void ListReset() override {}
    void CurrentChanged(int) override {}
    int SelectedCount() const override { return 0; }
    void SetCountsText(const QString&) override {}

    static constexpr int kTerminalTries = 3;

private:
    CliOutput& m_output;
    const CliTerminal& m_terminal;
    LibrarySession* m_session = nullptr;
    std::optional<QString> m_level;
    std::optional<QString> m_password;
    int m_dialogs = 0;
    int m_failures = 0;
    bool m_unanswerable = false;
};

} // namespace zentaro
