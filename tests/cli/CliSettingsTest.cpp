#include "CliTestSupport.h"

#include "core/SettingsRecord.h"
#include "core/SettingsTestSupport.h"
#include "core/Version.h"

#include <QFileInfo>

using namespace zentaro;
using zentaro::test::ZntRun;

namespace {

class CliSettingsTest : public test::ZntTest
{
protected:
    QString settingsPath() const { return path(QStringLiteral("ZNT.CFG")); }
};

SettingsRecord versionOneRecord(const QString& programFolder)
{
    SettingsRecord s;
    s.SettingsVersion = QStringLiteral("1.0");
    s.ExclusiveMode = false;
    s.AddFilesFolder = QStringLiteral("D:\\Scans");
    s.PickFolder = programFolder;
    s.LibraryFolder = programFolder;
    s.DefaultLibrary = programFolder + QStringLiteral("/Old.ZNT");
    s.EditDetectMode = 2;
    s.GridForeColor = 0x00FF00;
    s.ListFontName = QStringLiteral("Courier");
    s.ListFontSize = 10;
    s.HeaderFontName = QStringLiteral("Courier");
    s.HeaderFontSize = 9;
    s.ColumnFields = {QStringLiteral("Author"), QStringLiteral("Title"), QStringLiteral("Keywords"),
                      QStringLiteral("FileName"), QStringLiteral("FileType"), QStringLiteral("FileSize"),
                      QStringLiteral("FileDate"), QStringLiteral("InsertionDate"), QStringLiteral("LastUpdatedDate"),
                      QStringLiteral("Notes")};
    s.ColumnWidths = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    s.AutoSizePictures = false;
    s.PreviewFullHeight = false;
    s.AutoRewind = false;
    s.AutoStart = false;
    s.RemoveOriginals = true;
    s.SecurityWipeOnExit = true;
    s.WipeAmount = 7;
    // Version 1.0 wrote no print fonts: the bytes end before them.
    return s;
}

TEST_F(CliSettingsTest, AVersionOneFileIsShownUpgradedAndLeftAsItWas)
{
    // The file ends after WipeAmount, as that version wrote it: the eight
    // print font fields (two bytes each with empty names) are cut off.
    const QByteArray full = test::handMadeFile(versionOneRecord(program.folder()));
    constexpr qsizetype kPrintFieldBytes = 16;
    const QByteArray bytes = full.left(full.size() - kPrintFieldBytes);
    writeFile(settingsPath(), bytes);

    const ZntRun run = znt({QStringLiteral("settings"), QStringLiteral("--json")});
    ASSERT_EQ(run.exitCode, 0) << run.describe();
    const QJsonObject s = run.json().value(QStringLiteral("Settings")).toObject();
    EXPECT_EQ(s.value(QStringLiteral("SettingsVersion")).toString(), Version::currentProgramVersion());
    for (const char* flag : {"AutoSizePictures", "PreviewFullHeight", "AutoRewind", "AutoStart"})
        EXPECT_TRUE(s.value(QLatin1String(flag)).toBool()) << flag;
    EXPECT_FALSE(s.value(QStringLiteral("RemoveOriginals")).toBool());
    EXPECT_FALSE(s.value(QStringLiteral("SecurityWipeOnExit")).toBool());
    EXPECT_EQ(s.value(QStringLiteral("WipeAmount")).toInteger(), 1000);
    EXPECT_EQ(s.value(QStringLiteral("PrintListFontName")).toString(), QStringLiteral("Arial"));
    EXPECT_EQ(s.value(QStringLiteral("PrintListFontSize")).toInteger(), 8);
    EXPECT_EQ(s.value(QStringLiteral("PrintHeaderFontName")).toString(), QStringLiteral("Arial"));
    EXPECT_TRUE(s.value(QStringLiteral("PrintHeaderFontBold")).toBool());
    // What the old file said, as read.
    EXPECT_FALSE(s.value(QStringLiteral("ExclusiveMode")).toBool());
    EXPECT_EQ(s.value(QStringLiteral("EditDetectMode")).toInteger(), 2);
    EXPECT_EQ(s.value(QStringLiteral("ListFontName")).toString(), QStringLiteral("Courier"));
    EXPECT_EQ(s.value(QStringLiteral("ColumnFields")).toArray().at(0).toString(), QStringLiteral("Author"));
    EXPECT_EQ(s.value(QStringLiteral("ColumnWidths")).toArray().at(9).toInteger(), 10);
    // A folder of another drive is not kept.
    EXPECT_NE(s.value(QStringLiteral("AddFilesFolder")).toString(), QStringLiteral("D:\\Scans"));
    EXPECT_EQ(s.value(QStringLiteral("PickFolder")).toString(), program.folder());

    EXPECT_EQ(readFile(settingsPath()), bytes);

    const ZntRun text = znt({QStringLiteral("settings")});
    ASSERT_EQ(text.exitCode, 0) << text.describe();
    const QStringList lines = text.outText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    EXPECT_EQ(lines.size(), 41);
    EXPECT_TRUE(lines.contains(QStringLiteral("WipeAmount: 1000")));
    EXPECT_TRUE(lines.contains(QStringLiteral("GridForeColor: 0x0000FF00")));
    EXPECT_TRUE(lines.contains(QStringLiteral("SettingsVersion: ") + Version::currentProgramVersion()));
}

TEST_F(CliSettingsTest, NoFileShowsTheDefaultsAndWritesNothing)
{
    const ZntRun run = znt({QStringLiteral("settings"), QStringLiteral("--json")});
    ASSERT_EQ(run.exitCode, 0) << run.describe();
    const QJsonObject s = run.json().value(QStringLiteral("Settings")).toObject();
    EXPECT_TRUE(s.value(QStringLiteral("ExclusiveMode")).toBool());
    EXPECT_TRUE(s.value(QStringLiteral("RemoveOriginals")).toBool());
    EXPECT_EQ(s.value(QStringLiteral("DefaultLibrary")).toString(), path(QStringLiteral("Main Library.ZNT")));
    EXPECT_FALSE(QFileInfo::exists(settingsPath()));
}

TEST_F(CliSettingsTest, TheProgramFolderOptionPointsElsewhere)
{
    test::ProgramFolder other;
    SettingsRecord s = versionOneRecord(other.folder());
    s.SettingsVersion = Version::currentProgramVersion();
    s.WipeAmount = 4242;
    writeFile(other.path(QStringLiteral("ZNT.CFG")), test::handMadeFile(s));
    const ZntRun run = znt({QStringLiteral("settings"), QStringLiteral("--program-folder"), other.folder()});
    ASSERT_EQ(run.exitCode, 0) << run.describe();
    EXPECT_TRUE(run.outText().contains(QStringLiteral("WipeAmount: 4242"))) << run.describe();
}

} // namespace
