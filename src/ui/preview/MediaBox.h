#pragma once

#include "preview/MatroskaLayout.h"

#include <QMediaPlayer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QAudioOutput;
class QSlider;
class QToolButton;
class QVideoWidget;

namespace zentaro {

// AMovieBox, the media player: a video surface over a play button and a
// position bar. It reports once per file when the file is loaded, and when
// the player refuses it. Sound goes out only through an output device that
// exists: without one, video plays silently and sound alone is refused.
class MediaBox : public QWidget
{
    Q_OBJECT

public:
    // Whether a sound output device exists; the system's list by default.
    using SoundDeviceCheck = std::function<bool()>;
    static SoundDeviceCheck setSoundDeviceCheck(SoundDeviceCheck check);
    static bool hasSoundDevice();

    explicit MediaBox(QWidget* parent = nullptr);

    // An empty name unloads the player.
    void setMediaFileName(const QString& path);
    QString mediaFileName() const { return m_fileName; }
    void setAutoRewind(bool on) { m_autoRewind = on; }
    bool autoRewind() const { return m_autoRewind; }
    // Audio shows only the controls.
    void setAudioOnly(bool audio);
    bool isLoaded() const { return m_loaded; }
    // The file was refused because it is only sound and there is no device.
    bool refusedForSound() const { return m_refusedForSound; }

    void run();
    void pause();
    // Moves the player to ms, as the position bar does.
    void seekTo(qint64 ms);
    // Full screen ends at the end of the clip, with Escape or Q, or a double-click.
    void setFullScreen(bool on);

    QMediaPlayer* player() const { return m_player; }
    QVideoWidget* videoWidget() const { return m_video; }

Q_SIGNALS:
    void loaded();
    void refused();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void statusChanged(QMediaPlayer::MediaStatus status);
    void playPause();
    void refuse(bool forSound);
    // Gives the player an audio output on the current device, or none.
    void attachSound();
    void soundDevicesChanged();
    // The position bar's length: the player's, else the one the file states.
    void showLength();
    // The player knows no length of this file and jumps by reloading it.
    bool seeksByCutting() const;
    bool inFullScreen(QObject* watched) const;

    QMediaPlayer* m_player = nullptr;
    QAudioOutput* m_audio = nullptr;
    QVideoWidget* m_video = nullptr;
    QToolButton* m_playButton = nullptr;
    QSlider* m_position = nullptr;
    QString m_fileName;
    bool m_autoRewind = false;
    bool m_loaded = false;
    bool m_refused = false;
    bool m_refusedForSound = false;
    bool m_audioOnly = false;
    std::optional<MatroskaLayout> m_layout;
    // What the player reads while it plays a Matroska file from a later cluster.
    std::unique_ptr<QIODevice> m_cut;
    bool m_cutting = false;
    bool m_playAfterCut = false;
};

} // namespace zentaro
