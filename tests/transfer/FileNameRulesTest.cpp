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

TEST(FileNameRules, TargetPathJoinsWithOneSeparator)
{
    EXPECT_EQ(FileNameRules::TargetPath(QStringLiteral("/x/Extract"), QStringLiteral("photo.backup"),
                                        QStringLiteral("JPG")),
              QStringLiteral("/x/Extract/photo.backup.JPG"));
    EXPECT_EQ(FileNameRules::TargetPath(QStringLiteral("/"), QStringLiteral("a"), QStringLiteral("TXT")),
              QStringLiteral("/a.TXT"));
    EXPECT_EQ(FileNameRules::TargetPath(QStringLiteral("/x/"), QStringLiteral("a"), QStringLiteral("TXT")),
              QStringLiteral("/x/a.TXT"));
    // No FileType: the name comes back without a dangling dot.
    EXPECT_EQ(FileNameRules::TargetPath(QStringLiteral("/x"), QStringLiteral("readme"), QString()),
              QStringLiteral("/x/readme"));
}
