#include "gui/video/VideoWidget.h"

#include "core/SessionManager.h"
#include "core/media/Vlc.h"
#include "gui/video/VideoSearchZone.h"
#include "utils/Mask.h"
#include "utils/ServiceHosts.h"
#include "utils/Settings.h"
#include "utils/SettingsKeys.h"

#include <QCoreApplication>
#include <QDebug>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QLabel>
#include <QMouseEvent>
#include <QMovie>
#include <QMutex>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QTransform>
#include <QUrl>
#include <QVBoxLayout>

#include <vlc/vlc.h>

#include <atomic>
#include <cstring>
#include <new>
#include <utility>

namespace QuorvelClient {
namespace GUI {

namespace {

const int kPollInterval = 300;
const int kRetryDelay = 500;
const qint64 kRepaintInterval = 44; // 1000 / 22.5 ms, in whole milliseconds
const int kMinBufferWidth = 768;
const int kMinBufferHeight = 576;

enum Mode { ModeNone = 0, ModeLive = 1, ModeArchive = 2 };

const char kLiveQuery[] =
    "/flv/live?server=%1&camera=%2&sessionId=%3&q=%4&vcodec=flv&vcodec=h264&vcodec=mpeg4&acodec=mp3";
const char kArchiveQuery[] = "/flv/archive?server=%1&camera=%2&sessionId=%3&startId=%4&endId=%5&startTime=%6&q=%7"
                             "&vcodec=flv&vcodec=h264&acodec=mp3&speed=%8&vcodec=mpeg4";

Utils::SettingKey<int> rotationKey(const Core::CameraPtr& camera)
{
    const Core::camera_global_id_t id = camera->globalId();
    return Utils::Keys::cameraRotation(id.first, id.second);
}

// Room for a frame of the size: 5 bytes a pixel, at least 768 x 576 pixels.
size_t bufferBytes(int width, int height)
{
    return size_t(5) * size_t(qMax(width, kMinBufferWidth)) * size_t(qMax(height, kMinBufferHeight));
}

} // namespace

namespace Internal {

class VideoWidgetPrivate
{
public:
    VideoWidget::PlayerState state = VideoWidget::NothingSpecial;
    qreal rotation = 0;
    bool sound = false;
    Core::CameraPtr camera;
    QTimer stateTimer;
    QLabel* progressLabel = nullptr;
    QMovie* progressMovie = nullptr;
    QString statusText;
    libvlc_media_player_t* player = nullptr;

    // The image and buffer A are read and written by libvlc's video thread and the GUI thread.
    QImage image;
    mutable QMutex frameMutex;
    int frameWidth = -1;
    int frameHeight = -1;
    mutable QMutex sizeMutex;
    std::atomic<bool> sizeReport{false};
    std::atomic<bool> sizeReportPosted{false};

    Qt::AspectRatioMode scaleMode = Qt::KeepAspectRatio;
    QRect pictureRect;

    QDateTime currentTime;
    QDateTime startTime;
    QDateTime endTime;
    int mode = ModeNone;
    Core::QualitySettings::Type quality = Core::QualitySettings::High;
    Core::ArchivePlaySpeed speed = Core::SpeedX1;
    int startId = 0;
    int endId = 0;
    int retryCount = 0;
    bool retryPending = false;
    std::atomic<bool> painted{true};
    // Whether the picture being decoded goes into buffer A; a picture dropped into B leaves A as it was copied.
    std::atomic<bool> pictureInA{true};
    bool single = false;
    std::atomic<qint64> frameCounter{0};
    QElapsedTimer repaintClock;
    std::unique_ptr<unsigned char[]> bufferA;
    std::unique_ptr<unsigned char[]> bufferB;
    size_t bufferSize = 0;
    int lastState = 0;

    std::unique_ptr<VideoSearchZone> zone;

    // libvlc 3 polls a stream that failed to open as ended; its error event is kept until the next request.
    std::atomic<bool> errorSeen{false};

