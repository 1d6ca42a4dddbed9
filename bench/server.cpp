// The server engine against the file engine in one run: one large file
// inserted and extracted; 100,000 records opened (first page of the list)
// and quick-searched; the peak memory growth of a very large file through
// the server engine; four processes adding small files to one server
// library at once. Prints one figure a line.
//
// usage: bench_server WORK_FOLDER SERVER_SOCKET_FOLDER [SIZE_MB] [RECORDS] [BIG_MB]
//        bench_server --add ADDRESS COUNT TAG     (one of the concurrent adders)

#include "BenchSupport.h"

#include "search/SearchQuery.h"
#include "store/Database.h"
#include "store/LibraryFile.h"
#include "store/Recordset.h"
#include "store/server/PgConnection.h"
#include "store/server/ServerAddress.h"
#include "store/server/ServerDatabase.h"
#include "store/server/ServerSchema.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QUrlQuery>

#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace zentaro;
using bench::fail;
using bench::seconds;
using bench::statusKiB;

namespace {

QString g_socket;

QString serverAddress(const QString& database)
{
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("host"), g_socket);
    query.addQueryItem(QStringLiteral("user"), QStringLiteral("zentaro"));
    return QStringLiteral("postgresql:///%1?%2").arg(database, query.toString(QUrl::FullyEncoded));
}

// A new empty server library.
QString makeServerLibrary(const QString& name)
{
    Result<ServerAddress> admin = ServerAddress::parse(serverAddress(QStringLiteral("postgres")));
    if (!admin)
        fail(admin.message().toStdString());
    Result<std::unique_ptr<PgConnection>> c = PgConnection::connect(*admin);
    if (!c)
        fail(c.message().toStdString());
    (*c)->run(("DROP DATABASE IF EXISTS " + name.toUtf8()).constData());
    PgResult made = (*c)->run(("CREATE DATABASE " + name.toUtf8()).constData());
    if (!made.ok())
        fail("cannot create the database " + name.toStdString());
    const QString address = serverAddress(name);
    if (Status s = ServerSchema::init(address); !s)
        fail(s.message().toStdString());
    return address;
}

QString makeFileLibrary(const QString& path)
{
    QFile::remove(path);
    if (!QFile::copy(QStringLiteral(ZENTARO_TEST_TEMPLATE), path))
        fail("cannot copy the template");
    QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    return path;
}

std::shared_ptr<Database> openLibrary(const QString& address, bool exclusive = true)
{
    OpenOptions options;
    options.exclusive = exclusive;
    Result<std::shared_ptr<Database>> db = Database::open(address, options);
    if (!db)
        fail(db.message().toStdString());
    return *db;
}

// Bytes that do not compress, made as they are needed.
void fill(std::vector<char>& buffer, quint64& x)
{
    for (size_t i = 0; i + 8 <= buffer.size(); i += 8) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        std::memcpy(buffer.data() + i, &x, 8);
    }
}

// One record of size bytes in one transaction, as an insertion does.
double insertFile(Database& db, qint64 size, qint64& id)
{
    std::vector<char> buffer(static_cast<size_t>(LibraryFile::kPieceSize));
    quint64 x = 88172645463325252ull;
    QElapsedTimer t;
    t.start();
    if (Status s = db.begin(); !s)
        fail(s.message().toStdString());
    MainRecord record;
    record.Title = QStringLiteral("large");
    record.FileSize = size;
    Result<qint64> added = db.insertRecord(record);
    if (!added)
        fail(added.message().toStdString());
    id = *added;
    for (qint64 done = 0; done < size;) {
        fill(buffer, x);
        const qint64 n = std::min<qint64>(size - done, static_cast<qint64>(buffer.size()));
        if (Status s = db.appendChunk(id, buffer.data(), n); !s)
            fail(s.message().toStdString());
        db.idle();
        done += n;
    }
    if (Status s = db.commit(); !s)
        fail(s.message().toStdString());
    return seconds(t);
}

