#include "core/ProgramState.h"
#include "support/FakeLibraryHost.h"
#include "support/TestPaths.h"

#include "library/LibrarySession.h"
#include "library/RecordDeleter.h"
#include "store/Database.h"
#include "store/Recordset.h"

#include <gtest/gtest.h>

namespace zentaro::test {
namespace {

class RecordDeleterTest : public ::testing::Test
{
protected:
    RecordDeleterTest() : state(folder.folder()), session(state, state.Settings, host)
    {
        host.session = &session;
        state.Settings.ExclusiveMode = false;
        state.SetVariables();
    }

    void open(const QStringList& titles, const QStringList& authors = {})
    {
        const QString path = folder.path(QStringLiteral("Del.ZNT"));
        ASSERT_TRUE(Database::compactFile(templatePath(), path).ok());
        Result<std::shared_ptr<Database>> db = Database::open(path, {false, false, 1000});
        ASSERT_TRUE(db.ok());
        for (int i = 0; i < titles.size(); ++i) {
            MainRecord record;
            record.Title = titles[i];
            record.Author = authors.value(i);
            ASSERT_TRUE((*db)->insertRecord(record).ok());
        }
        (*db)->close();
        state.CurrentLibraryPath = path;
        session.OpenLibrary();
        ASSERT_TRUE(session.isOpen());
        ASSERT_TRUE(session.RequeryList().ok());
    }

    QString currentTitle()
    {
        Result<MainRecord> record = session.DCMain()->currentRecord();
        return record ? record->Title : QString();
    }

    ProgramFolder folder;
    ProgramState state;
    FakeLibraryHost host;
    LibrarySession session;
};

TEST_F(RecordDeleterTest, DeletingTheOnlyAndTheLastRecordMovesAsTheListDoes)
{
    open({QStringLiteral("Only")});
    RecordDeleter deleter(session);
    ASSERT_TRUE(deleter.DeleteCurrentFile().ok());
    EXPECT_EQ(session.ListedCount(), 0);
    EXPECT_EQ(session.TotalCount(), 0);
    EXPECT_TRUE(deleter.DeleteCurrentFile().ok()); // an empty list: nothing happens
    EXPECT_FALSE(state.SuppressReposition);
}

TEST_F(RecordDeleterTest, DeletingTheLastOfFiveLeavesTheNewLastAndAMiddleOneTheNext)
{
    open({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D"), QStringLiteral("E")});
    RecordDeleter deleter(session);
    session.MoveLast();
    ASSERT_TRUE(deleter.DeleteCurrentFile().ok());
    EXPECT_EQ(session.ListedCount(), 4);
    EXPECT_EQ(currentTitle(), QStringLiteral("D"));
    session.MoveTo(1);
    ASSERT_TRUE(deleter.DeleteCurrentFile().ok());
    EXPECT_EQ(currentTitle(), QStringLiteral("C"));
    EXPECT_EQ(session.ListedCount(), 3);
}

TEST_F(RecordDeleterTest, SelectedRecordsGoOneByOne)
{
    open({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    Recordset* list = session.DCMain();
    const qint64 a = list->recordAt(0)->MainID;
    const qint64 c = list->recordAt(2)->MainID;
    ASSERT_TRUE(RecordDeleter(session).DeleteSelectedFiles({c, a}).ok());
    EXPECT_EQ(session.ListedCount(), 1);
    EXPECT_EQ(currentTitle(), QStringLiteral("B"));
}

TEST_F(RecordDeleterTest, TheListedDeleteTakesOnlyTheSearchedRecordsThenShowsTheRest)
{
    open({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")},
         {QStringLiteral("Smith"), QStringLiteral("Jones"), QStringLiteral("Smith")});
    state.QueryWhere = QStringLiteral("WHERE Author = \"Smith\" ");
    ASSERT_TRUE(session.RequeryList().ok());
    ASSERT_EQ(session.ListedCount(), 2);
    RecordDeleter deleter(session);
    Result<qint64> deleted = deleter.DeleteListedFiles();
    ASSERT_TRUE(deleted.ok()) << deleted.message().toStdString();
    EXPECT_EQ(*deleted, 2);
    ASSERT_TRUE(deleter.ShowRemainingFiles().ok());
    EXPECT_TRUE(state.QueryWhere.isEmpty());
    EXPECT_EQ(session.ListedCount(), 1);
    EXPECT_EQ(currentTitle(), QStringLiteral("B"));

    // Without a search every record goes.
    EXPECT_EQ(*deleter.DeleteListedFiles(), 1);
    ASSERT_TRUE(deleter.ShowRemainingFiles().ok());
    EXPECT_EQ(session.ListedCount(), 0);
}

TEST_F(RecordDeleterTest, AListedDeleteTheEngineRefusesLeavesEverything)
{
    open({QStringLiteral("A"), QStringLiteral("B")});
    // Another user holds the library locked.
    Result<std::shared_ptr<Database>> other = Database::open(state.CurrentLibraryPath, {false, false, 100});
    ASSERT_TRUE(other.ok());
    ASSERT_TRUE((*other)->begin().ok());
    MainRecord record;
    record.Title = QStringLiteral("held");
    ASSERT_TRUE((*other)->insertRecord(record).ok());
    Result<qint64> deleted = RecordDeleter(session).DeleteListedFiles();
    EXPECT_FALSE(deleted.ok());
    ASSERT_TRUE((*other)->rollback().ok());
    (*other)->close();
    EXPECT_EQ(session.ListedCount(), 2);
    EXPECT_EQ(*session.database()->countMain(), 2);
}

} // namespace
} // namespace zentaro::test
