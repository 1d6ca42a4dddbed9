#include "store/file/FileConnection.h"

#include "core/FileErrorText.h"

#include "store/SchemaUpgrade.h"
#include "store/SqlConnection.h"
#include "store/SqlStatement.h"

#include <sqlite3.h>

#include <cerrno>

namespace zentaro {

FileConnection::FileConnection(QString path, OpenOptions options)
    : m_path(std::move(path)), m_options(options)
{
}

FileConnection::~FileConnection()
{
    close();
}

QString FileConnection::quoted(const QString& path)
{
    return QStringLiteral("\"%1\"").arg(path);
}

SqlConnection& FileConnection::renew()
{
    dropStatements();
    m_connection = std::make_unique<SqlConnection>();
    return *m_connection;
}

sqlite3* FileConnection::handle() const
{
    return m_connection ? m_connection->get() : nullptr;
}

QString FileConnection::errorMessage() const
{
    return m_connection ? m_connection->errorMessage() : QString();
}

Status FileConnection::closedFailure() const
{
    return Status::failure(ErrorCode::Engine, QStringLiteral("The library %1 is closed.").arg(quoted(m_path)));
}

void FileConnection::resetStatements()
{
    for (SqlStatement* st : std::as_const(m_statements))
        st->reset();
}

void FileConnection::close()
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

bool FileConnection::isOpen() const
{
    return m_connection && m_connection->get();
}

bool FileConnection::isReadOnly() const
{
    return !isOpen() || m_options.readOnly || sqlite3_db_readonly(m_connection->get(), "main") == 1;
}

bool FileConnection::hasTextIndex() const
{
    return m_schemaVersion >= SchemaUpgrade::kTextIndexVersion;
}

bool FileConnection::textIndexUsable() const
{
    return m_schemaVersion >= SchemaUpgrade::kUnseenTextVersion;
}

bool FileConnection::keepsFileHashes() const
{
    return m_schemaVersion >= SchemaUpgrade::kFileHashVersion;
}

Status FileConnection::failure(const QString& doing) const
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

Status FileConnection::exec(const char* sql)
{
    if (!isOpen())
        return closedFailure();
    if (sqlite3_exec(m_connection->get(), sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        return failure(QStringLiteral("Could not run \"%1\"").arg(QLatin1String(sql)));
    return {};
}

SqlStatement* FileConnection::statement(const char* sql, Status* status)
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

Status FileConnection::begin()
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

Status FileConnection::commit()
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

Status FileConnection::rollback()
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

Status FileConnection::deleteForId(const char* sql, qint64 mainId, const QString& doing)
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

Status FileConnection::recordGone(qint64 mainId)
{
    return Status::failure(ErrorCode::NotFound,
                           QStringLiteral("Record %1 is no longer in the library.").arg(mainId));
}

void FileConnection::connectTextIndex()
{
    // The index sets itself up on first use with statements of its own,
    // which the guards of user-typed statements would refuse; let it do so
    // beforehand.
    if (hasTextIndex())
        sqlite3_exec(m_connection->get(), "SELECT rowid FROM MainText WHERE rowid = 0", nullptr, nullptr, nullptr);
}

void FileConnection::dropStatements()
{
    for (SqlStatement* st : std::as_const(m_statements))
        delete st;
    m_statements.clear();
}

Status FileConnection::engineFailure(const QString& doing, sqlite3* other, int rc) const
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

void FileConnection::idle()
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

ErrorCode FileConnection::codeFor(int rc)
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

} // namespace zentaro
