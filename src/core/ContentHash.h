#pragma once

#include <QByteArray>

#include <memory>

namespace zentaro {

// BLAKE2b-256 of a stream of bytes, taken piece by piece as they pass, so a
// file is hashed in the same read that stores or extracts it.
class ContentHash
{
public:
    static constexpr int kSize = 32;

    ContentHash();
    ~ContentHash();
    ContentHash(const ContentHash&) = delete;
    ContentHash& operator=(const ContentHash&) = delete;

    void add(const char* data, qint64 length);
    // The hash of everything added; the object starts afresh afterwards.
    QByteArray finish();

    static QByteArray of(const QByteArray& bytes);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace zentaro