    static void onPlayerError(const libvlc_event_t*, void* opaque)
    {
        static_cast<VideoWidgetPrivate*>(opaque)->errorSeen = true;
    }

    bool allocateBuffers(int width, int height)
    {
        const size_t bytes = bufferBytes(width, height);
        std::unique_ptr<unsigned char[]> a(new (std::nothrow) unsigned char[bytes]);
        std::unique_ptr<unsigned char[]> b(new (std::nothrow) unsigned char[bytes]);
        if (!a || !b)
            return false;
        bufferA = std::move(a);
        bufferB = std::move(b);
        bufferSize = bytes;
        return true;
    }
};

} // namespace Internal

QuorvelVideoResizeEvent::QuorvelVideoResizeEvent(int videoWidth, int videoHeight, int frameWidth, int frameHeight)
    : QEvent(Type), m_videoWidth(videoWidth), m_videoHeight(videoHeight), m_frameWidth(frameWidth),
      m_frameHeight(frameHeight)
{
}

QuorvelVideoResizeEvent::~QuorvelVideoResizeEvent() = default;

int QuorvelVideoResizeEvent::videoWidth() const
{
    return m_videoWidth;
}

int QuorvelVideoResizeEvent::videoHeight() const
{
    return m_videoHeight;
}

int QuorvelVideoResizeEvent::frameWidth() const
{
    return m_frameWidth;
}

int QuorvelVideoResizeEvent::frameHeight() const
{
    return m_frameHeight;
}

VideoWidget::VideoWidget(Core::CameraPtr camera, QWidget* parent) : QWidget(parent), d(new Internal::VideoWidgetPrivate)
{
    d->camera = camera;
    setMinimumSize(100, 100);

    // A camera that reports no size plays at the size its quality table falls back to.
    QSize size = d->camera->resolution();
    if (size.width() < 1 || size.height() < 1)
        size = QSize(640, 480);
    d->frameWidth = size.width();
    d->frameHeight = size.height();
    qDebug() << "Cam resolution:" << size << ", buf:" << qMax(size.width(), kMinBufferWidth) << "x"
             << qMax(size.height(), kMinBufferHeight);
    const bool buffers = d->allocateBuffers(size.width(), size.height());
    if (!buffers)
        qCritical() << "Cannot allocate frame buffers:" << size;

    if (libvlc_instance_t* instance = Core::Vlc::instance()->libvlcInstance())
        d->player = buffers ? libvlc_media_player_new(instance) : nullptr;
    if (d->player) {
        libvlc_audio_set_mute(d->player, !d->sound);
        libvlc_video_set_format(d->player, "RV32", d->frameWidth, d->frameHeight, d->frameWidth * 4);
        libvlc_event_attach(libvlc_media_player_event_manager(d->player), libvlc_MediaPlayerEncounteredError,
                            &Internal::VideoWidgetPrivate::onPlayerError, d.get());
    }

    setScaleMode(Qt::KeepAspectRatio);
    if (d->player)
        libvlc_video_set_callbacks(d->player, lockCallback, unlockCallback, displayCallback, this);

    QPalette palette = this->palette();
    palette.setBrush(QPalette::All, QPalette::Window, QBrush(Qt::black));
    setPalette(palette);
    setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    d->progressMovie = new QMovie(QStringLiteral(":icons/animated/animated_progress.gif"), QByteArray(), this);
    d->progressLabel = new QLabel(this);
    d->progressLabel->setMovie(d->progressMovie);
    d->progressLabel->setAttribute(Qt::WA_NoSystemBackground);
    d->progressLabel->setStyleSheet(QStringLiteral("background-color:black; color: white; font: 28pt"));
    d->progressLabel->setAlignment(Qt::AlignCenter);
    d->progressLabel->hide();
    layout->addWidget(d->progressLabel);

    connect(&d->stateTimer, &QTimer::timeout, this, &VideoWidget::handlePlayerState);
    connect(this, &VideoWidget::updateNeeded, this, qOverload<>(&QWidget::update));

    addRotation(rotationKey(d->camera).value());

    d->zone.reset(new Internal::VideoSearchZone(this));
    connect(d->zone->closeButton(), &QPushButton::clicked, this, &VideoWidget::hideArchiveSearch);
}

VideoWidget::~VideoWidget()
{
    if (d->player) {
        libvlc_media_player_stop(d->player);
        libvlc_event_detach(libvlc_media_player_event_manager(d->player), libvlc_MediaPlayerEncounteredError,
                            &Internal::VideoWidgetPrivate::onPlayerError, d.get());
        libvlc_media_player_release(d->player);
        d->player = nullptr;
    }
}

Core::CameraPtr VideoWidget::camera() const
{
    return d->camera;
}

VideoWidget::PlayerState VideoWidget::playerState() const
{
    return d->state;
}

bool VideoWidget::isPlaying() const
{
    if (!d->player)
        return false;
    const int state = libvlc_media_player_get_state(d->player);
    return state >= libvlc_Opening && state <= libvlc_Paused;
}

QDateTime VideoWidget::currentTime() const
{
    return d->currentTime;
}

void VideoWidget::setCurrentTime(const QDateTime& time)
{
    d->currentTime = time;
}

libvlc_media_player_t* VideoWidget::mediaPlayer() const
{
    return d->player;
}

QSize VideoWidget::sizeHint() const
{
    QMutexLocker locker(&d->sizeMutex);
    return QSize(d->frameWidth, d->frameHeight);
}

// ---- libvlc's video thread ----

void* VideoWidget::lockCallback(void* opaque, void** planes)
{
    return static_cast<VideoWidget*>(opaque)->lockFrame(planes);
}

void VideoWidget::unlockCallback(void*, void*, void* const*) {}

void VideoWidget::displayCallback(void* opaque, void*)
{
    static_cast<VideoWidget*>(opaque)->displayFrame();
}

void* VideoWidget::lockFrame(void** planes)
{
    int width;
    int height;
    {
        QMutexLocker locker(&d->sizeMutex);
        width = d->frameWidth;
        height = d->frameHeight;
    }
    // The video size is asked for on the GUI thread: asking libvlc from its own video thread can wait for a stop
    // that waits for this thread.
    if (d->sizeReport && !d->sizeReportPosted.exchange(true))
        QCoreApplication::postEvent(this, new QuorvelVideoResizeEvent(-1, -1, width, height));
    const bool intoA = d->painted;
    d->pictureInA = intoA;
    planes[0] = intoA ? d->bufferA.get() : d->bufferB.get();
    return d->bufferA.get();
}

void VideoWidget::displayFrame()
{
    d->painted = false;
    {
        QMutexLocker locker(&d->frameMutex);
        const int width = d->frameWidth;
        const int height = d->frameHeight;
        bool copy = d->pictureInA;
        if (d->image.width() != width || d->image.height() != height) {
            d->image = QImage(width, height, QImage::Format_RGB32);
            copy = true;
        }
        // A picture dropped into buffer B left buffer A as the image already holds it.
        if (copy && !d->image.isNull())
            std::memcpy(d->image.bits(), d->bufferA.get(), size_t(width) * size_t(height) * 4);
    }
    if (d->frameCounter == 0) {
        d->repaintClock.start();
        d->frameCounter = 1;
        emit updateNeeded();
    } else if (d->repaintClock.elapsed() > kRepaintInterval) {
        d->repaintClock.restart();
        emit updateNeeded();
    }
}

// ---- GUI thread ----

bool VideoWidget::event(QEvent* e)
{
    if (e->type() == QuorvelVideoResizeEvent::Type) {
        videoResizeEvent(static_cast<QuorvelVideoResizeEvent*>(e));
        return true;
    }
    return QWidget::event(e);
}

void VideoWidget::videoResizeEvent(QuorvelVideoResizeEvent* event)
{
    if (!d->sizeReport)
        return;
    unsigned width = 0;
    unsigned height = 0;
    if (!d->player || libvlc_video_get_size(d->player, 0, &width, &height) != 0) {
        // Not known yet: the next picture asks again.
        d->sizeReportPosted = false;
        return;
    }
    d->sizeReport = false;
    event->accept();
    qDebug() << "Video size is" << QSize(int(width), int(height));
}

QString VideoWidget::streamBase() const
{
    if (d->camera->serverType() != 0)
        return QStringLiteral("http://") + d->camera->serverId();
    const QString host =
        Utils::Keys::streamerHost().value();
    const QString version = Utils::Keys::streamerVersion().value();
    if (version.isEmpty())
        return QStringLiteral("http://%1").arg(host);
    return QStringLiteral("http://%1/%2").arg(host, version);
}

QString VideoWidget::serverValue() const
{
    return d->camera->serverType() == 0 ? d->camera->serverId() : QStringLiteral("1");
}

QString VideoWidget::sessionValue() const
{
    if (d->camera->serverType() == 1)
        return QString::fromLatin1(QUrl::toPercentEncoding(d->camera->password()));
    Core::SessionManager* session = Core::SessionManager::instance();
    return session ? session->sessionId() : QString();
}

void VideoWidget::playLive(Core::QualitySettings::Type quality)
{
    d->mode = ModeLive;
    if (quality != d->quality) {
        d->quality = quality;
        setFrameSize(Core::QualitySettings::resolution(d->camera, quality));
    }
    d->speed = Core::SpeedX1;
    d->startTime = d->currentTime = QDateTime::currentDateTime();
    d->frameCounter = 0;

    if (d->camera->flags() != Core::Camera::CameraFlags()) {
        stop(false);
        d->state = CameraUnavailable;
        d->statusText = tr("Camera is %1").arg(Core::Camera::flagsToString(d->camera->flags()));
        update();
        return;
    }

    // One pass over the placeholders: an encoded password may hold "%3A" and the like.
    const QString url = streamBase() + QString::fromLatin1(kLiveQuery)
                                           .arg(serverValue(), QString::number(d->camera->id()), sessionValue(),
                                                QString::number(int(d->quality)));
    openVideoUrl(url);
    play();
}

void VideoWidget::playArchive(int startId, int endId, qint64 from, qint64 to, Core::QualitySettings::Type quality,
                              Core::ArchivePlaySpeed speed)
{
    d->mode = ModeArchive;
    if (quality != d->quality) {
        d->quality = quality;
        setFrameSize(Core::QualitySettings::resolution(d->camera, quality));
    }
    d->speed = speed;
    d->startId = startId;
    d->endId = endId;
    d->startTime = d->currentTime = QDateTime::fromSecsSinceEpoch(from);
    d->endTime = QDateTime::fromSecsSinceEpoch(to);
    d->frameCounter = 0;

    const QString url =
        streamBase() + QString::fromLatin1(kArchiveQuery)
                           .arg(serverValue(), QString::number(d->camera->id()), sessionValue(),
                                QString::number(startId), QString::number(endId), QString::number(from),
                                QString::number(int(d->quality)), QString::number(Core::speedMultiplier(speed)));
    openVideoUrl(url);
    play();
}

bool VideoWidget::openVideoUrl(QString videoUrl)
{
    qDebug() << "Play path:" << Utils::maskUrlSecrets(videoUrl);
    if (!d->player)
        return false;
    if (libvlc_media_player_is_playing(d->player))
        libvlc_media_player_stop(d->player);
    // libvlc 3 takes a path given to libvlc_media_new_path for a local file, so URLs go in as locations.
    libvlc_media_t* media =
        libvlc_media_new_location(Core::Vlc::instance()->libvlcInstance(), videoUrl.toLatin1().constData());
    if (!media)
        return false;
    libvlc_media_player_set_media(d->player, media);
    libvlc_media_release(media);
    d->errorSeen = false;
    d->sizeReportPosted = false;
    d->sizeReport = true;
    return true;
}

bool VideoWidget::setFrameSize(const QSize& size)
{
    const int width = size.width();
    const int height = size.height();
    int oldWidth;
    int oldHeight;
    {
        QMutexLocker locker(&d->sizeMutex);
        oldWidth = d->frameWidth;
        oldHeight = d->frameHeight;
    }
    if (width == oldWidth && height == oldHeight)
        return false;
    if (width < 1 || height < 1) {
        qDebug() << "Frame size refused:" << size;
        return false;
    }
    const int narrower = oldWidth - width;
    if (narrower >= 1 && narrower <= 319 && width / height - oldWidth / oldHeight <= 0)
        return false;

    qDebug() << "Set new size:" << size;
    if (d->player)
        libvlc_media_player_stop(d->player);
    // The player is stopped, so no callback touches the buffers while they grow.
    if (size_t(width) * size_t(height) * 4 > d->bufferSize) {
        QMutexLocker locker(&d->frameMutex);
        if (!d->allocateBuffers(width, height)) {
            qDebug() << "Frame size refused, no memory for it:" << size;
            if (d->player)
                libvlc_media_player_play(d->player);
            return false;
        }
    }
    {
        QMutexLocker locker(&d->sizeMutex);
        d->frameWidth = width;
        d->frameHeight = height;
        if (d->player)
            libvlc_video_set_format(d->player, "RV32", width, height, width * 4);
    }
    updatePictureRect();
    if (d->player)
        libvlc_media_player_play(d->player);
    return true;
}

int VideoWidget::polledState() const
{
    if (!d->player)
        return libvlc_Error;
    const int state = libvlc_media_player_get_state(d->player);
    if (d->errorSeen && (state == libvlc_Ended || state == libvlc_Error))
        return libvlc_Error;
    return state;
}

void VideoWidget::handlePlayerState()
{
    qint64 time = d->player ? libvlc_media_player_get_time(d->player) : 0;
    if (d->mode == ModeArchive)
        time *= Core::speedMultiplier(d->speed);
    int state = polledState();
    d->lastState = state;
    if (state >= libvlc_Opening && state <= libvlc_Paused)
        d->currentTime = d->startTime.addMSecs(time);

    if (d->mode == ModeArchive && d->endTime.addSecs(1) < d->currentTime && state >= libvlc_Opening &&
        state <= libvlc_Playing) {
        qDebug() << "STOP (END TIME REACHED): currentTime =" << d->currentTime << "endTime =" << d->endTime;
        stop(true);
        state = polledState();
        d->lastState = state;
    }

    const bool liveOrNone = d->mode != ModeArchive;
    PlayerState next = NothingSpecial;
    bool signalAlways = false;
    switch (state) {
    case libvlc_NothingSpecial:
        clearImage();
        next = NothingSpecial;
        break;
    case libvlc_Opening:
        clearImage();
        next = Opening;
        break;
    case libvlc_Buffering:
        clearImage();
        d->retryCount = 0;
        d->retryPending = false;
        next = Buffering;
        break;
    case libvlc_Playing:
        d->retryCount = 0;
        d->retryPending = false;
        next = Playing;
        break;
    case libvlc_Paused:
        next = Paused;
        break;
    case libvlc_Stopped:
        signalAlways = liveOrNone && d->camera->flags() != Core::Camera::CameraFlags();
        clearImage();
        next = Stopped;
        break;
    case libvlc_Ended:
        clearImage();
        if (!liveOrNone) {
            next = NothingSpecial;
        } else if (d->retryCount <= 2) {
            // One re-issue at a time: a second poll of the same end must not request the stream twice.
            if (!d->retryPending) {
                d->retryPending = true;
                QTimer::singleShot(kRetryDelay, this, qOverload<>(&VideoWidget::retryLastRequest));
            }
            next = NothingSpecial;
        } else {
            d->retryPending = false;
            next = Ended;
        }
        break;
    case libvlc_Error:
        clearImage();
        if (d->retryCount <= 2 && !d->retryPending) {
            d->retryPending = true;
            QTimer::singleShot(kRetryDelay, this, qOverload<>(&VideoWidget::retryLastRequest));
            next = NothingSpecial;
        } else {
            d->retryPending = false;
            next = Error;
        }
        break;
    default:
        next = NothingSpecial;
        break;
    }

    d->statusText = buildStatusText();
    if (next != d->state || signalAlways) {
        d->state = next;
        emit playerStateChanged(next);
        update();
    }
}

void VideoWidget::retryLastRequest(int quality)
{
    d->retryPending = false;
    d->retryCount = d->retryCount < 3 ? d->retryCount + 1 : 1;
    qDebug() << "Retry request for camera:" << d->camera->fullName() << d->retryCount;
    const Core::QualitySettings::Type type = quality < 0 ? d->quality : Core::QualitySettings::Type(quality);
    if (d->mode == ModeLive) {
        playLive(type);
    } else if (d->mode == ModeArchive) {
        playArchive(d->startId, d->endId, d->currentTime.toSecsSinceEpoch(), d->endTime.toSecsSinceEpoch(), type,
                    d->speed);
    } else {
        d->quality = type;
        setFrameSize(Core::QualitySettings::resolution(d->camera, type));
    }
}

void VideoWidget::retryLastRequest()
{
    retryLastRequest(-1);
}

void VideoWidget::play()
{
    if (!d->stateTimer.isActive())
        d->stateTimer.start(kPollInterval);
    if (d->player)
        libvlc_media_player_play(d->player);
}

void VideoWidget::pause()
{
    if (d->player)
        libvlc_media_player_set_pause(d->player, 1);
}

void VideoWidget::togglePause()
{
    if (d->player)
        libvlc_media_player_pause(d->player);
}

void VideoWidget::unPause()
{
    if (d->mode == ModeLive) {
        if (d->player)
            libvlc_media_player_stop(d->player);
        play();
    } else if (d->mode == ModeArchive) {
        if (d->player)
            libvlc_media_player_set_pause(d->player, 0);
    }
}

void VideoWidget::stop(bool saveMode)
{
    if (d->player)
        libvlc_media_player_stop(d->player);
    if (!saveMode)
        d->mode = ModeNone;
}

void VideoWidget::stop()
{
    stop(false);
}

void VideoWidget::setSound(bool on)
{
    if (on == d->sound)
        return;
    d->sound = on;
    if (d->player)
        libvlc_audio_set_mute(d->player, !on);
}

void VideoWidget::setVolume(int volume)
{
    if (!d->player)
        return;
    libvlc_audio_set_volume(d->player, volume);
    if (!d->sound)
        libvlc_audio_set_mute(d->player, 1);
}

void VideoWidget::setSpeed(Core::ArchivePlaySpeed speed)
{
    if (speed == d->speed)
        return;
    d->speed = speed;
    if (d->mode == ModeArchive && isPlaying())
        retryLastRequest(-1);
}

void VideoWidget::setQuality(Core::QualitySettings::Type quality)
{
    if (quality == d->quality)
        return;
    if (isPlaying()) {
        retryLastRequest(quality);
        return;
    }
    d->quality = quality;
    setFrameSize(Core::QualitySettings::resolution(d->camera, quality));
}

void VideoWidget::setArchiveMode()
{
    if (d->mode == ModeArchive)
        return;
    d->mode = ModeArchive;
    handlePlayerState();
    update();
}

void VideoWidget::clearImage()
{
    QMutexLocker locker(&d->frameMutex);
    d->image.fill(0);
}

// ---- Picture and status display ----

QRect VideoWidget::pictureRect() const
{
    return d->pictureRect;
}

QString VideoWidget::statusText() const
{
    return d->statusText;
}

void VideoWidget::setSingle(bool single)
{
    d->single = single;
}

void VideoWidget::setScaleMode(Qt::AspectRatioMode scaleMode)
{
    d->scaleMode = scaleMode;
    updatePictureRect();
}

void VideoWidget::setScaleMode()
{
    setScaleMode(Qt::KeepAspectRatio);
}

void VideoWidget::addRotation(qreal angle)
{
    if (angle == 0)
        return;
    d->rotation += angle;
    if (d->rotation > 360)
        d->rotation -= 360;
    if (d->rotation < 0)
        d->rotation += 360;
    updatePictureRect();
    rotationKey(d->camera).setValue(d->rotation);
}

void VideoWidget::updatePictureRect()
{
    int frameWidth;
    int frameHeight;
    {
        QMutexLocker locker(&d->sizeMutex);
        frameWidth = d->frameWidth;
        frameHeight = d->frameHeight;
    }
    const qreal rotation = d->rotation;
    if (rotation == 90 || rotation == 270 || rotation == -90 || rotation == -270)
        std::swap(frameWidth, frameHeight);
    const double aspect = double(frameHeight) / double(frameWidth);
    const int widgetWidth = width();
    const int widgetHeight = height();
    const bool taller = double(widgetHeight) / double(widgetWidth) < aspect;

    switch (d->scaleMode) {
    case Qt::IgnoreAspectRatio:
        d->pictureRect = QRect(QPoint(0, 0), QPoint(widgetWidth - 1, widgetHeight - 1));
        break;
    case Qt::KeepAspectRatio:
        if (taller) {
            const int pictureWidth = int(widgetHeight / aspect);
            const int x0 = (widgetWidth - pictureWidth) / 2;
            d->pictureRect = QRect(QPoint(x0, 0), QPoint(x0 + pictureWidth - 1, widgetHeight - 1));
        } else {
            const int pictureHeight = int(aspect * widgetWidth);
            const int y0 = (widgetHeight - pictureHeight) / 2;
            d->pictureRect = QRect(QPoint(0, y0), QPoint(widgetWidth - 1, y0 + pictureHeight - 1));
        }
        break;
    case Qt::KeepAspectRatioByExpanding:
        if (taller) {
            const int pictureHeight = int(aspect * widgetWidth);
            const int y0 = (widgetHeight - pictureHeight) / 2;
            d->pictureRect = QRect(QPoint(0, y0), QPoint(widgetWidth - 1, y0 + pictureHeight - 1));
        } else {
            const int pictureWidth = int(widgetHeight / aspect);
            const int x0 = (widgetWidth - pictureWidth) / 2;
            d->pictureRect = QRect(QPoint(x0, 0), QPoint(x0 + pictureWidth - 1, widgetHeight - 1));
        }
        break;
    }
}

void VideoWidget::saveFrame(const QString& fileName)
{
    QMutexLocker locker(&d->frameMutex);
    d->image.save(fileName, "jpg");
}

void VideoWidget::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    updatePictureRect();
    if (d->zone && d->zone->isShown())
        d->zone->placeCloseButton();
}

void VideoWidget::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    if (!isVisible()) {
        d->painted = true;
        return;
    }
    QPainter painter(this);
    painter.setPen(Qt::white);
    switch (d->state) {
    case Playing:
    case Paused:
        setProgressVisible(false);
        drawFrame(painter);
        break;
    case Opening:
    case Buffering:
        setProgressVisible(true);
        break;
    default:
        setProgressVisible(false);
        drawStatusText(painter);
        break;
    }
    if (d->zone)
        d->zone->paint(painter, d->pictureRect);
    drawInfoText(painter);
    painter.end();
    d->painted = true;
}

