#include "store/Database.h"

#include "core/DiskSync.h"
#include "core/FileErrorText.h"
#include "core/Progress.h"

#include "store/DateText.h"
#include "store/FreePageReclaimer.h"
#include "store/LibraryFile.h"
#include "store/LikePattern.h"
#include "store/QueryDialect.h"
#include "store/SchemaUpgrade.h"
#include "store/SqlConnection.h"
#include "store/SqlStatement.h"
#include "store/TextIndex.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>
#include <unordered_map>

namespace zentaro {

namespace {

constexpr qint64 kPiece = LibraryFile::kPieceSize;
// Page cache per connection: enough for the b-tree interiors and a list's
// rows; the file bytes stream through it, so it also bounds memory use.
constexpr int kCacheKiB = 4096;

const char* const kRecordColumns =
    "MainID, Title, Author, Keywords, Notes, FileName, FileType, FileSize, FileDate, "
    "InsertionDate, LastUpdatedDate";

QString quoted(const QString& path)
{
    return QStringLiteral("\"%1\"").arg(path);
}

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

// jet_like(pattern, value): the dialect's LIKE. The compiled pattern is kept
// with the statement while the pattern argument stays the same.
void likeFunction(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    auto* pattern = static_cast<LikePattern*>(sqlite3_get_auxdata(context, 0));
    if (!pattern) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
        Result<LikePattern> compiled =
            LikePattern::compile(QString::fromUtf8(text, sqlite3_value_bytes(argv[0])));
        if (!compiled) {
            const QByteArray message = compiled.message().toUtf8();
            sqlite3_result_error(context, message.constData(), static_cast<int>(message.size()));
            return;
        }
        pattern = new LikePattern(std::move(*compiled));
        sqlite3_set_auxdata(context, 0, pattern, [](void* p) { delete static_cast<LikePattern*>(p); });
        // set_auxdata may have deleted it already when memory ran out.
        pattern = static_cast<LikePattern*>(sqlite3_get_auxdata(context, 0));
        if (!pattern) {
            sqlite3_result_error_nomem(context);
            return;
        }
    }
    const auto* value = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
    sqlite3_result_int(context, pattern->matchesUtf8(value, sqlite3_value_bytes(argv[1])) ? 1 : 0);
}

enum class Guard { ReadMain, DeleteMain };

bool sameName(const char* a, const char* b)
{
    return a && sqlite3_stricmp(a, b) == 0;
}

// Statements built from what a user typed may read Main (and, for the bulk
// delete, delete from Main with its pieces) and nothing else.
int authorize(void* userData, int action, const char* a, const char* b, const char*, const char* trigger)
{
    const Guard guard = *static_cast<const Guard*>(userData);
    switch (action) {
    case SQLITE_SELECT:
        return SQLITE_OK;
    case SQLITE_READ:
        // The index and its own tables, which it reads when first used.
        if (sameName(a, "Main") || sameName(a, TextIndex::kTable) ||
            (a && sqlite3_strnicmp(a, "MainText_", 9) == 0))
            return SQLITE_OK;
        if (guard == Guard::DeleteMain && (sameName(a, "OLE") || sameName(a, "OLEHash")))
            return SQLITE_OK;
        return SQLITE_DENY;
    case SQLITE_FUNCTION:
        // instr and char: the records the full-text index cannot see.
        return sameName(b, QueryDialect::kLikeFunction) || sameName(b, "match") || sameName(b, "instr") ||
                       sameName(b, "char")
                   ? SQLITE_OK
                   : SQLITE_DENY;
    case SQLITE_DELETE:
        if (guard == Guard::DeleteMain && (sameName(a, "Main") || sameName(a, "OLE") || sameName(a, "OLEHash")))
            return SQLITE_OK;
        return SQLITE_DENY;
    case SQLITE_INSERT:
        // The index's own trigger tells it which rows went.
        if (guard == Guard::DeleteMain && sameName(a, TextIndex::kTable) && sameName(trigger, "MainTextDelete"))
            return SQLITE_OK;
        return SQLITE_DENY;
    default:
        return SQLITE_DENY;
    }
}

// Installs the guard for the preparation of one statement.
class AuthorizerScope
{
public:
    AuthorizerScope(sqlite3* db, Guard guard) : m_db(db), m_guard(guard)
    {
        sqlite3_set_authorizer(m_db, authorize, &m_guard);
    }
    ~AuthorizerScope() { sqlite3_set_authorizer(m_db, nullptr, nullptr); }
    AuthorizerScope(const AuthorizerScope&) = delete;
    AuthorizerScope& operator=(const AuthorizerScope&) = delete;

private:
    sqlite3* m_db;
    Guard m_guard;
};

ErrorCode codeFor(int rc)
{
    switch (rc & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return ErrorCode::InUse;
    case SQLITE_READONLY: return ErrorCode::ReadOnly;
    case SQLITE_FULL: return ErrorCode::DiskFull;
    case SQLITE_CORRUPT: return ErrorCode::Damaged;
    case SQLITE_NOTADB: return ErrorCode::NotALibrary;
    case SQLITE_IOERR: return ErrorCode::Io;
    case SQLITE_CANTOPEN:
    case SQLITE_PERM: return ErrorCode::Unreadable;
    case SQLITE_AUTH: return ErrorCode::AccessDenied;
    case SQLITE_CONSTRAINT:
    case SQLITE_MISMATCH:
    case SQLITE_TOOBIG:
    case SQLITE_RANGE: return ErrorCode::InvalidArgument;
    default: return ErrorCode::Engine;
    }
}

} // namespace

// ------------------------------------------------------------------- open

Database::Database(QString path, OpenOptions options)
    : m_path(std::move(path)), m_options(options)
{
}

Database::~Database()
{
    close();
}

