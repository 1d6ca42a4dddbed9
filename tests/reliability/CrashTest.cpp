#include "ReliabilitySupport.h"

#include "core/ProgramState.h"
#include "core/SettingsFile.h"
#include "transfer/FileInserter.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QThread>

#include <functional>

using namespace zentaro;
using namespace zentaro::test;

namespace {

const char* const kSettingsChildVar = "ZENTARO_CRASH_SETTINGS_FILE";

// Kills per operation: about ten in the suite; scripts/soak asks for more.
int killsPerOperation()
{
    bool ok = false;
    const int n = qEnvironmentVariableIntValue("ZENTARO_CRASH_KILLS", &ok);
    return ok && n > 0 ? n : 10;
}

QString zntPath()
{
    return QStringLiteral(ZENTARO_TEST_BIN_DIR "/znt");
}

// One library operation killed at random moments.
struct CrashCase
{
    const char* name;
    // Fills the library (open in lib) and the source files.
    std::function<void(TempLibrary&)> setUp;
    // The arguments of the znt run that is killed.
    std::function<QStringList(TempLibrary&)> arguments;
    // Records that the operation must never take away.
    QSet<qint64> mustStay;
};

struct Tally
{
    int kills = 0;
    int finished = 0; // runs that ended before the kill
    int damaged = 0;
    int lost = 0;
};

QProcessEnvironment zntEnvironment(const TempLibrary& lib)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("ZNT_PASSWORD"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("no-such-platform"));
    env.insert(QStringLiteral("ZNT_PROGRAM_FOLDER"), lib.folder.folder());
    return env;
}

// The bytes each source file had, by stored name, as a hash.
QMap<QString, QSet<QByteArray>> g_sources;

void addSource(TempLibrary& lib, const QString& name, qint64 size, quint32 seed)
{
    const QByteArray bytes = patternBytes(size, seed);
    ASSERT_TRUE(writeBytes(lib.file(name), bytes));
    g_sources[name.toLower()].insert(ContentHash::of(bytes));
}

void storeSource(TempLibrary& lib, const QString& name, qint64 size, quint32 seed)
{
    addSource(lib, name, size, seed);
    lib.state.CurrentFilePath = lib.file(name);
    FileInserter inserter(lib.settings(), lib.db);
    NullProgress quiet;
    ASSERT_TRUE(inserter.InsertData(lib.state.CurrentFilePath, {}, quiet).ok());
}

// Everything that must hold after a kill; returns the records lost, adds damage.
int checkAfterKill(TempLibrary& lib, const CrashCase& c, const QStringList& args, Tally& tally, const std::string& where)
{
    int lost = 0;
    const QString damage = damageIn(lib.state.CurrentLibraryPath);
    EXPECT_EQ(damage, QString()) << where;
    QProcess verify;
    verify.setProcessEnvironment(zntEnvironment(lib));
    verify.start(zntPath(), {QStringLiteral("verify"), lib.state.CurrentLibraryPath});
    verify.waitForFinished(60000);
    EXPECT_EQ(verify.exitCode(), 0) << where << verify.readAllStandardOutput().toStdString();
    if (!damage.isEmpty() || verify.exitCode() != 0)
        ++tally.damaged;

    Result<std::shared_ptr<Database>> db = Database::open(lib.state.CurrentLibraryPath);
    EXPECT_TRUE(db) << where << db.message().toStdString();
    if (!db) {
        ++tally.damaged;
        return 0;
    }
    QSet<QString> stored;
    QSet<qint64> present;
    Result<qint64> count = (*db)->countMain();
    for (qint64 id = 1; count && present.size() < *count && id < 1000; ++id) {
        Result<MainRecord> r = (*db)->loadRecord(id);
        if (!r)
            continue;
        present.insert(id);
        // Stored types are upper case.
        const QString name = (r->FileName + QLatin1Char('.') + r->FileType).toLower();
        stored.insert(name);
        // Every record's bytes are those of its source, whole.
        const QByteArray hash = ContentHash::of(storedBytes(**db, id));
        if (!g_sources.value(name).contains(hash)) {
            ADD_FAILURE() << where << ": record " << id << " (" << name.toStdString() << ") holds other bytes";
            ++lost;
        }
    }
    for (qint64 id : c.mustStay) {
        if (!present.contains(id)) {
            ADD_FAILURE() << where << ": record " << id << " is gone";
            ++lost;
        }
    }
    // A copy is whole or not there.
    if (args.value(0) == QStringLiteral("copy")) {
        const QFileInfo copy(args.value(2));
        if (copy.exists() && copy.size() > 0) {
            const QString copyDamage = damageIn(copy.filePath());
            EXPECT_EQ(copyDamage, QString()) << where << ": the copy";
            if (!copyDamage.isEmpty())
                ++tally.damaged;
        }
    }
    // Every extracted file is whole, and nothing else is left beside them.
    if (args.value(0) == QStringLiteral("extract")) {
        const QDir out(args.value(args.indexOf(QStringLiteral("--to")) + 1));
        for (const QString& name : out.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
            if (!g_sources.value(name.toLower()).contains(ContentHash::of(readBytes(out.filePath(name))))) {
                ADD_FAILURE() << where << ": " << name.toStdString() << " is no whole extracted file";
                ++tally.damaged;
            }
        }
    }
    // No original goes before its record is committed.
    for (const QString& arg : args) {
        if (!arg.startsWith(lib.filesFolder()))
            continue;
        const QString name = QFileInfo(arg).fileName().toLower();
        if (!QFileInfo::exists(arg) && !stored.contains(name)) {
            ADD_FAILURE() << where << ": " << name.toStdString() << " was removed without its record";
            ++lost;
        }
    }
    return lost;
}

