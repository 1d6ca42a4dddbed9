#include "security/LoginRules.h"
#include "security/PasswordHasher.h"

#include <gtest/gtest.h>

using namespace zentaro;

namespace {

const QString kBrowser = QStringLiteral("Browser");
const QString kEditor = QStringLiteral("Editor");
const QString kAdmin = QStringLiteral("Administrator");

ConfigRow Protected(const QString& browse, const QString& edit, const QString& admin)
{
    ConfigRow row;
    row.UseSecurity = true;
    row.BrowsePassword = browse;
    row.EditPassword = edit;
    row.AdminPassword = admin;
    return row;
}

// Every rule must hold for a library written before hashing and for one
// written with hashed passwords.
class LoginRulesTest : public ::testing::TestWithParam<bool>
{
protected:
    ConfigRow AsStored(const ConfigRow& typed) const
    {
        if (!GetParam())
            return typed;
        Result<ConfigRow> stored =
            PasswordHasher(PasswordHasher::Limits::Fastest()).PrepareForStorage(typed);
        EXPECT_TRUE(stored.ok());
        return stored.ok() ? *stored : typed;
    }

    bool Login(const QString& level, const QString& typed, const ConfigRow& stored) const
    {
        return LoginRules::LoginSucceeds(level, LoginRules::EnteredForm(typed), stored);
    }
};

} // namespace

TEST_P(LoginRulesTest, CaseIsIgnored)
{
    const ConfigRow row = AsStored(Protected(QStringLiteral("Look"), QStringLiteral("secret"),
                                             QStringLiteral("BoSs")));
    EXPECT_TRUE(Login(kEditor, QStringLiteral("SECRET"), row));
    EXPECT_TRUE(Login(kEditor, QStringLiteral("secret"), row));
    EXPECT_TRUE(Login(kAdmin, QStringLiteral("boss"), row));
    EXPECT_TRUE(Login(kBrowser, QStringLiteral("lOOK"), row));
    EXPECT_FALSE(Login(kEditor, QStringLiteral("secrets"), row));
}

TEST_P(LoginRulesTest, ThePasswordMustBeTheChosenLevels)
{
    const ConfigRow row = AsStored(Protected(QStringLiteral("look"), QStringLiteral("edit"),
                                             QStringLiteral("boss")));
    EXPECT_FALSE(Login(kEditor, QStringLiteral("boss"), row));
    EXPECT_FALSE(Login(kAdmin, QStringLiteral("edit"), row));
    EXPECT_FALSE(Login(kBrowser, QStringLiteral("edit"), row));
    EXPECT_FALSE(Login(kEditor, QStringLiteral("look"), row));
    // Level names are exact: the login dialog's own texts only.
    EXPECT_FALSE(Login(QStringLiteral("editor"), QStringLiteral("edit"), row));
    EXPECT_FALSE(Login(QStringLiteral(" Editor"), QStringLiteral("edit"), row));
    EXPECT_FALSE(Login(QString(), QStringLiteral("edit"), row));
}

TEST_P(LoginRulesTest, BlankBrowserPasswordMatchesAnEmptyEntry)
{
    const ConfigRow row = AsStored(Protected(QStringLiteral(" "), QStringLiteral("edit"),
                                             QStringLiteral("boss")));
    EXPECT_EQ(row.BrowsePassword, QStringLiteral(" "));
    EXPECT_TRUE(Login(kBrowser, QString(), row));
    EXPECT_TRUE(Login(kBrowser, QStringLiteral("   "), row));
    EXPECT_FALSE(Login(kBrowser, QStringLiteral("x"), row));
    EXPECT_FALSE(Login(kEditor, QString(), row));
}

TEST_P(LoginRulesTest, OuterBlanksCountOnlyForTheBrowser)
{
    const ConfigRow row = AsStored(Protected(QStringLiteral("  look "), QStringLiteral(" edit"),
                                             QStringLiteral("boss  ")));
    EXPECT_TRUE(Login(kBrowser, QStringLiteral("look"), row));
    EXPECT_TRUE(Login(kBrowser, QStringLiteral(" look  "), row));
    // The entry is trimmed, so a stored outer blank can never be typed.
    EXPECT_FALSE(Login(kEditor, QStringLiteral("edit"), row));
    EXPECT_FALSE(Login(kEditor, QStringLiteral(" edit"), row));
    EXPECT_FALSE(Login(kAdmin, QStringLiteral("boss  "), row));
}

