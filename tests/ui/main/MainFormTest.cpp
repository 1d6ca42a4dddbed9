#include "ui/MainWindowHarness.h"

#include "search/ListModel.h"
#include "library/LibrarySession.h"
#include "store/Recordset.h"
#include "core/Twips.h"
#include "ui/main/AboutForm.h"
#include "ui/main/MainForm.h"
#include "ui/common/MessageRecorder.h"
#include "ui/common/ScreenMetrics.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QTest>
#include <QTextCursor>
#include <QToolButton>

using namespace zentaro;
using namespace zentaro::test;

namespace {

const QStringList kTitles = {QStringLiteral("Beta"), QStringLiteral("Alpha"), QStringLiteral("Gamma")};

class MainFormTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.valid());
        SettingsFile settings(state.Settings, state.settingsPlace());
        ASSERT_TRUE(settings.LoadConfig().ok());
        state.Settings.StartMaximized = false;
    }

    QString library(const QString& name) const { return folder.path(name + QStringLiteral(".ZNT")); }

    std::unique_ptr<MainForm> load(const QString& path)
    {
        state.CurrentLibraryPath = path;
        auto form = std::make_unique<MainForm>(state);
        form->load();
        return form;
    }

    QString caption(const QString& name, bool readOnly = false) const
    {
        return LibrarySession::CaptionFor(state.ProgramVersion, library(name), readOnly);
    }

    ProgramFolder folder;
    ProgramState state{folder.folder()};
    MessageRecorder boxes;
    LoginScript logins;
    DialogScript dialogs;
};

TEST_F(MainFormTest, UnprotectedLibraryOpensAsAdministratorWithReLoginHidden)
{
    makeLibrary(library(QStringLiteral("Books")), kTitles);
    auto form = load(library(QStringLiteral("Books")));

    EXPECT_FALSE(form->openAborted());
    EXPECT_EQ(state.AccessLevel, QStringLiteral("Administrator"));
    EXPECT_EQ(logins.asked(), 0);
    EXPECT_TRUE(form->reLoginButton()->isHidden());
    EXPECT_EQ(form->windowTitle(),
              QStringLiteral("Zentaro ") + state.ProgramVersion + QStringLiteral("       Current Library:  Books"));
    EXPECT_FALSE(form->titleBox()->isReadOnly());
    EXPECT_FALSE(form->notesBox()->isReadOnly());
    EXPECT_EQ(boxes.count(), 0);

    // The list is in title order and the first record is current and shown.
    ASSERT_EQ(form->listModel()->rowCount(), 3);
    EXPECT_EQ(form->listModel()->index(0, 0).data().toString(), QStringLiteral("Alpha"));
    EXPECT_EQ(form->titleBox()->text(), QStringLiteral("Alpha"));
    EXPECT_EQ(form->notesBox()->toPlainText(), QStringLiteral("Notes on Alpha"));
    EXPECT_EQ(form->findChild<QLabel*>(QStringLiteral("FileNameBox"))->text(), QStringLiteral("file1"));
    EXPECT_EQ(form->gridMain()->selectionModel()->currentIndex().row(), 0);

    // Re-Login on an unprotected library changes nothing and asks nothing.
    form->command(QStringLiteral("ReLoginButton"))->trigger();
    EXPECT_EQ(logins.asked(), 0);
    EXPECT_EQ(state.AccessLevel, QStringLiteral("Administrator"));
    EXPECT_TRUE(form->reLoginButton()->isHidden());
}

TEST_F(MainFormTest, BlankBrowserPasswordOpensAsBrowserWithReLoginVisibleAndLockedFields)
{
    makeLibrary(library(QStringLiteral("Shared")), kTitles);
    protectLibrary(library(QStringLiteral("Shared")), QStringLiteral(" "), QStringLiteral("edit"),
                   QStringLiteral("admin"));
    auto form = load(library(QStringLiteral("Shared")));

    EXPECT_EQ(logins.asked(), 0);
    EXPECT_EQ(state.AccessLevel, QStringLiteral("Browser"));
    EXPECT_FALSE(form->reLoginButton()->isHidden());
    EXPECT_TRUE(form->titleBox()->isReadOnly());
    EXPECT_TRUE(form->authorBox()->isReadOnly());
    EXPECT_TRUE(form->keywordsBox()->isReadOnly());
    EXPECT_TRUE(form->notesBox()->isReadOnly());
    EXPECT_TRUE(form->controlStates().DetailFieldsLocked);
    EXPECT_FALSE(form->controlStates().DeleteMenuEnabled);

    // Re-Login raises the level; the password's case does not matter.
    logins.queue(QStringLiteral("Editor"), QStringLiteral("EDIT"));
    form->command(QStringLiteral("ReLoginButton"))->trigger();
    EXPECT_EQ(state.AccessLevel, QStringLiteral("Editor"));
    EXPECT_FALSE(form->titleBox()->isReadOnly());
    EXPECT_FALSE(form->reLoginButton()->isHidden());

    // A cancelled Re-Login keeps the level in force.
    logins.queueCancel();
    form->command(QStringLiteral("ReLoginButton"))->trigger();
    EXPECT_EQ(state.AccessLevel, QStringLiteral("Editor"));
    EXPECT_FALSE(form->titleBox()->isReadOnly());
}

