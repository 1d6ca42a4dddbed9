#include "CliTestSupport.h"

#include <QDir>
#include <QVariantMap>

using namespace zentaro;
using zentaro::test::ZntRun;

namespace {

// Stored texts come from anyone who could write the library; the text output
// must never hand a terminal a control character to act on.
class CliTextOutputTest : public test::ZntTest
{
protected:
    // One record whose fields were written by another tool.
    QString libraryWith(const QVariantMap& fields)
    {
        const QString library = newLibrary();
        writeFile(path(QStringLiteral("doc.txt")), "text");
        const ZntRun added = znt({QStringLiteral("add"), library, path(QStringLiteral("doc.txt"))});
        EXPECT_EQ(added.exitCode, 0) << added.describe();
        Result<std::shared_ptr<Database>> db = Database::open(library);
        EXPECT_TRUE(db.ok());
        if (db.ok()) {
            EXPECT_TRUE((*db)->updateFields(added.outText().trimmed().toLongLong(), fields).ok());
            (*db)->close();
        }
        return library;
    }

    // Bytes below 0x20 other than the line ends, DEL, and C1 controls (as UTF-8).
    static bool holdsRawControls(const QByteArray& bytes)
    {
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            const auto c = static_cast<unsigned char>(bytes[i]);
            if ((c < 0x20 && c != '\n' && c != '\t') || c == 0x7f)
                return true;
            if (c == 0xc2 && i + 1 < bytes.size() && static_cast<unsigned char>(bytes[i + 1]) >= 0x80
                && static_cast<unsigned char>(bytes[i + 1]) <= 0x9f)
                return true;
        }
        return false;
    }
};

TEST_F(CliTextOutputTest, ListAndSearchEscapeControlCharactersAndJsonKeepsThem)
{
    const QString title = QStringLiteral("red\x1b[31m\a") + QChar(0x9b) + QStringLiteral("2J");
    const QString notes = QStringLiteral("a\\b\tc\r\nd") + QChar(0x2028) + QChar(0x7f) + QChar(0);
    const QString library = libraryWith({{QStringLiteral("Title"), title},
                                         {QStringLiteral("Author"), QStringLiteral("caf\u00e9")},
                                         {QStringLiteral("Notes"), notes}});

    for (const QStringList& command :
         {QStringList{QStringLiteral("list"), library},
          QStringList{QStringLiteral("search"), library, QStringLiteral("--text"), QStringLiteral("red")}}) {
        const ZntRun run = znt(command);
        ASSERT_EQ(run.exitCode, 0) << run.describe();
        EXPECT_FALSE(holdsRawControls(run.out)) << run.describe();
        const QStringList lines = run.outText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 1) << run.describe();
        const QStringList fields = lines.first().split(QLatin1Char('\t'));
        ASSERT_EQ(fields.size(), 11) << run.describe();
        EXPECT_EQ(fields[1], QStringLiteral("red\\x1b[31m\\x07\\x9b2J"));
        // Letters beyond ASCII are text, not controls.
        EXPECT_EQ(fields[2], QStringLiteral("caf\u00e9"));
        EXPECT_EQ(fields[10], QStringLiteral("a\\\\b\\tc\\r\\nd\\u2028\\x7f\\x00"));
    }

    const ZntRun json = znt({QStringLiteral("list"), library, QStringLiteral("--json")});
    ASSERT_EQ(json.exitCode, 0) << json.describe();
    // JSON escapes C0 itself; DEL and C1 are plain characters to it.
    EXPECT_FALSE(json.out.contains('\x1b') || json.out.contains('\a') || json.out.contains('\r'));
    const QJsonObject record = json.json().value(QStringLiteral("Records")).toArray().first().toObject();
    EXPECT_EQ(record.value(QStringLiteral("Title")).toString(), title);
    EXPECT_EQ(record.value(QStringLiteral("Notes")).toString(), notes);
}

TEST_F(CliTextOutputTest, ExtractPrintsItsPathsEscaped)
{
    const QString library = libraryWith({{QStringLiteral("FileName"), QStringLiteral("na\x1b]0;me\a")}});
    const QString target = path(QStringLiteral("out\x1b[2J"));
    ASSERT_TRUE(QDir().mkpath(target));

    const ZntRun run = znt({QStringLiteral("extract"), library, QStringLiteral("--all"), QStringLiteral("--to"), target});
    ASSERT_EQ(run.exitCode, 0) << run.describe();
    EXPECT_FALSE(holdsRawControls(run.out)) << run.describe();
    EXPECT_FALSE(holdsRawControls(run.err)) << run.describe();
    EXPECT_TRUE(run.outText().startsWith(path(QStringLiteral("out\\x1b[2J/")))) << run.describe();
    EXPECT_EQ(QDir(target).entryList(QDir::Files).size(), 1);
}

TEST_F(CliTextOutputTest, InfoEscapesTheLibrarysOwnTexts)
{
    const QString library = newLibrary();
    {
        Result<std::shared_ptr<Database>> db = Database::open(library);
        ASSERT_TRUE(db.ok());
        Result<ConfigRow> row = (*db)->loadConfig();
        ASSERT_TRUE(row.ok());
        row->LibraryName = QStringLiteral("Lib\x1b[8m");
        row->LibrarianName = QStringLiteral("x\by");
        row->Notes = QStringLiteral("one\r\ntwo\x1b");
        ASSERT_TRUE((*db)->saveConfig(*row).ok());
        (*db)->close();
    }
    const ZntRun run = znt({QStringLiteral("info"), library});
    ASSERT_EQ(run.exitCode, 0) << run.describe();
    EXPECT_FALSE(holdsRawControls(run.out)) << run.describe();
    EXPECT_TRUE(run.outText().contains(QStringLiteral("LibraryName: Lib\\x1b[8m\n"))) << run.describe();
    EXPECT_TRUE(run.outText().contains(QStringLiteral("LibrarianName: x\\x08y\n"))) << run.describe();
    EXPECT_TRUE(run.outText().contains(QStringLiteral("Notes: one two\\x1b\n"))) << run.describe();
}

} // namespace
