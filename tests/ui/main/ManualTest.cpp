#include "ui/main/CommandRegistry.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QSet>
#include <QTextDocument>
#include <QUrl>
#include <QWidget>

using namespace zentaro;

namespace {

const QString kHelpFolder = QStringLiteral(ZENTARO_TEST_BIN_DIR "/HELP");

QString readText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QStringList pages()
{
    return QDir(kHelpFolder).entryList({QStringLiteral("*.HTML")}, QDir::Files, QDir::Name);
}

// The words of the manual as a reader sees them, blanks collapsed.
QString plainText()
{
    QString all;
    for (const QString& name : pages()) {
        QTextDocument document;
        document.setHtml(readText(QDir(kHelpFolder).filePath(name)));
        all += document.toPlainText() + QLatin1Char('\n');
    }
    return all.simplified();
}

} // namespace

TEST(OwnersManual, IsInTheProgramFolderAfterABuildAndItsLinksResolve)
{
    ASSERT_TRUE(QFileInfo(kHelpFolder + QStringLiteral("/INDEX.HTML")).isFile()) << kHelpFolder.toStdString();
    const QStringList names = pages();
    EXPECT_GE(names.size(), 5);

    static const QRegularExpression reference(QStringLiteral("(?:href|src)=\"([^\"]+)\""));
    static const QRegularExpression anchor(QStringLiteral("id=\"([^\"]+)\""));
    QSet<QString> linkedFromIndex;
    int checked = 0;
    for (const QString& name : names) {
        const QString html = readText(QDir(kHelpFolder).filePath(name));
        EXPECT_TRUE(html.contains(QLatin1String("<title>"))) << name.toStdString();
        for (auto it = reference.globalMatch(html); it.hasNext();) {
            const QString link = it.next().captured(1);
            const QUrl url(link);
            if (!url.scheme().isEmpty())
                continue; // mail or web, not ours to check
            const QString target = url.path().isEmpty() ? name : url.path();
            const QString path = QDir(kHelpFolder).filePath(target);
            EXPECT_TRUE(QFileInfo(path).isFile()) << name.toStdString() << " -> " << link.toStdString();
            if (url.hasFragment()) {
                EXPECT_TRUE(readText(path).contains(QStringLiteral("id=\"%1\"").arg(url.fragment())))
                    << name.toStdString() << " -> " << link.toStdString();
            }
            if (name == QLatin1String("INDEX.HTML"))
                linkedFromIndex.insert(target);
            ++checked;
        }
        // No two places on a page share a name.
        QSet<QString> ids;
        for (auto it = anchor.globalMatch(html); it.hasNext();) {
            const QString id = it.next().captured(1);
            EXPECT_FALSE(ids.contains(id)) << name.toStdString() << " #" << id.toStdString();
            ids.insert(id);
        }
    }
    EXPECT_GT(checked, 20);
    for (const QString& name : names) {
        if (name != QLatin1String("INDEX.HTML")) {
            EXPECT_TRUE(linkedFromIndex.contains(name)) << name.toStdString() << " is not in the contents";
        }
    }
}

TEST(OwnersManual, NamesEveryCommandCaptionAndTooltip)
{
    QWidget window;
    CommandRegistry commands(&window);
    QMenuBar bar(&window);
    commands.buildMenuBar(&bar);
    const QString text = plainText();
    ASSERT_FALSE(text.isEmpty());

    QStringList wanted;
    const auto shown = [](QString caption) { return caption.remove(QLatin1Char('&')).trimmed(); };
    for (QAction* command : commands.actions()) {
        wanted << shown(command->text());
        if (!commands.buttonName(command->objectName()).isEmpty())
            wanted << shown(command->toolTip());
    }
    for (QAction* menu : bar.actions())
        wanted << shown(menu->text());
    for (const char* name : {"eebar", "psbar", "menuExtract", "menuExtractSelectedFiles", "menuExtractListedFiles",
                             "menuDelete", "pfbar", "ChangeColumnFieldbar"}) {
        QMenu* menu = commands.menu(QLatin1String(name));
        ASSERT_NE(menu, nullptr) << name;
        wanted << shown(menu->title());
    }
    QStringList missing;
    for (const QString& caption : wanted) {
        if (!text.contains(caption))
            missing << caption;
    }
    EXPECT_TRUE(missing.isEmpty()) << "not in the manual: " << missing.join(QStringLiteral(" | ")).toStdString();
    EXPECT_GT(wanted.size(), 60);

    // The settings, the access levels and the messages are explained too.
    for (const char* words :
         {"ZNT Configuration Settings", "Exclusive Mode (Increases performance but disables Network Support)",
          "Show Previewer Full Height", "Choose Default Library File", "Browser", "Editor", "Administrator",
          "Access Denied", "Nothing to Print", "ZNT Insertion Error", "Insufficient Drive Space to Extract",
          "ZNT looked for it here:", "Cancel (Esc)"})
        EXPECT_TRUE(text.contains(QLatin1String(words))) << words;
}
