#include "ui/preview/MediaBox.h"

#include <QAudioOutput>
#include <QHBoxLayout>
#include <QSlider>
#include <QStyle>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QVideoWidget>

namespace zentaro {

MediaBox::MediaBox(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("AMovieBox"));
    m_player = new QMediaPlayer(this);
    m_audio = new QAudioOutput(this);
    m_player->setAudioOutput(m_audio);
    m_video = new QVideoWidget(this);
    m_video->setObjectName(QStringLiteral("AMovieVideo"));
    m_player->setVideoOutput(m_video);

    m_playButton = new QToolButton(this);
    m_playButton->setObjectName(QStringLiteral("AMoviePlayButton"));
    m_playButton->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    m_position = new QSlider(Qt::Horizontal, this);
    m_position->setObjectName(QStringLiteral("AMoviePosition"));
    m_position->setEnabled(false);

    auto* controls = new QHBoxLayout;
    controls->setContentsMargins(2, 2, 2, 2);
    controls->addWidget(m_playButton);
    controls->addWidget(m_position, 1);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_video, 1);
    column->addLayout(controls);
    column->addStretch(0);

    connect(m_player, &QMediaPlayer::mediaStatusChanged, this, &MediaBox::statusChanged);
    connect(m_player, &QMediaPlayer::errorOccurred, this, [this](QMediaPlayer::Error error) {
        if (error != QMediaPlayer::NoError && !m_fileName.isEmpty() && !m_refused &&
            m_player->source() == QUrl::fromLocalFile(m_fileName)) {
            m_refused = true;
            Q_EMIT refused();
        }
    });
    connect(m_player, &QMediaPlayer::playbackStateChanged, this, [this](QMediaPlayer::PlaybackState s) {
        m_playButton->setIcon(style()->standardIcon(s == QMediaPlayer::PlayingState ? QStyle::SP_MediaPause
                                                                                    : QStyle::SP_MediaPlay));
    });
    connect(m_player, &QMediaPlayer::durationChanged, this, [this](qint64 ms) {
        m_position->setRange(0, static_cast<int>(ms));
        m_position->setEnabled(ms > 0);
    });
    connect(m_player, &QMediaPlayer::positionChanged, this, [this](qint64 ms) {
        if (!m_position->isSliderDown())
            m_position->setValue(static_cast<int>(ms));
    });
    connect(m_position, &QSlider::sliderMoved, m_player, [this](int ms) { m_player->setPosition(ms); });
    connect(m_playButton, &QToolButton::clicked, this, &MediaBox::playPause);
}

void MediaBox::setMediaFileName(const QString& path)
{
    m_fileName = path;
    m_loaded = false;
    m_refused = false;
    setFullScreen(false);
    m_player->stop();
    m_player->setSource(path.isEmpty() ? QUrl() : QUrl::fromLocalFile(path));
}

void MediaBox::setAudioOnly(bool audio)
{
    m_video->setVisible(!audio);
}

void MediaBox::run()
{
    m_player->play();
}

void MediaBox::pause()
{
    m_player->pause();
}

void MediaBox::setFullScreen(bool on)
{
    if (m_video->isFullScreen() != on)
        m_video->setFullScreen(on);
}

void MediaBox::statusChanged(QMediaPlayer::MediaStatus status)
{
    // Changes of the file being left (stopping it) are not this file's.
    if (m_fileName.isEmpty() || m_player->source() != QUrl::fromLocalFile(m_fileName))
        return;
    // The ffmpeg backend reports a file it refused as loaded afterwards.
    if (m_refused)
        return;
    switch (status) {
    case QMediaPlayer::LoadedMedia:
        if (!m_loaded) {
            m_loaded = true;
            Q_EMIT loaded();
        }
        break;
    case QMediaPlayer::EndOfMedia:
        setFullScreen(false);
        if (m_autoRewind)
            m_player->setPosition(0);
        break;
    case QMediaPlayer::InvalidMedia:
        if (!m_refused) {
            m_refused = true;
            Q_EMIT refused();
        }
        break;
    default:
        break;
    }
}

void MediaBox::playPause()
{
    if (m_player->playbackState() == QMediaPlayer::PlayingState)
        m_player->pause();
    else
        m_player->play();
}

} // namespace zentaro
