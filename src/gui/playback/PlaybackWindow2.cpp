#include "gui/playback/PlaybackWindow2.h"

#include "core/CameraEndpoint.h"
#include "gui/DialogSeam.h"
#include "gui/playback/PlaylistScheduler.h"
#include "gui/playback/VideoPlaceholderWidget.h"
#include "gui/playback/controls/ControlPanel.h"
#include "gui/video/VideoContainer.h"
#include "gui/video/VideoPlayer.h"
#include "gui/video/VideoWidget.h"
#include "ui_PlaybackWindow2.h"
#include "utils/Intervals.h"
#include "utils/SettingsKeys.h"

#include <QDebug>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPointer>
#include <QStandardPaths>
#include <QTextBoundaryFinder>
#include <QTimer>
#include <QTimerEvent>
#include <QVBoxLayout>

namespace QuorvelClient {
namespace GUI {

namespace {

const int kMaxCameras = 16;
const int kMaxArchiveCameras = 9;
const int kClockFeedMs = 500;
const int kSchedulerStepMs = 200;

enum Mode { ModeNone = 0, ModeLive = 1, ModeArchive = 2 };

// How long a file name may be on the usual file systems, in bytes of UTF-8.
const qsizetype kMaxFileNameBytes = 255;

// The camera's part of a proposed image name: whole when it fits in `room` bytes of UTF-8, else cut between two
// letters so that it does. Only the beginning is read: every UTF-16 unit takes at least one byte.
QString fittedName(const QString& name, qsizetype room)
{
    const QString head = name.left(room + 1);
    if (head.toUtf8().size() <= room)
        return head;
    QTextBoundaryFinder letters(QTextBoundaryFinder::Grapheme, head);
    qsizetype cut = 0;
    qsizetype bytes = 0;
    for (qsizetype next = letters.toNextBoundary(); next > 0; next = letters.toNextBoundary()) {
        bytes += QStringView(head).sliced(cut, next - cut).toUtf8().size();
        if (bytes > room)
            break;
        cut = next;
    }
    return head.left(cut);
}

} // namespace

namespace Internal {

class PlaybackWindow2Private
{
public:
    int mode = ModeNone;
    VideoContainer* videoContainer = nullptr;
    // The player on which the zone search was started; kept until it closes or all cameras go.
    QPointer<VideoWidget> searchWidget;
    VideoPlaceholderWidget* placeholder = nullptr;
    ControlPanel* controlPanel = nullptr;
    PlaylistScheduler scheduler;
    int playlistTimerId = -1;
    // Archive plays: the schedule runs, or waits for work, unless the user paused it or the watch limit stopped it.
    bool scheduling = false;
    QString imageFolder;
    bool playing = false;
    QTimer* watchTimer = nullptr;
    QDateTime watchStart;
    int limitedCameras = 0;
    int clockTimerId = 0;

