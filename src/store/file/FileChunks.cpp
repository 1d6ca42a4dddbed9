#include "store/file/FileChunks.h"

#include "store/LibraryFile.h"
#include "store/SqlStatement.h"
#include "store/file/FileConnection.h"

#include <sqlite3.h>

#include <cstring>
#include <limits>

namespace zentaro {

namespace {

constexpr qint64 kPiece = LibraryFile::kPieceSize;

} // namespace

FileChunks::FileChunks(FileConnection& connection) : m_c(connection) {}

Status FileChunks::appendChunk(qint64 mainId, const char* data, qint64 length)
{
    if (!m_c.isOpen())
        return m_c.closedFailure();
    if (length < 0 || length > kPiece || (length > 0 && !data)) {
        return Status::failure(ErrorCode::InvalidArgument,
                               QStringLiteral("A piece of a file holds 0 to %1 bytes, not %2.").arg(kPiece).arg(length));
    }
    Status status;
    qint64 lastPiece = -1;
    qint64 lastLength = 0;
    {
        SqlStatement* st = m_c.statement("SELECT Piece, length(Data) FROM OLE WHERE MainID = ? ORDER BY Piece DESC LIMIT 1", &status);
        if (!st)
            return status;
        st->bindInt64(1, mainId);
        const int rc = st->step();
        if (rc == SQLITE_ROW) {
            lastPiece = st->columnInt64(0);
            lastLength = st->columnInt64(1);
        } else if (rc != SQLITE_DONE) {
            Status s = m_c.failure(QStringLiteral("Could not store the file"));
            st->reset();
            return s;
        }
        st->reset();
    }
    if (lastPiece < 0) {
        // Pieces must belong to a record; the file's foreign key is not enforced.
        SqlStatement* st = m_c.statement("SELECT 1 FROM Main WHERE MainID = ?", &status);
        if (!st)
            return status;
        st->bindInt64(1, mainId);
        const int rc = st->step();
        st->reset();
        if (rc == SQLITE_DONE)
            return m_c.recordGone(mainId);
        if (rc != SQLITE_ROW)
            return m_c.failure(QStringLiteral("Could not store the file"));
    }
    if (length == 0)
        return {};

    // Every piece but the last is full, so that an offset finds its piece by
    // division. An append after a short one first tops that one up.
    const qint64 fill = (lastPiece >= 0 && lastLength < kPiece) ? std::min(kPiece - lastLength, length) : 0;
    const bool ownTransaction = m_c.depth() == 0 && fill > 0 && fill < length;
    if (ownTransaction) {
        if (Status s = m_c.begin(); !s)
            return s;
    }
    auto done = [&](Status s) {
        if (ownTransaction) {
            if (s)
                s = m_c.commit();
            else
                m_c.rollback();
        }
        return s;
    };

    if (fill > 0) {
        QByteArray joined;
        {
            SqlStatement* st = m_c.statement("SELECT Data FROM OLE WHERE MainID = ? AND Piece = ?", &status);
            if (!st)
                return done(status);
            st->bindInt64(1, mainId);
            st->bindInt64(2, lastPiece);
            if (st->step() != SQLITE_ROW) {
                Status s = m_c.failure(QStringLiteral("Could not store the file"));
                st->reset();
                return done(s);
            }
            joined = QByteArray(st->columnBlob(0), st->columnBytes(0));
            st->reset();
        }
        joined.append(data, fill);
        SqlStatement* st = m_c.statement("UPDATE OLE SET Data = ? WHERE MainID = ? AND Piece = ?", &status);
        if (!st)
            return done(status);
        st->bindBlobStatic(1, joined.constData(), static_cast<int>(joined.size()));
        st->bindInt64(2, mainId);
        st->bindInt64(3, lastPiece);
        const int rc = st->step();
        st->reset();
        if (rc != SQLITE_DONE)
            return done(m_c.failure(QStringLiteral("Could not store the file")));
    }
    if (fill < length) {
        SqlStatement* st = m_c.statement("INSERT INTO OLE (MainID, Piece, Data) VALUES (?, ?, ?)", &status);
        if (!st)
            return done(status);
        st->bindInt64(1, mainId);
        st->bindInt64(2, lastPiece + 1);
        st->bindBlobStatic(3, data + fill, static_cast<int>(length - fill));
        const int rc = st->step();
        st->reset();
        if (rc != SQLITE_DONE)
            return done(m_c.failure(QStringLiteral("Could not store the file")));
    }
    return done({});
}

Result<qint64> FileChunks::readChunk(qint64 mainId, qint64 offset, qint64 length, char* buffer)
{
    if (!m_c.isOpen())
        return Result<qint64>(m_c.closedFailure());
    if (offset < 0 || length < 0 || (length > 0 && !buffer))
        return Result<qint64>::failure(ErrorCode::InvalidArgument, QStringLiteral("A read of a stored file needs a place and a size."));
    Status status;
    qint64 copied = 0;
    qint64 piece = offset / kPiece;
    qint64 within = offset % kPiece;
    while (copied < length) {
        SqlStatement* st = m_c.statement("SELECT Data FROM OLE WHERE MainID = ? AND Piece = ?", &status);
        if (!st)
            return Result<qint64>(status);
        st->bindInt64(1, mainId);
        st->bindInt64(2, piece);
        const int rc = st->step();
        if (rc == SQLITE_DONE) {
            st->reset();
            break;
        }
        if (rc != SQLITE_ROW) {
            Status s = m_c.failure(QStringLiteral("Could not read the stored file"));
            st->reset();
            return Result<qint64>(s);
        }
        const qint64 bytes = st->columnBytes(0);
        const char* blob = st->columnBlob(0);
        const qint64 take = std::min(length - copied, std::max<qint64>(0, bytes - within));
        if (take > 0)
            std::memcpy(buffer + copied, blob + within, static_cast<size_t>(take));
        st->reset();
        copied += take;
        if (bytes < kPiece) {
            // A short piece is the last one; more pieces would mean a damaged file.
            if (copied < length) {
                SqlStatement* more = m_c.statement("SELECT 1 FROM OLE WHERE MainID = ? AND Piece > ?", &status);
                if (!more)
                    return Result<qint64>(status);
                more->bindInt64(1, mainId);
                more->bindInt64(2, piece);
                const int mrc = more->step();
                more->reset();
                if (mrc == SQLITE_ROW) {
                    return Result<qint64>::failure(ErrorCode::Damaged,
                                                   QStringLiteral("The stored file of record %1 in the library %2 is damaged.")
                                                       .arg(mainId)
                                                       .arg(FileConnection::quoted(m_c.path())));
                }
            }
            break;
        }
        ++piece;
        within = 0;
    }
    return copied;
}

Result<QByteArray> FileChunks::readStoredFile(qint64 mainId, qint64 size)
{
    if (!m_c.isOpen())
        return Result<QByteArray>(m_c.closedFailure());
    if (size < 0 || size > std::numeric_limits<int>::max())
        return Result<QByteArray>::failure(ErrorCode::InvalidArgument,
                                           QStringLiteral("A stored file of %1 bytes cannot be read whole.").arg(size));
    Status status;
    SqlStatement* st = m_c.statement("SELECT Piece, Data FROM OLE WHERE MainID = ? ORDER BY Piece", &status);
    if (!st)
        return Result<QByteArray>(status);
    st->bindInt64(1, mainId);
    QByteArray bytes;
    bytes.reserve(size);
    qint64 expected = 0;
    bool lastSeen = false;
    bool fits = true;
    int rc = SQLITE_ROW;
    while ((rc = st->step()) == SQLITE_ROW) {
        const qint64 length = st->columnBytes(1);
        if (st->columnInt64(0) != expected || lastSeen || bytes.size() + length > size) {
            fits = false;
            break;
        }
        if (length > 0)
            bytes.append(st->columnBlob(1), length);
        lastSeen = length < kPiece;
        ++expected;
    }
    const bool readFailed = rc != SQLITE_ROW && rc != SQLITE_DONE;
    Status failed = readFailed ? m_c.failure(QStringLiteral("Could not read the stored file")) : Status();
    st->reset();
    if (readFailed)
        return Result<QByteArray>(failed);
    if (!fits || bytes.size() != size) {
        return Result<QByteArray>::failure(ErrorCode::Damaged,
                                           QStringLiteral("The stored file of record %1 in the library %2 is damaged.")
                                               .arg(mainId)
                                               .arg(FileConnection::quoted(m_c.path())));
    }
    return bytes;
}

Result<qint64> FileChunks::storedSize(qint64 mainId)
{
    Status status;
    SqlStatement* st = m_c.statement("SELECT Piece, length(Data) FROM OLE WHERE MainID = ? ORDER BY Piece DESC LIMIT 1", &status);
    if (!st)
        return Result<qint64>(status);
    st->bindInt64(1, mainId);
    const int rc = st->step();
    qint64 size = 0;
    if (rc == SQLITE_ROW)
        size = st->columnInt64(0) * kPiece + st->columnInt64(1);
    Status s = (rc == SQLITE_ROW || rc == SQLITE_DONE) ? Status() : m_c.failure(QStringLiteral("Could not read the stored file"));
    st->reset();
    if (!s)
        return Result<qint64>(s);
    return size;
}

Status FileChunks::checkFileSize(qint64 mainId)
{
    Status status;
    SqlStatement* st = m_c.statement("SELECT typeof(FileSize), FileSize FROM Main WHERE MainID = ?", &status);
    if (!st)
        return status;
    st->bindInt64(1, mainId);
    const int rc = st->step();
    if (rc == SQLITE_DONE) {
        st->reset();
        return m_c.recordGone(mainId);
    }
    if (rc != SQLITE_ROW) {
        Status s = m_c.failure(QStringLiteral("Could not read the record"));
        st->reset();
        return s;
    }
    const QString type = st->columnText(0);
    const qint64 size = st->columnInt64(1);
    const QString text = st->columnText(1);
    st->reset();
    if (type != QLatin1String("integer") || size < 0) {
        return Status::failure(ErrorCode::Damaged,
                               QStringLiteral("Record %1 in the library %2 is damaged: its FileSize \"%3\" is no "
                                              "size of a file.")
                                   .arg(mainId)
                                   .arg(FileConnection::quoted(m_c.path()), text));
    }
    return {};
}

Status FileChunks::removeChunks(qint64 mainId)
{
    return m_c.deleteForId("DELETE FROM OLE WHERE MainID = ?", mainId,
                       QStringLiteral("Could not remove the stored file"));
}

Result<QByteArray> FileChunks::fileHash(qint64 mainId)
{
    if (!m_c.keepsFileHashes())
        return QByteArray();
    Status status;
    SqlStatement* st = m_c.statement("SELECT Hash FROM OLEHash WHERE MainID = ?", &status);
    if (!st)
        return Result<QByteArray>(status);
    st->bindInt64(1, mainId);
    const int rc = st->step();
    QByteArray hash;
    if (rc == SQLITE_ROW)
        hash = QByteArray(st->columnBlob(0), st->columnBytes(0));
    st->reset();
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        return Result<QByteArray>(m_c.failure(QStringLiteral("Could not read the checksum of record %1").arg(mainId)));
    return hash;
}

Status FileChunks::setFileHash(qint64 mainId, const QByteArray& hash)
{
    if (!m_c.keepsFileHashes())
        return Status::failure(ErrorCode::ReadOnly, QStringLiteral("This library keeps no checksums."));
    Status status;
    SqlStatement* st = m_c.statement("INSERT OR REPLACE INTO OLEHash (MainID, Hash) VALUES (?, ?)", &status);
    if (!st)
        return status;
    st->bindInt64(1, mainId);
    st->bindBlobStatic(2, hash.constData(), static_cast<int>(hash.size()));
    const int rc = st->step();
    st->reset();
    if (rc != SQLITE_DONE)
        return m_c.failure(QStringLiteral("Could not store the checksum of record %1").arg(mainId));
    return {};
}

Result<std::vector<qint64>> FileChunks::recordsWithoutHash()
{
    using R = Result<std::vector<qint64>>;
    const char* sql = m_c.keepsFileHashes()
                          ? "SELECT MainID FROM Main WHERE MainID NOT IN (SELECT MainID FROM OLEHash) ORDER BY MainID"
                          : "SELECT MainID FROM Main ORDER BY MainID";
    Status status;
    SqlStatement* st = m_c.statement(sql, &status);
    if (!st)
        return R(status);
    std::vector<qint64> ids;
    int rc;
    while ((rc = st->step()) == SQLITE_ROW)
        ids.push_back(st->columnInt64(0));
    st->reset();
    if (rc != SQLITE_DONE)
        return R(m_c.failure(QStringLiteral("Could not list the records")));
    return ids;
}

} // namespace zentaro
