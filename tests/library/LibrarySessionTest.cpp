#include "core/ProgramState.h"
#include "security/PasswordHasher.h"
#include "store/Database.h"
#include "store/LibraryFile.h"
#include "store/SchemaUpgrade.h"
#include "library/LibrarySession.h"
#include "support/FakeLibraryHost.h"
#include "support/TestPaths.h"

#include <QFile>
#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace zentaro;

namespace {

class LibrarySessionTest : public ::testing::Test
{
protected:
    LibrarySessionTest() : state(folder.folder()), session(state, state.Settings, host)
    {
        host.session = &session;
        state.Settings.ExclusiveMode = false;
    }

    // A new library from the template, with the given titles and Config row.
    QString makeLibrary(const QString& name, const QStringList& titles,
                        const std::optional<ConfigRow>& typedConfig = std::nullopt)
    {
        const QString path = folder.path(name);
        EXPECT_TRUE(Database::compactFile(test::templatePath(), path).ok());
        Result<std::shared_ptr<Database>> db = Database::open(path, {false, false, 1000});
        EXPECT_TRUE(db.ok()) << db.message().toStdString();
        for (const QString& title : titles) {
            MainRecord record;
            record.Title = title;
            EXPECT_TRUE((*db)->insertRecord(record).ok());
        }
        if (typedConfig) {
            PasswordHasher hasher(PasswordHasher::Limits::Fastest());
            Result<ConfigRow> stored = hasher.PrepareForStorage(*typedConfig);
            EXPECT_TRUE(stored.ok());
            EXPECT_TRUE((*db)->saveConfig(*stored).ok());
        }
        (*db)->close();
        return path;
    }

    static ConfigRow protectedRow(const QString& browse)
    {
        ConfigRow row;
        row.UseSecurity = true;
        row.BrowsePassword = browse;
        row.EditPassword = QStringLiteral("editpass");
        row.AdminPassword = QStringLiteral("AdminPass");
        return row;
    }

    QString currentTitle()
    {
        Result<MainRecord> record = session.DCMain()->currentRecord();
        return record ? record->Title : QString();
    }

    test::ProgramFolder folder;
    ProgramState state;
    test::FakeLibraryHost host;
    LibrarySession session;
};

} // namespace

TEST_F(LibrarySessionTest, UnprotectedLibraryOpensAsAdministratorWithReLoginHidden)
{
    state.CurrentLibraryPath = makeLibrary(QStringLiteral("Photos 1999.ZNT"), {"b", "a"});
    host.reLoginVisible = true;
    session.OpenLibrary();
    ASSERT_TRUE(session.isOpen());
    EXPECT_EQ(state.AccessLevel, QStringLiteral("Administrator"));
    EXPECT_FALSE(host.reLoginVisible);
    EXPECT_EQ(host.loginDialogs, 0);
    EXPECT_EQ(host.rightsApplied, 1);
    EXPECT_EQ(host.caption, QStringLiteral("Zentaro 2.1       Current Library:  Photos 1999"));
    EXPECT_EQ(session.ListedCount(), 2);
    EXPECT_EQ(currentTitle(), QStringLiteral("a"));
}

TEST_F(LibrarySessionTest, BlankBrowsePasswordOpensAsBrowserWithoutAsking)
{
    state.CurrentLibraryPath = makeLibrary(QStringLiteral("p.ZNT"), {}, protectedRow(" "));
    session.OpenLibrary();
    ASSERT_TRUE(session.isOpen());
    EXPECT_EQ(state.AccessLevel, QStringLiteral("Browser"));
    EXPECT_TRUE(host.reLoginVisible);
    EXPECT_EQ(host.loginDialogs, 0);
}