    int openCameras() const { return controlPanel->cameras().size(); }
    int players() const { return videoContainer->players().size(); }
};

} // namespace Internal

PlaybackWindow2::PlaybackWindow2(QWidget* parent)
    : QWidget(parent), ui(new Ui::PlaybackWindow2), d(std::make_shared<Internal::PlaybackWindow2Private>())
{
    d->imageFolder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    ui->setupUi(this);

    auto* layout = new QVBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    d->controlPanel = new ControlPanel;
    d->controlPanel->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    d->videoContainer = new VideoContainer;
    d->videoContainer->setVolume(d->controlPanel->volume());
    d->videoContainer->setQuality(d->controlPanel->quality());

    d->placeholder = new VideoPlaceholderWidget;
    connect(d->placeholder, &VideoPlaceholderWidget::continueClicked, this, &PlaybackWindow2::onContinueClicked);

    layout->addWidget(d->videoContainer, 2);
    layout->addWidget(d->placeholder, 2);
    layout->addWidget(d->controlPanel, 0);
    d->placeholder->hide();
    ui->frame->setLayout(layout);
    ui->frameClose->hide();

    ControlPanel* panel = d->controlPanel;
    VideoContainer* container = d->videoContainer;
    connect(panel, &ControlPanel::paused, this, &PlaybackWindow2::pause);
    connect(panel, &ControlPanel::rotateRightRequested, container, &VideoContainer::rotateRight);
    connect(panel, &ControlPanel::playArchiveRequested, this, &PlaybackWindow2::playArchive);
    connect(panel, &ControlPanel::liveVideoRequested, this, &PlaybackWindow2::playLive);
    connect(panel, &ControlPanel::qualityChangeRequested, this, &PlaybackWindow2::onQualityChangeRequested);
    connect(panel, &ControlPanel::speedChangeRequested, this, &PlaybackWindow2::onSpeedChangeRequested);
    connect(panel, &ControlPanel::volumeChangeRequested, container, &VideoContainer::setVolume);
    connect(panel, &ControlPanel::saveImageRequested, this, &PlaybackWindow2::onSaveImageRequested);
    connect(panel, &ControlPanel::playlistAdded, this, &PlaybackWindow2::updatePlaylist);
    connect(panel, &ControlPanel::relogin, this, &PlaybackWindow2::relogin);
    connect(panel, &ControlPanel::showMessage, this, &PlaybackWindow2::showMessage);
    connect(panel, &ControlPanel::exportAccepted, this, &PlaybackWindow2::exportAccepted);
    connect(panel, &ControlPanel::searchStartRequested, this, &PlaybackWindow2::onSearchStartRequested);
    connect(panel, &ControlPanel::searchAccepted, this, &PlaybackWindow2::onSearchAccepted);
    connect(panel, &ControlPanel::searchCanceled, this, &PlaybackWindow2::onSearchCanceled);
    connect(panel, &ControlPanel::searchClosed, this, &PlaybackWindow2::onSearchClosed);
    connect(container, &VideoContainer::cameraClosed, this, &PlaybackWindow2::onCameraClosed);
    connect(container, &VideoContainer::activeCameraChanged, this, &PlaybackWindow2::onActiveCameraChanged);
    connect(container, &VideoContainer::playerStateChanged, this, &PlaybackWindow2::handlePlayerState);
    connect(ui->btnClose, &QPushButton::clicked, this, &PlaybackWindow2::removeAllCameras);

    d->clockTimerId = startTimer(kClockFeedMs);

    d->watchTimer = new QTimer(this);
    d->watchTimer->setObjectName(QStringLiteral("watchTimer"));
    d->watchTimer->setInterval(Utils::intervalMs(Utils::Interval::WatchLimit));
    connect(d->watchTimer, &QTimer::timeout, this, &PlaybackWindow2::onMaxViewDurationReached);
}

PlaybackWindow2::~PlaybackWindow2()
{
    // The container reports its closing players; nobody is left to hear it.
    d->videoContainer->disconnect(this);
    delete d->controlPanel;
    delete d->videoContainer;
}

void PlaybackWindow2::addCameras(Core::GlobalCameraList cameras)
{
    const Core::GlobalCameraList open = d->controlPanel->cameras();
    QList<Core::CameraPtr> list;
    int fresh = 0;
    for (auto it = cameras.cbegin(); it != cameras.cend(); ++it) {
        if (!it.value()) {
            qDebug() << "Skipped a camera without record:" << it.key();
            continue;
        }
        list.append(it.value());
        if (!open.contains(it.key()))
            ++fresh;
    }
    const QString archiveLimit = tr("You can open up to %1 archives simultaneously").arg(kMaxArchiveCameras);
    if (fresh == 0) {
        emit showMessage(tr("That cameras are already opened"));
        return;
    }
    if (open.size() >= kMaxArchiveCameras && d->mode == ModeArchive) {
        emit showMessage(archiveLimit);
        return;
    }
    if (d->mode != ModeArchive)
        d->controlPanel->setArchiveEnabled(open.size() + fresh <= kMaxArchiveCameras);

    QList<Core::CameraPtr> accepted;
    for (const Core::CameraPtr& camera : std::as_const(list)) {
        if (d->openCameras() >= kMaxArchiveCameras && d->mode == ModeArchive) {
            emit showMessage(archiveLimit);
        } else if (d->openCameras() < kMaxCameras) {
            d->controlPanel->addCamera(camera);
            accepted.append(camera);
        }
    }

    for (const Core::CameraPtr& camera : std::as_const(accepted)) {
        if (d->players() >= kMaxCameras)
            continue;
        VideoWidget* widget = d->videoContainer->addCamera(camera);
        if (!widget)
            continue;
        if (d->mode == ModeArchive) {
            widget->setArchiveMode();
        } else {
            d->mode = ModeLive;
            widget->playLive(d->videoContainer->quality());
        }
        // Unique: a camera opened again must not restart its stream twice per change.
        connect(camera.get(), &Core::Camera::flagsChanged, this, &PlaybackWindow2::onCameraStateChanged,
                Qt::UniqueConnection);
        if (Core::CameraEndpoint::kindOf(*camera) == Core::CameraEndpoint::ServerKind::Account)
            ++d->limitedCameras;
        emit cameraOpened(camera);
    }

    if (d->limitedCameras > 0)
        startWatchLimit();
    if (d->players() > 1)
        emit closeAllNeeded(true);
}

void PlaybackWindow2::addCamera(Core::CameraPtr camera)
{
    if (!camera || d->players() >= kMaxCameras)
        return;
    if (d->openCameras() >= kMaxArchiveCameras && d->mode == ModeArchive) {
        emit showMessage(tr("You can open up to %1 archives simultaneously").arg(kMaxArchiveCameras));
        return;
    }
    d->controlPanel->setArchiveEnabled(d->openCameras() < kMaxArchiveCameras);
    VideoWidget* widget = d->videoContainer->addCamera(camera);
    if (!widget)
        return;
    d->controlPanel->addCamera(camera);
    if (d->mode != ModeArchive) {
        d->mode = ModeLive;
        widget->playLive(d->videoContainer->quality());
    }
    if (Core::CameraEndpoint::kindOf(*camera) == Core::CameraEndpoint::ServerKind::Account) {
        ++d->limitedCameras;
        startWatchLimit();
    }
    if (d->players() > 1)
        emit closeAllNeeded(true);
    emit cameraOpened(camera);
}

void PlaybackWindow2::removeAllCameras()
{
    d->watchTimer->stop();
    d->videoContainer->removeAllCameras();
    d->controlPanel->removeAllCameras();
    d->scheduler.clear();
    d->limitedCameras = 0;
    hidePlaceholder();
    d->searchWidget = nullptr;
    emit closeAllNeeded(false);
    emit allCamerasClosed();
}

void PlaybackWindow2::playLive()
{
    hidePlaceholder();
    d->mode = ModeLive;
    d->scheduling = false;
    stopScheduler();
    d->scheduler.clear();
    for (VideoPlayer* player : d->videoContainer->players()) {
        if (VideoWidget* widget = player->videoWidget())
            widget->playLive(d->controlPanel->quality());
    }
    if (d->limitedCameras > 0)
        startWatchLimit();
}

void PlaybackWindow2::playArchive()
{
    hidePlaceholder();
    const Playlist playlist = d->controlPanel->playlist();
    if (playlist.isEmpty())
        return;
    d->mode = ModeArchive;
    d->videoContainer->stopPlayback(false);
    d->scheduler.setPlaylist(playlist);
    d->videoContainer->setBaseTime(playlist.constFirst().startTime);
    // The strip's clock leaves the live time at once: it shows again as soon as a player starts, before the next
    // tick feeds it, and the records of a camera that come in meanwhile are scheduled from it.
    d->controlPanel->setCurrentTime(playlist.constFirst().startTime);
    d->scheduling = true;
    startScheduler();
    if (d->limitedCameras > 0)
        startWatchLimit();
}

void PlaybackWindow2::updatePlaylist()
{
    const ContainerPlayers players(*d->videoContainer);
    d->scheduler.merge(d->controlPanel->playlist(), players.players());
    // A camera opened while archive plays joins the clock even when the schedule had nothing left to do.
    wakeScheduler();
}

void PlaybackWindow2::setSound(bool on)
{
    d->videoContainer->setSound(on);
}

void PlaybackWindow2::onExportStarted()
{
    d->controlPanel->onExportStarted();
}

void PlaybackWindow2::onExportFinished()
{
    d->controlPanel->onExportFinished();
}

void PlaybackWindow2::onExportError()
{
    d->controlPanel->onExportError();
}

void PlaybackWindow2::pause(bool paused)
{
    if (d->mode == ModeArchive) {
        d->scheduling = !paused;
        paused ? stopScheduler() : startScheduler();
    }
    d->videoContainer->pause(paused);
}

void PlaybackWindow2::stop(bool value)
{
    if (d->mode == ModeArchive) {
        d->scheduling = !value;
        value ? stopScheduler() : startScheduler();
    }
    if (value) {
        d->videoContainer->stopPlayback(true);
    } else if (d->mode != ModeArchive) {
        d->videoContainer->continuePlayback();
    } else {
        // A player whose first entry is not due yet has no request to repeat; the schedule starts it.
        for (VideoPlayer* player : d->videoContainer->players()) {
            VideoWidget* widget = player->videoWidget();
            if (widget && d->scheduler.hasStarted(widget->camera().get()))
                widget->retryLastRequest(-1);
        }
    }
}

// Every player was paused and resumed, or stopped and asked again, together: none is held by the scheduler.
void PlaybackWindow2::startScheduler()
{
    stopScheduler();
    d->scheduler.forgetPauses();
    d->playlistTimerId = startTimer(kSchedulerStepMs);
}

void PlaybackWindow2::stopScheduler()
{
    if (d->playlistTimerId != -1)
        killTimer(d->playlistTimerId);
    d->playlistTimerId = -1;
}

// The schedule stands once its last entry has started while fewer than two players play; new entries, or a second
// player playing again (a retry), give it work again.
void PlaybackWindow2::wakeScheduler()
{
    if (d->mode != ModeArchive || !d->scheduling || d->playlistTimerId != -1)
        return;
    const ContainerPlayers players(*d->videoContainer);
    if (d->scheduler.needsSteps(players.players()))
        d->playlistTimerId = startTimer(kSchedulerStepMs);
}

void PlaybackWindow2::onSearchStartRequested()
{
    VideoWidget* widget = d->videoContainer->activeWidget();
    if (!widget)
        return;
    d->searchWidget = widget;
    widget->startArchiveSearch();
}

void PlaybackWindow2::onSearchAccepted()
{
    VideoWidget* widget = d->searchWidget;
    if (!widget)
        return;
    widget->hideArchiveSearch();
    widget->showArchiveSearchZone();
    d->controlPanel->searchArchive(widget->camera(), widget->searchZoneX1(), widget->searchZoneY1(),
                                   widget->searchZoneX2(), widget->searchZoneY2());
}

void PlaybackWindow2::onSearchCanceled()
{
    if (d->searchWidget)
        d->searchWidget->hideArchiveSearch();
}

void PlaybackWindow2::onSearchClosed()
{
    onSearchCanceled();
}

void PlaybackWindow2::onCameraClosed(VideoWidget* w)
{
    if (!w || !w->camera())
        return;
    const Core::CameraPtr camera = w->camera();
    if (w == d->searchWidget) {
        d->controlPanel->onSearchClosed(true);
        d->searchWidget = nullptr;
    }
    const Core::QualitySettings::Type quality = d->controlPanel->quality();
    d->controlPanel->removeCamera(camera->globalId());
    if (d->openCameras() <= kMaxArchiveCameras)
        d->controlPanel->setArchiveEnabled(true);
    d->scheduler.removeCamera(camera.get());
    if (d->players() == 0)
        d->mode = ModeNone;
    else if (d->controlPanel->quality() != quality)
        d->videoContainer->setQuality(d->controlPanel->quality());
    if (d->openCameras() == 0)
        d->scheduler.clear();
    if (d->players() == 0)
        emit closeAllNeeded(false);
    // A closed player reports no state of its own; without this the strip would go on showing a clock.
    updatePlaying();
    if (Core::CameraEndpoint::kindOf(*camera) == Core::CameraEndpoint::ServerKind::Account && --d->limitedCameras == 0)
        d->watchTimer->stop();
    emit cameraClosed(camera);
}

void PlaybackWindow2::onActiveCameraChanged(Core::CameraPtr camera)
{
    if (camera)
        d->controlPanel->setActiveCamera(camera->globalId());
}

void PlaybackWindow2::onCameraStateChanged(Core::Camera::CameraFlags flags)
{
    Q_UNUSED(flags);
    if (d->mode != ModeLive)
        return;
    auto* camera = qobject_cast<Core::Camera*>(sender());
    if (!camera)
        return;
    if (VideoWidget* widget = d->videoContainer->findWidget(camera->globalId()))
        widget->playLive(d->controlPanel->quality());
}

void PlaybackWindow2::onQualityChangeRequested()
{
    d->videoContainer->setQuality(d->controlPanel->quality());
}

void PlaybackWindow2::onSpeedChangeRequested()
{
    d->videoContainer->setSpeed(d->controlPanel->speed());
}

void PlaybackWindow2::onSaveImageRequested()
{
    VideoWidget* widget = d->videoContainer->activeWidget();
    if (!widget || !widget->camera())
        return;
    const QString tail = QLatin1Char('_') +
                         d->controlPanel->currentTime().toString(QStringLiteral("dd_MM_yy_hh_mm_ss")) +
                         QStringLiteral(".jpg");
    // "/" too, so that the proposal stays in the image folder; one ASCII sign for another keeps the length.
    QString name = fittedName(widget->camera()->fullName(), kMaxFileNameBytes - tail.toUtf8().size());
    name.replace(QLatin1Char(' '), QLatin1Char('_'))
        .replace(QLatin1Char(':'), QLatin1Char('_'))
        .replace(QLatin1Char('/'), QLatin1Char('_'));
    const QString proposed = d->imageFolder + QLatin1Char('/') + name + tail;

    QFileDialog dialog(this, tr("Save image as"), proposed, tr("Images (*.jpg *.png)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    if (DialogSeam::exec(&dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString fileName = dialog.selectedFiles().constFirst();
    if (fileName.isEmpty())
        return;

    d->imageFolder = QFileInfo(fileName).absolutePath();
    qDebug() << "Save frame to:" << fileName << ". Saved path:" << d->imageFolder;
    if (!d->videoContainer->saveCurrentFrame(fileName)) {
        qWarning() << "Cannot save frame to:" << fileName;
        emit showMessage(tr("Cannot save the image to %1").arg(QDir::toNativeSeparators(fileName)));
    }
}

void PlaybackWindow2::handlePlayerState(VideoWidget* widget)
{
    if (!widget)
        return;
    updatePlaying();
    const VideoWidget::PlayerState state = widget->playerState();
    if ((state == VideoWidget::Stopped || state == VideoWidget::Ended) && d->mode == ModeArchive && d->playing)
        widget->setCurrentTime(d->videoContainer->currentTime());
    wakeScheduler();
}

void PlaybackWindow2::updatePlaying()
{
    const bool playing = d->videoContainer->isPlaying();
    if (playing == d->playing)
        return;
    d->playing = playing;
    if (playing) {
        d->controlPanel->setPlaybackState(ControlPanel::TimeShown);
        if (d->limitedCameras > 0 && !d->watchTimer->isActive())
            startWatchLimit();
    } else {
        d->controlPanel->setPlaybackState(ControlPanel::NoTimeShown);
        // An interruption ends the watch period; the next one starts from zero.
        d->watchTimer->stop();
    }
}

void PlaybackWindow2::startWatchLimit()
{
    if (d->limitedCameras <= 0 || Utils::Keys::noWatchLimit().value())
        return;
    d->watchTimer->start(Utils::intervalMs(Utils::Interval::WatchLimit));
    d->watchStart = QDateTime::currentDateTime();
}

void PlaybackWindow2::onMaxViewDurationReached()
{
    d->watchTimer->stop();
    if (Utils::Keys::noWatchLimit().value())
        return;
    const QTime watched = QTime(0, 0).addSecs(d->watchStart.secsTo(QDateTime::currentDateTime()));
    d->placeholder->setInfo(d->watchStart, watched);
    d->placeholder->show();
    ui->frameClose->show();
    d->videoContainer->hide();
    stop(true);
}

void PlaybackWindow2::onContinueClicked()
{
    stop(false);
    hidePlaceholder();
    startWatchLimit();
}

void PlaybackWindow2::hidePlaceholder()
{
    d->videoContainer->show();
    ui->frameClose->hide();
    d->placeholder->hide();
}

void PlaybackWindow2::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == d->playlistTimerId) {
        // Before the step: a stream it starts has not left its first state yet.
        updatePlaying();
        const ContainerPlayers players(*d->videoContainer);
        if (!d->scheduler.step(players.players(), d->controlPanel->quality(), d->controlPanel->speed()))
            stopScheduler();
    } else if (event->timerId() == d->clockTimerId) {
        updatePlaying();
        d->controlPanel->setCurrentTime(d->videoContainer->currentTime());
    } else {
        QWidget::timerEvent(event);
    }
}

} // namespace GUI
} // namespace QuorvelClient
