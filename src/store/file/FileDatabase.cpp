#include "store/file/FileDatabase.h"

#include "store/file/SqliteFlavour.h"

#include <QFileInfo>

namespace zentaro {

FileDatabase::FileDatabase(QString path, OpenOptions options)
    : m_connection(std::move(path), options),
      m_opening(m_connection),
      m_records(m_connection),
      m_chunks(m_connection),
      m_guarded(m_connection),
      m_maintenance(m_connection)
{
}

FileDatabase::~FileDatabase()
{
    close();
}

Result<std::shared_ptr<Database>> FileDatabase::open(const QString& path, const OpenOptions& options)
{
    using R = Result<std::shared_ptr<Database>>;
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        return R::failure(ErrorCode::NotFound, QStringLiteral("The library %1 was not found.").arg(FileConnection::quoted(path)));
    if (info.isDir())
        return R::failure(ErrorCode::NotALibrary,
                          QStringLiteral("%1 is a folder, not a Zentaro library.").arg(FileConnection::quoted(path)));
    if (!info.isReadable())
        return R::failure(ErrorCode::Unreadable,
                          QStringLiteral("The library %1 cannot be read: permission denied.").arg(FileConnection::quoted(path)));

    std::shared_ptr<FileDatabase> db(new FileDatabase(path, options));
    if (Status s = db->m_opening.openConnection(); !s) {
        db->close();
        return R(s);
    }
    if (Status s = db->m_opening.checkLibrary(); !s) {
        db->close();
        return R(s);
    }
    return std::shared_ptr<Database>(std::move(db));
}

Status FileDatabase::compactFile(const QString& sourcePath, const QString& targetPath)
{
    OpenOptions options;
    options.exclusive = false;
    options.readOnly = true;
    Result<std::shared_ptr<Database>> source = open(sourcePath, options);
    if (!source)
        return source.status();
    return (*source)->compactTo(targetPath);
}

void FileDatabase::close()
{
    m_connection.close();
}

bool FileDatabase::isOpen() const
{
    return m_connection.isOpen();
}

bool FileDatabase::isReadOnly() const
{
    return m_connection.isReadOnly();
}

bool FileDatabase::hasTextIndex() const
{
    return m_connection.hasTextIndex();
}

bool FileDatabase::textIndexUsable() const
{
    return m_connection.textIndexUsable();
}

Status FileDatabase::upgradeSchema()
{
    return m_opening.upgradeSchema();
}

void FileDatabase::idle()
{
    m_connection.idle();
}

// ------------------------------------------------------------------- Config and records

Result<ConfigRow> FileDatabase::loadConfig()
{
    return m_records.loadConfig();
}

Status FileDatabase::saveConfig(const ConfigRow& row)
{
    return m_records.saveConfig(row);
}

Status FileDatabase::begin()
{
    return m_connection.begin();
}

Status FileDatabase::commit()
{
    return m_connection.commit();
}

Status FileDatabase::rollback()
{
    return m_connection.rollback();
}

Result<MainRecord> FileDatabase::loadRecord(qint64 mainId)
{
    return m_records.loadRecord(mainId);
}

Result<std::vector<MainRecord>> FileDatabase::loadRecords(const std::vector<qint64>& ids)
{
    return m_records.loadRecords(ids);
}

Result<qint64> FileDatabase::insertRecord(const MainRecord& record)
{
    return m_records.insertRecord(record);
}

Status FileDatabase::updateFields(qint64 mainId, const QVariantMap& values)
{
    return m_records.updateFields(mainId, values);
}

Status FileDatabase::deleteRecord(qint64 mainId)
{
    return m_records.deleteRecord(mainId);
}

Result<qint64> FileDatabase::countMain()
{
    return m_records.countMain();
}

Result<qint64> FileDatabase::sumFileSize()
{
    return m_records.sumFileSize();
}

// ------------------------------------------------------------------- queries

const QueryFlavour& FileDatabase::queryFlavour() const
{
    return SqliteFlavour::instance();
}

Result<std::vector<qint64>> FileDatabase::selectKeys(const TranslatedQuery& query)
{
    return m_guarded.selectKeys(query);
}

Result<qint64> FileDatabase::execute(const QString& statement)
{
    return m_guarded.execute(statement);
}

// ------------------------------------------------------------------- file bytes

Status FileDatabase::appendChunk(qint64 mainId, const char* data, qint64 length)
{
    return m_chunks.appendChunk(mainId, data, length);
}

Result<qint64> FileDatabase::readChunk(qint64 mainId, qint64 offset, qint64 length, char* buffer)
{
    return m_chunks.readChunk(mainId, offset, length, buffer);
}

Result<QByteArray> FileDatabase::readStoredFile(qint64 mainId, qint64 size)
{
    return m_chunks.readStoredFile(mainId, size);
}

Result<qint64> FileDatabase::storedSize(qint64 mainId)
{
    return m_chunks.storedSize(mainId);
}

Status FileDatabase::checkFileSize(qint64 mainId)
{
    return m_chunks.checkFileSize(mainId);
}

Status FileDatabase::removeChunks(qint64 mainId)
{
    return m_chunks.removeChunks(mainId);
}

Result<QByteArray> FileDatabase::fileHash(qint64 mainId)
{
    return m_chunks.fileHash(mainId);
}

Status FileDatabase::setFileHash(qint64 mainId, const QByteArray& hash)
{
    return m_chunks.setFileHash(mainId, hash);
}

bool FileDatabase::keepsFileHashes() const
{
    return m_connection.keepsFileHashes();
}

Result<std::vector<qint64>> FileDatabase::recordsWithoutHash()
{
    return m_chunks.recordsWithoutHash();
}

// ------------------------------------------------------------------- upkeep

Status FileDatabase::compactTo(const QString& targetPath)
{
    return m_maintenance.compactTo(targetPath);
}

Status FileDatabase::compactInPlace(const QString& scratchPath, Progress& progress)
{
    return m_maintenance.compactInPlace(scratchPath, progress);
}

bool FileDatabase::reclaimsFreePages() const
{
    return m_maintenance.reclaimsFreePages();
}

Status FileDatabase::reclaimFreePages(Progress& progress)
{
    return m_maintenance.reclaimFreePages(progress);
}

Status FileDatabase::snapshotTo(const QString& targetPath, Progress& progress)
{
    return m_maintenance.snapshotTo(targetPath, progress);
}

} // namespace zentaro