TEST_F(LibrarySessionTest, ABrowserLeavesAnOlderLibraryAsItIsUntilALoginThatMayChangeIt)
{
    const QString path = folder.path(QStringLiteral("old.ZNT"));
    ASSERT_TRUE(test::makeOldLibrary(path));
    {
        PasswordHasher hasher(PasswordHasher::Limits::Fastest());
        const ConfigRow row = *hasher.PrepareForStorage(protectedRow(" "));
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "UPDATE Config SET UseSecurity = 1, BrowsePassword = ?, EditPassword = ?, AdminPassword = ?",
                           -1, &st, nullptr);
        int i = 0;
        for (const QString& password : {row.BrowsePassword, row.EditPassword, row.AdminPassword}) {
            const QByteArray text = password.toUtf8();
            sqlite3_bind_text(st, ++i, text.constData(), int(text.size()), SQLITE_TRANSIENT);
        }
        EXPECT_EQ(sqlite3_step(st), SQLITE_DONE);
        sqlite3_finalize(st);
        sqlite3_close(db);
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    state.CurrentLibraryPath = path;
    session.OpenLibrary();
    ASSERT_TRUE(session.isOpen());
    ASSERT_EQ(state.AccessLevel, QStringLiteral("Browser"));
    EXPECT_EQ(session.database()->schemaVersion(), LibraryFile::kSchemaVersion);
    EXPECT_TRUE(session.RequeryList().ok());
    session.CloseLibrary();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll() == before);
    file.close();

    session.OpenLibrary();
    host.loginAnswers.push_back(LoginAnswer{QStringLiteral("Editor"), QStringLiteral("editpass")});
    const Result<LoginController::Login> login = session.CheckLogin();
    ASSERT_TRUE(login.ok());
    EXPECT_EQ(*login, LoginController::Login::LoggedIn);
    EXPECT_EQ(session.database()->schemaVersion(), SchemaUpgrade::latestVersion());
    EXPECT_TRUE(host.notices.empty()) << host.noticeTexts().join(u'|').toStdString();
}

TEST_F(LibrarySessionTest, LoginCancelledAtTheFirstOpenAborts)
{
    state.CurrentLibraryPath = makeLibrary(QStringLiteral("p.ZNT"), {"x"}, protectedRow("browse"));
    const Result<OpenedLibrary> opened = session.OpenLibrary();
    EXPECT_EQ(opened.code(), ErrorCode::Cancelled);
    EXPECT_FALSE(session.isOpen());
    EXPECT_TRUE(state.AccessLevel.isEmpty());
    EXPECT_EQ(host.loginDialogs, 1);
}

TEST_F(LibrarySessionTest, WrongPasswordIsRefusedUntilTheRightOneIsGiven)
{
    state.CurrentLibraryPath = makeLibrary(QStringLiteral("p.ZNT"), {"x"}, protectedRow("browse"));
    host.loginAnswers.push_back(LoginAnswer{QStringLiteral("Editor"), QStringLiteral("AdminPass")});
    host.loginAnswers.push_back(LoginAnswer{QStringLiteral("Editor"), QStringLiteral("EDITPASS")});
    session.OpenLibrary();
    ASSERT_TRUE(session.isOpen());
    EXPECT_EQ(state.AccessLevel, QStringLiteral("Editor"));
    ASSERT_EQ(host.loginFailures.size(), 1);
    EXPECT_EQ(host.loginFailures[0], QStringLiteral("ZNT Login Failure|Invalid Password - Try Again"));
}

TEST_F(LibrarySessionTest, CancelledLoginOnSwitchReturnsToThePreviousLibrary)
{
    const QString a = makeLibrary(QStringLiteral("A.ZNT"), {"in a"});
    const QString b = makeLibrary(QStringLiteral("B.ZNT"), {"in b"}, protectedRow("browse"));
    state.CurrentLibraryPath = a;
    session.OpenLibrary();
    ASSERT_TRUE(session.isOpen());

    const Result<OpenedLibrary> opened = session.OpenOtherLibrary(b);
    ASSERT_TRUE(session.isOpen());
    EXPECT_EQ(state.CurrentLibraryPath, a);
    EXPECT_TRUE(state.PreviousLibraryPath.isEmpty());
    ASSERT_TRUE(opened.ok());
    EXPECT_EQ(opened->path, a);
    EXPECT_EQ(state.AccessLevel, QStringLiteral("Administrator"));
    EXPECT_EQ(currentTitle(), QStringLiteral("in a"));
    EXPECT_TRUE(host.noticeTexts().contains(
        QStringLiteral("Login failed, so ZNT will now Re-Open the last opened Library File")));
}

