#include "ui/MainWindowHarness.h"
#include "support/RecordingOpener.h"

#include "library/LibrarySession.h"
#include "preview/FileClass.h"
#include "store/Recordset.h"
#include "transfer/FileOpener.h"
#include "ui/main/TwipsGeometry.h"
#include "ui/main/MainForm.h"
#include "ui/common/MessageRecorder.h"
#include "ui/main/RecordPane.h"
#include "ui/preview/MediaBox.h"
#include "ui/preview/PictureBox.h"
#include "ui/preview/PreviewController.h"
#include "ui/preview/Previewer.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QDataStream>
#include <QEvent>
#include <QFile>
#include <QImage>
#include <QMediaFormat>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QSignalSpy>
#include <QSlider>
#include <QStyleOptionSlider>
#include <QTest>
#include <QToolButton>
#include <QVideoFrame>
#include <QVideoSink>
#include <QVideoWidget>
#include <QWindow>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <functional>

using namespace zentaro;
using namespace zentaro::test;

namespace {

struct StoredFile
{
    QString name;
    QString type;
    QByteArray bytes;
};

QByteArray pictureBytes(int width, int height, const char* format)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::red);
    for (int x = 0; x < width / 2; ++x)
        for (int y = 0; y < height; ++y)
            image.setPixel(x, y, qRgb(0, 0, 255));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, format));
    return bytes;
}

// Half a second of a 440 Hz tone, 8 kHz mono 16-bit PCM.
QByteArray wavBytes()
{
    const int rate = 8000;
    const int samples = rate / 2;
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + samples * 2);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << quint32(rate) << quint32(rate * 2) << quint16(2)
        << quint16(16);
    out.writeRawData("data", 4);
    out << quint32(samples * 2);
    for (int i = 0; i < samples; ++i)
        out << qint16(std::lround(8000 * std::sin(2 * M_PI * 440 * i / rate)));
    return data;
}

// One second of a 16 x 16 picture at 10 frames a second with a 440 Hz tone
// beside it: an uncompressed AVI with a sound track.
QByteArray aviWithSoundBytes()
{
    const int width = 16, height = 16, fps = 10, frames = 10, rate = 8000;
    const int frameBytes = width * height * 3;
    const int samplesPerFrame = rate / fps;
    auto chunk = [](const char* id, const QByteArray& data) {
        QByteArray out(id, 4);
        out.append(QByteArray(4, '\0'));
        qToLittleEndian<quint32>(quint32(data.size()), out.data() + 4);
        out.append(data);
        if (data.size() % 2)
            out.append('\0');
        return out;
    };
    auto list = [&](const char* type, const QByteArray& data) { return chunk("LIST", QByteArray(type, 4) + data); };
    auto le = [](std::initializer_list<std::pair<quint32, int>> fields) {
        QByteArray out;
        for (const auto& [value, size] : fields)
            for (int i = 0; i < size; ++i)
                out.append(char((value >> (8 * i)) & 0xff));
        return out;
    };
    const QByteArray avih = le({{1000000 / fps, 4}, {0, 4}, {0, 4}, {0x10, 4}, {frames, 4}, {0, 4}, {2, 4}, {0, 4},
                                {width, 4}, {height, 4}, {0, 4}, {0, 4}, {0, 4}, {0, 4}});
    const QByteArray videoHeader = QByteArray("vidsDIB ") +
        le({{0, 4}, {0, 2}, {0, 2}, {0, 4}, {1, 4}, {fps, 4}, {0, 4}, {frames, 4}, {frameBytes, 4},
            {0xffffffff, 4}, {0, 4}, {0, 2}, {0, 2}, {width, 2}, {height, 2}});
    const QByteArray videoFormat = le({{40, 4}, {width, 4}, {height, 4}, {1, 2}, {24, 2}, {0, 4}, {frameBytes, 4},
                                       {0, 4}, {0, 4}, {0, 4}, {0, 4}});
    const QByteArray soundHeader = QByteArray("auds") + QByteArray(4, '\0') +
        le({{0, 4}, {0, 2}, {0, 2}, {0, 4}, {1, 4}, {rate, 4}, {0, 4}, {frames * samplesPerFrame, 4},
            {samplesPerFrame * 2, 4}, {0xffffffff, 4}, {2, 4}, {0, 2}, {0, 2}, {0, 2}, {0, 2}});
    const QByteArray soundFormat = le({{1, 2}, {1, 2}, {rate, 4}, {rate * 2, 4}, {2, 2}, {16, 2}});
    const QByteArray headers =
        list("hdrl", chunk("avih", avih) + list("strl", chunk("strh", videoHeader) + chunk("strf", videoFormat)) +
                         list("strl", chunk("strh", soundHeader) + chunk("strf", soundFormat)));
    QByteArray movi;
    QByteArray index;
    for (int f = 0; f < frames; ++f) {
        const QByteArray picture(frameBytes, char(f * 25));
        QByteArray sound;
        for (int i = 0; i < samplesPerFrame; ++i) {
            const auto sample = qint16(std::lround(8000 * std::sin(2 * M_PI * 440 * (f * samplesPerFrame + i) / rate)));
            sound.append(le({{quint16(sample), 2}}));
        }
        for (const auto& [id, data] : {std::pair{"00db", picture}, std::pair{"01wb", sound}}) {
            index.append(QByteArray(id, 4) + le({{0x10, 4}, {quint32(4 + movi.size()), 4}, {quint32(data.size()), 4}}));
            movi.append(chunk(id, data));
        }
    }
    const QByteArray body = QByteArray("AVI ") + headers + list("movi", movi) + chunk("idx1", index);
    return chunk("RIFF", body);
}

