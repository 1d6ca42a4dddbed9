// Stores a large file in a library and extracts it again through the store,
// against cp + sync of the same file on the same disk. Prints one figure a line.
//
// usage: bench_engine WORK_FOLDER [SIZE_MB]

#include "BenchSupport.h"

#include "store/Database.h"
#include "store/LibraryFile.h"
#include "store/QueryDialect.h"
#include "store/Recordset.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>

#include <fcntl.h>
#include <sys/stat.h>
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
using bench::statusKiB;

namespace {

void makeSource(const QString& path, qint64 bytes)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        fail("cannot create the source file");
    std::vector<quint64> block(1 << 17); // 1 MiB
    quint64 x = 88172645463325252ull;
    for (qint64 done = 0; done < bytes;) {
        for (quint64& w : block) {
            x ^= x << 13;
            x ^= x >> 7;
            x ^= x << 17;
            w = x;
        }
        const qint64 n = std::min<qint64>(bytes - done, static_cast<qint64>(block.size() * sizeof(quint64)));
        if (::write(fd, block.data(), static_cast<size_t>(n)) != n)
            fail("cannot write the source file");
        done += n;
    }
    ::fsync(fd);
    ::close(fd);
}

double copySeconds(const QString& source, const QString& target)
{
    run("sync");
    QElapsedTimer t;
    t.start();
    run("cp -- " + quoted(source) + " " + quoted(target) + " && sync -- " + quoted(target));
    const double s = seconds(t);
    QFile::remove(target);
    return s;
}

double extractOnce(const QString& library, const QString& target, qint64 id, qint64 chunk)
{
    std::vector<char> buffer(static_cast<size_t>(chunk));
    QFile::remove(target);
    run("sync");
    QElapsedTimer t;
    t.start();
    Result<std::shared_ptr<Database>> opened = Database::open(library);
    if (!opened)
        fail(opened.message().toStdString());
    Database& db = **opened;
    const int fd = ::open(QFile::encodeName(target).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        fail("cannot create the extracted file");
    for (qint64 offset = 0;; offset += chunk) {
        Result<qint64> got = db.readChunk(id, offset, chunk, buffer.data());
        if (!got)
            fail(got.message().toStdString());
        if (*got > 0 && ::write(fd, buffer.data(), static_cast<size_t>(*got)) != *got)
            fail("cannot write the extracted file");
        if (*got < chunk)
            break;
    }
    if (::fsync(fd) != 0)
        fail("cannot sync the extracted file");
    ::close(fd);
    db.close();
    return seconds(t);
}

} // namespace

