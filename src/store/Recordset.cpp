#include "store/Recordset.h"

#include "store/Database.h"
#include "store/LibraryFile.h"
#include "store/QueryDialect.h"

#include <unordered_set>

namespace zentaro {

namespace {

Status noCurrent()
{
    return Status::failure(ErrorCode::NotFound, QStringLiteral("There is no current record."));
}

Status notEditing()
{
    return Status::failure(ErrorCode::InvalidArgument, QStringLiteral("The record is not being edited."));
}

} // namespace

Recordset::Recordset(std::shared_ptr<Database> database) : m_db(std::move(database)) {}

Recordset::~Recordset()
{
    discardEdit();
}

Result<std::unique_ptr<Recordset>> Recordset::open(std::shared_ptr<Database> database, const QString& source)
{
    using R = Result<std::unique_ptr<Recordset>>;
    if (!database)
        return R::failure(ErrorCode::InvalidArgument, QStringLiteral("No library is open."));
    std::unique_ptr<Recordset> rs(new Recordset(std::move(database)));
    if (Status s = rs->load(source); !s)
        return R(s);
    return R(std::move(rs));
}

Status Recordset::load(const QString& source)
{
    Result<TranslatedQuery> query = QueryDialect::translate(source, m_db->queryFlavour(), m_db->textIndexUsable());
    if (!query)
        return query.status();
    if (query->kind != TranslatedQuery::Kind::Select)
        return Status::failure(ErrorCode::InvalidQuery, QStringLiteral("A list needs a SELECT query, not \"%1\".").arg(source));
    Result<std::vector<qint64>> keys = m_db->selectKeys(*query);
    if (!keys)
        return keys.status();
    discardEdit();
    m_source = source;
    m_keys = std::move(*keys);
    m_indexValid = false;
    m_index.clear();
    forgetPages();
    m_currentDeleted = false;
    m_pos = m_keys.empty() ? -1 : 0;
    return {};
}

Status Recordset::setSource(const QString& source)
{
    return load(source);
}

Status Recordset::requery()
{
    return load(m_source);
}

// ------------------------------------------------------------------- position

bool Recordset::bof() const
{
    return m_keys.empty() || m_pos < 0;
}

bool Recordset::eof() const
{
    return m_keys.empty() || m_pos >= recordCount();
}

bool Recordset::hasCurrent() const
{
    return !m_currentDeleted && m_pos >= 0 && m_pos < recordCount();
}

void Recordset::setPosition(int position)
{
    discardEdit();
    m_currentDeleted = false;
    m_pos = position;
}

void Recordset::moveFirst()
{
    if (!m_keys.empty())
        setPosition(0);
}

void Recordset::moveLast()
{
    if (!m_keys.empty())
        setPosition(recordCount() - 1);
}

void Recordset::moveNext()
{
    if (m_keys.empty())
        return;
    if (m_currentDeleted) {
        // The row that followed the deleted one already stands at m_pos.
        setPosition(m_pos);
        return;
    }
    setPosition(std::min(m_pos + 1, recordCount()));
}

void Recordset::movePrevious()
{
    if (m_keys.empty())
        return;
    setPosition(std::max(m_pos - 1, -1));
}

int Recordset::absolutePosition() const
{
    return hasCurrent() ? m_pos : -1;
}

Status Recordset::setAbsolutePosition(int position)
{
    if (position < 0 || position >= recordCount())
        return Status::failure(ErrorCode::InvalidArgument, QStringLiteral("There is no record at position %1 of the list.").arg(position));
    setPosition(position);
    return {};
}

std::optional<qint64> Recordset::bookmark() const
{
    if (!hasCurrent())
        return std::nullopt;
    return m_keys[static_cast<size_t>(m_pos)];
}

int Recordset::positionOf(qint64 mainId) const
{
    if (!m_indexValid) {
        m_index.clear();
        m_index.reserve(static_cast<qsizetype>(m_keys.size()));
        for (size_t i = 0; i < m_keys.size(); ++i)
            m_index.insert(m_keys[i], static_cast<int>(i));
        m_indexValid = true;
    }
    return m_index.value(mainId, -1);
}

Status Recordset::setBookmark(qint64 mainId)
{
    const int position = positionOf(mainId);
    if (position < 0)
        return Status::failure(ErrorCode::NotFound, QStringLiteral("Record %1 is not in the list.").arg(mainId));
    setPosition(position);
    return {};
}

Result<bool> Recordset::findFirst(const QString& criteria)
{
    Result<TranslatedQuery> query = QueryDialect::translateCondition(criteria, m_db->queryFlavour());
    if (!query)
        return Result<bool>(query.status());
    Result<std::vector<qint64>> matches = m_db->selectKeys(*query);
    if (!matches)
        return Result<bool>(matches.status());
    int found = -1;
    if (matches->size() == 1) {
        found = positionOf(matches->front());
    } else if (!matches->empty()) {
        const std::unordered_set<qint64> wanted(matches->begin(), matches->end());
        for (size_t i = 0; i < m_keys.size(); ++i) {
            if (wanted.count(m_keys[i])) {
                found = static_cast<int>(i);
                break;
            }
        }
    }
    setPosition(found >= 0 ? found : recordCount());
    return found >= 0;
}

// ------------------------------------------------------------------- fields

void Recordset::forgetPages()
{
    m_pages.clear();
    m_pageOrder.clear();
}

const Recordset::Page* Recordset::page(int index, Status* status)
{
    auto it = m_pages.find(index);
    if (it != m_pages.end() && it->changeCount == m_db->changeCount())
        return &*it;
    if (it != m_pages.end() && it->changeCount != m_db->changeCount())
        forgetPages(); // something changed: every cached row may be stale

    const size_t first = static_cast<size_t>(index) * kPageRows;
    const size_t last = std::min(m_keys.size(), first + kPageRows);
    std::vector<qint64> ids(m_keys.begin() + static_cast<std::ptrdiff_t>(first),
                            m_keys.begin() + static_cast<std::ptrdiff_t>(last));
    Result<std::vector<MainRecord>> rows = m_db->loadRecords(ids);
    if (!rows) {
        *status = rows.status();
        return nullptr;
    }
    QHash<qint64, const MainRecord*> byId;
    for (const MainRecord& r : *rows)
        byId.insert(r.MainID, &r);
    Page fresh;
    fresh.changeCount = m_db->changeCount();
    fresh.rows.reserve(ids.size());
    for (qint64 id : ids) {
        const MainRecord* r = byId.value(id, nullptr);
        fresh.rows.push_back(r ? std::optional<MainRecord>(*r) : std::nullopt);
    }
    while (static_cast<int>(m_pageOrder.size()) >= kMaxPages) {
        m_pages.remove(m_pageOrder.front());
        m_pageOrder.pop_front();
    }
    m_pageOrder.push_back(index);
    return &*m_pages.insert(index, std::move(fresh));
}

Result<MainRecord> Recordset::recordAt(int position)
{
    if (position < 0 || position >= recordCount())
        return Result<MainRecord>(Status::failure(ErrorCode::NotFound, QStringLiteral("There is no record at position %1 of the list.").arg(position)));
    Status status;
    const Page* p = page(position / kPageRows, &status);
    if (!p)
        return Result<MainRecord>(status);
    const std::optional<MainRecord>& row = p->rows[static_cast<size_t>(position % kPageRows)];
    if (!row) {
        return Result<MainRecord>::failure(ErrorCode::NotFound,
                                           QStringLiteral("Record %1 has been deleted.").arg(m_keys[static_cast<size_t>(position)]));
    }
    return *row;
}

Result<MainRecord> Recordset::currentRecord()
{
    if (m_mode != EditMode::None)
        return m_buffer;
    if (!hasCurrent())
        return Result<MainRecord>(noCurrent());
    return recordAt(m_pos);
}

QVariant Recordset::value(const QString& field)
{
    const std::optional<MainField> f = MainRecord::fieldFromName(field);
    if (!f)
        return {};
    Result<MainRecord> record = currentRecord();
    if (!record)
        return {};
    return record->value(*f);
}

// ------------------------------------------------------------------- changes

Status Recordset::addNew()
{
    if (!m_db->isOpen())
        return m_db->closedFailure();
    if (m_db->isReadOnly())
        return Status::failure(ErrorCode::ReadOnly, QStringLiteral("The library \"%1\" is read-only.").arg(m_db->path()));
    discardEdit();
    m_mode = EditMode::AddNew;
    m_buffer = MainRecord();
    return {};
}

Status Recordset::edit()
{
    if (!m_db->isOpen())
        return m_db->closedFailure();
    if (m_db->isReadOnly())
        return Status::failure(ErrorCode::ReadOnly, QStringLiteral("The library \"%1\" is read-only.").arg(m_db->path()));
    discardEdit();
    if (!hasCurrent())
        return noCurrent();
    Result<MainRecord> record = recordAt(m_pos);
    if (!record)
        return record.status();
    m_buffer = *record;
    m_mode = EditMode::Edit;
    return {};
}

std::optional<qint64> Recordset::editTarget() const
{
    if (m_mode == EditMode::AddNew)
        return m_storedNewId ? std::optional<qint64>(m_storedNewId) : std::nullopt;
    if (m_mode == EditMode::Edit)
        return m_buffer.MainID;
    return bookmark();
}

Status Recordset::ensureStoredRow()
{
    if (!m_inEditTransaction) {
        if (Status s = m_db->begin(); !s)
            return s;
        m_inEditTransaction = true;
    }
    if (m_mode == EditMode::AddNew && m_storedNewId == 0) {
        // The bytes need their record: it is written now, inside the edit's
        // transaction, and vanishes again with cancelUpdate.
        Result<qint64> id = m_db->insertRecord(m_buffer);
        if (!id)
            return id.status();
        m_storedNewId = *id;
        m_buffer.MainID = *id;
        m_dirty.clear();
    }
    return {};
}

Status Recordset::setValue(const QString& field, const QVariant& value)
{
    if (m_mode == EditMode::None)
        return notEditing();
    if (field.compare(QLatin1String("OLE"), Qt::CaseInsensitive) == 0) {
        if (value.isValid() && !value.isNull() && value.typeId() != QMetaType::QByteArray)
            return Status::failure(ErrorCode::InvalidArgument, QStringLiteral("The stored file takes bytes."));
        if (Status s = ensureStoredRow(); !s)
            return s;
        const qint64 id = *editTarget();
        if (Status s = m_db->removeChunks(id); !s)
            return s;
        const QByteArray bytes = value.toByteArray();
        for (qsizetype at = 0; at < bytes.size(); at += LibraryFile::kPieceSize) {
            const qint64 n = std::min<qint64>(LibraryFile::kPieceSize, bytes.size() - at);
            if (Status s = m_db->appendChunk(id, bytes.constData() + at, n); !s)
                return s;
        }
        return {};
    }
    const std::optional<MainField> f = MainRecord::fieldFromName(field);
    if (!f)
        return Status::failure(ErrorCode::InvalidArgument, QStringLiteral("There is no field called \"%1\".").arg(field));
    if (*f == MainField::MainID)
        return Status::failure(ErrorCode::InvalidArgument, QStringLiteral("MainID is assigned by the library and cannot be changed."));
    MainRecord changed = m_buffer;
    if (!changed.setValue(*f, value)) {
        return Status::failure(ErrorCode::InvalidArgument,
                               QStringLiteral("\"%1\" is not a valid value for %2.").arg(value.toString(), MainRecord::fieldName(*f)));
    }
    m_buffer = changed;
    if (!m_dirty.contains(*f))
        m_dirty.push_back(*f);
    return {};
}

Status Recordset::update()
{
    if (m_mode == EditMode::None)
        return notEditing();
    qint64 id = 0;
    if (m_mode == EditMode::AddNew && m_storedNewId == 0) {
        Result<qint64> added = m_db->insertRecord(m_buffer);
        if (!added)
            return added.status();
        id = *added;
    } else {
        id = *editTarget();
        QVariantMap values;
        for (MainField f : std::as_const(m_dirty))
            values.insert(MainRecord::fieldName(f), m_buffer.value(f));
        if (Status s = m_db->updateFields(id, values); !s)
            return s;
    }
    if (m_inEditTransaction) {
        if (Status s = m_db->commit(); !s)
            return s;
        m_inEditTransaction = false;
    }
    if (m_mode == EditMode::AddNew && positionOf(id) < 0) {
        m_keys.push_back(id);
        m_index.insert(id, recordCount() - 1);
    }
    m_lastModified = id;
    m_mode = EditMode::None;
    m_dirty.clear();
    m_storedNewId = 0;
    return {};
}

void Recordset::discardEdit()
{
    if (m_inEditTransaction) {
        if (m_db->isOpen())
            m_db->rollback();
        m_inEditTransaction = false;
    }
    m_mode = EditMode::None;
    m_dirty.clear();
    m_storedNewId = 0;
}

void Recordset::cancelUpdate()
{
    discardEdit();
}

Status Recordset::deleteCurrent()
{
    if (!m_db->isOpen())
        return m_db->closedFailure();
    if (m_db->isReadOnly())
        return Status::failure(ErrorCode::ReadOnly, QStringLiteral("The library \"%1\" is read-only.").arg(m_db->path()));
    discardEdit();
    if (!hasCurrent())
        return noCurrent();
    const qint64 id = m_keys[static_cast<size_t>(m_pos)];
    Status s = m_db->deleteRecord(id);
    if (!s && s.code() != ErrorCode::NotFound)
        return s;
    // Gone either way (maybe by another user): it leaves the set.
    m_keys.erase(m_keys.begin() + m_pos);
    m_indexValid = false;
    forgetPages();
    m_currentDeleted = true;
    return {};
}

// ------------------------------------------------------------------- bytes

Status Recordset::appendChunk(const char* data, qint64 length)
{
    if (m_mode == EditMode::None)
        return notEditing();
    if (length < 0 || length > LibraryFile::kPieceSize) {
        return Status::failure(ErrorCode::InvalidArgument,
                               QStringLiteral("A piece of a file holds 0 to %1 bytes, not %2.").arg(LibraryFile::kPieceSize).arg(length));
    }
    if (Status s = ensureStoredRow(); !s)
        return s;
    return m_db->appendChunk(*editTarget(), data, length);
}

Status Recordset::setFileHash(const QByteArray& hash)
{
    if (m_mode == EditMode::None)
        return notEditing();
    if (Status s = ensureStoredRow(); !s)
        return s;
    return m_db->setFileHash(*editTarget(), hash);
}

Result<qint64> Recordset::getChunk(qint64 offset, qint64 length, char* buffer)
{
    const std::optional<qint64> id = editTarget();
    if (!id) {
        if (m_mode == EditMode::AddNew)
            return qint64(0);
        return Result<qint64>(noCurrent());
    }
    return m_db->readChunk(*id, offset, length, buffer);
}

Result<qint64> Recordset::storedSize()
{
    const std::optional<qint64> id = editTarget();
    if (!id) {
        if (m_mode == EditMode::AddNew)
            return qint64(0);
        return Result<qint64>(noCurrent());
    }
    return m_db->storedSize(*id);
}

} // namespace zentaro
