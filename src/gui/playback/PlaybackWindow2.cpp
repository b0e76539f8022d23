#include "gui/playback/PlaybackWindow2.h"

#include "core/CameraEndpoint.h"
#include "gui/DialogSeam.h"
#include "gui/playback/controls/ControlPanel.h"
#include "gui/video/VideoContainer.h"
#include "gui/video/VideoPlayer.h"
#include "gui/video/VideoWidget.h"
#include "ui_PlaybackWindow2.h"

#include <QDebug>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimerEvent>
#include <QVBoxLayout>

namespace QuorvelClient {
namespace GUI {

namespace {

const int kMaxCameras = 16;
const int kMaxArchiveCameras = 9;
const int kClockFeedMs = 500;

enum Mode { ModeNone = 0, ModeLive = 1, ModeArchive = 2 };

} // namespace

namespace Internal {

class PlaybackWindow2Private
{
public:
    int mode = ModeNone;
    VideoContainer* videoContainer = nullptr;
    ControlPanel* controlPanel = nullptr;
    QString imageFolder;
    bool playing = false;
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

    layout->addWidget(d->videoContainer, 2);
    layout->addWidget(d->controlPanel, 0);
    ui->frame->setLayout(layout);
    ui->frameClose->hide();

    ControlPanel* panel = d->controlPanel;
    VideoContainer* container = d->videoContainer;
    connect(panel, &ControlPanel::paused, this, &PlaybackWindow2::pause);
    connect(panel, &ControlPanel::rotateRightRequested, container, &VideoContainer::rotateRight);
    connect(panel, &ControlPanel::liveVideoRequested, this, &PlaybackWindow2::playLive);
    connect(panel, &ControlPanel::qualityChangeRequested, this, &PlaybackWindow2::onQualityChangeRequested);
    connect(panel, &ControlPanel::speedChangeRequested, this, &PlaybackWindow2::onSpeedChangeRequested);
    connect(panel, &ControlPanel::volumeChangeRequested, container, &VideoContainer::setVolume);
    connect(panel, &ControlPanel::saveImageRequested, this, &PlaybackWindow2::onSaveImageRequested);
    connect(panel, &ControlPanel::relogin, this, &PlaybackWindow2::relogin);
    connect(panel, &ControlPanel::showMessage, this, &PlaybackWindow2::showMessage);
    connect(panel, &ControlPanel::exportAccepted, this, &PlaybackWindow2::exportAccepted);
    connect(container, &VideoContainer::cameraClosed, this, &PlaybackWindow2::onCameraClosed);
    connect(container, &VideoContainer::activeCameraChanged, this, &PlaybackWindow2::onActiveCameraChanged);
    connect(container, &VideoContainer::playerStateChanged, this, &PlaybackWindow2::handlePlayerState);
    connect(ui->btnClose, &QPushButton::clicked, this, &PlaybackWindow2::removeAllCameras);

    d->clockTimerId = startTimer(kClockFeedMs);
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
    if (Core::CameraEndpoint::kindOf(*camera) == Core::CameraEndpoint::ServerKind::Account)
        ++d->limitedCameras;
    if (d->players() > 1)
        emit closeAllNeeded(true);
    emit cameraOpened(camera);
}

void PlaybackWindow2::removeAllCameras()
{
    d->videoContainer->removeAllCameras();
    d->controlPanel->removeAllCameras();
    d->limitedCameras = 0;
    emit closeAllNeeded(false);
    emit allCamerasClosed();
}

void PlaybackWindow2::playLive()
{
    d->mode = ModeLive;
    for (VideoPlayer* player : d->videoContainer->players()) {
        if (VideoWidget* widget = player->videoWidget())
            widget->playLive(d->controlPanel->quality());
    }
}

void PlaybackWindow2::setSound(bool on)
{
    d->videoContainer->setSound(on);
}

void PlaybackWindow2::pause(bool paused)
{
    d->videoContainer->pause(paused);
}

void PlaybackWindow2::onCameraClosed(VideoWidget* w)
{
    if (!w || !w->camera())
        return;
    const Core::CameraPtr camera = w->camera();
    const Core::QualitySettings::Type quality = d->controlPanel->quality();
    d->controlPanel->removeCamera(camera->globalId());
    if (d->openCameras() <= kMaxArchiveCameras)
        d->controlPanel->setArchiveEnabled(true);
    if (d->players() == 0)
        d->mode = ModeNone;
    else if (d->controlPanel->quality() != quality)
        d->videoContainer->setQuality(d->controlPanel->quality());
    if (d->players() == 0)
        emit closeAllNeeded(false);
    // A closed player reports no state of its own; without this the strip would go on showing a clock.
    updatePlaying();
    if (Core::CameraEndpoint::kindOf(*camera) == Core::CameraEndpoint::ServerKind::Account)
        --d->limitedCameras;
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
    // "/" too, so that the proposal stays in the image folder.
    QString name = widget->camera()->fullName();
    name.replace(QLatin1Char(' '), QLatin1Char('_'))
        .replace(QLatin1Char(':'), QLatin1Char('_'))
        .replace(QLatin1Char('/'), QLatin1Char('_'));
    const QString proposed = d->imageFolder + QLatin1Char('/') + name + QLatin1Char('_') +
                             d->controlPanel->currentTime().toString(QStringLiteral("dd_MM_yy_hh_mm_ss")) +
                             QStringLiteral(".jpg");

    QFileDialog dialog(this, tr("Save image as"), proposed, tr("Images (*.jpg *.png)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    if (DialogSeam::exec(&dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString fileName = dialog.selectedFiles().constFirst();
    if (fileName.isEmpty())
        return;

    d->imageFolder = QFileInfo(fileName).absolutePath();
    qDebug() << "Save frame to:" << fileName << ". Saved path:" << d->imageFolder;
    // The frame goes out without a word on failure; a file that was not (re)written tells it.
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    d->videoContainer->saveCurrentFrame(fileName);
    const QFileInfo written(fileName);
    if (!written.exists() || written.size() == 0 || written.lastModified() < before) {
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
}

void PlaybackWindow2::updatePlaying()
{
    const bool playing = d->videoContainer->isPlaying();
    if (playing == d->playing)
        return;
    d->playing = playing;
    d->controlPanel->setPlaybackState(playing ? ControlPanel::TimeShown : ControlPanel::NoTimeShown);
}

void PlaybackWindow2::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == d->clockTimerId)
        d->controlPanel->setCurrentTime(d->videoContainer->currentTime());
    else
        QWidget::timerEvent(event);
}

} // namespace GUI
} // namespace QuorvelClient
