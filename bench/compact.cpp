// Compacts a library of SIZE_MB with half its records deleted, against
// cp + sync of the same library file on the same disk. Prints one figure a line.
//
// usage: bench_compact WORK_FOLDER [SIZE_MB]

#include "BenchSupport.h"

#include "core/ProgramState.h"
#include "core/Progress.h"
#include "security/AccessRights.h"
#include "store/Database.h"
#include "library/LibraryCompactor.h"
#include "store/LibraryFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>

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

namespace {

// Records of 64 MB each, every other one deleted again.
void makeLibrary(const QString& path, qint64 bytes)
{
    QFile::remove(path);
    if (!QFile::copy(QStringLiteral(ZENTARO_TEST_TEMPLATE), path))
        fail("cannot copy the template");
    QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    Result<std::shared_ptr<Database>> opened = Database::open(path);
    if (!opened)
        fail(opened.message().toStdString());
    Database& db = **opened;
    const qint64 piece = LibraryFile::kPieceSize;
    const qint64 perRecord = qint64(64) << 20;
    std::vector<char> data(static_cast<size_t>(piece));
    quint64 x = 88172645463325252ull;
    std::vector<qint64> ids;
    for (qint64 done = 0; done < bytes; done += perRecord) {
        if (!db.begin())
            fail("cannot start saving");
        MainRecord record;
        record.Title = QStringLiteral("record %1").arg(ids.size());
        record.FileSize = perRecord;
        Result<qint64> id = db.insertRecord(record);
        if (!id)
            fail(id.message().toStdString());
        ids.push_back(*id);
        for (qint64 stored = 0; stored < perRecord; stored += piece) {
            for (char& c : data) {
                x ^= x << 13;
                x ^= x >> 7;
                x ^= x << 17;
                c = static_cast<char>(x);
            }
            const qint64 n = std::min(piece, perRecord - stored);
            if (Status s = db.appendChunk(*id, data.data(), n); !s)
                fail(s.message().toStdString());
        }
        if (Status s = db.commit(); !s)
            fail(s.message().toStdString());
    }
    for (size_t i = 1; i < ids.size(); i += 2) {
        if (Status s = db.deleteRecord(ids[i]); !s)
            fail(s.message().toStdString());
    }
    db.close();
}

} // namespace

int main(int argc, char** argv)
{
    bench::programName = "bench_compact";
    QCoreApplication app(argc, argv);
    if (argc < 2)
        fail("usage: bench_compact WORK_FOLDER [SIZE_MB]");
    const QString work = QString::fromLocal8Bit(argv[1]);
    const qint64 megabytes = argc > 2 ? std::atoll(argv[2]) : 1024;
    const QString pristine = work + QStringLiteral("/pristine.ZNT");
    const QString library = work + QStringLiteral("/bench.ZNT");
    const QString copy = work + QStringLiteral("/copy.bin");
    makeLibrary(pristine, megabytes * 1024 * 1024);
    const double libraryMb = static_cast<double>(QFile(pristine).size()) / (1024.0 * 1024.0);

    ProgramState state(work);
    state.AccessLevel = AccessRights::kAdministrator;
    state.CurrentLibraryPath = library;

    // The disk's speed wanders: each round times a copy and a compaction of
    // the same file back to back; the figure is the median of the rounds.
    constexpr int kRounds = 3;
    std::vector<double> copyTimes;
    std::vector<double> compactTimes;
    std::vector<double> ratios;
    qint64 recovered = 0;
    for (int round = 0; round < kRounds; ++round) {
        run("cp -- " + quoted(pristine) + " " + quoted(library) + " && sync");
        QElapsedTimer t;
        t.start();
        run("cp -- " + quoted(library) + " " + quoted(copy) + " && sync -- " + quoted(copy));
        copyTimes.push_back(seconds(t));
        QFile::remove(copy);
        run("sync");

        LibraryCompactor compactor(state, state.ProgramFolder());
        NullProgress quiet;
        t.restart();
        const Result<LibraryCompactor::Sizes> outcome = compactor.CompactLibrary(quiet);
        compactTimes.push_back(seconds(t));
        if (!outcome)
            fail(outcome.message().toStdString());
        recovered = outcome->recovered();
        ratios.push_back(compactTimes.back() / copyTimes.back());
    }
    std::sort(ratios.begin(), ratios.end());
    auto series = [](const std::vector<double>& times) {
        QStringList out;
        for (double t : times)
            out << QString::number(t, 'f', 2);
        return out.join(QStringLiteral(" "));
    };
    std::printf("compact_library_mb: %.0f\n", libraryMb);
    std::printf("compact_recovered_mb: %.0f\n", static_cast<double>(recovered) / (1024.0 * 1024.0));
    std::printf("rounds_copy_s: %s\n", qPrintable(series(copyTimes)));
    std::printf("rounds_compact_s: %s\n", qPrintable(series(compactTimes)));
    std::printf("compact_vs_copy: %.2f\n", ratios[ratios.size() / 2]);
    QFile::remove(library);
    QFile::remove(pristine);
    return 0;
}
