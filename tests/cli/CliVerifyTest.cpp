#include "CliTestSupport.h"

#include <sqlite3.h>

using namespace zentaro;
using zentaro::test::ZntRun;

namespace {

class CliVerifyTest : public test::ZntTest
{
protected:
    // Three records of 200,000 bytes each (four pieces).
    QString libraryWithRecords()
    {
        const QString library = newLibrary();
        QStringList arguments = {QStringLiteral("add"), library};
        for (int i = 1; i <= 3; ++i) {
            const QString file = path(QStringLiteral("f%1.bin").arg(i));
            writeFile(file, pattern(200000, i));
            arguments << file;
        }
        const ZntRun added = znt(arguments);
        EXPECT_EQ(added.exitCode, 0) << added.describe();
        return library;
    }

    // Changes the file behind the engine's back, as a disk fault would.
    static void damage(const QString& library, const char* sql)
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open_v2(library.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
        char* error = nullptr;
        EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
        sqlite3_free(error);
        EXPECT_EQ(sqlite3_changes(db), 1);
        sqlite3_close(db);
    }

    // Flips one bit inside the stored bytes of file seed, in the library
    // file itself, below anything the engine would notice.
    static void flipStoredBit(const QString& library, int seed, qint64 offset = 130000)
    {
        QFile f(library);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        QByteArray all = f.readAll();
        const QByteArray marker = pattern(200000, seed).mid(offset, 64);
        const qsizetype at = all.indexOf(marker);
        ASSERT_GE(at, 0);
        ASSERT_EQ(all.indexOf(marker, at + 1), -1);
        all[at + 10] = static_cast<char>(all[at + 10] ^ 0x04);
        ASSERT_TRUE(f.seek(0));
        ASSERT_EQ(f.write(all), all.size());
    }

    ZntRun extractAll(const QString& library, const QString& folder)
    {
        QDir().mkpath(folder);
        return znt({QStringLiteral("extract"), library, QStringLiteral("--all"), QStringLiteral("--to"), folder});
    }

