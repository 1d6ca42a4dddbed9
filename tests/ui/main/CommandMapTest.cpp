#include "ui/MainWindowHarness.h"
#include "support/RecordingOpener.h"

#include "library/LibrarySession.h"
#include "search/ListModel.h"
#include "store/Recordset.h"
#include "transfer/FileOpener.h"
#include "ui/main/AboutForm.h"
#include "ui/main/MainForm.h"
#include "ui/common/MessageRecorder.h"
#include "ui/common/ScreenMetrics.h"
#include "ui/main/ProgramCommands.h"
#include "ui/settings/ConfigForm.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include <iostream>
#include <map>

using namespace zentaro;
using namespace zentaro::test;

namespace {

// Closes whatever modal window a command opens that no test seam answers,
// so that walking every command cannot hang.
class ModalCloser
{
public:
    ModalCloser()
    {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                ++closed;
                if (auto* dialog = qobject_cast<QDialog*>(modal))
                    dialog->reject();
                else
                    modal->close();
            }
        });
        m_timer.start();
    }
    int closed = 0;

private:
    QTimer m_timer;
};

// The menu bar as the command map gives it: each menu's entries in order,
// "-" entries being separators.
struct MenuPlan
{
    const char* name;
    const char* caption;
    std::vector<const char*> entries;
};

const MenuPlan kMenus[] = {
    {"fbar", "&File", {"fobar", "fosbar", "fnbar", "fcbar", "fsep2", "fxbar"}},
    {"ebar",
     "&Edit",
     {"eubar", "esep3", "embar", "edbar", "eebar", "esep2", "efbar", "epbar", "enbar", "elbar", "esep1", "erbar"}},
    {"eebar", "&Extract File from Library", {"eevbar", "eedbar"}},
    {"vbar", "&View", {"vibar", "vebar", "vsep1", "vlbar", "vsbar", "vrbar"}},
    {"tbar", "&Tools", {"tlbar", "tpbar", "tsep1", "tdbar", "tcbar"}},
    {"hbar", "&Help", {"hhbar", "hsep1", "habar"}},
};

struct EntryPlan
{
    const char* name;
    const char* caption;
    QKeySequence key;
    const char* button = nullptr;
};

const EntryPlan kEntries[] = {
    {"fobar", "&Open Library", {}, "OpenLibraryButton"},
    {"fosbar", "Open &Server Library\u2026", {}},
    {"fnbar", "Create &New Library", {}, "NewLibraryButton"},
    {"fcbar", "&Copy Library", {}},
    {"fxbar", "E&xit ZNT", QKeySequence(Qt::CTRL | Qt::Key_Q)},
    {"eubar", "&Undo Typing", QKeySequence(Qt::CTRL | Qt::Key_U)},
    {"embar", "&Add File(s) to Library", QKeySequence(Qt::CTRL | Qt::Key_A), "AddMultipleRecordsButton"},
    {"edbar", "&Delete File from Library", QKeySequence(Qt::Key_Delete), "DeleteButton"},
    {"eevbar", "To &View/Edit", QKeySequence(Qt::Key_F9), "ViewButton"},
    {"eedbar", "To &Disk or other location", {}, "ExtractToDiskButton"},
    {"efbar", "&First Record", QKeySequence(Qt::Key_F5)},
    {"epbar", "&Previous Record", QKeySequence(Qt::Key_F6)},
    {"enbar", "&Next Record", QKeySequence(Qt::Key_F7)},
    {"elbar", "&Last record", QKeySequence(Qt::Key_F8)},
    {"erbar", "&Refresh Data", {}},
    {"vibar", "Library &Information", {}},
    {"vebar", "&Extraction Folder Contents", {}},
    {"vlbar", "&List Only", QKeySequence(Qt::Key_F2), "ListOnlyButton"},
    {"vsbar", "List/File &Split", QKeySequence(Qt::Key_F3), "CenterSplitButton"},
    {"vrbar", "&File Only", QKeySequence(Qt::Key_F4), "RecordOnlyButton"},
    {"tlbar", "&Library Settings (Security Settings)", {}},
    {"tpbar", "ZNT Program Settings", {}, "ConfigButton"},
    {"tdbar", "Clear Extraction Folder", {}},
    {"tcbar", "&Compact Library", {}},
    {"hhbar", "&Help (Owner's Manual)", {}, "HelpButton"},
    {"habar", "&About ZNT", {}},
};

