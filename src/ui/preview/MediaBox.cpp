#include "ui/preview/MediaBox.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QHBoxLayout>
#include <QMediaDevices>
#include <QSlider>
#include <QStyle>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QVideoWidget>

namespace zentaro {

namespace {

MediaBox::SoundDeviceCheck& soundDeviceCheck()
{
    static MediaBox::SoundDeviceCheck check = [] { return !QMediaDevices::audioOutputs().isEmpty(); };
    return check;
}

} // namespace

MediaBox::SoundDeviceCheck MediaBox::setSoundDeviceCheck(SoundDeviceCheck check)
{
    SoundDeviceCheck previous = std::move(soundDeviceCheck());
    soundDeviceCheck() = std::move(check);
    return previous;
}

bool MediaBox::hasSoundDevice()
{
    return soundDeviceCheck() && soundDeviceCheck()();
}

MediaBox::MediaBox(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("AMovieBox"));
    // No audio output yet: one is given with each file, and only when a
    // device exists (the ffmpeg backend crashes rendering sound without one).
    m_player = new QMediaPlayer(this);
    m_video = new QVideoWidget(this);
    m_video->setObjectName(QStringLiteral("AMovieVideo"));
    m_player->setVideoOutput(m_video);

    m_playButton = new QToolButton(this);
    m_playButton->setObjectName(QStringLiteral("AMoviePlayButton"));
    m_playButton->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    m_playButton->setEnabled(false);
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
            m_player->source() == QUrl::fromLocalFile(m_fileName))
            refuse(false);
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
    connect(new QMediaDevices(this), &QMediaDevices::audioOutputsChanged, this, &MediaBox::soundDevicesChanged);
}

void MediaBox::setMediaFileName(const QString& path)
{
    m_fileName = path;
    m_loaded = false;
    m_refused = false;
    m_refusedForSound = false;
    m_playButton->setEnabled(false);
    setFullScreen(false);
    m_player->stop();
    if (!path.isEmpty())
        attachSound();
    m_player->setSource(path.isEmpty() ? QUrl() : QUrl::fromLocalFile(path));
}

void MediaBox::setAudioOnly(bool audio)
{
    m_audioOnly = audio;
    m_video->setVisible(!audio);
}

void MediaBox::attachSound()
{
    if (hasSoundDevice()) {
        QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (const QList<QAudioDevice> outputs = QMediaDevices::audioOutputs(); device.isNull() && !outputs.isEmpty())
            device = outputs.first();
        if (!m_audio) {
            m_audio = new QAudioOutput(device, this);
            m_player->setAudioOutput(m_audio);
        } else {
            m_audio->setDevice(device);
        }
    } else if (m_audio) {
        m_player->setAudioOutput(nullptr);
        delete m_audio;
        m_audio = nullptr;
    }
}

void MediaBox::soundDevicesChanged()
{
    // The device in use went away: go on silently (or stop what was only
    // sound) rather than render into nothing. A new device serves the next file.
    if (!m_audio || hasSoundDevice())
        return;
    const bool soundOnly = m_audioOnly || !m_player->hasVideo();
    if (soundOnly)
        m_player->pause();
    m_player->setAudioOutput(nullptr);
    delete m_audio;
    m_audio = nullptr;
    if (soundOnly && !m_fileName.isEmpty() && !m_refused)
        refuse(true);
}

void MediaBox::run()
{
    if (!m_refused)
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
            // Without a device sound alone has nothing to show or play.
            if (!m_audio && (m_audioOnly || !m_player->hasVideo())) {
                refuse(true);
                break;
            }
            m_loaded = true;
            m_playButton->setEnabled(true);
            Q_EMIT loaded();
        }
        break;
    case QMediaPlayer::EndOfMedia:
        setFullScreen(false);
        if (m_autoRewind)
            m_player->setPosition(0);
        break;
    case QMediaPlayer::InvalidMedia:
        refuse(false);
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
        run();
}

void MediaBox::refuse(bool forSound)
{
    if (m_refused)
        return;
    m_refused = true;
    m_refusedForSound = forSound;
    m_playButton->setEnabled(false);
    Q_EMIT refused();
}

} // namespace zentaro
