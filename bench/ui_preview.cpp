// The previewer against plain decoding, and moving through records on the
// Details page. Prints one figure a line:
//   preview_large_jpeg_vs_decode  previewing a 12,000 x 8,000 JPEG fitted into
//                                 1000 x 800, over decoding it whole with QImage
//                                 and scaling it (same run)
//   preview_peak_rss_growth_mb    peak resident growth during that preview
//   details_move_ms               per record, moving through 1,000 records
//
// usage: bench_ui_preview [WORK_FOLDER]

#include "BenchSupport.h"

#include "core/ProgramState.h"
#include "core/SettingsFile.h"
#include "library/LibrarySession.h"
#include "store/Database.h"
#include "ui/main/MainForm.h"
#include "ui/common/MessageRecorder.h"
#include "ui/preview/PictureBox.h"
#include "ui/preview/Previewer.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QTabWidget>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

using namespace zentaro;

namespace {

constexpr int kRecords = 1000;

void check(const Status& status, const char* doing)
{
    if (!status.ok())
        bench::fail(std::string(doing) + ": " + status.message().toStdString());
}

void makeLargeJpeg(const QString& path)
{
    QImage image(12000, 8000, QImage::Format_RGB888);
    image.fill(QColor(40, 90, 160));
    {
        QPainter painter(&image);
        for (int x = 0; x < 12000; x += 150)
            painter.fillRect(x, 0, 60, 8000, QColor((x / 150) * 3 % 255, 200, 80));
    }
    if (!image.save(path, "JPG", 85))
        bench::fail("writing the JPEG");
}

// Resets the peak resident size to the current one.
void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

void createLibrary(const QString& path)
{
    check(Database::compactFile(QStringLiteral(ZENTARO_TEST_TEMPLATE), path), "creating the library");
    auto db = Database::open(path);
    if (!db)
        bench::fail("opening the new library: " + db.message().toStdString());
    check((*db)->begin(), "starting the transaction");
    const QByteArray bytes(2000, 'x');
    for (int i = 0; i < kRecords; ++i) {
        MainRecord record;
        record.Title = QStringLiteral("Title %1").arg(i, 4, 10, QLatin1Char('0'));
        record.FileName = QStringLiteral("file%1").arg(i);
        record.FileType = i % 2 ? QStringLiteral("JPG") : QStringLiteral("WAV");
        record.FileSize = bytes.size();
        Result<qint64> added = (*db)->insertRecord(record);
        if (!added)
            bench::fail("inserting: " + added.message().toStdString());
        check((*db)->appendChunk(*added, bytes.constData(), bytes.size()), "storing bytes");
    }
    check((*db)->commit(), "committing");
    (*db)->close();
}

} // namespace

int main(int argc, char** argv)
{
    bench::programName = "bench_ui_preview";
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    std::unique_ptr<QTemporaryDir> temp = argc > 1
        ? std::make_unique<QTemporaryDir>(QString::fromLocal8Bit(argv[1]) + QStringLiteral("/preview.XXXXXX"))
        : std::make_unique<QTemporaryDir>();
    if (!temp->isValid())
        bench::fail("no work folder");
    const QString folder = temp->path();

    const QString jpeg = folder + QStringLiteral("/large.JPG");
    makeLargeJpeg(jpeg);

    // The previewer fitting it into 1000 x 800.
    QWidget page;
    page.resize(1100, 900);
    Previewer previewer(&page);
    previewer.setGeometry(page.rect());
    previewer.imageBox()->setGeometry(0, 0, 1000, 800);
    previewer.setFitPictures(true);
    resetPeak();
    const long before = bench::statusKiB("VmRSS:");
    QElapsedTimer clock;
    clock.start();
    if (!previewer.PreviewImage(jpeg))
        bench::fail("the previewer could not draw the JPEG");
    const qint64 previewNs = clock.nsecsElapsed();
    const long peak = bench::statusKiB("VmHWM:");
    if (previewer.imageBox()->drawnRect().size() != QSize(1000, 666))
        bench::fail("the JPEG was not fitted to 1000 x 666");
    previewer.clear();

    // Qt refuses images over 128 MB by default; the comparison needs the whole one.
    const int limit = QImageReader::allocationLimit();
    QImageReader::setAllocationLimit(0);
    clock.restart();
    QImage whole(jpeg);
    if (whole.isNull())
        bench::fail("QImage could not read the JPEG");
    const QImage scaled = whole.scaled(1000, 800, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    const qint64 decodeNs = clock.nsecsElapsed();
    whole = QImage();
    QImageReader::setAllocationLimit(limit);
    std::printf("preview_large_jpeg_ms: %.1f\n", previewNs / 1e6);
    std::printf("decode_large_jpeg_ms: %.1f\n", decodeNs / 1e6);
    std::printf("preview_large_jpeg_vs_decode: %.3f\n", double(previewNs) / double(decodeNs));
    std::printf("preview_peak_rss_growth_mb: %.1f\n", (peak - before) / 1024.0);

    // Moving through the records with the Details page selected.
    const QString library = folder + QStringLiteral("/Moves.ZNT");
    QFile::copy(QStringLiteral(ZENTARO_TEST_TEMPLATE), folder + QStringLiteral("/Struct10.qdb"));
    createLibrary(library);
    ProgramState state(folder);
    check(state.settingsFile().LoadConfig(), "reading the settings");
    state.Settings.StartMaximized = false;
    state.CurrentLibraryPath = library;
    MessageRecorder boxes;
    MainForm form(state);
    form.load();
    form.show();
    QApplication::processEvents();
    if (form.openAborted())
        bench::fail("the library did not open");
    form.detailTab()->setCurrentIndex(0);
    QAction* next = form.command(QStringLiteral("enbar"));
    clock.restart();
    for (int i = 1; i < kRecords; ++i) {
        next->trigger();
        QApplication::processEvents();
    }
    const qint64 movesNs = clock.nsecsElapsed();
    if (QDir(state.ExtractFolder).exists() && !QDir(state.ExtractFolder).isEmpty())
        bench::fail("moving on the Details page extracted a file");
    if (boxes.count() != 0)
        bench::fail("a message was shown");
    std::printf("details_move_ms: %.3f\n", movesNs / 1e6 / (kRecords - 1));
    return 0;
}
