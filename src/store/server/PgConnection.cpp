#include "store/server/PgConnection.h"

#include <QTimeZone>

#include <libpq-fe.h>

#include <vector>

namespace zentaro {

namespace {

constexpr unsigned kByteaType = 17;
// lz4 compression of a column came with PostgreSQL 14.
constexpr int kOldestServer = 140000;

// The first line of a libpq message, without the "connection to server ...
// failed:" that only repeats the address.
QString causeOf(const char* message)
{
    QString text = QString::fromUtf8(message).trimmed();
    text = text.section(QLatin1Char('\n'), 0, 0).trimmed();
    const int failed = text.indexOf(QLatin1String(" failed: "));
    if (text.startsWith(QLatin1String("connection to server")) && failed > 0)
        text = text.mid(failed + 9).trimmed();
    if (text.startsWith(QLatin1String("FATAL:")))
        text = text.mid(6).trimmed();
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}

} // namespace

PgConnection::PgConnection(ServerAddress address, pg_conn* connection)
    : m_address(std::move(address)), m_connection(connection)
{
}

PgConnection::~PgConnection()
{
    if (m_connection)
        PQfinish(m_connection);
}

QString PgConnection::quotedName() const
{
    return QStringLiteral("\"%1\"").arg(m_address.display());
}

Result<std::unique_ptr<PgConnection>> PgConnection::connect(const ServerAddress& address)
{
    using R = Result<std::unique_ptr<PgConnection>>;
    std::vector<QByteArray> keys;
    std::vector<QByteArray> values;
    bool hasTimeout = false;
    for (const auto& option : address.options()) {
        if (option.first == "client_encoding")
            continue;
        hasTimeout = hasTimeout || option.first == "connect_timeout";
        keys.push_back(option.first);
        values.push_back(option.second);
    }
    // An unreachable server is reported in seconds, not after the system's
    // own minutes-long timeout.
    if (!hasTimeout) {
        keys.push_back("connect_timeout");
        values.push_back("10");
    }
    keys.push_back("client_encoding");
    values.push_back("UTF8");
    keys.push_back("fallback_application_name");
    values.push_back("zentaro");
    std::vector<const char*> keyPointers;
    std::vector<const char*> valuePointers;
    for (size_t i = 0; i < keys.size(); ++i) {
        keyPointers.push_back(keys[i].constData());
        valuePointers.push_back(values[i].constData());
    }
    keyPointers.push_back(nullptr);
    valuePointers.push_back(nullptr);

    pg_conn* raw = PQconnectdbParams(keyPointers.data(), valuePointers.data(), 0);
    std::unique_ptr<PgConnection> connection(new PgConnection(address, raw));
    const QString name = connection->quotedName();
    if (!raw) {
        return R::failure(ErrorCode::Engine,
                          QStringLiteral("The library %1 cannot be opened: out of memory.").arg(name));
    }
    if (PQstatus(raw) != CONNECTION_OK) {
        const QString cause = causeOf(PQerrorMessage(raw));
        const QString user = address.user().isEmpty() ? QString() : QStringLiteral(" \"%1\"").arg(address.user());
        if (cause.contains(QLatin1String("password authentication failed")) ||
            cause.contains(QLatin1String("no password supplied")) ||
            cause.contains(QLatin1String("authentication failed")) ||
            (cause.startsWith(QLatin1String("role ")) && cause.contains(QLatin1String("does not exist")))) {
            return R::failure(ErrorCode::WrongPassword,
                              QStringLiteral("The server of the library %1 refused the user name%2 or its "
                                             "password (%3). Check both and try again.")
                                  .arg(name, user, cause));
        }
        if (cause.startsWith(QLatin1String("database ")) && cause.contains(QLatin1String("does not exist"))) {
            return R::failure(ErrorCode::NotFound,
                              QStringLiteral("The library %1 was not found: the server has no database \"%2\".")
                                  .arg(name, address.database()));
        }
        if (cause.contains(QLatin1String("pg_hba.conf")) || cause.contains(QLatin1String("permission denied"))) {
            return R::failure(ErrorCode::AccessDenied,
                              QStringLiteral("The server of the library %1 does not let this user or computer "
                                             "in (%2).")
                                  .arg(name, cause));
        }
        return R::failure(ErrorCode::Unreadable,
                          QStringLiteral("The server of the library %1 cannot be reached (%2).").arg(name, cause));
    }
    // The server's notices ("... does not exist, skipping") are no business
    // of the user's terminal.
    PQsetNoticeProcessor(raw, [](void*, const char*) {}, nullptr);
    if (PQserverVersion(raw) < kOldestServer) {
        return R::failure(ErrorCode::Unreadable,
                          QStringLiteral("The server of the library %1 runs PostgreSQL %2; a library needs "
                                         "PostgreSQL 14 or later.")
                              .arg(name, QString::fromUtf8(PQparameterStatus(raw, "server_version"))));
    }
    // Dates travel as local-time text, like in a library file.
    PgResult settings = connection->exec("SELECT set_config('DateStyle', 'ISO, YMD', false)");
    if (!settings.ok())
        return R(connection->failure(QStringLiteral("Could not set up the session"), settings));
    const QByteArray zone = QTimeZone::systemTimeZoneId();
    if (!zone.isEmpty()) {
        // A zone the server does not know leaves the server's own.
        connection->exec("SELECT set_config('TimeZone', $1, false)", {QString::fromUtf8(zone)});
    }
    return R(std::move(connection));
}

PgResult PgConnection::exec(const char* sql, const QVariantList& params, bool binaryResults)
{
    const int n = static_cast<int>(params.size());
    std::vector<QByteArray> storage(static_cast<size_t>(n));
    std::vector<const char*> values(static_cast<size_t>(n), nullptr);
    std::vector<int> lengths(static_cast<size_t>(n), 0);
    std::vector<int> formats(static_cast<size_t>(n), 0);
    std::vector<Oid> types(static_cast<size_t>(n), 0);
    for (int i = 0; i < n; ++i) {
        const QVariant& v = params[i];
        const auto at = static_cast<size_t>(i);
        if (!v.isValid())
            continue;
        if (v.typeId() == QMetaType::QByteArray) {
            storage[at] = v.toByteArray();
            formats[at] = 1;
            types[at] = kByteaType;
        } else if (v.typeId() == QMetaType::Bool) {
            storage[at] = v.toBool() ? "true" : "false";
        } else {
            storage[at] = v.toString().toUtf8();
        }
        values[at] = storage[at].constData();
        lengths[at] = static_cast<int>(storage[at].size());
    }
    return PgResult(PQexecParams(m_connection, sql, n, types.data(), values.data(), lengths.data(), formats.data(),
                                 binaryResults ? 1 : 0));
}

PgResult PgConnection::run(const char* sql)
{
    return PgResult(PQexec(m_connection, sql));
}

ErrorCode PgConnection::codeFor(const QByteArray& sqlState)
{
    if (sqlState.startsWith("08") || sqlState == "57P01" || sqlState == "57P02" || sqlState == "57P03")
        return ErrorCode::Io;
    if (sqlState == "40001" || sqlState == "40P01" || sqlState == "55P03" || sqlState == "55006")
        return ErrorCode::InUse;
    if (sqlState == "25006")
        return ErrorCode::ReadOnly;
    if (sqlState.startsWith("53"))
        return ErrorCode::DiskFull;
    if (sqlState == "57014")
        return ErrorCode::Cancelled;
    if (sqlState == "42501")
        return ErrorCode::AccessDenied;
    if (sqlState == "28P01" || sqlState == "28000")
        return ErrorCode::WrongPassword;
    if (sqlState == "3D000")
        return ErrorCode::NotFound;
    if (sqlState == "XX001" || sqlState == "XX002")
        return ErrorCode::Damaged;
    if (sqlState.startsWith("22") || sqlState.startsWith("23"))
        return ErrorCode::InvalidArgument;
    return ErrorCode::Engine;
}

Status PgConnection::failure(const QString& doing, const PgResult& result) const
{
    const QString name = quotedName();
    if (isLost()) {
        return Status::failure(ErrorCode::Io,
                               QStringLiteral("%1: the connection to the server of the library %2 was lost (%3). "
                                              "Nothing of the unfinished change was kept; open the library again "
                                              "when the server can be reached.")
                                   .arg(doing, name, causeOf(PQerrorMessage(m_connection))));
    }
    const ErrorCode code = codeFor(result.sqlState());
    QString detail = result.errorText();
    if (detail.isEmpty())
        detail = causeOf(PQerrorMessage(m_connection));
    switch (code) {
    case ErrorCode::Io:
        return Status::failure(code, QStringLiteral("%1: the server of the library %2 went away (%3).")
                                         .arg(doing, name, detail));
    case ErrorCode::InUse:
        return Status::failure(code, QStringLiteral("%1: the library %2 is in use by another user. Try again in a moment.")
                                         .arg(doing, name));
    case ErrorCode::ReadOnly:
        return Status::failure(code, QStringLiteral("%1: the library %2 is read-only.").arg(doing, name));
    case ErrorCode::DiskFull:
        return Status::failure(code, QStringLiteral("%1: the server of the library %2 has run out of room (%3).")
                                         .arg(doing, name, detail));
    case ErrorCode::Cancelled:
        return Status::failure(code, QStringLiteral("%1: cancelled.").arg(doing));
    case ErrorCode::AccessDenied:
        return Status::failure(code, QStringLiteral("%1: the server of the library %2 does not allow it (%3).")
                                         .arg(doing, name, detail));
    default:
        return Status::failure(code, QStringLiteral("%1 in the library %2: %3.").arg(doing, name, detail));
    }
}

bool PgConnection::isLost() const
{
    return !m_connection || PQstatus(m_connection) != CONNECTION_OK;
}

bool PgConnection::inTransaction() const
{
    const PGTransactionStatusType status = PQtransactionStatus(m_connection);
    return status == PQTRANS_INTRANS || status == PQTRANS_INERROR || status == PQTRANS_ACTIVE;
}

bool PgConnection::inFailedTransaction() const
{
    return PQtransactionStatus(m_connection) == PQTRANS_INERROR;
}

int PgConnection::serverVersion() const
{
    return PQserverVersion(m_connection);
}

} // namespace zentaro