TEST_F(LibrarySessionTest, AFileTheEngineRefusesIsReportedAndThePreviousLibraryComesBack)
{
    const QString a = makeLibrary(QStringLiteral("A.ZNT"), {"in a"});
    const QString bad = folder.path(QStringLiteral("notes.ZNT"));
    {
        QFile f(bad);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
    }
    state.CurrentLibraryPath = a;
    session.OpenLibrary();
    session.OpenOtherLibrary(bad);
    ASSERT_TRUE(session.isOpen());
    EXPECT_EQ(state.CurrentLibraryPath, a);
    ASSERT_FALSE(host.notices.empty());
    EXPECT_EQ(host.notices.front().icon, NoticeIcon::Critical);
    EXPECT_TRUE(host.notices.front().text.contains(QStringLiteral("notes.ZNT")))
        << host.notices.front().text.toStdString();
}

TEST_F(LibrarySessionTest, InvalidNameLeavesTheCurrentLibraryOpen)
{
    state.CurrentLibraryPath = makeLibrary(QStringLiteral("A.ZNT"), {"in a"});
    session.OpenLibrary();
    EXPECT_FALSE(session.OpenOtherLibrary(folder.path(QStringLiteral("report.doc"))));
    EXPECT_TRUE(session.isOpen());
    ASSERT_EQ(host.notices.size(), 1u);
    EXPECT_EQ(host.notices[0].text, QStringLiteral("That is not a valid ZNT file name (*.ZNT)"));
}

TEST_F(LibrarySessionTest, ReadOnlyFileShowsTheNoticeAndTheCaptionSaysSo)
{
    const QString path = makeLibrary(QStringLiteral("ro.ZNT"), {"x"});
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup);
    state.CurrentLibraryPath = path;
    session.OpenLibrary();
    ASSERT_TRUE(session.isOpen());
    EXPECT_TRUE(state.LibraryReadOnly);
    EXPECT_TRUE(host.caption.endsWith(QStringLiteral(" (READ ONLY)")));
    ASSERT_FALSE(host.notices.empty());
    EXPECT_EQ(host.notices[0].title, QStringLiteral("ZNT Notice"));
    EXPECT_EQ(host.notices[0].text,
              QStringLiteral("This Library is READ-ONLY.  Changes will not be saved."));
}

TEST_F(LibrarySessionTest, RequeryKeepsTheCurrentRecordOrFallsBackToTheFirst)
{
    state.CurrentLibraryPath = makeLibrary(QStringLiteral("A.ZNT"), {"alpha", "beta", "gamma"});
    session.OpenLibrary();
    session.MoveLast();
    ASSERT_EQ(currentTitle(), QStringLiteral("gamma"));

    // Still listed though its position changed.
    state.QueryOrder = QStringLiteral("ORDER BY Title DESC");
    ASSERT_TRUE(session.RequeryList().ok());
    EXPECT_EQ(currentTitle(), QStringLiteral("gamma"));
    EXPECT_EQ(session.DCMain()->absolutePosition(), 0);

    // No longer listed: the first listed record becomes current.
    state.QueryWhere = QStringLiteral("WHERE Title <> \"gamma\" ");
    ASSERT_TRUE(session.RequeryList().ok());
    EXPECT_EQ(currentTitle(), QStringLiteral("beta"));
    host.selected = 1;
    session.ShowCounts();
    EXPECT_EQ(host.countsText, QStringLiteral("Selected: 1    Listed: 2    Total: 3"));
}

