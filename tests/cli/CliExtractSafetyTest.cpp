#include "CliTestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <sqlite3.h>

using namespace zentaro;
using zentaro::test::ZntRun;

namespace {

class CliExtractSafetyTest : public test::ZntTest
{
protected:
    // One record holding bytes, added by znt; returns its MainID.
    QString addOne(const QString& library, const QByteArray& bytes)
    {
        const QString file = path(QStringLiteral("plain.txt"));
        writeFile(file, bytes);
        const ZntRun added = znt({QStringLiteral("add"), library, file});
        EXPECT_EQ(added.exitCode, 0) << added.describe();
        EXPECT_TRUE(QFile::remove(file));
        return added.outText().trimmed();
    }

    // Edits the library as the sqlite3 tool would.
    static void edit(const QString& library, const QByteArray& sql)
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open_v2(library.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
        char* error = nullptr;
        EXPECT_EQ(sqlite3_exec(db, sql.constData(), nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
        sqlite3_free(error);
        sqlite3_close(db);
    }

    // Everything in the program folder, as relative paths.
    QStringList tree() const
    {
        QStringList out;
        QDirIterator it(program.folder(), QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            out << QDir(program.folder()).relativeFilePath(it.next());
        out.sort();
        return out;
    }
};

TEST_F(CliExtractSafetyTest, ExtractNeverWritesOutsideTheTargetFolder)
{
    const QString library = newLibrary();
    const QString id = addOne(library, "inside");
    const QString out = path(QStringLiteral("a/b/out"));
    ASSERT_TRUE(QDir().mkpath(out));
    const QStringList before = tree();
    const QString replacement = QStringLiteral("record %1.TXT").arg(id);

    for (const QByteArray& name : {QByteArray("'../../escaped'"), QByteArray("'") + path("abs").toUtf8() + "'",
                                   QByteArray("'a' || char(0) || '/../../x'"), QByteArray("'tab' || char(9)")}) {
        edit(library, "UPDATE Main SET FileName = " + name + " WHERE MainID = " + id.toUtf8());
        const ZntRun extracted = znt({QStringLiteral("extract"), library, QStringLiteral("--all"),
                                      QStringLiteral("--to"), QStringLiteral("a/b/out")});
        EXPECT_EQ(extracted.exitCode, 0) << name.toStdString() << extracted.describe();
        EXPECT_EQ(extracted.outText().trimmed(), QDir(out).filePath(replacement)) << extracted.describe();
        // Said on standard error, with no raw control character.
        EXPECT_TRUE(extracted.errText().contains(QStringLiteral("ZNT Notice"))) << extracted.describe();
        EXPECT_FALSE(extracted.err.contains('\t'));
        EXPECT_EQ(readFile(QDir(out).filePath(replacement)), QByteArray("inside"));
        QStringList after = tree();
        after.removeOne(QStringLiteral("a/b/out/") + replacement);
        EXPECT_EQ(after, before) << name.toStdString();
        EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("a/escaped.TXT"))));
        QFile::remove(QDir(out).filePath(replacement));
    }

    // A separator in FileType is data as well.
    edit(library, "UPDATE Main SET FileName = 'x', FileType = '/../../../typed' WHERE MainID = " + id.toUtf8());
    const ZntRun typed = znt({QStringLiteral("extract"), library, QStringLiteral("--all"), QStringLiteral("--to"), out});
    EXPECT_EQ(typed.exitCode, 0) << typed.describe();
    EXPECT_TRUE(QFileInfo::exists(QDir(out).filePath(QStringLiteral("record %1").arg(id)))) << typed.describe();
    QStringList after = tree();
    after.removeOne(QStringLiteral("a/b/out/record %1").arg(id));
    EXPECT_EQ(after, before);
}

TEST_F(CliExtractSafetyTest, ADamagedFileSizeExitsThreeAndLeavesNoFile)
{
    const QString library = newLibrary();
    const QString id = addOne(library, "twelve bytes");
    const QString out = path(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(out));
    for (const QByteArray& size : {QByteArray("5"), QByteArray("-3"), QByteArray("'abc'"), QByteArray("40")}) {
        edit(library, "UPDATE Main SET FileSize = " + size + " WHERE MainID = " + id.toUtf8());
        const ZntRun extracted = znt({QStringLiteral("extract"), library, QStringLiteral("--id"), id,
                                      QStringLiteral("--to"), out});
        EXPECT_EQ(extracted.exitCode, 3) << size.toStdString() << extracted.describe();
        EXPECT_TRUE(extracted.errText().contains(QStringLiteral("damaged"))) << extracted.describe();
        EXPECT_TRUE(extracted.out.isEmpty()) << extracted.describe();
        EXPECT_TRUE(QDir(out).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
            << size.toStdString();
    }
    edit(library, "UPDATE Main SET FileSize = 12 WHERE MainID = " + id.toUtf8());
    const ZntRun whole = znt({QStringLiteral("extract"), library, QStringLiteral("--id"), id, QStringLiteral("--to"), out});
    EXPECT_EQ(whole.exitCode, 0) << whole.describe();
    EXPECT_EQ(readFile(QDir(out).filePath(QStringLiteral("plain.TXT"))), QByteArray("twelve bytes"));
}

} // namespace

namespace {

TEST_F(CliExtractSafetyTest, AddTakesAFileWhoseNameIsNotUtf8)
{
    const QString library = newLibrary();
    // The name as Windows wrote it ("café.txt" with é as the byte 0xE9),
    // made and passed by the shell, since QProcess would send UTF-8.
    QProcess shell;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ZNT_PROGRAM_FOLDER"), program.folder());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("no-such-platform"));
    shell.setProcessEnvironment(env);
    shell.setWorkingDirectory(program.folder());
    shell.start(QStringLiteral("/bin/sh"),
                {QStringLiteral("-c"), QStringLiteral("n=$(printf 'caf\\351.txt'); printf coffee > \"$n\" && "
                                                      "\"$0\" add \"$1\" \"$n\""),
                 zntPath(), library});
    ASSERT_TRUE(shell.waitForFinished(60000));
    const QByteArray err = shell.readAllStandardError();
    EXPECT_EQ(shell.exitCode(), 0) << err.toStdString();
    const ZntRun listed = znt({QStringLiteral("list"), library, QStringLiteral("--json")});
    const QJsonArray records = listed.json().value(QStringLiteral("Records")).toArray();
    ASSERT_EQ(records.size(), 1) << listed.describe();
    EXPECT_EQ(records.at(0).toObject().value(QStringLiteral("FileName")).toString(), QStringLiteral("café"));
    EXPECT_EQ(records.at(0).toObject().value(QStringLiteral("FileSize")).toInteger(), 6);
}

} // namespace