Result<std::shared_ptr<Database>> Database::open(const QString& path, const OpenOptions& options)
{
    using R = Result<std::shared_ptr<Database>>;
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        return R::failure(ErrorCode::NotFound, QStringLiteral("The library %1 was not found.").arg(quoted(path)));
    if (info.isDir())
        return R::failure(ErrorCode::NotALibrary,
                          QStringLiteral("%1 is a folder, not a Zentaro library.").arg(quoted(path)));
    if (!info.isReadable())
        return R::failure(ErrorCode::Unreadable,
                          QStringLiteral("The library %1 cannot be read: permission denied.").arg(quoted(path)));

    std::shared_ptr<Database> db(new Database(path, options));
    if (Status s = db->openConnection(); !s) {
        db->close();
        return R(s);
    }
    if (Status s = db->checkLibrary(); !s) {
        db->close();
        return R(s);
    }
    return db;
}

Status Database::openConnection()
{
    m_connection = std::make_unique<SqlConnection>();
    const int flags = (m_options.readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_FULLMUTEX;
    const int rc = m_connection->open(m_path, flags);
    if (rc != SQLITE_OK) {
        return Status::failure(ErrorCode::Unreadable, QStringLiteral("The library %1 cannot be opened: %2.")
                                                          .arg(quoted(m_path), m_connection->errorMessage()));
    }
    sqlite3* db = m_connection->get();
    sqlite3_busy_timeout(db, std::max(0, m_options.busyTimeoutMs));
    // A library file is user data: its schema gets no say over what runs.
    sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, nullptr);
    sqlite3_create_function_v2(db, QueryDialect::kLikeFunction, 2,
                               SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                               likeFunction, nullptr, nullptr, nullptr);

    // Connection settings. Some of them read the schema, which is where a
    // locked file or one that is no library shows first.
    QList<QByteArray> settings;
    if (m_options.exclusive)
        settings << "PRAGMA locking_mode = EXCLUSIVE";
    settings << QByteArray("PRAGMA cache_size = -") + QByteArray::number(kCacheKiB) << "PRAGMA synchronous = FULL"
             << "PRAGMA temp_store = MEMORY" << "PRAGMA foreign_keys = OFF";
    for (const QByteArray& sql : std::as_const(settings)) {
        if (int set = sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr); set != SQLITE_OK)
            return openFailure(set);
    }
    return {};
}

Status Database::openFailure(int rc) const
{
    const QString name = quoted(m_path);
    const QString detail = m_connection ? m_connection->errorMessage() : QString();
    switch (codeFor(rc)) {
    case ErrorCode::InUse:
        return Status::failure(ErrorCode::InUse,
                               QStringLiteral("The library %1 is in use by another program. "
                                              "Try again when it has been closed there.")
                                   .arg(name));
    case ErrorCode::NotALibrary:
        return Status::failure(ErrorCode::NotALibrary, QStringLiteral("%1 is not a Zentaro library.").arg(name));
    case ErrorCode::Damaged:
        return Status::failure(ErrorCode::Damaged, QStringLiteral("The library %1 is damaged (%2).").arg(name, detail));
    default:
        return Status::failure(ErrorCode::Unreadable,
                               QStringLiteral("The library %1 cannot be read (%2).").arg(name, detail));
    }
}

Status Database::checkLibrary()
{
    sqlite3* db = m_connection->get();
    const QString name = quoted(m_path);

    auto damaged = [&](const QString& why) {
        return Status::failure(ErrorCode::Damaged, QStringLiteral("The library %1 is damaged: %2.").arg(name, why));
    };
    auto single = [&](const char* sql, qint64* out) -> int {
        SqlStatement st;
        int rc = st.prepare(db, sql);
        if (rc != SQLITE_OK)
            return rc;
        rc = st.step();
        if (rc == SQLITE_ROW) {
            *out = st.columnInt64(0);
            return SQLITE_OK;
        }
        return rc == SQLITE_DONE ? SQLITE_NOTFOUND : rc;
    };

    qint64 appId = 0;
    if (int rc = single("PRAGMA application_id", &appId); rc != SQLITE_OK)
        return openFailure(rc);
    if (appId != LibraryFile::kApplicationId)
        return Status::failure(ErrorCode::NotALibrary, QStringLiteral("%1 is not a Zentaro library.").arg(name));
    qint64 version = 0;
    if (int rc = single("PRAGMA user_version", &version); rc != SQLITE_OK)
        return openFailure(rc);
    if (version > SchemaUpgrade::latestVersion()) {
        return Status::failure(ErrorCode::NotALibrary,
                               QStringLiteral("The library %1 was made by a newer version of Zentaro.").arg(name));
    }

    // The structure this code relies on; reading it also parses the schema.
    struct Need
    {
        const char* table;
        std::initializer_list<const char*> fields;
    };
    const Need needs[] = {
        {"Main", {"MainID", "Title", "Author", "Keywords", "Notes", "FileName", "FileType", "FileSize",
                  "FileDate", "InsertionDate", "LastUpdatedDate"}},
        {"OLE", {"MainID", "Piece", "Data"}},
        {"Config", {"LibraryName", "LibrarianName", "LibrarianEmail", "Created", "Notes", "UseSecurity",
                    "BrowsePassword", "EditPassword", "AdminPassword", "BrowseExtract", "EditDelete"}},
    };
    for (const Need& need : needs) {
        for (const char* field : need.fields) {
            const QByteArray sql = QByteArray("SELECT COUNT(*) FROM pragma_table_info('") + need.table +
                                   "') WHERE name = '" + field + "' COLLATE NOCASE";
            qint64 found = 0;
            if (int rc = single(sql.constData(), &found); rc != SQLITE_OK)
                return openFailure(rc);
            if (found != 1)
                return damaged(QStringLiteral("field %1 of table %2 is missing").arg(QLatin1String(field), QLatin1String(need.table)));
        }
    }
    qint64 configRows = 0;
    if (int rc = single("SELECT COUNT(*) FROM Config", &configRows); rc != SQLITE_OK)
        return openFailure(rc);
    if (configRows < 1)
        return damaged(QStringLiteral("its settings row is missing"));
    // Walks the records (never the file bytes), so a broken table shows now
    // and not halfway through the user's work.
    qint64 records = 0;
    for (const char* sql : {"SELECT COUNT(*) FROM Main NOT INDEXED", "SELECT COUNT(*) FROM Main",
                            "SELECT COUNT(*) FROM OLE"}) {
        if (int rc = single(sql, &records); rc != SQLITE_OK)
            return openFailure(rc);
    }

    // Only now that the file is known to be a library may anything be
    // written to it. Exclusive: take the write lock and keep it until close,
    // so that no other program can use the file meanwhile. A file we may not
    // write is held with the read lock the checks took, which keeps writers out.
    const bool writable = sqlite3_db_readonly(db, "main") == 0;
    if (writable) {
        // The rollback journal: WAL does not work on network file systems.
        if (int rc = sqlite3_exec(db, "PRAGMA journal_mode = DELETE", nullptr, nullptr, nullptr); rc != SQLITE_OK)
            return openFailure(rc);
    }
    m_schemaVersion = static_cast<int>(version);
    if (writable && m_options.upgrade) {
        // Without room for the upgrade the library is still usable as it is.
        if (Status s = upgradeSchema(); !s && s.code() != ErrorCode::DiskFull)
            return s;
    }
    // The index's triggers write a virtual table, which SQLite allows only
    // in a schema it trusts: trusted when it holds our triggers and no others.
    qint64 strangers = 0;
    if (single("SELECT COUNT(*) FROM sqlite_master WHERE type = 'view' OR (type = 'trigger' AND name NOT IN "
               "('MainDeletePieces', 'ConfigOneRowInsert', 'ConfigOneRowDelete', 'MainTextInsert', "
               "'MainTextDelete', 'MainTextUpdate', 'MainDeleteHash', 'OLEInsertHash', 'OLEUpdateHash', "
               "'OLEDeleteHash'))",
               &strangers) == SQLITE_OK &&
        strangers == 0)
        sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 1, nullptr);
    if (m_options.exclusive && writable) {
        const int rc = sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK)
            return openFailure(rc);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    }
    qint64 dataVersion = 0;
    if (single("PRAGMA data_version", &dataVersion) == SQLITE_OK)
        m_dataVersion = dataVersion;
    return {};
}

