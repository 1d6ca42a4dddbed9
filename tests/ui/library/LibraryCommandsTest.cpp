#include "ui/LibraryWindowHarness.h"

#include "library/LibraryCompactor.h"
#include "library/LibraryCopier.h"
#include "store/WriterProcess.h"
#include "ui/common/MGForm.h"

#include <QApplication>

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

using namespace zentaro;
using namespace zentaro::test;

namespace {

const QStringList kTitles = {QStringLiteral("Beta"), QStringLiteral("Alpha"), QStringLiteral("Gamma")};

class LibraryCommandsTest : public LibraryWindowTest
{
protected:
    // A library holding `records` stored files of `pieces` pieces, every other one deleted again.
    QString libraryWithSpace(const QString& name, int records, int pieces)
    {
        const QString path = library(name);
        EXPECT_TRUE(Database::compactFile(templatePath(), path).ok());
        auto db = Database::open(path);
        EXPECT_TRUE(db.ok());
        const QByteArray piece(64000, 'k');
        EXPECT_TRUE((*db)->begin().ok());
        for (int i = 0; i < records; ++i) {
            MainRecord r;
            r.Title = QStringLiteral("kept %1").arg(i);
            r.FileSize = qint64(pieces) * piece.size();
            const qint64 id = *(*db)->insertRecord(r);
            for (int k = 0; k < pieces; ++k)
                EXPECT_TRUE((*db)->appendChunk(id, piece.constData(), piece.size()).ok());
            if (i % 2) {
                EXPECT_TRUE((*db)->deleteRecord(id).ok());
            }
        }
        EXPECT_TRUE((*db)->commit().ok());
        (*db)->close();
        return path;
    }

    static void writeFile(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
};

// --- Create New Library ---------------------------------------------------------------

TEST_F(LibraryCommandsTest, NewLibraryNamesGetTheExtensionUnlessTheyHaveIt)
{
    makeLibrary(library(QStringLiteral("Books")), kTitles);
    auto form = load(library(QStringLiteral("Books")));
    saveAnswers << folder.path(QStringLiteral("Reports"));
    run(*form, QStringLiteral("fnbar"));
    EXPECT_EQ(saveTitles, QStringList{QStringLiteral("Create New Library...")});
    EXPECT_EQ(saveFolders, QStringList{folder.folder()});
    EXPECT_EQ(state.CurrentLibraryPath, folder.path(QStringLiteral("Reports.ZNT")));
    EXPECT_TRUE(QFileInfo(folder.path(QStringLiteral("Reports.ZNT"))).size() > 0);

    saveAnswers << folder.path(QStringLiteral("Other.znt"));
    run(*form, QStringLiteral("NewLibraryButton"));
    EXPECT_EQ(state.CurrentLibraryPath, folder.path(QStringLiteral("Other.znt")));
    EXPECT_TRUE(QFileInfo::exists(folder.path(QStringLiteral("Other.znt"))));
    EXPECT_FALSE(QFileInfo::exists(folder.path(QStringLiteral("Other.znt.ZNT"))));
    EXPECT_EQ(boxes.count(), 0) << boxes.last().text.toStdString();
    // Only the open command moves LibraryFolder.
    EXPECT_EQ(state.Settings.LibraryFolder, folder.folder());
}

TEST_F(LibraryCommandsTest, AnExistingNonEmptyTargetGivesFileAlreadyExistsAndTheDialogAgain)
{
    makeLibrary(library(QStringLiteral("Books")), kTitles);
    writeFile(library(QStringLiteral("Taken")), "not yours");
    writeFile(library(QStringLiteral("Empty")), QByteArray());
    auto form = load(library(QStringLiteral("Books")));
    const QString caption = form->windowTitle();

    saveAnswers << folder.path(QStringLiteral("Taken")); // then Cancel
    run(*form, QStringLiteral("fnbar"));
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().title, QStringLiteral("ZNT Library Creation Error"));
    EXPECT_EQ(boxes.last().text, QStringLiteral("File Already Exists."));
    EXPECT_EQ(boxes.last().icon, MessageIcon::Exclamation);
    EXPECT_EQ(saveTitles.size(), 2);
    QFile taken(library(QStringLiteral("Taken")));
    ASSERT_TRUE(taken.open(QIODevice::ReadOnly));
    EXPECT_EQ(taken.readAll(), QByteArray("not yours"));
    EXPECT_EQ(state.CurrentLibraryPath, library(QStringLiteral("Books")));
    EXPECT_EQ(form->windowTitle(), caption);
    EXPECT_EQ(form->session().ListedCount(), 3);

