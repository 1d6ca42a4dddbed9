// Opens a library of 100,000 records through the main window (offscreen) and
// times it until the grid has painted its first page. Prints one figure a line.
//
// usage: bench_ui_open_list [WORK_FOLDER]

#include "core/ProgramState.h"
#include "core/SettingsFile.h"
#include "search/ListModel.h"
#include "store/Database.h"
#include "ui/main/MainForm.h"
#include "ui/common/MessageRecorder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTableView>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

using namespace zentaro;

namespace {

constexpr int kRecords = 100000;

[[noreturn]] void fail(const std::string& what)
{
    std::fprintf(stderr, "bench_ui_open_list: %s\n", what.c_str());
    std::exit(1);
}

void check(const Status& status, const char* doing)
{
    if (!status.ok())
        fail(std::string(doing) + ": " + status.message().toStdString());
}

// Descriptive fields only, no bytes, in an order the title sort must undo.
void createLibrary(const QString& path)
{
    check(Database::compactFile(QStringLiteral(ZENTARO_TEST_TEMPLATE), path), "creating the library");
    auto db = Database::open(path);
    if (!db)
        fail("opening the new library: " + db.message().toStdString());
    check((*db)->begin(), "starting the transaction");
    MainRecord record;
    for (int i = 0; i < kRecords; ++i) {
        const int key = int((qint64(i) * 7919) % kRecords);
        record.Title = QStringLiteral("Title %1").arg(key, 6, 10, QLatin1Char('0'));
        record.Author = QStringLiteral("Author %1").arg(i % 997);
        record.Keywords = QStringLiteral("kw%1 kw%2").arg(i % 13).arg(i % 31);
        record.Notes = QStringLiteral("Notes of record %1").arg(i);
        record.FileName = QStringLiteral("file%1").arg(i);
        record.FileType = QStringLiteral("PDF");
        record.FileSize = 1000 + i;
        Result<qint64> added = (*db)->insertRecord(record);
        if (!added)
            fail("inserting: " + added.message().toStdString());
    }
    check((*db)->commit(), "committing");
    (*db)->close();
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    std::unique_ptr<QTemporaryDir> temp;
    QString folder;
    if (argc > 1) {
        temp = std::make_unique<QTemporaryDir>(QString::fromLocal8Bit(argv[1]) + QStringLiteral("/ui.XXXXXX"));
    } else {
        temp = std::make_unique<QTemporaryDir>();
    }
    if (!temp->isValid())
        fail("no work folder");
    folder = temp->path();
    QFile::copy(QStringLiteral(ZENTARO_TEST_TEMPLATE), folder + QStringLiteral("/Struct10.qdb"));

    const QString library = folder + QStringLiteral("/Big.ZNT");
    QElapsedTimer clock;
    clock.start();
    createLibrary(library);
    std::printf("create_100k_ms: %lld\n", static_cast<long long>(clock.elapsed()));

    ProgramState state(folder);
    SettingsFile settings = state.settingsFile();
    check(settings.LoadConfig(), "reading the settings");
    state.Settings.StartMaximized = false;
    state.CurrentLibraryPath = library;
    MessageRecorder boxes; // no box may wait for a click here

    clock.restart();
    MainForm form(state);
    form.load();
    form.show();
    form.RestorePaneSizes();
    form.gridMain()->viewport()->repaint();
    const qint64 firstPage = clock.elapsed();

    if (form.openAborted() || form.listModel()->rowCount() != kRecords)
        fail("the library did not open with all its records");
    if (form.listModel()->index(0, 0).data().toString() != QStringLiteral("Title 000000"))
        fail("the list is not in title order");
    if (boxes.count() != 0)
        fail("a message was shown: " + boxes.last().text.toStdString());
    std::printf("open_100k_first_page_ms: %lld\n", static_cast<long long>(firstPage));

    clock.restart();
    form.command(QStringLiteral("elbar"))->trigger();
    form.gridMain()->viewport()->repaint();
    std::printf("move_last_ms: %lld\n", static_cast<long long>(clock.elapsed()));

    clock.restart();
    form.gridMain()->selectAll();
    if (!form.recordCountLabel()->text().startsWith(QStringLiteral("Selected: 100000 ")))
        fail("select all did not count every row");
    std::printf("select_all_100k_ms: %lld\n", static_cast<long long>(clock.elapsed()));

    clock.restart();
    form.command(QStringLiteral("erbar"))->trigger();
    form.gridMain()->viewport()->repaint();
    std::printf("refresh_100k_ms: %lld\n", static_cast<long long>(clock.elapsed()));
    return 0;
}
