#include "store/file/GuardedStatements.h"

#include "store/QueryDialect.h"
#include "store/SqlStatement.h"
#include "store/TextIndex.h"
#include "store/file/FileConnection.h"
#include "store/file/SqliteFlavour.h"

#include <sqlite3.h>

namespace zentaro {

namespace {

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
        return sameName(b, SqliteFlavour::kLikeFunction) || sameName(b, "match") || sameName(b, "instr") ||
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

} // namespace

GuardedStatements::GuardedStatements(FileConnection& connection) : m_c(connection) {}

Status GuardedStatements::engineLimit(int rc)
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

Result<std::vector<qint64>> GuardedStatements::selectKeys(const TranslatedQuery& query)
{
    using R = Result<std::vector<qint64>>;
    if (!m_c.isOpen())
        return R(m_c.closedFailure());
    sqlite3* db = m_c.handle();
    m_c.connectTextIndex();
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
        return R(m_c.failure(QStringLiteral("Could not run the search")));
    }
    for (int i = 0; i < query.parameters.size(); ++i)
        st.bind(i + 1, query.parameters[i]);
    std::vector<qint64> keys;
    while ((rc = st.step()) == SQLITE_ROW)
        keys.push_back(st.columnInt64(0));
    if (rc != SQLITE_DONE) {
        const QString detail = m_c.errorMessage();
        if ((rc & 0xff) == SQLITE_ERROR) // the LIKE function's own complaint
            return R::failure(ErrorCode::InvalidQuery, detail);
        return R(m_c.failure(QStringLiteral("Could not run the search")));
    }
    return keys;
}

Result<qint64> GuardedStatements::execute(const QString& text)
{
    if (!m_c.isOpen())
        return Result<qint64>(m_c.closedFailure());
    Result<TranslatedQuery> query = QueryDialect::translate(text);
    if (!query)
        return Result<qint64>(query.status());
    if (query->kind != TranslatedQuery::Kind::Delete) {
        return Result<qint64>::failure(ErrorCode::InvalidQuery,
                                       QStringLiteral("Only a DELETE statement can be executed on the library."));
    }
    if (m_c.isReadOnly()) {
        return Result<qint64>::failure(ErrorCode::ReadOnly,
                                       QStringLiteral("The library %1 is read-only; nothing was deleted.").arg(FileConnection::quoted(m_c.path())));
    }
    sqlite3* db = m_c.handle();
    // Its delete trigger writes to the index.
    m_c.connectTextIndex();
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
        return Result<qint64>(m_c.failure(QStringLiteral("Could not delete the records")));
    }
    for (int i = 0; i < query->parameters.size(); ++i)
        st.bind(i + 1, query->parameters[i]);
    if (Status s = m_c.begin(); !s)
        return Result<qint64>(s);
    rc = st.step();
    const qint64 changed = sqlite3_changes64(db);
    if (rc != SQLITE_DONE) {
        const QString detail = m_c.errorMessage();
        Status s = (rc & 0xff) == SQLITE_ERROR ? Status::failure(ErrorCode::InvalidQuery, detail)
                                               : m_c.failure(QStringLiteral("Could not delete the records"));
        st.finalize();
        m_c.rollback();
        return Result<qint64>(s);
    }
    st.finalize();
    m_c.touch();
    if (Status s = m_c.commit(); !s)
        return Result<qint64>(s);
    return changed;
}

} // namespace zentaro
