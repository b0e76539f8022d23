#include "core/media/StreamPlayer.h"

#include "core/CameraEndpoint.h"
#include "core/media/Vlc.h"
#include "utils/Mask.h"

#include <QCoreApplication>
#include <QDebug>
#include <QElapsedTimer>
#include <QMutex>
#include <QTimer>

#include <vlc/vlc.h>

#include <atomic>
#include <new>
#include <utility>

namespace QuorvelClient {
namespace Core {

namespace {

const int kPollInterval = 300;
const int kRetryDelay = 500;
const qint64 kRepaintInterval = 44; // 1000 / 22.5 ms, in whole milliseconds
const int kMinBufferWidth = 768;
const int kMinBufferHeight = 576;

// Room for a frame of the size: 5 bytes a pixel, at least 768 x 576 pixels.
size_t bufferBytes(int width, int height)
{
    return size_t(5) * size_t(qMax(width, kMinBufferWidth)) * size_t(qMax(height, kMinBufferHeight));
}

} // namespace

namespace Internal {

class StreamPlayerPrivate
{
public:
    StreamPlayer::State state = StreamPlayer::NothingSpecial;
    bool sound = false;
    CameraPtr camera;
    QTimer stateTimer;
    libvlc_media_player_t* player = nullptr;

    // The shown picture wraps the front buffer; libvlc decodes into the back one, and the display step swaps
    // them while the shown picture has been painted. Both are guarded by the frame mutex.
    QImage image;
    mutable QMutex frameMutex;
    std::unique_ptr<unsigned char[]> front;
    std::unique_ptr<unsigned char[]> back;
    size_t bufferSize = 0;
    int frameWidth = -1;
    int frameHeight = -1;
    mutable QMutex sizeMutex;
    std::atomic<bool> sizeReport{false};
    std::atomic<bool> sizeReportPosted{false};

    QDateTime currentTime;
    QDateTime startTime;
    QDateTime endTime;
    StreamPlayer::Mode mode = StreamPlayer::ModeNone;
    QualitySettings::Type quality = QualitySettings::High;
    ArchivePlaySpeed speed = SpeedX1;
    int startId = 0;
    int endId = 0;
    int retryCount = 0;
    bool retryPending = false;
    std::atomic<bool> painted{true};
    std::atomic<qint64> frameCounter{0};
    QElapsedTimer repaintClock;
    int lastState = 0;

    // libvlc 3 polls a stream that failed to open as ended; its error event is kept until the next request.
    std::atomic<bool> errorSeen{false};

    static void onPlayerError(const libvlc_event_t*, void* opaque)
    {
        static_cast<StreamPlayerPrivate*>(opaque)->errorSeen = true;
    }

