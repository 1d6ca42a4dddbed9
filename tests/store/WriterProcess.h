#pragma once

#include "store/Database.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

namespace zentaro::test {

// Another program using a library in shared mode on one connection that
// stays open: it saves record after record ("w0", "w1"... each with
// `pieces` full pieces of bytes(i)), pausing pauseUs between them and, with
// burst above 0, restUs after every burst of that many attempts, and
// reports every commit that was confirmed to it. Attempts that fail (the
// library is busy) are not reported, and their number is not used again.
class WriterProcess
{
public:
    WriterProcess(const QString& path, int pieces, int pauseUs = 2000, int burst = 0, int restUs = 0)
    {
        int report[2];
        int stop[2];
        if (::pipe(report) != 0 || ::pipe(stop) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(report[0]);
            ::close(stop[1]);
            ::fcntl(stop[0], F_SETFL, O_NONBLOCK);
            _exit(run(path, pieces, pauseUs, burst, restUs, report[1], stop[0]));
        }
        ::close(report[1]);
        ::close(stop[0]);
        m_report = report[0];
        m_stop = stop[1];
    }

    ~WriterProcess() { stop(); }
    WriterProcess(const WriterProcess&) = delete;
    WriterProcess& operator=(const WriterProcess&) = delete;

    bool started() const { return m_pid > 0; }

    // Waits until at least count commits were reported; false on timeout or
    // when the writer ended.
    bool waitForCommits(int count, int timeoutMs = 30000)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (m_committed.size() < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            if (left.count() <= 0 || !readReports(static_cast<int>(left.count())))
                return false;
        }
        return true;
    }

    // Stops the writer and returns every commit it reported, in order.
    // exitCode is 0 when it ran to the end without being refused the library.
    const QList<int>& stop()
    {
        if (m_stop >= 0) {
            ::close(m_stop);
            m_stop = -1;
        }
        if (m_report >= 0) {
            while (readReports(30000)) {
            }
            ::close(m_report);
            m_report = -1;
        }
        if (m_pid > 0) {
            int status = 0;
            ::waitpid(m_pid, &status, 0);
            m_exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 100;
            m_pid = -1;
        }
        return m_committed;
    }

    const QList<int>& committed() const { return m_committed; }
    int exitCode() const { return m_exitCode; }

    static QString title(int i) { return QStringLiteral("w%1").arg(i); }
    static QByteArray bytes(int i) { return QByteArray(64000, static_cast<char>('A' + i % 50)); }

private:
    // False at the end of the reports.
    bool readReports(int timeoutMs)
    {
        pollfd p{m_report, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0)
            return false;
        qint32 values[64];
        const ssize_t n = ::read(m_report, values, sizeof values);
        if (n <= 0)
            return false;
        for (ssize_t k = 0; k < n / static_cast<ssize_t>(sizeof(qint32)); ++k)
            m_committed << values[k];
        return true;
    }

    static int run(const QString& path, int pieces, int pauseUs, int burst, int restUs, int report, int stop)
    {
        Result<std::shared_ptr<Database>> opened = Database::open(path, {.exclusive = false, .readOnly = false, .busyTimeoutMs = 5000});
        if (!opened)
            return 2;
        Database& db = **opened;
        for (qint32 i = 0;; ++i) {
            char c;
            if (::read(stop, &c, 1) == 0)
                return 0; // the test closed its end
            bool saved = db.begin().ok();
            if (saved) {
                MainRecord r;
                r.Title = title(i);
                r.FileSize = qint64(pieces) * 64000;
                Result<qint64> id = db.insertRecord(r);
                saved = id.ok();
                const QByteArray piece = bytes(i);
                for (int k = 0; saved && k < pieces; ++k)
                    saved = db.appendChunk(*id, piece.constData(), piece.size()).ok();
                saved = saved && db.commit().ok();
                if (!saved && db.inTransaction())
                    db.rollback();
            }
            if (saved && ::write(report, &i, sizeof i) != sizeof i)
                return 3;
            db.idle();
            if (burst > 0 && (i + 1) % burst == 0)
                ::usleep(static_cast<useconds_t>(restUs));
            else if (pauseUs > 0)
                ::usleep(static_cast<useconds_t>(pauseUs));
        }
    }

    pid_t m_pid = -1;
    int m_report = -1;
    int m_stop = -1;
    int m_exitCode = -1;
    QList<int> m_committed;
};

} // namespace zentaro::test
