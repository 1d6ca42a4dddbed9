#include "ui/preview/MediaBox.h"

#include <QApplication>
#include <QAudioDevice>
#include <QAudioOutput>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMediaDevices>
#include <QSlider>
#include <QStyle>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QVideoWidget>
#include <QWindow>

#include <algorithm>
#include <utility>

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
    connect(m_player, &QMediaPlayer::durationChanged, this, &MediaBox::showLength);
    connect(m_player, &QMediaPlayer::positionChanged, this, [this](qint64 ms) {
        // Reloading reports the start of the load, not of the cut.
        if (m_cutting)
            return;
        // A file of unknown length: the bar grows with what was played.
        if (ms > m_position->maximum()) {
            m_position->setMaximum(static_cast<int>(ms));
            m_position->setEnabled(true);
        }
        if (!m_position->isSliderDown())
            m_position->setValue(static_cast<int>(ms));
    });
    // Dragging, clicking beside the handle and the keys all move the player;
    // where a jump reloads the file, a drag moves it once it is let go.
    connect(m_position, &QSlider::actionTriggered, this, [this](int action) {
        if (action != QAbstractSlider::SliderMove || !m_position->isSliderDown() || !seeksByCutting())
            seekTo(m_position->sliderPosition());
    });
    connect(m_position, &QSlider::sliderReleased, this, [this] {
        if (seeksByCutting())
            seekTo(m_position->sliderPosition());
    });
    // The video surface is a window of its own in full screen, and its
    // contents another: their keys and clicks are watched application-wide.
    connect(m_video, &QVideoWidget::fullScreenChanged, this, [this](bool on) {
        if (on)
            qApp->installEventFilter(this);
        else
            qApp->removeEventFilter(this);
    });
    connect(m_playButton, &QToolButton::clicked, this, &MediaBox::playPause);
    connect(new QMediaDevices(this), &QMediaDevices::audioOutputsChanged, this, &MediaBox::soundDevicesChanged);
}

void MediaBox::setMediaFileName(const QString& path)
{
    m_fileName = path;
    m_loaded = false;
    m_refused = false;
    m_refusedForSound = false;
    m_cutting = false;
    m_playButton->setEnabled(false);
    setFullScreen(false);
    m_player->stop();
    if (!path.isEmpty())
        attachSound();
    m_layout = path.isEmpty() ? std::nullopt : MatroskaLayout::read(path);
    m_player->setSource(path.isEmpty() ? QUrl() : QUrl::fromLocalFile(path));
    m_cut.reset();
    showLength();
}

bool MediaBox::seeksByCutting() const
{
    return m_layout && m_player->duration() <= 0;
}

void MediaBox::seekTo(qint64 ms)
{
    if (!seeksByCutting() || m_fileName.isEmpty()) {
        m_player->setPosition(ms);
        return;
    }
    // The player would jump only within the length it knows, none here: it
    // is given the file again from the cluster that holds ms.
    std::unique_ptr<QIODevice> cut = m_layout->cutAt(ms);
    if (!cut->open(QIODevice::ReadOnly))
        return;
    m_playAfterCut = m_player->playbackState() == QMediaPlayer::PlayingState;
    // The cut it read before is freed once the player has let go of it.
    const std::unique_ptr<QIODevice> previous = std::exchange(m_cut, std::move(cut));
    m_cutting = true;
    m_player->setSourceDevice(m_cut.get(), QUrl::fromLocalFile(m_fileName));
    m_position->setValue(static_cast<int>(m_layout->cutTime(ms)));
}

void MediaBox::showLength()
{
    const qint64 length = m_player->duration() > 0 ? m_player->duration() : m_layout ? m_layout->length() : 0;
    m_position->setRange(0, static_cast<int>(length));
    m_position->setPageStep(std::max(1, static_cast<int>(length / 10)));
    m_position->setEnabled(length > 0);
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
    if (m_video->isFullScreen() == on)
        return;
    m_video->setFullScreen(on);
    if (on) {
        m_video->activateWindow();
        m_video->setFocus();
    }
}

bool MediaBox::inFullScreen(QObject* watched) const
{
    if (const auto* widget = qobject_cast<QWidget*>(watched))
        return widget->window() == m_video;
    for (auto* window = qobject_cast<QWindow*>(watched); window; window = window->parent())
        if (window == m_video->windowHandle())
            return true;
    return false;
}

bool MediaBox::eventFilter(QObject* watched, QEvent* event)
{
    bool leave = false;
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers held = key->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
        leave = held == Qt::NoModifier && (key->key() == Qt::Key_Escape || key->key() == Qt::Key_Q);
    } else if (event->type() == QEvent::MouseButtonDblClick) {
        leave = true;
    }
    if (leave && m_video->isFullScreen() && inFullScreen(watched)) {
        setFullScreen(false);
        return true;
    }
    return QWidget::eventFilter(watched, event);
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
        // Stopping what played before the cut reports loaded too.
        if (m_cutting && m_player->sourceDevice() == m_cut.get()) {
            // Paused shows the frame where the cut starts.
            m_cutting = false;
            if (m_playAfterCut)
                m_player->play();
            else
                m_player->pause();
        } else if (!m_loaded) {
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
            seekTo(0);
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
