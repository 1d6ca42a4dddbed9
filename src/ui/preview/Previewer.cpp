#include "ui/preview/Previewer.h"

#include "preview/PictureFit.h"
#include "ui/common/MousePointer.h"
#include "ui/main/TwipsGeometry.h"
#include "ui/preview/MediaBox.h"
#include "ui/preview/PictureBox.h"

#include <QApplication>
#include <QFileInfo>
#include <QImageReader>
#include <QPushButton>

namespace zentaro {

Previewer::Previewer(QWidget* page) : QWidget(page)
{
    setObjectName(QStringLiteral("Previewer"));
    m_imageBox = new PictureBox(this);
    m_movieBox = new MediaBox(this);
    m_nonOlePanel = new QPushButton(QStringLiteral("Unable to Preview - Click Here to Open"), this);
    m_nonOlePanel->setObjectName(QStringLiteral("NonOLEPanel"));
    m_nonOlePanel->setFlat(true);
    m_nonOlePanel->setCursor(Qt::PointingHandCursor);
    m_autoSizeButton = new QPushButton(kOriginalSizeCaption, this);
    m_autoSizeButton->setObjectName(QStringLiteral("AutoSizeToggleButton"));
    m_autoSizeButton->setFocusPolicy(Qt::NoFocus);
    m_fullScreenButton = new QPushButton(QStringLiteral("Play Full &Screen"), this);
    m_fullScreenButton->setObjectName(QStringLiteral("PlayFullScreenButton"));
    m_fullScreenButton->setFocusPolicy(Qt::NoFocus);

    connect(m_autoSizeButton, &QPushButton::clicked, this, &Previewer::autoSizeClicked);
    connect(m_nonOlePanel, &QPushButton::clicked, this, &Previewer::nonOleClicked);
    connect(m_fullScreenButton, &QPushButton::clicked, this, [this] {
        m_movieBox->pause();
        m_movieBox->setFullScreen(true);
        m_movieBox->run();
        // Full screen ends at the end of the clip, or earlier by the user.
    });
    connect(m_movieBox, &MediaBox::loaded, this, &Previewer::mediaLoaded);
    connect(m_movieBox, &MediaBox::refused, this, [this] {
        m_fullScreenButton->hide();
        if (m_movieBox->refusedForSound())
            m_nonOlePanel->setToolTip(
                QStringLiteral("There is no sound output device to play %1 on; click to open it with its own program.")
                    .arg(QFileInfo(m_movieBox->mediaFileName()).fileName()));
        showNonOle();
    });
    clear();
}

void Previewer::clear()
{
    m_movieBox->hide();
    m_movieBox->setMediaFileName(QString());
    m_imageBox->hide();
    m_imageBox->clearPicture();
    m_preImageCache = QImage();
    m_nonOlePanel->hide();
    m_nonOlePanel->setToolTip(QString());
    m_fullScreenButton->hide();
    m_autoSizeButton->hide();
}

void Previewer::setFitPictures(bool fit)
{
    m_autoSizeButton->setText(fit ? kOriginalSizeCaption : kAutoSizeCaption);
}

bool Previewer::fitsPictures() const
{
    return m_autoSizeButton->text() != kAutoSizeCaption;
}

bool Previewer::canDecode(const QString& path)
{
    return !QImageReader::imageFormat(path).isEmpty();
}

bool Previewer::PreviewImage(const QString& path)
{
    QWidget* mainWindow = window();
    mainWindow->setEnabled(false);
    QApplication::processEvents();
    MousePointer::setWait();
    m_imageBox->clearPicture();
    QApplication::processEvents();
    m_autoSizeButton->show();
    m_autoSizeButton->raise();

    QImageReader reader(path);
    // Photos are drawn upright, as the camera recorded.
    reader.setAutoTransform(true);
    const QSize stored = reader.size();
    const bool turned = reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
    const QSize upright = turned ? stored.transposed() : stored;
    const QSize area = m_imageBox->size();
    QPoint at(0, 0);
    if (fitsPictures()) {
        // Decoded at the size it is drawn, never at full resolution when the
        // reader can tell its size beforehand.
        PictureFit::Placement fit = PictureFit::Fit(upright.width(), upright.height(), area.width(), area.height());
        if (fit.width > 0 && fit.height > 0) {
            const QSize drawn(fit.width, fit.height);
            reader.setScaledSize(turned ? drawn.transposed() : drawn);
        }
        m_preImageCache = reader.read();
        if (!m_preImageCache.isNull() && !upright.isValid())
            fit = PictureFit::Fit(m_preImageCache.width(), m_preImageCache.height(), area.width(), area.height());
        if (!m_preImageCache.isNull() && fit.width > 0 && m_preImageCache.size() != QSize(fit.width, fit.height))
            m_preImageCache = m_preImageCache.scaled(fit.width, fit.height, Qt::IgnoreAspectRatio,
                                                     Qt::SmoothTransformation);
        at = QPoint(fit.left, fit.top);
    } else {
        // Only the part that shows is decoded when the picture needs no turning.
        if (upright.isValid() && reader.transformation() == QImageIOHandler::TransformationNone &&
            reader.supportsOption(QImageIOHandler::ClipRect) &&
            (upright.width() > area.width() || upright.height() > area.height()) && !area.isEmpty())
            reader.setClipRect(QRect(QPoint(0, 0), upright.boundedTo(area)));
        m_preImageCache = reader.read();
    }
    const bool drawn = !m_preImageCache.isNull();
    if (drawn) {
        m_imageBox->setPicture(m_preImageCache, at);
        m_imageBox->show();
        m_imageBox->raise();
        m_autoSizeButton->raise();
    } else {
        // A format the platform cannot decode is offered for opening instead.
        m_autoSizeButton->hide();
        showNonOle();
    }
    mainWindow->setEnabled(true);
    MousePointer::restoreDefault();
    return drawn;
}

void Previewer::PreviewMedia(const QString& path, bool video)
{
    m_movieBox->setAudioOnly(!video);
    m_movieBox->raise();
    m_movieBox->show();
    QApplication::processEvents();
    // Before the file: a refusal may come at once and hides the button again.
    m_fullScreenButton->setVisible(video);
    m_fullScreenButton->raise();
    m_movieBox->setMediaFileName(path);
}

void Previewer::mediaLoaded()
{
    m_movieBox->pause();
    if (m_autoStart)
        m_movieBox->run();
}

void Previewer::showNonOle()
{
    m_nonOlePanel->show();
    m_nonOlePanel->raise();
}

void Previewer::place(const MainLayout::PreviewArea& area, double originX, double originY)
{
    auto shifted = [&](TwipsRect r) {
        r.left -= originX;
        r.top -= originY;
        return r;
    };
    TwipsGeometry::place(m_imageBox, shifted(area.imagebox));
    TwipsGeometry::place(m_movieBox, shifted(area.player));
    TwipsGeometry::place(m_nonOlePanel, shifted(area.nonOlePanel));
    placeButtons();
}

void Previewer::placeButtons()
{
    // In the picture area's lower right corner.
    const QRect box = m_imageBox->geometry();
    for (QPushButton* button : {m_autoSizeButton, m_fullScreenButton}) {
        const QSize size = button->sizeHint();
        button->setGeometry(box.right() - size.width() - 4, box.bottom() - size.height() - 4, size.width(),
                            size.height());
    }
}

} // namespace zentaro
