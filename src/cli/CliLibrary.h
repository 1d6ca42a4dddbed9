#pragma once

#include "cli/CliExitCode.h"
#include "cli/CliLibraryHost.h"
#include "library/LibrarySession.h"

#include <QString>

#include <memory>
#include <optional>

namespace zentaro {

class CliOutput;
class CliTerminal;
class Environment;
struct SettingsRecord;

// A library opened for one znt command the way the main window opens one:
// the name rule, the read-only notice, ExclusiveMode, the login of a
// protected library, and the level the command then runs at.
class CliLibrary
{
public:
    struct Access
    {
        std::optional<QString> Level;    // --level
        std::optional<QString> Password; // --password or ZNT_PASSWORD
        bool ServerExclusive = false;    // --exclusive: a server library for znt alone
    };

    // A library address given to znt: a server address as it is, a file's
    // path made absolute.
    static QString Address(const QString& given);
    // The server address with the server's password asked on the terminal
    // when the server wants one that neither the address, PGPASSWORD nor the
    // password file gives; otherwise address unchanged.
    static QString WithServerPassword(const QString& address, const CliTerminal& terminal);

    // What the command does with the library: a command that only reads
    // leaves a library made by an earlier version as it is.
    enum class Use { Read, Write };

    CliLibrary(const Environment& environment, SettingsRecord& settings, CliOutput& output,
               const CliTerminal& terminal);
    ~CliLibrary();
    CliLibrary(const CliLibrary&) = delete;
    CliLibrary& operator=(const CliLibrary&) = delete;

    // Opens path and settles the access level: at the level asked for with
    // --level when the library is protected (a Re-Login when it opened at
    // another one). Anything but Success was reported on standard error.
    CliExitCode open(const QString& path, const Access& access, Use use = Use::Write);
    void close();

    LibrarySession& session() { return m_session; }
    // The opened library's path, level, read-only flag and list query.
    LibraryState& state() { return m_session.state(); }
    const Environment& environment() const { return m_environment; }
    const std::shared_ptr<Database>& database() const { return m_session.database(); }
    const ConfigRow& config() const { return m_session.Config(); }

    // The refusals the commands share; each prints the program's text and
    // gives the exit status.
    CliExitCode refuseReadOnly();
    CliExitCode denyAccess();

    // "This Library File is READ ONLY" ... (title "ZNT Reminder").
    static Notice ReadOnlyNotice(const QString& newLine);
    // The Access Denied dialog as text.
    static Notice AccessDeniedNotice(const QString& level, const QString& newLine);

private:
    const Environment& m_environment;
    CliOutput& m_output;
    const CliTerminal& m_terminal;
    CliLibraryHost m_host;
    LibrarySession m_session;
};

} // namespace zentaro
