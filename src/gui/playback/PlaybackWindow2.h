#pragma once

#include "core/Camera.h"

#include <QDateTime>
#include <QWidget>

#include <memory>

namespace QuorvelClient {
namespace GUI {

namespace Ui {
class PlaybackWindow2;
}

namespace Internal {
class PlaybackWindow2Private;
}

class VideoWidget;

// The central area where the opened cameras play: the grid of players above the control strip. It checks the
// camera limits, opens one player and one strip entry per camera, keeps the playback mode, turns the strip's
// commands into calls on the players, and reports opened and closed cameras and status texts. In archive mode it
// plays the strip's playlist on one clock; after an hour of uninterrupted watching of account cameras a
// placeholder takes the grid's place until the user goes on.
class PlaybackWindow2 : public QWidget
{
    Q_OBJECT
public:
    explicit PlaybackWindow2(QWidget* parent = nullptr);
    ~PlaybackWindow2() override;

signals:
    void showMessage(QString text);
    void relogin();
    void closeAllNeeded(bool needed);
    void exportAccepted(Core::CameraPtr cam, QDateTime start, QDateTime end, qint64 duration);
    void cameraClosed(Core::CameraPtr camera);
    void allCamerasClosed();
    void cameraOpened(Core::CameraPtr camera);

public slots:
    void addCameras(Core::GlobalCameraList cameras);
    void addCamera(Core::CameraPtr camera);
    void removeAllCameras();
    void playLive();
    void playArchive();
    void setSound(bool on);
    // The export panel's reports, for the strip's export button.
    void onExportStarted();
    void onExportFinished();
    void onExportError();
    // The zone search runs on the active camera's picture, where the user marks the zone.
    void onSearchStartRequested();
    void onSearchAccepted();
    void onSearchCanceled();
    void onSearchClosed();

private slots:
    void onCameraClosed(VideoWidget* w);
    void onActiveCameraChanged(Core::CameraPtr camera);
    void onCameraStateChanged(Core::Camera::CameraFlags flags);
    void onQualityChangeRequested();
    void onSpeedChangeRequested();
    void onSaveImageRequested();
    void updatePlaylist();
    void handlePlayerState(VideoWidget* widget);
    void pause(bool paused);
    void stop(bool value);
    void onMaxViewDurationReached();
    void onContinueClicked();

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    // Follows whether any player plays, which shows or hides the strip's clock and ends a watch period. Asked at
    // every report and every tick: a player reports changes of its polled state only, so a stream that stopped and
    // started again between two polls reports nothing.
    void updatePlaying();
    void startScheduler();
    void stopScheduler();
    void wakeScheduler();
    void startWatchLimit();
    void hidePlaceholder();

    std::unique_ptr<Ui::PlaybackWindow2> ui;
    std::shared_ptr<Internal::PlaybackWindow2Private> d;
};

} // namespace GUI
} // namespace QuorvelClient
