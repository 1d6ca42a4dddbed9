#include "transfer/TransferTestSupport.h"
#include "support/TrashHome.h"

#include "core/SettingsFile.h"
#include "ui/transfer/AddManyForm.h"
#include "ui/common/FolderBrowser.h"
#include "ui/common/MessageRecorder.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace zentaro;
using namespace zentaro::test;

namespace {

class AddManyFormTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        lib.state.Settings.AddFilesFolder = lib.filesFolder();
    }

    // Files n01.txt ... of size bytes each.
    void makeFiles(int count, qint64 size)
    {
        for (int i = 1; i <= count; ++i) {
            const QString name = QStringLiteral("n%1.txt").arg(i, 2, 10, QLatin1Char('0'));
            ASSERT_TRUE(writeBytes(lib.file(name), patternBytes(size, static_cast<quint32>(i))));
        }
    }

    std::unique_ptr<AddManyForm> makeForm(FreeSpace::Probe probe = &FreeSpace::SystemProbe)
    {
        auto form = std::make_unique<AddManyForm>(lib.state, lib.db, nullptr,
                                                  [this] {
                                                      ++saves;
                                                      return Status();
                                                  },
                                                  std::move(probe));
        form->show();
        return form;
    }

    void select(AddManyForm& form, std::initializer_list<int> rows)
    {
        for (int row : rows)
            form.fileList()->item(row)->setSelected(true);
    }

    std::vector<bool> selection(AddManyForm& form)
    {
        std::vector<bool> out;
        for (int i = 0; i < form.fileList()->count(); ++i)
            out.push_back(form.fileList()->item(i)->isSelected());
        return out;
    }

    TempLibrary lib;
    MessageRecorder boxes;
    int saves = 0;
};

} // namespace

TEST_F(AddManyFormTest, ShowsItsControlsAndOpensOnTheRememberedFolder)
{
    makeFiles(3, 10);
    ASSERT_TRUE(writeBytes(lib.file(QStringLiteral(".hidden")), "h"));
    lib.state.Settings.RemoveOriginals = true;
    auto form = makeForm();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Add File(s)"));
    EXPECT_EQ(form->folder(), lib.filesFolder());
    EXPECT_EQ(form->fileNames(),
              (QStringList{QStringLiteral("n01.txt"), QStringLiteral("n02.txt"), QStringLiteral("n03.txt")}));
    EXPECT_TRUE(form->deleteBox()->isChecked());
    EXPECT_EQ(form->okButton()->text(), QStringLiteral("Begin"));
    EXPECT_EQ(form->cancelButton()->text(), QStringLiteral("Cancel"));
    EXPECT_EQ(form->selectAllButton()->text(), QStringLiteral("Select All"));
    EXPECT_EQ(form->autoCap()->text(), QStringLiteral("Auto Capitalize Title"));
    EXPECT_EQ(form->autoCap()->toolTip(),
              QStringLiteral("Automatically capitalize the first letter of every word in the Title (By default "
                             "the title is the original file name)"));
    EXPECT_EQ(form->deleteBox()->text(), QStringLiteral("Remove original(s) after insertion"));
    EXPECT_FALSE(form->progressPanel()->isVisible());
    EXPECT_FALSE(form->cancelPanel()->isVisible());
    EXPECT_EQ(form->fileList()->selectionMode(), QAbstractItemView::ExtendedSelection);

    form->selectAllButton()->click();
    EXPECT_EQ(selection(*form), (std::vector<bool>{true, true, true}));
}

TEST_F(AddManyFormTest, AnUnusableRememberedFolderFallsBackToTheProgramFolder)
{
    lib.state.Settings.AddFilesFolder = lib.folder.path(QStringLiteral("gone/away"));
    auto form = makeForm();
    EXPECT_EQ(form->folder(), QDir::cleanPath(lib.folder.folder()));
    EXPECT_TRUE(form->fileNames().contains(QStringLiteral("Test.ZNT")));
}

