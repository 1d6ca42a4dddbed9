// The file-transfer paths against cp + sync on the same disk: one large file
// in and out, many small files in through the add-files loop, and the memory
// taken while moving a file of several gigabytes. Prints one figure a line.
//
// usage: bench_transfer_bench WORK_FOLDER [LARGE_MB] [HUGE_MB] [SMALL_FILES]

#include "BenchSupport.h"

#include "core/ProgramState.h"
#include "core/Progress.h"
#include "store/Database.h"
#include "store/MainRecord.h"
#include "transfer/AddFilesBatch.h"
#include "transfer/FileExtractor.h"
#include "transfer/TransferSettings.h"
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
#include <cstring>
#include <string>
#include <vector>

using namespace zentaro;
using bench::fail;
using bench::run;
using bench::quoted;
using bench::seconds;
using bench::median;
using bench::series;
using bench::statusKiB;

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

// Starts the peak-memory figure (VmHWM) again from the present size.
void resetPeak()
{
    FILE* f = std::fopen("/proc/self/clear_refs", "w");
    if (!f)
        return;
    std::fputs("5", f);
    std::fclose(f);
}

void fillRandom(std::vector<quint64>& block, quint64& x)
{
    for (quint64& w : block) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        w = x;
    }
}

void makeFile(const QString& path, qint64 bytes, quint64 seed)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        fail("cannot create " + path.toStdString());
    std::vector<quint64> block(static_cast<size_t>(std::min<qint64>(bytes, 1 << 20) / 8 + 1));
    quint64 x = 88172645463325252ull ^ (seed * 0x9E3779B97F4A7C15ull);
    for (qint64 done = 0; done < bytes;) {
        fillRandom(block, x);
        const qint64 n = std::min<qint64>(bytes - done, static_cast<qint64>(block.size() * sizeof(quint64)));
        if (::write(fd, block.data(), static_cast<size_t>(n)) != n)
            fail("cannot write " + path.toStdString());
        done += n;
    }
    ::close(fd);
}

// The add-files loop with no window to show it.
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

struct Bench
{
    QString work;
    ProgramState state;

    explicit Bench(const QString& folder) : work(folder), state(folder) { state.SetVariables(); }

    QString path(const QString& name) const { return work + QLatin1Char('/') + name; }

    std::shared_ptr<Database> freshLibrary(const QString& name)
    {
        const QString library = path(name);
        QFile::remove(library);
        if (!QFile::copy(QStringLiteral(ZENTARO_TEST_TEMPLATE), library))
            fail("cannot copy the template");
        QFile(library).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        state.CurrentLibraryPath = library;
        Result<std::shared_ptr<Database>> opened = Database::open(library);
        if (!opened)
            fail(opened.message().toStdString());
        return *opened;
    }

    // Inserts the named files of folder through the add-files loop; the
    // records are durable when it returns.
    AddedFiles addFiles(const std::shared_ptr<Database>& db, const QString& folder,
                                   const QStringList& names)
    {
        QList<AddFilesBatch::Entry> entries;
        entries.reserve(names.size());
        for (const QString& name : names)
            entries.push_back({name, true});
        QuietHost host;
        AddFilesBatch batch(settingsOf(state), db);
        AddedFiles report = batch.Run(folder, entries, {}, false, host);
        if (!report.ending.ok() || report.added.size() != names.size())
            fail("the add-files loop did not store every file");
        return report;
    }

    void extract(const std::shared_ptr<Database>& db, qint64 id, const QString& target)
    {
        Result<MainRecord> record = db->loadRecord(id);
        if (!record)
            fail(record.message().toStdString());
        QFile::remove(target);
        NullProgress host;
        FileExtractor extractor(settingsOf(state), db);
        Outcome outcome = extractor.ExtractFile(*record, target, host).outcome();
        if (!outcome.ok())
            fail(outcome.status.message().toStdString());
    }
};

} // namespace

