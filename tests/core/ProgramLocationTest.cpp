#include "core/ProgramLocation.h"
#include "core/ProgramState.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zentaro;

namespace {

// A scratch tree: folders made on demand, a template placed where asked.
class Tree
{
public:
    QString folder(const QString& name) const
    {
        const QString path = QDir::cleanPath(m_dir.filePath(name));
        QDir().mkpath(path);
        return path;
    }
    QString withTemplate(const QString& name) const
    {
        const QString path = folder(name);
        QFile file(path + QStringLiteral("/Struct10.qdb"));
        if (file.open(QIODevice::WriteOnly))
            file.write("SQLite format 3");
        return path;
    }
    QString path(const QString& name) const { return QDir::cleanPath(m_dir.filePath(name)); }

private:
    QTemporaryDir m_dir;
};

} // namespace

TEST(ProgramLocation, WritableFolderWithTheTemplateIsPortable)
{
    Tree tree;
    ProgramLocation::Inputs in;
    in.executableFolder = tree.withTemplate(QStringLiteral("portable"));
    in.home = tree.folder(QStringLiteral("home"));
    in.dataFolders = {tree.withTemplate(QStringLiteral("usr/share/zentaro"))};
    const ProgramPlace place = ProgramLocation::choose(in);
    EXPECT_EQ(place.programFolder, in.executableFolder);
    EXPECT_EQ(place.dataFolder, in.executableFolder);
}

TEST(ProgramLocation, InstalledProgramKeepsItsFilesPerUser)
{
    Tree tree;
    ProgramLocation::Inputs in;
    // Installed: bin holds the executables only, the template is in share/zentaro.
    in.executableFolder = tree.folder(QStringLiteral("usr/bin"));
    in.home = tree.folder(QStringLiteral("home"));
    in.dataFolders = {tree.path(QStringLiteral("missing")), tree.withTemplate(QStringLiteral("usr/share/zentaro"))};
    ProgramPlace place = ProgramLocation::choose(in);
    EXPECT_EQ(place.programFolder, in.home + QStringLiteral("/.local/share/zentaro"));
    EXPECT_EQ(place.dataFolder, tree.path(QStringLiteral("usr/share/zentaro")));

    in.xdgDataHome = tree.path(QStringLiteral("xdg"));
    place = ProgramLocation::choose(in);
    EXPECT_EQ(place.programFolder, tree.path(QStringLiteral("xdg/zentaro")));
    // Deciding writes nothing: the folder is made by Locate.
    EXPECT_FALSE(QFileInfo::exists(place.programFolder));
}

TEST(ProgramLocation, WithoutAnyTemplateTheFirstDataFolderIsNamed)
{
    Tree tree;
    ProgramLocation::Inputs in;
    in.executableFolder = tree.folder(QStringLiteral("bin"));
    in.home = tree.folder(QStringLiteral("home"));
    in.dataFolders = {tree.path(QStringLiteral("share/zentaro")), tree.path(QStringLiteral("other"))};
    const ProgramPlace place = ProgramLocation::choose(in);
    EXPECT_EQ(place.dataFolder, tree.path(QStringLiteral("share/zentaro")));
    EXPECT_EQ(place.programFolder, in.home + QStringLiteral("/.local/share/zentaro"));
}