void VideoWidget::setProgressVisible(bool on)
{
    d->progressLabel->setVisible(on);
    if (on)
        d->progressMovie->start();
    else
        d->progressMovie->stop();
}

void VideoWidget::drawFrame(QPainter& painter)
{
    QMutexLocker locker(&d->frameMutex);
    if (d->image.isNull())
        return;
    if (d->rotation == 0) {
        painter.drawImage(QRectF(d->pictureRect), d->image, QRectF(d->image.rect()));
        return;
    }
    QTransform transform;
    transform.rotate(d->rotation, Qt::ZAxis);
    const QImage rotated = d->image.transformed(transform, Qt::FastTransformation);
    painter.drawImage(QRectF(d->pictureRect), rotated, QRectF(rotated.rect()));
}

void VideoWidget::drawStatusText(QPainter& painter)
{
    QFont font = this->font();
    int points = 36;
    font.setPointSize(points);
    while (QFontMetrics(font).horizontalAdvance(d->statusText) >= width() - 3 && points > 4) {
        points -= 4;
        font.setPointSize(points);
    }
    painter.setFont(font);
    painter.drawText(rect(), Qt::AlignCenter, d->statusText);
    painter.setFont(this->font());
}

void VideoWidget::drawInfoText(QPainter& painter)
{
    QFont font = this->font();
    font.setPointSize(10);
    painter.setFont(font);
    painter.setPen(Qt::white);
    const int w = width();
    const int h = height();
    painter.drawText(QRect(QPoint(10, 5), QPoint(w - 11, h - 6)), Qt::AlignLeft | Qt::AlignTop, d->camera->name());
    if (d->state != NothingSpecial)
        painter.drawText(QRect(QPoint(10, 5), QPoint(w - 26, h - 6)), Qt::AlignRight | Qt::AlignTop,
                         d->currentTime.toString(QStringLiteral("dd.MM.yy hh:mm:ss")));
    painter.setFont(this->font());
}

