// Query texts: the search dialog builds them, but a WHERE part can also be
// typed (znt --where) or come from a saved list.
#include "store/QueryDialect.h"
#include "store/file/SqliteFlavour.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <sqlite3.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace zentaro;

namespace {

void noLike(sqlite3_context* context, int, sqlite3_value**)
{
    sqlite3_result_int(context, 0);
}

// An empty library in memory, so that every translation can be prepared.
sqlite3* library()
{
    static sqlite3* db = [] {
        sqlite3* opened = nullptr;
        QFile schema(QStringLiteral(ZENTARO_FUZZ_SCHEMA));
        if (!schema.open(QIODevice::ReadOnly) || sqlite3_open(":memory:", &opened) != SQLITE_OK) {
            std::fprintf(stderr, "fuzz: cannot set up the library\n");
            std::abort();
        }
        const QByteArray sql = schema.readAll();
        if (sqlite3_exec(opened, sql.constData(), nullptr, nullptr, nullptr) != SQLITE_OK
            || sqlite3_create_function_v2(opened, SqliteFlavour::kLikeFunction, 2, SQLITE_UTF8, nullptr,
                                          noLike, nullptr, nullptr, nullptr)
                   != SQLITE_OK) {
            std::fprintf(stderr, "fuzz: %s\n", sqlite3_errmsg(opened));
            std::abort();
        }
        return opened;
    }();
    return db;
}

// A translation that succeeded must be SQL the engine takes, with one
// parameter for every literal.
void mustPrepare(const TranslatedQuery& query)
{
    const QByteArray sql =
        (query.kind == TranslatedQuery::Kind::Delete ? query.deleteSql() : query.keysetSql()).toUtf8();
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(library(), sql.constData(), static_cast<int>(sql.size()), &statement, nullptr)
        != SQLITE_OK) {
        std::fprintf(stderr, "fuzz: translated SQL does not prepare: %s\n%s\n", sqlite3_errmsg(library()),
                     sql.constData());
        std::abort();
    }
    const int marks = sqlite3_bind_parameter_count(statement);
    sqlite3_finalize(statement);
    if (marks != query.parameters.size()) {
        std::fprintf(stderr, "fuzz: %d marks for %d parameters\n%s\n", marks,
                     static_cast<int>(query.parameters.size()), sql.constData());
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (const Result<TranslatedQuery> query = QueryDialect::translate(text))
        mustPrepare(*query);
    if (const Result<TranslatedQuery> condition = QueryDialect::translateCondition(text))
        mustPrepare(*condition);
    (void)QueryDialect::parseDate(text);
    return 0;
}
