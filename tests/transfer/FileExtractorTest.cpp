#include "TransferTestSupport.h"
#include "support/FileModes.h"

#include "store/ConfigRow.h"
#include "transfer/FileExtractor.h"
#include "transfer/FileInserter.h"
#include "transfer/FileNameRules.h"
#include "transfer/FileOpener.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace zentaro;
using namespace zentaro::test;

namespace {

class RecordingOpener : public FileOpener
{
public:
    std::vector<QString> opened;
    bool OpenFile(const QString& path) override
    {
        opened.push_back(path);
        return true;
    }
};

class FileExtractorTest : public ::testing::Test
{
protected:
    // Stores bytes as a record named name.type and returns it.
    MainRecord store(const QString& fileName, const QByteArray& bytes)
    {
        const QString path = lib.file(fileName);
        EXPECT_TRUE(writeBytes(path, bytes));
        FileInserter inserter(lib.settings(), lib.db);
        NullProgress quiet;
        Result<qint64> r = inserter.InsertData(path, {}, quiet);
        EXPECT_TRUE(r.ok());
        EXPECT_TRUE(QFile::remove(path));
        return *lib.db->loadRecord(*r);
    }

    // The same, stored piece by piece without a checksum (as libraries
    // made before checksums were kept hold their files).
    MainRecord storeWithoutChecksum(const QString& fileName, const QString& fileType, const QByteArray& bytes)
    {
        MainRecord record;
        record.FileName = fileName;
        record.FileType = fileType;
        record.FileSize = bytes.size();
        Result<qint64> id = lib.db->insertRecord(record);
        EXPECT_TRUE(id.ok());
        for (qsizetype at = 0; at < bytes.size(); at += 64000)
            EXPECT_TRUE(lib.db->appendChunk(*id, bytes.constData() + at, std::min<qsizetype>(64000, bytes.size() - at))
                            .ok());
        EXPECT_TRUE(lib.db->fileHash(*id)->isEmpty());
        return *lib.db->loadRecord(*id);
    }

    QString outFolder()
    {
        const QString folder = lib.folder.path(QStringLiteral("out"));
        QDir().mkpath(folder);
        return folder;
    }

    QStringList leftovers() { return QDir(outFolder()).entryList(QDir::Files | QDir::Hidden | QDir::System); }

    Outcome extract(const MainRecord& record, const QString& target, FreeSpace::Probe probe = {})
    {
        FileExtractor extractor(lib.settings(), lib.db, probe ? probe : FreeSpace::Probe(&FreeSpace::SystemProbe));
        return keep(extractor.ExtractFile(record, target, host));
    }

    // Keeps what an extraction gave, for the checks after it.
    Outcome keep(Result<ExtractedFile> extracted)
    {
        last = extracted;
        if (extracted && extracted->replacedName)
            return {Status::success(), extracted->replacedName};
        return extracted.outcome();
    }

    Result<ExtractedFile> last = Status();

    TempLibrary lib;
    FakeProgressHost host;
    ScriptedConflicts conflicts;
};

} // namespace

TEST_F(FileExtractorTest, WritesTheStoredBytesBack)
{
    for (const qint64 size : {qint64(0), qint64(64000), qint64(128000), qint64(130001)}) {
        const QByteArray bytes = patternBytes(size, static_cast<quint32>(size));
        const MainRecord record = store(QStringLiteral("f%1.bin").arg(size), bytes);
        const QString target = QDir(outFolder()).filePath(QStringLiteral("f%1.BIN").arg(size));
        Outcome outcome = extract(record, target);
        ASSERT_TRUE(outcome.ok()) << outcome.status.message().toStdString();
        EXPECT_TRUE(QFileInfo::exists(target));
        EXPECT_EQ(readBytes(target), bytes) << size;
    }
    // None of them is above the progress threshold.
    EXPECT_EQ(host.opens, 0);
    EXPECT_EQ(leftovers().size(), 4);
}

TEST_F(FileExtractorTest, AnExistingTargetOfTheRightSizeIsUsedUnchanged)
{
    const MainRecord record = store(QStringLiteral("same.txt"), patternBytes(64000, 5));
    const QString target = QDir(outFolder()).filePath(QStringLiteral("same.TXT"));
    const QByteArray other(64000, 'x');
    ASSERT_TRUE(writeBytes(target, other));
    const QDateTime stamp = QFileInfo(target).lastModified();

    Outcome outcome = extract(record, target);
    ASSERT_TRUE(outcome.ok());
    EXPECT_EQ(readBytes(target), other);
    EXPECT_EQ(QFileInfo(target).lastModified(), stamp);
    EXPECT_EQ(last->date, stamp);
}

