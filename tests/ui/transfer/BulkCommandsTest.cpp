#include "ui/MainWindowHarness.h"
#include "support/FileModes.h"
#include "support/RecordingOpener.h"

#include "library/LibrarySession.h"
#include "search/ListModel.h"
#include "store/Recordset.h"
#include "transfer/ExtractionFolder.h"
#include "transfer/FileOpener.h"
#include "ui/common/MGForm.h"
#include "ui/main/MainForm.h"
#include "ui/common/MessageRecorder.h"
#include "ui/transfer/BulkCommands.h"
#include "ui/transfer/EditDetection.h"
#include "ui/main/RecordPane.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

using namespace zentaro;
using namespace zentaro::test;

namespace {

QByteArray bytesOf(int size, int seed)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 131 + seed * 17) & 0xff);
    return bytes;
}

struct StoredFile
{
    QString title;
    QString author;
    QByteArray bytes;
};

class BulkCommandsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.valid());
        ASSERT_TRUE(state.settingsFile().LoadConfig().ok());
        state.Settings.StartMaximized = false;
        previousOpener = Prompts::setFileOpener(&opener);
        previousFolder = Prompts::setFolderAnswerer([this](const QString&) { return pickedFolder; });
    }
    void TearDown() override
    {
        Prompts::setFileOpener(previousOpener);
        Prompts::setFolderAnswerer(std::move(previousFolder));
    }

    // Records named file<i>.TXT with their bytes, listed in this order.
    std::unique_ptr<MainForm> loadWith(const std::vector<StoredFile>& files)
    {
        const QString path = folder.path(QStringLiteral("Bulk%1.ZNT").arg(++libraries));
        makeLibrary(path);
        auto db = Database::open(path);
        EXPECT_TRUE(db.ok());
        int n = 0;
        for (const StoredFile& file : files) {
            MainRecord record;
            record.Title = file.title;
            record.Author = file.author;
            record.FileName = QStringLiteral("file%1").arg(n++);
            record.FileType = QStringLiteral("TXT");
            record.FileSize = file.bytes.size();
            Result<qint64> id = (*db)->insertRecord(record);
            EXPECT_TRUE(id.ok());
            for (qsizetype at = 0; at < file.bytes.size(); at += 64000)
                EXPECT_TRUE((*db)->appendChunk(*id, file.bytes.constData() + at,
                                               std::min<qsizetype>(64000, file.bytes.size() - at))
                                .ok());
        }
        (*db)->close();
        state.CurrentLibraryPath = path;
        auto form = std::make_unique<MainForm>(state);
        form->load();
        return form;
    }
    std::unique_ptr<MainForm> loadTitles(const QStringList& titles, const QStringList& authors = {})
    {
        std::vector<StoredFile> files;
        for (int i = 0; i < titles.size(); ++i)
            files.push_back({titles[i], authors.value(i), bytesOf(10 + i, i)});
        return loadWith(files);
    }

    static QString currentTitle(MainForm& form)
    {
        Result<MainRecord> record = form.session().DCMain()->currentRecord();
        return record ? record->Title : QString();
    }
    static QByteArray readAll(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QString copyPath(const QString& name) const { return QDir(state.ExtractFolder).filePath(name); }

    ProgramFolder folder;
    ProgramState state{folder.folder()};
    MessageRecorder boxes;
    LoginScript logins;
    DialogScript dialogs;
    RecordingOpener opener;
    FileOpener* previousOpener = nullptr;
    std::optional<QString> pickedFolder;
    Prompts::FolderAnswerer previousFolder;
    int libraries = 0;
};

