#pragma once

#include "core/ContentHash.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace zentaro {

// A ContentHash fed on a thread of its own, so hashing a file overlaps with
// reading and storing it. The bytes of add() must stay untouched until
// wait() has returned.
class BackgroundHash
{
public:
    // Without ownThread (small files, where a thread costs more than it
    // saves) add() hashes at once.
    explicit BackgroundHash(bool ownThread = true);
    ~BackgroundHash();
    BackgroundHash(const BackgroundHash&) = delete;
    BackgroundHash& operator=(const BackgroundHash&) = delete;

    // Hands over bytes; waits first for the bytes handed over before.
    void add(const char* data, qint64 length);
    // Returns once everything handed over is hashed.
    void wait();
    QByteArray finish();

private:
    void work();

    ContentHash m_hash;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    const char* m_data = nullptr;
    qint64 m_length = 0;
    bool m_busy = false;
    bool m_stop = false;
    bool m_threaded = true;
    std::thread m_thread;
};

} // namespace zentaro
