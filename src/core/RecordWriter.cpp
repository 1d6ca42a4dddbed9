#include "core/RecordWriter.h"

#include "core/Cp1252.h"

#include <bit>
#include <limits>

namespace zentaro {

void RecordWriter::littleEndian(std::uint64_t value, int size)
{
    for (int i = 0; i < size; ++i)
        m_bytes.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

void RecordWriter::int16(std::int16_t value)
{
    littleEndian(static_cast<std::uint16_t>(value), 2);
}

void RecordWriter::int32(std::int32_t value)
{
    littleEndian(static_cast<std::uint32_t>(value), 4);
}

void RecordWriter::float64(double value)
{
    littleEndian(std::bit_cast<std::uint64_t>(value), 8);
}

void RecordWriter::flag(bool value)
{
    int16(value ? -1 : 0);
}

QByteArray RecordWriter::textBytes(const QString& value)
{
    // A code page text that happens to begin with the mark's three characters
    // would read back as UTF-8, so it takes the UTF-8 form as well.
    if (Cp1252::canEncode(value)) {
        QByteArray bytes = Cp1252::encode(value);
        if (!bytes.startsWith(kUtf8Mark))
            return bytes;
    }
    return kUtf8Mark.toByteArray() + value.toUtf8();
}

void RecordWriter::text(const QString& value)
{
    QByteArray bytes = textBytes(value);
    constexpr qsizetype kMaxLength = std::numeric_limits<std::uint16_t>::max();
    if (bytes.size() > kMaxLength) {
        bytes.truncate(kMaxLength);
        m_overflowed = true;
    }
    littleEndian(static_cast<std::uint16_t>(bytes.size()), 2);
    m_bytes.append(bytes);
}

} // namespace zentaro