    bool allocateBuffers(int width, int height)
    {
        const size_t bytes = bufferBytes(width, height);
        std::unique_ptr<unsigned char[]> a(new (std::nothrow) unsigned char[bytes]);
        std::unique_ptr<unsigned char[]> b(new (std::nothrow) unsigned char[bytes]);
        if (!a || !b)
            return false;
        // The shown picture must not point into a buffer about to be freed.
        if (!image.isNull())
            image = image.copy();
        front = std::move(a);
        back = std::move(b);
        bufferSize = bytes;
        return true;
    }
};

} // namespace Internal

VideoResizeEvent::VideoResizeEvent(int videoWidth, int videoHeight, int frameWidth, int frameHeight)
    : QEvent(Type), m_videoWidth(videoWidth), m_videoHeight(videoHeight), m_frameWidth(frameWidth),
      m_frameHeight(frameHeight)
{
}

VideoResizeEvent::~VideoResizeEvent() = default;

StreamPlayer::StreamPlayer(CameraPtr camera, QObject* parent) : QObject(parent), d(new Internal::StreamPlayerPrivate)
{
    d->camera = std::move(camera);

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

    if (libvlc_instance_t* instance = Vlc::instance()->libvlcInstance())
        d->player = buffers ? libvlc_media_player_new(instance) : nullptr;
    if (d->player) {
        libvlc_audio_set_mute(d->player, !d->sound);
        libvlc_video_set_format(d->player, "RV32", d->frameWidth, d->frameHeight, d->frameWidth * 4);
        libvlc_event_attach(libvlc_media_player_event_manager(d->player), libvlc_MediaPlayerEncounteredError,
                            &Internal::StreamPlayerPrivate::onPlayerError, d.get());
        libvlc_video_set_callbacks(d->player, lockCallback, unlockCallback, displayCallback, this);
    }
    connect(&d->stateTimer, &QTimer::timeout, this, &StreamPlayer::pollState);
}

StreamPlayer::~StreamPlayer()
{
    // Stopping waits for libvlc's threads, so no callback touches the buffers once they go.
    if (d->player) {
        libvlc_media_player_stop(d->player);
        libvlc_event_detach(libvlc_media_player_event_manager(d->player), libvlc_MediaPlayerEncounteredError,
                            &Internal::StreamPlayerPrivate::onPlayerError, d.get());
        libvlc_media_player_release(d->player);
        d->player = nullptr;
    }
}

CameraPtr StreamPlayer::camera() const
{
    return d->camera;
}

StreamPlayer::State StreamPlayer::state() const
{
    return d->state;
}

StreamPlayer::Mode StreamPlayer::mode() const
{
    return d->mode;
}

int StreamPlayer::polledState() const
{
    return d->lastState;
}

int StreamPlayer::retryCount() const
{
    return d->retryCount;
}

bool StreamPlayer::isRetryPending() const
{
    return d->retryPending;
}

bool StreamPlayer::isPlaying() const
{
    if (!d->player)
        return false;
    const int state = libvlc_media_player_get_state(d->player);
    return state >= libvlc_Opening && state <= libvlc_Paused;
}

QDateTime StreamPlayer::currentTime() const
{
    return d->currentTime;
}

void StreamPlayer::setCurrentTime(const QDateTime& time)
{
    d->currentTime = time;
}

libvlc_media_player_t* StreamPlayer::mediaPlayer() const
{
    return d->player;
}

QSize StreamPlayer::frameSize() const
{
    QMutexLocker locker(&d->sizeMutex);
    return QSize(d->frameWidth, d->frameHeight);
}

QMutex* StreamPlayer::frameMutex() const
{
    return &d->frameMutex;
}

const QImage& StreamPlayer::frame() const
{
    return d->image;
}

void StreamPlayer::setPainted()
{
    d->painted = true;
}

void StreamPlayer::clearFrame()
{
    QMutexLocker locker(&d->frameMutex);
    d->image.fill(0);
}

// ---- libvlc's video thread ----

void* StreamPlayer::lockCallback(void* opaque, void** planes)
{
    return static_cast<StreamPlayer*>(opaque)->lockFrame(planes);
}

void StreamPlayer::unlockCallback(void*, void*, void* const*) {}

void StreamPlayer::displayCallback(void* opaque, void*)
{
    static_cast<StreamPlayer*>(opaque)->displayFrame();
}

void* StreamPlayer::lockFrame(void** planes)
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
        QCoreApplication::postEvent(this, new VideoResizeEvent(-1, -1, width, height));
    // Only the display step swaps the buffers, and it runs on this thread after this picture is decoded.
    planes[0] = d->back.get();
    return planes[0];
}

void StreamPlayer::displayFrame()
{
    int width;
    int height;
    {
        QMutexLocker locker(&d->sizeMutex);
        width = d->frameWidth;
        height = d->frameHeight;
    }
    // A picture decoded while the shown one waits for its paint is dropped, so libvlc never waits for the GUI.
    if (d->painted.exchange(false)) {
        QMutexLocker locker(&d->frameMutex);
        std::swap(d->front, d->back);
        d->image = QImage(d->front.get(), width, height, width * 4, QImage::Format_RGB32);
    }
    if (d->frameCounter == 0) {
        d->repaintClock.start();
        d->frameCounter = 1;
        emit frameReady();
        // The state poll would see the stream playing only up to 300 ms later; the first picture shows now.
        QMetaObject::invokeMethod(this, &StreamPlayer::pollState, Qt::QueuedConnection);
    } else if (d->repaintClock.elapsed() > kRepaintInterval) {
        d->repaintClock.restart();
        emit frameReady();
    }
}

// ---- GUI thread ----

bool StreamPlayer::event(QEvent* e)
{
    if (e->type() == VideoResizeEvent::Type) {
        reportVideoSize();
        e->accept();
        return true;
    }
    return QObject::event(e);
}

void StreamPlayer::reportVideoSize()
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
    qDebug() << "Video size is" << QSize(int(width), int(height));
}

