#include "cli/CliTestSupport.h"
#include "core/ContentHash.h"
#include "core/Progress.h"
#include "library/LibraryTransfer.h"
#include "store/server/ServerDatabase.h"
#include "store/server/ServerSchema.h"
#include "support/PgServer.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QUrl>
#include <QUrlQuery>

#include <functional>
#include <vector>

namespace zentaro::test {
namespace {

// znt against a database of its own on the process's throwaway server.
class CliServerTest : public ZntTest
{
protected:
    void SetUp() override
    {
        PgServer& server = PgServer::instance();
        switch (server.start()) {
        case PgServer::State::NoBinaries:
            GTEST_SKIP() << "SKIPPED: no PostgreSQL server binaries are installed ("
                         << server.reason().toStdString() << ")";
        case PgServer::State::Failed:
            FAIL() << "The test server did not start: " << server.reason().toStdString();
        default:
            break;
        }
        static int counter = 0;
        QString name = QString::fromUtf8(::testing::UnitTest::GetInstance()->current_test_info()->name()).toLower();
        name.replace(QRegularExpression(QStringLiteral("[^a-z0-9]+")), QStringLiteral("_"));
        database = QStringLiteral("zc%1_%2").arg(++counter).arg(name).left(60);
        ASSERT_TRUE(run(QStringLiteral("postgres"), QStringLiteral("CREATE DATABASE %1").arg(database)));
        created = true;
        address = server.address(database);
    }

    void TearDown() override
    {
        if (created)
            run(QStringLiteral("postgres"), QStringLiteral("DROP DATABASE %1 WITH (FORCE)").arg(database));
    }

    static bool run(const QString& in, const QString& sql)
    {
        const Status done = PgServer::instance().run(in, sql);
        EXPECT_TRUE(done.ok()) << done.message().toStdString();
        return done.ok();
    }

    std::shared_ptr<Database> open(const QString& where) const
    {
        OpenOptions options;
        options.exclusive = false;
        Result<std::shared_ptr<Database>> db = Database::open(where, options);
        EXPECT_TRUE(db.ok()) << db.message().toStdString();
        return db.ok() ? *db : nullptr;
    }

    static QByteArray bytesOf(Database& db, qint64 mainId)
    {
        QByteArray out;
        std::vector<char> buffer(1 << 20);
        for (;;) {
            Result<qint64> got = db.readChunk(mainId, out.size(), static_cast<qint64>(buffer.size()), buffer.data());
            if (!got.ok() || *got == 0)
                break;
            out.append(buffer.data(), *got);
        }
        return out;
    }

    static std::vector<MainRecord> records(Database& db)
    {
        std::vector<qint64> ids;
        for (qint64 id = 1; id <= 64; ++id)
            ids.push_back(id);
        Result<std::vector<MainRecord>> rows = db.loadRecords(ids);
        EXPECT_TRUE(rows.ok()) << rows.message().toStdString();
        std::vector<MainRecord> out = rows.ok() ? *rows : std::vector<MainRecord>();
        std::sort(out.begin(), out.end(), [](const MainRecord& a, const MainRecord& b) { return a.MainID < b.MainID; });
        return out;
    }