int main(int argc, char** argv)
{
    bench::programName = "bench_engine";
    QCoreApplication app(argc, argv);
    if (argc < 2)
        fail("usage: bench_engine WORK_FOLDER [SIZE_MB]");
    const QString work = QString::fromLocal8Bit(argv[1]);
    const qint64 megabytes = argc > 2 ? std::atoll(argv[2]) : 1024;
    const qint64 size = megabytes * 1024 * 1024;
    const QString source = work + QStringLiteral("/source.bin");
    const QString copy = work + QStringLiteral("/copy.bin");
    const QString library = work + QStringLiteral("/bench.ZNT");
    const QString extracted = work + QStringLiteral("/extracted.bin");
    const qint64 piece = LibraryFile::kPieceSize;
    std::vector<char> buffer(static_cast<size_t>(piece));

    makeSource(source, size);
    const long baseKiB = statusKiB("VmRSS:");

    // The disk is shared and its speed wanders by a factor of several: each
    // round times a copy, an insertion and the extractions back to back, and
    // a ratio is the median over the rounds of that round's ratio.
    constexpr int kRounds = 5;
    std::vector<double> copyTimes;
    std::vector<double> insertTimes;
    std::vector<double> extractTimes;
    std::vector<double> alignedTimes;
    qint64 id = 0;
    for (int round = 0; round < kRounds; ++round) {
        copyTimes.push_back(copySeconds(source, copy));

        QFile::remove(library);
        if (!QFile::copy(QStringLiteral(ZENTARO_TEST_TEMPLATE), library))
            fail("cannot copy the template");
        QFile(library).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        run("sync");

        // Insert: one record and all its pieces in one transaction, durable at commit.
        QElapsedTimer t;
        t.start();
        {
            Result<std::shared_ptr<Database>> opened = Database::open(library);
            if (!opened)
                fail(opened.message().toStdString());
            Database& db = **opened;
            const int fd = ::open(QFile::encodeName(source).constData(), O_RDONLY);
            if (fd < 0 || !db.begin())
                fail("cannot start the insertion");
            MainRecord record;
            record.Title = QStringLiteral("source");
            record.FileSize = size;
            Result<qint64> added = db.insertRecord(record);
            if (!added)
                fail(added.message().toStdString());
            id = *added;
            for (;;) {
                const ssize_t n = ::read(fd, buffer.data(), buffer.size());
                if (n < 0)
                    fail("cannot read the source");
                if (Status s = db.appendChunk(id, buffer.data(), n); !s)
                    fail(s.message().toStdString());
                db.idle();
                if (n < piece)
                    break;
            }
            ::close(fd);
            if (Status s = db.commit(); !s)
                fail(s.message().toStdString());
            db.close();
        }
        insertTimes.push_back(seconds(t));

        // Extract as the program does: 64,000-byte reads at increasing
        // offsets, each written as read, then synced.
        extractTimes.push_back(extractOnce(library, extracted, id, piece));
        // The same with 65,536-byte reads, whose writes stay page-aligned.
        alignedTimes.push_back(extractOnce(library, extracted, id, 65536));
    }
    const long peakKiB = statusKiB("VmHWM:");
    run("cmp -s -- " + quoted(source) + " " + quoted(extracted));

    const double mb = static_cast<double>(size) / (1024.0 * 1024.0);
    auto seriesText = [](const std::vector<double>& times) {
        QStringList out;
        for (double t : times)
            out << QString::number(t, 'f', 2);
        return out.join(QStringLiteral(" "));
    };
    // Median over the rounds of copy time / other time.
    auto ratio = [&](const std::vector<double>& times) {
        std::vector<double> r;
        for (size_t i = 0; i < times.size(); ++i)
            r.push_back(copyTimes[i] / times[i]);
        std::sort(r.begin(), r.end());
        return r[r.size() / 2];
    };
    auto best = [&](const std::vector<double>& times) { return mb / *std::min_element(times.begin(), times.end()); };
    std::printf("file_mb: %.0f\n", mb);
    std::printf("rounds_copy_s: %s\n", qPrintable(seriesText(copyTimes)));
    std::printf("rounds_insert_s: %s\n", qPrintable(seriesText(insertTimes)));
    std::printf("rounds_extract_s: %s\n", qPrintable(seriesText(extractTimes)));
    std::printf("rounds_extract_65536_s: %s\n", qPrintable(seriesText(alignedTimes)));
    std::printf("best_copy_mb_per_s: %.1f\n", best(copyTimes));
    std::printf("best_insert_mb_per_s: %.1f\n", best(insertTimes));
    std::printf("best_extract_mb_per_s: %.1f\n", best(extractTimes));
    std::printf("extract_65536_vs_copy: %.2f\n", ratio(alignedTimes));
    std::printf("library_mb: %.1f\n", static_cast<double>(QFile(library).size()) / (1024.0 * 1024.0));
    std::printf("extracted_matches: yes\n");
    QFile::remove(extracted);
    QFile::remove(source);

    // A list of 100,000 records: opening and counting must not wait for row data.
    {
        QFile::remove(library);
        QFile::copy(QStringLiteral(ZENTARO_TEST_TEMPLATE), library);
        QFile(library).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        Result<std::shared_ptr<Database>> opened = Database::open(library);
        if (!opened)
            fail(opened.message().toStdString());
        std::shared_ptr<Database> db = *opened;
        db->begin();
        MainRecord record;
        for (int i = 0; i < 100000; ++i) {
            record.Title = QStringLiteral("Title %1").arg((i * 7919) % 100000);
            record.Author = QStringLiteral("Author %1").arg(i % 977);
            record.Notes = QStringLiteral("Some notes about record %1").arg(i);
            record.FileType = i % 3 ? QStringLiteral("JPG") : QStringLiteral("DOC");
            if (!db->insertRecord(record))
                fail("cannot add records");
        }
        db->commit();
        QElapsedTimer t;
        t.start();
        Result<std::unique_ptr<Recordset>> list =
            Recordset::open(db, QStringLiteral("SELECT * FROM Main ORDER BY Title"));
        if (!list)
            fail(list.message().toStdString());
        const int count = (*list)->recordCount();
        (*list)->moveLast();
        const QVariant last = (*list)->value(QStringLiteral("Title"));
        const double openMs = seconds(t) * 1000.0;
        t.restart();
        const Status searched = (*list)->setSource(QStringLiteral(
            "SELECT * FROM Main WHERE ((FileType LIKE \"JPG\") AND (Title LIKE \"*99*\" OR Author LIKE \"*99*\" OR "
            "Keywords LIKE \"*99*\" OR Notes LIKE \"*99*\"))ORDER BY Title"));
        const double searchMs = seconds(t) * 1000.0;
        if (!searched || count != 100000 || !last.isValid())
            fail("the 100,000-record list is wrong");
        std::printf("list_100k_open_ms: %.1f\n", openMs);
        std::printf("list_100k_search_ms: %.1f (%d found)\n", searchMs, (*list)->recordCount());
        db->close();
        QFile::remove(library);
    }

    std::printf("insert_vs_copy: %.2f\n", ratio(insertTimes));
    std::printf("extract_vs_copy: %.2f\n", ratio(extractTimes));
    std::printf("peak_rss_growth_mb: %ld\n", (peakKiB - baseKiB + 1023) / 1024);
    return 0;
}
