#include "transfer/FileNameRules.h"

#include <gtest/gtest.h>

using namespace zentaro;

namespace {

struct NameCase
{
    const char* path;
    const char* fileType;
    const char* baseName;
    const char* extension;
};

} // namespace

TEST(FileNameRules, SplitsTheFileNameNotTheFolders)
{
    const NameCase cases[] = {
        // A dot only in a folder name: no extension at all.
        {"/docs.old/readme", "", "readme", ""},
        {"/A/photo.backup.JPG", "JPG", "photo.backup", "JPG"},
        {"/home/u/report.Doc", "DOC", "report", "Doc"},
        {"/home/u/archive.tar.gz", "GZ", "archive.tar", "gz"},
        {"relative.name/file.txt", "TXT", "file", "txt"},
        {"/trailing/dot.", "", "dot", ""},
        {"/no/slash-at-all", "", "slash-at-all", ""},
        {"plain.PNG", "PNG", "plain", "PNG"},
        // A backslash is an ordinary character of a file name here.
        {"/x/C:\\Docs.old\\readme", "OLD\\README", "C:\\Docs", "old\\readme"},
    };
    for (const NameCase& c : cases) {
        const FileNameParts parts = FileNameRules::Split(QString::fromUtf8(c.path));
        EXPECT_EQ(parts.FileType, QString::fromUtf8(c.fileType)) << c.path;
        EXPECT_EQ(parts.BaseName, QString::fromUtf8(c.baseName)) << c.path;
        EXPECT_EQ(parts.Extension, QString::fromUtf8(c.extension)) << c.path;
    }
}

TEST(FileNameRules, ProperCaseCapitalisesEveryWordOnly)
{
    EXPECT_EQ(FileNameRules::ProperCase(QStringLiteral("MY holiday-photos")), QStringLiteral("My Holiday-photos"));
    EXPECT_EQ(FileNameRules::ProperCase(QStringLiteral("the QUICK fox")), QStringLiteral("The Quick Fox"));
    // Hyphens, underscores, digits and apostrophes belong to the word.
    EXPECT_EQ(FileNameRules::ProperCase(QStringLiteral("o'neil_x-ray")), QStringLiteral("O'neil_x-ray"));
    EXPECT_EQ(FileNameRules::ProperCase(QStringLiteral("1ST place")), QStringLiteral("1st Place"));
    // Every blank separates words, and is kept as it was.
    EXPECT_EQ(FileNameRules::ProperCase(QStringLiteral("a\tb\nc\vd\fe\rf  g")),
              QStringLiteral("A\tB\nC\vD\fE\rF  G"));
    const QString withNul = QStringLiteral("ab") + QChar(0) + QStringLiteral("CD");
    EXPECT_EQ(FileNameRules::ProperCase(withNul), QStringLiteral("Ab") + QChar(0) + QStringLiteral("Cd"));
    EXPECT_EQ(FileNameRules::ProperCase(QStringLiteral("ÉCOLE été")), QStringLiteral("École Été"));
    EXPECT_EQ(FileNameRules::ProperCase(QString()), QString());
}

TEST(FileNameRules, AutoCapitalizeChangesOnlyTheTitle)
{
    const FileNameParts parts = FileNameRules::Split(QStringLiteral("/in/MY holiday-photos.txt"));
    EXPECT_EQ(parts.BaseName, QStringLiteral("MY holiday-photos"));
    EXPECT_EQ(FileNameRules::TitleFor(parts.BaseName, true), QStringLiteral("My Holiday-photos"));
    EXPECT_EQ(FileNameRules::TitleFor(parts.BaseName, false), QStringLiteral("MY holiday-photos"));
}

TEST(FileNameRules, TargetForJoinsWithOneSeparator)
{
    auto path = [](const char* folder, const char* name, const char* type) {
        return FileNameRules::TargetFor(QString::fromUtf8(folder), 7, QString::fromUtf8(name), QString::fromUtf8(type)).path;
    };
    EXPECT_EQ(path("/x/Extract", "photo.backup", "JPG"), QStringLiteral("/x/Extract/photo.backup.JPG"));
    EXPECT_EQ(path("/", "a", "TXT"), QStringLiteral("/a.TXT"));
    EXPECT_EQ(path("/x/", "a", "TXT"), QStringLiteral("/x/a.TXT"));
    // No FileType: the name comes back without a dangling dot.
    EXPECT_EQ(path("/x", "readme", ""), QStringLiteral("/x/readme"));
    // A file that was all extension (".profile") comes back as it went in.
    EXPECT_EQ(path("/x", "", "PROFILE"), QStringLiteral("/x/.PROFILE"));
    EXPECT_FALSE(FileNameRules::TargetFor(QStringLiteral("/x"), 7, QStringLiteral("a"), QStringLiteral("TXT")).replaced);
}