// Reads it back in the program's pieces and checks the bytes.
double extractFile(Database& db, qint64 id, qint64 size)
{
    std::vector<char> buffer(static_cast<size_t>(LibraryFile::kPieceSize));
    std::vector<char> expected(buffer.size());
    quint64 x = 88172645463325252ull;
    QElapsedTimer t;
    t.start();
    qint64 offset = 0;
    for (;;) {
        Result<qint64> got = db.readChunk(id, offset, static_cast<qint64>(buffer.size()), buffer.data());
        if (!got)
            fail(got.message().toStdString());
        fill(expected, x);
        if (std::memcmp(buffer.data(), expected.data(), static_cast<size_t>(*got)) != 0)
            fail("the extracted bytes differ");
        offset += *got;
        if (*got < static_cast<qint64>(buffer.size()))
            break;
    }
    if (offset != size)
        fail("the extracted file has the wrong size");
    return seconds(t);
}

void addRecords(Database& db, int count)
{
    const QStringList words = {QStringLiteral("annual"), QStringLiteral("report"), QStringLiteral("holiday"),
                               QStringLiteral("invoice"), QStringLiteral("letter"), QStringLiteral("photo")};
    if (Status s = db.begin(); !s)
        fail(s.message().toStdString());
    for (int i = 0; i < count; ++i) {
        MainRecord r;
        r.Title = QStringLiteral("%1 %2 %3").arg(words[i % 6], words[(i / 6) % 6]).arg(i);
        r.Author = QStringLiteral("Author %1").arg(i % 997);
        r.Keywords = words[(i / 36) % 6];
        r.Notes = QStringLiteral("note number %1 of the bench").arg(i);
        r.FileName = r.Title + QStringLiteral(".txt");
        r.FileType = QStringLiteral("TXT");
        r.FileSize = i;
        if (Result<qint64> id = db.insertRecord(r); !id)
            fail(id.message().toStdString());
    }
    if (Status s = db.commit(); !s)
        fail(s.message().toStdString());
}

// Opening the list up to its first page; then a quick search.
std::pair<double, double> listAndSearch(const std::shared_ptr<Database>& db)
{
    QElapsedTimer t;
    t.start();
    Result<std::unique_ptr<Recordset>> list = Recordset::open(db, QStringLiteral("SELECT * FROM Main ORDER BY Title"));
    if (!list || (*list)->recordCount() == 0 || !(*list)->recordAt(0))
        fail("cannot open the list");
    for (int i = 0; i < 40 && i < (*list)->recordCount(); ++i)
        (*list)->recordAt(i);
    const double opened = seconds(t);
    t.restart();
    const QString where = SearchQuery::QuickSearch(QStringLiteral("invoice"), SearchQuery::FileClass::All);
    Result<std::unique_ptr<Recordset>> found =
        Recordset::open(db, QStringLiteral("SELECT * FROM Main WHERE (") + where + QStringLiteral(")ORDER BY Title"));
    if (!found || (*found)->recordCount() == 0)
        fail("the quick search found nothing");
    (*found)->recordAt(0);
    return {opened, seconds(t)};
}

