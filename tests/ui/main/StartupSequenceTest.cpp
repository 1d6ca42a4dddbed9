#include "ui/MainWindowHarness.h"
#include "ui/ModalDriver.h"

#include "search/ListModel.h"
#include "library/LibrarySession.h"
#include "ui/security/LoginForm.h"
#include "ui/main/MainForm.h"
#include "ui/common/MessageRecorder.h"
#include "ui/main/SplashForm.h"
#include "ui/main/StartupSequence.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QMessageBox>
#include <QSignalSpy>
#include <QScreen>
#include <QSplitter>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <sys/stat.h>

using namespace zentaro;
using namespace zentaro::test;

namespace {

ino_t inodeOf(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return 0;
    return st.st_ino;
}

MainWindow* makeMainForm(ProgramState& state)
{
    return new MainForm(state);
}

class StartupTest : public ::testing::Test
{
protected:
    QString defaultLibrary() const { return folder.path(QStringLiteral("Main Library.ZNT")); }
    QString settingsFile() const { return folder.path(QStringLiteral("ZNT.CFG")); }

    // One run of the program up to the running main window (the timers'
    // ticks are called at once rather than waited for).
    struct Run
    {
        std::unique_ptr<ProgramState> state;
        std::unique_ptr<StartupSequence> startup;
        std::unique_ptr<QSignalSpy> ended;
        MainForm* main() const { return qobject_cast<MainForm*>(startup->mainWindow()); }
    };

    Run start(const QString& commandLine = {})
    {
        Run run;
        run.state = std::make_unique<ProgramState>(folder.folder());
        run.startup = std::make_unique<StartupSequence>(*run.state, commandLine, &makeMainForm);
        run.ended = std::make_unique<QSignalSpy>(run.startup.get(), &StartupSequence::ended);
        started = run.startup->Start();
        if (started)
            run.startup->mainFormTimerTick();
        if (run.startup->mainWindow())
            run.startup->timer1Tick();
        return run;
    }