QByteArray sampleBytes(const QString& name)
{
    QFile file(QStringLiteral(ZENTARO_TEST_SOURCE_DIR "/tests/data/") + name);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
    return file.readAll();
}

// Pretends a sound output device exists, or not, while it lives.
class SoundDevice
{
public:
    explicit SoundDevice(bool present)
        : m_previous(MediaBox::setSoundDeviceCheck([present] { return present; }))
    {
    }
    ~SoundDevice() { MediaBox::setSoundDeviceCheck(std::move(m_previous)); }
    SoundDevice(const SoundDevice&) = delete;
    SoundDevice& operator=(const SoundDevice&) = delete;

private:
    MediaBox::SoundDeviceCheck m_previous;
};

class PreviewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.valid());
        ASSERT_TRUE(state.settingsFile().LoadConfig().ok());
        state.Settings.StartMaximized = false;
        state.Settings.AutoSizePictures = true;
        state.Settings.PreviewFullHeight = false;
        state.Settings.AutoStart = false;
    }

    QString makeStoredLibrary(const QList<StoredFile>& files)
    {
        const QString path = folder.path(QStringLiteral("Files.ZNT"));
        makeLibrary(path);
        auto db = Database::open(path);
        EXPECT_TRUE(db.ok());
        int n = 0;
        for (const StoredFile& file : files) {
            MainRecord record;
            // The list is in Title order: the rows keep the order given.
            record.Title = QStringLiteral("%1 ").arg(n++) + file.name;
            record.FileName = file.name;
            record.FileType = file.type;
            record.FileSize = file.bytes.size();
            Result<qint64> id = (*db)->insertRecord(record);
            EXPECT_TRUE(id.ok());
            for (qsizetype at = 0; at < file.bytes.size(); at += 64000)
                EXPECT_TRUE((*db)->appendChunk(*id, file.bytes.constData() + at,
                                               std::min<qsizetype>(64000, file.bytes.size() - at))
                                .ok());
        }
        (*db)->close();
        return path;
    }

    std::unique_ptr<MainForm> load(const QString& path)
    {
        state.CurrentLibraryPath = path;
        auto form = std::make_unique<MainForm>(state);
        form->load();
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        QApplication::processEvents();
        return form;
    }

    // Moves to row and empties the extraction folder first, so each
    // extraction shows as a new file.
    void moveTo(MainForm& form, int row)
    {
        QDir(state.ExtractFolder).removeRecursively();
        form.session().MoveTo(row);
        QApplication::processEvents();
    }

    QString extracted(const QString& name) const { return state.ExtractFolder + QLatin1Char('/') + name; }

    Previewer& previewer(MainForm& form) { return *form.recordPane().previewer(); }

    // Without a media backend nothing can load; the tests say so and skip.
    static bool noMediaBackend()
    {
        return QMediaFormat().supportedFileFormats(QMediaFormat::Decode).isEmpty();
    }

    static bool waitLoaded(MediaBox& box) { return QTest::qWaitFor([&] { return box.isLoaded(); }, 15000); }

    ProgramFolder folder;
    ProgramState state{folder.folder()};
    MessageRecorder boxes;
    LoginScript logins;
    DialogScript dialogs;
};

TEST_F(PreviewTest, DetailsPageNeverExtractsAndPreviewPageExtractsOnEveryMove)
{
    const QByteArray jpg = pictureBytes(40, 20, "JPG");
    auto form = load(makeStoredLibrary({{QStringLiteral("one"), QStringLiteral("JPG"), jpg},
                                        {QStringLiteral("two"), QStringLiteral("TXT"), QByteArray("text")},
                                        {QStringLiteral("three"), QStringLiteral("BMP"), pictureBytes(8, 8, "BMP")}}));
    for (int row : {1, 2, 0, 1}) {
        moveTo(*form, row);
        EXPECT_FALSE(QDir(state.ExtractFolder).exists() && !QDir(state.ExtractFolder).isEmpty()) << row;
    }
    form->detailTab()->setCurrentIndex(RecordPane::kPreviewPage);
    QApplication::processEvents();
    EXPECT_TRUE(QFile::exists(extracted(QStringLiteral("two.TXT"))));
    const QStringList names = {QStringLiteral("one.JPG"), QStringLiteral("two.TXT"), QStringLiteral("three.BMP")};
    for (int row : {2, 0, 1, 0}) {
        // Each move writes the current record's copy anew.
        QFile::remove(extracted(names[row]));
        moveTo(*form, row);
        EXPECT_TRUE(QFile::exists(extracted(names[row]))) << row;
    }
    EXPECT_EQ(state.CurrentFileClass, QStringLiteral("Image"));
    EXPECT_TRUE(previewer(*form).imageBox()->isVisible());
    EXPECT_EQ(boxes.count(), 0);
}

