#pragma once

#include "core/ArchivePlaySpeed.h"
#include "core/Camera.h"
#include "core/QualitySettings.h"

#include <QDateTime>
#include <QWidget>

#include <memory>

class QErrorMessage;

namespace QuorvelClient {
namespace GUI {

namespace Ui {
class ControlPanel;
}

class Timeline;
class VideoPanel;

// The strip below the video grid: the row of playback controls and the day's timeline. It keeps the open cameras,
// the live or archive mode and the playback clock, brings the controls in line with them, and turns the user's
// clicks into requests to the playback window.
class ControlPanel : public QWidget
{
    Q_OBJECT
public:
    // Whether the time of a picture is shown: only while some player plays.
    enum PlaybackState : int { TimeShown = 0, NoTimeShown = 1 };

    explicit ControlPanel(QWidget* parent = nullptr);
    ~ControlPanel() override;

    Core::QualitySettings::Type quality() const;
    Core::ArchivePlaySpeed speed() const;
    int volume() const;
    QDateTime currentTime() const;
    const Core::GlobalCameraList& cameras() const { return m_cameras; }
    // The archive controls are allowed only while few cameras are open.
    void setArchiveEnabled(bool enabled);

signals:
    void playArchiveRequested();
    void saveImageRequested();
    void rotateRightRequested();
    void volumeChangeRequested(int newVolume);
    void liveVideoRequested();
    void paused(bool paused);
    void qualityChangeRequested();
    void speedChangeRequested();
    void playlistAdded();
    void relogin();
    void showMessage(QString text);
    void exportAccepted(Core::CameraPtr cam, QDateTime start, QDateTime end, qint64 duration);
    void searchStartRequested();
    void searchAccepted();
    void searchCanceled();
    void searchClosed();

public slots:
    // False for a camera the panel holds already (and for none).
    bool addCamera(Core::CameraPtr camera);
    void removeCamera(Core::camera_global_id_t cameraId);
    void removeAllCameras();
    void setActiveCamera(Core::camera_global_id_t cameraId);
    void onLiveRequested();
    void onExportCanceled();
    void setCurrentTime(QDateTime value);
    void setPlaybackState(PlaybackState state);
    void onQualityChanged();
    void onSpeedChanged();
    void onVolumeChanged(int value);

private slots:
    void zoomInTimeline();
    void zoomOutTimeline();
    void scrollTimelineEarlier();
    void scrollTimelineLater();

private:
    void setMode(int mode);
    void setPauseState(int state);
    void updateVideoPanel();
    void updateTimeText();

    std::unique_ptr<Ui::ControlPanel> ui;
    // 0 live, 1 archive.
    int m_mode = 0;
    PlaybackState m_playbackState = NoTimeShown;
    // The video panel shows its paused look only while this is 0.
    int m_pauseState = 1;
    VideoPanel* m_videoPanel = nullptr;
    Timeline* m_timeline = nullptr;
    Core::GlobalCameraList m_cameras;
    QDateTime m_currentTime;
    bool m_archiveEnabled = true;
    Core::GlobalCameraList m_noSpeedCameras;
    QErrorMessage* m_errorMessage = nullptr;
    Core::camera_global_id_t m_activeCamera;
    bool m_exportStarted = false;
    bool m_searchStarted = false;
};

} // namespace GUI
} // namespace QuorvelClient