TEST_F(BulkCommandsTest, DeletingTheOnlyRecordAndTheLastOfFive)
{
    {
        auto form = loadTitles({QStringLiteral("Only")});
        boxes.queueAnswer(MessageAnswer::Yes);
        form->findChild<QAction*>(QStringLiteral("edbar"))->trigger();
        ASSERT_EQ(boxes.count(), 1);
        EXPECT_EQ(boxes.last().title, QStringLiteral("ZNT Delete Confirmation"));
        EXPECT_EQ(boxes.last().icon, MessageIcon::Exclamation);
        EXPECT_EQ(form->session().ListedCount(), 0);
        // Nothing more to delete, nothing asked.
        form->command(QStringLiteral("DeleteButton"))->trigger();
        EXPECT_EQ(boxes.count(), 1);
        form->unload();
    }
    boxes.clear();
    auto form = loadTitles({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D"),
                            QStringLiteral("E")});
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    form->command(QStringLiteral("elbar"))->trigger();
    // No keeps the record.
    boxes.queueAnswer(MessageAnswer::No);
    form->gridMain()->setFocus();
    QTest::keyClick(form->gridMain(), Qt::Key_Delete);
    EXPECT_EQ(form->session().ListedCount(), 5);
    boxes.queueAnswer(MessageAnswer::Yes);
    QTest::keyClick(form->gridMain(), Qt::Key_Delete);
    EXPECT_EQ(boxes.count(), 2);
    EXPECT_EQ(form->session().ListedCount(), 4);
    EXPECT_EQ(currentTitle(*form), QStringLiteral("D"));
    EXPECT_EQ(form->titleBox()->text(), QStringLiteral("D"));
    EXPECT_EQ(form->gridMain()->currentIndex().row(), 3);
}

TEST_F(BulkCommandsTest, TheListedDeleteUnderASearchAndWithoutOne)
{
    auto form = loadTitles({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")},
                           {QStringLiteral("Smith"), QStringLiteral("Jones"), QStringLiteral("Smith")});
    state.QueryWhere = QStringLiteral("WHERE Author = \"Smith\" ");
    ASSERT_TRUE(form->session().RequeryList().ok());
    ASSERT_EQ(form->session().ListedCount(), 2);
    boxes.setFixedAnswer(MessageAnswer::Yes);
    // What the wait window shows while the delete runs.
    QString waitText;
    bool barShown = true;
    QTimer watch;
    watch.setInterval(0);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* wait = qobject_cast<MGForm*>(w); wait && wait->isVisible()) {
                waitText = wait->text();
                barShown = wait->barVisible();
            }
        }
    });
    watch.start();
    form->command(QStringLiteral("menuDeleteListedFiles"))->trigger();
    watch.stop();
    EXPECT_EQ(waitText, QStringLiteral("Deleting...Please Wait"));
    EXPECT_FALSE(barShown);
    ASSERT_EQ(boxes.count(), 2);
    EXPECT_EQ(boxes.records()[0].title, QStringLiteral("ZNT Delete Listed Files Confirmation"));
    EXPECT_EQ(boxes.records()[1].title, QStringLiteral("List Deletion Complete"));
    EXPECT_EQ(boxes.records()[1].text,
              QStringLiteral("The Listed Records have been Deleted.  The List will now reflect the remaining files."));
    // The search is gone: the whole library (what is left of it) shows.
    EXPECT_TRUE(state.QueryWhere.isEmpty());
    EXPECT_EQ(form->session().ListedCount(), 1);
    EXPECT_EQ(currentTitle(*form), QStringLiteral("B"));

    form->command(QStringLiteral("menuDeleteListedFiles"))->trigger();
    EXPECT_EQ(form->session().ListedCount(), 0);
    EXPECT_EQ(form->session().TotalCount(), 0);
}

TEST_F(BulkCommandsTest, TheConfirmationsNameTheCurrentRecordAndCountTheListed)
{
    auto form = loadTitles({QStringLiteral("Beta"), QStringLiteral("Alpha"), QStringLiteral("Gamma")});
    boxes.setFixedAnswer(MessageAnswer::No);
    form->command(QStringLiteral("edbar"))->trigger();
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().title, QStringLiteral("ZNT Delete Confirmation"));
    EXPECT_EQ(boxes.last().text, QStringLiteral("Are you sure you want to delete the current file from the library?"
                                                "\r\n\r\nTitle: Alpha\r\nFile: file1.TXT"));
    form->command(QStringLiteral("menuDeleteListedFiles"))->trigger();
    ASSERT_EQ(boxes.count(), 2);
    EXPECT_EQ(boxes.last().title, QStringLiteral("ZNT Delete Listed Files Confirmation"));
    EXPECT_EQ(boxes.last().text, QStringLiteral("Are you sure you want to delete ALL of the Listed Files from the "
                                                "library?\r\n\r\n3 files are listed."));
    EXPECT_EQ(form->session().ListedCount(), 3);
}