TEST_F(PreviewTest, LowerCaseJpgGivesTheLabelAndUpperCaseIsDrawnFitted)
{
    const QByteArray jpg = pictureBytes(400, 100, "JPG");
    auto form = load(makeStoredLibrary({{QStringLiteral("lower"), QStringLiteral("jpg"), jpg},
                                        {QStringLiteral("upper"), QStringLiteral("JPG"), jpg}}));
    form->detailTab()->setCurrentIndex(RecordPane::kPreviewPage);
    QApplication::processEvents();
    Previewer& p = previewer(*form);
    EXPECT_EQ(state.CurrentFileClass, QStringLiteral("Other"));
    EXPECT_TRUE(p.nonOlePanel()->isVisible());
    EXPECT_EQ(p.nonOlePanel()->text(), QStringLiteral("Unable to Preview - Click Here to Open"));
    EXPECT_FALSE(p.imageBox()->isVisible());

    moveTo(*form, 1);
    EXPECT_FALSE(p.nonOlePanel()->isVisible());
    ASSERT_TRUE(p.imageBox()->isVisible());
    EXPECT_TRUE(p.autoSizeToggleButton()->isVisible());
    const QSize area = p.imageBox()->size();
    const QRect drawn = p.imageBox()->drawnRect();
    // 4:1 into the area: as wide as it, centred down, decoded at that size.
    EXPECT_EQ(drawn.width(), area.width());
    EXPECT_EQ(drawn.height(), area.width() / 4);
    EXPECT_EQ(drawn.left(), 0);
    EXPECT_EQ(drawn.top(), (area.height() - drawn.height()) / 2);
    EXPECT_EQ(p.preImageCache().size(), drawn.size());
}

TEST_F(PreviewTest, ImageboxFillsThePreviewPageAndFollowsFullHeight)
{
    auto form = load(makeStoredLibrary({{QStringLiteral("pic"), QStringLiteral("BMP"), pictureBytes(8, 8, "BMP")}}));
    form->detailTab()->setCurrentIndex(RecordPane::kPreviewPage);
    QApplication::processEvents();
    const int belowFields = form->detailTab()->y();
    EXPECT_GT(belowFields, form->keywordsBox()->geometry().bottom());
    EXPECT_FALSE(form->notesBox()->isVisible());
    EXPECT_EQ(form->titleBox()->focusPolicy(), Qt::ClickFocus);
    // A gap inside the page on the left, and on the right of the tab control.
    const QRect box = previewer(*form).imageBox()->geometry();
    const QRect page = form->recordPane().previewPage()->geometry();
    EXPECT_NEAR(box.left() + page.left(), TwipsGeometry::pixelsX(form.get(), 100), 2);
    EXPECT_NEAR(form->detailTab()->width() - (box.right() + 1 + page.left()), TwipsGeometry::pixelsX(form.get(), 100), 2);

    form->detailTab()->setCurrentIndex(RecordPane::kDetailsPage);
    QApplication::processEvents();
    EXPECT_TRUE(form->notesBox()->isVisible());
    EXPECT_EQ(form->titleBox()->focusPolicy(), Qt::StrongFocus);
    EXPECT_FALSE(previewer(*form).imageBox()->isVisible());

    state.Settings.PreviewFullHeight = true;
    form->detailTab()->setCurrentIndex(RecordPane::kPreviewPage);
    QApplication::processEvents();
    EXPECT_NEAR(form->detailTab()->y(), TwipsGeometry::pixelsY(form.get(), 100), 1);
    form->detailTab()->setCurrentIndex(RecordPane::kDetailsPage);
    QApplication::processEvents();
    EXPECT_EQ(form->detailTab()->y(), belowFields);
}

TEST_F(PreviewTest, FullHeightPreviewLeavesNoFieldPeekingOut)
{
    state.Settings.PreviewFullHeight = true;
    auto form = load(makeStoredLibrary({{QStringLiteral("pic"), QStringLiteral("BMP"), pictureBytes(8, 8, "BMP")}}));
    QTabWidget* tab = form->detailTab();
    const QStringList rows = {QStringLiteral("TitleBox"), QStringLiteral("TitleLabel"), QStringLiteral("AuthorBox"),
                              QStringLiteral("AuthorLabel"), QStringLiteral("KeywordsBox"),
                              QStringLiteral("KeywordsLabel")};
    // Beside its tabs the tab control paints nothing: a field under it would show there.
    auto peeksOut = [&](const QString& name) {
        const auto* field = form->recordPane().findChild<QWidget*>(name);
        return field && field->isVisible() && field->geometry().intersects(tab->geometry());
    };
    tab->setCurrentIndex(RecordPane::kPreviewPage);
    QApplication::processEvents();
    ASSERT_LT(tab->y(), form->titleBox()->geometry().bottom());
    for (const QString& name : rows)
        EXPECT_FALSE(peeksOut(name)) << name.toStdString();

    tab->setCurrentIndex(RecordPane::kDetailsPage);
    QApplication::processEvents();
    for (const QString& name : rows) {
        EXPECT_TRUE(form->recordPane().findChild<QWidget*>(name)->isVisible()) << name.toStdString();
        EXPECT_FALSE(peeksOut(name)) << name.toStdString();
    }
}