void Database::close()
{
    if (!m_connection)
        return;
    if (m_depth > 0 && m_connection->get())
        sqlite3_exec(m_connection->get(), "ROLLBACK", nullptr, nullptr, nullptr);
    m_depth = 0;
    dropStatements();
    m_connection->close();
    m_connection.reset();
    touch();
}

bool Database::isOpen() const
{
    return m_connection && m_connection->get();
}

bool Database::hasTextIndex() const
{
    return m_schemaVersion >= SchemaUpgrade::kTextIndexVersion;
}

bool Database::textIndexUsable() const
{
    return m_schemaVersion >= SchemaUpgrade::kUnseenTextVersion;
}

Status Database::upgradeSchema()
{
    if (!isOpen())
        return closedFailure();
    if (m_schemaVersion >= SchemaUpgrade::latestVersion())
        return {};
    if (isReadOnly()) {
        return Status::failure(ErrorCode::ReadOnly,
                               QStringLiteral("The library %1 is read-only and cannot be brought up to date.")
                                   .arg(quoted(m_path)));
    }
    if (m_depth > 0) {
        return Status::failure(ErrorCode::InvalidArgument,
                               QStringLiteral("A library cannot be brought up to date while changes are being saved."));
    }
    // A statement left stepping would keep the upgrade's transaction out.
    for (SqlStatement* st : std::as_const(m_statements))
        st->reset();
    Status upgraded = SchemaUpgrade::run(m_connection->get(), m_schemaVersion, m_path);
    m_upgradeWaitsForSpace = upgraded.code() == ErrorCode::DiskFull;
    if (!upgraded)
        return upgraded;
    m_schemaVersion = SchemaUpgrade::latestVersion();
    touch();
    return {};
}

bool Database::isReadOnly() const
{
    return !isOpen() || m_options.readOnly || sqlite3_db_readonly(m_connection->get(), "main") == 1;
}

// ------------------------------------------------------------------- helpers

Status Database::closedFailure() const
{
    return Status::failure(ErrorCode::Engine, QStringLiteral("The library %1 is closed.").arg(quoted(m_path)));
}

Status Database::failure(const QString& doing) const
{
    if (!isOpen())
        return closedFailure();
    const int rc = m_connection->errorCode();
    const ErrorCode code = codeFor(rc);
    QString message;
    switch (code) {
    case ErrorCode::InUse:
        message = QStringLiteral("%1: the library %2 is in use by another user. Try again in a moment.")
                      .arg(doing, quoted(m_path));
        break;
    case ErrorCode::ReadOnly:
        message = QStringLiteral("%1: the library %2 is read-only.").arg(doing, quoted(m_path));
        break;
    case ErrorCode::DiskFull:
        message = QStringLiteral("%1: the disk holding the library %2 is full.").arg(doing, quoted(m_path));
        break;
    default:
        message = QStringLiteral("%1 in the library %2: %3.").arg(doing, quoted(m_path), m_connection->errorMessage());
        break;
    }
    return Status::failure(code, message);
}

