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
    EXPECT_TRUE(state.CancelRequested);
    EXPECT_TRUE(cancellable.cancelRequested());
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
    FileInserter inserter(lib.state, lib.db);
    FileInserter::Inserted stored = inserter.InsertData({}, quiet);
    ASSERT_TRUE(stored.outcome.ok());
    const MainRecord record = *lib.db->loadRecord(stored.mainId);

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
    lib.state.CurrentFilePath = lib.file(QStringLiteral("big.BIN"));
    QFile::remove(source);
    FileExtractor extractor(lib.state, lib.db);
    TransferOutcome outcome = extractor.ExtractFile(record, host);
    EXPECT_TRUE(clicked);
    EXPECT_TRUE(outcome.cancelled());
    EXPECT_TRUE(lib.state.CancelRequested);
    EXPECT_FALSE(QFileInfo::exists(lib.state.CurrentFilePath));
    EXPECT_EQ(host.window(), nullptr);
}

TEST(TransferProgressHost, InABulkRunTheWindowWithCancelStaysOpenFromFileToFile)
{
    ProgramState state(QStringLiteral("/tmp"));
    QWidget main;
    main.show();
    TransferProgressHost host(state, &main);
    state.BulkExtraction = true;
    host.OpenProgress(QStringLiteral("Extracting File..."), true);
    ProgressWindow* first = host.window();
    first->setPercent(80);
    host.OpenProgress(QStringLiteral("Extracting File..."), true);
    EXPECT_EQ(host.window(), first);
    EXPECT_EQ(first->percent(), 0);
    EXPECT_TRUE(first->isVisible());

    // Outside a run each file has its own window.
    state.BulkExtraction = false;
    host.OpenProgress(QStringLiteral("Extracting File..."), true);
    EXPECT_NE(host.window(), first);
    host.CloseProgress();
}
