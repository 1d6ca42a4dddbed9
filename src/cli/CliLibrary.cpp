#include "cli/CliLibrary.h"

#include "cli/CliOutput.h"
#include "cli/CliTerminal.h"
#include "core/Environment.h"
#include "library/LibraryAddress.h"
#include "security/AccessRights.h"
#include "store/Database.h"
#include "store/LibraryFile.h"

#include <QFile>
#include <QFileInfo>

namespace zentaro {

CliLibrary::CliLibrary(const Environment& environment, SettingsRecord& settings, CliOutput& output,
                       const CliTerminal& terminal)
    : m_environment(environment), m_output(output), m_terminal(terminal), m_host(output, terminal),
      m_session(settings, m_host)
{
    m_host.setSession(&m_session);
}

CliLibrary::~CliLibrary()
{
    close();
}

void CliLibrary::close()
{
    if (m_session.isOpen() || m_session.database())
        m_session.CloseLibrary();
}

Notice CliLibrary::ReadOnlyNotice(const QString& newLine)
{
    return {NoticeIcon::Exclamation, QStringLiteral("ZNT Reminder"),
            QStringLiteral("This Library File is READ ONLY") + newLine + newLine +
                QStringLiteral("You can not make any changes to this library")};
}

Notice CliLibrary::AccessDeniedNotice(const QString& level, const QString& newLine)
{
    return {NoticeIcon::Exclamation, AccessRights::kDeniedCaption,
            AccessRights::kDeniedHeading + newLine + AccessRights::kDeniedText + newLine +
                AccessRights::DeniedLevelText(level)};
}

CliExitCode CliLibrary::refuseReadOnly()
{
    m_output.notice(ReadOnlyNotice(m_environment.newLine()));
    return CliExitCode::Refused;
}

CliExitCode CliLibrary::denyAccess()
{
    m_output.notice(AccessDeniedNotice(state().AccessLevel, m_environment.newLine()));
    return CliExitCode::Refused;
}

QString CliLibrary::Address(const QString& given)
{
    return LibraryAddress::IsServer(given) ? given.trimmed() : QFileInfo(given).absoluteFilePath();
}

QString CliLibrary::WithServerPassword(const QString& address, const CliTerminal& terminal)
{
    if (!LibraryAddress::IsServer(address) || !terminal.inputIsTerminal())
        return address;
    OpenOptions probe;
    probe.exclusive = false;
    probe.readOnly = true;
    Result<std::shared_ptr<Database>> db = Database::open(address, probe);
    if (db) {
        (*db)->close();
        return address;
    }
    if (db.code() != ErrorCode::WrongPassword)
        return address;
    const std::optional<QString> password = terminal.askHidden(
        QStringLiteral("Password for %1: ").arg(LibraryAddress::WithoutPassword(address)));
    return password ? LibraryAddress::WithPassword(address, *password) : address;
}

CliExitCode CliLibrary::open(const QString& path, const Access& access, Use use)
{
    const bool server = LibraryAddress::IsServer(path);
    if (!server && !LibraryFile::IsLibraryPath(path)) {
        m_output.notice({NoticeIcon::Plain, QString(), LibrarySession::kInvalidNameText});
        return CliExitCode::Usage;
    }
    if (access.Level && !AccessRights::IsLevel(*access.Level)) {
        m_output.error(QStringLiteral("--level must be Browser, Editor or Administrator, not \"%1\".")
                           .arg(*access.Level));
        return CliExitCode::Usage;
    }
    state().CurrentLibraryPath = server ? WithServerPassword(Address(path), m_terminal) : Address(path);
    m_session.setServerExclusive(access.ServerExclusive);
    state().PreviousLibraryPath.clear();
    m_host.setCredentials(access.Level, access.Password);
    m_host.resetLogin();
    m_session.setOnlyReads(use == Use::Read);
    const Result<OpenedLibrary> opened = m_session.OpenLibrary();

    auto loginRefused = [&]() {
        if (m_host.loginUnanswerable()) {
            m_output.notice({NoticeIcon::Exclamation, LoginController::kFailureTitle,
                             QStringLiteral("This Library File is SECURITY PROTECTED.  Give the level with "
                                            "--level and its password with --password (or in ZNT_PASSWORD), "
                                            "or run znt on a terminal to be asked for it.")});
        }
        return CliExitCode::Refused;
    };

    if (!opened) {
        // The session has shown why; the exit status tells "in use" from "damaged".
        close();
        if (opened.code() != ErrorCode::Cancelled)
            return exitCodeFor(opened.code());
        if (m_host.loginUnanswerable() || m_host.loginFailures() > 0 || m_host.loginAsked())
            return loginRefused();
        return CliExitCode::Failure;
    }

    // Asked for a level the library did not open at (its Browser level needs
    // no password): log in again, as the Re-Login button does.
    if (access.Level && state().AccessLevel != *access.Level && m_session.Config().UseSecurity) {
        m_host.resetLogin();
        const Result<LoginController::Login> login = m_session.CheckLogin();
        if (login.code() == ErrorCode::Cancelled) {
            close();
            return loginRefused();
        }
        if (!login) {
            // The Config row could not be read.
            m_output.notice({NoticeIcon::Critical, LibrarySession::kOpenFailureTitle, login.message()});
            close();
            return exitCodeFor(login.code());
        }
    }
    return CliExitCode::Success;
}

} // namespace zentaro
