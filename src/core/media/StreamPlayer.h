#pragma once

#include "core/ArchivePlaySpeed.h"
#include "core/Camera.h"
#include "core/QualitySettings.h"

#include <QDateTime>
#include <QEvent>
#include <QImage>
#include <QObject>
#include <QSize>

#include <memory>

class QMutex;
struct libvlc_media_player_t;

namespace QuorvelClient {
namespace Core {

namespace Internal {
class StreamPlayerPrivate;
}

// Posted by libvlc's video thread when a newly opened stream delivers its first pictures.
class VideoResizeEvent : public QEvent
{
public:
    static const QEvent::Type Type = QEvent::Type(QEvent::User + 21);

    VideoResizeEvent(int videoWidth, int videoHeight, int frameWidth, int frameHeight);
    ~VideoResizeEvent() override;

    int videoWidth() const { return m_videoWidth; }
    int videoHeight() const { return m_videoHeight; }
    int frameWidth() const { return m_frameWidth; }
    int frameHeight() const { return m_frameHeight; }

private:
    int m_videoWidth;
    int m_videoHeight;
    int m_frameWidth;
    int m_frameHeight;
};

// Plays one camera's live or archive stream through its own libvlc player into its own two frame buffers: builds
// the stream URLs, polls the player every 300 ms, re-issues a failed request up to three times, fails a stream that
// stalls while it opens, and stops archive at the end of its interval. The decoded picture is handed over to the GUI
// thread, which paints it.
//
// Threads: everything but the three video callbacks runs on the thread the player lives on (the GUI thread); the
// calls into libvlc that may wait on the network (stopping, a new media, the release) run in order on a worker
// of the player's own, and a poll reads the player only while none of them is pending. The callbacks run on
// libvlc's video thread; they touch only the buffers, the picture (under frameMutex()), the frame size (under its
// own mutex) and atomic flags, and reach the player only while it exists.
class StreamPlayer : public QObject
{
    Q_OBJECT
public:
    // libvlc's player states by number, and one more for a camera whose flags are not 0.
    enum State {
        NothingSpecial = 0,
        Opening = 1,
        Buffering = 2,
        Playing = 3,
        Paused = 4,
        Stopped = 5,
        Ended = 6,
        Error = 7,
        CameraUnavailable = 8
    };
    Q_ENUM(State)
    enum Mode : quint8 { ModeNone = 0, ModeLive = 1, ModeArchive = 2 };

    explicit StreamPlayer(CameraPtr camera, QObject* parent = nullptr);
    ~StreamPlayer() override;

    CameraPtr camera() const;
    State state() const;
    Mode mode() const;
    // libvlc's state (0 to 7) as the last poll read it.
    int polledState() const;
    int retryCount() const;
    bool isRetryPending() const;
    bool isPlaying() const;
    QDateTime currentTime() const;
    void setCurrentTime(const QDateTime& time);
    void setSpeed(ArchivePlaySpeed speed);
    void setQuality(QualitySettings::Type quality);
    bool setFrameSize(const QSize& size);
    QSize frameSize() const;
    // Null when the engine could not be started.
    libvlc_media_player_t* mediaPlayer() const;

    // The last picture handed over; null until the first one. Read it only while holding frameMutex().
    QMutex* frameMutex() const;
    const QImage& frame() const;
    // The shown picture has been painted: the next decoded one is handed over instead of dropped.
    void setPainted();
    // Fills the shown picture with black.
    void clearFrame();

    // libvlc's video callbacks; the opaque pointer is the player.
    static void* lockCallback(void* opaque, void** planes);
    static void unlockCallback(void* opaque, void* picture, void* const* planes);
    static void displayCallback(void* opaque, void* picture);

signals:
    // After every poll, before stateChanged: the mode, the retries and the polled state are as the poll left them.
    void polled();
    void stateChanged(Core::StreamPlayer::State state);
    // playLive() refused a camera whose flags are not 0: the state is CameraUnavailable, without stateChanged.
    void cameraUnavailable();
    // Emitted on libvlc's video thread: a new picture to paint; at once for a request's first, then at most
    // once per 44 ms.
    void frameReady();
    void frameSizeChanged();

public slots:
    void retryLastRequest(int quality = -1);
    void playLive(Core::QualitySettings::Type quality);
    void setArchiveMode();
    void playArchive(int startId, int endId, qint64 from, qint64 to, Core::QualitySettings::Type quality,
                     Core::ArchivePlaySpeed speed);
    bool openVideoUrl(const QString& videoUrl);
    void setSound(bool on);
    void setVolume(int volume);
    void play();
    void pause();
    void unPause();
    void togglePause();
    void stop(bool saveMode = false);
    void pollState();
    // Sets the asked volume and mute again where the engine has lost them.
    void keepSoundSettings();

protected:
    bool event(QEvent* e) override;

private:
    void reportVideoSize();
    int readState() const;
    void stopPlayer();
    // Stops a stream that brought nothing for a while as it opened; it then fails as a stream that cannot be opened.
    void giveUpStalled();

    std::unique_ptr<Internal::StreamPlayerPrivate> d;
};

} // namespace Core
} // namespace QuorvelClient
