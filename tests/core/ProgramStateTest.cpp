#include "core/Environment.h"
#include "core/PathText.h"
#include "core/ProgramState.h"
#include "core/SecretText.h"
#include "core/Version.h"

#include <gtest/gtest.h>

using namespace zentaro;

TEST(Version, ProgramVersionDropsOneTrailingZeroOfTheMinor)
{
    EXPECT_EQ(Version::programVersion(2, 10), QStringLiteral("2.1"));
    EXPECT_EQ(Version::programVersion(3, 0), QStringLiteral("3.0"));
    EXPECT_EQ(Version::programVersion(2, 5), QStringLiteral("2.5"));
    EXPECT_EQ(Version::programVersion(2, 100), QStringLiteral("2.10"));
    EXPECT_EQ(Version::programVersion(10, 20), QStringLiteral("10.2"));
}

TEST(Version, FullVersionTextPadsTheRevisionToFourDigits)
{
    EXPECT_EQ(Version::fullVersionText(2, 10, 19), QStringLiteral("2.10.0019"));
    EXPECT_EQ(Version::fullVersionText(3, 0, 0), QStringLiteral("3.0.0000"));
    EXPECT_EQ(Version::fullVersionText(2, 10, 12345), QStringLiteral("2.10.12345"));
}

TEST(Version, NumericComparisonTreatsTrailingZeroAsEqual)
{
    EXPECT_DOUBLE_EQ(Version::numericValue(QStringLiteral("2.10")),
                     Version::numericValue(QStringLiteral("2.1")));
    EXPECT_DOUBLE_EQ(Version::numericValue(QStringLiteral("")), 0.0);
    EXPECT_DOUBLE_EQ(Version::numericValue(QStringLiteral("abc")), 0.0);
    EXPECT_DOUBLE_EQ(Version::numericValue(QStringLiteral(" 2.1abc")), 2.1);
    EXPECT_DOUBLE_EQ(Version::numericValue(QStringLiteral("2.")), 2.0);
    EXPECT_LT(Version::numericValue(QStringLiteral("1.0")), 1.1);
}

TEST(Version, ThisBuildIsTwoPointTen)
{
    EXPECT_EQ(Version::currentProgramVersion(), QStringLiteral("2.1"));
    EXPECT_TRUE(Version::currentFullVersionText().startsWith(QStringLiteral("2.10.")));
    EXPECT_EQ(Version::currentFullVersionText().size(), 9);
}

TEST(PathText, JoinNeverDoublesASeparator)
{
    EXPECT_EQ(PathText::join(QStringLiteral("/opt/znt"), QStringLiteral("ZNT.CFG")),
              QStringLiteral("/opt/znt/ZNT.CFG"));
    EXPECT_EQ(PathText::join(QStringLiteral("/opt/znt/"), QStringLiteral("ZNT.CFG")),
              QStringLiteral("/opt/znt/ZNT.CFG"));
    EXPECT_EQ(PathText::join(QStringLiteral("/"), QStringLiteral("Extract")),
              QStringLiteral("/Extract"));
    EXPECT_EQ(PathText::join(QStringLiteral("/a"), QStringLiteral("/b")), QStringLiteral("/a/b"));
}

TEST(ProgramState, SetVariablesGivesTheInitialValues)
{
    ProgramState state(QStringLiteral("/srv/zentaro"));
    EXPECT_EQ(state.ProgramVersion, QStringLiteral("2.1"));
    EXPECT_EQ(state.TemplatePath, QStringLiteral("/srv/zentaro/Struct10.qdb"));
    EXPECT_EQ(state.CurrentLibraryPath, QStringLiteral("/srv/zentaro/Main Library.ZNT"));
    EXPECT_EQ(state.SettingsFilePath, QStringLiteral("/srv/zentaro/ZNT.CFG"));
    EXPECT_EQ(state.ExtractFolder, QStringLiteral("/srv/zentaro/Extract"));
    EXPECT_EQ(state.ChunkSize, 64000);
    EXPECT_EQ(state.PanelGap, 100);
    EXPECT_EQ(state.NewLine, QStringLiteral("\r\n"));
    EXPECT_EQ(state.QuerySelect, QStringLiteral("SELECT * FROM Main "));
    EXPECT_TRUE(state.QueryWhere.isEmpty());
    EXPECT_EQ(state.QueryOrder, QStringLiteral("ORDER BY Title"));
    EXPECT_EQ(state.CurrentQuery, state.DefaultQuery);
    EXPECT_EQ(state.QuerySelect + state.QueryWhere + state.QueryOrder, state.DefaultQuery);
}

TEST(ProgramState, SetVariablesResetsWhatARunChanged)
{
    ProgramState state(QStringLiteral("/srv/zentaro/"));
    EXPECT_EQ(state.TemplatePath, QStringLiteral("/srv/zentaro/Struct10.qdb"));
    state.CurrentLibraryPath = QStringLiteral("/tmp/other.ZNT");
    state.PreviousLibraryPath = QStringLiteral("/tmp/prev.ZNT");
    state.QueryWhere = QStringLiteral("WHERE Title = \"x\" ");
    state.CurrentQuery = QStringLiteral("SELECT * FROM Main WHERE Title = \"x\" ORDER BY Title");
    state.SuppressReposition = true;
    state.LibraryReadOnly = true;
    state.CancelRequested = true;
    state.SetVariables();
    EXPECT_EQ(state.CurrentLibraryPath, QStringLiteral("/srv/zentaro/Main Library.ZNT"));
    EXPECT_TRUE(state.PreviousLibraryPath.isEmpty());
    EXPECT_TRUE(state.QueryWhere.isEmpty());
    EXPECT_EQ(state.CurrentQuery, state.DefaultQuery);
    EXPECT_FALSE(state.SuppressReposition);
    EXPECT_FALSE(state.LibraryReadOnly);
    EXPECT_FALSE(state.CancelRequested);
}

TEST(SecretText, WipeEmptiesTheTextAndLeavesOtherCopiesAlone)
{
    QString typed = QStringLiteral("HUNTER2");
    const QString shown = typed; // shares the characters until written
    zentaro::SecretText::wipe(typed);
    EXPECT_TRUE(typed.isEmpty());
    EXPECT_EQ(shown, QStringLiteral("HUNTER2"));
    QString empty;
    zentaro::SecretText::wipe(empty);
    EXPECT_TRUE(empty.isEmpty());
}

TEST(EnvironmentTest, PathsAndConstantsComeFromTheProgramFolder)
{
    const zentaro::Environment env(QStringLiteral("/opt/znt"));
    EXPECT_EQ(env.templatePath(), QStringLiteral("/opt/znt/Struct10.qdb"));
    EXPECT_EQ(env.defaultLibraryPath(), QStringLiteral("/opt/znt/Main Library.ZNT"));
    EXPECT_EQ(env.settingsFilePath(), QStringLiteral("/opt/znt/ZNT.CFG"));
    EXPECT_EQ(env.extractFolder(), QStringLiteral("/opt/znt/Extract"));
    EXPECT_EQ(env.chunkSize(), 64000);
    EXPECT_EQ(env.panelGap(), 100);
    EXPECT_EQ(env.newLine(), QStringLiteral("\r\n"));
    EXPECT_EQ(zentaro::Environment(QStringLiteral("/p"), QStringLiteral("/usr/share/zentaro")).templatePath(),
              QStringLiteral("/usr/share/zentaro/Struct10.qdb"));
}