TEST_F(FileExtractorTest, AnExistingTargetOfAnotherSizeIsReplaced)
{
    const QByteArray bytes = patternBytes(70000, 6);
    const MainRecord record = store(QStringLiteral("other.txt"), bytes);
    const QString target = QDir(outFolder()).filePath(QStringLiteral("other.TXT"));
    ASSERT_TRUE(writeBytes(target, QByteArray(69999, 'x')));
    ASSERT_TRUE(extract(record, target).ok());
    EXPECT_EQ(readBytes(target), bytes);
    EXPECT_EQ(leftovers(), QStringList{QStringLiteral("other.TXT")});
}

TEST_F(FileExtractorTest, ExtractedFileDateIsKeptOnlyForAWritableLibrary)
{
    const MainRecord record = store(QStringLiteral("d.txt"), "abc");
    lib.state.LibraryReadOnly = true;
    ASSERT_TRUE(extract(record, QDir(outFolder()).filePath(QStringLiteral("d.TXT"))).ok());
    EXPECT_FALSE(last->date.isValid());
    lib.state.LibraryReadOnly = false;
    ASSERT_TRUE(extract(record, QDir(outFolder()).filePath(QStringLiteral("d2.TXT"))).ok());
    EXPECT_EQ(last->date, QFileInfo(QDir(outFolder()).filePath(QStringLiteral("d2.TXT"))).lastModified());
}

TEST_F(FileExtractorTest, CancelDuringALargeExtractionLeavesNoFile)
{
    const MainRecord record = store(QStringLiteral("big.bin"), patternBytes(5000000, 8));
    const QString target = QDir(outFolder()).filePath(QStringLiteral("big.BIN"));
    int seenAtCancel = -1;
    host.progress.onPercent = [&](int percent) {
        if (percent >= 40 && !host.progress.cancel) {
            host.progress.cancel = true;
            seenAtCancel = percent;
        }
    };
    Outcome outcome = extract(record, target);
    EXPECT_TRUE(outcome.cancelled());
    EXPECT_FALSE(outcome.notice);
    EXPECT_EQ(seenAtCancel, 40);
    EXPECT_FALSE(last.ok());
    EXPECT_FALSE(QFileInfo::exists(target));
    EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(host.openedTexts, std::vector<QString>{QStringLiteral("Extracting File...")});
    EXPECT_EQ(host.openedCancellable, std::vector<bool>{true});
    EXPECT_EQ(host.closes, 1);
    // The loop stopped at its next look at the Cancel button.
    EXPECT_LE(host.progress.percents.back(), 41);
}

TEST_F(FileExtractorTest, ProgressWindowOnlyAboveAMillionBytes)
{
    const MainRecord exact = store(QStringLiteral("m.bin"), patternBytes(1000000, 2));
    ASSERT_TRUE(extract(exact, QDir(outFolder()).filePath(QStringLiteral("m.BIN"))).ok());
    EXPECT_EQ(host.opens, 0);

    const MainRecord over = store(QStringLiteral("n.bin"), patternBytes(1000001, 3));
    ASSERT_TRUE(extract(over, QDir(outFolder()).filePath(QStringLiteral("n.BIN"))).ok());
    EXPECT_EQ(host.opens, 1);
    EXPECT_EQ(host.closes, 1);
    EXPECT_EQ(host.progress.percents.back(), 100);
    // Only whole-percent changes reach the bar.
    EXPECT_LE(host.progress.percents.size(), 101u);

    // Each file gives its bar back; a bulk run's window is kept open by
    // whoever shows it (TransferProgressHost::holdWindow).
    ASSERT_TRUE(extract(over, QDir(outFolder()).filePath(QStringLiteral("n2.BIN"))).ok());
    EXPECT_EQ(host.opens, 2);
    EXPECT_EQ(host.closes, 2);
}

TEST_F(FileExtractorTest, NotEnoughSpaceWritesNothing)
{
    const MainRecord record = store(QStringLiteral("s.bin"), patternBytes(5000, 1));
    const QString target = QDir(outFolder()).filePath(QStringLiteral("s.BIN"));
    Outcome refused = extract(record, target, [](const QString&) { return std::optional<qint64>(4999); });
    EXPECT_FALSE(refused.ok());
    ASSERT_TRUE(refused.notice);
    EXPECT_EQ(refused.notice->title, QStringLiteral("Cannot Extract"));
    EXPECT_EQ(refused.notice->text, QStringLiteral("Insufficient Drive Space to Extract"));
    EXPECT_EQ(refused.notice->icon, NoticeIcon::Exclamation);
    EXPECT_FALSE(last.ok());
    EXPECT_FALSE(QFileInfo::exists(target));

    EXPECT_TRUE(extract(record, target, [](const QString&) { return std::optional<qint64>(5000); }).ok());
    EXPECT_EQ(QFileInfo(target).size(), 5000);
}

