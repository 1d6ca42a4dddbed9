#include "core/ProgramState.h"
#include "core/SettingsFile.h"
#include "SettingsTestSupport.h"

#include <QDir>
#include <QFile>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace zentaro;
using zentaro::test::Bytes;
using zentaro::test::expectSameSettings;
using zentaro::test::handMadeFile;

namespace {

constexpr qsizetype kSlot = 10000;

class SettingsFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        folder = m_dir.path();
        QDir(folder).mkdir(QStringLiteral("scans"));
        QDir(folder).mkdir(QStringLiteral("picked"));
        root = QStorageInfo(folder).rootPath();
        cfgPath = m_dir.filePath(QStringLiteral("ZNT.CFG"));
    }

    void writeFile(const QByteArray& bytes) const
    {
        QFile file(cfgPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    QByteArray readFile() const
    {
        QFile file(cfgPath);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Every field away from its default, flags alternating, so a field read
    // from the wrong place or with the wrong width shows.
    SettingsRecord sample(const QString& version = QStringLiteral("2.1")) const
    {
        SettingsRecord s;
        s.SettingsVersion = version;
        s.ExclusiveMode = false;
        s.AddFilesFolder = folder + QStringLiteral("/scans");
        s.PickFolder = folder + QStringLiteral("/picked");
        s.LibraryFolder = QStringLiteral("/srv/libraries");
        s.DefaultLibrary = QStringLiteral("/srv/libraries/Photos.ZNT");
        s.StartMaximized = true;
        s.SecurityWipeOnExit = true;
        s.EditDetectMode = 2;
        s.GridForeColor = 0x00123456;
        s.GridBackColor = 0x00ABCDEF;
        s.ListFontName = QStringLiteral("Tahoma");
        s.ListFontSize = 70000;
        s.ListFontBold = true;
        s.ListFontItalic = false;
        s.ListFontUnderline = true;
        s.HeaderFontName = QStringLiteral("Verdana");
        s.HeaderFontSize = 9;
        s.HeaderFontBold = false;
        s.HeaderFontItalic = true;
        s.HeaderFontUnderline = false;
        s.ColumnFields = {QStringLiteral("Author"),   QStringLiteral("Title"),
                          QStringLiteral("FileName"), QStringLiteral("Keywords"),
                          QStringLiteral("FileType"), QStringLiteral("Notes"),
                          QStringLiteral("FileDate"), QStringLiteral("InsertionDate"),
                          QStringLiteral("FileSize"), QStringLiteral("LastUpdatedDate")};
        s.ColumnWidths = {1111, 2222, 3333, 4444, 5555, 6666, 7777, 8888, 9999, 12000};
        s.ListPaneSize = 4321.25;
        s.FilePaneSize = 9876.5;
        s.FieldViewForeColor = 0x00010203;
        s.FieldViewBackColor = 0x00FF00FF;
        s.AutoSizePictures = true;
        s.PreviewFullHeight = false;
        s.AutoRewind = true;
        s.AutoStart = false;
        s.RemoveOriginals = true;
        s.WipeAmount = 123456;
        s.PrintListFontName = QStringLiteral("Courier New");
        s.PrintListFontSize = 11;
        s.PrintListFontBold = true;
        s.PrintListFontItalic = true;
        s.PrintHeaderFontName = QStringLiteral("Times New Roman");
        s.PrintHeaderFontSize = -13;
        s.PrintHeaderFontBold = false;
        s.PrintHeaderFontItalic = true;
        return s;
    }

    // The sample as an old version left it: every flag the first upgrade step sets is off.
    SettingsRecord beforeUpgrade(const QString& version) const
    {
        SettingsRecord s = sample(version);
        s.AutoSizePictures = false;
        s.PreviewFullHeight = false;
        s.AutoRewind = false;
        s.AutoStart = false;
        return s;
    }

    // The table's defaults, written out here rather than taken from the code.
    SettingsRecord defaults(const QString& defaultLibrary, double filePaneSize) const
    {
        SettingsRecord s;
        s.SettingsVersion = QStringLiteral("2.1");
        s.ExclusiveMode = true;
        s.AddFilesFolder = root;
        s.PickFolder = root;
        s.LibraryFolder = folder;
        s.DefaultLibrary = defaultLibrary;
        s.StartMaximized = true;
        s.SecurityWipeOnExit = false;
        s.EditDetectMode = 1;
        s.GridForeColor = 0xFFFF00;
        s.GridBackColor = 0;
        s.ListFontName = QStringLiteral("MS Sans Serif");
        s.ListFontSize = 8;
        s.HeaderFontName = QStringLiteral("MS Sans Serif");
        s.HeaderFontSize = 8;
        s.ColumnFields = {QStringLiteral("Title"),         QStringLiteral("Author"),
                          QStringLiteral("Keywords"),      QStringLiteral("FileName"),
                          QStringLiteral("FileType"),      QStringLiteral("FileSize"),
                          QStringLiteral("FileDate"),      QStringLiteral("InsertionDate"),
                          QStringLiteral("LastUpdatedDate"), QStringLiteral("Notes")};
        s.ColumnWidths = {2000, 2000, 1000, 1000, 1000, 1000, 1000, 1000, 1000, 4000};
        s.ListPaneSize = 0;
        s.FilePaneSize = filePaneSize;
        s.FieldViewForeColor = 0xFFFFFF;
        s.FieldViewBackColor = 0xFF0000;
        s.AutoSizePictures = true;
        s.PreviewFullHeight = true;
        s.AutoRewind = true;
        s.AutoStart = true;
        s.RemoveOriginals = true;
        s.WipeAmount = 1000;
        s.PrintListFontName = QStringLiteral("Arial");
        s.PrintListFontSize = 8;
        s.PrintHeaderFontName = QStringLiteral("Arial");
        s.PrintHeaderFontSize = 8;
        s.PrintHeaderFontBold = true;
        return s;
    }

    static QByteArray padded(QByteArray bytes, char fill = '\0')
    {
        bytes.append(QByteArray(kSlot - bytes.size(), fill));
        return bytes;
    }

    QString folder;
    QString root;
    QString cfgPath;

private:
    QTemporaryDir m_dir;
};

TEST_F(SettingsFileTest, ReadsEveryFieldInFileOrderAndWritesItBack)
{
    writeFile(handMadeFile(sample()));
    ProgramState state(folder);
    SettingsFile file(state.Settings, state.settingsPlace());
    EXPECT_TRUE(file.LoadConfig().ok());
    expectSameSettings(state.Settings, sample());
    EXPECT_EQ(readFile(), padded(handMadeFile(sample())));
}

TEST_F(SettingsFileTest, SaveWritesTheExactLayoutPaddedToTheSlot)
{
    ProgramState state(folder);
    SettingsFile file(state.Settings, state.settingsPlace());
    state.Settings = sample();
    ASSERT_TRUE(file.SaveSettings().ok());
    const QByteArray written = readFile();
    ASSERT_EQ(written.size(), kSlot);
    EXPECT_EQ(written, padded(handMadeFile(sample())));
    // The start spelled out: "2.1", ExclusiveMode false, then AddFilesFolder's count.
    EXPECT_EQ(written.left(9), QByteArray("\x03\x00" "2.1" "\x00\x00", 7)
                                   + Bytes().i16(int((folder + "/scans").toUtf8().size())).data);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{QStringLiteral("ZNT.CFG")});
}

TEST_F(SettingsFileTest, AFileCutOffInsideColumnFieldsKeepsWhatItHolds)
{
    qsizetype columnsAt = 0;
    const QByteArray whole = handMadeFile(sample(), &columnsAt);
    // Four whole column fields ("Author" "Title" "FileName" "Keywords"), then
    // the count of "FileType" and its first four bytes.
    const qsizetype cut = columnsAt + (2 + 6) + (2 + 5) + (2 + 8) + (2 + 8) + 2 + 4;
    ASSERT_EQ(whole.mid(cut - 4, 4), QByteArray("File"));
    writeFile(whole.left(cut));

    ProgramState state(folder);
    SettingsFile file(state.Settings, state.settingsPlace());
    EXPECT_TRUE(file.LoadConfig().ok());

    SettingsRecord expected;
    const SettingsRecord full = sample();
    expected.SettingsVersion = full.SettingsVersion;
    expected.ExclusiveMode = full.ExclusiveMode;
    expected.AddFilesFolder = full.AddFilesFolder;
    expected.PickFolder = full.PickFolder;
    expected.LibraryFolder = full.LibraryFolder;
    expected.DefaultLibrary = full.DefaultLibrary;
    expected.StartMaximized = full.StartMaximized;
    expected.SecurityWipeOnExit = full.SecurityWipeOnExit;
    expected.EditDetectMode = full.EditDetectMode;
    expected.GridForeColor = full.GridForeColor;
    expected.GridBackColor = full.GridBackColor;
    expected.ListFontName = full.ListFontName;
    expected.ListFontSize = full.ListFontSize;
    expected.ListFontBold = full.ListFontBold;
    expected.ListFontItalic = full.ListFontItalic;
    expected.ListFontUnderline = full.ListFontUnderline;
    expected.HeaderFontName = full.HeaderFontName;
    expected.HeaderFontSize = full.HeaderFontSize;
    expected.HeaderFontBold = full.HeaderFontBold;
    expected.HeaderFontItalic = full.HeaderFontItalic;
    expected.HeaderFontUnderline = full.HeaderFontUnderline;
    for (int i = 0; i < 4; ++i)
        expected.ColumnFields[i] = full.ColumnFields[i];
    expected.ColumnFields[4] = QStringLiteral("File");
    // Everything after reads as empty texts, zeros and false flags.
    expectSameSettings(state.Settings, expected);
    // Same version, so no upgrade filled anything in; the record is written back whole.
    EXPECT_EQ(readFile().size(), kSlot);
}

TEST_F(SettingsFileTest, PaddingAndBytesBeyondTheSlotAreIgnored)
{
    const QByteArray record = handMadeFile(sample());
    const QByteArray garbagePadded = padded(record, '\xAB');
    const QByteArray overlong = padded(record, '\x55') + QByteArray(2000, '\x7F');
    for (const QByteArray& bytes : {garbagePadded, overlong}) {
        SCOPED_TRACE(bytes.size());
        writeFile(bytes);
        ProgramState state(folder);
        SettingsFile file(state.Settings, state.settingsPlace());
        EXPECT_TRUE(file.LoadConfig().ok());
        expectSameSettings(state.Settings, sample());
    }
}

TEST_F(SettingsFileTest, AMissingEmptyOrOneByteFileGivesAllDefaultsAndIsWritten)
{
    for (const char* content : {static_cast<const char*>(nullptr), "", "\x07"}) {
        SCOPED_TRACE(content ? QByteArray(content).toHex().toStdString() : "missing");
        QFile::remove(cfgPath);
        if (content)
            writeFile(QByteArray(content));
        ProgramState state(folder);
        // DefaultLibrary follows the library in use, not the program folder.
        state.CurrentLibraryPath = QStringLiteral("/srv/elsewhere/Chosen.ZNT");
        SettingsFile file(state.Settings, state.settingsPlace());
        EXPECT_TRUE(file.LoadConfig().ok());
        expectSameSettings(state.Settings, defaults(state.CurrentLibraryPath, 7833.6));

        const QByteArray written = readFile();
        ASSERT_EQ(written.size(), kSlot);
        EXPECT_EQ(written, padded(handMadeFile(defaults(state.CurrentLibraryPath, 7833.6))));
        EXPECT_EQ(written.left(7), QByteArray("\x03\x00" "2.1" "\xFF\xFF", 7));
    }
}

TEST_F(SettingsFileTest, TheFilePaneDefaultIsAShareOfTheScreenTheWindowLayerGives)
{
    ProgramState state(folder);
    SettingsFile file(state.Settings, state.settingsPlace());
    EXPECT_DOUBLE_EQ(file.screenWidthTwips(), 15360.0);
    file.setScreenWidthTwips(28800);
    ASSERT_TRUE(file.LoadConfig().ok());
    EXPECT_DOUBLE_EQ(state.Settings.FilePaneSize, 0.51 * 28800);

    // A file that exists keeps its own value whatever the screen.
    ProgramState again(folder);
    SettingsFile other(again.Settings, again.settingsPlace());
    other.setScreenWidthTwips(1000);
    ASSERT_TRUE(other.LoadConfig().ok());
    EXPECT_DOUBLE_EQ(again.Settings.FilePaneSize, 0.51 * 28800);

    file.setScreenWidthTwips(0);
    EXPECT_DOUBLE_EQ(file.screenWidthTwips(), 15360.0);
}

TEST_F(SettingsFileTest, FlagsHoldingOtherValuesReadAsTrue)
{
    SettingsRecord s = sample();
    s.ExclusiveMode = false;
    s.ListFontItalic = false;
    s.AutoStart = false;
    s.PrintHeaderFontBold = false;
    QByteArray bytes = handMadeFile(s);
    // ExclusiveMode sits right after the version text.
    const qsizetype exclusiveAt = 2 + s.SettingsVersion.size();
    bytes[exclusiveAt] = 1;
    bytes[exclusiveAt + 1] = 0;
    // The last field, PrintHeaderFontItalic, is true (-1); PrintHeaderFontBold before it.
    bytes[bytes.size() - 4] = 5;
    bytes[bytes.size() - 3] = 0;
    writeFile(bytes);

    ProgramState state(folder);
    SettingsFile file(state.Settings, state.settingsPlace());
    ASSERT_TRUE(file.LoadConfig().ok());
    EXPECT_TRUE(state.Settings.ExclusiveMode);
    EXPECT_TRUE(state.Settings.PrintHeaderFontBold);
    EXPECT_TRUE(state.Settings.PrintHeaderFontItalic);
    EXPECT_FALSE(state.Settings.ListFontItalic);
    EXPECT_FALSE(state.Settings.AutoStart);
    // Written back as the two values a flag may hold.
    const QByteArray written = readFile();
    EXPECT_EQ(written.mid(exclusiveAt, 2), QByteArray("\xFF\xFF"));
    EXPECT_EQ(written.mid(bytes.size() - 4, 2), QByteArray("\xFF\xFF"));
}

TEST_F(SettingsFileTest, AVersionOneFileIsUpgradedExactlyAndSaved)
{
    writeFile(handMadeFile(beforeUpgrade(QStringLiteral("1.0"))));
    ProgramState state(folder);
    SettingsFile file(state.Settings, state.settingsPlace());
    EXPECT_TRUE(file.LoadConfig().ok());

    SettingsRecord expected = beforeUpgrade(QStringLiteral("2.1"));
    expected.AutoSizePictures = true;
    expected.PreviewFullHeight = true;
    expected.AutoRewind = true;
    expected.AutoStart = true;
    expected.RemoveOriginals = false;
    expected.SecurityWipeOnExit = false;
    expected.WipeAmount = 1000;
    expected.PrintListFontName = QStringLiteral("Arial");
    expected.PrintListFontSize = 8;
    expected.PrintListFontBold = false;
    expected.PrintListFontItalic = false;
    expected.PrintHeaderFontName = QStringLiteral("Arial");
    expected.PrintHeaderFontSize = 8;
    expected.PrintHeaderFontBold = true;
    expected.PrintHeaderFontItalic = false;
    expectSameSettings(state.Settings, expected);
    EXPECT_EQ(readFile(), padded(handMadeFile(expected)));
}

struct UpgradeCase
{
    const char* stored;
    bool previewFlags; // step for versions before 1.1
    bool wipeAndRemove; // before 2.0
    bool printFonts;   // before 2.1
    const char* afterwards;
};

class SettingsUpgradeTest : public SettingsFileTest,
                            public ::testing::WithParamInterface<UpgradeCase>
{
};

TEST_P(SettingsUpgradeTest, EachStepRunsOnlyBelowItsVersion)
{
    const UpgradeCase c = GetParam();
    writeFile(handMadeFile(beforeUpgrade(QString::fromLatin1(c.stored))));
    ProgramState state(folder);
    SettingsFile file(state.Settings, state.settingsPlace());
    EXPECT_TRUE(file.LoadConfig().ok());
    const SettingsRecord& s = state.Settings;
    const SettingsRecord old = beforeUpgrade(QStringLiteral("2.1"));

    EXPECT_EQ(s.SettingsVersion, QString::fromLatin1(c.afterwards));
    EXPECT_EQ(s.AutoSizePictures, c.previewFlags);
    EXPECT_EQ(s.PreviewFullHeight, c.previewFlags);
    EXPECT_EQ(s.AutoRewind, c.previewFlags);
    EXPECT_EQ(s.AutoStart, c.previewFlags);
    EXPECT_EQ(s.RemoveOriginals, !c.wipeAndRemove);
    EXPECT_EQ(s.SecurityWipeOnExit, !c.wipeAndRemove);
    EXPECT_EQ(s.WipeAmount, c.wipeAndRemove ? 1000 : old.WipeAmount);
    EXPECT_EQ(s.PrintListFontName, c.printFonts ? QStringLiteral("Arial") : old.PrintListFontName);
    EXPECT_EQ(s.PrintListFontSize, c.printFonts ? 8 : old.PrintListFontSize);
    EXPECT_EQ(s.PrintHeaderFontSize, c.printFonts ? 8 : old.PrintHeaderFontSize);
    EXPECT_EQ(s.PrintHeaderFontBold, c.printFonts);
    EXPECT_EQ(s.ListFontName, old.ListFontName);
    EXPECT_EQ(s.ColumnWidths, old.ColumnWidths);

    // What is on disk is what is in memory.
    SettingsRecord onDisk = s;
    EXPECT_EQ(readFile(), padded(handMadeFile(onDisk)));
}

INSTANTIATE_TEST_SUITE_P(
    Versions, SettingsUpgradeTest,
    ::testing::Values(UpgradeCase{"1.0", true, true, true, "2.1"},
                      UpgradeCase{"1.09", true, true, true, "2.1"},
                      UpgradeCase{"1.1", false, true, true, "2.1"},
                      UpgradeCase{"1.99", false, true, true, "2.1"},
                      UpgradeCase{"2.0", false, false, true, "2.1"},
                      UpgradeCase{"2.05", false, false, true, "2.1"},
                      // Equal numbers: not upgraded, the text stays as it was.
                      UpgradeCase{"2.10", false, false, false, "2.10"},
                      UpgradeCase{"2.1", false, false, false, "2.1"},
                      // Newer: stamped with our version, no step runs.
                      UpgradeCase{"3.5", false, false, false, "2.1"},
                      UpgradeCase{"2.11", false, false, false, "2.1"},
                      // No number at all counts as 0.
                      UpgradeCase{"abc", true, true, true, "2.1"},
                      UpgradeCase{"", true, true, true, "2.1"}));

TEST_F(SettingsFileTest, AnOlderProgramOnlyStampsANewerFile)
{
    // 2.05 is below the print font step but above this program's own version.
    writeFile(handMadeFile(sample(QStringLiteral("2.05"))));
    ProgramState state(folder);
    state.ProgramVersion = QStringLiteral("1.5");
    SettingsFile file(state.Settings, state.settingsPlace());
    EXPECT_TRUE(file.LoadConfig().ok());
    SettingsRecord expected = sample(QStringLiteral("1.5"));
    expectSameSettings(state.Settings, expected);
    EXPECT_EQ(readFile(), padded(handMadeFile(expected)));
}

TEST_F(SettingsFileTest, RemembersOnlyFoldersOnTheProgramsFileSystem)
{
    // /media/usb is simulated as a second file system; everything else is real.
    const Drive::Lookup lookup = [](const QString& path) -> std::optional<Drive::Facts> {
        if (path.startsWith(QStringLiteral("/media/usb")))
            return Drive::Facts{QStringLiteral("/media/usb"), "/dev/sdz1"};
        return Drive::systemLookup(path);
    };

    SettingsRecord s = sample();
    s.PickFolder = QStringLiteral("/media/usb/scans");
    s.LibraryFolder = QStringLiteral("/media/usb/libraries");
    writeFile(handMadeFile(s));
    {
        ProgramState state(folder);
        SettingsFile file(state.Settings, state.settingsPlace(), lookup);
        ASSERT_TRUE(file.LoadConfig().ok());
        EXPECT_EQ(state.Settings.PickFolder, root);
        EXPECT_EQ(state.Settings.AddFilesFolder, folder + QStringLiteral("/scans"));
        // Only the two remembered pick folders are moved.
        EXPECT_EQ(state.Settings.LibraryFolder, QStringLiteral("/media/usb/libraries"));
        SettingsRecord expected = s;
        expected.PickFolder = root;
        EXPECT_EQ(readFile(), padded(handMadeFile(expected)));
    }

    s = sample();
    s.PickFolder = folder + QStringLiteral("/picked");
    s.AddFilesFolder = folder + QStringLiteral("/deleted since");
    writeFile(handMadeFile(s));
    {
        ProgramState state(folder);
        SettingsFile file(state.Settings, state.settingsPlace(), lookup);
        ASSERT_TRUE(file.LoadConfig().ok());
        EXPECT_EQ(state.Settings.PickFolder, folder + QStringLiteral("/picked"));
        EXPECT_EQ(state.Settings.AddFilesFolder, root);
    }

    s = sample();
    s.AddFilesFolder = QStringLiteral("D:\\Scans");
    s.PickFolder = QStringLiteral("/media/usb");
    writeFile(handMadeFile(s));
    {
        ProgramState state(folder);
        SettingsFile file(state.Settings, state.settingsPlace(), lookup);
        ASSERT_TRUE(file.LoadConfig().ok());
        EXPECT_EQ(state.Settings.PickFolder, root);
        EXPECT_EQ(state.Settings.AddFilesFolder, root);
    }
}

TEST_F(SettingsFileTest, NonLatinTextsRoundTripAndLatinOnesStaySingleByte)
{
    const QString greek = folder + QStringLiteral("/\u03A6\u03C9\u03C4\u03BF\u03B3\u03C1\u03B1"
                                                  "\u03C6\u03AF\u03B5\u03C2 \u5199\u771F");
    const QString latin = folder + QStringLiteral("/Caf\u00E9 \u20AC");
    ASSERT_TRUE(QDir().mkpath(greek));
    ASSERT_TRUE(QDir().mkpath(latin));
    {
        ProgramState state(folder);
        SettingsFile file(state.Settings, state.settingsPlace());
        state.Settings = sample();
        state.Settings.AddFilesFolder = latin;
        state.Settings.PickFolder = greek;
        state.Settings.DefaultLibrary = QStringLiteral("/srv/\u0395\u03BB\u03BB\u03B7\u03BD.ZNT");
        state.Settings.ListFontName = QStringLiteral("MS \u30B4\u30B7\u30C3\u30AF");
        ASSERT_TRUE(file.SaveSettings().ok());
    }

    // AddFilesFolder follows "2.1" and ExclusiveMode at byte 7.
    const QByteArray latinBytes = folder.toLatin1() + "/Caf\xE9 \x80";
    const QByteArray greekBytes = "\xEF\xBB\xBF" + greek.toUtf8();
    const QByteArray expectedHead = Bytes().str(latinBytes).str(greekBytes).data;
    EXPECT_EQ(readFile().mid(7, expectedHead.size()), expectedHead);

    ProgramState state(folder);
    SettingsFile file(state.Settings, state.settingsPlace());
    ASSERT_TRUE(file.LoadConfig().ok());
    EXPECT_EQ(state.Settings.AddFilesFolder, latin);
    EXPECT_EQ(state.Settings.PickFolder, greek);
    EXPECT_EQ(state.Settings.DefaultLibrary, QStringLiteral("/srv/\u0395\u03BB\u03BB\u03B7\u03BD.ZNT"));
    EXPECT_EQ(state.Settings.ListFontName, QStringLiteral("MS \u30B4\u30B7\u30C3\u30AF"));
    EXPECT_EQ(state.Settings.HeaderFontName, sample().HeaderFontName);
}

TEST_F(SettingsFileTest, ASaveKilledHalfwayLeavesThePreviousFileIntact)
{
    const QByteArray previous = padded(handMadeFile(sample()));
    writeFile(previous);

    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(ready[0]);
        ProgramState state(folder);
        SettingsFile file(state.Settings, state.settingsPlace());
        state.Settings = sample();
        state.Settings.ListFontName = QStringLiteral("Half Saved");
        // Tell the test the new record is in the temporary file, then wait to be killed.
        file.setBeforeReplaceHook([&] {
            const char signal = 'r';
            if (::write(ready[1], &signal, 1) != 1)
                ::_exit(3);
            for (;;)
                ::pause();
        });
        file.SaveSettings();
        ::_exit(2);
    }
    ::close(ready[1]);
    char signal = 0;
    const ssize_t got = ::read(ready[0], &signal, 1);
    ::close(ready[0]);

    // Between the write and the rename: the new record sits complete beside the old one.
    QStringList others = QDir(folder).entryList(QDir::Files);
    others.removeAll(QStringLiteral("ZNT.CFG"));
    QByteArray pending;
    if (others.size() == 1) {
        QFile temp(QDir(folder).filePath(others.front()));
        if (temp.open(QIODevice::ReadOnly))
            pending = temp.readAll();
    }

    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_EQ(got, 1) << "the save never reached its temporary file";
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    ASSERT_EQ(others.size(), 1);
    EXPECT_EQ(pending.size(), kSlot);
    EXPECT_TRUE(pending.contains("Half Saved"));

    EXPECT_EQ(readFile(), previous);
    ProgramState state(folder);
    SettingsFile file(state.Settings, state.settingsPlace());
    EXPECT_TRUE(file.LoadConfig().ok());
    expectSameSettings(state.Settings, sample());

    // The next save goes through although the killed one left its temporary file.
    state.Settings.ListFontName = QStringLiteral("Fully Saved");
    ASSERT_TRUE(file.SaveSettings().ok());
    ProgramState after(folder);
    SettingsFile reread(after.Settings, after.settingsPlace());
    ASSERT_TRUE(reread.LoadConfig().ok());
    EXPECT_EQ(after.Settings.ListFontName, QStringLiteral("Fully Saved"));
}

