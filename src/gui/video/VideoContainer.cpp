#include "gui/video/VideoContainer.h"

#include "gui/video/VideoPlayer.h"

#include <QCloseEvent>
#include <QDebug>
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QVBoxLayout>

namespace QuorvelClient {
namespace GUI {

namespace {

const int kErrorCheckInterval = 10000;

struct Grid
{
    int columns;
    int rows;
};

Grid tileGrid(int count)
{
    if (count <= 1)
        return {1, 1};
    if (count == 2)
        return {2, 1};
    if (count <= 4)
        return {2, 2};
    if (count <= 6)
        return {3, 2};
    if (count <= 9)
        return {3, 3};
    if (count <= 12)
        return {4, 3};
    return {4, 4};
}

} // namespace

namespace Internal {

class VideoContainerPrivate
{
public:
    QLabel* placeholder = nullptr;
    QList<VideoPlayer*> players;
    VideoContainer::Mode mode = VideoContainer::Tile;
    QPointer<VideoPlayer> activePlayer;
    QDateTime baseTime = QDateTime::currentDateTime();
    int volume = 100;
    bool sound = false;
    Core::QualitySettings::Type quality = Core::QualitySettings::High;
    Core::ArchivePlaySpeed speed = Core::SpeedX1;
    QTimer errorTimer;