    // A library file of mixed files: text, an empty file, one of exactly a
    // piece, a picture-like binary, and one over 64 MB.
    QString mixedLibrary(qint64 bigSize)
    {
        const QString library = newLibrary(QStringLiteral("mixed.ZNT"));
        struct File
        {
            const char* name;
            QByteArray bytes;
        };
        const std::vector<File> files = {
            {"notes.txt", QByteArray("plain words\r\nand a second line\n")},
            {"empty.dat", QByteArray()},
            {"piece.bin", pattern(64000, 2)},
            {"photo.JPG", pattern(3 * 1024 * 1024 + 17, 3)},
            {"movie.mkv", pattern(bigSize, 4)},
        };
        QStringList arguments = {QStringLiteral("add"), library, QStringLiteral("--author"), QStringLiteral("Åsa Öberg"),
                                 QStringLiteral("--keywords"), QStringLiteral("team; 2026"), QStringLiteral("--notes"),
                                 QStringLiteral("line one\r\nline \"two\"")};
        for (const File& f : files) {
            writeFile(path(QString::fromLatin1(f.name)), f.bytes);
            arguments << path(QString::fromLatin1(f.name));
        }
        const ZntRun added = znt(arguments);
        EXPECT_EQ(added.exitCode, 0) << added.describe();
        std::shared_ptr<Database> db = open(library);
        if (db) {
            ConfigRow row = *db->loadConfig();
            row.LibraryName = QStringLiteral("Team pictures");
            row.LibrarianName = QStringLiteral("Ann");
            row.LibrarianEmail = QStringLiteral("ann@example.org");
            row.Notes = QStringLiteral("Kept on the server");
            row.Created = QDateTime(QDate(2024, 2, 29), QTime(13, 14, 15));
            EXPECT_TRUE(db->saveConfig(row).ok());
            // A re-inserted record has a LastUpdatedDate of its own.
            EXPECT_TRUE(db->updateFields(2, {{QStringLiteral("LastUpdatedDate"),
                                              QDateTime(QDate(2025, 1, 2), QTime(3, 4, 5))}})
                            .ok());
            db->close();
        }
        return library;
    }

    QString database;
    QString address;
    bool created = false;
};

TEST_F(CliServerTest, ServerInitMakesALibraryThatOpensOnce)
{
    const ZntRun made = znt({QStringLiteral("server"), QStringLiteral("init"), address});
    ASSERT_EQ(made.exitCode, 0) << made.describe();

    const ZntRun info = znt({QStringLiteral("info"), address, QStringLiteral("--json")});
    ASSERT_EQ(info.exitCode, 0) << info.describe();
    EXPECT_EQ(info.json().value(QStringLiteral("RecordCount")).toInteger(-1), 0);
    EXPECT_EQ(info.json().value(QStringLiteral("AccessLevel")).toString(), QStringLiteral("Administrator"));

    const ZntRun again = znt({QStringLiteral("server"), QStringLiteral("init"), address});
    EXPECT_EQ(again.exitCode, 2) << again.describe();
    EXPECT_TRUE(again.errText().contains(QStringLiteral("already holds a Zentaro library"))) << again.describe();
}

TEST_F(CliServerTest, RoundTripFileServerFileKeepsEveryFieldAndByte)
{
    const QString source = mixedLibrary(64 * 1024 * 1024 + 12345);
    ASSERT_EQ(znt({QStringLiteral("server"), QStringLiteral("init"), address}).exitCode, 0);

    const ZntRun imported = znt({QStringLiteral("import"), source, address});
    ASSERT_EQ(imported.exitCode, 0) << imported.describe();
    const ZntRun verified = znt({QStringLiteral("verify"), address});
    EXPECT_EQ(verified.exitCode, 0) << verified.describe();
    const QString back = path(QStringLiteral("back.ZNT"));
    const ZntRun copied = znt({QStringLiteral("copy"), address, back});
    ASSERT_EQ(copied.exitCode, 0) << copied.describe();

    std::shared_ptr<Database> from = open(source);
    std::shared_ptr<Database> onServer = open(address);
    std::shared_ptr<Database> to = open(back);
    ASSERT_TRUE(from && onServer && to);
    EXPECT_EQ(from->loadConfig()->LibraryName, to->loadConfig()->LibraryName);
    for (Database* db : {onServer.get(), to.get()}) {
        const ConfigRow a = *from->loadConfig();
        const ConfigRow b = *db->loadConfig();
        EXPECT_EQ(a.LibraryName, b.LibraryName);
        EXPECT_EQ(a.LibrarianName, b.LibrarianName);
        EXPECT_EQ(a.LibrarianEmail, b.LibrarianEmail);
        EXPECT_EQ(a.Notes, b.Notes);
        EXPECT_EQ(a.Created, b.Created);
        EXPECT_EQ(a.UseSecurity, b.UseSecurity);
    }
    const std::vector<MainRecord> original = records(*from);
    ASSERT_EQ(original.size(), 5u);
    for (Database* db : {onServer.get(), to.get()}) {
        const std::vector<MainRecord> copy = records(*db);
        ASSERT_EQ(copy.size(), original.size());
        for (size_t i = 0; i < original.size(); ++i) {
            for (MainField field : MainRecord::allFields())
                EXPECT_EQ(copy[i].value(field), original[i].value(field))
                    << MainRecord::fieldName(field).toStdString() << " of record " << original[i].MainID;
            const QByteArray bytes = bytesOf(*db, copy[i].MainID);
            EXPECT_EQ(bytes.size(), original[i].FileSize);
            EXPECT_TRUE(bytes == bytesOf(*from, original[i].MainID)) << "bytes of record " << original[i].MainID;
            const QByteArray hash = *db->fileHash(copy[i].MainID);
            EXPECT_EQ(hash, *from->fileHash(original[i].MainID));
            EXPECT_EQ(hash, ContentHash::of(bytes));
        }
    }
}

TEST_F(CliServerTest, ImportStopsAtARecordWhoseBytesDoNotMatchTheirChecksum)
{
    const QString source = newLibrary();
    for (int i = 1; i <= 3; ++i) {
        const QString file = path(QStringLiteral("file%1.bin").arg(i));
        writeFile(file, pattern(100000 * i, i));
        ASSERT_EQ(znt({QStringLiteral("add"), source, file}).exitCode, 0);
    }
    {
        std::shared_ptr<Database> db = open(source);
        ASSERT_TRUE(db);
        ASSERT_TRUE(db->setFileHash(2, QByteArray(32, '\x11')).ok());
        db->close();
    }
    ASSERT_EQ(znt({QStringLiteral("server"), QStringLiteral("init"), address}).exitCode, 0);

    const ZntRun imported = znt({QStringLiteral("import"), source, address});
    EXPECT_EQ(imported.exitCode, 3) << imported.describe();
    EXPECT_TRUE(imported.errText().contains(QStringLiteral("record 2 \"file2\""))) << imported.describe();
    EXPECT_TRUE(imported.errText().contains(QStringLiteral("checksum"))) << imported.describe();

    std::shared_ptr<Database> onServer = open(address);
    ASSERT_TRUE(onServer);
    EXPECT_EQ(*onServer->countMain(), 1);
    const std::vector<MainRecord> kept = records(*onServer);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].Title, QStringLiteral("file1"));
    // Nothing of the refused record is left: the server holds only the first one's bytes.
    EXPECT_EQ(*onServer->sumFileSize(), 100000);
}

