#include "core/media/StreamPlayer.h"

#include "core/CameraEndpoint.h"
#include "core/media/EngineQueue.h"
#include "core/media/SocketTraffic.h"
#include "core/media/Vlc.h"
#include "utils/Intervals.h"
#include "utils/Mask.h"

#include <QCoreApplication>
#include <QDebug>
#include <QElapsedTimer>
#include <QHash>
#include <QMutex>
#include <QTimer>
#include <QUrl>

#include <vlc/vlc.h>

#include <atomic>
#include <functional>
#include <memory>
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

// Two frame buffers made on the GUI thread for the sink to take once its player has stopped.
struct FrameBuffers
{
    std::unique_ptr<unsigned char[]> front;
    std::unique_ptr<unsigned char[]> back;
    size_t bytes = 0;

    // Room for a frame of the size; false when it cannot be had.
    bool allocate(int width, int height)
    {
        const size_t size = bufferBytes(width, height);
        front.reset(new (std::nothrow) unsigned char[size]);
        back.reset(new (std::nothrow) unsigned char[size]);
        bytes = front && back ? size : 0;
        return bytes > 0;
    }
};

// What libvlc's threads reach through the player's callbacks: the two frame buffers, the shown picture and the
// frame size. The calls queued for the engine share it, so that it outlives the libvlc player; its owner is cleared
// when the stream player goes, so that no callback reaches the player, nor the widget that paints it, after that.
class StreamSink
{
public:
    // Held by a callback while it signals the owner, and by the owner's destructor while it clears it.
    QMutex ownerMutex;
    StreamPlayer* owner = nullptr;

    // The shown picture wraps the front buffer; libvlc decodes into the back one, and the display step swaps
    // them while the shown picture has been painted. Both are guarded by the frame mutex.
    QImage image;
    mutable QMutex frameMutex;
    std::unique_ptr<unsigned char[]> front;
    std::unique_ptr<unsigned char[]> back;
    // The size libvlc delivers, guarded by the size mutex; it changes only while the player is stopped.
    int frameWidth = -1;
    int frameHeight = -1;
    mutable QMutex sizeMutex;
    std::atomic<bool> sizeReport{false};
    std::atomic<bool> sizeReportPosted{false};
    std::atomic<bool> painted{true};
    std::atomic<qint64> frameCounter{0};
    // Read and restarted on libvlc's video thread only.
    QElapsedTimer repaintClock;

    // libvlc 3 polls a stream that failed to open as ended; its error event is kept until the next request.
    std::atomic<bool> errorSeen{false};

    static void* lockCallback(void* opaque, void** planes) { return static_cast<StreamSink*>(opaque)->lock(planes); }
    static void unlockCallback(void*, void*, void* const*) {}
    static void displayCallback(void* opaque, void*) { static_cast<StreamSink*>(opaque)->display(); }
    static void onPlayerError(const libvlc_event_t*, void* opaque)
    {
        static_cast<StreamSink*>(opaque)->errorSeen = true;
    }

    void* lock(void** planes)
    {
        int width;
        int height;
        {
            QMutexLocker locker(&sizeMutex);
            width = frameWidth;
            height = frameHeight;
        }
        // The video size is asked for on the GUI thread: asking libvlc from its own video thread can wait for a
        // stop that waits for this thread.
        if (sizeReport && !sizeReportPosted.exchange(true)) {
            QMutexLocker locker(&ownerMutex);
            if (owner)
                QCoreApplication::postEvent(owner, new VideoResizeEvent(-1, -1, width, height));
        }
        // Only the display step swaps the buffers, and it runs on this thread after this picture is decoded.
        planes[0] = back.get();
        return planes[0];
    }

