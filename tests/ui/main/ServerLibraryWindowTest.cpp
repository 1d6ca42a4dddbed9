#include "ui/MainWindowHarness.h"

#include "library/LibraryAddress.h"
#include "library/LibrarySession.h"
#include "search/ListModel.h"
#include "store/server/ServerSchema.h"
#include "support/PgServer.h"
#include "ui/common/MessageRecorder.h"
#include "ui/library/ServerLibraryForm.h"
#include "ui/main/MainForm.h"
#include "ui/main/StartupSequence.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSpinBox>
#include <QUrl>
#include <QUrlQuery>

using namespace zentaro;
using namespace zentaro::test;

namespace {

// The window on a library of a database of its own on the throwaway server.
class ServerLibraryWindowTest : public ::testing::Test
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
        database = QStringLiteral("zw%1_%2").arg(++counter).arg(name).left(60);
        ASSERT_TRUE(server.run(QStringLiteral("postgres"), QStringLiteral("CREATE DATABASE %1").arg(database)).ok());
        created = true;
        address = server.address(database);
        ASSERT_TRUE(ServerSchema::init(address).ok());
        auto db = Database::open(address);
        ASSERT_TRUE(db.ok()) << db.message().toStdString();
        for (const QString& title : {QStringLiteral("Shared plan"), QStringLiteral("Team photo")}) {
            MainRecord r;
            r.Title = title;
            ASSERT_TRUE((*db)->insertRecord(r).ok());
        }
        (*db)->close();
        socketFolder = QUrlQuery(QUrl(address).query()).queryItemValue(QStringLiteral("host"), QUrl::FullyDecoded);
        m_previousPassword = Prompts::setServerPasswordAnswerer([this](const QString& shown) -> std::optional<QString> {
            passwordAsked << shown;
            if (passwords.isEmpty())
                return std::nullopt;
            return passwords.takeFirst();
        });
        m_previousForm = Prompts::setServerLibraryAnswerer([this]() -> std::optional<QString> {
            if (formAnswers.isEmpty())
                return std::nullopt;
            return formAnswers.takeFirst();
        });
    }

    void TearDown() override
    {
        Prompts::setServerPasswordAnswerer(std::move(m_previousPassword));
        Prompts::setServerLibraryAnswerer(std::move(m_previousForm));
        if (created)
            PgServer::instance().run(QStringLiteral("postgres"),
                                     QStringLiteral("DROP DATABASE %1 WITH (FORCE)").arg(database));
    }

    struct Run
    {
        std::unique_ptr<ProgramState> state;
        std::unique_ptr<StartupSequence> startup;
        MainForm* main() const { return qobject_cast<MainForm*>(startup->mainWindow()); }
    };

    Run start(const QString& commandLine)
    {
        Run run;
        run.state = std::make_unique<ProgramState>(folder.folder());
        run.startup = std::make_unique<StartupSequence>(*run.state, commandLine,
                                                       [](ProgramState& s) -> MainWindow* { return new MainForm(s); });
        if (run.startup->Start())
            run.startup->mainFormTimerTick();
        if (run.startup->mainWindow())
            run.startup->timer1Tick();
        return run;
    }

    ProgramFolder folder;
    MessageRecorder boxes;
    LoginScript logins;
    DialogScript dialogs;
    QString database;
    QString address;
    QString socketFolder;
    QStringList passwords;
    QStringList passwordAsked;
    QStringList formAnswers;
    bool created = false;

private:
    Prompts::ServerPasswordAnswerer m_previousPassword;
    Prompts::ServerLibraryAnswerer m_previousForm;
};

TEST(ServerLibraryForm, MakesTheAddressOfHostPortDatabaseAndUser)
{
    ServerLibraryForm form;
    form.hostBox()->setText(QStringLiteral("db.example.org"));
    form.portBox()->setValue(5433);
    form.databaseBox()->setText(QStringLiteral("team"));
    form.userBox()->setText(QStringLiteral("ann"));
    EXPECT_EQ(form.address(), QStringLiteral("postgresql://db.example.org:5433/team?user=ann"));
    form.databaseBox()->clear();
    EXPECT_TRUE(form.address().isEmpty());
}

TEST_F(ServerLibraryWindowTest, CommandLineAddressOpensAfterTheServersPasswordIsGiven)
{
    const QString role = database + QStringLiteral("_user");
    ASSERT_TRUE(PgServer::instance()
                    .run(database, QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD 'right-secret'; "
                                                  "GRANT ALL ON ALL TABLES IN SCHEMA public TO %1")
                                       .arg(role))
                    .ok());
    const QString withRole = PgServer::instance().address(database, role);
    passwords << QStringLiteral("wrong") << QStringLiteral("right-secret");
    Run run = start(withRole);

    ASSERT_NE(run.main(), nullptr);
    EXPECT_EQ(passwordAsked.size(), 2);
    EXPECT_EQ(run.state->CurrentLibraryPath, withRole);
    EXPECT_EQ(run.main()->listModel()->rowCount(), 2);
    EXPECT_EQ(run.main()->windowTitle(), LibrarySession::CaptionFor(run.state->ProgramVersion, withRole, false));
    EXPECT_EQ(boxes.count(), 0) << boxes.last().text.toStdString();
    run.main()->command(QStringLiteral("fxbar"))->trigger();

    QFile settings(folder.path(QStringLiteral("ZNT.CFG")));
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    EXPECT_FALSE(settings.readAll().contains("right-secret"));
}

TEST_F(ServerLibraryWindowTest, FormOpensTheLibraryAndAFailedOpenKeepsThePreviousOne)
{
    const QString file = folder.path(QStringLiteral("Local.ZNT"));
    makeLibrary(file, {QStringLiteral("Local only")});
    Run run = start(file);
    ASSERT_NE(run.main(), nullptr);
    QAction* entry = run.main()->command(QStringLiteral("fosbar"));
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->text(), QStringLiteral("Open &Server Library\u2026"));

    formAnswers << LibraryAddress::FromParts(socketFolder, 0, QStringLiteral("no_such_library"),
                                             QStringLiteral("zentaro"));
    entry->trigger();
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_TRUE(boxes.last().text.contains(QStringLiteral("/no_such_library"))) << boxes.last().text.toStdString();
    EXPECT_TRUE(boxes.last().text.contains(QStringLiteral("no database"))) << boxes.last().text.toStdString();
    EXPECT_TRUE(run.main()->session().isOpen());
    EXPECT_EQ(run.state->CurrentLibraryPath, file);
    EXPECT_EQ(run.main()->listModel()->rowCount(), 1);
    EXPECT_TRUE(run.main()->isEnabled());

    const QString chosen = LibraryAddress::FromParts(socketFolder, 0, database, QStringLiteral("zentaro"));
    formAnswers << chosen;
    entry->trigger();
    EXPECT_EQ(boxes.count(), 1) << boxes.last().text.toStdString();
    EXPECT_EQ(run.state->CurrentLibraryPath, chosen);
    EXPECT_EQ(run.main()->listModel()->rowCount(), 2);
    EXPECT_EQ(run.state->PreviousLibraryPath, file);
    EXPECT_EQ(run.main()->windowTitle(), LibrarySession::CaptionFor(run.state->ProgramVersion, chosen, false));
    run.main()->command(QStringLiteral("fxbar"))->trigger();
}

} // namespace