struct GroupPlan
{
    const char* label;
    const char* caption;
    std::vector<std::pair<const char*, const char*>> buttons; // name, tooltip
};

const GroupPlan kGroups[] = {
    {"LibraryGroupLabel",
     "Library",
     {{"NewLibraryButton", "Create New Library"},
      {"OpenLibraryButton", "Open Library"},
      {"ReLoginButton", "Re-Login (Change Access Level)"}}},
    {"ListGroupLabel",
     "List",
     {{"ListAllButton", "List All Records"},
      {"FilterButton", "Search Filter"},
      {"ListActionButton", "List Commands"},
      {"PrintListButton", "Print List"}}},
    {"ViewGroupLabel",
     "View",
     {{"ListOnlyButton", "View List Only [F2]"},
      {"CenterSplitButton", "View 50/50 Split [F3]"},
      {"RecordOnlyButton", "View File Only [F4]"}}},
    {"FileGroupLabel",
     "File",
     {{"AddMultipleRecordsButton", "Add File(s) to Library"},
      {"DeleteButton", "Delete File from Library "},
      {"ExtractToDiskButton", "Extract File to Disk"},
      {"ViewButton", "Extract and Open File [F9]"},
      {"InsertBackButton", "Re-Insert File Back into Library (ZNT has detected changes)"}}},
    {"ZNTGroupLabel", "ZNT", {{"ConfigButton", "Configure ZNT"}, {"HelpButton", "ZNT Owner's Manual"}}},
};

QStringList namesIn(const QMenu* menu)
{
    QStringList names;
    for (const QAction* entry : menu->actions())
        names << entry->objectName();
    return names;
}

class CommandMapTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.valid());
        ASSERT_TRUE(state.settingsFile().LoadConfig().ok());
        state.Settings.StartMaximized = false;
        previousOpener = Prompts::setFileOpener(&opener);
        previousFolder = Prompts::setFolderAnswerer([this](const QString&) {
            ++folderPicks;
            return std::optional<QString>();
        });
        previousAdd = Prompts::setAddFilesRunner([this](ProgramState&, const std::shared_ptr<Database>&) {
            ++addDialogs;
        });
        previousConfig = ProgramCommands::setConfigRunner([this](ConfigForm& form) {
            ++configShown;
            configParent = form.parentWidget();
            if (onConfig)
                onConfig(form);
        });
        previousPage = ProgramCommands::setPageOpener([this](const QUrl& url) {
            pages << url;
            return true;
        });
    }
    void TearDown() override
    {
        Prompts::setFileOpener(previousOpener);
        Prompts::setFolderAnswerer(std::move(previousFolder));
        Prompts::setAddFilesRunner(std::move(previousAdd));
        ProgramCommands::setConfigRunner(std::move(previousConfig));
        ProgramCommands::setPageOpener(std::move(previousPage));
    }

    // Three records, each with a small stored file.
    QString makeFilledLibrary()
    {
        const QString path = folder.path(QStringLiteral("Books.ZNT"));
        makeLibrary(path);
        auto db = Database::open(path);
        EXPECT_TRUE(db.ok());
        for (const char* title : {"Alpha", "Beta", "Gamma"}) {
            MainRecord record;
            record.Title = QLatin1String(title);
            record.FileName = QString::fromLatin1(title).toLower();
            record.FileType = QStringLiteral("TXT");
            record.FileSize = 10;
            Result<qint64> id = (*db)->insertRecord(record);
            EXPECT_TRUE(id.ok());
            EXPECT_TRUE((*db)->appendChunk(*id, "0123456789", 10).ok());
        }
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

    std::unique_ptr<MainForm> showLoaded(const QString& path)
    {
        auto form = load(path);
        form->show();
        form->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
        form->RestorePaneSizes();
        return form;
    }

    void writeManual()
    {
        ASSERT_TRUE(QDir(folder.folder()).mkpath(QStringLiteral("HELP")));
        QFile page(folder.path(QStringLiteral("HELP/INDEX.HTML")));
        ASSERT_TRUE(page.open(QIODevice::WriteOnly));
        page.write("<html></html>");
    }

    int position(MainForm& form) const { return form.session().DCMain()->absolutePosition(); }

    ProgramFolder folder;
    ProgramState state{folder.folder()};
    MessageRecorder boxes;
    LoginScript logins;
    DialogScript dialogs;
    RecordingOpener opener;
    FileOpener* previousOpener = nullptr;
    Prompts::FolderAnswerer previousFolder;
    Prompts::AddFilesRunner previousAdd;
    ProgramCommands::ConfigRunner previousConfig;
    ProgramCommands::PageOpener previousPage;
    std::function<void(ConfigForm&)> onConfig;
    int folderPicks = 0;
    int addDialogs = 0;
    int configShown = 0;
    QWidget* configParent = nullptr;
    QList<QUrl> pages;
};

} // namespace

