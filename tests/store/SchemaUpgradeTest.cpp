#include "StoreTestSupport.h"

#include "store/LibraryFile.h"
#include "store/SchemaUpgrade.h"

#include <sqlite3.h>

using namespace zentaro;

namespace {

// A library of the first version, which opening brings up to date.
class SchemaUpgradeTest : public test::FileLibraryTest
{
protected:
    void SetUp() override
    {
        test::FileLibraryTest::SetUp();
        ASSERT_TRUE(test::makeOldLibrary(path));
    }

    sqlite3* raw(int flags = SQLITE_OPEN_READWRITE)
    {
        sqlite3* db = nullptr;
        EXPECT_EQ(sqlite3_open_v2(path.toUtf8().constData(), &db, flags, nullptr), SQLITE_OK);
        return db;
    }
    qint64 value(const char* sql)
    {
        sqlite3* db = raw(SQLITE_OPEN_READONLY);
        sqlite3_stmt* st = nullptr;
        qint64 out = -1;
        if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
            out = sqlite3_column_int64(st, 0);
        sqlite3_finalize(st);
        sqlite3_close(db);
        return out;
    }
    void setVersion(int version)
    {
        sqlite3* db = raw();
        const QByteArray sql = "PRAGMA user_version = " + QByteArray::number(version);
        ASSERT_EQ(sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    }
};

const std::vector<SchemaUpgrade::Step> kHistory = {
    {"table A", "CREATE TABLE A (x); INSERT INTO A VALUES (1);"},
    {"table B", "CREATE TABLE B (y); INSERT INTO B SELECT x + 1 FROM A;"},
};

} // namespace

TEST_F(SchemaUpgradeTest, RunsThePendingStepsInOrderAndRecordsTheVersion)
{
    const int base = SchemaUpgrade::kBaseVersion;
    sqlite3* db = raw();
    ASSERT_TRUE(SchemaUpgrade::run(db, base, path, kHistory).ok());
    sqlite3_close(db);
    EXPECT_EQ(value("PRAGMA user_version"), base + 2);
    EXPECT_EQ(value("SELECT y FROM B"), 2); // B's step saw A's

    // Already there: nothing runs again (a second CREATE TABLE would fail).
    db = raw();
    EXPECT_TRUE(SchemaUpgrade::run(db, base + 2, path, kHistory).ok());
    // One step behind: only the last one runs.
    ASSERT_EQ(sqlite3_exec(db, "DROP TABLE B; PRAGMA user_version = 2", nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_TRUE(SchemaUpgrade::run(db, base + 1, path, kHistory).ok());
    sqlite3_close(db);
    EXPECT_EQ(value("SELECT COUNT(*) FROM A"), 1);
    EXPECT_EQ(value("SELECT y FROM B"), 2);
}

TEST_F(SchemaUpgradeTest, AFailingStepLeavesNothingOfTheUpgrade)
{
    const std::vector<SchemaUpgrade::Step> broken = {kHistory[0], {"broken", "CREATE TABLE Main (z)"}};
    sqlite3* db = raw();
    const Status s = SchemaUpgrade::run(db, SchemaUpgrade::kBaseVersion, path, broken);
    EXPECT_FALSE(s.ok());
    EXPECT_TRUE(s.message().contains(QStringLiteral("broken"))) << s.message().toStdString();
    EXPECT_TRUE(sqlite3_get_autocommit(db)); // no transaction left open
    sqlite3_close(db);
    EXPECT_EQ(value("PRAGMA user_version"), SchemaUpgrade::kBaseVersion);
    EXPECT_EQ(value("SELECT COUNT(*) FROM sqlite_master WHERE name = 'A'"), 0);
}

TEST_F(SchemaUpgradeTest, OpeningBringsAWritableLibraryUpToDate)
{
    EXPECT_EQ(value("PRAGMA user_version"), SchemaUpgrade::kBaseVersion);
    std::shared_ptr<Database> db = openLibrary();
    ASSERT_TRUE(db);
    EXPECT_EQ(db->schemaVersion(), SchemaUpgrade::latestVersion());
    addRecord(*db, QStringLiteral("kept"));
    db->close();
    EXPECT_EQ(value("PRAGMA user_version"), SchemaUpgrade::latestVersion());
    // A second opening has nothing to do and keeps the records.
    db = openLibrary();
    ASSERT_TRUE(db);
    EXPECT_EQ(*db->countMain(), 1);
}

TEST_F(SchemaUpgradeTest, AReadOnlyLibraryOpensAtItsOwnVersion)
{
    OpenOptions readOnly;
    readOnly.readOnly = true;
    std::shared_ptr<Database> db = openLibrary(readOnly);
    ASSERT_TRUE(db);
    EXPECT_TRUE(db->isReadOnly());
    EXPECT_EQ(db->schemaVersion(), SchemaUpgrade::kBaseVersion);
    EXPECT_EQ(*db->countMain(), 0);
    db->close();
    EXPECT_EQ(value("PRAGMA user_version"), SchemaUpgrade::kBaseVersion);
}

TEST_F(SchemaUpgradeTest, ALibraryNewerThanTheProgramIsRefused)
{
    setVersion(SchemaUpgrade::latestVersion() + 1);
    Result<std::shared_ptr<Database>> db = Database::open(path);
    ASSERT_FALSE(db.ok());
    EXPECT_EQ(db.code(), ErrorCode::NotALibrary);
    EXPECT_TRUE(db.message().contains(QStringLiteral("newer version"))) << db.message().toStdString();
    EXPECT_EQ(value("PRAGMA user_version"), SchemaUpgrade::latestVersion() + 1);
}
