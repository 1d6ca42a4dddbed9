#include "ui/MainWindowHarness.h"
#include "support/RecordingOpener.h"

#include "search/ListModel.h"
#include "library/LibrarySession.h"
#include "store/Recordset.h"
#include "transfer/AddFilesBatch.h"
#include "transfer/FileOpener.h"
#include "ui/transfer/AddManyForm.h"
#include "ui/main/MainForm.h"
#include "ui/common/MessageRecorder.h"
#include "ui/common/ScreenMetrics.h"
#include "ui/transfer/BulkCommands.h"
#include "ui/transfer/EditDetection.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QToolButton>

using namespace zentaro;
using namespace zentaro::test;

namespace {

// Records what would have been opened instead of starting an application.
QByteArray patternBytes(int size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 131 + 7) & 0xff);
    return bytes;
}

class MainFormTransferTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.valid());
        ASSERT_TRUE(state.settingsFile().LoadConfig().ok());
        state.Settings.StartMaximized = false;
        previousOpener = Prompts::setFileOpener(&opener);
        previousFolder = Prompts::setFolderAnswerer([this](const QString& start) {
            folderStarts << start;
            return pickedFolder;
        });
        previousAdd = Prompts::setAddFilesRunner(
            [this](ProgramState&, const std::shared_ptr<Database>& db) {
                ++addDialogs;
                for (const QString& title : titlesToAdd) {
                    MainRecord record;
                    record.Title = title;
                    ASSERT_TRUE(db->insertRecord(record).ok());
                }
            });
    }
    void TearDown() override
    {
        Prompts::setFileOpener(previousOpener);
        Prompts::setFolderAnswerer(std::move(previousFolder));
        Prompts::setAddFilesRunner(std::move(previousAdd));
    }

    // A library with one stored file "report.TXT" of the given bytes.
    QString makeStoredLibrary(const QByteArray& bytes)
    {
        const QString path = folder.path(QStringLiteral("Files.ZNT"));
        makeLibrary(path);
        auto db = Database::open(path);
        EXPECT_TRUE(db.ok());
        MainRecord record;
        record.Title = QStringLiteral("Report");
        record.FileName = QStringLiteral("report");
        record.FileType = QStringLiteral("TXT");
        record.FileSize = bytes.size();
        Result<qint64> id = (*db)->insertRecord(record);
        EXPECT_TRUE(id.ok());
        for (qsizetype at = 0; at < bytes.size(); at += 64000)
            EXPECT_TRUE((*db)->appendChunk(*id, bytes.constData() + at,
                                           std::min<qsizetype>(64000, bytes.size() - at))
                            .ok());
        (*db)->close();
        return path;
    }

    std::unique_ptr<MainForm> load(const QString& path)
    {
        state.CurrentLibraryPath = path;
        auto form = std::make_unique<MainForm>(state);
        form->load();
        return form;
    }

    static QByteArray readAll(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    ProgramFolder folder;
    ProgramState state{folder.folder()};
    MessageRecorder boxes;
    LoginScript logins;
    DialogScript dialogs;
    RecordingOpener opener;
    FileOpener* previousOpener = nullptr;
    std::optional<QString> pickedFolder;
    QStringList folderStarts;
    Prompts::FolderAnswerer previousFolder;
    QStringList titlesToAdd;
    int addDialogs = 0;
    Prompts::AddFilesRunner previousAdd;
};

} // namespace

TEST_F(MainFormTransferTest, F9ExtractsIntoTheExtractionFolderAndOpensTheFile)
{
    const QByteArray bytes = patternBytes(150000);
    auto form = load(makeStoredLibrary(bytes));
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));

    QTest::keyClick(form.get(), Qt::Key_F9);
    const QString target = QDir(state.ExtractFolder).filePath(QStringLiteral("report.TXT"));
    ASSERT_EQ(opener.opened, QStringList{target});
    EXPECT_EQ(readAll(target), bytes);
    EXPECT_EQ(boxes.count(), 0);

    EXPECT_TRUE(form->gridMain()->hasFocus());

    // The double-click on the row and the toolbar button do the same; the
    // copy already there is handed over again.
    opener.opened.clear();
    Q_EMIT form->listPane().rowActivated();
    form->findChild<QToolButton*>(QStringLiteral("ViewButton"))->click();
    EXPECT_EQ(opener.opened, (QStringList{target, target}));
    EXPECT_EQ(readAll(target), bytes);
    EXPECT_EQ(boxes.count(), 0);
}

