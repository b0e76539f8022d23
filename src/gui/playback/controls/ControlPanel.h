#pragma once

#include "core/ArchiveDay.h"
#include "core/ArchivePlaySpeed.h"
#include "core/ArchiveRecord.h"
#include "core/Camera.h"
#include "core/QualitySettings.h"
#include "gui/playback/PlaylistEntry.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QVariant>
#include <QWidget>

#include <memory>

class QErrorMessage;
class QTimer;

namespace QuorvelClient {

namespace Core {
class CameraEndpoint;
class StreamerClient;
} // namespace Core

namespace GUI {

namespace Ui {
class ControlPanel;
}

class ArchivePanel;
class Timeline;
class VideoPanel;

// The strip below the video grid: the row of playback controls and the day's timeline. It keeps the open cameras,
// the live or archive mode and the playback clock, brings the controls in line with them, and turns the user's
// clicks into requests to the playback window. It asks each camera's server for the archive records of the shown
// day and the days of the calendar's page, one request object per request, sent again up to twice on failure.
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
    // The playlist built last, in due order after a click on the timeline.
    const Playlist& playlist() const { return m_playlist; }
    // The camera's days of the calendar, one per date with the count of the latest reply, in date order.
    QList<Core::ArchiveDayPtr> archiveDays(const Core::camera_global_id_t& cameraId) const;
    // The archive controls are allowed only while few cameras are open.
    void setArchiveEnabled(bool enabled);
    // Asks the shown day's records with motion inside the zone, given in percent of the camera's unrotated frame.
    void searchArchive(Core::CameraPtr camera, int x1, int y1, int x2, int y2);

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
    void onExportStartRequested();
    void onExportAccepted();
    void onExportCanceled();
    // What the export panel reports about the export handed over.
    void onExportStarted();
    void onExportFinished();
    void onExportError();
    void setCurrentTime(QDateTime value);
    void setPlaybackState(PlaybackState state);
    void onQualityChanged();
    void onSpeedChanged();
    void onVolumeChanged(int value);
    // Plays every camera's records of the shown day from the clicked time on.
    void playArchive(QDateTime position);
    // Replaces the playlist with the camera's records from the clock on, for the playback window to merge.
    void addToPlaylist(Core::camera_global_id_t cameraId);

    // The zone search: the user marks a zone on the active camera's picture, accepts or cancels it, and closes the
    // results; the found records veil the rest of the day on the timeline.
    void onSearchStartRequested();
    void onSearchAccepted();
    void onSearchCanceled();
    // False when the user chose to keep the results; `force` closes without asking.
    bool onSearchClosed(bool force);
    bool onSearchClosed();
    void onSearchStarted();
    void onSearchFinished();
    void onSearchError();

private slots:
    void zoomInTimeline();
    void zoomOutTimeline();
    void scrollTimelineEarlier();
    void scrollTimelineLater();

    void calendarMonthChanged(int year, int month);
    void calendarDateChanged(QDate date);
    void requestDaysList(Core::camera_global_id_t cameraId, QDateTime start, QDateTime end,
                         Core::StreamerClient* client = nullptr);
    void onDaysListReceived(const QVariant& daysList);
    void onDaysListRequestError(int errorCode, int httpStatus);
    // Zone edges that are not all 0 restrict the records to motion inside the zone.
    void requestRecordsList(Core::camera_global_id_t cameraId, QDateTime start, QDateTime end,
                            Core::StreamerClient* client = nullptr, bool removeOld = true, int x1 = 0, int y1 = 0,
                            int x2 = 0, int y2 = 0);
    void onRecordsListReceived(const QVariant& records);
    void onRecordsListRequestError(int errorCode, int httpStatus);
    void updateTimeline();

private:
    using Requests = QMap<Core::StreamerClient*, Core::camera_global_id_t>;
    using Retries = QMap<Core::StreamerClient*, int>;