    ProgramFolder folder;
    MessageRecorder boxes;
    LoginScript logins;
    DialogScript dialogs;
    bool started = false;
};

TEST(StartupSequence, CommandLineIsAllArgumentsJoinedWithSingleBlanks)
{
    EXPECT_EQ(StartupSequence::CommandLineText({QStringLiteral("zentaro")}), QString());
    EXPECT_EQ(StartupSequence::CommandLineText(
                  {QStringLiteral("zentaro"), QStringLiteral("/home/me/My"), QStringLiteral("Books.ZNT")}),
              QStringLiteral("/home/me/My Books.ZNT"));
    // Taken unchanged otherwise: no trimming, no quote removal.
    EXPECT_EQ(StartupSequence::CommandLineText({QStringLiteral("zentaro"), QStringLiteral(" \"a\" ")}),
              QStringLiteral(" \"a\" "));
}

TEST_F(StartupTest, FirstStartCreatesSettingsAndLibraryAndStampsCreated)
{
    ASSERT_FALSE(QFile::exists(settingsFile()));
    ASSERT_FALSE(QFile::exists(defaultLibrary()));
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    Run run = start();

    ASSERT_TRUE(started);
    EXPECT_TRUE(QFile::exists(settingsFile()));
    EXPECT_TRUE(QFile::exists(defaultLibrary()));
    ASSERT_NE(run.main(), nullptr);
    EXPECT_TRUE(run.startup->mainWindowShown());
    EXPECT_TRUE(run.main()->isVisible());
    EXPECT_TRUE(run.main()->isEnabled());
    EXPECT_EQ(run.startup->splash(), nullptr);
    EXPECT_EQ(run.main()->windowTitle(),
              LibrarySession::CaptionFor(run.state->ProgramVersion, defaultLibrary(), false));
    EXPECT_EQ(run.main()->listModel()->rowCount(), 0);
    EXPECT_EQ(run.state->AccessLevel, QStringLiteral("Administrator"));
    EXPECT_EQ(boxes.count(), 0);
    // With no saved list pane the record pane takes 0.51 of the screen's width.
    EXPECT_TRUE(run.main()->isMaximized());
    const int screenWidth = run.main()->screen()->geometry().width();
    EXPECT_NEAR(run.main()->mainSplitter()->sizes()[1], 0.51 * screenWidth, 1.0);

    auto config = run.main()->session().ReadConfig();
    ASSERT_TRUE(config.ok());
    ASSERT_TRUE(config->Created.isValid());
    EXPECT_GE(config->Created, before);
    EXPECT_LE(config->Created, QDateTime::currentDateTime().addSecs(1));

    run.main()->command(QStringLiteral("fxbar"))->trigger();
    EXPECT_EQ(run.ended->count(), 1);
    EXPECT_TRUE(run.startup->hasEnded());
    EXPECT_EQ(settingsOnDisk(settingsFile()).DefaultLibrary, defaultLibrary());
}

TEST_F(StartupTest, LibraryArgumentIsOpenedAndDefaultLibraryLeftAlone)
{
    ASSERT_TRUE(QDir(folder.folder()).mkdir(QStringLiteral("docs")));
    const QString argument = folder.path(QStringLiteral("docs/My Books.ZNT"));
    makeLibrary(argument, {QStringLiteral("Dune"), QStringLiteral("Emma")});
    Run run = start(StartupSequence::CommandLineText(
        {QStringLiteral("zentaro"), folder.path(QStringLiteral("docs/My")), QStringLiteral("Books.ZNT")}));

    ASSERT_TRUE(started);
    ASSERT_NE(run.main(), nullptr);
    EXPECT_EQ(run.state->CurrentLibraryPath, argument);
    EXPECT_EQ(run.main()->windowTitle(), LibrarySession::CaptionFor(run.state->ProgramVersion, argument, false));
    EXPECT_EQ(run.main()->listModel()->rowCount(), 2);
    EXPECT_EQ(run.state->Settings.DefaultLibrary, defaultLibrary());
    run.main()->command(QStringLiteral("fxbar"))->trigger();

    EXPECT_EQ(settingsOnDisk(settingsFile()).DefaultLibrary, defaultLibrary());
    EXPECT_FALSE(QFile::exists(defaultLibrary()));
}

TEST_F(StartupTest, CancelledLoginAtStartEndsWithoutMainWindowOrSettingsWrite)
{
    makeLibrary(defaultLibrary(), {QStringLiteral("Secret")});
    protectLibrary(defaultLibrary(), QStringLiteral("peek"), QStringLiteral("edit"), QStringLiteral("admin"));

    auto state = std::make_unique<ProgramState>(folder.folder());
    StartupSequence startup(*state, QString(), &makeMainForm);
    QSignalSpy ended(&startup, &StartupSequence::ended);
    ASSERT_TRUE(startup.Start());
    ASSERT_TRUE(QFile::exists(settingsFile()));
    // Whatever the settings file holds after reading, the exit must not replace it.
    const ino_t inode = inodeOf(settingsFile());
    QFile file(settingsFile());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    file.close();

    logins.queueCancel();
    startup.mainFormTimerTick();

    EXPECT_EQ(logins.asked(), 1);
    EXPECT_TRUE(startup.openAborted());
    ASSERT_EQ(ended.count(), 1);
    EXPECT_EQ(ended[0][0].toInt(), 0);
    EXPECT_FALSE(startup.mainWindowShown());
    EXPECT_EQ(startup.mainWindow(), nullptr);
    EXPECT_EQ(startup.splash(), nullptr);
    // No library to go back to: the user is told why the program goes.
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().icon, MessageIcon::Plain);
    EXPECT_EQ(boxes.last().title, QStringLiteral("ZNT Login Failure"));
    EXPECT_EQ(boxes.last().text, StartupSequence::LoginCancelledText(defaultLibrary(), state->NewLine));
    EXPECT_TRUE(boxes.last().text.contains(defaultLibrary()));
    EXPECT_EQ(inodeOf(settingsFile()), inode);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), bytes);

    // A late tick changes nothing.
    startup.timer1Tick();
    EXPECT_EQ(ended.count(), 1);
}