TEST_F(MainFormTest, WrongPasswordSaysInvalidPasswordAndAsksAgain)
{
    makeLibrary(library(QStringLiteral("Locked")), kTitles);
    protectLibrary(library(QStringLiteral("Locked")), QStringLiteral("peek"), QStringLiteral("edit"),
                   QStringLiteral("admin"));
    // The Administrator password does not open the Editor level.
    logins.queue(QStringLiteral("Editor"), QStringLiteral("admin"));
    logins.queue(QStringLiteral("Editor"), QStringLiteral(" Edit "));
    auto form = load(library(QStringLiteral("Locked")));

    EXPECT_EQ(logins.asked(), 2);
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.records()[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(boxes.records()[0].title, QStringLiteral("ZNT Login Failure"));
    EXPECT_EQ(boxes.records()[0].text, QStringLiteral("Invalid Password - Try Again"));
    EXPECT_EQ(state.AccessLevel, QStringLiteral("Editor"));
    EXPECT_FALSE(form->reLoginButton()->isHidden());
    EXPECT_EQ(form->listModel()->rowCount(), 3);
    EXPECT_EQ(form->windowTitle(), caption(QStringLiteral("Locked")));
}

TEST_F(MainFormTest, CancelledLoginOnAnotherLibraryReopensThePreviousOne)
{
    makeLibrary(library(QStringLiteral("A")), kTitles);
    makeLibrary(library(QStringLiteral("B")), {QStringLiteral("Only in B")});
    protectLibrary(library(QStringLiteral("B")), QStringLiteral("peek"), QStringLiteral("edit"),
                   QStringLiteral("admin"));
    auto form = load(library(QStringLiteral("A")));
    ASSERT_EQ(state.AccessLevel, QStringLiteral("Administrator"));

    dialogs.files = {library(QStringLiteral("B"))};
    logins.queueCancel();
    form->command(QStringLiteral("fobar"))->trigger();

    ASSERT_EQ(dialogs.fileTitles.size(), 1);
    EXPECT_EQ(dialogs.fileTitles[0], QStringLiteral("Open Library"));
    EXPECT_EQ(logins.asked(), 1);
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.records()[0].title, QStringLiteral("ZNT Login Failure"));
    EXPECT_EQ(boxes.records()[0].text,
              QStringLiteral("Login failed, so ZNT will now Re-Open the last opened Library File"));
    EXPECT_FALSE(form->openAborted());
    EXPECT_TRUE(state.PreviousLibraryPath.isEmpty());
    EXPECT_EQ(state.CurrentLibraryPath, library(QStringLiteral("A")));
    EXPECT_EQ(state.AccessLevel, QStringLiteral("Administrator"));
    EXPECT_TRUE(form->reLoginButton()->isHidden());
    EXPECT_EQ(form->windowTitle(), caption(QStringLiteral("A")));
    ASSERT_EQ(form->listModel()->rowCount(), 3);
    EXPECT_EQ(form->titleBox()->text(), QStringLiteral("Alpha"));
    EXPECT_EQ(form->recordCountLabel()->text(), QStringLiteral("Selected: 0    Listed: 3    Total: 3"));
}