Status Database::exec(const char* sql)
{
    if (!isOpen())
        return closedFailure();
    if (sqlite3_exec(m_connection->get(), sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        return failure(QStringLiteral("Could not run \"%1\"").arg(QLatin1String(sql)));
    return {};
}

SqlStatement* Database::statement(const char* sql, Status* status)
{
    if (!isOpen()) {
        *status = closedFailure();
        return nullptr;
    }
    const QByteArray key(sql);
    auto it = m_statements.find(key);
    if (it != m_statements.end()) {
        (*it)->reset();
        return *it;
    }
    auto* st = new SqlStatement;
    if (st->prepare(m_connection->get(), key, true) != SQLITE_OK) {
        delete st;
        *status = failure(QStringLiteral("Could not read"));
        return nullptr;
    }
    m_statements.insert(key, st);
    return st;
}

// ------------------------------------------------------------------- Config

Result<ConfigRow> Database::loadConfig()
{
    Status status;
    SqlStatement* st = statement(
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
                                              .arg(quoted(m_path)));
    }
    if (rc != SQLITE_ROW) {
        Status s = failure(QStringLiteral("Could not read the library settings"));
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

Status Database::saveConfig(const ConfigRow& row)
{
    Status status;
    SqlStatement* st = statement(
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
    Status result = rc == SQLITE_DONE ? Status() : failure(QStringLiteral("Could not save the library settings"));
    st->reset();
    return result;
}

// ------------------------------------------------------------------- transactions

Status Database::begin()
{
    if (!isOpen())
        return closedFailure();
    if (m_depth > 0 && sqlite3_get_autocommit(m_connection->get())) {
        // An error inside the transaction made SQLite roll it back.
        m_depth = 0;
    }
    if (m_depth == 0) {
        // IMMEDIATE takes the write lock now: two users who both read first
        // and then write would otherwise deadlock on the upgrade.
        if (sqlite3_exec(m_connection->get(), "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
            return failure(QStringLiteral("Could not start saving"));
    } else {
        const QByteArray sql = "SAVEPOINT zt" + QByteArray::number(m_depth);
        if (sqlite3_exec(m_connection->get(), sql.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
            return failure(QStringLiteral("Could not start saving"));
    }
    ++m_depth;
    return {};
}

Status Database::commit()
{
    if (!isOpen())
        return closedFailure();
    if (m_depth == 0)
        return Status::failure(ErrorCode::InvalidArgument, QStringLiteral("There is no transaction to commit."));
    sqlite3* db = m_connection->get();
    if (sqlite3_get_autocommit(db)) {
        m_depth = 0;
        touch();
        return Status::failure(ErrorCode::Engine,
                               QStringLiteral("The changes to the library %1 were undone after an earlier error.")
                                   .arg(quoted(m_path)));
    }
    if (m_depth == 1) {
        if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
            Status s = failure(QStringLiteral("Could not save the changes"));
            if (sqlite3_get_autocommit(db))
                m_depth = 0;
            return s;
        }
    } else {
        const QByteArray sql = "RELEASE zt" + QByteArray::number(m_depth - 1);
        if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
            return failure(QStringLiteral("Could not save the changes"));
    }
    --m_depth;
    return {};
}

Status Database::rollback()
{
    if (!isOpen())
        return closedFailure();
    if (m_depth == 0)
        return Status::failure(ErrorCode::InvalidArgument, QStringLiteral("There is no transaction to undo."));
    sqlite3* db = m_connection->get();
    touch();
    if (sqlite3_get_autocommit(db)) {
        m_depth = 0;
        return {};
    }
    if (m_depth == 1) {
        m_depth = 0;
        if (sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr) != SQLITE_OK)
            return failure(QStringLiteral("Could not undo the changes"));
        return {};
    }
    --m_depth;
    const QByteArray name = "zt" + QByteArray::number(m_depth);
    const QByteArray sql = "ROLLBACK TO " + name + "; RELEASE " + name;
    if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        return failure(QStringLiteral("Could not undo the changes"));
    return {};
}

// ------------------------------------------------------------------- records

Result<MainRecord> Database::loadRecord(qint64 mainId)
{
    Result<std::vector<MainRecord>> rows = loadRecords({mainId});
    if (!rows)
        return Result<MainRecord>(rows.status());
    if (rows->empty()) {
        return Result<MainRecord>(recordGone(mainId));
    }
    return rows->front();
}

Result<std::vector<MainRecord>> Database::loadRecords(const std::vector<qint64>& ids)
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
        SqlStatement* st = statement(sql.constData(), &status);
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
            Status s = failure(QStringLiteral("Could not read the records"));
            st->reset();
            return Result<std::vector<MainRecord>>(s);
        }
        st->reset();
    }
    return out;
}

Result<qint64> Database::insertRecord(const MainRecord& record)
{
    if (!isOpen())
        return Result<qint64>(closedFailure());
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
    SqlStatement* st = statement(sql.constData(), &status);
    if (!st)
        return Result<qint64>(status);
    for (int i = 0; i < fields.size(); ++i)
        st->bind(i + 1, storedValue(fields[i], record));
    const int rc = st->step();
    st->reset();
    if (rc != SQLITE_DONE)
        return Result<qint64>(failure(QStringLiteral("Could not add the record")));
    touch();
    return static_cast<qint64>(sqlite3_last_insert_rowid(m_connection->get()));
}

Status Database::updateFields(qint64 mainId, const QVariantMap& values)
{
    if (!isOpen())
        return closedFailure();
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
    SqlStatement* st = statement(sql.constData(), &status);
    if (!st)
        return status;
    for (int i = 0; i < fields.size(); ++i)
        st->bind(i + 1, storedValue(fields[i], scratch));
    st->bindInt64(static_cast<int>(fields.size()) + 1, mainId);
    const int rc = st->step();
    st->reset();
    if (rc != SQLITE_DONE)
        return failure(QStringLiteral("Could not save the record"));
    touch();
    if (sqlite3_changes(m_connection->get()) == 0)
        return recordGone(mainId);
    return {};
}

Status Database::deleteForId(const char* sql, qint64 mainId, const QString& doing)
{
    Status status;
    SqlStatement* st = statement(sql, &status);
    if (!st)
        return status;
    st->bindInt64(1, mainId);
    const int rc = st->step();
    st->reset();
    if (rc != SQLITE_DONE)
        return failure(doing);
    return {};
}

Status Database::recordGone(qint64 mainId)
{
    return Status::failure(ErrorCode::NotFound,
                           QStringLiteral("Record %1 is no longer in the library.").arg(mainId));
}

Status Database::deleteRecord(qint64 mainId)
{
    if (Status deleted = deleteForId("DELETE FROM Main WHERE MainID = ?", mainId,
                                     QStringLiteral("Could not delete the record"));
        !deleted)
        return deleted;
    touch();
    if (sqlite3_changes(m_connection->get()) == 0)
        return recordGone(mainId);
    return {};
}

Result<qint64> Database::countMain()
{
    Status status;
    SqlStatement* st = statement("SELECT COUNT(*) FROM Main", &status);
    if (!st)
        return Result<qint64>(status);
    const int rc = st->step();
    const qint64 count = rc == SQLITE_ROW ? st->columnInt64(0) : 0;
    Status s = rc == SQLITE_ROW ? Status() : failure(QStringLiteral("Could not count the records"));
    st->reset();
    if (!s)
        return Result<qint64>(s);
    return count;
}

Result<qint64> Database::sumFileSize()
{
    Status status;
    SqlStatement* st = statement("SELECT COALESCE(SUM(FileSize), 0) FROM Main", &status);
    if (!st)
        return Result<qint64>(status);
    const int rc = st->step();
    const qint64 total = rc == SQLITE_ROW ? st->columnInt64(0) : 0;
    Status s = rc == SQLITE_ROW ? Status() : failure(QStringLiteral("Could not add up the file sizes"));
    st->reset();
    if (!s)
        return Result<qint64>(s);
    return total;
}

void Database::connectTextIndex()
{
    // The index sets itself up on first use with statements of its own,
    // which the guards of user-typed statements would refuse; let it do so
    // beforehand.
    if (hasTextIndex())
        sqlite3_exec(m_connection->get(), "SELECT rowid FROM MainText WHERE rowid = 0", nullptr, nullptr, nullptr);
}

Status Database::engineLimit(int rc)
{
    // The dialect has read the query, so what the engine still refuses to
    // prepare is one of its limits: expression depth, terms, variables, length.
    switch (rc & 0xff) {
    case SQLITE_ERROR:
    case SQLITE_TOOBIG:
    case SQLITE_RANGE:
        return Status::failure(ErrorCode::InvalidQuery,
                               QStringLiteral("The search cannot be run: it holds more conditions than the "
                                              "library's engine can take at once."));
    default:
        return {};
    }
}

Result<std::vector<qint64>> Database::selectKeys(const TranslatedQuery& query)
{
    using R = Result<std::vector<qint64>>;
    if (!isOpen())
        return R(closedFailure());
    sqlite3* db = m_connection->get();
    connectTextIndex();
    SqlStatement st;
    int rc;
    {
        AuthorizerScope guard(db, Guard::ReadMain);
        rc = st.prepare(db, query.keysetSql().toUtf8());
    }
    if (rc != SQLITE_OK) {
        if ((rc & 0xff) == SQLITE_AUTH) {
            return R::failure(ErrorCode::InvalidQuery,
                              QStringLiteral("The search cannot be run: it may only read the records of the library."));
        }
        if (Status limit = engineLimit(rc); !limit)
            return R(limit);
        return R(failure(QStringLiteral("Could not run the search")));
    }
    for (int i = 0; i < query.parameters.size(); ++i)
        st.bind(i + 1, query.parameters[i]);
    std::vector<qint64> keys;
    while ((rc = st.step()) == SQLITE_ROW)
        keys.push_back(st.columnInt64(0));
    if (rc != SQLITE_DONE) {
        const QString detail = m_connection->errorMessage();
        if ((rc & 0xff) == SQLITE_ERROR) // the LIKE function's own complaint
            return R::failure(ErrorCode::InvalidQuery, detail);
        return R(failure(QStringLiteral("Could not run the search")));
    }
    return keys;
}

// ------------------------------------------------------------------- file bytes

Status Database::appendChunk(qint64 mainId, const char* data, qint64 length)
{
    if (!isOpen())
        return closedFailure();
    if (length < 0 || length > kPiece || (length > 0 && !data)) {
        return Status::failure(ErrorCode::InvalidArgument,
                               QStringLiteral("A piece of a file holds 0 to %1 bytes, not %2.").arg(kPiece).arg(length));
    }
    Status status;
    qint64 lastPiece = -1;
    qint64 lastLength = 0;
    {
        SqlStatement* st = statement("SELECT Piece, length(Data) FROM OLE WHERE MainID = ? ORDER BY Piece DESC LIMIT 1", &status);
        if (!st)
            return status;
        st->bindInt64(1, mainId);
        const int rc = st->step();
        if (rc == SQLITE_ROW) {
            lastPiece = st->columnInt64(0);
            lastLength = st->columnInt64(1);
        } else if (rc != SQLITE_DONE) {
            Status s = failure(QStringLiteral("Could not store the file"));
            st->reset();
            return s;
        }
        st->reset();
    }
    if (lastPiece < 0) {
        // Pieces must belong to a record; the file's foreign key is not enforced.
        SqlStatement* st = statement("SELECT 1 FROM Main WHERE MainID = ?", &status);
        if (!st)
            return status;
        st->bindInt64(1, mainId);
        const int rc = st->step();
        st->reset();
        if (rc == SQLITE_DONE)
            return recordGone(mainId);
        if (rc != SQLITE_ROW)
            return failure(QStringLiteral("Could not store the file"));
    }
    if (length == 0)
        return {};

    // Every piece but the last is full, so that an offset finds its piece by
    // division. An append after a short one first tops that one up.
    const qint64 fill = (lastPiece >= 0 && lastLength < kPiece) ? std::min(kPiece - lastLength, length) : 0;
    const bool ownTransaction = m_depth == 0 && fill > 0 && fill < length;
    if (ownTransaction) {
        if (Status s = begin(); !s)
            return s;
    }
    auto done = [&](Status s) {
        if (ownTransaction) {
            if (s)
                s = commit();
            else
                rollback();
        }
        return s;
    };

    if (fill > 0) {
        QByteArray joined;
        {
            SqlStatement* st = statement("SELECT Data FROM OLE WHERE MainID = ? AND Piece = ?", &status);
            if (!st)
                return done(status);
            st->bindInt64(1, mainId);
            st->bindInt64(2, lastPiece);
            if (st->step() != SQLITE_ROW) {
                Status s = failure(QStringLiteral("Could not store the file"));
                st->reset();
                return done(s);
            }
            joined = QByteArray(st->columnBlob(0), st->columnBytes(0));
            st->reset();
        }
        joined.append(data, fill);
        SqlStatement* st = statement("UPDATE OLE SET Data = ? WHERE MainID = ? AND Piece = ?", &status);
        if (!st)
            return done(status);
        st->bindBlobStatic(1, joined.constData(), static_cast<int>(joined.size()));
        st->bindInt64(2, mainId);
        st->bindInt64(3, lastPiece);
        const int rc = st->step();
        st->reset();
        if (rc != SQLITE_DONE)
            return done(failure(QStringLiteral("Could not store the file")));
    }
    if (fill < length) {
        SqlStatement* st = statement("INSERT INTO OLE (MainID, Piece, Data) VALUES (?, ?, ?)", &status);
        if (!st)
            return done(status);
        st->bindInt64(1, mainId);
        st->bindInt64(2, lastPiece + 1);
        st->bindBlobStatic(3, data + fill, static_cast<int>(length - fill));
        const int rc = st->step();
        st->reset();
        if (rc != SQLITE_DONE)
            return done(failure(QStringLiteral("Could not store the file")));
    }
    return done({});
}

Result<qint64> Database::readChunk(qint64 mainId, qint64 offset, qint64 length, char* buffer)
{
    if (!isOpen())
        return Result<qint64>(closedFailure());
    if (offset < 0 || length < 0 || (length > 0 && !buffer))
        return Result<qint64>::failure(ErrorCode::InvalidArgument, QStringLiteral("A read of a stored file needs a place and a size."));
    Status status;
    qint64 copied = 0;
    qint64 piece = offset / kPiece;
    qint64 within = offset % kPiece;
    while (copied < length) {
        SqlStatement* st = statement("SELECT Data FROM OLE WHERE MainID = ? AND Piece = ?", &status);
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
            Status s = failure(QStringLiteral("Could not read the stored file"));
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
                SqlStatement* more = statement("SELECT 1 FROM OLE WHERE MainID = ? AND Piece > ?", &status);
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
                                                       .arg(quoted(m_path)));
                }
            }
            break;
        }
        ++piece;
        within = 0;
    }
    return copied;
}