TEST_F(MainFormTransferTest, WhenTheDesktopCannotOpenItTheUserIsToldAndTheCopyStaysWatched)
{
    const QByteArray bytes = patternBytes(5000);
    auto form = load(makeStoredLibrary(bytes));
    opener.handles = false;

    form->command(QStringLiteral("ViewButton"))->trigger();
    const QString target = QDir(state.ExtractFolder).filePath(QStringLiteral("report.TXT"));
    ASSERT_EQ(opener.opened, QStringList{target});
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().icon, MessageIcon::Exclamation);
    EXPECT_EQ(boxes.last().title, QStringLiteral("ZNT Notice"));
    EXPECT_TRUE(boxes.last().text.startsWith(QStringLiteral("No application is set up to open this file:")));
    EXPECT_TRUE(boxes.last().text.contains(target));
    EXPECT_EQ(readAll(target), bytes);
    EXPECT_TRUE(form->bulk().editDetection().watching());

    // The extraction folder, shown alone or after a bulk extraction into it.
    form->command(QStringLiteral("vebar"))->trigger();
    ASSERT_EQ(boxes.count(), 2);
    EXPECT_TRUE(boxes.last().text.startsWith(QStringLiteral("No application is set up to open this folder:")));
    EXPECT_TRUE(boxes.last().text.contains(state.ExtractFolder));
    form->command(QStringLiteral("menuExtractListedFilestoExtractFolder"))->trigger();
    ASSERT_EQ(boxes.count(), 3);
    EXPECT_TRUE(boxes.last().text.contains(state.ExtractFolder));
    EXPECT_EQ(readAll(target), bytes);
}

TEST_F(MainFormTransferTest, ABrowserWithoutExtractRightsIsDeniedAndNothingIsWritten)
{
    const QString path = makeStoredLibrary(patternBytes(10));
    protectLibrary(path, QStringLiteral(" "), QStringLiteral("e"), QStringLiteral("a"), false);
    auto form = load(path);
    ASSERT_EQ(state.AccessLevel, QStringLiteral("Browser"));
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));

    QTest::keyClick(form.get(), Qt::Key_F9);
    form->command(QStringLiteral("ExtractToDiskButton"))->trigger();
    EXPECT_EQ(dialogs.deniedLevels, (QStringList{QStringLiteral("Browser"), QStringLiteral("Browser")}));
    EXPECT_TRUE(opener.opened.isEmpty());
    EXPECT_TRUE(folderStarts.isEmpty());
    EXPECT_FALSE(QFile::exists(QDir(state.ExtractFolder).filePath(QStringLiteral("report.TXT"))));
}

TEST_F(MainFormTransferTest, ExtractToDiskWritesIntoThePickedFolderAndRemembersIt)
{
    const QByteArray bytes = patternBytes(64000);
    auto form = load(makeStoredLibrary(bytes));
    QTemporaryDir target;
    pickedFolder = target.path();
    form->command(QStringLiteral("eedbar"))->trigger();
    EXPECT_EQ(readAll(QDir(target.path()).filePath(QStringLiteral("report.TXT"))), bytes);
    EXPECT_EQ(state.Settings.PickFolder, target.path());
    EXPECT_TRUE(opener.opened.isEmpty());

    // Cancel in the picker writes nothing and keeps the folder.
    pickedFolder.reset();
    QFile::remove(QDir(target.path()).filePath(QStringLiteral("report.TXT")));
    form->command(QStringLiteral("ExtractToDiskButton"))->trigger();
    EXPECT_FALSE(QFile::exists(QDir(target.path()).filePath(QStringLiteral("report.TXT"))));
    EXPECT_EQ(state.Settings.PickFolder, target.path());

    // A folder that cannot be written to is reported, and nothing is left.
    boxes.clear();
    pickedFolder = QDir(target.path()).filePath(QStringLiteral("gone"));
    form->command(QStringLiteral("ExtractToDiskButton"))->trigger();
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().title, QStringLiteral("ZNT ERROR"));
    EXPECT_FALSE(QFile::exists(QDir(*pickedFolder).filePath(QStringLiteral("report.TXT"))));
}

