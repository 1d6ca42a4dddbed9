#include "store/Database.h"
#include "store/LibraryFile.h"
#include "store/SchemaUpgrade.h"
#include "support/TestPaths.h"

#include <QFile>
#include <QThread>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>
#include <string>

using namespace zentaro;

TEST(LibraryFile, LibraryPathTestLooksAtTheLastFourCharacters)
{
    EXPECT_TRUE(LibraryFile::IsLibraryPath(QStringLiteral("/data/report.znt")));
    EXPECT_TRUE(LibraryFile::IsLibraryPath(QStringLiteral("/data/REPORT.ZNT")));
    EXPECT_TRUE(LibraryFile::IsLibraryPath(QStringLiteral(".ZnT")));
    EXPECT_FALSE(LibraryFile::IsLibraryPath(QStringLiteral("/data/report.zn")));
    EXPECT_FALSE(LibraryFile::IsLibraryPath(QStringLiteral("/data/report.znt.bak")));
    EXPECT_FALSE(LibraryFile::IsLibraryPath(QStringLiteral("ZNT")));
    EXPECT_FALSE(LibraryFile::IsLibraryPath(QString()));
}

TEST(LibraryFile, DisplayNameDropsFolderAndExtension)
{
    EXPECT_EQ(LibraryFile::DisplayName(QStringLiteral("/Data/Photos 1999.ZNT")),
              QStringLiteral("Photos 1999"));
    EXPECT_EQ(LibraryFile::DisplayName(QStringLiteral("/srv/Main Library.ZNT")),
              QStringLiteral("Main Library"));
    EXPECT_EQ(LibraryFile::DisplayName(QStringLiteral("/srv/  padded  .znt")),
              QStringLiteral("padded"));
    EXPECT_EQ(LibraryFile::DisplayName(QStringLiteral("Bare.ZNT")), QStringLiteral("Bare"));
    EXPECT_EQ(LibraryFile::DisplayName(QStringLiteral("/a/.ZNT")), QString());
    EXPECT_EQ(LibraryFile::DisplayName(QStringLiteral("/a/b")), QString());
}

TEST(LibraryFile, NewLibraryNamesGetTheExtensionOnce)
{
    EXPECT_EQ(LibraryFile::WithLibraryExtension(QStringLiteral(" /tmp/Scans ")),
              QStringLiteral("/tmp/Scans.ZNT"));
    EXPECT_EQ(LibraryFile::WithLibraryExtension(QStringLiteral("/tmp/Scans.znt")),
              QStringLiteral("/tmp/Scans.znt"));
    EXPECT_EQ(LibraryFile::WithLibraryExtension(QStringLiteral("/tmp/Scans.zn")),
              QStringLiteral("/tmp/Scans.zn.ZNT"));
}

TEST(LibraryFile, ConnectTexts)
{
    EXPECT_EQ(LibraryFile::kConnectString, QStringLiteral("MS Access;pwd=MarnaBelle"));
    EXPECT_EQ(LibraryFile::kSourcePassword, QStringLiteral(";pwd=MarnaBelle"));
    EXPECT_EQ(LibraryFile::kTargetLocale,
              QStringLiteral(";LANGID=0x0409;CP=1252;COUNTRY=0;pwd=MarnaBelle"));
}

namespace {

// Raw access to a copy of the template, to check the schema itself.
class Template : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QFile::exists(test::templatePath()));
        path = folder.path(QStringLiteral("lib.ZNT"));
        ASSERT_TRUE(QFile::copy(test::templatePath(), path));
        QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        ASSERT_EQ(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
    }
    void TearDown() override { sqlite3_close(db); }

    std::string text(const char* sql)
    {
        sqlite3_stmt* stmt = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr), SQLITE_OK) << sql;
        std::string out;
        if (stmt && sqlite3_step(stmt) == SQLITE_ROW && sqlite3_column_text(stmt, 0))
            out = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
        sqlite3_finalize(stmt);
        return out;
    }
    int exec(const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }

    test::ProgramFolder folder;
    QString path;
    sqlite3* db = nullptr;
};

} // namespace