    // The copy command asks the same way; an empty file may be written over.
    boxes.clear();
    saveTitles.clear();
    saveAnswers << folder.path(QStringLiteral("Taken.ZNT")) << folder.path(QStringLiteral("Empty"));
    run(*form, QStringLiteral("fcbar"));
    EXPECT_EQ(saveTitles, QStringList(2, QStringLiteral("Copy Library to...")));
    EXPECT_EQ(boxes.count(), 1);
    EXPECT_EQ(titlesIn(library(QStringLiteral("Empty"))), kTitles);
}

TEST_F(LibraryCommandsTest, ANewLibraryOpensEmptyWithCreatedSetToNow)
{
    makeLibrary(library(QStringLiteral("Books")), kTitles);
    auto form = load(library(QStringLiteral("Books")));
    saveAnswers << folder.path(QStringLiteral("Fresh"));
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    run(*form, QStringLiteral("fnbar"));
    const QDateTime after = QDateTime::currentDateTime().addSecs(1);

    ASSERT_TRUE(form->session().isOpen());
    EXPECT_EQ(form->session().ListedCount(), 0);
    EXPECT_EQ(form->session().TotalCount(), 0);
    EXPECT_EQ(form->windowTitle(),
              LibrarySession::CaptionFor(state.ProgramVersion, library(QStringLiteral("Fresh")), false));
    EXPECT_EQ(state.AccessLevel, QStringLiteral("Administrator"));
    const QDateTime created = form->session().ReadConfig()->Created;
    EXPECT_TRUE(created >= before && created <= after) << created.toString().toStdString();
    EXPECT_EQ(form->session().Config().Created, created);
}

TEST_F(LibraryCommandsTest, ABrowserIsRefusedANewLibraryBeforeTheDialog)
{
    makeLibrary(library(QStringLiteral("Books")), kTitles);
    protectLibrary(library(QStringLiteral("Books")), QStringLiteral(" "), QStringLiteral("ed"), QStringLiteral("ad"));
    auto form = load(library(QStringLiteral("Books")));
    ASSERT_EQ(state.AccessLevel, QStringLiteral("Browser"));
    saveAnswers << folder.path(QStringLiteral("Reports"));
    run(*form, QStringLiteral("fnbar"));
    EXPECT_EQ(dialogs.deniedLevels, QStringList{QStringLiteral("Browser")});
    EXPECT_TRUE(saveTitles.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(library(QStringLiteral("Reports"))));
}

TEST_F(LibraryCommandsTest, ACreationThatFailsSaysWhyAndKeepsTheOpenLibrary)
{
    makeLibrary(library(QStringLiteral("Books")), kTitles);
    auto form = load(library(QStringLiteral("Books")));
    saveAnswers << folder.path(QStringLiteral("missing/Reports"));
    run(*form, QStringLiteral("fnbar"));
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_TRUE(boxes.last().text.contains(QStringLiteral("Reports.ZNT"))) << boxes.last().text.toStdString();
    EXPECT_EQ(state.CurrentLibraryPath, library(QStringLiteral("Books")));
    EXPECT_TRUE(form->session().isOpen());
    EXPECT_EQ(form->session().ListedCount(), 3);
}

TEST_F(LibraryCommandsTest, ANewLibraryCanBeMadeWhenNoLibraryIsOpen)
{
    makeLibrary(library(QStringLiteral("Books")), kTitles);
    auto form = load(library(QStringLiteral("Books")));
    form->session().CloseLibrary();
    state.AccessLevel.clear();
    saveAnswers << folder.path(QStringLiteral("Start"));
    run(*form, QStringLiteral("fnbar"));
    EXPECT_TRUE(dialogs.deniedLevels.isEmpty());
    EXPECT_TRUE(form->session().isOpen());
    EXPECT_EQ(state.CurrentLibraryPath, library(QStringLiteral("Start")));
}

// --- Copy Library -------------------------------------------------------------------

TEST_F(LibraryCommandsTest, ACopyOntoTooLittleFreeSpaceIsRefusedBeforeAnythingIsClosed)
{
    makeLibrary(library(QStringLiteral("Books")), kTitles);
    auto form = load(library(QStringLiteral("Books")));
    const qint64 size = QFileInfo(library(QStringLiteral("Books"))).size();
    QStringList probed;
    commands->setFreeSpaceProbe([&](const QString& path) {
        probed << path;
        return std::optional<qint64>(size - 1);
    });
    bool openAtMessage = false;
    boxes.setHook([&](const MessageRecord&) { openAtMessage = form->session().isOpen(); });
    saveAnswers << folder.path(QStringLiteral("Copy"));
    run(*form, QStringLiteral("fcbar"));

    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().title, QStringLiteral("ZNT Cannot Copy Library"));
    EXPECT_EQ(boxes.last().text, QStringLiteral("Insufficient Space to copy Library"));
    EXPECT_EQ(boxes.last().icon, MessageIcon::Exclamation);
    EXPECT_TRUE(openAtMessage);
    EXPECT_EQ(probed.value(0), library(QStringLiteral("Copy")));
    EXPECT_FALSE(QFileInfo::exists(library(QStringLiteral("Copy"))));
    EXPECT_EQ(state.PreviousLibraryPath, QString()) << "the library was closed";

