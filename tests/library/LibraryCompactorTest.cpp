#include "core/ProgramState.h"
#include "core/Progress.h"
#include "security/AccessRights.h"
#include "store/Database.h"
#include "library/LibraryCompactor.h"
#include "library/LibraryCopier.h"
#include "support/TestPaths.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace zentaro;

namespace {

// The compact and copy rules with simulated drives and free space.
class LibraryCompactorTest : public ::testing::Test
{
protected:
    LibraryCompactorTest() : state(program.folder())
    {
        library = program.path(QStringLiteral("lib.ZNT"));
        EXPECT_TRUE(Database::compactFile(test::templatePath(), library).ok());
        state.CurrentLibraryPath = library;
        state.AccessLevel = AccessRights::kEditor;
    }

    // Everything on one drive unless the path contains "other".
    static std::optional<Drive::Facts> drives(const QString& path)
    {
        if (path.contains(QLatin1String("other")))
            return Drive::Facts{QStringLiteral("/media/other"), QByteArray("sdb1")};
        return Drive::Facts{QStringLiteral("/"), QByteArray("sda1")};
    }

    LibraryCompactor compactor(std::optional<qint64> free)
    {
        return LibraryCompactor(state, state.ProgramFolder(), &drives, [free](const QString&) { return free; });
    }

    qint64 librarySize() const { return QFileInfo(library).size(); }