Result<QByteArray> Database::readStoredFile(qint64 mainId, qint64 size)
{
    if (!isOpen())
        return Result<QByteArray>(closedFailure());
    if (size < 0 || size > std::numeric_limits<int>::max())
        return Result<QByteArray>::failure(ErrorCode::InvalidArgument,
                                           QStringLiteral("A stored file of %1 bytes cannot be read whole.").arg(size));
    Status status;
    SqlStatement* st = statement("SELECT Piece, Data FROM OLE WHERE MainID = ? ORDER BY Piece", &status);
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
    Status failed = readFailed ? failure(QStringLiteral("Could not read the stored file")) : Status();
    st->reset();
    if (readFailed)
        return Result<QByteArray>(failed);
    if (!fits || bytes.size() != size) {
        return Result<QByteArray>::failure(ErrorCode::Damaged,
                                           QStringLiteral("The stored file of record %1 in the library %2 is damaged.")
                                               .arg(mainId)
                                               .arg(quoted(m_path)));
    }
    return bytes;
}

Result<qint64> Database::storedSize(qint64 mainId)
{
    Status status;
    SqlStatement* st = statement("SELECT Piece, length(Data) FROM OLE WHERE MainID = ? ORDER BY Piece DESC LIMIT 1", &status);
    if (!st)
        return Result<qint64>(status);
    st->bindInt64(1, mainId);
    const int rc = st->step();
    qint64 size = 0;
    if (rc == SQLITE_ROW)
        size = st->columnInt64(0) * kPiece + st->columnInt64(1);
    Status s = (rc == SQLITE_ROW || rc == SQLITE_DONE) ? Status() : failure(QStringLiteral("Could not read the stored file"));
    st->reset();
    if (!s)
        return Result<qint64>(s);
    return size;
}