TEST_F(SettingsFileTest, AMissingProgramFolderStillGivesDefaults)
{
    const QString gone = folder + QStringLiteral("/not/there");
    ProgramState state(gone);
    SettingsFile file(state.Settings, state.settingsPlace());
    const Status loaded = file.LoadConfig();
    EXPECT_FALSE(loaded.ok());
    EXPECT_FALSE(loaded.message().isEmpty());
    EXPECT_TRUE(state.Settings.ExclusiveMode);
    EXPECT_EQ(state.Settings.SettingsVersion, QStringLiteral("2.1"));
    EXPECT_EQ(state.Settings.DefaultLibrary, gone + QStringLiteral("/Main Library.ZNT"));
    EXPECT_EQ(state.Settings.LibraryFolder, gone);
    EXPECT_EQ(state.Settings.AddFilesFolder, QStringLiteral("/"));
    EXPECT_EQ(state.Settings.ColumnWidths[9], 4000);
    EXPECT_FALSE(QDir(gone).exists());
    EXPECT_FALSE(file.SaveSettings().ok());
}

TEST_F(SettingsFileTest, AnUnreadableSettingsPathGivesDefaultsAndIsLeftAlone)
{
    // A folder where the file should be: cannot be read, cannot be replaced.
    ASSERT_TRUE(QDir(folder).mkdir(QStringLiteral("ZNT.CFG")));
    ProgramState state(folder);
    SettingsFile file(state.Settings, state.settingsPlace());
    const Status loaded = file.LoadConfig();
    EXPECT_EQ(loaded.code(), ErrorCode::Unreadable);
    expectSameSettings(state.Settings, defaults(state.CurrentLibraryPath, 7833.6));
    EXPECT_TRUE(QFileInfo(cfgPath).isDir());
    EXPECT_FALSE(file.SaveSettings().ok());
    EXPECT_TRUE(QFileInfo(cfgPath).isDir());
}

TEST_F(SettingsFileTest, ARecordTooLongForItsSlotIsNotWritten)
{
    const QByteArray previous = padded(handMadeFile(sample()));
    writeFile(previous);
    ProgramState state(folder);
    SettingsFile file(state.Settings, state.settingsPlace());
    state.Settings = sample();
    state.Settings.DefaultLibrary = QStringLiteral("/srv/") + QString(9990, QLatin1Char('x'));
    const Status saved = file.SaveSettings();
    EXPECT_EQ(saved.code(), ErrorCode::InvalidArgument);
    EXPECT_EQ(readFile(), previous);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{QStringLiteral("ZNT.CFG")});

    // Just inside the slot is fine.
    const qsizetype room = kSlot - handMadeFile(sample()).size() + sample().DefaultLibrary.size();
    state.Settings.DefaultLibrary = QString(room, QLatin1Char('y'));
    ASSERT_TRUE(file.SaveSettings().ok());
    EXPECT_EQ(readFile(), handMadeFile(state.Settings));
}

} // namespace