    test::ProgramFolder program;
    ProgramState state;
    QString library;
};

TEST_F(LibraryCompactorTest, ChecksComeInTheirOrder)
{
    state.LibraryReadOnly = true;
    state.AccessLevel = AccessRights::kBrowser;
    // Read-only is refused before the level is looked at.
    EXPECT_EQ(compactor(0).CheckCommand().status.code(), ErrorCode::ReadOnly);
    state.LibraryReadOnly = false;
    EXPECT_EQ(compactor(0).CheckCommand().status.code(), ErrorCode::AccessDenied);
    state.AccessLevel.clear();
    EXPECT_EQ(compactor(0).CheckCommand().status.code(), ErrorCode::AccessDenied);
    state.AccessLevel = AccessRights::kEditor;
    state.CurrentLibraryPath = QStringLiteral("/media/other/lib.ZNT");
    EXPECT_EQ(compactor(0).CheckCommand().status.code(), ErrorCode::InvalidArgument);
    state.CurrentLibraryPath = library;
    EXPECT_EQ(compactor(librarySize() - 1).CheckCommand().status.code(), ErrorCode::DiskFull);
    // Exactly as many free bytes as the library's size pass, as does an unknown figure.
    EXPECT_EQ(compactor(librarySize()).CheckCommand().status.code(), ErrorCode::None);
    EXPECT_EQ(compactor(std::nullopt).CheckCommand().status.code(), ErrorCode::None);
    state.AccessLevel = AccessRights::kAdministrator;
    EXPECT_EQ(compactor(librarySize()).CheckCommand().status.code(), ErrorCode::None);
}

TEST_F(LibraryCompactorTest, RefusalsCarryTheProgramsTexts)
{
    state.CurrentLibraryPath = QStringLiteral("/media/other/lib.ZNT");
    const Notice drive = *compactor(0).CheckCommand().notice;
    state.CurrentLibraryPath = library;
    EXPECT_EQ(drive.title, QStringLiteral("Can't Compact on this drive"));
    EXPECT_TRUE(drive.text.startsWith(QStringLiteral("You can only compact a library that resides on the same hard drive as the location of the ZNT program.\r\n\r\nIf this is on a network")));
    LibraryCompactor c = compactor(0);
    const Notice space = *c.CheckCommand().notice;
    EXPECT_EQ(space.title, QStringLiteral("Can't Compact Library"));
    EXPECT_TRUE(space.text.startsWith(QStringLiteral("INSUFFICIENT HARD DRIVE SPACE for Compact Process\r\n\r\n")));
    EXPECT_EQ(c.Confirmation().title, QStringLiteral("Confirm Library Compact Process"));
    EXPECT_EQ(LibraryCompactor::CompletionText(10000000, 7500000, QStringLiteral("\r\n")),
              QStringLiteral("Compaction Process Complete\r\n\r\n2500000 bytes of disk space recovered"));
    EXPECT_EQ(c.TempPath(), program.path(QStringLiteral("CMPCT.TMP")));
}

TEST_F(LibraryCompactorTest, CompactionKeepsTheRecordsAndThePermissions)
{
    {
        Result<std::shared_ptr<Database>> db = Database::open(library);
        ASSERT_TRUE(db.ok());
        for (int i = 0; i < 5; ++i) {
            MainRecord r;
            r.Title = QStringLiteral("t%1").arg(i);
            Result<qint64> id = (*db)->insertRecord(r);
            ASSERT_TRUE(id.ok());
            const QByteArray bytes(64000, char('a' + i));
            ASSERT_TRUE((*db)->appendChunk(*id, bytes.constData(), bytes.size()).ok());
            if (i > 0) {
                ASSERT_TRUE((*db)->deleteRecord(*id).ok());
            }
        }
        (*db)->close();
    }
    ASSERT_TRUE(QFile(library).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    NullProgress quiet;
    const Result<LibraryCompactor::Sizes> outcome = compactor(std::nullopt).CompactLibrary(quiet);
    ASSERT_TRUE(outcome.ok()) << outcome.message().toStdString();
    EXPECT_GT(outcome->recovered(), 0);
    EXPECT_EQ(outcome->NewSize, QFileInfo(library).size());
    EXPECT_EQ(LibraryCompactor::CompletionNotice(*outcome).icon, NoticeIcon::Information);
    const QFile::Permissions modeBits = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                        QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther |
                                        QFile::ExeOther;
    EXPECT_EQ(QFile(library).permissions() & modeBits, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    Result<std::shared_ptr<Database>> db = Database::open(library);
    ASSERT_TRUE(db.ok());
    EXPECT_EQ(*(*db)->countMain(), 1);
}

TEST_F(LibraryCompactorTest, AnEngineErrorLeavesTheLibraryUntouched)
{
    const QByteArray before = [&] {
        QFile f(library);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    state.CurrentLibraryPath = program.path(QStringLiteral("gone.ZNT"));
    NullProgress quiet;
    const Result<LibraryCompactor::Sizes> outcome = compactor(std::nullopt).CompactLibrary(quiet);
    EXPECT_FALSE(outcome.ok());
    EXPECT_TRUE(LibraryCompactor::FailureNotice(outcome.status()).text.startsWith(QStringLiteral("ERROR Compacting Library\r\n\r\n")));
    EXPECT_FALSE(QFileInfo::exists(program.path(QStringLiteral("CMPCT.TMP"))));
    QFile f(library);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
}

TEST_F(LibraryCompactorTest, CopyNamesAndSpaceRules)
{
    EXPECT_EQ(LibraryCopier::TargetName(QStringLiteral(" Reports ")), QStringLiteral("Reports.ZNT"));
    EXPECT_EQ(LibraryCopier::TargetName(QStringLiteral("Reports.znt")), QStringLiteral("Reports.znt"));
    EXPECT_EQ(LibraryCopier::TargetName(QStringLiteral("a.znt.bak")), QStringLiteral("a.znt.bak.ZNT"));

    const QString absent = program.path(QStringLiteral("absent.ZNT"));
    EXPECT_FALSE(LibraryCopier::TargetTaken(absent));
    EXPECT_FALSE(QFileInfo::exists(absent)); // looking creates nothing
    EXPECT_TRUE(LibraryCopier::TargetTaken(library));

    {
        // A writable open brings the library up to date (a table more) before its size is taken.
        Result<std::shared_ptr<Database>> db = Database::open(library);
        ASSERT_TRUE(db.ok()) << db.message().toStdString();
        (*db)->close();
    }
    const qint64 size = QFileInfo(library).size();
    NullProgress quiet;
    LibraryCopier tight(state.TemplatePath, [size](const QString&) { return std::optional<qint64>(size - 1); });
    const Status refused = tight.CopyLibrary(library, absent, quiet);
    EXPECT_EQ(refused.code(), ErrorCode::DiskFull);
    EXPECT_EQ(refused.message(), LibraryCopier::kNoSpaceText);
    EXPECT_FALSE(QFileInfo::exists(absent));

    LibraryCopier exact(state.TemplatePath, [size](const QString&) { return std::optional<qint64>(size); });
    ASSERT_TRUE(exact.CopyLibrary(library, absent, quiet).ok());
    EXPECT_EQ(QFileInfo(absent).size(), size);
    EXPECT_EQ(exact.CopyLibrary(library, absent, quiet).message(), LibraryCopier::kExistsText);
}

} // namespace
