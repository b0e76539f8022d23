#include "gui/playback/controls/ControlPanel.h"

#include "gui/playback/widgets/Timeline.h"
#include "gui/playback/widgets/VideoPanel.h"
#include "ui_ControlPanel.h"
#include "utils/SettingsKeys.h"

#include <QDebug>
#include <QErrorMessage>
#include <QStringList>

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

} // namespace

ControlPanel::ControlPanel(QWidget* parent) : QWidget(parent), ui(new Ui::ControlPanel)
{
    ui->setupUi(this);

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
    connect(ui->btnZoomIn, &QToolButton::clicked, this, &ControlPanel::zoomInTimeline);
    connect(ui->btnZoomOut, &QToolButton::clicked, this, &ControlPanel::zoomOutTimeline);
    connect(ui->btnScrollEarlier, &QToolButton::clicked, this, &ControlPanel::scrollTimelineEarlier);
    connect(ui->btnScrollLater, &QToolButton::clicked, this, &ControlPanel::scrollTimelineLater);

    m_videoPanel->setVideoState(VideoPanel::NoVideo);
    m_videoPanel->setVolume(storedVolume());
    m_videoPanel->setQuality(Utils::Keys::panelQuality().value());
}

ControlPanel::~ControlPanel() = default;

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
    if (m_cameras.size() == 1)
        setMode(0);
    updateVideoPanel();
    return true;
}

void ControlPanel::removeCamera(Core::camera_global_id_t cameraId)
{
    if (!m_cameras.contains(cameraId))
        return;
    m_cameras.remove(cameraId);
    m_noSpeedCameras.remove(cameraId);
    m_timeline->removeRecords(cameraId);
    m_timeline->removeSearchResults(cameraId);
    if (m_cameras.isEmpty()) {
        setMode(0);
        setPauseState(1);
    }
    updateVideoPanel();
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

void ControlPanel::onExportCanceled()
{
    m_timeline->clearSelection();
    m_videoPanel->setExportArchiveStarted(false);
}

void ControlPanel::setCurrentTime(QDateTime value)
{
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
            names.append(camera->fullName());
        m_errorMessage->setWindowTitle(tr("Playing with increased speed is not supported"));
        m_errorMessage->showMessage(tr("Archive playing with speed x%1 is disabled for cameras %2.\nIf you want to "
                                       "play archive with increased speed you have to update Quorvel Server for "
                                       "these cameras.")
                                        .arg(factor)
                                        .arg(names.join(QStringLiteral(", "))),
                                    QStringLiteral("oldserver"));
    }
    emit speedChangeRequested();
}

void ControlPanel::onVolumeChanged(int value)
{
    Utils::Keys::panelVolume().setValue(value);
    emit volumeChangeRequested(value);
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
