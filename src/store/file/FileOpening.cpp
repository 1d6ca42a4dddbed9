#include "store/file/FileOpening.h"

#include "store/LibraryFile.h"
#include "store/LikePattern.h"
#include "store/SchemaUpgrade.h"
#include "store/SqlConnection.h"
#include "store/SqlStatement.h"
#include "store/file/FileConnection.h"
#include "store/file/SqliteFlavour.h"

#include <QList>

#include <sqlite3.h>

namespace zentaro {

namespace {

// Page cache per connection: enough for the b-tree interiors and a list's
// rows; the file bytes stream through it, so it also bounds memory use.
constexpr int kCacheKiB = 4096;

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

} // namespace

FileOpening::FileOpening(FileConnection& connection) : m_c(connection) {}

Status FileOpening::openConnection()
{
    SqlConnection& connection = m_c.renew();
    const int flags = (m_c.options().readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_FULLMUTEX;
    const int rc = connection.open(m_c.path(), flags);
    if (rc != SQLITE_OK) {
        return Status::failure(ErrorCode::Unreadable, QStringLiteral("The library %1 cannot be opened: %2.")
                                                          .arg(FileConnection::quoted(m_c.path()), m_c.errorMessage()));
    }
    sqlite3* db = m_c.handle();
    sqlite3_busy_timeout(db, std::max(0, m_c.options().busyTimeoutMs));
    // A library file is user data: its schema gets no say over what runs.
    sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, nullptr);
    sqlite3_create_function_v2(db, SqliteFlavour::kLikeFunction, 2,
                               SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                               likeFunction, nullptr, nullptr, nullptr);

    // Connection settings. Some of them read the schema, which is where a
    // locked file or one that is no library shows first.
    QList<QByteArray> settings;
    if (m_c.options().exclusive)
        settings << "PRAGMA locking_mode = EXCLUSIVE";
    settings << QByteArray("PRAGMA cache_size = -") + QByteArray::number(kCacheKiB) << "PRAGMA synchronous = FULL"
             << "PRAGMA temp_store = MEMORY" << "PRAGMA foreign_keys = OFF";
    for (const QByteArray& sql : std::as_const(settings)) {
        if (int set = sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr); set != SQLITE_OK)
            return openFailure(set);
    }
    return {};
}

Status FileOpening::openFailure(int rc) const
{
    const QString name = FileConnection::quoted(m_c.path());
    const QString detail = m_c.errorMessage();
    switch (FileConnection::codeFor(rc)) {
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

Status FileOpening::checkLibrary()
{
    sqlite3* db = m_c.handle();
    const QString name = FileConnection::quoted(m_c.path());

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
    m_c.setSchemaVersion(static_cast<int>(version));
    if (writable && m_c.options().upgrade) {
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
    if (m_c.options().exclusive && writable) {
        const int rc = sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK)
            return openFailure(rc);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    }
    qint64 dataVersion = 0;
    if (single("PRAGMA data_version", &dataVersion) == SQLITE_OK)
        m_c.setDataVersion(dataVersion);
    return {};
}

Status FileOpening::upgradeSchema()
{
    if (!m_c.isOpen())
        return m_c.closedFailure();
    if (m_c.schemaVersion() >= SchemaUpgrade::latestVersion())
        return {};
    if (m_c.isReadOnly()) {
        return Status::failure(ErrorCode::ReadOnly,
                               QStringLiteral("The library %1 is read-only and cannot be brought up to date.")
                                   .arg(FileConnection::quoted(m_c.path())));
    }
    if (m_c.depth() > 0) {
        return Status::failure(ErrorCode::InvalidArgument,
                               QStringLiteral("A library cannot be brought up to date while changes are being saved."));
    }
    // A statement left stepping would keep the upgrade's transaction out.
    m_c.resetStatements();
    Status upgraded = SchemaUpgrade::run(m_c.handle(), m_c.schemaVersion(), m_c.path());
    m_c.setUpgradeWaitsForSpace(upgraded.code() == ErrorCode::DiskFull);
    if (!upgraded)
        return upgraded;
    m_c.setSchemaVersion(SchemaUpgrade::latestVersion());
    m_c.touch();
    return {};
}

} // namespace zentaro
