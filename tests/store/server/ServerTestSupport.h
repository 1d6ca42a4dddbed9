#pragma once

#include "store/server/ServerDatabase.h"
#include "store/server/ServerSchema.h"
#include "support/EngineLibrary.h"
#include "support/PgServer.h"

#include <QByteArray>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <memory>

namespace zentaro::test {

// A test with a database of its own on the process's throwaway server,
// dropped after it. Skipped only when no PostgreSQL server is installed.
class ServerLibraryTest : public ::testing::Test
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
        database = EngineLibrary::uniqueDatabaseName();
        Status made = server.run(QStringLiteral("postgres"), QStringLiteral("CREATE DATABASE %1").arg(database));
        ASSERT_TRUE(made.ok()) << made.message().toStdString();
        created = true;
        address = server.address(database);
    }

    void TearDown() override
    {
        if (!created)
            return;
        Status dropped = PgServer::instance().run(QStringLiteral("postgres"),
                                                  QStringLiteral("DROP DATABASE %1 WITH (FORCE)").arg(database));
        EXPECT_TRUE(dropped.ok()) << dropped.message().toStdString();
    }

    void initLibrary(int chunkSize = ServerSchema::kDefaultChunkSize)
    {
        Status made = ServerSchema::init(address, chunkSize);
        ASSERT_TRUE(made.ok()) << made.message().toStdString();
    }

    std::shared_ptr<ServerDatabase> openLibrary(const OpenOptions& options = ServerDatabase::sharedOptions())
    {
        Result<std::shared_ptr<ServerDatabase>> db = ServerDatabase::open(address, options);
        EXPECT_TRUE(db.ok()) << db.message().toStdString();
        return db.ok() ? *db : nullptr;
    }

    // Statements in this test's database, as the superuser.
    void sql(const QString& statements)
    {
        Status done = PgServer::instance().run(database, statements);
        ASSERT_TRUE(done.ok()) << done.message().toStdString();
    }

    static qint64 addRecord(ServerDatabase& db, const QString& title, qint64 size = 0)
    {
        MainRecord r;
        r.Title = title;
        r.FileName = title;
        r.FileSize = size;
        Result<qint64> id = db.insertRecord(r);
        EXPECT_TRUE(id.ok()) << id.message().toStdString();
        return id.ok() ? *id : 0;
    }

    // Appends bytes in pieces of at most piece bytes.
    static Status store(ServerDatabase& db, qint64 mainId, const QByteArray& bytes, qint64 piece = 64000)
    {
        for (qint64 at = 0; at < bytes.size(); at += piece) {
            if (Status s = db.appendChunk(mainId, bytes.constData() + at, std::min(piece, bytes.size() - at)); !s)
                return s;
        }
        return {};
    }

    // Bytes that differ from position to position, so that a misplaced piece shows.
    static QByteArray pattern(qint64 size, int seed = 1)
    {
        QByteArray out(size, Qt::Uninitialized);
        quint32 x = 2463534242u + static_cast<quint32>(seed);
        for (qint64 i = 0; i < size; ++i) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            out[i] = static_cast<char>(x & 0xff);
        }
        return out;
    }

    QString database;
    QString address;
    bool created = false;
};

} // namespace zentaro::test
