// Prints 10,000 rows of five columns of a 100,000-record list to PDF through
// the main window (offscreen), against opening that list in the same run.
// Prints one figure a line.
//
// usage: bench_ui_print_list [WORK_FOLDER]

#include "core/ProgramState.h"
#include "core/SettingsFile.h"
#include "search/ListModel.h"
#include "store/Database.h"
#include "ui/main/MainForm.h"
#include "ui/common/MessageRecorder.h"
#include "ui/print/PrintCommand.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QTableView>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

using namespace zentaro;

namespace {

constexpr int kRecords = 100000;
constexpr int kPrinted = 10000;

[[noreturn]] void fail(const std::string& what)
{
    std::fprintf(stderr, "bench_ui_print_list: %s\n", what.c_str());
    std::exit(1);
}

void check(const Status& status, const char* doing)
{
    if (!status.ok())
        fail(std::string(doing) + ": " + status.message().toStdString());
}

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
    if (argc > 1)
        temp = std::make_unique<QTemporaryDir>(QString::fromLocal8Bit(argv[1]) + QStringLiteral("/print.XXXXXX"));
    else
        temp = std::make_unique<QTemporaryDir>();
    if (!temp->isValid())
        fail("no work folder");
    const QString folder = temp->path();
    QFile::copy(QStringLiteral(ZENTARO_TEST_TEMPLATE), folder + QStringLiteral("/Struct10.qdb"));
    const QString library = folder + QStringLiteral("/Big.ZNT");
    createLibrary(library);

    ProgramState state(folder);
    check(state.settingsFile().LoadConfig(), "reading the settings");
    state.Settings.StartMaximized = false;
    state.CurrentLibraryPath = library;
    MessageRecorder boxes;

    QElapsedTimer clock;
    clock.start();
    MainForm form(state);
    form.load();
    form.show();
    form.RestorePaneSizes();
    form.gridMain()->viewport()->repaint();
    const qint64 openMs = clock.elapsed();
    if (form.openAborted() || form.listModel()->rowCount() != kRecords)
        fail("the library did not open with all its records");
    std::printf("open_100k_list_ms: %lld\n", static_cast<long long>(openMs));

    // The first 10,000 rows, selected as a user would with Shift+click.
    QItemSelectionModel* selection = form.gridMain()->selectionModel();
    selection->select(QItemSelection(form.listModel()->index(0, 0), form.listModel()->index(kPrinted - 1, 0)),
                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    if (form.SelectedCount() != kPrinted)
        fail("the rows to print were not selected");

    PrintRequest request;
    request.title = QStringLiteral("Media List");
    request.copies = 1;
    request.columnCount = 5;
    request.selectedOnly = true;
    request.pdfFile = folder + QStringLiteral("/List.pdf");
    auto* command = form.findChild<PrintCommand*>();
    if (!command)
        fail("no print command");
    clock.restart();
    check(command->print(request), "printing");
    const qint64 printMs = clock.elapsed();
    if (boxes.count() != 0)
        fail("a message was shown: " + boxes.last().text.toStdString());
    const qint64 size = QFileInfo(request.pdfFile).size();
    if (size <= 0)
        fail("no PDF was written");
    std::printf("print_10k_rows_ms: %lld\n", static_cast<long long>(printMs));
    std::printf("print_10k_rows_pdf_kib: %lld\n", static_cast<long long>(size / 1024));
    std::printf("print_10k_rows_vs_open_list: %.2f\n", double(printMs) / double(std::max<qint64>(openMs, 1)));
    return 0;
}