TEST_F(PreviewTest, AutoSizeToggleTwiceRestoresCaptionAndSavedSetting)
{
    auto form = load(makeStoredLibrary({{QStringLiteral("big"), QStringLiteral("BMP"), pictureBytes(2000, 1500, "BMP")}}));
    form->detailTab()->setCurrentIndex(RecordPane::kPreviewPage);
    QApplication::processEvents();
    Previewer& p = previewer(*form);
    QPushButton* toggle = p.autoSizeToggleButton();
    EXPECT_EQ(toggle->text(), QStringLiteral("Original Size"));
    EXPECT_LE(p.imageBox()->drawnRect().width(), p.imageBox()->width());

    QFile::remove(extracted(QStringLiteral("big.BMP")));
    QTest::mouseClick(toggle, Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_EQ(toggle->text(), QStringLiteral("AutoSize"));
    EXPECT_FALSE(state.Settings.AutoSizePictures);
    EXPECT_FALSE(settingsOnDisk(state.SettingsFilePath).AutoSizePictures);
    // Extracted again and drawn at its own size from the corner, cut off.
    EXPECT_TRUE(QFile::exists(extracted(QStringLiteral("big.BMP"))));
    EXPECT_EQ(p.imageBox()->drawnRect().topLeft(), QPoint(0, 0));
    EXPECT_EQ(p.imageBox()->drawnRect().size(), p.preImageCache().size());
    EXPECT_GE(p.preImageCache().width(), std::min(2000, p.imageBox()->width()));

    QFile::remove(extracted(QStringLiteral("big.BMP")));
    QTest::mouseClick(toggle, Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_EQ(toggle->text(), QStringLiteral("Original Size"));
    EXPECT_TRUE(state.Settings.AutoSizePictures);
    EXPECT_TRUE(settingsOnDisk(state.SettingsFilePath).AutoSizePictures);
    EXPECT_TRUE(QFile::exists(extracted(QStringLiteral("big.BMP"))));
    EXPECT_LE(p.imageBox()->drawnRect().width(), p.imageBox()->width());
}

TEST_F(PreviewTest, PhotosAreDrawnUpright)
{
    // A 40 x 20 JPEG whose EXIF orientation says "turned 90 degrees".
    QImage image(40, 20, QImage::Format_RGB32);
    image.fill(Qt::green);
    QByteArray jpg;
    {
        QBuffer buffer(&jpg);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(image.save(&buffer, "JPG"));
    }
    // APP1 Exif, big-endian TIFF, one entry: Orientation (0x0112) = 6.
    const QByteArray tiff = QByteArray::fromHex("4d4d002a00000008000101120003000000010006000000000000");
    QByteArray app1 = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray segment = QByteArray::fromHex("ffe1");
    const quint16 length = quint16(app1.size() + 2);
    segment.append(char(length >> 8)).append(char(length & 0xff)).append(app1);
    jpg.insert(2, segment);
    state.Settings.AutoSizePictures = false;
    auto form = load(makeStoredLibrary({{QStringLiteral("photo"), QStringLiteral("JPG"), jpg}}));
    form->detailTab()->setCurrentIndex(RecordPane::kPreviewPage);
    QApplication::processEvents();
    EXPECT_EQ(previewer(*form).preImageCache().size(), QSize(20, 40));
}

TEST_F(PreviewTest, PngIsPreviewedAsAPictureAndTextGivesTheLabel)
{
    auto form = load(makeStoredLibrary({{QStringLiteral("shot"), QStringLiteral("PNG"), pictureBytes(30, 30, "PNG")},
                                        {QStringLiteral("fake"), QStringLiteral("PNG"), QByteArray("not a picture")}}));
    form->detailTab()->setCurrentIndex(RecordPane::kPreviewPage);
    QApplication::processEvents();
    Previewer& p = previewer(*form);
    EXPECT_EQ(state.CurrentFileClass, QStringLiteral("Image"));
    EXPECT_TRUE(p.imageBox()->isVisible());
    EXPECT_FALSE(p.nonOlePanel()->isVisible());
    EXPECT_FALSE(p.preImageCache().isNull());
    moveTo(*form, 1);
    EXPECT_TRUE(p.nonOlePanel()->isVisible());
    EXPECT_FALSE(p.imageBox()->isVisible());
}

TEST_F(PreviewTest, APictureThePlatformCannotDecodeGivesTheLabel)
{
    auto form = load(makeStoredLibrary({{QStringLiteral("broken"), QStringLiteral("JPG"), QByteArray("not a picture")},
                                        {QStringLiteral("phone"), QStringLiteral("HEIC"), QByteArray("ftypheic")}}));
    form->detailTab()->setCurrentIndex(RecordPane::kPreviewPage);
    QApplication::processEvents();
    Previewer& p = previewer(*form);
    for (int row : {0, 1}) {
        moveTo(*form, row);
        EXPECT_EQ(state.CurrentFileClass, QStringLiteral("Image")) << row;
        EXPECT_TRUE(p.nonOlePanel()->isVisible()) << row;
        EXPECT_FALSE(p.imageBox()->isVisible()) << row;
        EXPECT_FALSE(p.autoSizeToggleButton()->isVisible()) << row;
    }
}

TEST_F(PreviewTest, SplitterDragRedrawsAPictureAtItsNewSize)
{
    // Wide, so its drawn width follows the area's.
    auto form = load(makeStoredLibrary({{QStringLiteral("pic"), QStringLiteral("BMP"), pictureBytes(400, 40, "BMP")}}));
    form->detailTab()->setCurrentIndex(RecordPane::kPreviewPage);
    QApplication::processEvents();
    Previewer& p = previewer(*form);
    const int before = p.imageBox()->drawnRect().width();
    QSplitter* splitter = form->mainSplitter();
    const QList<int> sizes = splitter->sizes();
    splitter->setSizes({sizes[0] - 120, sizes[1] + 120});
    QApplication::processEvents();
    // Resizing alone keeps the old drawing; letting go of the bar redraws it.
    EXPECT_EQ(p.imageBox()->drawnRect().width(), before);
    QTest::mouseRelease(splitter->handle(1), Qt::LeftButton);
    QTest::qWait(20);
    QApplication::processEvents();
    EXPECT_EQ(p.imageBox()->drawnRect().size(), p.preImageCache().size());
    EXPECT_NE(p.imageBox()->drawnRect().width(), before);
    EXPECT_EQ(p.imageBox()->drawnRect().width(), p.imageBox()->width());
}

TEST_F(PreviewTest, BrowserWithoutExtractRightStaysOnDetails)
{
    const QString path = makeStoredLibrary({{QStringLiteral("pic"), QStringLiteral("BMP"), pictureBytes(8, 8, "BMP")}});
    protectLibrary(path, QStringLiteral("b"), QStringLiteral("e"), QStringLiteral("a"), false);
    logins.queue(QStringLiteral("Browser"), QStringLiteral("b"));
    auto form = load(path);
    ASSERT_EQ(state.AccessLevel, QStringLiteral("Browser"));
    form->detailTab()->setCurrentIndex(RecordPane::kPreviewPage);
    QApplication::processEvents();
    EXPECT_EQ(form->detailTab()->currentIndex(), RecordPane::kDetailsPage);
    EXPECT_EQ(dialogs.deniedLevels, QStringList{QStringLiteral("Browser")});
    EXPECT_FALSE(QFile::exists(extracted(QStringLiteral("pic.BMP"))));
    EXPECT_TRUE(form->notesBox()->isVisible());
}

TEST_F(PreviewTest, BrowserWithExtractRightPreviews)
{
    const QString path = makeStoredLibrary({{QStringLiteral("pic"), QStringLiteral("BMP"), pictureBytes(8, 8, "BMP")}});
    protectLibrary(path, QStringLiteral("b"), QStringLiteral("e"), QStringLiteral("a"), true);
    logins.queue(QStringLiteral("Browser"), QStringLiteral("b"));
    auto form = load(path);
    form->detailTab()->setCurrentIndex(RecordPane::kPreviewPage);
    QApplication::processEvents();
    EXPECT_EQ(form->detailTab()->currentIndex(), RecordPane::kPreviewPage);
    EXPECT_TRUE(dialogs.deniedLevels.isEmpty());
    EXPECT_TRUE(QFile::exists(extracted(QStringLiteral("pic.BMP"))));
}

TEST_F(PreviewTest, FailedExtractionFallsBackToDetails)
{
    // FileSize claims more bytes than are stored: a damaged record is refused.
    const QString path = makeStoredLibrary({{QStringLiteral("pic"), QStringLiteral("BMP"), pictureBytes(8, 8, "BMP")}});
    {
        auto db = Database::open(path);
        ASSERT_TRUE(db.ok());
        ASSERT_TRUE((*db)->updateFields(1, {{QStringLiteral("FileSize"), 999999}}).ok());
        (*db)->close();
    }
    auto form = load(path);
    form->detailTab()->setCurrentIndex(RecordPane::kPreviewPage);
    QApplication::processEvents();
    EXPECT_EQ(form->detailTab()->currentIndex(), RecordPane::kDetailsPage);
    EXPECT_EQ(boxes.count(), 1);
    EXPECT_FALSE(previewer(*form).imageBox()->isVisible());
}

TEST_F(PreviewTest, WavReachesTheLoadedStateWithoutFullScreenButton)
{
    if (noMediaBackend())
        GTEST_SKIP() << "no media backend (QT_MEDIA_BACKEND=ffmpeg) in this Qt";
    // Not played: without a real device the backend would crash.
    SoundDevice present(true);
    auto form = load(makeStoredLibrary({{QStringLiteral("tone"), QStringLiteral("WAV"), wavBytes()}}));
    form->detailTab()->setCurrentIndex(RecordPane::kPreviewPage);
    QApplication::processEvents();
    Previewer& p = previewer(*form);
    MediaBox& box = *p.movieBox();
    EXPECT_EQ(state.CurrentFileClass, QStringLiteral("Audio"));
    EXPECT_TRUE(box.isVisible());
    EXPECT_EQ(box.mediaFileName(), extracted(QStringLiteral("tone.WAV")));
    // The player is 1200 twips high and as wide as the picture area.
    EXPECT_NEAR(box.height(), TwipsGeometry::pixelsY(form.get(), 1200), 1);
    EXPECT_EQ(box.width(), p.imageBox()->width());
    EXPECT_FALSE(box.videoWidget()->isVisible());
    ASSERT_TRUE(waitLoaded(box)) << "status " << int(box.player()->mediaStatus()) << " error "
                                 << box.player()->errorString().toStdString();
    EXPECT_FALSE(p.playFullScreenButton()->isVisible());
    EXPECT_FALSE(p.nonOlePanel()->isVisible());
    EXPECT_NE(box.player()->audioOutput(), nullptr);
    EXPECT_TRUE(box.findChild<QToolButton*>(QStringLiteral("AMoviePlayButton"))->isEnabled());
    EXPECT_NE(box.player()->playbackState(), QMediaPlayer::PlayingState);
    // Leaving the page unloads the player.
    form->detailTab()->setCurrentIndex(RecordPane::kDetailsPage);
    QApplication::processEvents();
    EXPECT_TRUE(box.mediaFileName().isEmpty());
    EXPECT_FALSE(box.isVisible());
}

TEST_F(PreviewTest, SoundIsNeverPlayedWithoutAnOutputDevice)
{
    if (noMediaBackend())
        GTEST_SKIP() << "no media backend (QT_MEDIA_BACKEND=ffmpeg) in this Qt";
    // The real list decides where it is empty, as on a machine without a sound server.
    std::optional<SoundDevice> none;
    if (MediaBox::hasSoundDevice())
        none.emplace(false);
    state.Settings.AutoStart = true;
    auto form = load(makeStoredLibrary({{QStringLiteral("tone"), QStringLiteral("WAV"), wavBytes()},
                                        {QStringLiteral("clip"), QStringLiteral("AVI"), aviWithSoundBytes()}}));
    form->detailTab()->setCurrentIndex(RecordPane::kPreviewPage);
    QApplication::processEvents();
    Previewer& p = previewer(*form);
    MediaBox& box = *p.movieBox();
    QMediaPlayer& player = *box.player();

    // Sound alone cannot be heard: the label offers to open it instead.
    EXPECT_EQ(state.CurrentFileClass, QStringLiteral("Audio"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.nonOlePanel()->isVisible(); }, 15000));
    EXPECT_TRUE(p.nonOlePanel()->toolTip().contains(QStringLiteral("tone.WAV")));
    EXPECT_TRUE(player.hasAudio());
    EXPECT_EQ(player.audioOutput(), nullptr);
    auto* play = box.findChild<QToolButton*>(QStringLiteral("AMoviePlayButton"));
    ASSERT_TRUE(play);
    QTest::mouseClick(play, Qt::LeftButton);
    // The backend used to crash within half a second of starting the sound.
    QTest::qWait(700);
    EXPECT_NE(player.playbackState(), QMediaPlayer::PlayingState);

    // A video with a sound track plays to its end without sound.
    QSignalSpy statuses(&player, &QMediaPlayer::mediaStatusChanged);
    moveTo(*form, 1);
    EXPECT_EQ(state.CurrentFileClass, QStringLiteral("Video"));
    ASSERT_TRUE(waitLoaded(box)) << "status " << int(player.mediaStatus()) << " error "
                                 << player.errorString().toStdString();
    EXPECT_TRUE(player.hasAudio());
    EXPECT_TRUE(player.hasVideo());
    EXPECT_EQ(player.audioOutput(), nullptr);
    EXPECT_FALSE(p.nonOlePanel()->isVisible());
    EXPECT_TRUE(p.playFullScreenButton()->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return std::any_of(statuses.begin(), statuses.end(), [](const QList<QVariant>& args) {
            return args.at(0).value<QMediaPlayer::MediaStatus>() == QMediaPlayer::EndOfMedia;
        });
    }, 15000));
}