TEST_F(MainFormTest, OpenCommandRefusesWrongNamesAndFilesThatAreNoLibrary)
{
    makeLibrary(library(QStringLiteral("A")), kTitles);
    auto form = load(library(QStringLiteral("A")));

    // Cancel in the dialog: nothing happens.
    form->command(QStringLiteral("OpenLibraryButton"))->trigger();
    EXPECT_EQ(boxes.count(), 0);
    EXPECT_EQ(dialogs.fileFolders.value(0), state.Settings.LibraryFolder);

    dialogs.files = {folder.path(QStringLiteral("report.doc"))};
    form->command(QStringLiteral("OpenLibraryButton"))->trigger();
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().text, QStringLiteral("That is not a valid ZNT file name (*.ZNT)"));
    EXPECT_EQ(boxes.last().icon, MessageIcon::Plain);
    EXPECT_EQ(form->windowTitle(), caption(QStringLiteral("A")));
    EXPECT_EQ(form->listModel()->rowCount(), 3);

    const QString junk = folder.path(QStringLiteral("Junk.ZNT"));
    QFile file(junk);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("this is a letter, not a library\n");
    file.close();
    boxes.clear();
    dialogs.files = {junk};
    form->command(QStringLiteral("OpenLibraryButton"))->trigger();
    ASSERT_GE(boxes.count(), 1);
    EXPECT_EQ(boxes.records()[0].title, QStringLiteral("ZNT Open Library Failure"));
    EXPECT_TRUE(boxes.records()[0].text.contains(junk)) << boxes.records()[0].text.toStdString();
    // The library open before is open again, with its list.
    EXPECT_FALSE(form->openAborted());
    EXPECT_EQ(state.CurrentLibraryPath, library(QStringLiteral("A")));
    EXPECT_EQ(form->windowTitle(), caption(QStringLiteral("A")));
    EXPECT_EQ(form->listModel()->rowCount(), 3);
    EXPECT_EQ(form->titleBox()->text(), QStringLiteral("Alpha"));
}

TEST_F(MainFormTest, OpenCommandSwitchesLibraryAndRemembersItsFolder)
{
    makeLibrary(library(QStringLiteral("A")), kTitles);
    QDir(folder.folder()).mkdir(QStringLiteral("more"));
    const QString other = folder.path(QStringLiteral("more/Other.ZNT"));
    makeLibrary(other, {QStringLiteral("One"), QStringLiteral("Two")});
    auto form = load(library(QStringLiteral("A")));
    QAbstractItemModelTester tester(form->listModel(), QAbstractItemModelTester::FailureReportingMode::Fatal);

    dialogs.files = {other};
    form->command(QStringLiteral("fobar"))->trigger();
    EXPECT_EQ(boxes.count(), 0);
    EXPECT_EQ(form->windowTitle(), LibrarySession::CaptionFor(state.ProgramVersion, other, false));
    EXPECT_EQ(form->listModel()->rowCount(), 2);
    EXPECT_EQ(form->titleBox()->text(), QStringLiteral("One"));
    EXPECT_EQ(state.Settings.LibraryFolder, folder.path(QStringLiteral("more")));
    EXPECT_EQ(form->recordCountLabel()->text(), QStringLiteral("Selected: 0    Listed: 2    Total: 2"));

    // The model keeps its contract through walking and re-running the list.
    form->command(QStringLiteral("elbar"))->trigger();
    form->command(QStringLiteral("erbar"))->trigger();
    form->gridMain()->selectAll();
    EXPECT_EQ(form->recordCountLabel()->text(), QStringLiteral("Selected: 2    Listed: 2    Total: 2"));
}

