#include "CliTestSupport.h"

#include "security/AccessRights.h"

#include <QDir>
#include <QFileInfo>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace zentaro;
using zentaro::test::ZntRun;

namespace {

class CliAccessTest : public test::ZntTest
{
protected:
    // A library with one record, protected with the given rights.
    QString protectedLibrary(bool browseExtract, bool editDelete, const QString& browse = QStringLiteral("look"))
    {
        const QString library = newLibrary();
        writeFile(path(QStringLiteral("doc.txt")), "secret");
        const ZntRun added = znt({QStringLiteral("add"), library, path(QStringLiteral("doc.txt"))});
        EXPECT_EQ(added.exitCode, 0) << added.describe();
        setConfig(library, protectedRow(browseExtract, editDelete, browse));
        return library;
    }

    QStringList as(const QString& level, const QString& password) const
    {
        return {QStringLiteral("--level"), level, QStringLiteral("--password"), password};
    }

    QString outFolder()
    {
        const QString folder = path(QStringLiteral("out"));
        QDir().mkpath(folder);
        return folder;
    }
};

TEST_F(CliAccessTest, BrowserWithoutBrowseExtractIsDeniedExtraction)
{
    const QString library = protectedLibrary(false, false);
    const ZntRun run = znt(QStringList{QStringLiteral("extract"), library, QStringLiteral("--all"),
                                       QStringLiteral("--to"), outFolder()}
                           + as(QStringLiteral("Browser"), QStringLiteral("look")));
    EXPECT_EQ(run.exitCode, 2) << run.describe();
    EXPECT_TRUE(run.errText().contains(AccessRights::kDeniedText)) << run.describe();
    EXPECT_TRUE(run.errText().contains(QStringLiteral("You are currently logged in as a Browser"))) << run.describe();
    EXPECT_TRUE(QDir(outFolder()).entryList(QDir::Files).isEmpty());
    EXPECT_TRUE(run.out.isEmpty());
}

TEST_F(CliAccessTest, BrowserMayExtractWhenTheLibraryAllowsIt)
{
    const QString library = protectedLibrary(true, false);
    // Passwords compare without regard to case.
    const ZntRun run = znt(QStringList{QStringLiteral("extract"), library, QStringLiteral("--all"),
                                       QStringLiteral("--to"), outFolder()}
                           + as(QStringLiteral("Browser"), QStringLiteral("LOOK")));
    EXPECT_EQ(run.exitCode, 0) << run.describe();
    EXPECT_EQ(readFile(QDir(outFolder()).filePath(QStringLiteral("doc.TXT"))), QByteArray("secret"));
}

TEST_F(CliAccessTest, LoginFailuresAreRefusedWithTheProgramsMessage)
{
    const QString library = protectedLibrary(true, true);
    const ZntRun wrong = znt(QStringList{QStringLiteral("list"), library} + as(QStringLiteral("Editor"), QStringLiteral("nope")));
    EXPECT_EQ(wrong.exitCode, 2) << wrong.describe();
    EXPECT_TRUE(wrong.errText().contains(QStringLiteral("ZNT Login Failure: Invalid Password - Try Again"))) << wrong.describe();
    EXPECT_TRUE(wrong.out.isEmpty());

    // The level must match the password's level.
    const ZntRun otherLevel = znt(QStringList{QStringLiteral("list"), library} + as(QStringLiteral("Editor"), QStringLiteral("admin")));
    EXPECT_EQ(otherLevel.exitCode, 2) << otherLevel.describe();

    // Nobody to ask: standard input is not a terminal.
    const ZntRun nobody = znt({QStringLiteral("list"), library});
    EXPECT_EQ(nobody.exitCode, 2) << nobody.describe();
    EXPECT_TRUE(nobody.errText().contains(QStringLiteral("SECURITY PROTECTED"))) << nobody.describe();

    const ZntRun badLevel = znt(QStringList{QStringLiteral("list"), library} + as(QStringLiteral("Boss"), QStringLiteral("admin")));
    EXPECT_EQ(badLevel.exitCode, 1) << badLevel.describe();

    QProcessEnvironment env;
    env.insert(QStringLiteral("ZNT_PASSWORD"), QStringLiteral("admin"));
    const ZntRun fromEnvironment = znt({QStringLiteral("info"), library, QStringLiteral("--json"),
                                        QStringLiteral("--level"), QStringLiteral("Administrator")}, env);
    EXPECT_EQ(fromEnvironment.exitCode, 0) << fromEnvironment.describe();
    EXPECT_EQ(fromEnvironment.json().value(QStringLiteral("AccessLevel")).toString(), QStringLiteral("Administrator"));
    // No password value is ever shown.
    EXPECT_FALSE(fromEnvironment.outText().contains(QStringLiteral("Password")));
}

TEST_F(CliAccessTest, TheRightsTableHoldsForAddAndDelete)
{
    const QString library = protectedLibrary(true, false);
    writeFile(path(QStringLiteral("more.txt")), "more");

    const ZntRun browserAdd = znt(QStringList{QStringLiteral("add"), library, path(QStringLiteral("more.txt"))}
                                  + as(QStringLiteral("Browser"), QStringLiteral("look")));
    EXPECT_EQ(browserAdd.exitCode, 2) << browserAdd.describe();
    EXPECT_TRUE(browserAdd.errText().contains(AccessRights::kDeniedText));

    const ZntRun browserDelete = znt(QStringList{QStringLiteral("delete"), library, QStringLiteral("--all")}
                                     + as(QStringLiteral("Browser"), QStringLiteral("look")));
    EXPECT_EQ(browserDelete.exitCode, 2) << browserDelete.describe();

    const ZntRun editorDelete = znt(QStringList{QStringLiteral("delete"), library, QStringLiteral("--all")}
                                    + as(QStringLiteral("Editor"), QStringLiteral("edit")));
    EXPECT_EQ(editorDelete.exitCode, 2) << editorDelete.describe();
    EXPECT_TRUE(editorDelete.errText().contains(QStringLiteral("You are currently logged in as a Editor")));

    const ZntRun browserCompact = znt(QStringList{QStringLiteral("compact"), library}
                                     + as(QStringLiteral("Browser"), QStringLiteral("look")));
    EXPECT_EQ(browserCompact.exitCode, 2) << browserCompact.describe();
    EXPECT_TRUE(browserCompact.errText().contains(AccessRights::kDeniedText));

    const ZntRun editorAdd = znt(QStringList{QStringLiteral("add"), library, path(QStringLiteral("more.txt"))}
                                 + as(QStringLiteral("Editor"), QStringLiteral("edit")));
    EXPECT_EQ(editorAdd.exitCode, 0) << editorAdd.describe();

    const ZntRun count = znt(QStringList{QStringLiteral("info"), library, QStringLiteral("--json")}
                             + as(QStringLiteral("Browser"), QStringLiteral("look")));
    EXPECT_EQ(count.json().value(QStringLiteral("RecordCount")).toInteger(), 2) << count.describe();

    const ZntRun adminDelete = znt(QStringList{QStringLiteral("delete"), library, QStringLiteral("--all")}
                                   + as(QStringLiteral("Administrator"), QStringLiteral("admin")));
    EXPECT_EQ(adminDelete.exitCode, 0) << adminDelete.describe();
    const ZntRun after = znt(QStringList{QStringLiteral("info"), library, QStringLiteral("--json")}
                             + as(QStringLiteral("Browser"), QStringLiteral("look")));
    EXPECT_EQ(after.json().value(QStringLiteral("RecordCount")).toInteger(), 0) << after.describe();
}

TEST_F(CliAccessTest, BlankBrowserPasswordOpensAsBrowserAndALevelAskedForLogsInAgain)
{
    const QString library = protectedLibrary(false, false, QStringLiteral(" "));
    const ZntRun plain = znt({QStringLiteral("info"), library, QStringLiteral("--json")});
    ASSERT_EQ(plain.exitCode, 0) << plain.describe();
    EXPECT_EQ(plain.json().value(QStringLiteral("AccessLevel")).toString(), QStringLiteral("Browser"));

    const ZntRun raised = znt(QStringList{QStringLiteral("info"), library, QStringLiteral("--json")}
                              + as(QStringLiteral("Editor"), QStringLiteral("edit")));
    ASSERT_EQ(raised.exitCode, 0) << raised.describe();
    EXPECT_EQ(raised.json().value(QStringLiteral("AccessLevel")).toString(), QStringLiteral("Editor"));

    const ZntRun wrong = znt(QStringList{QStringLiteral("info"), library}
                             + as(QStringLiteral("Editor"), QStringLiteral("wrong")));
    EXPECT_EQ(wrong.exitCode, 2) << wrong.describe();
}

TEST_F(CliAccessTest, PasswordsNeverSetOpenNoLevelThatNeedsOne)
{
    // Security switched on, the passwords left as the template has them.
    const QString library = newLibrary();
    {
        Result<std::shared_ptr<Database>> db = Database::open(library);
        ASSERT_TRUE(db.ok()) << db.message().toStdString();
        Result<ConfigRow> row = (*db)->loadConfig();
        ASSERT_TRUE(row.ok());
        ASSERT_EQ(row->BrowsePassword, QStringLiteral(" "));
        ASSERT_TRUE(row->EditPassword.isEmpty() && row->AdminPassword.isEmpty());
        row->UseSecurity = true;
        ASSERT_TRUE((*db)->saveConfig(*row).ok());
        (*db)->close();
    }
    writeFile(path(QStringLiteral("doc.txt")), "x");

    for (const QString& level : {QStringLiteral("Administrator"), QStringLiteral("Editor")}) {
        const ZntRun given = znt(QStringList{QStringLiteral("add"), library, path(QStringLiteral("doc.txt"))}
                                 + as(level, QString()));
        EXPECT_EQ(given.exitCode, 2) << level.toStdString() << given.describe();
        EXPECT_TRUE(given.errText().contains(QStringLiteral("Invalid Password - Try Again"))) << given.describe();

        QProcessEnvironment env;
        env.insert(QStringLiteral("ZNT_PASSWORD"), QString());
        const ZntRun fromEnvironment = znt({QStringLiteral("info"), library, QStringLiteral("--level"), level}, env);
        EXPECT_EQ(fromEnvironment.exitCode, 2) << level.toStdString() << fromEnvironment.describe();
        EXPECT_TRUE(fromEnvironment.out.isEmpty()) << fromEnvironment.describe();
    }
    EXPECT_EQ(recordCount(library), 0);

    // The Browser's blank password still opens without one.
    const ZntRun browser = znt({QStringLiteral("info"), library, QStringLiteral("--json")});
    ASSERT_EQ(browser.exitCode, 0) << browser.describe();
    EXPECT_EQ(browser.json().value(QStringLiteral("AccessLevel")).toString(), QStringLiteral("Browser"));
}

TEST_F(CliAccessTest, AnUnprotectedLibraryRunsAsAdministrator)
{
    const QString library = newLibrary();
    const ZntRun run = znt({QStringLiteral("info"), library, QStringLiteral("--json")});
    ASSERT_EQ(run.exitCode, 0) << run.describe();
    EXPECT_EQ(run.json().value(QStringLiteral("AccessLevel")).toString(), QStringLiteral("Administrator"));
}

TEST_F(CliAccessTest, AReadOnlyLibraryCanBeReadButNotChanged)
{
    const QString library = newLibrary();
    writeFile(path(QStringLiteral("doc.txt")), "x");
    ASSERT_EQ(znt({QStringLiteral("add"), library, path(QStringLiteral("doc.txt"))}).exitCode, 0);
    ASSERT_TRUE(QFile(library).setPermissions(QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));

    const ZntRun listed = znt({QStringLiteral("list"), library});
    EXPECT_EQ(listed.exitCode, 0) << listed.describe();
    EXPECT_TRUE(listed.errText().contains(QStringLiteral("This Library is READ-ONLY.  Changes will not be saved.")));
    EXPECT_EQ(listed.outText().count(QLatin1Char('\n')), 1);

    for (const QStringList& change : {QStringList{QStringLiteral("add"), library, path(QStringLiteral("doc.txt"))},
                                      QStringList{QStringLiteral("delete"), library, QStringLiteral("--all")},
                                      QStringList{QStringLiteral("compact"), library}}) {
        const ZntRun run = znt(change);
        EXPECT_EQ(run.exitCode, 2) << change.first().toStdString() << run.describe();
        EXPECT_TRUE(run.errText().contains(QStringLiteral("ZNT Reminder: This Library File is READ ONLY\n\nYou can not make any changes to this library")))
            << run.describe();
    }
    QFile(library).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(recordCount(library), 1);
}

TEST_F(CliAccessTest, ALibraryHeldByAnotherProgramIsInUse)
{
    const QString library = newLibrary();
    OpenOptions exclusive;
    exclusive.exclusive = true;
    Result<std::shared_ptr<Database>> held = Database::open(library, exclusive);
    ASSERT_TRUE(held.ok());
    const ZntRun run = znt({QStringLiteral("list"), library, QStringLiteral("--shared")});
    EXPECT_EQ(run.exitCode, 2) << run.describe();
    EXPECT_TRUE(run.errText().contains(QStringLiteral("in use"))) << run.describe();
    (*held)->close();
}

TEST_F(CliAccessTest, ALibraryAnotherProgramTakesBackAsSoonAsZntLetsGoIsZntsUntilItIsDone)
{
    const QString library = newLibrary();
    const QByteArray file = QFile::encodeName(library);
    // SQLite's lock bytes: a write lock on the shared range keeps every
    // other connection out, as a program holding the library does.
    flock lock{};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0x40000002;
    lock.l_len = 510;
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        const int fd = ::open(file.constData(), O_RDWR);
        flock held = lock;
        ::fcntl(fd, F_SETLK, &held);
        ::usleep(500000);
        held.l_type = F_UNLCK;
        ::fcntl(fd, F_SETLK, &held);
        // Once znt has it, take it back the moment it lets go, for longer than znt waits.
        for (int i = 0; i < 200000; ++i) {
            flock seen = lock;
            if (::fcntl(fd, F_GETLK, &seen) == 0 && seen.l_type != F_UNLCK)
                break;
            ::usleep(50);
        }
        held = lock;
        ::fcntl(fd, F_SETLKW, &held);
        ::usleep(7000000);
        _exit(0);
    }
    const ZntRun run = znt({QStringLiteral("info"), library});
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    // One opening, held until the command is done: nothing can come between.
    EXPECT_EQ(run.exitCode, 0) << run.describe();
}

} // namespace