TEST_P(LoginRulesTest, AnUnsetPasswordMatchesNothing)
{
    const ConfigRow nulls = AsStored(Protected(QString(), QString(), QString()));
    EXPECT_FALSE(Login(kEditor, QString(), nulls));
    EXPECT_FALSE(Login(kAdmin, QString(), nulls));
    // Stored as null, a Browser password is no marker: the login is asked for and fails.
    EXPECT_FALSE(Login(kBrowser, QString(), Protected(QString(), QString(), QString())));

    // As the template leaves them: security switched on, Editor and
    // Administrator never given a password.
    const ConfigRow empties = AsStored(Protected(QStringLiteral(" "), QStringLiteral(""),
                                                 QStringLiteral("")));
    for (const QString& level : {kEditor, kAdmin}) {
        for (const QString& typed : {QString(), QStringLiteral(""), QStringLiteral(" "),
                                     QStringLiteral("x")})
            EXPECT_FALSE(Login(level, typed, empties)) << level.toStdString() << " '" << typed.toStdString() << "'";
    }
    // Blanks only can never be typed (the entry is trimmed).
    const ConfigRow blanks = AsStored(Protected(QStringLiteral(" "), QStringLiteral("  "),
                                                QStringLiteral(" ")));
    EXPECT_FALSE(Login(kEditor, QString(), blanks));
    EXPECT_FALSE(Login(kAdmin, QStringLiteral(" "), blanks));

    // The Browser keeps its meaning: empty or blank means "no Browser password".
    EXPECT_TRUE(Login(kBrowser, QString(), empties));
    EXPECT_TRUE(Login(kBrowser, QString(), AsStored(Protected(QStringLiteral(""), QStringLiteral("e"),
                                                              QStringLiteral("a")))));
}

TEST(LoginRules, AHashOfTheEmptyTextOpensNoLevelThatNeedsAPassword)
{
    // The program never hashes an empty password, but a library written
    // elsewhere may hold one.
    const PasswordHasher hasher(PasswordHasher::Limits::Fastest());
    Result<QString> empty = hasher.Hash(QString());
    ASSERT_TRUE(empty.ok());
    const ConfigRow row = Protected(QStringLiteral(" "), *empty, *empty);
    EXPECT_FALSE(LoginRules::LoginSucceeds(QStringLiteral("Editor"), QString(), row));
    EXPECT_FALSE(LoginRules::LoginSucceeds(QStringLiteral("Administrator"), QString(), row));
}

INSTANTIATE_TEST_SUITE_P(PlainAndHashed, LoginRulesTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& param) {
                             return param.param ? "Hashed" : "Plain";
                         });

TEST(LoginRules, EnteredFormIsTrimmedCapitals)
{
    EXPECT_EQ(LoginRules::EnteredForm(QStringLiteral("  Pass word ")), QStringLiteral("PASS WORD"));
    EXPECT_EQ(LoginRules::EnteredForm(QString()), QString());
}

TEST(LoginRules, OpeningAsksForALoginOnlyWithABrowserPassword)
{
    ConfigRow row = Protected(QStringLiteral(" "), QStringLiteral("e"), QStringLiteral("a"));
    EXPECT_FALSE(LoginRules::LoginNeededToOpen(row));
    row.BrowsePassword = QStringLiteral("look");
    EXPECT_TRUE(LoginRules::LoginNeededToOpen(row));
    row.BrowsePassword = QStringLiteral("  ");
    EXPECT_TRUE(LoginRules::LoginNeededToOpen(row));
    row.BrowsePassword = QString();
    EXPECT_TRUE(LoginRules::LoginNeededToOpen(row));

    Result<ConfigRow> hashed = PasswordHasher(PasswordHasher::Limits::Fastest())
                                   .PrepareForStorage(Protected(QStringLiteral("look"),
                                                                QStringLiteral("e"),
                                                                QStringLiteral("a")));
    ASSERT_TRUE(hashed.ok());
    EXPECT_TRUE(LoginRules::LoginNeededToOpen(*hashed));

    row.UseSecurity = false;
    row.BrowsePassword = QStringLiteral("look");
    EXPECT_FALSE(LoginRules::LoginNeededToOpen(row));
}