int main(int argc, char** argv)
{
    bench::programName = "bench_transfer";
    QCoreApplication app(argc, argv);
    if (argc < 2)
        fail("usage: bench_transfer_bench WORK_FOLDER [LARGE_MB] [HUGE_MB] [SMALL_FILES]");
    Bench bench(QString::fromLocal8Bit(argv[1]));
    const qint64 largeBytes = (argc > 2 ? std::atoll(argv[2]) : 1024) * 1024 * 1024;
    const qint64 hugeBytes = (argc > 3 ? std::atoll(argv[3]) : 3072) * 1024 * 1024;
    const int smallCount = argc > 4 ? std::atoi(argv[4]) : 10000;
    QDir().mkpath(bench.work);

    // The disk is shared and its speed wanders: each round times the copy
    // and our path back to back, and a figure is the median of the rounds'
    // ratios (copy time / our time, so above 1 is faster than the copy).
    constexpr int kRounds = 3;

    // --- Memory while moving a file of several gigabytes ---------------------
    {
        const QString source = bench.path(QStringLiteral("huge.bin"));
        const QString target = bench.path(QStringLiteral("huge.out"));
        makeFile(source, hugeBytes, 3);
        run("sync");
        std::shared_ptr<Database> db = bench.freshLibrary(QStringLiteral("huge.ZNT"));
        resetPeak();
        const long baseKiB = statusKiB("VmRSS:");
        const AddedFiles report = bench.addFiles(db, bench.work, {QStringLiteral("huge.bin")});
        bench.extract(db, report.added.front(), target);
        const long peakKiB = statusKiB("VmHWM:");
        run("cmp -s -- " + quoted(source) + " " + quoted(target));
        db->close();
        std::printf("huge_file_mb: %lld\n", static_cast<long long>(hugeBytes / (1024 * 1024)));
        std::printf("huge_round_trip_matches: yes\n");
        std::printf("peak_rss_growth_mb: %.1f\n", static_cast<double>(peakKiB - baseKiB) / 1024.0);
        QFile::remove(source);
        QFile::remove(target);
        QFile::remove(bench.path(QStringLiteral("huge.ZNT")));
        std::fflush(stdout);
    }

    // --- One large file in and out -----------------------------------------
    {
        const QString source = bench.path(QStringLiteral("large.bin"));
        const QString copy = bench.path(QStringLiteral("large.copy"));
        const QString target = bench.path(QStringLiteral("large.out"));
        makeFile(source, largeBytes, 1);
        run("sync");
        std::vector<double> copyTimes, insertTimes, extractTimes;
        for (int round = 0; round < kRounds; ++round) {
            QElapsedTimer t;
            t.start();
            run("cp -- " + quoted(source) + " " + quoted(copy) + " && sync -- " + quoted(copy));
            copyTimes.push_back(seconds(t));
            QFile::remove(copy);

            std::shared_ptr<Database> db = bench.freshLibrary(QStringLiteral("large.ZNT"));
            run("sync");
            t.restart();
            const AddedFiles report = bench.addFiles(db, bench.work, {QStringLiteral("large.bin")});
            insertTimes.push_back(seconds(t));

            run("sync");
            t.restart();
            bench.extract(db, report.added.front(), target);
            extractTimes.push_back(seconds(t));
            if (round == 0)
                run("cmp -s -- " + quoted(source) + " " + quoted(target));
            QFile::remove(target);
            db->close();
        }
        std::vector<double> insertRatios, extractRatios;
        for (int i = 0; i < kRounds; ++i) {
            insertRatios.push_back(copyTimes[i] / insertTimes[i]);
            extractRatios.push_back(copyTimes[i] / extractTimes[i]);
        }
        std::printf("large_file_mb: %lld\n", static_cast<long long>(largeBytes / (1024 * 1024)));
        std::printf("rounds_copy_s: %s\n", qPrintable(series(copyTimes)));
        std::printf("rounds_insert_s: %s\n", qPrintable(series(insertTimes)));
        std::printf("rounds_extract_s: %s\n", qPrintable(series(extractTimes)));
        std::printf("insert_file_vs_copy: %.2f\n", median(insertRatios));
        std::printf("extract_file_vs_copy: %.2f\n", median(extractRatios));
        QFile::remove(source);
        QFile::remove(bench.path(QStringLiteral("large.ZNT")));
        std::fflush(stdout);
    }

    // --- Many small files through the add-files loop -------------------------
    {
        const QString folder = bench.path(QStringLiteral("small"));
        const QString copy = bench.path(QStringLiteral("small.copy"));
        QDir().mkpath(folder);
        QStringList names;
        for (int i = 0; i < smallCount; ++i) {
            const QString name = QStringLiteral("f%1.txt").arg(i, 5, 10, QLatin1Char('0'));
            makeFile(folder + QLatin1Char('/') + name, 4096, static_cast<quint64>(i) + 10);
            names << name;
        }
        run("sync");
        std::vector<double> copyTimes, addTimes;
        for (int round = 0; round < kRounds; ++round) {
            QElapsedTimer t;
            t.start();
            run("cp -r -- " + quoted(folder) + " " + quoted(copy) + " && sync");
            copyTimes.push_back(seconds(t));
            run("rm -rf -- " + quoted(copy) + " && sync");

            std::shared_ptr<Database> db = bench.freshLibrary(QStringLiteral("small.ZNT"));
            run("sync");
            t.restart();
            bench.addFiles(db, folder, names);
            run("sync");
            addTimes.push_back(seconds(t));
            db->close();
        }
        std::vector<double> ratios;
        for (int i = 0; i < kRounds; ++i)
            ratios.push_back(copyTimes[i] / addTimes[i]);
        std::printf("small_files: %d of 4096 bytes\n", smallCount);
        std::printf("rounds_copy_r_s: %s\n", qPrintable(series(copyTimes)));
        std::printf("rounds_add_s: %s\n", qPrintable(series(addTimes)));
        std::printf("add_small_files_vs_copy: %.2f\n", median(ratios));
        run("rm -rf -- " + quoted(folder));
        QFile::remove(bench.path(QStringLiteral("small.ZNT")));
    }
    return 0;
}