TEST_F(PreviewTest, VideoReachesTheLoadedStateWithFullScreenButton)
{
    if (noMediaBackend())
        GTEST_SKIP() << "no media backend (QT_MEDIA_BACKEND=ffmpeg) in this Qt";
    state.Settings.AutoStart = true;
    auto form = load(makeStoredLibrary({{QStringLiteral("clip"), QStringLiteral("MPG"), sampleBytes(QStringLiteral("sample.mpg"))},
                                        {QStringLiteral("movie"), QStringLiteral("MP4"), sampleBytes(QStringLiteral("sample.mp4"))},
                                        {QStringLiteral("qt"), QStringLiteral("QT"), QByteArray("not really a movie")}}));
    form->detailTab()->setCurrentIndex(RecordPane::kPreviewPage);
    QApplication::processEvents();
    Previewer& p = previewer(*form);
    MediaBox& box = *p.movieBox();
    EXPECT_EQ(state.CurrentFileClass, QStringLiteral("Video"));
    ASSERT_TRUE(waitLoaded(box)) << "status " << int(box.player()->mediaStatus()) << " error "
                                 << box.player()->errorString().toStdString();
    EXPECT_TRUE(p.playFullScreenButton()->isVisible());
    EXPECT_EQ(p.playFullScreenButton()->text(), QStringLiteral("Play Full &Screen"));
    EXPECT_EQ(box.height(), p.imageBox()->height());
    // AutoStart runs it once loaded.
    EXPECT_TRUE(QTest::qWaitFor([&] { return box.player()->playbackState() == QMediaPlayer::PlayingState ||
                                             box.player()->mediaStatus() == QMediaPlayer::EndOfMedia; }, 5000));

    // An MP4 is a video too.
    moveTo(*form, 1);
    EXPECT_EQ(state.CurrentFileClass, QStringLiteral("Video"));
    EXPECT_EQ(box.mediaFileName(), extracted(QStringLiteral("movie.MP4")));
    ASSERT_TRUE(waitLoaded(box));
    EXPECT_TRUE(p.playFullScreenButton()->isVisible());
    EXPECT_FALSE(p.nonOlePanel()->isVisible());

    // "QT" is Video; a file the player refuses gives the label.
    moveTo(*form, 2);
    EXPECT_EQ(state.CurrentFileClass, QStringLiteral("Video"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return p.nonOlePanel()->isVisible(); }, 15000));
    // The backend may still report the refused file as loaded; it stays refused.
    QTest::qWait(300);
    EXPECT_FALSE(box.isLoaded());
    EXPECT_TRUE(p.nonOlePanel()->isVisible());
    EXPECT_FALSE(p.playFullScreenButton()->isVisible());
}

