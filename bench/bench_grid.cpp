// Sixteen players in one video container, each on its own live 640x360 H.264 25 fps stream from the fake peer,
// against libvlc alone (the same engine arguments and streams) decoding into video callbacks that do nothing.
// The peer runs in this process; each side runs in a child process of its own, so that its CPU time, peak memory
// and threads are its own, and both measure the same stretch of time. Usage: bench_grid [seconds] (30 by default).
#include "core/Camera.h"
#include "core/media/EngineQueue.h"
#include "core/media/Vlc.h"
#include "gui/video/VideoContainer.h"
#include "gui/video/VideoPlayer.h"
#include "gui/video/VideoWidget.h"
#include "peer/FlvStreamSource.h"
#include "support/TestClips.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QMap>
#include <QProcess>
#include <QTest>

#include <vlc/vlc.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <sys/resource.h>
#include <vector>

using QuorvelClient::Core::Camera;
using QuorvelClient::GUI::VideoContainer;
using QuorvelClient::GUI::VideoPlayer;
using QuorvelClient::GUI::VideoWidget;

namespace {

const int kStreams = 16;
const int kWidth = 640;
const int kHeight = 360;
const int kWarmUpMs = 3000;
const qint64 kThrottleMs = 44;

double cpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

// A field of /proc/self/status in its own unit (kB for memory).
long procStatus(const char* field)
{
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').first().toLong();
    }
    return -1;
}

// One 8 s clip per stream, each with its own colours, made once per build directory.
QString clip(int index)
{
    const QString path =
        QStringLiteral(QUORVEL_BINARY_DIR "/test-clips/grid-%1.flv").arg(index, 2, 10, QLatin1Char('0'));
    const QString source =
        QStringLiteral("testsrc=size=%1x%2:rate=25,hue=h=%3").arg(kWidth).arg(kHeight).arg(index * 360 / kStreams);
    const QStringList args = QStringLiteral("-hide_banner -loglevel error -y -f lavfi -i").split(' ')
                             << source
                             << QStringLiteral("-t 8 -c:v libx264 -preset veryfast -bf 0 -g 25 -b:v 1000k -pix_fmt "
                                               "yuv420p -an -flvflags no_duration_filesize -f flv")
                                    .split(' ');
    return TestSupport::makeClip(path, args);
}

QString streamUrl(quint16 port, int camera)
{
    return QStringLiteral("http://127.0.0.1:%1/flv/live?server=1&camera=%2&sessionId=&q=2"
                          "&vcodec=flv&vcodec=h264&vcodec=mpeg4&acodec=mp3")
        .arg(port)
        .arg(camera);
}

struct Result
{
    QMap<QString, double> values;
    QString line() const
    {
        QStringList parts;
        for (auto it = values.begin(); it != values.end(); ++it)
            parts << QStringLiteral("%1=%2").arg(it.key()).arg(it.value(), 0, 'f', 3);
        return QStringLiteral("RESULT ") + parts.join(' ');
    }
    static Result parse(const QByteArray& output)
    {
        Result result;
        for (const QByteArray& line : output.split('\n')) {
            if (!line.startsWith("RESULT "))
                continue;
            for (const QByteArray& pair : line.mid(7).split(' ')) {
                const QList<QByteArray> kv = pair.split('=');
                if (kv.size() == 2)
                    result.values.insert(QString::fromLatin1(kv[0]), kv[1].toDouble());
            }
        }
        return result;
    }
};

// ---- Counting around the widget's own video callbacks ----

struct Tap
{
    VideoWidget* widget = nullptr;
    std::atomic<bool> counting{false};
    std::atomic<qint64> locks{0};
    std::atomic<qint64> handed{0};   // pictures handed over to be painted; the others are dropped
    std::atomic<qint64> displays{0}; // display steps
    // Written by this widget's video thread only, read after the run.
    std::vector<qint64> requests;
    std::vector<qint64> paints;
};

QElapsedTimer g_clock;

void* tapLock(void* opaque, void** planes)
{
    auto* tap = static_cast<Tap*>(opaque);
    if (tap->counting)
        ++tap->locks;
    return VideoWidget::lockCallback(tap->widget, planes);
}

void tapUnlock(void* opaque, void* picture, void* const* planes)
{
    VideoWidget::unlockCallback(static_cast<Tap*>(opaque)->widget, picture, planes);
}

void tapDisplay(void* opaque, void* picture)
{
    auto* tap = static_cast<Tap*>(opaque);
    // Only this thread swaps the shown picture, so its address can be read here without the frame mutex.
    const QImage& shown = tap->widget->streamPlayer()->frame();
    const uchar* before = shown.constBits();
    VideoWidget::displayCallback(tap->widget, picture);
    if (tap->counting) {
        ++tap->displays;
        if (shown.constBits() != before)
            ++tap->handed;
    }
}