// Runs something once, at the first progress report of the copy.
class OnFirstReport : public Progress
{
public:
    explicit OnFirstReport(std::function<void()> action) : m_action(std::move(action)) {}
    void setText(const QString&) override {}
    void setPercent(int) override
    {
        if (m_action)
            std::exchange(m_action, nullptr)();
    }
    bool cancelRequested() const override { return false; }

private:
    std::function<void()> m_action;
};

TEST_F(CliServerTest, CopyToAFileIsOneSnapshotWhileAWriterCommits)
{
    ASSERT_TRUE(ServerSchema::init(address).ok());
    std::shared_ptr<Database> reader = open(address);
    std::shared_ptr<Database> writer = open(address);
    ASSERT_TRUE(reader && writer);
    for (const QString& title : {QStringLiteral("alpha"), QStringLiteral("beta"), QStringLiteral("gamma")}) {
        MainRecord r;
        r.Title = title;
        r.FileSize = 5;
        Result<qint64> id = writer->insertRecord(r);
        ASSERT_TRUE(id.ok());
        ASSERT_TRUE(writer->appendChunk(*id, "bytes", 5).ok());
        ASSERT_TRUE(writer->setFileHash(*id, ContentHash::of("bytes")).ok());
    }
    writer->idle();

    OnFirstReport commitMeanwhile([&] {
        ASSERT_TRUE(writer->deleteRecord(2).ok());
        MainRecord late;
        late.Title = QStringLiteral("late");
        ASSERT_TRUE(writer->insertRecord(late).ok());
        ConfigRow row = *writer->loadConfig();
        row.LibraryName = QStringLiteral("renamed meanwhile");
        ASSERT_TRUE(writer->saveConfig(row).ok());
        writer->idle();
    });
    const QString target = path(QStringLiteral("snapshot.ZNT"));
    Result<qint64> copied = LibraryTransfer::CopyToFile(*reader, program.path(QStringLiteral("Struct10.qdb")), target,
                                                        commitMeanwhile);
    ASSERT_TRUE(copied.ok()) << copied.message().toStdString();
    EXPECT_EQ(*copied, 3);

    std::shared_ptr<Database> file = open(target);
    ASSERT_TRUE(file);
    QStringList titles;
    for (const MainRecord& r : records(*file))
        titles << r.Title;
    EXPECT_EQ(titles, (QStringList{QStringLiteral("alpha"), QStringLiteral("beta"), QStringLiteral("gamma")}));
    EXPECT_EQ(file->loadConfig()->LibraryName, QString());
    // The writer's changes did land on the server.
    EXPECT_EQ(*writer->countMain(), 3);
}

