#include "core/BackgroundWriter.h"

#include "core/ContentHash.h"
#include "core/FileWriter.h"
#include "core/StagedFile.h"

#include <algorithm>
#include <memory>

namespace zentaro {

BackgroundWriter::~BackgroundWriter()
{
    wait();
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_work.notify_all();
    for (std::thread& thread : m_threads)
        thread.join();
}

void BackgroundWriter::startWorkers()
{
    const int count = std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, 2);
    for (int i = 0; i < count; ++i)
        m_threads.emplace_back(&BackgroundWriter::work, this);
}

bool BackgroundWriter::worthWaking() const
{
    return m_idle > 0 && (m_queue.size() >= kWakeFiles || m_queuedBytes >= kWakeBytes);
}

bool BackgroundWriter::write(const QString& target, QByteArray bytes, QByteArray expectedHash, qint64 id,
                             unsigned mode)
{
    bool wake = false;
    {
        std::unique_lock lock(m_mutex);
        // One file larger than the limit still goes, alone.
        auto roomFor = [&] {
            return m_failure || (m_queue.empty() && m_busy == 0) ||
                   m_queuedBytes + bytes.size() <= kMaxQueuedBytes;
        };
        if (!roomFor()) {
            m_work.notify_all();
            m_callerWaits = true;
            m_room.wait(lock, roomFor);
            m_callerWaits = false;
        }
        if (m_failure)
            return false;
        m_queuedBytes += bytes.size();
        m_queue.push_back({target, std::move(bytes), std::move(expectedHash), id, m_nextTurn++, mode});
        // Started on the first file: a run of large files never needs them.
        if (m_threads.empty())
            startWorkers();
        wake = worthWaking();
    }
    if (wake)
        m_work.notify_all();
    return true;
}

void BackgroundWriter::wait()
{
    std::unique_lock lock(m_mutex);
    auto done = [&] { return m_queue.empty() && m_busy == 0; };
    if (done())
        return;
    // The files short of a batch are not left waiting.
    m_work.notify_all();
    m_callerWaits = true;
    m_room.wait(lock, done);
    m_callerWaits = false;
}

std::optional<BackgroundWriter::Failure> BackgroundWriter::failure() const
{
    std::lock_guard lock(m_mutex);
    return m_failure;
}

QStringList BackgroundWriter::takeWritten()
{
    std::lock_guard lock(m_mutex);
    QStringList written;
    written.swap(m_written);
    return written;
}

void BackgroundWriter::work()
{
    struct Made
    {
        std::unique_ptr<StagedFile> file;
        int error = 0;
        bool differs = false;
    };
    std::vector<Job> batch;
    std::vector<Made> made;
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (!m_stop && m_queue.empty()) {
            ++m_idle;
            m_work.wait(lock, [&] { return m_stop || !m_queue.empty(); });
            --m_idle;
        }
        if (m_queue.empty())
            return;
        // A few files at a time: the two workers then wait for each other's
        // turn once a batch rather than once a file.
        batch.clear();
        while (!m_queue.empty() && batch.size() < kBatchFiles) {
            batch.push_back(std::move(m_queue.front()));
            m_queue.pop_front();
        }
        m_busy += static_cast<int>(batch.size());
        lock.unlock();

        // Made unnamed, alongside the other worker's batch. The bytes are
        // checked here rather than by the reading thread, which has the
        // library to read meanwhile.
        made.clear();
        for (const Job& job : batch) {
            Made one;
            one.differs = !job.expectedHash.isEmpty() && ContentHash::of(job.bytes) != job.expectedHash;
            if (!one.differs) {
                one.file = std::make_unique<StagedFile>(job.target, job.mode);
                one.error = one.file->open();
                if (!one.error)
                    one.error = FileWriter::writeAll(one.file->handle(), job.bytes.constData(), job.bytes.size());
            }
            const bool failed = one.error || one.differs;
            made.push_back(std::move(one));
            // Nothing after a failure is named, so nothing more is made.
            if (failed)
                break;
        }

        lock.lock();
        // Names are taken in the order the files were given.
        if (m_namingTurn != batch.front().turn) {
            ++m_turnWaiters;
            m_turn.wait(lock, [&] { return m_namingTurn == batch.front().turn; });
            --m_turnWaiters;
        }
        const bool failedBefore = m_failure.has_value();
        lock.unlock();

        QStringList named;
        std::optional<Failure> failure;
        if (!failedBefore) {
            for (size_t i = 0; i < made.size(); ++i) {
                Made& one = made[i];
                if (!one.error && !one.differs)
                    one.error = one.file->commit(false);
                if (one.error || one.differs) {
                    failure = Failure{batch[i].target, one.error, one.differs, batch[i].id};
                    break;
                }
                named.push_back(batch[i].target);
            }
        }
        // Whatever was not named goes.
        made.clear();

        lock.lock();
        m_busy -= static_cast<int>(batch.size());
        m_namingTurn += batch.size();
        for (const Job& job : batch)
            m_queuedBytes -= job.bytes.size();
        m_written += named;
        if (failure && !m_failure) {
            m_failure = failure;
            // Nothing after a failure is written; the batch the other worker
            // is making sees the failure at its turn.
            for (const Job& dropped : m_queue)
                m_queuedBytes -= dropped.bytes.size();
            m_queue.clear();
        }
        if (m_turnWaiters > 0)
            m_turn.notify_all();
        if (m_callerWaits)
            m_room.notify_all();
    }
}

} // namespace zentaro
