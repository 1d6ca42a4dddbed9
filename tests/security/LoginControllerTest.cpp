#include "security/LoginController.h"
#include "security/PasswordHasher.h"
#include "support/TestPaths.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <vector>

using namespace zentaro;
using LoginOutcome = LoginController::Outcome;
using OpeningAccess = LoginController::OpeningAccess;

namespace {

ConfigRow Protected(const QString& browse, const QString& edit, const QString& admin)
{
    ConfigRow row;
    row.UseSecurity = true;
    row.BrowsePassword = browse;
    row.EditPassword = edit;
    row.AdminPassword = admin;
    return row;
}

// Plays the main window: answers the login dialog from a script and records
// what the login loop asked of it.
class FakeHost : public LoginHost
{
public:
    explicit FakeHost(ProgramState& state) : m_state(state) {}

    // Config rows handed out by ReadConfig in turn; the last one repeats.
    std::vector<Result<ConfigRow>> configs;
    // Dialog answers in turn; an empty optional is Cancel. Running out cancels.
    std::deque<std::optional<LoginAnswer>> answers;
    // Run while the dialog is "showing", e.g. to mimic a dialog writing the state.
    std::function<void()> onDialog;

    int configReads = 0;
    int dialogs = 0;
    int applied = 0;
    ConfigRow appliedConfig;
    QString levelWhenApplied;
    std::vector<QString> failureTitles;
    std::vector<QString> failureTexts;
    std::vector<QString> levelsDuringFailure;
    std::vector<bool> reLoginAtDialog;
    std::optional<bool> reLoginVisible;

    void SetReLoginVisible(bool visible) override { reLoginVisible = visible; }

    Result<ConfigRow> ReadConfig() override
    {
        const std::size_t at = std::min<std::size_t>(configReads, configs.size() - 1);
        ++configReads;
        return configs.at(at);
    }

    std::optional<LoginAnswer> ShowLoginDialog() override
    {
        ++dialogs;
        reLoginAtDialog.push_back(reLoginVisible.value_or(false));
        if (onDialog)
            onDialog();
        if (answers.empty())
            return std::nullopt;
        std::optional<LoginAnswer> answer = answers.front();
        answers.pop_front();
        return answer;
    }

    void ShowLoginFailure(const QString& title, const QString& text) override
    {
        failureTitles.push_back(title);
        failureTexts.push_back(text);
        levelsDuringFailure.push_back(m_state.AccessLevel);
    }

    void ApplyAccessRights(const ConfigRow& config) override
    {
        ++applied;
        appliedConfig = config;
        levelWhenApplied = m_state.AccessLevel;
    }

private:
    ProgramState& m_state;
};

class LoginControllerTest : public ::testing::Test
{
protected:
    test::ProgramFolder folder;
    ProgramState state{folder.folder()};
    FakeHost host{state};
    LoginController controller{state, host};

    void Answer(const char* level, const char* password)
    {
        host.answers.push_back(LoginAnswer{QLatin1String(level), QLatin1String(password)});
    }
    void Cancel() { host.answers.push_back(std::nullopt); }
};

} // namespace

TEST_F(LoginControllerTest, RightPasswordSetsTheLevelAndAppliesTheRights)
{
    host.configs = {Protected(QStringLiteral("look"), QStringLiteral("Secret"), QStringLiteral("boss"))};
    state.AccessLevel = QStringLiteral("Browser");
    Answer(" Editor ", "  secret ");

    const LoginController::LoginResult result = controller.CheckLogin();
    EXPECT_EQ(result.outcome, LoginOutcome::LoggedIn);
    EXPECT_EQ(state.AccessLevel, QStringLiteral("Editor"));
    EXPECT_EQ(host.applied, 1);
    EXPECT_EQ(host.levelWhenApplied, QStringLiteral("Editor"));
    EXPECT_TRUE(host.failureTexts.empty());
    EXPECT_EQ(host.reLoginAtDialog, std::vector<bool>{true});
    EXPECT_EQ(host.reLoginVisible, true);
}

