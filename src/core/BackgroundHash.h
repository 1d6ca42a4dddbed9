#pragma once

#include "core/ContentHash.h"

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace zentaro {

// A ContentHash fed on a thread of its own, so hashing a file overlaps with
// reading and storing it.
//
// Small pieces are gathered into blocks of kBatchBytes before the thread
// sees them: waking a thread for every 64,000-byte piece costs more than the
// hashing on a busy machine. A piece of kBatchBytes or more is handed over
// where it lies, and must stay untouched until the next add() or wait() has
// returned; a smaller one may be reused as soon as add() returns.
class BackgroundHash
{
public:
    static constexpr qint64 kBatchBytes = 1024 * 1024;

    // Without ownThread (small files, where a thread costs more than it
    // saves) add() hashes at once.
    explicit BackgroundHash(bool ownThread = true);
    ~BackgroundHash();
    BackgroundHash(const BackgroundHash&) = delete;
    BackgroundHash& operator=(const BackgroundHash&) = delete;

    void add(const char* data, qint64 length);
    // Returns once everything added is hashed.
    void wait();
    QByteArray finish();

private:
    // Hands bytes to the thread once the bytes handed over before are done.
    void handOver(const char* data, qint64 length);
    // Hands over the gathered bytes, if any.
    void handOverBatch();
    void work();

    ContentHash m_hash;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    const char* m_data = nullptr;
    qint64 m_length = 0;
    bool m_busy = false;
    bool m_stop = false;
    bool m_threaded = true;
    // Two blocks: one fills while the thread hashes the other.
    std::vector<char> m_batch[2];
    int m_filling = 0;
    qint64 m_filled = 0;
    std::thread m_thread;
};

} // namespace zentaro