TEST_F(StartupTest, TheLoginComesToTheFrontAndItsCancelIsExplainedBeforeTheEnd)
{
    makeLibrary(defaultLibrary(), {QStringLiteral("Secret")});
    protectLibrary(defaultLibrary(), QStringLiteral("peek"), QStringLiteral("edit"), QStringLiteral("admin"));
    // The real dialogs this time.
    Prompts::LoginAnswerer script = Prompts::setLoginAnswerer(nullptr);
    MessageBoxes::Answerer recorder = MessageBoxes::setAnswerer(nullptr);

    ProgramState state(folder.folder());
    StartupSequence startup(state, QString(), &makeMainForm);
    QSignalSpy ended(&startup, &StartupSequence::ended);
    ASSERT_TRUE(startup.Start());
    QPointer<SplashForm> splash = startup.splash();
    ASSERT_TRUE(splash && splash->isVisible());

    struct Seen
    {
        bool visible = false;
        bool active = false;
        bool splashVisible = true;
        QString title;
    };
    auto look = [&](QWidget* dialog) {
        Seen seen;
        seen.active = QTest::qWaitFor([&] { return QApplication::activeWindow() == dialog; }, 2000);
        seen.visible = dialog->isVisible();
        seen.splashVisible = splash && splash->isVisible();
        seen.title = dialog->windowTitle();
        return seen;
    };
    Seen login;
    Seen word;
    ModalDriver<LoginForm> loginDriver([&](LoginForm* dialog) {
        login = look(dialog);
        dialog->reject();
    });
    int endedBeforeTheWord = -1;
    ModalDriver<QMessageBox> wordDriver([&](QMessageBox* box) {
        word = look(box);
        endedBeforeTheWord = int(ended.count());
    });
    startup.mainFormTimerTick();
    Prompts::setLoginAnswerer(std::move(script));
    MessageBoxes::setAnswerer(std::move(recorder));

    ASSERT_TRUE(loginDriver.ran());
    EXPECT_TRUE(login.visible);
    EXPECT_TRUE(login.active);
    EXPECT_FALSE(login.splashVisible);
    // The program says why it goes, in front too, and only then ends.
    ASSERT_TRUE(wordDriver.ran());
    EXPECT_EQ(word.title, QStringLiteral("ZNT Login Failure"));
    EXPECT_TRUE(word.visible);
    EXPECT_TRUE(word.active);
    EXPECT_FALSE(word.splashVisible);
    EXPECT_EQ(endedBeforeTheWord, 0);
    EXPECT_EQ(ended.count(), 1);
    EXPECT_FALSE(startup.mainWindowShown());
}

TEST_F(StartupTest, UnopenableStartupLibraryEndsAtOnceWithItsMessage)
{
    const QString nowhere = folder.path(QStringLiteral("missing/folder/Lib.ZNT"));
    Run run = start(nowhere);

    EXPECT_FALSE(started);
    EXPECT_EQ(run.main(), nullptr);
    ASSERT_EQ(run.ended->count(), 1);
    EXPECT_EQ((*run.ended)[0][0].toInt(), 1);
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().icon, MessageIcon::Exclamation);
    EXPECT_EQ(boxes.last().title, QStringLiteral("ZNT Open Library Failure"));
    EXPECT_TRUE(boxes.last().text.startsWith(QStringLiteral("There was a problem opening the Default Startup Library:")));
    EXPECT_TRUE(boxes.last().text.contains(nowhere));
}