TEST_F(PreviewTest, FullScreenEndsAtOnceWithEscapeQOrADoubleClick)
{
    if (noMediaBackend())
        GTEST_SKIP() << "no media backend (QT_MEDIA_BACKEND=ffmpeg) in this Qt";
    auto form = load(makeStoredLibrary({{QStringLiteral("clip"), QStringLiteral("WEBM"), sampleBytes(QStringLiteral("sample.webm"))}}));
    form->detailTab()->setCurrentIndex(RecordPane::kPreviewPage);
    QApplication::processEvents();
    Previewer& p = previewer(*form);
    MediaBox& box = *p.movieBox();
    ASSERT_TRUE(waitLoaded(box));
    QVideoWidget* video = box.videoWidget();
    // The key goes to the full-screen window; the picture inside it is a
    // window of its own, where the mouse lands.
    const std::function<void()> ways[] = {
        [&] { QTest::keyClick(video->windowHandle(), Qt::Key_Escape); },
        [&] { QTest::keyClick(video->windowHandle()->findChild<QWindow*>(), Qt::Key_Q); },
        [&] { QTest::mouseDClick(video->windowHandle()->findChild<QWindow*>(), Qt::LeftButton); },
    };
    for (std::size_t way = 0; way < std::size(ways); ++way) {
        QTest::mouseClick(p.playFullScreenButton(), Qt::LeftButton);
        QApplication::processEvents();
        ASSERT_TRUE(video->isFullScreen()) << way;
        // Held still, so that the end of the clip does not end it instead.
        box.pause();
        ASSERT_NE(video->windowHandle()->findChild<QWindow*>(), nullptr);
        ways[way]();
        QApplication::processEvents();
        EXPECT_FALSE(video->isFullScreen()) << way;
        EXPECT_FALSE(video->isWindow()) << way;
    }
}