Status Database::checkFileSize(qint64 mainId)
{
    Status status;
    SqlStatement* st = statement("SELECT typeof(FileSize), FileSize FROM Main WHERE MainID = ?", &status);
    if (!st)
        return status;
    st->bindInt64(1, mainId);
    const int rc = st->step();
    if (rc == SQLITE_DONE) {
        st->reset();
        return recordGone(mainId);
    }
    if (rc != SQLITE_ROW) {
        Status s = failure(QStringLiteral("Could not read the record"));
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
                                   .arg(quoted(m_path), text));
    }
    return {};
}

Status Database::removeChunks(qint64 mainId)
{
    return deleteForId("DELETE FROM OLE WHERE MainID = ?", mainId,
                       QStringLiteral("Could not remove the stored file"));
}

bool Database::keepsFileHashes() const
{
    return m_schemaVersion >= SchemaUpgrade::kFileHashVersion;
}

Result<QByteArray> Database::fileHash(qint64 mainId)
{
    if (!keepsFileHashes())
        return QByteArray();
    Status status;
    SqlStatement* st = statement("SELECT Hash FROM OLEHash WHERE MainID = ?", &status);
    if (!st)
        return Result<QByteArray>(status);
    st->bindInt64(1, mainId);
    const int rc = st->step();
    QByteArray hash;
    if (rc == SQLITE_ROW)
        hash = QByteArray(st->columnBlob(0), st->columnBytes(0));
    st->reset();
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        return Result<QByteArray>(failure(QStringLiteral("Could not read the checksum of record %1").arg(mainId)));
    return hash;
}

Status Database::setFileHash(qint64 mainId, const QByteArray& hash)
{
    if (!keepsFileHashes())
        return Status::failure(ErrorCode::ReadOnly, QStringLiteral("This library keeps no checksums."));
    Status status;
    SqlStatement* st = statement("INSERT OR REPLACE INTO OLEHash (MainID, Hash) VALUES (?, ?)", &status);
    if (!st)
        return status;
    st->bindInt64(1, mainId);
    st->bindBlobStatic(2, hash.constData(), static_cast<int>(hash.size()));
    const int rc = st->step();
    st->reset();
    if (rc != SQLITE_DONE)
        return failure(QStringLiteral("Could not store the checksum of record %1").arg(mainId));
    return {};
}

