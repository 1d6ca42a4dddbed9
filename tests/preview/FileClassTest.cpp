#include "preview/FileClass.h"
#include "preview/PictureFit.h"

#include <gtest/gtest.h>

using namespace zentaro;
using Placement = PictureFit::Placement;

TEST(FileClass, EveryListedTypeHasItsClassAndOnlyInUpperCase)
{
    for (const char* t : {"AVI", "M1V", "MOV", "MPE", "MPEG", "MPG", "QT"})
        EXPECT_EQ(FileClass::CurrentFileClass(QString::fromLatin1(t)), QStringLiteral("Video")) << t;
    for (const char* t : {"AIF", "AIFF", "MID", "MP3", "RA", "SND", "WAV"})
        EXPECT_EQ(FileClass::CurrentFileClass(QString::fromLatin1(t)), QStringLiteral("Audio")) << t;
    for (const char* t : {"BMP", "GIF", "ICO", "JPE", "JPG", "JPEG", "WMF"})
        EXPECT_EQ(FileClass::CurrentFileClass(QString::fromLatin1(t)), QStringLiteral("Image")) << t;
    for (const char* t : {"jpg", "Jpg", "qt", "wav", "", "TXT", " JPG", "JPG ", "DOC"})
        EXPECT_EQ(FileClass::CurrentFileClass(QString::fromLatin1(t)), QStringLiteral("Other")) << t;
}

TEST(FileClass, TodaysFormatsHaveTheirClassOnlyInUpperCase)
{
    for (const char* t : {"MP4", "M4V", "MKV", "WEBM", "WMV", "OGV", "3GP"})
        EXPECT_EQ(FileClass::CurrentFileClass(QString::fromLatin1(t)), QStringLiteral("Video")) << t;
    for (const char* t : {"FLAC", "OGG", "OPUS", "M4A", "AAC", "WMA"})
        EXPECT_EQ(FileClass::CurrentFileClass(QString::fromLatin1(t)), QStringLiteral("Audio")) << t;
    for (const char* t : {"PNG", "TIF", "TIFF", "WEBP", "SVG", "HEIC"})
        EXPECT_EQ(FileClass::CurrentFileClass(QString::fromLatin1(t)), QStringLiteral("Image")) << t;
    for (const char* t : {"png", "Mp4", "flac"})
        EXPECT_EQ(FileClass::CurrentFileClass(QString::fromLatin1(t)), QStringLiteral("Other")) << t;
    // Such a type in another case is not drawn as a picture of its own either.
    EXPECT_TRUE(FileClass::isClassifiedType(QStringLiteral("jpg")));
    EXPECT_TRUE(FileClass::isClassifiedType(QStringLiteral("png")));
    EXPECT_FALSE(FileClass::isClassifiedType(QStringLiteral("ppm")));
}

TEST(PictureFit, FillsOneAxisAndCentresOnTheOther)
{
    // Wide picture into a square: full width, centred down.
    EXPECT_EQ(PictureFit::Fit(400, 100, 200, 200), (Placement{0, 75, 200, 50}));
    // Tall picture: full height, centred across.
    EXPECT_EQ(PictureFit::Fit(100, 400, 200, 200), (Placement{75, 0, 50, 200}));
    // The area's own aspect: the whole area.
    EXPECT_EQ(PictureFit::Fit(50, 25, 300, 150), (Placement{0, 0, 300, 150}));
    // Scaled up as well as down.
    EXPECT_EQ(PictureFit::Fit(10, 10, 300, 100), (Placement{100, 0, 100, 100}));
    // 12,000 x 8,000 into 1000 x 800: full width.
    EXPECT_EQ(PictureFit::Fit(12000, 8000, 1000, 800), (Placement{0, 67, 1000, 666}));
}

TEST(PictureFit, IntegerPartsAndRoundingHalvesToEven)
{
    // Drawn width 100 * (3/7) = 42.86 -> 42; left (101 - 42) / 2 = 29.5 -> 29.
    EXPECT_EQ(PictureFit::Fit(3, 7, 101, 100), (Placement{29, 0, 42, 100}));
    // A fractional area height is rounded, halves to even.
    EXPECT_EQ(PictureFit::Fit(1, 1, 400, 100.5).height, 100);
    EXPECT_EQ(PictureFit::Fit(1, 1, 400, 101.5).height, 102);
    EXPECT_EQ(PictureFit::Fit(1, 1, 100.5, 400).width, 100);
}

TEST(PictureFit, NothingWithoutSize)
{
    EXPECT_EQ(PictureFit::Fit(0, 100, 200, 200), Placement{});
    EXPECT_EQ(PictureFit::Fit(100, 100, 200, 0), Placement{});
    EXPECT_EQ(PictureFit::Fit(100, 100, -5, 200), Placement{});
}