TEST_F(AddManyFormTest, TenListedTwoSelectedAddsExactlyTwoAndDeselectsThem)
{
    makeFiles(10, 100);
    auto form = makeForm();
    ASSERT_EQ(form->fileList()->count(), 10);
    select(*form, {2, 6});
    form->authorBox()->setText(QStringLiteral("Ann"));
    form->keywordsBox()->setText(QStringLiteral("k1"));
    form->notesBox()->setPlainText(QStringLiteral("shared notes"));
    form->autoCap()->setChecked(true);

    // While the batch runs, the inputs are locked and the bars are showing.
    bool lockedDuringRun = true;
    QObject::connect(form.get(), &AddManyForm::currentFileChanged, [&] {
        lockedDuringRun = lockedDuringRun && !form->okButton()->isEnabled() && !form->fileList()->isEnabled() &&
                          !form->authorBox()->isEnabled() && !form->deleteBox()->isEnabled() &&
                          !form->selectAllButton()->isEnabled() && form->progressPanel()->isVisible() &&
                          form->cancelButton()->isEnabled();
    });
    form->okButton()->click();

    EXPECT_TRUE(lockedDuringRun);
    EXPECT_EQ(*lib.db->countMain(), 2);
    EXPECT_EQ(selection(*form), std::vector<bool>(10, false));
    EXPECT_EQ(form->allFilesGauge()->value(), 100);
    EXPECT_EQ(form->fileLabel()->text(), QStringLiteral("n07.txt"));
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->result(), QDialog::Accepted);
    EXPECT_EQ(boxes.count(), 0);
    for (qint64 id : form->report().added) {
        const MainRecord r = *lib.db->loadRecord(id);
        EXPECT_EQ(r.Author, QStringLiteral("Ann"));
        EXPECT_EQ(r.Keywords, QStringLiteral("k1"));
        EXPECT_EQ(r.Notes, QStringLiteral("shared notes"));
        EXPECT_EQ(r.Title, r.FileName.toUpper().left(1) + r.FileName.mid(1));
    }
    EXPECT_EQ(lib.state.Settings.AddFilesFolder, lib.filesFolder());
}

TEST_F(AddManyFormTest, CancelDuringTheThirdOfFiveStoresItAndHalts)
{
    makeFiles(5, 1500000);
    auto form = makeForm();
    form->selectAllButton()->click();
    form->deleteBox()->setChecked(true);

    bool panelShown = false;
    bool clicked = false;
    QObject::connect(form->fileGauge(), &QProgressBar::valueChanged, [&](int value) {
        if (form->fileLabel()->text() == QStringLiteral("n03.txt") && value >= 50 && value < 100 && !clicked) {
            clicked = true;
            form->cancelButton()->click();
            panelShown = form->cancelPanel()->isVisible();
        }
    });
    form->okButton()->click();

    EXPECT_TRUE(panelShown);
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().title, QStringLiteral("ZNT Stopped"));
    EXPECT_EQ(boxes.last().icon, MessageIcon::Critical);
    EXPECT_TRUE(boxes.last().text.startsWith(QStringLiteral("Insertion Procedure Halted - USER REQUESTED")));
    EXPECT_EQ(*lib.db->countMain(), 3);
    const MainRecord third = *lib.db->loadRecord(form->report().added.at(2));
    EXPECT_EQ(third.FileName, QStringLiteral("n03"));
    EXPECT_EQ(storedBytes(*lib.db, third.MainID), patternBytes(1500000, 3));
    // What is still to do shows as selected, and those originals are untouched.
    EXPECT_EQ(selection(*form), (std::vector<bool>{false, false, false, true, true}));
    EXPECT_FALSE(QFileInfo::exists(lib.file(QStringLiteral("n03.txt"))));
    EXPECT_TRUE(QFileInfo::exists(lib.file(QStringLiteral("n04.txt"))));
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->cancelPanel()->isVisible());
    EXPECT_TRUE(form->okButton()->isEnabled());
}

TEST_F(AddManyFormTest, ATypedPathListsItsFilesAndOneToAFileSelectsIt)
{
    makeFiles(3, 10);
    const QString other = lib.folder.path(QStringLiteral("other"));
    ASSERT_TRUE(QDir().mkpath(other));
    ASSERT_TRUE(writeBytes(other + QStringLiteral("/x.txt"), "x"));
    auto form = makeForm();
    auto* pathBox = form->findChild<QLineEdit*>(QStringLiteral("FolderPathBox"));
    ASSERT_NE(pathBox, nullptr);

    // Enter in the box goes there; it does not begin.
    pathBox->setText(other);
    QTest::keyClick(pathBox, Qt::Key_Return);
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->insertionRan());
    EXPECT_EQ(form->folder(), QDir::cleanPath(other));
    EXPECT_EQ(form->fileNames(), QStringList{QStringLiteral("x.txt")});

    // A file: its folder, with that file alone selected.
    pathBox->setText(lib.file(QStringLiteral("n02.txt")));
    QTest::keyClick(pathBox, Qt::Key_Return);
    EXPECT_EQ(form->folder(), lib.filesFolder());
    EXPECT_EQ(selection(*form), (std::vector<bool>{false, true, false}));

    // A path that is not there: said so; the lists and the selection stay.
    pathBox->setText(lib.file(QStringLiteral("gone")));
    QTest::keyClick(pathBox, Qt::Key_Return);
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_TRUE(boxes.last().text.contains(lib.file(QStringLiteral("gone"))));
    EXPECT_EQ(form->folder(), lib.filesFolder());
    EXPECT_EQ(selection(*form), (std::vector<bool>{false, true, false}));

    // "Begin" with a typed path not yet gone to shows that folder instead of adding.
    pathBox->setText(other);
    form->okButton()->click();
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->folder(), QDir::cleanPath(other));
    EXPECT_EQ(*lib.db->countMain(), 0);
}