TEST_F(LoginControllerTest, WrongPasswordsLoopWithTheFailureShownEachTime)
{
    host.configs = {Protected(QStringLiteral("look"), QStringLiteral("edit"), QStringLiteral("boss"))};
    state.AccessLevel = QStringLiteral("Browser");
    Answer("Editor", "boss"); // the Administrator's password does not open Editor
    Answer("Administrator", "edit");
    Answer("Administrator", "BOSS");
    // The dialog may write the level it offers; that must not count as a login.
    host.onDialog = [this] { state.AccessLevel = QStringLiteral("Administrator"); };

    EXPECT_EQ(controller.CheckLogin().outcome, LoginOutcome::LoggedIn);
    EXPECT_EQ(host.dialogs, 3);
    ASSERT_EQ(host.failureTexts.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(host.failureTitles[i], QStringLiteral("ZNT Login Failure"));
        EXPECT_EQ(host.failureTexts[i], QStringLiteral("Invalid Password - Try Again"));
        // An unproven level is never in force, not even while the failure shows.
        EXPECT_EQ(host.levelsDuringFailure[i], QStringLiteral("Browser"));
    }
    EXPECT_EQ(state.AccessLevel, QStringLiteral("Administrator"));
    EXPECT_EQ(host.applied, 1);
}

TEST_F(LoginControllerTest, CancelAfterFailuresRestoresTheSavedLevel)
{
    host.configs = {Protected(QStringLiteral("look"), QStringLiteral("edit"), QStringLiteral("boss"))};
    state.AccessLevel = QStringLiteral("Editor");
    Answer("Administrator", "wrong");
    Answer("Administrator", "wrong again");
    Cancel();
    // A dialog that writes the level itself must not leave it behind.
    host.onDialog = [this] { state.AccessLevel = QStringLiteral("Administrator"); };

    EXPECT_EQ(controller.CheckLogin().outcome, LoginOutcome::Cancelled);
    EXPECT_EQ(state.AccessLevel, QStringLiteral("Editor"));
    EXPECT_EQ(host.failureTexts.size(), 2u);
    EXPECT_EQ(host.dialogs, 3);
    EXPECT_EQ(host.applied, 0);
    EXPECT_EQ(host.reLoginVisible, true);
}

TEST_F(LoginControllerTest, ConfigIsReadAgainBeforeEveryAttempt)
{
    // The Editor password is changed elsewhere while the user is trying.
    ConfigRow before = Protected(QStringLiteral("look"), QStringLiteral("old"), QStringLiteral("boss"));
    ConfigRow after = before;
    after.EditPassword = QStringLiteral("new");
    after.EditDelete = true;
    host.configs = {before, after};
    Answer("Editor", "new");
    Answer("Editor", "new");

    EXPECT_EQ(controller.CheckLogin().outcome, LoginOutcome::LoggedIn);
    EXPECT_EQ(host.configReads, 2);
    EXPECT_EQ(host.failureTexts.size(), 1u);
    EXPECT_TRUE(host.appliedConfig.EditDelete);
}

TEST_F(LoginControllerTest, HashedPasswordsLogIn)
{
    Result<ConfigRow> stored =
        PasswordHasher(PasswordHasher::Limits::Fastest())
            .PrepareForStorage(Protected(QStringLiteral("Look"), QStringLiteral("Edit"),
                                         QStringLiteral("Boss")));
    ASSERT_TRUE(stored.ok());
    host.configs = {*stored};
    Answer("Browser", "edit");
    Answer("Browser", " LOOK ");

    EXPECT_EQ(controller.CheckLogin().outcome, LoginOutcome::LoggedIn);
    EXPECT_EQ(state.AccessLevel, QStringLiteral("Browser"));
    EXPECT_EQ(host.failureTexts.size(), 1u);
}

TEST_F(LoginControllerTest, UnsetPasswordsNeverRaiseTheLevel)
{
    // Security on, the Editor and Administrator passwords left empty.
    host.configs = {Protected(QStringLiteral(" "), QStringLiteral(""), QStringLiteral(""))};
    ASSERT_EQ(controller.SettleOpeningLevel(host.configs.front().value()).access, OpeningAccess::Browser);
    Answer("Administrator", "");
    Answer("Editor", "   ");
    Answer("Administrator", "x");
    Cancel();

    EXPECT_EQ(controller.CheckLogin().outcome, LoginOutcome::Cancelled);
    EXPECT_EQ(state.AccessLevel, QStringLiteral("Browser"));
    EXPECT_EQ(host.failureTexts.size(), 3u);
    EXPECT_EQ(host.applied, 0);
}

TEST_F(LoginControllerTest, UnprotectedLibraryChangesNothing)
{
    ConfigRow open;
    open.UseSecurity = false;
    host.configs = {open};
    state.AccessLevel = QStringLiteral("Administrator");

    EXPECT_EQ(controller.CheckLogin().outcome, LoginOutcome::SecurityOff);
    EXPECT_EQ(state.AccessLevel, QStringLiteral("Administrator"));
    EXPECT_EQ(host.dialogs, 0);
    EXPECT_EQ(host.applied, 0);
    EXPECT_EQ(host.reLoginVisible, false);
}