// A file of the record's name in the picked folder is kept unasked only when
// it holds the record's bytes; for any other the window asks, and does what
// the answer says.
TEST_F(MainFormTransferTest, ExtractToDiskAsksBeforeTouchingAFileWithOtherBytes)
{
    const QByteArray bytes = patternBytes(64000);
    auto form = load(makeStoredLibrary(bytes));
    QTemporaryDir target;
    pickedFolder = target.path();
    const QString file = QDir(target.path()).filePath(QStringLiteral("report.TXT"));
    const QString second = QDir(target.path()).filePath(QStringLiteral("report (2).TXT"));
    auto place = [&](const QByteArray& content) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
    };
    boxes.setHook([](const MessageRecord&) { EXPECT_EQ(QThread::currentThread(), qApp->thread()); });

    place(bytes);
    form->command(QStringLiteral("ExtractToDiskButton"))->trigger();
    EXPECT_EQ(boxes.count(), 0);

    QByteArray other = bytes;
    other[100] = char(other[100] ^ 1);
    place(other);
    boxes.queueAnswer(MessageAnswer::Skip);
    form->command(QStringLiteral("ExtractToDiskButton"))->trigger();
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().title, QStringLiteral("ZNT File Already Exists"));
    EXPECT_EQ(boxes.last().icon, MessageIcon::Exclamation);
    EXPECT_EQ(boxes.last().buttons, MessageButtons::ReplaceKeepBothSkipCancel);
    EXPECT_TRUE(boxes.last().text.contains(file)) << boxes.last().text.toStdString();
    EXPECT_TRUE(boxes.last().text.contains(QStringLiteral("\"report (2).TXT\"")));
    EXPECT_EQ(readAll(file), other);
    EXPECT_FALSE(QFile::exists(second));

    boxes.queueAnswer(MessageAnswer::KeepBoth);
    form->command(QStringLiteral("ExtractToDiskButton"))->trigger();
    EXPECT_EQ(readAll(file), other);
    EXPECT_EQ(readAll(second), bytes);

    boxes.queueAnswer(MessageAnswer::Replace);
    form->command(QStringLiteral("ExtractToDiskButton"))->trigger();
    EXPECT_EQ(readAll(file), bytes);
    // Three questions, and no message besides.
    EXPECT_EQ(boxes.count(), 3);
    EXPECT_TRUE(form->isEnabled());
}

TEST_F(MainFormTransferTest, AddFilesOnAReadOnlyLibraryShowsTheNoticeOnly)
{
    const QString path = folder.path(QStringLiteral("Locked.ZNT"));
    makeLibrary(path, {QStringLiteral("One")});
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup);
    auto form = load(path);
    ASSERT_TRUE(state.LibraryReadOnly);
    boxes.clear();

    // Ctrl+A while the grid has the focus is the menu's key, not the grid's select-all.
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    form->gridMain()->setFocus();
    QTest::keyClick(form->gridMain(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(addDialogs, 0);
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().title, AddFilesBatch::ReadOnlyNotice(state.NewLine).title);
    EXPECT_EQ(boxes.last().text, AddFilesBatch::ReadOnlyNotice(state.NewLine).text);
}

TEST_F(MainFormTransferTest, AddFilesRequeriesTheListAndItsCounts)
{
    const QString path = folder.path(QStringLiteral("Books.ZNT"));
    makeLibrary(path, {QStringLiteral("One")});
    auto form = load(path);
    titlesToAdd = {QStringLiteral("Two"), QStringLiteral("Three")};
    form->command(QStringLiteral("AddMultipleRecordsButton"))->trigger();
    EXPECT_EQ(addDialogs, 1);
    EXPECT_EQ(form->session().ListedCount(), 3);
    EXPECT_EQ(form->session().TotalCount(), 3);
    EXPECT_TRUE(form->recordCountLabel()->text().endsWith(QStringLiteral("Listed: 3    Total: 3")))
        << form->recordCountLabel()->text().toStdString();
}

TEST_F(MainFormTransferTest, TransferCommandsOnAnEmptyListDoNothing)
{
    const QString path = folder.path(QStringLiteral("Empty.ZNT"));
    makeLibrary(path);
    auto form = load(path);
    boxes.clear();
    form->command(QStringLiteral("ViewButton"))->trigger();
    form->command(QStringLiteral("ExtractToDiskButton"))->trigger();
    EXPECT_TRUE(opener.opened.isEmpty());
    EXPECT_TRUE(folderStarts.isEmpty());
    EXPECT_EQ(boxes.count(), 0);
}

