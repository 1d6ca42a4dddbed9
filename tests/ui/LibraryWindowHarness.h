#pragma once

#include "MainWindowHarness.h"

#include "library/LibrarySession.h"
#include "store/Recordset.h"
#include "ui/main/MainForm.h"
#include "ui/common/MessageRecorder.h"
#include "ui/library/LibraryCommands.h"

#include <QAction>
#include <QStringList>

#include <memory>

namespace zentaro::test {

// A main window on a library in a program folder of its own, with every
// dialog of the library commands answered.
class LibraryWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.valid());
        SettingsFile settings(state.Settings, state.settingsPlace());
        ASSERT_TRUE(settings.LoadConfig().ok());
        state.Settings.StartMaximized = false;
        state.Settings.LibraryFolder = folder.folder();
        state.NewLine = QStringLiteral("\r\n");
    }

    QString library(const QString& name) const { return folder.path(name + QStringLiteral(".ZNT")); }

    std::unique_ptr<MainForm> load(const QString& path)
    {
        state.CurrentLibraryPath = path;
        auto form = std::make_unique<MainForm>(state);
        commands = form->findChild<LibraryCommands*>(QStringLiteral("LibraryCommands"));
        EXPECT_NE(commands, nullptr);
        if (commands) {
            commands->setSaveFileChooser([this](QWidget*, const QString& title, const QString& start) {
                saveTitles << title;
                saveFolders << start;
                return saveAnswers.isEmpty() ? QString() : saveAnswers.takeFirst();
            });
            commands->setHasherLimits(PasswordHasher::Limits::Fastest());
        }
        form->load();
        return form;
    }

    static void run(MainForm& form, const QString& name)
    {
        QAction* action = form.command(name);
        ASSERT_NE(action, nullptr) << name.toStdString();
        ASSERT_TRUE(action->isEnabled()) << name.toStdString();
        action->trigger();
    }

    static QStringList titlesIn(const QString& path)
    {
        QStringList out;
        auto db = Database::open(path, {.exclusive = false, .readOnly = true, .busyTimeoutMs = 5000});
        EXPECT_TRUE(db.ok()) << db.message().toStdString();
        if (!db)
            return out;
        auto all = Recordset::open(*db, QStringLiteral("SELECT * FROM Main ORDER BY MainID"));
        for (int i = 0; all && i < (*all)->recordCount(); ++i)
            out << (*all)->recordAt(i)->Title;
        return out;
    }

    static ConfigRow configIn(const QString& path)
    {
        auto db = Database::open(path, {.exclusive = false, .readOnly = true, .busyTimeoutMs = 5000});
        EXPECT_TRUE(db.ok()) << db.message().toStdString();
        if (!db)
            return {};
        auto row = (*db)->loadConfig();
        EXPECT_TRUE(row.ok());
        return row ? *row : ConfigRow{};
    }

    ProgramFolder folder;
    ProgramState state{folder.folder()};
    MessageRecorder boxes;
    LoginScript logins;
    DialogScript dialogs;
    LibraryCommands* commands = nullptr;
    QStringList saveAnswers; // chosen in turn; none left = Cancel
    QStringList saveTitles;
    QStringList saveFolders;
};

} // namespace zentaro::test
