#include "core/ContentHash.h"

#include <sodium.h>

namespace zentaro {

struct ContentHash::State
{
    crypto_generichash_state state;
};

ContentHash::ContentHash() : m_state(std::make_unique<State>())
{
    static const int ready = sodium_init();
    (void)ready;
    crypto_generichash_init(&m_state->state, nullptr, 0, kSize);
}

ContentHash::~ContentHash() = default;

void ContentHash::add(const char* data, qint64 length)
{
    if (length > 0)
        crypto_generichash_update(&m_state->state, reinterpret_cast<const unsigned char*>(data),
                                  static_cast<unsigned long long>(length));
}

QByteArray ContentHash::finish()
{
    QByteArray out(kSize, Qt::Uninitialized);
    crypto_generichash_final(&m_state->state, reinterpret_cast<unsigned char*>(out.data()), kSize);
    crypto_generichash_init(&m_state->state, nullptr, 0, kSize);
    return out;
}

QByteArray ContentHash::of(const QByteArray& bytes)
{
    ContentHash hash;
    hash.add(bytes.constData(), bytes.size());
    return hash.finish();
}

} // namespace zentaro
