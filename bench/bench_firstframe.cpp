// How soon a new live stream shows its first picture: the time from playLive() to the first paint of a decoded
// picture in a video widget, against the time from play() to the first decoded frame of a plain libvlc player
// (the same engine and arguments, video callbacks that do nothing) on the same stream. The fake peer sends the
// first seconds of the stream at once, so the decoder, not the network, sets the pace. Five runs of each,
// alternating, in one process; the ratio compares the medians.
#include "core/media/Vlc.h"
#include "gui/video/VideoWidget.h"
#include "peer/FlvStreamSource.h"
#include "support/TestClips.h"
#include "support/TestEnvironment.h"
#include "support/VideoFixtures.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QTest>

#include <vlc/vlc.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <vector>

using QuorvelClient::GUI::VideoWidget;

namespace {

const int kRuns = 5;
const int kTimeoutMs = 30000;
const QSize kSize(320, 240);

// Milliseconds until the widget paints a decoded picture, or -1.
class FirstPaint : public QObject
{
public:
    FirstPaint(VideoWidget* widget, const QElapsedTimer* clock) : m_widget(widget), m_clock(clock) {}
    qint64 at = -1;
    bool eventFilter(QObject*, QEvent* event) override
    {
        const VideoWidget::PlayerState state = m_widget->playerState();
        if (at < 0 && event->type() == QEvent::Paint &&
            (state == VideoWidget::Playing || state == VideoWidget::Paused) && m_widget->isVisible()) {
            QMutexLocker locker(m_widget->streamPlayer()->frameMutex());
            if (!m_widget->streamPlayer()->frame().isNull())
                at = m_clock->elapsed();
        }
        return false;
    }

private:
    VideoWidget* m_widget;
    const QElapsedTimer* m_clock;
};

qint64 clientRun(TestSupport::FlvStreamSource& peer)
{
    VideoWidget widget(TestSupport::localCamera(1, peer.hostAndPort(), kSize));
    widget.resize(480, 360);
    widget.show();
    QTest::qWait(50);
    QElapsedTimer clock;
    FirstPaint paint(&widget, &clock);
    widget.installEventFilter(&paint);
    clock.start();
    widget.playLive(QuorvelClient::Core::QualitySettings::High);
    (void)QTest::qWaitFor([&] { return paint.at >= 0; }, kTimeoutMs);
    widget.stop();
    return paint.at;
}

struct Bare
{
    std::unique_ptr<unsigned char[]> buffer{new unsigned char[size_t(kSize.width()) * kSize.height() * 4]};
    QElapsedTimer clock;
    std::atomic<qint64> at{-1};
};

void* bareLock(void* opaque, void** planes)
{
    planes[0] = static_cast<Bare*>(opaque)->buffer.get();
    return planes[0];
}

void bareUnlock(void*, void*, void* const*) {}

void bareDisplay(void* opaque, void*)
{
    auto* bare = static_cast<Bare*>(opaque);
    qint64 none = -1;
    bare->at.compare_exchange_strong(none, bare->clock.elapsed());
}

qint64 bareRun(TestSupport::FlvStreamSource& peer)
{
    libvlc_instance_t* instance = QuorvelClient::Core::Vlc::instance()->libvlcInstance();
    Bare bare;
    libvlc_media_player_t* player = libvlc_media_player_new(instance);
    libvlc_audio_set_mute(player, 1);
    libvlc_video_set_format(player, "RV32", kSize.width(), kSize.height(), kSize.width() * 4);
    libvlc_video_set_callbacks(player, bareLock, bareUnlock, bareDisplay, &bare);
    const QString url = "http://" + peer.hostAndPort() +
                        "/flv/live?server=1&camera=1&sessionId=&q=2&vcodec=flv&vcodec=h264&vcodec=mpeg4&acodec=mp3";
    libvlc_media_t* media = libvlc_media_new_location(instance, url.toLatin1().constData());
    libvlc_media_player_set_media(player, media);
    libvlc_media_release(media);
    bare.clock.start();
    libvlc_media_player_play(player);
    (void)QTest::qWaitFor([&] { return bare.at >= 0; }, kTimeoutMs);
    libvlc_media_player_stop(player);
    libvlc_media_player_release(player);
    return bare.at;
}

qint64 median(std::vector<qint64> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

} // namespace

int main(int argc, char* argv[])
{
    TestSupport::prepareEnvironment();
    int status = 0;
    {
        QApplication app(argc, argv);
        QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
        TestSupport::FlvStreamSource peer;
        if (!TestSupport::serveClip(peer) || !QuorvelClient::Core::Vlc::instance()->libvlcInstance()) {
            std::printf("no stream or no engine\n");
            return 1;
        }
        std::printf("one live 320x240 H.264 stream, its first 2 s sent at once, %d runs each, offscreen\n", kRuns);
        std::printf("%-5s %18s %18s\n", "run", "painted (ms)", "decoded (ms)");
        std::vector<qint64> painted;
        std::vector<qint64> decoded;
        for (int run = 1; run <= kRuns; ++run) {
            painted.push_back(clientRun(peer));
            decoded.push_back(bareRun(peer));
            std::printf("%-5d %18lld %18lld\n", run, painted.back(), decoded.back());
            std::fflush(stdout);
        }
        if (std::count(painted.begin(), painted.end(), -1) || std::count(decoded.begin(), decoded.end(), -1)) {
            std::printf("a run showed no picture\n");
            status = 1;
        } else {
            std::printf("%-5s %18lld %18lld\n", "median", median(painted), median(decoded));
            std::printf("ratio: %.2f\n", double(median(painted)) / double(median(decoded)));
        }
    }
    TestSupport::cleanupEnvironment();
    return status;
}
