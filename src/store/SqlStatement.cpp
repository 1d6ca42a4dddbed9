#include "store/SqlStatement.h"

#include "store/DateText.h"

#include <sqlite3.h>

namespace zentaro {

SqlStatement::~SqlStatement()
{
    finalize();
}

int SqlStatement::prepare(sqlite3* db, const QByteArray& sql, bool persistent)
{
    finalize();
    return sqlite3_prepare_v3(db, sql.constData(), static_cast<int>(sql.size()),
                              persistent ? SQLITE_PREPARE_PERSISTENT : 0, &m_stmt, nullptr);
}

void SqlStatement::finalize()
{
    if (m_stmt) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
    }
}

void SqlStatement::bindNull(int position)
{
    sqlite3_bind_null(m_stmt, position);
}

void SqlStatement::bindInt64(int position, qint64 value)
{
    sqlite3_bind_int64(m_stmt, position, value);
}

void SqlStatement::bindText(int position, const QString& value)
{
    const QByteArray utf8 = value.toUtf8();
    sqlite3_bind_text64(m_stmt, position, utf8.constData(), static_cast<sqlite3_uint64>(utf8.size()),
                        SQLITE_TRANSIENT, SQLITE_UTF8);
}

void SqlStatement::bindBlobStatic(int position, const char* data, int length)
{
    // A zero-length blob needs a non-null pointer to stay a blob, not NULL.
    static const char empty = 0;
    sqlite3_bind_blob(m_stmt, position, data ? data : &empty, length, SQLITE_STATIC);
}

void SqlStatement::bind(int position, const QVariant& value)
{
    if (!value.isValid() || value.isNull()) {
        bindNull(position);
        return;
    }
    switch (value.typeId()) {
    case QMetaType::Bool:
        bindInt64(position, value.toBool() ? 1 : 0);
        break;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
        bindInt64(position, value.toLongLong());
        break;
    case QMetaType::Double:
    case QMetaType::Float:
        sqlite3_bind_double(m_stmt, position, value.toDouble());
        break;
    case QMetaType::QDateTime:
        // Never Qt's ISO text: the library's dates compare as stored text.
        bindText(position, DateText::toText(value.toDateTime()));
        break;
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        sqlite3_bind_blob64(m_stmt, position, bytes.constData(),
                            static_cast<sqlite3_uint64>(bytes.size()), SQLITE_TRANSIENT);
        break;
    }
    default:
        bindText(position, value.toString());
        break;
    }
}

int SqlStatement::parameterCount() const
{
    return sqlite3_bind_parameter_count(m_stmt);
}

int SqlStatement::step()
{
    return sqlite3_step(m_stmt);
}

void SqlStatement::reset()
{
    if (m_stmt) {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
}

bool SqlStatement::isNull(int column) const
{
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

qint64 SqlStatement::columnInt64(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

QString SqlStatement::columnText(int column) const
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
    const int bytes = sqlite3_column_bytes(m_stmt, column);
    return text ? QString::fromUtf8(text, bytes) : QString();
}

const char* SqlStatement::columnBlob(int column) const
{
    return static_cast<const char*>(sqlite3_column_blob(m_stmt, column));
}

int SqlStatement::columnBytes(int column) const
{
    return sqlite3_column_bytes(m_stmt, column);
}

} // namespace zentaro