    void display()
    {
        int width;
        int height;
        {
            QMutexLocker locker(&sizeMutex);
            width = frameWidth;
            height = frameHeight;
        }
        // A picture decoded while the shown one waits for its paint is dropped, so libvlc never waits for the GUI.
        if (painted.exchange(false)) {
            QMutexLocker locker(&frameMutex);
            std::swap(front, back);
            image = QImage(front.get(), width, height, width * 4, QImage::Format_RGB32);
        }
        const bool first = frameCounter == 0;
        if (first) {
            repaintClock.start();
            frameCounter = 1;
        } else if (repaintClock.elapsed() > kRepaintInterval) {
            repaintClock.restart();
        } else {
            return;
        }
        QMutexLocker locker(&ownerMutex);
        if (!owner)
            return;
        emit owner->frameReady();
        // The state poll would see the stream playing only up to 300 ms later; the first picture shows now.
        if (first)
            QMetaObject::invokeMethod(owner, &StreamPlayer::pollState, Qt::QueuedConnection);
    }

    // Called while no callback runs (the player stopped, or none).
    void takeBuffers(FrameBuffers* buffers)
    {
        QMutexLocker locker(&frameMutex);
        // The shown picture must not point into a buffer about to be freed.
        if (!image.isNull())
            image = image.copy();
        front = std::move(buffers->front);
        back = std::move(buffers->back);
    }
};

// The sockets of the process just before the engine opened a stream, read on the player's queue; written there
// once, then read on the GUI thread.
struct SocketsBefore
{
    QSet<quint64> ids;
    std::atomic<bool> ready{false};

    void take()
    {
        ids = SocketTraffic::sockets();
        ready.store(true, std::memory_order_release);
    }
};

// Tells a stream that has stalled while it opens from one that is only slow to show its first picture, by the bytes
// its connections bring: libvlc counts nothing before a stream plays. Its connections are those to the stream's
// server (or the engine's proxy) made since the engine was asked to open it; another stream's connection to the
// same server made meanwhile counts too, so a stream is never given up while one of them brings bytes.
class OpeningWatch
{
public:
    // The stream the next opens read: the engine connects to its server, or to the proxy it takes from the
    // environment.
    void expect(const QString& url)
    {
        m_peers.clear();
        addPeer(QUrl(url));
        const QByteArray proxy = qgetenv("http_proxy");
        if (!proxy.isEmpty())
            addPeer(QUrl::fromUserInput(QString::fromLocal8Bit(proxy)));
    }

    // The engine is about to open the stream again; the sockets open just before are not its. Take them on the
    // player's queue before the open.
    std::shared_ptr<SocketsBefore> restart()
    {
        stop();
        m_before = std::make_shared<SocketsBefore>();
        return m_before;
    }

    void stop()
    {
        m_watching = false;
        m_reading = -1;
        m_seen.clear();
    }

    // Called by each poll while the stream opens: true once its connections have brought nothing for `limitMs`
    // by the kernel's readings. Nothing is judged while none of them is open.
    bool stalled(int limitMs)
    {
        if (!m_before || !m_before->ready.load(std::memory_order_acquire))
            return false;
        const SocketTraffic::Reading& reading = SocketTraffic::latest(kReadingAge);
        if (reading.number == m_reading)
            return false;
        m_reading = reading.number;
        QHash<quint64, quint64> received;
        for (const SocketTraffic::Connection& connection : reading.connections) {
            if (!m_before->ids.contains(connection.id) && isPeer(connection))
                received.insert(connection.id, connection.received);
        }
        if (!m_watching || received.isEmpty() || received != m_seen) {
            m_watching = !received.isEmpty();
            m_seen = received;
            m_quietSince = reading.takenAt;
            return false;
        }
        return reading.takenAt - m_quietSince >= limitMs;
    }

private:
    // A poll every 300 ms finds a new reading.
    static const int kReadingAge = 250;

    struct Peer
    {
        QHostAddress address; // null for a host name: any address of the port then
        quint16 port;
    };

    void addPeer(const QUrl& url)
    {
        if (url.host().isEmpty())
            return;
        m_peers.append({QHostAddress(url.host()), quint16(url.port(80))});
    }

