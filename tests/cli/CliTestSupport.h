#pragma once

#include "security/PasswordHasher.h"
#include "store/ConfigRow.h"
#include "store/Database.h"
#include "support/TestPaths.h"

#include <QByteArray>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace zentaro::test {

// What one run of znt gave.
struct ZntRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    bool finished = false;

    QString outText() const { return QString::fromUtf8(out); }
    QString errText() const { return QString::fromUtf8(err); }
    QJsonObject json() const { return QJsonDocument::fromJson(out).object(); }
    // For failure messages.
    std::string describe() const
    {
        return "exit " + std::to_string(exitCode) + "\nstdout: " + out.toStdString() + "\nstderr: " + err.toStdString();
    }
};

// A program folder with the template, and znt run as a separate process
// against it, with standard input closed (so never a terminal).
class ZntTest : public ::testing::Test
{
protected:
    static QString zntPath() { return QStringLiteral(ZENTARO_TEST_BIN_DIR "/znt"); }

    ZntRun znt(const QStringList& arguments, const QProcessEnvironment& extra = {}) const
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("ZNT_PASSWORD"));
        // A tool that needed a display would fail here.
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("no-such-platform"));
        env.insert(QStringLiteral("ZNT_PROGRAM_FOLDER"), program.folder());
        for (const QString& key : extra.keys())
            env.insert(key, extra.value(key));
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(program.folder());
        process.setInputChannelMode(QProcess::ManagedInputChannel);
        process.start(zntPath(), arguments);
        ZntRun run;
        if (!process.waitForStarted(10000))
            return run;
        process.closeWriteChannel();
        run.finished = process.waitForFinished(120000);
        run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.out = process.readAllStandardOutput();
        run.err = process.readAllStandardError();
        return run;
    }

    QString path(const QString& name) const { return program.path(name); }

    // A new library made by znt itself.
    QString newLibrary(const QString& name = QStringLiteral("lib.ZNT")) const
    {
        const ZntRun made = znt({QStringLiteral("new"), path(name)});
        EXPECT_EQ(made.exitCode, 0) << made.describe();
        return path(name);
    }

    // Writes the Config row of a library (passwords as typed, stored as the
    // settings dialog stores them).
    static void setConfig(const QString& library, const ConfigRow& typed)
    {
        Result<std::shared_ptr<Database>> db = Database::open(library);
        ASSERT_TRUE(db.ok()) << db.message().toStdString();
        PasswordHasher hasher(PasswordHasher::Limits::Fastest());
        Result<ConfigRow> stored = hasher.PrepareForStorage(typed);
        ASSERT_TRUE(stored.ok());
        ASSERT_TRUE((*db)->saveConfig(*stored).ok());
        (*db)->close();
    }

    static ConfigRow protectedRow(bool browseExtract, bool editDelete, const QString& browse = QStringLiteral("look"))
    {
        ConfigRow row;
        row.UseSecurity = true;
        row.BrowsePassword = browse;
        row.EditPassword = QStringLiteral("edit");
        row.AdminPassword = QStringLiteral("admin");
        row.BrowseExtract = browseExtract;
        row.EditDelete = editDelete;
        return row;
    }

    static void writeFile(const QString& file, const QByteArray& bytes)
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }

    static QByteArray readFile(const QString& file)
    {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            return QByteArray("<unreadable>");
        return f.readAll();
    }

    // Bytes that differ from position to position, so that a misplaced piece shows.
    static QByteArray pattern(qint64 size, int seed = 1)
    {
        QByteArray out(size, Qt::Uninitialized);
        quint32 x = 2463534242u + static_cast<quint32>(seed);
        for (qint64 i = 0; i < size; ++i) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            out[i] = static_cast<char>(x & 0xff);
        }
        return out;
    }

    // MainIDs of "list --json" or "search --json" output, in list order.
    static QList<qint64> ids(const ZntRun& run)
    {
        QList<qint64> out;
        for (const QJsonValue& record : run.json().value(QStringLiteral("Records")).toArray())
            out << record.toObject().value(QStringLiteral("MainID")).toInteger();
        return out;
    }

    qint64 recordCount(const QString& library) const
    {
        const ZntRun info = znt({QStringLiteral("info"), library, QStringLiteral("--json")});
        EXPECT_EQ(info.exitCode, 0) << info.describe();
        return info.json().value(QStringLiteral("RecordCount")).toInteger(-1);
    }

    ProgramFolder program;
};

} // namespace zentaro::test