TEST_F(MainFormTransferTest, FilesAddedThroughTheDialogComeBackOutByteForByte)
{
    const QString path = folder.path(QStringLiteral("Books.ZNT"));
    makeLibrary(path, {QStringLiteral("One")});
    auto form = load(path);
    ASSERT_EQ(state.AccessLevel, QStringLiteral("Administrator"));

    QTemporaryDir source;
    const QByteArray bytes = patternBytes(70000);
    for (const QString& name : {QStringLiteral("alpha.dat"), QStringLiteral("beta.dat")}) {
        QFile f(QDir(source.path()).filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    state.Settings.AddFilesFolder = source.path();
    // The real dialog on the window's library, driven as a user would.
    Prompts::setAddFilesRunner([&](ProgramState& s, const std::shared_ptr<Database>& db) {
        ++addDialogs;
        AddManyForm dialog(s, db, form.get(), [] { return Status(); });
        dialog.show();
        ASSERT_EQ(dialog.fileNames(), (QStringList{QStringLiteral("alpha.dat"), QStringLiteral("beta.dat")}));
        dialog.selectAllButton()->click();
        dialog.okButton()->click();
    });
    form->command(QStringLiteral("embar"))->trigger();
    ASSERT_EQ(addDialogs, 1);
    EXPECT_EQ(boxes.count(), 0);
    EXPECT_EQ(form->session().ListedCount(), 3);
    EXPECT_EQ(form->listModel()->rowCount(), 3);

    // Find the new "beta" row and open it.
    Recordset* list = form->session().DCMain();
    bool found = false;
    for (int row = 0; row < 3 && !found; ++row) {
        list->setAbsolutePosition(row);
        found = list->currentRecord()->FileName == QStringLiteral("beta");
    }
    ASSERT_TRUE(found);
    form->command(QStringLiteral("eevbar"))->trigger();
    const QString target = QDir(state.ExtractFolder).filePath(QStringLiteral("beta.DAT"));
    ASSERT_EQ(opener.opened, QStringList{target});
    EXPECT_EQ(readAll(target), bytes);
}

TEST_F(MainFormTransferTest, CommandKeysActFromInsideTheTitleField)
{
    auto form = load(makeStoredLibrary(patternBytes(3000)));
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    form->RestorePaneSizes();
    QLineEdit* title = form->titleBox();
    ASSERT_EQ(title->text(), QStringLiteral("Report"));

    // Ctrl+U brings the stored fields back instead of erasing the line.
    title->setFocus();
    title->end(false);
    QTest::keyClicks(title, QStringLiteral(" draft"));
    form->authorBox()->setText(QStringLiteral("Somebody"));
    form->authorBox()->setModified(true);
    QTest::keyClick(title, Qt::Key_U, Qt::ControlModifier);
    EXPECT_EQ(title->text(), QStringLiteral("Report"));
    EXPECT_FALSE(title->isModified());
    EXPECT_EQ(form->authorBox()->text(), QString());
    EXPECT_FALSE(form->authorBox()->isModified());
    form->command(QStringLiteral("enbar"))->trigger(); // leaving saves nothing
    EXPECT_EQ(form->session().database()->loadRecord(form->listModel()->mainIdAt(0))->Title,
              QStringLiteral("Report"));

    // Ctrl+A opens "Add File(s)" rather than selecting the title's text.
    title->setFocus();
    QTest::keyClick(title, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(addDialogs, 1);
    EXPECT_FALSE(title->hasSelectedText());

    title->setFocus();
    QTest::keyClick(title, Qt::Key_F9);
    EXPECT_EQ(opener.opened, QStringList{QDir(state.ExtractFolder).filePath(QStringLiteral("report.TXT"))});

    QSplitter* splitter = form->mainSplitter();
    const int margin = ScreenMetrics::toPixelsX(100, form.get());
    title->setFocus();
    QTest::keyClick(title, Qt::Key_F2);
    EXPECT_LE(splitter->sizes()[1], margin);
    title->setFocus();
    QTest::keyClick(title, Qt::Key_F4);
    EXPECT_LE(splitter->sizes()[0], margin);
    QTest::keyClick(title, Qt::Key_F3);
    EXPECT_LE(std::abs(splitter->sizes()[0] - splitter->sizes()[1]), splitter->handleWidth() + 2);
    EXPECT_EQ(boxes.count(), 0);
}

TEST_F(MainFormTransferTest, TextKeysStayWithTheFieldWhenNoCommandWantsThem)
{
    auto form = load(makeStoredLibrary(patternBytes(10)));
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    // With no library open nothing takes Ctrl+A from the field.
    form->session().CloseLibrary();
    form->command(QStringLiteral("embar"))->setEnabled(false);
    QLineEdit* title = form->titleBox();
    title->setReadOnly(false);
    title->setText(QStringLiteral("some words"));
    title->setFocus();
    QTest::keyClick(title, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(addDialogs, 0);
    EXPECT_EQ(title->selectedText(), QStringLiteral("some words"));
}
