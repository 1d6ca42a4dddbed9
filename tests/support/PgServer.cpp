#include "support/PgServer.h"

#include "store/server/PgConnection.h"
#include "store/server/ServerAddress.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>
#include <QUrlQuery>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zentaro::test {

namespace {

const QString kScript = QStringLiteral(ZENTARO_TEST_SOURCE_DIR "/scripts/pg-server");
const QString kPrefix = QStringLiteral("zentaro-pg-");

// Read by the signal handler: the postmaster to end on a fatal signal.
volatile pid_t g_postmaster = 0;

// Stops the server in folder through the script, without Qt (this also
// runs at exit, after the application object is gone).
void stopFolder(const QByteArray& folder)
{
    const QByteArray script = QFile::encodeName(kScript);
    const pid_t child = ::fork();
    if (child == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        if (null >= 0) {
            ::dup2(null, 1);
            ::dup2(null, 2);
        }
        ::execl("/bin/bash", "bash", script.constData(), "stop", folder.constData(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    if (child > 0) {
        int status = 0;
        ::waitpid(child, &status, 0);
    }
}

void stopAtExit()
{
    PgServer::instance().stop();
}

// A fatal signal: an immediate shutdown of the server (SIGQUIT), then the
// signal's own end. Only async-signal-safe calls.
void onFatalSignal(int signal)
{
    if (g_postmaster > 0)
        ::kill(g_postmaster, SIGQUIT);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

// A process that ended but was not yet reaped counts as gone.
bool alive(pid_t pid)
{
    if (::kill(pid, 0) != 0 && errno == ESRCH)
        return false;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray line = stat.readAll();
    const qsizetype end = line.lastIndexOf(')');
    return end < 0 || line.mid(end + 2, 1) != "Z";
}

// Servers of test processes that were killed outright (no handler runs
// then): their folder names carry the pid of a process that is gone.
void stopOrphans()
{
    const QStringList folders = QDir(QDir::tempPath()).entryList({kPrefix + QLatin1Char('*')}, QDir::Dirs);
    for (const QString& name : folders) {
        const pid_t owner = name.mid(kPrefix.size()).section(QLatin1Char('-'), 0, 0).toInt();
        if (owner > 0 && owner != ::getpid() && !alive(owner))
            stopFolder(QFile::encodeName(QDir(QDir::tempPath()).filePath(name)));
    }
}

// A server of scripts/pg-server is running in folder: its postmaster lives
// and its socket is there.
[[maybe_unused]] bool runningServer(const QString& folder)
{
    QFile pidFile(folder + QStringLiteral("/data/postmaster.pid"));
    if (!pidFile.open(QIODevice::ReadOnly))
        return false;
    const pid_t pid = static_cast<pid_t>(pidFile.readLine().trimmed().toInt());
    return pid > 0 && alive(pid) && QFileInfo::exists(folder + QStringLiteral("/socket/.s.PGSQL.5432"));
}

class PgServerEnvironment : public ::testing::Environment
{
public:
    void TearDown() override { PgServer::instance().stop(); }
};

[[maybe_unused]] ::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new PgServerEnvironment);

} // namespace

PgServer& PgServer::instance()
{
    static PgServer server;
    return server;
}

PgServer::State PgServer::start()
{
    if (m_state != State::NotStarted)
        return m_state;
    // The server the test run started for all its processes (the ctest
    // fixture): used, never stopped here.
    QString shared = qEnvironmentVariable("ZENTARO_PG_SOCKET");
#ifdef ZENTARO_PG_CTEST_DIR
    if (shared.isEmpty() && runningServer(QStringLiteral(ZENTARO_PG_CTEST_DIR)))
        shared = QStringLiteral(ZENTARO_PG_CTEST_DIR "/socket");
#endif
    if (!shared.isEmpty() && QFileInfo::exists(shared)) {
        m_socket = shared;
        m_shared = true;
        m_state = State::Running;
        return m_state;
    }
    stopOrphans();
    // Under /tmp, made by the script itself, so that the server's own user
    // (nobody, when the tests run as root) can reach its socket.
    m_folder = QDir(QDir::tempPath()).filePath(kPrefix + QString::number(::getpid()));
    std::atexit(stopAtExit);
    for (int s : {SIGTERM, SIGINT, SIGHUP, SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL})
        ::signal(s, onFatalSignal);

    QProcess script;
    script.start(QStringLiteral("/bin/bash"), {kScript, QStringLiteral("start"), m_folder});
    const bool finished = script.waitForFinished(120000);
    const QString output = QString::fromLocal8Bit(script.readAllStandardOutput()).trimmed();
    const QString errors = QString::fromLocal8Bit(script.readAllStandardError()).trimmed();
    if (finished && script.exitStatus() == QProcess::NormalExit && script.exitCode() == 77) {
        m_state = State::NoBinaries;
        m_reason = errors;
        return m_state;
    }
    if (!finished || script.exitStatus() != QProcess::NormalExit || script.exitCode() != 0) {
        script.kill();
        script.waitForFinished();
        m_state = State::Failed;
        m_reason = QStringLiteral("scripts/pg-server start %1 failed: %2").arg(m_folder, errors);
        stopFolder(QFile::encodeName(m_folder));
        return m_state;
    }
    m_socket = output.section(QLatin1Char('\n'), -1);
    QFile pidFile(m_folder + QStringLiteral("/data/postmaster.pid"));
    if (pidFile.open(QIODevice::ReadOnly))
        g_postmaster = static_cast<pid_t>(pidFile.readLine().trimmed().toInt());
    m_state = State::Running;
    return m_state;
}

void PgServer::stop()
{
    if (m_state != State::Running)
        return;
    m_state = State::NotStarted;
    if (m_shared)
        return;
    g_postmaster = 0;
    stopFolder(QFile::encodeName(m_folder));
}

QString PgServer::address(const QString& database, const QString& user, const QString& password) const
{
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("host"), m_socket);
    query.addQueryItem(QStringLiteral("user"), user);
    if (!password.isEmpty())
        query.addQueryItem(QStringLiteral("password"), password);
    return QStringLiteral("postgresql:///%1?%2").arg(database, query.toString(QUrl::FullyEncoded));
}

Status PgServer::run(const QString& database, const QString& sql) const
{
    Result<ServerAddress> address = ServerAddress::parse(this->address(database));
    if (!address)
        return address.status();
    Result<std::unique_ptr<PgConnection>> connection = PgConnection::connect(*address);
    if (!connection)
        return connection.status();
    const QByteArray text = sql.toUtf8();
    PgResult result = (*connection)->run(text.constData());
    if (!result.ok())
        return (*connection)->failure(QStringLiteral("Could not run \"%1\"").arg(sql), result);
    return {};
}

} // namespace zentaro::test
