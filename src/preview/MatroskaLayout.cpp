#include "preview/MatroskaLayout.h"

#include "preview/SplicedFile.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

namespace zentaro {

namespace {

constexpr quint32 kEbml = 0x1A45DFA3;
constexpr quint32 kSegment = 0x18538067;
constexpr quint32 kSeekHead = 0x114D9B74;
constexpr quint32 kInfo = 0x1549A966;
constexpr quint32 kTracks = 0x1654AE6B;
constexpr quint32 kCluster = 0x1F43B675;
constexpr quint32 kCues = 0x1C53BB6B;
constexpr quint32 kTags = 0x1254C367;
constexpr quint32 kChapters = 0x1043A770;
constexpr quint32 kAttachments = 0x1941A469;
constexpr quint32 kVoid = 0xEC;
constexpr quint32 kTimecodeScale = 0x2AD7B1;
constexpr quint32 kDuration = 0x4489;
constexpr quint32 kTimecode = 0xE7;
constexpr quint32 kSimpleBlock = 0xA3;
constexpr quint32 kBlockGroup = 0xA0;
constexpr quint32 kBlock = 0xA1;
constexpr quint64 kUnknownSize = std::numeric_limits<quint64>::max();
constexpr double kDefaultTimecodeScale = 1000000; // nanoseconds per unit
// A segment of unknown size: the cut file ends where its data ends.
const QByteArray kOpenSegment = QByteArray::fromHex("1853806701ffffffffffffff");

bool isTopLevel(quint32 id)
{
    for (quint32 top : {kSeekHead, kInfo, kTracks, kCluster, kCues, kTags, kChapters, kAttachments})
        if (id == top)
            return true;
    return false;
}

// A variable-length number at data[at]: the leading zero bits of its first
// byte give its length. IDs keep that length marker, sizes drop it; a size
// of all ones means unknown.
std::optional<quint64> number(const QByteArray& data, qsizetype& at, int maxLength, bool keepMarker)
{
    if (at >= data.size())
        return std::nullopt;
    const auto first = uchar(data[at]);
    const int length = std::countl_zero(first) + 1;
    if (first == 0 || length > maxLength || length > data.size() - at)
        return std::nullopt;
    quint64 value = keepMarker ? first : first & (0xFFu >> length);
    bool allOnes = value == (0xFFu >> length);
    for (int i = 1; i < length; ++i) {
        const auto byte = uchar(data[at + i]);
        value = (value << 8) | byte;
        allOnes = allOnes && byte == 0xFF;
    }
    at += length;
    return !keepMarker && allOnes ? kUnknownSize : value;
}

quint64 unsignedValue(const QByteArray& data)
{
    quint64 value = 0;
    for (qsizetype i = 0; i < std::min<qsizetype>(data.size(), 8); ++i)
        value = (value << 8) | uchar(data[i]);
    return value;
}

std::optional<double> floatValue(const QByteArray& data)
{
    const auto* bytes = reinterpret_cast<const uchar*>(data.constData());
    if (data.size() == 4)
        return std::bit_cast<float>(qFromBigEndian<quint32>(bytes));
    if (data.size() == 8)
        return std::bit_cast<double>(qFromBigEndian<quint64>(bytes));
    return std::nullopt;
}

// An element's ID and size, and where its data starts and ends (an unknown
// size or one past the limit ends at the limit).
struct Element
{
    quint32 id = 0;
    bool sized = true;
    qint64 start = 0;
    qint64 data = 0;
    qint64 end = 0;
};

std::optional<Element> elementAt(QFile& file, qint64 at, qint64 limit)
{
    if (at >= limit || !file.seek(at))
        return std::nullopt;
    const QByteArray bytes = file.read(12);
    qsizetype used = 0;
    const std::optional<quint64> id = number(bytes, used, 4, true);
    const std::optional<quint64> size = id ? number(bytes, used, 8, false) : std::nullopt;
    if (!size)
        return std::nullopt;
    Element e{quint32(*id), *size != kUnknownSize, at, at + used, limit};
    if (e.sized && *size < quint64(limit - e.data))
        e.end = e.data + qint64(*size);
    return e;
}

QByteArray dataOf(QFile& file, const Element& e)
{
    file.seek(e.data);
    return file.read(e.end - e.data);
}

// A block's time relative to its cluster: after its track number.
std::optional<qint64> blockTime(QFile& file, qint64 data)
{
    file.seek(data);
    const QByteArray bytes = file.read(10);
    qsizetype at = 0;
    if (!number(bytes, at, 8, false) || bytes.size() < at + 2)
        return std::nullopt;
    return qFromBigEndian<qint16>(bytes.constData() + at);
}

// A cluster's own time and its latest block's, in timecode units. An
// unknown-size cluster ends where the next top-level element begins.
struct ClusterTimes
{
    std::optional<qint64> time;
    qint64 lastBlock = 0;
    qint64 end = 0;
};

ClusterTimes walkCluster(QFile& file, const Element& cluster, bool blocks)
{
    ClusterTimes times;
    times.end = cluster.end;
    for (qint64 at = cluster.data; at < cluster.end;) {
        const std::optional<Element> child = elementAt(file, at, cluster.end);
        if (!child || (!cluster.sized && isTopLevel(child->id))) {
            times.end = child ? at : cluster.end;
            break;
        }
        if (child->id == kTimecode) {
            times.time = qint64(unsignedValue(dataOf(file, *child)));
            if (!blocks && cluster.sized)
                break;
        } else if (blocks && child->id == kSimpleBlock) {
            times.lastBlock = std::max(times.lastBlock, blockTime(file, child->data).value_or(0));
        } else if (blocks && child->id == kBlockGroup) {
            const std::optional<Element> block = elementAt(file, child->data, child->end);
            if (block && block->id == kBlock)
                times.lastBlock = std::max(times.lastBlock, blockTime(file, block->data).value_or(0));
        }
        if (!child->sized)
            break;
        at = child->end;
    }
    return times;
}

} // namespace

std::optional<MatroskaLayout> MatroskaLayout::read(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const qint64 fileEnd = file.size();
    const std::optional<Element> header = elementAt(file, 0, fileEnd);
    if (!header || header->id != kEbml || !header->sized)
        return std::nullopt;
    const std::optional<Element> segment = elementAt(file, header->end, fileEnd);
    if (!segment || segment->id != kSegment)
        return std::nullopt;

    MatroskaLayout layout;
    layout.m_path = path;
    file.seek(0);
    layout.m_head = file.read(header->end) + kOpenSegment;
    double scale = kDefaultTimecodeScale;
    std::optional<double> stated;
    ClusterTimes last;
    std::optional<Element> lastCluster;
    for (qint64 at = segment->data; at < segment->end;) {
        const std::optional<Element> e = elementAt(file, at, segment->end);
        if (!e)
            break;
        if (e->id == kCluster) {
            const ClusterTimes times = walkCluster(file, *e, !e->sized);
            if (!times.time)
                return std::nullopt;
            layout.m_clusters.append({e->start, std::llround(double(*times.time) * scale / 1000000)});
            layout.m_end = times.end;
            last = times;
            lastCluster = *e;
            at = times.end;
            continue;
        }
        if (!e->sized)
            break;
        if (layout.m_clusters.isEmpty() && e->id != kSeekHead && e->id != kCues && e->id != kVoid) {
            // What comes before the frames goes with every cut; the seek
            // head and the cues hold places in the whole file and are left out.
            file.seek(e->start);
            layout.m_head += file.read(e->end - e->start);
            if (e->id == kInfo) {
                const QByteArray info = dataOf(file, *e);
                for (qsizetype i = 0; i < info.size();) {
                    const std::optional<quint64> id = number(info, i, 4, true);
                    const std::optional<quint64> size = id ? number(info, i, 8, false) : std::nullopt;
                    if (!size || *size > quint64(info.size() - i))
                        break;
                    const QByteArray value = info.mid(i, qsizetype(*size));
                    if (*id == kTimecodeScale && unsignedValue(value) > 0)
                        scale = double(unsignedValue(value));
                    else if (*id == kDuration)
                        stated = floatValue(value);
                    i += qsizetype(*size);
                }
            }
        }
        at = e->end;
    }
    if (layout.m_clusters.isEmpty())
        return std::nullopt;

    double length = stated ? *stated * scale / 1000000 : 0;
    if (!(length >= 1)) {
        // No length stated (a recording written as it went): up to the last frame.
        if (lastCluster->sized)
            last = walkCluster(file, *lastCluster, true);
        length = double(last.time.value_or(0) + last.lastBlock) * scale / 1000000;
    }
    if (std::isfinite(length) && length >= 1 && length <= double(std::numeric_limits<int>::max()))
        layout.m_length = std::llround(length);
    return layout;
}

const MatroskaLayout::Cluster& MatroskaLayout::clusterFor(qint64 ms) const
{
    auto after = std::upper_bound(m_clusters.begin(), m_clusters.end(), ms,
                                  [](qint64 t, const Cluster& c) { return t < c.ms; });
    return after == m_clusters.begin() ? m_clusters.front() : *(after - 1);
}

qint64 MatroskaLayout::cutTime(qint64 ms) const
{
    return clusterFor(ms).ms;
}

std::unique_ptr<QIODevice> MatroskaLayout::cutAt(qint64 ms) const
{
    return std::make_unique<SplicedFile>(m_head, m_path, clusterFor(ms).offset, m_end);
}

} // namespace zentaro