void StreamPlayer::playLive(QualitySettings::Type quality)
{
    d->mode = ModeLive;
    if (quality != d->quality) {
        d->quality = quality;
        setFrameSize(QualitySettings::resolution(d->camera, quality));
    }
    d->speed = SpeedX1;
    d->startTime = d->currentTime = QDateTime::currentDateTime();
    d->frameCounter = 0;

    if (d->camera->flags() != Camera::CameraFlags()) {
        stop(false);
        d->state = CameraUnavailable;
        emit cameraUnavailable();
        return;
    }
    openVideoUrl(CameraEndpoint(d->camera).liveUrl(d->quality));
    play();
}

void StreamPlayer::playArchive(int startId, int endId, qint64 from, qint64 to, QualitySettings::Type quality,
                               ArchivePlaySpeed speed)
{
    d->mode = ModeArchive;
    if (quality != d->quality) {
        d->quality = quality;
        setFrameSize(QualitySettings::resolution(d->camera, quality));
    }
    d->speed = speed;
    d->startId = startId;
    d->endId = endId;
    d->startTime = d->currentTime = QDateTime::fromSecsSinceEpoch(from);
    d->endTime = QDateTime::fromSecsSinceEpoch(to);
    d->frameCounter = 0;

    openVideoUrl(CameraEndpoint(d->camera).archiveUrl(startId, endId, from, d->quality, speed));
    play();
}

bool StreamPlayer::openVideoUrl(const QString& videoUrl)
{
    qDebug() << "Play path:" << Utils::maskUrlSecrets(videoUrl);
    if (!d->player)
        return false;
    if (libvlc_media_player_is_playing(d->player))
        libvlc_media_player_stop(d->player);
    libvlc_media_t* media = Vlc::instance()->newStreamMedia(videoUrl);
    if (!media)
        return false;
    libvlc_media_player_set_media(d->player, media);
    libvlc_media_release(media);
    d->errorSeen = false;
    d->sizeReportPosted = false;
    d->sizeReport = true;
    return true;
}

bool StreamPlayer::setFrameSize(const QSize& size)
{
    const int width = size.width();
    const int height = size.height();
    const QSize old = frameSize();
    if (size == old)
        return false;
    if (width < 1 || height < 1) {
        qDebug() << "Frame size refused:" << size;
        return false;
    }
    const int narrower = old.width() - width;
    if (narrower >= 1 && narrower <= 319 && width / height - old.width() / old.height() <= 0)
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
    emit frameSizeChanged();
    if (d->player)
        libvlc_media_player_play(d->player);
    return true;
}

int StreamPlayer::readState() const
{
    if (!d->player)
        return libvlc_Error;
    const int state = libvlc_media_player_get_state(d->player);
    if (d->errorSeen && (state == libvlc_Ended || state == libvlc_Error))
        return libvlc_Error;
    return state;
}