TEST_F(AddManyFormTest, CancelBeforeBeginClosesAndAddsNothing)
{
    makeFiles(2, 10);
    auto form = makeForm();
    form->selectAllButton()->click();
    form->cancelButton()->click();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->result(), QDialog::Rejected);
    EXPECT_FALSE(form->insertionRan());
    EXPECT_EQ(*lib.db->countMain(), 0);
    EXPECT_EQ(lib.state.Settings.AddFilesFolder, lib.filesFolder());
}

TEST_F(AddManyFormTest, NotEnoughSpaceShowsCannotInsertAndCloses)
{
    makeFiles(3, 1000);
    auto form = makeForm([](const QString&) { return std::optional<qint64>(999); });
    form->selectAllButton()->click();
    form->okButton()->click();
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().title, QStringLiteral("Cannot Insert"));
    EXPECT_EQ(boxes.last().text, QStringLiteral("Insufficient Drive Space to Insert"));
    EXPECT_EQ(boxes.last().icon, MessageIcon::Exclamation);
    EXPECT_EQ(*lib.db->countMain(), 0);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->report().ending.status.code(), ErrorCode::DiskFull);
}

TEST_F(AddManyFormTest, RemoveOriginalsIsSavedAtEveryClick)
{
    auto form = makeForm();
    EXPECT_FALSE(form->deleteBox()->isChecked());
    form->deleteBox()->click();
    EXPECT_TRUE(lib.state.Settings.RemoveOriginals);
    EXPECT_EQ(saves, 1);
    form->deleteBox()->click();
    EXPECT_FALSE(lib.state.Settings.RemoveOriginals);
    EXPECT_EQ(saves, 2);
}

TEST_F(AddManyFormTest, TheDefaultSaverWritesTheSettingsFile)
{
    {
        AddManyForm form(lib.state, lib.db);
        form.show();
        form.deleteBox()->click();
        form.setFolder(lib.folder.folder());
        form.reject();
    }
    EXPECT_EQ(lib.state.Settings.AddFilesFolder, QDir::cleanPath(lib.folder.folder()));
    const SettingsRecord saved = SettingsFile::decode(readBytes(lib.state.SettingsFilePath));
    EXPECT_TRUE(saved.RemoveOriginals);

    // Reopened, the dialog shows the box as last clicked and the last folder.
    AddManyForm again(lib.state, lib.db);
    EXPECT_TRUE(again.deleteBox()->isChecked());
    EXPECT_EQ(again.folder(), QDir::cleanPath(lib.folder.folder()));
}

TEST_F(AddManyFormTest, RemovedOriginalsGoToTheTrashAndOnlyOthersAreNamed)
{
    TrashHome home;
    makeFiles(2, 10);
    lib.state.Settings.RemoveOriginals = true;
    auto form = makeForm();
    EXPECT_TRUE(form->deleteBox()->isChecked());
    EXPECT_TRUE(form->deleteBox()->toolTip().contains(QStringLiteral("trash")));
    select(*form, {0});
    form->okButton()->click();
    EXPECT_EQ(boxes.count(), 0);
    EXPECT_FALSE(QFileInfo::exists(lib.file(QStringLiteral("n01.txt"))));
    EXPECT_EQ(readBytes(home.trashedFile(QStringLiteral("n01.txt"))), patternBytes(10, 1));

    // Where there is no trash the user learns which originals are gone for good.
    home.takeTheTrashAway();
    auto again = makeForm();
    select(*again, {0});
    again->okButton()->click();
    EXPECT_FALSE(QFileInfo::exists(lib.file(QStringLiteral("n02.txt"))));
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().title, QStringLiteral("ZNT Notice"));
    EXPECT_TRUE(boxes.last().text.contains(lib.file(QStringLiteral("n02.txt"))));
}

TEST_F(AddManyFormTest, ListsAndAddsAFileWhoseNameIsNotUtf8)
{
    makeFiles(1, 10);
    ASSERT_TRUE(writeNativeFile(lib.filesFolder(), QByteArray("caf\xe9.txt"), "coffee"));
    auto form = makeForm();
    EXPECT_EQ(form->fileNames(), (QStringList{QStringLiteral("café.txt"), QStringLiteral("n01.txt")}));
    select(*form, {0});
    form->okButton()->click();
    EXPECT_EQ(boxes.count(), 0);
    ASSERT_EQ(form->report().added.size(), 1);
    const MainRecord r = *lib.db->loadRecord(form->report().added[0]);
    EXPECT_EQ(r.FileName, QStringLiteral("café"));
    EXPECT_EQ(r.FileSize, 6);
    EXPECT_EQ(storedBytes(*lib.db, r.MainID), QByteArray("coffee"));
}
