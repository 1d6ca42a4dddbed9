#include "core/RecordReader.h"

#include "core/Cp1252.h"
#include "core/RecordWriter.h"

#include <QStringDecoder>

#include <bit>

namespace zentaro {

std::uint64_t RecordReader::littleEndian(int size)
{
    std::uint64_t value = 0;
    for (int i = 0; i < size; ++i) {
        const qsizetype at = m_pos + i;
        if (at >= m_bytes.size()) {
            m_pastEnd = true;
            continue;
        }
        value |= std::uint64_t(static_cast<unsigned char>(m_bytes[at])) << (8 * i);
    }
    m_pos += size;
    return value;
}

std::int16_t RecordReader::int16()
{
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(littleEndian(2)));
}

std::int32_t RecordReader::int32()
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(littleEndian(4)));
}

double RecordReader::float64()
{
    return std::bit_cast<double>(littleEndian(8));
}

bool RecordReader::flag()
{
    return int16() != 0;
}

QString RecordReader::text()
{
    const auto length = static_cast<qsizetype>(static_cast<std::uint16_t>(littleEndian(2)));
    const qsizetype start = qMin(m_pos, m_bytes.size());
    const qsizetype available = qMin(length, m_bytes.size() - start);
    if (available < length)
        m_pastEnd = true;
    const QByteArrayView field = m_bytes.sliced(start, available);
    m_pos += length;

    const QByteArrayView bom = RecordWriter::kUtf8Mark;
    if (field.startsWith(bom)) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString decoded = utf8.decode(field.sliced(bom.size()));
        if (!utf8.hasError())
            return decoded;
    }
    return Cp1252::decode(field);
}

} // namespace zentaro