TEST_F(FileExtractorTest, AWriteFailureIsReportedWithTheSystemText)
{
    const MainRecord record = store(QStringLiteral("w.bin"), patternBytes(100, 1));
    const QString target = lib.folder.path(QStringLiteral("no/such/folder/w.BIN"));
    Outcome outcome = extract(record, target);
    EXPECT_FALSE(outcome.ok());
    ASSERT_TRUE(outcome.notice);
    EXPECT_EQ(outcome.notice->title, QStringLiteral("ZNT ERROR"));
    EXPECT_EQ(outcome.notice->icon, NoticeIcon::Critical);
    EXPECT_TRUE(outcome.notice->text.endsWith(target));
    EXPECT_FALSE(last.ok());
    EXPECT_FALSE(QFileInfo::exists(target));
}

TEST_F(FileExtractorTest, StoredBytesShorterThanFileSizeAreNotPassedOffAsTheFile)
{
    MainRecord record = store(QStringLiteral("short.bin"), patternBytes(1000, 1));
    record.FileSize = 2000; // as a damaged record would claim
    const QString target = QDir(outFolder()).filePath(QStringLiteral("short.BIN"));
    Outcome outcome = extract(record, target);
    EXPECT_FALSE(outcome.ok());
    EXPECT_EQ(outcome.status.code(), ErrorCode::Damaged);
    EXPECT_FALSE(QFileInfo::exists(target));
    EXPECT_TRUE(leftovers().isEmpty());
}

TEST_F(FileExtractorTest, ExtractAndOpenHonoursAccessAndEditDetection)
{
    const MainRecord record = store(QStringLiteral("open me.doc"), "hello");
    RecordingOpener opener;
    ConfigRow config;
    auto open = [&] { return FileExtractor(lib.settings(), lib.db).ExtractAndOpen(record, config, host, opener); };

    lib.state.AccessLevel = QStringLiteral("Browser");
    config.BrowseExtract = false;
    Result<OpenedCopy> denied = open();
    EXPECT_EQ(denied.code(), ErrorCode::AccessDenied);
    EXPECT_FALSE(denied.notice());
    EXPECT_TRUE(opener.opened.empty());

    // A Browser allowed to extract opens the file but it is not watched.
    config.BrowseExtract = true;
    Result<OpenedCopy> browsing = open();
    const QString expected = QDir(lib.state.ExtractFolder).filePath(QStringLiteral("open me.DOC"));
    ASSERT_TRUE(browsing.ok());
    EXPECT_TRUE(browsing->opened);
    EXPECT_FALSE(browsing->watchForEdits);
    EXPECT_EQ(opener.opened, std::vector<QString>{expected});
    EXPECT_EQ(browsing->file.path, expected);
    EXPECT_EQ(readBytes(expected), QByteArray("hello"));

    lib.state.AccessLevel = QStringLiteral("Editor");
    EXPECT_TRUE(open()->watchForEdits);
    lib.state.LibraryReadOnly = true;
    EXPECT_FALSE(open()->watchForEdits);
}

