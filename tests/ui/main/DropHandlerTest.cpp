#include "ui/MainWindowHarness.h"

#include "library/LibrarySession.h"
#include "search/ListModel.h"
#include "store/Recordset.h"
#include "transfer/AddFilesBatch.h"
#include "ui/main/MainForm.h"
#include "ui/common/MessageRecorder.h"
#include "ui/main/DropHandler.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace zentaro;
using namespace zentaro::test;

namespace {

class DropHandlerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.valid());
        ASSERT_TRUE(source.isValid());
        ASSERT_TRUE(state.settingsFile().LoadConfig().ok());
        state.Settings.StartMaximized = false;
    }

    std::unique_ptr<MainForm> load(const QString& path)
    {
        state.CurrentLibraryPath = path;
        auto form = std::make_unique<MainForm>(state);
        form->load();
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        return form;
    }

    QString makeFile(const QString& name, const QByteArray& bytes)
    {
        const QString path = QDir(source.path()).filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    // Drags the files over target and drops them there, as a file manager
    // would. Returns whether the drag was accepted.
    static bool dropOn(QWidget* target, const QStringList& files)
    {
        QMimeData mime;
        QList<QUrl> urls;
        for (const QString& file : files)
            urls << QUrl::fromLocalFile(file);
        mime.setUrls(urls);
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        EXPECT_TRUE(drop.isAccepted());
        EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
        return true;
    }

    static QStringList listedFileNames(MainForm& form)
    {
        QStringList names;
        Recordset* list = form.session().DCMain();
        for (int row = 0; row < list->recordCount(); ++row)
            names << list->recordAt(row)->FileName + QLatin1Char('.') + list->recordAt(row)->FileType;
        names.sort();
        return names;
    }

    ProgramFolder folder;
    ProgramState state{folder.folder()};
    QTemporaryDir source;
    MessageRecorder boxes;
    LoginScript logins;
    DialogScript dialogs;
};

} // namespace

TEST_F(DropHandlerTest, TwoFilesDroppedOnTheListBecomeTwoRecordsAndTheOriginalsStay)
{
    const QString path = folder.path(QStringLiteral("Books.ZNT"));
    makeLibrary(path, {QStringLiteral("One")});
    auto form = load(path);
    const QByteArray alphaBytes(70000, 'a');
    const QString alpha = makeFile(QStringLiteral("alpha.txt"), alphaBytes);
    const QString beta = makeFile(QStringLiteral("beta.dat"), QByteArray("beta bytes"));

    ASSERT_TRUE(dropOn(form->gridMain()->viewport(), {alpha, beta}));
    EXPECT_EQ(boxes.count(), 0) << boxes.last().text.toStdString();
    EXPECT_EQ(form->session().ListedCount(), 3);
    EXPECT_EQ(form->listModel()->rowCount(), 3);
    EXPECT_EQ(listedFileNames(*form),
              (QStringList{QStringLiteral("alpha.TXT"), QStringLiteral("beta.DAT"), QStringLiteral("file0.TXT")}));
    // A drop never removes what was dropped, whatever the add-files option says.
    EXPECT_TRUE(QFile::exists(alpha));
    EXPECT_TRUE(QFile::exists(beta));

    // The bytes went in whole.
    Recordset* list = form->session().DCMain();
    for (int row = 0; row < list->recordCount(); ++row) {
        list->setAbsolutePosition(row);
        if (list->currentRecord()->FileName == QStringLiteral("alpha")) {
            EXPECT_EQ(*list->storedSize(), alphaBytes.size());
        }
    }
}

TEST_F(DropHandlerTest, ADropOnAReadOnlyLibraryOrByABrowserAddsNothing)
{
    const QString file = makeFile(QStringLiteral("gamma.txt"), QByteArray("g"));

    const QString locked = folder.path(QStringLiteral("Locked.ZNT"));
    makeLibrary(locked, {QStringLiteral("One")});
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::ReadGroup);
    {
        auto form = load(locked);
        ASSERT_TRUE(state.LibraryReadOnly);
        boxes.clear();
        dropOn(form->gridMain()->viewport(), {file});
        ASSERT_EQ(boxes.count(), 1);
        EXPECT_EQ(boxes.last().title, AddFilesBatch::ReadOnlyNotice(state.NewLine).title);
        EXPECT_EQ(form->session().ListedCount(), 1);
    }

    const QString guarded = folder.path(QStringLiteral("Guarded.ZNT"));
    makeLibrary(guarded, {QStringLiteral("One")});
    protectLibrary(guarded, QStringLiteral(" "), QStringLiteral("e"), QStringLiteral("a"));
    auto form = load(guarded);
    ASSERT_EQ(state.AccessLevel, QStringLiteral("Browser"));
    dropOn(form->gridMain()->viewport(), {file});
    EXPECT_EQ(dialogs.deniedLevels, QStringList{QStringLiteral("Browser")});
    EXPECT_EQ(form->session().ListedCount(), 1);
    EXPECT_TRUE(QFile::exists(file));
}

TEST_F(DropHandlerTest, ALibraryDroppedOnTheWindowOpensIt)
{
    const QString first = folder.path(QStringLiteral("First.ZNT"));
    makeLibrary(first, {QStringLiteral("One")});
    const QString second = QDir(source.path()).filePath(QStringLiteral("Second.znt"));
    makeLibrary(second, {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    auto form = load(first);
    ASSERT_EQ(form->session().ListedCount(), 1);

    // Other files are taken only by the list.
    const QString plain = makeFile(QStringLiteral("note.txt"), QByteArray("n"));
    EXPECT_FALSE(dropOn(form.get(), {plain}));
    EXPECT_EQ(form->session().ListedCount(), 1);

    ASSERT_TRUE(dropOn(form.get(), {second}));
    EXPECT_EQ(state.CurrentLibraryPath, second);
    EXPECT_EQ(form->session().ListedCount(), 3);
    EXPECT_EQ(boxes.count(), 0);

    // Onto the list too it opens the library rather than storing the file.
    ASSERT_TRUE(dropOn(form->gridMain()->viewport(), {first}));
    EXPECT_EQ(state.CurrentLibraryPath, first);
    EXPECT_EQ(form->session().ListedCount(), 1);
}

TEST(DropHandler, OnlyLocalFilesAreTakenAndOneZntFileIsALibrary)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("a.txt"));
    QFile(file).open(QIODevice::WriteOnly);
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(file), QUrl::fromLocalFile(dir.path()), QUrl(QStringLiteral("https://x.org/b")),
                  QUrl::fromLocalFile(dir.filePath(QStringLiteral("missing.txt")))});
    EXPECT_EQ(DropHandler::droppedFiles(&mime), QStringList{file});
    EXPECT_EQ(DropHandler::droppedLibrary({QStringLiteral("/x/Lib.ZNT")}), QStringLiteral("/x/Lib.ZNT"));
    EXPECT_EQ(DropHandler::droppedLibrary({QStringLiteral("/x/lib.znt")}), QStringLiteral("/x/lib.znt"));
    EXPECT_TRUE(DropHandler::droppedLibrary({QStringLiteral("/x/a.ZNT"), QStringLiteral("/x/b.ZNT")}).isEmpty());
    EXPECT_TRUE(DropHandler::droppedLibrary({QStringLiteral("/x/a.txt")}).isEmpty());
}
