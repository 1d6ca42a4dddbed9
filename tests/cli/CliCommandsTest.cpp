#include "CliTestSupport.h"

#include "core/Version.h"
#include "store/LibraryFile.h"
#include "store/SchemaUpgrade.h"

#include <QDir>
#include <QFileInfo>

#include <sqlite3.h>

using namespace zentaro;
using zentaro::test::ZntRun;

namespace {

class CliCommandsTest : public test::ZntTest
{
protected:
    QString libraryWith(int records)
    {
        const QString library = newLibrary();
        QStringList arguments = {QStringLiteral("add"), library};
        for (int i = 0; i < records; ++i) {
            const QString file = path(QStringLiteral("r%1.txt").arg(i));
            writeFile(file, pattern(30000 + i, i));
            arguments << file;
        }
        const ZntRun added = znt(arguments);
        EXPECT_EQ(added.exitCode, 0) << added.describe();
        return library;
    }
};

TEST_F(CliCommandsTest, HelpVersionAndUsageErrors)
{
    const ZntRun help = znt({QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.outText().startsWith(QStringLiteral("Usage: znt"))) << help.describe();
    for (const char* command : {"new", "info", "list", "search", "add", "extract", "reinsert", "delete", "compact",
                                "copy", "settings", "verify"})
        EXPECT_TRUE(help.outText().contains(QStringLiteral("  ") + QLatin1String(command))) << command;

    const ZntRun listHelp = znt({QStringLiteral("list"), QStringLiteral("--help")});
    EXPECT_EQ(listHelp.exitCode, 0);
    EXPECT_TRUE(listHelp.outText().contains(QStringLiteral("--where TEXT"))) << listHelp.describe();
    EXPECT_TRUE(listHelp.outText().contains(QStringLiteral("--json")));

    const ZntRun version = znt({QStringLiteral("--version")});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.outText().contains(Version::currentFullVersionText()));

    EXPECT_EQ(znt({}).exitCode, 1);
    EXPECT_EQ(znt({QStringLiteral("frobnicate")}).exitCode, 1);
    EXPECT_EQ(znt({QStringLiteral("list")}).exitCode, 1);
    const ZntRun unknownOption = znt({QStringLiteral("list"), path(QStringLiteral("a.ZNT")), QStringLiteral("--colour")});
    EXPECT_EQ(unknownOption.exitCode, 1);
    EXPECT_TRUE(unknownOption.out.isEmpty());
    EXPECT_FALSE(unknownOption.err.isEmpty());
    // --json only where it means something.
    EXPECT_EQ(znt({QStringLiteral("compact"), path(QStringLiteral("a.ZNT")), QStringLiteral("--json")}).exitCode, 1);
}

TEST_F(CliCommandsTest, ManPageAndHelpWarnThatPasswordShowsInTheProcessList)
{
    QFile page(QStringLiteral(ZENTARO_TEST_SOURCE_DIR "/doc/znt.1"));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly | QIODevice::Text));
    const QString man = QString::fromUtf8(page.readAll());
    // The warning belongs to the option itself, not only to the environment section.
    const qsizetype option = man.indexOf(QStringLiteral(".BI \\-\\-password"));
    ASSERT_GE(option, 0);
    const QString entry = man.mid(option, man.indexOf(QStringLiteral(".TP"), option) - option);
    EXPECT_TRUE(entry.contains(QStringLiteral("Warning:"))) << entry.toStdString();
    EXPECT_TRUE(entry.contains(QStringLiteral("visible to other users"))) << entry.toStdString();
    EXPECT_TRUE(entry.contains(QStringLiteral("process list"))) << entry.toStdString();
    EXPECT_TRUE(entry.contains(QStringLiteral("ZNT_PASSWORD"))) << entry.toStdString();

    const ZntRun help = znt({QStringLiteral("extract"), QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    const QString text = help.outText().simplified();
    EXPECT_TRUE(text.contains(QStringLiteral("Other users can read it in the process list: prefer ZNT_PASSWORD")))
        << help.describe();
}

TEST_F(CliCommandsTest, LibraryNamesFollowTheProgramsRules)
{
    const ZntRun notLibrary = znt({QStringLiteral("list"), path(QStringLiteral("report.doc"))});
    EXPECT_EQ(notLibrary.exitCode, 1);
    EXPECT_TRUE(notLibrary.errText().contains(QStringLiteral("That is not a valid ZNT file name (*.ZNT)")));

    const ZntRun missing = znt({QStringLiteral("list"), path(QStringLiteral("none.znt"))});
    EXPECT_EQ(missing.exitCode, 3) << missing.describe();

    writeFile(path(QStringLiteral("junk.ZNT")), "this is not a library at all, just text");
    const ZntRun junk = znt({QStringLiteral("info"), path(QStringLiteral("junk.ZNT"))});
    EXPECT_EQ(junk.exitCode, 3) << junk.describe();

    const ZntRun made = znt({QStringLiteral("new"), path(QStringLiteral("Reports"))});
    ASSERT_EQ(made.exitCode, 0) << made.describe();
    EXPECT_EQ(made.outText().trimmed(), path(QStringLiteral("Reports.ZNT")));
    EXPECT_EQ(recordCount(path(QStringLiteral("Reports.ZNT"))), 0);
    const ZntRun info = znt({QStringLiteral("info"), path(QStringLiteral("Reports.ZNT")), QStringLiteral("--json")});
    const QDateTime created = QDateTime::fromString(
        info.json().value(QStringLiteral("Config")).toObject().value(QStringLiteral("Created")).toString(), Qt::ISODate);
    EXPECT_LT(qAbs(created.secsTo(QDateTime::currentDateTime())), 120) << info.describe();

    EXPECT_EQ(znt({QStringLiteral("new"), path(QStringLiteral("lower.znt"))}).exitCode, 0);
    EXPECT_TRUE(QFileInfo::exists(path(QStringLiteral("lower.znt"))));

    const QByteArray before = readFile(path(QStringLiteral("Reports.ZNT")));
    const ZntRun again = znt({QStringLiteral("new"), path(QStringLiteral("Reports"))});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_TRUE(again.errText().contains(QStringLiteral("ZNT Library Creation Error: File Already Exists.")));
    EXPECT_EQ(readFile(path(QStringLiteral("Reports.ZNT"))), before);
}

TEST_F(CliCommandsTest, DeleteByIdsAndByWhere)
{
    const QString library = libraryWith(4);
    const ZntRun unknown = znt({QStringLiteral("delete"), library, QStringLiteral("--id"), QStringLiteral("1"),
                                QStringLiteral("--id"), QStringLiteral("99")});
    EXPECT_EQ(unknown.exitCode, 1) << unknown.describe();
    EXPECT_EQ(recordCount(library), 4);

    const ZntRun two = znt({QStringLiteral("delete"), library, QStringLiteral("--id"), QStringLiteral("1,2")});
    ASSERT_EQ(two.exitCode, 0) << two.describe();
    EXPECT_EQ(recordCount(library), 2);

    const ZntRun where = znt({QStringLiteral("delete"), library, QStringLiteral("--where"),
                              QStringLiteral("WHERE (FileSize = 30003)")});
    ASSERT_EQ(where.exitCode, 0) << where.describe();
    EXPECT_TRUE(where.outText().contains(QStringLiteral("Deleted 1 record(s).")));
    const ZntRun left = znt({QStringLiteral("list"), library, QStringLiteral("--json")});
    EXPECT_EQ(ids(left), QList<qint64>{3});

    EXPECT_EQ(znt({QStringLiteral("delete"), library}).exitCode, 1);
    EXPECT_EQ(znt({QStringLiteral("delete"), library, QStringLiteral("--where"), QStringLiteral(" ")}).exitCode, 1);
    EXPECT_EQ(recordCount(library), 1);
    ASSERT_EQ(znt({QStringLiteral("delete"), library, QStringLiteral("--all")}).exitCode, 0);
    EXPECT_EQ(recordCount(library), 0);
}

TEST_F(CliCommandsTest, CompactRecoversTheSpaceOfDeletedRecords)
{
    const QString library = libraryWith(6);
    ASSERT_EQ(znt({QStringLiteral("delete"), library, QStringLiteral("--where"), QStringLiteral("FileSize > 30001")}).exitCode, 0);
    const qint64 before = QFileInfo(library).size();
    const ZntRun run = znt({QStringLiteral("compact"), library});
    ASSERT_EQ(run.exitCode, 0) << run.describe();
    const qint64 after = QFileInfo(library).size();
    EXPECT_LT(after, before);
    EXPECT_EQ(run.outText(), QStringLiteral("Compaction Process Complete\n\n%1 bytes of disk space recovered\n").arg(before - after));
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("CMPCT.TMP"))));
    EXPECT_EQ(recordCount(library), 2);
    EXPECT_EQ(znt({QStringLiteral("verify"), library}).exitCode, 0);
}

