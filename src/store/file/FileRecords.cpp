#include "store/file/FileRecords.h"

#include "store/DateText.h"
#include "store/SqlConnection.h"
#include "store/SqlStatement.h"
#include "store/file/FileConnection.h"

#include <sqlite3.h>

namespace zentaro {

namespace {

const char* const kRecordColumns =
    "MainID, Title, Author, Keywords, Notes, FileName, FileType, FileSize, FileDate, "
    "InsertionDate, LastUpdatedDate";

MainRecord readRecord(const SqlStatement& st)
{
    MainRecord r;
    r.MainID = st.columnInt64(0);
    r.Title = st.columnText(1);
    r.Author = st.columnText(2);
    r.Keywords = st.columnText(3);
    r.Notes = st.columnText(4);
    r.FileName = st.columnText(5);
    r.FileType = st.columnText(6);
    r.FileSize = st.columnInt64(7);
    r.FileDate = DateText::fromText(st.columnText(8));
    r.InsertionDate = DateText::fromText(st.columnText(9));
    r.LastUpdatedDate = DateText::fromText(st.columnText(10));
    return r;
}

// The value a field takes in the file: text, integer, date text or NULL.
QVariant storedValue(MainField field, const MainRecord& record)
{
    switch (MainRecord::fieldKind(field)) {
    case FieldKind::Integer:
        return record.value(field);
    case FieldKind::Text:
        return record.value(field).toString();
    case FieldKind::Date: {
        const QVariant v = record.value(field);
        return v.isNull() ? QVariant() : QVariant(DateText::toText(v.toDateTime()));
    }
    }
    return {};
}

} // namespace

FileRecords::FileRecords(FileConnection& connection) : m_c(connection) {}

Result<ConfigRow> FileRecords::loadConfig()
{
    Status status;
    SqlStatement* st = m_c.statement(
        "SELECT LibraryName, LibrarianName, LibrarianEmail, Created, Notes, UseSecurity, BrowsePassword, "
        "EditPassword, AdminPassword, BrowseExtract, EditDelete FROM Config ORDER BY rowid LIMIT 1",
        &status);
    if (!st)
        return Result<ConfigRow>(status);
    const int rc = st->step();
    if (rc == SQLITE_DONE) {
        st->reset();
        return Result<ConfigRow>::failure(ErrorCode::Damaged,
                                          QStringLiteral("The library %1 is damaged: its settings row is missing.")
                                              .arg(FileConnection::quoted(m_c.path())));
    }
    if (rc != SQLITE_ROW) {
        Status s = m_c.failure(QStringLiteral("Could not read the library settings"));
        st->reset();
        return Result<ConfigRow>(s);
    }
    ConfigRow row;
    row.LibraryName = st->columnText(0);
    row.LibrarianName = st->columnText(1);
    row.LibrarianEmail = st->columnText(2);
    row.Created = DateText::fromText(st->columnText(3));
    row.Notes = st->columnText(4);
    row.UseSecurity = st->columnInt64(5) != 0;
    row.BrowsePassword = st->columnText(6);
    row.EditPassword = st->columnText(7);
    row.AdminPassword = st->columnText(8);
    row.BrowseExtract = st->columnInt64(9) != 0;
    row.EditDelete = st->columnInt64(10) != 0;
    st->reset();
    return row;
}

Status FileRecords::saveConfig(const ConfigRow& row)
{
    Status status;
    SqlStatement* st = m_c.statement(
        "UPDATE Config SET LibraryName = ?, LibrarianName = ?, LibrarianEmail = ?, Created = ?, Notes = ?, "
        "UseSecurity = ?, BrowsePassword = ?, EditPassword = ?, AdminPassword = ?, BrowseExtract = ?, "
        "EditDelete = ? WHERE rowid = (SELECT rowid FROM Config ORDER BY rowid LIMIT 1)",
        &status);
    if (!st)
        return status;
    st->bindText(1, row.LibraryName);
    st->bindText(2, row.LibrarianName);
    st->bindText(3, row.LibrarianEmail);
    if (row.Created.isValid())
        st->bindText(4, DateText::toText(row.Created));
    else
        st->bindNull(4);
    st->bindText(5, row.Notes);
    st->bindInt64(6, row.UseSecurity ? 1 : 0);
    st->bindText(7, row.BrowsePassword);
    st->bindText(8, row.EditPassword);
    st->bindText(9, row.AdminPassword);
    st->bindInt64(10, row.BrowseExtract ? 1 : 0);
    st->bindInt64(11, row.EditDelete ? 1 : 0);
    const int rc = st->step();
    Status result = rc == SQLITE_DONE ? Status() : m_c.failure(QStringLiteral("Could not save the library settings"));
    st->reset();
    return result;
}

Result<MainRecord> FileRecords::loadRecord(qint64 mainId)
{
    Result<std::vector<MainRecord>> rows = loadRecords({mainId});
    if (!rows)
        return Result<MainRecord>(rows.status());
    if (rows->empty()) {
        return Result<MainRecord>(m_c.recordGone(mainId));
    }
    return rows->front();
}

Result<std::vector<MainRecord>> FileRecords::loadRecords(const std::vector<qint64>& ids)
{
    constexpr int kBatch = 64;
    static const QByteArray sql = [] {
        QByteArray s = QByteArray("SELECT ") + kRecordColumns + " FROM Main WHERE MainID IN (";
        for (int i = 0; i < kBatch; ++i)
            s += i ? ",?" : "?";
        return s + ")";
    }();
    std::vector<MainRecord> out;
    out.reserve(ids.size());
    for (size_t start = 0; start < ids.size(); start += kBatch) {
        Status status;
        SqlStatement* st = m_c.statement(sql.constData(), &status);
        if (!st)
            return Result<std::vector<MainRecord>>(status);
        for (int i = 0; i < kBatch; ++i) {
            if (start + static_cast<size_t>(i) < ids.size())
                st->bindInt64(i + 1, ids[start + static_cast<size_t>(i)]);
            else
                st->bindNull(i + 1);
        }
        int rc;
        while ((rc = st->step()) == SQLITE_ROW)
            out.push_back(readRecord(*st));
        if (rc != SQLITE_DONE) {
            Status s = m_c.failure(QStringLiteral("Could not read the records"));
            st->reset();
            return Result<std::vector<MainRecord>>(s);
        }
        st->reset();
    }
    return out;
}

Result<qint64> FileRecords::insertRecord(const MainRecord& record)
{
    if (!m_c.isOpen())
        return Result<qint64>(m_c.closedFailure());
    QList<MainField> fields = {MainField::Title,    MainField::Author,   MainField::Keywords, MainField::Notes,
                               MainField::FileName, MainField::FileType, MainField::FileSize, MainField::FileDate};
    // Left out, the two bookkeeping dates take the file's default: now.
    if (record.InsertionDate.isValid())
        fields.push_back(MainField::InsertionDate);
    if (record.LastUpdatedDate.isValid())
        fields.push_back(MainField::LastUpdatedDate);
    QByteArray sql = "INSERT INTO Main (";
    QByteArray marks;
    for (MainField f : fields) {
        if (!marks.isEmpty()) {
            sql += ", ";
            marks += ", ";
        }
        sql += MainRecord::fieldName(f).toLatin1();
        marks += "?";
    }
    sql += ") VALUES (" + marks + ")";
    Status status;
    SqlStatement* st = m_c.statement(sql.constData(), &status);
    if (!st)
        return Result<qint64>(status);
    for (int i = 0; i < fields.size(); ++i)
        st->bind(i + 1, storedValue(fields[i], record));
    const int rc = st->step();
    st->reset();
    if (rc != SQLITE_DONE)
        return Result<qint64>(m_c.failure(QStringLiteral("Could not add the record")));
    m_c.touch();
    return static_cast<qint64>(sqlite3_last_insert_rowid(m_c.handle()));
}

Status FileRecords::updateFields(qint64 mainId, const QVariantMap& values)
{
    if (!m_c.isOpen())
        return m_c.closedFailure();
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
    for (int i = 0; i < fields.size(); ++i) {
        if (i)
            sql += ", ";
        sql += MainRecord::fieldName(fields[i]).toLatin1() + " = ?";
    }
    sql += " WHERE MainID = ?";
    Status status;
    SqlStatement* st = m_c.statement(sql.constData(), &status);
    if (!st)
        return status;
    for (int i = 0; i < fields.size(); ++i)
        st->bind(i + 1, storedValue(fields[i], scratch));
    st->bindInt64(static_cast<int>(fields.size()) + 1, mainId);
    const int rc = st->step();
    st->reset();
    if (rc != SQLITE_DONE)
        return m_c.failure(QStringLiteral("Could not save the record"));
    m_c.touch();
    if (sqlite3_changes(m_c.handle()) == 0)
        return m_c.recordGone(mainId);
    return {};
}

Status FileRecords::deleteRecord(qint64 mainId)
{
    if (Status deleted = m_c.deleteForId("DELETE FROM Main WHERE MainID = ?", mainId,
                                     QStringLiteral("Could not delete the record"));
        !deleted)
        return deleted;
    m_c.touch();
    if (sqlite3_changes(m_c.handle()) == 0)
        return m_c.recordGone(mainId);
    return {};
}

Result<qint64> FileRecords::countMain()
{
    Status status;
    SqlStatement* st = m_c.statement("SELECT COUNT(*) FROM Main", &status);
    if (!st)
        return Result<qint64>(status);
    const int rc = st->step();
    const qint64 count = rc == SQLITE_ROW ? st->columnInt64(0) : 0;
    Status s = rc == SQLITE_ROW ? Status() : m_c.failure(QStringLiteral("Could not count the records"));
    st->reset();
    if (!s)
        return Result<qint64>(s);
    return count;
}

Result<qint64> FileRecords::sumFileSize()
{
    Status status;
    SqlStatement* st = m_c.statement("SELECT COALESCE(SUM(FileSize), 0) FROM Main", &status);
    if (!st)
        return Result<qint64>(status);
    const int rc = st->step();
    const qint64 total = rc == SQLITE_ROW ? st->columnInt64(0) : 0;
    Status s = rc == SQLITE_ROW ? Status() : m_c.failure(QStringLiteral("Could not add up the file sizes"));
    st->reset();
    if (!s)
        return Result<qint64>(s);
    return total;
}

} // namespace zentaro
