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

} // namespace