class PaintClock : public QObject
{
public:
    explicit PaintClock(Tap* tap) : m_tap(tap) {}
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && m_tap->counting)
            m_tap->paints.push_back(g_clock.elapsed());
        return false;
    }

private:
    Tap* m_tap;
};

struct Intervals
{
    qint64 count = 0;
    qint64 under = 0;
    qint64 minimum = 0;
    qint64 median = 0;
};

Intervals intervals(const std::vector<std::unique_ptr<Tap>>& taps, bool paints)
{
    std::vector<qint64> all;
    for (const auto& tap : taps) {
        const std::vector<qint64>& times = paints ? tap->paints : tap->requests;
        for (size_t i = 1; i < times.size(); ++i)
            all.push_back(times[i] - times[i - 1]);
    }
    Intervals result;
    if (all.empty())
        return result;
    std::sort(all.begin(), all.end());
    result.count = qint64(all.size());
    result.minimum = all.front();
    result.median = all[all.size() / 2];
    result.under = std::count_if(all.begin(), all.end(), [](qint64 v) { return v < kThrottleMs; });
    return result;
}

// Tells the parent that this side is warm, then waits for the file that starts both measurements at once.
bool waitForStart(const QString& go)
{
    std::printf("READY\n");
    std::fflush(stdout);
    return QTest::qWaitFor([&] { return QFile::exists(go); }, 180000);
}

// What one side measured while it counted.
struct Stretch
{
    double cpu = 0; // CPU milliseconds per stream and second
    long threads = 0;
};

// Waits until every stream plays, warms up, waits for the start and counts for `seconds`; false, with the reason
// printed, if the streams never all played or the start never came.
bool measure(const std::function<bool()>& allPlaying, const std::function<void(bool)>& count, int seconds,
             const QString& go, Stretch* stretch)
{
    if (!QTest::qWaitFor(allPlaying, 60000)) {
        std::printf("not every stream played\n");
        return false;
    }
    QTest::qWait(kWarmUpMs);
    if (!waitForStart(go))
        return false;
    count(true);
    const double cpuStart = cpuMs();
    QElapsedTimer wall;
    wall.start();
    QTest::qWait(seconds * 1000);
    const double cpu = cpuMs() - cpuStart;
    const double elapsed = wall.elapsed() / 1000.0;
    count(false);
    stretch->threads = procStatus("Threads");
    stretch->cpu = cpu / (kStreams * elapsed);
    return true;
}

void printResult(Result result, const Stretch& stretch)
{
    result.values["cpu"] = stretch.cpu;
    result.values["peakKb"] = procStatus("VmHWM");
    result.values["threads"] = stretch.threads;
    std::printf("%s\n", qPrintable(result.line()));
    std::fflush(stdout);
}

int runClient(const QList<quint16>& ports, int seconds, const QString& go)
{
    VideoContainer container;
    container.resize(1280, 720);
    container.show();
    std::vector<std::unique_ptr<Tap>> taps;
    std::vector<std::unique_ptr<PaintClock>> clocks;
    g_clock.start();
    for (int i = 0; i < kStreams; ++i) {
        auto camera = std::make_shared<Camera>(i + 1, QString("Bench %1").arg(i + 1),
                                               QString("127.0.0.1:%1").arg(ports.at(i)), 0, "Bench", true, true, true,
                                               QSize(kWidth, kHeight), "h264", Camera::CameraFlags(), QString());
        camera->setServerType(1);
        VideoWidget* widget = container.addCamera(camera);
        if (!widget || !widget->mediaPlayer()) {
            std::printf("no player for stream %d\n", i);
            return 1;
        }
        auto tap = std::make_unique<Tap>();
        tap->widget = widget;
        tap->requests.reserve(size_t(seconds) * 40);
        tap->paints.reserve(size_t(seconds) * 40);
        libvlc_video_set_callbacks(widget->mediaPlayer(), tapLock, tapUnlock, tapDisplay, tap.get());
        Tap* raw = tap.get();
        QObject::connect(
            widget, &VideoWidget::updateNeeded, widget,
            [raw] {
                if (raw->counting)
                    raw->requests.push_back(g_clock.elapsed());
            },
            Qt::DirectConnection);
        clocks.push_back(std::make_unique<PaintClock>(raw));
        widget->installEventFilter(clocks.back().get());
        taps.push_back(std::move(tap));
        widget->playLive(container.quality());
    }
    const auto allPlaying = [&] {
        for (VideoPlayer* player : container.players()) {
            if (player->videoWidget()->playerState() != VideoWidget::Playing)
                return false;
        }
        return true;
    };
    Stretch stretch;
    if (!measure(
            allPlaying,
            [&](bool on) {
                for (auto& tap : taps)
                    tap->counting = on;
            },
            seconds, go, &stretch))
        return 1;

    Result result;
    qint64 locks = 0;
    qint64 handed = 0;
    qint64 displays = 0;
    qint64 paints = 0;
    for (const auto& tap : taps) {
        locks += tap->locks;
        handed += tap->handed;
        displays += tap->displays;
        paints += qint64(tap->paints.size());
    }
    const Intervals requested = intervals(taps, false);
    const Intervals painted = intervals(taps, true);
    result.values["decoded"] = locks;
    result.values["displays"] = displays;
    result.values["handed"] = handed;
    result.values["repaints"] = paints;
    result.values["requestMin"] = requested.minimum;
    result.values["requestUnder"] = requested.under;
    result.values["paintMin"] = painted.minimum;
    result.values["paintMedian"] = painted.median;
    result.values["paintUnder"] = painted.under;
    printResult(result, stretch);
    // The taps reach the widgets from libvlc's threads: the players stop before the widgets and the taps go.
    for (VideoPlayer* player : container.players())
        player->videoWidget()->stop();
    QuorvelClient::Core::EngineQueue::waitForAll();
    container.removeAllCameras();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}