TEST_F(FileExtractorTest, CopiesInTheExtractionFolderAreTheOwnersAloneAndNeverWrittenThroughALink)
{
    const UsualUmask usual;
    const MainRecord small = store(QStringLiteral("small.txt"), "small bytes");
    const QByteArray largeBytes = patternBytes(1500000, 7);
    const MainRecord large = store(QStringLiteral("large.bin"), largeBytes);
    const QString extract = lib.state.ExtractFolder;
    const QString smallCopy = extract + QStringLiteral("/small.TXT");
    const QString largeCopy = extract + QStringLiteral("/large.BIN");
    FileExtractor extractor(lib.settings(), lib.db);
    ASSERT_TRUE(QDir().mkpath(extract));

    // A copy of the right size is kept, one of another size replaced: both private.
    ASSERT_TRUE(writeBytes(smallCopy, "small bytes"));
    ASSERT_TRUE(writeBytes(largeCopy, "old"));
    ASSERT_TRUE(setMode(extract, 0777));
    ASSERT_TRUE(keep(extractor.ExtractInto(small, extract, host)).ok());
    EXPECT_EQ(modeOf(extract), 0700u);
    ASSERT_TRUE(setMode(extract, 0777));
    ASSERT_TRUE(keep(extractor.ExtractInto(large, extract, host)).ok());
    EXPECT_EQ(modeOf(extract), 0700u);
    EXPECT_EQ(modeOf(smallCopy), 0600u);
    EXPECT_EQ(modeOf(largeCopy), 0600u);
    EXPECT_EQ(readBytes(largeCopy), largeBytes);

    // A link of the copy's name, to a file of the same size, is replaced.
    const QString mine = lib.file(QStringLiteral("mine.txt"));
    ASSERT_TRUE(writeBytes(mine, "my own text"));
    ASSERT_TRUE(QFile::remove(smallCopy));
    ASSERT_TRUE(QFile::link(mine, smallCopy));
    ASSERT_TRUE(keep(extractor.ExtractInto(small, extract, host)).ok());
    EXPECT_FALSE(QFileInfo(smallCopy).isSymLink());
    EXPECT_EQ(readBytes(smallCopy), QByteArray("small bytes"));
    EXPECT_EQ(readBytes(mine), QByteArray("my own text"));

    // The folder picked for Extract File to Disk under another name of it is
    // the same folder; any other folder gets the usual mode.
    ASSERT_TRUE(QFile::link(lib.folder.folder(), lib.file(QStringLiteral("alias"))));
    ASSERT_TRUE(QFile::remove(smallCopy));
    ASSERT_TRUE(keep(extractor.ExtractToFolder(small, lib.file(QStringLiteral("alias/Extract")), conflicts, host)).ok());
    EXPECT_EQ(modeOf(smallCopy), 0600u);
    ASSERT_TRUE(keep(extractor.ExtractToFolder(small, outFolder(), conflicts, host)).ok());
    EXPECT_EQ(modeOf(outFolder() + QStringLiteral("/small.TXT")), 0644u);
}

TEST_F(FileExtractorTest, ExtractAndOpenOpensNothingAfterACancel)
{
    const MainRecord record = store(QStringLiteral("large.bin"), patternBytes(2000000, 4));
    RecordingOpener opener;
    host.progress.cancel = true;
    FileExtractor extractor(lib.settings(), lib.db);
    Result<OpenedCopy> result = extractor.ExtractAndOpen(record, ConfigRow(), host, opener);
    EXPECT_TRUE(result.cancelled());
    EXPECT_TRUE(opener.opened.empty());
    EXPECT_FALSE(QFileInfo::exists(QDir(lib.state.ExtractFolder).filePath(QStringLiteral("large.BIN"))));
}

TEST_F(FileExtractorTest, ExtractToFolderJoinsTheNameAndClearsTheCancelFlag)
{
    const MainRecord record = store(QStringLiteral("readme"), "no type");
    FileExtractor extractor(lib.settings(), lib.db);
    Outcome outcome = keep(extractor.ExtractToFolder(record, outFolder() + QLatin1Char('/'), conflicts, host));
    ASSERT_TRUE(outcome.ok());
    EXPECT_EQ(last->path, outFolder() + QStringLiteral("/readme"));
    EXPECT_EQ(readBytes(last->path), QByteArray("no type"));

    Outcome failed =
        keep(extractor.ExtractToFolder(record, lib.folder.path(QStringLiteral("gone")), conflicts, host));
    EXPECT_FALSE(failed.ok());
}

// Files beyond 2 GiB need several gigabytes of disk and a minute or two;
// ZENTARO_LARGE_TESTS=1 runs it (the benchmark moves a 3 GB file as well).
TEST_F(FileExtractorTest, AFileLargerThanTwoGiBRoundTrips)
{
    if (qEnvironmentVariableIntValue("ZENTARO_LARGE_TESTS") != 1)
        GTEST_SKIP() << "set ZENTARO_LARGE_TESTS=1 to run";
    const qint64 size = (qint64(1) << 31) + 64000 + 17;
    const QString source = lib.file(QStringLiteral("huge.bin"));
    {
        QFile out(source);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        const QByteArray block = patternBytes(1 << 20, 3);
        for (qint64 written = 0; written < size;) {
            const qint64 n = std::min<qint64>(block.size(), size - written);
            // Each block differs by its position, so a wrapped offset shows.
            QByteArray b = block.left(n);
            std::memcpy(b.data(), &written, sizeof written);
            ASSERT_EQ(out.write(b), n);
            written += n;
        }
    }
    lib.state.CurrentFilePath = source;
    FileInserter inserter(lib.settings(), lib.db);
    NullProgress quiet;
    Result<qint64> r = inserter.InsertData(lib.state.CurrentFilePath, {}, quiet);
    ASSERT_TRUE(r.ok()) << r.status().message().toStdString();
    const MainRecord record = *lib.db->loadRecord(*r);
    EXPECT_EQ(record.FileSize, size);
    const QString target = QDir(outFolder()).filePath(QStringLiteral("huge.BIN"));
    ASSERT_TRUE(extract(record, target).ok());
    ASSERT_EQ(QFileInfo(target).size(), size);
    QFile a(source), b(target);
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    while (!a.atEnd())
        ASSERT_EQ(a.read(1 << 20), b.read(1 << 20));
}