    QList<VideoWidget*> widgets() const
    {
        QList<VideoWidget*> result;
        for (VideoPlayer* player : players) {
            if (VideoWidget* widget = player->videoWidget())
                result.append(widget);
        }
        return result;
    }
};

} // namespace Internal

VideoContainer::VideoContainer(QWidget* parent)
    : QWidget(parent), d(std::make_shared<Internal::VideoContainerPrivate>())
{
    setMouseTracking(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::All, backgroundRole(), Qt::black);
    setPalette(palette);
    setAutoFillBackground(true);

    auto* layout = new QVBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    d->placeholder = new QLabel(tr("Select camera"));
    d->placeholder->setObjectName(QStringLiteral("placeholder"));
    d->placeholder->setStyleSheet(QStringLiteral("background-color:black; color: white; font: 36pt"));
    d->placeholder->setAlignment(Qt::AlignCenter);
    layout->addWidget(d->placeholder);
    setLayout(layout);

    // A child, so that the check can be found and inspected; the private object releases it before the base does.
    d->errorTimer.setParent(this);
    d->errorTimer.setObjectName(QStringLiteral("errorTimer"));
    d->errorTimer.setInterval(kErrorCheckInterval);
    connect(&d->errorTimer, &QTimer::timeout, this, &VideoContainer::checkErrors);
}

VideoContainer::~VideoContainer() = default;

VideoContainer::Mode VideoContainer::mode() const
{
    return d->mode;
}

Core::QualitySettings::Type VideoContainer::quality() const
{
    return d->quality;
}

Core::ArchivePlaySpeed VideoContainer::speed() const
{
    return d->speed;
}

QDateTime VideoContainer::baseTime() const
{
    return d->baseTime;
}

VideoWidget* VideoContainer::activeWidget() const
{
    return d->activePlayer ? d->activePlayer->videoWidget() : nullptr;
}

QList<VideoPlayer*> VideoContainer::players() const
{
    return d->players;
}

bool VideoContainer::isPlaying() const
{
    for (VideoWidget* widget : d->widgets()) {
        if (widget->isPlaying())
            return true;
    }
    return false;
}

QDateTime VideoContainer::currentTime() const
{
    QDateTime result = d->baseTime;
    if (!isPlaying())
        return result;
    result = QDateTime::currentDateTime();
    for (VideoWidget* widget : d->widgets()) {
        const QDateTime time = widget->currentTime();
        if (time < result && widget->isPlaying())
            result = time;
    }
    return result;
}

VideoPlayer* VideoContainer::findPlayer(const Core::camera_global_id_t& cameraId) const
{
    for (VideoPlayer* player : d->players) {
        VideoWidget* widget = player->videoWidget();
        if (widget && widget->camera() && widget->camera()->globalId() == cameraId)
            return player;
    }
    return nullptr;
}

VideoWidget* VideoContainer::findWidget(const Core::camera_global_id_t& cameraId) const
{
    VideoPlayer* player = findPlayer(cameraId);
    return player ? player->videoWidget() : nullptr;
}

void VideoContainer::setSpeed(Core::ArchivePlaySpeed speed)
{
    if (speed == d->speed)
        return;
    qDebug() << "set speed:" << int(speed);
    d->speed = speed;
    for (VideoWidget* widget : d->widgets())
        widget->setSpeed(speed);
}

void VideoContainer::setQuality(Core::QualitySettings::Type quality)
{
    if (quality == d->quality)
        return;
    qDebug() << "set quality:" << Core::QualitySettings::toString(quality);
    d->quality = quality;
    for (VideoWidget* widget : d->widgets())
        widget->setQuality(quality);
}

VideoWidget* VideoContainer::addCamera(Core::CameraPtr camera)
{
    if (!camera)
        return nullptr;
    if (VideoPlayer* shown = findPlayer(camera->globalId())) {
        shown->blink();
        return nullptr;
    }
    if (d->players.size() >= kMaxPlayers)
        return nullptr;

    auto* widget = new VideoWidget(camera);
    auto* player = new VideoPlayer(widget);
    player->setSound(d->sound);
    player->setVolume(d->volume);
    addWidget(player);

    widget->setSingle(d->players.size() == 1);
    if (d->players.size() == 2) {
        if (VideoWidget* first = d->players.first()->videoWidget())
            first->setSingle(false);
    }
    return widget;
}

void VideoContainer::removeCamera(Core::camera_global_id_t cameraId)
{
    if (VideoPlayer* player = findPlayer(cameraId))
        player->close();
}

void VideoContainer::removeAllCameras()
{
    const QList<VideoPlayer*> players = d->players;
    for (VideoPlayer* player : players)
        player->close();
}

void VideoContainer::addWidget(VideoPlayer* player)
{
    if (!player || d->players.size() >= kMaxPlayers)
        return;
    if (d->players.isEmpty()) {
        d->errorTimer.start(kErrorCheckInterval);
        setActivePlayer(player);
        player->setOverlayVisible(false);
    } else {
        player->setActive(false);
        if (d->players.size() == 1)
            d->players.first()->setOverlayVisible(true);
    }
    player->setParent(this);
    connect(player, &VideoPlayer::mousePressed, this, &VideoContainer::childActivated);
    connect(player, &VideoPlayer::aboutToClose, this, &VideoContainer::childClosed);
    if (VideoWidget* widget = player->videoWidget())
        connect(widget, &VideoWidget::playerStateChanged, this, &VideoContainer::onPlayerStateChanged);
    d->players.append(player);
    player->show();
    updateLayout();
    qDebug() << "Add widget. Total:" << d->players.size();
}

void VideoContainer::setBaseTime(QDateTime time)
{
    d->baseTime = time;
}

void VideoContainer::stopPlayback(bool saveMode)
{
    d->baseTime = currentTime();
    for (VideoWidget* widget : d->widgets())
        widget->stop(saveMode);
}

void VideoContainer::stopPlayback()
{
    stopPlayback(false);
}

void VideoContainer::continuePlayback()
{
    for (VideoWidget* widget : d->widgets())
        widget->retryLastRequest(-1);
}

bool VideoContainer::saveCurrentFrame(QString filename)
{
    return d->activePlayer && d->activePlayer->saveCurrentFrame(filename);
}

void VideoContainer::setArchiveMode()
{
    for (VideoWidget* widget : d->widgets())
        widget->setArchiveMode();
}

void VideoContainer::checkErrors()
{
    for (VideoWidget* widget : d->widgets()) {
        if (widget->playerState() == VideoWidget::Error)
            widget->retryLastRequest(-1);
    }
}

void VideoContainer::setMode(Mode mode)
{
    d->mode = mode;
    updateLayout();
}

void VideoContainer::pause(bool paused)
{
    for (VideoWidget* widget : d->widgets()) {
        if (paused)
            widget->pause();
        else
            widget->unPause();
    }
}

void VideoContainer::rotateRight()
{
    if (VideoWidget* widget = activeWidget())
        widget->addRotation(90.0);
}

void VideoContainer::setVolume(int value)
{
    d->volume = value;
    for (VideoPlayer* player : d->players)
        player->setVolume(value);
}

void VideoContainer::setSound(bool on)
{
    d->sound = on;
    for (VideoPlayer* player : d->players)
        player->setSound(on);
}

void VideoContainer::childActivated()
{
    auto* player = qobject_cast<VideoPlayer*>(sender());
    if (!player)
        return;
    setActivePlayer(player);
    updateLayout();
}

void VideoContainer::childClosed(VideoPlayer* player)
{
    // A player closed twice (or never added) is reported once at most.
    if (!player || !d->players.contains(player))
        return;
    d->players.removeAll(player);
    VideoWidget* widget = player->videoWidget();
    disconnect(player, nullptr, this, nullptr);
    if (widget)
        disconnect(widget, nullptr, this, nullptr);

    if (d->activePlayer == player)
        setActivePlayer(d->players.isEmpty() ? nullptr : d->players.first());
    if (d->players.size() == 1) {
        VideoPlayer* last = d->players.first();
        if (VideoWidget* lastWidget = last->videoWidget())
            lastWidget->setSingle(true);
        last->setOverlayVisible(false);
    }
    updateLayout();
    emit cameraClosed(widget);

    // The close may have come from inside the player (its close control): it goes once that event has returned.
    // Until then it neither plays nor reports.
    player->hide();
    if (widget)
        widget->stop();
    player->deleteLater();
    if (d->players.isEmpty())
        d->errorTimer.stop();
}

void VideoContainer::onPlayerStateChanged(VideoWidget::PlayerState state)
{
    Q_UNUSED(state);
    if (auto* widget = qobject_cast<VideoWidget*>(sender()))
        emit playerStateChanged(widget);
}

void VideoContainer::setActivePlayer(VideoPlayer* player)
{
    if (d->activePlayer)
        d->activePlayer->setActive(false);
    d->activePlayer = player;
    if (player) {
        player->setActive(true);
        VideoWidget* widget = player->videoWidget();
        emit activeCameraChanged(widget ? widget->camera() : Core::CameraPtr());
    }
}

void VideoContainer::updateLayout()
{
    d->placeholder->setVisible(d->players.isEmpty());
    if (d->mode == Tile)
        layoutTiles();
    else if (d->mode == Perimeter)
        layoutPerimeter();
}

void VideoContainer::layoutTiles()
{
    const int count = d->players.size();
    if (count == 0)
        return;
    const Grid grid = tileGrid(count);
    const int cellWidth = width() / grid.columns;
    const int cellHeight = height() / grid.rows;
    int column = 0;
    int row = 0;
    for (VideoPlayer* player : d->players) {
        player->resize(cellWidth, cellHeight);
        player->move(column * cellWidth, row * cellHeight);
        if (++column == grid.columns) {
            column = 0;
            ++row;
        }
    }
}

void VideoContainer::layoutPerimeter()
{
    if (d->players.isEmpty())
        return;
    const int w3 = width() / 3;
    const int h3 = height() / 3;
    for (int i = 0; i < d->players.size(); ++i) {
        VideoPlayer* player = d->players.at(i);
        const int k = i + 1;
        if (k == 1) {
            player->resize(2 * w3, 2 * h3);
            player->move(1, 1);
        } else if (k <= 4) {
            player->resize(w3, h3);
            player->move((k - 2) * w3, 2 * h3);
        } else {
            // No bound: a seventh player lands on the fourth's cell and later ones fall below the bottom edge.
            player->resize(w3, h3);
            player->move(2 * w3, (k - 5) * h3);
        }
    }
}

void VideoContainer::resizeEvent(QResizeEvent* event)
{
    Q_UNUSED(event);
    updateLayout();
}

void VideoContainer::closeEvent(QCloseEvent* event)
{
    Q_UNUSED(event);
    const QList<VideoPlayer*> players = d->players;
    for (VideoPlayer* player : players)
        player->close();
    d->players.clear();
    d->errorTimer.stop();
}

} // namespace GUI
} // namespace QuorvelClient