TEST_F(CommandMapTest, EveryMenuEntryAndButtonIsInPlaceAndReachesItsCommand)
{
    writeManual();
    auto form = showLoaded(makeFilledLibrary());
    CommandRegistry& commands = form->commands();

    // The menu bar: the five menus, each entry in order with its separators.
    QStringList top;
    for (QAction* menu : form->menuBar()->actions()) {
        EXPECT_TRUE(menu->isVisible()) << menu->objectName().toStdString();
        top << menu->objectName();
    }
    EXPECT_EQ(top, (QStringList{"fbar", "ebar", "vbar", "tbar", "hbar"}));
    for (const MenuPlan& plan : kMenus) {
        QMenu* menu = commands.menu(QLatin1String(plan.name));
        ASSERT_NE(menu, nullptr) << plan.name;
        EXPECT_EQ(menu->title(), QLatin1String(plan.caption)) << plan.name;
        QStringList expected;
        for (const char* entry : plan.entries)
            expected << QLatin1String(entry);
        EXPECT_EQ(namesIn(menu), expected) << plan.name;
        for (QAction* entry : menu->actions()) {
            if (entry->objectName().contains(QLatin1String("sep"))) {
                EXPECT_TRUE(entry->isSeparator()) << entry->objectName().toStdString();
            }
        }
    }

    // Captions and keys; a menu entry that repeats a button is that button's command.
    for (const EntryPlan& plan : kEntries) {
        QAction* entry = commands.action(QLatin1String(plan.name));
        ASSERT_NE(entry, nullptr) << plan.name;
        EXPECT_EQ(entry->text(), QString::fromUtf8(plan.caption)) << plan.name;
        EXPECT_EQ(entry->shortcut(), plan.key) << plan.name;
        EXPECT_TRUE(entry->isVisible()) << plan.name;
        if (plan.button) {
            EXPECT_EQ(commands.action(QLatin1String(plan.button)), entry) << plan.button;
            auto* button = form->findChild<QToolButton*>(QLatin1String(plan.button));
            ASSERT_NE(button, nullptr) << plan.button;
            EXPECT_EQ(button->defaultAction(), entry) << plan.button;
        }
    }
    // No key is given to two commands.
    std::map<QString, QString> keys;
    for (QAction* command : commands.actions()) {
        const QString key = command->shortcut().toString();
        if (key.isEmpty())
            continue;
        EXPECT_TRUE(keys.emplace(key, command->objectName()).second)
            << key.toStdString() << " on " << command->objectName().toStdString() << " and "
            << keys[key].toStdString();
    }

    // The toolbar: five labelled groups, the tooltips exactly, every button a picture.
    for (const GroupPlan& group : kGroups) {
        auto* label = form->findChild<QLabel*>(QLatin1String(group.label));
        ASSERT_NE(label, nullptr) << group.label;
        EXPECT_EQ(label->text(), QLatin1String(group.caption));
        EXPECT_TRUE(label->isVisibleTo(form.get())) << group.label;
        for (const auto& [name, tooltip] : group.buttons) {
            auto* button = form->findChild<QToolButton*>(QLatin1String(name));
            ASSERT_NE(button, nullptr) << name;
            EXPECT_EQ(button->toolTip(), QLatin1String(tooltip)) << name;
            EXPECT_EQ(button->toolButtonStyle(), Qt::ToolButtonIconOnly) << name;
            EXPECT_FALSE(button->icon().pixmap(QSize(48, 48)).isNull()) << name;
        }
    }
    EXPECT_TRUE(form->findChild<QToolButton*>(QStringLiteral("InsertBackButton"))->isHidden());
    EXPECT_TRUE(form->findChild<QToolButton*>(QStringLiteral("ReLoginButton"))->isHidden());

    // Triggering each command with the library open. Each bound command is
    // checked by what it does; an unbound one is disabled, in its place, and listed.
    QLineEdit* title = form->titleBox();
    QSplitter* splitter = form->mainSplitter();
    const int margin = ScreenMetrics::toPixelsX(100, form.get());
    std::map<QString, std::function<std::function<bool()>()>> probes = {
        {"fobar", [&] { const auto n = dialogs.fileTitles.size(); return [&, n] { return dialogs.fileTitles.size() == n + 1; }; }},
        {"eubar", [&] { title->setText(QStringLiteral("typed")); title->setModified(true);
                        return [&] { return title->text() != QLatin1String("typed"); }; }},
        {"embar", [&] { const int n = addDialogs; return [&, n] { return addDialogs == n + 1; }; }},
        {"eevbar", [&] { const auto n = opener.opened.size(); return [&, n] { return opener.opened.size() == n + 1; }; }},
        {"pobar", [&] { const auto n = opener.opened.size(); return [&, n] { return opener.opened.size() == n + 1; }; }},
        {"eedbar", [&] { const int n = folderPicks; return [&, n] { return folderPicks == n + 1; }; }},
        {"pcbar", [&] { const int n = folderPicks; return [&, n] { return folderPicks == n + 1; }; }},
        {"elbar", [&] { return [&] { return position(*form) == 2; }; }},
        {"epbar", [&] { form->session().MoveLast(); return [&] { return position(*form) == 1; }; }},
        {"efbar", [&] { form->session().MoveLast(); return [&] { return position(*form) == 0; }; }},
        {"enbar", [&] { form->session().MoveFirst(); return [&] { return position(*form) == 1; }; }},
        {"erbar", [&] {
             MainRecord record;
             record.Title = QStringLiteral("Delta");
             EXPECT_TRUE(form->session().database()->insertRecord(record).ok());
             return [&] { return form->listModel()->rowCount() == 4; }; }},
        {"vlbar", [&] { return [&] { return splitter->sizes()[1] <= margin; }; }},
        {"vrbar", [&] { return [&] { return splitter->sizes()[0] <= margin; }; }},
        {"vsbar", [&] { return [&] { return std::abs(splitter->sizes()[0] - splitter->sizes()[1]) <= splitter->handleWidth() + 2; }; }},
        {"tpbar", [&] { const int n = configShown; return [&, n] { return configShown == n + 1; }; }},
        {"hhbar", [&] { const auto n = pages.size(); return [&, n] { return pages.size() == n + 1; }; }},
        {"habar", [&] { const int n = dialogs.aboutShown; return [&, n] { return dialogs.aboutShown == n + 1; }; }},
    };
    QStringList unbound;
    QStringList unchecked;
    ModalCloser closer;
    for (QAction* command : commands.actions()) {
        const QString name = command->objectName();
        if (name == QLatin1String("fxbar"))
            continue; // ends the window; last
        // The deletes would empty the list the moves below are checked on;
        // their own tests walk them.
        if (commands.isBound(name) && (name.contains(QLatin1String("Delete")) || name == QLatin1String("edbar") ||
                                       name == QLatin1String("pfdbar"))) {
            unchecked << name;
            continue;
        }
        if (!commands.isBound(name)) {
            EXPECT_FALSE(command->isEnabled()) << name.toStdString();
            EXPECT_EQ(command->isVisible(), !CommandRegistry::isShownOnDemand(name)) << name.toStdString();
            unbound << name;
            std::cout << "[ disabled ] " << name.toStdString() << "  \"" << command->text().toStdString()
                      << "\" (not carried out yet)\n";
            continue;
        }
        // The "Selected Files" entries act on rows the user selected.
        if (name.contains(QLatin1String("Selected")))
            form->gridMain()->selectRow(0);
        if (!command->isVisible()) {
            // Re-Login shows only for a protected library, re-insertion
            // only while a changed copy waits.
            EXPECT_TRUE(name == QLatin1String("ReLoginButton") || CommandRegistry::isShownOnDemand(name))
                << name.toStdString();
            continue;
        }
        EXPECT_TRUE(command->isEnabled()) << name.toStdString();
        const auto probe = probes.find(name);
        std::function<bool()> check = probe != probes.end() ? probe->second() : std::function<bool()>();
        int fired = 0;
        const auto connection = QObject::connect(command, &QAction::triggered, [&] { ++fired; });
        command->trigger();
        QApplication::processEvents();
        QObject::disconnect(connection);
        EXPECT_EQ(fired, 1) << name.toStdString();
        if (check) {
            EXPECT_TRUE(check()) << name.toStdString() << " did not reach its command";
        } else {
            unchecked << name;
        }
    }
    EXPECT_EQ(unbound, commands.unboundNames());
    std::cout << "[ unbound  ] " << unbound.size() << ": " << unbound.join(QLatin1Char(' ')).toStdString() << "\n";
    std::cout << "[ unprobed ] " << unchecked.join(QLatin1Char(' ')).toStdString() << "\n";
    // Those of this window are all carried out.
    for (const char* own : {"fobar", "eubar", "embar", "eevbar", "eedbar", "efbar", "epbar", "enbar", "elbar",
                            "erbar", "vlbar", "vsbar", "vrbar", "tpbar", "hhbar", "habar", "ReLoginButton"})
        EXPECT_FALSE(unbound.contains(QLatin1String(own))) << own;

    // The toolbar button runs the same command as its menu entry.
    const int shown = configShown;
    QTest::mouseClick(form->findChild<QToolButton*>(QStringLiteral("ConfigButton")), Qt::LeftButton);
    EXPECT_EQ(configShown, shown + 1);

    QObject::connect(form.get(), &MainForm::unloaded, [] {});
    form->command(QStringLiteral("fxbar"))->trigger();
    EXPECT_TRUE(form->isUnloaded());
}