TEST_F(StartupTest, TimersHandOverFromSplashToMainWindow)
{
    ProgramState state(folder.folder());
    StartupSequence startup(state, QString(), &makeMainForm);
    QSignalSpy ended(&startup, &StartupSequence::ended);
    ASSERT_TRUE(startup.Start());
    ASSERT_NE(startup.splash(), nullptr);
    EXPECT_TRUE(startup.splash()->isVisible());
    EXPECT_TRUE(startup.splash()->mainFormTimerActive());
    EXPECT_EQ(startup.mainWindow(), nullptr);

    // The splash cannot be closed while it holds the start-up timers.
    startup.splash()->close();
    EXPECT_NE(startup.splash(), nullptr);
    EXPECT_TRUE(startup.splash()->isVisible());

    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return startup.mainWindow() && startup.mainWindow()->isVisible(); }, 3000));
    EXPECT_FALSE(startup.mainWindow()->isEnabled()); // under the splash for two seconds
    EXPECT_TRUE(startup.splash() && startup.splash()->timer1Active());

    ASSERT_TRUE(QTest::qWaitFor([&] { return startup.splash() == nullptr; }, 4000));
    EXPECT_TRUE(startup.mainWindow()->isEnabled());
    EXPECT_EQ(ended.count(), 0);

    startup.mainWindow()->close();
    EXPECT_EQ(ended.count(), 1);
}

TEST_F(StartupTest, WindowStateColumnsAndPanesSurviveARestart)
{
    int listPane = 0;
    {
        Run run = start();
        ASSERT_NE(run.main(), nullptr);
        // A new settings file starts maximized.
        EXPECT_TRUE(run.main()->isMaximized());
        run.main()->showNormal();
        ASSERT_FALSE(run.main()->isMaximized());
        QHeaderView* header = run.main()->gridMain()->horizontalHeader();
        header->moveSection(3, 0); // FileName to the front
        header->resizeSection(3, 150);
        header->resizeSection(0, 90);
        QTest::qWait(20);
        run.main()->command(QStringLiteral("ListOnlyButton"))->trigger();
        listPane = run.main()->mainSplitter()->sizes()[0];
        run.main()->command(QStringLiteral("fxbar"))->trigger();
        ASSERT_EQ(run.ended->count(), 1);
    }
    const SettingsRecord saved = settingsOnDisk(settingsFile());
    EXPECT_FALSE(saved.StartMaximized);
    EXPECT_EQ(saved.ColumnFields[0], QStringLiteral("FileName"));
    EXPECT_EQ(saved.ColumnFields[1], QStringLiteral("Title"));
    EXPECT_EQ(saved.ColumnFields[3], QStringLiteral("Keywords"));
    EXPECT_EQ(saved.ColumnFields[4], QStringLiteral("FileType"));
    EXPECT_GT(saved.ListPaneSize, saved.FilePaneSize);
    // An untouched column keeps its width exactly, whatever the pixel rounding.
    EXPECT_EQ(saved.ColumnFields[2], QStringLiteral("Author"));
    EXPECT_EQ(saved.ColumnWidths[2], 2000);

    {
        Run run = start();
        ASSERT_NE(run.main(), nullptr);
        EXPECT_FALSE(run.main()->isMaximized());
        QHeaderView* header = run.main()->gridMain()->horizontalHeader();
        EXPECT_EQ(run.main()->listModel()->columnField(0), QStringLiteral("FileName"));
        EXPECT_EQ(run.main()->listModel()->columnField(1), QStringLiteral("Title"));
        EXPECT_EQ(header->visualIndex(0), 0);
        EXPECT_EQ(header->sectionSize(0), 150);
        EXPECT_EQ(header->sectionSize(1), 90);
        EXPECT_EQ(run.main()->mainSplitter()->sizes()[0], listPane);
        run.main()->showMaximized();
        run.main()->command(QStringLiteral("fxbar"))->trigger();
    }
    // Saving again changes no width by rounding.
    const SettingsRecord again = settingsOnDisk(settingsFile());
    EXPECT_TRUE(again.StartMaximized);
    EXPECT_EQ(again.ColumnWidths, saved.ColumnWidths);
    EXPECT_EQ(again.ColumnFields, saved.ColumnFields);

    Run third = start();
    ASSERT_NE(third.main(), nullptr);
    EXPECT_TRUE(third.main()->isMaximized());
}

} // namespace
