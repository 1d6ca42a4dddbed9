#pragma once

#include <QByteArray>
#include <QFile>
#include <QIODevice>

namespace zentaro {

// A read-only device that reads as some bytes followed by a range of a file,
// as if they were one file.
class SplicedFile : public QIODevice
{
public:
    SplicedFile(QByteArray head, const QString& path, qint64 from, qint64 to);

    // Read-only; opens the file.
    bool open(OpenMode mode) override;
    void close() override;
    bool isSequential() const override { return false; }
    qint64 size() const override;
    bool seek(qint64 pos) override;

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 maxSize) override;

private:
    QByteArray m_head;
    QFile m_file;
    qint64 m_from;
    qint64 m_to;
    qint64 m_at = 0;
};

} // namespace zentaro
