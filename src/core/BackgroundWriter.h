#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace zentaro {

// Writes small files on threads of their own, so a run of many of them reads
// the next one from the library while the file system creates the last ones.
// Each file is a StagedFile (complete or absent), unsynced: the run syncs
// once at its end. Two files are made at once where two cores can, since
// making a file costs the system more than writing 4 KB into it; but they
// take their names in the order given, and after the first failure no later
// file takes its name.
class BackgroundWriter
{
public:
    BackgroundWriter() = default;
    // Writes what is still queued first.
    ~BackgroundWriter();
    BackgroundWriter(const BackgroundWriter&) = delete;
    BackgroundWriter& operator=(const BackgroundWriter&) = delete;

    // The most bytes waiting at once; write() waits while they are reached.
    static constexpr qint64 kMaxQueuedBytes = qint64(16) << 20;

    // Queues bytes to become the file target. With expectedHash (a
    // ContentHash), bytes that hash otherwise fail instead of being written.
    // id is the caller's number for the file, given back with its failure;
    // mode its permissions, less the umask. False, with nothing queued, once
    // a file has failed.
    bool write(const QString& target, QByteArray bytes, QByteArray expectedHash = {}, qint64 id = 0,
               unsigned mode = 0666);
    // Returns once every queued file is written, or dropped after a failure.
    void wait();

    struct Failure
    {
        QString path;
        int error = 0;               // errno of the write, or 0
        bool checksumDiffers = false; // the bytes were not the ones stored
        qint64 id = 0;
    };
    // The write that failed, if one did.
    std::optional<Failure> failure() const;
    // The files written since the last call, in order.
    QStringList takeWritten();

private:
    struct Job
    {
        QString target;
        QByteArray bytes;
        QByteArray expectedHash;
        qint64 id = 0;
        quint64 turn = 0;
        unsigned mode = 0666;
    };
    // Workers are woken for a batch of files, not for each: a wake-up costs
    // the reading thread more than a small file does.
    static constexpr int kWakeFiles = 16;
    static constexpr qint64 kWakeBytes = qint64(1) << 20;
    // The most files a worker takes at once.
    static constexpr size_t kBatchFiles = 8;
    bool worthWaking() const;
    void work();
    void startWorkers();

    mutable std::mutex m_mutex;
    // Each kind of waiting has its own, and is signalled only while someone
    // waits: wake-ups nobody needs cost as much as the files.
    std::condition_variable m_work;  // workers, for files
    std::condition_variable m_turn;  // a worker, for its turn to name a file
    std::condition_variable m_room;  // the caller, for room or for the end
    std::deque<Job> m_queue;
    qint64 m_queuedBytes = 0;
    int m_busy = 0;
    int m_idle = 0;         // workers waiting for files
    int m_turnWaiters = 0;  // workers waiting for their turn
    bool m_callerWaits = false;
    bool m_stop = false;
    quint64 m_nextTurn = 0;   // given to the next queued file
    quint64 m_namingTurn = 0; // the file that takes its name next
    std::optional<Failure> m_failure;
    QStringList m_written;
    std::vector<std::thread> m_threads;
};

} // namespace zentaro