    // Exactly as many free bytes as the library's size are enough.
    boxes.clear();
    commands->setFreeSpaceProbe([size](const QString&) { return std::optional<qint64>(size); });
    saveAnswers << folder.path(QStringLiteral("Copy"));
    run(*form, QStringLiteral("fcbar"));
    EXPECT_EQ(boxes.count(), 0) << boxes.last().text.toStdString();
    EXPECT_TRUE(QFileInfo::exists(library(QStringLiteral("Copy"))));
}

TEST_F(LibraryCommandsTest, AfterACopyTheCaptionAndTheListAreThoseOfTheOpenLibrary)
{
    makeLibrary(library(QStringLiteral("Books")), kTitles);
    auto form = load(library(QStringLiteral("Books")));
    const QString caption = form->windowTitle();
    // The copy asks for the free space once more while it works: look then.
    QString progressText;
    bool windowEnabled = true;
    bool libraryOpen = true;
    commands->setFreeSpaceProbe([&](const QString&) {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* busy = qobject_cast<MGForm*>(w); busy && busy->isVisible())
                progressText = busy->text();
        }
        windowEnabled = form->isEnabled();
        libraryOpen = form->session().isOpen();
        return std::optional<qint64>();
    });
    saveAnswers << folder.path(QStringLiteral("Backup"));
    run(*form, QStringLiteral("fcbar"));
    EXPECT_EQ(progressText, QStringLiteral("Copying..  Please Wait..."));
    EXPECT_FALSE(windowEnabled);
    EXPECT_FALSE(libraryOpen) << "copied while the window still held the library";

    EXPECT_EQ(boxes.count(), 0) << boxes.last().text.toStdString();
    EXPECT_EQ(form->windowTitle(), caption);
    EXPECT_EQ(state.CurrentLibraryPath, library(QStringLiteral("Books")));
    ASSERT_TRUE(form->session().isOpen());
    EXPECT_EQ(form->session().ListedCount(), 3);
    EXPECT_TRUE(form->isEnabled());
    EXPECT_EQ(titlesIn(library(QStringLiteral("Backup"))), kTitles);
    EXPECT_FALSE(QFileInfo::exists(library(QStringLiteral("Backup")) + QStringLiteral(".TMP")));
}

