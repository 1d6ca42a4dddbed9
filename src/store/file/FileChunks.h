#pragma once

#include "core/Result.h"
#include "core/Status.h"

#include <QByteArray>

#include <vector>

namespace zentaro {

class FileConnection;

// The file engine's stored files: the pieces of table OLE (whole pieces of
// LibraryFile::kPieceSize but the last) and their checksums in OLEHash
// (see Database for what each does).
class FileChunks
{
public:
    explicit FileChunks(FileConnection& connection);

    Status appendChunk(qint64 mainId, const char* data, qint64 length);
    Result<qint64> readChunk(qint64 mainId, qint64 offset, qint64 length, char* buffer);
    Result<QByteArray> readStoredFile(qint64 mainId, qint64 size);
    Result<qint64> storedSize(qint64 mainId);
    Status checkFileSize(qint64 mainId);
    Status removeChunks(qint64 mainId);

    Result<QByteArray> fileHash(qint64 mainId);
    Status setFileHash(qint64 mainId, const QByteArray& hash);
    Result<std::vector<qint64>> recordsWithoutHash();

private:
    FileConnection& m_c;
};

} // namespace zentaro