Result<std::vector<qint64>> Database::recordsWithoutHash()
{
    using R = Result<std::vector<qint64>>;
    const char* sql = keepsFileHashes()
                          ? "SELECT MainID FROM Main WHERE MainID NOT IN (SELECT MainID FROM OLEHash) ORDER BY MainID"
                          : "SELECT MainID FROM Main ORDER BY MainID";
    Status status;
    SqlStatement* st = statement(sql, &status);
    if (!st)
        return R(status);
    std::vector<qint64> ids;
    int rc;
    while ((rc = st->step()) == SQLITE_ROW)
        ids.push_back(st->columnInt64(0));
    st->reset();
    if (rc != SQLITE_DONE)
        return R(failure(QStringLiteral("Could not list the records")));
    return ids;
}

// ------------------------------------------------------------------- statements and upkeep

Result<qint64> Database::execute(const QString& text)
{
    if (!isOpen())
        return Result<qint64>(closedFailure());
    Result<TranslatedQuery> query = QueryDialect::translate(text);
    if (!query)
        return Result<qint64>(query.status());
    if (query->kind != TranslatedQuery::Kind::Delete) {
        return Result<qint64>::failure(ErrorCode::InvalidQuery,
                                       QStringLiteral("Only a DELETE statement can be executed on the library."));
    }
    if (isReadOnly()) {
        return Result<qint64>::failure(ErrorCode::ReadOnly,
                                       QStringLiteral("The library %1 is read-only; nothing was deleted.").arg(quoted(m_path)));
    }
    sqlite3* db = m_connection->get();
    // Its delete trigger writes to the index.
    connectTextIndex();
    SqlStatement st;
    int rc;
    {
        AuthorizerScope guard(db, Guard::DeleteMain);
        rc = st.prepare(db, query->deleteSql().toUtf8());
    }
    if (rc != SQLITE_OK) {
        if ((rc & 0xff) == SQLITE_AUTH)
            return Result<qint64>::failure(ErrorCode::InvalidQuery, QStringLiteral("The statement may only delete records of the library."));
        if (Status limit = engineLimit(rc); !limit)
            return Result<qint64>(limit);
        return Result<qint64>(failure(QStringLiteral("Could not delete the records")));
    }
    for (int i = 0; i < query->parameters.size(); ++i)
        st.bind(i + 1, query->parameters[i]);
    if (Status s = begin(); !s)
        return Result<qint64>(s);
    rc = st.step();
    const qint64 changed = sqlite3_changes64(db);
    if (rc != SQLITE_DONE) {
        const QString detail = m_connection->errorMessage();
        Status s = (rc & 0xff) == SQLITE_ERROR ? Status::failure(ErrorCode::InvalidQuery, detail)
                                               : failure(QStringLiteral("Could not delete the records"));
        st.finalize();
        rollback();
        return Result<qint64>(s);
    }
    st.finalize();
    touch();
    if (Status s = commit(); !s)
        return Result<qint64>(s);
    return changed;
}

Status Database::compactTo(const QString& targetPath)
{
    if (!isOpen())
        return closedFailure();
    if (m_depth > 0)
        return Status::failure(ErrorCode::InvalidArgument, QStringLiteral("A library cannot be compacted while changes are being saved."));
    const QFileInfo target(targetPath);
    if (target.exists() && target.size() > 0) {
        return Status::failure(ErrorCode::Io, QStringLiteral("Could not compact the library: %1 already exists.").arg(quoted(targetPath)));
    }
    const bool existed = target.exists();
    SqlStatement st;
    if (st.prepare(m_connection->get(), "VACUUM INTO ?") != SQLITE_OK)
        return failure(QStringLiteral("Could not compact"));
    st.bindText(1, targetPath);
    const int rc = st.step();
    st.finalize();
    if (rc != SQLITE_DONE) {
        Status s = failure(QStringLiteral("Could not compact"));
        if (!existed)
            QFile::remove(targetPath);
        return s;
    }
    // VACUUM INTO does not sync what it wrote; the caller renames the copy
    // over the library next, so it must be on disk first.
    if (!DiskSync::syncFile(targetPath) || !DiskSync::syncFolder(target.absolutePath())) {
        QFile::remove(targetPath);
        return Status::failure(ErrorCode::Io, QStringLiteral("Could not write the compacted library %1 to disk.").arg(quoted(targetPath)));
    }
    return {};
}

void Database::dropStatements()
{
    for (SqlStatement* st : std::as_const(m_statements))
        delete st;
    m_statements.clear();
}

Status Database::engineFailure(const QString& doing, sqlite3* other, int rc) const
{
    const int error = other ? sqlite3_system_errno(other) : 0;
    switch (codeFor(rc)) {
    case ErrorCode::InUse:
        return Status::failure(ErrorCode::InUse, QStringLiteral("%1: the library %2 is in use by another program. "
                                                                "Try again when it has been closed there.")
                                                     .arg(doing, quoted(m_path)));
    case ErrorCode::DiskFull:
        return Status::failure(ErrorCode::DiskFull, QStringLiteral("%1: %2").arg(doing, FileErrorText::forErrno(ENOSPC)));
    default:
        break;
    }
    if (error != 0) {
        return Status::failure(FileErrorText::codeFor(error),
                               QStringLiteral("%1: %2").arg(doing, FileErrorText::forErrno(error)));
    }
    const QString detail = other ? QString::fromUtf8(sqlite3_errmsg(other)) : QString::fromUtf8(sqlite3_errstr(rc));
    return Status::failure(codeFor(rc), QStringLiteral("%1: %2.").arg(doing, detail));
}