TEST_F(CliServerTest, RefusalsNameTheServerAndTheCauseWithTheirExitStatus)
{
    const QString shown = QStringLiteral("localhost:5432/") + database;
    struct Case
    {
        QString what;
        QString address;
        QProcessEnvironment env;
        int exitCode;
        QString name;
        QString cause;
    };
    const QString role = database + QStringLiteral("_user");
    ASSERT_TRUE(run(database, QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD 'right'").arg(role)));
    QProcessEnvironment wrong;
    wrong.insert(QStringLiteral("PGPASSWORD"), QStringLiteral("wrong-secret"));
    const QString socketHost = QUrlQuery(QUrl(address).query()).queryItemValue(QStringLiteral("host"),
                                                                               QUrl::FullyDecoded);
    std::vector<Case> cases = {
        {QStringLiteral("wrong password"), PgServer::instance().address(database, role), wrong, 2, QString(),
         QStringLiteral("password")},
        {QStringLiteral("unreachable"),
         QStringLiteral("postgresql:///%1?host=/tmp/no-such-server-folder").arg(database), {}, 3,
         QStringLiteral("/tmp/no-such-server-folder:5432/") + database, QStringLiteral("cannot be reached")},
        {QStringLiteral("missing database"), PgServer::instance().address(QStringLiteral("no_such_library")), {}, 3,
         QStringLiteral("/no_such_library"), QStringLiteral("no database")},
        {QStringLiteral("empty database"), address, {}, 3, QString(), QStringLiteral("not a Zentaro library")},
    };
    auto check = [&](const Case& c) {
        const ZntRun r = znt({QStringLiteral("list"), c.address}, c.env);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.what.toStdString() << "\n" << r.describe();
        const QString err = r.errText().trimmed();
        EXPECT_EQ(err.count(QLatin1Char('\n')), 0) << c.what.toStdString() << ": one message\n" << r.describe();
        EXPECT_TRUE(err.contains(c.name.isEmpty() ? (socketHost + QStringLiteral(":5432/") + database) : c.name))
            << c.what.toStdString() << "\n" << r.describe();
        EXPECT_TRUE(err.contains(c.cause, Qt::CaseInsensitive)) << c.what.toStdString() << "\n" << r.describe();
        EXPECT_FALSE(err.contains(QStringLiteral("wrong-secret")));
        EXPECT_TRUE(r.out.isEmpty()) << r.describe();
    };
    for (const Case& c : cases)
        check(c);
    (void)shown;

    ASSERT_TRUE(run(database, QStringLiteral("CREATE TABLE invoices (id integer)")));
    check({QStringLiteral("something else"), address, {}, 3, QString(), QStringLiteral("holds something else")});
    const ZntRun init = znt({QStringLiteral("server"), QStringLiteral("init"), address});
    EXPECT_EQ(init.exitCode, 2) << init.describe();
    EXPECT_TRUE(init.errText().contains(QStringLiteral("holds other tables"))) << init.describe();

    ASSERT_TRUE(run(database, QStringLiteral("DROP TABLE invoices")));
    ASSERT_TRUE(ServerSchema::init(address).ok());
    ASSERT_TRUE(run(database, QStringLiteral("UPDATE ZentaroSchema SET Version = Version + 1, NeedsProgram = '9.7'")));
    check({QStringLiteral("newer schema"), address, {}, 3, QString(), QStringLiteral("Install Zentaro 9.7")});
}

} // namespace
} // namespace zentaro::test