void runCrashes(const CrashCase& c)
{
    const int kills = killsPerOperation();
    QRandomGenerator random(QRandomGenerator::global()->generate());
    Tally tally;
    qint64 duration = 0;
    for (int i = 0; i <= kills; ++i) {
        g_sources.clear();
        TempLibrary lib;
        c.setUp(lib);
        lib.db->close();
        const QStringList args = c.arguments(lib);
        QProcess child;
        child.setProcessEnvironment(zntEnvironment(lib));
        child.setProcessChannelMode(QProcess::MergedChannels);
        QElapsedTimer timer;
        timer.start();
        child.start(zntPath(), args);
        ASSERT_TRUE(child.waitForStarted(10000));
        const std::string where = std::string(c.name) + " #" + std::to_string(i);
        if (i == 0) {
            // The first run is not killed: it tells how long the work takes.
            ASSERT_TRUE(child.waitForFinished(60000));
            ASSERT_EQ(child.exitCode(), 0) << where << child.readAll().toStdString();
            duration = std::max<qint64>(timer.elapsed(), 5);
        } else {
            const qint64 delay = random.bounded(duration + 1);
            while (timer.elapsed() < delay && child.state() == QProcess::Running)
                QThread::usleep(200);
            if (child.state() == QProcess::Running) {
                child.kill();
                ++tally.kills;
            } else {
                ++tally.finished;
            }
            child.waitForFinished(10000);
        }
        tally.lost += checkAfterKill(lib, c, args, tally, where);
    }
    std::cout << "soak " << c.name << " kills: " << tally.kills << "\n"
              << "soak " << c.name << " finished before the kill: " << tally.finished << "\n"
              << "soak " << c.name << " damaged libraries: " << tally.damaged << "\n"
              << "soak " << c.name << " lost records: " << tally.lost << std::endl;
}

void threeStored(TempLibrary& lib)
{
    storeSource(lib, QStringLiteral("r1.bin"), 900000, 11);
    storeSource(lib, QStringLiteral("r2.bin"), 1500000, 12);
    storeSource(lib, QStringLiteral("r3.bin"), 600000, 13);
}

QStringList sourcesToAdd(TempLibrary& lib)
{
    QStringList names;
    for (int i = 1; i <= 4; ++i) {
        const QString name = QStringLiteral("add%1.bin").arg(i);
        addSource(lib, name, 700000 * i, 20 + static_cast<quint32>(i));
        names << lib.file(name);
    }
    return names;
}

} // namespace

TEST(Crash, Add)
{
    runCrashes({"add", [](TempLibrary& lib) { storeSource(lib, QStringLiteral("r1.bin"), 5000, 1); },
                [](TempLibrary& lib) {
                    return QStringList{QStringLiteral("add"), lib.state.CurrentLibraryPath} + sourcesToAdd(lib);
                },
                {1}});
}

TEST(Crash, AddRemovingOriginals)
{
    runCrashes({"add --remove-originals", [](TempLibrary& lib) { storeSource(lib, QStringLiteral("r1.bin"), 5000, 1); },
                [](TempLibrary& lib) {
                    return QStringList{QStringLiteral("add"), lib.state.CurrentLibraryPath,
                                       QStringLiteral("--remove-originals")} +
                           sourcesToAdd(lib);
                },
                {1}});
}

TEST(Crash, Reinsert)
{
    runCrashes({"reinsert", threeStored,
                [](TempLibrary& lib) {
                    // Stored under r2's name, so either set of bytes is r2's.
                    const QString file = lib.folder.path(QStringLiteral("replacement.bin"));
                    const QByteArray bytes = patternBytes(2500000, 99);
                    writeBytes(file, bytes);
                    g_sources[QStringLiteral("r2.bin")].insert(ContentHash::of(bytes));
                    return QStringList{QStringLiteral("reinsert"), lib.state.CurrentLibraryPath, file,
                                       QStringLiteral("--id"), QStringLiteral("2")};
                },
                {1, 2, 3}});
}

