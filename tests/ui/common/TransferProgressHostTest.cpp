#include "transfer/TransferTestSupport.h"

#include "transfer/FileExtractor.h"
#include "transfer/FileInserter.h"
#include "ui/common/MGCForm.h"
#include "ui/common/MGForm.h"
#include "ui/common/TransferProgressHost.h"

#include <QFileInfo>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

using namespace zentaro;
using namespace zentaro::test;

TEST(TransferProgressHost, ShowsTheRightWindowAndCancelReachesTheState)
{
    ProgramState state(QStringLiteral("/tmp"));
    QWidget main;
    main.show();
    TransferProgressHost host(state, &main);

    Progress& plain = host.OpenProgress(QStringLiteral("Inserting File..."), false);
    ASSERT_TRUE(qobject_cast<MGForm*>(host.window()));
    EXPECT_TRUE(host.window()->isVisible());
    EXPECT_EQ(host.window()->text(), QStringLiteral("Inserting File..."));
    EXPECT_FALSE(plain.cancelRequested());
    host.CloseProgress();
    EXPECT_EQ(host.window(), nullptr);

    Progress& cancellable = host.OpenProgress(QStringLiteral("Extracting File..."), true);
    auto* form = qobject_cast<MGCForm*>(host.window());
    ASSERT_TRUE(form);
    EXPECT_EQ(form->windowModality(), Qt::ApplicationModal);
    form->cancelButton()->click();
    EXPECT_TRUE(cancellable.cancelRequested());
    EXPECT_TRUE(host.cancelRequested());
    host.CloseProgress();
    host.CloseProgress(); // twice is harmless
}

TEST(TransferProgressHost, CancelInTheWindowStopsAnExtractionAndLeavesNoFile)
{
    TempLibrary lib;
    const QString source = lib.file(QStringLiteral("big.bin"));
    ASSERT_TRUE(writeBytes(source, patternBytes(6000000, 4)));
    lib.state.CurrentFilePath = source;
    NullProgress quiet;
    FileInserter inserter(lib.settings(), lib.db);
    Result<qint64> stored = inserter.InsertData(source, {}, quiet);
    ASSERT_TRUE(stored.ok());
    const MainRecord record = *lib.db->loadRecord(*stored);

    QWidget main;
    main.show();
    TransferProgressHost host(lib.state, &main);
    bool clicked = false;
    // Runs at the extraction's first look at pending events, window open.
    QTimer::singleShot(0, [&] {
        if (auto* form = qobject_cast<MGCForm*>(host.window())) {
            form->cancelButton()->click();
            clicked = true;
        }
    });
    const QString target = lib.file(QStringLiteral("big.BIN"));
    QFile::remove(source);
    FileExtractor extractor(lib.settings(), lib.db);
    const Result<ExtractedFile> extracted = extractor.ExtractFile(record, target, host);
    EXPECT_TRUE(clicked);
    EXPECT_TRUE(extracted.cancelled());
    // The Cancel stands for the rest of the work.
    EXPECT_TRUE(host.cancelRequested());
    EXPECT_FALSE(QFileInfo::exists(target));
    EXPECT_EQ(host.window(), nullptr);
}

TEST(TransferProgressHost, InABulkRunTheWindowWithCancelStaysOpenFromFileToFile)
{
    ProgramState state(QStringLiteral("/tmp"));
    QWidget main;
    main.show();
    TransferProgressHost host(state, &main);
    host.holdWindow(true);
    host.begin(QStringLiteral("Extracting File..."), true);
    ProgressWindow* first = host.window();
    first->setPercent(80);
    host.end();
    host.begin(QStringLiteral("Extracting File..."), true);
    EXPECT_EQ(host.window(), first);
    EXPECT_EQ(first->percent(), 0);
    EXPECT_TRUE(first->isVisible());

    // Outside a run each file has its own window.
    host.holdWindow(false);
    host.begin(QStringLiteral("Extracting File..."), true);
    EXPECT_NE(host.window(), first);
    host.end();
    EXPECT_EQ(host.window(), nullptr);
}
