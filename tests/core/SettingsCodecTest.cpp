#include "core/Cp1252.h"
#include "core/Drive.h"
#include "core/RecordReader.h"
#include "core/RecordWriter.h"
#include "SettingsTestSupport.h"

#include <QDir>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zentaro;
using zentaro::test::Bytes;

TEST(Cp1252, EveryByteSurvivesDecodeAndEncode)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    const QString text = Cp1252::decode(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_TRUE(Cp1252::canEncode(text));
    EXPECT_EQ(Cp1252::encode(text), all);
}

TEST(Cp1252, HighBytesAreTheWindowsCharactersNotLatin1Controls)
{
    EXPECT_EQ(Cp1252::decode("\x80"), QString(QChar(0x20AC)));
    EXPECT_EQ(Cp1252::decode("\x8A"), QString(QChar(0x0160)));
    EXPECT_EQ(Cp1252::decode("\x9F"), QString(QChar(0x0178)));
    EXPECT_EQ(Cp1252::decode("Caf\xE9"), QStringLiteral("Caf\u00E9"));
    EXPECT_EQ(Cp1252::encode(QStringLiteral("\u20AC \u2122 \u00FF")), QByteArray("\x80 \x99 \xFF"));
}

TEST(Cp1252, TextsOutsideTheCodePageAreRecognised)
{
    EXPECT_TRUE(Cp1252::canEncode(QStringLiteral("/home/anna/Caf\u00E9 \u20AC")));
    EXPECT_FALSE(Cp1252::canEncode(QStringLiteral("/home/\u03A6\u03C9\u03C4\u03BF")));
    EXPECT_FALSE(Cp1252::canEncode(QStringLiteral("\u5199\u771F")));
    // U+0080 has no byte: 0x80 is the euro sign.
    EXPECT_FALSE(Cp1252::canEncode(QString(QChar(0x0080))));
    // A character beyond the basic plane arrives as two surrogates.
    EXPECT_FALSE(Cp1252::canEncode(QString::fromUcs4(U"\U0001F600")));
    EXPECT_EQ(Cp1252::encode(QStringLiteral("a\u03A6b")), QByteArray("a?b"));
}

TEST(RecordReader, ReadsLittleEndianFieldsOfEveryWidth)
{
    Bytes b;
    b.i16(-2).i32(-100000).i32(0x00FFFF00).f64(7833.6).raw("\x34\x12");
    RecordReader r(b.data);
    EXPECT_EQ(r.int16(), -2);
    EXPECT_EQ(r.int32(), -100000);
    EXPECT_EQ(r.int32(), 0x00FFFF00);
    EXPECT_DOUBLE_EQ(r.float64(), 7833.6);
    EXPECT_EQ(r.int16(), 0x1234);
    EXPECT_FALSE(r.ranPastEnd());
}

TEST(RecordReader, BytesBeyondTheEndReadAsZeros)
{
    RecordReader r(QByteArrayView("\x01\x02\x03", 3));
    EXPECT_EQ(r.int32(), 0x030201);
    EXPECT_TRUE(r.ranPastEnd());
    EXPECT_EQ(r.int16(), 0);
    EXPECT_FALSE(r.flag());
    EXPECT_DOUBLE_EQ(r.float64(), 0.0);
    EXPECT_TRUE(r.text().isEmpty());
}

TEST(RecordReader, AnyFlagValueOtherThanZeroIsTrue)
{
    Bytes b;
    b.i16(-1).i16(0).i16(1).i16(5).i16(-2).i16(0x7FFF);
    RecordReader r(b.data);
    EXPECT_TRUE(r.flag());
    EXPECT_FALSE(r.flag());
    EXPECT_TRUE(r.flag());
    EXPECT_TRUE(r.flag());
    EXPECT_TRUE(r.flag());
    EXPECT_TRUE(r.flag());
}

TEST(RecordReader, TextsAreCodePageOrMarkedUtf8)
{
    Bytes b;
    b.str("Caf\xE9 \x80");
    b.str("\xEF\xBB\xBF" "\xCE\xA6\xCF\x89 \xE5\x86\x99");
    // A mark followed by bytes that are not UTF-8 is a code page text after all.
    b.str("\xEF\xBB\xBF\xFF");
    b.str("");
    RecordReader r(b.data);
    EXPECT_EQ(r.text(), QStringLiteral("Caf\u00E9 \u20AC"));
    EXPECT_EQ(r.text(), QStringLiteral("\u03A6\u03C9 \u5199"));
    EXPECT_EQ(r.text(), QStringLiteral("\u00EF\u00BB\u00BF\u00FF"));
    EXPECT_EQ(r.text(), QString());
    EXPECT_FALSE(r.ranPastEnd());
}

TEST(RecordReader, ATextCutOffByTheEndKeepsTheBytesThatAreThere)
{
    Bytes b;
    b.i16(8).raw("File");
    RecordReader r(b.data);
    EXPECT_EQ(r.text(), QStringLiteral("File"));
    EXPECT_TRUE(r.ranPastEnd());
    EXPECT_EQ(r.position(), 10);
    EXPECT_EQ(r.int32(), 0);
}

TEST(RecordWriter, WritesFlagsAsMinusOneAndZeroAndTextsByByteCount)
{
    RecordWriter w;
    w.flag(true);
    w.flag(false);
    w.int16(-3);
    w.int32(0x00123456);
    w.text(QStringLiteral("Caf\u00E9"));
    w.float64(1.5);
    EXPECT_EQ(w.bytes(), QByteArray("\xFF\xFF\x00\x00\xFD\xFF\x56\x34\x12\x00"
                                    "\x04\x00" "Caf\xE9"
                                    "\x00\x00\x00\x00\x00\x00\xF8\x3F",
                                    24));
    EXPECT_FALSE(w.overflowed());
}