TEST(Crash, DeleteOne)
{
    runCrashes({"delete one", threeStored,
                [](TempLibrary& lib) {
                    return QStringList{QStringLiteral("delete"), lib.state.CurrentLibraryPath, QStringLiteral("--id"),
                                       QStringLiteral("2")};
                },
                {1, 3}});
}

TEST(Crash, DeleteSelected)
{
    runCrashes({"delete selected", threeStored,
                [](TempLibrary& lib) {
                    return QStringList{QStringLiteral("delete"), lib.state.CurrentLibraryPath, QStringLiteral("--id"),
                                       QStringLiteral("1"), QStringLiteral("--id"), QStringLiteral("3")};
                },
                {2}});
}

TEST(Crash, DeleteListed)
{
    runCrashes({"delete listed", threeStored,
                [](TempLibrary& lib) {
                    return QStringList{QStringLiteral("delete"), lib.state.CurrentLibraryPath,
                                       QStringLiteral("--where"), QStringLiteral("MainID > 1")};
                },
                {1}});
}

TEST(Crash, Compact)
{
    runCrashes({"compact",
                [](TempLibrary& lib) {
                    threeStored(lib);
                    ASSERT_TRUE(lib.db->deleteRecord(2));
                },
                [](TempLibrary& lib) {
                    return QStringList{QStringLiteral("compact"), lib.state.CurrentLibraryPath};
                },
                {1, 3}});
}

TEST(Crash, Copy)
{
    runCrashes({"copy", threeStored,
                [](TempLibrary& lib) {
                    return QStringList{QStringLiteral("copy"), lib.state.CurrentLibraryPath,
                                       lib.folder.path(QStringLiteral("Copy.ZNT"))};
                },
                {1, 2, 3}});
}

TEST(Crash, ExtractAll)
{
    runCrashes({"extract --all",
                [](TempLibrary& lib) {
                    // Many small files written behind the reads, and large ones between them.
                    for (int i = 0; i < 60; ++i)
                        storeSource(lib, QStringLiteral("s%1.bin").arg(i), 4096 + i, 100 + static_cast<quint32>(i));
                    storeSource(lib, QStringLiteral("big1.bin"), 1500000, 31);
                    storeSource(lib, QStringLiteral("big2.bin"), 2500000, 32);
                },
                [](TempLibrary& lib) {
                    const QString out = lib.folder.path(QStringLiteral("out"));
                    QDir().mkpath(out);
                    return QStringList{QStringLiteral("extract"), lib.state.CurrentLibraryPath, QStringLiteral("--all"),
                                       QStringLiteral("--to"), out};
                },
                {}});
}

// The child half of the settings case: saves in a loop until killed.
TEST(Crash, ChildSavesSettings)
{
    if (!qEnvironmentVariableIsSet(kSettingsChildVar))
        GTEST_SKIP() << "run by Crash.SettingsSave";
    ProgramState state(QCoreApplication::applicationDirPath());
    state.SetVariables();
    state.SettingsFilePath = qEnvironmentVariable(kSettingsChildVar);
    SettingsFile settings(state.Settings, state.settingsPlace());
    for (int i = 0;; ++i) {
        state.Settings.LibraryFolder = i % 2 ? QStringLiteral("/one") : QStringLiteral("/two");
        ASSERT_TRUE(settings.SaveSettings());
    }
}

TEST(Crash, SettingsSave)
{
    TempLibrary lib;
    SettingsFile settings(lib.state.Settings, lib.state.settingsPlace());
    QSet<QByteArray> whole;
    for (const char* folder : {"/one", "/two"}) {
        lib.state.Settings.LibraryFolder = QString::fromLatin1(folder);
        ASSERT_TRUE(settings.SaveSettings());
        whole.insert(readBytes(lib.state.SettingsFilePath));
    }
    const int kills = killsPerOperation();
    QRandomGenerator random(QRandomGenerator::global()->generate());
    int damaged = 0;
    for (int i = 0; i < kills; ++i) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kSettingsChildVar), lib.state.SettingsFilePath);
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=Crash.ChildSavesSettings")});
        ASSERT_TRUE(child.waitForStarted(10000));
        QThread::msleep(150 + random.bounded(100));
        child.kill();
        child.waitForFinished(10000);
        const QByteArray now = readBytes(lib.state.SettingsFilePath);
        if (!whole.contains(now)) {
            ++damaged;
            ADD_FAILURE() << "kill " << i << ": the settings file is neither the old nor the new one";
        }
        // Temporary files of a cut save may stay; they never take the name.
    }
    std::cout << "soak settings save kills: " << kills << "\n"
              << "soak settings save damaged files: " << damaged << std::endl;
}