void StreamPlayer::pollState()
{
    qint64 time = d->player ? libvlc_media_player_get_time(d->player) : 0;
    if (d->mode == ModeArchive)
        time *= speedMultiplier(d->speed);
    int state = readState();
    d->lastState = state;
    if (state >= libvlc_Opening && state <= libvlc_Paused)
        d->currentTime = d->startTime.addMSecs(time);

    if (d->mode == ModeArchive && d->endTime.addSecs(1) < d->currentTime && state >= libvlc_Opening &&
        state <= libvlc_Playing) {
        qDebug() << "STOP (END TIME REACHED): currentTime =" << d->currentTime << "endTime =" << d->endTime;
        stop(true);
        state = readState();
        d->lastState = state;
    }

    const bool liveOrNone = d->mode != ModeArchive;
    State next = NothingSpecial;
    bool signalAlways = false;
    switch (state) {
    case libvlc_NothingSpecial:
        clearFrame();
        next = NothingSpecial;
        break;
    case libvlc_Opening:
        clearFrame();
        next = Opening;
        break;
    case libvlc_Buffering:
        clearFrame();
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
        signalAlways = liveOrNone && d->camera->flags() != Camera::CameraFlags();
        clearFrame();
        next = Stopped;
        break;
    case libvlc_Ended:
        clearFrame();
        if (!liveOrNone) {
            next = NothingSpecial;
        } else if (d->retryCount <= 2) {
            // One re-issue at a time: a second poll of the same end must not request the stream twice.
            if (!d->retryPending) {
                d->retryPending = true;
                QTimer::singleShot(kRetryDelay, this, [this] { retryLastRequest(-1); });
            }
            next = NothingSpecial;
        } else {
            d->retryPending = false;
            next = Ended;
        }
        break;
    case libvlc_Error:
        clearFrame();
        if (d->retryCount <= 2 && !d->retryPending) {
            d->retryPending = true;
            QTimer::singleShot(kRetryDelay, this, [this] { retryLastRequest(-1); });
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

    emit polled();
    if (next != d->state || signalAlways) {
        d->state = next;
        emit stateChanged(next);
    }
}

void StreamPlayer::retryLastRequest(int quality)
{
    d->retryPending = false;
    d->retryCount = d->retryCount < 3 ? d->retryCount + 1 : 1;
    qDebug() << "Retry request for camera:" << d->camera->fullName() << d->retryCount;
    const QualitySettings::Type type = quality < 0 ? d->quality : QualitySettings::Type(quality);
    if (d->mode == ModeLive) {
        playLive(type);
    } else if (d->mode == ModeArchive) {
        playArchive(d->startId, d->endId, d->currentTime.toSecsSinceEpoch(), d->endTime.toSecsSinceEpoch(), type,
                    d->speed);
    } else {
        d->quality = type;
        setFrameSize(QualitySettings::resolution(d->camera, type));
    }
}

void StreamPlayer::play()
{
    if (!d->stateTimer.isActive())
        d->stateTimer.start(kPollInterval);
    if (d->player)
        libvlc_media_player_play(d->player);
}

void StreamPlayer::pause()
{
    if (d->player)
        libvlc_media_player_set_pause(d->player, 1);
}

void StreamPlayer::togglePause()
{
    if (d->player)
        libvlc_media_player_pause(d->player);
}

void StreamPlayer::unPause()
{
    if (d->mode == ModeLive) {
        if (d->player)
            libvlc_media_player_stop(d->player);
        // Live restarts at the present moment, and so does its clock.
        d->startTime = d->currentTime = QDateTime::currentDateTime();
        play();
    } else if (d->mode == ModeArchive) {
        if (d->player)
            libvlc_media_player_set_pause(d->player, 0);
    }
}

void StreamPlayer::stop(bool saveMode)
{
    if (d->player)
        libvlc_media_player_stop(d->player);
    if (!saveMode)
        d->mode = ModeNone;
}

void StreamPlayer::setSound(bool on)
{
    if (on == d->sound)
        return;
    d->sound = on;
    if (d->player)
        libvlc_audio_set_mute(d->player, !on);
}

void StreamPlayer::setVolume(int volume)
{
    if (!d->player)
        return;
    libvlc_audio_set_volume(d->player, volume);
    if (!d->sound)
        libvlc_audio_set_mute(d->player, 1);
}

void StreamPlayer::setSpeed(ArchivePlaySpeed speed)
{
    if (speed == d->speed)
        return;
    d->speed = speed;
    if (d->mode == ModeArchive && isPlaying())
        retryLastRequest(-1);
}

void StreamPlayer::setQuality(QualitySettings::Type quality)
{
    if (quality == d->quality)
        return;
    if (isPlaying()) {
        retryLastRequest(quality);
        return;
    }
    d->quality = quality;
    setFrameSize(QualitySettings::resolution(d->camera, quality));
}

void StreamPlayer::setArchiveMode()
{
    if (d->mode == ModeArchive)
        return;
    d->mode = ModeArchive;
    pollState();
}

} // namespace Core
} // namespace QuorvelClient