TEST_F(LibrarySessionTest, ABadQueryKeepsThePreviousList)
{
    state.CurrentLibraryPath = makeLibrary(QStringLiteral("A.ZNT"), {"alpha", "beta"});
    session.OpenLibrary();
    session.MoveLast();
    const QString before = state.CurrentQuery;
    state.QueryWhere = QStringLiteral("WHERE Title = \"unbalanced ");
    EXPECT_FALSE(session.RequeryList().ok());
    EXPECT_EQ(state.CurrentQuery, before);
    EXPECT_EQ(session.ListedCount(), 2);
    EXPECT_EQ(currentTitle(), QStringLiteral("beta"));
}

TEST_F(LibrarySessionTest, WalkingStopsAtTheEndsAndDoesNothingOnAnEmptyList)
{
    state.CurrentLibraryPath = makeLibrary(QStringLiteral("A.ZNT"), {"a", "b"});
    session.OpenLibrary();
    session.MoveNext();
    session.MoveNext();
    session.MoveNext();
    EXPECT_EQ(currentTitle(), QStringLiteral("b"));
    EXPECT_EQ(host.currentPosition, 1);
    session.MovePrevious();
    session.MovePrevious();
    EXPECT_EQ(currentTitle(), QStringLiteral("a"));
    EXPECT_EQ(host.currentPosition, 0);

    state.QueryWhere = QStringLiteral("WHERE Title = \"none\" ");
    ASSERT_TRUE(session.RequeryList().ok());
    EXPECT_EQ(session.ListedCount(), 0);
    session.MoveNext();
    session.MovePrevious();
    session.MoveFirst();
    session.MoveLast();
    EXPECT_FALSE(session.DCMain()->hasCurrent());
    EXPECT_EQ(host.countsText, QStringLiteral("Selected: 0    Listed: 0    Total: 2"));

    // From an empty list a re-query starts at the first record.
    state.QueryWhere.clear();
    ASSERT_TRUE(session.RequeryList().ok());
    EXPECT_EQ(currentTitle(), QStringLiteral("a"));
}

TEST_F(LibrarySessionTest, CheckDataFileCreatesAMissingLibraryFromTheTemplate)
{
    state.CurrentLibraryPath = folder.path(QStringLiteral("Main Library.ZNT"));
    ASSERT_TRUE(LibrarySession::CheckDataFile(state.CurrentLibraryPath, state.TemplatePath, host));
    EXPECT_TRUE(host.notices.empty());
    session.OpenLibrary();
    ASSERT_TRUE(session.isOpen());
    EXPECT_EQ(session.TotalCount(), 0);
    EXPECT_FALSE(session.Config().Created.isValid());
    ASSERT_TRUE(session.StampCreatedIfEmpty().ok());
    Result<ConfigRow> row = session.ReadConfig();
    ASSERT_TRUE(row.ok());
    EXPECT_LE(qAbs(row->Created.secsTo(QDateTime::currentDateTime())), 5);
}

TEST_F(LibrarySessionTest, CheckDataFileRefusesAPathThatCannotBeOpened)
{
    state.CurrentLibraryPath = folder.path(QStringLiteral("no such folder/Main Library.ZNT"));
    EXPECT_FALSE(LibrarySession::CheckDataFile(state.CurrentLibraryPath, state.TemplatePath, host));
    ASSERT_EQ(host.notices.size(), 1u);
    EXPECT_EQ(host.notices[0].title, QStringLiteral("ZNT Open Library Failure"));
    EXPECT_TRUE(host.notices[0].text.startsWith(
        QStringLiteral("There was a problem opening the Default Startup Library:\r\n\r\n") +
        state.CurrentLibraryPath + QStringLiteral("\r\nPlease correct the problem")));
}

TEST_F(LibrarySessionTest, OpenCommandRemembersTheLibraryFolder)
{
    state.CurrentLibraryPath = makeLibrary(QStringLiteral("A.ZNT"), {});
    session.OpenLibrary();
    const QString b = makeLibrary(QStringLiteral("B.ZNT"), {"b"});
    ASSERT_TRUE(session.OpenOtherLibrary(b));
    EXPECT_EQ(state.Settings.LibraryFolder, folder.folder());
    EXPECT_EQ(state.CurrentLibraryPath, b);
    EXPECT_EQ(session.TotalCount(), 1);
}