TEST_F(Template, IsTheFirstStructureBroughtUpToDateAsAnOlderLibraryIs)
{
    EXPECT_EQ(std::stoi(text("PRAGMA application_id")), LibraryFile::kApplicationId);
    // A new library is never upgraded.
    EXPECT_EQ(std::stoi(text("PRAGMA user_version")), SchemaUpgrade::latestVersion());

    const QString old = folder.path(QStringLiteral("old.ZNT"));
    ASSERT_TRUE(test::makeOldLibrary(old));
    {
        Result<std::shared_ptr<Database>> upgraded = Database::open(old);
        ASSERT_TRUE(upgraded.ok()) << upgraded.message().toStdString();
        EXPECT_EQ((*upgraded)->schemaVersion(), SchemaUpgrade::latestVersion());
    }
    auto structure = [](const QString& file) {
        sqlite3* other = nullptr;
        sqlite3_open_v2(file.toUtf8().constData(), &other, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt* stmt = nullptr;
        std::string out;
        sqlite3_prepare_v2(other, "SELECT type, name, tbl_name, sql FROM sqlite_master ORDER BY name", -1, &stmt,
                           nullptr);
        while (stmt && sqlite3_step(stmt) == SQLITE_ROW) {
            for (int i = 0; i < 4; ++i) {
                const unsigned char* value = sqlite3_column_text(stmt, i);
                out += value ? reinterpret_cast<const char*>(value) : "NULL";
                out += i < 3 ? " | " : "\n";
            }
        }
        sqlite3_finalize(stmt);
        sqlite3_close(other);
        return out;
    };
    EXPECT_EQ(structure(path), structure(old));
}

TEST_F(Template, HasEveryFieldAndAnEmptyMainWithOneConfigRow)
{
    EXPECT_EQ(text("SELECT COUNT(*) FROM Main"), "0");
    EXPECT_EQ(text("SELECT COUNT(*) FROM Config"), "1");
    EXPECT_EQ(text("SELECT COUNT(*) FROM OLE"), "0");
    for (const char* field : {"MainID", "Title", "Author", "Keywords", "Notes", "FileName",
                              "FileType", "FileSize", "FileDate", "InsertionDate",
                              "LastUpdatedDate"}) {
        const std::string sql = std::string("SELECT COUNT(*) FROM pragma_table_info('Main') WHERE name='") + field + "'";
        EXPECT_EQ(text(sql.c_str()), "1") << field;
    }
    for (const char* field : {"LibraryName", "LibrarianName", "LibrarianEmail", "Created",
                              "Notes", "UseSecurity", "BrowsePassword", "EditPassword",
                              "AdminPassword", "BrowseExtract", "EditDelete"}) {
        const std::string sql = std::string("SELECT COUNT(*) FROM pragma_table_info('Config') WHERE name='") + field + "'";
        EXPECT_EQ(text(sql.c_str()), "1") << field;
    }
}

TEST_F(Template, ConfigRowHasSecurityOffAndTheBlankBrowsePassword)
{
    EXPECT_EQ(text("SELECT UseSecurity FROM Config"), "0");
    EXPECT_EQ(text("SELECT BrowsePassword FROM Config"), " ");
    EXPECT_EQ(text("SELECT EditPassword || AdminPassword || LibraryName || LibrarianName FROM Config"), "");
    EXPECT_NE(exec("INSERT INTO Config (LibraryName) VALUES ('second')"), SQLITE_OK);
    EXPECT_NE(exec("DELETE FROM Config"), SQLITE_OK);
    EXPECT_EQ(text("SELECT COUNT(*) FROM Config"), "1");
}

TEST_F(Template, NewRowGetsItsDatesFromTheFile)
{
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    ASSERT_EQ(exec("INSERT INTO Main (Title) VALUES ('a')"), SQLITE_OK);
    const QString inserted = QString::fromStdString(text("SELECT InsertionDate FROM Main"));
    const QString updated = QString::fromStdString(text("SELECT LastUpdatedDate FROM Main"));
    const QDateTime when = QDateTime::fromString(inserted, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    ASSERT_TRUE(when.isValid()) << inserted.toStdString();
    EXPECT_GE(when, before.addSecs(-1));
    EXPECT_LE(when, QDateTime::currentDateTime().addSecs(1));
    EXPECT_EQ(inserted, updated);
}

TEST_F(Template, MainIdIsNeverReused)
{
    ASSERT_EQ(exec("INSERT INTO Main (Title) VALUES ('a'); INSERT INTO Main (Title) VALUES ('b')"), SQLITE_OK);
    ASSERT_EQ(exec("DELETE FROM Main WHERE MainID = 2"), SQLITE_OK);
    ASSERT_EQ(exec("INSERT INTO Main (Title) VALUES ('c')"), SQLITE_OK);
    EXPECT_EQ(text("SELECT MainID FROM Main WHERE Title = 'c'"), "3");
}

TEST_F(Template, DeletingARecordRemovesItsPieces)
{
    ASSERT_EQ(exec("INSERT INTO Main (Title) VALUES ('a'); INSERT INTO Main (Title) VALUES ('b');"
                   "INSERT INTO OLE VALUES (1, 0, x'0102'), (1, 1, x'03'), (2, 0, x'04')"),
              SQLITE_OK);
    ASSERT_EQ(exec("DELETE FROM Main WHERE MainID = 1"), SQLITE_OK);
    EXPECT_EQ(text("SELECT COUNT(*) FROM OLE WHERE MainID = 1"), "0");
    EXPECT_EQ(text("SELECT COUNT(*) FROM OLE WHERE MainID = 2"), "1");
}