    // Releases the client; true when it carried a registered request of a camera still open.
    bool finishRequest(Core::StreamerClient* client, Requests& requests, Retries& retries);
    void showRecords(const Core::camera_global_id_t& cameraId, bool search);
    void requestDayRecords(const Core::camera_global_id_t& cameraId, const QDate& day,
                           Core::StreamerClient* client = nullptr, bool removeOld = true);
    void requestDaysOfMonth(const Core::camera_global_id_t& cameraId, const QDate& date,
                            Core::StreamerClient* client = nullptr);
    void requestZoneRecords(const Core::camera_global_id_t& cameraId, const QDate& day, int x1, int y1, int x2, int y2,
                            Core::StreamerClient* client = nullptr, bool removeOld = true);
    // The playlist from the time on: the records of the cameras, or while results are shown, the search hits.
    // False, telling the user, when the active camera (`camera`) has no records of the shown day.
    bool activeCameraHasRecords(const Core::CameraPtr& camera);
    Playlist playlistFrom(const QList<Core::camera_global_id_t>& cameraIds, const QDateTime& time) const;
    // A client for one request to the camera's server, registered with its camera.
    template <typename Received, typename Failed>
    Core::StreamerClient* newClient(const Core::CameraEndpoint& endpoint, const Core::camera_global_id_t& cameraId,
                                    Requests& requests, Received received, Failed failed);
    // A refused session asks for a new sign-in instead of a retry.
    bool sessionRefused(int errorCode, int httpStatus);
    // The camera's records (or search results) go, from the timeline too.
    void forgetRecords(const Core::camera_global_id_t& cameraId, bool search);
    // Drops the camera's requests of one kind; their clients go, with their counts.
    void dropRequests(const Core::camera_global_id_t& cameraId, Requests& requests, Retries& retries);

    void setMode(int mode);
    void setPauseState(int state);
    void updateVideoPanel();
    // Milliseconds of the camera's records of the shown day inside [start, end].
    qint64 recordsDuration(Core::CameraPtr camera, const QDateTime& start, const QDateTime& end);
    void updateTimeText();

    std::unique_ptr<Ui::ControlPanel> ui;
    // 0 live, 1 archive.
    int m_mode = 0;
    PlaybackState m_playbackState = NoTimeShown;
    // The video panel shows its paused look only while this is 0.
    int m_pauseState = 1;
    VideoPanel* m_videoPanel = nullptr;
    Timeline* m_timeline = nullptr;
    ArchivePanel* m_archivePanel = nullptr;
    QTimer* m_timelineTimer = nullptr;
    Core::GlobalCameraList m_cameras;
    QDateTime m_currentTime;
    bool m_archiveEnabled = true;
    Core::GlobalCameraList m_noSpeedCameras;
    QErrorMessage* m_errorMessage = nullptr;
    Core::camera_global_id_t m_activeCamera;
    bool m_exportStarted = false;
    // The last export failed: the next selection keeps its range.
    bool m_exportFailed = false;
    // A zone request is under way; the user accepted a zone and its results are shown until closed.
    bool m_searchStarted = false;
    bool m_searchShown = false;

    // The records of the shown day per camera, and the zone search's.
    QMap<Core::camera_global_id_t, QList<Core::ArchiveRecordPtr>> m_records;
    QMap<Core::camera_global_id_t, QList<Core::ArchiveRecordPtr>> m_searchResults;
    // The days received per camera by date: a page asked again brings its days again.
    QMap<Core::camera_global_id_t, QMap<QDate, Core::ArchiveDayPtr>> m_days;
    Requests m_recordsRequests;
    Retries m_recordsRetries;
    Requests m_daysRequests;
    Retries m_daysRetries;
    // The range of the latest days request; a retry asks it again.
    QDateTime m_daysStart;
    QDateTime m_daysEnd;
    QDate m_shownDate;
    Playlist m_playlist;
};

} // namespace GUI
} // namespace QuorvelClient