TEST_F(LibraryCommandsTest, ACopyThatFailsSaysWhyLeavesNoTargetAndKeepsTheLibraryOpen)
{
    makeLibrary(library(QStringLiteral("Books")), kTitles);
    auto form = load(library(QStringLiteral("Books")));
    commands->setFreeSpaceProbe([](const QString&) { return std::optional<qint64>(); });
    saveAnswers << folder.path(QStringLiteral("gone/Backup"));
    run(*form, QStringLiteral("fcbar"));
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().title, QStringLiteral("ZNT Cannot Copy Library"));
    EXPECT_TRUE(boxes.last().text.contains(QStringLiteral("Backup.ZNT"))) << boxes.last().text.toStdString();
    EXPECT_FALSE(QFileInfo::exists(folder.path(QStringLiteral("gone/Backup.ZNT"))));
    ASSERT_TRUE(form->session().isOpen());
    EXPECT_EQ(form->session().ListedCount(), 3);
    EXPECT_TRUE(form->isEnabled());
}

// --- Compact Library ----------------------------------------------------------------

TEST_F(LibraryCommandsTest, CompactionAsksFirstAndReportsTheRecoveredBytesInPlainDigits)
{
    const QString path = libraryWithSpace(QStringLiteral("Big"), 12, 8);
    auto form = load(path);
    const qint64 oldSize = QFileInfo(path).size();
    boxes.queueAnswer(MessageAnswer::Yes);
    run(*form, QStringLiteral("tcbar"));

    ASSERT_EQ(boxes.count(), 2);
    const MessageRecord ask = boxes.records().at(0);
    EXPECT_EQ(ask.title, QStringLiteral("Confirm Library Compact Process"));
    EXPECT_EQ(ask.buttons, MessageButtons::YesNo);
    EXPECT_EQ(ask.icon, MessageIcon::Exclamation);
    const MessageRecord done = boxes.records().at(1);
    EXPECT_EQ(done.icon, MessageIcon::Information);
    const qint64 newSize = QFileInfo(path).size();
    ASSERT_LT(newSize, oldSize);
    EXPECT_EQ(done.text, QStringLiteral("Compaction Process Complete\r\n\r\n%1 bytes of disk space recovered")
                             .arg(QString::number(oldSize - newSize)));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("\n\\d+ bytes")).match(done.text).hasMatch());
    ASSERT_TRUE(form->session().isOpen());
    EXPECT_EQ(form->session().ListedCount(), 6);
    EXPECT_FALSE(QFileInfo::exists(folder.path(QStringLiteral("CMPCT.TMP"))));
    EXPECT_TRUE(form->isEnabled());
}

TEST_F(LibraryCommandsTest, NoToTheConfirmationLeavesTheLibraryAsItWas)
{
    const QString path = libraryWithSpace(QStringLiteral("Big"), 6, 4);
    auto form = load(path);
    const qint64 oldSize = QFileInfo(path).size();
    boxes.queueAnswer(MessageAnswer::No);
    run(*form, QStringLiteral("tcbar"));
    EXPECT_EQ(boxes.count(), 1);
    EXPECT_EQ(QFileInfo(path).size(), oldSize);
    EXPECT_TRUE(form->session().isOpen());
    EXPECT_TRUE(state.PreviousLibraryPath.isEmpty()) << "the library was closed";
}

TEST_F(LibraryCommandsTest, AReadOnlyLibraryIsRefusedBeforeTheLevelIsLookedAt)
{
    const QString path = library(QStringLiteral("Books"));
    makeLibrary(path, kTitles);
    protectLibrary(path, QStringLiteral(" "), QStringLiteral("ed"), QStringLiteral("ad"));
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    auto form = load(path);
    ASSERT_TRUE(state.LibraryReadOnly);
    ASSERT_EQ(state.AccessLevel, QStringLiteral("Browser"));
    boxes.clear();

    for (const QString& command : {QStringLiteral("tcbar"), QStringLiteral("tlbar")}) {
        run(*form, command);
        ASSERT_EQ(boxes.count(), 1) << command.toStdString();
        EXPECT_EQ(boxes.last().title, QStringLiteral("ZNT Reminder"));
        EXPECT_EQ(boxes.last().text,
                  QStringLiteral("This Library File is READ ONLY\r\n\r\nYou can not make any changes to this library"));
        EXPECT_EQ(boxes.last().icon, MessageIcon::Exclamation);
        EXPECT_TRUE(dialogs.deniedLevels.isEmpty()) << command.toStdString();
        boxes.clear();
    }
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
}

