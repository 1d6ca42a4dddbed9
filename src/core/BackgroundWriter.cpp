#include "core/BackgroundWriter.h"

#include "core/FileWriter.h"
#include "core/StagedFile.h"

#include <algorithm>

namespace zentaro {

BackgroundWriter::~BackgroundWriter()
{
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_queue.empty() && m_busy == 0; });
        m_stop = true;
    }
    m_changed.notify_all();
    for (std::thread& thread : m_threads)
        thread.join();
}

void BackgroundWriter::startWorkers()
{
    const int count = std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, 2);
    for (int i = 0; i < count; ++i)
        m_threads.emplace_back(&BackgroundWriter::work, this);
}

bool BackgroundWriter::write(const QString& target, QByteArray bytes)
{
    {
        std::unique_lock lock(m_mutex);
        // One file larger than the limit still goes, alone.
        m_changed.wait(lock, [&] {
            return m_failure || (m_queue.empty() && m_busy == 0) ||
                   m_queuedBytes + bytes.size() <= kMaxQueuedBytes;
        });
        if (m_failure)
            return false;
        m_queuedBytes += bytes.size();
        m_queue.push_back({target, std::move(bytes), m_nextTurn++});
        // Started on the first file: a run of large files never needs them.
        if (m_threads.empty())
            startWorkers();
    }
    m_changed.notify_all();
    return true;
}

void BackgroundWriter::wait()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return m_queue.empty() && m_busy == 0; });
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
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [&] { return m_stop || !m_queue.empty(); });
        if (m_queue.empty())
            return;
        Job job = std::move(m_queue.front());
        m_queue.pop_front();
        ++m_busy;
        lock.unlock();

        StagedFile file(job.target);
        int error = file.open();
        if (!error)
            error = FileWriter::writeAll(file.handle(), job.bytes.constData(), job.bytes.size());

        lock.lock();
        // Names are taken in the order the files were given.
        m_changed.wait(lock, [&] { return m_namingTurn == job.turn; });
        const bool named = !error && !m_failure;
        lock.unlock();
        if (named)
            error = file.commit(false);
        else
            file.abandon();
        lock.lock();

        --m_busy;
        ++m_namingTurn;
        m_queuedBytes -= job.bytes.size();
        if (error && !m_failure) {
            m_failure = Failure{job.target, error};
            // Nothing after a failure is written; the files already being
            // made see the failure at their turn.
            for (const Job& dropped : m_queue)
                m_queuedBytes -= dropped.bytes.size();
            m_queue.clear();
        } else if (named && !error) {
            m_written.push_back(job.target);
        }
        m_changed.notify_all();
    }
}

} // namespace zentaro