TEST_F(CommandMapTest, NavigationKeysWorkFromATextFieldAndDelStaysWithIt)
{
    auto form = showLoaded(makeFilledLibrary());
    QLineEdit* title = form->titleBox();
    title->setFocus();
    QTest::keyClick(title, Qt::Key_F8);
    EXPECT_EQ(position(*form), 2);
    title->setFocus();
    QTest::keyClick(title, Qt::Key_F6);
    EXPECT_EQ(position(*form), 1);
    title->setFocus();
    QTest::keyClick(title, Qt::Key_F5);
    EXPECT_EQ(position(*form), 0);
    title->setFocus();
    QTest::keyClick(title, Qt::Key_F7);
    EXPECT_EQ(position(*form), 1);
    EXPECT_EQ(title->text(), QStringLiteral("Beta"));

    // Del deletes a character in a field and never the file.
    int deletes = 0;
    QObject::connect(form->command(QStringLiteral("edbar")), &QAction::triggered, [&] { ++deletes; });
    form->commands().bind(QStringLiteral("edbar"), form.get(), [] {});
    title->setFocus();
    title->home(false);
    QTest::keyClick(title, Qt::Key_Delete);
    EXPECT_EQ(title->text(), QStringLiteral("eta"));
    EXPECT_EQ(deletes, 0);
    // In the list it is the delete command.
    form->gridMain()->setFocus();
    QTest::keyClick(form->gridMain(), Qt::Key_Delete);
    EXPECT_EQ(deletes, 1);
}