TEST_F(BulkCommandsTest, AReadOnlyLibraryRefusesEveryDelete)
{
    auto form = loadTitles({QStringLiteral("A")});
    state.LibraryReadOnly = true;
    for (const char* name : {"edbar", "menuDeleteListedFiles"}) {
        boxes.clear();
        form->command(QString::fromLatin1(name))->trigger();
        ASSERT_EQ(boxes.count(), 1) << name;
        EXPECT_EQ(boxes.last().title, QStringLiteral("ZNT Reminder"));
    }
    state.LibraryReadOnly = false;
    EXPECT_EQ(form->session().ListedCount(), 1);
}

TEST_F(BulkCommandsTest, ThreeListedFilesGoToTheExtractionFolderWhichThenOpens)
{
    auto form = loadTitles({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    form->command(QStringLiteral("efbar"))->trigger();
    form->command(QStringLiteral("menuExtractListedFilestoExtractFolder"))->trigger();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(readAll(copyPath(QStringLiteral("file%1.TXT").arg(i))), bytesOf(10 + i, i));
    EXPECT_EQ(opener.opened, QStringList{state.ExtractFolder});
    EXPECT_EQ(form->session().DCMain()->absolutePosition(), 2);
    EXPECT_EQ(form->titleBox()->text(), QStringLiteral("C"));
    EXPECT_EQ(boxes.count(), 0);
    EXPECT_TRUE(form->isEnabled());
    EXPECT_EQ(QFileInfo(state.ExtractFolder).permissions() & 0x0077, QFileDevice::Permissions());
}

TEST_F(BulkCommandsTest, SelectedFilesEntriesNeedASelectionAndGoToTheChosenFolder)
{
    auto form = loadTitles({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    CommandRegistry& c = form->commands();
    form->gridMain()->clearSelection();
    Q_EMIT c.menu(QStringLiteral("Pbar"))->aboutToShow();
    EXPECT_FALSE(c.menu(QStringLiteral("menuExtractSelectedFiles"))->menuAction()->isEnabled());
    EXPECT_FALSE(c.action(QStringLiteral("menuDeleteSelectedFiles"))->isEnabled());

    QItemSelectionModel* selection = form->gridMain()->selectionModel();
    selection->select(form->listModel()->index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    selection->select(form->listModel()->index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    Q_EMIT c.menu(QStringLiteral("Pbar"))->aboutToShow();
    EXPECT_TRUE(c.menu(QStringLiteral("menuExtractSelectedFiles"))->menuAction()->isEnabled());
    EXPECT_TRUE(c.action(QStringLiteral("menuDeleteSelectedFiles"))->isEnabled());

    QTemporaryDir target;
    pickedFolder = target.path();
    c.action(QStringLiteral("menuExtractSelectedFilestoDisk"))->trigger();
    EXPECT_EQ(QDir(target.path()).entryList(QDir::Files),
              (QStringList{QStringLiteral("file0.TXT"), QStringLiteral("file2.TXT")}));
    EXPECT_TRUE(opener.opened.isEmpty());
    EXPECT_EQ(form->session().DCMain()->absolutePosition(), 2);

    selection->select(form->listModel()->index(2, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    selection->select(form->listModel()->index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    boxes.queueAnswer(MessageAnswer::Yes);
    c.action(QStringLiteral("menuDeleteSelectedFiles"))->trigger();
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().title, QStringLiteral("Delete Confirmation"));
    EXPECT_EQ(form->session().ListedCount(), 1);
    EXPECT_EQ(currentTitle(*form), QStringLiteral("B"));
}

TEST_F(BulkCommandsTest, TwoSameNamedRecordsOfOneSizeBothComeOut)
{
    auto form = loadWith({{QStringLiteral("A"), {}, bytesOf(300, 1)}, {QStringLiteral("B"), {}, bytesOf(300, 2)}});
    // Both records named alike.
    ASSERT_TRUE(form->session().database()->updateFields(form->session().DCMain()->recordAt(1)->MainID,
                                                         {{QStringLiteral("FileName"), QStringLiteral("file0")}})
                    .ok());
    const qint64 second = form->session().DCMain()->recordAt(1)->MainID;
    form->command(QStringLiteral("menuExtractListedFilestoExtractFolder"))->trigger();
    EXPECT_EQ(readAll(copyPath(QStringLiteral("file0.TXT"))), bytesOf(300, 1));
    EXPECT_EQ(readAll(copyPath(QStringLiteral("file0 (%1).TXT").arg(second))), bytesOf(300, 2));
}

// Into a chosen folder, a file in the way with other bytes is asked about on
// the window's thread, with "for all"; an answer for all settles the rest of
// the run, and Skip leaves the file as it was. The extraction folder keeps
// its own rule and asks nothing.
TEST_F(BulkCommandsTest, ExtractingToAChosenFolderAsksAboutFilesInTheWayWithForAll)
{
    auto form = loadWith({{QStringLiteral("A"), {}, bytesOf(300, 0)},
                          {QStringLiteral("B"), {}, bytesOf(300, 1)},
                          {QStringLiteral("C"), {}, bytesOf(300, 2)},
                          {QStringLiteral("D"), {}, bytesOf(300, 3)}});
    QTemporaryDir target;
    pickedFolder = target.path();
    auto file = [&](const QString& name) { return QDir(target.path()).filePath(name); };
    auto place = [&](const QString& name, const QByteArray& content) {
        QFile f(file(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
    };
    const QByteArray other = bytesOf(300, 9);
    place(QStringLiteral("file0.TXT"), other);
    place(QStringLiteral("file1.TXT"), bytesOf(300, 1));
    place(QStringLiteral("file2.TXT"), other);
    place(QStringLiteral("file3.TXT"), "shorter");
    boxes.setHook([](const MessageRecord&) { EXPECT_EQ(QThread::currentThread(), qApp->thread()); });

    boxes.queueAnswer(MessageAnswer::KeepBoth);
    boxes.queueAnswer(MessageAnswer::SkipForAll);
    form->command(QStringLiteral("menuExtractListedFilestoDisk"))->trigger();
    ASSERT_EQ(boxes.count(), 2);
    EXPECT_EQ(boxes.records()[0].buttons, MessageButtons::ReplaceKeepBothSkipCancelForAll);
    EXPECT_TRUE(boxes.records()[0].text.contains(file(QStringLiteral("file0.TXT"))));
    EXPECT_TRUE(boxes.records()[1].text.contains(file(QStringLiteral("file2.TXT"))));
    EXPECT_EQ(readAll(file(QStringLiteral("file0.TXT"))), other);
    EXPECT_EQ(readAll(file(QStringLiteral("file0 (2).TXT"))), bytesOf(300, 0));
    EXPECT_EQ(readAll(file(QStringLiteral("file2.TXT"))), other);
    EXPECT_EQ(readAll(file(QStringLiteral("file3.TXT"))), QByteArray("shorter"));
    EXPECT_EQ(QDir(target.path()).entryList(QDir::Files).size(), 5);
    EXPECT_TRUE(form->isEnabled());

    // Replace for all: one question for the three files.
    boxes.clear();
    boxes.queueAnswer(MessageAnswer::ReplaceForAll);
    form->command(QStringLiteral("menuExtractListedFilestoDisk"))->trigger();
    EXPECT_EQ(boxes.count(), 1);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(readAll(file(QStringLiteral("file%1.TXT").arg(i))), bytesOf(300, i)) << i;

    // The extraction folder: a copy of another size is replaced unasked.
    boxes.clear();
    ASSERT_TRUE(ExtractionFolder(state.ExtractFolder).Prepare().ok());
    QFile stale(copyPath(QStringLiteral("file0.TXT")));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write("stale");
    stale.close();
    form->command(QStringLiteral("menuExtractListedFilestoExtractFolder"))->trigger();
    EXPECT_EQ(boxes.count(), 0);
    EXPECT_EQ(readAll(copyPath(QStringLiteral("file0.TXT"))), bytesOf(300, 0));
}

// --- Edit detection ------------------------------------------------------------------

class EditDetectionTest : public BulkCommandsTest
{
protected:
    // Opens the first record's copy with F9 and returns its path.
    QString openCopy(MainForm& form)
    {
        form.command(QStringLiteral("efbar"))->trigger();
        form.command(QStringLiteral("eevbar"))->trigger();
        return copyPath(QStringLiteral("file0.TXT"));
    }
    static void touch(const QString& path, const QDateTime& when, const QByteArray& bytes = {})
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        if (!bytes.isEmpty()) {
            f.resize(0);
            f.write(bytes);
        }
        ASSERT_TRUE(f.setFileTime(when, QFileDevice::FileModificationTime));
    }
    static QByteArray storedText(MainForm& form, qint64 mainId)
    {
        std::vector<char> buffer(64000);
        Result<qint64> got = form.session().database()->readChunk(mainId, 0, 64000, buffer.data());
        return got ? QByteArray(buffer.data(), qsizetype(*got)) : QByteArray();
    }
    static EditDetection& detection(MainForm& form) { return form.bulk().editDetection(); }
    QAction* button(MainForm& form) { return form.command(QStringLiteral("InsertBackButton")); }
};

TEST_F(EditDetectionTest, ModeOneAnsweredNoKeepsTheButtonBlinkingAndTheButtonReInsertsLater)
{
    state.Settings.EditDetectMode = 1;
    auto form = loadTitles({QStringLiteral("A"), QStringLiteral("B")});
    const QString copy = openCopy(*form);
    EditDetection& watch = detection(*form);
    ASSERT_TRUE(watch.fileMonitor()->isActive());
    EXPECT_EQ(watch.fileMonitor()->interval(), 500);
    EXPECT_FALSE(button(*form)->isVisible());
    watch.monitorTick();
    EXPECT_EQ(boxes.count(), 0);

    // Saved without a change: only the time moves.
    touch(copy, QFileInfo(copy).lastModified().addSecs(2));
    boxes.queueAnswer(MessageAnswer::No);
    watch.monitorTick();
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().title, QStringLiteral("ZNT Edit Detection"));
    EXPECT_EQ(boxes.last().icon, MessageIcon::Plain);
    EXPECT_EQ(boxes.last().buttons, MessageButtons::YesNo);
    EXPECT_EQ(boxes.last().text, EditDetection::QuestionText(state.NewLine));
    EXPECT_FALSE(watch.fileMonitor()->isActive());
    EXPECT_TRUE(button(*form)->isVisible());
    EXPECT_TRUE(watch.insertBackTimer()->isActive());
    EXPECT_EQ(watch.insertBackTimer()->interval(), 333);
    EXPECT_EQ(button(*form)->toolTip(), QStringLiteral("Re-Insert File Back into Library (ZNT has detected changes)"));
    // The offer is made once.
    watch.monitorTick();
    EXPECT_EQ(boxes.count(), 1);

    // Later the copy is edited again; the button stores it as it is then.
    const QByteArray edited("edited later");
    touch(copy, QDateTime::currentDateTime(), edited);
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    button(*form)->trigger();
    EXPECT_FALSE(button(*form)->isVisible());
    EXPECT_FALSE(watch.insertBackTimer()->isActive());
    Result<MainRecord> stored = form->session().DCMain()->currentRecord();
    ASSERT_TRUE(stored.ok());
    EXPECT_EQ(stored->FileSize, edited.size());
    EXPECT_GE(stored->LastUpdatedDate, before);
    EXPECT_EQ(storedText(*form, stored->MainID), edited);
}

TEST_F(EditDetectionTest, ModeTwoReInsertsWithoutAQuestionAndAnOlderDateCounts)
{
    state.Settings.EditDetectMode = 2;
    auto form = loadTitles({QStringLiteral("A")});
    const MainRecord original = *form->session().DCMain()->currentRecord();
    const QString copy = openCopy(*form);
    const QByteArray edited("older but different");
    touch(copy, QFileInfo(copy).lastModified().addDays(-30), edited);
    detection(*form).monitorTick();
    EXPECT_EQ(boxes.count(), 0);
    EXPECT_FALSE(button(*form)->isVisible());
    EXPECT_FALSE(detection(*form).insertBackTimer()->isActive());
    const MainRecord stored = *form->session().DCMain()->currentRecord();
    EXPECT_EQ(stored.FileSize, edited.size());
    EXPECT_EQ(stored.FileDate, original.FileDate);
}

TEST_F(EditDetectionTest, LeavingTheRecordBeforeSavingMeansNoOfferAndAVanishedCopyStopsQuietly)
{
    state.Settings.EditDetectMode = 2;
    auto form = loadTitles({QStringLiteral("A"), QStringLiteral("B")});
    const QString copy = openCopy(*form);
    form->command(QStringLiteral("enbar"))->trigger();
    EXPECT_FALSE(detection(*form).watching());
    touch(copy, QFileInfo(copy).lastModified().addSecs(5), "changed");
    detection(*form).monitorTick();
    form->command(QStringLiteral("efbar"))->trigger();
    detection(*form).monitorTick();
    EXPECT_FALSE(button(*form)->isVisible());
    EXPECT_EQ(form->session().DCMain()->currentRecord()->FileSize, 10);

    const QString again = openCopy(*form);
    ASSERT_TRUE(detection(*form).watching());
    ASSERT_TRUE(QFile::remove(again));
    detection(*form).monitorTick();
    EXPECT_FALSE(detection(*form).watching());
    EXPECT_EQ(boxes.count(), 0);
}

// --- The extraction folder -------------------------------------------------------------

TEST_F(BulkCommandsTest, ClearingTheFolderKeepsSubfoldersAndTheContentsCommandOpensIt)
{
    auto form = loadTitles({QStringLiteral("A")});
    ASSERT_TRUE(QDir().mkpath(state.ExtractFolder + QStringLiteral("/sub")));
    QFile(copyPath(QStringLiteral("x.txt"))).open(QIODevice::WriteOnly);
    form->command(QStringLiteral("tdbar"))->trigger();
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().title, QStringLiteral("ZNT Tools"));
    EXPECT_EQ(boxes.last().text, QStringLiteral("Extract Folder Cleared"));
    EXPECT_FALSE(QFile::exists(copyPath(QStringLiteral("x.txt"))));
    EXPECT_TRUE(QFileInfo(state.ExtractFolder + QStringLiteral("/sub")).isDir());

    form->command(QStringLiteral("vebar"))->trigger();
    EXPECT_EQ(opener.opened, QStringList{state.ExtractFolder});
}

TEST_F(BulkCommandsTest, EveryWayIntoTheExtractionFolderKeepsItAndItsCopiesPrivate)
{
    const UsualUmask usual;
    auto form = loadTitles({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    const QString extract = state.ExtractFolder;
    auto reopen = [&] { ASSERT_TRUE(setMode(extract, 0777)); };
    // Copies from an earlier run: one of the right size, one of another.
    ASSERT_TRUE(QDir().mkpath(extract));
    ASSERT_TRUE(QFile(copyPath(QStringLiteral("file0.TXT"))).open(QIODevice::WriteOnly));
    {
        QFile same(copyPath(QStringLiteral("file1.TXT")));
        ASSERT_TRUE(same.open(QIODevice::WriteOnly));
        same.write(bytesOf(11, 1));
    }
    reopen();

    // The Preview page, on the first record.
    form->command(QStringLiteral("efbar"))->trigger();
    form->recordPane().detailTab()->setCurrentIndex(RecordPane::kPreviewPage);
    EXPECT_EQ(modeOf(extract), 0700u);
    EXPECT_EQ(modeOf(copyPath(QStringLiteral("file0.TXT"))), 0600u);
    form->recordPane().showDetailsPage();

    // Extract and Open on the second, whose earlier copy is kept.
    reopen();
    form->command(QStringLiteral("enbar"))->trigger();
    form->command(QStringLiteral("eevbar"))->trigger();
    EXPECT_EQ(modeOf(extract), 0700u);
    EXPECT_EQ(modeOf(copyPath(QStringLiteral("file1.TXT"))), 0600u);

    reopen();
    form->command(QStringLiteral("tdbar"))->trigger();
    EXPECT_EQ(modeOf(extract), 0700u);

    reopen();
    form->command(QStringLiteral("menuExtractListedFilestoExtractFolder"))->trigger();
    EXPECT_EQ(modeOf(extract), 0700u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(modeOf(copyPath(QStringLiteral("file%1.TXT").arg(i))), 0600u) << i;

    reopen();
    form->command(QStringLiteral("vebar"))->trigger();
    EXPECT_EQ(modeOf(extract), 0700u);
    EXPECT_EQ(boxes.count(), 1); // "Extract Folder Cleared"
}

TEST_F(BulkCommandsTest, ALinkedExtractionFolderIsRefusedWithAMessageAndWhatItPointsToIsLeftAlone)
{
    auto form = loadTitles({QStringLiteral("A"), QStringLiteral("B")});
    const QString mine = folder.path(QStringLiteral("Mine"));
    ASSERT_TRUE(QDir().mkpath(mine));
    ASSERT_TRUE(setMode(mine, 0755));
    for (const char* name : {"file0.TXT", "notes.txt"}) {
        QFile own(mine + QLatin1Char('/') + QLatin1String(name));
        ASSERT_TRUE(own.open(QIODevice::WriteOnly));
        own.write("my own words");
    }
    QDir(state.ExtractFolder).removeRecursively();
    ASSERT_TRUE(QFile::link(mine, state.ExtractFolder));
    auto refused = [&](const char* what) {
        ASSERT_EQ(boxes.count(), 1) << what;
        EXPECT_EQ(boxes.last().title, QStringLiteral("ZNT ERROR")) << what;
        EXPECT_TRUE(boxes.last().text.contains(state.ExtractFolder)) << what;
        EXPECT_TRUE(boxes.last().text.contains(QStringLiteral("symbolic link"))) << what;
        boxes.clear();
    };

    form->command(QStringLiteral("eevbar"))->trigger();
    refused("extract and open");
    form->recordPane().detailTab()->setCurrentIndex(RecordPane::kPreviewPage);
    refused("preview");
    EXPECT_EQ(form->recordPane().detailTab()->currentIndex(), 0);
    form->command(QStringLiteral("tdbar"))->trigger();
    refused("clear");
    form->command(QStringLiteral("vebar"))->trigger();
    refused("show folder");
    form->command(QStringLiteral("menuExtractListedFilestoExtractFolder"))->trigger();
    refused("listed files to the extraction folder");
    EXPECT_TRUE(opener.opened.isEmpty());

    // Exit, with the wipe, deletes nothing and says nothing.
    state.Settings.SecurityWipeOnExit = true;
    state.Settings.WipeAmount = 100;
    form->unload();
    EXPECT_EQ(boxes.count(), 0);
    EXPECT_TRUE(QFileInfo(state.ExtractFolder).isSymLink());
    EXPECT_EQ(modeOf(mine), 0755u);
    EXPECT_EQ(QDir(mine).entryList(QDir::Files), (QStringList{QStringLiteral("file0.TXT"), QStringLiteral("notes.txt")}));
    for (const char* name : {"file0.TXT", "notes.txt"})
        EXPECT_EQ(readAll(mine + QLatin1Char('/') + QLatin1String(name)), QByteArray("my own words")) << name;
}

TEST_F(BulkCommandsTest, ExitWipesOnlyWhenSetAndLeavesTheFolderEmpty)
{
    auto form = loadTitles({QStringLiteral("A")});
    form->command(QStringLiteral("eevbar"))->trigger();
    ASSERT_TRUE(QFile::exists(copyPath(QStringLiteral("file0.TXT"))));
    state.Settings.SecurityWipeOnExit = true;
    state.Settings.WipeAmount = 100;
    int wipeWindows = 0;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (QFile::exists(copyPath(QStringLiteral("L8R0"))))
            ++wipeWindows;
    });
    probe.start(0);
    form->unload();
    EXPECT_TRUE(QDir(state.ExtractFolder).entryList(QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_GT(wipeWindows, 0);
}

} // namespace