TEST(ProgramLocation, ReadOnlyPortableFolderStillBringsItsTemplate)
{
    Tree tree;
    ProgramLocation::Inputs in;
    in.executableFolder = tree.withTemplate(QStringLiteral("cdrom"));
    in.home = tree.folder(QStringLiteral("home"));
    in.dataFolders = {tree.withTemplate(QStringLiteral("usr/share/zentaro"))};
    QFile::setPermissions(in.executableFolder, QFile::ReadOwner | QFile::ExeOwner);
    if (QFileInfo(in.executableFolder).isWritable()) {
        QFile::setPermissions(in.executableFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        GTEST_SKIP() << "this user may write to any folder";
    }
    const ProgramPlace place = ProgramLocation::choose(in);
    QFile::setPermissions(in.executableFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(place.programFolder, in.home + QStringLiteral("/.local/share/zentaro"));
    EXPECT_EQ(place.dataFolder, in.executableFolder);
}

TEST(ProgramLocation, AChosenFolderWins)
{
    Tree tree;
    ProgramLocation::Inputs in;
    in.executableFolder = tree.withTemplate(QStringLiteral("portable"));
    in.home = tree.folder(QStringLiteral("home"));
    in.dataFolders = {tree.withTemplate(QStringLiteral("usr/share/zentaro"))};

    in.overrideFolder = tree.withTemplate(QStringLiteral("chosen")) + QStringLiteral("/");
    ProgramPlace place = ProgramLocation::choose(in);
    EXPECT_EQ(place.programFolder, tree.path(QStringLiteral("chosen")));
    EXPECT_EQ(place.dataFolder, tree.path(QStringLiteral("chosen")));

    // A chosen folder without a template reads the installed one.
    in.overrideFolder = tree.folder(QStringLiteral("empty"));
    place = ProgramLocation::choose(in);
    EXPECT_EQ(place.programFolder, in.overrideFolder);
    EXPECT_EQ(place.dataFolder, tree.path(QStringLiteral("usr/share/zentaro")));
}

TEST(ProgramLocation, UserFolderFollowsXdgDataHome)
{
    EXPECT_EQ(ProgramLocation::userFolder(QStringLiteral("/data/u"), QStringLiteral("/home/u")),
              QStringLiteral("/data/u/zentaro"));
    EXPECT_EQ(ProgramLocation::userFolder(QStringLiteral("/data/u/"), QStringLiteral("/home/u")),
              QStringLiteral("/data/u/zentaro"));
    EXPECT_EQ(ProgramLocation::userFolder(QString(), QStringLiteral("/home/u/")),
              QStringLiteral("/home/u/.local/share/zentaro"));
    // Relative values are invalid there and ignored.
    EXPECT_EQ(ProgramLocation::userFolder(QStringLiteral("data"), QStringLiteral("/home/u")),
              QStringLiteral("/home/u/.local/share/zentaro"));
}

TEST(ProgramLocation, InstalledDataIsFoundBesideTheExecutableFirst)
{
    QStringList folders = ProgramLocation::installedDataFolders(QStringLiteral("/opt/zentaro/bin"));
    ASSERT_FALSE(folders.isEmpty());
    EXPECT_EQ(folders.first(), QStringLiteral("/opt/zentaro/share/zentaro"));
    EXPECT_EQ(folders.removeDuplicates(), 0);
    for (const QString& folder : folders)
        EXPECT_TRUE(folder.endsWith(QStringLiteral("/zentaro"))) << folder.toStdString();
}

TEST(ProgramLocation, LocateMakesTheProgramFolderOrSaysWhyNot)
{
    Tree tree;
    const QString wanted = tree.path(QStringLiteral("new/program folder"));
    const Result<ProgramPlace> made = ProgramLocation::Locate(wanted);
    ASSERT_TRUE(made.ok()) << made.message().toStdString();
    EXPECT_EQ(made->programFolder, wanted);
    EXPECT_TRUE(QFileInfo(wanted).isDir());

    // A file where the folder should be.
    QFile blocker(tree.path(QStringLiteral("blocked")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const Result<ProgramPlace> refused = ProgramLocation::Locate(tree.path(QStringLiteral("blocked/sub")));
    EXPECT_FALSE(refused.ok());
    EXPECT_EQ(refused.code(), ErrorCode::Io);
    EXPECT_TRUE(refused.message().contains(QStringLiteral("blocked/sub")));
}

TEST(ProgramState, TemplateComesFromTheDataFolder)
{
    ProgramState state(QStringLiteral("/home/u/.local/share/zentaro"), QStringLiteral("/usr/share/zentaro"));
    EXPECT_EQ(state.TemplatePath, QStringLiteral("/usr/share/zentaro/Struct10.qdb"));
    EXPECT_EQ(state.SettingsFilePath, QStringLiteral("/home/u/.local/share/zentaro/ZNT.CFG"));
    EXPECT_EQ(state.CurrentLibraryPath, QStringLiteral("/home/u/.local/share/zentaro/Main Library.ZNT"));
    EXPECT_EQ(state.ExtractFolder, QStringLiteral("/home/u/.local/share/zentaro/Extract"));
    state.SetVariables();
    EXPECT_EQ(state.TemplatePath, QStringLiteral("/usr/share/zentaro/Struct10.qdb"));

    const ProgramState portable(QStringLiteral("/opt/znt"));
    EXPECT_EQ(portable.DataFolder(), QStringLiteral("/opt/znt"));
    EXPECT_EQ(portable.TemplatePath, QStringLiteral("/opt/znt/Struct10.qdb"));
}
