#include "store/server/PgResult.h"

#include <QtEndian>

#include <libpq-fe.h>

#include <cstring>

namespace zentaro {

PgResult::~PgResult()
{
    if (m_result)
        PQclear(m_result);
}

PgResult& PgResult::operator=(PgResult&& other) noexcept
{
    if (this != &other) {
        if (m_result)
            PQclear(m_result);
        m_result = other.m_result;
        other.m_result = nullptr;
    }
    return *this;
}

bool PgResult::ok() const
{
    if (!m_result)
        return false;
    const ExecStatusType status = PQresultStatus(m_result);
    return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
}

int PgResult::rows() const
{
    return m_result ? PQntuples(m_result) : 0;
}

bool PgResult::isNull(int row, int column) const
{
    return !m_result || PQgetisnull(m_result, row, column);
}

QString PgResult::text(int row, int column) const
{
    if (isNull(row, column))
        return {};
    return QString::fromUtf8(PQgetvalue(m_result, row, column), PQgetlength(m_result, row, column));
}

qint64 PgResult::number(int row, int column) const
{
    if (isNull(row, column))
        return 0;
    const char* value = PQgetvalue(m_result, row, column);
    if (PQfformat(m_result, column) == 0)
        return QByteArray(value, PQgetlength(m_result, row, column)).toLongLong();
    switch (PQgetlength(m_result, row, column)) {
    case 2: return qFromBigEndian<qint16>(value);
    case 4: return qFromBigEndian<qint32>(value);
    case 8: return qFromBigEndian<qint64>(value);
    default: return 0;
    }
}

QByteArray PgResult::bytes(int row, int column) const
{
    if (isNull(row, column))
        return {};
    return QByteArray(PQgetvalue(m_result, row, column), PQgetlength(m_result, row, column));
}

qint64 PgResult::affected() const
{
    return m_result ? QByteArray(PQcmdTuples(m_result)).toLongLong() : 0;
}

QByteArray PgResult::sqlState() const
{
    if (!m_result)
        return {};
    const char* state = PQresultErrorField(m_result, PG_DIAG_SQLSTATE);
    return state ? QByteArray(state) : QByteArray();
}

QString PgResult::errorText() const
{
    if (!m_result)
        return {};
    const char* primary = PQresultErrorField(m_result, PG_DIAG_MESSAGE_PRIMARY);
    if (primary)
        return QString::fromUtf8(primary).trimmed();
    return QString::fromUtf8(PQresultErrorMessage(m_result)).trimmed();
}

} // namespace zentaro