    bool isPeer(const SocketTraffic::Connection& connection) const
    {
        for (const Peer& peer : m_peers) {
            if (peer.port == connection.peerPort &&
                (peer.address.isNull() || peer.address.isEqual(connection.peer, QHostAddress::ConvertV4MappedToIPv4)))
                return true;
        }
        return false;
    }

    QList<Peer> m_peers;
    std::shared_ptr<SocketsBefore> m_before;
    // The number of the last reading looked at, and the bytes each connection had brought by then.
    int m_reading = -1;
    QHash<quint64, quint64> m_seen;
    // When the first reading that found them so was taken.
    qint64 m_quietSince = 0;
    bool m_watching = false;
};

class StreamPlayerPrivate
{
public:
    StreamPlayer::State state = StreamPlayer::NothingSpecial;
    bool sound = false;
    // The volume last asked for, -1 for none; the engine drops one set before its audio output has started.
    int volume = -1;
    CameraPtr camera;
    QTimer stateTimer;
    libvlc_media_player_t* player = nullptr;
    std::shared_ptr<StreamSink> sink = std::make_shared<StreamSink>();
    // Every call that may wait on the network (a stop, a new media, the release) runs there, in order.
    EngineQueue engine;
    // The state the queued calls leave the player in, until they have run: stopped after a stop, opening once
    // asked to play a media; -1 when no call of that kind waits.
    int expectedState = -1;
    // A media has been given to the player: asked to play, it opens.
    bool hasMedia = false;
    // The frame size as last set here, and the room of the buffers last made; the sink takes them once the
    // player has stopped.
    QSize frameSize;
    size_t bufferSize = 0;

    QDateTime currentTime;
    QDateTime startTime;
    QDateTime endTime;
    StreamPlayer::Mode mode = StreamPlayer::ModeNone;
    QualitySettings::Type quality = QualitySettings::High;
    // The quality of the stream last asked for, which the player opens when it is asked to play.
    QualitySettings::Type requestQuality = QualitySettings::High;
    ArchivePlaySpeed speed = SpeedX1;
    // Likewise the speed of the archive last asked for.
    ArchivePlaySpeed requestSpeed = SpeedX1;
    int startId = 0;
    int endId = 0;
    int retryCount = 0;
    bool retryPending = false;
    int lastState = 0;
    // Counts the requests and restarts: a restart's clock set once its stop has run applies to it alone, and so
    // does a re-issue scheduled before the next one.
    int request = 0;
    OpeningWatch opening;
    // The stream stalled while it opened and was stopped: it reads as an error until it is asked for again.
    bool stalled = false;

    // A request or restart takes the place of any re-issue scheduled before it.
    int newRequest()
    {
        retryPending = false;
        return ++request;
    }

    // Queues a call on the player; a stop, a new media or a start names the state it leaves the player in.
    void post(std::function<void()> call, int leavesState = -1)
    {
        if (!engine.isBusy())
            expectedState = -1;
        if (leavesState >= 0)
            expectedState = leavesState;
        engine.post(std::move(call));
    }

