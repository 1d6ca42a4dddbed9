#include "CliTestSupport.h"
#include "support/TrashHome.h"

#include <QDir>
#include <QFileInfo>

using namespace zentaro;
using zentaro::test::ZntRun;

namespace {

class CliTransferTest : public test::ZntTest
{
};

TEST_F(CliTransferTest, RoundTripKeepsEveryByteOfEmptyChunkSizedAndMultiChunkFiles)
{
    const QString library = newLibrary();
    const QDir sources(path(QStringLiteral("in")));
    ASSERT_TRUE(QDir().mkpath(sources.path()));
    const QList<QPair<QString, qint64>> files = {
        {QStringLiteral("empty.bin"), 0}, {QStringLiteral("exact.dat"), 64000}, {QStringLiteral("large.raw"), 200000}};
    QStringList arguments = {QStringLiteral("add"), library};
    int seed = 1;
    for (const auto& [name, size] : files) {
        writeFile(sources.filePath(name), pattern(size, seed++));
        arguments << sources.filePath(name);
    }
    arguments << QStringLiteral("--author") << QStringLiteral("Scanner") << QStringLiteral("--keywords")
              << QStringLiteral("batch");

    const ZntRun added = znt(arguments);
    ASSERT_EQ(added.exitCode, 0) << added.describe();
    // Not a terminal: no progress bar, nothing at all on standard error.
    EXPECT_TRUE(added.err.isEmpty()) << added.describe();
    const QStringList newIds = added.outText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(newIds.size(), 3) << added.describe();

    const ZntRun listed = znt({QStringLiteral("list"), library, QStringLiteral("--json")});
    ASSERT_EQ(listed.exitCode, 0) << listed.describe();
    const QJsonArray records = listed.json().value(QStringLiteral("Records")).toArray();
    ASSERT_EQ(records.size(), 3);
    QMap<QString, QJsonObject> byName;
    for (const QJsonValue& value : records)
        byName.insert(value.toObject().value(QStringLiteral("FileName")).toString(), value.toObject());
    EXPECT_EQ(byName.value(QStringLiteral("empty")).value(QStringLiteral("FileSize")).toInteger(), 0);
    EXPECT_EQ(byName.value(QStringLiteral("exact")).value(QStringLiteral("FileSize")).toInteger(), 64000);
    EXPECT_EQ(byName.value(QStringLiteral("large")).value(QStringLiteral("FileSize")).toInteger(), 200000);
    EXPECT_EQ(byName.value(QStringLiteral("large")).value(QStringLiteral("FileType")).toString(), QStringLiteral("RAW"));
    EXPECT_EQ(byName.value(QStringLiteral("large")).value(QStringLiteral("Author")).toString(), QStringLiteral("Scanner"));
    EXPECT_EQ(byName.value(QStringLiteral("large")).value(QStringLiteral("Keywords")).toString(), QStringLiteral("batch"));

    const QString target = path(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(target));
    QStringList extractArgs = {QStringLiteral("extract"), library, QStringLiteral("--to"), target};
    for (const QJsonValue& value : records)
        extractArgs << QStringLiteral("--id") << QString::number(value.toObject().value(QStringLiteral("MainID")).toInteger());
    const ZntRun extracted = znt(extractArgs);
    ASSERT_EQ(extracted.exitCode, 0) << extracted.describe();
    EXPECT_EQ(extracted.outText().split(QLatin1Char('\n'), Qt::SkipEmptyParts).size(), 3);

    seed = 1;
    for (const auto& [name, size] : files) {
        const QString stem = QFileInfo(name).completeBaseName();
        const QString back = QDir(target).filePath(stem + QLatin1Char('.') + QFileInfo(name).suffix().toUpper());
        ASSERT_TRUE(QFileInfo::exists(back)) << back.toStdString();
        EXPECT_EQ(readFile(back), pattern(size, seed++)) << name.toStdString();
    }
    // The originals stay unless asked otherwise.
    EXPECT_TRUE(QFileInfo::exists(sources.filePath(QStringLiteral("large.raw"))));
}

TEST_F(CliTransferTest, AddRemovesOriginalsOnlyWhenAskedAndCapitalizesTitles)
{
    test::TrashHome home;
    const QString library = newLibrary();
    const QString file = path(QStringLiteral("MY holiday-photos.txt"));
    writeFile(file, "hello");
    const ZntRun added = znt({QStringLiteral("add"), library, file, QStringLiteral("--auto-capitalize"),
                              QStringLiteral("--remove-originals")});
    ASSERT_EQ(added.exitCode, 0) << added.describe();
    EXPECT_FALSE(QFileInfo::exists(file));
    EXPECT_TRUE(QFileInfo::exists(home.trashedFile(QStringLiteral("MY holiday-photos.txt"))));
    const ZntRun listed = znt({QStringLiteral("list"), library, QStringLiteral("--json")});
    const QJsonObject record = listed.json().value(QStringLiteral("Records")).toArray().at(0).toObject();
    EXPECT_EQ(record.value(QStringLiteral("Title")).toString(), QStringLiteral("My Holiday-photos"));
    EXPECT_EQ(record.value(QStringLiteral("FileName")).toString(), QStringLiteral("MY holiday-photos"));
}

TEST_F(CliTransferTest, AMissingFileIsReportedAndTheOthersAreStillAdded)
{
    const QString library = newLibrary();
    const QString good = path(QStringLiteral("good.txt"));
    writeFile(good, "content");
    const ZntRun added = znt({QStringLiteral("add"), library, path(QStringLiteral("missing.txt")), good});
    EXPECT_EQ(added.exitCode, 3) << added.describe();
    EXPECT_TRUE(added.errText().contains(QStringLiteral("ZNT Insertion Error"))) << added.describe();
    EXPECT_TRUE(added.errText().contains(QStringLiteral("It will NOT be inserted into the library.  Click OK to continue.")));
    EXPECT_EQ(recordCount(library), 1);
}

TEST_F(CliTransferTest, ExtractByWhereWritesOnlyTheMatchingRecords)
{
    const QString library = newLibrary();
    writeFile(path(QStringLiteral("a.txt")), "aaa");
    writeFile(path(QStringLiteral("b.doc")), "bbbb");
    ASSERT_EQ(znt({QStringLiteral("add"), library, path(QStringLiteral("a.txt")), path(QStringLiteral("b.doc"))}).exitCode, 0);
    const QString target = path(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(target));
    const ZntRun extracted = znt({QStringLiteral("extract"), library, QStringLiteral("--where"),
                                  QStringLiteral("FileType = \"DOC\""), QStringLiteral("--to"), target});
    ASSERT_EQ(extracted.exitCode, 0) << extracted.describe();
    EXPECT_EQ(QDir(target).entryList(QDir::Files), QStringList{QStringLiteral("b.DOC")});
    EXPECT_EQ(readFile(QDir(target).filePath(QStringLiteral("b.DOC"))), QByteArray("bbbb"));
}

TEST_F(CliTransferTest, ReinsertReplacesTheBytesAndRenewsTheSize)
{
    const QString library = newLibrary();
    const QString file = path(QStringLiteral("grow.bin"));
    writeFile(file, pattern(10, 3));
    const ZntRun added = znt({QStringLiteral("add"), library, file});
    ASSERT_EQ(added.exitCode, 0) << added.describe();
    const QString id = added.outText().trimmed();

    writeFile(file, pattern(200000, 4));
    const ZntRun again = znt({QStringLiteral("reinsert"), library, QStringLiteral("--id"), id, file});
    ASSERT_EQ(again.exitCode, 0) << again.describe();

    const ZntRun listed = znt({QStringLiteral("list"), library, QStringLiteral("--json")});
    EXPECT_EQ(listed.json().value(QStringLiteral("Records")).toArray().at(0).toObject().value(QStringLiteral("FileSize")).toInteger(), 200000);
    const QString target = path(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(target));
    ASSERT_EQ(znt({QStringLiteral("extract"), library, QStringLiteral("--all"), QStringLiteral("--to"), target}).exitCode, 0);
    EXPECT_EQ(readFile(QDir(target).filePath(QStringLiteral("grow.BIN"))), pattern(200000, 4));

    const ZntRun unknown = znt({QStringLiteral("reinsert"), library, QStringLiteral("--id"), QStringLiteral("999"), file});
    EXPECT_EQ(unknown.exitCode, 1) << unknown.describe();

    // A file that is not there leaves the record as it was.
    const ZntRun missing = znt({QStringLiteral("reinsert"), library, QStringLiteral("--id"), id,
                                path(QStringLiteral("gone.bin"))});
    EXPECT_NE(missing.exitCode, 0) << missing.describe();
    EXPECT_FALSE(missing.err.isEmpty());
    const ZntRun still = znt({QStringLiteral("list"), library, QStringLiteral("--json")});
    EXPECT_EQ(still.json().value(QStringLiteral("Records")).toArray().at(0).toObject().value(QStringLiteral("FileSize")).toInteger(), 200000);
}

} // namespace