TEST_F(FileExtractorTest, ARecordNamedLikeTheLibraryNeverReplacesIt)
{
    MainRecord record = store(QStringLiteral("x.bin"), patternBytes(5000, 1));
    record.FileName = QStringLiteral("Test");
    record.FileType = QStringLiteral("ZNT");
    const QString beside =
        FileNameRules::TargetFor(lib.folder.folder(), record.MainID, record.FileName, record.FileType).path;
    ASSERT_EQ(beside, lib.state.CurrentLibraryPath);
    const qint64 before = QFileInfo(beside).size();
    Outcome outcome = extract(record, beside);
    EXPECT_FALSE(outcome.ok());
    EXPECT_EQ(outcome.notice->title, QStringLiteral("ZNT ERROR"));
    EXPECT_EQ(QFileInfo(beside).size(), before);
    EXPECT_EQ(*lib.db->countMain(), 1);
    EXPECT_EQ(storedBytes(*lib.db, record.MainID), patternBytes(5000, 1));
}

namespace {

// Everything below root, as relative paths.
QStringList treeOf(const QString& root)
{
    QStringList out;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        out << QDir(root).relativeFilePath(it.next());
    out.sort();
    return out;
}

} // namespace

TEST_F(FileExtractorTest, TraversalNamesAreWrittenInsideTheFolderUnderAReplacement)
{
    const QByteArray bytes = patternBytes(300, 9);
    const MainRecord stored = store(QStringLiteral("plain.txt"), bytes);
    // A folder two levels down, so that "../.." still lands inside the test's own folder.
    const QString folder = lib.folder.path(QStringLiteral("deep/er/out"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QStringList before = treeOf(lib.folder.folder());
    struct Case
    {
        QString fileName;
        QString fileType;
        QString expected;
    };
    const QString id = QString::number(stored.MainID);
    const Case cases[] = {
        {QStringLiteral("../../escaped"), QStringLiteral("TXT"), QStringLiteral("record %1.TXT").arg(id)},
        {lib.folder.path(QStringLiteral("absolute")), QStringLiteral("TXT"), QStringLiteral("record %1.TXT").arg(id)},
        {QStringLiteral("nul") + QChar(0) + QStringLiteral("/../x"), QStringLiteral("TXT"),
         QStringLiteral("record %1.TXT").arg(id)},
        {QStringLiteral("esc\x1b[2J"), QStringLiteral("TXT"), QStringLiteral("record %1.TXT").arg(id)},
        {QStringLiteral(".."), QString(), QStringLiteral("record %1").arg(id)},
        {QStringLiteral("."), QString(), QStringLiteral("record %1").arg(id)},
        {QStringLiteral("x"), QStringLiteral("/../../../typed"), QStringLiteral("record %1").arg(id)},
    };
    FileExtractor extractor(lib.settings(), lib.db);
    for (const Case& c : cases) {
        MainRecord record = stored;
        record.FileName = c.fileName;
        record.FileType = c.fileType;
        const QString expected = QDir(folder).filePath(c.expected);
        QFile::remove(expected);
        const Outcome outcome = keep(extractor.ExtractInto(record, folder, host));
        ASSERT_TRUE(outcome.ok()) << outcome.status.message().toStdString();
        EXPECT_EQ(last->path, expected);
        EXPECT_EQ(readBytes(expected), bytes);
        // The user is told, with the stored name shown and not sent raw.
        ASSERT_TRUE(outcome.notice) << c.fileName.toStdString();
        EXPECT_EQ(outcome.notice->title, QStringLiteral("ZNT Notice"));
        EXPECT_TRUE(outcome.notice->text.endsWith(expected));
        for (const QChar ch : outcome.notice->text)
            EXPECT_TRUE(ch == QLatin1Char('\r') || ch == QLatin1Char('\n') || ch.category() != QChar::Other_Control);
    }
    // Nothing anywhere but the replacements in the folder itself.
    QStringList after = treeOf(lib.folder.folder());
    for (const QString& name : {QStringLiteral("record %1.TXT").arg(id), QStringLiteral("record %1").arg(id)})
        after.removeOne(QStringLiteral("deep/er/out/") + name);
    EXPECT_EQ(after, before);

    // Extract and Open goes the same way.
    MainRecord record = stored;
    record.FileName = QStringLiteral("../../../opened");
    RecordingOpener opener;
    Result<OpenedCopy> opened = extractor.ExtractAndOpen(record, ConfigRow(), host, opener);
    const QString inExtract = QDir(lib.state.ExtractFolder).filePath(QStringLiteral("record %1.TXT").arg(id));
    ASSERT_TRUE(opened.ok());
    ASSERT_TRUE(opened->opened);
    EXPECT_EQ(opener.opened, std::vector<QString>{inExtract});
    EXPECT_TRUE(opened->file.replacedName);
    EXPECT_FALSE(QFileInfo::exists(lib.folder.path(QStringLiteral("../opened.TXT"))));
    // And Extract File to Disk.
    record.FileName = QStringLiteral("/tmp/zentaro-escaped");
    Outcome toDisk = keep(extractor.ExtractToFolder(record, folder, conflicts, host));
    ASSERT_TRUE(toDisk.ok());
    EXPECT_TRUE(toDisk.notice);
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/tmp/zentaro-escaped.TXT")));
}

TEST_F(FileExtractorTest, ExtractFileRefusesATargetThatIsNoPlainNameInAFolder)
{
    const MainRecord record = store(QStringLiteral("g.txt"), "guarded");
    const QString folder = lib.folder.path(QStringLiteral("a/b"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QStringList targets = {
        folder + QStringLiteral("/../../escaped.TXT"),
        folder + QStringLiteral("/./x.TXT"),
        folder + QStringLiteral("/bad") + QChar(0x07) + QStringLiteral(".TXT"),
        folder + QStringLiteral("/nul") + QChar(0) + QStringLiteral(".TXT"),
        folder + QStringLiteral("/.."),
        folder + QLatin1Char('/'),
    };
    for (const QString& target : targets) {
        const Outcome outcome = extract(record, target);
        EXPECT_FALSE(outcome.ok()) << target.toStdString();
        EXPECT_EQ(outcome.status.code(), ErrorCode::InvalidArgument);
        EXPECT_FALSE(last.ok());
    }
    EXPECT_FALSE(QFileInfo::exists(lib.folder.path(QStringLiteral("escaped.TXT"))));
    EXPECT_TRUE(QDir(folder).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot));
}

TEST_F(FileExtractorTest, AFileSizeThatDisagreesWithTheStoredBytesIsADamagedRecord)
{
    const QByteArray bytes = patternBytes(300, 4);
    const MainRecord stored = store(QStringLiteral("sized.txt"), bytes);
    const QString target = QDir(outFolder()).filePath(QStringLiteral("sized.TXT"));
    auto expectDamaged = [&](const MainRecord& record, const char* what) {
        const Outcome outcome = extract(record, target);
        EXPECT_FALSE(outcome.ok()) << what;
        EXPECT_EQ(outcome.status.code(), ErrorCode::Damaged) << what;
        ASSERT_TRUE(outcome.notice) << what;
        EXPECT_EQ(outcome.notice->title, QStringLiteral("ZNT ERROR"));
        EXPECT_TRUE(outcome.notice->text.contains(QStringLiteral("damaged"))) << outcome.notice->text.toStdString();
        EXPECT_FALSE(last.ok());
        EXPECT_FALSE(QFileInfo::exists(target)) << what;
        EXPECT_TRUE(leftovers().isEmpty()) << what;
    };
    MainRecord record = stored;
    record.FileSize = 100; // the library holds more than the record claims
    expectDamaged(record, "longer");
    record.FileSize = -1;
    expectDamaged(record, "negative");
    record.FileSize = 301;
    expectDamaged(record, "shorter");
    // Even an old copy that happens to have the claimed size is not offered.
    ASSERT_TRUE(writeBytes(target, QByteArray(100, 'o')));
    record.FileSize = 100;
    EXPECT_EQ(extract(record, target).status.code(), ErrorCode::Damaged);
    ASSERT_TRUE(QFile::remove(target));

    // A FileSize that is no number, as the sqlite3 tool can leave it.
    for (const char* value : {"'abc'", "'12abc'", "12.5", "NULL"}) {
        lib.db->close();
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open_v2(lib.state.CurrentLibraryPath.toUtf8().constData(), &raw, SQLITE_OPEN_READWRITE, nullptr),
                  SQLITE_OK);
        const QByteArray sql = QByteArray("UPDATE Main SET FileSize = ") + value + " WHERE MainID = " +
                               QByteArray::number(stored.MainID);
        // NOT NULL refuses NULL; the others go in as they are.
        const int rc = sqlite3_exec(raw, sql.constData(), nullptr, nullptr, nullptr);
        sqlite3_close(raw);
        lib.db = *Database::open(lib.state.CurrentLibraryPath);
        if (rc != SQLITE_OK)
            continue;
        const Result<MainRecord> loaded = lib.db->loadRecord(stored.MainID);
        ASSERT_TRUE(loaded.ok());
        expectDamaged(*loaded, value);
    }

    // The record itself is whole once its FileSize is right again.
    ASSERT_TRUE(lib.db->updateFields(stored.MainID, {{QStringLiteral("FileSize"), qint64(300)}}).ok());
    ASSERT_TRUE(extract(*lib.db->loadRecord(stored.MainID), target).ok());
    EXPECT_EQ(readBytes(target), bytes);
}

// In a folder the user chose, a file of the record's name is kept only when
// its bytes are the record's (by the stored checksum, or without one against
// the stored bytes); any other, of the same size or not, is put to the
// resolver, and a Skip leaves it untouched.
TEST_F(FileExtractorTest, AChosenFolderKeepsOnlyTheRecordsOwnBytesAndAsksAboutAnyOtherFile)
{
    const QByteArray bytes = patternBytes(130001, 7);
    const MainRecord hashed = store(QStringLiteral("hashed.txt"), bytes);
    ASSERT_FALSE(lib.db->fileHash(hashed.MainID)->isEmpty());
    const MainRecord bare = storeWithoutChecksum(QStringLiteral("bare"), QStringLiteral("TXT"), bytes);
    FileExtractor extractor(lib.settings(), lib.db);
    extractor.setConflicts(&conflicts);
    const QDateTime old = QDateTime::currentDateTime().addDays(-3);

    for (const MainRecord& record : {hashed, bare}) {
        const QString name = record.FileName + QStringLiteral(".TXT");
        SCOPED_TRACE(name.toStdString());
        const QString target = QDir(outFolder()).filePath(name);
        auto place = [&](const QByteArray& content) {
            ASSERT_TRUE(writeBytes(target, content));
            QFile file(target);
            ASSERT_TRUE(file.open(QIODevice::ReadWrite));
            ASSERT_TRUE(file.setFileTime(old, QFileDevice::FileModificationTime));
        };
        auto untouched = [&](const QByteArray& content) {
            EXPECT_EQ(readBytes(target), content);
            EXPECT_EQ(QFileInfo(target).lastModified(), old);
        };
        conflicts.asked.clear();

        // The record's own bytes: kept as they are, nobody asked.
        place(bytes);
        Outcome outcome = keep(extractor.ExtractInto(record, outFolder(), host));
        ASSERT_TRUE(outcome.ok()) << outcome.status.message().toStdString();
        EXPECT_FALSE((last->fate == ExtractedFile::Fate::Skipped));
        EXPECT_TRUE(conflicts.asked.empty());
        untouched(bytes);

        // The same size, one byte different at the very end.
        QByteArray other = bytes;
        other[other.size() - 1] = char(other.back() ^ 1);
        place(other);
        outcome = keep(extractor.ExtractInto(record, outFolder(), host));
        ASSERT_TRUE(outcome.ok());
        EXPECT_TRUE((last->fate == ExtractedFile::Fate::Skipped));
        ASSERT_EQ(conflicts.asked.size(), 1u);
        EXPECT_EQ(conflicts.asked[0].path, target);
        EXPECT_EQ(conflicts.asked[0].keepBothPath, QDir(outFolder()).filePath(record.FileName + QStringLiteral(" (2).TXT")));
        EXPECT_EQ(conflicts.asked[0].mainId, record.MainID);
        EXPECT_FALSE(conflicts.asked[0].inRun);
        untouched(other);

        // Another size.
        place(bytes.left(1000));
        ASSERT_TRUE(keep(extractor.ExtractInto(record, outFolder(), host)).ok());
        EXPECT_EQ(conflicts.asked.size(), 2u);
        untouched(bytes.left(1000));
    }
    EXPECT_EQ(leftovers().size(), 2);
}

TEST_F(FileExtractorTest, EachAnswerToAFileInTheWay)
{
    const QByteArray bytes = patternBytes(5000, 8);
    const QByteArray other = patternBytes(5000, 9);
    const MainRecord record = store(QStringLiteral("answer.txt"), bytes);
    const QString target = QDir(outFolder()).filePath(QStringLiteral("answer.TXT"));
    const QString second = QDir(outFolder()).filePath(QStringLiteral("answer (2).TXT"));
    FileExtractor extractor(lib.settings(), lib.db);
    extractor.setConflicts(&conflicts);

    ASSERT_TRUE(writeBytes(target, other));
    conflicts.answers = {{ConflictChoice::Cancel, false}};
    const Outcome cancelled = keep(extractor.ExtractInto(record, outFolder(), host));
    EXPECT_TRUE(cancelled.cancelled());
    EXPECT_FALSE(last.ok());
    EXPECT_EQ(readBytes(target), other);
    EXPECT_EQ(leftovers(), QStringList{QStringLiteral("answer.TXT")});

    conflicts.answers = {{ConflictChoice::KeepBoth, false}};
    ASSERT_TRUE(keep(extractor.ExtractInto(record, outFolder(), host)).ok());
    EXPECT_EQ(last->path, second);
    EXPECT_EQ(readBytes(target), other);
    EXPECT_EQ(readBytes(second), bytes);

    conflicts.answers = {{ConflictChoice::Replace, false}};
    ASSERT_TRUE(keep(extractor.ExtractInto(record, outFolder(), host)).ok());
    EXPECT_EQ(last->path, target);
    EXPECT_EQ(readBytes(target), bytes);
    EXPECT_EQ(leftovers().size(), 2);
    EXPECT_EQ(conflicts.asked.size(), 3u);

    // "Extract File to Disk" asks its own resolver.
    ASSERT_TRUE(writeBytes(target, other));
    ScriptedConflicts window;
    window.otherwise = {ConflictChoice::Replace, false};
    ASSERT_TRUE(keep(extractor.ExtractToFolder(record, outFolder(), window, host)).ok());
    EXPECT_EQ(window.asked.size(), 1u);
    EXPECT_EQ(readBytes(target), bytes);
}

// Keep both writes the record beside the file in the way, under the first
// "name (n).type" from 2 on that nothing in the folder has.
TEST_F(FileExtractorTest, KeepBothTakesTheFirstFreeNumberedName)
{
    const QByteArray bytes = patternBytes(3000, 10);
    const MainRecord typed = store(QStringLiteral("archive.tar.gz"), bytes);
    const MainRecord untyped = storeWithoutChecksum(QStringLiteral("README"), QString(), bytes);
    const QDir out(outFolder());
    ASSERT_TRUE(writeBytes(out.filePath(QStringLiteral("archive.tar.GZ")), "in the way"));
    ASSERT_TRUE(writeBytes(out.filePath(QStringLiteral("archive.tar (2).GZ")), "taken too"));
    ASSERT_TRUE(out.mkpath(QStringLiteral("archive.tar (3).GZ")));
    ASSERT_TRUE(writeBytes(out.filePath(QStringLiteral("README")), "mine"));
    FileExtractor extractor(lib.settings(), lib.db);
    extractor.setConflicts(&conflicts);
    conflicts.otherwise = {ConflictChoice::KeepBoth, false};

    ASSERT_TRUE(keep(extractor.ExtractInto(typed, out.path(), host)).ok());
    EXPECT_EQ(last->path, out.filePath(QStringLiteral("archive.tar (4).GZ")));
    ASSERT_TRUE(keep(extractor.ExtractInto(typed, out.path(), host)).ok());
    EXPECT_EQ(last->path, out.filePath(QStringLiteral("archive.tar (5).GZ")));
    ASSERT_TRUE(keep(extractor.ExtractInto(untyped, out.path(), host)).ok());
    EXPECT_EQ(last->path, out.filePath(QStringLiteral("README (2)")));
    EXPECT_EQ(readBytes(out.filePath(QStringLiteral("archive.tar (4).GZ"))), bytes);
    EXPECT_EQ(readBytes(out.filePath(QStringLiteral("README (2)"))), bytes);
    EXPECT_EQ(readBytes(out.filePath(QStringLiteral("archive.tar (2).GZ"))), QByteArray("taken too"));
    EXPECT_EQ(readBytes(out.filePath(QStringLiteral("README"))), QByteArray("mine"));
}
