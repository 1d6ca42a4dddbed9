#include "TransferTestSupport.h"

#include "transfer/FileInserter.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

using namespace zentaro;
using namespace zentaro::test;

namespace {

const char* const kLibraryVar = "ZENTARO_KILL_CHILD_LIBRARY";
const char* const kSourceVar = "ZENTARO_KILL_CHILD_SOURCE";
const char* const kMarkVar = "ZENTARO_KILL_CHILD_MARK";

// Reports progress like a window would and, half-way, tells the parent that
// the insertion is under way, then slows down so that the kill lands in it.
class MarkingProgress : public Progress
{
public:
    explicit MarkingProgress(QString mark) : m_mark(std::move(mark)) {}
    void setText(const QString&) override {}
    void setPercent(int percent) override
    {
        if (percent >= 50 && !m_marked) {
            m_marked = true;
            writeBytes(m_mark, QByteArray::number(percent));
        }
    }
    bool cancelRequested() const override
    {
        if (m_marked)
            QThread::msleep(20);
        return false;
    }

private:
    QString m_mark;
    bool m_marked = false;
};

} // namespace

// The child half: only runs when the parent below starts this binary for it.
TEST(InsertionKill, ChildInsertsUntilKilled)
{
    if (!qEnvironmentVariableIsSet(kLibraryVar))
        GTEST_SKIP() << "run by InsertionKill.LibraryStaysWhole";
    TransferSettings settings;
    settings.libraryPath = qEnvironmentVariable(kLibraryVar);
    Result<std::shared_ptr<Database>> db = Database::open(settings.libraryPath);
    ASSERT_TRUE(db) << db.message().toStdString();
    FileInserter inserter(settings, *db);
    MarkingProgress progress(qEnvironmentVariable(kMarkVar));
    inserter.InsertData(qEnvironmentVariable(kSourceVar), {}, progress);
    // Reaching here means the parent did not kill us in time.
    ADD_FAILURE() << "the insertion finished before it was killed";
}

TEST(InsertionKill, LibraryStaysWholeAndOriginalStays)
{
    TempLibrary lib;
    // One record that was there before.
    ASSERT_TRUE(writeBytes(lib.file(QStringLiteral("before.txt")), "kept"));
    lib.state.CurrentFilePath = lib.file(QStringLiteral("before.txt"));
    {
        FileInserter inserter(lib.settings(), lib.db);
        NullProgress quiet;
        ASSERT_TRUE(inserter.InsertData(lib.state.CurrentFilePath, {}, quiet).ok());
    }
    lib.db->close();
    const qint64 sizeBefore = QFileInfo(lib.state.CurrentLibraryPath).size();

    // Large enough that pages reach the library file before the kill.
    const QString source = lib.file(QStringLiteral("victim.bin"));
    const QByteArray bytes = patternBytes(24 * 1000 * 1000, 42);
    ASSERT_TRUE(writeBytes(source, bytes));
    const QString mark = lib.folder.path(QStringLiteral("mark"));

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kLibraryVar), lib.state.CurrentLibraryPath);
    env.insert(QString::fromLatin1(kSourceVar), source);
    env.insert(QString::fromLatin1(kMarkVar), mark);
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=InsertionKill.ChildInsertsUntilKilled")});
    ASSERT_TRUE(child.waitForStarted(10000));

    QDeadlineTimer deadline(60000);
    while (!QFileInfo::exists(mark) && !deadline.hasExpired() && child.state() == QProcess::Running)
        QThread::msleep(5);
    ASSERT_TRUE(QFileInfo::exists(mark)) << "the child never got half-way";
    const qint64 sizeAtKill = QFileInfo(lib.state.CurrentLibraryPath).size();
    child.kill(); // SIGKILL: no clean-up of any kind
    ASSERT_TRUE(child.waitForFinished(10000));
    EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);
    // Half a file had reached the library file itself.
    EXPECT_GT(sizeAtKill, sizeBefore);

    Result<std::shared_ptr<Database>> reopened = Database::open(lib.state.CurrentLibraryPath);
    ASSERT_TRUE(reopened) << reopened.message().toStdString();
    Database& db = **reopened;
    EXPECT_EQ(*db.countMain(), 1);
    EXPECT_EQ(db.loadRecord(1)->FileName, QStringLiteral("before"));
    EXPECT_EQ(storedBytes(db, 1), QByteArray("kept"));
    // No pieces were left behind for the record that never was: the next
    // record starts empty.
    Result<qint64> next = db.insertRecord(MainRecord());
    ASSERT_TRUE(next);
    EXPECT_EQ(*db.storedSize(*next), 0);
    EXPECT_EQ(*db.storedSize(2), 0);
    // And the original is where it was, unchanged.
    EXPECT_EQ(readBytes(source), bytes);
}