    static QList<qint64> badIds(const ZntRun& run)
    {
        QList<qint64> out;
        for (const QJsonValue& bad : run.json().value(QStringLiteral("BadRecords")).toArray())
            out << bad.toObject().value(QStringLiteral("MainID")).toInteger();
        return out;
    }
};

TEST_F(CliVerifyTest, AnIntactLibraryPasses)
{
    const QString library = libraryWithRecords();
    const ZntRun run = znt({QStringLiteral("verify"), library, QStringLiteral("--json")});
    ASSERT_EQ(run.exitCode, 0) << run.describe();
    EXPECT_TRUE(run.json().value(QStringLiteral("Ok")).toBool());
    EXPECT_EQ(run.json().value(QStringLiteral("RecordsChecked")).toInteger(), 3);
    EXPECT_TRUE(badIds(run).isEmpty());
    EXPECT_EQ(run.json().value(QStringLiteral("Integrity")).toArray().at(0).toString(), QStringLiteral("ok"));
}

TEST_F(CliVerifyTest, AMissingMiddlePieceIsFound)
{
    const QString library = libraryWithRecords();
    // The last piece is still there, so its number alone would still add up.
    damage(library, "DELETE FROM OLE WHERE MainID = 2 AND Piece = 1");
    const ZntRun run = znt({QStringLiteral("verify"), library, QStringLiteral("--json")});
    EXPECT_EQ(run.exitCode, 3) << run.describe();
    EXPECT_FALSE(run.json().value(QStringLiteral("Ok")).toBool());
    EXPECT_EQ(badIds(run), QList<qint64>{2});
    const QJsonObject bad = run.json().value(QStringLiteral("BadRecords")).toArray().at(0).toObject();
    EXPECT_EQ(bad.value(QStringLiteral("FileSize")).toInteger(), 200000);
    EXPECT_EQ(bad.value(QStringLiteral("StoredBytes")).toInteger(), 136000);
    EXPECT_TRUE(bad.value(QStringLiteral("Problem")).toString().contains(QStringLiteral("piece 1 is missing")));
}

TEST_F(CliVerifyTest, ATruncatedPieceIsFoundAndReportedInText)
{
    const QString library = libraryWithRecords();
    damage(library, "UPDATE OLE SET Data = substr(Data, 1, 100) WHERE MainID = 3 AND Piece = 0");
    const ZntRun run = znt({QStringLiteral("verify"), library});
    EXPECT_EQ(run.exitCode, 3) << run.describe();
    EXPECT_TRUE(run.outText().contains(QStringLiteral("Damaged record 3 \"f3\""))) << run.describe();
    EXPECT_TRUE(run.outText().contains(QStringLiteral("3 record(s) checked, 1 damaged."))) << run.describe();
    EXPECT_FALSE(run.outText().contains(QStringLiteral("Damaged record 1")));
    EXPECT_TRUE(run.errText().contains(QStringLiteral("damaged")));
}

TEST_F(CliVerifyTest, AFileSizeThatDisagreesIsFound)
{
    const QString library = libraryWithRecords();
    damage(library, "UPDATE Main SET FileSize = 199999 WHERE MainID = 1");
    const ZntRun run = znt({QStringLiteral("verify"), library, QStringLiteral("--json")});
    EXPECT_EQ(run.exitCode, 3) << run.describe();
    EXPECT_EQ(badIds(run), QList<qint64>{1});
}

TEST_F(CliVerifyTest, AFlippedBitIsFoundAndItsRecordIsNotExtracted)
{
    const QString library = libraryWithRecords();
    flipStoredBit(library, 2);
    const ZntRun run = znt({QStringLiteral("verify"), library, QStringLiteral("--json")});
    EXPECT_EQ(run.exitCode, 3) << run.describe();
    EXPECT_EQ(run.json().value(QStringLiteral("Integrity")).toArray().at(0).toString(), QStringLiteral("ok"));
    EXPECT_EQ(badIds(run), QList<qint64>{2});
    EXPECT_EQ(run.json().value(QStringLiteral("Unchecked")).toInteger(), 0);
    const QJsonObject bad = run.json().value(QStringLiteral("BadRecords")).toArray().at(0).toObject();
    EXPECT_TRUE(bad.value(QStringLiteral("Problem")).toString().contains(QStringLiteral("checksum")));

    const QString folder = path(QStringLiteral("out"));
    const ZntRun extracted = extractAll(library, folder);
    EXPECT_EQ(extracted.exitCode, 3) << extracted.describe();
    EXPECT_TRUE(extracted.errText().contains(QStringLiteral("damaged"))) << extracted.describe();
    // The sound records come out; the damaged one leaves nothing, not even a temporary file.
    const QStringList files = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    EXPECT_TRUE(files.contains(QStringLiteral("f1.BIN"))) << files.join(u' ').toStdString();
    EXPECT_FALSE(files.contains(QStringLiteral("f2.BIN")));
    for (const QString& name : files)
        EXPECT_TRUE(name == QStringLiteral("f1.BIN") || name == QStringLiteral("f3.BIN")) << name.toStdString();
}

TEST_F(CliVerifyTest, RecordsWithoutAChecksumAreUncheckedUntilOneIsAdded)
{
    const QString library = libraryWithRecords();
    // As a record stored before checksums were kept.
    damage(library, "DELETE FROM OLEHash WHERE MainID = 3");
    flipStoredBit(library, 3);
    ZntRun run = znt({QStringLiteral("verify"), library, QStringLiteral("--json")});
    EXPECT_EQ(run.exitCode, 0) << run.describe();
    EXPECT_EQ(run.json().value(QStringLiteral("Unchecked")).toInteger(), 1);
    run = znt({QStringLiteral("verify"), library});
    EXPECT_TRUE(run.outText().contains(QStringLiteral("Records without a checksum (bytes unchecked): 1")))
        << run.describe();

    run = znt({QStringLiteral("verify"), library, QStringLiteral("--add-missing-checksums")});
    EXPECT_EQ(run.exitCode, 0) << run.describe();
    EXPECT_TRUE(run.outText().contains(QStringLiteral("Checksums added: 1"))) << run.describe();
    run = znt({QStringLiteral("verify"), library, QStringLiteral("--json")});
    EXPECT_EQ(run.json().value(QStringLiteral("Unchecked")).toInteger(), 0) << run.describe();
    // From now on a change of the stored bytes shows.
    flipStoredBit(library, 3, 20000);
    run = znt({QStringLiteral("verify"), library, QStringLiteral("--json")});
    EXPECT_EQ(run.exitCode, 3) << run.describe();
    EXPECT_EQ(badIds(run), QList<qint64>{3});
}

TEST_F(CliVerifyTest, AddingChecksumsSaysHowManyRecordsHadNoneAndThatTheirBytesAreTakenAsTheyAre)
{
    const QString library = libraryWithRecords();
    // Bytes changed through SQL: the change drops the record's checksum.
    damage(library, "UPDATE OLE SET Data = zeroblob(64000) WHERE MainID = 2 AND Piece = 1");
    const ZntRun run = znt({QStringLiteral("verify"), library, QStringLiteral("--add-missing-checksums")});
    EXPECT_EQ(run.exitCode, 0) << run.describe();
    EXPECT_TRUE(run.outText().contains(QStringLiteral("Checksums added: 1"))) << run.describe();
    EXPECT_TRUE(run.errText().contains(QStringLiteral("1 record(s)"))) << run.describe();
    EXPECT_TRUE(run.errText().contains(QStringLiteral("changed outside Zentaro"))) << run.describe();
    EXPECT_TRUE(run.errText().contains(QStringLiteral("taken as they are"))) << run.describe();
}

TEST_F(CliVerifyTest, ChecksumsAreAddedOnlyToAWritableLibrary)
{
    const QString library = libraryWithRecords();
    damage(library, "DELETE FROM OLEHash WHERE MainID = 1");
    QFile::setPermissions(library, QFile::ReadOwner | QFile::ReadGroup);
    const ZntRun run = znt({QStringLiteral("verify"), library, QStringLiteral("--add-missing-checksums")});
    EXPECT_EQ(run.exitCode, 2) << run.describe();
    QFile::setPermissions(library, QFile::ReadOwner | QFile::WriteOwner);
    const ZntRun after = znt({QStringLiteral("verify"), library, QStringLiteral("--json")});
    EXPECT_EQ(after.json().value(QStringLiteral("Unchecked")).toInteger(), 1) << after.describe();
}

TEST_F(CliVerifyTest, ReinsertionTakesANewChecksum)
{
    const QString library = libraryWithRecords();
    const QString replacement = path(QStringLiteral("new.bin"));
    writeFile(replacement, pattern(150000, 9));
    const ZntRun reinserted =
        znt({QStringLiteral("reinsert"), library, replacement, QStringLiteral("--id"), QStringLiteral("2")});
    ASSERT_EQ(reinserted.exitCode, 0) << reinserted.describe();
    const ZntRun run = znt({QStringLiteral("verify"), library, QStringLiteral("--json")});
    EXPECT_EQ(run.exitCode, 0) << run.describe();
    EXPECT_EQ(run.json().value(QStringLiteral("Unchecked")).toInteger(), 0);
    const QString folder = path(QStringLiteral("out"));
    EXPECT_EQ(extractAll(library, folder).exitCode, 0);
    EXPECT_EQ(readFile(folder + QStringLiteral("/f2.BIN")), pattern(150000, 9));
}

TEST_F(CliVerifyTest, ALargeFileIsHashedAlongsideItsTransfer)
{
    // Large enough to be hashed on a thread of its own, in and out.
    const QString library = newLibrary();
    const QString file = path(QStringLiteral("large.bin"));
    const QByteArray bytes = pattern(9 * 1000 * 1000 + 17, 5);
    writeFile(file, bytes);
    ASSERT_EQ(znt({QStringLiteral("add"), library, file}).exitCode, 0);
    const ZntRun run = znt({QStringLiteral("verify"), library, QStringLiteral("--json")});
    EXPECT_EQ(run.exitCode, 0) << run.describe();
    EXPECT_EQ(run.json().value(QStringLiteral("Unchecked")).toInteger(), 0);
    const QString folder = path(QStringLiteral("out"));
    ASSERT_EQ(extractAll(library, folder).exitCode, 0);
    EXPECT_TRUE(readFile(folder + QStringLiteral("/large.BIN")) == bytes);
}

} // namespace
