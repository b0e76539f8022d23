#include "gui/playback/controls/ControlPanel.h"

#include "application/Language.h"
#include "core/CameraEndpoint.h"
#include "core/StreamerClient.h"
#include "gui/DialogSeam.h"
#include "gui/playback/controls/ArchiveReplies.h"
#include "gui/playback/controls/PlaylistBuilder.h"
#include "gui/playback/widgets/ArchivePanel.h"
#include "gui/playback/widgets/Timeline.h"
#include "gui/playback/widgets/VideoPanel.h"
#include "ui_ControlPanel.h"
#include "utils/CutText.h"
#include "utils/Intervals.h"
#include "utils/Mask.h"
#include "utils/ServiceHosts.h"
#include "utils/SettingsKeys.h"

#include <QDebug>
#include <QErrorMessage>
#include <QMessageBox>
#include <QStringList>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>

namespace QuorvelClient {
namespace GUI {

namespace {

// The stored volume; a stray text would read 0 and mute every player, so it falls back to the default.
int storedVolume()
{
    const auto& key = Utils::Keys::panelVolume();
    if (!key.isStored())
        return key.defaultValue();
    bool ok = false;
    const int volume = key.stored().toInt(&ok);
    if (ok)
        return volume;
    qDebug() << "Ignored stored volume:" << key.stored();
    return key.defaultValue();
}

// The last second of a day.
QDateTime dayEnd(const QDate& day)
{
    return QDateTime(day, QTime(23, 59, 59));
}

// The last second of a day that has passed, or now for today.
QDateTime dayEndUpToNow(const QDate& day)
{
    const QDateTime end = dayEnd(day);
    const QDateTime now = QDateTime::currentDateTime();
    return end < now ? end : now;
}

// A request's times travel as 32-bit unsigned seconds.
QString seconds(const QDateTime& time)
{
    return QString::number(quint32(time.toSecsSinceEpoch()));
}

const QString kX1 = QStringLiteral("x1");

// The camera's own parameters with the range asked.
QVariantMap rangeParams(const Core::CameraEndpoint& endpoint, const QDateTime& start, const QDateTime& end)
{
    QVariantMap params = endpoint.requestParams();
    params.insert(QStringLiteral("startTime"), seconds(start));
    params.insert(QStringLiteral("endTime"), seconds(end));
    return params;
}

// A modal box with one OK button. Plain text: the texts carry camera names from the peers.
void tell(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text)
{
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    DialogSeam::exec(&box);
}

// A request's parameters as a log line may show them.
QVariantMap maskedParams(QVariantMap params)
{
    const QString key = QStringLiteral("sessionId");
    if (params.contains(key))
        params.insert(key, Utils::maskSecret(params.value(key).toString()));
    return params;
}

} // namespace

ControlPanel::ControlPanel(QWidget* parent) : QWidget(parent), ui(new Ui::ControlPanel)
{
    ui->setupUi(this);

    m_archivePanel = new ArchivePanel;
    ui->calendarBox->addWidget(m_archivePanel, 0);
    m_videoPanel = new VideoPanel;
    ui->controlsLayout->addWidget(m_videoPanel, 0);
    m_timeline = new Timeline(QDate::currentDate());
    ui->timelineBox->addWidget(m_timeline, 2);
    m_errorMessage = new QErrorMessage(this);
    m_errorMessage->setObjectName(QStringLiteral("errorMessage"));
    m_errorMessage->resize(550, 180);

    connect(m_videoPanel, &VideoPanel::pause, this, &ControlPanel::paused);
    connect(m_videoPanel, &VideoPanel::rotateRight, this, &ControlPanel::rotateRightRequested);
    connect(m_videoPanel, &VideoPanel::goLive, this, &ControlPanel::onLiveRequested);
    connect(m_videoPanel, &VideoPanel::qualityChanged, this, &ControlPanel::onQualityChanged);
    connect(m_videoPanel, &VideoPanel::speedChanged, this, &ControlPanel::onSpeedChanged);
    connect(m_videoPanel, &VideoPanel::volumeChanged, this, &ControlPanel::onVolumeChanged);
    connect(m_videoPanel, &VideoPanel::save, this, &ControlPanel::saveImageRequested);
    connect(m_videoPanel, &VideoPanel::exportStarted, this, &ControlPanel::onExportStartRequested);
    connect(m_videoPanel, &VideoPanel::exportAccepted, this, &ControlPanel::onExportAccepted);
    connect(m_videoPanel, &VideoPanel::exportCanceled, this, &ControlPanel::onExportCanceled);
    connect(m_videoPanel, &VideoPanel::searchStarted, this, &ControlPanel::onSearchStartRequested);
    connect(m_videoPanel, &VideoPanel::searchAccepted, this, &ControlPanel::onSearchAccepted);
    connect(m_videoPanel, &VideoPanel::searchCanceled, this, &ControlPanel::onSearchCanceled);
    connect(m_videoPanel, &VideoPanel::searchClosed, this, qOverload<>(&ControlPanel::onSearchClosed));
    connect(ui->btnZoomIn, &QToolButton::clicked, this, &ControlPanel::zoomInTimeline);
    connect(ui->btnZoomOut, &QToolButton::clicked, this, &ControlPanel::zoomOutTimeline);
    connect(ui->btnScrollEarlier, &QToolButton::clicked, this, &ControlPanel::scrollTimelineEarlier);
    connect(ui->btnScrollLater, &QToolButton::clicked, this, &ControlPanel::scrollTimelineLater);
    connect(m_archivePanel, &ArchivePanel::monthChanged, this, &ControlPanel::calendarMonthChanged);
    connect(m_archivePanel, &ArchivePanel::dateChanged, this, &ControlPanel::calendarDateChanged);
    connect(m_timeline, &Timeline::playTime, this, &ControlPanel::playArchive);
    connect(m_timeline, &Timeline::closeZone, this, qOverload<>(&ControlPanel::onSearchClosed));

    m_archivePanel->setEnabled(false);
    m_videoPanel->setVideoState(VideoPanel::NoVideo);
    m_videoPanel->setVolume(storedVolume());
    m_videoPanel->setQuality(Utils::Keys::panelQuality().value());

    m_timelineTimer = new QTimer(this);
    m_timelineTimer->setObjectName(QStringLiteral("timelineTimer"));
    m_timelineTimer->setInterval(Utils::intervalMs(Utils::Interval::ArchiveRefresh));
    connect(m_timelineTimer, &QTimer::timeout, this, &ControlPanel::updateTimeline);
}

// The request clients have no parent; those still registered (a refused session leaves one) go with the panel.
ControlPanel::~ControlPanel()
{
    qDeleteAll(m_recordsRequests.keys());
    qDeleteAll(m_daysRequests.keys());
}

Core::QualitySettings::Type ControlPanel::quality() const
{
    const int index = m_videoPanel->quality();
    return Core::QualitySettings::isValid(index) ? Core::QualitySettings::Type(index) : Core::QualitySettings::High;
}

Core::ArchivePlaySpeed ControlPanel::speed() const
{
    return Core::ArchivePlaySpeed(m_videoPanel->speed());
}

int ControlPanel::volume() const
{
    return m_videoPanel->volume();
}

QDateTime ControlPanel::currentTime() const
{
    return m_currentTime;
}

QList<Core::ArchiveDayPtr> ControlPanel::archiveDays(const Core::camera_global_id_t& cameraId) const
{
    return m_days.value(cameraId).values();
}

bool ControlPanel::addCamera(Core::CameraPtr camera)
{
    if (!camera)
        return false;
    m_timeline->setSliderVisible(true);
    const Core::camera_global_id_t id = camera->globalId();
    if (m_cameras.contains(id))
        return false;
    m_cameras.insert(id, camera);
    if (!camera->isSpeedPlaySupported())
        m_noSpeedCameras.insert(id, camera);
    if (m_archiveEnabled) {
        requestDayRecords(id, m_archivePanel->currentDate());
        requestDaysOfMonth(id, m_archivePanel->currentDate());
        m_timelineTimer->start();
    }
    if (m_cameras.size() == 1) {
        setMode(0);
        m_shownDate = m_archivePanel->currentDate();
    }
    updateVideoPanel();
    return true;
}

void ControlPanel::removeCamera(Core::camera_global_id_t cameraId)
{
    if (!m_cameras.contains(cameraId))
        return;
    m_cameras.remove(cameraId);
    m_noSpeedCameras.remove(cameraId);
    m_records.remove(cameraId);
    m_searchResults.remove(cameraId);
    m_days.remove(cameraId);
    m_timeline->removeRecords(cameraId);
    m_timeline->removeSearchResults(cameraId);
    m_archivePanel->removeCamera(cameraId);
    if (m_cameras.isEmpty()) {
        setMode(0);
        setPauseState(1);
        m_playlist.clear();
        m_timelineTimer->stop();
        onSearchClosed(true);
    }
    if (m_recordsRequests.key(cameraId, nullptr))
        m_timeline->hideText();
    dropRequests(cameraId, m_recordsRequests, m_recordsRetries);
    dropRequests(cameraId, m_daysRequests, m_daysRetries);
    updateVideoPanel();
}

void ControlPanel::dropRequests(const Core::camera_global_id_t& cameraId, Requests& requests, Retries& retries)
{
    for (auto it = requests.begin(); it != requests.end();) {
        if (it.value() != cameraId) {
            ++it;
            continue;
        }
        // A new client made at the same address must not inherit the count.
        retries.remove(it.key());
        it.key()->deleteLater();
        it = requests.erase(it);
    }
}

void ControlPanel::removeAllCameras()
{
    const QList<Core::camera_global_id_t> ids = m_cameras.keys();
    for (const Core::camera_global_id_t& id : ids)
        removeCamera(id);
}

void ControlPanel::setArchiveEnabled(bool enabled)
{
    if (enabled == m_archiveEnabled)
        return;
    m_archiveEnabled = enabled;
    ui->timelinePanel->setVisible(enabled);
    m_videoPanel->setSpeedEnabled(enabled);
    m_videoPanel->setExportArchiveEnabled(enabled && !m_exportStarted);
    m_videoPanel->setSearchArchiveEnabled(enabled && !m_searchStarted);
    if (!enabled) {
        m_timelineTimer->stop();
        return;
    }
    const QDate date = m_archivePanel->currentDate();
    for (auto it = m_cameras.cbegin(); it != m_cameras.cend(); ++it) {
        if (!m_records.contains(it.key()))
            requestDayRecords(it.key(), date);
        if (!m_days.contains(it.key()))
            requestDaysOfMonth(it.key(), date);
    }
    m_timelineTimer->start();
}

void ControlPanel::setActiveCamera(Core::camera_global_id_t cameraId)
{
    m_timeline->setActiveCamera(cameraId);
    m_activeCamera = cameraId;
    qDebug() << "Active camera:" << cameraId;
}

void ControlPanel::onLiveRequested()
{
    setMode(0);
    emit liveVideoRequested();
}

void ControlPanel::onExportStartRequested()
{
    // An active camera the panel does not hold has nothing to export, and gets no entry here.
    const Core::CameraPtr camera = m_cameras.value(m_activeCamera);
    if (!camera)
        return;
    if (Core::CameraEndpoint::kindOf(*camera) == Core::CameraEndpoint::ServerKind::Account) {
        const QString link = QStringLiteral("https://%1/?target=my-account&lang=%2")
                                 .arg(QLatin1String(Utils::ServiceHosts::portalHost), Application::currentLanguage());
        QMessageBox box(this);
        box.setTextFormat(Qt::RichText);
        box.setIcon(QMessageBox::Information);
        box.setWindowTitle(tr("Export works only for local servers"));
        box.setText(tr("Archive export from Quorvel Client is supported only for local videoservers.<br><br>If your "
                       "server is installed on your computer or is available in your LAN, add the server as local "
                       "and export archive from the local server.<br><br>Otherwise you can export records in your "
                       "<a href='%1'>personal account</a>.")
                        .arg(link));
        box.setDetailedText(tr("To add local server you should first enable the local view in Quorvel Server "
                               "settings.\n\nThen click \"Add\" button in Quorvel Client and enter your server IP "
                               "address, choose the name for this server and enter the password that you have set for "
                               "local view in server settings."));
        DialogSeam::exec(&box);
        return;
    }
    if (!camera->isArchiveExportSupported()) {
        tell(this, QMessageBox::Warning, tr("Old videoserver"),
             tr("Archive export is not supported for camera %1.\nPlease update Quorvel Server to the latest version "
                "for this camera.")
                 .arg(Utils::cutText(camera->fullName())));
        return;
    }
    if (!activeCameraHasRecords(camera))
        return;
    m_timeline->showSelection(m_mode == 1, m_exportFailed);
    m_videoPanel->setExportArchiveStarted(true);
    emit showMessage(tr("Select a time range to export"));
}

void ControlPanel::onExportAccepted()
{
    const QDateTime start = m_timeline->selectionStart();
    const QDateTime end = m_timeline->selectionEnd();
    qDebug() << "Accepted export from:" << start << "to:" << end;
    const Core::CameraPtr camera = m_cameras.value(m_activeCamera);
    const qint64 duration = camera ? recordsDuration(camera, start, end) : 0;
    const QString from = start.toString(QStringLiteral("hh:mm:ss"));
    const QString to = end.toString(QStringLiteral("hh:mm:ss"));
    if (duration < 1) {
        // The selection stays, so that the user can move it and accept again.
        emit showMessage(tr("The selected range %1 - %2 does not contain any records").arg(from, to));
        return;
    }
    m_timeline->clearSelection();
    m_videoPanel->setExportArchiveStarted(false);
    m_videoPanel->setExportArchiveEnabled(false);
    emit exportAccepted(camera, start, end, duration);
    emit showMessage(tr("Exporting archive interval %1 - %2").arg(from, to));
}

qint64 ControlPanel::recordsDuration(Core::CameraPtr camera, const QDateTime& start, const QDateTime& end)
{
    qint64 total = 0;
    // The records come in time order: the first one from the end of the range on ends the walk.
    for (const Core::ArchiveRecordPtr& record : m_records.value(camera->globalId())) {
        if (record->start() >= end)
            break;
        if (start < record->end())
            total += qMax(start, record->start()).msecsTo(qMin(end, record->end()));
    }
    return total;
}

void ControlPanel::onExportCanceled()
{
    m_timeline->clearSelection();
    m_videoPanel->setExportArchiveStarted(false);
}

void ControlPanel::onExportStarted()
{
    m_exportStarted = true;
    m_exportFailed = false;
    m_videoPanel->setExportArchiveStarted(false);
    m_videoPanel->setExportArchiveEnabled(false);
}

void ControlPanel::onExportFinished()
{
    m_exportStarted = false;
    m_exportFailed = false;
    m_videoPanel->setExportArchiveStarted(false);
    if (!m_cameras.isEmpty() && m_archiveEnabled)
        m_videoPanel->setExportArchiveEnabled(true);
}

void ControlPanel::onExportError()
{
    onExportFinished();
    m_exportFailed = true;
}

void ControlPanel::setCurrentTime(QDateTime value)
{
    if (value.date() != m_currentTime.date())
        m_archivePanel->setCurrentDate(value.date());
    m_currentTime = value;
    updateTimeText();
}

void ControlPanel::setPlaybackState(PlaybackState state)
{
    qDebug() << "setPlaybackState" << int(state);
    if (state == m_playbackState)
        return;
    m_playbackState = state;
    updateVideoPanel();
}

void ControlPanel::onQualityChanged()
{
    emit qualityChangeRequested();
}

void ControlPanel::onSpeedChanged()
{
    const int factor = Core::speedMultiplier(Core::ArchivePlaySpeed(m_videoPanel->speed()));
    if (!m_noSpeedCameras.isEmpty() && factor > 1) {
        QStringList names;
        for (const Core::CameraPtr& camera : std::as_const(m_noSpeedCameras))
            names.append(Utils::cutText(camera->fullName()));
        m_errorMessage->setWindowTitle(tr("Playing with increased speed is not supported"));
        // The box takes any message as rich text; the names come from the peers.
        m_errorMessage->showMessage(
            Qt::convertFromPlainText(tr("Archive playing with speed x%1 is disabled for cameras %2.\nIf you want to "
                                        "play archive with increased speed you have to update Quorvel Server for "
                                        "these cameras.")
                                         .arg(factor)
                                         .arg(names.join(QStringLiteral(", "))),
                                     Qt::WhiteSpaceNormal),
            QStringLiteral("oldserver"));
    }
    emit speedChangeRequested();
}

void ControlPanel::onVolumeChanged(int value)
{
    Utils::Keys::panelVolume().setValue(value);
    emit volumeChangeRequested(value);
}

void ControlPanel::playArchive(QDateTime position)
{
    if (!(position < QDateTime::currentDateTime())) {
        qDebug() << "No archive to play after now:" << position;
        return;
    }
    m_playlist = playlistFrom(m_records.keys(), position);
    if (m_playlist.isEmpty()) {
        qDebug() << "No archive records to play from:" << position;
        return;
    }
    std::sort(m_playlist.begin(), m_playlist.end());
    setMode(1);
    emit playArchiveRequested();
}

void ControlPanel::addToPlaylist(Core::camera_global_id_t cameraId)
{
    m_playlist = playlistFrom({cameraId}, m_currentTime);
    emit playlistAdded();
}

Playlist ControlPanel::playlistFrom(const QList<Core::camera_global_id_t>& cameraIds, const QDateTime& time) const
{
    if (m_searchShown && !m_searchResults.isEmpty())
        return PlaylistBuilder::buildSearchPlaylist(cameraIds, time, m_records, m_searchResults, m_cameras);
    return PlaylistBuilder::buildPlaylist(cameraIds, time, m_records, m_cameras);
}

void ControlPanel::onSearchStartRequested()
{
    // The grid reports no change when its last player closes, so the active camera may be gone.
    const Core::CameraPtr camera = m_cameras.value(m_activeCamera);
    if (!camera)
        return;
    if (!camera->isArchiveSearchSupported()) {
        tell(this, QMessageBox::Warning, tr("Search is not available"),
             tr("Archive search is not available for camera %1.\nMaybe your Quorvel Server need an update or you "
                "have to turn on search in server settings.")
                 .arg(Utils::cutText(camera->fullName())));
        return;
    }
    if (!activeCameraHasRecords(camera) || !onSearchClosed(false))
        return;
    emit searchStartRequested();
    m_videoPanel->setSearchArchiveStarted(true);
    const QString text = tr("Select an area of video image to search");
    m_timeline->setSearchMode(true);
    m_timeline->setSearchText(text);
    emit showMessage(text);
}

void ControlPanel::onSearchAccepted()
{
    m_videoPanel->setSearchArchiveStarted(false);
    m_videoPanel->setSearchArchiveEnabled(false);
    m_videoPanel->showCloseArchiveSearch();
    m_timeline->setSearchText(tr("Searching..."));
    m_searchShown = true;
    emit searchAccepted();
}

void ControlPanel::onSearchCanceled()
{
    m_videoPanel->setSearchArchiveStarted(false);
    m_timeline->setSearchMode(false);
    emit searchCanceled();
}

bool ControlPanel::activeCameraHasRecords(const Core::CameraPtr& camera)
{
    if (!m_records.value(m_activeCamera).isEmpty())
        return true;
    const QString date = m_archivePanel->currentDate().toString(Qt::TextDate);
    const bool othersListed = m_records.size() > (m_records.contains(m_activeCamera) ? 1 : 0);
    tell(this, QMessageBox::Information, tr("No records"),
         othersListed ? tr("There are no records for camera %1 for %2.\nPlease select a camera with records or "
                           "select the other day")
                            .arg(Utils::cutText(camera->fullName()), date)
                      : tr("There are no records for %1. Please select a day with records").arg(date));
    return false;
}

bool ControlPanel::onSearchClosed()
{
    return onSearchClosed(false);
}

bool ControlPanel::onSearchClosed(bool force)
{
    if (!force && !m_searchResults.isEmpty() && !m_searchResults.first().isEmpty()) {
        QMessageBox box(QMessageBox::Question, tr("Are you sure?"),
                        tr("Are you sure you want to close current search results?"),
                        QMessageBox::Yes | QMessageBox::No, this);
        box.setDefaultButton(QMessageBox::No);
        DialogSeam::exec(&box);
        if (box.clickedButton() != box.button(QMessageBox::Yes))
            return false;
    }
    m_searchStarted = false;
    m_searchShown = false;
    m_timeline->setSearchMode(false);
    const QList<Core::camera_global_id_t> searched = m_searchResults.keys();
    for (const Core::camera_global_id_t& id : searched)
        m_timeline->removeSearchResults(id);
    // Zone requests still under way are given up; plain ones of the same cameras go on.
    for (auto it = m_recordsRequests.begin(); it != m_recordsRequests.end();) {
        const QVariantMap params = it.key()->params();
        if (!searched.contains(it.value()) || !params.contains(kX1)) {
            ++it;
            continue;
        }
        qDebug() << "Remove zone request from recordsRequests" << maskedParams(params);
        m_recordsRetries.remove(it.key());
        it.key()->deleteLater();
        it = m_recordsRequests.erase(it);
    }
    m_searchResults.clear();
    m_videoPanel->setSearchArchiveStarted(false);
    m_videoPanel->setSearchArchiveEnabled(m_archiveEnabled);
    emit searchClosed();
    return true;
}

void ControlPanel::onSearchStarted()
{
    m_searchStarted = true;
    m_videoPanel->setSearchArchiveStarted(false);
    m_videoPanel->setSearchArchiveEnabled(false);
    m_videoPanel->showCloseArchiveSearch();
}

void ControlPanel::onSearchFinished()
{
    m_searchStarted = false;
    m_videoPanel->setSearchArchiveStarted(false);
    m_videoPanel->showCloseArchiveSearch();
    m_timeline->setSearchText(m_searchResults.isEmpty() ? tr("No records found")
                                                        : tr("Found %1 records").arg(m_searchResults.first().size()));
}

void ControlPanel::onSearchError()
{
    m_searchStarted = false;
    m_videoPanel->setSearchArchiveStarted(false);
    m_videoPanel->showCloseArchiveSearch();
    m_timeline->setSearchText(tr("Could not find records for selected zone"));
}

void ControlPanel::searchArchive(Core::CameraPtr camera, int x1, int y1, int x2, int y2)
{
    if (!camera)
        return;
    qDebug().noquote() << "Search in archive for cam" << camera->fullName()
                       << "zone:" << QStringLiteral("%1,%2,%3,%4").arg(x1).arg(y1).arg(x2).arg(y2);
    requestZoneRecords(camera->globalId(), m_archivePanel->currentDate(), x1, y1, x2, y2);
}

void ControlPanel::requestZoneRecords(const Core::camera_global_id_t& cameraId, const QDate& day, int x1, int y1,
                                      int x2, int y2, Core::StreamerClient* client, bool removeOld)
{
    onSearchStarted();
    requestRecordsList(cameraId, day.startOfDay(), dayEndUpToNow(day), client, removeOld, x1, y1, x2, y2);
}

void ControlPanel::zoomInTimeline()
{
    m_timeline->zoomIn();
}

void ControlPanel::zoomOutTimeline()
{
    m_timeline->zoomOut();
}

// The timeline's "right" scroll shows earlier times.
void ControlPanel::scrollTimelineEarlier()
{
    m_timeline->scrollRight();
}

void ControlPanel::scrollTimelineLater()
{
    m_timeline->scrollLeft();
}

void ControlPanel::calendarMonthChanged(int year, int month)
{
    const QDate page(year, month, 1);
    if (page > QDate::currentDate())
        return;
    const QList<Core::camera_global_id_t> ids = m_cameras.keys();
    for (const Core::camera_global_id_t& id : ids)
        requestDaysOfMonth(id, page);
}

void ControlPanel::calendarDateChanged(QDate date)
{
    if (m_searchShown) {
        if (m_shownDate == m_archivePanel->currentDate())
            return;
        onSearchClosed(true);
    }
    m_shownDate = m_archivePanel->currentDate();
    m_timeline->clearRecords();
    m_timeline->setDate(date);
    const QList<Core::camera_global_id_t> ids = m_cameras.keys();
    for (const Core::camera_global_id_t& id : ids)
        requestDayRecords(id, m_archivePanel->currentDate());
}

// The page of the date and the month before it, up to now.
void ControlPanel::requestDaysOfMonth(const Core::camera_global_id_t& cameraId, const QDate& date,
                                      Core::StreamerClient* client)
{
    const QDateTime start = QDate(date.year(), date.month(), 1).addMonths(-1).startOfDay();
    QDateTime end = dayEnd(QDate(date.year(), date.month(), date.daysInMonth()));
    const QDateTime now = QDateTime::currentDateTime();
    if (end >= now)
        end = now;
    m_daysStart = start;
    m_daysEnd = end;
    requestDaysList(cameraId, start, end, client);
}

void ControlPanel::requestDaysList(Core::camera_global_id_t cameraId, QDateTime start, QDateTime end,
                                   Core::StreamerClient* client)
{
    qDebug().noquote() << "Days list requested from camera:" << Core::globalIdText(cameraId) << "from time:" << start
                       << "to:" << end;
    m_daysStart = start;
    m_daysEnd = end;
    const Core::CameraPtr camera = m_cameras.value(cameraId);
    if (!camera)
        return;
    const Core::CameraEndpoint endpoint(camera);
    if (!client) {
        client = newClient(endpoint, cameraId, m_daysRequests, &ControlPanel::onDaysListReceived,
                           &ControlPanel::onDaysListRequestError);
    }
    client->request(QStringLiteral("archive/days"), rangeParams(endpoint, start, end));
    m_daysRetries[client] += 1;
}

void ControlPanel::onDaysListReceived(const QVariant& daysList)
{
    auto* client = qobject_cast<Core::StreamerClient*>(sender());
    const Core::camera_global_id_t cameraId = m_daysRequests.value(client);
    if (!finishRequest(client, m_daysRequests, m_daysRetries))
        return;
    qDebug().noquote() << "Days list received for camera:" << Core::globalIdText(cameraId);
    const QList<Core::ArchiveDayPtr> days = ArchiveReplies::parseDays(daysList.toList());
    // A camera without days keeps no entry, so enabling the archive again asks it once more.
    if (!days.isEmpty()) {
        QMap<QDate, Core::ArchiveDayPtr>& held = m_days[cameraId];
        QList<QDate> dates;
        dates.reserve(days.size());
        for (const Core::ArchiveDayPtr& day : days) {
            held.insert(day->date(), day);
            dates.append(day->date());
        }
        m_archivePanel->addArchiveDays(cameraId, dates);
    }
    m_archivePanel->update();
}

void ControlPanel::onDaysListRequestError(int errorCode, int httpStatus)
{
    qWarning() << "Days list receive error:" << errorCode << httpStatus;
    if (sessionRefused(errorCode, httpStatus))
        return;
    auto* client = qobject_cast<Core::StreamerClient*>(sender());
    const Core::camera_global_id_t cameraId = m_daysRequests.value(client);
    if (m_daysRetries.value(client) > 2) {
        QTimer::singleShot(1500, m_timeline, &Timeline::hideText);
        finishRequest(client, m_daysRequests, m_daysRetries);
        return;
    }
    requestDaysList(cameraId, m_daysStart, m_daysEnd, client);
}

void ControlPanel::requestDayRecords(const Core::camera_global_id_t& cameraId, const QDate& day,
                                     Core::StreamerClient* client, bool removeOld)
{
    const QDateTime start = day.startOfDay();
    const QDateTime now = QDateTime::currentDateTime();
    if (start > now) {
        qDebug() << "No records asked for a day to come:" << day;
        if (removeOld)
            m_records.remove(cameraId);
        // A failed request is not sent again for such a day.
        if (client && finishRequest(client, m_recordsRequests, m_recordsRetries))
            m_timeline->hideText();
        return;
    }
    requestRecordsList(cameraId, start, dayEndUpToNow(day), client, removeOld);
}

void ControlPanel::requestRecordsList(Core::camera_global_id_t cameraId, QDateTime start, QDateTime end,
                                      Core::StreamerClient* client, bool removeOld, int x1, int y1, int x2, int y2)
{
    const Core::CameraPtr camera = m_cameras.value(cameraId);
    if (!camera)
        return;
    const bool zone = x1 != 0 || y1 != 0 || x2 != 0 || y2 != 0;
    if (removeOld) {
        if (zone)
            m_searchResults.insert(cameraId, {});
        else
            m_records.remove(cameraId);
    }
    qDebug().noquote() << "Records list requested from camera:" << Core::globalIdText(cameraId) << "from time:" << start
                       << "to:" << end;

    const Core::CameraEndpoint endpoint(camera);
    if (!client) {
        client = newClient(endpoint, cameraId, m_recordsRequests, &ControlPanel::onRecordsListReceived,
                           &ControlPanel::onRecordsListRequestError);
    }
    const int sent = m_recordsRetries.value(client);
    QVariantMap params = rangeParams(endpoint, start, end);
    if (zone) {
        params.insert(kX1, x1);
        params.insert(QStringLiteral("y1"), y1);
        params.insert(QStringLiteral("x2"), x2);
        params.insert(QStringLiteral("y2"), y2);
    }
    client->requestArchiveList(QStringLiteral("archive/list"), params);

    if (removeOld && zone)
        m_timeline->removeSearchResults(cameraId);
    else if (removeOld)
        m_timeline->removeRecords(cameraId);
    if (!zone) {
        m_timeline->showText(sent == 0 ? tr("Loading archive...")
                                       : tr("Loading archive, retry number %1 for camera %2...")
                                             .arg(sent)
                                             .arg(Utils::cutText(camera->fullName())));
    }
    m_recordsRetries.insert(client, sent + 1);
}

void ControlPanel::onRecordsListReceived(const QVariant& records)
{
    auto* client = qobject_cast<Core::StreamerClient*>(sender());
    const Core::camera_global_id_t cameraId = m_recordsRequests.value(client);
    const QVariantMap params = client ? client->params() : QVariantMap();
    if (!finishRequest(client, m_recordsRequests, m_recordsRetries))
        return;
    m_timeline->hideText();
    const bool search = params.contains(kX1);
    const Core::ArchiveList list = records.value<Core::ArchiveList>();
    if (list.isEmpty()) {
        forgetRecords(cameraId, search);
    } else {
        const QDate day = m_archivePanel->currentDate();
        if (!ArchiveReplies::isRecordsListActual(day, list))
            return;
        QList<Core::ArchiveRecordPtr>& out = search ? m_searchResults[cameraId] : m_records[cameraId];
        ArchiveReplies::parseRecords(day, list, out, Utils::Keys::coloredArchive().value());
        // A zone reply of nothing but unreadable records found nothing.
        if (search && out.isEmpty())
            forgetRecords(cameraId, true);
        else
            showRecords(cameraId, search);
        // Records that come while archive plays join the playback.
        if (!search && m_mode == 1 && m_playbackState == TimeShown && m_cameras.size() > 1)
            addToPlaylist(cameraId);
    }
    if (search)
        onSearchFinished();
}

void ControlPanel::onRecordsListRequestError(int errorCode, int httpStatus)
{
    qWarning() << "Records list receive error:" << errorCode << httpStatus;
    if (sessionRefused(errorCode, httpStatus))
        return;
    auto* client = qobject_cast<Core::StreamerClient*>(sender());
    if (!client)
        return;
    const Core::camera_global_id_t cameraId = m_recordsRequests.value(client);
    const Core::CameraPtr camera = m_cameras.value(cameraId);
    if (!camera)
        return;
    const QVariantMap params = client->params();
    const bool search = params.contains(kX1);
    if (search)
        onSearchError();
    if (m_recordsRetries.value(client) >= 3) {
        forgetRecords(cameraId, search);
        if (!search)
            m_timeline->showText(tr("Error loading archive for camera %1...").arg(Utils::cutText(camera->fullName())));
        QTimer::singleShot(1500, m_timeline, &Timeline::hideText);
        finishRequest(client, m_recordsRequests, m_recordsRetries);
        return;
    }
    // A retry asks the day shown now, which may differ from the failed request's.
    const QDate day = m_archivePanel->currentDate();
    if (!search) {
        requestDayRecords(cameraId, day, client, true);
        return;
    }
    requestZoneRecords(cameraId, day, params.value(kX1).toInt(), params.value(QStringLiteral("y1")).toInt(),
                       params.value(QStringLiteral("x2")).toInt(), params.value(QStringLiteral("y2")).toInt(), client,
                       true);
}

void ControlPanel::updateTimeline()
{
    const QList<Core::camera_global_id_t> busy = m_recordsRequests.values();
    const QList<Core::camera_global_id_t> ids = m_cameras.keys();
    for (const Core::camera_global_id_t& id : ids) {
        if (!busy.contains(id))
            requestDayRecords(id, m_archivePanel->currentDate(), nullptr, false);
    }
}

template <typename Received, typename Failed>
Core::StreamerClient* ControlPanel::newClient(const Core::CameraEndpoint& endpoint,
                                              const Core::camera_global_id_t& cameraId, Requests& requests,
                                              Received received, Failed failed)
{
    Core::StreamerClient* client = endpoint.newClient();
    requests.insert(client, cameraId);
    connect(client, &Core::StreamerClient::responceReceived, this, received);
    connect(client, &Core::StreamerClient::error, this, failed);
    return client;
}

bool ControlPanel::sessionRefused(int errorCode, int httpStatus)
{
    if (errorCode != -3 || httpStatus != 409)
        return false;
    emit relogin();
    return true;
}

void ControlPanel::forgetRecords(const Core::camera_global_id_t& cameraId, bool search)
{
    if (search) {
        m_searchResults.remove(cameraId);
        m_timeline->removeSearchResults(cameraId);
    } else {
        m_records.remove(cameraId);
        m_timeline->removeRecords(cameraId);
    }
}

bool ControlPanel::finishRequest(Core::StreamerClient* client, Requests& requests, Retries& retries)
{
    if (!client)
        return false;
    client->deleteLater();
    const auto it = requests.find(client);
    if (it == requests.end())
        return false;
    const Core::camera_global_id_t cameraId = it.value();
    requests.erase(it);
    retries.remove(client);
    return m_cameras.contains(cameraId);
}

// Records reaching beyond the shown day are drawn up to its edges; one spanning the whole day is not drawn.
void ControlPanel::showRecords(const Core::camera_global_id_t& cameraId, bool search)
{
    if (!m_cameras.contains(cameraId) || !m_records.contains(cameraId) ||
        (search && !m_searchResults.contains(cameraId)))
        return;
    const QList<Core::ArchiveRecordPtr>& list = search ? m_searchResults[cameraId] : m_records[cameraId];
    if (search)
        m_timeline->removeSearchResults(cameraId);
    else
        m_timeline->removeRecords(cameraId);
    const QDate day = m_archivePanel->currentDate();
    for (const Core::ArchiveRecordPtr& record : list) {
        const bool startsBefore = record->start().date() < day;
        const bool endsAfter = record->end().date() > day;
        if (startsBefore && endsAfter)
            continue;
        m_timeline->addRecord(cameraId, startsBefore ? day.startOfDay() : record->start(),
                              endsAfter ? dayEnd(day) : record->end(), record->type(), search);
    }
    if (search && !list.isEmpty())
        m_timeline->showRange(list.first()->start(), list.last()->end());
    m_timeline->update();
}

void ControlPanel::setMode(int mode)
{
    if (mode == m_mode)
        return;
    qDebug() << "Change control panel mode from:" << m_mode << "to:" << mode;
    m_mode = mode;
    updateVideoPanel();
}

void ControlPanel::setPauseState(int state)
{
    if (state == m_pauseState)
        return;
    qDebug() << "Change control panel pause state from:" << m_pauseState << "to:" << state;
    m_pauseState = state;
    updateVideoPanel();
}

void ControlPanel::updateVideoPanel()
{
    const int count = m_cameras.size();
    m_timeline->setEnabled(count != 0);
    m_archivePanel->setEnabled(count != 0);
    if (count == 0) {
        m_videoPanel->setVideoState(VideoPanel::NoVideo);
        m_videoPanel->setPauseEnabled(false);
        m_videoPanel->setShowPaused(false);
        onExportCanceled();
    } else {
        if (m_mode == 0 || m_mode == 1) {
            m_videoPanel->setVideoState(m_mode == 0 ? VideoPanel::LiveVideo : VideoPanel::ArchiveVideo);
            if (m_archiveEnabled) {
                m_videoPanel->setExportArchiveEnabled(!m_exportStarted);
                m_videoPanel->setSearchArchiveEnabled(!m_searchStarted);
            }
        }
        m_videoPanel->setShowPaused(m_pauseState == 0);
    }
    m_videoPanel->setQualityLimit(count >= 10 ? 2 : count >= 7 ? 1 : 0);
    m_videoPanel->setPauseEnabled(m_playbackState == TimeShown && count != 0);
    updateTimeText();
}

void ControlPanel::updateTimeText()
{
    QString text;
    if (m_playbackState == TimeShown) {
        text = m_currentTime.toString(QStringLiteral("hh:mm:ss"));
        if (m_mode == 0)
            text += QStringLiteral(" (LIVE)");
        m_timeline->setCurrentValue(m_currentTime);
    } else {
        text = tr("--:--:--");
    }
    m_videoPanel->setTimeText(text);
}

} // namespace GUI
} // namespace QuorvelClient
