#include "store/server/ServerDatabase.h"

#include "store/DateText.h"
#include "store/LibraryFile.h"
#include "store/QueryDialect.h"
#include "store/server/PgConnection.h"
#include "store/server/PgFlavour.h"
#include "store/server/PgResult.h"

#include <QStringList>

#include <cstring>
#include <limits>

namespace zentaro {

namespace {

constexpr qint64 kPiece = LibraryFile::kPieceSize;
// Chunk rows a read fetches at once.
constexpr qint64 kReadAheadChunks = 4;

const char* const kRecordColumns =
    "MainID, Title, Author, Keywords, Notes, FileName, FileType, FileSize, FileDate, "
    "InsertionDate, LastUpdatedDate";

MainRecord readRecord(const PgResult& r, int row)
{
    MainRecord m;
    m.MainID = r.number(row, 0);
    m.Title = r.text(row, 1);
    m.Author = r.text(row, 2);
    m.Keywords = r.text(row, 3);
    m.Notes = r.text(row, 4);
    m.FileName = r.text(row, 5);
    m.FileType = r.text(row, 6);
    m.FileSize = r.number(row, 7);
    m.FileDate = DateText::fromText(r.text(row, 8));
    m.InsertionDate = DateText::fromText(r.text(row, 9));
    m.LastUpdatedDate = DateText::fromText(r.text(row, 10));
    return m;
}

// A field's value as a parameter: text, number, or a date as local-time
// text (an invalid one is NULL).
QVariant parameter(MainField field, const MainRecord& record)
{
    switch (MainRecord::fieldKind(field)) {
    case FieldKind::Integer:
        return record.value(field);
    case FieldKind::Text:
        return record.value(field).toString();
    case FieldKind::Date: {
        const QVariant v = record.value(field);
        return v.isNull() || !v.toDateTime().isValid() ? QVariant() : QVariant(DateText::toText(v.toDateTime()));
    }
    }
    return {};
}

bool isTrue(const PgResult& r, int row, int column)
{
    return r.text(row, column) == QLatin1String("t");
}

} // namespace

// ------------------------------------------------------------------- open

OpenOptions ServerDatabase::sharedOptions()
{
    OpenOptions options;
    options.exclusive = false;
    return options;
}

ServerDatabase::ServerDatabase(QString path, ServerAddress address, OpenOptions options)
    : m_path(std::move(path)), m_address(std::move(address)), m_options(options)
{
}

ServerDatabase::~ServerDatabase()
{
    close();
}

Result<std::shared_ptr<ServerDatabase>> ServerDatabase::open(const QString& address, const OpenOptions& options)
{
    using R = Result<std::shared_ptr<ServerDatabase>>;
    Result<ServerAddress> parsed = ServerAddress::parse(address);
    if (!parsed)
        return R(parsed.status());
    std::shared_ptr<ServerDatabase> db(new ServerDatabase(address, *parsed, options));
    if (Status s = db->openSession(); !s) {
        db->close();
        return R(s);
    }
    return db;
}

Result<std::shared_ptr<Database>> ServerDatabase::openDatabase(const QString& address, const OpenOptions& options)
{
    Result<std::shared_ptr<ServerDatabase>> db = open(address, options);
    if (!db)
        return Result<std::shared_ptr<Database>>(db.status());
    return std::shared_ptr<Database>(std::move(*db));
}

void ServerDatabase::registerEngine()
{
    Database::setServerOpener(&ServerDatabase::openDatabase);
}

Status ServerDatabase::openSession()
{
    Result<std::unique_ptr<PgConnection>> connected = PgConnection::connect(m_address);
    if (!connected)
        return connected.status();
    m_connection = std::move(*connected);
    const QString name = m_connection->quotedName();

    Result<ServerSchema::Info> schema = ServerSchema::check(*m_connection);
    if (!schema)
        return schema.status();
    m_schema = *schema;

    const QString doing = QStringLiteral("Could not open the library");
    // Every client holds the library's lock, shared or exclusive, for as
    // long as its session lives; the server drops it with the session, so
    // no lock outlives a client that died.
    Result<PgResult> locked = query(doing, m_options.exclusive ? "SELECT pg_try_advisory_lock($1::bigint)"
                                                                : "SELECT pg_try_advisory_lock_shared($1::bigint)",
                                    {qint64(LibraryFile::kApplicationId)});
    if (!locked)
        return locked.status();
    if (!isTrue(*locked, 0, 0)) {
        return Status::failure(ErrorCode::InUse, QStringLiteral("The library %1 is in use by another program. "
                                                                "Try again when it has been closed there.")
                                                     .arg(name));
    }
    // Another user's row lock is waited for as long as a shared library
    // file waits for its lock, then reported as in use.
    Result<PgResult> timeout = query(doing, "SELECT set_config('lock_timeout', $1, false)",
                                     {QStringLiteral("%1ms").arg(std::max(0, m_options.busyTimeoutMs))});
    if (!timeout)
        return timeout.status();
    Result<PgResult> standby = query(doing, "SELECT pg_is_in_recovery()");
    if (!standby)
        return standby.status();
    m_serverReadOnly = isTrue(*standby, 0, 0);
    if (m_options.readOnly) {
        Result<PgResult> readOnly = query(doing, "SELECT set_config('default_transaction_read_only', 'on', false)");
        if (!readOnly)
            return readOnly.status();
    }
    Result<PgResult> number = query(doing, "SELECT Number FROM ChangeNumber");
    if (!number)
        return number.status();
    m_changeNumber = number->number(0, 0);
    return {};
}

void ServerDatabase::close()
{
    if (!m_connection)
        return;
    if (m_depth == 0)
        flushPending();
    dropPending();
    dropReadAhead();
    m_depth = 0;
    // Ending the session rolls back what is open and drops the lock.
    m_connection.reset();
    touch();
}

bool ServerDatabase::isOpen() const
{
    return m_connection != nullptr;
}

bool ServerDatabase::isReadOnly() const
{
    return !isOpen() || m_options.readOnly || m_serverReadOnly;
}

Status ServerDatabase::upgradeSchema()
{
    if (!isOpen())
        return serverClosedFailure();
    return {};
}

Status ServerDatabase::compactFile(const QString&, const QString&)
{
    return notOnServer(QStringLiteral("Copying a library file"));
}

// ------------------------------------------------------------------- helpers

Result<PgResult> ServerDatabase::query(const QString& doing, const char* sql, const QVariantList& params,
                                       bool binaryResults)
{
    if (!isOpen())
        return Result<PgResult>(serverClosedFailure());
    // Bytes read ahead are good only until the next statement: it may change them.
    dropReadAhead();
    // The server's texts cannot hold a NUL character, and libpq would cut
    // the text short at one: refused rather than stored shortened.
    for (const QVariant& p : params) {
        if (p.typeId() == QMetaType::QString && p.toString().contains(QChar(0))) {
            return Result<PgResult>::failure(
                ErrorCode::InvalidArgument,
                QStringLiteral("%1: the text \"%2\" holds a NUL character, which the library \"%3\" cannot store.")
                    .arg(doing, p.toString().replace(QChar(0), QChar(0x2400)), m_address.display()));
        }
    }
    PgResult result = m_connection->exec(sql, params, binaryResults);
    if (!result.ok())
        return Result<PgResult>(m_connection->failure(doing, result));
    return Result<PgResult>(std::move(result));
}

Status ServerDatabase::serverClosedFailure() const
{
    return Status::failure(ErrorCode::Engine,
                           QStringLiteral("The library \"%1\" is closed.").arg(m_address.display()));
}

Status ServerDatabase::readOnlyFailure() const
{
    return Status::failure(ErrorCode::ReadOnly,
                           QStringLiteral("The library \"%1\" is read-only.").arg(m_address.display()));
}

Status ServerDatabase::recordGone(qint64 mainId)
{
    return Status::failure(ErrorCode::NotFound, QStringLiteral("Record %1 is no longer in the library.").arg(mainId));
}

// Left for the server's query flavour and for the file kind's copies.
Status ServerDatabase::notOnServer(const QString& what)
{
    return Status::failure(ErrorCode::Engine,
                           QStringLiteral("%1 is not available for a library on a server.").arg(what));
}

Status ServerDatabase::damagedFile(qint64 mainId) const
{
    return Status::failure(ErrorCode::Damaged, QStringLiteral("The stored file of record %1 in the library \"%2\" "
                                                              "is damaged.")
                                                   .arg(mainId)
                                                   .arg(m_address.display()));
}

// ------------------------------------------------------------------- Config

Result<ConfigRow> ServerDatabase::loadConfig()
{
    Result<PgResult> r = query(QStringLiteral("Could not read the library settings"),
                               "SELECT LibraryName, LibrarianName, LibrarianEmail, Created, Notes, UseSecurity, "
                               "BrowsePassword, EditPassword, AdminPassword, BrowseExtract, EditDelete FROM Config");
    if (!r)
        return Result<ConfigRow>(r.status());
    if (r->rows() < 1) {
        return Result<ConfigRow>::failure(ErrorCode::Damaged,
                                          QStringLiteral("The library \"%1\" is damaged: its settings row is missing.")
                                              .arg(m_address.display()));
    }
    ConfigRow row;
    row.LibraryName = r->text(0, 0);
    row.LibrarianName = r->text(0, 1);
    row.LibrarianEmail = r->text(0, 2);
    row.Created = DateText::fromText(r->text(0, 3));
    row.Notes = r->text(0, 4);
    row.UseSecurity = isTrue(*r, 0, 5);
    row.BrowsePassword = r->text(0, 6);
    row.EditPassword = r->text(0, 7);
    row.AdminPassword = r->text(0, 8);
    row.BrowseExtract = isTrue(*r, 0, 9);
    row.EditDelete = isTrue(*r, 0, 10);
    return row;
}

Status ServerDatabase::saveConfig(const ConfigRow& row)
{
    Result<PgResult> r = query(
        QStringLiteral("Could not save the library settings"),
        "UPDATE Config SET LibraryName = $1, LibrarianName = $2, LibrarianEmail = $3, Created = $4, Notes = $5, "
        "UseSecurity = $6, BrowsePassword = $7, EditPassword = $8, AdminPassword = $9, BrowseExtract = $10, "
        "EditDelete = $11",
        {row.LibraryName, row.LibrarianName, row.LibrarianEmail,
         row.Created.isValid() ? QVariant(DateText::toText(row.Created)) : QVariant(), row.Notes, row.UseSecurity,
         row.BrowsePassword, row.EditPassword, row.AdminPassword, row.BrowseExtract, row.EditDelete});
    if (!r)
        return r.status();
    touch();
    return {};
}

// ------------------------------------------------------------------- transactions

Status ServerDatabase::begin()
{
    if (!isOpen())
        return serverClosedFailure();
    const QString doing = QStringLiteral("Could not start saving");
    if (m_depth > 0 && !m_connection->inTransaction())
        m_depth = 0;
    // What was gathered belongs before the new level; it is read anew after.
    if (Status s = flushPending(); !s)
        return s;
    dropPending();
    const QByteArray sql = m_depth == 0 ? QByteArray("BEGIN") : "SAVEPOINT zt" + QByteArray::number(m_depth);
    Result<PgResult> r = query(doing, sql.constData());
    if (!r)
        return r.status();
    ++m_depth;
    return {};
}

Status ServerDatabase::beginSnapshot()
{
    if (!isOpen())
        return serverClosedFailure();
    if (m_depth > 0)
        return Status::failure(ErrorCode::InvalidArgument, QStringLiteral("A copy cannot start inside a transaction."));
    if (Status s = flushPending(); !s)
        return s;
    dropPending();
    Result<PgResult> r = query(QStringLiteral("Could not start the copy"),
                               "BEGIN ISOLATION LEVEL REPEATABLE READ, READ ONLY");
    if (!r)
        return r.status();
    m_depth = 1;
    return {};
}

Status ServerDatabase::commit()
{
    if (!isOpen())
        return serverClosedFailure();
    if (m_depth == 0)
        return Status::failure(ErrorCode::InvalidArgument, QStringLiteral("There is no transaction to commit."));
    const QString doing = QStringLiteral("Could not save the changes");
    if (m_connection->inFailedTransaction()) {
        dropPending();
        m_connection->run("ROLLBACK");
        m_depth = 0;
        touch();
        return Status::failure(ErrorCode::Engine,
                               QStringLiteral("The changes to the library \"%1\" were undone after an earlier error.")
                                   .arg(m_address.display()));
    }
    if (Status s = flushPending(); !s)
        return s;
    dropPending();
    const QByteArray sql = m_depth == 1 ? QByteArray("COMMIT") : "RELEASE zt" + QByteArray::number(m_depth - 1);
    Result<PgResult> r = query(doing, sql.constData());
    if (!r) {
        if (!m_connection->inTransaction())
            m_depth = 0;
        return r.status();
    }
    --m_depth;
    return {};
}

Status ServerDatabase::rollback()
{
    if (!isOpen())
        return serverClosedFailure();
    if (m_depth == 0)
        return Status::failure(ErrorCode::InvalidArgument, QStringLiteral("There is no transaction to undo."));
    dropPending();
    touch();
    const QString doing = QStringLiteral("Could not undo the changes");
    if (!m_connection->inTransaction()) {
        // Gone with the session, or undone by the server already.
        m_depth = 0;
        return {};
    }
    if (m_depth == 1) {
        m_depth = 0;
        Result<PgResult> r = query(doing, "ROLLBACK");
        return r ? Status() : r.status();
    }
    --m_depth;
    const QByteArray name = "zt" + QByteArray::number(m_depth);
    Result<PgResult> back = query(doing, ("ROLLBACK TO SAVEPOINT " + name).constData());
    if (!back)
        return back.status();
    Result<PgResult> released = query(doing, ("RELEASE SAVEPOINT " + name).constData());
    return released ? Status() : released.status();
}

// ------------------------------------------------------------------- records

Result<MainRecord> ServerDatabase::loadRecord(qint64 mainId)
{
    Result<std::vector<MainRecord>> rows = loadRecords({mainId});
    if (!rows)
        return Result<MainRecord>(rows.status());
    if (rows->empty())
        return Result<MainRecord>(recordGone(mainId));
    return rows->front();
}

Result<std::vector<MainRecord>> ServerDatabase::loadRecords(const std::vector<qint64>& ids)
{
    using R = Result<std::vector<MainRecord>>;
    QStringList list;
    list.reserve(static_cast<qsizetype>(ids.size()));
    for (qint64 id : ids)
        list << QString::number(id);
    const QByteArray sql = QByteArray("SELECT ") + kRecordColumns +
                           " FROM Main WHERE MainID = ANY($1::bigint[]) ORDER BY MainID";
    Result<PgResult> r = query(QStringLiteral("Could not read the records"), sql.constData(),
                               {QStringLiteral("{%1}").arg(list.join(QLatin1Char(',')))});
    if (!r)
        return R(r.status());
    std::vector<MainRecord> out;
    out.reserve(static_cast<size_t>(r->rows()));
    for (int row = 0; row < r->rows(); ++row)
        out.push_back(readRecord(*r, row));
    return out;
}

Result<qint64> ServerDatabase::insertRecord(const MainRecord& record)
{
    QList<MainField> fields = {MainField::Title,    MainField::Author,   MainField::Keywords, MainField::Notes,
                               MainField::FileName, MainField::FileType, MainField::FileSize, MainField::FileDate};
    // Left out, the two bookkeeping dates take the table's default: now,
    // in this client's time zone (the session's).
    if (record.InsertionDate.isValid())
        fields.push_back(MainField::InsertionDate);
    if (record.LastUpdatedDate.isValid())
        fields.push_back(MainField::LastUpdatedDate);
    QByteArray sql = "INSERT INTO Main (";
    QByteArray marks;
    QVariantList params;
    for (MainField f : fields) {
        if (!params.isEmpty()) {
            sql += ", ";
            marks += ", ";
        }
        sql += MainRecord::fieldName(f).toLatin1();
        params << parameter(f, record);
        marks += "$" + QByteArray::number(params.size());
    }
    sql += ") VALUES (" + marks + ") RETURNING MainID";
    Result<PgResult> r = query(QStringLiteral("Could not add the record"), sql.constData(), params);
    if (!r)
        return Result<qint64>(r.status());
    touch();
    return r->number(0, 0);
}

Status ServerDatabase::updateFields(qint64 mainId, const QVariantMap& values)
{
    if (!isOpen())
        return serverClosedFailure();
    if (values.isEmpty())
        return {};
    QList<MainField> fields;
    MainRecord scratch;
    for (auto it = values.begin(); it != values.end(); ++it) {
        const std::optional<MainField> field = MainRecord::fieldFromName(it.key());
        if (!field)
            return Status::failure(ErrorCode::InvalidArgument, QStringLiteral("There is no field called \"%1\".").arg(it.key()));
        if (*field == MainField::MainID)
            return Status::failure(ErrorCode::InvalidArgument, QStringLiteral("MainID is assigned by the library and cannot be changed."));
        if (!scratch.setValue(*field, it.value()))
            return Status::failure(ErrorCode::InvalidArgument, QStringLiteral("\"%1\" is not a valid value for %2.")
                                                                   .arg(it.value().toString(), MainRecord::fieldName(*field)));
        if ((*field == MainField::InsertionDate || *field == MainField::LastUpdatedDate) && !scratch.value(*field).isValid())
            return Status::failure(ErrorCode::InvalidArgument, QStringLiteral("%1 needs a date.").arg(MainRecord::fieldName(*field)));
        if (!fields.contains(*field))
            fields.push_back(*field);
    }
    QByteArray sql = "UPDATE Main SET ";
    QVariantList params;
    for (MainField f : fields) {
        if (!params.isEmpty())
            sql += ", ";
        params << parameter(f, scratch);
        sql += MainRecord::fieldName(f).toLatin1() + " = $" + QByteArray::number(params.size());
    }
    params << mainId;
    sql += " WHERE MainID = $" + QByteArray::number(params.size());
    Result<PgResult> r = query(QStringLiteral("Could not save the record"), sql.constData(), params);
    if (!r)
        return r.status();
    touch();
    if (r->affected() == 0)
        return recordGone(mainId);
    return {};
}

Status ServerDatabase::deleteRecord(qint64 mainId)
{
    if (m_pendingId == mainId)
        dropPending();
    // The chunks and the hash go with the record (ON DELETE CASCADE).
    Result<PgResult> r = query(QStringLiteral("Could not delete the record"),
                               "DELETE FROM Main WHERE MainID = $1", {mainId});
    if (!r)
        return r.status();
    touch();
    if (r->affected() == 0)
        return recordGone(mainId);
    return {};
}

Result<qint64> ServerDatabase::countMain()
{
    Result<PgResult> r = query(QStringLiteral("Could not count the records"), "SELECT count(*) FROM Main");
    if (!r)
        return Result<qint64>(r.status());
    return r->number(0, 0);
}

Result<qint64> ServerDatabase::sumFileSize()
{
    Result<PgResult> r =
        query(QStringLiteral("Could not add up the file sizes"), "SELECT COALESCE(sum(FileSize), 0) FROM Main");
    if (!r)
        return Result<qint64>(r.status());
    return r->number(0, 0);
}

const QueryFlavour& ServerDatabase::queryFlavour() const
{
    return PgFlavour::instance();
}

Result<std::vector<qint64>> ServerDatabase::selectKeys(const TranslatedQuery& query)
{
    using R = Result<std::vector<qint64>>;
    if (!isOpen())
        return R(serverClosedFailure());
    if (query.kind != TranslatedQuery::Kind::Select) {
        return R::failure(ErrorCode::InvalidQuery,
                          QStringLiteral("The search cannot be run: it may only read the records of the library."));
    }
    // Gathered bytes belong to a record the list may show.
    if (Status s = flushPending(); !s)
        return R(s);
    // One statement (libpq sends no second one), written by the query
    // dialect from Main's fields alone, with every literal bound.
    const QByteArray sql = query.keysetSql().toUtf8();
    Result<PgResult> r = this->query(QStringLiteral("Could not run the search"), sql.constData(), query.parameters);
    if (!r) {
        // What the server refuses in the query itself is the query's fault.
        if (r.code() == ErrorCode::InvalidArgument || r.code() == ErrorCode::Engine)
            return R::failure(ErrorCode::InvalidQuery, r.message());
        return R(r.status());
    }
    std::vector<qint64> keys;
    keys.reserve(static_cast<size_t>(r->rows()));
    for (int row = 0; row < r->rows(); ++row)
        keys.push_back(r->number(row, 0));
    return keys;
}

// ------------------------------------------------------------------- file bytes

void ServerDatabase::dropReadAhead()
{
    m_readId = 0;
    m_readStart = 0;
    m_readToEnd = false;
    m_read.clear();
}

void ServerDatabase::dropPending()
{
    m_pendingId = 0;
    m_pendingSequence = 0;
    m_pending.clear();
    m_pendingDirty = false;
}

Status ServerDatabase::writeChunk(qint64 mainId, qint64 sequence, const QByteArray& data)
{
    Result<PgResult> r = query(QStringLiteral("Could not store the file"),
                               "INSERT INTO Chunk (MainID, Sequence, Data) VALUES ($1, $2, $3) "
                               "ON CONFLICT (MainID, Sequence) DO UPDATE SET Data = EXCLUDED.Data",
                               {mainId, sequence, data});
    if (!r) {
        // The record went meanwhile (its key no longer there).
        if (r.code() == ErrorCode::InvalidArgument)
            return recordGone(mainId);
        return r.status();
    }
    return {};
}

Status ServerDatabase::flushPending()
{
    if (m_pendingId == 0 || !m_pendingDirty || !isOpen())
        return {};
    Status s = writeChunk(m_pendingId, m_pendingSequence, m_pending);
    if (!s) {
        dropPending();
        return s;
    }
    m_pendingDirty = false;
    return {};
}

Status ServerDatabase::flushPendingFor(qint64 mainId)
{
    return m_pendingId == mainId ? flushPending() : Status();
}

Status ServerDatabase::appendChunk(qint64 mainId, const char* data, qint64 length)
{
    if (!isOpen())
        return serverClosedFailure();
    if (length < 0 || length > kPiece || (length > 0 && !data)) {
        return Status::failure(ErrorCode::InvalidArgument,
                               QStringLiteral("A piece of a file holds 0 to %1 bytes, not %2.").arg(kPiece).arg(length));
    }
    if (isReadOnly())
        return readOnlyFailure();
    const qint64 chunk = m_schema.chunkSize;
    if (m_pendingId != mainId) {
        if (Status s = flushPending(); !s)
            return s;
        dropPending();
        // Where the record's bytes end: a short last chunk is topped up.
        Result<PgResult> r = query(QStringLiteral("Could not store the file"),
                                   "SELECT m.MainID, c.Sequence, c.Data FROM Main m LEFT JOIN LATERAL "
                                   "(SELECT Sequence, Data FROM Chunk WHERE MainID = m.MainID "
                                   "ORDER BY Sequence DESC LIMIT 1) c ON true WHERE m.MainID = $1",
                                   {mainId}, true);
        if (!r)
            return r.status();
        if (r->rows() == 0)
            return recordGone(mainId);
        m_pendingId = mainId;
        if (!r->isNull(0, 1)) {
            const qint64 last = r->number(0, 1);
            QByteArray tail = r->bytes(0, 2);
            if (tail.size() < chunk) {
                m_pendingSequence = last;
                m_pending = std::move(tail);
            } else {
                m_pendingSequence = last + 1;
            }
        }
    }
    if (length == 0)
        return {};
    m_pending.append(data, length);
    m_pendingDirty = true;
    while (m_pending.size() >= chunk) {
        if (Status s = writeChunk(mainId, m_pendingSequence, m_pending.left(chunk)); !s) {
            dropPending();
            return s;
        }
        m_pending.remove(0, chunk);
        ++m_pendingSequence;
    }
    m_pendingDirty = !m_pending.isEmpty();
    return {};
}

Result<qint64> ServerDatabase::readChunk(qint64 mainId, qint64 offset, qint64 length, char* buffer)
{
    using R = Result<qint64>;
    if (!isOpen())
        return R(serverClosedFailure());
    if (offset < 0 || length < 0 || (length > 0 && !buffer))
        return R::failure(ErrorCode::InvalidArgument, QStringLiteral("A read of a stored file needs a place and a size."));
    if (Status s = flushPendingFor(mainId); !s)
        return R(s);
    if (length == 0)
        return qint64(0);
    const qint64 end = offset + length;
    const bool cached = m_readId == mainId && offset >= m_readStart &&
                        (end <= m_readStart + m_read.size() || m_readToEnd);
    if (!cached) {
        // Whole chunk rows, a few ahead: a file is read piece after piece,
        // and one statement per piece would cost a round trip each.
        const qint64 chunk = m_schema.chunkSize;
        const qint64 first = offset / chunk;
        const qint64 last = std::max((end - 1) / chunk, first + kReadAheadChunks - 1);
        Result<PgResult> r = query(QStringLiteral("Could not read the stored file"),
                                   "SELECT Sequence, Data FROM Chunk WHERE MainID = $1 "
                                   "AND Sequence BETWEEN $2::bigint AND $3::bigint ORDER BY Sequence",
                                   {mainId, first, last}, true);
        if (!r)
            return R(r.status());
        m_read.clear();
        bool toEnd = r->rows() < last - first + 1;
        for (int row = 0; row < r->rows(); ++row) {
            if (r->number(row, 0) != first + row)
                return R(damagedFile(mainId));
            const QByteArray part = r->bytes(row, 1);
            // Only the last chunk of a file may be short.
            if (part.size() > chunk || (part.size() < chunk && row + 1 < r->rows()))
                return R(damagedFile(mainId));
            if (part.size() < chunk)
                toEnd = true;
            m_read.append(part);
        }
        m_readId = mainId;
        m_readStart = first * chunk;
        m_readToEnd = toEnd;
    }
    const qint64 available = std::max<qint64>(0, m_readStart + m_read.size() - offset);
    const qint64 copied = std::min(length, available);
    if (copied > 0)
        std::memcpy(buffer, m_read.constData() + (offset - m_readStart), static_cast<size_t>(copied));
    return copied;
}

Result<QByteArray> ServerDatabase::readStoredFile(qint64 mainId, qint64 size)
{
    using R = Result<QByteArray>;
    if (!isOpen())
        return R(serverClosedFailure());
    if (size < 0 || size > std::numeric_limits<int>::max())
        return R::failure(ErrorCode::InvalidArgument,
                          QStringLiteral("A stored file of %1 bytes cannot be read whole.").arg(size));
    if (Status s = flushPendingFor(mainId); !s)
        return R(s);
    Result<PgResult> r = query(QStringLiteral("Could not read the stored file"),
                               "SELECT Sequence, Data FROM Chunk WHERE MainID = $1 ORDER BY Sequence", {mainId}, true);
    if (!r)
        return R(r.status());
    QByteArray bytes;
    bytes.reserve(size);
    for (int row = 0; row < r->rows(); ++row) {
        const QByteArray part = r->bytes(row, 1);
        const bool last = row + 1 == r->rows();
        if (r->number(row, 0) != row || (!last && part.size() != m_schema.chunkSize) ||
            bytes.size() + part.size() > size)
            return R(damagedFile(mainId));
        bytes.append(part);
    }
    if (bytes.size() != size)
        return R(damagedFile(mainId));
    return bytes;
}

Result<qint64> ServerDatabase::storedSize(qint64 mainId)
{
    if (Status s = flushPendingFor(mainId); !s)
        return Result<qint64>(s);
    Result<PgResult> r = query(QStringLiteral("Could not read the stored file"),
                               "SELECT Sequence::bigint * $2::bigint + octet_length(Data) FROM Chunk "
                               "WHERE MainID = $1 ORDER BY Sequence DESC LIMIT 1",
                               {mainId, m_schema.chunkSize});
    if (!r)
        return Result<qint64>(r.status());
    return r->rows() == 0 ? qint64(0) : r->number(0, 0);
}

Status ServerDatabase::checkFileSize(qint64 mainId)
{
    Result<PgResult> r =
        query(QStringLiteral("Could not read the record"), "SELECT FileSize FROM Main WHERE MainID = $1", {mainId});
    if (!r)
        return r.status();
    if (r->rows() == 0)
        return recordGone(mainId);
    // The column is a whole number; only a negative one can be wrong.
    if (r->number(0, 0) < 0) {
        return Status::failure(ErrorCode::Damaged,
                               QStringLiteral("Record %1 in the library \"%2\" is damaged: its FileSize \"%3\" is no "
                                              "size of a file.")
                                   .arg(mainId)
                                   .arg(m_address.display(), r->text(0, 0)));
    }
    return {};
}

Status ServerDatabase::removeChunks(qint64 mainId)
{
    if (m_pendingId == mainId)
        dropPending();
    Result<PgResult> r =
        query(QStringLiteral("Could not remove the stored file"), "DELETE FROM Chunk WHERE MainID = $1", {mainId});
    return r ? Status() : r.status();
}

Result<QByteArray> ServerDatabase::fileHash(qint64 mainId)
{
    // Bytes still gathered would drop the hash once sent.
    if (Status s = flushPendingFor(mainId); !s)
        return Result<QByteArray>(s);
    Result<PgResult> r = query(QStringLiteral("Could not read the checksum of record %1").arg(mainId),
                               "SELECT Hash FROM FileHash WHERE MainID = $1", {mainId}, true);
    if (!r)
        return Result<QByteArray>(r.status());
    return r->rows() == 0 ? QByteArray() : r->bytes(0, 0);
}

Status ServerDatabase::setFileHash(qint64 mainId, const QByteArray& hash)
{
    if (Status s = flushPendingFor(mainId); !s)
        return s;
    Result<PgResult> r = query(QStringLiteral("Could not store the checksum of record %1").arg(mainId),
                               "INSERT INTO FileHash (MainID, Hash) VALUES ($1, $2) "
                               "ON CONFLICT (MainID) DO UPDATE SET Hash = EXCLUDED.Hash",
                               {mainId, hash});
    return r ? Status() : r.status();
}

Result<std::vector<qint64>> ServerDatabase::recordsWithoutHash()
{
    using R = Result<std::vector<qint64>>;
    if (Status s = flushPending(); !s)
        return R(s);
    Result<PgResult> r = query(QStringLiteral("Could not read the checksums"),
                               "SELECT MainID FROM Main m WHERE NOT EXISTS "
                               "(SELECT 1 FROM FileHash h WHERE h.MainID = m.MainID) ORDER BY MainID");
    if (!r)
        return R(r.status());
    std::vector<qint64> ids;
    ids.reserve(static_cast<size_t>(r->rows()));
    for (int row = 0; row < r->rows(); ++row)
        ids.push_back(r->number(row, 0));
    return ids;
}

// ------------------------------------------------------------------- upkeep

Result<qint64> ServerDatabase::execute(const QString& statement)
{
    using R = Result<qint64>;
    if (!isOpen())
        return R(serverClosedFailure());
    Result<TranslatedQuery> translated = QueryDialect::translate(statement, PgFlavour::instance());
    if (!translated)
        return R(translated.status());
    if (translated->kind != TranslatedQuery::Kind::Delete) {
        return R::failure(ErrorCode::InvalidQuery,
                          QStringLiteral("Only a DELETE statement can be executed on the library."));
    }
    if (isReadOnly()) {
        return R::failure(ErrorCode::ReadOnly, QStringLiteral("The library \"%1\" is read-only; nothing was deleted.")
                                                   .arg(m_address.display()));
    }
    if (Status s = flushPending(); !s)
        return R(s);
    dropPending();
    // The chunks and hashes of the records go with them (ON DELETE CASCADE),
    // in the one statement.
    const QByteArray sql = translated->deleteSql().toUtf8();
    Result<PgResult> r = query(QStringLiteral("Could not delete the records"), sql.constData(), translated->parameters);
    touch();
    if (!r) {
        if (r.code() == ErrorCode::InvalidArgument || r.code() == ErrorCode::Engine)
            return R::failure(ErrorCode::InvalidQuery, r.message());
        return R(r.status());
    }
    return r->affected();
}

Status ServerDatabase::compactTo(const QString&)
{
    return notOnServer(QStringLiteral("Writing a compacted copy to a file"));
}

Status ServerDatabase::compactInPlace(const QString&, Progress&)
{
    return notOnServer(QStringLiteral("Compacting through a scratch file"));
}

Status ServerDatabase::reclaimFreePages(Progress&)
{
    return notOnServer(QStringLiteral("Giving free pages back in place"));
}

Status ServerDatabase::snapshotTo(const QString&, Progress&)
{
    return notOnServer(QStringLiteral("Copying the library to a file"));
}

Result<qint64> ServerDatabase::compact()
{
    using R = Result<qint64>;
    if (!isOpen())
        return R(serverClosedFailure());
    if (isReadOnly())
        return R(readOnlyFailure());
    if (m_depth > 0) {
        return R::failure(ErrorCode::InvalidArgument,
                          QStringLiteral("A library cannot be compacted while changes are being saved."));
    }
    if (Status s = flushPending(); !s)
        return R(s);
    dropPending();
    const QString doing = QStringLiteral("Could not compact the library");
    Result<PgResult> before = query(doing, "SELECT pg_database_size(current_database())");
    if (!before)
        return R(before.status());
    // FULL rewrites the tables without their dead rows and gives the room
    // back to the system, but locks every other user out meanwhile: only
    // for a library this client holds alone.
    Result<PgResult> vacuumed =
        query(doing, m_options.exclusive ? "VACUUM (FULL) Main, Chunk, FileHash, Config, ChangeNumber, ZentaroSchema"
                                         : "VACUUM Main, Chunk, FileHash, Config, ChangeNumber, ZentaroSchema");
    if (!vacuumed)
        return R(vacuumed.status());
    Result<PgResult> after = query(doing, "SELECT pg_database_size(current_database())");
    if (!after)
        return R(after.status());
    touch();
    return before->number(0, 0) - after->number(0, 0);
}

void ServerDatabase::idle()
{
    if (!isOpen())
        return;
    if (m_depth == 0) {
        flushPending();
        dropPending();
    }
    if (m_options.exclusive)
        return;
    PgResult r = m_connection->exec("SELECT Number FROM ChangeNumber");
    if (r.ok() && r.rows() == 1) {
        const qint64 number = r.number(0, 0);
        if (number != m_changeNumber) {
            m_changeNumber = number;
            dropReadAhead();
            touch();
        }
    }
}

} // namespace zentaro