TEST_F(CommandMapTest, AnEditorChoosingProgramSettingsIsDeniedAndNoDialogOpens)
{
    const QString path = makeFilledLibrary();
    protectLibrary(path, QStringLiteral("peek"), QStringLiteral("edit"), QStringLiteral("admin"));
    logins.queue(QStringLiteral("Editor"), QStringLiteral("edit"));
    auto form = load(path);
    ASSERT_EQ(state.AccessLevel, QStringLiteral("Editor"));

    form->command(QStringLiteral("tpbar"))->trigger();
    EXPECT_EQ(configShown, 0);
    EXPECT_EQ(dialogs.deniedLevels, QStringList{QStringLiteral("Editor")});
    form->command(QStringLiteral("ConfigButton"))->trigger();
    EXPECT_EQ(configShown, 0);
    EXPECT_EQ(dialogs.deniedLevels.size(), 2);
}

TEST_F(CommandMapTest, AnAdministratorGetsTheDialogOverTheDetailsPage)
{
    auto form = showLoaded(makeFilledLibrary());
    ASSERT_EQ(state.AccessLevel, QStringLiteral("Administrator"));
    form->detailTab()->setCurrentIndex(RecordPane::kPreviewPage);
    int pageBehind = -1;
    QString caption;
    onConfig = [&](ConfigForm& dialog) {
        pageBehind = form->detailTab()->currentIndex();
        caption = dialog.windowTitle();
    };
    form->command(QStringLiteral("tpbar"))->trigger();
    EXPECT_EQ(configShown, 1);
    EXPECT_EQ(configParent, form.get());
    EXPECT_EQ(pageBehind, RecordPane::kDetailsPage);
    EXPECT_EQ(caption, QStringLiteral("ZNT Configuration Settings"));
    EXPECT_TRUE(dialogs.deniedLevels.isEmpty());
}

