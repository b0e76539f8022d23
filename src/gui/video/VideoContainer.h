#pragma once

#include "core/ArchivePlaySpeed.h"
#include "core/Camera.h"
#include "core/QualitySettings.h"
#include "gui/video/VideoWidget.h"
#include "utils/MemoryChecker.h"

#include <QDateTime>
#include <QList>
#include <QWidget>

#include <memory>

namespace QuorvelClient {
namespace GUI {

class VideoPlayer;

namespace Internal {
class VideoContainerPrivate;
}

// The grid of up to 16 player frames: lays them out as tiles or around a large first player, keeps one of them
// active (the one that may sound and that save, rotate and search act on), fans playback commands out to every
// widget and re-requests the widgets that ended in error every 10 s.
class VideoContainer : public QWidget, public Utils::MemoryChecker
{
    Q_OBJECT
    Q_PROPERTY(Mode mode READ mode WRITE setMode)
public:
    enum Mode { Tile = 0, Perimeter = 1 };
    Q_ENUM(Mode)

    static const int kMaxPlayers = 16;

    explicit VideoContainer(QWidget* parent = nullptr);
    ~VideoContainer() override;

    Mode mode() const;
    Core::QualitySettings::Type quality() const;
    Core::ArchivePlaySpeed speed() const;
    QDateTime baseTime() const;
    VideoWidget* activeWidget() const;
    QList<VideoPlayer*> players() const;
    bool isPlaying() const;
    QDateTime currentTime() const;
    VideoPlayer* findPlayer(const Core::camera_global_id_t& cameraId) const;
    VideoWidget* findWidget(const Core::camera_global_id_t& cameraId) const;
    void setSpeed(Core::ArchivePlaySpeed speed);
    void setQuality(Core::QualitySettings::Type quality);

signals:
    void cameraClosed(VideoWidget* widget);
    void activeCameraChanged(Core::CameraPtr camera);
    void playerStateChanged(VideoWidget* widget);

public slots:
    VideoWidget* addCamera(Core::CameraPtr camera);
    void removeCamera(Core::camera_global_id_t cameraId);
    void removeAllCameras();
    void addWidget(VideoPlayer* player);
    void setBaseTime(QDateTime time);
    void stopPlayback(bool saveMode);
    void stopPlayback();
    void continuePlayback();
    // False when no picture was written: no active player, no picture yet, or the file could not be written.
    bool saveCurrentFrame(QString filename);
    void setArchiveMode();

private slots:
    void checkErrors();

public slots:
    void setMode(Mode mode);
    void pause(bool paused);
    void rotateRight();
    void setVolume(int value);
    void setSound(bool on);

private slots:
    void childActivated();
    void childClosed(VideoPlayer* player);
    void onPlayerStateChanged(VideoWidget::PlayerState state);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void setActivePlayer(VideoPlayer* player);
    void updateLayout();
    void layoutTiles();
    void layoutPerimeter();

    std::shared_ptr<Internal::VideoContainerPrivate> d;
};

} // namespace GUI
} // namespace QuorvelClient
