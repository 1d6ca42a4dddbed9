#pragma once

#include <QByteArrayView>
#include <QString>

#include <cstdint>

namespace zentaro {

// Reads the fields of a fixed-order little-endian record. Reading past the end
// of the bytes gives zeros, so a record cut short yields empty texts, zeros
// and false flags for the fields it no longer holds.
class RecordReader
{
public:
    explicit RecordReader(QByteArrayView bytes) : m_bytes(bytes) {}

    std::int16_t int16();
    std::int32_t int32();
    double float64();
    // -1 is true and 0 false; any other value, found only in a hand-edited
    // file, counts as true.
    bool flag();
    // A 2-byte byte count and the text bytes: code page 1252, or UTF-8 behind
    // a UTF-8 byte-order mark. A text cut off by the end keeps the bytes that
    // are there.
    QString text();

    // True once a field reached beyond the last byte.
    bool ranPastEnd() const { return m_pastEnd; }
    qsizetype position() const { return m_pos; }

private:
    std::uint64_t littleEndian(int size);

    QByteArrayView m_bytes;
    qsizetype m_pos = 0;
    bool m_pastEnd = false;
};

} // namespace zentaro