    // libvlc's state, or the one the queued calls are about to leave. Never waits.
    int engineState() const
    {
        if (engine.isBusy() && expectedState >= 0)
            return expectedState;
        return libvlc_media_player_get_state(player);
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
    Internal::StreamSink* sink = d->sink.get();
    sink->owner = this;

    // A camera that reports no size plays at the size its quality table falls back to.
    QSize size = d->camera->resolution();
    if (size.width() < 1 || size.height() < 1)
        size = QSize(640, 480);
    d->frameSize = size;
    sink->frameWidth = size.width();
    sink->frameHeight = size.height();
    qDebug() << "Cam resolution:" << size << ", buf:" << qMax(size.width(), kMinBufferWidth) << "x"
             << qMax(size.height(), kMinBufferHeight);
    Internal::FrameBuffers buffers;
    if (buffers.allocate(size.width(), size.height())) {
        d->bufferSize = buffers.bytes;
        sink->takeBuffers(&buffers);
    } else {
        qCritical() << "Cannot allocate frame buffers:" << size;
    }

    if (d->bufferSize > 0)
        d->player = Vlc::instance()->newPlayer();
    if (d->player) {
        libvlc_audio_set_mute(d->player, !d->sound);
        libvlc_video_set_format(d->player, "RV32", size.width(), size.height(), size.width() * 4);
        libvlc_event_attach(libvlc_media_player_event_manager(d->player), libvlc_MediaPlayerEncounteredError,
                            &Internal::StreamSink::onPlayerError, sink);
        libvlc_video_set_callbacks(d->player, &Internal::StreamSink::lockCallback,
                                   &Internal::StreamSink::unlockCallback, &Internal::StreamSink::displayCallback, sink);
    }
    connect(&d->stateTimer, &QTimer::timeout, this, &StreamPlayer::pollState);
}

StreamPlayer::~StreamPlayer()
{
    {
        QMutexLocker locker(&d->sink->ownerMutex);
        d->sink->owner = nullptr;
    }
    // Stopping may wait for a stalled server, even another player's: the player goes on its queue, and the
    // buffers its callbacks fill go with it.
    if (d->player) {
        libvlc_media_player_t* player = d->player;
        std::shared_ptr<Internal::StreamSink> sink = d->sink;
        d->post([player, sink] {
            libvlc_event_detach(libvlc_media_player_event_manager(player), libvlc_MediaPlayerEncounteredError,
                                &Internal::StreamSink::onPlayerError, sink.get());
            Vlc::releasePlayer(player);
        });
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
    const int state = d->engineState();
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
    return d->frameSize;
}

QMutex* StreamPlayer::frameMutex() const
{
    return &d->sink->frameMutex;
}

const QImage& StreamPlayer::frame() const
{
    return d->sink->image;
}

void StreamPlayer::setPainted()
{
    d->sink->painted = true;
}

void StreamPlayer::clearFrame()
{
    QMutexLocker locker(&d->sink->frameMutex);
    d->sink->image.fill(0);
}

// ---- libvlc's video thread ----

void* StreamPlayer::lockCallback(void* opaque, void** planes)
{
    return static_cast<StreamPlayer*>(opaque)->d->sink->lock(planes);
}

void StreamPlayer::unlockCallback(void*, void*, void* const*) {}

void StreamPlayer::displayCallback(void* opaque, void*)
{
    static_cast<StreamPlayer*>(opaque)->d->sink->display();
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
    Internal::StreamSink* sink = d->sink.get();
    if (!sink->sizeReport)
        return;
    unsigned width = 0;
    unsigned height = 0;
    // Asking while a queued call runs would wait for it.
    if (!d->player || d->engine.isBusy() || libvlc_video_get_size(d->player, 0, &width, &height) != 0) {
        // Not known yet: the next picture asks again.
        sink->sizeReportPosted = false;
        return;
    }
    sink->sizeReport = false;
    qDebug() << "Video size is" << QSize(int(width), int(height));
}

void StreamPlayer::playLive(QualitySettings::Type quality)
{
    d->newRequest();
    d->mode = ModeLive;
    if (quality != d->quality) {
        d->quality = quality;
        setFrameSize(QualitySettings::resolution(d->camera, quality));
    }
    d->speed = SpeedX1;
    d->startTime = d->currentTime = QDateTime::currentDateTime();

    if (d->camera->flags() != Camera::CameraFlags()) {
        stop(false);
        d->state = CameraUnavailable;
        emit cameraUnavailable();
        return;
    }
    d->requestQuality = d->quality;
    openVideoUrl(CameraEndpoint(d->camera).liveUrl(d->quality));
    play();
}

void StreamPlayer::playArchive(int startId, int endId, qint64 from, qint64 to, QualitySettings::Type quality,
                               ArchivePlaySpeed speed)
{
    d->newRequest();
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

    d->requestQuality = d->quality;
    d->requestSpeed = speed;
    openVideoUrl(CameraEndpoint(d->camera).archiveUrl(startId, endId, from, d->quality, speed));
    play();
}

bool StreamPlayer::openVideoUrl(const QString& videoUrl)
{
    qDebug() << "Play path:" << Utils::maskUrlSecrets(videoUrl);
    if (!d->player)
        return false;
    d->stalled = false;
    libvlc_media_player_t* player = d->player;
    libvlc_media_t* media = Vlc::instance()->newStreamMedia(videoUrl);
    if (!media) {
        d->post([player] {
            if (libvlc_media_player_is_playing(player))
                libvlc_media_player_stop(player);
        });
        return false;
    }
    d->hasMedia = true;
    d->opening.expect(videoUrl);
    std::shared_ptr<Internal::StreamSink> sink = d->sink;
    d->post(
        [player, media, sink] {
            if (libvlc_media_player_is_playing(player))
                libvlc_media_player_stop(player);
            libvlc_media_player_set_media(player, media);
            libvlc_media_release(media);
            // The old stream has stopped: its error, its first picture and its size no longer count.
            sink->errorSeen = false;
            sink->frameCounter = 0;
            sink->sizeReportPosted = false;
            sink->sizeReport = true;
        },
        libvlc_NothingSpecial);
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
    auto fresh = std::make_shared<Internal::FrameBuffers>();
    if (size_t(width) * size_t(height) * 4 > d->bufferSize) {
        if (!fresh->allocate(width, height)) {
            qDebug() << "Frame size refused, no memory for it:" << size;
            if (d->player)
                d->post([player = d->player] { libvlc_media_player_play(player); });
            return false;
        }
        d->bufferSize = fresh->bytes;
    }
    d->frameSize = size;
    // The sink takes the size and the buffers while the player is stopped, so no callback touches them meanwhile.
    std::shared_ptr<Internal::StreamSink> sink = d->sink;
    const auto resize = [sink, fresh, width, height](libvlc_media_player_t* player) {
        if (player)
            libvlc_media_player_stop(player);
        if (fresh->bytes > 0)
            sink->takeBuffers(fresh.get());
        QMutexLocker locker(&sink->sizeMutex);
        sink->frameWidth = width;
        sink->frameHeight = height;
        if (player) {
            libvlc_video_set_format(player, "RV32", width, height, width * 4);
            locker.unlock();
            libvlc_media_player_play(player);
        }
    };
    if (d->player) {
        d->stalled = false;
        d->post(
            [resize, player = d->player, before = d->opening.restart()] {
                before->take();
                resize(player);
            },
            d->hasMedia ? libvlc_Opening : libvlc_Stopped);
    } else {
        resize(nullptr);
    }
    emit frameSizeChanged();
    return true;
}

int StreamPlayer::readState() const
{
    if (!d->player || d->stalled)
        return libvlc_Error;
    const int state = d->engineState();
    if (d->sink->errorSeen && (state == libvlc_Ended || state == libvlc_Error))
        return libvlc_Error;
    return state;
}

void StreamPlayer::pollState()
{
    // The player's time waits for a queued call to finish: the clock stays until then.
    const bool timed = d->player && !d->engine.isBusy();
    qint64 time = timed ? libvlc_media_player_get_time(d->player) : 0;
    if (d->mode == ModeArchive)
        time *= speedMultiplier(d->speed);
    int state = readState();
    if (timed && state == libvlc_Opening) {
        if (d->opening.stalled(Utils::intervalMs(Utils::Interval::StalledStream))) {
            giveUpStalled();
            state = readState();
        }
    } else {
        d->opening.stop();
    }
    d->lastState = state;
    if (timed && state >= libvlc_Opening && state <= libvlc_Paused)
        d->currentTime = d->startTime.addMSecs(time);

    if (d->mode == ModeArchive && d->endTime.addSecs(1) < d->currentTime && state >= libvlc_Opening &&
        state <= libvlc_Playing) {
        qDebug() << "STOP (END TIME REACHED): currentTime =" << d->currentTime << "endTime =" << d->endTime;
        stop(true);
        state = readState();
        d->lastState = state;
    }

    // A quality or speed chosen while the player was not seen playing yet (libvlc reports a start a moment after it
    // was asked for) was only stored: the stream it opens is of the former one.
    const bool outdated = d->requestQuality != d->quality || (d->mode == ModeArchive && d->requestSpeed != d->speed);
    if (d->mode != ModeNone && state >= libvlc_Opening && state <= libvlc_Playing && outdated) {
        retryLastRequest(-1);
        state = readState();
        d->lastState = state;
    }

    // A re-issue repeats the kind of request it was scheduled for: a live player stopped meanwhile and put in
    // archive mode would ask for an archive it was never given, from the clock it holds. One that is dropped
    // leaves none pending, so that the next end or error of the player is re-issued again.
    const auto scheduleRetry = [this] {
        d->retryPending = true;
        QTimer::singleShot(kRetryDelay, this, [this, mode = d->mode, request = d->request] {
            if (request != d->request)
                return;
            if (d->mode == mode)
                retryLastRequest(-1);
            else
                d->retryPending = false;
        });
    };
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
        if (timed)
            keepSoundSettings();
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
            if (!d->retryPending)
                scheduleRetry();
            next = NothingSpecial;
        } else {
            d->retryPending = false;
            next = Ended;
        }
        break;
    case libvlc_Error:
        clearFrame();
        if (d->retryCount <= 2 && !d->retryPending) {
            scheduleRetry();
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
    if (!d->player)
        return;
    d->stalled = false;
    d->post(
        [player = d->player, before = d->opening.restart()] {
            before->take();
            libvlc_media_player_play(player);
        },
        d->hasMedia ? libvlc_Opening : -1);
}

void StreamPlayer::pause()
{
    if (d->player)
        d->post([player = d->player] { libvlc_media_player_set_pause(player, 1); });
}

void StreamPlayer::togglePause()
{
    if (d->player)
        d->post([player = d->player] { libvlc_media_player_pause(player); });
}

void StreamPlayer::unPause()
{
    if (d->mode == ModeLive) {
        stopPlayer();
        // Live restarts at the present moment, and so does its clock: the moment the engine has stopped and
        // starts again.
        d->startTime = d->currentTime = QDateTime::currentDateTime();
        play();
        if (d->player) {
            d->engine.post<QDateTime>([] { return QDateTime::currentDateTime(); }, this,
                                      [this, request = d->newRequest()](QDateTime restarted) {
                                          if (request == d->request)
                                              d->startTime = d->currentTime = restarted;
                                      });
        }
    } else if (d->mode == ModeArchive) {
        if (d->player)
            d->post([player = d->player] { libvlc_media_player_set_pause(player, 0); });
    }
}

void StreamPlayer::stop(bool saveMode)
{
    d->stalled = false;
    stopPlayer();
    if (!saveMode)
        d->mode = ModeNone;
}

void StreamPlayer::stopPlayer()
{
    if (d->player)
        d->post([player = d->player] { libvlc_media_player_stop(player); }, libvlc_Stopped);
}

void StreamPlayer::giveUpStalled()
{
    // While it reads a stream's start, the engine's demuxer holds a lock that every other player needs to start.
    qDebug() << "Stream stalled while opening, given up:" << d->camera->fullName();
    d->opening.stop();
    stopPlayer();
    d->stalled = true;
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
    d->volume = volume;
    if (!d->player)
        return;
    libvlc_audio_set_volume(d->player, volume);
    if (!d->sound)
        libvlc_audio_set_mute(d->player, 1);
}

void StreamPlayer::keepSoundSettings()
{
    // A stream's audio output starts after its first picture, and takes neither a volume nor a mute set before.
    if (d->volume >= 0 && libvlc_audio_get_volume(d->player) != d->volume)
        libvlc_audio_set_volume(d->player, d->volume);
    const int muted = libvlc_audio_get_mute(d->player);
    if (muted >= 0 && bool(muted) == d->sound)
        libvlc_audio_set_mute(d->player, !d->sound);
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