TEST_F(MainFormTest, ReadOnlyFileShowsTheNoticeAndSaysSoInTheCaption)
{
    makeLibrary(library(QStringLiteral("Archive")), kTitles);
    ASSERT_TRUE(QFile::setPermissions(library(QStringLiteral("Archive")),
                                      QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    auto form = load(library(QStringLiteral("Archive")));

    ASSERT_GE(boxes.count(), 1);
    EXPECT_EQ(boxes.records()[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(boxes.records()[0].title, QStringLiteral("ZNT Notice"));
    EXPECT_EQ(boxes.records()[0].text, QStringLiteral("This Library is READ-ONLY.  Changes will not be saved."));
    EXPECT_TRUE(state.LibraryReadOnly);
    EXPECT_TRUE(form->windowTitle().endsWith(QStringLiteral(" (READ ONLY)")));
    EXPECT_EQ(form->windowTitle(), caption(QStringLiteral("Archive"), true));
    EXPECT_EQ(form->listModel()->rowCount(), 3);
    // Typed changes could not be kept, so the fields take none, even for an Administrator.
    EXPECT_EQ(state.AccessLevel, QStringLiteral("Administrator"));
    EXPECT_TRUE(form->titleBox()->isReadOnly());
    EXPECT_TRUE(form->notesBox()->isReadOnly());
    QFile::setPermissions(library(QStringLiteral("Archive")), QFile::ReadOwner | QFile::WriteOwner);
}

TEST_F(MainFormTest, TheCurrentRowIsNoSelectionUntilTheUserPicksARow)
{
    makeLibrary(library(QStringLiteral("Books")), kTitles);
    auto form = load(library(QStringLiteral("Books")));
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    auto selectedFilesOffered = [&] {
        return form->command(QStringLiteral("menuExtractSelectedFilestoExtractFolder"))->isEnabled()
            || form->command(QStringLiteral("menuDeleteSelectedFiles"))->isEnabled();
    };
    const QString noneOfThree = QStringLiteral("Selected: 0    Listed: 3    Total: 3");
    EXPECT_EQ(form->titleBox()->text(), QStringLiteral("Alpha"));
    EXPECT_EQ(form->recordCountLabel()->text(), noneOfThree);
    EXPECT_EQ(form->SelectedCount(), 0);
    EXPECT_FALSE(selectedFilesOffered());
    // It is framed all the same, so the user sees which record is shown.
    QTableView* grid = form->gridMain();
    const QImage shot = grid->viewport()->grab().toImage();
    auto topEdge = [&](int row) {
        const QRect cell = grid->visualRect(form->listModel()->index(row, 1));
        return QColor(shot.pixel(cell.center().x(), cell.top()));
    };
    EXPECT_EQ(topEdge(0), grid->palette().color(QPalette::Text));
    EXPECT_NE(topEdge(2), grid->palette().color(QPalette::Text));

    // Walking, re-running and searching move the current row and select nothing.
    form->command(QStringLiteral("enbar"))->trigger();
    EXPECT_EQ(form->titleBox()->text(), QStringLiteral("Beta"));
    form->command(QStringLiteral("erbar"))->trigger();
    EXPECT_EQ(form->recordCountLabel()->text(), noneOfThree);
    state.QueryWhere = QStringLiteral("WHERE (Title <> 'Beta') ");
    form->command(QStringLiteral("erbar"))->trigger();
    EXPECT_EQ(form->recordCountLabel()->text(), QStringLiteral("Selected: 0    Listed: 2    Total: 3"));
    form->command(QStringLiteral("ListAllButton"))->trigger();
    EXPECT_EQ(form->recordCountLabel()->text(), noneOfThree);
    EXPECT_EQ(form->SelectedCount(), 0);
    EXPECT_FALSE(selectedFilesOffered());

    // A click on a row selects it, as in any grid.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier,
                      grid->visualRect(form->listModel()->index(2, 0)).center());
    EXPECT_EQ(form->titleBox()->text(), QStringLiteral("Gamma"));
    EXPECT_EQ(form->recordCountLabel()->text(), QStringLiteral("Selected: 1    Listed: 3    Total: 3"));
    EXPECT_TRUE(selectedFilesOffered());
    // Walking away leaves the user's selection as it was.
    form->command(QStringLiteral("efbar"))->trigger();
    EXPECT_EQ(form->titleBox()->text(), QStringLiteral("Alpha"));
    ASSERT_EQ(form->SelectedCount(), 1);
    EXPECT_EQ(grid->selectionModel()->selectedRows().value(0).row(), 2);
}

TEST_F(MainFormTest, StatusTextFollowsRequeriesAndSelection)
{
    makeLibrary(library(QStringLiteral("Books")), kTitles);
    auto form = load(library(QStringLiteral("Books")));
    EXPECT_EQ(form->recordCountLabel()->text(), QStringLiteral("Selected: 0    Listed: 3    Total: 3"));

    // The current record stays current when the list is run again.
    form->command(QStringLiteral("elbar"))->trigger();
    ASSERT_EQ(form->titleBox()->text(), QStringLiteral("Gamma"));
    form->command(QStringLiteral("erbar"))->trigger();
    EXPECT_EQ(form->titleBox()->text(), QStringLiteral("Gamma"));
    EXPECT_EQ(form->gridMain()->selectionModel()->currentIndex().row(), 2);

    // A narrower list that no longer holds it starts at its first record.
    state.QueryWhere = QStringLiteral("WHERE (Title = 'Beta') ");
    form->command(QStringLiteral("erbar"))->trigger();
    EXPECT_EQ(form->recordCountLabel()->text(), QStringLiteral("Selected: 0    Listed: 1    Total: 3"));
    EXPECT_EQ(form->titleBox()->text(), QStringLiteral("Beta"));

    state.QueryWhere = QStringLiteral("WHERE (Title = 'nothing') ");
    form->command(QStringLiteral("erbar"))->trigger();
    EXPECT_EQ(form->recordCountLabel()->text(), QStringLiteral("Selected: 0    Listed: 0    Total: 3"));
    EXPECT_EQ(form->titleBox()->text(), QString());

    // Selecting rows changes only the selected number.
    state.QueryWhere.clear();
    form->command(QStringLiteral("erbar"))->trigger();
    EXPECT_EQ(form->titleBox()->text(), QStringLiteral("Alpha"));
    form->gridMain()->selectAll();
    EXPECT_EQ(form->recordCountLabel()->text(), QStringLiteral("Selected: 3    Listed: 3    Total: 3"));

    // A query the engine cannot run leaves the list as it was.
    state.QueryWhere = QStringLiteral("WHERE (Title = ");
    form->command(QStringLiteral("erbar"))->trigger();
    EXPECT_EQ(boxes.last().title, QStringLiteral("ZNT ERROR"));
    EXPECT_EQ(form->listModel()->rowCount(), 3);
}

TEST_F(MainFormTest, WalkingStopsAtBothEndsAndMovesTheGrid)
{
    makeLibrary(library(QStringLiteral("Books")), kTitles);
    auto form = load(library(QStringLiteral("Books")));
    const auto current = [&] { return form->gridMain()->selectionModel()->currentIndex().row(); };

    form->command(QStringLiteral("elbar"))->trigger();
    EXPECT_EQ(form->titleBox()->text(), QStringLiteral("Gamma"));
    form->command(QStringLiteral("enbar"))->trigger();
    EXPECT_EQ(form->titleBox()->text(), QStringLiteral("Gamma"));
    EXPECT_EQ(current(), 2);
    EXPECT_EQ(form->session().DCMain()->absolutePosition(), 2);
    form->command(QStringLiteral("epbar"))->trigger();
    EXPECT_EQ(form->titleBox()->text(), QStringLiteral("Beta"));
    EXPECT_EQ(current(), 1);
    form->command(QStringLiteral("efbar"))->trigger();
    form->command(QStringLiteral("epbar"))->trigger();
    EXPECT_EQ(form->titleBox()->text(), QStringLiteral("Alpha"));
    EXPECT_EQ(current(), 0);

    // Choosing a row in the grid makes its record current.
    form->gridMain()->setCurrentIndex(form->listModel()->index(2, 1));
    EXPECT_EQ(form->session().DCMain()->absolutePosition(), 2);
    EXPECT_EQ(form->titleBox()->text(), QStringLiteral("Gamma"));
    EXPECT_EQ(form->cellPanel()->text(), QStringLiteral("Author of Gamma"));
    EXPECT_EQ(boxes.count(), 0);
}

TEST_F(MainFormTest, FunctionKeysWorkWhileATextFieldHasTheFocus)
{
    makeLibrary(library(QStringLiteral("Books")), kTitles);
    auto form = load(library(QStringLiteral("Books")));
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    form->RestorePaneSizes();

    form->titleBox()->setFocus();
    QTest::keyClick(form->titleBox(), Qt::Key_F8);
    EXPECT_EQ(form->titleBox()->text(), QStringLiteral("Gamma"));
    QTest::keyClick(form->titleBox(), Qt::Key_F6);
    EXPECT_EQ(form->titleBox()->text(), QStringLiteral("Beta"));
    QTest::keyClick(form->notesBox(), Qt::Key_F5);
    EXPECT_EQ(form->titleBox()->text(), QStringLiteral("Alpha"));
    QTest::keyClick(form->gridMain(), Qt::Key_F7);
    EXPECT_EQ(form->titleBox()->text(), QStringLiteral("Beta"));

    QSplitter* splitter = form->mainSplitter();
    const int margin = ScreenMetrics::toPixelsX(100, form.get());
    QTest::keyClick(form->titleBox(), Qt::Key_F2);
    EXPECT_LE(splitter->sizes()[1], margin);
    EXPECT_GT(splitter->sizes()[0], splitter->width() - 2 * margin - splitter->handleWidth());
    EXPECT_TRUE(form->gridMain()->hasFocus());
    QTest::keyClick(form->gridMain(), Qt::Key_F4);
    EXPECT_LE(splitter->sizes()[0], margin);
    EXPECT_TRUE(form->titleBox()->hasFocus());
    QTest::keyClick(form->titleBox(), Qt::Key_F3);
    EXPECT_LE(std::abs(splitter->sizes()[0] - splitter->sizes()[1]), splitter->handleWidth() + 2);
}

TEST_F(MainFormTest, WalkingAnEmptyListDoesNothing)
{
    makeLibrary(library(QStringLiteral("Empty")));
    auto form = load(library(QStringLiteral("Empty")));
    for (const char* walk : {"efbar", "epbar", "enbar", "elbar"})
        form->command(QLatin1String(walk))->trigger();
    EXPECT_EQ(form->listModel()->rowCount(), 0);
    EXPECT_EQ(form->session().DCMain()->absolutePosition(), -1);
    EXPECT_EQ(form->recordCountLabel()->text(), QStringLiteral("Selected: 0    Listed: 0    Total: 0"));
    EXPECT_EQ(form->titleBox()->text(), QString());
    EXPECT_EQ(boxes.count(), 0);
}

TEST_F(MainFormTest, TypedChangesAreSavedWhenTheRecordIsLeft)
{
    makeLibrary(library(QStringLiteral("Books")), kTitles);
    auto form = load(library(QStringLiteral("Books")));
    ASSERT_EQ(form->titleBox()->text(), QStringLiteral("Alpha"));
    const qint64 alphaId = form->listModel()->mainIdAt(0);

    form->titleBox()->selectAll();
    QTest::keyClicks(form->titleBox(), QStringLiteral("Aardvark"));
    form->notesBox()->moveCursor(QTextCursor::End);
    QTest::keyClicks(form->notesBox(), QStringLiteral(" (edited)"));
    form->command(QStringLiteral("enbar"))->trigger();
    EXPECT_EQ(form->titleBox()->text(), QStringLiteral("Beta"));

    auto stored = form->session().database()->loadRecord(alphaId);
    ASSERT_TRUE(stored.ok());
    EXPECT_EQ(stored->Title, QStringLiteral("Aardvark"));
    EXPECT_TRUE(stored->Notes.endsWith(QStringLiteral(" (edited)")));
    EXPECT_EQ(stored->Author, QStringLiteral("Author of Alpha"));
    EXPECT_EQ(form->listModel()->index(0, 0).data().toString(), QStringLiteral("Aardvark"));
    EXPECT_EQ(boxes.count(), 0);
}

TEST_F(MainFormTest, GridColumnsComeFromTheSettings)
{
    makeLibrary(library(QStringLiteral("Books")), kTitles);
    state.Settings.ColumnFields[0] = QStringLiteral("Notes");
    state.Settings.ColumnFields[9] = QStringLiteral("Title");
    state.Settings.ColumnWidths[0] = 1440;
    state.Settings.ColumnWidths[1] = 2880;
    state.Settings.GridForeColor = 0x0000FF; // red, as 0x00BBGGRR
    state.Settings.GridBackColor = 0xFFFFFF;
    state.Settings.ListFontBold = true;
    auto form = load(library(QStringLiteral("Books")));

    QTableView* grid = form->gridMain();
    EXPECT_EQ(grid->objectName(), QStringLiteral("GridMain"));
    EXPECT_EQ(grid->model()->columnCount(), 10);
    EXPECT_EQ(grid->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Notes"));
    EXPECT_EQ(grid->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Author"));
    EXPECT_EQ(grid->model()->index(0, 0).data().toString(), QStringLiteral("Notes on Alpha"));
    EXPECT_EQ(grid->horizontalHeader()->sectionSize(0), ScreenMetrics::toPixelsX(1440, form.get()));
    EXPECT_EQ(grid->horizontalHeader()->sectionSize(1), ScreenMetrics::toPixelsX(2880, form.get()));
    EXPECT_EQ(grid->verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
    EXPECT_TRUE(grid->horizontalHeader()->sectionsMovable());
    EXPECT_EQ(grid->palette().color(QPalette::Text), QColor(255, 0, 0));
    EXPECT_EQ(grid->palette().color(QPalette::Base), QColor(255, 255, 255));
    EXPECT_TRUE(grid->font().bold());
    EXPECT_EQ(grid->font().pointSize(), state.Settings.ListFontSize);
    // The record fields take the field colours (white on blue by default).
    EXPECT_EQ(form->titleBox()->palette().color(QPalette::Base), QColor(0, 0, 255));
}

TEST_F(MainFormTest, ExitSavesTheSettingsAndEmptiesTheExtractionFolder)
{
    makeLibrary(library(QStringLiteral("Books")), kTitles);
    ASSERT_TRUE(QDir().mkpath(state.ExtractFolder + QStringLiteral("/keep")));
    for (const char* name : {"a.txt", ".hidden", "b.doc"}) {
        QFile file(state.ExtractFolder + QLatin1Char('/') + QLatin1String(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    QFile::link(QStringLiteral("/etc/hostname"), state.ExtractFolder + QStringLiteral("/link"));
    auto form = load(library(QStringLiteral("Books")));
    form->show();
    form->RestorePaneSizes();
    state.Settings.LibraryFolder = QStringLiteral("/srv/remembered");

    bool unloaded = false;
    QObject::connect(form.get(), &MainForm::unloaded, [&] { unloaded = true; });
    form->command(QStringLiteral("fxbar"))->trigger();
    EXPECT_TRUE(unloaded);
    EXPECT_TRUE(form->isUnloaded());
    EXPECT_FALSE(form->session().isOpen());
    EXPECT_TRUE(QFile::exists(QStringLiteral("/etc/hostname")));

    const QStringList left = QDir(state.ExtractFolder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                                                 QDir::NoDotAndDotDot);
    EXPECT_EQ(left, QStringList{QStringLiteral("keep")});
    EXPECT_EQ(settingsOnDisk(state.SettingsFilePath).LibraryFolder, QStringLiteral("/srv/remembered"));
    EXPECT_FALSE(settingsOnDisk(state.SettingsFilePath).StartMaximized);
}

TEST_F(MainFormTest, GuardedCommandsAnswerWithAccessDeniedAndItsReLogin)
{
    makeLibrary(library(QStringLiteral("Shared")), kTitles);
    protectLibrary(library(QStringLiteral("Shared")), QStringLiteral(" "), QStringLiteral("edit"),
                   QStringLiteral("admin"));
    auto form = load(library(QStringLiteral("Shared")));
    ASSERT_EQ(state.AccessLevel, QStringLiteral("Browser"));

    EXPECT_FALSE(form->CheckAccess(AccessRights::Command::AddFiles));
    EXPECT_EQ(dialogs.deniedLevels, QStringList{QStringLiteral("Browser")});
    EXPECT_EQ(logins.asked(), 0);

    dialogs.reLoginWhenDenied = true;
    logins.queue(QStringLiteral("Editor"), QStringLiteral("edit"));
    EXPECT_FALSE(form->CheckAccess(AccessRights::Command::AddFiles)); // not resumed
    EXPECT_EQ(logins.asked(), 1);
    EXPECT_EQ(state.AccessLevel, QStringLiteral("Editor"));
    EXPECT_TRUE(form->CheckAccess(AccessRights::Command::AddFiles));
    EXPECT_EQ(dialogs.deniedLevels.size(), 2);
    EXPECT_FALSE(form->CheckAccess(AccessRights::Command::ProgramSettings));
    EXPECT_EQ(dialogs.deniedLevels.last(), QStringLiteral("Editor"));
}

TEST_F(MainFormTest, SavedPanesWiderThanTheWindowLeaveBothPanesVisible)
{
    makeLibrary(library(QStringLiteral("Books")), kTitles);
    // The first start's default: 0.51 of a screen far wider than the window.
    state.Settings.ListPaneSize = 0;
    state.Settings.FilePaneSize = 19584;
    auto form = load(library(QStringLiteral("Books")));
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    ASSERT_FALSE(form->isMaximized());
    form->RestorePaneSizes();

    QSplitter* splitter = form->mainSplitter();
    const auto expectShare = [&] {
        const int width = splitter->width();
        const int record = ScreenMetrics::toPixelsX(
            std::trunc(Twips::fromPixels(width, ScreenMetrics::logicalDpiX(form.get())) * 0.51), form.get());
        EXPECT_GT(splitter->sizes()[0], 0);
        EXPECT_NEAR(splitter->sizes()[1], record, 2) << "splitter " << width;
    };
    expectShare();

    // The window gets its final size later (a window manager, a maximize
    // landing late): the panes follow it.
    form->resize(form->width() + 300, form->height() + 100);
    QApplication::processEvents();
    expectShare();

    // Once the user has chosen the panes, they stay his.
    form->command(QStringLiteral("vlbar"))->trigger();
    const int record = splitter->sizes()[1];
    form->resize(form->width() - 200, form->height());
    QApplication::processEvents();
    EXPECT_LE(splitter->sizes()[1], record);
    EXPECT_LE(splitter->sizes()[1], ScreenMetrics::toPixelsX(100, form.get()));
}

TEST_F(MainFormTest, SavedPanesThatFitAreGivenAsSaved)
{
    makeLibrary(library(QStringLiteral("Books")), kTitles);
    state.Settings.ListPaneSize = 3000;
    state.Settings.FilePaneSize = 2000;
    auto form = load(library(QStringLiteral("Books")));
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    form->RestorePaneSizes();
    EXPECT_NEAR(form->mainSplitter()->sizes()[0], ScreenMetrics::toPixelsX(3000, form.get()), 1);
}

TEST_F(MainFormTest, WithNoLibraryOpenOnlyCommandsThatNeedNoneStayAvailable)
{
    makeLibrary(library(QStringLiteral("Shared")), kTitles);
    protectLibrary(library(QStringLiteral("Shared")), QStringLiteral("peek"), QStringLiteral("edit"),
                   QStringLiteral("admin"));
    logins.queue(QStringLiteral("Browser"), QStringLiteral("peek"));
    auto form = load(library(QStringLiteral("Shared")));
    ASSERT_TRUE(form->session().isOpen());
    EXPECT_FALSE(form->listPane().noLibraryLabel()->isVisibleTo(form.get()));
    EXPECT_TRUE(form->command(QStringLiteral("embar"))->isEnabled());

    // A text file under a library's name; going back to the protected
    // library is cancelled at its login.
    const QString bogus = folder.path(QStringLiteral("Bogus.ZNT"));
    QFile file(bogus);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("just some text\n");
    file.close();
    dialogs.files = {bogus};
    logins.queueCancel();
    form->command(QStringLiteral("fobar"))->trigger();
    ASSERT_FALSE(form->session().isOpen());
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Zentaro ") + state.ProgramVersion);

    for (const char* name : {"embar", "eevbar", "eedbar", "eubar", "efbar", "epbar", "enbar", "elbar", "erbar",
                             "ReLoginButton", "pobar", "pcbar"})
        EXPECT_FALSE(form->command(QLatin1String(name))->isEnabled()) << name;
    for (const char* name : {"fobar", "fxbar", "vlbar", "vsbar", "vrbar", "habar"})
        EXPECT_TRUE(form->command(QLatin1String(name))->isEnabled()) << name;
    // Creating a library needs none open either, once it is carried out.
    form->commands().bind(QStringLiteral("fnbar"), form.get(), [] {});
    EXPECT_TRUE(form->command(QStringLiteral("NewLibraryButton"))->isEnabled());
    form->commands().bind(QStringLiteral("tcbar"), form.get(), [] {});
    EXPECT_FALSE(form->command(QStringLiteral("tcbar"))->isEnabled());

    QLabel* words = form->listPane().noLibraryLabel();
    EXPECT_TRUE(words->isVisibleTo(form.get()));
    EXPECT_EQ(words->text(), QStringLiteral("No library is open."));
    EXPECT_FALSE(form->gridMain()->isVisibleTo(form.get()));
    EXPECT_TRUE(form->titleBox()->isReadOnly());

    // Opening a library again brings the commands back.
    makeLibrary(library(QStringLiteral("Open")), kTitles);
    dialogs.files = {library(QStringLiteral("Open"))};
    form->command(QStringLiteral("fobar"))->trigger();
    ASSERT_TRUE(form->session().isOpen());
    EXPECT_TRUE(form->command(QStringLiteral("embar"))->isEnabled());
    EXPECT_TRUE(form->command(QStringLiteral("eevbar"))->isEnabled());
    EXPECT_FALSE(words->isVisibleTo(form.get()));
    EXPECT_TRUE(form->gridMain()->isVisibleTo(form.get()));
    EXPECT_FALSE(form->titleBox()->isReadOnly());
}

TEST(AboutForm, ShowsTheFullVersionAndClosesWithEscape)
{
    AboutForm about(QStringLiteral("2.10.0019"));
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About ZNT"));
    EXPECT_EQ(about.versionText(), QStringLiteral("Version: 2.10.0019"));
    EXPECT_EQ(about.closeButton()->text(), QStringLiteral("&Close"));
    EXPECT_EQ(about.closeButton()->toolTip(), QStringLiteral("Cancel (Esc)"));
    about.show();
    ASSERT_TRUE(about.isVisible());
    QTest::keyClick(&about, Qt::Key_Escape);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Rejected);
}

} // namespace
