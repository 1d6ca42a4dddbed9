#include "store/server/ServerDatabase.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QtGlobal>
#include <cstdio>
#include <cstring>
#include <memory>

#include <QDir>
#include <QFile>
#include <QThread>

#include <csignal>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#ifdef ZENTARO_TEST_GUI
#include <QApplication>
#else
#include <QCoreApplication>
#endif

namespace {

// Processes still running whose parent is this test process. As a subreaper
// it also inherits the orphans of the children it started.
QList<pid_t> livingChildren()
{
    while (::waitpid(-1, nullptr, WNOHANG) > 0) {
    }
    QList<pid_t> found;
    const QString me = QString::number(::getpid());
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool number = false;
        const pid_t pid = entry.toInt(&number);
        if (!number)
            continue;
        QFile status(QStringLiteral("/proc/%1/status").arg(entry));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("PPid:") && line.mid(5).trimmed() == me.toLatin1())
                found.append(pid);
        }
    }
    return found;
}

// A test that leaves a program running fails, and the program is ended.
int failOnLeftoverChildren(int status)
{
    QList<pid_t> left = livingChildren();
    for (int tries = 0; tries < 20 && !left.isEmpty(); ++tries) {
        QThread::msleep(50);
        left = livingChildren();
    }
    if (left.isEmpty())
        return status;
    for (pid_t pid : left) {
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        QByteArray text = cmdline.open(QIODevice::ReadOnly) ? cmdline.readAll() : QByteArray();
        text.replace('\0', ' ');
        std::fprintf(stderr, "FAIL: the test left a process running: %d %s\n", pid, text.constData());
        ::kill(pid, SIGKILL);
    }
    while (::waitpid(-1, nullptr, WNOHANG) > 0) {
    }
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    ::testing::InitGoogleTest(&argc, argv);
    // Nothing a test sends to the trash (nor a program it runs) may reach the
    // user's own: home is a folder of the run's own.
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path() + QStringLiteral("/.local/share")));
#ifdef ZENTARO_TEST_GUI
    // Test discovery runs without CTest's environment; never reach for a display then.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // CTest hands over only the first variable of the test environment
    // (gtest_discover_tests splits the list), so the media backend is named
    // here too: the GStreamer one crashes offscreen.
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND"))
        qputenv("QT_MEDIA_BACKEND", "ffmpeg");
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    // Server addresses open a library on a server, as in the program.
    zentaro::ServerDatabase::registerEngine();
    return failOnLeftoverChildren(RUN_ALL_TESTS());
}