TEST_F(LoginControllerTest, UnreadableConfigEndsTheLoginWithTheLevelKept)
{
    host.configs = {Protected(QStringLiteral("look"), QStringLiteral("edit"), QStringLiteral("boss")),
                    Result<ConfigRow>::failure(ErrorCode::Unreadable, QStringLiteral("gone"))};
    state.AccessLevel = QStringLiteral("Browser");
    Answer("Editor", "nope");

    const LoginController::LoginResult result = controller.CheckLogin();
    EXPECT_EQ(result.outcome, LoginOutcome::ConfigUnreadable);
    EXPECT_EQ(result.error.message(), QStringLiteral("gone"));
    EXPECT_EQ(state.AccessLevel, QStringLiteral("Browser"));
    EXPECT_EQ(host.dialogs, 1);
}

TEST_F(LoginControllerTest, OpeningWithBlankBrowserPasswordNeedsNoDialog)
{
    state.AccessLevel = QStringLiteral("Administrator");
    const LoginController::OpeningResult result = controller.SettleOpeningLevel(
        Protected(QStringLiteral(" "), QStringLiteral("edit"), QStringLiteral("boss")));
    EXPECT_EQ(result.access, OpeningAccess::Browser);
    EXPECT_EQ(state.AccessLevel, QStringLiteral("Browser"));
    EXPECT_EQ(host.reLoginVisible, true);
    EXPECT_EQ(host.dialogs, 0);
    EXPECT_EQ(host.configReads, 0);
}

TEST_F(LoginControllerTest, OpeningUnprotectedIsAdministratorWithReLoginHidden)
{
    ConfigRow open = Protected(QStringLiteral("look"), QStringLiteral("edit"), QStringLiteral("boss"));
    open.UseSecurity = false;
    state.AccessLevel = QStringLiteral("Browser");
    EXPECT_EQ(controller.SettleOpeningLevel(open).access, OpeningAccess::Administrator);
    EXPECT_EQ(state.AccessLevel, QStringLiteral("Administrator"));
    EXPECT_EQ(host.reLoginVisible, false);
    EXPECT_EQ(host.dialogs, 0);
}

TEST_F(LoginControllerTest, OpeningProtectedRunsTheLogin)
{
    const ConfigRow row = Protected(QStringLiteral("look"), QStringLiteral("edit"), QStringLiteral("boss"));
    host.configs = {row};
    Answer("Browser", "LOOK");
    EXPECT_EQ(controller.SettleOpeningLevel(row).access, OpeningAccess::LoggedIn);
    EXPECT_EQ(state.AccessLevel, QStringLiteral("Browser"));
    EXPECT_EQ(host.applied, 1);
}

TEST_F(LoginControllerTest, CancelledOpeningLeavesNoLevelFromThePreviousLibrary)
{
    const ConfigRow row = Protected(QStringLiteral("look"), QStringLiteral("edit"), QStringLiteral("boss"));
    host.configs = {row};
    state.AccessLevel = QStringLiteral("Administrator"); // from the library open before
    Cancel();

    const LoginController::OpeningResult result = controller.SettleOpeningLevel(row);
    EXPECT_EQ(result.access, OpeningAccess::LoginFailed);
    EXPECT_TRUE(result.error.ok());
    EXPECT_TRUE(state.AccessLevel.isEmpty());
}

TEST_F(LoginControllerTest, OpeningWhoseConfigVanishesFails)
{
    const ConfigRow row = Protected(QStringLiteral("look"), QStringLiteral("edit"), QStringLiteral("boss"));
    host.configs = {Result<ConfigRow>::failure(ErrorCode::Unreadable, QStringLiteral("gone"))};
    const LoginController::OpeningResult result = controller.SettleOpeningLevel(row);
    EXPECT_EQ(result.access, OpeningAccess::LoginFailed);
    EXPECT_EQ(result.error.code(), ErrorCode::Unreadable);
    EXPECT_TRUE(state.AccessLevel.isEmpty());
    EXPECT_EQ(host.dialogs, 0);
}

TEST_F(LoginControllerTest, OpeningWhenSecurityWasJustSwitchedOffIsAdministrator)
{
    const ConfigRow bound = Protected(QStringLiteral("look"), QStringLiteral("edit"), QStringLiteral("boss"));
    ConfigRow reread = bound;
    reread.UseSecurity = false;
    host.configs = {reread};
    EXPECT_EQ(controller.SettleOpeningLevel(bound).access, OpeningAccess::Administrator);
    EXPECT_EQ(state.AccessLevel, QStringLiteral("Administrator"));
    EXPECT_EQ(host.reLoginVisible, false);
}