// ---- libvlc alone ----

struct Bare
{
    libvlc_media_player_t* player = nullptr;
    std::unique_ptr<unsigned char[]> buffer;
    std::atomic<bool> counting{false};
    std::atomic<qint64> frames{0};
};

void* bareLock(void* opaque, void** planes)
{
    auto* bare = static_cast<Bare*>(opaque);
    planes[0] = bare->buffer.get();
    return bare->buffer.get();
}

void bareUnlock(void*, void*, void* const*) {}

void bareDisplay(void* opaque, void*)
{
    auto* bare = static_cast<Bare*>(opaque);
    if (bare->counting)
        ++bare->frames;
}

int runLibvlc(const QList<quint16>& ports, int seconds, const QString& go)
{
    libvlc_instance_t* instance = QuorvelClient::Core::Vlc::instance()->libvlcInstance();
    if (!instance) {
        std::printf("no engine\n");
        return 1;
    }
    std::vector<std::unique_ptr<Bare>> players;
    for (int i = 0; i < kStreams; ++i) {
        auto bare = std::make_unique<Bare>();
        bare->buffer.reset(new unsigned char[size_t(kWidth) * kHeight * 4]);
        bare->player = libvlc_media_player_new(instance);
        libvlc_audio_set_mute(bare->player, 1);
        libvlc_video_set_format(bare->player, "RV32", kWidth, kHeight, kWidth * 4);
        libvlc_video_set_callbacks(bare->player, bareLock, bareUnlock, bareDisplay, bare.get());
        libvlc_media_t* media =
            libvlc_media_new_location(instance, streamUrl(ports.at(i), i + 1).toLatin1().constData());
        libvlc_media_player_set_media(bare->player, media);
        libvlc_media_release(media);
        libvlc_media_player_play(bare->player);
        players.push_back(std::move(bare));
    }
    const auto allPlaying = [&] {
        for (const auto& bare : players) {
            if (libvlc_media_player_get_state(bare->player) != libvlc_Playing)
                return false;
        }
        return true;
    };
    Stretch stretch;
    if (!measure(
            allPlaying,
            [&](bool on) {
                for (auto& bare : players)
                    bare->counting = on;
            },
            seconds, go, &stretch))
        return 1;

    Result result;
    qint64 frames = 0;
    for (const auto& bare : players)
        frames += bare->frames;
    result.values["decoded"] = frames;
    printResult(result, stretch);
    for (auto& bare : players) {
        libvlc_media_player_stop(bare->player);
        libvlc_media_player_release(bare->player);
    }
    return 0;
}