// One adder: count small files, each in its own transaction.
int adder(const QString& address, int count, const QString& tag)
{
    std::shared_ptr<Database> db = openLibrary(address, false);
    QByteArray bytes(4096, 'x');
    int errors = 0;
    for (int i = 0; i < count; ++i) {
        MainRecord r;
        r.Title = QStringLiteral("%1 %2").arg(tag).arg(i);
        r.FileName = r.Title;
        r.FileSize = bytes.size();
        bool ok = db->begin().ok();
        Result<qint64> id = ok ? db->insertRecord(r) : Result<qint64>::failure(ErrorCode::Engine, QString());
        ok = id.ok() && db->appendChunk(*id, bytes.constData(), bytes.size()).ok() && db->commit().ok();
        if (!ok) {
            ++errors;
            if (db->inTransaction())
                db->rollback();
        }
        db->idle();
    }
    std::printf("%d\n", errors);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    bench::programName = "bench_server";
    QCoreApplication app(argc, argv);
    ServerDatabase::registerEngine();
    if (argc == 5 && std::strcmp(argv[1], "--add") == 0)
        return adder(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]), QString::fromLocal8Bit(argv[4]));
    if (argc < 3)
        fail("usage: bench_server WORK_FOLDER SERVER_SOCKET_FOLDER [SIZE_MB] [RECORDS] [BIG_MB]");
    const QString work = QString::fromLocal8Bit(argv[1]);
    g_socket = QString::fromLocal8Bit(argv[2]);
    const qint64 size = (argc > 3 ? std::atoll(argv[3]) : 1024) * 1024 * 1024;
    const int records = argc > 4 ? std::atoi(argv[4]) : 100000;
    const qint64 big = (argc > 5 ? std::atoll(argv[5]) : 3072) * 1024 * 1024;
    const double mb = static_cast<double>(size) / (1024.0 * 1024.0);

    // Memory first, while the process is small: the growth of its peak.
    {
        const QString address = makeServerLibrary(QStringLiteral("bench_big"));
        std::shared_ptr<Database> db = openLibrary(address);
        const long before = statusKiB("VmHWM:");
        qint64 id = 0;
        insertFile(*db, big, id);
        extractFile(*db, id, big);
        const long growth = statusKiB("VmHWM:") - before;
        std::printf("server_big_file_mb: %lld\n", static_cast<long long>(big / (1024 * 1024)));
        std::printf("server_big_file_peak_growth_mb: %.1f\n", growth / 1024.0);
        db->deleteRecord(id);
    }

    // The large file on each engine, back to back.
    {
        qint64 fileId = 0;
        qint64 serverId = 0;
        std::shared_ptr<Database> file = openLibrary(makeFileLibrary(work + QStringLiteral("/bench.ZNT")));
        std::shared_ptr<Database> server = openLibrary(makeServerLibrary(QStringLiteral("bench_large")));
        const double fileInsert = insertFile(*file, size, fileId);
        const double serverInsert = insertFile(*server, size, serverId);
        const double fileExtract = extractFile(*file, fileId, size);
        const double serverExtract = extractFile(*server, serverId, size);
        std::printf("file_insert_mb_s: %.1f\n", mb / fileInsert);
        std::printf("server_insert_mb_s: %.1f\n", mb / serverInsert);
        std::printf("server_insert_ratio: %.2f\n", fileInsert / serverInsert);
        std::printf("file_extract_mb_s: %.1f\n", mb / fileExtract);
        std::printf("server_extract_mb_s: %.1f\n", mb / serverExtract);
        std::printf("server_extract_ratio: %.2f\n", fileExtract / serverExtract);
        file->close();
        QFile::remove(work + QStringLiteral("/bench.ZNT"));
    }

    // Many records: the list's first page and a quick search on each.
    {
        std::shared_ptr<Database> file = openLibrary(makeFileLibrary(work + QStringLiteral("/records.ZNT")));
        std::shared_ptr<Database> server = openLibrary(makeServerLibrary(QStringLiteral("bench_records")));
        addRecords(*file, records);
        addRecords(*server, records);
        const auto [fileOpen, fileSearch] = listAndSearch(file);
        const auto [serverOpen, serverSearch] = listAndSearch(server);
        std::printf("records: %d\n", records);
        std::printf("file_list_open_s: %.3f\n", fileOpen);
        std::printf("server_list_open_s: %.3f\n", serverOpen);
        std::printf("file_quick_search_s: %.3f\n", fileSearch);
        std::printf("server_quick_search_s: %.3f\n", serverSearch);
        std::printf("server_quick_search_ratio: %.2f\n", serverSearch / fileSearch);
    }

    // Four processes add small files to one server library at once.
    {
        const QString address = makeServerLibrary(QStringLiteral("bench_adders"));
        const int each = 1000;
        std::vector<std::unique_ptr<QProcess>> adders;
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < 4; ++i) {
            auto p = std::make_unique<QProcess>();
            p->start(QCoreApplication::applicationFilePath(), {QStringLiteral("--add"), address,
                                                              QString::number(each), QStringLiteral("adder%1").arg(i)});
            adders.push_back(std::move(p));
        }
        int errors = 0;
        for (auto& p : adders) {
            if (!p->waitForFinished(600000) || p->exitCode() != 0)
                ++errors;
            errors += p->readAllStandardOutput().trimmed().toInt();
        }
        const double elapsed = seconds(t);
        std::shared_ptr<Database> db = openLibrary(address, false);
        const qint64 count = db->countMain().value();
        std::printf("concurrent_adders: 4\n");
        std::printf("concurrent_records: %lld\n", static_cast<long long>(count));
        std::printf("concurrent_lost: %lld\n", static_cast<long long>(4 * each - count));
        std::printf("concurrent_errors: %d\n", errors);
        std::printf("concurrent_seconds: %.1f\n", elapsed);
    }
    return 0;
}