Status Database::compactInPlace(const QString& scratchPath, Progress& progress)
{
    if (!isOpen())
        return closedFailure();
    if (!m_options.exclusive || isReadOnly() || m_depth > 0) {
        return Status::failure(ErrorCode::InvalidArgument,
                               QStringLiteral("The library %1 can only be compacted when it is open for this program "
                                              "alone and nothing is being saved.")
                                   .arg(quoted(m_path)));
    }
    const QString doing = QStringLiteral("Could not compact the library %1").arg(quoted(m_path));
    // A cached statement left stepping would hold a read transaction open,
    // and the copy back needs none.
    dropStatements();
    sqlite3* db = m_connection->get();
    progress.setPercent(0);
    if (int rc = FreePageReclaimer::turnOnForNextVacuum(db); rc != SQLITE_OK)
        return engineFailure(doing, db, rc);
    {
        SqlStatement st;
        if (int rc = st.prepare(db, "VACUUM INTO ?"); rc != SQLITE_OK)
            return engineFailure(doing, db, rc);
        st.bindText(1, scratchPath);
        if (int rc = st.step(); rc != SQLITE_DONE)
            return engineFailure(doing, db, rc);
    }
    progress.setPercent(40);

    // The copy back: one write transaction on the library, whose journal
    // brings the old file back should anything stop it halfway.
    SqlConnection compacted;
    if (int rc = compacted.open(scratchPath, SQLITE_OPEN_READONLY); rc != SQLITE_OK)
        return engineFailure(doing, compacted.get(), rc);
    sqlite3_backup* backup = sqlite3_backup_init(db, "main", compacted.get(), "main");
    if (!backup)
        return engineFailure(doing, db, sqlite3_errcode(db));
    constexpr int kPagesPerStep = 64; // 4 MiB of 64 KiB pages
    int rc;
    int shown = 40;
    while ((rc = sqlite3_backup_step(backup, kPagesPerStep)) == SQLITE_OK) {
        const int total = sqlite3_backup_pagecount(backup);
        const int left = sqlite3_backup_remaining(backup);
        const int percent = total > 0 ? 40 + (total - left) * 59 / total : 99;
        if (percent != shown) {
            shown = percent;
            progress.setPercent(percent);
        }
    }
    // Finishing an unfinished backup rolls the library back.
    sqlite3_backup_finish(backup);
    touch();
    if (rc != SQLITE_DONE)
        return engineFailure(doing, db, rc);
    progress.setPercent(100);
    return {};
}

bool Database::reclaimsFreePages() const
{
    return isOpen() && FreePageReclaimer::appliesTo(m_connection->get());
}

Status Database::reclaimFreePages(Progress& progress)
{
    if (!isOpen())
        return closedFailure();
    if (!m_options.exclusive || isReadOnly() || m_depth > 0 || !reclaimsFreePages()) {
        return Status::failure(ErrorCode::InvalidArgument,
                               QStringLiteral("The free space of the library %1 can only be given back when it is "
                                              "open for this program alone, nothing is being saved and it keeps "
                                              "incremental auto-vacuum.")
                                   .arg(quoted(m_path)));
    }
    dropStatements();
    sqlite3* db = m_connection->get();
    FreePageReclaimer reclaimer(db);
    const int rc = reclaimer.run(progress, 0, 100);
    touch();
    if (rc != SQLITE_OK)
        return engineFailure(QStringLiteral("Could not compact the library %1").arg(quoted(m_path)), db, rc);
    return {};
}

Status Database::snapshotTo(const QString& targetPath, Progress& progress)
{
    if (!isOpen())
        return closedFailure();
    const QString doing = QStringLiteral("Could not copy the library %1 to %2").arg(quoted(m_path), quoted(targetPath));
    dropStatements();
    sqlite3* db = m_connection->get();
    const bool ownTransaction = m_depth == 0;
    // One read transaction for the whole copy: every page comes from the
    // same committed state, and no other program can commit meanwhile.
    if (ownTransaction) {
        if (int rc = sqlite3_exec(db, "BEGIN; SELECT COUNT(*) FROM Config", nullptr, nullptr, nullptr); rc != SQLITE_OK) {
            Status s = engineFailure(doing, db, rc);
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            return s;
        }
    }
    auto endRead = [&] {
        if (ownTransaction)
            sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    };

    SqlConnection target;
    int rc = target.open(targetPath, SQLITE_OPEN_READWRITE);
    if (rc == SQLITE_OK) {
        // Nothing to roll back in a file that is not anyone's yet; it is
        // synced whole at the end.
        rc = sqlite3_exec(target.get(), "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF", nullptr, nullptr, nullptr);
    }
    if (rc != SQLITE_OK) {
        Status s = engineFailure(doing, target.get(), rc);
        endRead();
        return s;
    }
    sqlite3_backup* backup = sqlite3_backup_init(target.get(), "main", db, "main");
    if (!backup) {
        Status s = engineFailure(doing, target.get(), sqlite3_errcode(target.get()));
        endRead();
        return s;
    }
    constexpr int kPagesPerStep = 64;
    int shown = 0;
    progress.setPercent(0);
    while ((rc = sqlite3_backup_step(backup, kPagesPerStep)) == SQLITE_OK) {
        const int total = sqlite3_backup_pagecount(backup);
        const int left = sqlite3_backup_remaining(backup);
        const int percent = total > 0 ? (total - left) * 99 / total : 99;
        if (percent != shown) {
            shown = percent;
            progress.setPercent(percent);
        }
    }
    sqlite3_backup_finish(backup);
    Status result = rc == SQLITE_DONE ? Status() : engineFailure(doing, target.get(), rc);
    target.close();
    endRead();
    if (!result)
        return result;
    if (!DiskSync::syncFile(targetPath)) {
        return Status::failure(ErrorCode::Io, QStringLiteral("%1: %2").arg(doing, FileErrorText::forErrno(errno)));
    }
    progress.setPercent(100);
    return {};
}

Status Database::compactFile(const QString& sourcePath, const QString& targetPath)
{
    OpenOptions options;
    options.exclusive = false;
    options.readOnly = true;
    Result<std::shared_ptr<Database>> source = open(sourcePath, options);
    if (!source)
        return source.status();
    return (*source)->compactTo(targetPath);
}

void Database::idle()
{
    if (!isOpen())
        return;
    // A statement left un-reset holds a read lock that keeps writers out.
    for (SqlStatement* st : std::as_const(m_statements))
        st->reset();
    if (m_options.exclusive || m_depth > 0)
        return;
    Status status;
    if (SqlStatement* st = statement("PRAGMA data_version", &status)) {
        if (st->step() == SQLITE_ROW) {
            const qint64 version = st->columnInt64(0);
            if (version != m_dataVersion) {
                m_dataVersion = version;
                touch();
            }
        }
        st->reset();
    }
}

} // namespace zentaro
