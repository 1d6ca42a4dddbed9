#include "security/PasswordHasher.h"

#include <gtest/gtest.h>

using namespace zentaro;
using Form = PasswordHasher::Form;

namespace {

PasswordHasher FastHasher()
{
    return PasswordHasher(PasswordHasher::Limits::Fastest());
}

QString HashOf(const QString& text)
{
    Result<QString> hash = FastHasher().Hash(text);
    EXPECT_TRUE(hash.ok()) << hash.message().toStdString();
    return hash.ok() ? *hash : QString();
}

} // namespace

TEST(PasswordHasher, HashRoundTripIsExactAndSalted)
{
    const QString hash = HashOf(QStringLiteral("SECRET"));
    EXPECT_TRUE(hash.startsWith(QStringLiteral("$argon2id$")));
    EXPECT_TRUE(PasswordHasher::IsHash(hash));
    EXPECT_FALSE(hash.contains(QStringLiteral("SECRET"), Qt::CaseInsensitive));

    EXPECT_TRUE(PasswordHasher::Verify(hash, QStringLiteral("SECRET"), Form::Untrimmed));
    EXPECT_FALSE(PasswordHasher::Verify(hash, QStringLiteral("SECRET "), Form::Untrimmed));
    EXPECT_FALSE(PasswordHasher::Verify(hash, QStringLiteral("SECRES"), Form::Untrimmed));
    EXPECT_FALSE(PasswordHasher::Verify(hash, QString(), Form::Untrimmed));
    // A hash holds the comparison form already: verifying never re-applies it.
    EXPECT_FALSE(PasswordHasher::Verify(hash, QStringLiteral("secret"), Form::Trimmed));

    EXPECT_NE(HashOf(QStringLiteral("SECRET")), hash);
}

TEST(PasswordHasher, NonAsciiPasswordsRoundTrip)
{
    const QString form = PasswordHasher::ComparisonForm(QStringLiteral("grüße"), Form::Untrimmed);
    const QString hash = HashOf(form);
    EXPECT_TRUE(PasswordHasher::Verify(hash, form, Form::Untrimmed));
    EXPECT_FALSE(PasswordHasher::Verify(hash, QStringLiteral("GRUSSE"), Form::Untrimmed));
}

TEST(PasswordHasher, LimitsAreHonouredAndClampedToTheMinimum)
{
    const PasswordHasher clamped(PasswordHasher::Limits{0, 0});
    EXPECT_EQ(clamped.limits().OpsLimit, PasswordHasher::Limits::Fastest().OpsLimit);
    EXPECT_EQ(clamped.limits().MemLimit, PasswordHasher::Limits::Fastest().MemLimit);

    // The cost written into the hash is the injected one.
    const QString hash = HashOf(QStringLiteral("X"));
    EXPECT_TRUE(hash.contains(QStringLiteral("$m=8,t=1,")));

    const PasswordHasher program;
    EXPECT_GE(program.limits().OpsLimit, PasswordHasher::Limits::Interactive().OpsLimit);
    EXPECT_GE(program.limits().MemLimit, PasswordHasher::Limits::Interactive().MemLimit);
    EXPECT_GT(PasswordHasher::Limits::Interactive().MemLimit,
              PasswordHasher::Limits::Fastest().MemLimit);
}

TEST(PasswordHasher, OnlyWellFormedArgon2idStringsCountAsHashes)
{
    const QString hash = HashOf(QStringLiteral("X"));
    ASSERT_TRUE(PasswordHasher::IsHash(hash));

    EXPECT_FALSE(PasswordHasher::IsHash(QStringLiteral("secret")));
    EXPECT_FALSE(PasswordHasher::IsHash(QString()));
    EXPECT_FALSE(PasswordHasher::IsHash(QStringLiteral(" ")));
    EXPECT_FALSE(PasswordHasher::IsHash(QStringLiteral("$argon2id$")));
    EXPECT_FALSE(PasswordHasher::IsHash(hash.left(hash.lastIndexOf(QLatin1Char('$')))));
    EXPECT_FALSE(PasswordHasher::IsHash(hash + QStringLiteral("$x")));
    EXPECT_FALSE(PasswordHasher::IsHash(hash + QStringLiteral("!")));
    EXPECT_FALSE(PasswordHasher::IsHash(QString(hash).replace(QStringLiteral("m=8"),
                                                              QStringLiteral("m=eight"))));
    EXPECT_FALSE(PasswordHasher::IsHash(QString(hash).replace(QStringLiteral("$argon2id$"),
                                                              QStringLiteral("$argon2i$"))));
}

TEST(PasswordHasher, HashesAskingForExcessiveWorkAreRefusedUnverified)
{
    const QString hash = HashOf(QStringLiteral("X"));
    ASSERT_TRUE(PasswordHasher::VerifiableCost(hash));
    auto withCost = [&](const char* cost) {
        return QString(hash).replace(QStringLiteral("m=8,t=1"), QLatin1String(cost));
    };
    // Every cost this program or its settings would use.
    EXPECT_TRUE(PasswordHasher::VerifiableCost(withCost("m=65536,t=2")));
    EXPECT_TRUE(PasswordHasher::VerifiableCost(withCost("m=1048576,t=4")));
    EXPECT_TRUE(PasswordHasher::VerifiableCost(withCost("m=8192,t=64")));
    // A crafted library must not make a login allocate gigabytes or spin for hours.
    EXPECT_FALSE(PasswordHasher::VerifiableCost(withCost("m=4194304,t=1")));
    EXPECT_FALSE(PasswordHasher::VerifiableCost(withCost("m=1048576,t=5")));
    EXPECT_FALSE(PasswordHasher::VerifiableCost(withCost("m=8,t=4294967295")));
    EXPECT_FALSE(PasswordHasher::VerifiableCost(withCost("m=18446744073709551615,t=1")));
    EXPECT_FALSE(PasswordHasher::VerifiableCost(withCost("m=0,t=1")));
    EXPECT_FALSE(PasswordHasher::VerifiableCost(QStringLiteral("secret")));
}

