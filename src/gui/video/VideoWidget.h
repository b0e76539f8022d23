#pragma once

#include "core/ArchivePlaySpeed.h"
#include "core/Camera.h"
#include "core/QualitySettings.h"
#include "core/media/StreamPlayer.h"
#include "utils/MemoryChecker.h"

#include <QDateTime>
#include <QRect>
#include <QSize>
#include <QWidget>

#include <memory>

struct libvlc_media_player_t;
class QMouseEvent;
class QPainter;
class QRegion;

namespace QuorvelClient {
namespace GUI {

namespace Internal {
class VideoWidgetPrivate;
struct LaidOutText;
} // namespace Internal

// Posted by libvlc's video thread when a newly opened stream delivers its first pictures.
using QuorvelVideoResizeEvent = Core::VideoResizeEvent;

// Shows one camera's live or archive stream, played by its own stream player: paints the last picture scaled and
// rotated, with the camera's name, the picture's time and a status text, and holds the archive search zone.
class VideoWidget : public QWidget, public Utils::MemoryChecker
{
    Q_OBJECT
public:
    enum PlayerState {
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
    Q_ENUM(PlayerState)

    explicit VideoWidget(Core::CameraPtr camera, QWidget* parent = nullptr);
    ~VideoWidget() override;

    Core::CameraPtr camera() const { return m_player->camera(); }
    PlayerState playerState() const { return PlayerState(m_player->state()); }
    bool isPlaying() const { return m_player->isPlaying(); }
    QDateTime currentTime() const { return m_player->currentTime(); }
    void setCurrentTime(const QDateTime& time) { m_player->setCurrentTime(time); }
    void setSpeed(Core::ArchivePlaySpeed speed) { m_player->setSpeed(speed); }
    void setQuality(Core::QualitySettings::Type quality) { m_player->setQuality(quality); }
    bool setFrameSize(const QSize& size) { return m_player->setFrameSize(size); }
    QSize sizeHint() const override { return m_player->frameSize(); }

    // Writes the picture as JPEG whatever the name says; false when nothing was written.
    bool saveFrame(const QString& fileName);
    void setSingle(bool single);
    // A part of the widget that its holder covers with a control of its own: new frames leave it unpainted.
    void setCoveredRect(const QRect& rect);

    // Where the picture is drawn, in widget pixels.
    QRect pictureRect() const;
    // The text shown while no picture is shown.
    QString statusText() const;
    // The widget's own libvlc player; null when the engine could not be started.
    libvlc_media_player_t* mediaPlayer() const { return m_player->mediaPlayer(); }
    // The engine that plays the stream; the widget forwards its playback slots to it.
    Core::StreamPlayer* streamPlayer() const { return m_player.get(); }

    // The archive search zone's edges in percent of the camera's unrotated frame.
    bool isSearchActive() const;
    int searchZoneX1() const;
    int searchZoneY1() const;
    int searchZoneX2() const;
    int searchZoneY2() const;
    // A press on the picture handed in by the player frame; true when it grabbed the search zone.
    bool searchMousePress(QMouseEvent* event);

    // libvlc's video callbacks of the widget's player; the opaque pointer is the widget.
    static void* lockCallback(void* opaque, void** planes)
    {
        return Core::StreamPlayer::lockCallback(static_cast<VideoWidget*>(opaque)->m_player.get(), planes);
    }
    static void unlockCallback(void* opaque, void* picture, void* const* planes)
    {
        Core::StreamPlayer::unlockCallback(static_cast<VideoWidget*>(opaque)->m_player.get(), picture, planes);
    }
    static void displayCallback(void* opaque, void* picture)
    {
        Core::StreamPlayer::displayCallback(static_cast<VideoWidget*>(opaque)->m_player.get(), picture);
    }

signals:
    void playerStateChanged(VideoWidget::PlayerState newState);
    void updateNeeded();

public slots:
    void retryLastRequest(int quality) { m_player->retryLastRequest(quality); }
    void retryLastRequest() { m_player->retryLastRequest(-1); }
    void playLive(Core::QualitySettings::Type quality) { m_player->playLive(quality); }
    void setArchiveMode();
    void playArchive(int startId, int endId, qint64 from, qint64 to, Core::QualitySettings::Type quality,
                     Core::ArchivePlaySpeed speed)
    {
        m_player->playArchive(startId, endId, from, to, quality, speed);
    }
    bool openVideoUrl(QString videoUrl) { return m_player->openVideoUrl(videoUrl); }
    void setSound(bool on) { m_player->setSound(on); }
    void setVolume(int volume) { m_player->setVolume(volume); }
    void addRotation(qreal angle);
    void play() { m_player->play(); }
    void pause() { m_player->pause(); }
    void unPause() { m_player->unPause(); }
    void togglePause() { m_player->togglePause(); }
    void stop(bool saveMode) { m_player->stop(saveMode); }
    void stop() { m_player->stop(false); }
    void setScaleMode(Qt::AspectRatioMode scaleMode);
    void setScaleMode();
    void clearImage() { m_player->clearFrame(); }
    void startArchiveSearch();
    void showArchiveSearchZone();
    void hideArchiveSearch();
    void selectDefaultSelection();

protected:
    bool event(QEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private slots:
    void handlePlayerState() { m_player->pollState(); }

private:
    void onStateChanged(Core::StreamPlayer::State state);
    void updateFrame();
    QString buildStatusText() const;
    void updatePictureRect();
    void drawFrame(QPainter& painter, const QRegion& region);
    void drawStatusText(QPainter& painter);
    void setProgressVisible(bool on);
    void drawInfoText(QPainter& painter);
    QSizeF layOutTime(const QString& time, int room);
    QString elidedName(int room);
    void drawLaidOut(QPainter& painter, const QRect& rect, Qt::Alignment alignment, const Internal::LaidOutText& text,
                     const QSizeF& size);

    // The engine every playback slot forwards to; it goes first when the widget goes.
    std::unique_ptr<Core::StreamPlayer> m_player;
    std::unique_ptr<Internal::VideoWidgetPrivate> d;
};

} // namespace GUI
} // namespace QuorvelClient
