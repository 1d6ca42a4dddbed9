// Bulk operations on many small files against cp + sync on the same disk:
// extracting the whole listed set into a folder, and deleting it with the
// one listed-delete statement against adding it. Prints one figure a line.
// Each round times cp before and after the extraction and takes the mean.
//
// usage: bench_bulk WORK_FOLDER [SMALL_FILES]
#include "BenchSupport.h"

#include "core/ProgramState.h"
#include "core/Progress.h"
#include "store/Database.h"
#include "store/Recordset.h"
#include "transfer/AddFilesBatch.h"
#include "transfer/BulkExtraction.h"
#include "core/Progress.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace zentaro;
using bench::fail;
using bench::run;
using bench::quoted;
using bench::seconds;
using bench::median;
using bench::series;

namespace {

// What the transfer classes are told of the bench's state.
TransferSettings settingsOf(const ProgramState& state)
{
    TransferSettings settings;
    settings.chunkSize = state.ChunkSize;
    settings.newLine = state.newLineOrDefault();
    settings.extractFolder = state.ExtractFolder;
    settings.libraryPath = state.CurrentLibraryPath;
    settings.accessLevel = state.AccessLevel;
    settings.libraryReadOnly = state.LibraryReadOnly;
    return settings;
}

void makeFile(const QString& path, int bytes, quint64 seed)
{
    std::vector<char> data(static_cast<size_t>(bytes));
    quint64 x = 88172645463325252ull ^ (seed * 0x9E3779B97F4A7C15ull);
    for (char& c : data) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        c = static_cast<char>(x);
    }
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::write(fd, data.data(), data.size()) != static_cast<ssize_t>(data.size()))
        fail("cannot write " + path.toStdString());
    ::close(fd);
}

class QuietHost final : public AddFilesBatch::Host
{
public:
    void SetBatchPercent(int) override {}
    void SetCurrentFile(const QString&) override {}
    Progress& FileBar() override { return m_bar; }
    void Deselect(int) override {}
    void ShowNotice(const Notice& notice) override { fail("unexpected message: " + notice.text.toStdString()); }
    void Yield() override {}

private:
    NullProgress m_bar;
};

} // namespace

int main(int argc, char** argv)
{
    bench::programName = "bench_bulk";
    QCoreApplication app(argc, argv);
    if (argc < 2)
        fail("usage: bench_bulk WORK_FOLDER [SMALL_FILES]");
    const QString work = QString::fromLocal8Bit(argv[1]);
    const int count = argc > 2 ? std::atoi(argv[2]) : 10000;
    auto path = [&](const QString& name) { return work + QLatin1Char('/') + name; };
    ProgramState state(work);
    state.SetVariables();
    state.AccessLevel = QStringLiteral("Administrator");

    const QString folder = path(QStringLiteral("small"));
    QDir().mkpath(folder);
    QList<AddFilesBatch::Entry> entries;
    for (int i = 0; i < count; ++i) {
        const QString name = QStringLiteral("f%1.txt").arg(i, 5, 10, QLatin1Char('0'));
        makeFile(folder + QLatin1Char('/') + name, 4096, static_cast<quint64>(i) + 10);
        entries.push_back({name, true});
    }
    run("sync");
    // Without a journal, ext4 passes over every inode freed in the last 30 s
    // each time it makes a file, which can cost more than making it. So no
    // file is removed until the end, and the measuring starts once the
    // deletions before this program (an earlier benchmark's) are forgotten:
    // cp and the extraction then make their files under the same conditions.
    sleep(31);

    constexpr int kRounds = 3;
    std::vector<double> copyTimes, extractTimes, addTimes, deleteTimes;
    QStringList made;
    for (int round = 0; round < kRounds; ++round) {
        const QString copy = path(QStringLiteral("small.copy%1").arg(round));
        const QString out = path(QStringLiteral("out%1").arg(round));
        const QString library = path(QStringLiteral("bulk%1.ZNT").arg(round));
        const QString copyAfter = path(QStringLiteral("small.after%1").arg(round));
        made << copy << copyAfter << out << library;
        QElapsedTimer t;
        t.start();
        run("cp -r -- " + quoted(folder) + " " + quoted(copy) + " && sync");
        const double copyBefore = seconds(t);

        if (!QFile::copy(QStringLiteral(ZENTARO_TEST_TEMPLATE), library))
            fail("cannot copy the template");
        QFile(library).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        state.CurrentLibraryPath = library;
        Result<std::shared_ptr<Database>> opened = Database::open(library);
        if (!opened)
            fail(opened.message().toStdString());
        std::shared_ptr<Database> db = *opened;

        run("sync");
        t.restart();
        QuietHost quiet;
        const AddedFiles added = AddFilesBatch(settingsOf(state), db).Run(folder, entries, {}, false, quiet);
        run("sync");
        addTimes.push_back(seconds(t));
        if (added.added.size() != count)
            fail("not every file was added");

        // The listed files, as the main window walks them.
        Result<std::unique_ptr<Recordset>> list = Recordset::open(db, QStringLiteral("SELECT * FROM Main "));
        if (!list)
            fail(list.message().toStdString());
        QDir().mkpath(out);
        t.restart();
        NullProgress host;
        Recordset& rows = **list;
        const BulkExtractionSummary report = BulkExtraction(settingsOf(state), db).Run(
            out, rows.recordCount(),
            [&](int i) -> Result<MainRecord> {
                if (Status s = rows.setAbsolutePosition(i); !s)
                    return s;
                return rows.currentRecord();
            },
            host);
        run("sync");
        extractTimes.push_back(seconds(t));
        if (report.written != count)
            fail("not every file was extracted");
        // The cost of making files drifts with what the rest of the machine
        // creates and deletes, so cp is timed on both sides of the extraction.
        t.restart();
        run("cp -r -- " + quoted(folder) + " " + quoted(copyAfter) + " && sync");
        copyTimes.push_back((copyBefore + seconds(t)) / 2);

        t.restart();
        Result<qint64> deleted = db->execute(QStringLiteral("DELETE * FROM Main "));
        db->idle();
        run("sync");
        deleteTimes.push_back(seconds(t));
        if (!deleted || *deleted != count)
            fail("the listed delete did not take every record");
        list->reset();
        db->close();
    }
    std::vector<double> extractRatios, deleteRatios;
    for (int i = 0; i < kRounds; ++i) {
        extractRatios.push_back(copyTimes[i] / extractTimes[i]);
        deleteRatios.push_back(deleteTimes[i] / addTimes[i]);
    }
    std::printf("small_files: %d of 4096 bytes\n", count);
    std::printf("rounds_copy_r_mean_s: %s\n", qPrintable(series(copyTimes)));
    std::printf("rounds_bulk_extract_s: %s\n", qPrintable(series(extractTimes)));
    std::printf("rounds_add_s: %s\n", qPrintable(series(addTimes)));
    std::printf("rounds_delete_listed_s: %s\n", qPrintable(series(deleteTimes)));
    std::printf("bulk_extract_small_vs_copy: %.2f\n", median(extractRatios));
    std::printf("delete_listed_vs_add: %.2f\n", median(deleteRatios));
    std::string removal = "rm -rf -- " + quoted(folder);
    for (const QString& file : std::as_const(made))
        removal += " " + quoted(file);
    run(removal);
    return 0;
}
