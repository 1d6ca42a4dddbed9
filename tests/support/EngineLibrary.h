#pragma once

#include "store/server/ServerSchema.h"
#include "support/PgServer.h"
#include "support/TestPaths.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <string>
#include <unistd.h>

namespace zentaro::test {

// The engines a library can live on.
enum class Engine { File, Server };

inline std::string engineName(const ::testing::TestParamInfo<Engine>& info)
{
    return info.param == Engine::File ? "File" : "Server";
}

// One empty library for one test on either engine: a copy of the template
// in a temporary folder, or a database of its own on the test server made
// by ServerSchema::init and dropped afterwards.
class EngineLibrary
{
public:
    enum class Made { Yes, Skip, Failed };

    ~EngineLibrary() { drop(); }

    // On Skip or Failed, reason() says why.
    Made make(Engine engine)
    {
        m_engine = engine;
        if (engine == Engine::File) {
            if (!m_dir.isValid())
                return fail(QStringLiteral("no temporary folder"));
            m_address = m_dir.filePath(QStringLiteral("lib.ZNT"));
            if (!QFile::copy(templatePath(), m_address))
                return fail(QStringLiteral("the template could not be copied"));
            QFile(m_address).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
            return Made::Yes;
        }
        PgServer& server = PgServer::instance();
        switch (server.start()) {
        case PgServer::State::NoBinaries:
            m_reason = QStringLiteral("SKIPPED: no PostgreSQL server binaries are installed (%1)").arg(server.reason());
            return Made::Skip;
        case PgServer::State::Failed:
            return fail(QStringLiteral("The test server did not start: ") + server.reason());
        default:
            break;
        }
        m_database = uniqueDatabaseName();
        if (Status s = server.run(QStringLiteral("postgres"), QStringLiteral("CREATE DATABASE %1").arg(m_database)); !s)
            return fail(s.message());
        m_created = true;
        m_address = server.address(m_database);
        if (Status s = ServerSchema::init(m_address); !s)
            return fail(s.message());
        return Made::Yes;
    }

    void drop()
    {
        if (!m_created)
            return;
        m_created = false;
        Status dropped = PgServer::instance().run(QStringLiteral("postgres"),
                                                  QStringLiteral("DROP DATABASE %1 WITH (FORCE)").arg(m_database));
        EXPECT_TRUE(dropped.ok()) << dropped.message().toStdString();
    }

    // A database name no other test process on a shared server uses.
    static QString uniqueDatabaseName()
    {
        static int counter = 0;
        QString name = QString::fromUtf8(::testing::UnitTest::GetInstance()->current_test_info()->name()).toLower();
        name.replace(QRegularExpression(QStringLiteral("[^a-z0-9]+")), QStringLiteral("_"));
        return QStringLiteral("zt%1_%2_%3").arg(::getpid()).arg(++counter).arg(name).left(60);
    }

    Engine engine() const { return m_engine; }
    // What Database::open takes: the file's path or the server address.
    const QString& address() const { return m_address; }
    const QString& database() const { return m_database; }
    const QString& reason() const { return m_reason; }
    // A folder of the test's own, on either engine.
    QString folder() const { return m_dir.path(); }

private:
    Made fail(const QString& why)
    {
        m_reason = why;
        return Made::Failed;
    }

    Engine m_engine = Engine::File;
    QTemporaryDir m_dir;
    QString m_address;
    QString m_database;
    QString m_reason;
    bool m_created = false;
};

// In a fixture's SetUp: makes the library or skips or fails the test.
#define ZENTARO_MAKE_LIBRARY(library, engine)                                                                          \
    do {                                                                                                               \
        const ::zentaro::test::EngineLibrary::Made made_ = (library).make(engine);                                     \
        if (made_ == ::zentaro::test::EngineLibrary::Made::Skip)                                                       \
            GTEST_SKIP() << (library).reason().toStdString();                                                          \
        ASSERT_EQ(made_, ::zentaro::test::EngineLibrary::Made::Yes) << (library).reason().toStdString();               \
    } while (false)

} // namespace zentaro::test