TEST_F(PreviewTest, PositionBarOfAWebmMovesAndSeeks)
{
    if (noMediaBackend())
        GTEST_SKIP() << "no media backend (QT_MEDIA_BACKEND=ffmpeg) in this Qt";
    state.Settings.AutoStart = true;
    state.Settings.AutoRewind = false;
    auto form = load(makeStoredLibrary({{QStringLiteral("clip"), QStringLiteral("WEBM"), sampleBytes(QStringLiteral("sample.webm"))}}));
    form->detailTab()->setCurrentIndex(RecordPane::kPreviewPage);
    QApplication::processEvents();
    MediaBox& box = *previewer(*form).movieBox();
    QMediaPlayer& player = *box.player();
    auto* bar = box.findChild<QSlider*>(QStringLiteral("AMoviePosition"));
    ASSERT_TRUE(bar);
    ASSERT_TRUE(waitLoaded(box));
    // Two seconds long, as the file states; the player itself knows none.
    EXPECT_EQ(bar->maximum(), 2000);
    EXPECT_TRUE(bar->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return bar->value() > 0; }, 5000));
    player.pause();
    QTest::qWait(50);

    // Drags the handle to nine tenths of the groove.
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.orientation = Qt::Horizontal;
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.sliderValue = bar->value();
    option.subControls = QStyle::SC_All;
    const QRect handle = bar->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, bar);
    const QRect groove = bar->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, bar);
    const QPoint to(groove.left() + groove.width() * 9 / 10, handle.center().y());
    QTest::mousePress(bar, Qt::LeftButton, {}, handle.center());
    QTest::mouseMove(bar, (handle.center() + to) / 2);
    QTest::mouseMove(bar, to);
    QTest::mouseRelease(bar, Qt::LeftButton, {}, to);
    // It starts from the half second that holds the point, paused on its first picture.
    EXPECT_EQ(bar->value(), 1500);
    const QVideoSink* sink = box.videoWidget()->videoSink();
    EXPECT_TRUE(QTest::qWaitFor([&] { return sink->videoFrame().startTime() == 1500000; }, 5000))
        << sink->videoFrame().startTime();
    EXPECT_NE(player.playbackState(), QMediaPlayer::PlayingState);
    // Played on from there, it keeps moving.
    box.run();
    EXPECT_TRUE(QTest::qWaitFor([&] { return bar->value() > 1500; }, 5000)) << bar->value();
}

