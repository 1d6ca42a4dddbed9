#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>

namespace zentaro {

// Builds a fixed-order little-endian record, the counterpart of RecordReader.
class RecordWriter
{
public:
    // Marks a text field stored as UTF-8 because code page 1252 cannot hold it.
    static constexpr QByteArrayView kUtf8Mark{"\xEF\xBB\xBF", 3};

    void int16(std::int16_t value);
    void int32(std::int32_t value);
    void float64(double value);
    // Written as -1 or 0.
    void flag(bool value);
    // Code page 1252 when the text fits it, otherwise the UTF-8 mark and UTF-8.
    // A text whose bytes would exceed the 2-byte count is cut at the limit and
    // noted in overflowed().
    void text(const QString& value);

    // The bytes of one stored text field without its count.
    static QByteArray textBytes(const QString& value);

    const QByteArray& bytes() const { return m_bytes; }
    bool overflowed() const { return m_overflowed; }

private:
    void littleEndian(std::uint64_t value, int size);

    QByteArray m_bytes;
    bool m_overflowed = false;
};

} // namespace zentaro
