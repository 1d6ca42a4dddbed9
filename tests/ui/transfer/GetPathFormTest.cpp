#include "ui/ModalDriver.h"

#include "core/PathText.h"
#include "ui/QtPrinters.h"
#include "ui/common/FolderBrowser.h"
#include "ui/transfer/GetPathForm.h"
#include "ui/common/MessageRecorder.h"
#include "ui/common/MountedDrives.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace zentaro;
using zentaro::test::ModalDriver;

namespace {

// tmp/alpha, tmp/beta/inner and a file that must not be listed.
class Tree
{
public:
    Tree()
    {
        QDir root(m_dir.path());
        root.mkpath(QStringLiteral("alpha"));
        root.mkpath(QStringLiteral("beta/inner"));
        QFile file(root.filePath(QStringLiteral("note.txt")));
        file.open(QIODevice::WriteOnly);
    }
    QString path() const { return QDir::cleanPath(m_dir.path()); }
    QString path(const QString& relative) const { return PathText::join(path(), relative); }

private:
    QTemporaryDir m_dir;
};

void doubleClick(QListWidget* list, const QString& name)
{
    // The list lays out its items on the next pass of the event loop.
    QApplication::processEvents();
    const QList<QListWidgetItem*> found = list->findItems(name, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << name.toStdString();
    list->scrollToItem(found.first());
    const QPoint at = list->visualItemRect(found.first()).center();
    // A real double-click is a click followed by the double-click event.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

} // namespace

TEST(GetPathForm, ListsTheFoldersOfTheCurrentFolder)
{
    Tree tree;
    GetPathForm form(tree.path(), QString());
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Select Path"));
    EXPECT_EQ(form.okButton()->text(), QStringLiteral("OK"));
    EXPECT_EQ(form.cancelButton()->text(), QStringLiteral("Cancel"));
    EXPECT_EQ(form.browser()->folder(), tree.path());
    EXPECT_EQ(form.browser()->entries(), (QStringList{QStringLiteral(".."), QStringLiteral("alpha"), QStringLiteral("beta")}));
}

TEST(GetPathForm, DoubleClickEntersAndDotDotGoesUp)
{
    Tree tree;
    GetPathForm form(tree.path(), QString());
    form.show();
    QListWidget* list = form.browser()->folderList();

    doubleClick(list, QStringLiteral("beta"));
    EXPECT_EQ(form.browser()->folder(), tree.path(QStringLiteral("beta")));
    EXPECT_EQ(form.browser()->entries(), (QStringList{QStringLiteral(".."), QStringLiteral("inner")}));

    doubleClick(list, QStringLiteral("inner"));
    EXPECT_EQ(form.chosenFolder(), tree.path(QStringLiteral("beta/inner")));
    EXPECT_EQ(form.browser()->entries(), QStringList{QStringLiteral("..")});

    doubleClick(list, QStringLiteral(".."));
    doubleClick(list, QStringLiteral(".."));
    EXPECT_EQ(form.chosenFolder(), tree.path());
}

TEST(GetPathForm, PickReturnsTheFolderEnteredWithTheKeyboard)
{
    Tree tree;
    ModalDriver<GetPathForm> driver([](GetPathForm* form) {
        QListWidget* list = form->browser()->folderList();
        list->setCurrentItem(list->findItems(QStringLiteral("beta"), Qt::MatchExactly).first());
        // Enter opens the folder and must not also press OK.
        QTest::keyClick(list, Qt::Key_Return);
        ASSERT_TRUE(form->isVisible());
        list->setCurrentItem(list->findItems(QStringLiteral("inner"), Qt::MatchExactly).first());
        QTest::keyClick(list, Qt::Key_Return);
        QTest::keyClick(list, Qt::Key_Backspace);
        form->okButton()->click();
    });
    const std::optional<QString> chosen = GetPathForm::pick(nullptr, tree.path());
    ASSERT_TRUE(driver.ran());
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(*chosen, tree.path(QStringLiteral("beta")));
    EXPECT_EQ(PathText::join(*chosen, QStringLiteral("a.txt")), tree.path(QStringLiteral("beta")) + QStringLiteral("/a.txt"));
}

TEST(GetPathForm, EnterInTheFolderListOpensEvenDotDotAndOnlyOKAnswers)
{
    Tree tree;
    ModalDriver<GetPathForm> driver([&tree](GetPathForm* form) {
        QListWidget* list = form->browser()->folderList();
        list->setFocus();
        // Where the keyboard focus lands: on "..", with no highlight.
        list->setCurrentRow(0, QItemSelectionModel::NoUpdate);
        ASSERT_EQ(list->currentItem()->text(), QStringLiteral(".."));
        QTest::keyClick(list, Qt::Key_Return);
        ASSERT_TRUE(form->isVisible());
        EXPECT_EQ(form->browser()->folder(), tree.path());
        // Up again on the folder it came from: Enter goes back in.
        QTest::keyClick(list, Qt::Key_Return);
        ASSERT_TRUE(form->isVisible());
        EXPECT_EQ(form->browser()->folder(), tree.path(QStringLiteral("beta")));
        // Enter away from the folder list answers the dialog.
        form->okButton()->setFocus();
        QTest::keyClick(form->okButton(), Qt::Key_Return);
    });
    const std::optional<QString> chosen = GetPathForm::pick(nullptr, tree.path(QStringLiteral("beta")));
    ASSERT_TRUE(driver.ran());
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(*chosen, tree.path(QStringLiteral("beta")));
}

TEST(GetPathForm, ATypedPathIsGoneToAndABadOneIsReportedWithoutMoving)
{
    Tree tree;
    MessageRecorder recorder;
    GetPathForm form(tree.path(), QString());
    form.show();
    auto* pathBox = form.findChild<QLineEdit*>(QStringLiteral("FolderPathBox"));
    auto* go = form.findChild<QPushButton*>(QStringLiteral("GoButton"));
    ASSERT_NE(pathBox, nullptr);
    ASSERT_NE(go, nullptr);
    EXPECT_EQ(pathBox->text(), tree.path());

    // Enter in the box goes there and does not answer the dialog.
    pathBox->setText(tree.path(QStringLiteral("beta/inner")));
    QTest::keyClick(pathBox, Qt::Key_Return);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.chosenFolder(), tree.path(QStringLiteral("beta/inner")));
    EXPECT_EQ(form.browser()->entries(), QStringList{QStringLiteral("..")});
    EXPECT_EQ(pathBox->text(), tree.path(QStringLiteral("beta/inner")));

    // Missing, or a file: said so, naming the path; nothing moves.
    for (const QString& bad : {tree.path(QStringLiteral("gone")), tree.path(QStringLiteral("note.txt"))}) {
        const int before = recorder.count();
        pathBox->setText(bad);
        go->click();
        ASSERT_EQ(recorder.count(), before + 1);
        EXPECT_EQ(recorder.last().title, QStringLiteral("ZNT Error"));
        EXPECT_TRUE(recorder.last().text.contains(bad)) << recorder.last().text.toStdString();
        EXPECT_EQ(form.chosenFolder(), tree.path(QStringLiteral("beta/inner")));
        EXPECT_EQ(form.browser()->entries(), QStringList{QStringLiteral("..")});
    }

    // A pasted path may come quoted and with blanks; a relative one is taken from the folder shown.
    pathBox->setText(QStringLiteral(" \"") + tree.path(QStringLiteral("alpha")) + QStringLiteral("\" "));
    go->click();
    EXPECT_EQ(form.chosenFolder(), tree.path(QStringLiteral("alpha")));
    pathBox->setText(QStringLiteral("../beta"));
    go->click();
    EXPECT_EQ(form.chosenFolder(), tree.path(QStringLiteral("beta")));
    EXPECT_EQ(recorder.count(), 2);
}

TEST(GetPathForm, OKTakesAPathTypedButNotYetGoneTo)
{
    Tree tree;
    ModalDriver<GetPathForm> driver([&tree](GetPathForm* form) {
        auto* pathBox = form->findChild<QLineEdit*>(QStringLiteral("FolderPathBox"));
        ASSERT_NE(pathBox, nullptr);
        pathBox->setText(tree.path(QStringLiteral("alpha")));
        form->okButton()->click();
    });
    const std::optional<QString> chosen = GetPathForm::pick(nullptr, tree.path(QStringLiteral("beta")));
    ASSERT_TRUE(driver.ran());
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(*chosen, tree.path(QStringLiteral("alpha")));
}

TEST(GetPathForm, CancelGivesNothing)
{
    Tree tree;
    ModalDriver<GetPathForm> driver([](GetPathForm* form) { form->cancelButton()->click(); });
    EXPECT_FALSE(GetPathForm::pick(nullptr, tree.path()).has_value());
    EXPECT_TRUE(driver.ran());
}

TEST(GetPathForm, ChosenFolderNeverEndsInASeparator)
{
    Tree tree;
    GetPathForm untidy(tree.path() + QStringLiteral("//beta/"), QString());
    EXPECT_EQ(untidy.chosenFolder(), tree.path(QStringLiteral("beta")));

    // The root stays "/", so joining a name gives one separator, not two and not none.
    GetPathForm root(QStringLiteral("/"), QString());
    EXPECT_EQ(root.chosenFolder(), QStringLiteral("/"));
    EXPECT_FALSE(root.browser()->entries().contains(QStringLiteral("..")));
    EXPECT_EQ(PathText::join(root.chosenFolder(), QStringLiteral("report.doc")), QStringLiteral("/report.doc"));

    GetPathForm nearRoot(tree.path(), QString());
    while (nearRoot.chosenFolder() != QStringLiteral("/"))
        nearRoot.browser()->enterEntry(QStringLiteral(".."));
    EXPECT_EQ(nearRoot.chosenFolder(), QStringLiteral("/"));
}

TEST(GetPathForm, UnusableStartFolderFallsBack)
{
    Tree tree;
    GetPathForm missing(tree.path(QStringLiteral("gone")), tree.path(QStringLiteral("alpha")));
    EXPECT_EQ(missing.chosenFolder(), tree.path(QStringLiteral("alpha")));

    // A file is no folder either; with no usable fallback the home folder is next.
    GetPathForm file(tree.path(QStringLiteral("note.txt")), tree.path(QStringLiteral("gone")));
    EXPECT_EQ(file.chosenFolder(), QDir::cleanPath(QDir::homePath()));

    GetPathForm empty(QString(), tree.path(QStringLiteral("beta")));
    EXPECT_EQ(empty.chosenFolder(), tree.path(QStringLiteral("beta")));
}

TEST(GetPathForm, DriveListFollowsTheFolderAndRemembersEachDrivesFolder)
{
    Tree tree;
    GetPathForm form(tree.path(), QString());
    FolderBrowser* browser = form.browser();
    // Pretend alpha is a mounted file system of its own.
    const QString alphaDrive = tree.path(QStringLiteral("alpha"));
    browser->setDriveRoots({QStringLiteral("/"), alphaDrive});
    EXPECT_EQ(browser->driveCombo()->currentText(), QStringLiteral("/"));

    browser->enterEntry(QStringLiteral("alpha"));
    EXPECT_EQ(browser->driveCombo()->currentText(), alphaDrive);
    browser->enterEntry(QStringLiteral(".."));
    EXPECT_EQ(browser->driveCombo()->currentText(), QStringLiteral("/"));
    browser->enterEntry(QStringLiteral("beta"));

    // Picking a drive in the list goes to the folder last shown on it.
    form.show();
    QComboBox* drives = browser->driveCombo();
    drives->setFocus();
    QTest::keyClick(drives, Qt::Key_Down);
    EXPECT_EQ(browser->folder(), alphaDrive);
    QTest::keyClick(drives, Qt::Key_Up);
    EXPECT_EQ(browser->folder(), tree.path(QStringLiteral("beta")));
}

TEST(GetPathForm, DriveThatIsNotReadyIsReportedAndTheListGoesBack)
{
    Tree tree;
    MessageRecorder recorder;
    GetPathForm form(tree.path(QStringLiteral("beta")), tree.path(QStringLiteral("alpha")));
    const QString gone = tree.path(QStringLiteral("unplugged"));
    form.browser()->setDriveRoots({QStringLiteral("/"), gone});

    form.browser()->chooseDrive(gone);
    ASSERT_EQ(recorder.count(), 1);
    EXPECT_EQ(recorder.last().title, QStringLiteral("ZNT Error"));
    EXPECT_EQ(recorder.last().icon, MessageIcon::Exclamation);
    EXPECT_TRUE(recorder.last().text.contains(gone));
    EXPECT_TRUE(recorder.last().text.contains(qt_error_string(ENOENT))) << recorder.last().text.toStdString();
    // Back on the program folder's drive, in the program folder.
    EXPECT_EQ(form.chosenFolder(), tree.path(QStringLiteral("alpha")));
    EXPECT_EQ(form.browser()->driveCombo()->currentText(), QStringLiteral("/"));
}

TEST(GetPathForm, FolderRemovedAfterListingIsReportedAndDropped)
{
    Tree tree;
    MessageRecorder recorder;
    GetPathForm form(tree.path(), QString());
    form.show();
    ASSERT_TRUE(QDir(tree.path(QStringLiteral("alpha"))).removeRecursively());

    doubleClick(form.browser()->folderList(), QStringLiteral("alpha"));
    ASSERT_EQ(recorder.count(), 1);
    EXPECT_EQ(recorder.last().title, QStringLiteral("ZNT Error"));
    EXPECT_EQ(form.chosenFolder(), tree.path());
    EXPECT_EQ(form.browser()->entries(), (QStringList{QStringLiteral(".."), QStringLiteral("beta")}));
}

TEST(MountedDrives, DriveOfAFolderRespectsPathBoundaries)
{
    const QStringList roots{QStringLiteral("/"), QStringLiteral("/media/usb"), QStringLiteral("/media/usb/inner")};
    EXPECT_EQ(MountedDrives::driveOf(QStringLiteral("/media/usb2/x"), roots), QStringLiteral("/"));
    EXPECT_EQ(MountedDrives::driveOf(QStringLiteral("/media/usb"), roots), QStringLiteral("/media/usb"));
    EXPECT_EQ(MountedDrives::driveOf(QStringLiteral("/media/usb/a/b"), roots), QStringLiteral("/media/usb"));
    EXPECT_EQ(MountedDrives::driveOf(QStringLiteral("/media/usb/inner/"), roots), QStringLiteral("/media/usb/inner"));
    EXPECT_EQ(MountedDrives::driveOf(QStringLiteral("/home"), {QStringLiteral("/media/usb")}), QString());
}

TEST(MountedDrives, ListsTheRootFirstAndNoKernelFileSystems)
{
    const QStringList roots = MountedDrives::roots();
    ASSERT_FALSE(roots.isEmpty());
    EXPECT_EQ(roots.first(), QStringLiteral("/"));
    EXPECT_EQ(roots.count(QStringLiteral("/")), 1);
    for (const QString& root : roots) {
        EXPECT_FALSE(root.startsWith(QStringLiteral("/proc"))) << root.toStdString();
        EXPECT_FALSE(root.startsWith(QStringLiteral("/sys"))) << root.toStdString();
        EXPECT_FALSE(root.startsWith(QStringLiteral("/dev"))) << root.toStdString();
    }
}