TEST(PasswordHasher, PlainStoredValuesKeepTheOldComparison)
{
    // Libraries written before hashing, and the template's empty strings.
    EXPECT_TRUE(PasswordHasher::Verify(QStringLiteral("Secret"), QStringLiteral("SECRET"),
                                       Form::Untrimmed));
    EXPECT_TRUE(PasswordHasher::Verify(QStringLiteral("  Secret "), QStringLiteral("SECRET"),
                                       Form::Trimmed));
    EXPECT_FALSE(PasswordHasher::Verify(QStringLiteral("  Secret "), QStringLiteral("SECRET"),
                                        Form::Untrimmed));
    EXPECT_FALSE(PasswordHasher::Verify(QStringLiteral("Secret"), QStringLiteral("Secret"),
                                        Form::Untrimmed));
    EXPECT_TRUE(PasswordHasher::Verify(QStringLiteral(""), QString(), Form::Untrimmed));
    EXPECT_TRUE(PasswordHasher::Verify(QStringLiteral(" "), QString(), Form::Trimmed));
    EXPECT_FALSE(PasswordHasher::Verify(QStringLiteral(" "), QString(), Form::Untrimmed));
}

TEST(PasswordHasher, NullNeverMatches)
{
    EXPECT_FALSE(PasswordHasher::Verify(QString(), QString(), Form::Trimmed));
    EXPECT_FALSE(PasswordHasher::Verify(QString(), QStringLiteral(""), Form::Untrimmed));
}

TEST(PasswordHasher, StoredRowHashesTheComparisonFormsOnly)
{
    ConfigRow typed;
    typed.LibraryName = QStringLiteral("Photos");
    typed.UseSecurity = true;
    typed.BrowseExtract = true;
    typed.BrowsePassword = QStringLiteral("  look ");
    typed.EditPassword = QStringLiteral(" edit");
    typed.AdminPassword = QStringLiteral("Boss");

    Result<ConfigRow> stored = FastHasher().PrepareForStorage(typed);
    ASSERT_TRUE(stored.ok());
    EXPECT_EQ(stored->LibraryName, QStringLiteral("Photos"));
    EXPECT_TRUE(stored->UseSecurity);
    EXPECT_TRUE(stored->BrowseExtract);
    EXPECT_FALSE(stored->EditDelete);

    for (const QString* value : {&stored->BrowsePassword, &stored->EditPassword,
                                 &stored->AdminPassword})
        EXPECT_TRUE(PasswordHasher::IsHash(*value)) << value->toStdString();

    EXPECT_TRUE(PasswordHasher::Verify(stored->BrowsePassword, QStringLiteral("LOOK"), Form::Trimmed));
    EXPECT_TRUE(PasswordHasher::Verify(stored->EditPassword, QStringLiteral(" EDIT"), Form::Untrimmed));
    EXPECT_FALSE(PasswordHasher::Verify(stored->EditPassword, QStringLiteral("EDIT"), Form::Untrimmed));
    EXPECT_TRUE(PasswordHasher::Verify(stored->AdminPassword, QStringLiteral("BOSS"), Form::Untrimmed));

    // Writing the row again (an unchanged password read back) leaves the hashes alone.
    Result<ConfigRow> again = FastHasher().PrepareForStorage(*stored);
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(again->BrowsePassword, stored->BrowsePassword);
    EXPECT_EQ(again->EditPassword, stored->EditPassword);
    EXPECT_EQ(again->AdminPassword, stored->AdminPassword);
}

TEST(PasswordHasher, NoPasswordMarkersStayPlain)
{
    ConfigRow typed;
    typed.BrowsePassword = QStringLiteral(" ");
    typed.EditPassword = QStringLiteral("");
    typed.AdminPassword = QString();
    Result<ConfigRow> stored = FastHasher().PrepareForStorage(typed);
    ASSERT_TRUE(stored.ok());
    EXPECT_EQ(stored->BrowsePassword, QStringLiteral(" "));
    // An empty password must stay visibly empty, or the settings dialog would
    // take a hash of nothing for a password that was given.
    EXPECT_EQ(stored->EditPassword, QStringLiteral(""));
    EXPECT_FALSE(stored->EditPassword.isNull());
    EXPECT_TRUE(stored->AdminPassword.isNull());

    // An empty Browser password is the single blank, as the settings dialog stores it.
    typed.BrowsePassword = QString();
    stored = FastHasher().PrepareForStorage(typed);
    ASSERT_TRUE(stored.ok());
    EXPECT_EQ(stored->BrowsePassword, QStringLiteral(" "));

    // The blank is only special for the Browser: an Editor password " " is a
    // password (one that can never be entered, as the entry is trimmed).
    Result<QString> editBlank = FastHasher().StoredForm(QStringLiteral(" "), Form::Untrimmed);
    ASSERT_TRUE(editBlank.ok());
    EXPECT_TRUE(PasswordHasher::IsHash(*editBlank));
    EXPECT_FALSE(PasswordHasher::Verify(*editBlank, QString(), Form::Untrimmed));
}