TEST_F(PreviewTest, UnablePreviewLabelOpensTheFile)
{
    RecordingOpener opener;
    FileOpener* previous = Prompts::setFileOpener(&opener);
    auto form = load(makeStoredLibrary({{QStringLiteral("notes"), QStringLiteral("TXT"), QByteArray("words")}}));
    form->detailTab()->setCurrentIndex(RecordPane::kPreviewPage);
    QApplication::processEvents();
    QPushButton* label = previewer(*form).nonOlePanel();
    ASSERT_TRUE(label->isVisible());
    QTest::mouseClick(label, Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_EQ(opener.opened, QStringList{extracted(QStringLiteral("notes.TXT"))});
    Prompts::setFileOpener(previous);
}

TEST_F(PreviewTest, FileNameTooltipIsRebuiltOnEveryEntry)
{
    const QString longName = QString(300, QLatin1Char('n'));
    auto form = load(makeStoredLibrary({{longName, QStringLiteral("TXT"), QByteArray("a")},
                                        {QStringLiteral("short"), QStringLiteral("TXT"), QByteArray("b")}}));
    QLabel* panel = form->recordPane().fileNameBox();
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(panel, &enter);
    EXPECT_EQ(panel->toolTip(), QStringLiteral("Original File Name:  ") + longName + QLatin1Char(' '));
    moveTo(*form, 1);
    QApplication::sendEvent(panel, &enter);
    EXPECT_EQ(panel->toolTip(), QStringLiteral("Original File Name:  short "));
}

TEST_F(PreviewTest, DetailsPageShowsEveryFactWithLabelAndTooltip)
{
    auto form = load(makeStoredLibrary({{QStringLiteral("doc"), QStringLiteral("TXT"), QByteArray("12345")}}));
    const struct
    {
        const char* box;
        const char* label;
        const char* caption;
        const char* tooltip;
    } facts[] = {
        {"FileNameBox", "FileNameLabel", "File Name", nullptr},
        {"FileTypeBox", "FileTypeLabel", "Type (Extension)", "Extension of File which designates its type"},
        {"SizeBox", "SizeLabel", "File Size (Bytes)", "Size of File in Bytes"},
        {"FileDateBox", nullptr, "File Date", "Date of File (by default, the date original file was created)"},
        {"InsertionDateBox", "InsertionDateLabel", "Library Insertion Date",
         "Date that the file was inserted into the library"},
        {"LastEditedBox", "LastEditedLabel", "Last Updated Date",
         "Date that the file was last extracted, edited and placed back"},
    };
    for (const auto& fact : facts) {
        auto* box = form->findChild<QLabel*>(QLatin1String(fact.box));
        ASSERT_TRUE(box) << fact.box;
        if (fact.tooltip) {
            EXPECT_EQ(box->toolTip(), QLatin1String(fact.tooltip)) << fact.box;
        }
        if (fact.label) {
            auto* label = form->findChild<QLabel*>(QLatin1String(fact.label));
            ASSERT_TRUE(label) << fact.label;
            EXPECT_EQ(label->text(), QLatin1String(fact.caption));
            EXPECT_LT(label->geometry().bottom(), box->geometry().top() + 1);
        }
    }
    EXPECT_EQ(form->findChild<QLabel*>(QStringLiteral("FileTypeBox"))->text(), QStringLiteral("TXT"));
    EXPECT_EQ(form->findChild<QLabel*>(QStringLiteral("SizeBox"))->text(), QStringLiteral("5"));
    EXPECT_EQ(form->recordPane().changeFileDateButton()->text(), QStringLiteral("File Date"));
    EXPECT_EQ(form->recordPane().changeFileDateButton()->objectName(), QStringLiteral("ChangeFileDateButton"));
}

TEST_F(PreviewTest, FileDateButtonStoresThePickedDate)
{
    const QString path = makeStoredLibrary({{QStringLiteral("doc"), QStringLiteral("TXT"), QByteArray("1")}});
    auto form = load(path);
    QPushButton* button = form->recordPane().changeFileDateButton();
    int asked = 0;
    std::optional<QDate> answer;
    auto previous = PreviewController::setDatePicker([&](QWidget*) {
        ++asked;
        return answer;
    });
    form->titleBox()->setText(QStringLiteral("Typed"));
    form->titleBox()->setModified(true);
    // No date chosen: nothing changes.
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(asked, 1);
    answer = QDate(2001, 2, 3);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(asked, 2);
    auto stored = form->session().DCMain()->currentRecord();
    ASSERT_TRUE(stored.ok());
    EXPECT_EQ(stored->FileDate.date(), QDate(2001, 2, 3));
    // Typed text was kept (saved first).
    EXPECT_EQ(stored->Title, QStringLiteral("Typed"));
    EXPECT_EQ(form->titleBox()->text(), QStringLiteral("Typed"));
    EXPECT_NE(form->findChild<QLabel*>(QStringLiteral("FileDateBox"))->text().indexOf(QStringLiteral("2001")), -1);
    PreviewController::setDatePicker(std::move(previous));
}

TEST_F(PreviewTest, UndoTypingShowsTheStoredValuesUnchanged)
{
    auto form = load(makeStoredLibrary({{QStringLiteral("doc"), QStringLiteral("TXT"), QByteArray("1")}}));
    form->titleBox()->setText(QStringLiteral("typed title"));
    form->titleBox()->setModified(true);
    form->notesBox()->setPlainText(QStringLiteral("typed notes"));
    ASSERT_FALSE(form->recordPane().typedChanges().isEmpty());
    form->command(QStringLiteral("eubar"))->trigger();
    EXPECT_EQ(form->titleBox()->text(), QStringLiteral("0 doc"));
    EXPECT_TRUE(form->notesBox()->toPlainText().isEmpty());
    EXPECT_TRUE(form->recordPane().typedChanges().isEmpty());
    // Nothing was written.
    auto stored = form->session().DCMain()->currentRecord();
    ASSERT_TRUE(stored.ok());
    EXPECT_EQ(stored->Title, QStringLiteral("0 doc"));
}

TEST_F(PreviewTest, SuppressedRecordChangeLeavesThePreviewAlone)
{
    auto form = load(makeStoredLibrary({{QStringLiteral("a"), QStringLiteral("BMP"), pictureBytes(8, 8, "BMP")},
                                        {QStringLiteral("b"), QStringLiteral("BMP"), pictureBytes(8, 8, "BMP")}}));
    form->detailTab()->setCurrentIndex(RecordPane::kPreviewPage);
    QApplication::processEvents();
    auto* controller = form->findChild<PreviewController*>();
    ASSERT_TRUE(controller);
    QDir(state.ExtractFolder).removeRecursively();
    state.SuppressReposition = true;
    controller->followRecord();
    state.SuppressReposition = false;
    EXPECT_TRUE(previewer(*form).imageBox()->isVisible());
    EXPECT_FALSE(QDir(state.ExtractFolder).exists());
}

TEST_F(PreviewTest, CenterSplitAndRecordOnlyRedrawThePreview)
{
    auto form = load(makeStoredLibrary({{QStringLiteral("pic"), QStringLiteral("BMP"), pictureBytes(100, 100, "BMP")}}));
    form->detailTab()->setCurrentIndex(RecordPane::kPreviewPage);
    QApplication::processEvents();
    for (const char* mode : {"vrbar", "vsbar"}) {
        QFile::remove(extracted(QStringLiteral("pic.BMP")));
        form->command(QString::fromLatin1(mode))->trigger();
        QApplication::processEvents();
        EXPECT_TRUE(QFile::exists(extracted(QStringLiteral("pic.BMP")))) << mode;
    }
    QFile::remove(extracted(QStringLiteral("pic.BMP")));
    form->command(QStringLiteral("vlbar"))->trigger();
    QApplication::processEvents();
    EXPECT_FALSE(QFile::exists(extracted(QStringLiteral("pic.BMP"))));
}

} // namespace