TEST_F(CommandMapTest, HelpOpensTheManualOrSaysWhereItLooked)
{
    auto form = load(makeFilledLibrary());
    const QString expected = QDir(state.DataFolder()).filePath(QStringLiteral("HELP/INDEX.HTML"));

    form->command(QStringLiteral("HelpButton"))->trigger();
    EXPECT_TRUE(pages.isEmpty());
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().title, QStringLiteral("ZNT Notice"));
    EXPECT_TRUE(boxes.last().text.contains(expected)) << boxes.last().text.toStdString();

    writeManual();
    form->command(QStringLiteral("hhbar"))->trigger();
    EXPECT_EQ(pages, QList<QUrl>{QUrl::fromLocalFile(expected)});
    EXPECT_EQ(boxes.count(), 1);

    // A desktop with no browser: the user is told where the page is.
    ProgramCommands::setPageOpener([](const QUrl&) { return false; });
    form->command(QStringLiteral("hhbar"))->trigger();
    ASSERT_EQ(boxes.count(), 2);
    EXPECT_TRUE(boxes.last().text.contains(expected));
}

TEST(AboutForm, CarriesTheEmblemFromTheResources)
{
    AboutForm about(QStringLiteral("2.10.0019"));
    auto* picture = about.findChild<QLabel*>(QStringLiteral("PictureLabel"));
    ASSERT_NE(picture, nullptr);
    EXPECT_FALSE(picture->pixmap().isNull());
    EXPECT_GE(picture->pixmap().width(), 96);
}