TEST_F(CliCommandsTest, ALeftOverTemporaryFileIsRemovedAndCompactionSucceeds)
{
    const QString library = libraryWith(1);
    writeFile(path(QStringLiteral("CMPCT.TMP")), "left from an interrupted run");
    writeFile(path(QStringLiteral("CMPCT.TMP-journal")), "its journal");
    const ZntRun first = znt({QStringLiteral("compact"), library});
    EXPECT_EQ(first.exitCode, 0) << first.describe();
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("CMPCT.TMP"))));
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("CMPCT.TMP-journal"))));
    EXPECT_EQ(recordCount(library), 1);
}

TEST_F(CliCommandsTest, CopyWritesAnIdenticalLibraryAndRefusesAnExistingTarget)
{
    const QString library = libraryWith(2);
    const ZntRun run = znt({QStringLiteral("copy"), library, path(QStringLiteral("Backup"))});
    ASSERT_EQ(run.exitCode, 0) << run.describe();
    const QString copy = path(QStringLiteral("Backup.ZNT"));
    EXPECT_EQ(run.outText().trimmed(), copy);
    // A page-for-page snapshot: the same records, not necessarily the same header bytes.
    EXPECT_EQ(recordCount(copy), 2);
    EXPECT_EQ(znt({QStringLiteral("verify"), copy}).exitCode, 0);

    const ZntRun again = znt({QStringLiteral("copy"), library, copy});
    EXPECT_EQ(again.exitCode, 1) << again.describe();
    EXPECT_TRUE(again.errText().contains(QStringLiteral("File Already Exists.")));

    // An empty file of that name may be written over.
    writeFile(path(QStringLiteral("Empty.ZNT")), QByteArray());
    EXPECT_EQ(znt({QStringLiteral("copy"), library, path(QStringLiteral("Empty.ZNT"))}).exitCode, 0);
    EXPECT_EQ(recordCount(path(QStringLiteral("Empty.ZNT"))), 2);

    const ZntRun noFolder = znt({QStringLiteral("copy"), library, path(QStringLiteral("no/such/folder/x.ZNT"))});
    EXPECT_EQ(noFolder.exitCode, 3) << noFolder.describe();
}