TEST(FileNameRules, NamesThatWouldLeaveTheFolderAreReplaced)
{
    const QString nul = QStringLiteral("a") + QChar(0) + QStringLiteral("b");
    const QString lone = QStringLiteral("x") + QChar(0xD800);
    struct Case
    {
        QString fileName;
        QString fileType;
        QString expected; // the name in /lib/out
    };
    const Case cases[] = {
        {QStringLiteral("../../escaped"), QStringLiteral("TXT"), QStringLiteral("record 12.TXT")},
        {QStringLiteral("/etc/passwd"), QStringLiteral("TXT"), QStringLiteral("record 12.TXT")},
        {QStringLiteral("sub/name"), QStringLiteral("TXT"), QStringLiteral("record 12.TXT")},
        {QStringLiteral(".."), QString(), QStringLiteral("record 12")},
        {QStringLiteral("."), QString(), QStringLiteral("record 12")},
        {QStringLiteral(".."), QStringLiteral("TXT"), QStringLiteral("record 12.TXT")},
        {QString(), QString(), QStringLiteral("record 12")},
        {nul, QStringLiteral("TXT"), QStringLiteral("record 12.TXT")},
        {QStringLiteral("bell\a"), QStringLiteral("TXT"), QStringLiteral("record 12.TXT")},
        {QStringLiteral("line\nbreak"), QStringLiteral("TXT"), QStringLiteral("record 12.TXT")},
        {QStringLiteral("del\x7f"), QStringLiteral("TXT"), QStringLiteral("record 12.TXT")},
        {QStringLiteral("c1") + QChar(0x9b), QStringLiteral("TXT"), QStringLiteral("record 12.TXT")},
        {lone, QStringLiteral("TXT"), QStringLiteral("record 12.TXT")},
        {QString(300, QLatin1Char('n')), QStringLiteral("TXT"), QStringLiteral("record 12.TXT")},
        // The type is data too: a separator or dots there drop the type as well.
        {QStringLiteral("a"), QStringLiteral("/../../x"), QStringLiteral("record 12")},
        {QStringLiteral("a"), QStringLiteral("TXT/../../b"), QStringLiteral("record 12")},
        {QStringLiteral("a"), QStringLiteral(".."), QStringLiteral("record 12")},
        {QStringLiteral("a"), QStringLiteral("T\rXT"), QStringLiteral("record 12")},
    };
    for (const Case& c : cases) {
        const ExtractTarget target = FileNameRules::TargetFor(QStringLiteral("/lib/out"), 12, c.fileName, c.fileType);
        EXPECT_TRUE(target.replaced) << c.fileName.toStdString() << " / " << c.fileType.toStdString();
        EXPECT_EQ(target.path, QStringLiteral("/lib/out/") + c.expected) << c.fileName.toStdString();
        EXPECT_TRUE(FileNameRules::LiesDirectlyIn(target.path, QStringLiteral("/lib/out")));
    }
    // Odd but harmless names stay as they are.
    for (const char* name : {"..hidden", "a..b", "...", "caf\xc3\xa9", "back\\slash", " spaced "}) {
        const ExtractTarget target = FileNameRules::TargetFor(QStringLiteral("/lib/out"), 12, QString::fromUtf8(name),
                                                              QStringLiteral("TXT"));
        EXPECT_FALSE(target.replaced) << name;
        EXPECT_EQ(target.path, QStringLiteral("/lib/out/") + QString::fromUtf8(name) + QStringLiteral(".TXT"));
    }
}

TEST(FileNameRules, LiesDirectlyInTakesOnlyAPlainEntryOfTheFolder)
{
    const QString folder = QStringLiteral("/lib/out");
    EXPECT_TRUE(FileNameRules::LiesDirectlyIn(QStringLiteral("/lib/out/a.TXT"), folder));
    EXPECT_TRUE(FileNameRules::LiesDirectlyIn(QStringLiteral("/lib/out/a.TXT"), folder + QLatin1Char('/')));
    EXPECT_FALSE(FileNameRules::LiesDirectlyIn(QStringLiteral("/lib/out/../a.TXT"), folder));
    EXPECT_FALSE(FileNameRules::LiesDirectlyIn(QStringLiteral("/lib/out/sub/a.TXT"), folder));
    EXPECT_FALSE(FileNameRules::LiesDirectlyIn(QStringLiteral("/lib/a.TXT"), folder));
    EXPECT_FALSE(FileNameRules::LiesDirectlyIn(QStringLiteral("/lib/out/.."), folder));
    EXPECT_FALSE(FileNameRules::LiesDirectlyIn(QStringLiteral("/lib/out/"), folder));
    EXPECT_FALSE(FileNameRules::LiesDirectlyIn(QStringLiteral("a.TXT"), folder));
}
