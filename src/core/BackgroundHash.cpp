#include "core/BackgroundHash.h"

#include <algorithm>
#include <cstring>

namespace zentaro {

BackgroundHash::BackgroundHash(bool ownThread) : m_threaded(ownThread)
{
    if (m_threaded)
        m_thread = std::thread([this] { work(); });
}

BackgroundHash::~BackgroundHash()
{
    if (!m_threaded)
        return;
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_busy; });
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void BackgroundHash::add(const char* data, qint64 length)
{
    if (!m_threaded) {
        m_hash.add(data, length);
        return;
    }
    if (length >= kBatchBytes) {
        handOverBatch();
        handOver(data, length);
        return;
    }
    while (length > 0) {
        std::vector<char>& batch = m_batch[m_filling];
        if (batch.empty())
            batch.resize(static_cast<size_t>(kBatchBytes));
        const qint64 take = std::min(length, kBatchBytes - m_filled);
        std::memcpy(batch.data() + m_filled, data, static_cast<size_t>(take));
        m_filled += take;
        data += take;
        length -= take;
        if (m_filled == kBatchBytes)
            handOverBatch();
    }
}

void BackgroundHash::handOverBatch()
{
    if (m_filled == 0)
        return;
    handOver(m_batch[m_filling].data(), m_filled);
    m_filling ^= 1;
    m_filled = 0;
}

void BackgroundHash::handOver(const char* data, qint64 length)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_busy; });
    m_data = data;
    m_length = length;
    m_busy = true;
    lock.unlock();
    m_changed.notify_all();
}

void BackgroundHash::wait()
{
    if (!m_threaded)
        return;
    handOverBatch();
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_busy; });
}

QByteArray BackgroundHash::finish()
{
    wait();
    return m_hash.finish();
}

void BackgroundHash::work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_busy || m_stop; });
        if (m_stop && !m_busy)
            return;
        const char* data = m_data;
        const qint64 length = m_length;
        lock.unlock();
        m_hash.add(data, length);
        lock.lock();
        m_busy = false;
        m_changed.notify_all();
    }
}

} // namespace zentaro