TEST_F(LibraryCommandsTest, CompactionRefusesABrowserAnotherDriveAndTooLittleSpaceInThatOrder)
{
    const QString path = libraryWithSpace(QStringLiteral("Big"), 4, 2);
    protectLibrary(path, QStringLiteral(" "), QStringLiteral("ed"), QStringLiteral("ad"));
    auto form = load(path);
    const qint64 size = QFileInfo(path).size();
    commands->setDriveLookup([&](const QString& p) {
        return std::optional<Drive::Facts>(
            {QStringLiteral("/"), p.startsWith(state.ProgramFolder() + QStringLiteral("/")) ? "lib" : "program"});
    });
    commands->setFreeSpaceProbe([size](const QString&) { return std::optional<qint64>(size - 1); });

    run(*form, QStringLiteral("tcbar"));
    EXPECT_EQ(dialogs.deniedLevels, QStringList{QStringLiteral("Browser")});
    EXPECT_EQ(boxes.count(), 0);

    logins.queue(QStringLiteral("Editor"), QStringLiteral("ed"));
    form->reLogin();
    ASSERT_EQ(state.AccessLevel, QStringLiteral("Editor"));
    run(*form, QStringLiteral("tcbar"));
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().title, QStringLiteral("Can't Compact on this drive"));

    commands->setDriveLookup([](const QString&) { return std::optional<Drive::Facts>({QStringLiteral("/"), "one"}); });
    run(*form, QStringLiteral("tcbar"));
    ASSERT_EQ(boxes.count(), 2);
    EXPECT_EQ(boxes.last().title, QStringLiteral("Can't Compact Library"));
    EXPECT_TRUE(boxes.last().text.startsWith(QStringLiteral("INSUFFICIENT HARD DRIVE SPACE for Compact Process")));
    EXPECT_EQ(QFileInfo(path).size(), size);
    EXPECT_TRUE(state.PreviousLibraryPath.isEmpty()) << "the library was closed";
}

TEST_F(LibraryCommandsTest, CompactingFromTheWindowWhileASecondProcessCommitsInSharedModeLosesNothing)
{
    state.Settings.ExclusiveMode = false;
    const QString path = libraryWithSpace(QStringLiteral("Shared"), 24, 12);
    auto form = load(path);
    ASSERT_TRUE(form->session().isOpen());
    WriterProcess writer(path, 2);
    ASSERT_TRUE(writer.started());
    ASSERT_TRUE(writer.waitForCommits(5)) << "the writer never committed";

    for (int round = 0; round < 3; ++round) {
        boxes.clear();
        boxes.queueAnswer(MessageAnswer::Yes);
        run(*form, QStringLiteral("tcbar"));
        ASSERT_EQ(boxes.count(), 2);
        // On a busy machine the writer may hold the library past the wait:
        // then the compaction is refused as in use and changes nothing.
        const MessageRecord said = boxes.last();
        if (said.icon == MessageIcon::Information) {
            EXPECT_TRUE(said.text.startsWith(QStringLiteral("Compaction Process Complete")));
        } else {
            EXPECT_TRUE(said.text.startsWith(QStringLiteral("ERROR Compacting Library\r\n\r\n")));
            EXPECT_TRUE(said.text.contains(QStringLiteral("in use"))) << said.text.toStdString();
        }
        ASSERT_TRUE(form->session().isOpen());
        ASSERT_TRUE(writer.waitForCommits(static_cast<int>(writer.committed().size()) + 5))
            << "the writer stopped committing after the compaction";
    }
    const QList<int> committed = writer.stop();
    EXPECT_EQ(writer.exitCode(), 0);

    const QStringList stored = titlesIn(path);
    for (int i : committed)
        EXPECT_TRUE(stored.contains(WriterProcess::title(i))) << "commit " << i << " was reported but is gone";
    for (int i = 0; i < 24; i += 2)
        EXPECT_TRUE(stored.contains(QStringLiteral("kept %1").arg(i)));
    // The window's list sees what the other program saved.
    form->refreshData();
    EXPECT_GE(form->session().TotalCount(), 12 + committed.size());
    EXPECT_FALSE(QFileInfo::exists(folder.path(QStringLiteral("CMPCT.TMP"))));
}

} // namespace