TEST_F(CliCommandsTest, ReadingCommandsLeaveAnOlderLibraryAsItIsAndWritingOnesBringItUpToDate)
{
    const QString library = path(QStringLiteral("old.ZNT"));
    ASSERT_TRUE(test::makeOldLibrary(library));
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open_v2(library.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db,
                               "INSERT INTO Main (Title, FileName, FileType, FileSize) VALUES ('old', 'old', 'TXT', 3);"
                               "INSERT INTO OLE (MainID, Piece, Data) VALUES (1, 0, CAST('old' AS BLOB));",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(db);
    }
    const QByteArray before = readFile(library);
    const QString folder = path(QStringLiteral("out"));
    QDir().mkpath(folder);
    const QList<QStringList> readers = {
        {QStringLiteral("info"), library},
        {QStringLiteral("list"), library},
        {QStringLiteral("search"), library, QStringLiteral("--text"), QStringLiteral("old")},
        {QStringLiteral("extract"), library, QStringLiteral("--all"), QStringLiteral("--to"), folder},
        {QStringLiteral("verify"), library},
        {QStringLiteral("copy"), library, path(QStringLiteral("copied.ZNT"))},
    };
    for (const QStringList& arguments : readers) {
        const ZntRun run = znt(arguments);
        EXPECT_EQ(run.exitCode, 0) << arguments.join(u' ').toStdString() << "\n" << run.describe();
        EXPECT_TRUE(readFile(library) == before) << arguments.first().toStdString() << " wrote to the library";
    }
    // The copy is the library as it was.
    Result<std::shared_ptr<Database>> copy = Database::open(path(QStringLiteral("copied.ZNT")), {.readOnly = true});
    ASSERT_TRUE(copy.ok());
    EXPECT_EQ((*copy)->schemaVersion(), SchemaUpgrade::kBaseVersion);
    (*copy)->close();

    writeFile(path(QStringLiteral("a.txt")), "added");
    const ZntRun added = znt({QStringLiteral("add"), library, path(QStringLiteral("a.txt"))});
    EXPECT_EQ(added.exitCode, 0) << added.describe();
    Result<std::shared_ptr<Database>> db = Database::open(library, {.readOnly = true});
    ASSERT_TRUE(db.ok());
    EXPECT_EQ((*db)->schemaVersion(), SchemaUpgrade::latestVersion());
}

} // namespace
