#include "ui/MainWindowHarness.h"

#include "ui/main/AboutForm.h"
#include "ui/main/MainForm.h"
#include "ui/common/MessageRecorder.h"
#include "ui/settings/ConfigForm.h"

#include <QApplication>
#include <QDir>
#include <QTabWidget>
#include <QTest>

using namespace zentaro;
using namespace zentaro::test;

namespace {

// Small files: the manual is copied into every program folder.
bool save(QWidget* widget, const QString& folder, const QString& name, int maxWidth)
{
    QPixmap picture = widget->grab();
    if (picture.width() > maxWidth)
        picture = picture.scaledToWidth(maxWidth, Qt::SmoothTransformation);
    return picture.save(QDir(folder).filePath(name), "PNG", 9);
}

} // namespace

// Run by scripts/screenshots, which passes the folder to write to; not part
// of the suite.
TEST(Screenshots, DISABLED_ForTheOwnersManual)
{
    const QString out = qEnvironmentVariable("ZENTARO_SCREENSHOT_DIR");
    ASSERT_FALSE(out.isEmpty()) << "ZENTARO_SCREENSHOT_DIR is not set";
    ASSERT_TRUE(QDir().mkpath(out));

    ProgramFolder folder;
    ProgramState state{folder.folder()};
    MessageRecorder boxes;
    ASSERT_TRUE(state.settingsFile().LoadConfig().ok());
    state.Settings.StartMaximized = false;
    const QString library = folder.path(QStringLiteral("Main Library.ZNT"));
    makeLibrary(library, {QStringLiteral("Annual report 2025"), QStringLiteral("Holiday pictures"),
                          QStringLiteral("Contract with the printer"), QStringLiteral("Meeting notes, March"),
                          QStringLiteral("Recipe collection"), QStringLiteral("Tax return")});
    state.CurrentLibraryPath = library;
    MainForm form(state);
    form.load();
    form.resize(960, 600);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.RestorePaneSizes();
    form.command(QStringLiteral("vsbar"))->trigger();
    QApplication::processEvents();
    EXPECT_TRUE(save(&form, out, QStringLiteral("mainform.png"), 800));
    EXPECT_TRUE(save(form.findChild<QWidget*>(QStringLiteral("ToolBarPanel")), out, QStringLiteral("toolbar.png"), 800));

    AboutForm about(state.FullVersionText);
    about.show();
    QApplication::processEvents();
    EXPECT_TRUE(save(&about, out, QStringLiteral("about.png"), 480));

    ConfigForm::Targets targets;
    targets.grid = form.gridMain();
    targets.model = form.listModel();
    // A path as a reader's own would look, not the run's temporary folder.
    state.Settings.DefaultLibrary = QStringLiteral("/home/you/Zentaro/Main Library.ZNT");
    ConfigForm config(state.Settings, targets);
    config.show();
    const char* names[] = {"config-general.png", "config-listview.png", "config-fileview.png"};
    for (int page = 0; page < 3; ++page) {
        config.pages()->setCurrentIndex(page);
        QApplication::processEvents();
        EXPECT_TRUE(save(&config, out, QLatin1String(names[page]), 640));
    }
}