// Runs both sides at once, so that whatever else the machine does weighs on both alike; both measure the same
// stretch of time.
bool runChildren(const QList<quint16>& ports, int seconds, Result* bare, Result* client)
{
    QStringList portList;
    for (quint16 port : ports)
        portList << QString::number(port);
    const QString go = TestSupport::workDir() + "/go";
    QFile::remove(go);
    QProcess children[2];
    const char* phases[2] = {"libvlc", "client"};
    for (int i = 0; i < 2; ++i) {
        children[i].setProcessChannelMode(QProcess::ForwardedErrorChannel);
        children[i].start(QCoreApplication::applicationFilePath(), {"--phase", phases[i], "--ports", portList.join(','),
                                                                    "--seconds", QString::number(seconds), "--go", go});
    }
    QByteArray output[2];
    auto collect = [&] {
        for (int i = 0; i < 2; ++i)
            output[i] += children[i].readAllStandardOutput();
    };
    // The peer lives in this process: it must keep serving while the children run.
    const bool ready = QTest::qWaitFor(
        [&] {
            collect();
            return (output[0].contains("READY") && output[1].contains("READY")) ||
                   children[0].state() == QProcess::NotRunning || children[1].state() == QProcess::NotRunning;
        },
        120000);
    if (ready && output[0].contains("READY") && output[1].contains("READY")) {
        QFile file(go);
        file.open(QIODevice::WriteOnly);
    }
    (void)QTest::qWaitFor(
        [&] {
            collect();
            return children[0].state() == QProcess::NotRunning && children[1].state() == QProcess::NotRunning;
        },
        (seconds + 120) * 1000);
    collect();
    *bare = Result::parse(output[0]);
    *client = Result::parse(output[1]);
    for (int i = 0; i < 2; ++i) {
        if (Result::parse(output[i]).values.isEmpty())
            std::printf("%s failed: %s\n", phases[i], output[i].constData());
    }
    return !bare->values.isEmpty() && !client->values.isEmpty();
}

} // namespace

int main(int argc, char* argv[])
{
    TestSupport::prepareEnvironment();
    int status = 0;
    {
        QApplication app(argc, argv);
        QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
        const QStringList args = app.arguments();
        const int phaseAt = args.indexOf("--phase");
        if (phaseAt > 0) {
            QList<quint16> ports;
            for (const QString& port : args.value(args.indexOf("--ports") + 1).split(','))
                ports << port.toUShort();
            const int seconds = args.value(args.indexOf("--seconds") + 1).toInt();
            const QString go = args.value(args.indexOf("--go") + 1);
            status =
                args.value(phaseAt + 1) == "client" ? runClient(ports, seconds, go) : runLibvlc(ports, seconds, go);
        } else {
            const int seconds = args.size() > 1 ? qMax(5, args.at(1).toInt()) : 30;
            std::vector<std::unique_ptr<TestSupport::FlvStreamSource>> peers;
            QList<quint16> ports;
            for (int i = 0; i < kStreams; ++i) {
                const QString path = clip(i);
                auto peer = std::make_unique<TestSupport::FlvStreamSource>();
                if (path.isEmpty() || !peer->listen() || !peer->setLiveClip(path)) {
                    std::printf("no stream %d\n", i);
                    return 1;
                }
                ports << peer->port();
                peers.push_back(std::move(peer));
            }
            std::printf("16 live %dx%d H.264 25 fps streams, both sides at once for %d s, offscreen\n", kWidth, kHeight,
                        seconds);
            std::fflush(stdout);
            Result bare;
            Result client;
            if (!runChildren(ports, seconds, &bare, &client)) {
                status = 1;
            } else {
                auto row = [](const char* name, const QString& a, const QString& b) {
                    std::printf("%-34s %16s %16s\n", name, qPrintable(a), qPrintable(b));
                };
                auto n = [](double v, int decimals = 0) { return QString::number(v, 'f', decimals); };
                const double buffers = kStreams * 2.0 * 5 * 768 * 576 / 1024.0;
                row("", "client", "libvlc alone");
                row("decoded frames", n(client.values["decoded"]), n(bare.values["decoded"]));
                row("display steps", n(client.values["displays"]), n(bare.values["decoded"]));
                row("pictures handed over to paint", n(client.values["handed"]), "-");
                row("repaints", n(client.values["repaints"]), "-");
                row("repaint requests < 44 ms apart", n(client.values["requestUnder"]), "-");
                row("shortest repaint request interval", n(client.values["requestMin"]) + " ms", "-");
                row("repaints < 44 ms apart", n(client.values["paintUnder"]), "-");
                row("repaint interval min / median",
                    n(client.values["paintMin"]) + " / " + n(client.values["paintMedian"]) + " ms", "-");
                row("CPU ms per stream-second", n(client.values["cpu"], 1), n(bare.values["cpu"], 1));
                row("peak memory (VmHWM)", n(client.values["peakKb"] / 1024, 1) + " MB",
                    n(bare.values["peakKb"] / 1024, 1) + " MB");
                row("  budget: alone + buffers + 10%", n((bare.values["peakKb"] + buffers) * 1.1 / 1024, 1) + " MB",
                    "-");
                row("threads", n(client.values["threads"]), n(bare.values["threads"]));
                std::printf("ratio: %.2f\n", client.values["cpu"] / bare.values["cpu"]);
            }
        }
    }
    TestSupport::cleanupEnvironment();
    return status;
}