namespace {

class CliBulkNameTest : public test::ZntTest
{
};

TEST_F(CliBulkNameTest, ExtractAllGivesASecondRecordOfOneNameItsOwnFile)
{
    const QString library = newLibrary();
    QStringList ids;
    for (const int seed : {1, 2}) {
        const QString folder = path(QStringLiteral("in%1").arg(seed));
        ASSERT_TRUE(QDir().mkpath(folder));
        writeFile(QDir(folder).filePath(QStringLiteral("same.bin")), pattern(5000, seed));
        const ZntRun added = znt({QStringLiteral("add"), library, QDir(folder).filePath(QStringLiteral("same.bin"))});
        ASSERT_EQ(added.exitCode, 0) << added.describe();
        ids << added.outText().trimmed();
    }
    const QString target = path(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(target));
    const ZntRun extracted = znt({QStringLiteral("extract"), library, QStringLiteral("--all"), QStringLiteral("--to"), target});
    ASSERT_EQ(extracted.exitCode, 0) << extracted.describe();
    EXPECT_EQ(readFile(QDir(target).filePath(QStringLiteral("same.BIN"))), pattern(5000, 1));
    EXPECT_EQ(readFile(QDir(target).filePath(QStringLiteral("same (%1).BIN").arg(ids[1]))), pattern(5000, 2));

    // A later run finds the file from before, with other bytes: refused, nothing added.
    const ZntRun again = znt({QStringLiteral("extract"), library, QStringLiteral("--id"), ids[1], QStringLiteral("--to"), target});
    ASSERT_EQ(again.exitCode, 2) << again.describe();
    EXPECT_EQ(QDir(target).entryList(QDir::Files).size(), 2);
}

// A file in the folder with other bytes than its record's is refused by
// name (exit 2) while the others are written, unless --overwrite replaces it
// or --keep-both writes the record beside it; one of the same bytes stays.
TEST_F(CliBulkNameTest, AFileWithOtherBytesIsRefusedUnlessOverwriteOrKeepBothIsGiven)
{
    const QString library = newLibrary();
    writeFile(path(QStringLiteral("a.txt")), "aaaa");
    writeFile(path(QStringLiteral("b.txt")), "bbbb");
    writeFile(path(QStringLiteral("c.txt")), "cccc");
    ASSERT_EQ(znt({QStringLiteral("add"), library, path(QStringLiteral("a.txt")), path(QStringLiteral("b.txt")),
                   path(QStringLiteral("c.txt"))})
                  .exitCode,
              0);
    const QDir target(path(QStringLiteral("out")));
    ASSERT_TRUE(target.mkpath(QStringLiteral(".")));
    writeFile(target.filePath(QStringLiteral("a.TXT")), "AAAA");
    writeFile(target.filePath(QStringLiteral("b.TXT")), "bbbb");
    auto extract = [&](const QStringList& options) {
        return znt(QStringList{QStringLiteral("extract"), library, QStringLiteral("--all"), QStringLiteral("--to"),
                               target.path()} +
                   options);
    };

    const ZntRun refused = extract({});
    EXPECT_EQ(refused.exitCode, 2) << refused.describe();
    EXPECT_TRUE(refused.errText().contains(QStringLiteral("\"%1\"").arg(target.filePath(QStringLiteral("a.TXT")))))
        << refused.describe();
    EXPECT_TRUE(refused.errText().contains(QStringLiteral("--overwrite"))) << refused.describe();
    EXPECT_FALSE(refused.errText().contains(QStringLiteral("b.TXT"))) << refused.describe();
    EXPECT_EQ(readFile(target.filePath(QStringLiteral("a.TXT"))), QByteArray("AAAA"));
    EXPECT_EQ(readFile(target.filePath(QStringLiteral("c.TXT"))), QByteArray("cccc"));
    EXPECT_EQ(target.entryList(QDir::Files).size(), 3);

    const ZntRun both = extract({QStringLiteral("--keep-both")});
    EXPECT_EQ(both.exitCode, 0) << both.describe();
    EXPECT_TRUE(both.outText().contains(target.filePath(QStringLiteral("a (2).TXT")))) << both.describe();
    EXPECT_EQ(readFile(target.filePath(QStringLiteral("a (2).TXT"))), QByteArray("aaaa"));
    EXPECT_EQ(readFile(target.filePath(QStringLiteral("a.TXT"))), QByteArray("AAAA"));

    const ZntRun replaced = extract({QStringLiteral("--overwrite")});
    EXPECT_EQ(replaced.exitCode, 0) << replaced.describe();
    EXPECT_EQ(readFile(target.filePath(QStringLiteral("a.TXT"))), QByteArray("aaaa"));
    EXPECT_EQ(target.entryList(QDir::Files).size(), 4);

    EXPECT_EQ(extract({QStringLiteral("--overwrite"), QStringLiteral("--keep-both")}).exitCode, 1);
    const ZntRun help = znt({QStringLiteral("extract"), QStringLiteral("--help")});
    EXPECT_TRUE(help.outText().contains(QStringLiteral("--overwrite")) &&
                help.outText().contains(QStringLiteral("--keep-both")))
        << help.describe();
}

} // namespace
