#include "store/SqlConnection.h"

#include <sqlite3.h>

namespace zentaro {

SqlConnection::~SqlConnection()
{
    close();
}

int SqlConnection::open(const QString& path, int flags)
{
    close();
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &m_handle, flags, nullptr);
    if (m_handle)
        sqlite3_extended_result_codes(m_handle, 1);
    return rc;
}

void SqlConnection::close()
{
    if (!m_handle)
        return;
    // Every statement is finalized by its owner first; close_v2 keeps us
    // safe should one be left behind.
    sqlite3_close_v2(m_handle);
    m_handle = nullptr;
}

int SqlConnection::errorCode() const
{
    return m_handle ? sqlite3_extended_errcode(m_handle) : SQLITE_NOMEM;
}

QString SqlConnection::errorMessage() const
{
    return m_handle ? QString::fromUtf8(sqlite3_errmsg(m_handle)) : QStringLiteral("out of memory");
}

} // namespace zentaro