QString VideoWidget::buildStatusText() const
{
    const Core::Camera::CameraFlags flags = d->camera->flags();
    const bool available = flags == Core::Camera::CameraFlags();
    switch (d->lastState) {
    case libvlc_NothingSpecial:
    case libvlc_Stopped:
        switch (d->mode) {
        case ModeLive:
            return available ? tr("Stopped") : tr("Camera is %1").arg(Core::Camera::flagsToString(flags));
        case ModeNone:
            return available ? QString() : tr("Camera is %1").arg(Core::Camera::flagsToString(flags));
        case ModeArchive:
            return d->single ? QString() : tr("No archive");
        }
        break;
    case libvlc_Ended:
        switch (d->mode) {
        case ModeNone:
        case ModeLive:
            return d->retryCount > 2 ? tr("Videoserver disconnected") : tr("Trying to reconnect...");
        case ModeArchive:
            return d->single ? tr("Record ended") : tr("No archive");
        }
        break;
    case libvlc_Error:
        return d->retryCount > 2 || d->retryPending ? tr("Error") : tr("Trying to reconnect...");
    default:
        break;
    }
    return QString();
}

// ---- Archive search zone ----

void VideoWidget::startArchiveSearch()
{
    d->zone->start(d->pictureRect);
}

void VideoWidget::showArchiveSearchZone()
{
    d->zone->show();
}

void VideoWidget::hideArchiveSearch()
{
    d->zone->hide();
}

void VideoWidget::selectDefaultSelection()
{
    d->zone->selectDefault(d->pictureRect);
}

bool VideoWidget::isSearchActive() const
{
    return d->zone->isSearchActive();
}

int VideoWidget::searchZoneX1() const
{
    return d->zone->percentX1(d->rotation);
}

int VideoWidget::searchZoneY1() const
{
    return d->zone->percentY1(d->rotation);
}

int VideoWidget::searchZoneX2() const
{
    return d->zone->percentX2(d->rotation);
}

int VideoWidget::searchZoneY2() const
{
    return d->zone->percentY2(d->rotation);
}

bool VideoWidget::searchMousePress(QMouseEvent* event)
{
    return d->zone->mousePress(event, d->pictureRect);
}

void VideoWidget::mouseMoveEvent(QMouseEvent* event)
{
    d->zone->mouseMove(event, d->pictureRect);
}

void VideoWidget::mouseReleaseEvent(QMouseEvent* event)
{
    d->zone->mouseRelease(event);
}

} // namespace GUI
} // namespace QuorvelClient
