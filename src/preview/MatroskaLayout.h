#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

namespace zentaro {

// Where things are in a Matroska or WebM file: its header (everything before
// the first cluster of frames) and where each cluster starts and at what
// time. The media player knows no length for these files and so cannot jump
// in them; it can play a file that is the header followed by the clusters
// from a later one on, and reports the true position, as the clusters keep
// their times.
class MatroskaLayout
{
public:
    // Empty when the file is not Matroska or its layout cannot be followed.
    static std::optional<MatroskaLayout> read(const QString& path);

    // In milliseconds: the length the header states, else up to the last
    // frame; 0 when neither is known.
    qint64 length() const { return m_length; }
    // The time of the cluster that holds ms (the first one before them all).
    qint64 cutTime(qint64 ms) const;
    // The header and the clusters from the one that holds ms, as one file
    // (not yet open).
    std::unique_ptr<QIODevice> cutAt(qint64 ms) const;

private:
    struct Cluster
    {
        qint64 offset = 0;
        qint64 ms = 0;
    };
    const Cluster& clusterFor(qint64 ms) const;

    QString m_path;
    QByteArray m_head;
    QList<Cluster> m_clusters;
    qint64 m_end = 0;
    qint64 m_length = 0;
};

} // namespace zentaro