TEST(RecordWriter, TextsOutsideTheCodePageRoundTripAsMarkedUtf8)
{
    const QString greek = QStringLiteral("/home/\u03A6\u03C9\u03C4\u03BF/\u5199\u771F");
    // A code page text that begins with the mark's characters must not be
    // mistaken for UTF-8 when it is read back.
    const QString markLookalike = QStringLiteral("\u00EF\u00BB\u00BFabc");
    const QString emoji = QString::fromUcs4(U"x\U0001F600");
    RecordWriter w;
    w.text(greek);
    w.text(markLookalike);
    w.text(emoji);

    const QByteArray utf8 = greek.toUtf8();
    EXPECT_TRUE(w.bytes().startsWith(Bytes().str("\xEF\xBB\xBF" + utf8).data));

    RecordReader r(w.bytes());
    EXPECT_EQ(r.text(), greek);
    EXPECT_EQ(r.text(), markLookalike);
    EXPECT_EQ(r.text(), emoji);
    EXPECT_FALSE(r.ranPastEnd());
}

TEST(RecordWriter, ATextBeyondTheTwoByteCountIsCutAndNoted)
{
    RecordWriter w;
    w.text(QString(70000, QLatin1Char('a')));
    EXPECT_TRUE(w.overflowed());
    EXPECT_EQ(w.bytes().size(), 2 + 65535);
    EXPECT_EQ(w.bytes().left(2), QByteArray("\xFF\xFF"));
}

namespace {

// Three simulated file systems: "/" holds everything except the two mounts.
std::optional<Drive::Facts> fakeDrives(const QString& path)
{
    if (path.contains(QStringLiteral("gone")))
        return std::nullopt;
    if (path.startsWith(QStringLiteral("/media/usb")))
        return Drive::Facts{QStringLiteral("/media/usb"), "/dev/sdb1"};
    if (path.startsWith(QStringLiteral("/home")))
        return Drive::Facts{QStringLiteral("/home"), "/dev/sda2"};
    return Drive::Facts{QStringLiteral("/"), "/dev/sda1"};
}

} // namespace

TEST(Drive, FoldersOnOtherFileSystemsOrGoneBecomeTheProgramsRoot)
{
    const Drive::Lookup lookup = fakeDrives;
    const QString program = QStringLiteral("/opt/zentaro");
    EXPECT_EQ(Drive::keepOnProgramDrive(QStringLiteral("/srv/scans"), program, lookup),
              QStringLiteral("/srv/scans"));
    EXPECT_EQ(Drive::keepOnProgramDrive(QStringLiteral("/media/usb/scans"), program, lookup),
              QStringLiteral("/"));
    EXPECT_EQ(Drive::keepOnProgramDrive(QStringLiteral("/srv/gone"), program, lookup),
              QStringLiteral("/"));
    EXPECT_EQ(Drive::keepOnProgramDrive(QStringLiteral("D:\\Scans"), program, lookup),
              QStringLiteral("/"));
    EXPECT_EQ(Drive::keepOnProgramDrive(QString(), program, lookup), QStringLiteral("/"));

    // A program installed on its own file system maps to that file system's root.
    const QString homeProgram = QStringLiteral("/home/anna/zentaro");
    EXPECT_EQ(Drive::keepOnProgramDrive(QStringLiteral("/srv/scans"), homeProgram, lookup),
              QStringLiteral("/home"));
    EXPECT_EQ(Drive::keepOnProgramDrive(QStringLiteral("/home/anna/pics"), homeProgram, lookup),
              QStringLiteral("/home/anna/pics"));
    EXPECT_EQ(Drive::rootOf(homeProgram, lookup), QStringLiteral("/home"));
}

TEST(Drive, SameMountPointOnAnotherDeviceIsAnotherDrive)
{
    // A stick swapped for another one under the same mount point.
    const Drive::Lookup lookup = [](const QString& path) -> std::optional<Drive::Facts> {
        if (path.startsWith(QStringLiteral("/opt")))
            return Drive::Facts{QStringLiteral("/"), "/dev/sdc1"};
        return Drive::Facts{QStringLiteral("/"), "/dev/sda1"};
    };
    EXPECT_EQ(Drive::keepOnProgramDrive(QStringLiteral("/srv/x"), QStringLiteral("/opt/z"), lookup),
              QStringLiteral("/"));
    EXPECT_EQ(Drive::keepOnProgramDrive(QStringLiteral("/opt/x"), QStringLiteral("/opt/z"), lookup),
              QStringLiteral("/opt/x"));
}

TEST(Drive, TheSystemLookupSeesRealFoldersOnly)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto facts = Drive::systemLookup(dir.path());
    ASSERT_TRUE(facts.has_value());
    EXPECT_EQ(facts->rootPath, QStorageInfo(dir.path()).rootPath());
    EXPECT_FALSE(Drive::systemLookup(dir.filePath(QStringLiteral("missing"))).has_value());
    EXPECT_FALSE(Drive::systemLookup(QString()).has_value());

    QDir(dir.path()).mkdir(QStringLiteral("sub"));
    const QString sub = dir.filePath(QStringLiteral("sub"));
    EXPECT_EQ(Drive::keepOnProgramDrive(sub, dir.path(), &Drive::systemLookup), sub);
    EXPECT_EQ(Drive::keepOnProgramDrive(dir.filePath(QStringLiteral("missing")), dir.path(),
                                        &Drive::systemLookup),
              QStorageInfo(dir.path()).rootPath());
    EXPECT_EQ(Drive::rootOf(QStringLiteral("/no/such/zentaro/folder"), &Drive::systemLookup),
              QStringLiteral("/"));
}
